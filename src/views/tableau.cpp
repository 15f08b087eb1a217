// The table view (TTableau): its layout in millimetres, cells, pages and column fitting.
#include "views/tableau.h"

#include "bridge/qt_text.h"
#include "compute/elevation.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace ks {

std::vector<QString> CutText(
    const QString& text, double width, const std::function<double(const QString&)>& measure)
{
    std::vector<QString> lines;
    QString rest = text;
    while (!rest.isEmpty()) {
        if (measure(rest) <= width) {
            lines.push_back(rest);
            break;
        }
        // After the last space that leaves a part narrow enough, else character by character.
        int cut = -1;
        for (int i = rest.lastIndexOf(QLatin1Char(' ')); i > 0; i = rest.lastIndexOf(QLatin1Char(' '), i - 1))
            if (measure(rest.left(i)) <= width) {
                cut = i;
                break;
            }
        if (cut > 0) {
            lines.push_back(rest.left(cut));
            rest = rest.mid(cut + 1);
            continue;
        }
        int n = 1;
        while (n < rest.size() && measure(rest.left(n + 1)) <= width)
            ++n;
        lines.push_back(rest.left(n));
        rest = rest.mid(n);
    }
    return lines;
}

} // namespace ks

namespace {

constexpr int kComment = 9; // "Comentarios"

bool Drawn(const TGalerie& g)
{
    return g.Positioned && g.StationCount() == g.ShotCount();
}

std::string Fixed(double value)
{
    return ks::FormatFixed(value, 2);
}

std::string PointName(const TPointTopo& p)
{
    return ks::Cp1252ToUtf8(p.Name.Get()) + "(" + std::to_string(p.Number) + ")";
}

} // namespace

TTableau::TTableau(TViewContext& context)
    : TGraphique(context)
{ }

std::vector<std::pair<int, const TFiche*>> TTableau::SheetOrder() const
{
    std::vector<std::pair<int, const TFiche*>> order;
    if (!m_context.Massif)
        return order;
    const auto sheets = m_context.Massif->CurrentSheets();
    for (std::size_t i = 0; i < sheets.size(); ++i)
        order.emplace_back(static_cast<int>(i), sheets[i]);
    const int mode = m_context.TableOrder;
    if (mode == 1)
        std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            return ks::DateKey(a.second->Date) < ks::DateKey(b.second->Date);
        });
    else if (mode == 2)
        std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
            auto key = [](const TFiche& f) {
                return std::tie(f.Systeme.Get(), f.Cavite.Get(), f.Reseau.Get(), f.Lieu.Get());
            };
            return key(*a.second) < key(*b.second);
        });
    return order;
}

std::vector<int> TTableau::Columns() const
{
    std::vector<int> columns;
    const TOptions_Tableau* o = m_context.Tableau;
    if (!o)
        return columns;
    for (int position = 0; position < TOptions_Tableau::kColumns; ++position) {
        const int c = o->Ordre[static_cast<std::size_t>(position)] - 1;
        if (c >= 0 && c < TOptions_Tableau::kColumns && o->Jaffiche[static_cast<std::size_t>(c)]
            && std::find(columns.begin(), columns.end(), c) == columns.end())
            columns.push_back(c);
    }
    return columns;
}

namespace {

int ColumnWidth(const TOptions_Tableau& o, int c)
{
    const int width = std::max<int>(0, o.Largeur_Colonne[static_cast<std::size_t>(c)]);
    return o.Double[static_cast<std::size_t>(c)] ? 2 * width : width;
}

} // namespace

int TTableau::WidthMm() const
{
    int width = 0;
    for (int c : Columns())
        width += ColumnWidth(*m_context.Tableau, c);
    return width;
}

std::vector<TTableau::Element> TTableau::Layout(int pageHeight) const
{
    std::vector<Element> layout;
    const TOptions_Tableau* o = m_context.Tableau;
    if (!o || !m_context.Massif)
        return layout;
    const int line = std::max<int>(0, o->Hauteur_Ligne);
    int y = 0;
    auto place = [&](Element e, int height) {
        // An element that would cross a page's foot starts the next page.
        if (pageHeight > 0 && y / pageHeight < (y + height) / pageHeight)
            y = (y / pageHeight + 1) * pageHeight;
        e.Top = y;
        e.Height = height;
        y += height;
        layout.push_back(e);
    };
    const TFiche* previous = nullptr;
    for (const auto& [fiche, sheet] : SheetOrder()) {
        Element e;
        e.Fiche = fiche;
        e.Sheet = sheet;
        e.Point = 1;
        const int variant = !previous || !sheet->SameTeam(*previous) ? 0
            : !sheet->SamePlace(*previous)                           ? 1
                                                                     : -1;
        if (variant >= 0) {
            e.Variant = variant;
            const auto v = static_cast<std::size_t>(variant);
            place(e, std::max<int>(0, o->Hauteur_Entete[v]) + (o->Rappel[v] ? line : 0));
        }
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!Drawn(g))
                continue;
            e.Gallery = static_cast<int>(gi);
            e.Type = Element::Start;
            e.Point = 1;
            place(e, line);
            e.Type = Element::Shot;
            for (int k = 1; k <= g.ShotCount(); ++k) {
                e.Point = k;
                place(e, line + 10 * g.Shot(k).SketchSize);
            }
        }
        previous = sheet;
    }
    return layout;
}

std::vector<std::string> TTableau::Cells(const Element& row, int column) const
{
    if (row.Type == Element::Band || !row.Sheet)
        return { std::string() };
    const TGalerie& g = *row.Sheet->Galeries[static_cast<std::size_t>(row.Gallery)];
    const bool start = row.Type == Element::Start;
    const int k = start ? 0 : row.Point;
    double x = 0, y = 0, z = 0;
    Station(g, k, x, y, z);
    auto pair = [&](const std::string& first, const std::string& second) -> std::vector<std::string> {
        if (m_context.Tableau->Double[static_cast<std::size_t>(column)])
            return { first, second };
        if (first.empty())
            return { second };
        return { second.empty() ? first : first + "/" + second };
    };
    // The coordinates, of the start point on a start row, of station k on the row of shot k.
    switch (column) {
    case 5:
        return { Fixed(x - ZeroX) };
    case 6:
        return { Fixed(y - ZeroY) };
    case 7:
        return { Fixed(z - ZeroZ) };
    default:
        break;
    }
    if (start) {
        switch (column) {
        case 8:
            return { g.InElevation ? Fixed(g.ElevFromStart ? g.ElevX : g.DevEnd) : std::string() };
        case kComment:
            return { g.Start.Final ? std::string("del punto") : "del punto " + PointName(g.Start) + ". " };
        default:
            return pair(std::string(), std::string());
        }
    }
    const TVisee& v = g.Shot(k);
    const bool measured = v.Length != 0;
    double px = 0, py = 0, pz = 0;
    Station(g, k - 1, px, py, pz);
    switch (column) {
    case 0:
        return { measured ? Fixed(v.LengthMetres()) : std::string() };
    case 1:
        return { measured ? Fixed(v.Azimuth) : std::string() };
    case 2:
        return { measured ? Fixed(v.Inclination) : std::string() };
    case 3:
        return pair(v.LeftWidth, v.RightWidth);
    case 4:
        return pair(v.UpperHeight, v.LowerHeight);
    case 8:
        return { g.InElevation ? Fixed(g.Stations[static_cast<std::size_t>(k - 1)].Developed)
                               : std::string() };
    case kComment: {
        std::string text = ks::Cp1252ToUtf8(v.Comment.Get());
        if (k == g.ShotCount() && !g.End.Final)
            text += " Punto " + PointName(g.End);
        return { text };
    }
    case 10:
        return { Fixed(v.DevCorrectionFlag ? v.DevCorrection : v.LengthMetres()) };
    case 11:
        return { Fixed(std::hypot(x - px, y - py)) };
    case 12:
        return { Fixed(z - pz) };
    default:
        return { std::string() };
    }
}

void TTableau::FindZero()
{
    ZeroX = ZeroY = ZeroZ = 0;
    const TOptions_Tableau* o = m_context.Tableau;
    if (!o || !m_context.Massif || (!o->EnPlan && !o->EnAltitude))
        return;
    const TPointTopo* p = m_context.Massif->PositionedStation(o->Point_Topo);
    if (!p)
        return;
    if (o->EnPlan) {
        ZeroX = p->X;
        ZeroY = p->Y;
    }
    if (o->EnAltitude)
        ZeroZ = p->Z;
}

void TTableau::Dimensions(int& width, int& height, double resolution, double rapport)
{
    m_resolution = resolution;
    m_rapport = rapport;
    m_view.PixelsParMm = resolution * rapport;
    m_view.Calcule = m_context.Tableau && m_context.Massif;
    width = height = 1;
    if (!m_view.Calcule)
        return;
    ks::TElevation(*m_context.Massif).MakeCurrent(); // for the developed distances ("Des H")
    FindZero();
    m_pageHeight = 0; // the massif or the options may have changed since the pages were counted
    const auto layout = Layout();
    // Each sheet's block, in millimetres, for the drawing to skip what lies out of sight.
    const TFiche* current = nullptr;
    for (const Element& e : layout) {
        auto* sheet = const_cast<TFiche*>(e.Sheet); // the massif's own sheet, reached through the view
        if (sheet != current)
            sheet->TableFirst = e.Top;
        sheet->TableLast = e.Top + e.Height;
        current = sheet;
    }
    const int totalMm = layout.empty() ? 0 : layout.back().Top + layout.back().Height;
    width = std::max(1, ks::RoundEven(WidthMm() * m_view.PixelsParMm));
    height = std::max(1, ks::RoundEven(totalMm * m_view.PixelsParMm));
}

void TTableau::Dessiner(int originX, int originY, double resolution, double rapport, QImage& image, int mode)
{
    PaintImage(originX, originY, resolution, rapport, image, mode);
}

void TTableau::DessinerSur(
    QPainter& painter, int originX, int originY, double resolution, double rapport, int mode)
{
    BeginScreen(painter, originX, originY, resolution, rapport);
    if (m_view.Calcule && m_context.Tableau && m_context.Massif) {
        const double px = resolution * rapport;
        const QSize size(painter.device()->width(), painter.device()->height());
        const int from = static_cast<int>(std::floor(originY / px)) - 1;
        const int to = static_cast<int>(std::ceil((originY + size.height()) / px)) + 1;
        Paint(Layout(), mode, px, QPointF(-originX, -originY), from, to);
    }
    End();
}

void TTableau::DessinerPage(
    int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor)
{
    BeginPage(canvas, column, row, leftMm, topMm, factor);
    if (m_view.Calcule && m_context.Tableau && m_context.Massif) {
        const QSizeF usable = UsablePageMm();
        const int uh = std::max(1, static_cast<int>(usable.height()));
        const double k = m_page.ResolutionPage * m_page.FacteurPage;
        const QPointF offset((leftMm - column * usable.width()) * k, (topMm - row * uh) * k);
        // The layout the page count was made from serves every page of the job.
        if (m_pageHeight != uh) {
            m_paged = Layout(uh);
            m_pageHeight = uh;
        }
        Paint(m_paged, mode, k, offset, row * uh, (row + 1) * uh - 1);
    }
    End();
}

void TTableau::NbPages(int& columns, int& rows, int marginsX, int marginsY)
{
    m_page.MargesX = marginsX;
    m_page.MargesY = marginsY;
    if (m_context.Massif)
        ks::TElevation(*m_context.Massif).MakeCurrent();
    const QSizeF usable = UsablePageMm();
    const int uh = std::max(1, static_cast<int>(usable.height()));
    m_paged = Layout(uh);
    m_pageHeight = uh;
    const int end = m_paged.empty() ? 0 : m_paged.back().Top + m_paged.back().Height;
    rows = std::min(end / uh + 1, 10000);
    columns = std::min(static_cast<int>(WidthMm() / usable.width()) + 1, 10000);
}

double TTableau::Chercher(int, int y, int& fiche, int& galerie, int& point)
{
    // Only the height counts: the first element whose foot lies below the point.
    point = 0;
    for (const Element& e : Layout()) {
        if ((e.Top + e.Height) * m_view.PixelsParMm > y) {
            fiche = e.Fiche;
            galerie = e.Type == Element::Band ? 0 : e.Gallery;
            point = e.Point;
            return 0;
        }
    }
    return 1e9;
}

bool TTableau::ShotPixel(int fiche, int galerie, int point, QPointF& pixel) const
{
    for (const Element& e : Layout())
        if (e.Type == Element::Shot && e.Fiche == fiche && e.Gallery == galerie && e.Point == point) {
            pixel = QPointF(0, (e.Top + e.Height * 0.5) * m_view.PixelsParMm);
            return true;
        }
    return false;
}

void TTableau::AjusterColonne(int x)
{
    TOptions_Tableau* o = m_context.Tableau;
    if (!o || m_view.PixelsParMm <= 0)
        return;
    const double mm = x / m_view.PixelsParMm;
    int left = 0, column = -1;
    for (int c : Columns()) {
        const int width = ColumnWidth(*o, c);
        if (mm >= left && mm < left + width) {
            column = c;
            break;
        }
        left += width;
    }
    if (column < 0)
        return;
    auto& width = o->Largeur_Colonne[static_cast<std::size_t>(column)];
    if (column == kComment) {
        // The comments fill what the other columns leave of the printed pages.
        const int others = WidthMm() - ColumnWidth(*o, kComment);
        const TMarge* m = m_context.Marge;
        const double usable = std::max(1.0, m_pageMm.width() - (m ? m->EGauche + m->EDroite : 0));
        const double pages = std::trunc(others / usable) + 1;
        width = static_cast<std::int16_t>(std::clamp(usable * pages - others - 1, 1.0, 32767.0));
        return;
    }
    // The widest text the column shows, in millimetres of paper.
    const bool onPage = m_onPage;
    const double rapport = m_rapport;
    m_onPage = false;
    m_rapport = 1;
    const QFontMetricsF standard(Font(o->Police_Standard)), junction(Font(o->Police_Carrefour));
    m_onPage = onPage;
    m_rapport = rapport;
    double widest = 0;
    for (const Element& e : Layout())
        for (const std::string& text : Cells(e, column))
            widest = std::max({ widest, standard.horizontalAdvance(ks::ToQString(text)),
                junction.horizontalAdvance(ks::ToQString(text)) });
    const double screenPxPerMm = 96 / 25.4;
    width = static_cast<std::int16_t>(std::clamp(std::ceil(widest / screenPxPerMm) + 2, 1.0, 32767.0));
}

std::string TTableau::ItemValue(const TFiche& sheet, int item) const
{
    double real = 0, projected = 0;
    for (const auto& g : sheet.Galeries) {
        real += g->Development;
        for (const TVisee& v : g->Shots)
            projected += v.HorizLength;
    }
    switch (item) {
    case 0:
        return ks::Cp1252ToUtf8(sheet.Date);
    case 1:
        return ks::Cp1252ToUtf8(sheet.Systeme.Get());
    case 2:
        return ks::Cp1252ToUtf8(sheet.Cavite.Get());
    case 3:
        return ks::Cp1252ToUtf8(sheet.Reseau.Get());
    case 4:
        return ks::Cp1252ToUtf8(sheet.Lieu.Get());
    case 5:
        return ks::FormatG(sheet.Declinaison, 6) + " " + ks::AngleUnitLabel(sheet.DeclUnit);
    case 6:
        return Fixed(real) + " m";
    case 7:
        return Fixed(projected) + " m";
    case 9:
        return ks::Cp1252ToUtf8(sheet.TPST.Get());
    case 10:
        return Fixed(sheet.Premiere) + " m";
    default:
        return std::string();
    }
}

void TTableau::Paint(
    const std::vector<Element>& layout, int mode, double px, QPointF offset, int fromMm, int toMm)
{
    const TOptions_Tableau& o = *m_context.Tableau;
    QPainter& p = *m_painter;
    const double deformationMax = mode == 3 ? DeformationMax() : 1.0;
    const double width = WidthMm() * px;
    const TFiche* skipped = nullptr;
    for (const Element& e : layout) {
        // Blocks wholly above the visible part are skipped; the first element below ends the work.
        if (e.Sheet == skipped)
            continue;
        if (e.Sheet->TableLast < fromMm && e.Sheet->TableLast > e.Sheet->TableFirst && !m_onPage) {
            skipped = e.Sheet;
            continue;
        }
        if (e.Top > toMm)
            break;
        if (e.Top + e.Height < fromMm)
            continue;
        const QPointF at(offset.x(), offset.y() + e.Top * px);
        if (e.Type == Element::Band) {
            PaintBand(e, px, at);
            continue;
        }
        // A thick rule opens each gallery, a thin one each shot.
        const int tenths = e.Type == Element::Start ? o.Gros_Trait : o.Ptt_Trait;
        p.setPen(QPen(Qt::black, std::max(1, ks::RoundEven(tenths * 0.1 * px)), Qt::SolidLine, Qt::FlatCap));
        p.drawLine(at, at + QPointF(width, 0));
        PaintRow(e, px, at, mode, deformationMax);
    }
}

void TTableau::PaintBand(const Element& band, double px, QPointF at)
{
    const TOptions_Tableau& o = *m_context.Tableau;
    QPainter& p = *m_painter;
    const auto v = static_cast<std::size_t>(band.Variant);
    const double line = std::max<int>(0, o.Hauteur_Ligne) * px;
    for (int item = 0; item < TOptions_Tableau::kItems; ++item) {
        const auto i = static_cast<std::size_t>(item);
        if (!o.Jaffiche2[i][v])
            continue;
        p.setFont(Font(o.La_Police[i][v]));
        p.setPen(ks::WindowsColour(o.La_Police[i][v].Colour));
        const QPointF item0 = at + QPointF(o.X_Pos[i][v] * px, o.Y_Pos[i][v] * px);
        const QString title = ks::FromCp1252(o.Intitule[i][v]);
        const double ascent = QFontMetricsF(p.font(), p.device()).ascent();
        if (item == 8) { // the surveyors, one per line after the title
            p.drawText(item0 + QPointF(0, ascent), title);
            const double indent
                = QFontMetricsF(p.font(), p.device()).horizontalAdvance(title + QLatin1Char(' '));
            double y = 0;
            for (const TEco& name : band.Sheet->Surveyors) {
                p.drawText(item0 + QPointF(indent, y + ascent), ks::FromCp1252(name.Get()));
                y += line;
            }
            continue;
        }
        p.drawText(item0 + QPointF(0, ascent),
            title + QLatin1Char(' ') + ks::ToQString(ItemValue(*band.Sheet, item)));
    }
    if (!o.Rappel[v])
        return;
    // The column headings repeated under the band.
    p.setFont(Font(o.Police_Standard));
    p.setPen(Qt::black);
    const QPointF row = at + QPointF(0, std::max<int>(0, o.Hauteur_Entete[v]) * px);
    double x = row.x();
    for (int c : Columns()) {
        const double w = ColumnWidth(o, c) * px;
        QString heading = ks::FromCp1252(o.Tete1[static_cast<std::size_t>(c)]);
        const QString second = ks::FromCp1252(o.Tete2[static_cast<std::size_t>(c)]);
        if (!second.isEmpty())
            heading += QLatin1Char(' ') + second;
        p.drawText(QRectF(x, row.y(), w, line), Qt::AlignCenter, heading);
        x += w;
    }
    p.setPen(QPen(Qt::black, std::max(1, ks::RoundEven(o.Gros_Trait * 0.1 * px))));
    p.drawLine(QPointF(row.x(), row.y() + line), QPointF(x, row.y() + line));
}

void TTableau::PaintRow(const Element& row, double px, QPointF at, int mode, double deformationMax)
{
    const TOptions_Tableau& o = *m_context.Tableau;
    QPainter& p = *m_painter;
    const TGalerie& g = *row.Sheet->Galeries[static_cast<std::size_t>(row.Gallery)];
    // The rows that name a station are written in the junction font.
    const bool names = row.Type == Element::Start || (row.Point == g.ShotCount() && !g.End.Final);
    p.setFont(Font(names ? o.Police_Carrefour : o.Police_Standard));
    p.setPen(GalleryColour(g, mode, deformationMax));
    const QFontMetricsF metrics(p.font(), p.device());
    const double line = std::max<int>(1, o.Hauteur_Ligne) * px;
    const double margin = 0.5 * px;
    double x = at.x();
    for (int c : Columns()) {
        const auto ci = static_cast<std::size_t>(c);
        const double w = ColumnWidth(o, c) * px;
        const auto texts = Cells(row, c);
        if (c == kComment) {
            // Cut to the column's width; what does not fit in the row's height is left out.
            const auto lines = CutComment(ks::ToQString(texts[0]), w - 2 * margin);
            double y = at.y();
            for (const QString& text : lines) {
                if (y + metrics.height() > at.y() + std::max(line, row.Height * px) + 0.5 && y > at.y())
                    break;
                p.drawText(
                    QRectF(x + margin, y, w - 2 * margin, line), Qt::AlignLeft | Qt::AlignVCenter, text);
                y += line;
            }
        } else if (texts.size() == 2) {
            const double half = w / 2;
            p.drawText(QRectF(x, at.y(), half - margin, line), Qt::AlignRight | Qt::AlignVCenter,
                ks::ToQString(texts[0]));
            p.drawText(QRectF(x + half - margin, at.y(), 2 * margin, line), Qt::AlignCenter,
                QString(QChar(o.Separation[ci] ? o.Separation[ci] : '/')));
            p.drawText(QRectF(x + half, at.y(), half - margin, line), Qt::AlignRight | Qt::AlignVCenter,
                ks::ToQString(texts[1]));
        } else {
            p.drawText(QRectF(x, at.y(), w - margin, line), Qt::AlignRight | Qt::AlignVCenter,
                ks::ToQString(texts[0]));
        }
        x += w;
    }
}

std::vector<QString> TTableau::CutComment(const QString& text, double widthPx) const
{
    const QFontMetricsF metrics(m_painter->font(), m_painter->device());
    return ks::CutText(
        text, widthPx, [&metrics](const QString& part) { return metrics.horizontalAdvance(part); });
}
