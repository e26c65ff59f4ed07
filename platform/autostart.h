// Start-up entries of the desktop session: the per-user XDG autostart folder stands in for the
// per-user Run key of the registry.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The entry file for a name: <config folder>/autostart/<name>.desktop, with '/' and '\' in the
// name made '_' and an empty name made "Pellamor". Empty when there is no configuration folder.
std::string AutostartFile(const std::u16string& name);

// The command line of an entry's Exec key for a program and its arguments, quoted as desktop entries
// require: an argument holding a blank or a reserved character is enclosed in double quotes with
// '"', '`', '$' and '\' inside it escaped by a backslash; others stay as they are.
std::u16string ExecCommandLine(const std::vector<std::u16string>& arguments);

// Writes the entry that runs command (an Exec command line) when the session starts, creating the folder when missing
// and replacing an entry of the same name. False when nothing was written: no configuration
// folder, a name or command that spans lines, or a failed write (an old entry then stays as it
// was). The command is written as a string value: backslashes doubled, '%' written "%%".
bool WriteAutostartEntry(const std::u16string& name, const std::u16string& command);

// Removes the entry of that name and nothing else. True when no such entry is left (also when there
// was none); false when it could not be removed.
bool RemoveAutostartEntry(const std::u16string& name);

}  // namespace platform
