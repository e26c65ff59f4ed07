#include "disk/drive_info.h"

#include <cstdint>

#include "platform/drive_map.h"
#include "platform/fs_probe.h"
#include "platform/message.h"
#include "platform/volume_io.h"

namespace {

// The largest floppy medium (2.88 MB); a larger removable medium is a disk.
constexpr std::uint64_t kMaxFloppyBytes = 2949120;

char LetterOf(const std::u16string& root) {
  if (root.empty()) return 0;
  char16_t c = root[0];
  if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return (c >= u'A' && c <= u'Z') ? static_cast<char>(c) : 0;
}

}  // namespace

int CDriveInfo::EnumDrives() {
  roots_.clear();
  count_ = 0;
  platform::DriveMap::Instance().EnsureConfigured();
  for (const platform::DriveEntry& d : platform::DriveMap::Instance().Drives()) {
    if (d.letter < 'A' || d.letter > 'Z') continue;
    std::u16string root = {static_cast<char16_t>(d.letter), u':', u'\\'};
    int type = GetDriveType(root);
    if (type >= 0 && type <= 6) roots_.push_back(root);
  }
  count_ = static_cast<int>(roots_.size());
  return count_;
}

int CDriveInfo::GetDriveType(const std::u16string& root) const {
  char letter = LetterOf(root);
  if (!letter) return kDriveNoRoot;
  auto d = platform::DriveMap::Instance().Find(letter);
  if (!d) return kDriveNoRoot;
  return d->removable ? kDriveRemovable : kDriveFixed;
}

std::u16string CDriveInfo::GetVolumeLabel(const std::u16string& root) const {
  char letter = LetterOf(root);
  if (!letter) return {};
  auto probe = platform::ProbeDrive(letter);
  return probe ? platform::FromUtf8(probe->label) : std::u16string();
}

bool CDriveInfo::IsFloppy(const std::u16string& root) const {
  char letter = LetterOf(root);
  auto d = letter ? platform::DriveMap::Instance().Find(letter) : std::nullopt;
  if (!d || !d->removable) return false;
  std::uint64_t bytes = d->length ? d->length : platform::PathLength(d->path);
  return bytes != 0 && bytes <= kMaxFloppyBytes;
}
