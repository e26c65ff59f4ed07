#include "platform/message.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

// Console sink: prints to stderr and takes the safe answer.
class ConsoleSink : public MessageSink {
 public:
  MsgAnswer Show(std::u16string_view text, MsgButtons buttons, MsgIcon) override {
    std::fprintf(stderr, "%s\n", ToUtf8(text).c_str());
    switch (buttons) {
      case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
      case MsgButtons::YesNo:
      case MsgButtons::YesNoDefaultNo:
      case MsgButtons::YesNoCancel: return MsgAnswer::No;
      case MsgButtons::OkCancel:
      case MsgButtons::RetryCancel: return MsgAnswer::Cancel;
      case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
  }
  [[noreturn]] void Exit(int code) override {
    std::fflush(nullptr);
    std::_Exit(code == 0 ? 1 : code);
  }
};

ConsoleSink g_console;
std::atomic<MessageSink*> g_sink{nullptr};

}  // namespace

void SetMessageSink(MessageSink* sink) { g_sink.store(sink); }

MessageSink& CurrentMessageSink() {
  MessageSink* s = g_sink.load();
  return s ? *s : g_console;
}

MsgAnswer ShowMessage(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  return CurrentMessageSink().Show(text, buttons, icon);
}

void ExitProcess(int code) {
  CurrentMessageSink().Exit(code);
  std::_Exit(code == 0 ? 1 : code);  // a sink that returned anyway
}

MsgAnswer FirstAnswerOf(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoDefaultNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
  }
  return MsgAnswer::Ok;
}

MsgAnswer RecordingMessageSink::Show(std::u16string_view text, MsgButtons buttons, MsgIcon icon) {
  std::lock_guard lock(mutex_);
  messages_.push_back({std::u16string(text), buttons, icon});
  if (answers_.empty()) return FirstAnswerOf(buttons);
  MsgAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

void RecordingMessageSink::Exit(int code) { throw ProcessExit(code); }

void RecordingMessageSink::QueueAnswer(MsgAnswer a) {
  std::lock_guard lock(mutex_);
  answers_.push_back(a);
}

std::vector<RecordingMessageSink::Entry> RecordingMessageSink::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::u16string> RecordingMessageSink::Texts() const {
  std::lock_guard lock(mutex_);
  std::vector<std::u16string> out;
  for (const auto& m : messages_) out.push_back(m.text);
  return out;
}

bool RecordingMessageSink::Saw(std::u16string_view text) const {
  std::lock_guard lock(mutex_);
  for (const auto& m : messages_)
    if (m.text == text) return true;
  return false;
}

void RecordingMessageSink::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  answers_.clear();
}

ScopedMessageSink::ScopedMessageSink(MessageSink* sink) : previous_(g_sink.load()) {
  SetMessageSink(sink);
}

ScopedMessageSink::~ScopedMessageSink() { SetMessageSink(previous_); }

void AppendUtf8(std::u16string_view text, std::string* out) {
  // Room for the longest form (three bytes a unit; a pair of units takes four), cut back after.
  const std::size_t at = out->size();
  out->resize(at + 3 * text.size());
  char* p = out->data() + at;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      *p++ = static_cast<char>(0xC0 | (c >> 6));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *p++ = static_cast<char>(0xE0 | (c >> 12));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *p++ = static_cast<char>(0xF0 | (c >> 18));
      *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out->resize(static_cast<std::size_t>(p - out->data()));
}

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  AppendUtf8(text, &out);
  return out;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    std::size_t n = 1;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      n = 3;
    } else if ((b & 0xF8) == 0xF0) {
      n = 4;
    }
    if (n > 1) {
      if (i + n > text.size()) {
        n = 1;
      } else {
        c = b & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
          auto cb = static_cast<unsigned char>(text[i + k]);
          if ((cb & 0xC0) != 0x80) {
            c = 0xFFFD;
            n = k;
            break;
          }
          c = (c << 6) | (cb & 0x3F);
        }
      }
    }
    i += n;
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c > 0x10FFFF ? 0xFFFD : c);
    }
  }
  return out;
}

}  // namespace platform
