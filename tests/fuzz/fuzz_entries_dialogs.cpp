// Fuzz entry points of the dialogs' readers of files the user or the system controls: the
// package status file, the update server's version.ini, the tips file and the MBR image import.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "Pellamor/DLG/CDlgInstSwListBox/DpkgStanzas.h"
#include "Pellamor/DLG/CDlgMbrFixBox/MbrImage.h"
#include "Pellamor/DLG/CTipDlg/TipsFile.h"
#include "Pellamor/DLG/CUpdateDlg/VersionIni.h"
#include "platform/codepage.h"
#include "platform/endian.h"
#include "platform/file_ops.h"
#include "tests/fuzz/fuzz_entries.h"

namespace fuzz {
namespace {

std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

bool Contains(std::string_view text, std::string_view piece) { return text.find(piece) != std::string_view::npos; }

// The lines a splitter of `bound` must give, worked out the plain way.
std::vector<std::string> ExpectedLines(std::string_view text, std::size_t bound) {
  std::vector<std::string> out;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    if (line.size() <= bound && (newline != std::string_view::npos || !line.empty())) out.emplace_back(line);
    if (newline == std::string_view::npos) break;
    text.remove_prefix(newline + 1);
  }
  return out;
}

// A file of these bytes that nothing else sees, named by its /proc/self/fd path.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(memfd_create("fuzz", MFD_CLOEXEC)) {
    FUZZ_CHECK(fd_ >= 0);
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = write(fd_, data + done, size - done);
      FUZZ_CHECK(n > 0);
      done += static_cast<std::size_t>(n);
    }
  }
  ~MemoryFile() { close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace

int FuzzDpkgStatus(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::size_t bound = std::min<std::size_t>(platform::Le32(data), instsw::kMaxLine);
  const std::size_t piece = std::size_t{data[4]} + 1;
  const std::string_view body = Text(data + 5, size - 5);

  // Whole and in pieces, the same lines: those of the plain split that fit the bound.
  std::vector<std::string> lines;
  instsw::StatusStanzas whole;
  platform::LineSplitter splitter(bound);
  const platform::LineSink keep = [&](std::string_view line) {
    FUZZ_CHECK(line.size() <= bound && !Contains(line, "\n"));
    lines.emplace_back(line);
    whole.Line(line);
  };
  splitter.Feed(body, keep);
  splitter.Finish(keep);
  FUZZ_CHECK(lines == ExpectedLines(body, bound));

  instsw::StatusStanzas pieces;
  platform::LineSplitter again(bound);
  const platform::LineSink take = [&](std::string_view line) { pieces.Line(line); };
  for (std::size_t at = 0; at < body.size(); at += piece) again.Feed(body.substr(at, piece), take);
  again.Finish(take);

  const std::vector<std::string> names = whole.Finish();
  FUZZ_CHECK(names == pieces.Finish());
  // Each name needs a Package line and a Status line of its own stanza.
  FUZZ_CHECK(names.size() * 2 <= lines.size());
  for (const std::string& name : names) FUZZ_CHECK(!name.empty() && name.size() <= 2 * bound + 1);
  return 0;
}

int FuzzVersionIni(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = Text(data, size);
  static const char* const kSections[] = {"Version", "ServerCheck"};
  static const char* const kKeys[] = {"Major", "Minor", "PatchLevel", "TestLevel", "Purpose", "Day", "Hour", "Min"};
  const std::string fallback = "\x01 fallback";
  for (const char* section : kSections) {
    const bool hasSection = Contains(text, std::string("[") + section + "]");
    for (const char* key : kKeys) {
      const std::string value = GetIniValue(text, section, key, fallback);
      if (value == fallback) continue;
      FUZZ_CHECK(hasSection && Contains(text, key));
      // Cut to its bound, from one line, without the blanks before it.
      FUZZ_CHECK(value.size() <= kMaxIniValue && Contains(text, value) && !Contains(value, "\n"));
      FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.front() != '\t'));
      // A number only when the whole value is one of at most ten digits that fits 32 bits.
      std::uint64_t n = 0;
      bool digits = !value.empty() && value.size() <= 10;
      for (char c : value) {
        digits = digits && c >= '0' && c <= '9';
        if (digits) n = n * 10 + static_cast<std::uint64_t>(c - '0');
      }
      FUZZ_CHECK(IniNumber(value) == (digits && n <= 0xFFFFFFFFull ? n : 0));
    }
  }
  return 0;
}

int FuzzTipsFile(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::string_view file = Text(data + 4, size - 4);
  // The stored position, as the dialog takes it: one outside the file reads as 0.
  std::size_t pos = platform::Le32(data);
  if (pos > file.size()) pos = 0;

  // A walk from the start moves on with every line, and says whether the file holds any tip.
  bool anyTip = false;
  for (std::size_t at = 0;;) {
    std::string_view bytes;
    bool cut = false;
    const std::size_t before = at;
    const tips::Line got = tips::ReadLine(file, &at, &bytes, &cut);
    if (got == tips::Line::kEnd) break;
    FUZZ_CHECK(at > before && at <= file.size());
    if (got != tips::Line::kTip) continue;
    anyTip = true;
    std::string_view raw = file.substr(before, at - before);
    if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
    FUZZ_CHECK(!bytes.empty() && bytes.size() <= tips::kMaxLineBytes && !Contains(bytes, "\n"));
    FUZZ_CHECK(cut == (raw.size() > tips::kMaxLineBytes));
    // Kept whole but for one CR, or cut to the bound less a broken character's bytes.
    if (!cut) FUZZ_CHECK(bytes == raw || (raw.back() == '\r' && bytes == raw.substr(0, raw.size() - 1)));
    if (cut) FUZZ_CHECK(bytes.size() + 3 >= tips::kMaxLineBytes && raw.substr(0, bytes.size()) == bytes);
    const char first = bytes.front();
    FUZZ_CHECK(first != ' ' && first != '\t' && first != ';' && first != '\r');
  }

  // "다음" pressed over and over: each gives a tip of the file, or the file has none. A stored
  // position inside a line (a hand-edited profile) may first give that line's tail.
  for (int press = 0; press < 64; ++press) {
    const bool lineStart = pos == 0 || file[pos - 1] == '\n';
    std::string_view bytes;
    const bool found = tips::NextTipLine(file, &pos, &bytes);
    FUZZ_CHECK(found || !anyTip);
    if (lineStart) FUZZ_CHECK(found == anyTip);
    if (!found) break;
    FUZZ_CHECK(pos <= file.size() && !bytes.empty() && bytes.size() <= tips::kMaxLineBytes);
    FUZZ_CHECK(bytes.data() >= file.data() && bytes.data() + bytes.size() <= file.data() + file.size());
    // The dialog's reading of a line that is no UTF-8: one UTF-16 unit a byte at most.
    if (press < 4) FUZZ_CHECK(platform::AnsiToUtf16(bytes).size() <= bytes.size());
  }
  return 0;
}

int FuzzMbrImport(const std::uint8_t* data, std::size_t size) {
  const mbrfix::ImageVerdict verdict = mbrfix::CheckImage(data, size);
  const bool good = size == mbrfix::kImageSize && data[510] == 0x55 && data[511] == 0xAA;
  FUZZ_CHECK((verdict == mbrfix::ImageVerdict::kAccepted) == good);
  FUZZ_CHECK(good || verdict == (size == mbrfix::kImageSize ? mbrfix::ImageVerdict::kNoSignature
                                                            : mbrfix::ImageVerdict::kWrongSize));
  // The same bytes as a file: the same verdict, and an accepted sector as it was.
  const MemoryFile file(data, size);
  std::array<std::uint8_t, mbrfix::kImageSize> sector;
  sector.fill(0xA5);
  FUZZ_CHECK(mbrfix::ReadImage(file.Path(), &sector) == verdict);
  if (good)
    FUZZ_CHECK(std::equal(sector.begin(), sector.end(), data));
  else
    FUZZ_CHECK(std::all_of(sector.begin(), sector.end(), [](std::uint8_t b) { return b == 0xA5; }));
  return 0;
}

}  // namespace fuzz
