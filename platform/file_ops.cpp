#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fault_plan.h"
#include "platform/message.h"
#include "platform/output_file.h"

namespace platform {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint64_t kMaxReserve = 256u << 20;

FileReadResult Refused(FileRefusal why, int error) {
  errno = error;
  return FileReadResult{why, 0};
}

// A regular file opened for reading, closed when it goes; every refusal is decided before the
// first read except a file that grows past its bound.
class RegularFile {
 public:
  RegularFile(const std::string& path, std::uint64_t maxBytes) : maxBytes_(maxBytes) {
    if (FaultPlan::FileReadFails()) {
      result_ = Refused(FileRefusal::kReadFailed, EIO);
      return;
    }
    if (path.find('\0') != std::string::npos) {
      result_ = Refused(FileRefusal::kCannotOpen, EINVAL);
      return;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      result_ = Refused(FileRefusal::kCannotOpen, errno);
      return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      const int error = errno;
      ::close(fd);
      result_ = Refused(FileRefusal::kCannotOpen, error);
      return;
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      result_ = Refused(FileRefusal::kNotRegularFile, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
      return;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
      ::close(fd);
      result_ = Refused(FileRefusal::kTooLarge, EFBIG);
      return;
    }
    // Reads of a regular file block as they should (a slow disk is waited for).
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    result_.modifiedMsecs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
  }
  ~RegularFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  std::uint64_t Size() const { return size_; }
  const FileReadResult& Result() const { return result_; }

  // The next bytes into `to` (0 at the end); false with the result set on a failure or when the
  // file holds more than its bound. Never asks for more than one byte past the bound.
  bool Read(char* to, std::size_t size, std::size_t* got) {
    const std::uint64_t room = maxBytes_ - std::min(read_, maxBytes_);
    const std::size_t ask = room < size ? static_cast<std::size_t>(room) + 1 : size;
    for (;;) {
      const ssize_t n = ::read(fd_, to, ask);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result_ = Refused(FileRefusal::kReadFailed, errno);
        return false;
      }
      read_ += static_cast<std::uint64_t>(n);
      if (read_ > maxBytes_) {
        result_ = Refused(FileRefusal::kTooLarge, EFBIG);
        return false;
      }
      *got = static_cast<std::size_t>(n);
      return true;
    }
  }

 private:
  int fd_ = -1;
  std::uint64_t maxBytes_;
  std::uint64_t size_ = 0;
  std::uint64_t read_ = 0;
  FileReadResult result_;
};

}  // namespace

bool IsFolder(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
  struct stat st {};
  return ::stat(ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryExists(std::u16string_view folder, std::u16string_view name) {
  const std::string path = OutputPath(folder, name);
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

FileReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* out, std::uint64_t maxBytes) {
  out->clear();
  RegularFile file(path, maxBytes);
  if (!file.IsOpen()) return file.Result();
  // Sized once from the file's own size; a larger one (no bound given) grows as it is read.
  out->reserve(static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kMaxReserve)));
  char chunk[kChunk];
  for (;;) {
    std::size_t n = 0;
    if (!file.Read(chunk, sizeof chunk, &n)) {
      out->clear();
      return file.Result();
    }
    if (n == 0) break;
    out->insert(out->end(), chunk, chunk + n);
  }
  return file.Result();
}

void LineSplitter::Feed(std::string_view bytes, const LineSink& line) {
  while (!bytes.empty()) {
    const std::size_t newline = bytes.find('\n');
    const std::string_view piece = bytes.substr(0, newline);
    if (!skipping_) {
      if (line_.size() + piece.size() > maxLine_) {
        skipping_ = true;  // too long: dropped up to its end
        line_.clear();
      } else {
        line_.append(piece);
      }
    }
    if (newline == std::string_view::npos) return;
    if (!skipping_) line(line_);
    line_.clear();
    skipping_ = false;
    bytes.remove_prefix(newline + 1);
  }
}

void LineSplitter::Finish(const LineSink& line) {
  if (!skipping_ && !line_.empty()) line(line_);
  line_.clear();
  skipping_ = false;
}

FileReadResult ReadFileLines(const std::string& path, std::uint64_t maxFileBytes, std::size_t maxLineBytes,
                             const LineSink& line) {
  RegularFile file(path, maxFileBytes);
  if (!file.IsOpen()) return file.Result();
  LineSplitter splitter(maxLineBytes);
  std::vector<char> chunk(kChunk);
  for (;;) {
    std::size_t n = 0;
    if (!file.Read(chunk.data(), chunk.size(), &n)) return file.Result();
    if (n == 0) break;
    splitter.Feed(std::string_view(chunk.data(), n), line);
  }
  splitter.Finish(line);
  return file.Result();
}

}  // namespace platform
