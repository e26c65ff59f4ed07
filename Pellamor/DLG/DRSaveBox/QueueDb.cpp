#include "Pellamor/DLG/DRSaveBox/QueueDb.h"

#include <chrono>
#include <cstdio>

#include "corvane/dll_processor.h"
#include "corvane/filesystem.h"
#include "corvane/module_table.h"
#include "corvane/ntfs_time.h"
#include "platform/codepage.h"
#include "platform/endian.h"
#include "platform/file_ops.h"
#include "platform/message.h"
#include "platform/output_file.h"

namespace drsave {
namespace {

// The fatal report's fixed stamp and source for the queue's file errors.
constexpr const char* kReportStamp = "Mon Mar  1 18:12:11 2010";
constexpr const char* kReportPath = ".\\DLG\\DRSaveBox\\DRSaveBox";
constexpr std::uint32_t kCodeExport = 0xAA9E8F5B;
constexpr std::uint32_t kCodeImport = 0x755C57D2;

constexpr std::u16string_view kNoDrive = u"드라이브가 닫혀 있습니다.";

void Put16(std::vector<std::uint8_t>* out, std::uint16_t v) {
  std::uint8_t b[2];
  platform::PutLe16(b, v);
  out->insert(out->end(), b, b + 2);
}

void Put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  std::uint8_t b[4];
  platform::PutLe32(b, v);
  out->insert(out->end(), b, b + 4);
}

void Put64(std::vector<std::uint8_t>* out, std::uint64_t v) {
  std::uint8_t b[8];
  platform::PutLe64(b, v);
  out->insert(out->end(), b, b + 8);
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::u16string Decimal(std::uint64_t v) { return Ascii(std::to_string(v)); }

// Digits grouped by three with commas.
std::u16string GroupedDecimal(std::uint64_t v) {
  const std::string digits = std::to_string(v);
  std::u16string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) out += u',';
    out += static_cast<char16_t>(digits[i]);
  }
  return out;
}

std::u16string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return platform::FromUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
}

std::u16string DriveText(char16_t letter) { return u"(" + std::u16string(1, letter) + u":)"; }

// The file-system name, or the code in decimal when it names none.
std::u16string FileSystemOrCode(std::uint32_t code) {
  const std::u16string_view name = DbFileSystemName(code);
  return name.empty() ? Decimal(code) : std::u16string(name);
}

}  // namespace

// ---- Codec ----------------------------------------------------------------------------------

std::vector<std::uint8_t> EncodeDbHeader(const DbHeader& header) {
  std::vector<std::uint8_t> out(kDbHeaderSize, 0);
  VERSIONRECORD version;
  module_versions::FillVersionRecord("DB_SAVEBOX", &version);
  for (std::size_t i = 0; i < 1024; ++i) {
    platform::PutLe32(&out[i * 4], version.common[i]);
    platform::PutLe32(&out[4096 + i * 4], version.module[i]);
  }
  const SYSTEMTIME& t = header.time;
  const std::uint16_t words[8] = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay,
                                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  for (std::size_t i = 0; i < 8; ++i) platform::PutLe16(&out[kDbTimeOffset + i * 2], words[i]);
  platform::PutLe64(&out[kDbCountOffset], header.count);
  platform::PutLe32(&out[kDbTypeOffset], header.typeCode);
  platform::PutLe32(&out[kDbLocationOffset], header.location);
  platform::PutLe32(&out[kDbLetterOffset], header.letter);
  return out;
}

DbHeader DecodeDbHeader(const std::uint8_t* data) {
  DbHeader h;
  const std::uint8_t* t = data + kDbTimeOffset;
  h.time.wYear = platform::Le16(t);
  h.time.wMonth = platform::Le16(t + 2);
  h.time.wDayOfWeek = platform::Le16(t + 4);
  h.time.wDay = platform::Le16(t + 6);
  h.time.wHour = platform::Le16(t + 8);
  h.time.wMinute = platform::Le16(t + 10);
  h.time.wSecond = platform::Le16(t + 12);
  h.time.wMilliseconds = platform::Le16(t + 14);
  h.count = platform::Le64(data + kDbCountOffset);
  h.typeCode = platform::Le32(data + kDbTypeOffset);
  h.location = platform::Le32(data + kDbLocationOffset);
  h.letter = platform::Le32(data + kDbLetterOffset);
  return h;
}

void AppendArchiveString(std::u16string_view text, std::vector<std::uint8_t>* out) {
  out->push_back(0xFF);
  Put16(out, 0xFFFE);
  const std::uint64_t n = text.size();
  if (n < 0xFF) {
    out->push_back(static_cast<std::uint8_t>(n));
  } else if (n < 0xFFFE) {
    out->push_back(0xFF);
    Put16(out, static_cast<std::uint16_t>(n));
  } else {
    out->push_back(0xFF);
    Put16(out, 0xFFFF);
    if (n < 0xFFFFFFFF) {
      Put32(out, static_cast<std::uint32_t>(n));
    } else {
      Put32(out, 0xFFFFFFFF);
      Put64(out, n);
    }
  }
  for (char16_t c : text) Put16(out, static_cast<std::uint16_t>(c));
}

void AppendQueueItem(const QueueItem& item, std::vector<std::uint8_t>* out) {
  for (const std::u16string* s : {&item.name, &item.sizeText, &item.methodText, &item.clusterText,
                                  &item.stateText, &item.saveFolder, &item.typeName})
    AppendArchiveString(*s, out);
  Put32(out, item.tick);
  Put32(out, item.iconIndex);
  AppendArchiveString(item.typeName, out);
  Put64(out, item.size);
  Put32(out, item.done);
  Put32(out, item.deleteMark);
  Put32(out, item.held);
  AppendArchiveString(item.note, out);
  Put64(out, item.addedCluster);
  Put32(out, item.entryReference);
  Put32(out, item.methodCode);
}

bool ArchiveReader::U8(std::uint8_t* v) {
  if (Left() < 1) return false;
  *v = data_[at_++];
  return true;
}

bool ArchiveReader::U16(std::uint16_t* v) {
  if (Left() < 2) return false;
  *v = platform::Le16(data_ + at_);
  at_ += 2;
  return true;
}

bool ArchiveReader::U32(std::uint32_t* v) {
  if (Left() < 4) return false;
  *v = platform::Le32(data_ + at_);
  at_ += 4;
  return true;
}

bool ArchiveReader::U64(std::uint64_t* v) {
  if (Left() < 8) return false;
  *v = platform::Le64(data_ + at_);
  at_ += 8;
  return true;
}

bool ArchiveReader::String(std::u16string* text) {
  bool wide = false;
  std::uint64_t length = 0;
  std::uint8_t b = 0;
  if (!U8(&b)) return false;
  if (b < 0xFF) {
    length = b;
  } else {
    std::uint16_t w = 0;
    if (!U16(&w)) return false;
    if (w == 0xFFFE) {  // the UTF-16 tag; the length follows in its own forms
      wide = true;
      if (!U8(&b)) return false;
      if (b < 0xFF) {
        length = b;
        w = 0;
      } else if (!U16(&w)) {
        return false;
      }
    }
    if (b == 0xFF) {
      if (w < 0xFFFF) {
        length = w;
      } else {
        std::uint32_t d = 0;
        if (!U32(&d)) return false;
        length = d;
        if (d == 0xFFFFFFFF && !U64(&length)) return false;
      }
    }
  }
  // Checked against what is left before anything is allocated.
  const std::uint64_t unit = wide ? 2 : 1;
  if (length > Left() / unit) return false;
  const std::size_t n = static_cast<std::size_t>(length);
  if (wide) {
    text->resize(n);
    for (std::size_t i = 0; i < n; ++i) (*text)[i] = static_cast<char16_t>(platform::Le16(data_ + at_ + 2 * i));
    at_ += 2 * n;
  } else {
    *text = platform::AnsiToUtf16(std::string_view(reinterpret_cast<const char*>(data_ + at_), n));
    at_ += n;
  }
  return true;
}

bool ReadQueueItem(ArchiveReader& r, QueueItem* item) {
  for (std::u16string* s : {&item->name, &item->sizeText, &item->methodText, &item->clusterText,
                            &item->stateText, &item->saveFolder, &item->typeName})
    if (!r.String(s)) return false;
  if (!r.U32(&item->tick) || !r.U32(&item->iconIndex) || !r.String(&item->typeName) ||
      !r.U64(&item->size) || !r.U32(&item->done) || !r.U32(&item->deleteMark) ||
      !r.U32(&item->held) || !r.String(&item->note) || !r.U64(&item->addedCluster) ||
      !r.U32(&item->entryReference) || !r.U32(&item->methodCode))
    return false;
  item->firstCluster = item->addedCluster;
  return true;
}

bool ParseQueueDb(const std::uint8_t* data, std::size_t size, DbContents* out) {
  *out = DbContents{};
  if (size < kDbHeaderSize) return false;
  out->header = DecodeDbHeader(data);
  ArchiveReader r(data + kDbHeaderSize, size - kDbHeaderSize);
  for (std::uint64_t i = 0; i < out->header.count; ++i) {
    if (r.Left() == 0) {
      out->cutShort = true;
      break;
    }
    QueueItem item;
    if (!ReadQueueItem(r, &item)) {
      out->cutShort = true;
      break;
    }
    out->items.push_back(std::move(item));
  }
  return true;
}

std::vector<std::uint8_t> EncodeQueueDb(const DbHeader& header, const std::vector<QueueItem>& items) {
  std::vector<std::uint8_t> bytes = EncodeDbHeader(header);
  for (const QueueItem& item : items) AppendQueueItem(item, &bytes);
  return bytes;
}

bool WriteQueueDb(const std::string& path, DbHeader header, const std::vector<QueueItem>& items) {
  header.count = items.size();
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  platform::OutputFile file = platform::OutputFile::Create(platform::FromUtf8(folder), platform::FromUtf8(name));
  if (!file.IsOpen()) return false;
  const std::vector<std::uint8_t> bytes = EncodeQueueDb(header, items);
  if (!file.Write(bytes.data(), bytes.size())) return false;  // the temporary goes with `file`
  return file.Commit();
}

// ---- Import and export ----------------------------------------------------------------------

std::u16string_view DbFileSystemName(std::uint32_t typeCode) {
  switch (typeCode) {
    case kFsFat12: return u"FAT12";
    case kFsFat16: return u"FAT16";
    case kFsFat32: return u"FAT32";
    case kFsNtfs: return u"NTFS";
    case kFsExfat: return u"exFAT";
    case kFsCdfs: return u"CDFS";
    case kFsUdf: return u"UDF";
    default: return {};
  }
}

std::u16string FormatExportTime(const SYSTEMTIME& t) {
  static constexpr std::u16string_view kWeekdays[7] = {u"(일)", u"(월)", u"(화)", u"(수)",
                                                       u"(목)", u"(금)", u"(토)"};
  auto two = [](unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02u", v);
    return Ascii(b);
  };
  const std::u16string_view weekday = t.wDayOfWeek < 7 ? kWeekdays[t.wDayOfWeek] : std::u16string_view();
  return two(t.wYear) + u"년 " + two(t.wMonth) + u"월 " + two(t.wDay) + u"일 " + std::u16string(weekday) +
         u" " + two(t.wHour) + u":" + two(t.wMinute) + u":" + two(t.wSecond);
}

SYSTEMTIME CurrentLocalTime() {
  using namespace std::chrono;
  constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970-01-01 in 1601 ticks
  const auto since = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  SYSTEMTIME t{};
  ntfstime::ToLocalSystemTime(kUnixEpochTicks + static_cast<std::uint64_t>(since) * 10, &t);
  return t;
}

bool ConfirmExportStart(const DbDrive* drive, std::size_t queued) {
  if (drive == nullptr) {
    platform::ShowMessage(kNoDrive);
    return false;
  }
  if (queued == 0) {
    platform::ShowMessage(u"임시보관함이 비어있습니다.");
    return false;
  }
  return true;
}

bool ExportQueueDb(const std::string& path, const std::vector<QueueItem>& items, const DbDrive& drive,
                   const SYSTEMTIME& time) {
  DbHeader header;
  header.time = time;
  header.typeCode = drive.typeCode;
  header.location = 0;
  header.letter = drive.letter;
  if (!WriteQueueDb(path, header, items)) {
    platform::ShowMessage(u"내보내기 실패\r\n\n파일을 저장할 수 없습니다.");
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeExport, 2, 0);
    return false;
  }
  platform::ShowMessage(u"내보내기 성공\r\n\n저장된 파일: " + BaseName(path) + u" (" + Decimal(items.size()) +
                        u"/" + Decimal(items.size()) + u")");
  return true;
}

bool ConfirmImportStart(const DbDrive* drive, std::size_t queued) {
  if (drive == nullptr) {
    platform::ShowMessage(kNoDrive);
    return false;
  }
  if (queued != 0 &&
      platform::ShowMessage(u"임시보관함이 비어있지 않습니다.\r\n\n계속하시려면 확인을 누르십시오.",
                            platform::MsgButtons::OkCancel,
                            platform::MsgIcon::Question) != platform::MsgAnswer::Ok)
    return false;
  return true;
}

bool AcceptImportedItem(QueueItem* item) {
  if (!IsAcceptableItemName(item->name)) return false;
  if (!IsUsableSaveFolder(item->saveFolder)) item->saveFolder.clear();
  item->deleteMark = 0;  // a mark only lives between selecting and erasing
  item->id = 0;
  return true;
}

ImportResult ImportQueueDb(const std::string& path, const DbDrive& drive, std::size_t queued) {
  ImportResult result;
  const std::u16string fileName = BaseName(path);
  std::vector<std::uint8_t> bytes;
  if (!platform::ReadWholeFile(path, &bytes)) {
    platform::ShowMessage(u"가져오기 실패\r\n\n파일을 열 수 없습니다.");
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeImport, 3, 0);
    return result;
  }
  DbContents db;
  if (!ParseQueueDb(bytes.data(), bytes.size(), &db)) {
    platform::ShowMessage(u"가져오기 실패\r\n\n데이터베이스 크기가 최소치보다 작습니다.");
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeImport, 1, 0);
    return result;
  }
  bytes = {};
  const DbHeader& h = db.header;
  const char16_t fileLetter = static_cast<char16_t>(h.letter & 0xFFFF);
  auto refuseType = [&] {
    platform::ShowMessage(u"가져오기 허용안함\r\n\n임시보관함 데이터베이스 정보는 " + FileSystemOrCode(h.typeCode) +
                          u" 파일 시스템의 것으로 현재 작업중인 " + DriveText(drive.letter) + u" 드라이브의 " +
                          FileSystemOrCode(drive.typeCode) + u" 파일 시스템이 아닙니다.");
  };
  if (DbFileSystemName(h.typeCode).empty()) {
    refuseType();
    return result;
  }
  const std::u16string question = u"파일: " + fileName + u" (" + GroupedDecimal(h.count) + u") \r\n\n" +
                                   DriveText(fileLetter) + u" " + (h.location == 0 ? u"로컬디스크" : u"네트워크") +
                                   u" " + std::u16string(DbFileSystemName(h.typeCode)) + u" \r\n\n저장일시: " +
                                   FormatExportTime(h.time) + u" \r\n\n";
  if (platform::ShowMessage(question, platform::MsgButtons::OkCancel, platform::MsgIcon::Question) !=
      platform::MsgAnswer::Ok)
    return result;
  if (fileLetter != drive.letter) {
    platform::ShowMessage(u"가져오기 허용안함\r\n\n임시보관함 데이터베이스 정보는 " + DriveText(fileLetter) +
                          u" 드라이브의 것으로 현재 작업중인 (" + std::u16string(1, drive.letter) +
                          u") 드라이브가 아닙니다.\r\n\n(이 버전에서는 다중 드라이브 복구가 지원되지 않습니다.)");
    return result;
  }
  if (h.typeCode != drive.typeCode) {
    refuseType();
    return result;
  }
  if (queued != 0 &&
      platform::ShowMessage(u"기존 목록에 추가합니다.\r\n\n취소를 누르면 기존 목록을 비웁니다.",
                            platform::MsgButtons::OkCancel,
                            platform::MsgIcon::Question) != platform::MsgAnswer::Ok)
    result.clearQueue = true;
  result.accepted = true;
  for (QueueItem& item : db.items) {
    if (AcceptImportedItem(&item))
      result.items.push_back(std::move(item));
    else
      ++result.dropped;
  }
  const std::size_t kept = result.clearQueue ? 0 : queued;
  if (kept + result.items.size() == 0) {
    platform::ShowMessage(u"가져오기 실패\r\n\n가져온 목록이 추가되지 않았습니다.");
    ShowFatalErrorAndExit(kReportStamp, kReportPath, kCodeImport, 2, 0);
    return result;
  }
  platform::ShowMessage(u"가져오기 성공\r\n\n파일: " + fileName + u" (" + Decimal(result.items.size()) + u"/" +
                        Decimal(h.count) + u")");
  return result;
}

}  // namespace drsave
