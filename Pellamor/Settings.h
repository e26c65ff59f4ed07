// The program's profile: sections "Options" and "Tip" under the maker's key.
//
// The profile is an INI file kept by QSettings: by default the user's own file for the maker
// "OrbaneLab" and the program "Pellamor"; PELLAMOR_SETTINGS (or SetProfileFile) names another
// file, which is how tests keep their settings apart.
#pragma once

#include <QString>
#include <QVariant>

namespace profile {

inline constexpr const char* kMakerKey = "OrbaneLab";
inline constexpr const char* kProgramName = "Pellamor";

// Sets the file of the profile; empty returns to the default (or PELLAMOR_SETTINGS).
void SetProfileFile(const QString& path);
QString ProfileFile();

int GetProfileInt(const QString& section, const QString& key, int defaultValue);
bool WriteProfileInt(const QString& section, const QString& key, int value);
QString GetProfileString(const QString& section, const QString& key, const QString& defaultValue = {});
bool WriteProfileString(const QString& section, const QString& key, const QString& value);
// True when the key is stored in the section.
bool HasProfileKey(const QString& section, const QString& key);

}  // namespace profile
