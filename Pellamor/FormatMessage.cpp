#include "Pellamor/FormatMessage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/message.h"

int CFormatMessage::ShowLastError(std::u16string text, bool show, std::u16string* combined) const {
  int error = errno;
  text += u' ';
  char buffer[256] = {};
  // The GNU strerror_r returns its text, which need not be the buffer.
  const char* system = error ? strerror_r(error, buffer, sizeof buffer) : nullptr;
  std::u16string systemText = system ? platform::FromUtf8(system) : std::u16string();
  text += systemText;
  if (combined) *combined = text;
  if (show) platform::ShowMessage(text, platform::MsgButtons::Ok, platform::MsgIcon::Warning);
  return static_cast<int>(systemText.size());
}

std::string CJorunRegistry::AutostartFile(const std::u16string& valueName) {
  std::filesystem::path folder;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    folder = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  std::string name = platform::ToUtf8(valueName);
  for (char& c : name)
    if (c == '/' || c == '\\') c = '_';
  if (name.empty()) name = "Pellamor";
  return (folder / "autostart" / (name + ".desktop")).string();
}

bool CJorunRegistry::WriteStringUtf8(const std::u16string& /*rootKey*/, const std::u16string& /*subkey*/,
                                     const std::u16string& valueName, const std::u16string& valueText) {
  std::string file = AutostartFile(valueName);
  if (file.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  if (ec) return false;
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << "[Desktop Entry]\n"
      << "Type=Application\n"
      << "Name=" << platform::ToUtf8(valueName) << "\n"
      << "Exec=" << platform::ToUtf8(valueText) << "\n"
      << "X-GNOME-Autostart-enabled=true\n";
  return static_cast<bool>(out.flush());
}
