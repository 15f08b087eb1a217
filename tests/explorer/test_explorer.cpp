#include "app/settings.h"
#include "entry/ui/sheet_editor.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdlib>

using namespace ks;
using namespace ks::test;

namespace {

TFolder Folder(int level, std::array<std::string, 4> path = {})
{
    TFolder f;
    f.Level = level;
    f.Path = path;
    return f;
}

QStringList Column(QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

class ExplorerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
        window = std::make_unique<TMainWindow>(QString::fromStdString(home.Path("")));
        window->resize(1100, 700);
        window->Action("Automático")->setChecked(false);
        window->OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
        explorer = window->Explorer();
        ASSERT_NE(explorer, nullptr);
    }
    void TearDown() override { window.reset(); }
    const QString& Last() const { return prompt.shown.back().text; }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    TExploreur* explorer = nullptr;
};

} // namespace

TEST_F(ExplorerTest, TreeAndListOfTheSample)
{
    EXPECT_EQ(explorer->windowTitle(), "Explorar");
    QTreeWidgetItem* root = explorer->Tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "cueva");
    ASSERT_EQ(root->childCount(), 3); // two systems and the bin
    EXPECT_EQ(root->child(0)->text(0), "Sistema del Mortero");
    EXPECT_EQ(root->child(2)->text(0), "Papelera de recielaje");
    EXPECT_EQ(Column(explorer->List(), 0),
        QStringList({ "Sistema del Mortero", "Sistema de Peñas Blancas", "Papelera de recielaje" }));
    EXPECT_EQ(Column(explorer->List(), 1), QStringList({ "Sistema", "Sistema", "" }));

    ASSERT_TRUE(explorer->SelectFolder(Folder(4,
        { "Sistema del Mortero",
            "Cueva Fr\xED"
            "a",
            "Red principal",
            "Galer\xED"
            "a del R\xED"
            "o" })));
    EXPECT_EQ(Column(explorer->List(), 0), QStringList({ "02/08/98", "03/08/98" }));
    EXPECT_EQ(Column(explorer->List(), 1), QStringList({ "Ficha", "Ficha" }));
    EXPECT_EQ(explorer->List()->topLevelItem(1)->text(2), "Luc Martin/Ana Ruiz/Marta Gil");
    EXPECT_EQ(explorer->List()->headerItem()->text(2), "Topógrafos");

    // Sorting by the date column: then back the other way.
    explorer->List()->header()->sectionClicked(0);
    explorer->List()->header()->sectionClicked(0);
    EXPECT_EQ(Column(explorer->List(), 0), QStringList({ "03/08/98", "02/08/98" }));
}

TEST_F(ExplorerTest, RefusalsAndConfirmations)
{
    explorer->SelectFolder(Folder(0));
    explorer->Delete(true);
    EXPECT_EQ(Last(), "Imposible eliminar todo el macizo");
    explorer->Cut(true);
    EXPECT_EQ(Last(), "Imposible desplazar todo el macizo");
    TFolder bin;
    bin.Bin = true;
    explorer->SelectFolder(bin);
    explorer->Delete(true);
    EXPECT_EQ(Last(), "Imposible eliminar la papelera de reciclaje");
    explorer->Copy(true);
    EXPECT_EQ(Last(), "Imposible desplazar la papelera de reciclaje");
    explorer->Properties(true);
    EXPECT_EQ(Last(), "La papelera de reciclaje incuye 0 fichas.");

    explorer->SelectFolder(Folder(0));
    explorer->SelectListRow(2); // the bin entry
    explorer->Delete(false);
    EXPECT_EQ(Last(), "Imposible eliminar en la papelera de reciclaje");

    const TFolder place = Folder(4, { "Sistema del Mortero", "Sima del Viento", "Pozo", "Boca" });
    explorer->SelectFolder(place);
    explorer->SelectListRow(0);
    explorer->Rename(false, "otra");
    EXPECT_EQ(Last(), "Cambio de nombre no permitido");
    prompt.answers = { Answer::Cancel };
    explorer->Delete(false);
    EXPECT_EQ(Last(), "Enviar la ficha a la papelera de reciclaje ?");
    EXPECT_EQ(window->Massif()->Sheets.size(), 20u);
    prompt.answers = { Answer::Yes };
    explorer->Delete(false);
    EXPECT_EQ(window->Massif()->RecycleBin.size(), 1u);
    EXPECT_FALSE(window->Massif()->Saved);

    explorer->Copy(false); // nothing selected any more in the emptied place: no source
    explorer->SelectFolder(bin);
    explorer->SelectListRow(0);
    explorer->Copy(false);
    EXPECT_EQ(Last(), "Imposible desplazar desde la papelera de reciclaje");
    explorer->Restore(false);
    EXPECT_TRUE(window->Massif()->RecycleBin.empty());
    EXPECT_EQ(window->Massif()->Sheets.back()->Ordre, 21);
}

TEST_F(ExplorerTest, FolderDeleteUndoAndEmptyBin)
{
    explorer->SelectFolder(Folder(2,
        { "Sistema de Pe\xF1"
          "as Blancas",
            "Cueva del Agua" }));
    prompt.answers = { Answer::Yes };
    explorer->Delete(true);
    EXPECT_EQ(Last(), "Enviar el fichero Cueva del Agua a la papelera de reciclaje ?");
    EXPECT_EQ(window->Massif()->RecycleBin.size(), 8u);
    window->Action("Deschacer")->trigger();
    EXPECT_TRUE(window->Massif()->RecycleBin.empty());
    EXPECT_EQ(window->Massif()->Sheets.size(), 20u);

    explorer->SelectFolder(Folder(1,
        { "Sistema de Pe\xF1"
          "as Blancas" }));
    prompt.answers = { Answer::Yes, Answer::No, Answer::Yes };
    explorer->Delete(true);
    explorer->EmptyBin();
    EXPECT_EQ(Last(), "Está usted seguro de querer borrar estas fichas de 8?");
    EXPECT_EQ(window->Massif()->RecycleBin.size(), 8u);
    explorer->EmptyBin();
    EXPECT_TRUE(window->Massif()->RecycleBin.empty());
}

TEST_F(ExplorerTest, CutPasteDropAndRename)
{
    const TFolder viento = Folder(2, { "Sistema del Mortero", "Sima del Viento" });
    const TFolder penas = Folder(1,
        { "Sistema de Pe\xF1"
          "as Blancas" });
    explorer->SelectFolder(viento);
    explorer->Copy(true);
    explorer->SelectFolder(penas);
    explorer->Paste(true);
    EXPECT_EQ(window->Massif()->Sheets.size(), 24u);
    explorer->Rebuild(); // the 100 ms rebuild, now
    EXPECT_TRUE(explorer->SelectFolder(Folder(2,
        { "Sistema de Pe\xF1"
          "as Blancas",
            "Sima del Viento" })));
    window->Action("Deschacer")->trigger();
    EXPECT_EQ(window->Massif()->Sheets.size(), 20u);

    // A system dropped onto its own cave is refused; onto the other system it moves.
    explorer->SelectFolder(Folder(1, { "Sistema del Mortero" }));
    EXPECT_FALSE(explorer->Drop(true, viento));
    explorer->SelectFolder(viento);
    EXPECT_TRUE(explorer->Drop(true, penas));
    explorer->Rebuild();
    EXPECT_TRUE(explorer->SelectFolder(Folder(2,
        { "Sistema de Pe\xF1"
          "as Blancas",
            "Sima del Viento" })));
    EXPECT_FALSE(explorer->SelectFolder(viento));

    explorer->SelectFolder(Folder(2,
        { "Sistema de Pe\xF1"
          "as Blancas",
            "Sima del Viento" }));
    explorer->Rename(true, "Sima Nueva");
    explorer->Rebuild();
    EXPECT_EQ(window->Massif()->Sheets[8]->Cavite.Get(), "Sima Nueva");

    explorer->SelectFolder(Folder(4,
        { "Sistema del Mortero",
            "Cueva Fr\xED"
            "a",
            "Red norte", "Laminador" }));
    explorer->SelectListRow(0);
    explorer->Copy(false);
    explorer->SelectListRow(0);
    explorer->Paste(false);
    EXPECT_EQ(Last(), "Imposible copiar sobre una ficha");
}

TEST_F(ExplorerTest, IsolateExcludeAndNavigation)
{
    explorer->SelectFolder(Folder(2,
        { "Sistema del Mortero",
            "Cueva Fr\xED"
            "a" }));
    explorer->Isolate(true, false);
    EXPECT_TRUE(window->Massif()->SelectionActive);
    EXPECT_EQ(window->Massif()->CurrentSheets().size(), 8u);
    EXPECT_EQ(window->StatusPanel()->text(), "Selección");
    EXPECT_TRUE(window->Action("Recuperar")->isEnabled());
    window->Action("Todo")->trigger();
    explorer->Rebuild();

    explorer->SelectFolder(Folder(1, { "Sistema del Mortero" }));
    explorer->SelectFolder(Folder(2, { "Sistema del Mortero", "Sima del Viento" }));
    window->Action("Anterior")->trigger();
    EXPECT_EQ(explorer->SelectedFolder()->Level, 1);
    window->Action("Siguiente")->trigger();
    EXPECT_EQ(explorer->SelectedFolder()->Level, 2);
    window->Action("Subir un nivel")->trigger();
    EXPECT_EQ(explorer->SelectedFolder()->Text(), "Sistema del Mortero");

    QMenu* menu = explorer->PopupMenu(true);
    QStringList visible;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator())
            visible << action->text();
    EXPECT_TRUE(visible.contains("&Eliminar"));
    EXPECT_FALSE(visible.contains("&Restaurar"));
    delete menu;
}

TEST_F(ExplorerTest, BesideThePlan)
{
    window->show();
    ASSERT_TRUE(WaitUntil([this] { return window->Massif()->Computed || !window->Computation().Running(); }));
    window->Massif()->PlaceAllStations();
    window->OpenPlanWindow();
    explorer->SelectFolder(Folder(2,
        { "Sistema del Mortero",
            "Cueva Fr\xED"
            "a" }));
    window->findChild<QMdiArea*>()->tileSubWindows();
    WaitUntil([] { return false; }, 400); // the web panel draws 200 ms after the selection
    EXPECT_FALSE(explorer->WebPanel()->pixmap().isNull());
    if (const char* folder = std::getenv("KARSTELLE_SCREENSHOTS"))
        window->grab().save(QString::fromUtf8(folder) + "/explorer-and-plan.png");
}

TEST_F(ExplorerTest, NewSheetFromAFolderAndOpeningASheet)
{
    // Answers the editor when it shows.
    auto onEditor = [](const std::function<void(TMultPageDlg&)>& answer) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, answer] {
            auto* editor = dynamic_cast<TMultPageDlg*>(QApplication::activeModalWidget());
            if (!editor)
                return;
            poll->stop();
            poll->deleteLater();
            answer(*editor);
        });
        poll->start(10);
    };
    explorer->SelectFolder(Folder(3,
        { "Sistema del Mortero",
            "Cueva Fr\xED"
            "a",
            "Red norte" }));
    QStringList filled;
    onEditor([&filled](TMultPageDlg& editor) {
        for (const char* name : { "Sistema", "Cavidad", "Red", "Lugar" })
            filled << editor.Field(name)->text();
        editor.Model().Modified = false;
        editor.Terminar();
    });
    explorer->NewSheet(true);
    EXPECT_EQ(filled, QStringList({ "Sistema del Mortero", "Cueva Fría", "Red norte", "" }));

    explorer->SelectFolder(Folder(4, { "Sistema del Mortero", "Sima del Viento", "Pozo", "Boca" }));
    explorer->SelectListRow(0);
    QString date;
    onEditor([&date](TMultPageDlg& editor) {
        date = editor.Field("Fecha")->displayText();
        editor.Terminar();
    });
    explorer->Open(false);
    EXPECT_EQ(date, "05/09/02");
}

TEST_F(ExplorerTest, DeleteAsksWithYesAndCancel)
{
    explorer->SelectFolder(Folder(1, { "Sistema del Mortero" }));
    prompt.answers = { Answer::Cancel };
    explorer->Delete(true);
    EXPECT_EQ(prompt.shown.back().buttons, Buttons::YesCancel);
    explorer->SelectFolder(Folder(4, { "Sistema del Mortero", "Sima del Viento", "Pozo", "Boca" }));
    explorer->SelectListRow(0);
    prompt.answers = { Answer::Cancel };
    explorer->Delete(false);
    EXPECT_EQ(prompt.shown.back().buttons, Buttons::YesCancel);
    EXPECT_TRUE(window->Massif()->RecycleBin.empty());
}

TEST_F(ExplorerTest, RenamingAFolderOfTheList)
{
    explorer->SelectFolder(Folder(1, { "Sistema del Mortero" }));
    explorer->SelectListRow(0); // "Cueva Fría"
    QMenu* menu = explorer->PopupMenu(false);
    QAction* rename = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "Reno&mbrar")
            rename = action;
    ASSERT_NE(rename, nullptr);
    ASSERT_TRUE(rename->isVisible());
    rename->trigger(); // opens the entry's editor; typing a name ends in an edited item
    delete menu;
    QTreeWidgetItem* item = explorer->List()->currentItem();
    ASSERT_TRUE(item->flags() & Qt::ItemIsEditable);
    item->setText(0, "Cueva Helada");
    ASSERT_TRUE(WaitUntil([this] { return !window->Massif()->Saved; }, 2000));
    int renamed = 0;
    for (const auto& sheet : window->Massif()->Sheets)
        renamed += sheet->Cavite.Get() == "Cueva Helada";
    EXPECT_GT(renamed, 0);
    window->Action("Deschacer")->trigger();
    EXPECT_EQ(window->Massif()->Sheets[0]->Cavite.Get(),
        "Cueva Fr\xED"
        "a");
}

TEST_F(ExplorerTest, MainMenuListStylesReachTheOpenExplorerAndStayExclusive)
{
    window->Action("Lista")->trigger();
    EXPECT_TRUE(explorer->List()->isHeaderHidden());
    window->Action("Detalle")->trigger();
    EXPECT_FALSE(explorer->List()->isHeaderHidden());
    EXPECT_FALSE(explorer->List()->isColumnHidden(2));
    int ticked = 0;
    for (const char* name : { "Iconos grandes", "Iconos pequeños", "Lista", "Detalle" })
        ticked += window->Action(QString::fromUtf8(name))->isChecked();
    EXPECT_EQ(ticked, 1);
}

TEST_F(ExplorerTest, EditCommandsAreEnabledOnlyWhenTheyCanAct)
{
    EXPECT_FALSE(window->Action("Deschacer")->isEnabled()); // nothing done yet
    EXPECT_FALSE(window->Action("Pegar")->isEnabled()); // nothing cut or copied
    EXPECT_TRUE(window->Action("Copiar")->isEnabled());
    explorer->SelectFolder(Folder(1, { "Sistema del Mortero" }));
    explorer->SelectListRow(0);
    window->Action("Copiar")->trigger();
    EXPECT_TRUE(window->Action("Pegar")->isEnabled());
    explorer->SelectFolder(Folder(1,
        { "Sistema de Pe\xF1"
          "as Blancas" }));
    window->Action("Pegar")->trigger();
    EXPECT_TRUE(window->Action("Deschacer")->isEnabled());
    window->Action("Deschacer")->trigger();
    EXPECT_FALSE(window->Action("Deschacer")->isEnabled());
    EXPECT_EQ(window->Massif()->Sheets.size(), 20u);
}

TEST_F(ExplorerTest, RecoveringByLevelRebuildsTheExplorer)
{
    auto folders = [this] {
        int count = 0;
        for (QTreeWidgetItemIterator it(explorer->Tree()); *it; ++it)
            ++count;
        return count;
    };
    const int all = folders();
    TMassif& m = *window->Massif();
    m.Selection = std::vector<TFiche*> { m.Sheets[19].get() };
    m.SelectionActive = true;
    explorer->Rebuild();
    const int one = folders();
    ASSERT_LT(one, all);
    window->UpdateCommands();
    window->Action("Sistema")->trigger(); // every sheet of that system: more folders show
    ASSERT_TRUE(WaitUntil([&] { return folders() > one; }, 2000));
    window->Action("Todo")->trigger();
    ASSERT_TRUE(WaitUntil([&] { return folders() == all; }, 2000));
}

TEST_F(ExplorerTest, PopupMenuMirrorsTheListStyles)
{
    QMenu* menu = explorer->PopupMenu(true);
    QAction* list = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == "&Lista")
            list = action;
    ASSERT_NE(list, nullptr);
    list->trigger();
    EXPECT_TRUE(window->Action("Lista")->isChecked());
    EXPECT_EQ(window->Settings().Style, TSettings::Classement::Liste);
    delete menu;
}
