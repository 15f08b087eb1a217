#pragma once
// TGraphique, the base of every view: scale, zoom, pages, the screen and page primitives.

#include "views/view_context.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSizeF>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

class TFiche;
class TGalerie;
struct TPolice;
class TPointTopo;

namespace ks {
// Deformation colours: index 0 black, then from green-blue through blue, dark green, yellow and
// orange to red at 60.
const std::array<QColor, 61>& CouleursDeformation();
// Trunc(x) - 1 for negative x, Trunc(x) otherwise.
int Plancher(double x);
// A Windows colour (00BBGGRR) as a QColor.
QColor WindowsColour(int colour);
// Rounded to the nearest integer, halves to even; saturated to the int range, NaN giving 0.
// Inline, as a redraw rounds every point it draws.
inline int RoundEven(double v)
{
    // Beyond what an int holds (a coordinate kilometres away at a large zoom, a NaN from a garbled
    // option) the value saturates instead of overflowing.
    if (!(std::fabs(v) < 2147483520.0))
        return std::isnan(v) ? 0 : v > 0 ? INT_MAX : INT_MIN;
    // Adding and taking away 1.5 x 2^52 leaves v rounded as the default rounding does: to the
    // nearest integer, halves to even (what nearbyint gives, without its call).
    constexpr double kShift = 6755399441055744.0;
    return static_cast<int>((v + kShift) - kShift);
}
// The largest drawing size, in pixels, that Dimensions gives; larger drawings are reported at it.
inline constexpr int kLargestDrawing = 1 << 30;
// The drawn part of a shot from `pourcentage`: from b E + a S to a E + b S.
void ShotFraction(int pourcentage, double& a, double& b);
} // namespace ks

// The shots, walls, marks, station circles and labels of a view, in metres of its frame,
// recorded once and drawn again while nothing they depend on changes (the massif, the angle,
// the options, the colour mode): on paper in the recorded order, on screen in batches of one pen.
struct TDrawList
{
    enum class Op : std::uint8_t { Colour, Segment, Circle, Label };
    struct Item
    {
        Op op = Op::Segment;
        std::uint8_t pen = 0; // Segment, Circle: index in Pens; Circle: 1 in bit 7 when filled
        std::int32_t value = 0; // Colour: QRgb; Circle: diameter, tenths of mm; Label: index in Labels
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Segment: from, to; Circle, Label: x1, y1
    };
    static constexpr std::uint8_t kFilled = 0x80;

    std::vector<Item> Items;
    std::vector<std::string> Labels;
    std::uint64_t Key = 0; // what the items were recorded from; 0 nothing yet, or always anew

    // Empty, keeping the room for the next recording.
    void Clear()
    {
        Items.clear();
        Labels.clear();
        Key = 0;
    }
    void Colour(const QColor& colour)
    {
        Items.push_back({ Op::Colour, 0, static_cast<std::int32_t>(colour.rgb()) });
    }
    void Segment(std::uint8_t pen, double x1, double y1, double x2, double y2)
    {
        Items.push_back({ Op::Segment, pen, 0, x1, y1, x2, y2 });
    }
    void Circle(std::uint8_t pen, bool filled, int diameter, double x, double y)
    {
        Items.push_back(
            { Op::Circle, static_cast<std::uint8_t>(pen | (filled ? kFilled : 0)), diameter, x, y });
    }
    void Label(double x, double y, std::string text)
    {
        Items.push_back({ Op::Label, 0, static_cast<std::int32_t>(Labels.size()), x, y });
        Labels.push_back(std::move(text));
    }
};

// The view's frame as the screen sees it: the scale, the extents of the drawing in metres of the
// view frame (widened by a margin), and the mapping of the last painting on screen.
struct TViewport
{
    int Echelle = 100; // the scale's denominator
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    bool Calcule = false; // the extents hold a drawing
    double PixelsParMm = 1; // screen pixels per millimetre of paper, the zoom ratio included
    int OrigineX = 0, OrigineY = 0; // the painted part's corner inside the whole drawing

    double PixelsPerMetre() const { return 1000.0 / Echelle * PixelsParMm; }
};

// The page grid the printed drawing is cut into.
struct TPageLayout
{
    int ColonnePage = 0, LignePage = 0; // the page being drawn
    int MargesX = 0, MargesY = 0; // sums of the margins, millimetres
    int DecalageX = 0, DecalageY = 0; // the drawing's shift on the grid, millimetres
    double DebutPageX = 0, DebutPageY = 0; // the grid's corner, metres of the view frame
    double ResolutionPage = 1; // printer pixels per millimetre
    double FacteurPage = 1;
};

// Base of every view of a massif. Holds the scale, the extents in metres, the metre-to-pixel
// mappings of the screen and of the printed page, the page grid, and the drawing primitives that
// take metres and clip what cannot be drawn. The view window and the printing code drive every
// view through the eight operations below, in this slot order.
class TGraphique
{
public:
    explicit TGraphique(TViewContext& context);
    virtual ~TGraphique() = default;
    TGraphique(const TGraphique&) = delete;
    TGraphique& operator=(const TGraphique&) = delete;

    // Paints the visible part of the drawing, whose top-left corner is (originX, originY) inside the
    // whole drawing, into the image. resolution: screen pixels per millimetre of paper.
    virtual void Dessiner(
        int originX, int originY, double resolution, double rapport, QImage& image, int mode)
        = 0;
    // Draws page (column, row) of the page grid on an open painter (printer, PDF, preview).
    virtual void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor)
        = 0;
    // Paints the drawing on any open painter with the screen mapping (an SVG generator, say).
    virtual void DessinerSur(
        QPainter& painter, int originX, int originY, double resolution, double rapport, int mode)
        = 0;
    // Sets the extents and gives the whole drawing's size in pixels.
    virtual void Dimensions(int& width, int& height, double resolution, double rapport) = 0;
    // Number of page columns and rows with the given margin sums (mm) on the current page size.
    virtual void NbPages(int& columns, int& rows, int marginsX, int marginsY) = 0;
    // Nearest item to a pixel of the whole drawing; returns its distance in pixels.
    virtual double Chercher(int x, int y, int& fiche, int& galerie, int& point) = 0;
    // Keeps, as the massif's current list and selection, the sheets with a station inside the
    // circle of centre (x, y) and squared radius r (pixels).
    virtual void IsolerEcran(int x, int y, double r) = 0;
    // Draws (show) or erases the highlight of shot `point` of a gallery; text: its status-bar text.
    virtual void Marquer(bool show, int fiche, int galerie, int point, int mode, std::string& text) = 0;
    // Hover-hint text of a shot.
    virtual void Bulle(int fiche, int galerie, int point, std::string& text) = 0;
    // The middle of a shot in pixels of the whole drawing as last drawn on screen; false when the
    // view does not draw it.
    virtual bool ShotPixel(int fiche, int galerie, int point, QPointF& pixel) const
    {
        (void)fiche, (void)galerie, (void)point, (void)pixel;
        return false;
    }

    // Largest deformation of the current sheets' positioned galleries for this kind of view; 1.0
    // when there is none.
    double DeformationMax() const;
    // The sheet and gallery of the first largest deformation; false when it is 0.
    bool ChercherDeformationMax(int& fiche, int& galerie, int& point) const;

    // Paper size the page grid is laid on, millimetres (A4 portrait unless told otherwise).
    void SetPageSize(const QSizeF& millimetres) { m_pageMm = millimetres; }
    // The printer page in pixels and millimetres, for drawing pages on another device (a preview
    // image): without it DessinerPage takes the page from the device it paints on.
    void SetPrinterPage(const QSizeF& pixels, const QSizeF& millimetres)
    {
        m_printerPixels = pixels;
        m_pageMm = millimetres;
    }

    // The view's scale and extents, and its mapping to the screen.
    const TViewport& Viewport() const { return m_view; }
    // The scale's denominator (1/Echelle), which the next Dimensions lays the drawing out at.
    void SetEchelle(int denominator) { m_view.Echelle = denominator; }
    // The page grid of the last page count or page drawn.
    const TPageLayout& PageLayout() const { return m_page; }

protected:
    enum class DeformationKind { Horizontal, Vertical, Both };
    virtual DeformationKind Kind() const = 0;
    // The gallery's misclosure as this kind of view weighs it: horizontal, vertical or both.
    double GalleryMisclosure(const TGalerie& gallery) const;

    // Screen mapping and primitives (on the painter opened on the screen image).
    QPointF ScreenPosition(double x, double y) const; // unrounded pixels
    void DeplacerEcran(double x, double y);
    void TracerEcran(double x, double y);
    void EcrireEcran(double x, double y, const std::string& text);
    void CercleEcran(double x, double y, int diameter);
    void Carre(double x, double y);
    // Page mapping and primitives (on m_pageCanvas), clipped to the page inside the margins.
    QPointF PagePosition(double x, double y) const;
    void DeplacerPage(double x, double y);
    void TracerPage(double x, double y);
    void EcrirePage(double x, double y, const std::string& text);
    void CerclePage(double x, double y, int diameter);
    // True when the segment (or box) from a to b lies wholly on one side beyond the page: what
    // cannot show on a page is left out of its output, which would otherwise carry the whole cave.
    bool BesidePage(const QPointF& a, const QPointF& b) const;

    // The primitives of whichever target is being painted, so that one routine paints both.
    void Deplacer(double x, double y) { m_onPage ? DeplacerPage(x, y) : DeplacerEcran(x, y); }
    void Tracer(double x, double y) { m_onPage ? TracerPage(x, y) : TracerEcran(x, y); }
    void Ecrire(double x, double y, const std::string& text)
    {
        m_onPage ? EcrirePage(x, y, text) : EcrireEcran(x, y, text);
    }
    void Cercle(double x, double y, int diameter)
    {
        m_onPage ? CerclePage(x, y, diameter) : CercleEcran(x, y, diameter);
    }

    // Pen width for a thickness in tenths of a millimetre; on screen it follows the zoom only when
    // asked, on paper it always follows the page resolution and factor.
    int PenWidth(int tenths, bool followsZoom) const;
    // A font of the options at its size on the current target.
    QFont Font(const TPolice& police) const;
    // Height of the current font's text, in millimetres of paper.
    double TextHeightMm(const QString& text) const;
    double TextWidthMm(const QString& text) const;

    // Dessiner for the views that paint straight on the image: the background (white unless
    // told), then DessinerSur.
    void PaintImage(int originX, int originY, double resolution, double rapport, QImage& image, int mode,
        const QColor& background = Qt::white);
    // Station k of a gallery (0: its start point) in survey coordinates.
    static void Station(const TGalerie& gallery, int k, double& x, double& y, double& z);

    // Starts and ends painting on a target; the painter stays open in between.
    void BeginScreen(QPainter& painter, int originX, int originY, double resolution, double rapport);
    void BeginPage(QPainter& painter, int column, int row, int leftMm, int topMm, double factor);
    void End();

    // Widens the extents by 1 cm of paper each way and gives the drawing's size in pixels.
    void WidenExtents(int& width, int& height, double resolution, double rapport);
    // Page grid set-up shared by the projections (fixed origin in the view frame, or centred).
    void PageGrid(bool fixedOrigin, double ox, double oy);
    // The page less the margins MargesX and MargesY, in millimetres, at least 1 mm each way.
    QSizeF UsablePageMm() const;
    void PageCount(
        int& columns, int& rows, int marginsX, int marginsY, bool fixedOrigin, double ox, double oy);

    // Draws a recorded list: pens[i] is the thickness (tenths of mm, following the zoom) of pen i,
    // labels stand `labelOffset` metres right of and above their point. On paper item by item as
    // recorded; on screen with the same result, lines of one pen in one call, and galleries of
    // one colour together where the order cannot show (one colour, and filled circles only in
    // black, whose fill is black too).
    void DrawList(const TDrawList& list, const std::array<int, 3>& pens, double labelOffset);

    // The sheet at an index of the massif's current list, or null.
    TFiche* SheetAt(int fiche) const;
    QColor GalleryColour(const TGalerie& gallery, int mode, double deformationMax) const;
    // The normalised misclosure drawn in full red in mode 4; 0 is the colours' first one.
    static constexpr double kMisclosureRed = 10;
    // The key of the misclosure colours, at the top left of the screen image.
    void PaintMisclosureLegend();

    TViewContext& m_context;
    TViewport m_view;
    TPageLayout m_page;
    QPainter* m_pageCanvas = nullptr; // the page being drawn
    QImage* m_screenImage = nullptr; // the screen image last painted
    QPainter* m_painter = nullptr; // the painter of the target being painted
    bool m_onPage = false;
    double m_rapport = 1;
    double m_resolution = 1;
    QPointF m_pen; // pen position in pixels
    bool m_penValid = true; // false after a move out of the clipping range
    QSizeF m_pageMm { 210, 297 };
    QSizeF m_printerPixels; // empty: the page device's own
    QSizeF m_pagePixels; // the page being drawn, printer pixels
    QSizeF m_deviceSize; // the device the page is drawn on, its pixels
};

// Base of the drawn projections (plan, elevation, perspective): hit test, isolation, highlight
// ends, and the hover hint, in the projection's own frame.
class TProjection : public TGraphique
{
public:
    using TGraphique::TGraphique;

    double Chercher(int x, int y, int& fiche, int& galerie, int& point) override;
    void IsolerEcran(int x, int y, double r) override;
    // The status text of the gallery, and the highlight of the shot in the drawn image.
    void Marquer(bool show, int fiche, int galerie, int point, int mode, std::string& text) override;
    void Bulle(int fiche, int galerie, int point, std::string& text) override;
    bool ShotPixel(int fiche, int galerie, int point, QPointF& pixel) const override;

    // A survey point (metres) in the view's frame.
    virtual QPointF ToView(double x, double y, double z) const = 0;

protected:
    // Station k of a gallery in the view's frame; by default its survey position through ToView.
    virtual QPointF StationInView(const TGalerie& gallery, int k) const;
    // Whether the view draws the gallery (and so can find, isolate and highlight it).
    virtual bool Drawn(const TGalerie& gallery) const;
    // How the view's options draw shots and stations; null when the view has no options.
    virtual const TTrait* ShotTrait() const = 0;
    // The opening every projection's painting shares: the black shot pen and brush, the drawn
    // part of each shot (a, b as ShotFraction gives them), the station font; gives the label
    // offset in metres (0 without labels).
    double BeginShots(const TTrait& trait, double& a, double& b);
    // Metres from a station to its label, each way: half a capital O of the current font on paper.
    double LabelOffset() const;
    // A scale bar at q (view frame, metres): `length` metres with `divisions` ticks of `tickMm`
    // millimetres, "0" and the length in metres under its ends.
    void PaintScaleBar(
        const QPointF& q, double length, int tickMm, int divisions, int thickness, const TPolice& font);
    // Pixel of the whole drawing back to metres in the view frame.
    QPointF FromPixel(int x, int y) const;
    // The north arrow's shaft end (x1, y1) and head (x2, y2) from its foot, survey metres: along
    // the grid north, or along the geographic north turned by the massif's geodesic angle.
    static void NorthArrow(double length, bool geographic, double geodesicDegrees, double x0, double y0,
        double& x1, double& y1, double& x2, double& y2);
    // A station's label: its name, with "(index)" when texteStation is 2.
    static std::string StationLabel(const TPointTopo& point, int texteStation);
    // "Sistema/Cavidad/Red/Lugar A - B" of a gallery, as the status bar shows it.
    static std::string StatusText(const TFiche& sheet, const TGalerie& gallery);
};
