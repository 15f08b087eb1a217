// The Compass and Walls readers: a small hand-written file of each with the features cavers use,
// their refusals, and the real projects of other caves.
#include "exchange/compass.h"
#include "exchange/walls.h"
#include "model/file_error.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ks;
using namespace ks::test;

namespace {

const survey::TLeg& Leg(const survey::TSurveyData& data, const std::string& from, const std::string& to)
{
    for (const auto& s : data.Surveys)
        for (const auto& leg : s.Legs)
            if (leg.From == from && leg.To == to)
                return leg;
    throw std::runtime_error("no leg " + from + " " + to);
}

// The message of the FileError a reader throws on a file's text; empty when it takes it.
template <typename Read>
std::string Refusal(const TempDir& home, const std::string& name, const std::string& text, Read read)
{
    WriteFile(home.Path(name), text);
    try {
        read(home.Path(name));
    } catch (const FileError& e) {
        return e.what();
    }
    return std::string();
}

} // namespace

TEST(Compass, SurveysBacksightsCorrectionsFlagsAndTheProjectsFixedStation)
{
    TempDir home;
    WriteFile(home.Path("cave.dat"),
        "Sima\r\nSURVEY NAME: A\r\nSURVEY DATE: 7 20 2000  COMMENT:first\r\nSURVEY TEAM:\r\nAna;Luis\r\n"
        "DECLINATION: 2.00  FORMAT: DDDDLRUDLADadBT  CORRECTIONS: 1.00 0.00 0.50 CORRECTIONS2: 0.0 "
        "0.0\r\n\r\n"
        "FROM TO LEN BEAR INC LEFT UP DOWN RIGHT AZM2 INC2 FLAGS COMMENTS\r\n\r\n"
        "A1 A2 10.00 90.00 10.00 1.00 2.00 3.00 4.00 272.00 -10.00\r\n"
        "A2 A3 5.00 -999.00 -90.00 -999 -999 -999 -999 -999.00 -999.00\r\n"
        "A3 A4 3.00 0.00 0.00 0 0 0 0 -999 -999 #|L# duplicate\r\n"
        "A4 A5 3.00 0.00 0.00 0 0 0 0 -999 -999 #|X# left out\r\n\x0c");
    WriteFile(
        home.Path("cave.mak"), "&WGS 1984;\r\n/ a comment;\r\n#CAVE.DAT,A1[M,500000.0,4000000.0,300.0];\r\n");
    const survey::TSurveyData data = ReadCompass(home.Path("cave.mak"));
    ASSERT_EQ(data.Surveys.size(), 1u);
    const auto& s = data.Surveys[0];
    EXPECT_EQ(s.Date, "20/07/00");
    EXPECT_EQ(s.Team, (std::vector<std::string> { "Ana", "Luis" }));
    EXPECT_DOUBLE_EQ(s.Declination, 2);
    const auto& first = Leg(data, "A1", "A2");
    EXPECT_NEAR(first.Length, 10.5 * 0.3048, 1e-12); // feet, corrected
    EXPECT_NEAR(first.Bearing, 91.5, 1e-9); // fore 91 and back 272 - 180
    EXPECT_NEAR(first.Inclination, 10, 1e-9);
    EXPECT_NEAR(first.AtTo.Right, 4 * 0.3048, 1e-12);
    EXPECT_DOUBLE_EQ(Leg(data, "A2", "A3").Inclination, -90);
    EXPECT_NE(Leg(data, "A3", "A4").Flags, 0u);
    EXPECT_EQ(data.Adapted.at("visuales excluidas (X) dejadas"), 1);
    ASSERT_EQ(data.Fixes.size(), 1u);
    EXPECT_DOUBLE_EQ(data.Fixes[0].Y, 4000000);

    auto read = [](const std::string& f) { ReadCompass(f); };
    EXPECT_NE(Refusal(home, "bad.dat", "C\r\nSURVEY NAME: A\r\nFROM TO\r\nA1 A2 x 1 1 0 0 0 0\r\n", read)
                  .find("línea 4"),
        std::string::npos);
    EXPECT_NE(Refusal(home, "bad.dat", "C\r\nSURVEY NAME: A\r\n", read).find("FROM TO"), std::string::npos);
    EXPECT_NE(Refusal(home, "bad.mak", "#nowhere.dat;", read).find("nowhere.dat"), std::string::npos);
}

TEST(Walls, UnitsPrefixesFixesSizesAndSplays)
{
    TempDir home;
    WriteFile(home.Path("A.SRV"),
        "#[\nnotes\n#]\n#units meters order =avd decl=2\n#prefix Sima\n#date 2014-01-06\n"
        "1 2 90 10 5 <1,2,3,4>\n2 3 N45E/S45W 5/-5 4\n3 - 180 -20 2\n"
        "#units feet rect order=enu\n3 Otra:1 3 4 0\n#fix 1 500000 4000000 300m\n");
    WriteFile(home.Path("p.wpj"),
        ".BOOK\tProyecto\n.BOOK\tCueva\n.PATH\t.\n.SURVEY\tTramo A\n.NAME\tA\n"
        ".STATUS\t8\n.SURVEY\tNotas\n.NAME\tnotas.txt\n.ENDBOOK\n.ENDBOOK\n");
    const survey::TSurveyData data = ReadWalls(home.Path("p.wpj"));
    EXPECT_EQ(data.Title, "Proyecto");
    ASSERT_FALSE(data.Surveys.empty());
    EXPECT_EQ(data.Surveys[0].Path, (std::vector<std::string> { "Cueva", "Tramo A" }));
    EXPECT_EQ(data.Surveys[0].Date, "06/01/14");
    EXPECT_DOUBLE_EQ(data.Surveys[0].Declination, 2);
    const auto& first = Leg(data, "Sima.1", "Sima.2");
    EXPECT_DOUBLE_EQ(first.Length, 5);
    EXPECT_DOUBLE_EQ(first.Bearing, 90);
    EXPECT_DOUBLE_EQ(first.Inclination, 10);
    ASSERT_EQ(data.Passages.size(), 1u); // at the From station
    EXPECT_DOUBLE_EQ(data.Passages[0].Sizes.Down, 4);
    EXPECT_NEAR(Leg(data, "Sima.2", "Sima.3").Bearing, 45, 1e-9);
    EXPECT_NEAR(Leg(data, "Sima.2", "Sima.3").Inclination, 5, 1e-9);
    EXPECT_EQ(Leg(data, "Sima.3", "").Flags, unsigned(survey::kSplay));
    const auto& rect = Leg(data, "Sima.3", "Otra.1");
    EXPECT_NEAR(rect.Length, 5 * 0.3048, 1e-12);
    EXPECT_NEAR(rect.Bearing, std::atan2(3, 4) * 180 / M_PI, 1e-9);
    EXPECT_EQ(data.Surveys.back().Declination, 0); // rectangular vectors are on the grid
    ASSERT_EQ(data.Fixes.size(), 1u);
    EXPECT_NEAR(data.Fixes[0].X, 500000 * 0.3048, 1e-6);
    EXPECT_DOUBLE_EQ(data.Fixes[0].Z, 300);

    auto read = [](const std::string& f) { ReadWalls(f); };
    EXPECT_NE(Refusal(home, "b.srv", "1 2 x 1 1\n", read).find("línea 1"), std::string::npos);
    EXPECT_NE(Refusal(home, "b.srv", "#units a=q\n", read).find("ángulo"), std::string::npos);
    EXPECT_NE(
        Refusal(home, "b.srv", "#fix 1 E19:56:33 N49:16:18 10m\n", read).find(".REF"), std::string::npos);
    EXPECT_NE(Refusal(home, "b.wpj", ".BOOK\tX\n.SURVEY\tY\n.NAME\tnada\n", read).find("nada.SRV"),
        std::string::npos);
}

TEST(CompassAndWalls, RealProjectsOfOtherCaves)
{
    const std::string gillocks = SharedData("compass-gillocks/gillocks.mak");
    const std::string kataster = SharedData("walls-tatra-kataster/KATASTER.wpj");
    if (gillocks.empty() || kataster.empty())
        GTEST_SKIP() << "../shared/data is not on this machine";
    TMassif compass;
    const auto report = ImportCompass(gillocks, compass);
    EXPECT_EQ(report.Shots, 90);
    EXPECT_NEAR(report.Development, 320.01, 0.01); // the peer's total length of legs
    EXPECT_EQ(report.References, 1);
    TMassif walls;
    const auto wallsReport = ImportWalls(kataster, walls);
    EXPECT_GT(wallsReport.Shots, 16000);
    EXPECT_GT(wallsReport.References, 60);
    for (TMassif* m : { &compass, &walls }) {
        TComputeFlags flags;
        flags.Unlimited = true;
        EXPECT_TRUE(ComputeFast(*m, flags).Positioned);
    }
}
