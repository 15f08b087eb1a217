#include "cli/dispatch.h"

#include "cli/cli_common.h"
#include "model/file_error.h"
#include "model/version.h"

#include <algorithm>
#include <exception>
#include <iostream>

namespace cli {

int Dispatch(
    int argc, char** argv, const std::vector<CommandEntry>& commands, const std::function<int()>& otherwise)
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
        for (const CommandEntry& command : commands)
            if (!args.empty() && args[0] == command.name)
                return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
        if (otherwise)
            return otherwise();
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

} // namespace cli
