#include "platform/disk_info.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/message.h"
#include "platform/volume_io.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kDefaultHeads = 255;
constexpr std::uint32_t kDefaultSectorsPerTrack = 63;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// A field of identify data with its 16-bit pairs swapped back, cut at the first zero byte.
std::string SwappedField(const std::uint8_t* data, std::size_t offset, std::size_t size) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    out[i] = static_cast<char>(data[offset + i + 1]);
    out[i + 1] = static_cast<char>(data[offset + i]);
  }
  std::size_t zero = out.find('\0');
  if (zero != std::string::npos) out.resize(zero);
  return out;
}

std::string ReadSysText(const fs::path& p) {
  std::ifstream in(p);
  std::string s;
  std::getline(in, s);
  return Trim(s);
}

std::uint64_t ReadSysNumber(const fs::path& p) {
  return std::strtoull(ReadSysText(p).c_str(), nullptr, 10);
}

// Maker = first word, model = the rest.
void SplitModel(const std::string& text, DiskIdentity* id) {
  std::string model = Trim(text);
  std::size_t blank = 0;
  while (blank < model.size() && !IsBlank(model[blank])) ++blank;
  id->maker = AnsiToUtf16(model.substr(0, blank));
  id->model = AnsiToUtf16(Trim(std::string_view(model).substr(blank)));
}

void SetGeometry(DiskFacts* d, std::uint32_t heads, std::uint32_t sectors) {
  if (heads == 0 || sectors == 0) {
    heads = kDefaultHeads;
    sectors = kDefaultSectorsPerTrack;
  }
  d->heads = heads;
  d->sectorsPerTrack = sectors;
  // Cylinders come from the size: the geometry call's own 16-bit count wraps on large disks.
  const std::uint64_t perCylinder = std::uint64_t{heads} * sectors * d->sectorSize;
  d->cylinders = d->bytes / perCylinder;
}

void SetDefaultIdentity(DiskFacts* d, const std::string& file) {
  d->identity = {u"기본", FromUtf8(file), {}, {}};
}

// Identity from sysfs: SCSI-style vendor/model/rev, or NVMe-style model/firmware_rev/serial.
bool SysfsIdentity(const fs::path& dir, DiskIdentity* id) {
  const fs::path dev = dir / "device";
  std::string model = ReadSysText(dev / "model");
  if (model.empty()) return false;
  std::string vendor = ReadSysText(dev / "vendor");
  if (vendor.empty()) {
    SplitModel(model, id);
  } else {
    id->maker = AnsiToUtf16(vendor);
    id->model = AnsiToUtf16(model);
  }
  std::string firmware = ReadSysText(dev / "rev");
  if (firmware.empty()) firmware = ReadSysText(dev / "firmware_rev");
  id->firmware = AnsiToUtf16(firmware);
  id->serial = AnsiToUtf16(ReadSysText(dev / "serial"));
  return true;
}

// Size and sector size of a block device: what sysfs says, then what the device answers when it
// opens read-only (then `more` asks it the rest). The open's errno is kept when it fails.
template <typename More>
void ReadBlockDevice(const fs::path& sysfsDir, DiskFacts* d, More more) {
  d->bytes = ReadSysNumber(sysfsDir / "size") * 512;
  d->sectorSize = static_cast<std::uint32_t>(ReadSysNumber(sysfsDir / "queue" / "logical_block_size"));
  int fd = ::open(d->path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    d->openError = errno;
  } else {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode)) {
      int size = 0;
      if (::ioctl(fd, BLKSSZGET, &size) == 0 && size > 0) d->sectorSize = static_cast<std::uint32_t>(size);
      std::uint64_t bytes = 0;
      if (::ioctl(fd, BLKGETSIZE64, &bytes) == 0 && bytes != 0) d->bytes = bytes;
      more(fd);
    }
    ::close(fd);
  }
  if (d->sectorSize == 0) d->sectorSize = 512;
}

// A block device: what the opened device answers, else what sysfs says about it.
DiskFacts BlockDisk(const PhysicalDisk& pd) {
  DiskFacts d;
  d.number = pd.number;
  d.kind = DiskKind::kBlock;
  d.path = pd.path;
  const fs::path dir(pd.sysfsDir);
  std::uint32_t heads = 0, sectors = 0;
  ReadBlockDevice(dir, &d, [&](int fd) {
    hd_geometry geo{};
    if (::ioctl(fd, HDIO_GETGEO, &geo) == 0) {
      heads = geo.heads;
      sectors = geo.sectors;
    }
    std::uint8_t identify[512] = {};
    if (::ioctl(fd, HDIO_GET_IDENTITY, identify) == 0) {
      d.identity = ParseIdentify(identify, sizeof identify);
      d.identified = true;
    }
  });
  SetGeometry(&d, heads, sectors);
  if (!d.identified && !SysfsIdentity(dir, &d.identity))
    d.identity = {u"기본", u"USB 대용량 저장소 장치", {}, {}};
  return d;
}

DiskFacts ImageDisk(const PhysicalDisk& pd) {
  DiskFacts d;
  d.number = pd.number;
  d.kind = DiskKind::kImage;
  d.path = pd.path;
  d.bytes = PathLength(pd.path);
  if (d.bytes == 0) d.bytes = pd.length;
  d.sectorSize = 512;
  SetGeometry(&d, kDefaultHeads, kDefaultSectorsPerTrack);
  SetDefaultIdentity(&d, pd.path);
  return d;
}

// Loop devices with a file attached, in name order.
void AddLoops(const BlockDeviceRoots& roots, std::vector<DiskFacts>& out) {
  std::error_code ec;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(roots.sysfs, ec)) {
    std::string name = e.path().filename();
    if (name.rfind("loop", 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  for (const std::string& name : names) {
    const fs::path dir = fs::path(roots.sysfs) / name;
    std::string backing = ReadSysText(dir / "loop" / "backing_file");
    if (backing.empty()) continue;
    DiskFacts d;
    d.number = out.empty() ? 0 : out.back().number + 1;
    d.kind = DiskKind::kLoop;
    d.path = (fs::path(roots.dev) / name).string();
    d.backingFile = backing;
    ReadBlockDevice(dir, &d, [](int) {});
    SetGeometry(&d, kDefaultHeads, kDefaultSectorsPerTrack);
    SetDefaultIdentity(&d, backing);
    out.push_back(std::move(d));
  }
}

}  // namespace

DiskIdentity ParseIdentify(const std::uint8_t* data, std::size_t len) {
  DiskIdentity id;
  if (data == nullptr || len < 512) return id;
  SplitModel(SwappedField(data, 54, 40), &id);
  id.firmware = AnsiToUtf16(Trim(SwappedField(data, 46, 8)));
  id.serial = AnsiToUtf16(Trim(SwappedField(data, 20, 20)));
  return id;
}

std::vector<DiskFacts> ListDisks(const std::vector<PhysicalDisk>& mapDisks,
                                 const std::optional<BlockDeviceRoots>& roots) {
  std::vector<DiskFacts> out;
  for (const PhysicalDisk& pd : mapDisks)
    out.push_back(pd.sysfsDir.empty() ? ImageDisk(pd) : BlockDisk(pd));
  if (roots) AddLoops(*roots, out);
  return out;
}

std::vector<DiskFacts> ListDisks() {
  DriveMap& map = DriveMap::Instance();
  return ListDisks(map.Disks(), map.BlockDevices());
}

PartitionRowScan ReadPartitionRows(const DiskFacts& disk, int* error) {
  int err = 0;
  Handle h = OpenRange(disk.path, 0, 0, &err);
  if (error) *error = h == kInvalidHandle ? err : 0;
  if (h == kInvalidHandle) return {};
  DiskShape shape;
  shape.number = disk.number;
  shape.bytes = std::min<std::uint64_t>(disk.bytes, HandleLength(h));
  shape.sectorSize = disk.sectorSize;
  shape.heads = disk.heads;
  shape.sectorsPerTrack = disk.sectorsPerTrack;
  PartitionRowScan scan = ListPartitionRows(
      [h](std::uint64_t off, void* buf, std::size_t len) { return ReadAt(h, off, buf, len); },
      shape);
  CloseHandle(h);
  return scan;
}

std::u16string DiskOpenErrorText(int error) {
  if (error == EACCES || error == EPERM) return u"접근불가. 관리자 권한이 있는지 확인하십시오.";
  return FromUtf8(std::strerror(error));
}

std::vector<VolumeExtent> ListVolumeExtents(const std::vector<DriveEntry>& drives) {
  std::vector<VolumeExtent> out;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    int ordinal = 0;
    for (const DriveEntry& d : drives)
      if (d.letter == letter && d.disk >= 0)
        out.push_back({letter, ++ordinal, d.disk, d.diskOffset, d.length});
  }
  return out;
}

std::vector<VolumeExtent> ListVolumeExtents() {
  return ListVolumeExtents(DriveMap::Instance().Drives());
}

}  // namespace platform
