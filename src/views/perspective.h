#pragma once

#include "views/graphique.h"

#include <string>

// The perspective: the network turned about the vertical by Azimut, tilted by Inclinaison and
// projected obliquely with heights at their true scale; or, with Stereo, a red and blue anaglyph
// of two central projections. Also holds the camera of the 3D scene that can replace it.
class TPerspective : public TProjection
{
public:
    explicit TPerspective(TViewContext& context);

    double CosAz = 1, SinAz = 0, SinIncl = 0;
    double Azimut = 0; // degrees, in [0, 360]
    double Inclinaison = 0; // degrees; the user is shown minus this value
    double ProfondeurCentre = 0; // depth v of the middle of the box
    double BoiteMin[3] = { 0, 0, 0 }; // bounding box of the positioned stations, survey frame
    double BoiteMax[3] = { 0, 0, 0 };
    bool Stereo = false;

    // The 3D scene's camera, in coordinates centred on the box (x east, y up, z south).
    double AzimutCamera = 0; // heading, degrees in [0, 360]
    double PenteCamera = 0; // pitch, degrees
    double PositionCamera[3] = { 0, 0, 0 };
    bool PremiereConstruction = true; // the overview position is still to be set

    // Commits a turn: the azimuth wraps once into [0, 360], the inclination stops at ±89 once past
    // ±90.
    void Tourner(double deltaAzimut, double deltaInclinaison);
    // Draws with the angles of a turn without keeping them; the text shows those angles.
    void ApercuRotation(double deltaAzimut, double deltaInclinaison, std::string& text);

    void Dessiner(
        int originX, int originY, double resolution, double rapport, QImage& image, int mode) override;
    void DessinerPage(
        int column, int row, int leftMm, int topMm, int mode, QPainter& canvas, double factor) override;
    void DessinerSur(
        QPainter& painter, int originX, int originY, double resolution, double rapport, int mode) override;
    void Dimensions(int& width, int& height, double resolution, double rapport) override;
    void NbPages(int& columns, int& rows, int marginsX, int marginsY) override;

    // (u, w): the drawing position of a survey point.
    QPointF ToView(double x, double y, double z) const override;
    // v: the depth of a survey point, growing away from the viewer.
    double Depth(double x, double y) const { return -x * SinAz + y * CosAz; }
    // The anaglyph's central projection of a survey point for one eye (-1 blue, +1 red); false when
    // the point lies at or behind the eye.
    bool StereoPoint(double x, double y, double z, int eye, QPointF& drawn) const;

protected:
    DeformationKind Kind() const override { return DeformationKind::Both; }
    const TTrait* ShotTrait() const override;

private:
    void Paint(int mode);
    void PaintStereo(int mode);
    void PaintAxes();
    void PaintNorth();
    void PaintCube();
    // A survey-frame segment, projected.
    void Segment(double x1, double y1, double z1, double x2, double y2, double z2);
    // Where the north arrow and the axis mark stand: the options' place, or a corner of the cave
    // when the options leave them at 0, 0 km.
    void NorthPosition(double& x, double& y, double& z) const;
    void AxesPosition(double& x, double& y, double& z) const;
    void SetAngles(double azimut, double inclinaison);
};
