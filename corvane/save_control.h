// What the caller of a file save decides and learns while it runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {
class OutputFile;
}

struct SaveControl {
  // Called after every run of clusters or compression unit is written, with the bytes written so
  // far and the bytes the save aims at. It may block (a pause); true stops the save, which then
  // fails and leaves no output file.
  std::function<bool(std::uint64_t written, std::uint64_t total)> afterChunk;

  // A save whose data cannot reach the recorded size keeps what it read under the file's name
  // (true), or leaves the folder as it was (false: an older file of that name stays).
  bool keepIncomplete = true;

  // Set by the save: why it failed, or what its output lacks. Empty after a plain success.
  std::u16string note;
  bool stopped = false;  // the hook or the cancel flag ended it
};

inline constexpr char16_t kNoteSaveStopped[] = u"저장을 중지했습니다.";
inline constexpr char16_t kNoteReadFailed[] = u"섹터를 읽을 수 없습니다";
inline constexpr char16_t kNoteWriteFailed[] = u"파일에 쓸 수 없습니다.";
inline constexpr char16_t kNoteOutOfMemory[] = u"메모리가 부족합니다.";
inline constexpr char16_t kNoteCannotCreate[] = u"저장위치에 파일을 만들 수 없습니다.";
inline constexpr char16_t kNoteIncompleteNotReplaced[] =
    u"데이터가 기록된 크기에 미치지 못하므로 기존 파일을 바꾸지 않았습니다.";
inline constexpr char16_t kNoteDataBeyondRuns[] =
    u"손상된 파일: 기록된 크기가 데이터 런이 가리키는 클러스터보다 큽니다. 런이 가리키는 부분만 저장했습니다.";

namespace save_control {

// Asks the hook after a chunk; true when the save must stop (recorded in the control).
inline bool StopAfterChunk(SaveControl* control, std::uint64_t written, std::uint64_t total) {
  if (!control || !control->afterChunk || !control->afterChunk(written, total)) return false;
  control->stopped = true;
  control->note = kNoteSaveStopped;
  return true;
}

inline void Note(SaveControl* control, const char16_t* text) {
  if (control && control->note.empty()) control->note = text;
}

// Puts the written file in place; the result of a save whose copy ran to its end. A short copy
// is kept (it is data the user may want, unless the control says otherwise) and fails with
// `shortNote`.
int Finish(platform::OutputFile& out, bool complete, SaveControl* control,
           const char16_t* shortNote = nullptr);

}  // namespace save_control
