// The roots of the logical drives ("C:\" form) and their kind and volume name.
#pragma once

#include <string>
#include <vector>

// Platform drive types.
enum : int {
  kDriveUnknown = 0,
  kDriveNoRoot = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

class CDriveInfo {
 public:
  CDriveInfo() = default;
  virtual ~CDriveInfo() = default;

  // Fills the roots from the drive map, in letter order; the count.
  int EnumDrives();
  int GetDriveType(const std::u16string& root) const;
  // The volume name of the root; empty when it cannot be read.
  std::u16string GetVolumeLabel(const std::u16string& root) const;
  // True when the root's drive is a floppy: a removable medium of floppy size.
  bool IsFloppy(const std::u16string& root) const;

  const std::vector<std::u16string>& roots() const { return roots_; }
  int count() const { return count_; }

 private:
  std::vector<std::u16string> roots_;
  int count_ = 0;
};
