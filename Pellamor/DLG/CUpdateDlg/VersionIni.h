// The update server's version.ini, read without Qt (the fuzz entries link it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Longest value kept, in bytes.
inline constexpr std::size_t kMaxIniValue = 200;

// The value of `key` in `[section]` of an INI text: the section line must name the section exactly,
// the key is looked for up to the next section, blanks around key and value and a trailing CR are
// ignored, and the value is cut to 200 bytes. `fallback` when the section or the key is missing.
std::string GetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view fallback = {});
// An unsigned 32-bit decimal; anything else (empty included) is 0.
std::uint32_t IniNumber(std::string_view value);
