// Little-endian field access for on-disk structures. Callers check bounds first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace platform {

inline std::uint16_t Le16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline std::uint32_t Le32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::uint64_t Le64(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::uint64_t>(Le32(b)) | (static_cast<std::uint64_t>(Le32(b + 4)) << 32);
}

inline void PutLe16(void* p, std::uint16_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  b[0] = static_cast<std::uint8_t>(v);
  b[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLe32(void* p, std::uint32_t v) {
  PutLe16(p, static_cast<std::uint16_t>(v));
  PutLe16(static_cast<std::uint8_t*>(p) + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void PutLe64(void* p, std::uint64_t v) {
  PutLe32(p, static_cast<std::uint32_t>(v));
  PutLe32(static_cast<std::uint8_t*>(p) + 4, static_cast<std::uint32_t>(v >> 32));
}

inline bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace platform
