// Every sheet of a massif opened in the sheet editor and validated without a change must leave
// the massif exactly as it was, byte for byte, whatever the layout of the grid.
#include "entry/ui/sheet_editor.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using namespace ks;
using namespace ks::test;

namespace {

struct Layout
{
    const char* name;
    bool twoWidths, twoHeights, corrections;
};

const Layout kLayouts[] = {
    { "default", true, false, false },
    { "single width", false, true, false },
    { "single height", false, false, false },
    { "every column", true, true, true },
};

TPreference_Ecran Preferences(const Layout& layout)
{
    TPreference_Ecran p;
    p.WidthCols.TwoColumns = layout.twoWidths;
    p.HeightCols.TwoColumns = layout.twoHeights;
    p.Horizontal.Shown = layout.corrections;
    p.Development.Shown = layout.corrections;
    p.BuildColumns();
    return p;
}

// The massif's encoding in its own format, and in the other one.
std::string Encoded(const TMassif& massif)
{
    return EncodeText(massif, "x.mas", nullptr) + EncodeBinary(massif, "x.fic", nullptr);
}

// The first difference of two encodings, with some text around it.
std::string FirstDifference(const std::string& before, const std::string& after)
{
    std::size_t i = 0;
    while (i < before.size() && i < after.size() && before[i] == after[i])
        ++i;
    const std::size_t from = i > 120 ? i - 120 : 0;
    return "at byte " + std::to_string(i) + "\nbefore: " + before.substr(from, 240)
        + "\nafter:  " + after.substr(from, 240);
}

// Opens each sheet in the editor, validates it unchanged, and puts the result in place of the
// sheet, as the main window does.
void RoundTrip(const std::string& path)
{
    SCOPED_TRACE(path);
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        TMassif massif;
        massif.FileName = path;
        massif.Load();
        ASSERT_FALSE(massif.Sheets.empty());
        const std::string before = Encoded(massif);
        const TPreference_Ecran preferences = Preferences(layout);
        ScriptedPrompt prompt;
        std::vector<TFiche*> sheets;
        for (const auto& sheet : massif.Sheets)
            sheets.push_back(sheet.get());
        for (TFiche* sheet : sheets) {
            TMultPageDlg editor(massif, preferences, QDir::tempPath(), sheet);
            bool validated = false;
            editor.OnValidated = [&](std::unique_ptr<TFiche> fresh, TFiche* old) {
                massif.ReplaceSheet(old, std::move(fresh));
                validated = true;
            };
            editor.Model().Modified = true; // validate even though nothing was typed
            ASSERT_TRUE(editor.Terminar())
                << "sheet " << sheet->Ordre
                << " refused: " << (prompt.shown.empty() ? "" : prompt.shown.back().text.toStdString());
            ASSERT_TRUE(validated);
        }
        const std::string after = Encoded(massif);
        EXPECT_TRUE(before == after) << FirstDifference(before, after);
    }
}

} // namespace

TEST(EditorRoundTrip, BundledSample)
{
    RoundTrip(kSample);
}

TEST(EditorRoundTrip, FixtureWithEveryField)
{
    TempDir dir;
    const std::string path = dir.Path("fixture.mas");
    auto fixture = MakeFixtureMassif();
    fixture->EditorWork.reset();
    // The editor refuses a gallery without shots (two stations in a row): the fixture's one goes.
    for (const auto& sheet : fixture->Sheets) {
        auto& galleries = sheet->Galeries;
        galleries.erase(std::remove_if(galleries.begin(), galleries.end(),
                            [](const auto& g) { return g->Shots.empty(); }),
            galleries.end());
    }
    fixture->Save(path);
    RoundTrip(path);
    // The binary format carries values that the text format rounds.
    const std::string binary = dir.Path("fixture.fic");
    fixture->Save(binary);
    RoundTrip(binary);
}

TEST(EditorRoundTrip, SharedMassifs)
{
    const std::string folder = SharedData("massifs");
    if (folder.empty())
        GTEST_SKIP() << "../shared/data/massifs is not on this machine";
    for (const char* name : { "dowprov.mas", "tatra.mas" })
        RoundTrip(folder + "/" + name);
}

// Further massifs of the user's own, named by KARSTELLE_ROUNDTRIP_DIR.
TEST(EditorRoundTrip, MassifsOfTheRoundTripFolder)
{
    const char* folder = std::getenv("KARSTELLE_ROUNDTRIP_DIR");
    if (!folder || !*folder)
        GTEST_SKIP() << "KARSTELLE_ROUNDTRIP_DIR is not set";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file()
            && (extension == ".mas" || extension == ".MAS" || extension == ".fic" || extension == ".FIC")) {
            RoundTrip(entry.path().string());
            ++count;
        }
    }
    EXPECT_GT(count, 0) << "no massif in " << folder;
}
