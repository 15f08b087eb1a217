// The 3D scene's geometry and its camera, which need no OpenGL context.
#include "model/massif.h"
#include "options/options.h"
#include "scene/scene_gl.h"
#include "views/perspective.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Two positioned galleries from A: north 10 m then east 10 m, and west 3 m.
class SceneFixture
{
public:
    SceneFixture()
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Galeries.push_back(Gallery("B", { { 0, 10, 0 }, { 10, 0, -2 } }));
        sheet->Galeries.push_back(Gallery("C", { { -3, 0, 0 } }));
        massif.AddSheet(std::move(sheet), false);
        context.Massif = &massif;
        context.Relief = &options;
    }

    std::unique_ptr<TGalerie> Gallery(const std::string& end, const std::vector<std::array<double, 3>>& steps)
    {
        auto g = std::make_unique<TGalerie>();
        g->Start.Name.Set("A");
        g->End.Name.Set(end);
        double x = 0, y = 0, z = 0;
        for (const auto& d : steps) {
            TVisee v;
            v.HorizLength = std::hypot(d[0], d[1]);
            v.Length = std::hypot(v.HorizLength, d[2]);
            v.Azimuth = std::atan2(d[0], d[1]) * 180 / M_PI;
            x += d[0], y += d[1], z += d[2];
            v.CumX = x, v.CumY = y, v.CumZ = z;
            g->AddShot(v);
        }
        g->X = g->End.X = x;
        g->Y = g->End.Y = y;
        g->Z = g->End.Z = z;
        g->Positioned = true;
        g->PlaceStations();
        return g;
    }

    void Build(TPerspective& view, TMaScene& scene)
    {
        int w = 0, h = 0;
        view.Dimensions(w, h, 4, 1);
        scene.Build(massif, options, 0, view.BoiteMin, view.BoiteMax);
    }

    TMassif massif;
    TOptions_Relief options;
    TViewContext context;
};

double Dot(const Tvertex& a, const Tvertex& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

} // namespace

TEST(Scene3D, OneTubePerGalleryWithOutwardFacesAndCylinders)
{
    SceneFixture f;
    f.options.Couleur_Galerie = 0x0000FF;
    TPerspective view(f.context);
    TMaScene scene;
    f.Build(view, scene);
    ASSERT_EQ(scene.Tubes, 2);
    EXPECT_EQ(scene.Cylinders, 0);
    ASSERT_EQ(scene.Entities.size(), 2u);
    const Tentity& tube = scene.Entities[0];
    EXPECT_EQ(tube.Points.size(), 12u); // 4 corners at each of 3 stations
    EXPECT_EQ(tube.Faces.size(), 10u); // 4 sides per shot and two caps
    EXPECT_FLOAT_EQ(tube.Colour[0], 1);
    EXPECT_FLOAT_EQ(tube.Colour[2], 0);
    // The origin is the box's middle: x = X - 3.5, y = Z + 1, z = 5 - Y.
    EXPECT_NEAR(scene.Centre[0], 3.5, 1e-12);
    EXPECT_NEAR(scene.Centre[1], 5, 1e-12);
    EXPECT_NEAR(tube.Points[0].Position.x, -0.25 - 3.5, 1e-9); // left-up of A, heading north
    EXPECT_NEAR(tube.Points[0].Position.y, 0.5 + 1, 1e-9);
    EXPECT_NEAR(tube.Points[0].Position.z, 5, 1e-9);
    // Every side face looks away from the axis of its shot.
    for (int k = 0; k < 2; ++k) {
        Tvertex middle;
        for (int i = 4 * k; i < 4 * k + 8; ++i) {
            const Tvertex& p = tube.Points[static_cast<std::size_t>(i)].Position;
            middle = { middle.x + p.x / 8, middle.y + p.y / 8, middle.z + p.z / 8 };
        }
        for (int s = 0; s < 4; ++s) {
            const tface& face = tube.Faces[static_cast<std::size_t>(4 * k + s)];
            const Tvertex& p = tube.Points[static_cast<std::size_t>(face.Points[0])].Position;
            EXPECT_GT(Dot(face.Normal, { p.x - middle.x, p.y - middle.y, p.z - middle.z }), 0) << k << s;
            EXPECT_NEAR(Dot(face.Normal, face.Normal), 1, 1e-9);
        }
    }
    ASSERT_EQ(scene.Lights.size(), 1u);
    EXPECT_EQ(scene.Lights[0].Kind, 2);
    EXPECT_FLOAT_EQ(
        scene.Lights[0].Diffuse[0] + scene.Lights[0].Ambient[0], 1.0f); // full light facing the viewer

    f.options.Cylindre = true;
    f.options.N_Face = 6;
    f.Build(view, scene);
    ASSERT_EQ(scene.Cylinders, 1); // both galleries start at A
    const Tentity& prism = scene.Entities.back();
    EXPECT_EQ(prism.Points.size(), 12u);
    EXPECT_EQ(prism.Faces.size(), 8u); // six sides, top and bottom
    EXPECT_LT(prism.Faces[6].Normal.y * prism.Faces[7].Normal.y, -0.99); // one caps down, one up
    EXPECT_NEAR(prism.Faces[6].Normal.y + prism.Faces[7].Normal.y, 0, 1e-9);
}

TEST(Scene3D, PassagesWithoutSizesShowOnAViewOfAWholeLargeCave)
{
    SceneFixture f;
    f.massif.Sheets[0]->Galeries.push_back(f.Gallery("D", { { 0, 2000, 0 } }));
    TPerspective view(f.context);
    TMaScene scene;
    f.Build(view, scene);
    ASSERT_EQ(scene.Entities.size(), 3u);
    const Tentity& tube = scene.Entities[2];
    const Tvertex& left = tube.Points[0].Position;
    const Tvertex& right = tube.Points[1].Position;
    EXPECT_NEAR(std::hypot(right.x - left.x, right.z - left.z), (13 + 2010) / 250.0, 0.1); // not 0.5 m
}

TEST(Camera3D, OverviewHorizontalMovesAndOrbit)
{
    SceneFixture f;
    TPerspective view(f.context);
    int w = 0, h = 0;
    view.Dimensions(w, h, 4, 1);
    ks::OverviewCamera(view); // from the south, level, D = 13 + 10 m away
    EXPECT_DOUBLE_EQ(view.AzimutCamera, 0);
    EXPECT_NEAR(view.PositionCamera[2], 23, 1e-9);
    EXPECT_NEAR(view.PositionCamera[0], 0, 1e-9);
    Tcamera camera;
    ks::PlaceCamera(view, camera);
    EXPECT_NEAR(camera.Target.z, 22, 1e-9); // looking north

    view.Tourner(90, -30); // seen from the east, from above
    ks::OverviewCamera(view);
    EXPECT_DOUBLE_EQ(view.AzimutCamera, 270);
    EXPECT_DOUBLE_EQ(view.PenteCamera, -30);
    EXPECT_NEAR(view.PositionCamera[0], 23 * std::cos(M_PI / 6), 1e-9);
    EXPECT_NEAR(view.PositionCamera[1], 11.5, 1e-9);

    const double x = view.PositionCamera[0];
    view.PenteCamera = 0;
    // A translation drag upwards moves forward (west here); with Shift ten times as far.
    ks::MoveCamera(view, ks::Navigation::Translation, 0, -100, 1);
    const double step = x - view.PositionCamera[0];
    EXPECT_NEAR(step, 1, 1e-9);
    ks::MoveCamera(view, ks::Navigation::Translation, 0, -100, 10);
    EXPECT_NEAR(x - step - view.PositionCamera[0], 10, 1e-9);
    // Sideways and up.
    const double y = view.PositionCamera[1];
    ks::MoveCamera(view, ks::Navigation::Lateral, 0, -50, 1);
    EXPECT_NEAR(view.PositionCamera[1] - y, 0.5, 1e-9);
    ks::TurnCamera(view, 100, 50);
    EXPECT_DOUBLE_EQ(view.AzimutCamera, 280);
    EXPECT_DOUBLE_EQ(view.PenteCamera, -5);

    // The orbit turns the camera about the vertical through the middle, heading and place alike.
    view.AzimutCamera = 0;
    view.PositionCamera[0] = 0;
    view.PositionCamera[2] = 20;
    ks::OrbitCamera(view, 90);
    EXPECT_DOUBLE_EQ(view.AzimutCamera, 90);
    EXPECT_NEAR(view.PositionCamera[0], -20, 1e-9);
    EXPECT_NEAR(view.PositionCamera[2], 0, 1e-9);
    EXPECT_EQ(ks::CameraStatus(view, { 1000, 2000, 300 }), "X = 980  Y = 2000  Z = 312  Az = 90  P = -5");
}
