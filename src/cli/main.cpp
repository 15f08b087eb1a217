// karstelle-cli: the non-interactive work on massif files, for batch use, scripts and tests.

#include "cli/cli_common.h"
#include "model/file_error.h"
#include "model/version.h"

#include <QGuiApplication>

#include <algorithm>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

using namespace cli;

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty()
        && (args[0] == "compute" || args[0] == "check" || args[0] == "render" || args[0] == "stats"
            || args[0] == "export" || args[0] == "table")) {
        const auto flag = std::remove(args.begin(), args.end(), std::string("--no-limits"));
        g_unlimited = flag != args.end();
        args.erase(flag, args.end());
    }
    // An empty file name would stand for another file (convert IN "" rewrote IN): none is taken.
    if (std::find(args.begin(), args.end(), std::string()) != args.end()) {
        std::cerr << "karstelle-cli: an argument is empty: a file name or a value cannot be empty\n";
        return 2;
    }
    try {
        if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
            std::cout << kUsage;
            return 0;
        }
        if (args.size() == 1 && args[0] == "--version") {
            std::cout << "karstelle-cli " << ks::kVersion << '\n';
            return 0;
        }
        // The commands that draw nothing run without Qt.
        using Command = int (*)(const std::vector<std::string>&);
        static const std::pair<const char*, Command> kCommands[] = {
            { "info", Info },
            { "convert", Convert },
            { "compute", Compute },
            { "search", Search },
            { "import", Import },
            { "export", Export },
            { "stats", Stats },
            { "elevation", Elevation },
            { "table", Table },
            { "options", Options },
            { "check", Check },
        };
        for (const auto& [name, run] : kCommands)
            if (!args.empty() && args[0] == name)
                return run(std::vector<std::string>(args.begin() + 1, args.end()));
        if (args.size() >= 2 && args[0] == "render"
            && (args[1] == "plan" || args[1] == "elevation" || args[1] == "perspective"
                || args[1] == "table")) {
            // Drawing needs a GUI application object; no window is ever shown.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            int qtArgc = 1;
            QGuiApplication application(qtArgc, argv);
            std::setlocale(LC_NUMERIC, "C");
            return Render(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
        }
    } catch (const ks::FileError& e) {
        std::cerr << "karstelle-cli: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "karstelle-cli: " << e.what() << '\n';
        return 1;
    }
    std::cerr << kUsage;
    return 2;
}
