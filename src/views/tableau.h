#pragma once
// The table view.

#include "views/graphique.h"

#include <functional>
#include <string>
#include <vector>

namespace ks {
// Cuts a text into lines no wider than `width` as `measure` gives it: after the last space that
// leaves a part narrow enough, or, when no space does, character by character.
std::vector<QString> CutText(
    const QString& text, double width, const std::function<double(const QString&)>& measure);
} // namespace ks

// The table: one block per sheet, opened by a header band when the team or the place changes,
// then one row per station of every positioned gallery, with the columns, headings, header items,
// rules and fonts of the table options. It has no scale: its sizes are millimetres of paper times
// the resolution and the zoom ratio.
class TTableau : public TGraphique
{
public:
    explicit TTableau(TViewContext& context);

    // One element of the layout: a header band, the start row of a gallery or the row of a shot.
    struct Element
    {
        enum Kind { Band, Start, Shot } Type = Band;
        int Variant = 0; // header bands: 0 general, 1 restricted
        int Fiche = 0; // index in the massif's current list
        const TFiche* Sheet = nullptr;
        int Gallery = 0;
        int Point = 0; // shot number; 1 for a band or a start row
        int Top = 0, Height = 0; // millimetres
    };

    double ZeroX = 0, ZeroY = 0, ZeroZ = 0;

    void Dessiner(
        int originX, int originY, double resolution, double rapport, QImage& image, int mode) override;
    void DessinerSur(
        QPainter& painter, int originX, int originY, double resolution, double rapport, int mode) override;
    void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor) override;
    void Dimensions(int& width, int& height, double resolution, double rapport) override;
    void NbPages(int& columns, int& rows, int marginsX, int marginsY) override;
    double Chercher(int x, int y, int& fiche, int& galerie, int& point) override;
    void IsolerEcran(int, int, double) override { }
    void Marquer(bool, int, int, int, int, std::string& text) override { text.clear(); }
    void Bulle(int, int, int, std::string& text) override { text.clear(); }
    // The row of a shot, at the table's left edge, in pixels of the whole drawing.
    bool ShotPixel(int fiche, int galerie, int point, QPointF& pixel) const override;

    // The double click at x (pixels of the drawing): the comment column fills the printed pages,
    // any other column takes the width of its widest text.
    void AjusterColonne(int x);

    // The layout in millimetres; with a usable page height, elements that would cross a page's
    // foot start the next page.
    std::vector<Element> Layout(int pageHeight = 0) const;
    // The sheets of the massif's current list in the order of "&Ordenar", with their indices in it.
    std::vector<std::pair<int, const TFiche*>> SheetOrder() const;
    // The shown columns (0 to 12) in their order, and the table's width in millimetres.
    std::vector<int> Columns() const;
    int WidthMm() const;
    // The texts of a row in one column: one, or two for a doubled column.
    std::vector<std::string> Cells(const Element& row, int column) const;
    // Finds the zero point of the options' reference point.
    void FindZero();

protected:
    DeformationKind Kind() const override { return DeformationKind::Both; }

private:
    void Paint(
        const std::vector<Element>& layout, int mode, double pxPerMm, QPointF offset, int fromMm, int toMm);
    void PaintBand(const Element& band, double pxPerMm, QPointF at);
    void PaintRow(const Element& row, double pxPerMm, QPointF at, int mode, double deformationMax);
    std::string ItemValue(const TFiche& sheet, int item) const;
    // A comment cut to lines that fit the comment column.
    std::vector<QString> CutComment(const QString& text, double widthPx) const;

    // The layout over pages of m_pageHeight millimetres, made by NbPages for the pages it counted.
    std::vector<Element> m_paged;
    int m_pageHeight = 0;
};
