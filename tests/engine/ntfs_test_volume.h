// A small hand-built NTFS volume for the engine tests: 512-byte clusters, 1024-byte records,
// 256 clusters. The $MFT lies in two extents, the second before the first on disk (a negative
// run offset): records 0-7 at LCN extentA, records 8-31 at LCN extentB. Clusters 80-255 are free
// for file data when the default extents are used.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/endian.h"
#include "tests/support/test_support.h"

namespace ntfs_test {

inline constexpr std::size_t kCluster = 512;
inline constexpr std::size_t kRecord = 1024;
inline constexpr std::size_t kRecords = 32;

inline std::vector<std::uint8_t> Attr(std::uint32_t type, const std::vector<std::uint8_t>& value) {
  const std::size_t length = (0x18 + value.size() + 7) & ~std::size_t{7};
  std::vector<std::uint8_t> a(length, 0);
  platform::PutLe32(&a[0], type);
  platform::PutLe32(&a[4], static_cast<std::uint32_t>(length));
  platform::PutLe32(&a[0x10], static_cast<std::uint32_t>(value.size()));
  platform::PutLe16(&a[0x14], 0x18);
  std::memcpy(&a[0x18], value.data(), value.size());
  return a;
}

// A non-resident attribute with the given run bytes (end marker included by the caller).
struct NonResidentSpec {
  std::uint64_t startVcn = 0;
  std::uint64_t lastVcn = 0;
  std::uint64_t allocated = 0;
  std::uint64_t dataSize = 0;
  std::uint64_t initialized = 0;
  std::uint16_t flags = 0;       // 0x0001 compressed, 0x8000 sparse
  std::uint8_t unitShift = 0;    // compression unit: 2^n clusters
};
inline std::vector<std::uint8_t> NonResidentAttr(std::uint32_t type, const NonResidentSpec& s,
                                                 const std::vector<std::uint8_t>& runs) {
  const std::size_t length = (0x40 + runs.size() + 7) & ~std::size_t{7};
  std::vector<std::uint8_t> a(length, 0);
  platform::PutLe32(&a[0], type);
  platform::PutLe32(&a[4], static_cast<std::uint32_t>(length));
  a[8] = 1;
  platform::PutLe16(&a[0x0C], s.flags);
  platform::PutLe64(&a[0x10], s.startVcn);
  platform::PutLe64(&a[0x18], s.lastVcn);
  platform::PutLe16(&a[0x20], 0x40);
  a[0x22] = s.unitShift;
  platform::PutLe64(&a[0x28], s.allocated);
  platform::PutLe64(&a[0x30], s.dataSize);
  platform::PutLe64(&a[0x38], s.initialized);
  std::memcpy(&a[0x40], runs.data(), runs.size());
  return a;
}

inline std::vector<std::uint8_t> FileName(const std::u16string& name, std::uint64_t parent,
                                          std::uint8_t ns = 1) {
  std::vector<std::uint8_t> v(0x42 + name.size() * 2, 0);
  platform::PutLe64(&v[0], parent | (std::uint64_t{1} << 48));
  platform::PutLe64(&v[0x08], 0x01D0000000000000ull);  // creation
  v[0x40] = static_cast<std::uint8_t>(name.size());
  v[0x41] = ns;
  for (std::size_t i = 0; i < name.size(); ++i) platform::PutLe16(&v[0x42 + 2 * i], name[i]);
  return Attr(0x30, v);
}

inline std::vector<std::uint8_t> StdInfo(std::uint32_t attributes = 0x20) {
  std::vector<std::uint8_t> v(0x48, 0);
  platform::PutLe32(&v[0x20], attributes);
  return Attr(0x10, v);
}

// The $MFT's $DATA over both extents: 16 clusters at A, then 48 at B.
inline std::vector<std::uint8_t> MftData(std::uint64_t extentA, std::uint64_t extentB) {
  NonResidentSpec s;
  s.lastVcn = kRecords * 2 - 1;
  s.allocated = s.dataSize = s.initialized = kRecords * kRecord;
  return NonResidentAttr(
      0x80, s,
      {0x11, 16, static_cast<std::uint8_t>(extentA), 0x11, 48,
       static_cast<std::uint8_t>(static_cast<std::int8_t>(extentB - extentA)), 0x00});
}

struct Builder {
  std::vector<std::uint8_t> image = std::vector<std::uint8_t>(256 * kCluster, 0);
  std::uint64_t extentA;
  std::uint64_t extentB;

  std::uint8_t* RecordAt(std::size_t r) {
    const std::size_t off = r < 8 ? extentA * kCluster + r * kRecord
                                  : extentB * kCluster + (r - 8) * kRecord;
    return &image[off];
  }

  // Writes record r with the attributes, fixed up as the volume stores it.
  void Put(std::size_t r, std::uint16_t flags, const std::vector<std::vector<std::uint8_t>>& attrs,
           std::uint64_t baseRecord = 0) {
    std::uint8_t* p = RecordAt(r);
    std::memset(p, 0, kRecord);
    std::memcpy(p, "FILE", 4);
    platform::PutLe16(p + 4, 0x30);
    platform::PutLe16(p + 6, 3);
    platform::PutLe16(p + 0x14, 0x38);
    platform::PutLe16(p + 0x16, flags);
    platform::PutLe32(p + 0x1C, kRecord);
    platform::PutLe64(p + 0x20, baseRecord);
    platform::PutLe32(p + 0x2C, static_cast<std::uint32_t>(r));
    std::size_t off = 0x38;
    for (const auto& a : attrs) {
      std::memcpy(p + off, a.data(), a.size());
      off += a.size();
    }
    platform::PutLe32(p + off, 0xFFFFFFFF);
    platform::PutLe32(p + 0x18, static_cast<std::uint32_t>(off + 8));
    platform::PutLe16(p + 0x30, 0x0042);
    for (int i = 1; i <= 2; ++i) {
      std::memcpy(p + 0x30 + 2 * i, p + i * 512 - 2, 2);
      platform::PutLe16(p + i * 512 - 2, 0x0042);
    }
  }

  // Record 0 with the given $MFT attributes besides its name and bitmap.
  void PutMft(const std::vector<std::vector<std::uint8_t>>& dataAttrs) {
    std::vector<std::uint8_t> bitmap(4, 0);
    bitmap[0] = 0x3F;  // records 0-5 in use
    std::vector<std::vector<std::uint8_t>> attrs = {StdInfo(6), FileName(u"$MFT", 5)};
    attrs.insert(attrs.end(), dataAttrs.begin(), dataAttrs.end());
    attrs.push_back(Attr(0xB0, bitmap));
    Put(0, 1, attrs);
  }

  explicit Builder(std::uint64_t a = 64, std::uint64_t b = 8) : extentA(a), extentB(b) {
    // Boot sector.
    std::memcpy(&image[3], "NTFS    ", 8);
    platform::PutLe16(&image[0x0B], 512);
    image[0x0D] = 1;
    platform::PutLe64(&image[0x28], 255);
    platform::PutLe64(&image[0x30], extentA);
    platform::PutLe64(&image[0x38], 2);
    image[0x40] = 0xF6;
    image[0x44] = 1;
    image[510] = 0x55;
    image[511] = 0xAA;
    PutMft({MftData(extentA, extentB)});
    std::vector<std::uint8_t> vi(12, 0);
    vi[8] = 3;
    vi[9] = 1;
    Put(3, 1, {StdInfo(6), FileName(u"$Volume", 5), Attr(0x70, vi)});
    Put(5, 3, {StdInfo(6), FileName(u".", 5)});
  }

  // Places bytes at a cluster of the image.
  void PutClusters(std::uint64_t lcn, const std::vector<std::uint8_t>& bytes) {
    std::memcpy(&image[lcn * kCluster], bytes.data(), bytes.size());
  }

  std::string Write(const testing_support::TempDir& dir, const std::string& name) const {
    const std::string path = dir.File(name);
    testing_support::WriteFile(path, std::string(image.begin(), image.end()));
    return path;
  }
};

}  // namespace ntfs_test
