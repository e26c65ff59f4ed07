// Size, file-type and date texts of one FAT directory entry, for the property view.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Turns OEM bytes into UTF-16. The module loader binds the utility module's converter; until
// then the platform's code-page conversion serves.
using AsciiToUnicodeConverter = std::u16string (*)(std::string_view bytes);
void SetAsciiToUnicodeConverter(AsciiToUnicodeConverter converter);  // null restores the default

std::u16string FormatSizeWithUnit(std::int64_t size);
// Texts of entry `index` of g_pFatDirEntries; empty for an index outside the array.
std::u16string GetFileTypeText(std::uint32_t index);
std::u16string FormatFatDateTimeMs(std::uint32_t index);
std::u16string FormatFatDate(std::uint32_t index);
std::u16string FormatFatDateTime(std::uint32_t index);
