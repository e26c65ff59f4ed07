// Conversion of the OEM/ANSI bytes of FAT short names to UTF-16. The suite's ANSI code page is
// the Korean one (949); bytes that do not convert become U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::u16string AnsiToUtf16(std::string_view bytes);
std::string Utf16ToAnsi(std::u16string_view text);  // characters without a byte form become '?'

}  // namespace platform
