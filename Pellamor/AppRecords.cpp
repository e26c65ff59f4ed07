#include "Pellamor/AppRecords.h"

#include <QLocale>
#include <QString>

#include <cstdio>

#include "Pellamor/FormatMessage.h"
#include "Pellamor/Settings.h"
#include "corvane/dll_processor.h"
#include "platform/folder_scan.h"
#include "platform/message.h"

int g_wLangId = 0;
int g_nCurrentLangCommand = 0;

std::u16string FormatVersionText(int major, int minor, int build, int revision) {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", major, minor, build, revision);
  return platform::FromUtf8(text);
}

PRODUCTINFO::PRODUCTINFO() : platformText(u"x86"), productLine(u"5.0") {
  versionText = FormatVersionText(0, 0, 0, 0);
}

void PRODUCTINFO::SetProgramVersion(int a, int b, int c, int d) {
  major = a;
  minor = b;
  build = c;
  revision = d;
  versionText = FormatVersionText(a, b, c, d);
}

namespace {

constexpr int kLangIds[] = {0, 1042, 1033, 1041, 2052, 1028};

bool IsSupportedLangId(int id) { return id == 1028 || id == 1033 || id == 1041 || id == 1042 || id == 2052; }

}  // namespace

int LangIndexToLangId(int index, int defaultLangId) {
  if (index == 0) return defaultLangId;
  if (index < 0 || index > 5) return 0;
  return kLangIds[index];
}

int LangIdOfLocale(const QLocale& locale) {
  switch (locale.language()) {
    case QLocale::Korean: return 1042;
    case QLocale::Japanese: return 1041;
    case QLocale::Chinese:
      // A locale that names no script takes its territory's usual one.
      return locale.script() == QLocale::TraditionalHanScript ? 1028 : 2052;
    default: return 1033;
  }
}

int ConvertLanguage(int value, bool toLangId, int defaultLangId) {
  if (toLangId) {
    switch (value) {
      case kLangCmdAuto: return defaultLangId;
      case kLangCmdKorean: return 1042;
      case kLangCmdJapanese: return 1041;
      case kLangCmdChineseSimplified: return 2052;
      case kLangCmdChineseTraditional: return 1028;
      default: return 1033;
    }
  }
  switch (value) {
    case 0: return kLangCmdAuto;
    case 1028: return kLangCmdChineseTraditional;
    case 1033: return kLangCmdEnglish;
    case 1041: return kLangCmdJapanese;
    case 1042: return kLangCmdKorean;
    case 2052: return kLangCmdChineseSimplified;
    default: return kLangCmdEnglish;
  }
}

int GetOptionInt(const char* key, int defaultValue) { return profile::GetProfileInt("Options", key, defaultValue); }

int SetOptionInt(const char* key, int value) {
  if (profile::HasProfileKey("Options", key) && profile::GetProfileInt("Options", key, value) == value) return 0;
  return profile::WriteProfileInt("Options", key, value) ? 1 : 0;
}

void LanguageState::Load() {
  autoDetect = GetOptionInt("LanguageAutoDetect", 0) ? 1 : 0;
  userDefined = GetOptionInt("LanguageUserDefined", 0) ? 1 : 0;
  langId = GetOptionInt("LanguageId", 0);
  command = CurrentCommand();
}

int LanguageState::CurrentCommand() const {
  if (autoDetect || langId == 0) return kLangCmdAuto;
  return LangIdToCommand(langId);
}

void LanguageState::Apply(int cmd, bool write) {
  int id;
  if (cmd == kLangCmdAuto) {
    id = defaultLangId;
    if (!IsSupportedLangId(id)) id = 1033;
  } else {
    id = CommandToLangId(cmd, defaultLangId);
  }
  langId = id;
  command = cmd;
  if (write) SetOptionInt("LanguageId", id);
  g_wLangId = id;
  g_nCurrentLangCommand = cmd;
}

void LanguageState::SetLanguageMode(int cmd) {
  if (autoDetect) {
    if (cmd == kLangCmdAuto) {
      Apply(kLangCmdAuto, false);
    } else {
      autoDetect = 0;
      userDefined = 1;
      SetOptionInt("LanguageAutoDetect", 0);
      SetOptionInt("LanguageUserDefined", 1);
      Apply(cmd, true);
    }
  } else if (userDefined) {
    if (cmd == kLangCmdAuto) {
      userDefined = 0;
      autoDetect = 1;
      SetOptionInt("LanguageAutoDetect", 1);
      SetOptionInt("LanguageUserDefined", 0);
      Apply(kLangCmdAuto, false);
    } else {
      Apply(cmd, true);
    }
  } else {
    autoDetect = 1;
    Apply(kLangCmdAuto, false);
  }
}

std::u16string FormatSizeText(double size, int base, int twoDecimals, int noUnit, int unitOnly) {
  if (!pfn_cvt_size_to_unit) return {};  // util is bound at start-up, before any list is filled
  return pfn_cvt_size_to_unit(size, base, twoDecimals, noUnit, unitOnly);
}

int FindExistingName(const std::u16string& folder, const std::u16string& name, bool quiet) {
  const QString wanted = QString::fromStdU16String(name).toUpper();
  int found = 0;
  bool scanned = platform::ScanFolder(folder, [&](const platform::FolderEntry& e) {
    if (e.isFolder || QString::fromStdU16String(e.name).toUpper() != wanted) return true;
    found = 1;
    return false;
  });
  if (!scanned) {
    if (!quiet) CFormatMessage().ShowLastError(folder, true);
    return 0;
  }
  return found;
}
