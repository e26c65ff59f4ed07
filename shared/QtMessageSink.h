// The program's message sink: message boxes on the UI thread, process end with a failure status.
#pragma once

#include <QString>

#include <utility>

#include "platform/message.h"

class QtMessageSink : public platform::MessageSink {
 public:
  // Boxes carry the caption (none by default: the main program's boxes are untitled).
  explicit QtMessageSink(QString caption = QString()) : caption_(std::move(caption)) {}
  const QString& Caption() const { return caption_; }

  // Workers wait for the UI thread's answer (a blocking queued call).
  platform::MsgAnswer Show(std::u16string_view text, platform::MsgButtons buttons, platform::MsgIcon icon) override;
  [[noreturn]] void Exit(int code) override;

 private:
  QString caption_;
};
