// karstelle-cli-module.so: the commands of karstelle-cli that draw with Qt or convert coordinates
// with PROJ, called by the program with its whole command line.

#include "cli/cli_common.h"
#include "cli/dispatch.h"

#include <QGuiApplication>

#include <clocale>
#include <iostream>

using namespace cli;

namespace {

char** g_argv = nullptr;

int RenderCommand(const std::vector<std::string>& args)
{
    if (args.empty()
        || (args[0] != "plan" && args[0] != "elevation" && args[0] != "perspective" && args[0] != "table")) {
        std::cerr << kUsage;
        return 2;
    }
    // Drawing needs a GUI application object; no window is ever shown.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, g_argv);
    std::setlocale(LC_NUMERIC, "C");
    return Render(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}

} // namespace

extern "C" __attribute__((visibility("default"))) int karstelle_cli_module(int argc, char** argv)
{
    g_argv = argv;
    static const std::vector<CommandEntry> kCommands = {
        { "render", RenderCommand },
        { "table", Table },
        { "options", Options },
        { "import", Import },
        { "export", Export },
    };
    return Dispatch(argc, argv, kCommands);
}
