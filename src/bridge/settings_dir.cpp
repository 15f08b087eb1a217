// Finds the folder of the settings and option files.
#include "bridge/settings_dir.h"
#include "bridge/qt_text.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace ks {

std::string SettingsDirectory()
{
    if (const char* home = std::getenv("KARSTELLE_HOME"); home && *home)
        return home;
    std::error_code ec;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const std::string folder = program.parent_path().string();
        if (access(folder.c_str(), W_OK) == 0)
            return folder;
    }
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + "/.config";
    const std::string folder = ToUtf8(config + "/Karstelle");
    std::filesystem::create_directories(folder, ec);
    return folder;
}

} // namespace ks
