// Files whose attributes do not fit one MFT record: the $ATTRIBUTE_LIST of the base record names
// the record that holds each attribute. The parser works on the list's value alone; the resolver
// reads the extension records through the $MFT and takes $STANDARD_INFORMATION, $FILE_NAME and
// every piece of the unnamed $DATA from wherever the list puts them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "corvane/ntfs_record.h"
#include "corvane/ntfs_volume.h"

// Offsets of one entry of an $ATTRIBUTE_LIST value.
namespace ntfs::alist {
inline constexpr std::size_t kType = 0x00;        // uint32 attribute type
inline constexpr std::size_t kLength = 0x04;      // uint16 entry length
inline constexpr std::size_t kNameLength = 0x06;  // uint8 characters
inline constexpr std::size_t kNameOffset = 0x07;  // uint8 from the entry's start
inline constexpr std::size_t kStartVcn = 0x08;    // int64 first VCN of the piece
inline constexpr std::size_t kReference = 0x10;   // uint64 record (48 bits) and sequence (16)
inline constexpr std::size_t kInstance = 0x18;    // uint16 attribute instance in that record
inline constexpr std::size_t kHeader = 0x1A;
}  // namespace ntfs::alist

// An attribute list is never larger than this; a longer value is damage.
inline constexpr std::size_t kMaxAttributeListBytes = 256u << 10;

struct AttributeListEntry {
  std::uint32_t type = 0;
  bool named = false;
  std::uint64_t startVcn = 0;
  std::uint64_t record = 0;     // 48-bit record number
  std::uint16_t sequence = 0;
  std::uint16_t instance = 0;
};

// Why a list was cut. The entries before the fault are kept.
enum class AttributeListFault {
  kNone,
  kEntryPastValue,    // an entry (or its name) does not fit in what is left of the value
  kNamesItself,       // the list lists an $ATTRIBUTE_LIST, or an extension record holds one
  kRecordOutOfRange,  // an entry names a record the $MFT does not hold, or too many records
  kForeignRecord,     // an extension record belongs to another file (base or sequence)
  kUnreadable,        // the list's value or an extension record cannot be read
  kMissingAttribute,  // the record an entry names does not hold that attribute
  kVcnGap,            // the pieces of the unnamed $DATA do not follow each other from VCN 0
};

// The note a damaged record carries (shown beside the entry and given by a refused save).
const char16_t* AttributeListFaultNote(AttributeListFault fault);

// Parses a list value of `length` bytes. Stops at the first entry that does not fit or is
// malformed (a length below the header, a name past the entry) and at an entry of type
// $ATTRIBUTE_LIST; returns the fault then (kNone for a whole list). A zero-filled tail ends the
// list.
AttributeListFault ParseAttributeList(const std::uint8_t* value, std::size_t length,
                                      std::vector<AttributeListEntry>* entries);

// The unnamed $DATA of a file, as one attribute or assembled from its pieces in VCN order.
struct NtfsDataStream {
  bool present = false;
  bool resident = false;
  std::vector<std::uint8_t> residentValue;
  NtfsRunList runs;            // every piece's runs, in VCN order
  std::uint64_t lastVcn = 0;   // of the last piece that follows on without a gap
  std::int64_t dataSize = 0;   // sizes, flags and compression unit of the piece at VCN 0
  std::int64_t allocatedSize = 0;
  std::uint64_t initializedSize = 0;
  std::uint16_t flags = 0;
  std::uint8_t unitShift = 0;
  std::int64_t firstCluster = 0;  // LCN of VCN 0 (0 sparse); 1 resident
};

// Builds a stream from one $DATA attribute of `length` bytes (checked by the attribute walk).
// False when its run list does not decode.
bool DataStreamOfAttribute(const std::uint8_t* attribute, std::uint32_t length, NtfsDataStream* out);

// What the list adds to a parsed base record.
struct NtfsListResolution {
  AttributeListFault fault = AttributeListFault::kNone;
  NtfsDataStream data;  // filled when the caller asks for it
};

// Resolves the attribute list of base record `r` (fixed up, parsed into *info with
// info->hasAttributeList set): replaces the name, parent, times, file attributes and the $DATA
// fields of *info with what the list's records hold, and fills out->data when wantData. Each
// extension record is read through the $MFT and used only when its base reference names r with
// the base's sequence number and it is in use, or, for a record not in use, when it is itself
// free and names r. A fault cuts the list where it lies: what was taken before it stays, and the
// fault is returned.
AttributeListFault ResolveAttributeList(const NTFSVOLUMERECORD* state, std::uint64_t r,
                                        const std::uint8_t* record, std::size_t size,
                                        NtfsFileInfo* info, NtfsListResolution* out,
                                        bool wantData);
