#include "compute/reduction.h"
#include "model/sheet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ks;

namespace {

constexpr double kPi = 3.14159265358979323846;

TVisee Reading(double length, double azimuth, double inclination, std::uint8_t azUnit = kDegrees,
    std::uint8_t incUnit = kDegrees)
{
    TVisee v;
    v.Length = length;
    v.Azimuth = azimuth;
    v.Inclination = inclination;
    v.AzimuthUnit = azUnit;
    v.InclinationUnit = incUnit;
    return v;
}

TGalerie Reduced(std::initializer_list<TVisee> shots, double theta0 = 0)
{
    TGalerie g;
    for (const TVisee& v : shots)
        g.AddShot(v);
    g.Positioned = true;
    ReduceGallery(g, theta0);
    return g;
}

void ExpectVector(const TGalerie& g, double x, double y, double z)
{
    EXPECT_NEAR(g.X, x, 1e-9);
    EXPECT_NEAR(g.Y, y, 1e-9);
    EXPECT_NEAR(g.Z, z, 1e-9);
}

} // namespace

TEST(Reduction, EmptyGalleryEndsWithZeroTotals)
{
    TGalerie g;
    g.X = g.TotalLength = g.Development = 5;
    g.Positioned = true;
    ReduceGallery(g, 0.3);
    ExpectVector(g, 0, 0, 0);
    EXPECT_EQ(g.TotalLength, 0);
    EXPECT_EQ(g.SumSquares, 0);
    EXPECT_EQ(g.Development, 0);
    EXPECT_FALSE(g.Positioned);
}

TEST(Reduction, CentimetresEastAndCumulativeValues)
{
    TVisee cm = Reading(250, 90, 0);
    cm.LengthUnit = kCentimetres;
    const TGalerie g = Reduced({ cm, Reading(10, 0, 30) });
    EXPECT_NEAR(g.Shot(1).CumX, 2.5, 1e-12);
    EXPECT_NEAR(g.Shot(1).CumY, 0, 1e-12);
    EXPECT_NEAR(g.Shot(1).HorizLength, 2.5, 1e-12);
    EXPECT_NEAR(g.Shot(2).HorizLength, 10 * std::cos(kPi / 6), 1e-12);
    ExpectVector(g, 2.5, 10 * std::cos(kPi / 6), 5);
    EXPECT_NEAR(g.Shot(2).CumZ, 5, 1e-12);
    EXPECT_NEAR(g.TotalLength, 12.5, 1e-12);
    EXPECT_NEAR(g.SumSquares, 6.25 + 100, 1e-12);
    EXPECT_NEAR(g.Development, 12.5, 1e-12);
}

TEST(Reduction, BackwardReadingsAndGrades)
{
    const TGalerie back = Reduced({ Reading(10, 10, 20, kBackDegrees, kBackDegrees) });
    const TGalerie plain = Reduced({ Reading(10, 190, -20) });
    ExpectVector(back, plain.X, plain.Y, plain.Z);

    const TGalerie grades = Reduced({ Reading(10, 100, 50, kGrades, kGrades) }); // east, 45° up
    ExpectVector(grades, 10 * std::cos(kPi / 4), 0, 10 * std::sin(kPi / 4));
    const TGalerie backGrades = Reduced({ Reading(10, 300, -50, kBackGrades, kBackGrades) });
    ExpectVector(backGrades, grades.X, grades.Y, grades.Z);
}

TEST(Reduction, VulcainReadings)
{
    ExpectVector(Reduced({ Reading(4, 0, 90, kDegrees, kVulcain) }), 0, 4, 0);
    ExpectVector(Reduced({ Reading(4, 0, 180, kDegrees, kVulcain) }), 0, 0, 4);
    ExpectVector(Reduced({ Reading(4, 0, 0, kDegrees, kVulcain) }), 0, 0, -4);
    ExpectVector(Reduced({ Reading(4, 0, 0, kDegrees, kBackVulcain) }), 0, 0, 4);
}

TEST(Reduction, HeightDifferences)
{
    ExpectVector(Reduced({ Reading(5, 90, 3, kDegrees, kSlopeMetres) }), 4, 0, 3);
    ExpectVector(Reduced({ Reading(5, 90, 300, kDegrees, kSlopeCentimetres) }), 4, 0, 3);
    ExpectVector(Reduced({ Reading(5, 90, 3, kDegrees, kBackSlopeMetres) }), 4, 0, -3);
    ExpectVector(Reduced({ Reading(5, 90, -300, kDegrees, kBackSlopeCentimetres) }), 4, 0, 3);
    // A height difference larger than the length: no horizontal run, the full difference in Z.
    const TGalerie steep = Reduced({ Reading(5, 90, -7, kDegrees, kSlopeMetres) });
    EXPECT_EQ(steep.Shot(1).HorizLength, 0);
    ExpectVector(steep, 0, 0, -7);
}

TEST(Reduction, DeclinationAndGeodesicAngleTurnTheSurvey)
{
    // The sheet's single gallery after reduction with the given declination and geodesic angle.
    auto reduced = [](double declination, std::uint8_t unit, double azimuth, double geodesic) {
        auto f = std::make_unique<TFiche>();
        f->Declinaison = declination;
        f->DeclUnit = unit;
        auto g = std::make_unique<TGalerie>();
        g->AddShot(Reading(10, azimuth, 5));
        g->AddShot(Reading(7, azimuth + 40, -3));
        f->Galeries.push_back(std::move(g));
        ReduceSheet(*f, geodesic);
        return std::move(f->Galeries[0]);
    };
    const auto turned = reduced(0, kDegrees, 48, 0);
    ExpectVector(*reduced(2, kDegrees, 50, 0), turned->X, turned->Y, turned->Z);
    ExpectVector(*reduced(1.5, kDegrees, 50, 0.5), turned->X, turned->Y, turned->Z);
    const auto turnedGrades = reduced(0, kDegrees, 48.2, 0);
    ExpectVector(*reduced(2, kGrades, 50, 0), turnedGrades->X, turnedGrades->Y, turnedGrades->Z);
}

TEST(Reduction, DevelopmentCorrectionsReplaceLengths)
{
    TVisee a = Reading(10, 0, 0), b = Reading(20, 0, 0);
    a.DevCorrectionFlag = b.DevCorrectionFlag = true;
    a.DevCorrection = 3;
    b.DevCorrection = 4;
    const TGalerie g = Reduced({ a, b });
    EXPECT_EQ(g.Development, 7);
    EXPECT_EQ(g.TotalLength, 30);
}

TEST(Reduction, UnknownAzimuthUnitKeepsThePreviousShotsUnit)
{
    const TGalerie g = Reduced({ Reading(10, 100, 0, kGrades), Reading(10, 100, 0, 3) });
    ExpectVector(g, 20, 0, 0); // the second shot is read in grades too
    const TGalerie first = Reduced({ Reading(10, 90, 0, 7) }); // nothing before: degrees
    ExpectVector(first, 10, 0, 0);
}
