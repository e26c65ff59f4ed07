// The last system error as text, and the writer of the program's start-up entry.
#pragma once

#include <string>

// Turns the calling thread's last error (errno) into text and can show it.
class CFormatMessage {
 public:
  virtual ~CFormatMessage() = default;
  // Appends one blank and the system's text of errno to text; shows the result (also as the
  // caption) when show is set. Returns the length of the system text, 0 when there is none.
  int ShowLastError(std::u16string text, bool show, std::u16string* combined = nullptr) const;
};

// Writes one start-up entry. The desktop's start-up folder (the XDG autostart folder) stands in
// for the per-user Run key: the value name names the entry, the value text is its command.
class CJorunRegistry {
 public:
  // rootKey and subkey say where the value belongs on a registry; here they only select the
  // autostart folder. The folder is created when missing. False when the entry was not written.
  bool WriteStringUtf8(const std::u16string& rootKey, const std::u16string& subkey,
                       const std::u16string& valueName, const std::u16string& valueText);
  // Removes the value's entry and no other. False when it is still there.
  bool DeleteValue(const std::u16string& rootKey, const std::u16string& subkey, const std::u16string& valueName);
  // The entry's file for a value name.
  static std::string AutostartFile(const std::u16string& valueName);
};
