// The elevation's drawing: extents from the unrolled galleries, vertical scales at their
// reference altitude.
#include "compute/elevation.h"
#include "model/massif.h"
#include "options/options.h"
#include "support/fixture.h"
#include "views/coupe.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace ks;
using namespace ks::test;

namespace {

constexpr double kRes = 4; // pixels per millimetre: 1 m at 1/100 is 40 pixels

// One gallery A1-B1 of three shots (4.75 m across, 0.5 m up each) unrolled from x = 10.
class CoupeFixture
{
public:
    CoupeFixture()
    {
        auto sheet = std::make_unique<TFiche>();
        auto g = MakeGallery("A", 1, "B", 1, 3);
        g->Start.Z = 100;
        g->End.Z = g->Start.Z + g->Z;
        g->Positioned = true;
        g->PlaceStations();
        sheet->Galeries.push_back(std::move(g));
        TFiche* added = massif.AddSheet(std::move(sheet), false);
        massif.Computed = true;
        TElevation(massif).StartBranch({ added->Ordre, 0 }, true, true, 10, 0);
        context.Massif = &massif;
        context.Coupe = &options;
    }
    QImage Draw(TCoupe& coupe)
    {
        int w = 0, h = 0;
        coupe.Dimensions(w, h, kRes, 1);
        QImage image(w, h, QImage::Format_RGB32);
        coupe.Dessiner(0, 0, kRes, 1, image, 0);
        return image;
    }
    // Dark pixels in column x between two altitudes.
    static int InkInColumn(const QImage& image, const TCoupe& coupe, double x, double z1, double z2)
    {
        const int px
            = static_cast<int>((x - coupe.Viewport().XMin) * 1000.0 / coupe.Viewport().Echelle * kRes);
        int ink = 0;
        for (double z = z1; z <= z2; z += 0.05) {
            const int py
                = static_cast<int>((coupe.Viewport().YMax - z) * 1000.0 / coupe.Viewport().Echelle * kRes);
            if (px >= 0 && px < image.width() && py >= 0 && py < image.height())
                ink += qGray(image.pixel(px, py)) < 128;
        }
        return ink;
    }

    TMassif massif;
    TOptions_Coupe options;
    TViewContext context;
};

} // namespace

TEST(CoupeDrawing, ExtentsFollowTheUnrolledGallery)
{
    CoupeFixture f;
    TCoupe coupe(f.context);
    int w = 0, h = 0;
    coupe.Dimensions(w, h, kRes, 1);
    ASSERT_TRUE(coupe.Viewport().Calcule);
    EXPECT_NEAR(coupe.Viewport().XMin, 10 - 1, 1e-9); // widened by 1 m at 1/100
    EXPECT_NEAR(coupe.Viewport().XMax, 10 + 3 * 4.75 + 1, 1e-9);
    EXPECT_NEAR(coupe.Viewport().YMin, 100 - 1, 1e-9);
    EXPECT_NEAR(coupe.Viewport().YMax, 101.5 + 1, 1e-9);

    // Out of the elevation, nothing is drawn.
    f.massif.Sheets[0]->Galeries[0]->InElevation = false;
    f.massif.ElevationPlaced = false;
    coupe.Dimensions(w, h, kRes, 1);
    EXPECT_FALSE(coupe.Viewport().Calcule);
}

TEST(CoupeDrawing, AVerticalScaleStandsOnItsReferencePointOrOnAltitudeZero)
{
    CoupeFixture f;
    f.options.NbVerticales = 1;
    TVerticale& v = f.options.Verticales[0];
    v.X_Verticale = 12;
    v.ZMin_Verticale = 0;
    v.ZMax_Verticale = 1;
    v.Nom_Verticale = "b"; // B1, at 101.5 m, names compared ignoring case
    v.Indice_Verticale = 1;
    TCoupe coupe(f.context);
    QImage image = f.Draw(coupe);
    EXPECT_GT(CoupeFixture::InkInColumn(image, coupe, 12, 101.6, 102.4), 10);

    // Without its reference point the scale is drawn from altitude 0: outside this drawing.
    v.Nom_Verticale = "Nadie";
    image = f.Draw(coupe);
    EXPECT_EQ(CoupeFixture::InkInColumn(image, coupe, 12, 101.6, 102.4), 0);
    v.Decal_Verticale = 100.2; // the offset brings it back
    image = f.Draw(coupe);
    EXPECT_GT(CoupeFixture::InkInColumn(image, coupe, 12, 100.3, 101.1), 10);
}
