#pragma once
// The command line's entry, shared by karstelle-cli and its module: the options every command
// takes, help and version, then the command from a table.

#include <functional>
#include <string>
#include <vector>

namespace cli {

struct CommandEntry
{
    const char* name;
    int (*run)(const std::vector<std::string>& args); // the arguments after the command's name
};

// Runs the command of argv from `commands`; a command not there goes to `otherwise` (with the
// whole argv), and gives the usage and status 2 when that is empty.
int Dispatch(int argc, char** argv, const std::vector<CommandEntry>& commands,
    const std::function<int()>& otherwise = {});

// The commands that draw (render, table), read option files (options) or need PROJ (import,
// export) live in a module of their own, loaded only when one of them is asked for: the others
// start without Qt and PROJ, which are most of the program's start-up time and memory. Its entry:
inline constexpr const char* kModuleEntry = "karstelle_cli_module";

} // namespace cli
