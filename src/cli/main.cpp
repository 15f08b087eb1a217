// karstelle-cli: the non-interactive work on massif files, for batch use, scripts and tests.

#include "compute/driver.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/services.h"
#include "model/text_utils.h"
#include "views/options.h"
#include "views/plan.h"
#include "views/qt_text.h"
#include "views/settings_dir.h"

#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kUsage
    = "usage:\n"
      "  karstelle-cli info FILE\n"
      "  karstelle-cli convert IN OUT\n"
      "  karstelle-cli compute FILE [--csv|--json] [-o OUT] [--save MASSIF]\n"
      "  karstelle-cli render plan FILE -o OUT.png|.pdf|.svg [--scale N] [--zoom R] [--angle DEG]"
      " [--mode 0|2|3]\n"
      "  karstelle-cli options show|write-defaults [--force]\n";

// A message of the core (UTF-8, lines parted by CR as in the message boxes) on standard error.
void PrintMessage(const std::string& text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            lines += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            lines += '\n';
    }
    std::cerr << lines << '\n';
}

// Messages of the core go to standard error; questions are answered "stop", since nobody is there
// to answer them.
class ConsoleReporter : public ks::IReporter
{
public:
    void Message(ks::MessageKind, const std::string& text) override { PrintMessage(text); }
    bool AskContinue(const ks::TQuestion& question) override
    {
        PrintMessage(question.Text);
        return false;
    }
};

// An output drawn under a temporary name in its own folder takes its name only once complete, so
// that a failure leaves no partial file and keeps an older one. False (with the message) on failure.
bool Publish(bool drawn, const std::string& part, const std::string& out)
{
    std::error_code error;
    if (drawn)
        std::filesystem::rename(part, out, error);
    if (!drawn || error) {
        std::filesystem::remove(part, error);
        std::cerr << "karstelle-cli: " << out << ": cannot write\n";
        return false;
    }
    return true;
}

// Loads a massif; false (with the message printed) when it could not be read.
bool LoadMassif(const std::string& path, TMassif& massif, ks::LoadResult& result)
{
    ConsoleReporter reporter;
    massif.FileName = path;
    result = massif.Load(&reporter, nullptr);
    return result.status == ks::LoadStatus::Loaded;
}

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

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
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
// every shot. Intermediate stations carry no name.
void WriteStations(const TMassif& massif, bool json, std::ostream& out)
{
    bool first = true;
    if (json)
        out << "[\n";
    else
        out << "ordre,gallery,station,name,number,x,y,z\n";
    for (const auto& sheet : massif.Sheets) {
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g) {
            const TGalerie& gallery = *sheet->Galeries[g];
            if (!gallery.Positioned)
                continue;
            const int shots = gallery.ShotCount();
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
                if (json) {
                    out << (first ? "  " : ",\n  ") << "{\"ordre\": " << sheet->Ordre
                        << ", \"gallery\": " << g << ", \"station\": " << k
                        << ", \"name\": " << JsonString(name)
                        << ", \"number\": " << (number.empty() ? "null" : number)
                        << ", \"x\": " << ks::FormatFixed(x, 6) << ", \"y\": " << ks::FormatFixed(y, 6)
                        << ", \"z\": " << ks::FormatFixed(z, 6) << "}";
                } else {
                    out << sheet->Ordre << ',' << g << ',' << k << ',' << CsvField(name) << ',' << number
                        << ',' << ks::FormatFixed(x, 6) << ',' << ks::FormatFixed(y, 6) << ','
                        << ks::FormatFixed(z, 6) << '\n';
                }
                first = false;
            }
        }
    }
    if (json)
        out << (first ? "]\n" : "\n]\n");
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
        std::cerr << "largest deformation: " << ks::FormatFixed(worst.Value * 100, 2) << "% (sheet "
                  << worst.Sheet->Ordre << ", gallery " << worst.Gallery << ")\n";
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
    ks::TComputeFlags flags;
    ks::TThreadCalcul thread(massif, flags);
    const ks::TComputeReport report = thread.Complete(massif);
    for (const auto& message : report.Messages)
        PrintMessage(message.second);
    if (!report.Positioned) {
        if (report.NoReference)
            std::cerr << "karstelle-cli: " << ks::kNoReferenceText << '\n';
        else if (report.NoneReached)
            std::cerr << "karstelle-cli: " << ks::kNothingReachedText << '\n';
        else
            std::cerr << "karstelle-cli: the computation was stopped\n";
        return 1;
    }
    massif.PlaceAllStations();

    std::ostringstream rows;
    WriteStations(massif, json, rows);
    if (out.empty())
        std::cout << rows.str();
    else
        ks::WriteFileSafely(out, rows.str()); // a failure leaves OUT as it was
    PrintReport(massif, report);
    if (!save.empty())
        massif.Save(save, nullptr);
    return 0;
}

// Loads and computes a massif for drawing; false (with the message printed) when nothing is placed.
bool LoadComputed(const std::string& file, TMassif& massif)
{
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return false;
    ks::TComputeFlags flags;
    ks::TThreadCalcul thread(massif, flags);
    const ks::TComputeReport report = thread.Complete(massif);
    for (const auto& message : report.Messages)
        PrintMessage(message.second);
    if (!report.Positioned) {
        std::cerr << "karstelle-cli: " << file << ": nothing could be computed\n";
        return false;
    }
    massif.PlaceAllStations();
    return true;
}

std::string Extension(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : ks::UpperCase(path.substr(dot));
}

int RenderPlan(const std::vector<std::string>& args)
{
    std::string file, out;
    int scale = 0, mode = 0;
    double zoom = 1;
    std::optional<double> angle;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-o" && hasValue)
            out = args[++i];
        else if (a == "--scale" && hasValue)
            scale = static_cast<int>(ks::ToInt(args[++i]));
        else if (a == "--zoom" && hasValue)
            zoom = ks::ToReal(args[++i]);
        else if (a == "--angle" && hasValue)
            angle = ks::ToReal(args[++i]);
        else if (a == "--mode" && hasValue)
            mode = static_cast<int>(ks::ToInt(args[++i]));
        else if (file.empty() && !a.empty() && a[0] != '-')
            file = a;
        else
            return std::cerr << kUsage, 2;
    }
    const std::string kind = Extension(out);
    if (file.empty() || (kind != ".PNG" && kind != ".PDF" && kind != ".SVG") || zoom <= 0 || scale < 0
        || (mode != 0 && mode != 2 && mode != 3)) {
        std::cerr << kUsage;
        return 2;
    }

    TMassif massif;
    if (!LoadComputed(file, massif))
        return 1;
    const std::string settings = ks::SettingsDirectory();
    TOptions_Plan options;
    ks::Charger(options, settings + "/" + ks::kPlanOptionsFile);
    TMarge margins;
    ks::Charger(margins, settings + "/" + ks::kMargeOptionsFile);
    TViewContext context;
    context.Massif = &massif;
    context.Plan = &options;
    context.Marge = &margins;

    // Options never set put the arrow and the bar beside the cave (as in the windows and on paper).
    if (options.X_Nord == 0 && options.Y_Nord == 0)
        std::cerr << "north arrow at the cave's north-west corner (X_Nord, Y_Nord of OPTIONS.PLA are 0)\n";
    if (options.X_Echelle == 0 && options.Y_Echelle == 0)
        std::cerr
            << "scale bar at the cave's south-west corner (X_Echelle, Y_Echelle of OPTIONS.PLA are 0)\n";

    TPlan plan(context);
    if (scale > 0)
        plan.Echelle = scale;
    plan.Angle = angle.value_or(options.Angle);
    plan.Tourner(0);
    const double resolution = 96 / 25.4; // screen pixels per millimetre
    int width = 0, height = 0;
    plan.Dimensions(width, height, resolution, zoom);

    const std::string part = out + ".part";
    if (kind == ".PDF") {
        QPdfWriter pdf(ks::ToQString(part));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(300);
        pdf.setTitle(ks::ToQString(file));
        plan.SetPageSize(QSizeF(210, 297));
        int columns = 0, rows = 0;
        plan.NbPages(columns, rows, margins.EGauche + margins.EDroite, margins.EHaut + margins.EBas);
        QPainter painter;
        const bool open = painter.begin(&pdf);
        for (int page = 0; open && page < columns * rows; ++page) {
            if (page > 0)
                pdf.newPage();
            plan.DessinerPage(
                page % columns, page / columns, margins.EGauche, margins.EHaut, mode, painter, 1.0);
        }
        const bool drawn = open && painter.end();
        if (!Publish(drawn, part, out))
            return 1;
        std::cerr << "pages: " << columns << " x " << rows << '\n';
        return 0;
    }

    // The screen primitives cannot draw beyond 10000 pixels: refuse rather than draw half a plan.
    if (width >= 10000 || height >= 10000) {
        const int suggested
            = static_cast<int>(std::ceil(plan.Echelle * std::max(width, height) / 9000.0 / 100)) * 100;
        std::cerr << "karstelle-cli: the plan at 1/" << plan.Echelle << " would be " << width << " x "
                  << height << " pixels, more than can be drawn; try a smaller scale, such as --scale "
                  << suggested << '\n';
        return 1;
    }
    if (kind == ".SVG") {
        QSvgGenerator svg;
        svg.setFileName(ks::ToQString(part));
        svg.setSize(QSize(width, height));
        svg.setResolution(96); // so that the SVG keeps the paper size of the scale
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(ks::ToQString(file));
        QPainter painter;
        bool drawn = painter.begin(&svg);
        if (drawn) {
            painter.fillRect(QRect(0, 0, width, height), Qt::white);
            plan.DessinerSur(painter, 0, 0, resolution, zoom, mode);
            drawn = painter.end();
        }
        if (!Publish(drawn, part, out))
            return 1;
    } else {
        QImage image(width, height, QImage::Format_RGB32);
        plan.Dessiner(0, 0, resolution, zoom, image, mode);
        if (!Publish(image.save(ks::ToQString(part), "PNG"), part, out))
            return 1;
    }
    std::cerr << "size: " << width << " x " << height << " pixels at 1/" << plan.Echelle << '\n';
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
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "info")
            return Info(args[1]);
        if (args.size() == 3 && args[0] == "convert")
            return Convert(args[1], args[2]);
        if (!args.empty() && args[0] == "compute")
            return Compute(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!args.empty() && args[0] == "options")
            return Options(std::vector<std::string>(args.begin() + 1, args.end()));
        if (args.size() >= 2 && args[0] == "render" && args[1] == "plan") {
            // Drawing needs a GUI application object; no window is ever shown.
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            int qtArgc = 1;
            QGuiApplication application(qtArgc, argv);
            std::setlocale(LC_NUMERIC, "C");
            return RenderPlan(std::vector<std::string>(args.begin() + 2, args.end()));
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
