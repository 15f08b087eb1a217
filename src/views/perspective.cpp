// The perspective view (TPerspective): the network turned and tilted, and the anaglyph.
#include "views/perspective.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"
#include "views/plan.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Limited(double inclinaison)
{
    if (inclinaison > 90)
        return 89;
    if (inclinaison < -90)
        return -89;
    return inclinaison;
}

} // namespace

TPerspective::TPerspective(TViewContext& context)
    : TProjection(context)
{
    m_view.Echelle = 100;
}

void TPerspective::SetAngles(double azimut, double inclinaison)
{
    CosAz = std::cos(azimut * kPi / 180);
    SinAz = std::sin(azimut * kPi / 180);
    SinIncl = std::sin(inclinaison * kPi / 180);
}

void TPerspective::Tourner(double deltaAzimut, double deltaInclinaison)
{
    Azimut += deltaAzimut;
    if (Azimut > 360)
        Azimut -= 360;
    else if (Azimut < 0)
        Azimut += 360;
    Inclinaison = Limited(Inclinaison + deltaInclinaison);
    SetAngles(Azimut, Inclinaison);
}

void TPerspective::ApercuRotation(double deltaAzimut, double deltaInclinaison, std::string& text)
{
    const double inclinaison = Limited(Inclinaison + deltaInclinaison);
    SetAngles(Azimut + deltaAzimut, inclinaison);
    text = ks::FormatG(Azimut + deltaAzimut, 3) + " °  " + ks::FormatG(-inclinaison, 2) + " °";
}

QPointF TPerspective::ToView(double x, double y, double z) const
{
    return { x * CosAz + y * SinAz, z - Depth(x, y) * SinIncl };
}

bool TPerspective::StereoPoint(double x, double y, double z, int eye, QPointF& drawn) const
{
    const QPointF p = ToView(x, y, z);
    const double n = m_view.Echelle, r = m_rapport;
    const double e = n * 0.07 / r * 0.5; // half of a 7 cm eye distance, survey metres
    const double d = (Depth(x, y) - ProfondeurCentre) / n * r;
    // The eye is 0.5 m of paper in front of the middle depth: a point at or behind it has no image.
    if (d + 0.5 <= 1e-6)
        return false;
    const double uc = (m_view.XMin + m_view.XMax) / 2, wc = (m_view.YMin + m_view.YMax) / 2;
    const double k = 0.5 / (d + 0.5);
    drawn = { ((p.x() - uc) + eye * e) * k - eye * e + uc, (p.y() - wc) * k + wc };
    return true;
}

void TPerspective::Dimensions(int& width, int& height, double resolution, double rapport)
{
    m_view.Calcule = m_context.Massif && ks::PositionedBox(*m_context.Massif, BoiteMin, BoiteMax);
    if (!m_view.Calcule) {
        width = height = 1;
        return;
    }
    double vMin = 0, vMax = 0;
    for (int i = 0; i < 8; ++i) {
        const double x = (i & 1) ? BoiteMax[0] : BoiteMin[0];
        const double y = (i & 2) ? BoiteMax[1] : BoiteMin[1];
        const double z = (i & 4) ? BoiteMax[2] : BoiteMin[2];
        const QPointF c = ToView(x, y, z);
        const double v = Depth(x, y);
        if (i == 0) {
            m_view.XMin = m_view.XMax = c.x();
            m_view.YMin = m_view.YMax = c.y();
            vMin = vMax = v;
        }
        m_view.XMin = std::min(m_view.XMin, c.x());
        m_view.XMax = std::max(m_view.XMax, c.x());
        m_view.YMin = std::min(m_view.YMin, c.y());
        m_view.YMax = std::max(m_view.YMax, c.y());
        vMin = std::min(vMin, v);
        vMax = std::max(vMax, v);
    }
    ProfondeurCentre = (vMin + vMax) / 2;
    m_rapport = rapport;
    WidenExtents(width, height, resolution, rapport);
}

void TPerspective::NbPages(int& columns, int& rows, int marginsX, int marginsY)
{
    PageCount(columns, rows, marginsX, marginsY, false, 0, 0);
}

const TTrait* TPerspective::ShotTrait() const
{
    return m_context.Relief ? &m_context.Relief->Trait : nullptr;
}

void TPerspective::Dessiner(
    int originX, int originY, double resolution, double rapport, QImage& image, int mode)
{
    // The anaglyph's two images add up on black.
    PaintImage(originX, originY, resolution, rapport, image, mode, Stereo ? Qt::black : Qt::white);
}

void TPerspective::DessinerSur(
    QPainter& painter, int originX, int originY, double resolution, double rapport, int mode)
{
    BeginScreen(painter, originX, originY, resolution, rapport);
    if (m_view.Calcule && m_context.Relief && m_context.Massif)
        Stereo ? PaintStereo(mode) : Paint(mode);
    End();
}

void TPerspective::DessinerPage(
    int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor)
{
    BeginPage(canvas, column, row, leftMm, topMm, factor);
    PageGrid(false, 0, 0);
    if (m_view.Calcule && m_context.Relief && m_context.Massif)
        Paint(mode);
    End();
}

void TPerspective::Paint(int mode)
{
    const TOptions_Relief& o = *m_context.Relief;
    QPainter& p = *m_painter;
    double a = 0, b = 0;
    const double offset = BeginShots(o.Trait, a, b);
    const double deformationMax = mode == 3 ? DeformationMax() : 1.0;
    for (TFiche* sheet : m_context.Massif->CurrentSheets()) {
        for (const auto& gallery : sheet->Galeries) {
            const TGalerie& g = *gallery;
            if (!Drawn(g))
                continue;
            QPen pen = p.pen();
            pen.setColor(GalleryColour(g, mode, deformationMax));
            p.setPen(pen);
            QPointF s = StationInView(g, 0);
            if (o.Trait.diametre != 0) {
                p.setBrush(Qt::black);
                Cercle(s.x(), s.y(), o.Trait.diametre);
            }
            if (o.Trait.Texte_Station > 0 && !g.Start.Final) {
                p.setBrush(Qt::NoBrush);
                Ecrire(s.x() + offset, s.y() + offset, StationLabel(g.Start, o.Trait.Texte_Station));
            }
            for (int k = 1; k <= g.ShotCount(); ++k) {
                const QPointF e = StationInView(g, k);
                Deplacer(b * e.x() + a * s.x(), b * e.y() + a * s.y());
                Tracer(a * e.x() + b * s.x(), a * e.y() + b * s.y());
                if (o.Trait.diametre != 0) {
                    p.setBrush(Qt::black);
                    Cercle(e.x(), e.y(), o.Trait.diametre);
                }
                s = e;
            }
            if (o.Trait.Texte_Station > 0 && !g.End.Final) {
                p.setBrush(Qt::NoBrush);
                Ecrire(s.x() + offset, s.y() + offset, StationLabel(g.End, o.Trait.Texte_Station));
            }
        }
    }
    if (o.Affiche_Echelle)
        PaintAxes();
    if (o.Affiche_Nord)
        PaintNorth();
    if (o.Affiche_Quadri)
        PaintCube();
}

void TPerspective::PaintStereo(int mode)
{
    (void)mode; // the anaglyph has only its two colours
    const TOptions_Relief& o = *m_context.Relief;
    QPainter& p = *m_painter;
    p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    double a = 0, b = 0;
    ks::ShotFraction(o.Trait.pourcentage, a, b);
    const int width = PenWidth(o.Trait.Epaisseur_Visee, true);
    const QColor colours[2] = { QColor(0, 0, 255), QColor(192, 0, 0) };
    for (TFiche* sheet : m_context.Massif->CurrentSheets()) {
        for (const auto& gallery : sheet->Galeries) {
            const TGalerie& g = *gallery;
            if (!Drawn(g))
                continue;
            for (int eye = -1; eye <= 1; eye += 2) {
                p.setPen(QPen(colours[eye > 0], width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                double x0, y0, z0;
                Station(g, 0, x0, y0, z0);
                for (int k = 1; k <= g.ShotCount(); ++k) {
                    double x1, y1, z1;
                    Station(g, k, x1, y1, z1);
                    QPointF from, to;
                    if (StereoPoint(b * x1 + a * x0, b * y1 + a * y0, b * z1 + a * z0, eye, from)
                        && StereoPoint(a * x1 + b * x0, a * y1 + b * y0, a * z1 + b * z0, eye, to)) {
                        Deplacer(from.x(), from.y());
                        Tracer(to.x(), to.y());
                    }
                    x0 = x1, y0 = y1, z0 = z1;
                }
            }
        }
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void TPerspective::Segment(double x1, double y1, double z1, double x2, double y2, double z2)
{
    const QPointF a = ToView(x1, y1, z1), b = ToView(x2, y2, z2);
    Deplacer(a.x(), a.y());
    Tracer(b.x(), b.y());
}

// A position left at 0, 0 km was never set (the options' default): the mark goes to a corner of
// the cave's box, where it shows beside any cave, as on the plan.
void TPerspective::AxesPosition(double& x, double& y, double& z) const
{
    const TOptions_Relief& o = *m_context.Relief;
    if (o.X_Echelle != 0 || o.Y_Echelle != 0) {
        x = o.X_Echelle * 1000, y = o.Y_Echelle * 1000, z = o.Z_Echelle;
        return;
    }
    x = BoiteMin[0], y = BoiteMin[1], z = BoiteMin[2];
}

void TPerspective::NorthPosition(double& x, double& y, double& z) const
{
    const TOptions_Relief& o = *m_context.Relief;
    if (o.X_Nord != 0 || o.Y_Nord != 0) {
        x = o.X_Nord * 1000, y = o.Y_Nord * 1000, z = o.Z_Nord;
        return;
    }
    x = BoiteMin[0], y = BoiteMax[1], z = BoiteMax[2];
}

void TPerspective::PaintAxes()
{
    const TOptions_Relief& o = *m_context.Relief;
    m_painter->setPen(
        QPen(Qt::black, PenWidth(o.Epaisseur_Echelle, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    double x = 0, y = 0, z = 0;
    AxesPosition(x, y, z);
    const double l = o.Long_Echelle;
    Segment(x, y, z, x + (o.X_Inverse ? -l : l), y, z);
    Segment(x, y, z, x, y + (o.Y_Inverse ? -l : l), z);
    Segment(x, y, z, x, y, z + (o.Z_Inverse ? -l : l));
}

void TPerspective::PaintNorth()
{
    const TOptions_Relief& o = *m_context.Relief;
    QPainter& p = *m_painter;
    p.setPen(QPen(Qt::black, PenWidth(o.Epaisseur_Nord, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    double x0 = 0, y0 = 0, z = 0;
    NorthPosition(x0, y0, z);
    const double l = o.Long_Nord * 0.001 * m_view.Echelle;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    NorthArrow(l, o.Representation, m_context.Massif ? m_context.Massif->Angle_Geodesique : 0, x0, y0, x1, y1,
        x2, y2);
    const QPointF p0 = ToView(x0, y0, z), p1 = ToView(x1, y1, z), p2 = ToView(x2, y2, z);
    Deplacer(p0.x(), p0.y());
    Tracer(p1.x(), p1.y());
    Tracer(p2.x(), p2.y());
    p.setFont(Font(o.Police_Nord));
    p.setBrush(Qt::NoBrush);
    Ecrire(p2.x(), p2.y(), ks::Cp1252ToUtf8(o.Texte_Nord));
}

void TPerspective::PaintCube()
{
    const TOptions_Relief& o = *m_context.Relief;
    m_painter->setPen(QPen(ks::WindowsColour(o.Couleur_Cadre), PenWidth(o.Epaisseur_Quadri, true),
        Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    const double* lo = BoiteMin;
    const double* hi = BoiteMax;
    // The twelve edges: four along each axis.
    for (int i = 0; i < 4; ++i) {
        const double y = (i & 1) ? hi[1] : lo[1], z = (i & 2) ? hi[2] : lo[2];
        Segment(lo[0], y, z, hi[0], y, z);
        const double x = (i & 1) ? hi[0] : lo[0];
        Segment(x, lo[1], z, x, hi[1], z);
        const double y2 = (i & 2) ? hi[1] : lo[1];
        Segment(x, y2, lo[2], x, y2, hi[2]);
    }
}
