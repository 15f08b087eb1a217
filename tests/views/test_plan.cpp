#include "model/massif.h"
#include "options/options.h"
#include "views/plan.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace ks;

namespace {

constexpr double kRes = 4; // pixels per millimetre: 1 m at 1/100 is 40 pixels

// A massif with one positioned gallery through the given stations (survey metres, Z 0).
class PlanFixture
{
public:
    explicit PlanFixture(std::vector<QPointF> stations)
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Systeme.Set("S");
        sheet->Cavite.Set("C");
        sheet->Reseau.Set("R");
        sheet->Lieu.Set("L");
        auto g = std::make_unique<TGalerie>();
        g->Start.Name.Set("A");
        g->End.Name.Set("B");
        g->Start.X = stations[0].x();
        g->Start.Y = stations[0].y();
        for (std::size_t k = 1; k < stations.size(); ++k) {
            TVisee v;
            v.Length = 1;
            v.CumX = stations[k].x() - stations[0].x();
            v.CumY = stations[k].y() - stations[0].y();
            g->AddShot(v);
        }
        g->End.X = stations.back().x();
        g->End.Y = stations.back().y();
        g->X = g->End.X - g->Start.X;
        g->Y = g->End.Y - g->Start.Y;
        g->Positioned = true;
        g->PlaceStations();
        gallery = g.get();
        sheet->Galeries.push_back(std::move(g));
        massif.AddSheet(std::move(sheet), false);

        options.Affiche_Nord = false;
        options.Affiche_Echelle = false;
        options.Afficher_Habillage = false;
        options.Trait.diametre = 0;
        context.Massif = &massif;
        context.Plan = &options;
    }

    QImage Draw(TPlan& plan, int mode = 0, int originX = 0, int originY = 0, QSize size = {})
    {
        int w = 0, h = 0;
        plan.Dimensions(w, h, kRes, 1);
        QImage image(size.isValid() ? size : QSize(w, h), QImage::Format_RGB32);
        plan.Dessiner(originX, originY, kRes, 1, image, mode);
        return image;
    }

    TMassif massif;
    TOptions_Plan options;
    TViewContext context;
    TGalerie* gallery = nullptr;
};

bool Black(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == qRgb(0, 0, 0);
}
bool White(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == qRgb(255, 255, 255);
}

} // namespace

TEST(PlanGeometry, DimensionsAndShotPixels)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 } });
    TPlan plan(f.context);
    int w = 0, h = 0;
    plan.Dimensions(w, h, kRes, 1);
    EXPECT_EQ(w, 480); // 10 m + 1 m each side at 1/100, 4 px/mm
    EXPECT_EQ(h, 80);
    EXPECT_DOUBLE_EQ(plan.Viewport().XMin, -1);
    EXPECT_DOUBLE_EQ(plan.Viewport().YMax, 1);
    const QImage image = f.Draw(plan);
    EXPECT_TRUE(Black(image, 240, 40)); // the shot's middle
    EXPECT_TRUE(White(image, 240, 30));
    EXPECT_TRUE(White(image, 20, 40)); // west of the start

    f.options.Trait.pourcentage = 50;
    const QImage half = f.Draw(plan);
    EXPECT_TRUE(White(half, 60, 40)); // the shot's ends are not drawn
    EXPECT_TRUE(White(half, 420, 40));
    EXPECT_TRUE(Black(half, 240, 40));

    f.options.Trait.pourcentage = 0;
    f.options.Trait.diametre = 10;
    const QImage circles = f.Draw(plan);
    EXPECT_TRUE(White(circles, 240, 40));
    EXPECT_TRUE(Black(circles, 40, 40)); // the station circles stay
    EXPECT_TRUE(Black(circles, 440, 40));
}

TEST(PlanGeometry, RotationTurnsNorthToTheRight)
{
    PlanFixture f({ { 0, 0 }, { 0, 10 } });
    TPlan plan(f.context);
    plan.Tourner(90);
    EXPECT_DOUBLE_EQ(plan.Angle, 90);
    int w = 0, h = 0;
    plan.Dimensions(w, h, kRes, 1);
    EXPECT_EQ(w, 480);
    EXPECT_EQ(h, 80);
    const QImage image = f.Draw(plan);
    EXPECT_TRUE(Black(image, 400, 40));

    plan.Tourner(300);
    EXPECT_NEAR(plan.Angle, 30, 1e-12);
    plan.Tourner(-60);
    EXPECT_NEAR(plan.Angle, 330, 1e-12);
    std::string text;
    plan.ApercuRotation(15.5, text);
    EXPECT_EQ(text, "346 °");
    EXPECT_NEAR(plan.Angle, 330, 1e-12);
}

TEST(PlanGeometry, WallsOnlyWhereBothWidthsAreKnown)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 20, 0 } });
    f.gallery->Shot(1).RightWidth = "1"; // single width: 0.5 m each side at station 1
    f.gallery->Shot(2).LeftWidth = "x"; // unknown left side at station 2
    f.gallery->Shot(2).RightWidth = "1"; // 1 m on the right
    f.options.Afficher_Habillage = true;
    TPlan plan(f.context);
    const QImage image = f.Draw(plan);
    // Shot 1: nothing is known at the gallery's start, so no wall at all.
    EXPECT_TRUE(White(image, 240, 20));
    EXPECT_TRUE(White(image, 240, 60));
    // Shot 2: the right wall from 0.5 m to 1 m south of the shot; the left side is unknown.
    EXPECT_TRUE(Black(image, 640, 70));
    EXPECT_TRUE(White(image, 640, 20));
}

TEST(PlanGeometry, NothingDrawnPastTheClippingRange)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 10.5, 0 } });
    TPlan plan(f.context);
    plan.SetEchelle(1); // 1 m is 4000 pixels: the second station lies 44000 pixels away
    const QImage image = f.Draw(plan, 0, 0, 0, QSize(400, 100));
    for (int x = 0; x < 400; ++x)
        ASSERT_TRUE(White(image, x, 40)) << x;
    // Seen from near the end, the short last shot is within range and drawn, and the shot before
    // it, which starts out of range, is not.
    const QImage end = f.Draw(plan, 0, 41000, 0, QSize(2000, 100));
    EXPECT_TRUE(Black(end, 500, 40));
    EXPECT_TRUE(White(end, 0, 0)); // no line from a stale pen position
    EXPECT_TRUE(White(end, 0, 1));
}

TEST(PlanGeometry, EmptyMassifGivesABlankDrawing)
{
    TMassif massif;
    TOptions_Plan options;
    TViewContext context;
    context.Massif = &massif;
    context.Plan = &options;
    TPlan plan(context);
    int w = 0, h = 0;
    plan.Dimensions(w, h, kRes, 1);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
    EXPECT_FALSE(plan.Viewport().Calcule);
    QImage image(5, 5, QImage::Format_RGB32);
    image.fill(Qt::black);
    plan.Dessiner(0, 0, kRes, 1, image, 0);
    EXPECT_TRUE(White(image, 2, 2));
    int s = -1, g = -1, p = -1;
    EXPECT_DOUBLE_EQ(plan.Chercher(0, 0, s, g, p), 1000 * 1000.0 / 100 * kRes);
}

TEST(PlanPicking, ChercherFindsShotsAndEnds)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 20, 0 } });
    TPlan plan(f.context);
    f.Draw(plan);
    int s = -1, g = -1, p = -1;
    EXPECT_NEAR(plan.Chercher(240, 50, s, g, p), 10, 1e-9); // 0.25 m off the middle of shot 1
    EXPECT_EQ(s, 0);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(p, 1);
    EXPECT_NEAR(plan.Chercher(640, 40, s, g, p), 0, 1e-9);
    EXPECT_EQ(p, 2);
    EXPECT_NEAR(plan.Chercher(880, 40, s, g, p), 40, 1e-9); // 1 m past the end: the end station
    EXPECT_EQ(p, 2);
    EXPECT_NEAR(plan.Chercher(20, 40, s, g, p), 20, 1e-9); // before the start: the start station
    EXPECT_EQ(p, 1);

    plan.IsolerEcran(880, 40, 39 * 39);
    EXPECT_TRUE(f.massif.SelectionActive);
    EXPECT_TRUE(f.massif.Selection->empty());
    f.massif.SelectionActive = false; // isolating again works on the whole list
    plan.IsolerEcran(880, 40, 41 * 41);
    EXPECT_EQ(f.massif.Selection->size(), 1u);
}

TEST(PlanPicking, MarquerTwiceRestoresTheImage)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 20, 0 } });
    TPlan plan(f.context);
    for (int mode : { 0, 1 }) {
        QImage image = f.Draw(plan, mode);
        const QImage before = image.copy();
        std::string text;
        plan.Marquer(true, 0, 0, 2, mode, text);
        EXPECT_EQ(text, "S/C/R/L A - B");
        EXPECT_NE(image, before);
        EXPECT_TRUE(Black(image, 440, 37)) << "the marker inverts the white around the station";
        if (mode == 0) {
            EXPECT_EQ(image.pixel(640, 40), qRgb(255, 0, 0));
        }
        plan.Marquer(false, 0, 0, 2, mode, text);
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(image, before) << "mode " << mode;
    }
}

TEST(PlanPages, CountWithAndWithoutFixedOrigin)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 20, 0 } });
    TPlan plan(f.context);
    f.Draw(plan);
    int columns = 0, rows = 0;
    plan.NbPages(columns, rows, 20, 20); // 190 x 277 mm usable; the plan is 200 x 0 mm
    EXPECT_EQ(columns, 2);
    EXPECT_EQ(rows, 1);
    f.options.Origine = true;
    f.options.X_Origine = 0;
    f.options.Y_Origine = 0;
    plan.NbPages(columns, rows, 20, 20);
    EXPECT_EQ(columns, 3);
    EXPECT_EQ(rows, 2);
}

TEST(PlanPages, PagePixelsFollowThePageMapping)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 } });
    TPlan plan(f.context);
    f.Draw(plan);
    plan.SetPageSize(QSizeF(210, 297));
    int columns = 0, rows = 0;
    plan.NbPages(columns, rows, 20, 20);
    ASSERT_EQ(columns, 1);
    // A page image of 210 x 297 mm at 2 pixels per millimetre.
    QImage page(420, 594, QImage::Format_RGB32);
    page.setDotsPerMeterX(2000);
    page.setDotsPerMeterY(2000);
    page.fill(Qt::white);
    QPainter painter(&page);
    plan.DessinerPage(0, 0, 10, 10, 0, painter, 1.0);
    painter.end();
    EXPECT_DOUBLE_EQ(plan.PageLayout().ResolutionPage, 2);
    // Centred: DebutPageX = (1 - 120 / 190) / 2; the shot's middle at x = 5 m, y = 0.
    const double debutX = (1 - 120.0 / 190) / 2, debutY = (1 - 20.0 / 277) / 2;
    const double px = ((5 + 1) * 10 + 10) * 2 + (420 - 20 * 2) * debutX;
    const double py = ((1 - 0) * 10 + 10) * 2 + (594 - 20 * 2) * debutY;
    EXPECT_TRUE(Black(page, static_cast<int>(px), static_cast<int>(py)));
}

TEST(DeformationColours, RampAnchorsAndBlackZero)
{
    const auto& c = CouleursDeformation();
    EXPECT_EQ(c[0], QColor(0, 0, 0));
    EXPECT_EQ(c[1], QColor(59, 206, 138));
    EXPECT_EQ(c[12], QColor(0, 0, 255));
    EXPECT_EQ(c[24], QColor(0, 128, 0));
    EXPECT_EQ(c[36], QColor(255, 255, 0));
    EXPECT_EQ(c[48], QColor(255, 128, 0));
    EXPECT_EQ(c[60], QColor(255, 0, 0));
    EXPECT_EQ(c[30], QColor(128, 192, 0));
    EXPECT_EQ(Plancher(-0.5), -1);
    EXPECT_EQ(Plancher(-2.0), -3);
    EXPECT_EQ(Plancher(2.7), 2);
}

TEST(DeformationColours, WorstGalleryIsRedInDeformationMode)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 } });
    TPlan plan(f.context);
    EXPECT_EQ(plan.DeformationMax(), 1.0); // no deformation anywhere
    int s = 0, g = 0, p = 0;
    EXPECT_FALSE(plan.ChercherDeformationMax(s, g, p));
    f.gallery->HorizMisclosure = 0.02;
    EXPECT_EQ(plan.DeformationMax(), 0.02);
    EXPECT_TRUE(plan.ChercherDeformationMax(s, g, p));
    EXPECT_EQ(p, 1);
    const QImage image = f.Draw(plan, 3);
    EXPECT_EQ(image.pixel(240, 40), qRgb(255, 0, 0));
    f.gallery->Colour = 0x00FF00; // 00BBGGRR: green
    EXPECT_EQ(f.Draw(plan, 2).pixel(240, 40), qRgb(0, 255, 0));
}

TEST(PlanHints, BulleBuildsItsSixPieces)
{
    PlanFixture f({ { 1000, 0 }, { 1010, 0 } });
    TVisee& v = f.gallery->Shot(1);
    v.Length = 10;
    v.Azimuth = 90;
    v.Comment.Set("Colada");
    v.LeftWidth = "1";
    v.RightWidth = "2";
    v.UpperHeight = "3";
    TPlan plan(f.context);
    std::string text;
    plan.Bulle(0, 0, 1, text);
    EXPECT_EQ(text, "(1 000.00, 0.00, 0.00)-(1 010.00, 0.00, 0.00)Colada(10.0m,90.0°,0.0°)(l=1/2)(h=3) 0.0%");
    f.context.Hints.Rien = true;
    plan.Bulle(0, 0, 1, text);
    EXPECT_TRUE(text.empty());

    // Each option of "Sugerencias en las vistas" alone gives its own piece.
    const std::pair<bool THintOptions::*, const char*> alone[] = {
        { &THintOptions::Coordonnees, "(1 000.00, 0.00, 0.00)-(1 010.00, 0.00, 0.00)" },
        { &THintOptions::Commentaires, "Colada" },
        { &THintOptions::Visees, "(10.0m,90.0°,0.0°)" },
        { &THintOptions::Largeur, "(l=1/2)" },
        { &THintOptions::Hauteur, "(h=3)" },
        { &THintOptions::Deformation, " 0.0%" },
    };
    for (const auto& [option, piece] : alone) {
        THintOptions only;
        only.Coordonnees = only.Commentaires = only.Visees = only.Largeur = only.Hauteur = only.Deformation
            = false;
        only.*option = true;
        f.context.Hints = only;
        plan.Bulle(0, 0, 1, text);
        EXPECT_EQ(text, piece);
    }
}

TEST(PlanDecorations, NorthArrowTurnsWithThePlanButTheScaleBarDoesNot)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 10, 10 } });
    f.options.Affiche_Nord = true;
    f.options.Representation = false; // grid north
    f.options.X_Nord = 0.002; // km: at (2, 5) m
    f.options.Y_Nord = 0.005;
    f.options.Long_Nord = 30; // 3 m at 1/100
    f.options.Epaisseur_Nord = 3; // 1.2 pixels: 1
    f.options.Texte_Nord = "";
    TPlan plan(f.context);
    QImage north = f.Draw(plan, 1);
    // Unturned: the arrow runs 3 m north from (2, 5): XMin = -1, YMax = 11.
    EXPECT_TRUE(Black(north, 120, (11 - 6.5) * 40));
    EXPECT_TRUE(White(north, 180, (11 - 5) * 40));
    plan.Tourner(90);
    north = f.Draw(plan, 1);
    // Turned by 90°: north points to the right of the drawing.
    const QPointF p0 = plan.ToView(2, 5), p1 = plan.ToView(2, 6.5);
    EXPECT_GT(p1.x(), p0.x());
    EXPECT_TRUE(Black(north, static_cast<int>((p1.x() - plan.Viewport().XMin) * 40),
        static_cast<int>((plan.Viewport().YMax - p1.y()) * 40)));

    f.options.Affiche_Nord = false;
    f.options.Affiche_Echelle = true;
    f.options.X_Echelle = 0.001; // (1, 1) m
    f.options.Y_Echelle = 0.001;
    f.options.Long_Echelle = 5;
    f.options.Subdivision = 0;
    const QImage bar = f.Draw(plan, 1);
    const QPointF q = plan.ToView(1, 1);
    const int qx = static_cast<int>(std::lround((q.x() - plan.Viewport().XMin) * 40)),
              qy = static_cast<int>(std::lround((plan.Viewport().YMax - q.y()) * 40));
    EXPECT_TRUE(Black(bar, qx + 100, qy)); // the bar runs 5 m along the drawing's x axis
    EXPECT_TRUE(White(bar, qx + 100, qy - 4)); // no inner tick without subdivisions
    EXPECT_TRUE(Black(bar, qx + 200, qy - 4)); // the end tick, 2 mm high
}

// The plan redraws its galleries from a record: whatever they depend on must make it draw anew.
TEST(PlanRecord, FollowsEveryChangeOfWhatItDraws)
{
    PlanFixture f({ { 0, 0 }, { 10, 0 }, { 10, 5 } });
    TPlan plan(f.context);
    const QImage first = f.Draw(plan);
    EXPECT_EQ(f.Draw(plan), first); // drawn again from the record, the same
    EXPECT_TRUE(Black(first, 240, 240));

    // Stations moved by a computation: the end of the last shot follows.
    f.gallery->End.Y = 6;
    f.gallery->Shot(2).CumY = 6;
    f.gallery->PlaceStations();
    const QImage moved = f.Draw(plan);
    EXPECT_NE(moved, first);

    // Options: station circles; a colour mode; the angle.
    f.options.Trait.diametre = 20;
    const QImage circles = f.Draw(plan);
    EXPECT_NE(circles, moved);
    f.gallery->Colour = 0x0000FF; // red
    EXPECT_EQ(f.Draw(plan, 2).pixel(240, 280), qRgb(255, 0, 0)); // the first shot, 1 m under the top
    plan.Tourner(90);
    EXPECT_NE(f.Draw(plan), circles);
}
