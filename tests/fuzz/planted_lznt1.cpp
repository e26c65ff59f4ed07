// The driver's self-test: a copy of the LZNT1 decoder with one bound removed (a back-reference
// copy may run past the output's end). The mutation run must find it; it is built into the
// driver only, never into the product.
#include <cstring>
#include <memory>

#include "platform/endian.h"
#include "platform/lznt1.h"
#include "tests/fuzz/fuzz_entries.h"

namespace fuzz {
namespace {

using platform::Le16;
using platform::Lznt1Result;
using platform::kLznt1ChunkBytes;

// Decodes one compressed chunk body into out[0, cap). False on a bad back-reference or overflow.
Lznt1Result DecodeChunk(const std::uint8_t* in, std::size_t inLen, std::uint8_t* out,
                        std::size_t cap, std::size_t* produced) {
  std::size_t ip = 0;
  std::size_t op = 0;
  while (ip < inLen) {
    const std::uint8_t flags = in[ip++];
    for (int bit = 0; bit < 8 && ip < inLen; ++bit) {
      if ((flags & (1u << bit)) == 0) {
        if (op >= cap) return Lznt1Result::OutputTooSmall;
        out[op++] = in[ip++];
        continue;
      }
      if (2 > inLen - ip) return Lznt1Result::BadChunkHeader;
      const std::uint16_t token = Le16(in + ip);
      ip += 2;
      if (op == 0) return Lznt1Result::BadBackReference;
      // The further into the chunk, the more bits go to the offset and the fewer to the length.
      unsigned offsetBits = 4;
      for (std::size_t p = op - 1; p >= 0x10; p >>= 1) ++offsetBits;
      const unsigned lengthBits = 16 - offsetBits;
      const std::size_t back = (token >> lengthBits) + 1u;
      const std::size_t length = (token & ((1u << lengthBits) - 1u)) + 3u;
      if (back > op) return Lznt1Result::BadBackReference;
      // PLANTED FAULT: the check that the copy fits the output is gone.
      // Byte by byte: the copy may overlap its own output.
      for (std::size_t k = 0; k < length; ++k, ++op) out[op] = out[op - back];
    }
  }
  *produced = op;
  return Lznt1Result::Ok;
}

Lznt1Result PlantedDecompress(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dst,
                            std::size_t dstCap, std::size_t* written) {
  std::size_t ip = 0;
  std::size_t op = 0;
  std::size_t end = 0;
  while (srcLen - ip >= 2) {
    const std::uint16_t header = Le16(src + ip);
    if (header == 0) break;
    if (((header >> 12) & 7) != 3) return Lznt1Result::BadChunkHeader;
    const std::size_t stored = (header & 0x0FFFu) + 1u;
    ip += 2;
    if (stored > srcLen - ip) return Lznt1Result::BadChunkHeader;
    // A previous chunk that stopped short still owns its whole 4096 bytes.
    if (op > end) {
      if (op > dstCap) return Lznt1Result::OutputTooSmall;
      std::memset(dst + end, 0, op - end);
    }
    const std::size_t room = dstCap - op < kLznt1ChunkBytes ? dstCap - op : kLznt1ChunkBytes;
    std::size_t produced = 0;
    if (header & 0x8000u) {
      const Lznt1Result r = DecodeChunk(src + ip, stored, dst + op, room, &produced);
      if (r != Lznt1Result::Ok) return r;
    } else {
      if (stored > room) return Lznt1Result::OutputTooSmall;
      std::memcpy(dst + op, src + ip, stored);
      produced = stored;
    }
    ip += stored;
    end = op + produced;
    op += kLznt1ChunkBytes;
    if (op > dstCap && ip < srcLen && 2 <= srcLen - ip && Le16(src + ip) != 0)
      return Lznt1Result::OutputTooSmall;
  }
  *written = end;
  return Lznt1Result::Ok;
}

}  // namespace

int FuzzPlantedLznt1(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t cap = Le16(data);
  std::unique_ptr<std::uint8_t[]> out(new std::uint8_t[cap]);
  std::size_t written = 0;
  (void)PlantedDecompress(data + 2, size - 2, out.get(), cap, &written);
  return 0;
}

}  // namespace fuzz
