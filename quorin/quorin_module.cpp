// The FAT display module: the list columns of one found FAT directory entry.
#include "corvane/fat_records.h"
#include "quorin/quorin_exports.h"
#include "util/display_text.h"
#include "util/shell_file_info.h"
#include "util/util_exports.h"
#include "ver/version_forwarder.h"

using display_text::Format;

namespace {

ModuleVersion g_version("quorin.dll");
decltype(&::get_unicode_of_ascii) g_getUnicodeOfAscii = nullptr;
display_text::UtilTexts g_util;
decltype(&::comp_num) g_compNum = nullptr;

// util's texts and, for the 8.3 names, its code-page conversion.
std::vector<platform::ModuleImport> Imports() {
  std::vector<platform::ModuleImport> imports = g_util.Imports();
  imports.push_back(platform::Import("util.dll", "get_unicode_of_ascii", &g_getUnicodeOfAscii));
  imports.push_back(platform::Import("util.dll", "comp_num", &g_compNum));
  return imports;
}

class CquorinApp {
 public:
  CquorinApp() { InitInstance(); }
  int InitInstance() {
    g_version.Start({"util.dll", "ver.dll"}, Imports(), 1);
    return 1;
  }
} theApp;

// The 8.3 name converted from its OEM bytes, without the line end util appends.
std::u16string ShortName(const FATDIRENTRY* e) {
  std::u16string name = g_getUnicodeOfAscii(display_text::FieldBytes(e->shortName).c_str(), 4096);
  if (!name.empty() && name.back() == u'\n') name.pop_back();
  return name;
}

bool ValidDate(unsigned month, unsigned day) { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }
bool ValidTime(unsigned hour, unsigned minute, unsigned second) {
  return hour <= 23 && minute <= 59 && second <= 59;
}

}  // namespace

extern "C" {

// Built per call: the text is the caller's, so list threads never share a buffer.
std::u16string disp_struct_name_quorin(const FATDIRENTRY* e) {
  if (!e) return {};
  return e->hasLongName == 1 ? LongNameOf(*e) : ShortName(e);
}

int disp_struct_image_quorin(const FATDIRENTRY* e, int) {
  CUseShGetFileInfo info;
  if (!e) return info.GetFileIconIndex(u"");
  return e->directory == 1 ? info.GetFolderIconIndex(true) : info.GetFileIconIndex(ShortName(e), true);
}

std::u16string disp_struct_status_quorin(const FATDIRENTRY* e) {
  if (!e) return {};
  if (e->directory == 1 && e->volumeLabel == 1) {
    if (e->deleted == 1) return u"(삭제된 볼륨)";
    return e->firstCluster != 0 ? u"[손상된 볼륨]" : u"정상 볼륨";
  }
  if (e->directory == 1) {
    if (e->deleted == 1) return u"(삭제된 폴더)";
    if (e->valid != 1) return u"[손상된 폴더]";
    return e->size != 0 ? u"[손상된 폴더(추정)]" : u"정상 폴더";
  }
  if (e->deleted == 1) return u"(삭제된 파일)";
  if (e->valid == 1) return e->size != 0 ? u"정상 파일" : u"정상 파일(추정)";
  return u"[손상된 파일]";
}

std::u16string disp_struct_cluster_quorin(const FATDIRENTRY* e) {
  return e ? Format("%u", e->firstCluster) : std::u16string();
}

std::u16string disp_struct_location_quorin(const FATDIRENTRY* e) {
  return e ? Format("%u/%u", e->firstSlot, e->lastSlot) : std::u16string();
}

std::u16string cal_struct_size_quorin(const FATDIRENTRY* e, int mode) {
  if (!e) return {};
  if ((e->directory == 1 || e->volumeLabel == 1) && e->size == 0) return {};
  if (mode == 0) return g_util.cvtSizeToUnit(static_cast<double>(e->size), 2, 0, 0, 0);
  if (mode == 1) return g_util.addComma(Format("%.0f", static_cast<double>(e->size)));
  return {};
}

std::u16string disp_struct_size_quorin(const FATDIRENTRY* e) { return cal_struct_size_quorin(e, 0); }
std::u16string disp_struct_bytesize_quorin(const FATDIRENTRY* e) { return cal_struct_size_quorin(e, 1); }
double disp_struct_bytesize_num_quorin(const FATDIRENTRY* e) { return e ? static_cast<double>(e->size) : 0.0; }

// A date or time that does not convert (an entry that never had one, or damaged bytes) gives an
// empty text rather than impossible numbers.
std::u16string disp_struct_createdt_quorin(const FATDIRENTRY* e) {
  if (!e || !ValidDate(e->createMonth, e->createDay) ||
      !ValidTime(e->createHour, e->createMinute, e->createSecond) || e->createHundredths > 99)
    return {};
  return Format("%04d-%02d-%02d ", e->createYear, e->createMonth, e->createDay) +
         Format("%02d:%02d:%02d.%02d", e->createHour, e->createMinute, e->createSecond, e->createHundredths);
}

std::u16string disp_struct_accessdt_quorin(const FATDIRENTRY* e) {
  if (!e || !ValidDate(e->accessMonth, e->accessDay)) return {};
  return Format("%04d-%02d-%02d ", e->accessYear, e->accessMonth, e->accessDay);
}

std::u16string disp_struct_modifydt_quorin(const FATDIRENTRY* e) {
  if (!e || !ValidDate(e->modifyMonth, e->modifyDay) ||
      !ValidTime(e->modifyHour, e->modifyMinute, e->modifySecond))
    return {};
  return Format("%04d-%02d-%02d ", e->modifyYear, e->modifyMonth, e->modifyDay) +
         Format("%02d:%02d:%02d", e->modifyHour, e->modifyMinute, e->modifySecond);
}

std::u16string disp_struct_attr_quorin(const FATDIRENTRY* e) {
  if (!e) return {};
  static const char16_t kLetters[] = u"advshr";  // bits 5 .. 0
  std::u16string text;
  for (int bit = 5; bit >= 0; --bit) text += (e->attribute >> bit) & 1 ? kLetters[5 - bit] : u'.';
  return text;
}

std::u16string disp_struct_fileformat_quorin(const FATDIRENTRY* e) {
  return CUseShGetFileInfo().GetFileTypeName(disp_struct_name_quorin(e));
}

int disp_struct_1stsector_quorin() { return 0; }
int disp_struct_checksum_quorin() { return 0; }
int disp_struct_datasize_quorin() { return 0; }
int disp_struct_fragment_quorin() { return 0; }
int disp_struct_mftid_quorin() { return 0; }
int disp_struct_parentmft_quorin() { return 0; }
int disp_struct_runcount_quorin() { return 0; }

std::int64_t read_runtime_module_version_quorin(int a) { return g_version.Forward(a); }

}
