#pragma once

#include "views/graphique.h"

#include <cstdint>
#include <string>

// The plan: the computed cave seen from above, turned clockwise by Angle, with station circles,
// end-point labels, walls from the passage widths, width marks, north arrow, scale bar and grid,
// as the plan options say.
class TPlan : public TProjection
{
public:
    explicit TPlan(TViewContext& context);

    double CosAngle = 1, SinAngle = 0;
    double Angle = 0; // degrees, in [0, 360]
    double BoiteMin[3] = { 0, 0, 0 }; // bounding box of the positioned stations, survey frame
    double BoiteMax[3] = { 0, 0, 0 };

    void Tourner(double delta);
    // Turns the drawing by Angle + delta without keeping it; the text is that angle and " °".
    void ApercuRotation(double delta, std::string& text);

    void Dessiner(
        int originX, int originY, double resolution, double rapport, QImage& image, int mode) override;
    void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor) override;
    void Dimensions(int& width, int& height, double resolution, double rapport) override;
    void NbPages(int& columns, int& rows, int marginsX, int marginsY) override;

    QPointF ToView(double x, double y, double z = 0) const override;
    // Where the north arrow and the scale bar stand, survey metres: the options' place, or just
    // outside the cave's box (the arrow at its top right, the bar with its labels below it) when the options
    // leave it at 0, 0; the drawing is made that much larger for them.
    QPointF NorthPosition() const;
    QPointF ScaleBarPosition() const;
    // A view point back in survey metres.
    QPointF FromView(const QPointF& view) const;

    void DessinerSur(
        QPainter& painter, int originX, int originY, double resolution, double rapport, int mode) override;

protected:
    DeformationKind Kind() const override { return DeformationKind::Horizontal; }
    const TTrait* ShotTrait() const override;

private:
    void Paint(int mode);
    // The galleries of the plan recorded in the view frame, and the key of what they were
    // recorded from: redrawn from the record while the key stays.
    void RecordGalleries(TDrawList& list, int mode, double deformationMax) const;
    std::uint64_t GalleriesKey(int mode, double deformationMax) const;
    void PaintNorth();
    void PaintGrid();
    QPointF FixedOrigin() const;
    // Makes room outside the view box for an arrow or a bar the options leave at 0, 0.
    void PlaceDefaultMarks();

    QPointF m_northView, m_barView; // the default places, view frame
    TDrawList m_galleries;
    QImage m_bitmap; // where Dessiner draws before copying
};
