#include "corvane/ntfs_attrlist.h"

#include <algorithm>
#include <memory>

#include "platform/endian.h"

using platform::Le16;
using platform::Le32;
using platform::Le64;

namespace {

// Distinct extension records one list may name: a list of the largest size holds at most
// 256 KiB / 0x20 entries, and a file never needs more records than that.
constexpr std::size_t kMaxExtensionRecords = kMaxAttributeListBytes / 0x20;

bool AllZero(const std::uint8_t* p, std::size_t n) {
  return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

// One $FILE_NAME the list names, copied out of its record.
struct NameChoice {
  bool found = false;
  std::u16string name;
  std::uint8_t nameSpace = 0;
  std::uint64_t parent = 0;
  std::uint64_t creation = 0, modification = 0, access = 0;
};

bool TakeName(const std::uint8_t* value, std::uint32_t length, NameChoice* out) {
  std::u16string name;
  if (!FileNameOfValue(value, length, &name)) return false;
  out->found = true;
  out->name = std::move(name);
  out->nameSpace = value[ntfs::fname::kNamespace];
  out->parent = Le64(value + ntfs::fname::kParent) & ntfs::kRecordNumberMask;
  out->creation = Le64(value + ntfs::fname::kCreation);
  out->modification = Le64(value + ntfs::fname::kModification);
  out->access = Le64(value + ntfs::fname::kAccess);
  return true;
}

// The records a resolution has read, the base first; each kept whole while the resolution runs.
class RecordSet {
 public:
  RecordSet(const NTFSVOLUMERECORD* state, std::uint64_t base, const std::uint8_t* record,
            std::size_t size)
      : state_(state), base_(base), record_(record), size_(size) {
    baseSequence_ = Le16(record + 0x10);
    baseInUse_ = (Le16(record + ntfs::rec::kFlags) & ntfs::kRecordInUse) != 0;
  }

  // The record an entry names, checked that it belongs to this file; null with *fault when not.
  const std::uint8_t* Get(const AttributeListEntry& e, AttributeListFault* fault) {
    if (e.record == base_) return record_;
    for (const auto& [number, bytes] : read_)
      if (number == e.record) return bytes.get();
    if (e.record >= MftRecordCount(state_) || read_.size() >= kMaxExtensionRecords) {
      *fault = AttributeListFault::kRecordOutOfRange;
      return nullptr;
    }
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size_]);
    if (!ReadMftRecord(state_, e.record, bytes.get()) || !CheckRecordHeader(bytes.get(), size_)) {
      *fault = AttributeListFault::kUnreadable;
      return nullptr;
    }
    const std::uint8_t* x = bytes.get();
    const std::uint64_t ref = Le64(x + ntfs::rec::kBaseRecord);
    const bool inUse = (Le16(x + ntfs::rec::kFlags) & ntfs::kRecordInUse) != 0;
    bool ours = (ref & ntfs::kRecordNumberMask) == base_;
    if (baseInUse_) {
      // A live file's extension is in use, names the base with its present sequence number, and
      // is the one the list's reference means.
      ours = ours && inUse && (ref >> 48) == baseSequence_ && Le16(x + 0x10) == e.sequence;
    } else {
      // Freeing a file bumps the sequence numbers; its extensions are free as well.
      ours = ours && !inUse;
    }
    if (!ours) {
      *fault = AttributeListFault::kForeignRecord;
      return nullptr;
    }
    if (FindAttribute(x, size_, ntfs::kAttrAttributeList)) {
      *fault = AttributeListFault::kNamesItself;
      return nullptr;
    }
    read_.emplace_back(e.record, std::move(bytes));
    return read_.back().second.get();
  }

  std::size_t size() const { return size_; }

 private:
  const NTFSVOLUMERECORD* state_;
  std::uint64_t base_;
  const std::uint8_t* record_;
  std::size_t size_;
  std::uint16_t baseSequence_ = 0;
  bool baseInUse_ = false;
  std::vector<std::pair<std::uint64_t, std::unique_ptr<std::uint8_t[]>>> read_;
};

// The unnamed attribute an entry means in its record: type, instance and (for a non-resident
// piece) first VCN agree.
const std::uint8_t* FindListed(const std::uint8_t* record, std::size_t size,
                               const AttributeListEntry& e, std::uint32_t* length) {
  const std::uint8_t* found = nullptr;
  ForEachAttribute(record, size, [&](const std::uint8_t* a, std::uint32_t len) {
    if (Le32(a) != e.type || a[ntfs::attr::kNameLength] != 0 || Le16(a + 0x0E) != e.instance)
      return true;
    if (!AttributeIsResident(a) ? Le64(a + ntfs::attr::kStartVcn) != e.startVcn : e.startVcn != 0)
      return true;
    found = a;
    *length = len;
    return false;
  });
  return found;
}

}  // namespace

const char16_t* AttributeListFaultNote(AttributeListFault fault) {
  switch (fault) {
    case AttributeListFault::kNone: return u"";
    case AttributeListFault::kEntryPastValue:
      return u"손상된 파일: 속성 목록의 항목이 목록의 크기를 넘습니다.";
    case AttributeListFault::kNamesItself:
      return u"손상된 파일: 속성 목록이 자기 자신을 가리킵니다.";
    case AttributeListFault::kRecordOutOfRange:
      return u"손상된 파일: 속성 목록이 볼륨에 없는 레코드를 가리킵니다.";
    case AttributeListFault::kForeignRecord:
      return u"손상된 파일: 확장 레코드가 이 파일의 것이 아닙니다.";
    case AttributeListFault::kUnreadable:
      return u"손상된 파일: 속성 목록이나 확장 레코드를 읽을 수 없습니다.";
    case AttributeListFault::kMissingAttribute:
      return u"손상된 파일: 속성 목록이 가리키는 속성이 레코드에 없습니다.";
    case AttributeListFault::kVcnGap:
      return u"손상된 파일: 데이터 조각의 VCN이 이어지지 않습니다.";
  }
  return u"";
}

AttributeListFault ParseAttributeList(const std::uint8_t* value, std::size_t length,
                                      std::vector<AttributeListEntry>* entries) {
  entries->clear();
  for (std::size_t pos = 0; pos < length;) {
    const std::uint8_t* e = value + pos;
    const std::size_t left = length - pos;
    if (AllZero(e, std::min<std::size_t>(left, ntfs::alist::kHeader))) return AttributeListFault::kNone;
    if (ntfs::alist::kHeader > left) return AttributeListFault::kEntryPastValue;
    const std::size_t entryLength = Le16(e + ntfs::alist::kLength);
    if (entryLength < ntfs::alist::kHeader || entryLength > left)
      return AttributeListFault::kEntryPastValue;
    const std::size_t nameChars = e[ntfs::alist::kNameLength];
    const std::size_t nameOffset = e[ntfs::alist::kNameOffset];
    if (nameChars != 0 && (nameOffset > entryLength || nameChars * 2 > entryLength - nameOffset))
      return AttributeListFault::kEntryPastValue;
    AttributeListEntry entry;
    entry.type = Le32(e + ntfs::alist::kType);
    if (entry.type == ntfs::kAttrAttributeList) return AttributeListFault::kNamesItself;
    entry.named = nameChars != 0;
    entry.startVcn = Le64(e + ntfs::alist::kStartVcn);
    const std::uint64_t ref = Le64(e + ntfs::alist::kReference);
    entry.record = ref & ntfs::kRecordNumberMask;
    entry.sequence = static_cast<std::uint16_t>(ref >> 48);
    entry.instance = Le16(e + ntfs::alist::kInstance);
    entries->push_back(entry);
    pos += entryLength;
  }
  return AttributeListFault::kNone;
}

bool DataStreamOfAttribute(const std::uint8_t* a, std::uint32_t length, NtfsDataStream* out) {
  *out = NtfsDataStream{};
  out->present = true;
  out->flags = Le16(a + ntfs::attr::kFlags);
  out->dataSize = GetAttributeDataSize(a);
  out->allocatedSize = GetAttributeAllocatedSize(a);
  if (AttributeIsResident(a)) {
    out->resident = true;
    std::uint32_t valueLength = 0;
    const std::uint8_t* v = ResidentValue(a, &valueLength);
    out->residentValue.assign(v, v + valueLength);
    out->initializedSize = valueLength;
    out->firstCluster = 1;
    return true;
  }
  out->initializedSize = Le64(a + ntfs::attr::kInitializedSize);
  out->unitShift = a[ntfs::attr::kCompressionUnit];
  out->lastVcn = Le64(a + ntfs::attr::kLastVcn);
  if (!DecodeRunList(a, length, &out->runs)) return false;
  std::uint64_t lcn = 0, left = 0;
  out->firstCluster = MapVcn(out->runs, 0, &lcn, &left) ? static_cast<std::int64_t>(lcn) : 0;
  return true;
}

AttributeListFault ResolveAttributeList(const NTFSVOLUMERECORD* state, std::uint64_t r,
                                        const std::uint8_t* record, std::size_t size,
                                        NtfsFileInfo* info, NtfsListResolution* out,
                                        bool wantData) {
  std::uint32_t listLength = 0;
  const std::uint8_t* listAttr = FindAttribute(record, size, ntfs::kAttrAttributeList, &listLength);
  if (!listAttr) return AttributeListFault::kNone;
  std::vector<std::uint8_t> value;
  if (!ReadAttributeValue(state, listAttr, &value, kMaxAttributeListBytes))
    return AttributeListFault::kUnreadable;
  std::vector<AttributeListEntry> entries;
  AttributeListFault fault = ParseAttributeList(value.data(), value.size(), &entries);

  RecordSet records(state, r, record, size);
  NameChoice longName, dosName;
  bool haveStandardInformation = false;
  std::uint32_t fileAttributes = 0;
  // The pieces of the unnamed $DATA, copied out of their records.
  std::vector<std::vector<std::uint8_t>> pieces;
  for (const AttributeListEntry& e : entries) {
    if (e.named) continue;
    const bool wanted = (e.type == ntfs::kAttrStandardInformation && !haveStandardInformation) ||
                        (e.type == ntfs::kAttrFileName && !longName.found) ||
                        e.type == ntfs::kAttrData;
    if (!wanted) continue;
    AttributeListFault recordFault = AttributeListFault::kNone;
    const std::uint8_t* holder = records.Get(e, &recordFault);
    if (!holder) {
      fault = recordFault;
      break;
    }
    std::uint32_t length = 0;
    const std::uint8_t* a = FindListed(holder, size, e, &length);
    if (!a) {
      fault = AttributeListFault::kMissingAttribute;
      break;
    }
    if (e.type == ntfs::kAttrData) {
      pieces.emplace_back(a, a + length);
      continue;
    }
    if (!AttributeIsResident(a)) continue;  // both live in their record's bytes
    std::uint32_t valueLength = 0;
    const std::uint8_t* v = ResidentValue(a, &valueLength);
    if (e.type == ntfs::kAttrStandardInformation) {
      if (valueLength >= 0x24) {
        haveStandardInformation = true;
        fileAttributes = Le32(v + 0x20);
      }
    } else if (valueLength > ntfs::fname::kNamespace) {
      const std::uint8_t ns = v[ntfs::fname::kNamespace];
      if (ns == ntfs::kNameDos) {
        if (!dosName.found) TakeName(v, valueLength, &dosName);
      } else if (ns <= ntfs::kNameWin32AndDos) {
        TakeName(v, valueLength, &longName);
      }
    }
  }

  const NameChoice& name = longName.found ? longName : dosName;
  if (name.found) {
    info->hasName = true;
    info->name = name.name;
    info->nameSpace = name.nameSpace;
    info->parent = name.parent;
    info->creationTime = name.creation;
    info->modificationTime = name.modification;
    info->accessTime = name.access;
  }
  if (haveStandardInformation) {
    info->hasStandardInformation = true;
    info->fileAttributes = fileAttributes;
  }

  if (!pieces.empty()) {
    std::stable_sort(pieces.begin(), pieces.end(), [](const auto& x, const auto& y) {
      const auto vcn = [](const std::vector<std::uint8_t>& p) {
        return AttributeIsResident(p.data()) ? 0 : Le64(p.data() + ntfs::attr::kStartVcn);
      };
      return vcn(x) < vcn(y);
    });
    NtfsDataStream stream;
    const std::vector<std::uint8_t>& first = pieces.front();
    bool sound = DataStreamOfAttribute(first.data(), static_cast<std::uint32_t>(first.size()), &stream);
    if (!sound) {
      fault = AttributeListFault::kUnreadable;
    } else if (stream.resident ? pieces.size() != 1
                               : Le64(first.data() + ntfs::attr::kStartVcn) != 0) {
      fault = AttributeListFault::kVcnGap;
    } else {
      for (std::size_t i = 1; i < pieces.size(); ++i) {
        const std::uint8_t* a = pieces[i].data();
        NtfsRunList more;
        if (AttributeIsResident(a) ||
            !DecodeRunList(a, static_cast<std::uint32_t>(pieces[i].size()), &more)) {
          fault = AttributeListFault::kUnreadable;
          break;
        }
        if (Le64(a + ntfs::attr::kStartVcn) != stream.lastVcn + 1) {
          fault = AttributeListFault::kVcnGap;
          break;
        }
        stream.runs.insert(stream.runs.end(), more.begin(), more.end());
        stream.lastVcn = Le64(a + ntfs::attr::kLastVcn);
      }
    }
    info->hasData = true;
    info->dataResident = stream.resident;
    info->dataFlags = stream.flags;
    info->firstCluster = stream.firstCluster;
    info->lastVcn = stream.resident ? 0 : static_cast<std::int64_t>(stream.lastVcn);
    info->dataSize = stream.dataSize;
    info->allocatedSize = stream.allocatedSize;
    if (out && wantData) out->data = std::move(stream);
  } else if (out && wantData) {
    out->data = NtfsDataStream{};
  }
  if (out) out->fault = fault;
  return fault;
}
