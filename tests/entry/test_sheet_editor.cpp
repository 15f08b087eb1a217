#include "entry/ui/entry_dialogs.h"
#include "entry/ui/sheet_editor.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdlib>
#include <functional>

using namespace ks;
using namespace ks::test;

namespace {

std::string kSampleForTests()
{
    return kSample;
}

// Answers the next modal dialog when it shows.
void OnNextDialog(const std::function<void(QWidget*)>& answer)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || dialog->property("answered").toBool())
            return;
        dialog->setProperty("answered", true);
        poll->stop();
        poll->deleteLater();
        answer(dialog);
    });
    poll->start(10);
}

// A station dialog: a survey station, or the final point with "Punto &final".
void Station(QWidget* dialog, const QString& name, int number, const char* button = "Validar")
{
    dialog->findChild<QRadioButton*>("PuntoTopo")->setChecked(true);
    dialog->findChild<QComboBox*>("Nom")->setEditText(name);
    dialog->findChild<QLineEdit*>("Indice")->setText(QString::number(number));
    QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
}

void Type(QTableWidget* grid, int row, int column, const QString& text)
{
    grid->item(row, column)->setText(text);
    QCoreApplication::processEvents();
}

// Grid columns in the default layout: 0 marker, 1 station, 2 length, 3 unit, 4 azimuth, 5 unit,
// 6 inclination, 7 unit, 8 and 9 widths, 10 unit, 11 height, 12 unit, 13 sketch, 14 comment.
void TypeShot(QTableWidget* grid, int row, const char* length, const char* azimuth, const char* inclination)
{
    Type(grid, row, 2, length);
    Type(grid, row, 4, azimuth);
    Type(grid, row, 6, inclination);
}

void Screenshot(QWidget& widget, const char* name)
{
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        widget.grab().save(QString::fromUtf8(folder) + "/" + name);
}

} // namespace

TEST(SheetEditorWindow, TypingTwoGalleriesWithAJunctionAndValidating)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMassif massif;
    TPreference_Ecran preferences;
    TMultPageDlg editor(massif, preferences, QString::fromStdString(home.Path("")), nullptr);
    std::unique_ptr<TFiche> validated;
    editor.OnValidated = [&](std::unique_ptr<TFiche> sheet, TFiche* old) {
        EXPECT_EQ(old, nullptr);
        validated = std::move(sheet);
    };
    editor.show();
    EXPECT_EQ(editor.windowTitle(), "Ficha topográfica");
    EXPECT_EQ(editor.Pages()->currentIndex(), 0); // a new sheet opens on its information
    QTest::keyClicks(editor.Field("Sistema"), "Sistema del Mortero");
    QTest::keyClicks(editor.Field("Cavidad"), "Cueva Nueva");
    editor.Field("Fecha")->setText(" 3/ 1/99");
    QTest::keyClicks(editor.Surveyors(), "Ana Ruiz");

    QTableWidget* grid = editor.Grid();
    editor.Pages()->setCurrentIndex(1);
    EXPECT_EQ(grid->columnCount(), 15);
    EXPECT_EQ(grid->item(0, 0)->text(), "|->");
    EXPECT_EQ(grid->item(0, 1)->text(), "Final");
    // The first start station, by double-clicking it.
    grid->setCurrentCell(0, 1);
    OnNextDialog([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Punto de partida");
        Station(d, "N", 0);
    });
    editor.EditarPunto();
    EXPECT_EQ(grid->item(0, 1)->text(), "N(0)");
    TypeShot(grid, 1, "10", "90", "0"); // typing in the spare row adds shot rows
    TypeShot(grid, 2, "5", "0", "0");
    EXPECT_EQ(grid->item(2, 0)->text(), "2");
    EXPECT_EQ(grid->item(2, 3)->text(), "m"); // the default unit

    // A junction at row 3: end N(2), start N(2), then the next gallery's information.
    grid->setCurrentCell(3, 2);
    OnNextDialog([](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Punto de llegada");
        Station(d, "N", 2);
        OnNextDialog([](QWidget* d2) {
            EXPECT_EQ(d2->windowTitle(), "Punto de partida");
            Station(d2, "N", 2);
            OnNextDialog([](QWidget* d3) {
                d3->findChild<QLineEdit*>("Texte")->setText("Ramal sur");
                QTest::mouseClick(d3->findChild<QPushButton*>("Validar"), Qt::LeftButton);
            });
        });
    });
    editor.NuevoPunto();
    EXPECT_EQ(grid->item(3, 0)->text(), "->|");
    EXPECT_EQ(grid->item(4, 0)->text(), "|->");
    EXPECT_EQ(grid->item(4, 1)->text(), "N(2)");
    TypeShot(grid, 5, "4", "180", "30");

    // The final point at row 6.
    grid->setCurrentCell(6, 2);
    OnNextDialog([](QWidget* d) { Station(d, "N", 3, "PuntoFinal"); });
    editor.NuevoPunto();
    EXPECT_EQ(grid->item(6, 0)->text(), "->|");
    EXPECT_EQ(grid->item(6, 1)->text(), "N(3)");
    Screenshot(editor, "sheet-editor-grid.png");

    ASSERT_TRUE(editor.Terminar());
    ASSERT_NE(validated, nullptr);
    EXPECT_EQ(validated->Date, "03/01/99");
    EXPECT_EQ(validated->Systeme.Get(), "Sistema del Mortero");
    ASSERT_EQ(validated->Galeries.size(), 2u);
    EXPECT_EQ(validated->Galeries[1]->Name.Get(), "Ramal sur");
    EXPECT_NEAR(validated->Galeries[0]->X, 10, 1e-9);
    EXPECT_NEAR(validated->Galeries[1]->Z, 2, 1e-9);
    EXPECT_EQ(validated->Surveyors.size(), 1u);
}

TEST(SheetEditorWindow, RefusalSelectsTheCellAndNothingIsLost)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMassif massif;
    massif.FileName = kSampleForTests();
    TPreference_Ecran preferences;
    massif.Load();
    TFiche* sheet = massif.Sheets[0].get();
    const std::string before = sheet->Galeries[0]->Name.Get();
    TMultPageDlg editor(massif, preferences, QString::fromStdString(home.Path("")), sheet);
    bool called = false;
    editor.OnValidated = [&](std::unique_ptr<TFiche>, TFiche*) { called = true; };
    editor.show();
    EXPECT_EQ(editor.Pages()->currentIndex(), 1);
    QTableWidget* grid = editor.Grid();
    Type(grid, 3, 6, "95"); // an inclination beyond 90°
    EXPECT_FALSE(editor.Terminar());
    EXPECT_FALSE(called);
    EXPECT_EQ(prompt.shown.back().text, "La inclinación debe de ser inferior a 90°.");
    EXPECT_EQ(grid->currentRow(), 3);
    EXPECT_EQ(grid->currentColumn(), 6);
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS")) {
        QMessageBox box(
            QMessageBox::Warning, "Ficha topográfica", prompt.shown.back().text, QMessageBox::Ok, &editor);
        box.show();
        QCoreApplication::processEvents();
        box.grab().save(QString::fromUtf8(folder) + "/sheet-editor-refusal.png");
    }
    EXPECT_EQ(massif.Sheets[0]->Galeries[0]->Name.Get(), before);

    // Closing a modified sheet warns first.
    prompt.answers = { Answer::No };
    editor.Deschacer();
    EXPECT_EQ(prompt.shown.back().text, "Las modificaciones se van a perder.");
    EXPECT_TRUE(editor.isVisible());
    prompt.answers = { Answer::Ok };
    editor.Deschacer();
    EXPECT_FALSE(editor.isVisible());
}

TEST(SheetEditorWindow, TabGoesFromReadingToReadingAndUnitCellsTakeOnlyUnits)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMassif massif;
    massif.FileName = kSampleForTests();
    massif.Load();
    TPreference_Ecran preferences;
    TMultPageDlg editor(massif, preferences, QString::fromStdString(home.Path("")), massif.Sheets[0].get());
    editor.show();
    QTableWidget* grid = editor.Grid();
    grid->setCurrentCell(3, 2); // a length
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->currentColumn(), 4) << "past the length's unit to the azimuth";
    QTest::keyClick(grid, Qt::Key_Backtab);
    EXPECT_EQ(grid->currentColumn(), 2);

    const QString unit = grid->item(3, 3)->text();
    Type(grid, 3, 3, "5"); // a reading typed in a unit cell is not taken
    EXPECT_EQ(grid->item(3, 3)->text(), unit);
    Type(grid, 3, 3, "CM");
    EXPECT_EQ(grid->item(3, 3)->text(), "cm") << "a unit typed in any case, as offered";

    grid->setCurrentCell(3, 6);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(grid->item(3, 6)->text(), "");
    EXPECT_EQ(editor.Model().Rows[3].cells[5], "");
}

TEST(SheetEditorWindow, TerminarWithoutChangesClosesAtOnce)
{
    TempDir home;
    ScriptedPrompt prompt;
    TMassif massif;
    massif.FileName = kSampleForTests();
    massif.Load();
    TPreference_Ecran preferences;
    TMultPageDlg editor(massif, preferences, QString::fromStdString(home.Path("")), massif.Sheets[2].get());
    bool called = false;
    editor.OnValidated = [&](std::unique_ptr<TFiche>, TFiche*) { called = true; };
    EXPECT_TRUE(editor.Terminar());
    EXPECT_FALSE(called);
    EXPECT_TRUE(prompt.shown.empty());

    // A change of the declination unit alone is a change: validated, not thrown away.
    TMultPageDlg unit(massif, preferences, QString::fromStdString(home.Path("")), massif.Sheets[2].get());
    std::unique_ptr<TFiche> validated;
    unit.OnValidated = [&](std::unique_ptr<TFiche> sheet, TFiche*) { validated = std::move(sheet); };
    unit.DeclinationUnit()->setCurrentText("gr");
    EXPECT_TRUE(unit.Terminar());
    ASSERT_NE(validated, nullptr);
    EXPECT_EQ(validated->DeclUnit, kGrades);
}

TEST(SheetEditorWindow, FromTheMainWindowToAComputedPlan)
{
    TempDir home;
    WriteFile(home.Path("cueva.fic"), "");
    ScriptedPrompt prompt;
    TMassif sample;
    sample.FileName = kSampleForTests();
    sample.Load();
    sample.Save(home.Path("cueva.fic"));
    TMainWindow window(QString::fromStdString(home.Path("")));
    window.OpenMassif(QString::fromStdString(home.Path("cueva.fic")));
    ASSERT_TRUE(WaitUntil([&] { return !window.Computation().Running() && window.Massif()->Computed; }));
    TFiche* first = window.Massif()->Sheets[0].get();
    const std::int32_t ordre = first->Ordre;

    // Change a comment of the first sheet and validate: the sheet is replaced, keeping its Ordre.
    OnNextDialog([](QWidget* d) {
        auto* editor = static_cast<TMultPageDlg*>(d);
        Type(editor->Grid(), 1, 14, "cambiado");
        EXPECT_TRUE(editor->Terminar());
    });
    window.OpenSheetEditor(first);
    EXPECT_EQ(window.Massif()->Sheets.back()->Ordre, ordre);
    EXPECT_EQ(window.Massif()->Sheets.back()->Galeries[0]->Shot(1).Comment.Get(), "cambiado");
    EXPECT_FALSE(window.Massif()->Saved);
    ASSERT_TRUE(WaitUntil([&] { return !window.Computation().Running() && window.Massif()->Computed; }));
    EXPECT_TRUE(window.Massif()->Sheets.back()->Galeries[0]->Positioned);

    // "&Guardar en el disco" keeps the unfinished sheet in the binary file; opening it brings the
    // editor back on it.
    OnNextDialog([](QWidget* d) {
        auto* editor = static_cast<TMultPageDlg*>(d);
        Type(editor->Grid(), 1, 14, "a medias");
        editor->findChildren<QMenuBar*>().isEmpty();
        for (QAction* action : editor->findChildren<QAction*>())
            if (action->text() == "&Guardar en el disco")
                action->trigger();
        editor->Model().Modified = false;
        editor->Terminar();
    });
    window.OpenSheetEditor(window.Massif()->Sheets[1].get());
    TMassif saved;
    saved.FileName = home.Path("cueva.fic");
    saved.Load();
    ASSERT_TRUE(saved.EditorWork.has_value());
    EXPECT_NE(std::find(saved.EditorWork->Cells.begin(), saved.EditorWork->Cells.end(), "a medias"),
        saved.EditorWork->Cells.end());

    bool reopened = false;
    OnNextDialog([&reopened](QWidget* d) {
        auto* editor = static_cast<TMultPageDlg*>(d);
        reopened = editor->Grid()->item(1, 14)->text() == "a medias";
        editor->Model().Modified = false;
        editor->Terminar();
    });
    window.OpenMassif(QString::fromStdString(home.Path("cueva.fic")));
    ASSERT_TRUE(WaitUntil([&] { return reopened; }, 5000));
}

TEST(SurveyorChooser, MovesAndMissingFile)
{
    TempDir home;
    const QString file = QString::fromStdString(home.Path("EXPLORAT.TXT"));
    {
        TExplorateur missing(file);
        EXPECT_EQ(missing.Fuente->count(), 0); // created empty
    }
    EXPECT_TRUE(QFile::exists(file));
    WriteFile(home.Path("EXPLORAT.TXT"), "Pau Soler\nAna Ruiz\nLuc Martin\n");
    TExplorateur chooser(file);
    ASSERT_EQ(chooser.Fuente->count(), 3);
    EXPECT_EQ(chooser.Fuente->item(0)->text(), "Ana Ruiz"); // sorted
    EXPECT_FALSE(chooser.Remove->isEnabled());
    chooser.Fuente->item(1)->setSelected(true);
    chooser.Move(true, false);
    EXPECT_EQ(chooser.Chosen(), QStringList({ "Luc Martin" }));
    EXPECT_EQ(chooser.Fuente->currentRow(), 1);
    chooser.Move(true, true);
    EXPECT_EQ(chooser.Chosen().size(), 3);
    EXPECT_FALSE(chooser.Add->isEnabled());
    EXPECT_TRUE(chooser.RemoveAll->isEnabled());
}

TEST(SurveyorChooser, ReadsUtf8OrWindowsTextAndSortsIgnoringCase)
{
    TempDir home;
    const QString file = QString::fromStdString(home.Path("EXPLORAT.TXT"));
    // As a desktop editor saves it: UTF-8 with a byte-order mark.
    WriteFile(home.Path("EXPLORAT.TXT"), "\xEF\xBB\xBFnúria Vidal\nÁlvaro Gil\nMarta López\n");
    {
        TExplorateur chooser(file);
        ASSERT_EQ(chooser.Fuente->count(), 3);
        EXPECT_EQ(chooser.Fuente->item(0)->text(), "Marta López");
        EXPECT_EQ(chooser.Fuente->item(1)->text(), "núria Vidal"); // lower case sorts among the rest
        EXPECT_EQ(chooser.Fuente->item(2)->text(), "Álvaro Gil");
    }
    // As the older tools wrote it: Windows-1252.
    WriteFile(home.Path("EXPLORAT.TXT"),
        "Jos\xE9 Pe\xF1"
        "a\nandr\xE9s Ib\xE1\xF1"
        "ez\n");
    TExplorateur chooser(file);
    ASSERT_EQ(chooser.Fuente->count(), 2);
    EXPECT_EQ(chooser.Fuente->item(0)->text(), "andrés Ibáñez");
    EXPECT_EQ(chooser.Fuente->item(1)->text(), "José Peña");
    chooser.Fuente->item(0)->setSelected(true);
    chooser.Move(true, false);
    chooser.Fuente->item(0)->setSelected(true);
    chooser.Move(true, false);
    EXPECT_EQ(chooser.Chosen(), QStringList({ "andrés Ibáñez", "José Peña" }));
}

TEST(PreferencesDialog, OrderAndUnits)
{
    TPreference_Ecran preferences;
    TPreferencesDialog dialog(preferences);
    EXPECT_FALSE(dialog.Up->isEnabled());
    dialog.Groups->setCurrentRow(6); // "Croquis"
    dialog.MoveUp();
    dialog.MoveUp();
    dialog.MoveUp();
    dialog.MoveUp();
    dialog.MoveUp();
    EXPECT_EQ(dialog.Groups->currentRow(), 1);
    EXPECT_FALSE(dialog.Up->isEnabled()); // "Punto topo" stays first
    dialog.Groups->setCurrentRow(3); // "Rumbo"
    dialog.Unit->setEditText("GR");
    dialog.Groups->setCurrentRow(4); // "Inclinación"
    dialog.Unit->setEditText("grad");
    dialog.StoreInto(preferences);
    EXPECT_EQ(preferences.Columns[1].Title, "Croquis");
    EXPECT_EQ(preferences.Azimuth.Unit, "gr");
    EXPECT_EQ(preferences.Inclination.Unit, "\xB0"); // "grad" is no unit: the old one stays

    // Shown again, the list starts from the stored order: validating unchanged keeps it.
    TPreferencesDialog again(preferences);
    EXPECT_EQ(again.Groups->item(1)->text(), "Croquis");
    EXPECT_EQ(again.Groups->item(2)->text(), "Longitud");
    again.StoreInto(preferences);
    EXPECT_EQ(preferences.Columns[1].Title, "Croquis");
    EXPECT_EQ(preferences.Columns[2].Title, "Longitud");
}
