#pragma once

#include "views/graphique.h"

// The developed elevation: the galleries in elevation unrolled onto a vertical plane, the
// developed distance across and the altitude (with each gallery's offset) up, with roof and floor
// outlines, height marks, labels, a horizontal scale and the vertical scales of the options.
class TCoupe : public TProjection
{
public:
    using TProjection::TProjection;

    void Dessiner(
        int originX, int originY, double resolution, double rapport, QImage& image, int mode) override;
    void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor) override;
    void Dimensions(int& width, int& height, double resolution, double rapport) override;
    void NbPages(int& columns, int& rows, int marginsX, int marginsY) override;

    // No single survey point has a place in the elevation: x is taken as the developed distance.
    QPointF ToView(double x, double y, double z) const override;
    void DessinerSur(
        QPainter& painter, int originX, int originY, double resolution, double rapport, int mode) override;

protected:
    DeformationKind Kind() const override { return DeformationKind::Vertical; }
    const TTrait* ShotTrait() const override;
    QPointF StationInView(const TGalerie& gallery, int k) const override;
    bool Drawn(const TGalerie& gallery) const override;

private:
    void Paint(int mode);
    void PaintVerticalScales();

    QPointF m_corner; // lowest developed distance and altitude of the elevation
};
