// The paths on which a user could lose survey data or crash the application: saves that do not
// happen, files read only in part, work that runs while the massif is written, commands that
// close windows from under a running job, failures of any kind.
#include "model/massif.h"
#include "options/options.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"
#include "views/plan.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QThread>

#include <filesystem>
#include <set>

using namespace ks;
using namespace ks::test;

namespace {

class SafeFlows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        file = home.Path("cueva.mas");
        WriteFile(file, ReadFile(kSample));
        window = std::make_unique<TMainWindow>(QString::fromStdString(home.Path("")));
        window->Action("Automático")->setChecked(false);
    }
    // A changed massif that has never been saved: saving it asks for a name.
    void OpenUnnamedChanged()
    {
        window->OpenMassif(QString::fromStdString(file));
        window->Massif()->FileName.clear();
        window->Massif()->Saved = false;
    }

    TempDir home;
    std::string file;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
};

} // namespace

TEST_F(SafeFlows, CancelledOrFailedSaveKeepsTheMassifOpen)
{
    const QString unwritable = QString::fromStdString(home.Path("no/such/folder/cueva.fic"));
    // "Cerrar", Yes, then the "Guardar como" dialog cancelled; then a write that fails.
    for (const QString& name : { QString(), unwritable }) {
        OpenUnnamedChanged();
        TMassif* massif = window->Massif();
        prompt.answers = { Answer::Yes };
        prompt.fileNames = { name };
        window->CloseCommand();
        EXPECT_EQ(window->Massif(), massif) << name.toStdString();
        EXPECT_FALSE(window->Massif()->Saved);

        // Opening another massif, a recent file or a dropped one.
        prompt.answers = { Answer::Yes };
        prompt.fileNames = { name };
        window->OpenCommand();
        EXPECT_EQ(window->Massif(), massif);
        prompt.answers = { Answer::Yes };
        prompt.fileNames = { name };
        window->DropFiles({ QString::fromStdString(file) });
        EXPECT_EQ(window->Massif(), massif);

        // "Salir": the exit confirmation, Yes to save, then the same failure: the program stays.
        prompt.answers = { Answer::Yes, Answer::Yes };
        prompt.fileNames = { name };
        EXPECT_FALSE(window->ExitCommand());
        EXPECT_EQ(window->Massif(), massif);
    }
    // The question names the massif without a file as the title does.
    EXPECT_EQ(prompt.shown[0].text, "¿Desea usted guardar los cambios realizados en Sin nombre?");
    // The failed write was reported.
    EXPECT_EQ(prompt.shown.back().kind, MessageKind::Error);
    // No goes on without saving.
    prompt.answers = { Answer::No };
    window->CloseCommand();
    EXPECT_EQ(window->Massif(), nullptr);
}

TEST_F(SafeFlows, APartlyReadFileOpensWithoutItsNameAndIsNeverReplaced)
{
    // Cut in the middle of a shot line: the sheets before it are shown.
    const std::string whole = ReadFile(kSample);
    const std::string cut = whole.substr(0, whole.size() / 2);
    WriteFile(file, cut);
    window->OpenMassif(QString::fromStdString(file));
    ASSERT_NE(window->Massif(), nullptr);
    EXPECT_FALSE(window->Massif()->Sheets.empty());
    EXPECT_TRUE(window->Massif()->FileName.empty());
    EXPECT_EQ(window->windowTitle(), "Sin nombre - Karstelle");
    ASSERT_FALSE(prompt.shown.empty());
    EXPECT_TRUE(prompt.shown.back().text.contains(QString::fromUtf8(kPartlyReadText)));
    // Saving asks for a new name; twice, and the original is untouched with no backup made of it.
    const std::string other = home.Path("parte.mas");
    prompt.fileNames = { QString::fromStdString(other) };
    EXPECT_TRUE(window->SaveCommand());
    window->Massif()->Saved = false;
    EXPECT_TRUE(window->SaveCommand());
    EXPECT_EQ(ReadFile(file), cut);
    EXPECT_FALSE(std::filesystem::exists(home.Path("cueva.BAK")));

    // A file of a newer version: refused, and shown empty without a name.
    WriteFile(file,
        "Versi\xF3n"
        "9999\r\n");
    window->OpenMassif(QString::fromStdString(file));
    EXPECT_TRUE(window->Massif()->FileName.empty());
    EXPECT_EQ(window->windowTitle(), "Sin nombre - Karstelle");
}

TEST_F(SafeFlows, TheBackupOfATextMassifStaysReadable)
{
    window->OpenMassif(QString::fromStdString(file));
    const std::size_t sheets = window->Massif()->Sheets.size();
    window->Massif()->Saved = false;
    ASSERT_TRUE(window->SaveCommand());
    const std::string backup = home.Path("cueva.BAK");
    ASSERT_EQ(ReadFile(backup), ReadFile(kSample));
    TMassif read;
    read.FileName = backup;
    read.Load();
    EXPECT_EQ(read.Sheets.size(), sheets);

    // Opened and saved under its own name, the backup is written over itself, not deleted.
    window->OpenMassif(QString::fromStdString(backup));
    EXPECT_EQ(window->Massif()->Sheets.size(), sheets);
    window->Massif()->Saved = false;
    ASSERT_TRUE(window->SaveCommand());
    TMassif again;
    again.FileName = backup;
    again.Load();
    EXPECT_EQ(again.Sheets.size(), sheets);
}

TEST_F(SafeFlows, SavingWhileAComputationIsRequestedWritesEverySheetOnce)
{
    // Many sheets, listed out of their order: a computation starting in the middle of the save
    // would sort the list under the writer.
    TMassif big;
    big.FileName = file;
    big.Load();
    const int copies = 2000 / static_cast<int>(big.Sheets.size()) + 1;
    const std::size_t original = big.Sheets.size();
    for (int c = 0; c < copies; ++c)
        for (std::size_t i = 0; i < original; ++i) {
            auto sheet = std::make_unique<TFiche>();
            sheet->CopyFrom(*big.Sheets[i]);
            big.AddSheet(std::move(sheet), false);
        }
    big.Save(file);
    window->Action("Automático")->setChecked(true);
    window->OpenMassif(QString::fromStdString(file));
    ASSERT_TRUE(WaitUntil([this] { return !window->Computation().Running() && window->Massif()->Computed; }));
    std::reverse(window->Massif()->Sheets.begin(), window->Massif()->Sheets.end());
    window->Massif()->Saved = false;
    window->Computation().RequestAutomatic();
    QThread::msleep(300); // the request is due before the save begins
    ASSERT_TRUE(window->SaveCommand());
    TMassif saved;
    saved.FileName = file;
    saved.Load();
    std::set<std::int32_t> ordres;
    for (const auto& sheet : saved.Sheets)
        ordres.insert(sheet->Ordre);
    EXPECT_EQ(ordres.size(), saved.Sheets.size());
    EXPECT_EQ(saved.Sheets.size(), original * (copies + 1));
    WaitUntil([this] { return !window->Computation().Running(); });
}

TEST_F(SafeFlows, ClosingTheMassifDuringARotationDoesNotCrash)
{
    window->show();
    window->OpenMassif(QString::fromStdString(file));
    TAfficheur* view = window->OpenPlanWindow();
    ASSERT_NE(view, nullptr);
    prompt.inputAnswers = { QString("5") };
    view->Rotate(); // returns at once; the plan turns from a timer
    ASSERT_TRUE(view->Rotating());
    const double angle = view->Plan()->Angle;
    ASSERT_TRUE(WaitUntil([&] { return view->Plan()->Angle != angle; }, 5000));
    window->CloseMassif(); // closes the view window the rotation runs in
    QCoreApplication::processEvents();
    EXPECT_EQ(window->PlanWindow(), nullptr);
    QThread::msleep(100);
    QCoreApplication::processEvents();
}

TEST_F(SafeFlows, MarginsThatLeaveNoPageAreRefusedBeforePrinting)
{
    window->show();
    window->OpenMassif(QString::fromStdString(file));
    ASSERT_NE(window->OpenPlanWindow(), nullptr);
    window->Context().Marge->EGauche = 200;
    window->Context().Marge->EDroite = 200;
    window->PrintCommand();
    window->PreviewCommand();
    ASSERT_EQ(prompt.shown.size(), 2u);
    for (const auto& shown : prompt.shown)
        EXPECT_EQ(shown.text, QString::fromUtf8(kNoPrintableAreaText));
    EXPECT_FALSE(HasPrintableArea(*window->Context().Marge, 210, 297));
    window->Context().Marge->EDroite = 9;
    EXPECT_TRUE(HasPrintableArea(*window->Context().Marge, 210, 297));
}

TEST_F(SafeFlows, UnreadableFilesAreReportedNotFatal)
{
    // A folder where an option file should be: reported at start-up, the defaults kept.
    TempDir other;
    std::filesystem::create_directory(other.Path("OPTIONS.PLA"));
    ScriptedPrompt startPrompt;
    TMainWindow started(QString::fromStdString(other.Path("")));
    ASSERT_EQ(startPrompt.shown.size(), 1u);
    EXPECT_EQ(startPrompt.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(startPrompt.shown[0].text.contains("OPTIONS.PLA"));
    EXPECT_EQ(started.PlanOptions().X_Echelle, TOptions_Plan().X_Echelle);

    // A folder whose name ends in ".mas", opened.
    std::filesystem::create_directory(other.Path("carpeta.mas"));
    started.OpenMassif(QString::fromStdString(other.Path("carpeta.mas")));
    ASSERT_EQ(startPrompt.shown.size(), 2u);
    EXPECT_TRUE(startPrompt.shown[1].text.contains("carpeta.mas"));
    ASSERT_NE(started.Massif(), nullptr);
    EXPECT_TRUE(started.Massif()->Sheets.empty());
}
