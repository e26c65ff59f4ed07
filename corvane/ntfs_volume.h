// NTFS state of the current volume: the NTFS per-type record of FILESYSTEMOBJ.
#pragma once

#include <atomic>
#include <cstdint>

#include "corvane/filesystem.h"

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
};
