#include "platform/autostart.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "platform/environment.h"
#include "platform/message.h"

namespace platform {
namespace {

bool SpansLines(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// The Exec key's value: as every string value, a backslash is written twice; and in Exec a '%'
// starts a field code, so a literal one is written twice too.
std::string ExecValue(const std::string& command) {
  std::string out;
  for (char c : command) {
    out += c;
    if (c == '%' || c == '\\') out += c;
  }
  return out;
}

// Characters that make an Exec argument quoted.
bool IsReserved(char16_t c) {
  return std::u16string_view(u" \t\n\"'\\><~|&;$*?#()`").find(c) != std::u16string_view::npos;
}

}  // namespace

std::u16string ExecCommandLine(const std::vector<std::u16string>& arguments) {
  std::u16string line;
  for (const std::u16string& argument : arguments) {
    if (!line.empty()) line += u' ';
    bool quote = argument.empty();
    for (char16_t c : argument) quote = quote || IsReserved(c);
    if (!quote) {
      line += argument;
      continue;
    }
    line += u'"';
    for (char16_t c : argument) {
      if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') line += u'\\';
      line += c;
    }
    line += u'"';
  }
  return line;
}

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

bool RemoveAutostartEntry(const std::u16string& name) {
  const std::string file = AutostartFile(name);
  if (file.empty()) return true;  // no configuration folder: no entry either
  std::error_code ec;
  std::filesystem::remove(file, ec);
  if (ec) return false;
  return !std::filesystem::exists(std::filesystem::symlink_status(file, ec));
}

}  // namespace platform
