// What each file-system type supports, one row per type. The facade routes every request
// through these rows, and the shell's menus ask them whether a command applies; a new type or a
// new capability is one row or one column here.
#pragma once

#include <cstddef>
#include <cstdint>

struct FILESYSTEMOBJ;
struct FATVOLUMERECORD;

// Ways a file of the type can be saved (bits of FsCapabilities::saveMethods).
inline constexpr unsigned kSaveByChain = 1u << 0;    // follow the allocation chain
inline constexpr unsigned kSaveLinear = 1u << 1;     // clusters upward from the first one
inline constexpr unsigned kSaveBySectors = 1u << 2;  // the given sectors
inline constexpr unsigned kSaveByRecord = 1u << 3;   // the file's own record (NTFS)

struct FsCapabilities {
  std::uint32_t typeCode;
  const char16_t* name;
  bool supported;              // the engine opens volumes of the type
  bool ntfsRecord;             // the per-type record is the NTFS record, else a FAT-family one
  FATVOLUMERECORD* FILESYSTEMOBJ::*record;  // the FAT-family record's slot; null for NTFS
  bool foldersOpen;            // folders below the root are read by their first cluster
  unsigned saveMethods;        // kSave* bits; 0 when files cannot be recovered
  bool propertyCheck;          // the FAT property check applies
  bool clusterViewer;          // the cluster viewer applies
  bool clusterReads;           // single clusters can be read and range-checked
  std::int32_t rootDirectory;  // the current directory once the root is read (FAT32: its root cluster)

  // Readers; null where the type has none.
  int (*loadTable)(FILESYSTEMOBJ* fs);
  // Reads the root's entries; may replace *directory, which starts as rootDirectory.
  int (*readRoot)(FILESYSTEMOBJ* fs, std::int32_t* directory);
  int (*readFolder)(FILESYSTEMOBJ* fs, std::uint32_t firstCluster);
  std::int64_t (*chainLength)(FILESYSTEMOBJ* fs, std::uint32_t firstCluster, std::int64_t fileSize);
  std::int64_t (*fileSize)(FILESYSTEMOBJ* fs, std::uint32_t firstCluster, std::int64_t fileSize);
};

// The row of a type code; null for codes without one (252, 255 and unused codes).
const FsCapabilities* CapabilitiesOf(std::uint32_t typeCode);
// The row of the current volume; null with no volume open.
const FsCapabilities* CurrentCapabilities();
// Whether a file of the type can be saved by any of the methods in `methods`.
inline bool CanSave(const FsCapabilities* caps, unsigned methods) {
  return caps && (caps->saveMethods & methods) != 0;
}
