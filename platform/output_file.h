// The one way a recovered file reaches the save folder.
//
// The name must be one plain entry of the folder. The bytes go to a hidden temporary file beside
// the target, which takes the target's place only on Commit: a save that fails or is stopped
// leaves neither a partial file nor a changed older file of the same name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Not empty, not "." or "..", and no '/' or NUL: the name cannot leave the folder.
bool IsPlainFileName(std::u16string_view name);

// folder + "/" + name in UTF-8, or empty when the folder is empty or holds a NUL, or the name is
// not plain.
std::string OutputPath(std::u16string_view folder, std::u16string_view name);

class OutputFile {
 public:
  enum class Error { None, BadName, CannotCreate };

  OutputFile() = default;
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Starts a file that will be folder/name; check IsOpen (and *error) for the outcome.
  static OutputFile Create(std::u16string_view folder, std::u16string_view name,
                           Error* error = nullptr);

  bool IsOpen() const { return fd_ >= 0; }
  // Appends; false on any failure (a short write included).
  bool Write(const void* data, std::size_t length);
  bool WriteZeros(std::uint64_t length);
  std::uint64_t Written() const { return written_; }
  const std::string& TargetPath() const { return target_; }

  // Closes the file and puts it in the target's place; false (and nothing left) on failure.
  bool Commit();
  // Closes and removes the temporary file.
  void Discard();

 private:
  int fd_ = -1;
  std::string temp_;
  std::string target_;
  std::uint64_t written_ = 0;
};

}  // namespace platform
