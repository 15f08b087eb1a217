#include "model/massif.h"
#include "options/options.h"
#include "views/perspective.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>

using namespace ks;

namespace {

constexpr double kRes = 4; // pixels per millimetre: 1 m at 1/100 is 40 pixels

using Point3 = std::array<double, 3>;

// A massif with one positioned gallery through the given stations (survey metres).
class PerspectiveFixture
{
public:
    explicit PerspectiveFixture(std::vector<Point3> stations)
    {
        auto sheet = std::make_unique<TFiche>();
        auto g = std::make_unique<TGalerie>();
        g->Start.Name.Set("A");
        g->End.Name.Set("B");
        g->Start.X = stations[0][0];
        g->Start.Y = stations[0][1];
        g->Start.Z = stations[0][2];
        for (std::size_t k = 1; k < stations.size(); ++k) {
            TVisee v;
            v.Length = 1;
            v.CumX = stations[k][0] - stations[0][0];
            v.CumY = stations[k][1] - stations[0][1];
            v.CumZ = stations[k][2] - stations[0][2];
            g->AddShot(v);
        }
        g->End.X = stations.back()[0];
        g->End.Y = stations.back()[1];
        g->End.Z = stations.back()[2];
        g->X = g->End.X - g->Start.X;
        g->Y = g->End.Y - g->Start.Y;
        g->Z = g->End.Z - g->Start.Z;
        g->Positioned = true;
        g->PlaceStations();
        sheet->Galeries.push_back(std::move(g));
        massif.AddSheet(std::move(sheet), false);

        options.Affiche_Nord = false;
        options.Affiche_Quadri = false;
        options.Trait.diametre = 0;
        context.Massif = &massif;
        context.Relief = &options;
    }

    QImage Draw(TPerspective& view)
    {
        int w = 0, h = 0;
        view.Dimensions(w, h, kRes, 1);
        QImage image(QSize(w, h), QImage::Format_RGB32);
        view.Dessiner(0, 0, kRes, 1, image, 0);
        return image;
    }

    TMassif massif;
    TOptions_Relief options;
    TViewContext context;
};

} // namespace

TEST(PerspectiveAngles, TournerWrapsTheAzimuthAndStopsTheInclination)
{
    PerspectiveFixture f({ { 0, 0, 0 }, { 1, 0, 0 } });
    TPerspective view(f.context);
    view.Tourner(370, 0);
    EXPECT_DOUBLE_EQ(view.Azimut, 10);
    TPerspective other(f.context);
    other.Tourner(-10, 0);
    EXPECT_DOUBLE_EQ(other.Azimut, 350);
    other.Tourner(0, 95);
    EXPECT_DOUBLE_EQ(other.Inclinaison, 89);
    other.Tourner(0, -200);
    EXPECT_DOUBLE_EQ(other.Inclinaison, -89);
    EXPECT_NEAR(other.SinIncl, std::sin(-89 * M_PI / 180), 1e-12);
    EXPECT_NEAR(other.CosAz, std::cos(350 * M_PI / 180), 1e-12);
}

TEST(PerspectiveAngles, ApercuRotationPreviewsWithoutCommitting)
{
    PerspectiveFixture f({ { 0, 0, 0 }, { 1, 0, 0 } });
    TPerspective view(f.context);
    view.Tourner(10, 0);
    std::string text;
    view.ApercuRotation(5.5, -20, text);
    EXPECT_EQ(text, "15.5 °  20 °"); // the inclination is shown with its sign turned
    EXPECT_DOUBLE_EQ(view.Azimut, 10);
    EXPECT_DOUBLE_EQ(view.Inclinaison, 0);
    EXPECT_NEAR(view.SinAz, std::sin(15.5 * M_PI / 180), 1e-12);
    view.ApercuRotation(0, 120, text); // limited to 89
    EXPECT_EQ(text, "10 °  -89 °");
    EXPECT_NEAR(view.SinIncl, std::sin(89 * M_PI / 180), 1e-12);
}

TEST(PerspectiveFrame, FromTheSouthAtZeroAnglesAndTurnedFromTheEast)
{
    PerspectiveFixture f({ { 0, 0, 0 }, { 10, 5, -4 } });
    TPerspective view(f.context);
    const QPointF p = view.ToView(3, 7, 2);
    EXPECT_DOUBLE_EQ(p.x(), 3); // u = X
    EXPECT_DOUBLE_EQ(p.y(), 2); // w = Z
    int w = 0, h = 0;
    view.Dimensions(w, h, kRes, 1);
    EXPECT_DOUBLE_EQ(view.Viewport().XMin, -1);
    EXPECT_DOUBLE_EQ(view.Viewport().XMax, 11);
    EXPECT_DOUBLE_EQ(view.Viewport().YMin, -5);
    EXPECT_DOUBLE_EQ(view.Viewport().YMax, 1);
    EXPECT_DOUBLE_EQ(view.ProfondeurCentre, 2.5);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 240);

    // Turned by 90°, the east is in front and heights take the tilt of the depth.
    view.Tourner(90, -30);
    const QPointF east = view.ToView(10, 0, 0);
    EXPECT_NEAR(east.x(), 0, 1e-9);
    EXPECT_NEAR(view.Depth(10, 0), -10, 1e-9);
    EXPECT_NEAR(east.y(), -5, 1e-9); // w = Z - v sin(-30°)
}

TEST(PerspectiveDrawing, HalfOfEachShotAtFiftyPercentAndTheCube)
{
    PerspectiveFixture f({ { 0, 0, 0 }, { 10, 0, 0 } });
    TPerspective view(f.context);
    QImage image = f.Draw(view); // 480 x 80, the shot along y = 40
    EXPECT_EQ(image.pixel(240, 40), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(60, 40), qRgb(0, 0, 0));
    f.options.Trait.pourcentage = 50;
    image = f.Draw(view);
    EXPECT_EQ(image.pixel(240, 40), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(60, 40), qRgb(255, 255, 255)); // the first quarter is left out
    EXPECT_EQ(image.pixel(420, 40), qRgb(255, 255, 255));

    // The cube of a flat box is its outline: the shot's line, in the cube's colour.
    f.options.Trait.pourcentage = 0;
    f.options.Affiche_Quadri = true;
    f.options.Couleur_Cadre = 0x0000FF; // red
    image = f.Draw(view);
    EXPECT_EQ(image.pixel(60, 40), qRgb(255, 0, 0));
}

TEST(PerspectiveAnaglyph, MiddleDepthKeepsItsPlaceAndNearPointsPartTheEyes)
{
    PerspectiveFixture f({ { 0, -10, 0 }, { 10, 10, 5 } });
    TPerspective view(f.context);
    view.Tourner(0, -20);
    int w = 0, h = 0;
    view.Dimensions(w, h, kRes, 1);
    const double middle = view.ProfondeurCentre; // 0 here: y from -10 to 10
    EXPECT_NEAR(middle, 0, 1e-12);
    QPointF blue, red;
    ASSERT_TRUE(view.StereoPoint(5, 0, 2, -1, blue));
    ASSERT_TRUE(view.StereoPoint(5, 0, 2, 1, red));
    const QPointF plain = view.ToView(5, 0, 2);
    EXPECT_NEAR(blue.x(), plain.x(), 1e-9);
    EXPECT_NEAR(red.x(), plain.x(), 1e-9);
    EXPECT_NEAR(blue.y(), plain.y(), 1e-9);
    // Nearer than the middle, the two images part; the red one lies to the right.
    ASSERT_TRUE(view.StereoPoint(5, -10, 2, -1, blue));
    ASSERT_TRUE(view.StereoPoint(5, -10, 2, 1, red));
    EXPECT_GT(red.x() - blue.x(), 0.1);
    // A point at the eye (0.5 m of paper in front of the middle, 50 m at 1/100) has no image.
    EXPECT_FALSE(view.StereoPoint(5, -50, 2, -1, blue));

    view.Stereo = true;
    const QImage image = f.Draw(view);
    bool blueSeen = false, redSeen = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            blueSeen = blueSeen || qBlue(c) == 255;
            redSeen = redSeen || qRed(c) == 192;
            ASSERT_EQ(qGreen(c), 0) << x << "," << y; // black, blue, red or their sum only
        }
    EXPECT_TRUE(blueSeen);
    EXPECT_TRUE(redSeen);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
}

TEST(PerspectivePicking, ChercherWorksInTheViewFrame)
{
    PerspectiveFixture f({ { 0, 0, 0 }, { 0, 10, 0 }, { 10, 10, 0 } });
    TPerspective view(f.context);
    view.Tourner(90, 0); // the northward shot now runs across the drawing
    f.Draw(view);
    int fiche = -1, galerie = -1, point = 0;
    // u = Y: the middle of the first shot is at u = 5, w = 0.
    const int x = static_cast<int>((5 - view.Viewport().XMin) * 40),
              y = static_cast<int>((view.Viewport().YMax - 0) * 40);
    EXPECT_LT(view.Chercher(x, y, fiche, galerie, point), 1.0);
    EXPECT_EQ(point, 1);

    // An empty list draws nothing and finds nothing.
    TMassif empty;
    TViewContext context;
    context.Massif = &empty;
    context.Relief = &f.options;
    TPerspective none(context);
    int w = 0, h = 0;
    none.Dimensions(w, h, kRes, 1);
    EXPECT_FALSE(none.Viewport().Calcule);
    EXPECT_EQ(w, 1);
}
