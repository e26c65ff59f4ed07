// The program's message sink: message boxes on the UI thread, process end with a failure status.
#pragma once

#include "platform/message.h"

class QtMessageSink : public platform::MessageSink {
 public:
  // Workers wait for the UI thread's answer (a blocking queued call).
  platform::MsgAnswer Show(std::u16string_view text, platform::MsgButtons buttons, platform::MsgIcon icon) override;
  [[noreturn]] void Exit(int code) override;
};
