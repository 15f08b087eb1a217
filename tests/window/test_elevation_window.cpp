// The elevation as a user builds it in the windows: the "&Ramal" commands on a selected gallery,
// their dialogs and refusals, the elevation window, its options and its printed pages.
#include "compute/elevation.h"
#include "model/massif.h"
#include "options/options.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/ink.h"
#include "support/sample_window.h"
#include "support/scripted_prompt.h"
#include "views/coupe.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdlib>
#include <filesystem>

using namespace ks;
using namespace ks::test;

namespace {

template <typename T> T& Child(QWidget& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return *child;
}

QPushButton& Button(QWidget& dialog, const QString& caption)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == caption)
            return *b;
    ADD_FAILURE() << caption.toStdString();
    return *dialog.findChild<QPushButton*>();
}

class ElevationWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = OpenComputedSample(home);
        ASSERT_TRUE(window->Massif() && window->Massif()->Computed);
        plan = window->OpenPlanWindow();
        massif = window->Massif();
        massif->Saved = true;
    }
    // Selects the first shot of a gallery of the current list in a view.
    void Select(TAfficheur& view, int fiche, int galerie)
    {
        view.Fiche = fiche;
        view.Galerie = galerie;
        view.Point = 1;
    }
    TGalerie& Gallery(int fiche, int galerie)
    {
        return *massif->CurrentSheets()[static_cast<std::size_t>(fiche)]
                    ->Galeries[static_cast<std::size_t>(galerie)];
    }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    TAfficheur* plan = nullptr;
    TMassif* massif = nullptr;
};

} // namespace

TEST_F(ElevationWindowTest, ANewBranchFromThePlanShowsInTheElevationWindow)
{
    // Without a selection the command says where to select.
    window->Action("Nueva")->trigger();
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_EQ(prompt.shown.back().text, QString::fromUtf8(kNeedsSelectionText));

    Select(*plan, 0, 0);
    const TGalerie& g = Gallery(0, 0);
    OnNextDialog([](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Nuevo ramal");
        Child<QRadioButton>(dialog, "Fin").setChecked(true);
        Child<QLineEdit>(dialog, "Horizontal").setText("25");
        Child<QCheckBox>(dialog, "Derecha").setChecked(false);
        Button(dialog, "Terminar").click();
    });
    ASSERT_TRUE(window->Action("Nueva")->isEnabled());
    window->Action("Nueva")->trigger();
    ASSERT_EQ(massif->ElevationPoints.size(), 1u);
    EXPECT_EQ(massif->ElevationPoints[0]->Number, g.End.Number);
    EXPECT_DOUBLE_EQ(massif->ElevationPoints[0]->ElevX, 25);
    EXPECT_TRUE(g.InElevation);
    EXPECT_FALSE(g.ElevFromStart);
    EXPECT_FALSE(g.ElevForward);
    EXPECT_FALSE(massif->Saved);

    window->Action("Alzado")->trigger();
    TAfficheur* elevation = window->ActiveView();
    ASSERT_NE(elevation, nullptr);
    EXPECT_EQ(elevation->ViewKind(), TAfficheur::kAlzado);
    ASSERT_NE(elevation->Coupe(), nullptr);
    EXPECT_TRUE(elevation->Coupe()->Viewport().Calcule);
    EXPECT_FALSE(window->Action("Rotación")->isEnabled());
    // The unrolled gallery: from its end at 25 m back to 25 m minus its horizontal length.
    double length = 0;
    for (const TVisee& v : g.Shots)
        length += v.HorizLength;
    EXPECT_NEAR(elevation->Coupe()->Viewport().XMin,
        25 - length - 0.01 * elevation->Coupe()->Viewport().Echelle, 1e-9);
    const QImage& image = elevation->Image();
    EXPECT_GT(CountInk(image, DarkerThan(128)), 20);

    // The plan's pop-up menu shows the selected gallery in the elevation window, and back.
    window->OpenPlanWindow();
    Select(*plan, 0, 0);
    auto entry = [](QMenu& menu, const char* caption) {
        for (QAction* action : menu.actions())
            if (action->text() == QString::fromUtf8(caption))
                return action;
        return static_cast<QAction*>(nullptr);
    };
    QMenu* menu = plan->ContextMenu();
    ASSERT_NE(entry(*menu, "&Alzado"), nullptr);
    EXPECT_TRUE(entry(*menu, "&Alzado")->isVisible());
    EXPECT_FALSE(entry(*menu, "&Planta")->isVisible());
    entry(*menu, "&Alzado")->trigger();
    delete menu;
    EXPECT_EQ(window->ActiveView(), elevation);
    EXPECT_EQ(elevation->Galerie, 0);
    EXPECT_EQ(elevation->Point, 1);
    Select(*plan, 0, 1); // not in the elevation
    menu = plan->ContextMenu();
    EXPECT_FALSE(entry(*menu, "&Alzado")->isVisible());
    delete menu;
}

TEST_F(ElevationWindowTest, ContinuingOffersTheCandidatesAndRemovingAsksFirst)
{
    // A gallery whose far point has several galleries not yet in the elevation.
    TElevation e(*massif);
    const auto sheets = massif->CurrentSheets();
    std::optional<std::pair<int, int>> chosen;
    std::vector<TGalleryRef> candidates;
    for (std::size_t s = 0; s < sheets.size() && !chosen; ++s)
        for (std::size_t i = 0; i < sheets[s]->Galeries.size() && !chosen; ++i) {
            TGalerie& g = *sheets[s]->Galeries[i];
            const TGalleryRef ref { sheets[s]->Ordre, static_cast<int>(i) };
            g.InElevation = true;
            g.ElevFromStart = true;
            if (!e.ContinueCandidates(ref, candidates) && candidates.size() > 1)
                chosen = std::pair { static_cast<int>(s), static_cast<int>(i) };
            g.InElevation = false;
        }
    ASSERT_TRUE(chosen);
    e.StartBranch({ sheets[chosen->first]->Ordre, chosen->second }, true, true, 0, 0);
    TAfficheur* elevation = window->OpenViewWindow(TAfficheur::kAlzado);
    Select(*elevation, chosen->first, chosen->second);

    // Cancelling the list changes nothing; choosing the second candidate hangs it.
    OnNextDialog([](QWidget& dialog) { static_cast<QDialog&>(dialog).reject(); });
    window->Action("Continuar")->trigger();
    EXPECT_EQ(Gallery(chosen->first, chosen->second).BranchCount, 0);
    EXPECT_TRUE(massif->Saved);
    OnNextDialog([](QWidget& dialog) {
        Child<QListWidget>(dialog, "Lista").setCurrentRow(1);
        static_cast<QDialog&>(dialog).accept();
    });
    window->Action("Continuar")->trigger();
    TGalerie& parent = Gallery(chosen->first, chosen->second);
    ASSERT_EQ(parent.BranchCount, 1);
    EXPECT_EQ(parent.BranchSheet[0], candidates[1].Sheet);
    EXPECT_EQ(parent.BranchGallery[0], candidates[1].Gallery);
    EXPECT_EQ(elevation->Galerie, candidates[1].Gallery) << "the new gallery is the selection";

    // "Re&tirar" asks first; No keeps the branch.
    Select(*elevation, chosen->first, chosen->second);
    prompt.answers = { Answer::No };
    window->Action("Retirar")->trigger();
    EXPECT_TRUE(parent.InElevation);
    prompt.answers = { Answer::Ok };
    window->Action("Retirar")->trigger();
    EXPECT_EQ(prompt.shown.back().text,
        "Esta galería y su(s) continuación(es) inferior(es) va(n) a ser eliminada(s) del alzado");
    EXPECT_FALSE(parent.InElevation);
    EXPECT_TRUE(massif->ElevationPoints.empty());
    EXPECT_FALSE(elevation->Coupe()->Viewport().Calcule);
}

TEST_F(ElevationWindowTest, TheAssistantBuildsTheLongestBranchAndTheOptionsAddAVerticalScale)
{
    // An empty elevation says, over the whole window, how to start a branch.
    TAfficheur* shown = window->OpenViewWindow(TAfficheur::kAlzado);
    ASSERT_NE(shown, nullptr);
    EXPECT_GT(shown->ImageWidget()->width(), 500);
    auto ink = [shown] { return CountInk(shown->Image(), DarkerThan(160)); };
    EXPECT_GT(ink(), 100);
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        window->grab().save(QString::fromUtf8(folder) + "/elevation-empty.png");

    OnNextDialog([](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Asistente de construcción de alzado"));
        Child<QLineEdit>(dialog, "PartidaNombre").setText("E");
        Child<QLineEdit>(dialog, "PartidaIndice").setText("1");
        Child<QPushButton>(dialog, "Largo").click();
        EXPECT_EQ(Child<QLineEdit>(dialog, "LlegadaNombre").text(), "V");
        Child<QPushButton>(dialog, "Construir").click();
    });
    window->Action("Approfondir")->trigger();
    ASSERT_EQ(massif->ElevationPoints.size(), 1u);
    EXPECT_FALSE(massif->Saved);
    // What was built is shown whole, at the scale that fits it.
    EXPECT_GT(shown->Coupe()->Viewport().Echelle, 100);
    EXPECT_FALSE(shown->HorizontalBar()->isEnabled());
    EXPECT_FALSE(shown->VerticalBar()->isEnabled());
    EXPECT_GT(ink(), 20);
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        window->grab().save(QString::fromUtf8(folder) + "/elevation-fitted.png");

    // A vertical scale added in the options and kept on "Validar"; "Deshacer" keeps nothing.
    prompt.inputAnswers = { QStringLiteral("Pozo") };
    OnNextDialog([](QWidget& dialog) {
        Child<QPushButton>(dialog, "Agregar").click();
        Child<QLineEdit>(dialog, "Nom_Verticale").setText("E");
        Child<QLineEdit>(dialog, "Indice_Verticale").setText("1");
        Child<QLineEdit>(dialog, "ZMin_Verticale").setText("-50");
        Child<QPushButton>(dialog, "Validar").click();
    });
    window->Action("Formato/Alzado")->trigger();
    TAfficheur* elevation = window->OpenViewWindow(TAfficheur::kAlzado);
    ASSERT_NE(elevation, nullptr);
    const TOptions_Coupe& kept = *window->Context().Coupe;
    ASSERT_EQ(kept.NbVerticales, 1);
    EXPECT_EQ(kept.Verticales[0].Nom_Echelle, "Pozo");
    EXPECT_EQ(kept.Verticales[0].Nom_Verticale, "E");
    EXPECT_EQ(kept.Verticales[0].ZMin_Verticale, -50);
    prompt.inputAnswers = { QStringLiteral("Otra") };
    OnNextDialog([](QWidget& dialog) {
        Child<QPushButton>(dialog, "Agregar").click();
        Child<QPushButton>(dialog, "Deshacer").click();
    });
    window->Action("Formato/Alzado")->trigger();
    EXPECT_EQ(kept.NbVerticales, 1);

    // Printed to a PDF file: pages of the elevation.
    QPrinter& printer = window->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(home.Path("alzado.pdf")));
    window->PrintCommand();
    EXPECT_GE(prompt.printMaxPage, 1);
    EXPECT_EQ(ReadFile(home.Path("alzado.pdf")).rfind("%PDF", 0), 0u);
}

TEST_F(ElevationWindowTest, TheTableWindowSortsFitsAColumnAndPrints)
{
    window->Action("Tabla")->trigger();
    TAfficheur* table = window->ActiveView();
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->ViewKind(), TAfficheur::kTabla);
    EXPECT_FALSE(window->Action("Zoom")->isEnabled());
    EXPECT_FALSE(window->EchelleBox()->isEnabled());
    ASSERT_TRUE(window->Action("Ordenar")->isEnabled());
    EXPECT_TRUE(window->Action("Orden de captura")->isChecked());
    window->Action("Fecha")->trigger();
    EXPECT_EQ(window->Context().TableOrder, 1);
    EXPECT_FALSE(window->Action("Orden de captura")->isChecked());

    // A double click on the first column gives it the width of its widest text.
    const int before = window->Context().Tableau->Largeur_Colonne[0];
    QTest::mouseDClick(table->ImageWidget(), Qt::LeftButton, {}, QPoint(10, 100));
    EXPECT_NE(window->Context().Tableau->Largeur_Colonne[0], before);

    // The plan has no "Ordenar"; its selection shows in the table.
    window->OpenPlanWindow();
    EXPECT_FALSE(window->Action("Ordenar")->isEnabled());
    Select(*plan, 3, 0);
    QMenu* menu = plan->ContextMenu();
    QAction* locate = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "&Tabla")
            locate = action;
    ASSERT_NE(locate, nullptr);
    ASSERT_TRUE(locate->isVisible());
    locate->trigger();
    delete menu;
    EXPECT_EQ(window->ActiveView(), table);
    EXPECT_EQ(table->Fiche, 3);
    window->Action("Tabla")->trigger();
    QPrinter& printer = window->Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(home.Path("tabla.pdf")));
    window->PrintCommand();
    EXPECT_EQ(ReadFile(home.Path("tabla.pdf")).rfind("%PDF", 0), 0u);
}
