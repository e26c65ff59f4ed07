#include "platform/environment.h"

#include <cstdlib>

namespace platform {
namespace {

// Set and not empty.
std::optional<std::string> NonEmptyValue(const char* name) {
  std::optional<std::string> value = EnvironmentValue(name);
  if (value && value->empty()) value.reset();
  return value;
}

}  // namespace

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return std::string(value);
}

DriveEnvironment ReadDriveEnvironment() {
  DriveEnvironment env;
  env.drives = EnvironmentValue("PELLAMOR_DRIVES");
  env.blockDevices = EnvironmentValue("PELLAMOR_BLOCK_DEVICES") != "0";
  return env;
}

std::string SettingsFileFromEnvironment() { return NonEmptyValue("PELLAMOR_SETTINGS").value_or(std::string()); }

std::string UserConfigFolder() {
  if (auto xdg = NonEmptyValue("XDG_CONFIG_HOME")) return *xdg;
  if (auto home = NonEmptyValue("HOME")) return *home + "/.config";
  return {};
}

}  // namespace platform
