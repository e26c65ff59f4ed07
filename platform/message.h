// Message boxes and process exit, behind one replaceable sink.
//
// Engine and module code report to the user through ShowMessage and end the process through
// ExitProcess. The GUI installs a sink that shows a dialog on the UI thread; tests install a
// RecordingMessageSink that keeps the texts and answers from a script.
#pragma once

#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// YesNoDefaultNo: Yes and No with No as the default button.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel, YesNoDefaultNo };
enum class MsgIcon { None, Error, Warning, Information, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual MsgAnswer Show(std::u16string_view text, MsgButtons buttons, MsgIcon icon) = 0;
  // Must not return.
  [[noreturn]] virtual void Exit(int code) = 0;
};

// Installs a sink (null restores the console sink). The sink is not owned.
void SetMessageSink(MessageSink* sink);
MessageSink& CurrentMessageSink();

MsgAnswer ShowMessage(std::u16string_view text, MsgButtons buttons = MsgButtons::Ok,
                      MsgIcon icon = MsgIcon::None);
[[noreturn]] void ExitProcess(int code);

// Thrown by RecordingMessageSink::Exit so a test can observe a process end.
struct ProcessExit : std::runtime_error {
  explicit ProcessExit(int c) : std::runtime_error("process exit"), code(c) {}
  int code;
};

// Test sink: records every message, answers from a queue (the first button when it runs dry).
class RecordingMessageSink : public MessageSink {
 public:
  struct Entry {
    std::u16string text;
    MsgButtons buttons;
    MsgIcon icon;
  };

  MsgAnswer Show(std::u16string_view text, MsgButtons buttons, MsgIcon icon) override;
  [[noreturn]] void Exit(int code) override;

  void QueueAnswer(MsgAnswer a);
  std::vector<Entry> Messages() const;
  std::vector<std::u16string> Texts() const;
  bool Saw(std::u16string_view text) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> messages_;
  std::deque<MsgAnswer> answers_;
};

// Installs a sink for the lifetime of the guard.
class ScopedMessageSink {
 public:
  explicit ScopedMessageSink(MessageSink* sink);
  ~ScopedMessageSink();
  ScopedMessageSink(const ScopedMessageSink&) = delete;
  ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

 private:
  MessageSink* previous_;
};

MsgAnswer FirstAnswerOf(MsgButtons buttons);

std::string ToUtf8(std::u16string_view text);
// Appends the UTF-8 form of `text` to *out (a lone surrogate becomes U+FFFD, as in ToUtf8).
void AppendUtf8(std::u16string_view text, std::string* out);
std::u16string FromUtf8(std::string_view text);

}  // namespace platform
