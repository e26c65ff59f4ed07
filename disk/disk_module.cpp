// The disk module: the logical drives with their kind, file system and serial, and their space.
#include <cstdio>
#include <strings.h>

#include "disk/disk_exports.h"
#include "disk/drive_info.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "platform/volume_space.h"
#include "ver/version_forwarder.h"

namespace {

ModuleVersion g_version("disk.dll");

class CdiskApp {
 public:
  CdiskApp() { InitInstance(); }
  int InitInstance() {
    g_version.StartWithAgentOnly(1);
    return 1;
  }
} theApp;

std::uint8_t FileSystemCode(const std::string& name) {
  static const struct {
    const char* name;
    std::uint8_t code;
  } kCodes[] = {{"FAT32", 3}, {"FAT", 2}, {"exFAT", 6}, {"NTFS", 4}, {"CDFS", 7}, {"UDF", 16}};
  for (const auto& c : kCodes)
    if (strcasecmp(name.c_str(), c.name) == 0) return c.code;
  return 255;
}

}  // namespace

extern "C" {

void read_logical_volume(std::vector<LOGICALDRIVEENTRY>* drives) {
  if (!drives) return;
  CDriveInfo info;
  info.EnumDrives();
  for (const std::u16string& root : info.roots()) {
    LOGICALDRIVEENTRY e;
    e.letter = root[0];
    switch (info.GetDriveType(root)) {
      case kDriveNoRoot: e.kindText = u"No mount"; e.kindCode = 1; break;
      case kDriveRemovable:
        // A floppy by what the medium is, wherever it stands in the list.
        if (info.IsFloppy(root)) {
          e.kindText = u"FDD"; e.kindCode = 2;
        } else {
          e.kindText = u"DISK"; e.kindCode = 3;
        }
        break;
      case kDriveFixed: e.kindText = u"HDD"; e.kindCode = 3; break;
      case kDriveRemote: e.kindText = u"NETWORK"; e.kindCode = 4; break;
      case kDriveCdRom: e.kindText = u"CD/DVD"; e.kindCode = 5; break;
      case kDriveRamDisk: e.kindText = u"RAM"; e.kindCode = 6; break;
      default: e.kindText = u"Unknown"; e.kindCode = 0; break;
    }
    auto probe = platform::ProbeDrive(static_cast<char>(e.letter));
    if (probe) {
      e.fileSystemCode = FileSystemCode(probe->fileSystem);
      e.fileSystemName = platform::FromUtf8(probe->fileSystem);
      e.volumeName = platform::FromUtf8(probe->label);
      char serial[16];
      std::snprintf(serial, sizeof serial, "%4.4X-%4.4X", (probe->serial >> 16) & 0xFFFFu,
                    probe->serial & 0xFFFFu);
      e.serial = platform::FromUtf8(serial);
    } else {
      e.fileSystemCode = 255;
    }
    drives->push_back(std::move(e));
  }
}

int get_drive_free_space(char16_t letter, std::uint64_t* total, std::uint64_t* used, std::uint64_t* free) {
  if (letter >= u'a' && letter <= u'z') letter = static_cast<char16_t>(letter - u'a' + u'A');
  if (letter < u'A' || letter > u'Z') return 0;
  std::uint64_t t = 0, f = 0;
  if (!platform::VolumeSpace(static_cast<char>(letter), &t, &f)) return 0;
  if (total) *total = t;
  if (free) *free = f;
  if (used) *used = t >= f ? t - f : 0;
  return 1;
}

std::int64_t read_runtime_module_version_disk(int a) { return g_version.Forward(a); }

}
