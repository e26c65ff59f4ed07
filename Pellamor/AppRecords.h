// Records of the application object read across the program: product identity, the recovery
// workflow's settings, the UI-language state; and two small services (size text, name lookup).
#pragma once

#include <list>
#include <set>
#include <string>

class QLocale;

// Product identity.
struct PRODUCTINFO {
  int major = 0, minor = 0, build = 0, revision = 0;
  std::u16string versionText;
  int one = 1;
  std::u16string edition;
  std::u16string platformText;
  int values[6] = {5, 0, 2975, 0, 2, 0};
  std::u16string productLine;
  std::u16string extra;

  PRODUCTINFO();  // BuildProductInfo
  void SetProgramVersion(int major, int minor, int build, int revision);
  std::u16string GetVersionText() const { return versionText; }
  std::u16string GetPlatformText() const { return platformText; }
};

std::u16string FormatVersionText(int major, int minor, int build, int revision);

// Settings of the recovery workflow; the file-type filter keeps its extensions in the containers.
struct APPSETTINGS {
  std::u16string text;
  double value = 0.0;
  int flag = 0;
  int listCount = 0;  // entries of firstList, kept by CountListEntries
  int mode = 2;
  std::set<std::u16string> firstSet;
  std::list<std::u16string> firstList;
  std::list<std::u16string> secondList;
  std::set<std::u16string> secondSet;
  std::list<std::u16string> thirdList;

  void CountListEntries() { listCount = static_cast<int>(firstList.size()); }
};

// The recovery size of the data-recovery options page as the user set it for this run (kept until
// the program ends, also when it was not stored).
struct RECOVERYSIZESETTING {
  bool held = false;  // false: the page reads the profile
  unsigned long long amount = 1;
  int type = 2;       // the unit's power, 0 to 8
  int notation = 2;   // 2 base 2, 10 base 10
};

// UI-language commands.
inline constexpr int kLangCmdAuto = 32904;
inline constexpr int kLangCmdKorean = 32905;
inline constexpr int kLangCmdEnglish = 32906;
inline constexpr int kLangCmdJapanese = 32910;
inline constexpr int kLangCmdChineseSimplified = 32911;
inline constexpr int kLangCmdChineseTraditional = 32912;

// Program-wide copies of the language in use (read by the menu update and the language box).
extern int g_wLangId;
extern int g_nCurrentLangCommand;

class LanguageState {
 public:
  int autoDetect = 0;
  int userDefined = 0;
  int command = 0;
  int langId = 0;
  int defaultLangId = 0;  // what automatic detection resolves to

  // Reads the three stored keys, so a chosen language survives a restart.
  void Load();
  // The language command the state stands for.
  int CurrentCommand() const;
  void SetLanguageMode(int command);

 private:
  void Apply(int command, bool write);
};

int LangIndexToLangId(int index, int defaultLangId = 0);
// The LANGID that automatic detection gives for a locale: Korean 1042, Japanese 1041, Chinese in
// Simplified Han script 2052, in Traditional Han script 1028, anything else 1033.
int LangIdOfLocale(const QLocale& locale);
// Command to LANGID (toLangId true) or LANGID to command.
int ConvertLanguage(int value, bool toLangId, int defaultLangId = 0);
inline int CommandToLangId(int command, int defaultLangId = 0) { return ConvertLanguage(command, true, defaultLangId); }
inline int LangIdToCommand(int langId) { return ConvertLanguage(langId, false); }

// Profile integers of section "Options".
int GetOptionInt(const char* key, int defaultValue);
// Writes only a value that differs from the stored one; the write's result, or 0 when nothing
// was written.
int SetOptionInt(const char* key, int value);

// The size text that util's cvt_size_to_unit gives.
std::u16string FormatSizeText(double size, int base, int twoDecimals, int noUnit, int unitOnly);

// 1 when the folder holds a file (not a folder) of that name, letter case aside; 0 otherwise.
// A folder that cannot be searched gives 0 and, unless quiet, the system's error text.
int FindExistingName(const std::u16string& folder, const std::u16string& name, bool quiet);
