// The perspective window in 3D on a real OpenGL context (run under Xvfb): the scene is drawn,
// the 3D tools window drives it, and a 3D view prints as one picture.
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/ink.h"
#include "support/sample_window.h"
#include "support/scripted_prompt.h"
#include "views/perspective.h"
#include "window/afficheur.h"
#include "window/outils_3d.h"
#include "window/support_gl.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPrinter>
#include <QToolButton>
#include <QtTest/QTest>

using namespace ks;
using namespace ks::test;

namespace {

class Scene3DTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A display was given to this test: without an OpenGL context it fails rather than skips.
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "the OpenGL tests need an X server";
        window = OpenComputedSample(home);
        ASSERT_TRUE(window->Massif() && window->Massif()->Computed);
        window->Action("Perspectiva")->trigger();
        view = window->ViewWindow(TAfficheur::kPerspectiva);
        ASSERT_NE(view, nullptr);
        tools = window->Tools3D();
    }
    void TearDown() override { window.reset(); }

    // The share of the panel's pixels that differ from the background.
    double Drawn()
    {
        const QImage picture = view->Picture3D();
        if (picture.isNull())
            return 0;
        const int drawn = CountInk(picture, Not(picture.pixel(0, 0)), {}, 4);
        return drawn * 16.0 / (picture.width() * picture.height());
    }

    void SwitchOn()
    {
        tools->OpenGL->setChecked(true);
        ASSERT_TRUE(view->Shown3D());
        ASSERT_TRUE(WaitUntil([this] { return view->Scene() != nullptr; }));
        auto* panel = dynamic_cast<TSupportOpenGL*>(view->Support());
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(WaitUntil([panel] { return panel->HasContext(); })) << "no OpenGL context";
    }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    TAfficheur* view = nullptr;
    TOutils_3D* tools = nullptr;
};

} // namespace

TEST_F(Scene3DTest, ToolsWindowSwitchesToShadedTubes)
{
    EXPECT_TRUE(tools->isVisible());
    EXPECT_FALSE(tools->OpenGL->isChecked());
    EXPECT_FALSE(tools->Rotation->isEnabled());
    // The main window is not made again (which the window manager would place anew).
    const WId before = window->winId();
    SwitchOn();
    EXPECT_EQ(window->winId(), before);
    EXPECT_TRUE(tools->Translation->isChecked());
    EXPECT_TRUE(tools->Rotation->isEnabled());
    EXPECT_FALSE(window->Action("Rotación")->isEnabled());
    EXPECT_FALSE(window->Action("Zoom")->isEnabled());
    int displayed = 0;
    for (TFiche* sheet : window->Massif()->CurrentSheets())
        for (const auto& g : sheet->Galeries)
            displayed += g->Positioned && g->StationCount() == g->ShotCount() && g->ShotCount() > 0;
    EXPECT_EQ(view->Scene()->Tubes, displayed);
    EXPECT_GT(Drawn(), 0.01);

    // Shaded: the tubes show more than one grey.
    const QImage picture = view->Picture3D();
    QSet<QRgb> greys;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3)
            greys.insert(picture.pixel(x, y));
    EXPECT_GT(greys.size(), 5);

    // "Horizontal" levels the camera only.
    TPerspective& p = *view->Perspective();
    p.PenteCamera = -35;
    const double heading = p.AzimutCamera, x = p.PositionCamera[0];
    QTest::mouseClick(tools->Horizontal, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(p.PenteCamera, 0);
    EXPECT_DOUBLE_EQ(p.AzimutCamera, heading);
    EXPECT_DOUBLE_EQ(p.PositionCamera[0], x);

    // Stereo leaves 3D for the anaglyph.
    tools->stereo->setChecked(true);
    EXPECT_FALSE(view->Shown3D());
    EXPECT_FALSE(tools->OpenGL->isChecked());
    EXPECT_TRUE(p.Stereo);
    EXPECT_EQ(view->Image().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_TRUE(window->Action("Rotación")->isEnabled());
}

TEST_F(Scene3DTest, DragMovesTheCameraAndShowsWhere)
{
    SwitchOn();
    TPerspective& p = *view->Perspective();
    const double z = p.PositionCamera[2];
    QWidget* panel = view->Support();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(panel, QPoint(300, 200));
    ASSERT_TRUE(WaitUntil([&] { return p.PositionCamera[2] != z; }));
    EXPECT_TRUE(window->StatusPanel1()->text().startsWith("X = "));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(window->StatusPanel1()->text().isEmpty());

    // Ctrl held: the rotation; released: back to the translation.
    QTest::keyPress(panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(view->Navigation3D(), Navigation::Rotation);
    EXPECT_TRUE(tools->Rotation->isChecked());
    QTest::keyRelease(panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(tools->Translation->isChecked());

    // Every mode button takes a step of its own, and the arrow keys step in the chosen mode.
    auto camera = [&p] {
        return std::array<double, 4> { p.PositionCamera[0], p.PositionCamera[1], p.PositionCamera[2],
            p.AzimutCamera };
    };
    for (QToolButton* button : { tools->Rotation, tools->Translation, tools->Lateral }) {
        const auto before = camera();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_NE(camera(), before) << button->objectName().toStdString();
        EXPECT_TRUE(button->isChecked());
    }
    for (Qt::Key key : { Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right }) {
        const auto before = camera();
        QTest::keyClick(panel, key);
        EXPECT_NE(camera(), before) << key;
    }

    // "Retroceder" puts the camera back at the overview.
    p.PositionCamera[0] = 12345;
    QTest::mouseClick(tools->Arriere, Qt::LeftButton);
    EXPECT_NE(p.PositionCamera[0], 12345);
    EXPECT_GT(Drawn(), 0.01);
}

TEST_F(Scene3DTest, PrintsAsOnePictureFillingThePage)
{
    SwitchOn();
    ASSERT_TRUE(WaitUntil([this] { return Drawn() > 0.01; }));
    prompt.printFirst = 0;
    const std::string pdf = home.Path("vista.pdf");
    window->Printer().setOutputFileName(QString::fromStdString(pdf));
    window->PrintCommand();
    EXPECT_EQ(prompt.printMaxPage, 1);
    const std::string bytes = ReadFile(pdf);
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
}
