// The developed elevation view (TCoupe).
#include "views/coupe.h"

#include "bridge/qt_text.h"
#include "compute/elevation.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <cmath>

QPointF TCoupe::ToView(double x, double, double z) const
{
    return { x, z };
}

bool TCoupe::Drawn(const TGalerie& g) const
{
    return g.InElevation && TProjection::Drawn(g);
}

QPointF TCoupe::StationInView(const TGalerie& g, int k) const
{
    if (k <= 0 || static_cast<std::size_t>(k) > g.Stations.size())
        return { g.ElevFromStart ? g.ElevX : g.DevEnd, g.Start.Z + g.ElevZ };
    const TStationPos& p = g.Stations[static_cast<std::size_t>(k - 1)];
    return { p.Developed, p.Z + g.ElevZ };
}

const TTrait* TCoupe::ShotTrait() const
{
    return m_context.Coupe ? &m_context.Coupe->Trait : nullptr;
}

void TCoupe::Dimensions(int& width, int& height, double resolution, double rapport)
{
    m_view.Calcule = false;
    width = height = 1;
    if (!m_context.Massif)
        return;
    ks::TElevation elevation(*m_context.Massif);
    elevation.MakeCurrent();
    if (!elevation.Box(m_view.XMin, m_view.XMax, m_view.YMin, m_view.YMax))
        return;
    m_corner = QPointF(m_view.XMin, m_view.YMin);
    m_view.Calcule = true;
    WidenExtents(width, height, resolution, rapport);
}

void TCoupe::NbPages(int& columns, int& rows, int marginsX, int marginsY)
{
    const TOptions_Coupe* o = m_context.Coupe;
    PageCount(columns, rows, marginsX, marginsY, o && o->Origine, o ? o->X_Origine : 0, o ? o->Z_Origine : 0);
}

void TCoupe::Dessiner(int originX, int originY, double resolution, double rapport, QImage& image, int mode)
{
    PaintImage(originX, originY, resolution, rapport, image, mode);
}

void TCoupe::DessinerSur(
    QPainter& painter, int originX, int originY, double resolution, double rapport, int mode)
{
    BeginScreen(painter, originX, originY, resolution, rapport);
    if (m_view.Calcule && m_context.Coupe)
        Paint(mode);
    End();
}

void TCoupe::DessinerPage(
    int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor)
{
    BeginPage(canvas, column, row, leftMm, topMm, factor);
    const TOptions_Coupe* o = m_context.Coupe;
    PageGrid(o && o->Origine, o ? o->X_Origine : 0, o ? o->Z_Origine : 0);
    if (m_view.Calcule && o)
        Paint(mode);
    End();
}

void TCoupe::Paint(int mode)
{
    const TOptions_Coupe& o = *m_context.Coupe;
    QPainter& p = *m_painter;
    double a = 0, b = 0;
    const double offset = BeginShots(o.Trait, a, b);
    const double deformationMax = mode == 3 ? DeformationMax() : 1.0;
    const bool heights = o.Afficher_Habillage || o.Representation_Hauteur != 0;
    auto setWidth = [&](int tenths) {
        QPen current = p.pen();
        current.setWidth(PenWidth(tenths, true));
        p.setPen(current);
    };
    auto label = [&](const QPointF& at, const TPointTopo& point) {
        if (o.Trait.Texte_Station <= 0 || point.Final)
            return;
        std::string text = ks::Cp1252ToUtf8(point.Name.Get());
        if (o.Trait.Texte_Station == 2)
            text += "(" + std::to_string(point.Number) + ")";
        p.setBrush(Qt::NoBrush);
        Ecrire(at.x() + offset, at.y() + offset, text);
    };
    auto station = [&](const QPointF& at) {
        if (o.Trait.diametre != 0) {
            p.setBrush(Qt::black);
            Cercle(at.x(), at.y(), o.Trait.diametre);
        }
    };

    for (TFiche* sheet : m_context.Massif->CurrentSheets()) {
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!Drawn(g))
                continue;
            QPen galleryPen = p.pen();
            galleryPen.setColor(GalleryColour(g, mode, deformationMax));
            galleryPen.setWidth(PenWidth(o.Trait.Epaisseur_Visee, true));
            p.setPen(galleryPen);
            QPointF s = StationInView(g, 0);
            std::pair<double, double> hS { -1, -1 };
            if (heights)
                hS = sheet->PassageHeights(static_cast<int>(gi), 0);
            station(s);
            label(s, g.Start);
            for (int k = 1; k <= g.ShotCount(); ++k) {
                const QPointF e = StationInView(g, k);
                Deplacer(b * e.x() + a * s.x(), b * e.y() + a * s.y());
                Tracer(a * e.x() + b * s.x(), a * e.y() + b * s.y());
                if (heights) {
                    const auto hE = sheet->PassageHeights(static_cast<int>(gi), k);
                    if (o.Afficher_Habillage) {
                        setWidth(o.Epaisseur_Habit);
                        if (hS.first > -0.5 && hE.first > -0.5) {
                            Deplacer(s.x(), s.y() + hS.first);
                            Tracer(e.x(), e.y() + hE.first);
                        }
                        if (hS.second > -0.5 && hE.second > -0.5) {
                            Deplacer(s.x(), s.y() - hS.second);
                            Tracer(e.x(), e.y() - hE.second);
                        }
                    }
                    if (o.Representation_Hauteur != 0) {
                        // "Trazos": a stroke from the station to the roof and to the floor;
                        // "Puntos": a dot at each.
                        setWidth(o.Epaisseur_hauteur);
                        auto mark = [&](double y) {
                            if (o.Representation_Hauteur == 1) {
                                Deplacer(e.x(), e.y());
                                Tracer(e.x(), y);
                            } else {
                                p.setBrush(Qt::black);
                                Cercle(e.x(), y, o.Epaisseur_hauteur / 2);
                            }
                        };
                        if (hE.first > -0.5)
                            mark(e.y() + hE.first);
                        if (hE.second > -0.5)
                            mark(e.y() - hE.second);
                    }
                    setWidth(o.Trait.Epaisseur_Visee);
                    hS = hE;
                }
                s = e;
                station(e);
            }
            label(s, g.End);
        }
    }
    // A scale left at 0, 0 was never placed (the options' default): it goes to the elevation's
    // lower-left corner, where it shows beside any cave, as the plan's scale bar does.
    const QPointF bar
        = o.X_Horizontale == 0 && o.Z_Horizontale == 0 ? m_corner : QPointF(o.X_Horizontale, o.Z_Horizontale);
    if (o.Affiche_Horizontale)
        PaintScaleBar(bar, o.Long_Horizontale, o.Largeur_Horizontale, o.Pas_Horizontale,
            o.Epaisseur_Horizontale, o.Police_Horizontale);
    PaintVerticalScales();
}

void TCoupe::PaintVerticalScales()
{
    const TOptions_Coupe& o = *m_context.Coupe;
    QPainter& p = *m_painter;
    const int count = std::clamp<int>(o.NbVerticales, 0, TOptions_Coupe::kMaxVerticales);
    for (int n = 0; n < count; ++n) {
        const TVerticale& v = o.Verticales[static_cast<std::size_t>(n)];
        // The reference altitude: the first station of that name and number over every sheet.
        TPointTopo reference;
        reference.Name.Set(v.Nom_Verticale);
        reference.Number = static_cast<std::uint8_t>(std::clamp<int>(v.Indice_Verticale, 0, 255));
        const TPointTopo* found = v.Indice_Verticale >= 0 && v.Indice_Verticale <= 255
            ? m_context.Massif->PositionedStation(reference)
            : nullptr;
        const double zr = found ? found->Z : 0;
        p.setPen(QPen(
            Qt::black, PenWidth(o.Epaisseur_Verticale, false), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        Deplacer(v.X_Verticale, v.ZMin_Verticale + v.Decal_Verticale + zr);
        Tracer(v.X_Verticale, v.ZMax_Verticale + v.Decal_Verticale + zr);
        if (o.Pas_Verticale <= 0)
            continue;
        p.setFont(Font(o.Police_Verticale));
        p.setBrush(Qt::NoBrush);
        const double tick = o.Largeur_Verticale * 0.001 * m_view.Echelle * (v.Gauche_Verticale ? -1 : 1);
        const double half = TextHeightMm("0") * 0.0005 * m_view.Echelle;
        const int first = ks::RoundEven(static_cast<double>(v.ZMin_Verticale) / o.Pas_Verticale);
        const int last = ks::RoundEven(static_cast<double>(v.ZMax_Verticale) / o.Pas_Verticale);
        for (int i = first; i <= last; ++i) {
            const double y = o.Pas_Verticale * i + v.Decal_Verticale + zr;
            Deplacer(v.X_Verticale, y);
            Tracer(v.X_Verticale + tick, y);
            const std::string text = std::to_string(o.Pas_Verticale * i);
            const double width
                = v.Gauche_Verticale ? TextWidthMm(ks::ToQString(text)) * 0.001 * m_view.Echelle : 0;
            Ecrire(v.X_Verticale + tick * 1.5 - width, y + half, text);
        }
    }
}
