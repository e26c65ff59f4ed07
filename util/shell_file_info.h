// Icon and type name of a file by its name alone (found entries do not exist on disk).
//
// An icon is an index into the icon table that the user interface owns (ShellIconOfIndex in
// util/shell_icons.h): the display modules return indexes and never touch a widget. The same name
// gives the same index in every module of the process. Thread-safe.
#pragma once

#include <string>

class CUseShGetFileInfo {
 public:
  virtual ~CUseShGetFileInfo() = default;

  // Index of the icon of a file with this name, by its extension.
  int GetFileIconIndex(std::u16string name, bool small = true) const;
  // Index of the folder icon.
  int GetFolderIconIndex(bool small = true) const;
  // Type name of a file with this name; "<EXT> 파일" for an unknown extension, "파일" without one.
  std::u16string GetFileTypeName(std::u16string name) const;

  // The media type an icon index stands for ("text/plain"); empty for an index out of range.
  static std::u16string MediaTypeOfIndex(int index);
};
