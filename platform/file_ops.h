// Small questions and reads about the files and folders the shell saves into or loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The path names a folder (or a link that leads to one).
bool IsFolder(std::u16string_view path);

// The folder holds an entry of that plain name, of any kind (a dangling link included).
bool EntryExists(std::u16string_view folder, std::u16string_view name);

// Why a read of a file gave nothing.
enum class FileRefusal : std::uint8_t {
  kNone,
  kCannotOpen,      // missing, not permitted, or a name that cannot be opened
  kNotRegularFile,  // a FIFO, a folder, a device or a socket
  kTooLarge,        // more bytes than the reader's bound (also when it grew while read)
  kReadFailed,      // a read failed, or the fault plan failed it
};

struct FileReadResult {
  FileRefusal refusal = FileRefusal::kNone;
  std::int64_t modifiedMsecs = 0;  // the file's modification time, ms since 1970-01-01 UTC
  explicit operator bool() const { return refusal == FileRefusal::kNone; }
};

inline constexpr std::uint64_t kNoFileBound = UINT64_MAX;

// Every read below opens the file without waiting (a FIFO with no writer does not block) and
// without making it the controlling terminal, and reads it only when it is a regular file of at
// most its bound (the kernel's /proc texts are regular files). On a refusal errno says why.

// The whole file at `path` (UTF-8) into *out; *out is empty unless the read succeeded.
FileReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out,
                             std::uint64_t maxBytes = kNoFileBound);

using LineSink = std::function<void(std::string_view line)>;

// Cuts bytes into lines (each without its '\n'; a CR stays). A line longer than its bound is
// skipped to its newline, so no more than the bound is ever held, whatever the input.
class LineSplitter {
 public:
  explicit LineSplitter(std::size_t maxLineBytes) : maxLine_(maxLineBytes) {}
  // The lines that `bytes` completes; the last piece waits for the next bytes.
  void Feed(std::string_view bytes, const LineSink& line);
  // The last line when the bytes did not end with a newline.
  void Finish(const LineSink& line);

 private:
  std::size_t maxLine_;
  std::string line_;  // never more than maxLine_ bytes
  bool skipping_ = false;
};

// The lines of the file at `path` through a LineSplitter of `maxLineBytes`. On a refusal after
// the read began, some lines may already have gone to `line`: the caller drops what it built.
FileReadResult ReadFileLines(const std::string& path, std::uint64_t maxFileBytes, std::size_t maxLineBytes,
                             const LineSink& line);

}  // namespace platform
