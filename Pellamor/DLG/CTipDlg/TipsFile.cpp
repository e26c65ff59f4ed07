#include "Pellamor/DLG/CTipDlg/TipsFile.h"

namespace tips {
namespace {

// Drops a UTF-8 sequence that the cut left without all its bytes.
std::string_view DropBrokenTail(std::string_view bytes) {
  std::size_t i = bytes.size();
  std::size_t back = 0;
  while (i > 0 && back < 4 && (static_cast<unsigned char>(bytes[i - 1]) & 0xC0) == 0x80) {
    --i;
    ++back;
  }
  if (i > 0 && static_cast<unsigned char>(bytes[i - 1]) >= 0xC0) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i - 1]);
    const std::size_t need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    if (back < need) bytes = bytes.substr(0, i - 1);
  }
  return bytes;
}

}  // namespace

Line ReadLine(std::string_view file, std::size_t* pos, std::string_view* bytes, bool* cut) {
  if (*pos >= file.size()) return Line::kEnd;
  const std::string_view rest = file.substr(*pos);
  const std::size_t newline = rest.find('\n');
  std::string_view line = rest.substr(0, newline);
  *pos = newline == std::string_view::npos ? file.size() : *pos + newline + 1;
  *cut = line.size() > kMaxLineBytes;
  if (*cut)
    line = DropBrokenTail(line.substr(0, kMaxLineBytes));
  else if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  if (line.empty()) return Line::kSkip;
  const char first = line.front();
  if (first == ' ' || first == '\t' || first == ';' || first == '\r') return Line::kSkip;
  *bytes = line;
  return Line::kTip;
}

bool NextTipLine(std::string_view file, std::size_t* pos, std::string_view* bytes) {
  bool wrapped = false;
  bool cut = false;
  for (;;) {
    const Line got = ReadLine(file, pos, bytes, &cut);
    if (got == Line::kTip) return true;
    if (got == Line::kSkip) continue;
    if (wrapped) return false;
    *pos = 0;
    wrapped = true;
  }
}

}  // namespace tips
