#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "model/text_utils.h"
#include "support/fixture.h"
#include "support/lines.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <sys/stat.h>

using namespace ks;
using namespace ks::test;

namespace {

std::unique_ptr<TMassif> LoadFrom(const std::string& path, IReporter* reporter = nullptr)
{
    auto m = std::make_unique<TMassif>();
    m->FileName = path;
    m->Load(reporter);
    return m;
}

std::string Text(const TMassif& m)
{
    return EncodeText(m, "mem.mas", nullptr);
}
std::string Binary(const TMassif& m)
{
    return EncodeBinary(m, "mem.fic", nullptr);
}

class ProgressLog : public IProgress
{
public:
    void ShowProgress(bool visible) override { shown.push_back(visible); }
    void SetProgress(int percent) override { values.push_back(percent); }
    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void ProcessEvents() override { ++events; }
    std::vector<bool> shown;
    std::vector<int> values;
    std::vector<std::string> statuses;
    int events = 0;
};

} // namespace

TEST(EmptyMassif, BinaryIsFortyBytes)
{
    TMassif m;
    const std::string bytes = Binary(m);
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xED\x03", 2)); // 1005
    EXPECT_EQ(bytes.substr(12, 9),
        std::string("\x08"
                    "01/01/80",
            9));
    EXPECT_EQ(bytes.back(), '\0'); // no editor work
}

TEST(EmptyMassif, TextIsThirteenLinesAndReadsBack)
{
    TMassif m;
    const std::string text = Text(m);
    const std::vector<std::string> expected = {
        "Versi\xF3n"
        "1005",
        "Nb_Fiche 0",
        "",
        "Nb_Reference 0",
        "Origine_Declinaison 0",
        "Date_Declinaison 01/01/80",
        "Variation_Declinaison 1",
        "Angle_Geodesique 0",
        "Nb_Coupe 0",
        "Papelera de recielaje0",
        "",
        "Nb_Raccourci 0",
        "",
    };
    EXPECT_EQ(Lines(text), expected);

    TempDir dir;
    for (const char* name : { "empty.mas", "empty.fic" }) {
        m.Save(dir.Path(name));
        auto back = LoadFrom(dir.Path(name));
        EXPECT_EQ(Text(*back), text) << name;
        EXPECT_EQ(Binary(*back), Binary(m)) << name;
        EXPECT_TRUE(back->Sheets.empty());
    }
}

TEST(RoundTrip, TextToBinaryToTextIsByteForByte)
{
    auto fixture = MakeFixtureMassif();
    TempDir dir;
    fixture->Save(dir.Path("a.mas"));
    const std::string first = ReadFile(dir.Path("a.mas"));
    auto fromText = LoadFrom(dir.Path("a.mas"));
    fromText->Save(dir.Path("b.fic"));
    auto fromBinary = LoadFrom(dir.Path("b.fic"));
    fromBinary->Save(dir.Path("c.mas"));
    EXPECT_EQ(ReadFile(dir.Path("c.mas")), first);
    EXPECT_EQ(Text(*fixture), first);
}

TEST(RoundTrip, BinaryKeepsEverythingIncludingEditorWork)
{
    auto fixture = MakeFixtureMassif();
    TempDir dir;
    fixture->Save(dir.Path("a.fic"));
    auto back = LoadFrom(dir.Path("a.fic"));
    EXPECT_EQ(Binary(*back), Binary(*fixture));
    ASSERT_TRUE(back->EditorWork.has_value());
    EXPECT_EQ(back->EditorWork->Cells, fixture->EditorWork->Cells);
    EXPECT_EQ(back->EditorWork->Junctions.size(), 1u);
    EXPECT_EQ(back->EditorWork->Junctions[0].Info, "segunda");
    EXPECT_EQ(back->RecycleBin.size(), 1u);
    EXPECT_EQ(back->Shortcuts.size(), 2u);
    EXPECT_FALSE(back->Computed);
    EXPECT_FALSE(back->ElevationPlaced);

    // Binary to text to binary keeps every value the text format keeps.
    back->EditorWork.reset();
    back->Save(dir.Path("b.mas"));
    auto viaText = LoadFrom(dir.Path("b.mas"));
    viaText->Save(dir.Path("c.fic"));
    EXPECT_EQ(Text(*LoadFrom(dir.Path("c.fic"))), Text(*back));
}

TEST(RoundTrip, TextRoundsAnglesButBinaryKeepsThem)
{
    TMassif m;
    auto sheet = std::make_unique<TFiche>();
    auto g = MakeGallery("A", 1, "A", 2, 2);
    g->Shot(1).Azimuth = 123.4;
    g->Shot(2).Azimuth = 123.46;
    g->Shot(2).Inclination = -12.36;
    sheet->Galeries.push_back(std::move(g));
    m.AddSheet(std::move(sheet), false);

    TempDir dir;
    m.Save(dir.Path("r.mas"));
    m.Save(dir.Path("r.fic"));
    auto text = LoadFrom(dir.Path("r.mas"));
    const TGalerie& t = *text->Sheets[0]->Galeries[0];
    EXPECT_EQ(t.Shot(1).Azimuth, 123.4);
    EXPECT_EQ(t.Shot(2).Azimuth, 123.5);
    EXPECT_EQ(t.Shot(2).Inclination, -12.4);
    auto binary = LoadFrom(dir.Path("r.fic"));
    const TGalerie& b = *binary->Sheets[0]->Galeries[0];
    EXPECT_NEAR(b.Shot(2).Azimuth, 123.46, 1e-9);
    EXPECT_NEAR(b.Shot(2).Inclination, -12.36, 1e-9);
}

TEST(TextFormat, CommentsKeepTabsAndVulcainUnitsSurvive)
{
    auto fixture = MakeFixtureMassif();
    TempDir dir;
    fixture->Save(dir.Path("f.mas"));
    const std::string text = ReadFile(dir.Path("f.mas"));
    EXPECT_NE(text.find("\tN\tpaso\testrecho\t\r\n"), std::string::npos);
    EXPECT_NE(text.find("\tvul\t"), std::string::npos);
    EXPECT_NE(text.find("\t-vul\t"), std::string::npos);

    auto back = LoadFrom(dir.Path("f.mas"));
    const TGalerie& g = *back->Sheets[0]->Galeries[0];
    EXPECT_EQ(g.Shot(1).Comment.Get(), "paso\testrecho\t");
    EXPECT_EQ(g.Shot(3).InclinationUnit, kVulcain);
    EXPECT_EQ(back->Sheets[0]->Galeries[1]->Shot(1).InclinationUnit, kBackVulcain);
    EXPECT_EQ(g.Shot(2).UpperHeight, "2a");
    EXPECT_TRUE(g.Shot(3).TopofilFlag);
    EXPECT_EQ(g.Shot(3).TopofilStart, 1234.5);
}

// Whatever a readable binary massif holds, its text form reads back and stores again in binary:
// line breaks and TABs inside texts become spaces, and values near the largest storable one are
// not rounded past it.
TEST(TextFormat, ARoundTripNeverMakesAReadableMassifUnreadable)
{
    auto m = MakeFixtureMassif();
    m->Sheets[0]->Cavite.Set("Cueva\r\ndel\nPozo");
    m->Sheets[0]->Lieu.Set("Sala\tgrande");
    m->Sheets[0]->Galeries[0]->Name.Set("Galería\rnorte");
    TVisee& v = m->Sheets[0]->Galeries[0]->Shots[0];
    v.LeftWidth = "1\t2";
    v.UpperHeight = "3\n4";
    v.CumX = 1.7014118346e38;
    v.Length = -1.70141183e38;
    m->References[0]->Z = 1.701411834e38;
    const std::string binary = ks::EncodeBinary(*m, "a.fic", nullptr);
    TMassif fromBinary;
    ASSERT_EQ(ks::DecodeBinary(binary, fromBinary, "a.fic", nullptr, nullptr).status, ks::LoadStatus::Loaded);

    const std::string text = ks::EncodeText(fromBinary, "a.mas", nullptr);
    TMassif fromText;
    ASSERT_EQ(ks::DecodeText(text, fromText, "a.mas", nullptr, nullptr).status, ks::LoadStatus::Loaded);
    EXPECT_EQ(fromText.Sheets[0]->Cavite.Get(), "Cueva  del Pozo");
    EXPECT_EQ(fromText.Sheets[0]->Lieu.Get(), "Sala\tgrande") << "a whole-line text keeps its TAB";
    const TVisee& back = fromText.Sheets[0]->Galeries[0]->Shots[0];
    EXPECT_EQ(back.LeftWidth, "1 2");
    EXPECT_EQ(back.UpperHeight, "3 4");
    EXPECT_EQ(fromText.Sheets[0]->Galeries[0]->Shots.size(), m->Sheets[0]->Galeries[0]->Shots.size());
    EXPECT_NO_THROW(ks::EncodeBinary(fromText, "b.fic", nullptr));
}

TEST(TextFormat, GalleryWithoutShotsAndColourTexts)
{
    auto fixture = MakeFixtureMassif();
    const std::string text = Text(*fixture);
    EXPECT_NE(text.find("Nb_Visee 0\r\n1\r\nN\r\n"), std::string::npos);
    EXPECT_NE(text.find("Couleur clRed\r\n"), std::string::npos);
    EXPECT_NE(text.find("Couleur clWindow\r\n"), std::string::npos);
    EXPECT_NE(text.find("Couleur $00123456\r\n"), std::string::npos);
    EXPECT_NE(text.find("2\r\n2\t1\t\r\n0\t2\t\r\n"), std::string::npos); // branch count and slots
}

TEST(TextFormat, ReaderRulesForUnitsFlagsColoursAndKeywords)
{
    // A hand-made version 1004 file: no recycle bin section; colours as numbers; unknown tokens;
    // keywords with other spellings (they are removed by length, not checked).
    const std::string text = std::string("Versi\xF3n"
                                         "1004\r\n")
        + "Nb_Fiche 1\r\n\r\n"
          "Date 01/02/03XYZ\r\nDECLINAISON   1.5\r\nUnite_Decli gr\r\nNb_Topographes 0\r\n"
          "Systeme S\r\nCavite C\r\nReseau R\r\nLieu L\r\nPremiere 0\r\nTPST \r\nOrdre 4\r\nNb_Galerie 2\r\n"
          "Pt\r\nA\r\n1\r\n0\t0\t0\r\nFinal\r\n1\t2\t3\r\n"
          "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n1\r\nname\r\nNb_Visee 1\r\n"
          "5\tM\t10\tnorth\t-3\tdeg\t1\t2\tmetres\t3\t4\tm\t0\t0\tO\t0\tn\t1\t2\t3\t4\tN\tcomment\r\n"
          "1\r\nO\r\nN\r\nN\r\nN\r\nN\r\nN\r\nN\r\n0\r\n\r\n\r\nCouleur 255\r\n---\r\n"
          "Final\r\n0\t0\t0\r\nFinal\r\n0\t0\t0\r\n"
          "0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\n\r\nNb_Visee "
          "0\r\n1\r\nN\r\nN\r\nN\r\nN\r\nN\r\nN\r\nN\r\n0\r\n\r\n\r\n"
          "Couleur $FF000005\r\n---\r\n"
          "\r\nNb_Reference 0\r\nOrigine_Declinaison 0\r\nDate_Declinaison 01/01/801234\r\n"
          "Variation_Declinaison 1\r\nAngle_Geodesique 0\r\nNb_Coupe 0\r\n";
    TempDir dir;
    WriteFile(dir.Path("h.MaS"), text);
    auto m = LoadFrom(dir.Path("h.MaS"));
    ASSERT_EQ(m->Sheets.size(), 1u);
    const TFiche& f = *m->Sheets[0];
    EXPECT_EQ(f.Date, "01/02/03");
    EXPECT_EQ(f.Declinaison, 1.5);
    EXPECT_EQ(f.DeclUnit, kGrades);
    EXPECT_EQ(f.Ordre, 4);
    const TGalerie& g = *f.Galeries[0];
    EXPECT_TRUE(g.End.Final);
    EXPECT_EQ(g.End.Z, 3);
    EXPECT_EQ(g.Shot(1).LengthUnit, kCentimetres); // "M" is not "m"
    EXPECT_EQ(g.Shot(1).AzimuthUnit, kDegrees); // unknown token
    EXPECT_EQ(g.Shot(1).WidthUnit, kCentimetres);
    EXPECT_EQ(g.Shot(1).HeightUnit, kMetres);
    EXPECT_TRUE(g.Shot(1).HorizCorrectionFlag);
    EXPECT_FALSE(g.Shot(1).DevCorrectionFlag); // only "O" is true
    EXPECT_EQ(g.Shot(1).Comment.Get(), "comment");
    EXPECT_TRUE(g.Positioned);
    EXPECT_EQ(g.Colour, 255);
    EXPECT_EQ(static_cast<std::uint32_t>(f.Galeries[1]->Colour), 0x80000005u);
    EXPECT_EQ(m->Date_Declinaison, "01/01/80");
    EXPECT_TRUE(m->RecycleBin.empty());
}

TEST(BinaryFormat, Version1001TakesTheDefaultsOfLaterItems)
{
    // Write a 1005 file of one shot, then strip it down by hand to the 1001 layout.
    TMassif m;
    auto sheet = std::make_unique<TFiche>();
    sheet->Galeries.push_back(MakeGallery("A", 1, "A", 2, 1));
    m.AddSheet(std::move(sheet), false);
    m.Angle_Geodesique = 5;
    std::string bytes = Binary(m);

    // Offsets: the sheet header is 9+1+2+4*2+6+6+2+4+2 = 40 bytes from 4; a station named "A" is
    // 1+3+1+18 bytes; then 5 reals, the shot count, 2 reals and the empty gallery name.
    const std::size_t gallery = 4 + 40;
    const std::size_t shot = gallery + 2 * 23 + 30 + 1 + 12 + 2;
    const std::size_t shotEnd = shot + 18 + 44 + 2 + 6 + 14 + 24;
    const std::size_t tail = shotEnd + 1 + 6 + 48 + 4; // after the colour
    ASSERT_EQ(bytes.size(), tail + 23 + 6 + 2 + 2 + 2 + 1);
    std::string old = bytes.substr(0, shotEnd); // drop the topofil flag ...
    old += bytes.substr(shotEnd + 1 + 6, 7 + 1 + 40); // ... and the gallery topofil coefficient
    old += bytes.substr(tail, 2 + 6 + 9 + 6); // references, declination data
    old += bytes.substr(tail + 2 + 6 + 9 + 6 + 6, 2); // skip Angle_Geodesique; elevation points
    old += '\0'; // editor flag; no recycle bin or shortcuts
    old[0] = static_cast<char>(1001 & 0xFF);
    old[1] = static_cast<char>(1001 >> 8);

    TempDir dir;
    WriteFile(dir.Path("old.fic"), old);
    auto back = LoadFrom(dir.Path("old.fic"));
    ASSERT_EQ(back->Sheets.size(), 1u);
    const TGalerie& g = *back->Sheets[0]->Galeries[0];
    EXPECT_EQ(g.ShotCount(), 1);
    EXPECT_FALSE(g.Shot(1).TopofilFlag);
    EXPECT_EQ(g.TopofilCoef, 1.0);
    EXPECT_EQ(g.Colour, 0);
    EXPECT_EQ(back->Angle_Geodesique, 0.0);
    EXPECT_EQ(back->Date_Declinaison, "01/01/80");
    EXPECT_EQ(g.Shot(1).Length, m.Sheets[0]->Galeries[0]->Shot(1).Length);
}

TEST(Files, NewerVersionIsRefusedWithItsWarning)
{
    TempDir dir;
    WriteFile(dir.Path("new.fic"), std::string("\xEE\x03", 2) + "whatever follows");
    WriteFile(dir.Path("new.mas"),
        "Versi\xF3n"
        "1006\r\nNb_Fiche 1\r\n");
    for (const char* name : { "new.fic", "new.mas" }) {
        ScriptedReporter reporter;
        TMassif m;
        m.FileName = dir.Path(name);
        const LoadResult result = m.Load(&reporter);
        EXPECT_EQ(result.status, LoadStatus::NewerVersion);
        EXPECT_EQ(result.version, 1006);
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].first, MessageKind::Warning);
        EXPECT_EQ(
            reporter.messages[0].second, "Este fichero corresponde a una versión más reciente del programa");
        EXPECT_TRUE(m.Sheets.empty());
        EXPECT_EQ(m.FileName, dir.Path(name));
    }
}

TEST(Files, ExtensionRuleSelectsTheFormat)
{
    for (const char* name : { "a.mas", "a.MAS", "a.Mas", "dir.x/a.mAs" })
        EXPECT_TRUE(IsTextFileName(name)) << name;
    for (const char* name : { "a.fic", "a.txt", "a", "a.mas.fic", "dir.mas/a", "a.masx" })
        EXPECT_FALSE(IsTextFileName(name)) << name;

    TempDir dir;
    TMassif m;
    m.Save(dir.Path("x.Mas"));
    m.Save(dir.Path("x.txt"));
    m.Save(dir.Path("x"));
    EXPECT_EQ(ReadFile(dir.Path("x.Mas")).substr(0, 7), "Versi\xF3n");
    EXPECT_EQ(ReadFile(dir.Path("x.txt")).size(), 40u);
    EXPECT_EQ(ReadFile(dir.Path("x")).size(), 40u);
}

TEST(Files, ProgressAndStatusDuringSaveAndLoad)
{
    auto fixture = MakeFixtureMassif();
    TempDir dir;
    ProgressLog save;
    fixture->SelectionActive = true;
    fixture->Selection.emplace();
    fixture->Save(dir.Path("p.fic"), &save);
    EXPECT_EQ(save.statuses.front(), "Resguardo del macizo ...");
    EXPECT_EQ(save.statuses.back(), "Selección");
    EXPECT_EQ(save.values, (std::vector<int> { 0, 0, 50 }));
    EXPECT_EQ(save.shown, (std::vector<bool> { true, false }));
    EXPECT_GE(save.events, 2);

    ProgressLog load;
    TMassif m;
    m.FileName = dir.Path("p.fic");
    m.Load(nullptr, &load);
    EXPECT_EQ(load.statuses.front(), "Lectura del macizo ...");
    EXPECT_EQ(load.statuses.back(), "");
    EXPECT_EQ(load.values, (std::vector<int> { 0, 50, 100 }));
}

TEST(Files, UnstorableValueFailsWithoutTouchingTheOldFile)
{
    TempDir dir;
    TMassif good;
    good.Save(dir.Path("keep.fic"));
    good.Save(dir.Path("keep.mas"));
    const std::string before = ReadFile(dir.Path("keep.fic"));

    auto bad = MakeFixtureMassif();
    bad->Sheets[0]->Galeries[0]->X = 1e40;
    EXPECT_THROW(bad->Save(dir.Path("keep.fic")), FileError);
    EXPECT_EQ(ReadFile(dir.Path("keep.fic")), before);
    bad->Sheets[0]->Galeries[0]->X = std::nan("");
    EXPECT_THROW(bad->Save(dir.Path("keep.mas")), FileError);
    EXPECT_EQ(ReadFile(dir.Path("keep.mas")).size(), Text(good).size());
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(dir.Path("")), std::filesystem::directory_iterator()),
        2); // no temporary left
}

TEST(Files, WriteFailureIsReportedAndKeepsTheOldFile)
{
    if (geteuid() == 0) {
        // root writes into read-only folders; a missing folder still fails.
        TMassif m;
        EXPECT_THROW(m.Save("/nonexistent-folder/x.fic"), FileError);
        return;
    }
    TempDir dir;
    TMassif m;
    m.Save(dir.Path("k.fic"));
    chmod(dir.Path("").c_str(), 0500);
    EXPECT_THROW(m.Save(dir.Path("k.fic")), FileError);
    chmod(dir.Path("").c_str(), 0700);
    EXPECT_EQ(ReadFile(dir.Path("k.fic")).size(), 40u);
}

TEST(Files, MissingFileIsAnErrorNamingIt)
{
    TMassif m;
    m.FileName = "/nonexistent/cave.fic";
    try {
        m.Load();
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), "/nonexistent/cave.fic");
        EXPECT_NE(std::string(e.what()).find("/nonexistent/cave.fic"), std::string::npos);
    }
}

// The program reads a text massif from disk block by block. A massif of several blocks gives what
// the same text read whole gives, with lines cut at the blocks' ends, with or without its last line
// end; a fault far into the file names the same line and keeps the same sheets; a single line of a
// megabyte (a CR-only file) is refused with a short excerpt.
TEST(Files, TextReadByBlocksGivesWhatTheWholeTextGives)
{
    TempDir dir;
    const auto maze = MakeMaze(20, 5, 0.2);
    const std::string text = Text(*maze.massif);
    ASSERT_GT(text.size(), 2 * TFileBlocks::kBlock);

    WriteFile(dir.Path("maze.mas"), text);
    EXPECT_EQ(Text(*LoadFrom(dir.Path("maze.mas"))), text);
    WriteFile(dir.Path("cut.mas"), text.substr(0, text.size() - 2));
    EXPECT_EQ(Text(*LoadFrom(dir.Path("cut.mas"))), text);

    // A shot line near the end damaged.
    std::string damaged = text;
    const auto shot = damaged.find("\tm\t", text.size() * 9 / 10);
    damaged[damaged.rfind("\r\n", shot) + 2] = 'x';
    auto failure = [](auto read) {
        TMassif m;
        try {
            read(m);
        } catch (const FileError& e) {
            return std::make_pair(std::string(e.what()), m.Sheets.size());
        }
        return std::make_pair(std::string("read without error"), m.Sheets.size());
    };
    WriteFile(dir.Path("damaged.mas"), damaged);
    const auto whole
        = failure([&](TMassif& m) { DecodeText(damaged, m, dir.Path("damaged.mas"), nullptr, nullptr); });
    const auto blocks = failure([&](TMassif& m) {
        m.FileName = dir.Path("damaged.mas");
        m.Load();
    });
    EXPECT_NE(whole.first.find("línea "), std::string::npos) << whole.first;
    EXPECT_EQ(blocks, whole);
    EXPECT_GT(blocks.second, maze.massif->Sheets.size() / 2);

    WriteFile(dir.Path("cr.mas"), "Versi\xF3n 1005\r" + std::string(1200000, 'x') + "\r");
    const auto cr = failure([&](TMassif& m) {
        m.FileName = dir.Path("cr.mas");
        m.Load();
    });
    EXPECT_LT(cr.first.size(), 200u) << cr.first.substr(0, 300);
    EXPECT_NE(cr.first.find("línea 1"), std::string::npos) << cr.first;
}

TEST(Files, SavingUnderACommaLocaleWritesPoints)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no de_DE locale here (scripts/test builds one)";
    auto fixture = MakeFixtureMassif();
    const std::string text = Text(*fixture);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(text, Text(*fixture));
    EXPECT_NE(text.find("Declinaison -1.75\r\n"), std::string::npos);
}

// Real caves converted by another tool: reading and writing them back must change nothing.
TEST(RealData, SharedMassifsRoundTripByteForByte)
{
    for (const char* name : { "massifs/dowprov.mas", "massifs/tatra.mas" }) {
        const std::string path = SharedData(name);
        if (path.empty())
            GTEST_SKIP() << "../shared/data is not on this machine";
        auto m = LoadFrom(path);
        EXPECT_FALSE(m->Sheets.empty());
        TempDir dir;
        m->Save(dir.Path("copy.fic"));
        auto viaBinary = LoadFrom(dir.Path("copy.fic"));
        EXPECT_EQ(Text(*viaBinary), ReadFile(path)) << name;
    }
}
