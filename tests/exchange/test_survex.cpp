// The Survex exchange: the reader's commands, data styles and refusals, the massif it builds, the
// export read back, the field model's declinations, and the real projects of other caves.
#include "exchange/geodesy.h"
#include "exchange/igrf.h"
#include "exchange/survex.h"
#include "model/file_error.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

using namespace ks;
using namespace ks::test;

namespace {

const survey::TLeg& LegTo(const survey::TSurveyData& data, const std::string& to)
{
    for (const auto& s : data.Surveys)
        for (const auto& leg : s.Legs)
            if (leg.To == to)
                return leg;
    throw std::runtime_error("no leg to " + to);
}

// Where each original name went, by name.
std::map<std::string, survey::TNameRow> ByName(const std::vector<survey::TNameRow>& rows)
{
    std::map<std::string, survey::TNameRow> map;
    for (const auto& row : rows)
        map[row.Name] = row;
    return map;
}

} // namespace

TEST(Survex, CommandsDataStylesAndUnits)
{
    TempDir home;
    std::filesystem::create_directories(home.Path("Sub"));
    WriteFile(home.Path("Sub/PART.SVX"),
        "*begin part\n*date 1999.07.14\n*team \"Ana Ruiz\" compass\n"
        "*data normal from to compass clino tape backcompass backclino\n"
        "1 2 10 5 4.0 190 -5\n"
        "2 3 - up 3 - -\n"
        "*data passage station left right up down\n3 1 2 0.5 -\n"
        "*end part\n");
    WriteFile(home.Path("cave.svx"),
        "; a test project\n*title \"Sima Test\"\n*include sub\\part\n*begin main\n*units tape feet\n"
        "*calibrate clino 1.0\n*declination 2.5 degrees\n*case toupper\n*alias station - ..\n"
        "a b 10 90 1\n*units compass quadrants\n*units clino percent\nb c 10 N45E 100\n"
        "*flags splay\nb - 3 N0E 0\n*flags not splay\nc d 2.5 S0E 0\n"
        "*data cartesian from to easting northing altitude\nd e 3 4 0\n"
        "*units tape metres\n*data diving from to tape compass fromdepth todepth\ne f 5 S0E 2 5\n"
        "*end main\n*equate part.1 MAIN.A\n*fix part.1 reference 1000 2000 300 0.5 0.5 1\n");
    const survey::TSurveyData data = ReadSurvex(home.Path("cave.svx"));
    EXPECT_EQ(data.Title, "Sima Test");
    ASSERT_EQ(data.Fixes.size(), 1u);
    EXPECT_EQ(data.Fixes[0].Station, "part.1");
    EXPECT_DOUBLE_EQ(data.Fixes[0].Z, 300);
    ASSERT_EQ(data.Equates.size(), 1u);
    EXPECT_EQ(data.Equates[0].second, "MAIN.A");

    // Fore and back readings averaged, back ones turned; a plumb needs no bearing.
    const auto& first = LegTo(data, "part.2");
    EXPECT_DOUBLE_EQ(first.Length, 4);
    EXPECT_NEAR(first.Bearing, 10, 1e-9);
    EXPECT_NEAR(first.Inclination, 5, 1e-9);
    EXPECT_DOUBLE_EQ(LegTo(data, "part.3").Inclination, 90);
    EXPECT_EQ(data.Surveys[0].Date, "14/07/99");
    EXPECT_EQ(data.Surveys[0].Team, std::vector<std::string> { "Ana Ruiz" });
    ASSERT_EQ(data.Passages.size(), 1u);
    EXPECT_DOUBLE_EQ(data.Passages[0].Sizes.Up, 0.5);
    EXPECT_LT(data.Passages[0].Sizes.Down, 0);

    // Feet, a calibrated clino, quadrants and percent; case and aliases.
    const auto& ab = LegTo(data, "MAIN.B");
    EXPECT_DOUBLE_EQ(ab.Length, 3.048);
    EXPECT_DOUBLE_EQ(ab.Inclination, 0);
    const auto& bc = LegTo(data, "MAIN.C");
    EXPECT_NEAR(bc.Bearing, 45, 1e-9);
    EXPECT_NEAR(bc.Inclination, 45 - 1, 1e-9);
    EXPECT_EQ(LegTo(data, "").Flags, unsigned(survey::kSplay));
    EXPECT_DOUBLE_EQ(LegTo(data, "MAIN.D").Length, 2.5 * 0.3048);
    EXPECT_NEAR(LegTo(data, "MAIN.E").Length, 5, 1e-9);
    EXPECT_NEAR(LegTo(data, "MAIN.E").Bearing, std::atan2(3, 4) * 180 / M_PI, 1e-9);
    EXPECT_NEAR(LegTo(data, "MAIN.F").Inclination, -std::asin(3.0 / 5) * 180 / M_PI, 1e-9);
    // The declination goes with the survey; cartesian legs are already on the grid.
    for (const auto& s : data.Surveys)
        for (const auto& leg : s.Legs)
            EXPECT_DOUBLE_EQ(s.Declination, leg.To == "MAIN.E" || leg.From.rfind("part", 0) == 0 ? 0 : 2.5)
                << leg.To;

    // Joined: one reference point, galleries between junctions, the splay kept out of the
    // development, the names map.
    TMassif massif;
    std::vector<survey::TNameRow> names;
    const auto report = JoinSurvey(data, massif, &names);
    EXPECT_EQ(report.References, 1);
    EXPECT_EQ(massif.References[0]->Name.Get(), "part");
    EXPECT_EQ(massif.References[0]->Number, 1);
    EXPECT_DOUBLE_EQ(massif.References[0]->X, 1);
    EXPECT_NEAR(report.Development, 4 + 3 + 3.048 + 3.048 + 2.5 * 0.3048 + 5 + 5, 1e-9);
    const auto map = ByName(names);
    EXPECT_EQ(map.at("MAIN.A").Ordre, map.at("part.1").Ordre);
    EXPECT_EQ(massif.Sheets.front()->Systeme.Get(), "Sima Test");
    EXPECT_EQ(NamesCsv(names).rfind("name,ordre,gallery,station\n", 0), 0u);
}

TEST(Survex, RefusalsNameTheFileAndLineAndJoinNothing)
{
    TempDir home;
    const std::pair<const char*, const char*> cases[] = {
        { "*frobnicate\n", "orden desconocida" },
        { "a b 10 x 0\n", "número incorrecto" },
        { "a b 10 0\n", "faltan datos" },
        { "a b 10 0 0 7\n", "sobran datos" },
        { "*begin x\na b 1 0 0\n", "falta «*end»" },
        { "*end\n", "sin «*begin»" },
        { "*include nowhere\n", "no se encuentra" },
        { "*include cave\n", "se incluye a sí mismo" },
        { "*units tape degrees\n", "imposible" },
        { "*cs OSGB:ZZ\n", "desconocido" },
        { "*data newline\n", "desconocido" },
        { "a b 10 - 0\n", "falta el rumbo" },
        { "*declination auto 1 2 3\na b 1 0 0\n", "fecha" },
    };
    for (const auto& [text, reason] : cases) {
        WriteFile(home.Path("cave.svx"), std::string("; first\n") + text);
        TMassif massif;
        massif.AddSheet(std::make_unique<TFiche>(), false);
        try {
            ImportSurvex(home.Path("cave.svx"), massif);
            ADD_FAILURE() << text << " was taken";
        } catch (const FileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("cave.svx"), std::string::npos) << what;
            EXPECT_NE(what.find(reason), std::string::npos) << text << ": " << what;
        }
        EXPECT_EQ(massif.Sheets.size(), 1u) << text;
    }
}

// A grid of exact readings in every unit the massif has, written as Survex and read back,
// computes to the true positions of its stations.
TEST(Survex, ExportReadBackComputesToTheSamePositions)
{
    GeneratedNetwork net = MakeGridNetwork(4, 3, 7);
    TempDir home;
    WriteFile(home.Path("grid.svx"), SurvexText(*net.massif));
    TMassif back;
    std::vector<survey::TNameRow> names;
    const auto report = ImportSurvex(home.Path("grid.svx"), back, &names);
    EXPECT_EQ(report.References, static_cast<int>(net.massif->References.size()));
    const auto map = ByName(names);

    // Each true station by the name the export gave it, then where the import put that name.
    std::vector<TrueStation> truth;
    for (const TrueStation& t : net.truth) {
        const TFiche* sheet = nullptr;
        for (const auto& s : net.massif->Sheets)
            if (s->Ordre == t.ordre)
                sheet = s.get();
        const TGalerie& g = *sheet->Galeries[static_cast<std::size_t>(t.gallery)];
        std::string name;
        if (t.station == 0 || (t.station == g.ShotCount() && !g.End.Final)) {
            const TPointTopo& p = t.station == 0 ? g.Start : g.End;
            name = p.Name.Get() + "." + std::to_string(p.Number);
        } else if (t.station < g.ShotCount()) {
            name = "S" + std::to_string(t.ordre) + ".G" + std::to_string(t.gallery) + "_"
                + std::to_string(t.station);
        } else {
            continue; // an open end has no name
        }
        const auto found = map.find(name);
        ASSERT_NE(found, map.end()) << name;
        truth.push_back({ found->second.Ordre, found->second.Gallery, found->second.Station, t.x, t.y, t.z });
    }
    ASSERT_GT(truth.size(), 20u);
    TComputeFlags flags;
    ComputeFast(back, flags);
    EXPECT_LT(WorstError(back, truth), 0.01);
}

TEST(Survex, DeclinationsOfTheFieldModel)
{
    if (!std::filesystem::exists(kIgrfTable))
        GTEST_SKIP() << kIgrfTable << " is not installed";
    // The published calculator's values (IGRF-12) at Dowbergill Bridge, as the DowProv files
    // quote them, and at Boulder.
    const std::pair<double, double> dowbergill[]
        = { { 1982.10137, -7.14 }, { 1988.25137, -6.24 }, { 2004.33607, -3.77 }, { 2015.75342, -1.83 } };
    for (const auto& [year, expected] : dowbergill)
        EXPECT_NEAR(*MagneticDeclination(54.14929, -2.04008, 0.225, year), expected, 0.01) << year;
    EXPECT_NEAR(*MagneticDeclination(40.0, -105.0, 0, 2015.0), 8.56, 0.02);
    EXPECT_FALSE(MagneticDeclination(40, -105, 0, 1899).has_value());
    EXPECT_FALSE(MagneticDeclination(40, -105, 0, 2021).has_value());
}

TEST(Survex, RealProjectsOfOtherCaves)
{
    const std::string dowprov = SharedData("survex-dowprov/DowProv.svx");
    const std::string tatra = SharedData("survex-tatra-jaskinie/all.svx");
    if (dowprov.empty() || tatra.empty())
        GTEST_SKIP() << "../shared/data is not on this machine";
    TMassif dow;
    const auto report = ImportSurvex(dowprov, dow);
    EXPECT_NEAR(report.Development, 3892.06, 3892.06 * 0.005); // the peer's total of survey legs
    EXPECT_EQ(report.Shots, 759);
    EXPECT_EQ(report.References, 3);
    TMassif jaskinie;
    const auto tatraReport = ImportSurvex(tatra, jaskinie);
    EXPECT_NEAR(tatraReport.Development, 5491.54, 5491.54 * 0.005);
    EXPECT_EQ(tatraReport.References, 14);
    for (TMassif* m : { &dow, &jaskinie }) {
        TComputeFlags flags;
        flags.Unlimited = true;
        EXPECT_TRUE(ComputeFast(*m, flags).Positioned);
    }
}

// How legs become galleries and stations get their names, whatever the reader.
TEST(SurveyNetwork, GalleriesBetweenJunctionsAndTheNamingRule)
{
    survey::TSurveyData data;
    data.Title = "T";
    survey::TSurvey s;
    s.Path = { "cave", "net", "a", "b" };
    auto leg = [](std::string from, std::string to, unsigned flags = 0) {
        survey::TLeg l;
        l.From = std::move(from);
        l.To = std::move(to);
        l.Length = 1;
        l.Flags = flags;
        return l;
    };
    // A chain of 140 legs from a fixed station, a side leg at station 5, a splay to nowhere, a
    // leg read backwards into the chain, and a station named like one the massif has.
    for (int k = 0; k < 140; ++k)
        s.Legs.push_back(leg("c.s." + std::to_string(k), "c.s." + std::to_string(k + 1)));
    s.Legs.push_back(leg("c.s.5", "c.side.x"));
    s.Legs.push_back(leg("c.s.140", "", survey::kSplay));
    s.Legs.push_back(leg("c.t.1", "c.s.140"));
    s.Legs.push_back(leg("c.t.1", "other.s.7"));
    data.Surveys.push_back(s);
    data.Fixes.push_back({ "c.s.0", 1000, 2000, 30 });

    TMassif massif;
    auto existing = std::make_unique<TFiche>();
    auto g = MakeGallery("s", 7, "q", 1, 1);
    existing->Galeries.push_back(std::move(g));
    massif.AddSheet(std::move(existing), false);
    std::vector<survey::TNameRow> names;
    const auto report = JoinSurvey(data, massif, &names);
    EXPECT_EQ(report.Shots, 144);
    EXPECT_DOUBLE_EQ(report.Development, 143); // the splay is kept out
    EXPECT_EQ(report.Adapted.at("cadenas de más de 128 visuales partidas"), 1);
    const TFiche& sheet = *massif.Sheets.back();
    EXPECT_EQ(sheet.Cavite.Get(), "cave");
    EXPECT_EQ(sheet.Lieu.Get(), "a.b");
    for (const auto& gallery : sheet.Galeries)
        EXPECT_LE(gallery->ShotCount(), kMaxShots);
    // Galleries end at junctions: the fixed station, station 5 (three legs), the split.
    const auto map = ByName(names);
    EXPECT_EQ(map.at("c.s.0").Station, 0);
    EXPECT_EQ(map.at("c.s.5").Station, 5);
    EXPECT_EQ(map.at("c.s.6").Station, 1);
    // Names: the survey and the number; the splay's end is an open one; a pair the massif has
    // already takes the parent in front.
    bool splayEnd = false, otherNamed = false;
    for (const auto& gallery : sheet.Galeries) {
        splayEnd |= gallery->End.Final;
        for (const TPointTopo* p : { &gallery->Start, &gallery->End })
            otherNamed |= !p->Final && p->Name.Get() == "other.s" && p->Number == 7;
    }
    EXPECT_TRUE(splayEnd);
    EXPECT_TRUE(otherNamed);
    EXPECT_EQ(massif.References.back()->Name.Get(), "s");
    EXPECT_EQ(massif.References.back()->Number, 0);
    EXPECT_DOUBLE_EQ(massif.References.back()->Y, 2);
}

// Fixed points go through PROJ into the output system: an OSGB grid square's reference gains the
// square's false origin, and longitude and latitude become UTM metres.
TEST(Survex, FixedPointsInTheOutputSystem)
{
    TNamedSystem system;
    const std::tuple<const char*, double, double> squares[] = { { "OSGB:SV", 0, 0 },
        { "OSGB:SD", 300000, 400000 }, { "OSGB:TQ", 500000, 100000 }, { "OSGB:HU", 400000, 1100000 } };
    for (const auto& [name, x, y] : squares) {
        ASSERT_TRUE(SurvexSystem(name, system)) << name;
        EXPECT_EQ(system.Proj, "EPSG:27700");
        EXPECT_DOUBLE_EQ(system.OffsetX, x) << name;
        EXPECT_DOUBLE_EQ(system.OffsetY, y) << name;
    }
    EXPECT_FALSE(SurvexSystem("OSGB:ZZ", system));
    ASSERT_TRUE(SurvexSystem("UTM34N", system));
    EXPECT_EQ(system.Proj, "EPSG:32634");

    TempDir home;
    WriteFile(home.Path("grid.svx"), "*cs OSGB:SD\n*cs out EPSG:27700\n*fix a 97480 72608 225\n");
    WriteFile(home.Path("ll.svx"), "*cs long-lat\n*cs out UTM34N\n*fix b 21 0 100\n");
    WriteFile(home.Path("lat.svx"), "*cs lat-long\n*cs out UTM34N\n*fix c 0 21 100\n");
    const auto grid = ReadSurvex(home.Path("grid.svx")).Fixes.at(0);
    EXPECT_NEAR(grid.X, 397480, 1e-3);
    EXPECT_NEAR(grid.Y, 472608, 1e-3);
    EXPECT_DOUBLE_EQ(grid.Z, 225);
    for (const char* name : { "ll.svx", "lat.svx" }) {
        const auto utm = ReadSurvex(home.Path(name)).Fixes.at(0); // on zone 34's central meridian
        EXPECT_NEAR(utm.X, 500000, 1e-3) << name;
        EXPECT_NEAR(utm.Y, 0, 1e-3) << name;
    }
}
