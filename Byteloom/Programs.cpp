#include "Byteloom/Programs.h"

#include "Byteloom/BootmendDlg.h"
#include "Byteloom/ByteloomDlg.h"

namespace byteloom {

Program ByteloomProgram() {
  return {QStringLiteral("Byteloom"), [] { return std::make_unique<CByteloomDlg>(); }};
}

Program BootmendProgram() {
  return {QStringLiteral("Bootmend"), [] { return std::make_unique<CBootmendDlg>(); }};
}

}  // namespace byteloom
