// NTFS state of the current volume: the NTFS per-type record of FILESYSTEMOBJ.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "corvane/filesystem.h"

// One run of a non-resident attribute: `length` clusters from `vcn`, at `lcn` unless sparse.
struct NtfsRun {
  std::uint64_t vcn;
  std::uint64_t length;
  std::uint64_t lcn;
  bool sparse;
};
using NtfsRunList = std::vector<NtfsRun>;

struct NTFSVOLUMERECORD {
  std::uint32_t firstWord;
  VOLUMEGEOMETRY geometry;
  std::int32_t volumeMajor;        // byte 8 of $VOLUME_INFORMATION of record 3
  std::int32_t volumeMinor;        // byte 9
  std::atomic<std::int32_t> saveCancel;  // non-zero stops a running save
  void* progressDialog;            // the scan dialog while it runs
  std::uint32_t recordSize;        // bytes of one MFT record
  platform::Handle volumeHandle;   // the handle the search and save read through
  std::uint8_t bootSector[512];
  std::uint8_t* record0;           // MFT record 0, fixed up
  std::int32_t ntFlag;
  std::int32_t typeCode;
  std::uint32_t driveNumber;
  platform::Handle facadeHandle;   // the handle of FILESYSTEMOBJ

  // Filled by AllocMftRecordBuffer from the boot sector and record 0.
  std::uint32_t bytesPerSector;
  std::uint32_t sectorsPerCluster;
  std::uint32_t clusterSize;
  std::uint64_t mftDataSize;       // bytes of the $MFT's unnamed $DATA
  NtfsRunList mftRuns;             // where those bytes lie, every extent of the $MFT included
  std::uint64_t mftRecordCount;    // records those runs and the volume hold, set with mftRuns
  bool ownsVolumeHandle;           // volumeHandle was opened for this record and is closed with it
};
