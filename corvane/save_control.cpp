#include "corvane/save_control.h"

#include "platform/output_file.h"

namespace save_control {

int Finish(platform::OutputFile& out, bool complete, SaveControl* control, const char16_t* shortNote) {
  if (!complete && control && !control->keepIncomplete) {
    out.Discard();
    Note(control, kNoteIncompleteNotReplaced);
    return 0;
  }
  if (!out.Commit()) {
    Note(control, kNoteWriteFailed);
    return 0;
  }
  if (complete) return 1;
  if (shortNote) Note(control, shortNote);
  return 0;
}

}  // namespace save_control
