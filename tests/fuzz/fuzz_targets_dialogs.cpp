// Seeds and fields of the dialogs' file readers: the package status file, version.ini, the tips
// file and the MBR image import.
#include <string>

#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStanzas.h"
#include "Pellamor/DLG/CTipDlg/TipsFile.h"
#include "Pellamor/DLG/CUpdateDlg/VersionIni.h"
#include "platform/endian.h"
#include "tests/fuzz/fuzz_targets.h"

namespace fuzz {
namespace {

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A literal with the NUL bytes inside it.
template <std::size_t N>
std::string Lit(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// A little-endian head of `width` bytes, then the text.
Bytes WithHead(std::uint64_t head, unsigned width, const std::string& text) {
  Bytes out(width);
  for (unsigned i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(head >> (8 * i));
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

// One byte at each spot where a line or field breaks, from `from` on.
std::vector<Field> Separators(const Bytes& in, std::size_t from, std::string_view marks) {
  std::vector<Field> out;
  for (std::size_t i = from; i < in.size() && out.size() < 4096; ++i)
    if (marks.find(static_cast<char>(in[i])) != std::string_view::npos) out.push_back({i, 1});
  return out;
}

// Bytes that are neither UTF-8 nor CP949: a CP949 lead byte without its trail, 0xFF, a UTF-8
// lead before ASCII.
const std::string kNeither = "\x81\x20\xFF\xFE\xC0\x41\xE0\x80";

}  // namespace

// ---- Package status file: the longest line (32 bits, at most 64 KiB), the piece size the file
// arrives in (8 bits), then the text.

std::vector<Bytes> DpkgStatusSeeds(const std::string&) {
  const std::string stanzas =
      "Package: alpha\nStatus: install ok installed\nArchitecture: amd64\nDescription: first\n a continuation\n .\n"
      " Package: fake\n\n"
      "Package: libmulti\nStatus: install ok installed\nArchitecture: amd64\n\n"
      "Package: libmulti\nStatus: install ok installed\nArchitecture: i386\n\n"
      "Package: gone\nStatus: deinstall ok config-files\n\n"
      "package: lower\nSTATUS: hold ok installed extra words\n\n\n\n"
      "Status: install ok installed\r\nPackage: crlf\r\nArchitecture: all\r\n\r\n"
      "Package: twice\nPackage: again\nStatus: install ok installed\nStatus: purge ok not-installed\n\n"
      "Package: last\nStatus: install ok installed";  // no final newline
  const std::size_t max = instsw::kMaxLine;
  const std::string atBound = "Package: " + std::string(max - 9, 'k');
  return {
      WithHead(max, 4, ""), WithHead(max, 4, stanzas), WithHead(40, 5, stanzas),
      WithHead(max, 4, std::string(stanzas).insert(0, 1, '\xFF')),
      // Lines at the bound and one byte over, the second never ended.
      WithHead(max, 4, atBound + "\nStatus: install ok installed\n\n" + atBound + "k\nStatus: install ok installed"),
      WithHead(12, 4, "Package: abc\nPackage: abcd\nStatus: install ok installed\n"),
      WithHead(0, 4, "\n\n\n"),
      WithHead(UINT32_MAX, 4, Lit("Package: n\0ul\nStatus: install ok installed\n\n")),
      WithHead(max, 4, "Package: " + kNeither + "\nArchitecture: " + kNeither + "\nStatus: install ok installed\n\n"),
  };
}

std::vector<Field> DpkgStatusFields(const Bytes& in) {
  std::vector<Field> out;
  if (in.size() >= 5) out = {{0, 4}, {4, 1}};
  const std::vector<Field> marks = Separators(in, 5, "\n:\r ");
  out.insert(out.end(), marks.begin(), marks.end());
  return out;
}

// ---- version.ini

std::vector<Bytes> VersionIniSeeds(const std::string&) {
  const std::string published =
      "[Version]\r\nMajor=3\r\nMinor=1\r\nPatchLevel=20\r\nTestLevel=0\r\n\r\n"
      "[ServerCheck]\r\nPurpose=1\r\nDay=0\r\nHour=2\r\nMin=30\r\n";
  return {
      Of(published),
      Of("[Version]\nMajor = 4294967295\nMinor=4294967296\nPatchLevel=0000000001\nTestLevel=00000000001\n"
         "[ServerCheck]\nPurpose=2"),  // numbers at the 32-bit and ten-digit limits, no final newline
      Of("[Version]\nMajor=1\n[Version]\nMinor=2\n[ServerCheck]\n[ServerCheck]\nPurpose=3\n"),  // repeated
      Of("[Version]\nMajor=" + std::string(kMaxIniValue, '7') + "\nMinor=" + std::string(kMaxIniValue + 1, '8') +
         "\n"),
      Of("[Version\nMajor=1\n [Version] \n\tMajor\t=\t5\t\r\n[[Version]]\nMinor=6\n"),
      Of(Lit("[Version]\nMa\0jor=1\nMajor=\0\n")),
      Of("[Version]\nMajor=" + kNeither + "\n" + kNeither + "=1\n[" + kNeither + "]\n"),
      Of("[ServerCheck]\n" + std::string(70000, 'x') + "\nPurpose=1\n"),
  };
}

std::vector<Field> VersionIniFields(const Bytes& in) { return Separators(in, 0, "[]=\n\r"); }

// ---- Tips file: the stored position (32 bits), then the file.

std::vector<Bytes> TipsFileSeeds(const std::string&) {
  const std::string tipsText =
      "; 오늘의 팁\n첫째 팁\t첫째 제목\n\n둘째 팁\t둘째 제목\t분류\t7\n셋째 팁만\n"
      " 공백으로 시작\n\t탭으로 시작\n\r\n";
  std::string longUtf8;
  while (longUtf8.size() <= tips::kMaxLineBytes) longUtf8 += "팁";
  const std::string cp949 = "\xC7\xD1\xB1\xDB\t\xC1\xA6\xB8\xF1";
  return {
      WithHead(0, 4, tipsText),
      WithHead(tipsText.size(), 4, tipsText),      // at the end: round to the start
      WithHead(tipsText.size() + 1, 4, tipsText),  // past the end: read as 0
      WithHead(UINT32_MAX, 4, tipsText),
      WithHead(0, 4, "\r\n\r\r\n" + std::string(tips::kMaxLineBytes + 1, 'x') + "\r\n뒤\r\n" + cp949 + "\r\n"),
      WithHead(0, 4, longUtf8 + "\n다음"),  // cut inside a character, no final newline
      WithHead(0, 4, std::string(tips::kMaxLineBytes, 'y') + "\r\n"),  // at the bound, its CR beyond it
      WithHead(3, 4, ";only\n ;comments\n\n;here"),
      WithHead(0, 4, Lit("tip\0with\0nul\tti\0tle\n") + kNeither + "\t" + kNeither + "\n"),
      WithHead(0, 4, "a\tb\tc\td\te\tf\n\t\t\t\n"),
  };
}

std::vector<Field> TipsFileFields(const Bytes& in) {
  std::vector<Field> out;
  if (in.size() >= 4) out.push_back({0, 4});
  const std::vector<Field> marks = Separators(in, 4, "\n\t;\r ");
  out.insert(out.end(), marks.begin(), marks.end());
  return out;
}

// ---- MBR image import

std::vector<Bytes> MbrImportSeeds(const std::string& dir) {
  Bytes sector(512, 0);
  // One FAT32 partition from sector 2048, active, and the signature.
  sector[446] = 0x80;
  sector[450] = 0x0C;
  platform::PutLe32(&sector[454], 2048);
  platform::PutLe32(&sector[458], 1u << 20);
  sector[510] = 0x55;
  sector[511] = 0xAA;
  Bytes noSignature = sector;
  noSignature[511] = 0;
  Bytes longer = sector;
  longer.push_back(0);
  std::vector<Bytes> out = {sector, noSignature, Bytes(sector.begin(), sector.end() - 1), longer, Bytes(512, 0),
                            Bytes()};
  Bytes disk;
  if (ReadAt(dir + "/disk.img", 0, 512, &disk)) out.push_back(disk);
  return out;
}

std::vector<Field> MbrImportFields(const Bytes& in) {
  std::vector<Field> out;
  if (in.size() < 512) return out;
  for (std::size_t e = 446; e < 510; e += 16) out.insert(out.end(), {{e, 1}, {e + 4, 1}, {e + 8, 4}, {e + 12, 4}});
  out.push_back({510, 2});
  return out;
}

}  // namespace fuzz
