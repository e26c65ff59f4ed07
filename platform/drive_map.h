// Assigns drive letters to volumes and numbers to physical disks.
//
// Sources, in order: --drive X=PATH options, the PELLAMOR_DRIVES variable ("E=/a.img;F=/dev/sdb1"),
// then the machine's block devices on the first free letters from C (PELLAMOR_BLOCK_DEVICES=0
// leaves them out). A PATH whose first sector is a file-system boot sector is one volume; a PATH
// with a partition table gives one letter per partition, in table order, starting at X and going
// on at the next free letters. Whole-disk sources are also listed as physical disks.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct DriveEntry {
  char letter = 0;
  std::string path;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool removable = false;  // a floppy-like or removable source
  int disk = -1;                // number of the physical disk that holds the volume, -1 for none
  std::uint64_t diskOffset = 0;  // byte offset of the volume on that disk
};

struct PhysicalDisk {
  int number = 0;
  std::string path;
  std::uint64_t length = 0;
  std::string sysfsDir;  // the block device's folder under the sysfs root; empty for images
};

// Where the machine's block devices are found: their sysfs folder and their device nodes.
struct BlockDeviceRoots {
  std::string sysfs = "/sys/class/block";
  std::string dev = "/dev";
};

class DriveMap {
 public:
  static DriveMap& Instance();

  // Replaces the map: options are "X=PATH" texts; env is the PELLAMOR_DRIVES value (may be null).
  // Returns the problems found (one text each); sources that fail are left out.
  std::vector<std::string> Configure(const std::vector<std::string>& options, const char* env,
                                     bool blockDevices);
  // The same, reading the block devices from the given roots (tests pass a made-up tree).
  std::vector<std::string> Configure(const std::vector<std::string>& options, const char* env,
                                     bool blockDevices, const BlockDeviceRoots& roots);
  // Configures from the environment alone when nothing configured the map yet.
  void EnsureConfigured();

  // Adds one source; false with a reason when it cannot be used.
  bool AddSource(char letter, const std::string& path, std::string* error);

  // Attaches one more image file, read only, for the session: a volume takes the first free
  // letter from C, a partition table one letter per partition; its tables are read in sectors of
  // sectorSize bytes. A path already in the map is reused. The letters go to *letters.
  bool AttachImage(const std::string& path, unsigned sectorSize, std::vector<char>* letters,
                   std::string* error);

  std::optional<DriveEntry> Find(char letter);
  std::vector<DriveEntry> Drives();
  std::vector<PhysicalDisk> Disks();
  // The roots the block devices were read from; none when the machine's devices are left out.
  std::optional<BlockDeviceRoots> BlockDevices();
  void Clear();

  // Pulls "--drive X=PATH" and "--drive=X=PATH" out of an argument list.
  static std::vector<std::string> TakeDriveOptions(std::vector<std::string>& args);

 private:
  DriveMap() = default;
  bool AddSourceLocked(char letter, const std::string& path, std::string* error,
                       unsigned sectorSize = 512);
  void AddBlockDevicesLocked();
  char FreeLetterLocked(char from) const;
  bool LetterUsedLocked(char letter) const;

  std::recursive_mutex mutex_;
  bool configured_ = false;
  std::vector<DriveEntry> drives_;
  std::vector<PhysicalDisk> disks_;
  std::optional<BlockDeviceRoots> blockRoots_;
  std::string reserved_;  // letters named by options, kept free for them
};

}  // namespace platform
