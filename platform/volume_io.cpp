#include "platform/volume_io.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/disk_info.h"
#include "platform/drive_map.h"
#include "platform/fault_plan.h"

namespace platform {
namespace {

struct OpenRangeEntry {
  int fd;
  std::uint64_t offset;
  std::uint64_t length;
};

std::mutex g_mutex;
std::map<Handle, OpenRangeEntry> g_handles;
Handle g_next = 1;

std::uint64_t FdLength(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return 0;
  if (S_ISBLK(st.st_mode)) {
    std::uint64_t bytes = 0;
    if (ioctl(fd, BLKGETSIZE64, &bytes) == 0) return bytes;
    return 0;
  }
  return st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void SetError(int* error, int value) {
  if (error) *error = value;
}

}  // namespace

std::uint64_t PathLength(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  std::uint64_t len = FdLength(fd);
  close(fd);
  return len;
}

Handle OpenRange(const std::string& path, std::uint64_t offset, std::uint64_t length, int* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, errno);
    return kInvalidHandle;
  }
  std::uint64_t size = FdLength(fd);
  if (offset > size || (length != 0 && length > size - offset)) {
    close(fd);
    SetError(error, EINVAL);
    return kInvalidHandle;
  }
  if (length == 0) length = size - offset;
  std::lock_guard lock(g_mutex);
  Handle h = g_next++;
  g_handles[h] = {fd, offset, length};
  SetError(error, 0);
  return h;
}

Handle OpenVolume(char letter, int* error) {
  auto drive = DriveMap::Instance().Find(letter);
  if (!drive) {
    SetError(error, ENOENT);
    return kInvalidHandle;
  }
  return OpenRange(drive->path, drive->offset, drive->length, error);
}

Handle OpenPhysicalDisk(int number, int* error) {
  for (const auto& disk : DriveMap::Instance().Disks()) {
    if (disk.number == number) return OpenRange(disk.path, 0, 0, error);
  }
  // The attached loop devices, numbered after the map's disks as the disk list numbers them.
  if (number >= 0) {
    for (const DiskFacts& disk : ListDisks())
      if (disk.number == number) return OpenRange(disk.path, 0, 0, error);
  }
  SetError(error, ENOENT);
  return kInvalidHandle;
}

bool ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t len) {
  OpenRangeEntry e;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_handles.find(h);
    if (it == g_handles.end()) return false;
    e = it->second;
  }
  if (offset > e.length || len > e.length - offset) return false;
  if (FaultPlan::ReadFails(offset, len)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < len) {
    ssize_t n = pread(e.fd, out + done, len - done, static_cast<off_t>(e.offset + offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::uint64_t HandleLength(Handle h) {
  std::lock_guard lock(g_mutex);
  auto it = g_handles.find(h);
  return it == g_handles.end() ? 0 : it->second.length;
}

bool IsValidHandle(Handle h) {
  std::lock_guard lock(g_mutex);
  return g_handles.count(h) != 0;
}

void CloseHandle(Handle h) {
  std::lock_guard lock(g_mutex);
  auto it = g_handles.find(h);
  if (it == g_handles.end()) return;
  close(it->second.fd);
  g_handles.erase(it);
}

std::size_t OpenHandleCount() {
  std::lock_guard lock(g_mutex);
  return g_handles.size();
}

}  // namespace platform
