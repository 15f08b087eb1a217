// The Toporobot exchange: the export's records, the import's sheets and stations, the round trip of
// the bundled sample, and the real files of other caves.
#include "compute/driver.h"
#include "exchange/toporobot.h"
#include "model/file_error.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "support/fixture.h"
#include "support/lines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

using namespace ks;
using namespace ks::test;

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// A massif with one reference point at A 1 and one sheet of one gallery A 1 - B 1.
std::unique_ptr<TMassif> Small(const std::vector<TVisee>& shots, const std::vector<std::string>& surveyors)
{
    auto massif = std::make_unique<TMassif>();
    massif->FileName = "/caves/(Sima).mas";
    auto reference = std::make_unique<TPointTopo>();
    reference->Name.Set("A");
    reference->Number = 1;
    reference->X = 400.5;
    reference->Y = 3000.25;
    reference->Z = 900;
    massif->References.push_back(std::move(reference));
    auto sheet = std::make_unique<TFiche>();
    sheet->Date = "07/05/98";
    for (const std::string& s : surveyors)
        sheet->Surveyors.emplace_back(s);
    sheet->Declinaison = 1.8;
    auto g = std::make_unique<TGalerie>();
    g->Start.Name.Set("A");
    g->Start.Number = 1;
    g->End.Name.Set("B");
    g->End.Number = 1;
    g->Name.Set("Galer\xED"
                "a \xE9"); // Windows-1252
    for (const TVisee& v : shots)
        g->AddShot(v);
    sheet->Galeries.push_back(std::move(g));
    massif->AddSheet(std::move(sheet), false);
    return massif;
}

TVisee Shot(double length, double azimuth, std::uint8_t azimuthUnit, double inclination = 0)
{
    TVisee v;
    v.Length = length;
    v.Azimuth = azimuth;
    v.AzimuthUnit = azimuthUnit;
    v.Inclination = inclination;
    return v;
}

// Imports a text written here into a fresh massif.
TToporobotReport Import(const std::string& text, TMassif& massif, TempDir& dir)
{
    WriteFile(dir.Path("in.Tab"), text);
    return ImportToporobot(dir.Path("in.Tab"), massif);
}

} // namespace

TEST(ToporobotExport, RecordsCrOnlyWithTheirConversions)
{
    TVisee back = Shot(10, 250, kBackGrades);
    back.RightWidth = "3"; // a single width
    TVisee second = Shot(5, 150, kBackGrades);
    second.Comment.Set("(nota");
    auto massif = Small({ back, second }, { "Ana" });
    const std::string text = ToporobotText(*massif);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const auto lines = Lines(text, "\r");
    ASSERT_GE(lines.size(), 19u);
    EXPECT_EQ(lines[0], "-6\t1\t.(Sima)");
    EXPECT_EQ(lines[1], "-5\t1\t400500.00\t3000250.00\t900.00\t1\t0");
    EXPECT_EQ(lines[2], "-2\t1\t07\t05\t98\tAna\t \t0\t-2.00\t0\t1"); // 1.8° is 2 grades, negated
    EXPECT_EQ(lines[3], "-2\t999\t4\t1\t99\t \t \t0\t0.00\t0\t0\tPunto fijo");
    EXPECT_EQ(lines[4], "-1\t1\t360.00\t360.00\t0.10\t1.00\t1.00\t100.00\t0.00");
    EXPECT_EQ(lines[12], "-1\t999\t400.00\t400.00\t0.00\t0.00\t0.00\t100.00\t-100.00");
    EXPECT_EQ(lines[13], "");
    // The reference is the gallery's start: no placeholder series; series 1 from (1, 0).
    EXPECT_EQ(lines[14],
        "1\t-1\t1\t0\t1\t2\t2\t0\t0\t\tGaler\x92"
        "a \x8e");
    EXPECT_EQ(Split(lines[15])[11], "");
    const auto first = Split(lines[16]);
    EXPECT_EQ(first[2], "5"); // degrees inclination, grades azimuth
    EXPECT_EQ(first[5], "50.00"); // 250 read backwards
    EXPECT_EQ(first[7], "1.50"); // half of the single width each side
    EXPECT_EQ(first[8], "1.50");
    EXPECT_EQ(Split(lines[17])[5], "350.00");
    EXPECT_EQ(Split(lines[17])[11], ".(nota");

    auto none = Small({ Shot(1, 0, kDegrees) }, {});
    EXPECT_EQ(Lines(ToporobotText(*none), "\r")[2], "-2\t1\t07\t05\t98\t \t \t0\t-2.00\t0\t1");
    none->References.clear();
    EXPECT_THROW(ToporobotText(*none), std::runtime_error);
}

TEST(ToporobotImport, EntranceTripsJunctionsAndCleaning)
{
    TempDir dir;
    TMassif massif;
    // Series 1 from the entrance of SIMA: stations 0 to 5 with trips 3, 3, 3, 4, 4, 3; a shot of
    // length 0 at station 4 of trip 4; series 2 hangs on station 5 and ends open.
    std::string text
        = "-6\t1\tSIMA\r-5\t1\t1000.00\t2000.00\t300.00\t1\t0\r"
          "-2\t3\t7\t5\t98\tAna\tLuis\t0\t0.00\t0\t1\r-2\t4\t08\t05\t98\tAna\t\t0\t-10.00\t0\t1\r"
          "-1\t1\t360.00\t360.00\t0.10\t1.00\t1.00\t100.00\t0.00\r\r"
          "1\t-1\t1\t0\t1\t5\t5\t0\t0\tPrincipal\r"
          "1\t0\t1\t3\t0.00\t0.00\t0.00\t0\t0\t0\t0\r"
          "1\t1\t1\t3\t10.00\t90.00\t0.00\t1\t1\t2\t0\tcomentario\r"
          "1\t2\t1\t3\t10.00\t90.00\t0.00\t1\t1\t2\t0\r"
          "1\t3\t1\t4\t10.00\t0.00\t0.00\t1\t1\t2\t0\r"
          "1\t4\t1\t4\t0.00\t0.00\t0.00\t1\t1\t2\t0\r"
          "1\t5\t1\t3\t10.00\t180.00\t0.00\t1\t1\t2\t0\r\r"
          "2\t-1\t1\t5\t2\t1\t1\t0\t0\tLateral\r"
          "2\t0\t1\t3\t0.00\t0.00\t0.00\t0\t0\t0\t0\r"
          "2\t1\t1\t3\t4.00\t270.00\t0.00\t0\t0\t0\t0\r\r";
    const TToporobotReport report = Import(text, massif, dir);
    EXPECT_TRUE(report.CrOnly);
    EXPECT_EQ(report.Series, 2);
    ASSERT_EQ(massif.References.size(), 1u);
    EXPECT_EQ(massif.References[0]->Name.Get(), "EntradaSIMA");
    EXPECT_DOUBLE_EQ(massif.References[0]->X, 1);
    // Trip 3, trip 4, trip 3 again (with series 2 in it).
    ASSERT_EQ(massif.Sheets.size(), 3u);
    EXPECT_EQ(massif.Sheets[0]->Date, "07/05/98");
    EXPECT_EQ(massif.Sheets[0]->Cavite.Get(), "SIMA");
    EXPECT_EQ(massif.Sheets[0]->Systeme.Get(), "SIMA"); // a folder with a label in the explorer
    EXPECT_EQ(massif.Sheets[1]->Declinaison, 10); // grades, the export's negated value back
    const TGalerie& g0 = *massif.Sheets[0]->Galeries[0];
    EXPECT_EQ(g0.Start.Name.Get(), "EntradaSIMA");
    EXPECT_EQ(g0.Name.Get(), "Principal");
    EXPECT_EQ(g0.ShotCount(), 3); // station 0's empty shot stays first
    EXPECT_EQ(g0.Shot(1).Length, 0);
    EXPECT_EQ(g0.End.Name.Get(), "1_2");
    const TGalerie& g1 = *massif.Sheets[1]->Galeries[0];
    EXPECT_EQ(g1.Start.Name.Get(), "1_2");
    EXPECT_EQ(g1.ShotCount(), 1); // the empty shot at station 4 is gone
    EXPECT_EQ(g1.End.Name.Get(), "1_4");
    const auto& third = massif.Sheets[2]->Galeries;
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0]->Start.Name.Get(), "1_4");
    // Series 2's start resolves to series 1's last station; its far end is open.
    EXPECT_TRUE(third[1]->Start.SameStation(third[0]->End));
    EXPECT_TRUE(third[1]->End.Final);
    EXPECT_TRUE(third[0]->End.SameStation(third[1]->Start));
    EXPECT_EQ(g0.Shot(2).RightWidth, "1");
    EXPECT_EQ(g0.Shot(2).Comment.Get(), "comentario");

    // The export of what was read reads back with empty gallery names (field 10 stays empty).
    const std::string again = ToporobotText(massif);
    TMassif back;
    Import(again, back, dir);
    ASSERT_FALSE(back.Sheets.empty());
    EXPECT_EQ(back.Sheets[0]->Galeries[0]->Name.Get(), "");
}

TEST(ToporobotExchange, EveryAccentedLetterAndEverySheetComeBack)
{
    // Spanish, French and Catalan letters, in words and in capitals, in comments and surveyors.
    const std::vector<std::string> texts = { "Galería ÑANDÚ, cañón: ¿dónde? ¡aquí! 1º 2ª", "ÁÉÍÓÚÜÑ áéíóúüñ",
        "Église forêt où naît l'été, garçon cœur ŒUVRE Ÿ ÿ æ Æ", "ÀÂÄÇÈÉÊËÎÏÔÙÛÜ àâäçèéêëîïôùûü",
        "Cal·lí, Òdena, Lleó, col·lecció ÒÓÍÚÏ òóíúï" };
    std::vector<TVisee> shots;
    for (const std::string& text : texts) {
        shots.push_back(Shot(3, 10, kDegrees));
        shots.back().Comment.Set(Utf8ToCp1252(text));
    }
    auto massif = Small(shots, { Utf8ToCp1252("Núñez"), Utf8ToCp1252("Lefèvre") });
    // A thousand sheets: the 999th must not take the fixed points' trip.
    for (int i = 2; i <= 1000; ++i) {
        auto sheet = std::make_unique<TFiche>();
        sheet->Date = i == 999 ? "09/09/09" : "01/01/01";
        auto g = std::make_unique<TGalerie>();
        g->Start.Name.Set(i == 2 ? "B" : "S" + std::to_string(i - 1));
        g->Start.Number = 1;
        g->End.Name.Set("S" + std::to_string(i));
        g->End.Number = 1;
        g->AddShot(Shot(2, 45, kDegrees));
        sheet->Galeries.push_back(std::move(g));
        massif->AddSheet(std::move(sheet), false);
    }
    TempDir dir;
    TMassif back;
    const TToporobotReport report = Import(ToporobotText(*massif), back, dir);
    EXPECT_TRUE(report.MacRoman);
    ASSERT_FALSE(back.Sheets.empty());
    const TGalerie& g = *back.Sheets[0]->Galeries[0];
    ASSERT_EQ(g.ShotCount(), static_cast<int>(texts.size()) + 1);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(Cp1252ToUtf8(g.Shot(static_cast<int>(i) + 2).Comment.Get()), texts[i]);
    EXPECT_EQ(Cp1252ToUtf8(back.Sheets[0]->Surveyors[0].Get()), "Núñez");
    EXPECT_EQ(Cp1252ToUtf8(back.Sheets[0]->Surveyors[1].Get()), "Lefèvre");
    EXPECT_EQ(back.Sheets.size(), 1000u);
    EXPECT_EQ(std::count_if(back.Sheets.begin(), back.Sheets.end(),
                  [](const auto& s) { return s->Date == "09/09/09"; }),
        1);
}

TEST(ToporobotImport, SeriesHangWhereTheirEndsSayAndShortSeriesAreReported)
{
    // Series 2 ends at station 0 of series 3, which starts at the end of series 1: one loop
    // between stations 1_1 and 1_2. Series 3 announces three stations and has one.
    const std::string text = "-6\t1\tSIMA\r-5\t1\t1000.00\t2000.00\t300.00\t1\t0\r"
                             "-2\t1\t7\t5\t98\tAna\t\t0\t0.00\t0\t1\r"
                             "-1\t1\t360.00\t360.00\t0.10\t1.00\t1.00\t100.00\t0.00\r\r"
                             "1\t-1\t1\t0\t1\t2\t2\t0\t0\tA\r"
                             "1\t0\t1\t1\t0.00\t0.00\t0.00\t0\t0\t0\t0\r"
                             "1\t1\t1\t1\t5.00\t0.00\t0.00\t0\t0\t0\t0\r"
                             "1\t2\t1\t1\t5.00\t90.00\t0.00\t0\t0\t0\t0\r\r"
                             "2\t-1\t1\t1\t3\t0\t1\t0\t0\tB\r"
                             "2\t0\t1\t1\t0.00\t0.00\t0.00\t0\t0\t0\t0\r"
                             "2\t1\t1\t1\t5.10\t90.00\t0.00\t0\t0\t0\t0\r\r"
                             "3\t-1\t1\t2\t3\t3\t3\t0\t0\tC\r"
                             "3\t0\t1\t1\t0.00\t0.00\t0.00\t0\t0\t0\t0\r"
                             "3\t1\t1\t1\t5.00\t180.00\t0.00\t0\t0\t0\t0\r\r";
    TempDir dir;
    TMassif massif;
    const TToporobotReport report = Import(text, massif, dir);
    std::map<std::string, std::vector<const TGalerie*>> byName;
    for (const auto& sheet : massif.Sheets)
        for (const auto& g : sheet->Galeries)
            byName[g->Name.Get()].push_back(g.get());
    ASSERT_EQ(byName["A"].size(), 2u);
    ASSERT_EQ(byName["B"].size(), 1u);
    ASSERT_EQ(byName["C"].size(), 1u);
    const TPointTopo& end = byName["A"][1]->End;
    EXPECT_TRUE(byName["B"][0]->End.SameStation(end)) << byName["B"][0]->End.Name.Get();
    EXPECT_TRUE(byName["C"][0]->Start.SameStation(end));
    EXPECT_EQ(report.ShortSeries, std::vector<std::string> { "3 (1 de 3)" });
    EXPECT_NE(report.Adapted().find("3 (1 de 3)"), std::string::npos);
}

TEST(ToporobotImport, ReadingsOfEveryUnitCode)
{
    struct Case
    {
        int azimuthCode, inclinationCode;
        double length, azimuth, inclination; // as written
        double metres; // the length read
        std::uint8_t azimuthUnit, inclinationUnit;
        double inclinationRead;
    };
    const double feetInches = 10 * 0.3048 + 6 * 0.0254; // 10.06: 10 feet 6 inches
    const Case cases[] = {
        { 358, 359, 10, 45, 100, 3.048, kDegrees, kDegrees, 10 }, // feet; from the zenith
        { 347, 370, 10.06, 45, 20, feetInches, kBackDegrees, kSlopeMetres, feetInches * 0.2 }, // percent
        { 400, 399, 10, 50, 120, 10, kGrades, kGrades, 20 },
        { 390, 401, 10, 50, 80, 10, kBackGrades, kGrades, 20 },
        { 360, 350, 10, 30, 15, 10, kDegrees, kBackDegrees, 15 },
        { 360, 390, 10, 30, 15, 10, kDegrees, kBackGrades, 15 },
        { 360, 361, 10, 30, 80, 10, kDegrees, kVulcain, 80 },
        { 360, 380, 10, 30, 2, 10, kDegrees, kSlopeMetres, 2 },
    };
    std::string codes, stations = "1\t0\t1\t1\t0.00\t0.00\t0.00\t0\t0\t0\t0\r";
    for (int i = 0; i < 8; ++i) {
        const Case& c = cases[i];
        const std::string code = std::to_string(i + 1);
        codes += "-1\t" + code + "\t" + std::to_string(c.azimuthCode) + "\t"
            + std::to_string(c.inclinationCode) + "\t0\t1\t1\t100\t0\r";
        stations += "1\t" + code + "\t" + code + "\t1\t" + FormatFixed(c.length, 2) + "\t"
            + FormatFixed(c.azimuth, 2) + "\t" + FormatFixed(c.inclination, 2) + "\t0\t0\t0\t0\r";
    }
    const std::string text = "-6\t1\tSIMA\r-5\t1\t0\t0\t0\t1\t0\r-2\t1\t1\t1\t98\tAna\t\t0\t0\t0\t1\r" + codes
        + "1\t-1\t1\t0\t1\t8\t8\t0\t0\tA\r" + stations;
    TempDir dir;
    TMassif massif;
    Import(text, massif, dir);
    ASSERT_EQ(massif.Sheets.size(), 1u);
    const TGalerie& g = *massif.Sheets[0]->Galeries[0];
    ASSERT_EQ(g.ShotCount(), 9); // station 0's empty shot, then one per code
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i + 1);
        const TVisee& v = g.Shot(i + 2);
        EXPECT_NEAR(v.Length, cases[i].metres, 1e-9);
        EXPECT_DOUBLE_EQ(v.Azimuth, cases[i].azimuth);
        EXPECT_EQ(v.AzimuthUnit, cases[i].azimuthUnit);
        EXPECT_EQ(v.InclinationUnit, cases[i].inclinationUnit);
        EXPECT_NEAR(v.Inclination, cases[i].inclinationRead, 1e-9);
    }
    // Imported into a massif with a geodesic angle, the shots are reduced turned by it.
    TMassif turned;
    turned.Angle_Geodesique = 90;
    Import(text, turned, dir);
    const TVisee& a = g.Shot(2);
    const TVisee& b = turned.Sheets[0]->Galeries[0]->Shot(2);
    EXPECT_NEAR(b.CumX, -a.CumY, 1e-9);
    EXPECT_NEAR(b.CumY, a.CumX, 1e-9);
}

TEST(ToporobotImport, HostileNumbersAreRefusedByLineAndLongTextsSaid)
{
    const std::string head = "-6\t1\tSIMA\r-5\t1\t0\t0\t0\t30000000\t0\r-2\t1\t1\t1\t98\tAna\t\t0\t0\t0\t1\r"
                             "-1\t1\t360\t360\t0\t1\t1\t100\t0\r";
    auto series = [](const std::string& number, const std::string& length, const std::string& comment) {
        return number + "\t-1\t" + number + "\t0\t" + number + "\t1\t1\t0\t0\tA\r" + number
            + "\t0\t1\t1\t0\t0\t0\t0\t0\t0\t0\r" + number + "\t1\t1\t1\t" + length + "\t10\t0\t0\t0\t0\t0\t"
            + comment + "\r";
    };
    TempDir dir;
    // A series number of thirty million in a file of a few lines costs those lines only.
    TMassif massif;
    const TToporobotReport report
        = Import(head + series("30000000", "5", std::string(40000, 'c')), massif, dir);
    EXPECT_EQ(report.Series, 1);
    EXPECT_EQ(report.LongTexts, 1);
    EXPECT_NE(report.Adapted().find("textos de más de 32767 caracteres cortados (el primero en la línea 7)"),
        std::string::npos);
    // A number beyond 32 bits and a length no massif can store are refused, naming their line.
    for (const auto& [text, line] : { std::pair { series("4294967297", "5", ""), "línea 5" },
             std::pair { series("1", "1e155", ""), "línea 7" } }) {
        TMassif refused;
        try {
            Import(head + text, refused, dir);
            ADD_FAILURE() << text;
        } catch (const FileError& e) {
            EXPECT_EQ(e.Place(), line) << e.what();
        }
        EXPECT_TRUE(refused.Sheets.empty());
    }
}

TEST(ToporobotImport, RefusedFileLeavesTheMassifAsItWas)
{
    TempDir dir;
    auto massif = Small({ Shot(1, 0, kDegrees) }, {});
    EXPECT_THROW(Import("-2\t1\t1\t1\t1\r1\t-1\t1\t0\t1\t0\t0\r", *massif, dir), FileError);
    EXPECT_THROW(Import("-6\t1\tCueva\r", *massif, dir), FileError);
    EXPECT_EQ(massif->Sheets.size(), 1u);
    EXPECT_EQ(massif->References.size(), 1u);
}

TEST(ToporobotExchange, TheSampleComputesToTheSameStations)
{
    TMassif sample;
    sample.FileName = kSample;
    sample.Load();
    TComputeFlags flags;
    auto compute = [&flags](TMassif& m) {
        TThreadCalcul thread(m, flags);
        EXPECT_TRUE(thread.Complete(m).Positioned);
        m.PlaceAllStations();
    };
    compute(sample);
    TempDir dir;
    TMassif imported;
    Import(ToporobotText(sample), imported, dir);
    compute(imported);
    auto stations = [](const TMassif& m) {
        std::vector<std::array<double, 3>> all;
        for (TFiche* sheet : m.CurrentSheets())
            for (const auto& g : sheet->Galeries)
                if (g->Positioned)
                    for (const TStationPos& p : g->Stations)
                        all.push_back({ p.X, p.Y, p.Z });
        return all;
    };
    const auto before = stations(sample), after = stations(imported);
    ASSERT_GT(before.size(), 100u);
    // The file holds readings with two decimals and the declinations in grades with two decimals
    // (0.0045° at most, 8 cm over the sample's 1 km): every station comes back within 10 cm.
    double worst = 0;
    for (const auto& p : before) {
        double nearest = 1e9;
        for (const auto& q : after)
            nearest = std::min(nearest, std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]));
        worst = std::max(worst, nearest);
    }
    EXPECT_LT(worst, 0.1);
    std::cout << "largest station shift after the round trip: " << worst << " m\n";
}

TEST(ToporobotImport, RealFilesOfOtherCaves)
{
    const std::string folder = SharedData("toporobot-ghtopo-examples/original");
    if (folder.empty())
        GTEST_SKIP() << "the shared Toporobot examples are not on this machine";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        // Our own count: station lines (a positive series, a station number) and the length of
        // the surveyed ones (not fixed points).
        const std::string bytes = ReadFile(path);
        int stationLines = 0;
        double length = 0;
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = bytes.size();
            const auto f = Split(bytes.substr(start, end - start));
            start = end + 1;
            const auto series = ParseInt(f[0]);
            if (!series || *series <= 0 || f.size() < 5 || !ParseInt(f[1]) || *ParseInt(f[1]) < 0)
                continue;
            ++stationLines;
            if (!(f[2] == "999" && f[3] == "999"))
                length += ToReal(f[4]);
        }
        TMassif massif;
        const TToporobotReport report = ImportToporobot(path, massif);
        EXPECT_EQ(report.Stations, stationLines);
        double imported = 0;
        for (const auto& sheet : massif.Sheets)
            for (const auto& g : sheet->Galeries) {
                EXPECT_LE(g->ShotCount(), kMaxShots);
                for (const TVisee& v : g->Shots)
                    imported += v.LengthMetres();
            }
        EXPECT_NEAR(imported, length, 1e-6 * length + 0.01);
        TComputeFlags flags;
        TThreadCalcul thread(massif, flags);
        const TComputeReport computed = thread.Complete(massif);
        EXPECT_TRUE(computed.Positioned);
        EXPECT_TRUE(computed.Unreached.empty()) << computed.Unreached.size() << " galleries unreached";
        ++files;
    }
    EXPECT_EQ(files, 5);
}
