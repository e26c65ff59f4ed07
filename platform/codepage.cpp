#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

// iconv descriptors are not thread-safe: open one per conversion.
std::u16string Convert(std::string_view bytes) {
  std::u16string out;
  iconv_t cd = iconv_open("UTF-16LE", "CP949");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    for (unsigned char c : bytes) out += static_cast<char16_t>(c < 0x80 ? c : 0xFFFD);
    return out;
  }
  std::vector<char> in(bytes.begin(), bytes.end());
  char* src = in.data();
  std::size_t left = in.size();
  std::vector<char> buf(bytes.size() * 4 + 8);
  while (left > 0) {
    char* dst = buf.data();
    std::size_t room = buf.size();
    std::size_t r = iconv(cd, &src, &left, &dst, &room);
    std::size_t produced = buf.size() - room;
    for (std::size_t i = 0; i + 1 < produced; i += 2)
      out += static_cast<char16_t>(static_cast<unsigned char>(buf[i]) |
                                   (static_cast<unsigned char>(buf[i + 1]) << 8));
    if (r == static_cast<std::size_t>(-1) && left > 0) {
      if (errno == E2BIG) continue;
      out += u'\uFFFD';  // an invalid or cut-off byte sequence
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view bytes) { return Convert(bytes); }

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string out;
  iconv_t cd = iconv_open("CP949", "UTF-16LE");
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      out += '?';
      continue;
    }
    char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    char res[8];
    char* src = in;
    char* dst = res;
    std::size_t left = 2, room = sizeof res;
    if (iconv(cd, &src, &left, &dst, &room) == static_cast<std::size_t>(-1))
      out += '?';
    else
      out.append(res, sizeof res - room);
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}

}  // namespace platform
