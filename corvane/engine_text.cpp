#include "corvane/engine_text.h"

#include <cstdio>
#include <cstring>

#include "corvane/fat_records.h"
#include "corvane/filesystem.h"
#include "platform/codepage.h"
#include "platform/message.h"

namespace {

std::u16string DefaultConverter(std::string_view bytes) { return platform::AnsiToUtf16(bytes); }

AsciiToUnicodeConverter g_converter = DefaultConverter;

template <typename... Args>
std::u16string Format(const char* format, Args... args) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return platform::FromUtf8(buffer);
}

const FATDIRENTRY* EntryAt(std::uint32_t index) {
  if (!g_pFatDirEntries || index >= g_dwFatDirEntryCount) return nullptr;
  return &g_pFatDirEntries[index];
}

// 12-hour clock: 0 is 오전 12, 12 is 오후 12.
std::u16string TimeText(unsigned hour, unsigned minute, unsigned second, int hundredths) {
  const char* half = hour < 12 ? "오전" : "오후";
  unsigned h = hour % 12;
  if (h == 0) h = 12;
  if (hundredths < 0) return Format("%s %u:%02u:%02u", half, h, minute, second);
  return Format("%s %u:%02u:%02u.%02d", half, h, minute, second, hundredths);
}

std::u16string DateText(unsigned y, unsigned m, unsigned d) {
  return Format("%04u년 %02u월 %02u일", y, m, d);
}

struct TypeName {
  const char* extension;
  const char16_t* text;
};

constexpr TypeName kTypeNames[] = {
    {"EXE", u"응용 프로그램"},
    {"DLL", u"응용 프로그램 확장"},
    {"BMP", u"비트맵 이미지"},
    {"INI", u"구성 설정"},
    {"INS", u"인터넷 연결 설정"},
    {"AVI", u"비디오 클립"},
    {"LNK", u"바로가기"},
    {"URL", u"인터넷 바로가기"},
    {"TXT", u"텍스트 문서"},
    {"C", u"C 원본 파일"},
    {"H", u"C 헤더 파일"},
    {"CPP", u"C++ 원본 파일"},
    {"RC", u"리소스 템플릿"},
    {"HTM", u"Microsoft HTML Document 5.0"},
    {"DSP", u"프로젝트 파일"},
    {"DSW", u"프로젝트 작업 공간"},
    {"BAT", u"MS-DOS 일괄 파일"},
    {"SYS", u"시스템 파일"},
    {"GIF", u"GIF 이미지"},
    {"JPG", u"JPEG 이미지"},
    {"HTT", u"하이퍼텍스트 서식"},
    {"SCR", u"화면보호기"},
    {"MDB", u"Microsoft Access 응용 프로그램"},
    {"DOC", u"Microsoft Word 문서"},
    {"MSG", u"Outlook 항목"},
    {"OBJ", u"Intermediate 파일"},
    {"ILK", u"Intermediate 파일"},
    {"PCH", u"Intermediate 파일"},
    {"PDB", u"Intermediate 파일"},
    {"IDB", u"Intermediate 파일"},
    {"HWP", u"아래아한글 문서"},
    {"ZIP", u"ZIP 압축파일"},
    {"ICO", u"아이콘 이미지"},
};

}  // namespace

void SetAsciiToUnicodeConverter(AsciiToUnicodeConverter converter) {
  g_converter = converter ? converter : DefaultConverter;
}

std::u16string FormatSizeWithUnit(std::int64_t size) {
  struct Unit {
    std::int64_t value;
    const char* whole;
    const char* fraction;
  };
  if (size < 1024) return Format("%lld바이트", static_cast<long long>(size));
  Unit unit;
  if (size < 1048576) unit = {1024, "%.0fKB", "%.2fKB"};
  else if (size < 1073741824) unit = {1048576, "%.0fMB", "%.2fMB"};
  else if ((static_cast<std::uint64_t>(size) >> 32) < 256) unit = {1073741824, "%.0fGB", "%.2fGB"};
  else unit = {1099511627776, "%.0fTB", "%.2fTB"};
  const double value = static_cast<double>(size) / static_cast<double>(unit.value);
  return Format(size % unit.value == 0 ? unit.whole : unit.fraction, value);
}

std::u16string GetFileTypeText(std::uint32_t index) {
  const FATDIRENTRY* e = EntryAt(index);
  if (!e) return {};
  if (e->directory) {
    if (e->volumeLabel) return u"볼륨 레이블";
    char name[sizeof e->shortName + 1] = {};
    std::memcpy(name, e->shortName, sizeof e->shortName);
    return std::strcmp(name, "RECYCLED") == 0 ? u"휴지통" : u"파일 폴더";
  }
  if (e->hasExtension != 1) return u"파일";
  char ext[sizeof e->extension + 1] = {};
  std::memcpy(ext, e->extension, sizeof e->extension);
  for (const auto& t : kTypeNames)
    if (std::strcmp(ext, t.extension) == 0) return t.text;
  const std::size_t bytes = std::strlen(ext);
  std::u16string text = g_converter(std::string_view(ext, bytes));
  if (text.size() > bytes) text.resize(bytes);
  return text + u" 파일";
}

std::u16string FormatFatDateTimeMs(std::uint32_t index) {
  const FATDIRENTRY* e = EntryAt(index);
  if (!e) return {};
  return DateText(e->createYear, e->createMonth, e->createDay) + u" " +
         TimeText(e->createHour, e->createMinute, e->createSecond, e->createHundredths);
}

std::u16string FormatFatDate(std::uint32_t index) {
  const FATDIRENTRY* e = EntryAt(index);
  if (!e) return {};
  return DateText(e->accessYear, e->accessMonth, e->accessDay);
}

std::u16string FormatFatDateTime(std::uint32_t index) {
  const FATDIRENTRY* e = EntryAt(index);
  if (!e) return {};
  return DateText(e->modifyYear, e->modifyMonth, e->modifyDay) + u" " +
         TimeText(e->modifyHour, e->modifyMinute, e->modifySecond, -1);
}
