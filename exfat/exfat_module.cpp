// The exFAT display module: the list columns of one found exFAT entry set.
#include "corvane/exfat_records.h"
#include "exfat/exfat_exports.h"
#include "util/display_text.h"
#include "util/shell_file_info.h"
#include "ver/version_forwarder.h"

using display_text::Format;

namespace {

ModuleVersion g_version("exfat.dll");
display_text::UtilTexts g_util;

class CexfatApp {
 public:
  CexfatApp() { InitInstance(); }
  int InitInstance() {
    g_version.Start({"util.dll", "ver.dll"}, g_util.Imports(), -1);
    return 1;
  }
} theApp;

}  // namespace

extern "C" {

std::u16string disp_struct_name_exfat(const EXFATFILEENTRY* e) {
  return e ? ExfatNameOf(*e) : std::u16string();
}

int disp_struct_image_exfat(const EXFATFILEENTRY* e, int) {
  CUseShGetFileInfo info;
  if (e && e->folder == 1) return info.GetFolderIconIndex(true);
  return info.GetFileIconIndex(disp_struct_name_exfat(e), true);
}

std::u16string disp_struct_status_exfat(const EXFATFILEENTRY* e) {
  if (!e) return {};
  if (e->deleted == 1) return e->folder == 1 ? u"(삭제된 폴더)" : u"(삭제된 파일)";
  return e->folder == 1 ? u"정상인 폴더" : u"정상인 파일";
}

std::u16string disp_struct_fragment_exfat(const EXFATFILEENTRY* e) {
  if (!e) return {};
  if (e->secondaryFlags == 1) return u"조각남";
  if (e->secondaryFlags == 3) return u"연속";
  return {};
}

std::u16string disp_struct_checksum_exfat(const EXFATFILEENTRY* e) {
  return e ? Format("%x", static_cast<unsigned>(e->setChecksum)) : std::u16string();
}

// Cluster numbers are unsigned 32-bit: one above 2^31 is not shown as a negative number.
std::u16string disp_struct_cluster_exfat(const EXFATFILEENTRY* e) {
  return e ? Format("%u", e->firstCluster) : std::u16string();
}

std::u16string cal_struct_size_exfat(const EXFATFILEENTRY* e, int mode) {
  if (!e) return {};
  if (e->dataLength == 0 && (e->folder == 1 || e->reserved == 1)) return {};
  const double size = static_cast<double>(e->dataLength);
  if (mode == 0) return g_util.cvtSizeToUnit(size, 2, 0, 0, 0);
  if (mode == 1) return g_util.addComma(Format("%.0f", size));
  return {};
}

std::u16string disp_struct_size_exfat(const EXFATFILEENTRY* e) { return cal_struct_size_exfat(e, 0); }
std::u16string disp_struct_bytesize_exfat(const EXFATFILEENTRY* e) { return cal_struct_size_exfat(e, 1); }
double disp_struct_bytesize_num_exfat(const EXFATFILEENTRY* e) {
  return e ? static_cast<double>(e->dataLength) : 0.0;
}

std::u16string disp_struct_createdt_exfat(const EXFATFILEENTRY*) { return {}; }
std::u16string disp_struct_accessdt_exfat(const EXFATFILEENTRY*) { return {}; }
std::u16string disp_struct_modifydt_exfat(const EXFATFILEENTRY*) { return {}; }
std::u16string disp_struct_attr_exfat(const EXFATFILEENTRY*) { return {}; }

std::u16string disp_struct_fileformat_exfat(const EXFATFILEENTRY* e) {
  return CUseShGetFileInfo().GetFileTypeName(disp_struct_name_exfat(e));
}

std::int64_t read_runtime_module_version_exfat(int a) { return g_version.Forward(a); }

}
