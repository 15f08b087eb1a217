#pragma once
// The folder of the settings and option files: KARSTELLE_HOME, the program's folder when
// writable, or the user's configuration folder.

#include <string>

namespace ks {

// The folder of the settings file and the option files: KARSTELLE_HOME when set; else the
// program's folder when it is writable; else the user's configuration folder for Karstelle.
std::string SettingsDirectory();

} // namespace ks
