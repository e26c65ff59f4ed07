#include "platform/system_error.h"

#include <cstring>

#include "platform/message.h"

namespace platform {

std::u16string SystemErrorText(int error) {
  if (!error) return {};
  char buffer[256] = {};
  // The GNU strerror_r returns its text, which need not be the buffer.
  const char* text = strerror_r(error, buffer, sizeof buffer);
  return text ? FromUtf8(text) : std::u16string();
}

}  // namespace platform
