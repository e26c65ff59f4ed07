#include "platform/autostart.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/environment.h"
#include "platform/message.h"

namespace platform {
namespace {

bool SpansLines(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// In Exec a '%' starts a field code; a literal one is written twice.
std::string ExecValue(const std::string& command) {
  std::string out;
  for (char c : command) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

}  // namespace

std::string AutostartFile(const std::u16string& name) {
  std::string folder = UserConfigFolder();
  if (folder.empty()) return {};
  std::string file = ToUtf8(name);
  for (char& c : file)
    if (c == '/' || c == '\\') c = '_';
  if (file.empty()) file = "Pellamor";
  return (std::filesystem::path(folder) / "autostart" / (file + ".desktop")).string();
}

bool WriteAutostartEntry(const std::u16string& name, const std::u16string& command) {
  std::string file = AutostartFile(name);
  const std::string nameText = ToUtf8(name);
  const std::string commandText = ToUtf8(command);
  if (file.empty() || SpansLines(nameText) || SpansLines(commandText)) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
  if (ec) return false;
  // Written beside the entry and renamed over it, so a failed write leaves no half entry.
  const std::string temp = file + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (out) {
      out << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Name=" << nameText << "\n"
          << "Exec=" << ExecValue(commandText) << "\n"
          << "X-GNOME-Autostart-enabled=true\n";
      out.close();
    }
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace platform
