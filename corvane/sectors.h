// Whole-sector reads of a volume or a physical disk. Nothing here writes, whatever the name says.
#pragma once

#include <cstdint>

#include "platform/volume_io.h"

struct FILESYSTEMOBJ;

class CReadWriteSectors {
 public:
  CReadWriteSectors();
  virtual ~CReadWriteSectors() = default;

  int SetTarget(void* buffer, std::int32_t ntFlag, std::uint32_t typeCode, std::uint32_t driveNumber,
                platform::Handle handle);
  // Bytes per sector of the volume (512 to 4096); 512 until the boot record says otherwise.
  void SetSectorSize(std::uint32_t bytes);
  std::uint32_t SectorSize() const { return m_dwSectorSize; }

  // 0 when exactly count sectors from first were read into the buffer, -1 otherwise.
  int ReadSectors(std::uint64_t first, std::uint32_t count);
  int ReadSectorsNt(std::uint64_t first, std::uint32_t count);
  // 0 / -1; the handle becomes the reader's target.
  int OpenPhysicalDrive(std::uint16_t diskNumber, void* buffer);

  std::int32_t m_nNtFlag;
  void* m_pBuffer;
  platform::Handle m_hHandle;
  std::uint32_t m_dwTypeCode;
  std::uint32_t m_dwDriveNumber;
  platform::Handle m_hPhysical;
  std::uint32_t m_dwSectorSize;
};

// Opens the volume of fs->driveLetter read-only: 1 when a handle was obtained, else 0.
int OpenVolumeHandle(FILESYSTEMOBJ* fs);
