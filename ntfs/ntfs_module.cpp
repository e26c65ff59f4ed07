// The NTFS display module: the list columns of one NTFSFILEENTRY. Called from the list on the
// user-interface thread and from the scan module's worker threads; it keeps no shared state.
#include "corvane/ntfs_records.h"
#include "corvane/ntfs_time.h"
#include "ntfs/ntfs_exports.h"
#include "util/display_text.h"
#include "util/shell_file_info.h"
#include "ver/version_forwarder.h"

using display_text::Format;

namespace {

ModuleVersion g_version("ntfs.dll");
display_text::UtilTexts g_util;

class CntfsApp {
 public:
  CntfsApp() { InitInstance(); }
  int InitInstance() {
    g_version.Start({"util.dll", "ver.dll"}, g_util.Imports(), -1);
    return 1;
  }
} theApp;

std::u16string NumberText(std::int64_t value) {
  return g_util.addComma(Format("%.0f", static_cast<double>(value)));
}

int BuildLocalTime(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out) {
  if (!out) return 0;
  SYSTEMTIME st{};
  if (!ntfstime::ToLocalSystemTime((static_cast<std::uint64_t>(high) << 32) | low, &st)) return 0;
  *out = st;
  return 1;
}

// "X" for a time that does not convert, as for the other fields without a value.
std::u16string TimeText(const NTFSFILETIME& time) {
  SYSTEMTIME st{};
  if (!BuildLocalTime(time.high, time.low, &st)) return u"X";
  return Format("%04d-%02d-%02d ", st.wYear, st.wMonth, st.wDay) + display_text::DayName(st.wDayOfWeek) +
         Format(" %02d:%02d:%02d.%03d", st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

int ImageIndex(const std::u16string& name, int folder) {
  CUseShGetFileInfo info;
  return folder == 1 ? info.GetFolderIconIndex(true) : info.GetFileIconIndex(name, true);
}

}  // namespace

extern "C" {

std::u16string disp_struct_name_ntfs(const NTFSFILEENTRY* e) {
  return e ? display_text::PackedText(e, offsetof(NTFSFILEENTRY, name), kNtfsNameCapacity) : std::u16string();
}

int disp_struct_image_ntfs(const NTFSFILEENTRY* e, int) {
  return ImageIndex(disp_struct_name_ntfs(e), e ? e->folder : 0);
}

int disp_struct_image_ntfs_ex(std::u16string name, int folder) { return ImageIndex(name, folder); }

std::u16string disp_struct_status_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  std::u16string text = e->deleted == 1 ? u"(삭제된 " : u"(정상 ";
  if (e->compressed == 1)
    text += u"압축 ";
  else if (e->encrypted == 1)
    text += u"암호화 ";
  else if (e->sparse == 1)
    text += u"희소 ";
  text += e->folder == 1 ? u"폴더)" : u"파일)";
  return text;
}

std::u16string disp_struct_cluster_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  return e->firstClusterValid == 1 ? NumberText(e->firstCluster) : u"X";
}

std::u16string disp_struct_1stsector_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  return e->firstSectorValid == 1 ? NumberText(e->firstSector) : u"X";
}

std::u16string disp_struct_runcount_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  if (e->lastVcnValid != 1) return u"X";
  return e->lastVcn == 0 ? std::u16string() : NumberText(e->lastVcn);
}

std::u16string disp_struct_parentmft_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  return g_util.addComma(Format("%u", static_cast<std::uint32_t>(e->parentRecordNumber)));
}

std::u16string disp_struct_mftid_ntfs(const NTFSFILEENTRY* e) {
  if (!e) return {};
  return g_util.addComma(Format("%u", static_cast<std::uint32_t>(e->recordNumber)));
}

double disp_struct_bytesize_num_ntfs(const NTFSFILEENTRY* e) {
  return e ? static_cast<double>(e->dataSize) : 0.0;
}

std::u16string cal_struct_size_ntfs(const NTFSFILEENTRY* e, int mode) {
  if (!e || mode < 0 || mode > 2) return {};
  const std::int64_t value = mode == 2 ? e->allocatedSize : e->dataSize;
  if (e->folder == 1 && value == 0) return {};
  if (mode == 0) {
    const double v = static_cast<double>(value);
    return g_util.cvtSizeToUnit(v, 2, 0, 1, 0) + u" " + g_util.cvtSizeToUnit(v, 2, 0, 0, 1);
  }
  return NumberText(value);
}

std::u16string disp_struct_size_ntfs(const NTFSFILEENTRY* e) { return cal_struct_size_ntfs(e, 0); }
std::u16string disp_struct_bytesize_ntfs(const NTFSFILEENTRY* e) { return cal_struct_size_ntfs(e, 1); }
std::u16string disp_struct_datasize_ntfs(const NTFSFILEENTRY* e) { return cal_struct_size_ntfs(e, 2); }

std::u16string disp_struct_createdt_ntfs(const NTFSFILEENTRY* e) {
  return e ? TimeText(e->creationTime) : std::u16string();
}
std::u16string disp_struct_accessdt_ntfs(const NTFSFILEENTRY* e) {
  return e ? TimeText(e->accessTime) : std::u16string();
}
std::u16string disp_struct_modifydt_ntfs(const NTFSFILEENTRY* e) {
  return e ? TimeText(e->modificationTime) : std::u16string();
}

std::u16string disp_struct_fileformat_ntfs(const NTFSFILEENTRY* e) {
  return CUseShGetFileInfo().GetFileTypeName(disp_struct_name_ntfs(e));
}

int build_struct_createdt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out) {
  return BuildLocalTime(high, low, out);
}
int build_struct_accessdt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out) {
  return BuildLocalTime(high, low, out);
}
int build_struct_modifydt_ntfs(std::uint32_t high, std::uint32_t low, SYSTEMTIME* out) {
  return BuildLocalTime(high, low, out);
}

std::int64_t read_runtime_module_version_ntfs(int a) { return g_version.Forward(a); }

}
