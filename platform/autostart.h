// Start-up entries of the desktop session: the per-user XDG autostart folder stands in for the
// per-user Run key of the registry.
#pragma once

#include <string>

namespace platform {

// The entry file for a name: <config folder>/autostart/<name>.desktop, with '/' and '\' in the
// name made '_' and an empty name made "Pellamor". Empty when there is no configuration folder.
std::string AutostartFile(const std::u16string& name);

// Writes the entry that runs command when the session starts, creating the folder when missing
// and replacing an entry of the same name. False when nothing was written: no configuration
// folder, a name or command that spans lines, or a failed write (an old entry then stays as it
// was).
bool WriteAutostartEntry(const std::u16string& name, const std::u16string& command);

}  // namespace platform
