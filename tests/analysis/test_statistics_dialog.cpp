// "Estadísticas" from the main window, and its rose.
#include "analysis/ui/screening_dialog.h"
#include "analysis/ui/search_dialogs.h"
#include "analysis/ui/statistics_dialog.h"
#include "compute/reduction.h"
#include "entry/ui/sheet_editor.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

using namespace ks;
using namespace ks::test;

namespace {

// The folder `home` with a copy of the sample as cueva.mas.
QString WithSample(const TempDir& home)
{
    WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
    return QString::fromStdString(home.Path(""));
}

// The main window on a copy of the sample, computing only when asked.
struct SampleWindow
{
    SampleWindow()
    {
        window.Action("Automático")->setChecked(false);
        window.OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
    }
    TempDir home;
    ScriptedPrompt prompt;
    TMainWindow window { WithSample(home) };
};

} // namespace

TEST(StatisticsDialog, ShowsTheTotalsOfTheCurrentSheetsAndTheirRose)
{
    SampleWindow sample;
    TMainWindow& window = sample.window;
    // Two sheets isolated: the totals are theirs.
    std::vector<TFiche*> two = { window.Massif()->Sheets[0].get(), window.Massif()->Sheets[1].get() };
    window.Massif()->Isolate(two);
    bool rose = false;
    OnNextDialog([&rose](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Estadísticas"));
        EXPECT_EQ(dialog.findChild<QLabel*>("Fichas")->text(), "Nombre de la ficha :2");
        EXPECT_TRUE(dialog.findChild<QLabel*>("Superior")
                        ->text()
                        .startsWith(QString::fromUtf8("Altitud superior (m) :")));
        OnNextDialog([&rose, &dialog](QWidget& shown) {
            auto* roseWindow = dynamic_cast<TRoseWindow*>(&shown);
            ASSERT_NE(roseWindow, nullptr);
            EXPECT_EQ(shown.windowTitle(), "Rosa de los vientos");
            EXPECT_GT(roseWindow->Rose().Counted, 0);
            QWidget* drawing = shown.findChild<QWidget*>("Rosa");
            roseWindow->ShowPie(QPoint(drawing->width() / 2, 0)); // straight up: north
            EXPECT_TRUE(roseWindow->Status()->currentMessage().startsWith(QString::fromUtf8("000°-> ")));
            rose = true;
            shown.close();
            dialog.close();
        });
        dialog.findChild<QPushButton*>("Roseton")->click();
    });
    window.Action("Estadísticas")->trigger();
    EXPECT_TRUE(rose);
}

TEST(SearchDialogs, IsolatingTheSheetsFoundByDate)
{
    SampleWindow sample;
    TMainWindow& window = sample.window;
    TMassif& massif = *window.Massif();

    // "&Todo excepto ..." on empty criteria finds nothing and keeps the dialog open; then July 1998.
    OnNextDialog([](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Búsqueda"));
        dialog.findChild<QPushButton*>("Excepto")->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.findChild<QRadioButton*>("El")->setChecked(true);
        dialog.findChild<QLineEdit*>("Fecha1")->setText("  /07/98");
        OnNextDialog([](QWidget& choice) {
            EXPECT_EQ(choice.windowTitle(), QString::fromUtf8("Selección de varias fichas"));
            EXPECT_EQ(choice.findChild<QListWidget*>("Propuestas")->count(), 2);
            EXPECT_FALSE(choice.findChild<QPushButton*>("Volver")->isEnabled());
            choice.findChild<QPushButton*>("Todos")->click();
            EXPECT_TRUE(choice.findChild<QPushButton*>("Volver")->isEnabled());
            choice.findChild<QPushButton*>("Terminar")->click();
        });
        dialog.findChild<QPushButton*>("Buscar")->click();
    });
    window.Action("Aislar")->trigger();
    EXPECT_EQ(sample.prompt.shown.front().text, "No hay una ficha correspondiente");
    ASSERT_TRUE(massif.SelectionActive);
    ASSERT_EQ(massif.CurrentSheets().size(), 2u);
    EXPECT_EQ(massif.CurrentSheets()[0]->Ordre, 1);
    EXPECT_TRUE(window.Action("Recuperar")->isEnabled());
    EXPECT_EQ(window.StatusPanel()->text(), QString::fromUtf8("Selección"));
}

TEST(SearchDialogs, FindingOneSheetOpensItInTheEditor)
{
    SampleWindow sample;
    TMainWindow& window = sample.window;
    QString editorTitle;
    OnNextDialog([&editorTitle](QWidget& dialog) {
        dialog.findChild<QLineEdit*>("Nombre")->setText("e");
        dialog.findChild<QLineEdit*>("Indice")->setText("1");
        OnNextDialog([&editorTitle](QWidget& choice) {
            EXPECT_EQ(choice.windowTitle(), QString::fromUtf8("Selección simple"));
            EXPECT_EQ(choice.findChild<QTableWidget*>("Proposicion")->rowCount(), 1);
            // The sheet editor comes up on the sheet found.
            OnNextDialog([&editorTitle](QWidget& editor) {
                editorTitle = editor.windowTitle();
                editor.close();
            });
            choice.findChild<QPushButton*>("Validar")->click();
        });
        dialog.findChild<QPushButton*>("Buscar")->click();
    });
    window.Action("Buscar una ficha")->trigger();
    EXPECT_FALSE(editorTitle.isEmpty());
}

TEST(SearchDialogs, TheExplorersPropertiesOfAFolderAreItsStatistics)
{
    SampleWindow sample;
    TMainWindow& window = sample.window;
    TExploreur* explorer = window.Explorer();
    ASSERT_NE(explorer, nullptr);
    QTreeWidgetItem* system = explorer->Tree()->topLevelItem(0)->child(0); // "Sistema del Mortero"
    ASSERT_NE(system, nullptr);
    explorer->Tree()->setCurrentItem(system);
    QMenu* menu = explorer->PopupMenu(true);
    QAction* properties = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "Propie&dades ...")
            properties = action;
    ASSERT_NE(properties, nullptr);
    ASSERT_TRUE(properties->isVisible());
    QString sheets;
    OnNextDialog([&sheets](QWidget& dialog) {
        sheets = dialog.findChild<QLabel*>("Fichas")->text();
        dialog.close();
    });
    properties->trigger();
    delete menu;
    EXPECT_EQ(sheets, "Nombre de la ficha :12") << "the twelve sheets of the first system";
}

TEST(SearchDialogs, ThePreviewPicksTheNearestGallery)
{
    TMassif massif;
    for (int i = 0; i < 2; ++i) {
        auto sheet = std::make_unique<TFiche>();
        auto g = MakeGallery("A", i + 1, "B", i + 1, 3);
        g->Start.X = 100 * i; // the second sheet's gallery lies 100 m east
        g->End.X = g->Start.X + g->X;
        g->End.Y = g->Start.Y + g->Y;
        g->Positioned = true;
        g->PlaceStations();
        sheet->Galeries.push_back(std::move(g));
        massif.AddSheet(std::move(sheet), false);
    }
    TSearchPreview preview(massif.CurrentSheets());
    preview.resize(500, 400);
    preview.show();
    preview.Fit();
    const TGalerie& second = *massif.Sheets[1]->Galeries[0];
    const QPointF near = preview.ToScreen(second.Stations[0].X, second.Stations[0].Y + 0.5);
    ASSERT_TRUE(preview.PickAt(near.toPoint()));
    EXPECT_EQ(preview.Picked().Sheet, massif.Sheets[1].get());
    EXPECT_EQ(preview.Picked().Gallery, 0);
    EXPECT_TRUE(preview.findChild<QPushButton*>("Tomar")->isEnabled());
    const QPointF west = preview.ToScreen(-5, 0);
    ASSERT_TRUE(preview.PickAt(west.toPoint()));
    EXPECT_EQ(preview.Picked().Sheet, massif.Sheets[0].get());
}

TEST(Exports, ThePlotterTextOfTheCurrentSheets)
{
    SampleWindow sample;
    TMainWindow& window = sample.window;
    sample.prompt.fileNames = { QString::fromStdString(sample.home.Path("plano")) };
    window.Action("HPGL")->trigger();
    const std::string text = ReadFile(sample.home.Path("plano.plt"));
    EXPECT_EQ(text.rfind("Z ", 0), 0u);
    EXPECT_NE(text.find("\r\nNT19 D "), std::string::npos) << "twenty surveys";
    // An existing file is replaced only on Yes.
    WriteFile(sample.home.Path("plano.plt"), "older");
    sample.prompt.fileNames = { QString::fromStdString(sample.home.Path("plano.plt")) };
    sample.prompt.answers = { Answer::No };
    window.Action("HPGL")->trigger();
    EXPECT_EQ(ReadFile(sample.home.Path("plano.plt")), "older");
}

// "Errores de cierre" lists the loops and the suspects; a double click hands the suspect to the
// main window, which opens its sheet at the suspect cell; the lists are made again after it.
TEST(ScreeningDialog, ListsAndOpensTheSuspectShot)
{
    TempDir home;
    auto triangle = MakeTriangle(14.142, 245); // 245: meant 225
    TMassif& massif = *triangle;
    for (const auto& s : massif.Sheets)
        ReduceSheet(*s, 0);
    std::atomic<int> runs { 0 };
    std::vector<TSuspect> opened;
    TScreeningDialog dialog(
        [&](const std::atomic<bool>* stop) {
            ++runs;
            return Screen(massif, TInstrumentErrors(), stop);
        },
        [&](const TSuspect& s) { opened.push_back(s); });
    ASSERT_TRUE(WaitUntil([&dialog] { return !dialog.Running(); }));
    EXPECT_FALSE(dialog.StopButton()->isEnabled());
    EXPECT_EQ(dialog.Loops()->rowCount(), 1);
    ASSERT_GT(dialog.Suspects()->rowCount(), 0);
    EXPECT_TRUE(dialog.Suspects()->item(0, 4)->text().contains(QStringLiteral("245")));
    dialog.OpenSuspect(0);
    ASSERT_EQ(opened.size(), 1u);
    ASSERT_TRUE(WaitUntil([&dialog] { return !dialog.Running(); }));
    EXPECT_EQ(runs, 2);
    // A raised stop flag ends the search with nothing listed.
    std::atomic<bool> stop { true };
    EXPECT_TRUE(Screen(massif, TInstrumentErrors(), &stop).Stopped);

    // The editor shows the shot's cell: gallery 2, shot 1, its azimuth.
    TPreference_Ecran preferences;
    TMultPageDlg editor(massif, preferences, QString::fromStdString(home.Path("")), massif.Sheets[0].get());
    editor.ShowShot(opened[0].Where.Gallery, opened[0].Shot, kColAzimuth);
    EXPECT_EQ(editor.Pages()->currentIndex(), 1);
    const int row = editor.Grid()->currentRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(editor.Model().Rows[static_cast<std::size_t>(row)].kind, TSheetModel::Kind::Shot);
    EXPECT_EQ(editor.Grid()->currentColumn(), editor.Model().ColumnOf(kColAzimuth) + 1); // after the marker
    EXPECT_EQ(editor.Grid()->item(row, editor.Grid()->currentColumn())->text(), QStringLiteral("245"));
}
