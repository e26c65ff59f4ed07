// Exports of the utility module ("util.dll"): number grouping, size texts and code-page conversion.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
// Groups the text by threes from the right with ","; a leading "-" stays in front; "0" when empty.
std::u16string add_comma(std::u16string digits);
// Size with its unit (B, KB .. YB); base 10 steps by 1000, any other by 1024.
std::u16string cvt_size_to_unit(double size, int base, int two_decimals, int no_unit, int unit_only);
// The ANSI text converted to UTF-16, followed by "\n". n is not used.
std::u16string get_unicode_of_ascii(const char* text, unsigned n);
// The ANSI text converted to UTF-16.
std::u16string get_msdos_name(const char* text);
// Unsigned comparison: -1, 0 or 1.
int comp_num(unsigned a, unsigned b);
int cvt_chs_to_lba();
std::int64_t read_runtime_module_version_util(int a);
}
