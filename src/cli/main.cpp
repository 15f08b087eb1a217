// karstelle-cli: the non-interactive work on massif files, for batch use, scripts and tests.

#include "bridge/qt_text.h"
#include "bridge/settings_dir.h"
#include "cli/cli_common.h"
#include "compute/driver.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "model/version.h"
#include "options/options.h"

#include <QGuiApplication>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace cli;

int Info(const std::string& path)
{
    TMassif massif;
    ks::LoadResult result;
    if (!LoadMassif(path, massif, result))
        return 1;
    std::size_t galleries = 0, shots = 0;
    for (const auto& sheet : massif.Sheets) {
        galleries += sheet->Galeries.size();
        for (const auto& gallery : sheet->Galeries)
            shots += gallery->Shots.size();
    }
    std::cout << "file: " << path << '\n'
              << "format: " << (ks::IsTextFileName(path) ? "text" : "binary") << '\n'
              << "version: " << result.version << '\n'
              << "sheets: " << massif.Sheets.size() << '\n'
              << "galleries: " << galleries << '\n'
              << "shots: " << shots << '\n'
              << "references: " << massif.References.size() << '\n'
              << "elevation points: " << massif.ElevationPoints.size() << '\n'
              << "recycle bin sheets: " << massif.RecycleBin.size() << '\n'
              << "shortcuts: " << massif.Shortcuts.size() << '\n'
              << "unfinished editor work: " << (massif.EditorWork ? "yes" : "no") << '\n';
    return 0;
}

int Convert(const std::string& in, const std::string& out)
{
    TMassif massif;
    ks::LoadResult result;
    if (!LoadMassif(in, massif, result))
        return 1;
    massif.Save(out, nullptr);
    return 0;
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                const char* hex = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

// One row per station of every positioned gallery: its start (k = 0), then the far station of
// every shot. Intermediate stations carry no name. Rows are appended to a string reserved for
// about their size, so that a large cave's rows are held once, not twice as a stream's would be.
std::string StationRows(const TMassif& massif, bool json)
{
    std::size_t stations = 0;
    for (const auto& sheet : massif.Sheets)
        for (const auto& gallery : sheet->Galeries)
            stations += gallery->Positioned ? static_cast<std::size_t>(gallery->ShotCount()) + 1 : 0;
    std::string out;
    out.reserve(stations * (json ? 128 : 72) + 64);
    bool first = true;
    out += json ? "[\n" : "ordre,gallery,station,name,number,x,y,z\n";
    for (const auto& sheet : massif.Sheets) {
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g) {
            const TGalerie& gallery = *sheet->Galeries[g];
            if (!gallery.Positioned)
                continue;
            const int shots = gallery.ShotCount();
            const std::string ordre = std::to_string(sheet->Ordre), index = std::to_string(g);
            for (int k = 0; k <= shots; ++k) {
                const TPointTopo* named = k == 0 ? &gallery.Start : k == shots ? &gallery.End : nullptr;
                std::string name, number;
                if (named && named->Final) {
                    name = "Final";
                } else if (named) {
                    name = ks::Cp1252ToUtf8(named->Name.Get());
                    number = std::to_string(named->Number);
                }
                double x = gallery.Start.X, y = gallery.Start.Y, z = gallery.Start.Z;
                if (k > 0) {
                    const TStationPos& p = gallery.Stations[static_cast<std::size_t>(k - 1)];
                    x = p.X;
                    y = p.Y;
                    z = p.Z;
                }
                // A coordinate that is no number is written as none (null, or an empty field).
                auto coordinate = [json](double v) {
                    return std::isfinite(v) ? ks::FormatFixed(v, 6) : std::string(json ? "null" : "");
                };
                if (json) {
                    out += (first ? "  " : ",\n  ");
                    out += "{\"ordre\": " + ordre + ", \"gallery\": " + index
                        + ", \"station\": " + std::to_string(k) + ", \"name\": " + JsonString(name)
                        + ", \"number\": " + (number.empty() ? "null" : number) + ", \"x\": " + coordinate(x)
                        + ", \"y\": " + coordinate(y) + ", \"z\": " + coordinate(z) + "}";
                } else {
                    out += ordre + ',' + index + ',' + std::to_string(k) + ',' + CsvField(name) + ',' + number
                        + ',' + coordinate(x) + ',' + coordinate(y) + ',' + coordinate(z) + '\n';
                }
                first = false;
            }
        }
    }
    if (json)
        out += first ? "]\n" : "\n]\n";
    return out;
}

// A share as a percentage with two decimals; an absurd one (a coefficient of 1e-300) in general
// format rather than in hundreds of digits.
std::string Percentage(double share)
{
    const double percent = share * 100;
    return std::fabs(percent) < 1e6 ? ks::FormatFixed(percent, 2) : ks::FormatG(percent, 6);
}

void PrintReport(const TMassif& massif, const ks::TComputeReport& report)
{
    std::cerr << "galleries: " << report.Galleries << '\n'
              << "branches: " << report.Branches << '\n'
              << "closures: " << report.Closures << '\n'
              << "blind branches: " << report.DeadEnds << '\n'
              << "equations: " << report.Equations << '\n'
              << "unreached galleries: " << report.Unreached.size() << '\n';
    for (const auto& line : report.Unreached)
        std::cerr << "  " << line << '\n';
    const ks::TDeformation worst = ks::LargestDeformation(massif);
    if (worst.Sheet)
        std::cerr << "largest deformation: " << Percentage(worst.Value) << "% (sheet " << worst.Sheet->Ordre
                  << ", gallery " << worst.Gallery << ")\n";
    std::cerr << "elapsed: " << ks::FormatFixed(report.Seconds, 3) << " s\n";
}

int Compute(const std::vector<std::string>& args)
{
    std::string file, out, save;
    bool json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--csv") {
            json = false;
        } else if (a == "--json") {
            json = true;
        } else if ((a == "-o" || a == "--save") && i + 1 < args.size()) {
            (a == "-o" ? out : save) = args[++i];
        } else if (file.empty() && !a.empty() && a[0] != '-') {
            file = a;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }
    if (file.empty()) {
        std::cerr << kUsage;
        return 2;
    }

    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    const ks::TComputeReport report = ComputeNow(massif);
    if (!report.Positioned) {
        if (report.NoReference)
            std::cerr << "karstelle-cli: " << ks::kNoReferenceText << '\n';
        else if (report.NoneReached)
            std::cerr << "karstelle-cli: " << ks::kNothingReachedText << '\n';
        else if (report.TooLarge) // its message is printed: say how to go past it
            std::cerr << "karstelle-cli: " << file << ": beyond the size limits; --no-limits computes it\n";
        else
            std::cerr << "karstelle-cli: the computation was stopped\n";
        return 1;
    }

    const std::string rows = StationRows(massif, json);
    if (out.empty())
        std::cout << rows;
    else
        ks::WriteFileSafely(out, rows); // a failure leaves OUT as it was
    PrintReport(massif, report);
    if (!save.empty())
        massif.Save(save, nullptr);
    return 0;
}

// Prints every option record (from its file, or the defaults), or writes the default files.
int Options(const std::vector<std::string>& args)
{
    if (args.empty() || (args[0] != "show" && args[0] != "write-defaults"))
        return std::cerr << kUsage, 2;
    const bool force = args.size() > 1 && args[1] == "--force";
    const std::string folder = ks::SettingsDirectory();
    TOptions_Plan plan;
    TOptions_Coupe coupe;
    TOptions_Relief relief;
    TOptions_Tableau tableau;
    TMarge marge;
    int written = 0;
    auto each = [&](auto& record, const char* name) {
        const std::string path = folder + "/" + name;
        if (args[0] == "show") {
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

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty()
        && (args[0] == "compute" || args[0] == "render" || args[0] == "stats" || args[0] == "export"
            || args[0] == "table")) {
        const auto flag = std::remove(args.begin(), args.end(), std::string("--no-limits"));
        cli::g_unlimited = flag != args.end();
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
        if (args.size() == 2 && args[0] == "info")
            return Info(args[1]);
        if (args.size() == 3 && args[0] == "convert")
            return Convert(args[1], args[2]);
        if (!args.empty() && args[0] == "compute")
            return Compute(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "search")
            return cli::Search(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "import")
            return cli::Import(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "export")
            return cli::Export(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "stats")
            return cli::Stats(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "elevation")
            return cli::Elevation(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "table")
            return cli::Table(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "options")
            return Options(std::vector<std::string>(args.begin() + 1, args.end()));
        if (args.size() >= 2 && args[0] == "render"
            && (args[1] == "plan" || args[1] == "elevation" || args[1] == "perspective"
                || args[1] == "table")) {
            // Drawing needs a GUI application object; no window is ever shown.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            int qtArgc = 1;
            QGuiApplication application(qtArgc, argv);
            std::setlocale(LC_NUMERIC, "C");
            return cli::Render(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
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
