// The drawing model shared by every view: page grid, fonts, colours and primitives.
#include "views/graphique.h"

#include "bridge/qt_text.h"
#include "model/colour_names.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double kClip = 10000; // pixels: the graphics interface cannot draw further
constexpr double kScreenDpi = 96;

} // namespace

namespace ks {

void ShotFraction(int pourcentage, double& a, double& b)
{
    a = 0.5 + 0.005 * pourcentage;
    b = 1 - a;
}

const std::array<QColor, 61>& CouleursDeformation()
{
    static const std::array<QColor, 61> table = [] {
        std::array<QColor, 61> t;
        for (int i = 0; i <= 60; ++i)
            t[static_cast<std::size_t>(i)] = WindowsColour(DeformationColour(i));
        return t;
    }();
    return table;
}

int Plancher(double x)
{
    const int t = static_cast<int>(x);
    return x < 0 ? t - 1 : t;
}

QColor WindowsColour(int colour)
{
    const auto c = static_cast<std::uint32_t>(colour);
    return QColor(
        static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

} // namespace ks

TGraphique::TGraphique(TViewContext& context)
    : m_context(context)
{ }

TFiche* TGraphique::SheetAt(int fiche) const
{
    if (!m_context.Massif || fiche < 0)
        return nullptr;
    const auto sheets = m_context.Massif->CurrentSheets();
    return static_cast<std::size_t>(fiche) < sheets.size() ? sheets[static_cast<std::size_t>(fiche)]
                                                           : nullptr;
}

double TGraphique::GalleryMisclosure(const TGalerie& g) const
{
    switch (Kind()) {
    case DeformationKind::Horizontal:
        return g.HorizMisclosure;
    case DeformationKind::Vertical:
        return g.InElevation ? g.VertMisclosure : 0.0;
    case DeformationKind::Both:
        break;
    }
    return std::hypot(g.HorizMisclosure, g.VertMisclosure);
}

double TGraphique::DeformationMax() const
{
    double best = 0;
    if (!m_context.Massif)
        return 1.0;
    for (TFiche* sheet : m_context.Massif->CurrentSheets())
        for (const auto& g : sheet->Galeries)
            if (g->Positioned)
                best = std::max(best, GalleryMisclosure(*g));
    return best == 0 ? 1.0 : best;
}

bool TGraphique::ChercherDeformationMax(int& fiche, int& galerie, int& point) const
{
    double best = 0;
    if (!m_context.Massif)
        return false;
    const auto sheets = m_context.Massif->CurrentSheets();
    for (std::size_t s = 0; s < sheets.size(); ++s) {
        for (std::size_t g = 0; g < sheets[s]->Galeries.size(); ++g) {
            const TGalerie& gallery = *sheets[s]->Galeries[g];
            if (!gallery.Positioned)
                continue;
            const double d = GalleryMisclosure(gallery);
            if (d > best) {
                best = d;
                fiche = static_cast<int>(s);
                galerie = static_cast<int>(g);
            }
        }
    }
    if (best == 0)
        return false;
    point = 1;
    return true;
}

QColor TGraphique::GalleryColour(const TGalerie& gallery, int mode, double deformationMax) const
{
    if (mode == 2)
        return ks::WindowsColour(gallery.Colour);
    if (mode == 3) {
        const int index = ks::RoundEven(60 * GalleryMisclosure(gallery) / deformationMax);
        return ks::CouleursDeformation()[static_cast<std::size_t>(std::clamp(index, 0, 60))];
    }
    if (mode == 4) {
        const double value = m_context.Misclosure ? m_context.Misclosure(gallery) : -1;
        if (value < 0)
            return Qt::gray; // in no loop: nothing checks it
        const int index = ks::RoundEven(60 * value / kMisclosureRed);
        return ks::CouleursDeformation()[static_cast<std::size_t>(std::clamp(index, 0, 60))];
    }
    return Qt::black;
}

void TGraphique::PaintMisclosureLegend()
{
    QPainter& p = *m_painter;
    p.save();
    p.setPen(Qt::black);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    const int x = 8, y = 8, w = 24, h = 12;
    p.drawText(x, y + 10, QStringLiteral("Cierre normalizado (gris: fuera de todo bucle)"));
    for (int i = 0; i <= 5; ++i) {
        const double value = kMisclosureRed * i / 5;
        p.fillRect(x + i * (w + 4), y + 16, w, h,
            ks::CouleursDeformation()[static_cast<std::size_t>(ks::RoundEven(60 * value / kMisclosureRed))]);
        p.drawText(x + i * (w + 4), y + 16 + h + 11,
            i == 5 ? QStringLiteral("≥%1").arg(value) : QString::number(value));
    }
    p.restore();
}

QPointF TGraphique::ScreenPosition(double x, double y) const
{
    return { (x - m_view.XMin) * 1000.0 / m_view.Echelle * m_view.PixelsParMm - m_view.OrigineX,
        (m_view.YMax - y) * 1000.0 / m_view.Echelle * m_view.PixelsParMm - m_view.OrigineY };
}

void TGraphique::DeplacerEcran(double x, double y)
{
    const QPointF p = ScreenPosition(x, y);
    // A start out of range leaves no pen position: the next line is not drawn rather than drawn
    // from wherever the pen last was.
    m_penValid = std::fabs(p.x()) < kClip && std::fabs(p.y()) < kClip;
    if (m_penValid)
        m_pen = QPointF(ks::RoundEven(p.x()), ks::RoundEven(p.y()));
}

void TGraphique::TracerEcran(double x, double y)
{
    const QPointF p = ScreenPosition(x, y);
    if (std::fabs(p.x()) >= kClip || std::fabs(p.y()) >= kClip)
        return;
    const QPointF to(ks::RoundEven(p.x()), ks::RoundEven(p.y()));
    if (m_penValid && to != m_pen) // a line of no length draws nothing
        m_painter->drawLine(m_pen, to);
    m_pen = to;
    m_penValid = true;
}

void TGraphique::EcrireEcran(double x, double y, const std::string& text)
{
    const QPointF p = ScreenPosition(x, y);
    if (std::fabs(p.x()) >= kClip || std::fabs(p.y()) >= kClip)
        return;
    const QFontMetricsF metrics(m_painter->font(), m_painter->device());
    m_painter->drawText(
        QPointF(ks::RoundEven(p.x()), ks::RoundEven(p.y()) + metrics.ascent()), ks::ToQString(text));
}

void TGraphique::CercleEcran(double x, double y, int diameter)
{
    const QPointF centre = ScreenPosition(x, y);
    if (std::fabs(centre.x()) >= kClip || std::fabs(centre.y()) >= kClip)
        return;
    const double half = 0.05 * diameter;
    const double px = (x - m_view.XMin) * 1000.0 / m_view.Echelle,
                 py = (m_view.YMax - y) * 1000.0 / m_view.Echelle;
    const int left = ks::RoundEven((px - half) * m_view.PixelsParMm - m_view.OrigineX),
              right = ks::RoundEven((px + half) * m_view.PixelsParMm - m_view.OrigineX);
    const int top = ks::RoundEven((py - half) * m_view.PixelsParMm - m_view.OrigineY),
              bottom = ks::RoundEven((py + half) * m_view.PixelsParMm - m_view.OrigineY);
    m_painter->drawEllipse(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
}

void TGraphique::Carre(double x, double y)
{
    const QPointF p = ScreenPosition(x, y);
    if (std::fabs(p.x()) >= kClip || std::fabs(p.y()) >= kClip)
        return;
    const int px = ks::RoundEven(p.x()), py = ks::RoundEven(p.y());
    m_painter->fillRect(QRect(px - 4, py - 4, 8, 8), m_painter->brush().color());
}

QPointF TGraphique::PagePosition(double x, double y) const
{
    const double w = m_pagePixels.width(), h = m_pagePixels.height();
    return { (((x - m_view.XMin) * 1000.0 / m_view.Echelle + m_page.DecalageX) * m_page.ResolutionPage
                 - (w - m_page.MargesX * m_page.ResolutionPage) * (m_page.ColonnePage - m_page.DebutPageX))
            * m_page.FacteurPage,
        (((m_view.YMax - y) * 1000.0 / m_view.Echelle + m_page.DecalageY) * m_page.ResolutionPage
            - (h - m_page.MargesY * m_page.ResolutionPage) * (m_page.LignePage - m_page.DebutPageY))
            * m_page.FacteurPage };
}

void TGraphique::DeplacerPage(double x, double y)
{
    m_pen = PagePosition(x, y);
}

void TGraphique::TracerPage(double x, double y)
{
    const QPointF to = PagePosition(x, y);
    if (to != m_pen && !BesidePage(m_pen, to))
        m_painter->drawLine(m_pen, to);
    m_pen = to;
}

bool TGraphique::BesidePage(const QPointF& a, const QPointF& b) const
{
    const double w = m_deviceSize.width(), h = m_deviceSize.height();
    return (a.x() < 0 && b.x() < 0) || (a.y() < 0 && b.y() < 0) || (a.x() > w && b.x() > w)
        || (a.y() > h && b.y() > h);
}

void TGraphique::EcrirePage(double x, double y, const std::string& text)
{
    const QPointF p = PagePosition(x, y);
    const QFontMetricsF metrics(m_painter->font(), m_painter->device());
    m_painter->drawText(QPointF(p.x(), p.y() + metrics.ascent()), ks::ToQString(text));
}

void TGraphique::CerclePage(double x, double y, int diameter)
{
    const double half = 0.05 * diameter * 0.001 * m_view.Echelle; // millimetres of paper as metres
    const QPointF a = PagePosition(x - half, y + half), b = PagePosition(x + half, y - half);
    if (!BesidePage(a, b))
        m_painter->drawEllipse(QRectF(a, b));
}

int TGraphique::PenWidth(int tenths, bool followsZoom) const
{
    if (m_onPage)
        return ks::RoundEven(tenths * 0.1 * m_page.ResolutionPage * m_page.FacteurPage);
    return ks::RoundEven(tenths * 0.1 * m_resolution * (followsZoom ? m_rapport : 1.0));
}

QFont TGraphique::Font(const TPolice& police) const
{
    QFont font(ks::ToQString(police.Name));
    double pixels
        = std::abs(police.Height) * (police.PixelsPerInch > 0 ? kScreenDpi / police.PixelsPerInch : 1.0);
    if (m_onPage)
        pixels *= m_page.FacteurPage * m_page.ResolutionPage * 25.4 / kScreenDpi;
    else
        pixels *= m_rapport;
    font.setPixelSize(std::max(1, ks::RoundEven(pixels)));
    font.setBold(police.Style & 1);
    font.setItalic(police.Style & 2);
    font.setUnderline(police.Style & 4);
    font.setStrikeOut(police.Style & 8);
    return font;
}

double TGraphique::TextHeightMm(const QString& text) const
{
    const QFontMetricsF metrics(m_painter->font(), m_painter->device());
    (void)text;
    return metrics.height() / (m_onPage ? m_page.ResolutionPage * m_page.FacteurPage : m_resolution);
}

double TGraphique::TextWidthMm(const QString& text) const
{
    const QFontMetricsF metrics(m_painter->font(), m_painter->device());
    return metrics.horizontalAdvance(text)
        / (m_onPage ? m_page.ResolutionPage * m_page.FacteurPage : m_resolution);
}

void TGraphique::BeginScreen(QPainter& painter, int originX, int originY, double resolution, double rapport)
{
    m_view.OrigineX = originX;
    m_view.OrigineY = originY;
    m_resolution = resolution;
    m_rapport = rapport;
    m_view.PixelsParMm = resolution * rapport;
    m_painter = &painter;
    m_onPage = false;
    m_pen = QPointF();
    m_penValid = true;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
}

void TGraphique::BeginPage(QPainter& painter, int column, int row, int leftMm, int topMm, double factor)
{
    m_page.ColonnePage = column;
    m_page.LignePage = row;
    m_page.DecalageX = leftMm;
    m_page.DecalageY = topMm;
    m_pageCanvas = &painter;
    m_page.FacteurPage = factor;
    const QPaintDevice* device = painter.device();
    if (m_printerPixels.isEmpty()) {
        m_pagePixels = QSizeF(device->width(), device->height());
        m_page.ResolutionPage = static_cast<double>(device->width()) / device->widthMM();
    } else {
        m_pagePixels = m_printerPixels;
        m_page.ResolutionPage = m_printerPixels.width() / m_pageMm.width();
    }
    m_painter = &painter;
    m_onPage = true;
    m_pen = QPointF();
    // Asked once a page: a PDF device works its size out anew at every question.
    m_deviceSize = QSizeF(device->width(), device->height());
    // The drawing stays inside the margins: the corner marks and annotations live outside.
    const double toPixels = m_page.ResolutionPage * m_page.FacteurPage;
    painter.save();
    painter.setClipRect(QRectF(leftMm * toPixels, topMm * toPixels,
        (m_pagePixels.width() - m_page.MargesX * m_page.ResolutionPage) * m_page.FacteurPage,
        (m_pagePixels.height() - m_page.MargesY * m_page.ResolutionPage) * m_page.FacteurPage));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void TGraphique::PaintImage(int originX, int originY, double resolution, double rapport, QImage& image,
    int mode, const QColor& background)
{
    image.fill(background);
    {
        QPainter painter(&image);
        DessinerSur(painter, originX, originY, resolution, rapport, mode);
    }
    m_screenImage = &image;
}

void TGraphique::End()
{
    if (m_onPage && m_painter)
        m_painter->restore();
    m_painter = nullptr;
}

namespace {

// Pages over a length of `span` page widths: the whole part plus one, kept within what a print
// job can hold, and at least one page.
double PagesOver(double span)
{
    return std::trunc(std::clamp(span, -1e6, 1e6)) + 1;
}

int PageTotal(double pages)
{
    return pages >= 1 ? static_cast<int>(std::min(pages, 1e4)) : 1;
}

} // namespace

QSizeF TGraphique::UsablePageMm() const
{
    // Margins wider than the paper leave no page: count over a page of 1 mm rather than divide by
    // nothing (printing refuses such margins before it gets here).
    return { std::max(1.0, m_pageMm.width() - m_page.MargesX),
        std::max(1.0, m_pageMm.height() - m_page.MargesY) };
}

void TGraphique::PageCount(
    int& columns, int& rows, int marginsX, int marginsY, bool fixedOrigin, double ox, double oy)
{
    m_page.MargesX = marginsX;
    m_page.MargesY = marginsY;
    const QSizeF usable = UsablePageMm();
    const double uw = usable.width(), uh = usable.height();
    const double n = m_view.Echelle;
    if (!fixedOrigin) {
        columns = PageTotal(PagesOver(((m_view.XMax - m_view.XMin) - 0.02 * n) * 1000 / n / uw));
        rows = PageTotal(PagesOver(((m_view.YMax - m_view.YMin) - 0.02 * n) * 1000 / n / uh));
        return;
    }
    columns = PageTotal(PagesOver(((m_view.XMax - ox) - 0.01 * n) * 1000 / n / uw)
        + PagesOver(((ox - m_view.XMin) - 0.01 * n) * 1000 / n / uw));
    rows = PageTotal(PagesOver(((m_view.YMax - oy) - 0.01 * n) * 1000 / n / uh)
        + PagesOver(((oy - m_view.YMin) - 0.01 * n) * 1000 / n / uh));
}

void TGraphique::WidenExtents(int& width, int& height, double resolution, double rapport)
{
    const double widen = 0.01 * m_view.Echelle;
    m_view.XMin -= widen;
    m_view.XMax += widen;
    m_view.YMin -= widen;
    m_view.YMax += widen;
    // Sizes are worked out in floating point and kept within what an int holds: a cave kilometres
    // wide at a large zoom is a large drawing, not an overflow.
    auto pixels = [&](double metres) {
        const double size = metres / m_view.Echelle * 1000 * resolution * rapport;
        return std::isfinite(size) ? ks::RoundEven(std::clamp(size, 0.0, double(ks::kLargestDrawing)))
                                   : ks::kLargestDrawing;
    };
    width = pixels(m_view.XMax - m_view.XMin);
    height = pixels(m_view.YMax - m_view.YMin);
}

void TGraphique::PageGrid(bool fixedOrigin, double ox, double oy)
{
    const QSizeF usable = UsablePageMm();
    const double uw = usable.width(), uh = usable.height();
    const double n = m_view.Echelle;
    if (!fixedOrigin) {
        int columns = 0, rows = 0;
        PageCount(columns, rows, m_page.MargesX, m_page.MargesY, false, 0, 0);
        m_page.DebutPageX = (columns - (m_view.XMax - m_view.XMin) * 1000 / n / uw) * 0.5;
        m_page.DebutPageY = (rows - (m_view.YMax - m_view.YMin) * 1000 / n / uh) * 0.5;
        return;
    }
    const double fx = (ox - m_view.XMin) * 1000 / n / uw, fy = (m_view.YMax - oy) * 1000 / n / uh;
    m_page.DebutPageX = 1 - (fx - std::floor(fx));
    m_page.DebutPageY = 1 - (fy - std::floor(fy));
}

void TGraphique::Station(const TGalerie& g, int k, double& x, double& y, double& z)
{
    if (k <= 0 || static_cast<std::size_t>(k) > g.Stations.size()) {
        x = g.Start.X;
        y = g.Start.Y;
        z = g.Start.Z;
        return;
    }
    const TStationPos& p = g.Stations[static_cast<std::size_t>(k - 1)];
    x = p.X;
    y = p.Y;
    z = p.Z;
}

namespace {

// The pixels Qt paints for a small circle (an ellipse in a rectangle of a few pixels, as the
// station circles are at most scales), found once by painting it aside, and then set as points:
// a drawing of 100 000 stations would otherwise spend most of its time setting up ellipses.
class RingStamps
{
public:
    static constexpr int kLargest = 8; // pixels each way

    explicit RingStamps(const std::array<QPen, 3>& pens)
        : m_pens(pens)
    { }

    // The offsets from the rectangle's corner, or null when the circle is not small.
    const std::vector<QPoint>* Find(const QRect& rect, std::size_t pen, bool filled)
    {
        const int w = rect.width(), h = rect.height();
        if (w < 0 || h < 0 || w > kLargest || h > kLargest || m_pens[pen].width() > kLargest)
            return nullptr;
        const auto side = static_cast<std::size_t>(kLargest + 1);
        const std::size_t index
            = ((static_cast<std::size_t>(filled) * 3 + pen) * side + static_cast<std::size_t>(w)) * side
            + static_cast<std::size_t>(h);
        auto& [made, offsets] = m_stamps[index];
        if (!made) {
            made = true;
            offsets = Paint(rect, m_pens[pen], filled);
        }
        return &offsets;
    }

private:
    static std::vector<QPoint> Paint(const QRect& rect, const QPen& pen, bool filled)
    {
        const int margin = 2 * kLargest;
        QImage aside(3 * margin, 3 * margin, QImage::Format_RGB32);
        aside.fill(Qt::white);
        {
            QPainter painter(&aside);
            QPen black = pen;
            black.setColor(Qt::black);
            painter.setPen(black);
            painter.setBrush(filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
            painter.drawEllipse(rect.translated(margin - rect.left(), margin - rect.top()));
        }
        std::vector<QPoint> offsets;
        for (int y = 0; y < aside.height(); ++y)
            for (int x = 0; x < aside.width(); ++x)
                if (aside.pixel(x, y) != 0xFFFFFFFFu)
                    offsets.emplace_back(x - margin, y - margin);
        return offsets;
    }

    const std::array<QPen, 3>& m_pens;
    std::array<std::pair<bool, std::vector<QPoint>>, 2 * 3 * (kLargest + 1) * (kLargest + 1)> m_stamps {};
};

// What a draw list puts on screen in one colour: lines by pen, circles and their points, labels;
// all of one colour, so that their order does not show.
struct ScreenBatch
{
    struct Ring
    {
        QRect rect;
        int width;
        bool filled;
    };
    QColor colour;
    std::array<std::pair<int, std::vector<QLineF>>, 3> lines; // per pen: its width, its lines
    std::vector<Ring> rings;
    std::vector<QPoint> points;
    std::vector<std::pair<QPointF, QString>> texts;
    std::size_t count = 0;

    void Flush(QPainter& p)
    {
        if (count == 0)
            return;
        QPen pen = p.pen();
        pen.setColor(colour);
        // A plain image (32-bit pixels, painted without transformation or clipping) takes thin
        // lines and the stamped circles' pixels straight into its memory.
        auto* image = static_cast<QImage*>(p.device());
        const bool plain
            = (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32)
            && image->isDetached() && !p.hasClipping() && p.transform().isIdentity()
            && image->devicePixelRatio() == 1.0;
        const QRgb rgb = colour.rgba();
        const int w = image->width(), h = image->height();
        const auto stride = static_cast<std::size_t>(image->bytesPerLine() / 4);
        QRgb* bits = plain ? reinterpret_cast<QRgb*>(image->bits()) : nullptr;
        auto set = [&](int x, int y) {
            if (x >= 0 && y >= 0 && x < w && y < h)
                bits[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = rgb;
        };
        for (auto& [width, list] : lines) {
            if (list.empty())
                continue;
            if (plain && width <= 2) {
                // One or two pixels wide: every pixel from end to end, stepping along the longer
                // axis, and for two the pixel before it across, as a stroke centred on the line.
                for (const QLineF& line : list) {
                    int x0 = static_cast<int>(line.x1()), y0 = static_cast<int>(line.y1());
                    const int x1 = static_cast<int>(line.x2()), y1 = static_cast<int>(line.y2());
                    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
                    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
                    int error = dx + dy;
                    const bool across = width == 2;
                    const int ax = dx >= -dy ? 0 : 1, ay = 1 - ax;
                    for (;;) {
                        set(x0, y0);
                        if (across)
                            set(x0 - ax, y0 - ay);
                        if (x0 == x1 && y0 == y1)
                            break;
                        const int twice = 2 * error;
                        if (twice >= dy) {
                            error += dy;
                            x0 += sx;
                        }
                        if (twice <= dx) {
                            error += dx;
                            y0 += sy;
                        }
                    }
                }
            } else {
                pen.setWidth(width);
                p.setPen(pen);
                p.drawLines(list.data(), static_cast<int>(list.size()));
            }
            list.clear();
        }
        for (const Ring& ring : rings) {
            if (p.pen().width() != ring.width || p.pen().color() != colour) {
                pen.setWidth(ring.width);
                p.setPen(pen);
            }
            p.setBrush(ring.filled ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
            p.drawEllipse(ring.rect);
        }
        rings.clear();
        if (!points.empty()) {
            if (plain) {
                for (const QPoint& at : points)
                    set(at.x(), at.y());
            } else {
                p.setPen(QPen(colour, 0));
                p.drawPoints(points.data(), static_cast<int>(points.size()));
                p.setPen(pen);
            }
            points.clear();
        }
        if (!texts.empty()) {
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const QFontMetricsF metrics(p.font(), p.device());
            for (const auto& [at, text] : texts)
                p.drawText(QPointF(at.x(), at.y() + metrics.ascent()), text);
            texts.clear();
        }
        count = 0;
    }
};

} // namespace

void TGraphique::DrawList(const TDrawList& list, const std::array<int, 3>& pens, double labelOffset)
{
    QPainter& p = *m_painter;
    auto setWidth = [&p](int width) {
        if (p.pen().width() == width)
            return;
        QPen current = p.pen();
        current.setWidth(width);
        p.setPen(current);
    };
    auto solidBrush = [&p] {
        if (p.brush().style() != Qt::SolidPattern || p.brush().color() != Qt::black)
            p.setBrush(Qt::black);
    };
    const std::array<int, 3> widths
        = { PenWidth(pens[0], true), PenWidth(pens[1], true), PenWidth(pens[2], true) };
    auto penOf = [&widths](const TDrawList::Item& item) {
        return widths[static_cast<std::size_t>(item.pen & ~TDrawList::kFilled)];
    };
    // One item as the primitives draw it, on either target.
    auto drawItem = [&](const TDrawList::Item& item) {
        switch (item.op) {
        case TDrawList::Op::Colour: {
            QPen galleryPen = p.pen();
            galleryPen.setColor(QColor::fromRgb(static_cast<QRgb>(item.value)));
            galleryPen.setWidth(widths[0]);
            p.setPen(galleryPen);
            break;
        }
        case TDrawList::Op::Segment:
            setWidth(penOf(item));
            Deplacer(item.x1, item.y1);
            Tracer(item.x2, item.y2);
            break;
        case TDrawList::Op::Circle:
            setWidth(penOf(item));
            if (item.pen & TDrawList::kFilled)
                solidBrush();
            Cercle(item.x1, item.y1, item.value);
            break;
        case TDrawList::Op::Label:
            p.setBrush(Qt::NoBrush);
            Ecrire(item.x1 + labelOffset, item.y1 + labelOffset,
                list.Labels[static_cast<std::size_t>(item.value)]);
            break;
        }
    };
    // The groups of the list: a colour item and what follows it up to the next. Within a group of
    // black, or without circles (whose fill is black), the order of the items does not show.
    const std::size_t n = list.Items.size();
    auto group = [&list, n](std::size_t i, QColor& colour, bool& together) {
        std::size_t end = i;
        if (list.Items[i].op == TDrawList::Op::Colour)
            colour = QColor::fromRgb(static_cast<QRgb>(list.Items[end++].value));
        bool circles = false;
        for (; end < n && list.Items[end].op != TDrawList::Op::Colour; ++end)
            circles = circles || list.Items[end].op == TDrawList::Op::Circle;
        together = colour == QColor(Qt::black) || !circles;
        return end;
    };
    // Painters other than the screen image or paper (an SVG file) take every item as recorded.
    if (!m_onPage && p.device()->devType() != QInternal::Image) {
        for (const TDrawList::Item& item : list.Items)
            drawItem(item);
        return;
    }
    if (m_onPage) {
        // On paper the lines of one pen go out in one call: a PDF or a printer job then writes one
        // path where it wrote thousands. Circles and labels follow them, in their order.
        std::array<std::vector<QLineF>, 3> lines;
        std::vector<const TDrawList::Item*> others;
        QColor pending = p.pen().color();
        auto flush = [&] {
            QPen pen = p.pen();
            pen.setColor(pending);
            for (std::size_t k = 0; k < lines.size(); ++k) {
                if (lines[k].empty())
                    continue;
                pen.setWidth(widths[k]);
                p.setPen(pen);
                p.drawLines(lines[k].data(), static_cast<int>(lines[k].size()));
                lines[k].clear();
            }
            for (const TDrawList::Item* item : others)
                drawItem(*item);
            others.clear();
        };
        for (std::size_t i = 0; i < n;) {
            QColor colour = pending;
            bool together = true;
            const std::size_t end = group(i, colour, together);
            if (!together || colour != pending)
                flush();
            pending = colour;
            for (; i < end; ++i) {
                const TDrawList::Item& item = list.Items[i];
                if (!together || item.op == TDrawList::Op::Colour) {
                    drawItem(item);
                } else if (item.op == TDrawList::Op::Segment) {
                    const QPointF a = PagePosition(item.x1, item.y1), b = PagePosition(item.x2, item.y2);
                    if (a != b && !BesidePage(a, b))
                        lines[item.pen].emplace_back(a, b);
                } else {
                    others.push_back(&item);
                }
            }
        }
        flush();
        return;
    }

    // The screen mapping of ScreenPosition with its factors multiplied out once (the same pixels
    // but for a point a billionth of a pixel from a half), and the rounding of the primitives.
    const double xMin = m_view.XMin, yMax = m_view.YMax, pixelsPerMetre = m_view.PixelsPerMetre();
    const double pixelsPerMm = m_view.PixelsParMm, originX = m_view.OrigineX, originY = m_view.OrigineY;
    auto screenX = [&](double x) { return (x - xMin) * pixelsPerMetre - originX; };
    auto screenY = [&](double y) { return (yMax - y) * pixelsPerMetre - originY; };
    auto inRange = [](double x, double y) { return std::fabs(x) < kClip && std::fabs(y) < kClip; };
    // Beyond the image by more than a pen's width, a line or a circle leaves no pixel in it.
    const QPaintDevice* device = p.device();
    const double ratio = device->devicePixelRatioF();
    const double shownW = device->width() / ratio, shownH = device->height() / ratio;
    auto outside = [&](double ax, double ay, double bx, double by, int width) {
        const double m = width + 2;
        return (ax < -m && bx < -m) || (ay < -m && by < -m) || (ax > shownW + m && bx > shownW + m)
            || (ay > shownH + m && by > shownH + m);
    };
    // Stamped circles are points in logical pixels: only where those are the image's pixels.
    const bool stamping = ratio == 1.0 && p.transform().isIdentity();
    std::array<QPen, 3> stampPens;
    for (std::size_t k = 0; k < stampPens.size(); ++k) {
        stampPens[k] = p.pen();
        stampPens[k].setWidth(widths[k]);
    }
    RingStamps stamps(stampPens);

    ScreenBatch batch;
    for (std::size_t k = 0; k < batch.lines.size(); ++k)
        batch.lines[k].first = widths[k];
    batch.colour = p.pen().color();
    bool brushSolid = p.brush().style() == Qt::SolidPattern;
    std::size_t i = 0;
    while (i < n) {
        QColor colour = batch.colour;
        bool together = true;
        const std::size_t end = group(i, colour, together);
        // Black fills among coloured lines keep their order: drawn as recorded.
        if (!together || colour != batch.colour) {
            batch.Flush(p);
            batch.colour = colour;
        }
        if (!together) {
            for (; i < end; ++i)
                drawItem(list.Items[i]);
            brushSolid = p.brush().style() == Qt::SolidPattern;
            continue;
        }
        for (; i < end; ++i) {
            const TDrawList::Item& item = list.Items[i];
            switch (item.op) {
            case TDrawList::Op::Colour:
                break;
            case TDrawList::Op::Segment: {
                const double ax = screenX(item.x1), ay = screenY(item.y1);
                const double bx = screenX(item.x2), by = screenY(item.y2);
                if (!inRange(ax, ay) || !inRange(bx, by))
                    break;
                const QPointF from(ks::RoundEven(ax), ks::RoundEven(ay));
                const QPointF to(ks::RoundEven(bx), ks::RoundEven(by));
                auto& [width, lines] = batch.lines[item.pen];
                if (from == to || outside(from.x(), from.y(), to.x(), to.y(), width))
                    break;
                lines.emplace_back(from, to);
                ++batch.count;
                break;
            }
            case TDrawList::Op::Circle: {
                const int width = penOf(item);
                if (item.pen & TDrawList::kFilled)
                    brushSolid = true;
                const double cx = screenX(item.x1), cy = screenY(item.y1);
                if (!inRange(cx, cy))
                    break;
                const double half = 0.05 * item.value * pixelsPerMm;
                const int left = ks::RoundEven(cx - half), right = ks::RoundEven(cx + half);
                const int top = ks::RoundEven(cy - half), bottom = ks::RoundEven(cy + half);
                const QRect rect(QPoint(left, top), QPoint(right - 1, bottom - 1));
                // A circle of no size draws nothing.
                if ((rect.width() == 0 && rect.height() == 0) || outside(left, top, right, bottom, width))
                    break;
                const std::vector<QPoint>* stamp = stamping
                    ? stamps.Find(rect, static_cast<std::size_t>(item.pen & ~TDrawList::kFilled), brushSolid)
                    : nullptr;
                if (stamp) {
                    for (const QPoint& offset : *stamp)
                        batch.points.push_back(rect.topLeft() + offset);
                } else {
                    batch.rings.push_back({ rect, width, brushSolid });
                }
                ++batch.count;
                break;
            }
            case TDrawList::Op::Label: {
                brushSolid = false;
                const double x = screenX(item.x1 + labelOffset), y = screenY(item.y1 + labelOffset);
                if (!inRange(x, y))
                    break;
                batch.texts.emplace_back(QPointF(ks::RoundEven(x), ks::RoundEven(y)),
                    ks::ToQString(list.Labels[static_cast<std::size_t>(item.value)]));
                ++batch.count;
                break;
            }
            }
        }
        if (batch.count > 8192)
            batch.Flush(p);
    }
    batch.Flush(p);
    // The painter is left as the recorded order would leave it: the last colour, the shot pen.
    QPen last = p.pen();
    last.setColor(batch.colour);
    last.setWidth(widths[0]);
    p.setPen(last);
    p.setBrush(brushSolid ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
}
