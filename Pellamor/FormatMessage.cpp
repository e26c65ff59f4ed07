#include "Pellamor/FormatMessage.h"

#include <cerrno>

#include "platform/autostart.h"
#include "platform/message.h"
#include "platform/system_error.h"

int CFormatMessage::ShowLastError(std::u16string text, bool show, std::u16string* combined) const {
  int error = errno;
  text += u' ';
  std::u16string systemText = platform::SystemErrorText(error);
  text += systemText;
  if (combined) *combined = text;
  if (show) platform::ShowMessage(text, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
  return static_cast<int>(systemText.size());
}

std::string CJorunRegistry::AutostartFile(const std::u16string& valueName) {
  return platform::AutostartFile(valueName);
}

bool CJorunRegistry::WriteStringUtf8(const std::u16string& /*rootKey*/, const std::u16string& /*subkey*/,
                                     const std::u16string& valueName, const std::u16string& valueText) {
  return platform::WriteAutostartEntry(valueName, valueText);
}

bool CJorunRegistry::DeleteValue(const std::u16string& /*rootKey*/, const std::u16string& /*subkey*/,
                                 const std::u16string& valueName) {
  return platform::RemoveAutostartEntry(valueName);
}
