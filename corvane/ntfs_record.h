// NTFS record access: MFT records and their fix-up, attributes, data runs, and the reads that
// follow them. The parsers work on byte spans and refuse what does not fit; the readers go
// through the NTFS state's volume handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvane/ntfs_volume.h"
#include "platform/endian.h"

namespace ntfs {

inline constexpr std::uint32_t kRecordSignature = 0x454C4946;  // "FILE"
inline constexpr std::uint32_t kAttrStandardInformation = 0x10;
inline constexpr std::uint32_t kAttrAttributeList = 0x20;
inline constexpr std::uint32_t kAttrFileName = 0x30;
inline constexpr std::uint32_t kAttrVolumeInformation = 0x70;
inline constexpr std::uint32_t kAttrData = 0x80;
inline constexpr std::uint32_t kAttrBitmap = 0xB0;
inline constexpr std::uint32_t kAttrEnd = 0xFFFFFFFF;

inline constexpr std::uint16_t kRecordInUse = 0x0001;
inline constexpr std::uint16_t kRecordDirectory = 0x0002;

// Flags of an attribute header (offset 0x0C).
inline constexpr std::uint16_t kAttrFlagCompressionMask = 0x00FF;
inline constexpr std::uint16_t kAttrFlagEncrypted = 0x4000;
inline constexpr std::uint16_t kAttrFlagSparse = 0x8000;

// $FILE_NAME namespaces.
inline constexpr std::uint8_t kNamePosix = 0;
inline constexpr std::uint8_t kNameWin32 = 1;
inline constexpr std::uint8_t kNameDos = 2;
inline constexpr std::uint8_t kNameWin32AndDos = 3;

// The fix-up stride: one update-sequence word per 512 bytes, whatever the sector size.
inline constexpr std::size_t kFixupStride = 512;

// MFT record header offsets.
namespace rec {
inline constexpr std::size_t kSignature = 0x00;
inline constexpr std::size_t kUsaOffset = 0x04;
inline constexpr std::size_t kUsaCount = 0x06;
inline constexpr std::size_t kFirstAttribute = 0x14;
inline constexpr std::size_t kFlags = 0x16;
inline constexpr std::size_t kBytesUsed = 0x18;
inline constexpr std::size_t kBytesAllocated = 0x1C;
inline constexpr std::size_t kBaseRecord = 0x20;
inline constexpr std::size_t kRecordNumber = 0x2C;  // NTFS 3.1 records
inline constexpr std::size_t kHeaderBytes = 0x30;
}  // namespace rec

// Attribute header offsets.
namespace attr {
inline constexpr std::size_t kType = 0x00;
inline constexpr std::size_t kLength = 0x04;
inline constexpr std::size_t kNonResident = 0x08;
inline constexpr std::size_t kNameLength = 0x09;
inline constexpr std::size_t kNameOffset = 0x0A;
inline constexpr std::size_t kFlags = 0x0C;
inline constexpr std::size_t kValueLength = 0x10;   // resident
inline constexpr std::size_t kValueOffset = 0x14;   // resident
inline constexpr std::size_t kResidentHeader = 0x18;
inline constexpr std::size_t kStartVcn = 0x10;      // non-resident
inline constexpr std::size_t kLastVcn = 0x18;
inline constexpr std::size_t kRunOffset = 0x20;
inline constexpr std::size_t kCompressionUnit = 0x22;
inline constexpr std::size_t kAllocatedSize = 0x28;
inline constexpr std::size_t kDataSize = 0x30;
inline constexpr std::size_t kInitializedSize = 0x38;
inline constexpr std::size_t kNonResidentHeader = 0x40;
}  // namespace attr

// $FILE_NAME value offsets.
namespace fname {
inline constexpr std::size_t kParent = 0x00;
inline constexpr std::size_t kCreation = 0x08;
inline constexpr std::size_t kModification = 0x10;
inline constexpr std::size_t kAccess = 0x20;
inline constexpr std::size_t kNameLength = 0x40;
inline constexpr std::size_t kNamespace = 0x41;
inline constexpr std::size_t kName = 0x42;
}  // namespace fname

inline constexpr std::uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFull;

}  // namespace ntfs

// ---- Parsers over byte spans ---------------------------------------------------------------

// Verifies and applies the update sequence of a record (or index block) of `size` bytes: the
// array lies inside the first 512 bytes, its count is size / 512 + 1, and every 512-byte block
// ends in the sequence number. False (buffer untouched) when any of that fails.
bool ApplyUpdateSequence(std::uint8_t* record, std::size_t size);

// True when the record starts with "FILE" and its header (first attribute, bytes used) fits.
bool CheckRecordHeader(const std::uint8_t* record, std::size_t size);

// The bytes of the record that hold attributes: bytes used, bounded by the record size.
std::size_t RecordUsedBytes(const std::uint8_t* record, std::size_t size);

// Calls visit(attribute, length) for every well-formed attribute in order until it returns
// false or the list ends. A malformed attribute (length 0 or past the used bytes, a header or
// name or value that does not fit) ends the walk; the result is false then.
template <typename Visit>
bool ForEachAttribute(const std::uint8_t* record, std::size_t size, Visit visit);

// Checks one attribute header of `length` bytes: the resident value or the run list and the
// name lie inside it.
bool CheckAttribute(const std::uint8_t* attribute, std::size_t length);

// The first unnamed attribute of the type, or null. *length receives its length.
const std::uint8_t* FindAttribute(const std::uint8_t* record, std::size_t size, std::uint32_t type,
                                  std::uint32_t* length = nullptr);

inline bool AttributeIsResident(const std::uint8_t* attribute) { return attribute[8] == 0; }
std::uint32_t AttributeLength(const std::uint8_t* attribute);
// The resident value of a checked attribute.
const std::uint8_t* ResidentValue(const std::uint8_t* attribute, std::uint32_t* length);

// One decoded run header: L length bytes, F offset bytes.
struct DataRunHeader {
  std::uint64_t length;  // clusters
  std::int64_t offset;   // signed LCN delta; 0 when sparse
  bool sparse;           // F = 0
  std::size_t bytes;     // 1 + L + F
};
// Decodes the run at run[0, available). False for the end marker, a nibble above 8, a length of
// 0 or a run that does not fit.
bool DecodeDataRun(const std::uint8_t* run, std::size_t available, DataRunHeader* out);

// Decodes every run of a non-resident attribute of `length` bytes, from its start VCN. False
// when the run list leaves the attribute, a run is malformed, an LCN falls below 0 or the VCNs
// overflow.
bool DecodeRunList(const std::uint8_t* attribute, std::size_t length, NtfsRunList* runs);

// Looks the VCN up in the runs: *lcn (0 when sparse), *left (clusters from the VCN to the end of
// its run), *sparse. False when no run holds it.
bool MapVcn(const NtfsRunList& runs, std::uint64_t vcn, std::uint64_t* lcn, std::uint64_t* left,
            bool* sparse = nullptr);

// The same for the run list of one attribute, within its start and last VCN.
int MapVcnToLcn(const std::uint8_t* attribute, std::uint64_t vcn, std::uint64_t* lcn,
                std::uint64_t* left);

std::int64_t GetAttributeDataSize(const std::uint8_t* attribute);
std::int64_t GetAttributeAllocatedSize(const std::uint8_t* attribute);
// LCN of VCN 0 (0 when sparse or not held); 1 for a resident attribute.
std::int64_t GetAttributeFirstCluster(const std::uint8_t* attribute);

// What the search and the save take from one file record.
struct NtfsFileInfo {
  std::uint16_t flags = 0;
  bool inUse = false;
  bool directory = false;
  std::uint64_t baseRecord = 0;       // 0 for a base record

  bool hasName = false;
  std::u16string name;                // at most kNtfsNameMaxChars characters
  std::uint8_t nameSpace = 0;
  std::uint64_t parent = 0;           // 48-bit record number
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint64_t accessTime = 0;

  bool hasStandardInformation = false;
  std::uint32_t fileAttributes = 0;

  bool hasData = false;               // unnamed $DATA in this record
  bool dataResident = false;
  std::int64_t firstCluster = 0;
  std::int64_t lastVcn = 0;
  std::int64_t dataSize = 0;
  std::int64_t allocatedSize = 0;
  std::uint16_t dataFlags = 0;

  bool hasAttributeList = false;      // more attributes live where its $ATTRIBUTE_LIST says
};

// The name of one $FILE_NAME value of `valueLength` bytes, cut to kNtfsNameMaxChars; false when
// the value does not hold the whole name or the name is empty.
bool FileNameOfValue(const std::uint8_t* value, std::uint32_t valueLength, std::u16string* name);

// Reads a fixed-up record. False when it is not a usable file record ("FILE" and a sound
// header); a malformed attribute ends the attribute walk, and what was read before it stays.
bool ParseFileRecord(const std::uint8_t* record, std::size_t size, NtfsFileInfo* info);

// The name of the $FILE_NAME value used for the entry: the first that is not the DOS 8.3 alias,
// else the DOS one. False when the record has none that fits.
bool SelectFileName(const std::uint8_t* record, std::size_t size, std::u16string* name,
                    std::uint8_t* nameSpace, const std::uint8_t** value);

// ---- Readers -------------------------------------------------------------------------------

bool ReadVolumeSectors(const NTFSVOLUMERECORD* state, std::uint64_t firstSector,
                       std::uint32_t count, void* buffer);
bool ReadClusters(const NTFSVOLUMERECORD* state, std::uint64_t firstLcn, std::uint32_t count,
                  void* buffer);
// Reads `count` clusters from firstVcn along the runs; sparse clusters read as zeros. False on a
// VCN that no run holds or a failed read.
bool ReadRunClusters(const NTFSVOLUMERECORD* state, const NtfsRunList& runs,
                     std::uint64_t firstVcn, std::uint64_t count, std::uint8_t* buffer);
bool ReadAttributeClusters(const NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                           std::uint64_t firstVcn, std::uint64_t count, std::uint8_t* buffer);
// The whole value (data-size bytes) of a resident or non-resident attribute; false when it is
// larger than maxBytes or cannot be read.
bool ReadAttributeValue(const NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::vector<std::uint8_t>* value, std::uint64_t maxBytes);

// Sets the geometry fields, the record size and record 0 from the boot-sector copy, and the
// $MFT's run list (following an $ATTRIBUTE_LIST to its other extents). False when the boot values
// are unusable or record 0 cannot be read.
bool AllocMftRecordBuffer(NTFSVOLUMERECORD* state);

// Number of records the $MFT's data holds: its data size, bounded by the clusters its runs map
// and by the volume's length; worked out by AllocMftRecordBuffer when it reads the runs.
std::uint64_t MftRecordCount(const NTFSVOLUMERECORD* state);

// Reads `length` bytes of the $MFT's data at byte offset `offset`, along its runs, one read per
// contiguous piece. False when any byte is not mapped or a read fails.
bool ReadMftBytes(const NTFSVOLUMERECORD* state, std::uint64_t offset, std::size_t length,
                  std::uint8_t* buffer);
bool ReadMftDataClusters(const NTFSVOLUMERECORD* state, std::uint64_t firstVcn,
                         std::uint64_t count, std::uint8_t* buffer);

// Reads record r into a record-size buffer and applies its fix-up. On any failure the buffer is
// zero-filled (so it carries no "FILE" signature) and the result is false.
bool ReadMftRecord(const NTFSVOLUMERECORD* state, std::uint64_t r, std::uint8_t* buffer);

// Opens the drive's volume for the record (when it holds no handle yet), reads the boot sector
// and calls AllocMftRecordBuffer. False when any step fails.
bool OpenNtfsState(NTFSVOLUMERECORD* state, char driveLetter);

// ---- Template body ---------------------------------------------------------------------------

template <typename Visit>
bool ForEachAttribute(const std::uint8_t* record, std::size_t size, Visit visit) {
  if (!CheckRecordHeader(record, size)) return false;
  const std::size_t used = RecordUsedBytes(record, size);
  std::size_t offset = platform::Le16(record + ntfs::rec::kFirstAttribute);
  while (true) {
    if (4 > used - offset) return false;  // no room even for the end marker
    const std::uint32_t type = platform::Le32(record + offset);
    if (type == ntfs::kAttrEnd) return true;
    if (type == 0) return false;
    if (ntfs::attr::kResidentHeader > used - offset) return false;
    const std::uint32_t length = AttributeLength(record + offset);
    if (length < ntfs::attr::kResidentHeader || length > used - offset || (length & 7) != 0)
      return false;
    if (!CheckAttribute(record + offset, length)) return false;
    if (!visit(record + offset, length)) return true;
    offset += length;
  }
}
