// karstelle-cli export and import: the massif as a VRML world, plotter text, Toporobot or Survex;
// Toporobot and Survex files read into a massif.
#include "cli/args.h"
#include "cli/cli_common.h"

#include "bridge/settings_dir.h"
#include "exchange/compass.h"
#include "exchange/plotter.h"
#include "exchange/survex.h"
#include "exchange/toporobot.h"
#include "exchange/vrml.h"
#include "exchange/walls.h"
#include "model/file_io.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <iostream>

namespace cli {

int Export(const std::vector<std::string>& args)
{
    std::string format, file, out;
    ks::TVrmlSettings settings;
    settings.Centre = false;
    ArgParser parser;
    parser.Word(format).Word(file).Word(out);
    if (!args.empty() && args[0] == "vrml")
        parser.Flag("--centre", settings.Centre).Value("--mode", [&settings](const std::string& mode) {
            const int index = mode == "grey" ? 0 : mode == "colour" ? 2 : mode == "deformation" ? 3 : -1;
            if (index < 0)
                return Usage();
            settings.Mode = index;
            return true;
        });
    if (const auto refused = parser.Parse(args))
        return *refused;
    if (format != "vrml" && format != "plotter" && format != "toporobot" && format != "survex")
        return Usage(), 2;

    TMassif massif;
    if (format == "survex") { // readings, not positions: any massif is written
        ks::LoadResult loaded;
        if (!LoadMassif(file, massif, loaded))
            return 1;
        ks::WriteFileSafely(out, ks::SurvexText(massif));
        return 0;
    }
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
    std::string format, in, out, names;
    ArgParser parser;
    parser.Word(format).Word(in).Word(out);
    if (!args.empty() && args[0] != "toporobot")
        parser.Value("--names", names);
    if (const auto refused = parser.Parse(args))
        return *refused;
    if (format != "toporobot" && format != "survex" && format != "compass" && format != "walls")
        return Usage(), 2;
    TMassif massif;
    ConsoleReporter reporter;
    std::string adapted;
    if (format == "toporobot") {
        const ks::TToporobotReport report = ks::ImportToporobot(in, massif, &reporter);
        massif.Save(out);
        std::cout << "sheets: " << report.Sheets << "\ngalleries: " << report.Galleries
                  << "\nshots: " << report.Shots << "\nreferences: " << report.References
                  << "\nseries: " << report.Series << "\nstation lines: " << report.Stations << '\n';
        adapted = report.Adapted();
    } else {
        std::vector<ks::survey::TNameRow> rows;
        auto* map = names.empty() ? nullptr : &rows;
        const ks::survey::TImportReport report = format == "survex" ? ks::ImportSurvex(in, massif, map)
            : format == "compass"                                   ? ks::ImportCompass(in, massif, map)
                                                                    : ks::ImportWalls(in, massif, map);
        massif.Save(out);
        if (!names.empty())
            ks::WriteFileSafely(names, ks::survey::NamesCsv(rows));
        std::cout << "sheets: " << report.Sheets << "\ngalleries: " << report.Galleries
                  << "\nshots: " << report.Shots << "\nreferences: " << report.References
                  << "\nstations: " << report.Stations
                  << "\ndevelopment: " << ks::FormatFixed(report.Development, 2) << '\n';
        adapted = report.AdaptedText();
    }
    if (!adapted.empty())
        PrintMessage(adapted);
    return 0;
}

} // namespace cli
