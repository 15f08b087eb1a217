// The projections' shared operations: hit test, isolation, highlight, hover hint and scale bar,
// in each projection's own frame.
#include "views/graphique.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <algorithm>
#include <cmath>

bool TProjection::Drawn(const TGalerie& g) const
{
    return g.Positioned && g.StationCount() == g.ShotCount();
}

QPointF TProjection::StationInView(const TGalerie& g, int k) const
{
    double x = 0, y = 0, z = 0;
    Station(g, k, x, y, z);
    return ToView(x, y, z);
}

bool TProjection::ShotPixel(int fiche, int galerie, int point, QPointF& pixel) const
{
    const TFiche* sheet = SheetAt(fiche);
    if (!sheet || galerie < 0 || static_cast<std::size_t>(galerie) >= sheet->Galeries.size())
        return false;
    const TGalerie& g = *sheet->Galeries[static_cast<std::size_t>(galerie)];
    if (!Drawn(g) || point < 1 || point > g.ShotCount())
        return false;
    const QPointF a = StationInView(g, point - 1), b = StationInView(g, point);
    const QPointF middle = (a + b) / 2;
    pixel = { (middle.x() - m_view.XMin) * 1000.0 / m_view.Echelle * m_view.PixelsParMm,
        (m_view.YMax - middle.y()) * 1000.0 / m_view.Echelle * m_view.PixelsParMm };
    return true;
}

QPointF TProjection::FromPixel(int x, int y) const
{
    return { x * 0.001 * m_view.Echelle / m_view.PixelsParMm + m_view.XMin,
        m_view.YMax - y * 0.001 * m_view.Echelle / m_view.PixelsParMm };
}

double TProjection::Chercher(int x, int y, int& fiche, int& galerie, int& point)
{
    const QPointF p = FromPixel(x, y);
    bool found = false;
    double best = 1000;
    auto consider = [&](double d, int s, int g, int k) {
        if (!found || d < best) {
            found = true;
            best = d;
            fiche = s;
            galerie = g;
            point = k;
        }
    };
    if (m_context.Massif) {
        const auto sheets = m_context.Massif->CurrentSheets();
        for (std::size_t s = 0; s < sheets.size(); ++s) {
            for (std::size_t gi = 0; gi < sheets[s]->Galeries.size(); ++gi) {
                const TGalerie& g = *sheets[s]->Galeries[gi];
                if (!Drawn(g))
                    continue;
                QPointF a = StationInView(g, 0);
                consider(
                    std::hypot(p.x() - a.x(), p.y() - a.y()), static_cast<int>(s), static_cast<int>(gi), 1);
                for (int k = 1; k <= g.ShotCount(); ++k) {
                    const QPointF b = StationInView(g, k);
                    const double abx = b.x() - a.x(), aby = b.y() - a.y();
                    const double apx = p.x() - a.x(), apy = p.y() - a.y();
                    const double t = apx * abx + apy * aby;
                    const double length2 = abx * abx + aby * aby;
                    if (length2 > 0 && t > 0 && t <= length2)
                        consider(std::fabs(apx * aby - apy * abx) / std::sqrt(length2), static_cast<int>(s),
                            static_cast<int>(gi), k);
                    else if (t > length2)
                        consider(std::hypot(p.x() - b.x(), p.y() - b.y()), static_cast<int>(s),
                            static_cast<int>(gi), k);
                    a = b;
                }
            }
        }
    }
    return best * 1000.0 / m_view.Echelle * m_view.PixelsParMm;
}

void TProjection::IsolerEcran(int x, int y, double r)
{
    if (!m_context.Massif)
        return;
    TMassif& massif = *m_context.Massif;
    const QPointF c = FromPixel(x, y);
    const double metresPerPixel = 0.001 * m_view.Echelle / m_view.PixelsParMm;
    const double limit = r * metresPerPixel * metresPerPixel;
    std::vector<TFiche*> kept;
    for (TFiche* sheet : massif.CurrentSheets()) {
        bool inside = false;
        for (const auto& g : sheet->Galeries) {
            if (!Drawn(*g))
                continue;
            for (int k = 0; k <= g->ShotCount() && !inside; ++k) {
                const QPointF s = StationInView(*g, k);
                inside = (s.x() - c.x()) * (s.x() - c.x()) + (s.y() - c.y()) * (s.y() - c.y()) < limit;
            }
            if (inside)
                break;
        }
        if (inside)
            kept.push_back(sheet);
    }
    massif.Isolate(std::move(kept));
}

void TProjection::NorthArrow(double length, bool geographic, double geodesicDegrees, double x0, double y0,
    double& x1, double& y1, double& x2, double& y2)
{
    const double l = length;
    if (!geographic) {
        x1 = x0, y1 = y0 + l;
        x2 = x1 + 0.1 * l;
        y2 = y1 - 0.5 * l;
        return;
    }
    const double g = geodesicDegrees * M_PI / 180;
    x1 = x0 - l * std::sin(g);
    y1 = y0 + l * std::cos(g);
    x2 = x1 + l * (0.5 * std::sin(g) + 0.1 * std::cos(g));
    y2 = y1 - l * (0.5 * std::cos(g) - 0.1 * std::sin(g));
}

std::string TProjection::StationLabel(const TPointTopo& point, int texteStation)
{
    std::string text = ks::Cp1252ToUtf8(point.Name.Get());
    if (texteStation == 2)
        text += "(" + std::to_string(point.Number) + ")";
    return text;
}

std::string TProjection::StatusText(const TFiche& sheet, const TGalerie& g)
{
    std::string text
        = sheet.Systeme.Get() + "/" + sheet.Cavite.Get() + "/" + sheet.Reseau.Get() + "/" + sheet.Lieu.Get();
    text += g.Start.Final ? " Final - " : " " + g.Start.Name.Get() + " - ";
    text += g.End.Final ? std::string("Final") : g.End.Name.Get();
    return ks::Cp1252ToUtf8(text);
}

namespace {

// 1234567.891 -> "1 234 567.89": a space parts the thousands, which a comma would not tell
// from the decimals to European readers.
std::string Grouped(double value)
{
    std::string fixed = ks::FormatFixed(value, 2);
    const bool negative = !fixed.empty() && fixed[0] == '-';
    std::string digits = fixed.substr(negative ? 1 : 0);
    const auto dot = digits.find('.');
    std::string integer = digits.substr(0, dot);
    for (int i = static_cast<int>(integer.size()) - 3; i > 0; i -= 3)
        integer.insert(static_cast<std::size_t>(i), " ");
    return (negative ? "-" : "") + integer + digits.substr(dot);
}

} // namespace

void TProjection::Bulle(int fiche, int galerie, int point, std::string& text)
{
    text.clear();
    const THintOptions& hints = m_context.Hints;
    TFiche* sheet = SheetAt(fiche);
    if (hints.Rien || !sheet || galerie < 0 || static_cast<std::size_t>(galerie) >= sheet->Galeries.size())
        return;
    const TGalerie& g = *sheet->Galeries[static_cast<std::size_t>(galerie)];
    if (point < 1 || point > g.ShotCount())
        return;
    const TVisee& v = g.Shot(point);
    if (hints.Coordonnees && g.Positioned && g.StationCount() == g.ShotCount()) {
        double x1, y1, z1, x2, y2, z2;
        Station(g, point - 1, x1, y1, z1);
        Station(g, point, x2, y2, z2);
        text += "(" + Grouped(x1) + ", " + Grouped(y1) + ", " + Grouped(z1) + ")-(" + Grouped(x2) + ", "
            + Grouped(y2) + ", " + Grouped(z2) + ")";
    }
    if (hints.Commentaires)
        text += ks::Cp1252ToUtf8(v.Comment.Get());
    if (hints.Visees)
        text += "(" + ks::FormatFixed(v.Length, 1) + ks::LengthUnitLabel(v.LengthUnit) + ","
            + ks::FormatFixed(v.Azimuth, 1) + ks::AngleUnitLabel(v.AzimuthUnit) + ","
            + ks::FormatFixed(v.Inclination, 1) + ks::AngleUnitLabel(v.InclinationUnit) + ")";
    if (hints.Largeur) {
        text += "(l=" + ks::Cp1252ToUtf8(v.LeftWidth.empty() ? v.RightWidth : v.LeftWidth);
        if (!v.LeftWidth.empty())
            text += "/" + ks::Cp1252ToUtf8(v.RightWidth);
        text += ")";
    }
    if (hints.Hauteur) {
        text += "(h=" + ks::Cp1252ToUtf8(v.UpperHeight);
        if (!v.LowerHeight.empty())
            text += "/" + ks::Cp1252ToUtf8(v.LowerHeight);
        text += ")";
    }
    if (hints.Deformation && g.Positioned && g.StationCount() == g.ShotCount()) {
        int k = point;
        if (k == 1 && g.Shot(1).LengthMetres() < 0.01 && g.ShotCount() > 1)
            k = 2;
        const TVisee& shot = g.Shot(k);
        double x1, y1, z1, x2, y2, z2;
        Station(g, k - 1, x1, y1, z1);
        Station(g, k, x2, y2, z2);
        const double rx = shot.CumX - (k > 1 ? g.Shot(k - 1).CumX : 0);
        const double ry = shot.CumY - (k > 1 ? g.Shot(k - 1).CumY : 0);
        const double rz = shot.CumZ - (k > 1 ? g.Shot(k - 1).CumZ : 0);
        double dx = (x2 - x1) - rx, dy = (y2 - y1) - ry, dz = (z2 - z1) - rz;
        if (Kind() == DeformationKind::Horizontal)
            dz = 0;
        else if (Kind() == DeformationKind::Vertical)
            dx = dy = 0;
        const double length = shot.LengthMetres();
        const double percent = length > 0 ? std::sqrt(dx * dx + dy * dy + dz * dz) / length * 100 : 0;
        text += " " + ks::FormatFixed(percent, 1) + "%";
    }
}

void TProjection::Marquer(bool show, int fiche, int galerie, int point, int mode, std::string& text)
{
    text.clear();
    TFiche* sheet = SheetAt(fiche);
    if (!sheet || galerie < 0 || static_cast<std::size_t>(galerie) >= sheet->Galeries.size()
        || !m_screenImage)
        return;
    const TGalerie& g = *sheet->Galeries[static_cast<std::size_t>(galerie)];
    if (show)
        text = StatusText(*sheet, g);
    const TTrait* trait = ShotTrait();
    if (!Drawn(g) || point < 1 || point > g.ShotCount() || !trait)
        return;

    QPainter painter(m_screenImage);
    m_painter = &painter;
    m_onPage = false;
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPointF s = StationInView(g, point - 1), e = StationInView(g, point);
    // End markers invert what is under them, so drawing them twice restores the image.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setBrush(show ? Qt::black : Qt::white);
    Carre(s.x(), s.y());
    Carre(e.x(), e.y());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (mode == 0) {
        painter.setPen(
            QPen(show ? Qt::red : Qt::black, ks::RoundEven(trait->Epaisseur_Visee * 0.1 * m_view.PixelsParMm),
                Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        double a = 0, b = 0;
        ks::ShotFraction(trait->pourcentage, a, b);
        DeplacerEcran(b * e.x() + a * s.x(), b * e.y() + a * s.y());
        TracerEcran(a * e.x() + b * s.x(), a * e.y() + b * s.y());
    }
    End();
}

double TProjection::BeginShots(const TTrait& trait, double& a, double& b)
{
    QPainter& p = *m_painter;
    ks::ShotFraction(trait.pourcentage, a, b);
    p.setPen(
        QPen(Qt::black, PenWidth(trait.Epaisseur_Visee, true), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::black);
    if (trait.Texte_Station <= 0)
        return 0;
    p.setFont(Font(trait.Police_Station));
    return LabelOffset();
}

double TProjection::LabelOffset() const
{
    // On screen the font grows with the zoom ratio and so does the drawing: the offset in metres
    // is divided by the ratio, so that the label keeps its place beside its station.
    return TextHeightMm("O") * 0.0005 * m_view.Echelle / (m_onPage ? 1.0 : m_rapport);
}

void TProjection::PaintScaleBar(
    const QPointF& q, double length, int tickMm, int divisions, int thickness, const TPolice& font)
{
    QPainter& p = *m_painter;
    p.setPen(QPen(Qt::black, PenWidth(thickness, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const double h = tickMm * 0.001 * m_view.Echelle;
    Deplacer(q.x(), q.y());
    Tracer(q.x() + length, q.y());
    Tracer(q.x() + length, q.y() + h);
    Deplacer(q.x(), q.y());
    Tracer(q.x(), q.y() + h);
    for (int i = 1; i < divisions; ++i) {
        Deplacer(q.x() + length * i / divisions, q.y());
        Tracer(q.x() + length * i / divisions, q.y() + h);
    }
    p.setFont(Font(font));
    p.setBrush(Qt::NoBrush);
    const double t = TextHeightMm("0");
    const double w0 = TextWidthMm("0");
    Ecrire(q.x() - 0.001 * m_view.Echelle * w0 / 2, q.y() + h + 0.001 * m_view.Echelle * t, "0");
    const std::string label = ks::FormatG(length, 15) + ks::LengthUnitLabel(ks::kMetres);
    const double w1 = TextWidthMm(ks::ToQString(label));
    // Centred on the bar's end, but never over the "0": a short bar pushes it to the right.
    const double after0 = q.x() + 0.001 * m_view.Echelle * w0 * 1.5;
    Ecrire(std::max(q.x() + length - 0.001 * m_view.Echelle * w1 / 2, after0),
        q.y() + h + 0.001 * m_view.Echelle * t, label);
}
