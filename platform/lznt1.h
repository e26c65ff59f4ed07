// LZNT1, the compression of NTFS compressed files.
//
// A stream is a sequence of chunks, each holding at most 4096 bytes of output: a 16-bit header
// (bits 0-11 the stored length minus 3 counting the header, bits 12-14 the signature 3, bit 15 set
// when the chunk is compressed), then the stored bytes. A header of 0 ends the stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::size_t kLznt1ChunkBytes = 4096;

enum class Lznt1Result {
  Ok,
  BadChunkHeader,     // signature not 3, or a chunk longer than the input
  BadBackReference,   // a copy that reaches before the chunk's first byte
  OutputTooSmall,     // more output than the destination holds
};

// Decodes src into dst. Every chunk but the last fills its whole 4096 bytes of output: a chunk
// that stops short is followed by zeros. *written receives the bytes of output produced.
Lznt1Result Lznt1Decompress(const std::uint8_t* src, std::size_t srcLen, std::uint8_t* dst,
                            std::size_t dstCap, std::size_t* written);

}  // namespace platform
