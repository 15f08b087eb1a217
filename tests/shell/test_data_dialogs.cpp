#include "compute/ui/declination_dialog.h"
#include "compute/ui/reference_dialog.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest/QTest>

using namespace ks;
using namespace ks::test;

namespace {

void SetCell(QTableWidget* grid, int row, int column, const QString& text)
{
    grid->setItem(row, column, new QTableWidgetItem(text));
}

} // namespace

TEST(ReferenceDialog, ShowsPointsInKilometresAndRefusesBadValues)
{
    ScriptedPrompt prompt;
    std::vector<std::unique_ptr<TPointTopo>> refs;
    refs.push_back(std::make_unique<TPointTopo>());
    refs[0]->Name.Set("E");
    refs[0]->Number = 0;
    refs[0]->X = 880.236;
    refs[0]->Y = 4790.25;
    refs[0]->Z = 1250.5;
    TReferenceDialog dialog(refs);
    QTableWidget* grid = dialog.Grid();
    EXPECT_EQ(dialog.windowTitle(), "Puntos de referencia");
    EXPECT_GE(grid->rowCount(), 10);
    EXPECT_EQ(grid->item(0, 3)->text(), "880.236");
    EXPECT_EQ(grid->item(0, 5)->text(), "1250.5");

    SetCell(grid, 1, 1, "V");
    SetCell(grid, 1, 2, "3");
    SetCell(grid, 1, 3, "880.3");
    SetCell(grid, 1, 4, "abc");
    SetCell(grid, 1, 5, "1300");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(prompt.shown.back().text, "El valor no es correcto");
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 4);
    SetCell(grid, 1, 4, "4790.4");
    SetCell(grid, 1, 2, "x");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(grid->currentColumn(), 2);
    SetCell(grid, 1, 2, "3");
    ASSERT_TRUE(dialog.Validate());
    const auto points = dialog.Points();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1]->X, 880.3); // still kilometres
    EXPECT_EQ(points[1]->Number, 3);
}

TEST(ReferenceDialog, EnterWalksTheCellsAndRowsGrow)
{
    ScriptedPrompt prompt;
    std::vector<std::unique_ptr<TPointTopo>> none;
    TReferenceDialog dialog(none);
    QTableWidget* grid = dialog.Grid();
    grid->setCurrentCell(0, 5);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 1);
    const int rows = grid->rowCount();
    grid->setCurrentCell(rows - 2, 1);
    EXPECT_EQ(grid->rowCount(), rows + 1);
}

TEST(DeclinationDialog, FieldChecksInOrder)
{
    ScriptedPrompt prompt;
    TMassif m;
    TDeclinationDialog dialog(m, "/nonexistent");
    EXPECT_EQ(dialog.Valeur->text(), "0");
    EXPECT_EQ(dialog.Variation->text(), "1");
    EXPECT_EQ(dialog.Date->text(), "01/01/80");
    dialog.Valeur->setText("");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(prompt.shown.back().text, "La declinación debe de ser numérica.");
    EXPECT_EQ(prompt.shown.back().kind, MessageKind::Warning);
    dialog.Valeur->setText("2.5");
    dialog.Variation->setText("-");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(prompt.shown.back().text, "La variación de la declinación debe de ser numérica.");
    EXPECT_EQ(prompt.shown.back().kind, MessageKind::Confirmation);
    dialog.Variation->setText("0.1");
    dialog.Date->setText("01/0 /80");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(prompt.shown.back().text, "La fecha no es válida.");
    dialog.Date->setText("01/01/90");
    ASSERT_TRUE(dialog.Validate());
    EXPECT_FALSE(dialog.Store(m)); // the geodesic angle was not changed
    EXPECT_EQ(m.Origine_Declinaison, 2.5);
    EXPECT_EQ(m.Date_Declinaison, "01/01/90");
    QTest::keyClicks(dialog.Geodesique, "1a.5"); // the letter is filtered out
    EXPECT_EQ(dialog.Geodesique->text(), "01.5");
    EXPECT_TRUE(dialog.Store(m));
    EXPECT_EQ(m.Angle_Geodesique, 1.5);
}

TEST(DeclinationDialog, BlankDigitsOfAStoredDateStayInPlace)
{
    ScriptedPrompt prompt;
    TMassif m;
    m.Date_Declinaison = " 1/ 1/98";
    TDeclinationDialog dialog(m, "/nonexistent");
    EXPECT_EQ(dialog.Date->displayText(), " 1/ 1/98");
    ASSERT_TRUE(dialog.Validate());
    dialog.Store(m);
    EXPECT_EQ(m.Date_Declinaison, " 1/ 1/98");
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(ConvergenceDialog, ComputesAndAsksToKeep)
{
    ScriptedPrompt prompt;
    TConvergenceDialog dialog({ { "Lambert III", { 600, 2200 } } }, 700, 2000);
    EXPECT_EQ(dialog.Projection->currentText(), "Otro");
    dialog.Projection->setCurrentIndex(0);
    EXPECT_EQ(dialog.X->text(), "600");
    EXPECT_FALSE(dialog.X->isEnabled());
    dialog.CentreX->setText("x");
    EXPECT_FALSE(dialog.Calculate());
    EXPECT_EQ(prompt.shown.back().text, "Las coordenadas deben ser numéricas. Ejemplo 880.236");
    dialog.CentreX->setText("700");
    dialog.CentreY->setText("2000");
    prompt.answers = { Answer::No };
    EXPECT_FALSE(dialog.Calculate());
    EXPECT_EQ(prompt.shown.back().text, "La convergencia es de 26.57 °.\nConservar ?");
    prompt.answers = { Answer::Yes };
    EXPECT_TRUE(dialog.Calculate());
    EXPECT_NEAR(dialog.Result, 26.565051, 1e-6);
}

TEST(ConvergenceDialog, ProjectionTableFile)
{
    TempDir dir;
    WriteFile(dir.Path("projection.txt"), "Lambert III\t600\t3200\r\nsin datos\r\nUTM 30\t500.5\t0\r\n");
    const auto table = ReadProjections(dir.Path("projection.txt"));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1].first, "UTM 30");
    EXPECT_EQ(table[1].second.first, 500.5);
    EXPECT_TRUE(ReadProjections(dir.Path("none.txt")).empty());
}
