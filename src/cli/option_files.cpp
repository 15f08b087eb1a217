// karstelle-cli options: the views' option files shown, or written with their defaults.
#include "bridge/settings_dir.h"
#include "cli/args.h"
#include "cli/cli_common.h"
#include "options/options.h"

#include <filesystem>
#include <iostream>

namespace cli {

// Prints every option record (from its file, or the defaults), or writes the default files.
int Options(const std::vector<std::string>& args)
{
    std::string action;
    bool force = false;
    if (const auto refused = ArgParser().Word(action).Flag("--force", force).Parse(args))
        return *refused;
    if (action != "show" && action != "write-defaults")
        return Usage(), 2;
    const std::string folder = ks::SettingsDirectory();
    TOptions_Plan plan;
    TOptions_Coupe coupe;
    TOptions_Relief relief;
    TOptions_Tableau tableau;
    TMarge marge;
    int written = 0;
    auto each = [&](auto& record, const char* name) {
        const std::string path = folder + "/" + name;
        if (action == "show") {
            const bool read = ks::Charger(record, path);
            std::cout << "[" << name << "] " << (read ? path : std::string("defaults (no file)")) << '\n'
                      << ks::DescribeOptions(record) << '\n';
        } else if (force || !std::filesystem::exists(path)) {
            ks::Enregistrer(record, path, nullptr);
            std::cerr << "written: " << path << '\n';
            ++written;
        } else {
            std::cerr << "kept: " << path << " (--force replaces it)\n";
        }
    };
    each(plan, ks::kPlanOptionsFile);
    each(coupe, ks::kCoupeOptionsFile);
    each(relief, ks::kReliefOptionsFile);
    each(tableau, ks::kTableauOptionsFile);
    each(marge, ks::kMargeOptionsFile);
    return 0;
}

} // namespace cli
