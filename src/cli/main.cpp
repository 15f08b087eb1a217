// karstelle-cli: the non-interactive work on massif files, for batch use, scripts and tests.
// The commands that need neither Qt nor PROJ run here; the others are in karstelle-cli-module.so,
// beside the program (or in ../lib/karstelle when installed), loaded when one of them is asked for.

#include "cli/cli_common.h"
#include "cli/dispatch.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>

using namespace cli;

namespace {

// The folder of this program, from the kernel's link to it.
std::string ProgramFolder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string self(path, static_cast<std::size_t>(n));
    const auto slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

int RunInModule(int argc, char** argv)
{
    const std::string folder = ProgramFolder();
    std::string errors;
    for (const std::string& path :
        { folder + "/karstelle-cli-module.so", folder + "/../lib/karstelle/karstelle-cli-module.so" }) {
        // The module is kept loaded until the process ends: its static objects outlive the call.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            errors += std::string("\n  ") + dlerror();
            continue;
        }
        using Entry = int (*)(int, char**);
        const auto entry = reinterpret_cast<Entry>(dlsym(module, kModuleEntry));
        if (!entry) {
            errors += "\n  " + path + ": " + kModuleEntry + " missing";
            continue;
        }
        return entry(argc, argv);
    }
    std::cerr << "karstelle-cli: the part that draws and exchanges files cannot be loaded:" << errors << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    static const std::vector<CommandEntry> kCommands = {
        { "info", Info },
        { "convert", Convert },
        { "compute", Compute },
        { "search", Search },
        { "stats", Stats },
        { "elevation", Elevation },
        { "check", Check },
    };
    // Any other command is the module's, which answers one it does not know with the usage.
    return Dispatch(argc, argv, kCommands, [argc, argv]() -> int {
        if (argc < 2) {
            std::cerr << kUsage;
            return 2;
        }
        return RunInModule(argc, argv);
    });
}
