// "Estadísticas" from the main window, and its rose.
#include "analysis/ui/statistics_dialog.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

using namespace ks;
using namespace ks::test;

TEST(StatisticsDialog, ShowsTheTotalsOfTheCurrentSheetsAndTheirRose)
{
    TempDir home;
    ScriptedPrompt prompt;
    WriteFile(home.Path("cueva.mas"), ReadFile(std::string(KARST_SOURCE_DIR) + "/data/samples/sample.mas"));
    TMainWindow window(QString::fromStdString(home.Path("")));
    window.Action("Automático")->setChecked(false);
    window.OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
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
