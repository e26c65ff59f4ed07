#include "platform/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/fault_plan.h"
#include "platform/message.h"

namespace platform {
namespace {

std::atomic<unsigned> g_tempCounter{0};

// A new hidden file in the folder of `target`, created exclusively; its path in *temp.
int CreateTemporary(const std::string& target, std::string* temp) {
  const std::string folder = target.substr(0, target.rfind('/') + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, ".save-%ld-%u.part", static_cast<long>(getpid()),
                  g_tempCounter.fetch_add(1));
    *temp = folder + name;
    const int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

bool IsPlainFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  return name.find(u'/') == std::u16string_view::npos && name.find(u'\0') == std::u16string_view::npos;
}

std::string OutputPath(std::u16string_view folder, std::u16string_view name) {
  if (!IsPlainFileName(name) || folder.empty() || folder.find(u'\0') != std::u16string_view::npos)
    return {};
  std::string path = ToUtf8(folder);
  if (path.back() != '/') path += '/';
  return path + ToUtf8(name);
}

OutputFile::~OutputFile() { Discard(); }

OutputFile::OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  if (this != &other) {
    Discard();
    fd_ = std::exchange(other.fd_, -1);
    temp_ = std::move(other.temp_);
    target_ = std::move(other.target_);
    written_ = std::exchange(other.written_, 0);
  }
  return *this;
}

OutputFile OutputFile::Create(std::u16string_view folder, std::u16string_view name, Error* error) {
  OutputFile file;
  file.target_ = OutputPath(folder, name);
  Error result = Error::None;
  if (file.target_.empty()) {
    result = Error::BadName;
  } else {
    file.fd_ = CreateTemporary(file.target_, &file.temp_);
    if (file.fd_ < 0) result = Error::CannotCreate;
  }
  if (error) *error = result;
  return file;
}

bool OutputFile::Write(const void* data, std::size_t length) {
  if (fd_ < 0) return false;
  if (length == 0) return true;
  if (FaultPlan::OutputWriteFails(written_, length)) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd_, p + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  written_ += length;
  return true;
}

bool OutputFile::WriteZeros(std::uint64_t length) {
  static const unsigned char zeros[65536] = {};
  while (length > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof zeros));
    if (!Write(zeros, n)) return false;
    length -= n;
  }
  return true;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0 || std::rename(temp_.c_str(), target_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void OutputFile::Discard() {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace platform
