// karstelle-cli render: a view of a computed massif to a picture or to printed pages.
#include "cli/args.h"
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
std::string SmallerEchelle(const TGraphique& g, double unitsPerMetre)
{
    const TViewport& v = g.Viewport();
    const double span = std::max(v.XMax - v.XMin, v.YMax - v.YMin);
    const double scale = std::ceil(span * unitsPerMetre / 100) * 100;
    if (!(scale >= 100 && scale <= 2e9))
        return "it cannot be drawn at any scale";
    return "try a smaller scale, such as --scale " + std::to_string(static_cast<long long>(scale));
}

// What "render" was asked.
struct RenderRequest
{
    std::string View, File, Out;
    int Echelle = 0, Mode = 0;
    double Zoom = 1;
    std::optional<double> Angle, Azimuth, Inclination;
    bool Anaglyph = false;
};

// The arguments after the view's name; an exit status when they are refused.
std::optional<int> ParseRender(const std::vector<std::string>& args, RenderRequest& r)
{
    ArgParser parser;
    parser.Word(r.File)
        .Value("-o", r.Out)
        .Number("--scale", 100, 2e9, true, [&r](double v) { r.Echelle = static_cast<int>(v); })
        .Number("--zoom", 0.1, 10, false, [&r](double v) { r.Zoom = v; })
        .Number("--angle", -360, 360, false, [&r](double v) { r.Angle = v; })
        .Number("--mode", 0, 3, true, [&r](double v) { r.Mode = static_cast<int>(v); });
    if (r.View == "perspective")
        parser.Number("--azimuth", -360, 360, false, [&r](double v) { r.Azimuth = v; })
            .Number("--inclination", -90, 90, false, [&r](double v) { r.Inclination = v; })
            .Flag("--anaglyph", r.Anaglyph);
    if (const auto refused = parser.Parse(args))
        return refused;
    const std::string kind = Extension(r.Out);
    if ((kind != ".PNG" && kind != ".PDF" && kind != ".SVG") || (r.Mode != 0 && r.Mode != 2 && r.Mode != 3))
        return std::cerr << kUsage, 2;
    return std::nullopt;
}

// The option records of the views, read from the settings folder as the view needs them.
struct ViewOptions
{
    TOptions_Plan Plan;
    TOptions_Coupe Coupe;
    TOptions_Tableau Tableau;
    TOptions_Relief Relief;
    TMarge Margins;
    TViewContext Context;
};

// The view of the request over the massif, with its options and angles.
std::unique_ptr<TGraphique> MakeView(const RenderRequest& r, TMassif& massif, ViewOptions& o)
{
    const std::string settings = ks::SettingsDirectory();
    LoadOptions(o.Margins, settings + "/" + ks::kMargeOptionsFile);
    o.Context.Massif = &massif;
    o.Context.Plan = &o.Plan;
    o.Context.Coupe = &o.Coupe;
    o.Context.Tableau = &o.Tableau;
    o.Context.Relief = &o.Relief;
    o.Context.Marge = &o.Margins;
    if (r.View == "plan") {
        LoadOptions(o.Plan, settings + "/" + ks::kPlanOptionsFile);
        // Options never set put the arrow and the bar beside the cave (as in the windows and on paper).
        if (o.Plan.X_Nord == 0 && o.Plan.Y_Nord == 0)
            std::cerr << "north arrow at the cave's top right (X_Nord, Y_Nord of OPTIONS.PLA are 0)\n";
        if (o.Plan.X_Echelle == 0 && o.Plan.Y_Echelle == 0)
            std::cerr << "scale bar under the cave (X_Echelle, Y_Echelle of OPTIONS.PLA are 0)\n";
        auto plan = std::make_unique<TPlan>(o.Context);
        plan->Angle = r.Angle.value_or(o.Plan.Angle);
        plan->Tourner(0);
        return plan;
    }
    if (r.View == "perspective") {
        LoadOptions(o.Relief, settings + "/" + ks::kReliefOptionsFile);
        auto perspective = std::make_unique<TPerspective>(o.Context);
        // The inclination as the user sees it: minus the stored one.
        perspective->Tourner(r.Azimuth.value_or(o.Relief.Angle_Horizontal),
            r.Inclination ? -*r.Inclination : o.Relief.Angle_Vertical);
        perspective->Stereo = r.Anaglyph;
        return perspective;
    }
    if (r.View == "elevation") {
        LoadOptions(o.Coupe, settings + "/" + ks::kCoupeOptionsFile);
        return std::make_unique<TCoupe>(o.Context);
    }
    LoadOptions(o.Tableau, settings + "/" + ks::kTableauOptionsFile);
    return std::make_unique<TTableau>(o.Context);
}

// The drawing over A4 pages with the margins, as a PDF document into `buffer`; `report` says how many.
int DrawPdf(
    const RenderRequest& r, TGraphique& graphic, const TMarge& margins, QBuffer& buffer, std::string& report)
{
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(300);
    pdf.setTitle(ks::ToQString(r.File));
    graphic.SetPageSize(QSizeF(210, 297));
    int columns = 0, rows = 0;
    graphic.NbPages(columns, rows, margins.EGauche + margins.EDroite, margins.EHaut + margins.EBas);
    // A drawing of thousands of pages is a scale typed wrong, not a print job.
    if (static_cast<long long>(columns) * rows > kMostPages) {
        std::cerr << "karstelle-cli: the " << r.View << " at 1/" << graphic.Viewport().Echelle
                  << " would take " << columns << " x " << rows << " pages; "
                  << (r.View == "table" ? std::string("too many to print")
                                        : SmallerEchelle(graphic, 1000.0 / (20 * 180)))
                  << '\n';
        return 1;
    }
    QPainter painter;
    const bool open = painter.begin(&pdf);
    for (int page = 0; open && page < columns * rows; ++page) {
        if (page > 0)
            pdf.newPage();
        graphic.DessinerPage(
            page % columns, page / columns, margins.EGauche, margins.EHaut, r.Mode, painter, 1.0);
    }
    if (!open || !painter.end())
        return std::cerr << "karstelle-cli: " << r.Out << ": the PDF could not be drawn\n", 1;
    report = "pages: " + std::to_string(columns) + " x " + std::to_string(rows) + "\n";
    return 0;
}

// The whole drawing as one SVG or PNG picture into `buffer`, refused beyond 10000 pixels;
// `report` says its size.
int DrawPicture(
    const RenderRequest& r, TGraphique& graphic, int width, int height, QBuffer& buffer, std::string& report)
{
    constexpr double resolution = 96 / 25.4; // screen pixels per millimetre
    // The screen primitives cannot draw beyond 10000 pixels: refuse rather than draw half a graphic.
    if ((width >= 10000 || height >= 10000) && r.View == "table") {
        std::cerr << "karstelle-cli: the table would be " << width << " x " << height
                  << " pixels, more than can be drawn in one picture; write it as PDF pages\n";
        return 1;
    }
    if (width >= 10000 || height >= 10000) {
        std::cerr << "karstelle-cli: the " << r.View << " at 1/" << graphic.Viewport().Echelle << " would be "
                  << width << " x " << height << " pixels, more than can be drawn; "
                  << SmallerEchelle(graphic, resolution * r.Zoom * 1000 / 9000) << '\n';
        return 1;
    }
    if (width < 1 || height < 1) {
        std::cerr << "karstelle-cli: the " << r.View << " would be " << width << " x " << height
                  << " pixels: nothing to draw; take a larger --zoom or a smaller --scale\n";
        return 1;
    }
    if (Extension(r.Out) == ".SVG") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(width, height));
        svg.setResolution(96); // so that the SVG keeps the paper size of the scale
        svg.setViewBox(QRect(0, 0, width, height));
        svg.setTitle(ks::ToQString(r.File));
        QPainter painter;
        if (!painter.begin(&svg))
            return std::cerr << "karstelle-cli: " << r.Out << ": the SVG could not be drawn\n", 1;
        painter.fillRect(QRect(0, 0, width, height), r.Anaglyph ? Qt::black : Qt::white);
        graphic.DessinerSur(painter, 0, 0, resolution, r.Zoom, r.Mode);
        if (!painter.end())
            return std::cerr << "karstelle-cli: " << r.Out << ": the SVG could not be drawn\n", 1;
    } else {
        QImage image(width, height, QImage::Format_RGB32);
        graphic.Dessiner(0, 0, resolution, r.Zoom, image, r.Mode);
        if (image.isNull() || !image.save(&buffer, "PNG"))
            return std::cerr << "karstelle-cli: " << r.Out << ": the picture could not be drawn\n", 1;
    }
    report = "size: " + std::to_string(width) + " x " + std::to_string(height) + " pixels"
        + (r.View != "table" ? " at 1/" + std::to_string(graphic.Viewport().Echelle) : std::string()) + "\n";
    return 0;
}

} // namespace

int Render(const std::string& view, const std::vector<std::string>& args)
{
    RenderRequest request;
    request.View = view;
    if (const auto refused = ParseRender(args, request))
        return *refused;
    TMassif massif;
    if (!LoadComputed(request.File, massif))
        return 1;
    ViewOptions options;
    const std::unique_ptr<TGraphique> drawing = MakeView(request, massif, options);
    TGraphique& graphic = *drawing;
    if (request.Echelle > 0)
        graphic.SetEchelle(request.Echelle);
    int width = 0, height = 0;
    graphic.Dimensions(width, height, 96 / 25.4, request.Zoom);
    if (!graphic.Viewport().Calcule) {
        std::cerr << "karstelle-cli: " << request.File << ": "
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
    std::string report;
    const int status = Extension(request.Out) == ".PDF"
        ? DrawPdf(request, graphic, options.Margins, buffer, report)
        : DrawPicture(request, graphic, width, height, buffer, report);
    if (status != 0)
        return status;
    ks::WriteFileSafely(request.Out, ks::Bytes(buffer.data()));
    std::cerr << report;
    return 0;
}

} // namespace cli
