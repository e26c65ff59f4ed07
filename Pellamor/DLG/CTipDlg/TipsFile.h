// The tips file's lines, without Qt (the fuzz entries link it): the dialog reads the whole file
// once and walks it from a byte position; decoding a tip's bytes to text is the dialog's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tips {

// Longest tip line kept, in characters; the rest of a longer line is skipped.
inline constexpr int kMaxLineChars = 3000;
// Bytes kept of one line: enough for kMaxLineChars characters of UTF-8.
inline constexpr std::size_t kMaxLineBytes = kMaxLineChars * 4;
// Largest tips file read: the shipped one is a few KiB, and a larger one than this is no tips file.
inline constexpr std::uint64_t kMaxFileBytes = 16u << 20;

enum class Line { kTip, kSkip, kEnd };

// The line that starts at *pos (0 <= *pos <= file.size()); *pos moves past its newline. A tip
// line's bytes (at most kMaxLineBytes; a line cut short also loses a UTF-8 character its cut
// broke, and keeps its CR) go to *bytes, with *cut set when the line was longer. Blank lines and
// lines that begin with a blank, a tab, ';' or CR are skipped.
Line ReadLine(std::string_view file, std::size_t* pos, std::string_view* bytes, bool* cut);

// The next tip line from *pos, going round once to the file's start; false when a whole round
// found none.
bool NextTipLine(std::string_view file, std::size_t* pos, std::string_view* bytes);

}  // namespace tips
