// The perspective window: opening, rotations, its options, and the VRML export from it.
#include "model/massif.h"
#include "options/options.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/ink.h"
#include "support/sample_window.h"
#include "support/scripted_prompt.h"
#include "views/perspective.h"
#include "window/afficheur.h"
#include "window/outils_3d.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest/QTest>

#include <filesystem>

using namespace ks;
using namespace ks::test;

namespace {

class PerspectiveWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TOptions_Relief options;
        options.Angle_Horizontal = 30;
        options.Angle_Vertical = -20;
        Enregistrer(options, home.Path(kReliefOptionsFile), nullptr);
        window = OpenComputedSample(home);
        ASSERT_TRUE(window->Massif() && window->Massif()->Computed);
    }
    void TearDown() override { window.reset(); }

    TPerspective& Open()
    {
        window->Action("Perspectiva")->trigger();
        view = window->ViewWindow(TAfficheur::kPerspectiva);
        EXPECT_NE(view, nullptr);
        QCoreApplication::processEvents();
        return *view->Perspective();
    }

    bool Drawn() const
    {
        return CountInk(
                   view->Image(), [](QRgb c) { return c == qRgb(0, 0, 0); }, {}, 2)
            > 0;
    }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    TAfficheur* view = nullptr;
};

} // namespace

TEST_F(PerspectiveWindowTest, OpensTurnedByTheOptionsAndDrawn)
{
    EXPECT_TRUE(window->Action("Perspectiva")->isEnabled());
    EXPECT_FALSE(window->Action("Rotar horizontalmente")->isEnabled()); // no perspective yet
    TPerspective& p = Open();
    EXPECT_EQ(view->windowTitle(), "Perspectiva");
    EXPECT_DOUBLE_EQ(p.Azimut, 30);
    EXPECT_DOUBLE_EQ(p.Inclinaison, -20);
    EXPECT_TRUE(Drawn());
    EXPECT_GT(p.Viewport().Echelle, 100); // fitted to the window
    EXPECT_TRUE(window->Action("Rotación")->isEnabled());
    EXPECT_TRUE(window->Action("Rotar horizontalmente")->isEnabled());
}

TEST_F(PerspectiveWindowTest, DragTurnsAThirdOfADegreePerPixel)
{
    TPerspective& p = Open();
    window->Action("Rotación")->setChecked(true);
    // The pointer in the window's coordinates: the image moves as the turned drawing changes size.
    QWidget* image = view->ImageWidget();
    auto at = [image](int x, int y) { return QPoint(x, y) - image->pos(); };
    QTest::mousePress(image, Qt::LeftButton, {}, at(300, 300));
    for (int step = 1; step <= 3; ++step) {
        QTest::mouseMove(image, at(300 - 10 * step, 300 + 5 * step));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(window->StatusPanel1()->text(), "40 °  25 °"); // previewed, not kept
    EXPECT_DOUBLE_EQ(p.Azimut, 30);
    QTest::mouseRelease(image, Qt::LeftButton, {}, at(270, 315));
    EXPECT_DOUBLE_EQ(p.Azimut, 40);
    EXPECT_DOUBLE_EQ(p.Inclinaison, -25);
    EXPECT_EQ(window->StatusPanel1()->text(), "40 °  25 °");
}

TEST_F(PerspectiveWindowTest, RotationDialogBouncesBetweenItsBoundsAndTakesTheLastStepBack)
{
    TPerspective& p = Open();
    OnNextDialog([](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Rotación");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("Horizontal")->text(), "10");
        dialog.findChild<QLineEdit*>("Horizontal")->setText("7");
        dialog.findChild<QLineEdit*>("Vertical")->setText("2");
        dialog.findChild<QLineEdit*>("Minimum")->setText("18");
        dialog.findChild<QLineEdit*>("Maximum")->setText("24");
        QTest::mouseClick(dialog.findChild<QPushButton*>("Iniciar"), Qt::LeftButton);
    });
    window->Action("Rotar")->trigger();
    ASSERT_TRUE(view->Rotating());
    double lowest = 90, highest = -90;
    ASSERT_TRUE(WaitUntil([&] {
        lowest = std::min(lowest, -p.Inclinaison);
        highest = std::max(highest, -p.Inclinaison);
        return highest > 24 && lowest < 20;
    }));
    EXPECT_LE(highest, 26);
    EXPECT_GE(lowest, 16);
    const double azimut = p.Azimut, inclinaison = p.Inclinaison;
    view->StopRotation();
    EXPECT_NEAR(std::fmod(p.Azimut + 7, 360), std::fmod(azimut, 360), 1e-9);
    EXPECT_NEAR(std::fabs(p.Inclinaison - inclinaison), 2, 1e-9);
}

TEST_F(PerspectiveWindowTest, HorizontalRotationAsksTheStepAndRefusesText)
{
    TPerspective& p = Open();
    prompt.inputAnswers = { QString("diez") };
    window->Action("Rotar horizontalmente")->trigger();
    EXPECT_EQ(prompt.shown.back().text, "diez n'est pas une valeur numérique correcte.");
    EXPECT_FALSE(view->Rotating());

    prompt.inputAnswers = { QString("5") };
    window->Action("Rotar horizontalmente")->trigger();
    EXPECT_EQ(prompt.inputs.back().first, "Número en grados");
    ASSERT_TRUE(WaitUntil([&] { return p.Azimut > 45; }));
    const double azimut = p.Azimut;
    view->StopRotation();
    EXPECT_NEAR(p.Azimut, azimut - 5, 1e-9);
    EXPECT_DOUBLE_EQ(p.Inclinaison, -20);
}

TEST_F(PerspectiveWindowTest, OptionsTakeTheAnglesInAndGiveThemBack)
{
    TPerspective& p = Open();
    p.Tourner(10, 0);
    QString shown;
    OnNextDialog([&shown](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Ajuste de página de perspectiva");
        shown = dialog.findChild<QLineEdit*>("Angle_Horizontal")->text();
        dialog.findChild<QLineEdit*>("Angle_Horizontal")->setText("75");
        dialog.findChild<QLineEdit*>("Angle_Vertical")->setText("-45");
        QTest::mouseClick(dialog.findChild<QPushButton*>("Validar"), Qt::LeftButton);
    });
    window->Action("Formato/Perspectiva")->trigger();
    EXPECT_EQ(shown, "40");
    EXPECT_DOUBLE_EQ(p.Azimut, 75);
    EXPECT_DOUBLE_EQ(p.Inclinaison, -45);

    OnNextDialog([](QWidget& dialog) {
        dialog.findChild<QLineEdit*>("Angle_Horizontal")->setText("5");
        QTest::mouseClick(dialog.findChild<QPushButton*>("Deshacer"), Qt::LeftButton);
    });
    window->Action("Formato/Perspectiva")->trigger();
    EXPECT_DOUBLE_EQ(p.Azimut, 75);
}

TEST_F(PerspectiveWindowTest, VrmlNeedsThePerspectiveAndAsksBeforeOverwriting)
{
    window->Action("VRML")->trigger();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text, "Debe usted activar la perspectiva para exportar VRML.");

    Open();
    const QString out = QString::fromStdString(home.Path("cueva.wrl"));
    prompt.fileNames = { QString::fromStdString(home.Path("cueva")) }; // the extension is added
    bool closed = false;
    OnNextDialog([&closed](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Exportación VRML");
        QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        closed = !dialog.isVisible();
    });
    window->Action("VRML")->trigger();
    EXPECT_TRUE(closed);
    const std::string written = ReadFile(home.Path("cueva.wrl"));
    EXPECT_EQ(written.rfind("#VRML V2.0 utf8\r\n\r\n#Karstelle ", 0), 0u);

    // Declining to overwrite leaves the file and the dialog open.
    prompt.fileNames = { out };
    prompt.answers = { Answer::No };
    bool stayed = false;
    OnNextDialog([&stayed](QWidget& dialog) {
        QTest::mouseClick(dialog.findChild<QPushButton*>("OKBtn"), Qt::LeftButton);
        stayed = dialog.isVisible();
        QTest::mouseClick(dialog.findChild<QPushButton*>("CancelBtn"), Qt::LeftButton);
    });
    window->Action("VRML")->trigger();
    EXPECT_TRUE(stayed);
    EXPECT_EQ(prompt.shown.back().text, "El archivo cueva.wrl ya existe.\n¿Sobreescribir?");
    EXPECT_EQ(ReadFile(home.Path("cueva.wrl")), written);
}

TEST_F(PerspectiveWindowTest, ToolsWindowFollowsThePerspectiveAndKeepsItsPlace)
{
    TOutils_3D* tools = window->Tools3D();
    EXPECT_FALSE(tools->isVisible());
    Open();
    EXPECT_TRUE(tools->isVisible());
    EXPECT_EQ(tools->Attached(), view);
    tools->move(123, 456);
    window->Action("Planta")->trigger(); // another view is active: the tools window hides
    EXPECT_FALSE(tools->isVisible());
    EXPECT_EQ(window->Settings().Outils3DX, 123);
    EXPECT_EQ(window->Settings().Outils3DY, 456);
    window->Action("Perspectiva")->trigger();
    EXPECT_TRUE(tools->isVisible());
    EXPECT_EQ(tools->pos(), QPoint(123, 456));
    // On offscreen there is no OpenGL: the 3D box shows a placeholder, and the scene is still built.
    tools->OpenGL->setChecked(true);
    EXPECT_TRUE(view->Shown3D());
    EXPECT_FALSE(window->Action("Zoom")->isEnabled());
    ASSERT_TRUE(WaitUntil([this] { return view->Scene() != nullptr; }));
    EXPECT_GT(view->Scene()->Tubes, 10);
    // Its preview would show the 2D pages while the printout is the 3D picture.
    window->PreviewCommand();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text, QString::fromUtf8("No visualizar antes de la impresión con 3D"));
    tools->OpenGL->setChecked(false);
    EXPECT_FALSE(view->Shown3D());
    EXPECT_EQ(view->Scene(), nullptr);
    EXPECT_TRUE(window->Action("Zoom")->isEnabled());
}

TEST_F(PerspectiveWindowTest, PopupLocatesInThePerspectiveUnlessItShows3D)
{
    Open();
    window->Action("Planta")->trigger();
    TAfficheur* plan = window->ViewWindow(TAfficheur::kPlan);
    ASSERT_NE(plan, nullptr);
    plan->ShowItem(0, 0, 1);
    auto entry = [plan] {
        QMenu* menu = plan->ContextMenu();
        bool visible = false;
        for (QAction* action : menu->actions())
            if (action->text() == "Pe&rspectiva")
                visible = action->isVisible();
        delete menu;
        return visible;
    };
    EXPECT_TRUE(entry());
    view->Set3D(true);
    EXPECT_FALSE(entry());
    view->Set3D(false);
    EXPECT_TRUE(entry());
}
