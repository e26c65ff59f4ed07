// The MBR repair's import of a sector image, without Qt (the fuzz entries link it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mbrfix {

inline constexpr std::size_t kImageSize = 512;

// What the import makes of a file; each refusal's value is its number in the error report.
enum class ImageVerdict {
  kAccepted = 0,
  kWrongSize = 1,     // not exactly 512 bytes
  kNoSignature = 2,   // bytes 510 and 511 are not 55 AA
  kCannotOpen = 3,    // missing, no regular file (a FIFO, a folder, a device), or a failed read
};

// The verdict on the bytes of an image.
ImageVerdict CheckImage(const std::uint8_t* data, std::size_t size);

// Reads the image at `path` (in the file system's encoding) into *sector when it is accepted;
// *sector is left alone otherwise. A file over 512 bytes is refused by its size before it is read.
ImageVerdict ReadImage(const std::string& path, std::array<std::uint8_t, kImageSize>* sector);

}  // namespace mbrfix
