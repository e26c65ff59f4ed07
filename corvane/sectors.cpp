#include "corvane/sectors.h"

#include <cerrno>

#include "corvane/bootarea.h"
#include "corvane/filesystem.h"
#include "win/winversion.h"
#include "platform/message.h"

CReadWriteSectors::CReadWriteSectors()
    : m_nNtFlag(0),
      m_pBuffer(nullptr),
      m_hHandle(platform::kInvalidHandle),
      m_dwTypeCode(kFsUnknown),
      m_dwDriveNumber(0),
      m_hPhysical(platform::kInvalidHandle),
      m_dwSectorSize(512) {}

int CReadWriteSectors::SetTarget(void* buffer, std::int32_t ntFlag, std::uint32_t typeCode,
                                 std::uint32_t driveNumber, platform::Handle handle) {
  m_pBuffer = buffer;
  m_nNtFlag = ntFlag;
  m_dwTypeCode = typeCode;
  m_dwDriveNumber = driveNumber;
  m_hHandle = handle;
  return 1;
}

void CReadWriteSectors::SetSectorSize(std::uint32_t bytes) {
  if (bytes >= 512 && bytes <= 4096 && (bytes & (bytes - 1)) == 0) m_dwSectorSize = bytes;
}

int CReadWriteSectors::ReadSectors(std::uint64_t first, std::uint32_t count) {
  // Only the NT-family path exists in this build; the Windows 9x device path is left out.
  return ReadSectorsNt(first, count);
}

int CReadWriteSectors::ReadSectorsNt(std::uint64_t first, std::uint32_t count) {
  if (m_pBuffer == nullptr) return -1;
  if (first > UINT64_MAX / m_dwSectorSize) return -1;
  std::uint64_t offset = first * m_dwSectorSize;
  std::uint64_t bytes = std::uint64_t{count} * m_dwSectorSize;
  if (bytes > SIZE_MAX) return -1;
  return platform::ReadAt(m_hHandle, offset, m_pBuffer, static_cast<std::size_t>(bytes)) ? 0 : -1;
}

int CReadWriteSectors::OpenPhysicalDrive(std::uint16_t diskNumber, void* buffer) {
  m_hPhysical = platform::kInvalidHandle;
  int error = 0;
  platform::Handle h = platform::OpenPhysicalDisk(diskNumber, &error);
  if (h == platform::kInvalidHandle) {
    if (error == EACCES || error == EPERM)
      platform::ShowMessage(u"접근불가. 관리자 권한이 있는지 확인하십시오.");
    return -1;
  }
  m_hPhysical = h;
  m_hHandle = h;
  m_pBuffer = buffer;
  m_nNtFlag = 1;
  m_dwTypeCode = 0;
  m_dwDriveNumber = 0;
  m_dwSectorSize = 512;
  return 0;
}

int OpenVolumeHandle(FILESYSTEMOBJ* fs) {
  char letter = fs->driveLetter;
  if (letter < 'A' || letter > 'Z') return 0;
  char root[] = {letter, ':', '\\', 0};
  GetVolumeFileSystemName(root, &fs->typeCode);
  fs->driveNumber = static_cast<std::uint32_t>(letter - 64);
  if (fs->volumeHandle != platform::kInvalidHandle) {
    platform::CloseHandle(fs->volumeHandle);
    fs->volumeHandle = platform::kInvalidHandle;
  }
  fs->ntFlag = CWinVersionCheck().GetPlatformId() == 2 ? 1 : 0;
  fs->volumeHandle = platform::OpenVolume(letter);
  if (fs->volumeHandle == platform::kInvalidHandle) return 0;
  fs->volumeBytes = platform::HandleLength(fs->volumeHandle);
  return 1;
}
