#include "Pellamor/DLG/CDlgMbrFixBox/MbrImage.h"

#include <algorithm>
#include <vector>

#include "platform/file_ops.h"

namespace mbrfix {

ImageVerdict CheckImage(const std::uint8_t* data, std::size_t size) {
  if (size != kImageSize) return ImageVerdict::kWrongSize;
  if (data[510] != 0x55 || data[511] != 0xAA) return ImageVerdict::kNoSignature;
  return ImageVerdict::kAccepted;
}

ImageVerdict ReadImage(const std::string& path, std::array<std::uint8_t, kImageSize>* sector) {
  std::vector<std::uint8_t> bytes;
  const platform::FileReadResult read = platform::ReadWholeFile(path, &bytes, kImageSize);
  if (read.refusal == platform::FileRefusal::kTooLarge) return ImageVerdict::kWrongSize;
  if (!read) return ImageVerdict::kCannotOpen;
  const ImageVerdict verdict = CheckImage(bytes.data(), bytes.size());
  if (verdict == ImageVerdict::kAccepted) std::copy(bytes.begin(), bytes.end(), sector->begin());
  return verdict;
}

}  // namespace mbrfix
