// Shot reduction: readings in their units to displacements, with declination and geodesic angle.
#include "compute/reduction.h"

#include "model/sheet.h"

#include <cmath>

namespace ks {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = 1.0 / 180.0; // times pi
constexpr double kGrade = 0.005; // times pi
} // namespace

void ReduceGallery(TGalerie& g, double theta0)
{
    g.X = g.Y = g.Z = 0;
    g.TotalLength = 0;
    g.SumSquares = 0;
    g.Development = 0;
    g.Positioned = false;

    // An azimuth unit that is not an angle code keeps the unit of the shot before it.
    std::uint8_t azimuthUnit = kDegrees;
    for (TVisee& v : g.Shots) {
        const double length = v.LengthMetres();
        if (v.AzimuthUnit == kDegrees || v.AzimuthUnit == kGrades || v.AzimuthUnit == kBackDegrees
            || v.AzimuthUnit == kBackGrades)
            azimuthUnit = v.AzimuthUnit;

        double azimuth = 0;
        switch (azimuthUnit) {
        case kGrades:
            azimuth = v.Azimuth * kGrade * kPi;
            break;
        case kBackDegrees:
            azimuth = (v.Azimuth * kDegree + 1) * kPi;
            break;
        case kBackGrades:
            azimuth = (v.Azimuth * kGrade + 1) * kPi;
            break;
        default:
            azimuth = v.Azimuth * kDegree * kPi;
            break;
        }

        g.Development += v.DevCorrectionFlag ? v.DevCorrection : length;

        bool heightMode = false;
        double slope = 0, dz = 0;
        switch (v.InclinationUnit) {
        case kGrades:
            slope = v.Inclination * kGrade * kPi;
            break;
        case kVulcain:
            slope = (v.Inclination - 90) * kDegree * kPi;
            break;
        case kBackDegrees:
            slope = -v.Inclination * kDegree * kPi;
            break;
        case kBackGrades:
            slope = -v.Inclination * kGrade * kPi;
            break;
        case kBackVulcain:
            slope = -(v.Inclination - 90) * kDegree * kPi;
            break;
        case kSlopeMetres:
            heightMode = true;
            dz = v.Inclination;
            break;
        case kSlopeCentimetres:
            heightMode = true;
            dz = v.Inclination * 0.01;
            break;
        case kBackSlopeMetres:
            heightMode = true;
            dz = -v.Inclination;
            break;
        case kBackSlopeCentimetres:
            heightMode = true;
            dz = -v.Inclination * 0.01;
            break;
        default:
            slope = v.Inclination * kDegree * kPi;
            break;
        }

        g.TotalLength += length;
        g.SumSquares += length * length;

        double horizontal = 0;
        if (heightMode) {
            horizontal = length * length > dz * dz ? std::sqrt(length * length - dz * dz) : 0.0;
            g.Z += dz;
        } else {
            horizontal = length * std::cos(slope);
            g.Z += length * std::sin(slope);
        }
        v.HorizLength = horizontal;

        const double theta = azimuth - theta0;
        g.X += horizontal * std::sin(theta);
        g.Y += horizontal * std::cos(theta);
        v.CumX = g.X;
        v.CumY = g.Y;
        v.CumZ = g.Z;
    }
}

void ReduceSheet(TFiche& sheet, double geodesicDegrees)
{
    const double declination
        = sheet.DeclUnit == kGrades ? sheet.Declinaison * kGrade * kPi : sheet.Declinaison * kDegree * kPi;
    const double theta0 = declination + geodesicDegrees * kDegree * kPi;
    for (auto& gallery : sheet.Galeries)
        ReduceGallery(*gallery, theta0);
}

} // namespace ks
