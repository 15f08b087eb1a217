// karstelle-cli export: the computed current sheets as a VRML world or as plotter text.
#include "cli/cli_common.h"

#include "bridge/settings_dir.h"
#include "exchange/plotter.h"
#include "exchange/toporobot.h"
#include "exchange/vrml.h"
#include "model/file_io.h"
#include "options/options.h"

#include <iostream>

namespace cli {

int Export(const std::vector<std::string>& args)
{
    if (args.size() < 3 || (args[0] != "vrml" && args[0] != "plotter" && args[0] != "toporobot"))
        return std::cerr << kUsage, 2;
    const std::string& format = args[0];
    const std::string& file = args[1];
    const std::string& out = args[2];
    ks::TVrmlSettings settings;
    settings.Centre = false;
    for (std::size_t i = 3; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (format == "vrml" && a == "--centre") {
            settings.Centre = true;
        } else if (format == "vrml" && a == "--mode" && i + 1 < args.size()) {
            const std::string& mode = args[++i];
            if (mode == "grey")
                settings.Mode = 0;
            else if (mode == "colour")
                settings.Mode = 2;
            else if (mode == "deformation")
                settings.Mode = 3;
            else
                return std::cerr << kUsage, 2;
        } else {
            return std::cerr << kUsage, 2;
        }
    }

    TMassif massif;
    if (format == "toporobot") {
        // Readings and reference points only: a massif that cannot be computed is written too.
        ks::LoadResult loaded;
        if (!LoadMassif(file, massif, loaded))
            return 1;
        if (massif.References.empty()) {
            std::cerr << "karstelle-cli: " << ks::kNoReferenceExportText << '\n';
            return 1;
        }
        ks::WriteFileSafely(out, ks::ToporobotText(massif));
        return 0;
    }
    if (!LoadComputed(file, massif))
        return 1;
    if (format == "plotter") {
        ks::WriteFileSafely(out, ks::PlotterText(massif));
        return 0;
    }
    TOptions_Relief options;
    ks::Charger(options, ks::SettingsDirectory() + "/" + ks::kReliefOptionsFile);
    ks::ExportVrml(out, std::string(), massif, options, settings);
    return 0;
}

int Import(const std::vector<std::string>& args)
{
    if (args.size() != 3 || args[0] != "toporobot")
        return std::cerr << kUsage, 2;
    TMassif massif;
    ConsoleReporter reporter;
    const ks::TToporobotReport report = ks::ImportToporobot(args[1], massif, &reporter);
    massif.Save(args[2]);
    std::cout << "sheets: " << report.Sheets << "\ngalleries: " << report.Galleries
              << "\nshots: " << report.Shots << "\nreferences: " << report.References
              << "\nseries: " << report.Series << "\nstation lines: " << report.Stations << '\n';
    const std::string adapted = report.Adapted();
    if (!adapted.empty())
        PrintMessage(adapted);
    return 0;
}

} // namespace cli
