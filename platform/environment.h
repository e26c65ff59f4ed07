// The process environment: the one place that reads it.
//
// Variables the suite knows:
//   PELLAMOR_DRIVES          drive sources, "E=/a.img;F=/dev/sdb1" (see drive_map.h)
//   PELLAMOR_BLOCK_DEVICES   "0" leaves the machine's block devices out of the drive map
//   PELLAMOR_SETTINGS        file of the program's profile, in place of the user's own
//   XDG_CONFIG_HOME, HOME    where the desktop's per-user configuration lives
//   DISPLAY                  the X display whose windows the virtual desktop tool switches
#pragma once

#include <optional>
#include <string>

namespace platform {

// The value of a variable; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

// What the environment says about the drive map.
struct DriveEnvironment {
  std::optional<std::string> drives;  // PELLAMOR_DRIVES
  bool blockDevices = true;           // false when PELLAMOR_BLOCK_DEVICES is "0"
  // The drives text as DriveMap::Configure takes it (null when unset).
  const char* DrivesText() const { return drives ? drives->c_str() : nullptr; }
};
DriveEnvironment ReadDriveEnvironment();

// PELLAMOR_SETTINGS; empty when unset or empty.
std::string SettingsFileFromEnvironment();

// The per-user configuration folder: XDG_CONFIG_HOME, else HOME/.config; empty when neither is
// set.
std::string UserConfigFolder();

}  // namespace platform
