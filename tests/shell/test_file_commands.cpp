// The file commands' rules, driven without a window: backups, names, refusals and templates.
#include "entry/preferences.h"
#include "shell/file_commands.h"
#include "support/fixture.h"
#include "views/options.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <limits>

using namespace ks;
using namespace ks::test;

namespace {

// Answers confirmations and file dialogs from queues and records everything shown.
class ScriptedFileDialogs : public IFileDialogs
{
public:
    void Message(MessageKind kind, const std::string& text) override { messages.push_back({ kind, text }); }
    bool AskContinue(const TQuestion&) override { return true; }
    Reply Confirm(const std::string& text, bool) override
    {
        confirmations.push_back(text);
        return Next(replies, Reply::Cancel);
    }
    void Failed(const std::exception& error) override { failures.push_back(error.what()); }
    std::string OpenFileName(
        const std::string&, const std::string&, const std::string&, std::string* chosen) override
    {
        return Name(chosen);
    }
    std::string SaveFileName(
        const std::string&, const std::string&, const std::string&, std::string* chosen) override
    {
        return Name(chosen);
    }

    std::deque<Reply> replies;
    std::deque<std::string> names;
    std::deque<std::string> filters; // chosen in the dialog; the given one stays when empty
    std::vector<std::pair<MessageKind, std::string>> messages;
    std::vector<std::string> confirmations, failures;

private:
    template <typename T> static T Next(std::deque<T>& queue, T otherwise)
    {
        if (queue.empty())
            return otherwise;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
    std::string Name(std::string* chosen)
    {
        const std::string filter = Next(filters, std::string());
        if (chosen && !filter.empty())
            *chosen = filter;
        return Next(names, std::string());
    }
};

class FileCommands : public ::testing::Test
{
protected:
    FileCommands()
        : files(dialogs, nullptr)
        , massif(MakeFixtureMassif())
    {
        massif->Saved = false;
    }
    TempDir dir;
    ScriptedFileDialogs dialogs;
    TFileCommands files;
    std::unique_ptr<TMassif> massif;
};

} // namespace

TEST_F(FileCommands, SavingKeepsThePreviousFileAsBackupAndRestoresItWhenTheWriteFails)
{
    massif->FileName = dir.Path("cueva.mas");
    WriteFile(massif->FileName, "old contents");
    ASSERT_TRUE(files.Save(*massif));
    EXPECT_TRUE(massif->Saved);
    EXPECT_EQ(ReadFile(dir.Path("cueva.BAK")), "old contents");
    const std::string written = ReadFile(massif->FileName);

    // A reading the file cannot store: nothing is written, the file keeps its name and contents.
    massif->Sheets[0]->Galeries[0]->Shots[0].Length = std::numeric_limits<double>::quiet_NaN();
    massif->Saved = false;
    EXPECT_FALSE(files.Save(*massif));
    EXPECT_FALSE(massif->Saved);
    EXPECT_EQ(ReadFile(massif->FileName), written);
    EXPECT_EQ(dialogs.failures.size(), 1u);
}

TEST_F(FileCommands, AMassifOpenedFromItsBackupIsWrittenWithoutOne)
{
    massif->FileName = dir.Path("cueva.bak");
    WriteFile(massif->FileName, "old contents");
    ASSERT_TRUE(files.Save(*massif));
    EXPECT_NE(ReadFile(massif->FileName), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);
}

TEST_F(FileCommands, SaveAsTakesTheFiltersExtensionAndAsksBeforeReplacing)
{
    std::string renamed;
    files.OnRenamed = [&](const std::string& name) { renamed = name; };
    dialogs.names = { dir.Path("nueva") };
    dialogs.filters = { "(macizo texto) *.mas (*.mas)" };
    ASSERT_TRUE(files.SaveAs(*massif));
    EXPECT_EQ(massif->FileName, dir.Path("nueva.mas"));
    EXPECT_EQ(renamed, massif->FileName);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("nueva.mas")));

    // An existing file: No leaves it and the massif's name as they were.
    WriteFile(dir.Path("otra.fic"), "keep");
    massif->Saved = false;
    dialogs.names = { dir.Path("otra.fic") };
    dialogs.replies = { Reply::No };
    EXPECT_FALSE(files.SaveAs(*massif));
    EXPECT_EQ(dialogs.confirmations.back(), "El archivo otra.fic ya existe.\n¿Sobreescribir?");
    EXPECT_EQ(ReadFile(dir.Path("otra.fic")), "keep");
    EXPECT_EQ(massif->FileName, dir.Path("nueva.mas"));
    EXPECT_FALSE(massif->Saved);
}

TEST_F(FileCommands, AskingToSave)
{
    massif->FileName.clear();
    // Cancel, or No on the question; Yes with the name dialog cancelled.
    dialogs.replies = { Reply::Cancel, Reply::No, Reply::Yes };
    EXPECT_FALSE(files.AskSave(massif.get(), true));
    EXPECT_TRUE(files.AskSave(massif.get(), true));
    EXPECT_FALSE(files.AskSave(massif.get(), true));
    EXPECT_EQ(dialogs.confirmations[0], "¿Desea usted guardar los cambios realizados en Sin nombre?");
    EXPECT_FALSE(massif->Saved);
    // Nothing to ask for a saved massif or none.
    massif->Saved = true;
    EXPECT_TRUE(files.AskSave(massif.get(), true));
    EXPECT_TRUE(files.AskSave(nullptr, true));
    EXPECT_EQ(dialogs.confirmations.size(), 3u);
}

TEST_F(FileCommands, DroppedFiles)
{
    EXPECT_FALSE(files.DroppedMassif({ "a.mas", "b.mas" }));
    EXPECT_EQ(dialogs.messages.back().second, "Un sólo fichero a la vez");
    EXPECT_FALSE(files.DroppedMassif({ "/c/notas.txt" }));
    EXPECT_EQ(files.DroppedMassif({ "/c/CUEVA.FIC" }), std::optional<std::string>("/c/CUEVA.FIC"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(FileCommands, TemplatesChooseTheirRecordByExtension)
{
    TPreference_Ecran sheet;
    TOptions_Plan plan;
    TOptions_Coupe elevation;
    TOptions_Relief perspective;
    TOptions_Tableau table;
    const TTemplateRecords records { sheet, plan, elevation, perspective, table };
    plan.Angle = 33;
    // Saved without an extension: the chosen filter gives ".pla"; read back into the plan.
    dialogs.names = { dir.Path("mio") };
    dialogs.filters = { "Modelo planta(*.pla) (*.pla *.PLA)" };
    EXPECT_EQ(files.Template(false, dir.Path(""), records), TemplateKind::Plan);
    ASSERT_TRUE(std::filesystem::exists(dir.Path("mio.pla")));
    plan.Angle = 0;
    dialogs.names = { dir.Path("mio.pla") };
    EXPECT_EQ(files.Template(true, dir.Path(""), records), TemplateKind::Plan);
    EXPECT_EQ(plan.Angle, 33);

    // Missing files and unknown extensions are refused with a message, and nothing is read.
    dialogs.names = { dir.Path("falta.pla"), dir.Path("mio.txt") };
    WriteFile(dir.Path("mio.txt"), "x");
    EXPECT_FALSE(files.Template(true, dir.Path(""), records));
    EXPECT_EQ(dialogs.messages.back().second, "El fichero no existe\nElegido en otro");
    EXPECT_FALSE(files.Template(true, dir.Path(""), records));
    EXPECT_EQ(dialogs.messages.back(),
        std::make_pair(MessageKind::Warning,
            std::string("mio.txt: la extensión del modelo debe ser .sai, .pla, .cou, .per o .tabl; no se ha "
                        "leído nada.")));
}
