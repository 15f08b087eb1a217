// karstelle-cli render: a view of a computed massif to a picture or to printed pages.
#include "cli/cli_common.h"

#include "bridge/qt_text.h"
#include "bridge/settings_dir.h"
#include "model/file_io.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "views/coupe.h"
#include "views/perspective.h"
#include "views/plan.h"
#include "views/tableau.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>

namespace cli {

namespace {

constexpr long long kMostPages = 2000;

// Advice for a drawing too large for its device: the scale (a multiple of 100) at which its
// larger side, in metres, takes `unitsPerMetre` times its length at 1/1 at most one unit; or that
// no scale will do. Worked out in floating point: the sizes may be far beyond an int.
std::string SmallerScale(const TGraphique& g, double unitsPerMetre)
{
    const double span = std::max(g.XMax - g.XMin, g.YMax - g.YMin);
    const double scale = std::ceil(span * unitsPerMetre / 100) * 100;
    if (!(scale >= 100 && scale <= 2e9))
        return "it cannot be drawn at any scale";
    return "try a smaller scale, such as --scale " + std::to_string(static_cast<long long>(scale));
}

} // namespace

int Render(const std::string& view, const std::vector<std::string>& args)
{
    std::string file, out;
    int scale = 0, mode = 0;
    double zoom = 1;
    std::optional<double> angle, azimuth, inclination;
    bool anaglyph = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        // Each number is checked against its range, named in the refusal.
        auto number = [&](double low, double high, bool whole = false) {
            return OptionValue(a, args[++i], low, high, whole);
        };
        std::optional<double> value;
        if (a == "-o" && hasValue)
            out = args[++i];
        else if (a == "--scale" && hasValue && (value = number(100, 2e9, true)))
            scale = static_cast<int>(*value);
        else if (a == "--zoom" && hasValue && (value = number(0.1, 10)))
            zoom = *value;
        else if (a == "--angle" && hasValue && (value = number(-360, 360)))
            angle = value;
        else if (a == "--azimuth" && hasValue && view == "perspective" && (value = number(-360, 360)))
            azimuth = value;
        else if (a == "--inclination" && hasValue && view == "perspective" && (value = number(-90, 90)))
            inclination = value;
        else if (a == "--anaglyph" && view == "perspective")
            anaglyph = true;
        else if (a == "--mode" && hasValue && (value = number(0, 3, true)))
            mode = static_cast<int>(*value);
        else if (hasValue && !value
            && (a == "--scale" || a == "--zoom" || a == "--angle" || a == "--mode"
                || ((a == "--azimuth" || a == "--inclination") && view == "perspective")))
            return 2; // refused with its range
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
    TOptions_Plan planOptions;
    TOptions_Coupe elevationOptions;
    TOptions_Tableau tableOptions;
    TOptions_Relief reliefOptions;
    TMarge margins;
    LoadOptions(margins, settings + "/" + ks::kMargeOptionsFile);
    TViewContext context;
    context.Massif = &massif;
    context.Plan = &planOptions;
    context.Coupe = &elevationOptions;
    context.Tableau = &tableOptions;
    context.Relief = &reliefOptions;
    context.Marge = &margins;

    std::unique_ptr<TGraphique> drawing;
    if (view == "plan") {
        LoadOptions(planOptions, settings + "/" + ks::kPlanOptionsFile);
        // Options never set put the arrow and the bar beside the cave (as in the windows and on paper).
        if (planOptions.X_Nord == 0 && planOptions.Y_Nord == 0)
            std::cerr << "north arrow above the cave (X_Nord, Y_Nord of OPTIONS.PLA are 0)\n";
        if (planOptions.X_Echelle == 0 && planOptions.Y_Echelle == 0)
            std::cerr << "scale bar under the cave (X_Echelle, Y_Echelle of OPTIONS.PLA are 0)\n";
        auto plan = std::make_unique<TPlan>(context);
        plan->Angle = angle.value_or(planOptions.Angle);
        plan->Tourner(0);
        drawing = std::move(plan);
    } else if (view == "perspective") {
        LoadOptions(reliefOptions, settings + "/" + ks::kReliefOptionsFile);
        auto perspective = std::make_unique<TPerspective>(context);
        // The inclination as the user sees it: minus the stored one.
        perspective->Tourner(azimuth.value_or(reliefOptions.Angle_Horizontal),
            inclination ? -*inclination : reliefOptions.Angle_Vertical);
        perspective->Stereo = anaglyph;
        drawing = std::move(perspective);
    } else if (view == "elevation") {
        LoadOptions(elevationOptions, settings + "/" + ks::kCoupeOptionsFile);
        drawing = std::make_unique<TCoupe>(context);
    } else {
        LoadOptions(tableOptions, settings + "/" + ks::kTableauOptionsFile);
        drawing = std::make_unique<TTableau>(context);
    }
    TGraphique& graphic = *drawing;
    if (scale > 0)
        graphic.Echelle = scale;
    const double resolution = 96 / 25.4; // screen pixels per millimetre
    int width = 0, height = 0;
    graphic.Dimensions(width, height, resolution, zoom);
    if (!graphic.Calcule) {
        std::cerr << "karstelle-cli: " << file << ": "
                  << (view == "plan" || view == "perspective" ? "no station is placed"
                                                              : "the massif has no elevation")
                  << '\n';
        return 1;
    }

    // Each output is drawn in memory, then written whole through the safe writer (every write, the
    // flush to the disk and the close checked) and renamed onto OUT: a failure leaves OUT as it was.
    // OUT goes to the file system as the bytes it was given.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (kind == ".PDF") {
        QPdfWriter pdf(&buffer);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(300);
        pdf.setTitle(ks::ToQString(file));
        graphic.SetPageSize(QSizeF(210, 297));
        int columns = 0, rows = 0;
        graphic.NbPages(columns, rows, margins.EGauche + margins.EDroite, margins.EHaut + margins.EBas);
        // A drawing of thousands of pages is a scale typed wrong, not a print job.
        if (static_cast<long long>(columns) * rows > kMostPages) {
            std::cerr << "karstelle-cli: the " << view << " at 1/" << graphic.Echelle << " would take "
                      << columns << " x " << rows << " pages; "
                      << (view == "table" ? std::string("too many to print")
                                          : SmallerScale(graphic, 1000.0 / (20 * 180)))
                      << '\n';
            return 1;
        }
        QPainter painter;
        const bool open = painter.begin(&pdf);
        for (int page = 0; open && page < columns * rows; ++page) {
            if (page > 0)
                pdf.newPage();
            graphic.DessinerPage(
                page % columns, page / columns, margins.EGauche, margins.EHaut, mode, painter, 1.0);
        }
        if (!open || !painter.end())
            return std::cerr << "karstelle-cli: " << out << ": the PDF could not be drawn\n", 1;
        ks::WriteFileSafely(out, ks::Bytes(buffer.data()));
        std::cerr << "pages: " << columns << " x " << rows << '\n';
        return 0;
    }

    // The screen primitives cannot draw beyond 10000 pixels: refuse rather than draw half a graphic.
    if ((width >= 10000 || height >= 10000) && view == "table") {
        std::cerr << "karstelle-cli: the table would be " << width << " x " << height
                  << " pixels, more than can be drawn in one picture; write it as PDF pages\n";
        return 1;
    }
    if (width >= 10000 || height >= 10000) {
        std::cerr << "karstelle-cli: the " << view << " at 1/" << graphic.Echelle << " would be " << width
                  << " x " << height << " pixels, more than can be drawn; "
                  << SmallerScale(graphic, resolution * zoom * 1000 / 9000) << '\n';
        return 1;
    }
    if (width < 1 || height < 1) {
        std::cerr << "karstelle-cli: the " << view << " would be " << width << " x " << height
                  << " pixels: nothing to draw; take a larger --zoom or a smaller --scale\n";
        return 1;
    }
    if (kind == ".SVG") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(width, height));
        svg.setResolution(96); // so that the SVG keeps the paper size of the scale
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(ks::ToQString(file));
        QPainter painter;
        if (!painter.begin(&svg))
            return std::cerr << "karstelle-cli: " << out << ": the SVG could not be drawn\n", 1;
        painter.fillRect(QRect(0, 0, width, height), anaglyph ? Qt::black : Qt::white);
        graphic.DessinerSur(painter, 0, 0, resolution, zoom, mode);
        if (!painter.end())
            return std::cerr << "karstelle-cli: " << out << ": the SVG could not be drawn\n", 1;
    } else {
        QImage image(width, height, QImage::Format_RGB32);
        graphic.Dessiner(0, 0, resolution, zoom, image, mode);
        if (image.isNull() || !image.save(&buffer, "PNG"))
            return std::cerr << "karstelle-cli: " << out << ": the picture could not be drawn\n", 1;
    }
    ks::WriteFileSafely(out, ks::Bytes(buffer.data()));
    std::cerr << "size: " << width << " x " << height << " pixels";
    if (view != "table")
        std::cerr << " at 1/" << graphic.Echelle;
    std::cerr << '\n';
    return 0;
}

} // namespace cli
