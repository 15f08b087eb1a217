// The file commands' rules, driven without a window: backups, names, refusals and templates.
#include "app/file_commands.h"
#include "entry/preferences.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "options/options.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

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

    // A massif read with adaptations asks before it replaces its file; No keeps the file.
    massif->Adapted = true;
    dialogs.replies = { Reply::No };
    EXPECT_FALSE(files.Save(*massif));
    EXPECT_EQ(dialogs.confirmations.back().rfind("cueva.bak se leyó con adaptaciones", 0), 0u);
    dialogs.replies = { Reply::Yes };
    EXPECT_TRUE(files.Save(*massif));
    EXPECT_FALSE(massif->Adapted);
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

namespace {

// The next writes give `allowed` bytes in all, then fail as a full disk does.
std::size_t g_allowed = 0;
ssize_t FullDisk(int fd, const void* data, size_t size)
{
    if (g_allowed == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t n = std::min(size, g_allowed);
    g_allowed -= n;
    return ::write(fd, data, n);
}

// The program ends between the temporary file and the rename: the rename never happens.
int Crash(const char*, const char*)
{
    errno = EIO;
    return -1;
}

// Names in the folder, sorted.
std::vector<std::string> Listing(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FaultReset
{
    ~FaultReset()
    {
        g_writeForTests = nullptr;
        g_renameForTests = nullptr;
    }
};

} // namespace

// A save that fails, in either format, for any reason, leaves the previous file and its backup as
// they were and no temporary file, names the file, and keeps the massif open and modified.
TEST_F(FileCommands, FailedSavesLeaveEveryFileAsItWas)
{
    FaultReset reset;
    for (const char* name : { "cueva.mas", "cueva.fic" }) {
        SCOPED_TRACE(name);
        TempDir here;
        massif->FileName = here.Path(name);
        WriteFile(massif->FileName, "antes");
        massif->Saved = false;
        ASSERT_TRUE(files.Save(*massif)); // the file
        massif->Saved = false;
        ASSERT_TRUE(files.Save(*massif)); // and its backup
        const std::string file = ReadFile(massif->FileName), backup = ReadFile(here.Path("cueva.BAK"));
        const std::vector<std::string> before = Listing(here);
        massif->Sheets[0]->Lieu.Set("cambiado");

        auto failsCleanly = [&](const char* what) {
            SCOPED_TRACE(what);
            massif->Saved = false;
            dialogs.failures.clear();
            EXPECT_FALSE(files.Save(*massif));
            EXPECT_FALSE(massif->Saved);
            EXPECT_EQ(massif->Sheets[0]->Lieu.Get(), "cambiado");
            EXPECT_EQ(ReadFile(massif->FileName), file);
            EXPECT_EQ(ReadFile(here.Path("cueva.BAK")), backup);
            EXPECT_EQ(Listing(here), before) << "no temporary file is left";
            ASSERT_EQ(dialogs.failures.size(), 1u);
            EXPECT_NE(dialogs.failures[0].find(name), std::string::npos) << dialogs.failures[0];
        };
        g_writeForTests = FullDisk;
        g_allowed = 0;
        failsCleanly("full from the start");
        EXPECT_NE(dialogs.failures[0].find("no queda espacio en el disco"), std::string::npos)
            << "the reason in the program's language: " << dialogs.failures[0];
        g_allowed = file.size() / 2;
        failsCleanly("full half way");
        g_writeForTests = nullptr;
        g_renameForTests = Crash;
        failsCleanly("ended before the rename");
        g_renameForTests = nullptr;
    }
}

TEST(SafeWrite, NeverWritesThroughAPlantedFileAndRefusesAFolder)
{
    FaultReset reset;
    TempDir dir;
    // A link at the name the temporary file used to have, aimed at somebody else's file.
    WriteFile(dir.Path("victima"), "ajeno");
    std::filesystem::create_symlink(dir.Path("victima"), dir.Path("OPTIONS.PLA.tmp~"));
    WriteFileSafely(dir.Path("OPTIONS.PLA"), "nuevo");
    EXPECT_EQ(ReadFile(dir.Path("victima")), "ajeno");
    EXPECT_EQ(ReadFile(dir.Path("OPTIONS.PLA")), "nuevo");

    // The settings file over a folder of the same name.
    std::filesystem::create_directory(dir.Path("Karstelle.ini"));
    const std::vector<std::string> before = Listing(dir);
    try {
        WriteFileSafely(dir.Path("Karstelle.ini"), "[Karstelle]\r\n");
        ADD_FAILURE() << "a folder was replaced";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("Karstelle.ini"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Listing(dir), before);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("Karstelle.ini")));

    // An option file on a full disk keeps its previous contents.
    g_writeForTests = FullDisk;
    g_allowed = 2;
    EXPECT_THROW(WriteFileSafely(dir.Path("OPTIONS.PLA"), "otra cosa"), FileError);
    EXPECT_EQ(ReadFile(dir.Path("OPTIONS.PLA")), "nuevo");
    g_writeForTests = nullptr;

    // A device is written into, not replaced by a file: here through a link to /dev/null, so that
    // a failure would only replace the link.
    std::filesystem::create_symlink("/dev/null", dir.Path("nulo"));
    WriteFileSafely(dir.Path("nulo"), "nada");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("nulo")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    const std::string part = CreateTemporaryBeside(dir.Path("nulo"));
    EXPECT_EQ(std::filesystem::path(part).parent_path(), std::filesystem::temp_directory_path());
    PublishTemporary(part, dir.Path("nulo"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("nulo")));
    EXPECT_FALSE(std::filesystem::exists(part));

    // A new file has the permissions of any new file, not the temporary file's private ones.
    const mode_t mask = umask(0);
    umask(mask);
    WriteFileSafely(dir.Path("nuevo.mas"), "x");
    const auto perms = std::filesystem::status(dir.Path("nuevo.mas")).permissions();
    EXPECT_EQ(static_cast<mode_t>(perms) & 0777, 0666 & ~mask);
}
