// The plan view (TPlan): galleries, walls, labels, north arrow, scale bar and grid.
#include "views/plan.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

TPlan::TPlan(TViewContext& context)
    : TProjection(context)
{
    m_view.Echelle = 100;
}

void TPlan::Tourner(double delta)
{
    Angle += delta;
    if (Angle > 360)
        Angle -= 360;
    if (Angle < 0)
        Angle += 360;
    CosAngle = std::cos(Angle * kPi / 180);
    SinAngle = std::sin(Angle * kPi / 180);
}

void TPlan::ApercuRotation(double delta, std::string& text)
{
    const double angle = Angle + delta;
    CosAngle = std::cos(angle * kPi / 180);
    SinAngle = std::sin(angle * kPi / 180);
    text = ks::FormatG(angle, 3) + " °";
}

QPointF TPlan::ToView(double x, double y, double) const
{
    return { x * CosAngle + y * SinAngle, -x * SinAngle + y * CosAngle };
}

void TPlan::Dimensions(int& width, int& height, double resolution, double rapport)
{
    m_view.Calcule = m_context.Massif && ks::PositionedBox(*m_context.Massif, BoiteMin, BoiteMax);
    if (!m_view.Calcule) {
        width = height = 1;
        return;
    }
    const QPointF corners[4] = { ToView(BoiteMin[0], BoiteMin[1]), ToView(BoiteMin[0], BoiteMax[1]),
        ToView(BoiteMax[0], BoiteMin[1]), ToView(BoiteMax[0], BoiteMax[1]) };
    m_view.XMin = m_view.XMax = corners[0].x();
    m_view.YMin = m_view.YMax = corners[0].y();
    for (const QPointF& c : corners) {
        m_view.XMin = std::min(m_view.XMin, c.x());
        m_view.XMax = std::max(m_view.XMax, c.x());
        m_view.YMin = std::min(m_view.YMin, c.y());
        m_view.YMax = std::max(m_view.YMax, c.y());
    }
    PlaceDefaultMarks();
    WidenExtents(width, height, resolution, rapport);
}

namespace {

// The height of a line of a font, in millimetres of paper.
double LineHeightMm(const TPolice& police)
{
    QFont font(ks::ToQString(police.Name));
    const double pixels
        = std::abs(police.Height) * (police.PixelsPerInch > 0 ? 96.0 / police.PixelsPerInch : 1.0);
    font.setPixelSize(std::max(1, ks::RoundEven(pixels)));
    return QFontMetricsF(font).height() * 25.4 / 96;
}

} // namespace

void TPlan::PlaceDefaultMarks()
{
    if (!m_context.Plan)
        return;
    const TOptions_Plan& o = *m_context.Plan;
    const double mm = 0.001 * m_view.Echelle; // metres of ground for a millimetre of paper
    const double gap = 5 * mm;
    if (o.Affiche_Echelle && o.X_Echelle == 0 && o.Y_Echelle == 0) {
        // Ticks and labels stand above the bar: all of it under the box.
        const double band = (std::max<int>(0, o.Largeur_Echelle) + 2 * LineHeightMm(o.Police_Echelle)) * mm;
        m_barView = QPointF(m_view.XMin, m_view.YMin - gap - band);
        m_view.YMin -= gap + band;
        m_view.XMax = std::max(
            m_view.XMax, m_view.XMin + std::abs(o.Long_Echelle) + 3 * LineHeightMm(o.Police_Echelle) * mm);
    }
    if (o.Affiche_Nord && o.X_Nord == 0 && o.Y_Nord == 0) {
        // The arrow turns with the plan: a circle of its length and its label around its foot, at
        // the top right of the box.
        const double reach = std::max<int>(0, o.Long_Nord) * mm + 2 * LineHeightMm(o.Police_Nord) * mm;
        m_northView = QPointF(m_view.XMax + gap + reach, m_view.YMax - reach);
        m_view.XMax += gap + 2 * reach;
        m_view.YMin = std::min(m_view.YMin, m_view.YMax - 2 * reach);
    }
}

QPointF TPlan::FromView(const QPointF& view) const
{
    return { view.x() * CosAngle - view.y() * SinAngle, view.x() * SinAngle + view.y() * CosAngle };
}

QPointF TPlan::FixedOrigin() const
{
    const TOptions_Plan* o = m_context.Plan;
    return o ? ToView(o->X_Origine, o->Y_Origine) : QPointF();
}

void TPlan::NbPages(int& columns, int& rows, int marginsX, int marginsY)
{
    const bool fixed = m_context.Plan && m_context.Plan->Origine;
    const QPointF o = FixedOrigin();
    PageCount(columns, rows, marginsX, marginsY, fixed, o.x(), o.y());
}

void TPlan::Dessiner(int originX, int originY, double resolution, double rapport, QImage& image, int mode)
{
    // The drawing is made aside and copied in whole; the aside image is kept for the next redraw,
    // which spares the system a fresh allocation of a screenful every time.
    if (m_bitmap.size() != image.size() || m_bitmap.devicePixelRatio() != image.devicePixelRatio()) {
        m_bitmap = QImage(image.size(), QImage::Format_RGB32);
        m_bitmap.setDevicePixelRatio(image.devicePixelRatio()); // drawn in logical pixels
    }
    QImage& bitmap = m_bitmap;
    bitmap.fill(Qt::white);
    {
        QPainter painter(&bitmap);
        DessinerSur(painter, originX, originY, resolution, rapport, mode);
    }
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
        const qreal ratio = image.devicePixelRatio();
        image = QImage(image.size(), QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
    }
    {
        QPainter copy(&image);
        copy.setCompositionMode(QPainter::CompositionMode_Source);
        copy.drawImage(0, 0, bitmap);
    }
    m_screenImage = &image;
}

void TPlan::DessinerSur(
    QPainter& painter, int originX, int originY, double resolution, double rapport, int mode)
{
    BeginScreen(painter, originX, originY, resolution, rapport);
    if (m_view.Calcule && m_context.Plan)
        Paint(mode);
    End();
}

void TPlan::DessinerPage(
    int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor)
{
    BeginPage(canvas, column, row, leftMm, topMm, factor);
    const bool fixed = m_context.Plan && m_context.Plan->Origine;
    const QPointF o = FixedOrigin();
    PageGrid(fixed, o.x(), o.y());
    if (m_view.Calcule && m_context.Plan)
        Paint(mode);
    End();
}

namespace {

// Mixes a value into a key (the finaliser of splitmix64).
void Mix(std::uint64_t& key, std::uint64_t value)
{
    std::uint64_t z = key + 0x9E3779B97F4A7C15ull + value;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    key = z ^ (z >> 31);
}

void Mix(std::uint64_t& key, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Mix(key, bits);
}

} // namespace

std::uint64_t TPlan::GalleriesKey(int mode, double deformationMax) const
{
    // Everything the recorded galleries depend on: the sheets shown and their galleries (an edited
    // sheet is a new one), where the computation put them, their colours and misclosures, the
    // angle, the colour mode and the options that shape the drawing.
    const TOptions_Plan& o = *m_context.Plan;
    std::uint64_t key = 1;
    Mix(key, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(m_context.Massif)));
    Mix(key, static_cast<std::uint64_t>(mode));
    Mix(key, Angle);
    Mix(key, CosAngle);
    Mix(key, SinAngle);
    Mix(key, deformationMax);
    for (int value : { int(o.Trait.pourcentage), int(o.Trait.diametre), int(o.Trait.Texte_Station),
             int(o.Afficher_Habillage), int(o.Representation_Largeur), int(o.Epaisseur_Largeur),
             int(o.AuDebut), int(o.AlaFin) })
        Mix(key, static_cast<std::uint64_t>(value));
    for (const TFiche* sheet : m_context.Massif->CurrentSheets()) {
        Mix(key, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(sheet)));
        for (const auto& g : sheet->Galeries) {
            Mix(key, static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(g.get())));
            Mix(key,
                static_cast<std::uint64_t>(g->Positioned) << 32
                    | static_cast<std::uint32_t>(g->StationCount()));
            Mix(key,
                static_cast<std::uint64_t>(static_cast<std::uint32_t>(g->Colour)) << 32
                    | static_cast<std::uint32_t>(g->ShotCount()));
            for (double v : { g->Start.X, g->Start.Y, g->End.X, g->End.Y, g->HorizMisclosure })
                Mix(key, v);
        }
    }
    return key;
}

void TPlan::RecordGalleries(TDrawList& list, int mode, double deformationMax) const
{
    const TOptions_Plan& o = *m_context.Plan;
    list.Clear();
    double a = 0, b = 0;
    ks::ShotFraction(o.Trait.pourcentage, a, b);
    const bool widths = o.Afficher_Habillage || o.Representation_Largeur != 0;
    enum : std::uint8_t { kShotPen, kWallPen, kMarkPen };

    for (TFiche* sheet : m_context.Massif->CurrentSheets()) {
        // Values at a gallery's start come from the gallery ending there: found by name.
        std::unique_ptr<TStationEnds> ends;
        if (widths)
            ends = std::make_unique<TStationEnds>(*sheet);
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!g.Positioned || g.StationCount() != g.ShotCount())
                continue;
            list.Colour(GalleryColour(g, mode, deformationMax));

            std::pair<double, double> wS { -1, -1 };
            if (widths)
                wS = sheet->PassageWidths(static_cast<int>(gi), 0, ends.get());
            QPointF s = StationInView(g, 0);
            if (o.Trait.diametre != 0)
                list.Circle(kShotPen, true, o.Trait.diametre, s.x(), s.y());
            if (o.Trait.Texte_Station > 0 && !g.Start.Final)
                list.Label(s.x(), s.y(), StationLabel(g.Start, o.Trait.Texte_Station));
            double ca = 1, sa = 0; // direction of the shot before, for walls of coinciding stations
            for (int k = 1; k <= g.ShotCount(); ++k) {
                const QPointF e = StationInView(g, k);
                list.Segment(kShotPen, b * e.x() + a * s.x(), b * e.y() + a * s.y(), a * e.x() + b * s.x(),
                    a * e.y() + b * s.y());
                if (widths) {
                    const double length = std::hypot(e.x() - s.x(), e.y() - s.y());
                    if (length > 0) {
                        ca = (e.x() - s.x()) / length;
                        sa = (e.y() - s.y()) / length;
                    }
                    const auto wE = sheet->PassageWidths(static_cast<int>(gi), k);
                    const bool measured = g.Shot(k).Length != 0;
                    const QPointF leftDir(-sa, ca), rightDir(sa, -ca);
                    if (o.Afficher_Habillage && measured) {
                        if (wS.first > -0.5 && wE.first > -0.5)
                            list.Segment(kWallPen, s.x() + wS.first * leftDir.x(),
                                s.y() + wS.first * leftDir.y(), e.x() + wE.first * leftDir.x(),
                                e.y() + wE.first * leftDir.y());
                        if (wS.second > -0.5 && wE.second > -0.5)
                            list.Segment(kWallPen, s.x() + wS.second * rightDir.x(),
                                s.y() + wS.second * rightDir.y(), e.x() + wE.second * rightDir.x(),
                                e.y() + wE.second * rightDir.y());
                    }
                    if (o.Representation_Largeur != 0 && measured) {
                        auto marks = [&](const QPointF& at, const std::pair<double, double>& w) {
                            for (const auto& [width, dir] :
                                { std::pair { w.first, leftDir }, std::pair { w.second, rightDir } }) {
                                if (width <= -0.5)
                                    continue;
                                const QPointF wall(at.x() + width * dir.x(), at.y() + width * dir.y());
                                if (o.Representation_Largeur == 1)
                                    list.Segment(kMarkPen, at.x(), at.y(), wall.x(), wall.y());
                                else
                                    list.Circle(kMarkPen, false, o.Epaisseur_Largeur / 2, wall.x(), wall.y());
                            }
                        };
                        if (o.AuDebut)
                            marks(s, wS);
                        if (o.AlaFin)
                            marks(e, wE);
                    }
                    wS = wE;
                }
                s = e;
                if (o.Trait.diametre != 0)
                    list.Circle(kShotPen, true, o.Trait.diametre, e.x(), e.y());
            }
            if (o.Trait.Texte_Station > 0 && !g.End.Final)
                list.Label(s.x(), s.y(), StationLabel(g.End, o.Trait.Texte_Station));
        }
    }
}

void TPlan::Paint(int mode)
{
    const TOptions_Plan& o = *m_context.Plan;
    double a = 0, b = 0;
    const double offset = BeginShots(o.Trait, a, b);
    const double deformationMax = mode == 3 ? DeformationMax() : 1.0;
    // The misclosure colours of mode 4 come from outside the massif: recorded anew every time.
    const std::uint64_t key = mode == 4 ? 0 : GalleriesKey(mode, deformationMax);
    if (key == 0 || key != m_galleries.Key) {
        RecordGalleries(m_galleries, mode, deformationMax);
        m_galleries.Key = key;
    }
    DrawList(m_galleries, { o.Trait.Epaisseur_Visee, o.Epaisseur_Habit, o.Epaisseur_Largeur }, offset);
    if (o.Affiche_Nord)
        PaintNorth();
    if (o.Affiche_Echelle)
        PaintScaleBar(ToView(ScaleBarPosition().x(), ScaleBarPosition().y()), o.Long_Echelle,
            o.Largeur_Echelle, o.Subdivision, o.Epaisseur_Echelle, o.Police_Echelle);
    if (o.Affiche_Quadri && o.Pas > 0)
        PaintGrid();
    if (mode == 4 && !m_onPage)
        PaintMisclosureLegend();
}

const TTrait* TPlan::ShotTrait() const
{
    return m_context.Plan ? &m_context.Plan->Trait : nullptr;
}

// A position left at 0, 0 km was never set (the options' default): the places Dimensions made
// outside the cave's box.
QPointF TPlan::NorthPosition() const
{
    const TOptions_Plan& o = *m_context.Plan;
    if (o.X_Nord != 0 || o.Y_Nord != 0)
        return { o.X_Nord * 1000, o.Y_Nord * 1000 };
    return FromView(m_northView);
}

QPointF TPlan::ScaleBarPosition() const
{
    const TOptions_Plan& o = *m_context.Plan;
    if (o.X_Echelle != 0 || o.Y_Echelle != 0)
        return { o.X_Echelle * 1000, o.Y_Echelle * 1000 };
    return FromView(m_barView);
}

void TPlan::PaintNorth()
{
    const TOptions_Plan& o = *m_context.Plan;
    QPainter& p = *m_painter;
    p.setPen(QPen(Qt::black, PenWidth(o.Epaisseur_Nord, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const QPointF at = NorthPosition();
    const double x0 = at.x(), y0 = at.y();
    const double l = o.Long_Nord * 0.001 * m_view.Echelle;
    auto to = [this](double x, double y) { return ToView(x, y); };
    const QPointF p0 = to(x0, y0);
    Deplacer(p0.x(), p0.y());
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    NorthArrow(l, o.Representation, m_context.Massif ? m_context.Massif->Angle_Geodesique : 0, x0, y0, x1, y1,
        x2, y2);
    const QPointF p1 = to(x1, y1), p2 = to(x2, y2);
    Tracer(p1.x(), p1.y());
    Tracer(p2.x(), p2.y());
    p.setFont(Font(o.Police_Nord));
    p.setBrush(Qt::NoBrush);
    Ecrire(p2.x(), p2.y(), ks::Cp1252ToUtf8(o.Texte_Nord));
}

void TPlan::PaintGrid()
{
    const TOptions_Plan& o = *m_context.Plan;
    m_painter->setPen(
        QPen(Qt::black, PenWidth(o.Epaisseur_Quadri, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const double step = o.Pas, arm = o.Longueur_Quadri * 0.001 * m_view.Echelle;
    for (int i = ks::Plancher(BoiteMin[0] / step); i <= ks::Plancher(BoiteMax[0] / step) + 1; ++i) {
        for (int j = ks::Plancher(BoiteMin[1] / step); j <= ks::Plancher(BoiteMax[1] / step) + 1; ++j) {
            const double x = i * step, y = j * step;
            const QPointF a1 = ToView(x - arm, y), a2 = ToView(x + arm, y);
            const QPointF b1 = ToView(x, y - arm), b2 = ToView(x, y + arm);
            Deplacer(a1.x(), a1.y());
            Tracer(a2.x(), a2.y());
            Deplacer(b1.x(), b1.y());
            Tracer(b2.x(), b2.y());
        }
    }
}
