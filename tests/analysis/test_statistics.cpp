// Statistics totals and the rose of directions.
#include "analysis/statistics.h"
#include "compute/reduction.h"
#include "model/massif.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using namespace ks;
using namespace ks::test;

namespace {

// A sheet with one gallery of the given shots (horizontal length 1 unless given).
struct RoseFixture
{
    TVisee& Add(double azimuth, double inclination, std::uint8_t unit = kDegrees,
        std::uint8_t inclinationUnit = kDegrees)
    {
        if (!sheet) {
            auto s = std::make_unique<TFiche>();
            s->Galeries.push_back(std::make_unique<TGalerie>());
            sheet = massif.AddSheet(std::move(s), false);
        }
        TVisee v;
        v.Length = 5;
        v.HorizLength = 4;
        v.Azimuth = azimuth;
        v.AzimuthUnit = unit;
        v.Inclination = inclination;
        v.InclinationUnit = inclinationUnit;
        sheet->Galeries[0]->AddShot(v);
        return sheet->Galeries[0]->Shots.back();
    }
    TRose Rose() const
    {
        if (sheet)
            ReduceGallery(*sheet->Galeries[0], 0);
        return ComputeRose(massif.CurrentSheets());
    }

    TMassif massif;
    TFiche* sheet = nullptr;
};

} // namespace

TEST(Rose, ShotsCountTowardsTheDirectionTheyDescend)
{
    RoseFixture f;
    f.Add(359.9, -10);
    TRose rose = f.Rose();
    EXPECT_EQ(rose.Sectors[35], 2);
    EXPECT_EQ(rose.Counted, 1);
    f.Add(359.9, 10); // ascending: it descends backwards
    f.Add(359.9, 0); // level: half each way
    f.Add(10, -5, kBackDegrees); // read backwards: 190 degrees
    f.Add(10, -5); // 10.0 degrees is sector 1
    rose = f.Rose();
    EXPECT_EQ(rose.Sectors[35], 3);
    EXPECT_EQ(rose.Sectors[17], 3);
    EXPECT_EQ(rose.Sectors[19], 2);
    EXPECT_EQ(rose.Sectors[1], 2);
    EXPECT_EQ(rose.Counted, 5);

    // Vertical and empty shots count nowhere.
    f.Add(45, -90);
    f.Add(45, -5).Length = 0;
    EXPECT_EQ(f.Rose().Counted, 5);
}

TEST(Rose, EveryReadingFallsInItsOwnSectorAndDescendsAsItsReductionSays)
{
    // A whole-degree reading of 10k degrees is in sector k, whatever its unit.
    for (int k = 0; k < 36; ++k) {
        for (const auto& [azimuth, unit] : { std::pair { 10.0 * k, kDegrees },
                 std::pair { k * 100.0 / 9, kGrades }, std::pair { 10.0 * ((k + 18) % 36), kBackDegrees } }) {
            RoseFixture f;
            f.Add(azimuth, -10, unit);
            EXPECT_EQ(f.Rose().Sectors[static_cast<std::size_t>(k)], 2)
                << azimuth << " in unit " << int(unit);
        }
    }
    // Descending shots in units whose sign says otherwise: a Vulcain reading below 90, an ascending
    // reading taken backwards, a negative height difference.
    RoseFixture f;
    f.Add(100, 45, kDegrees, kVulcain);
    f.Add(100, 10, kDegrees, kBackDegrees);
    f.Add(100, -2, kDegrees, kSlopeMetres);
    EXPECT_EQ(f.Rose().Sectors[10], 6);
}

TEST(Rose, BearingUnderThePointerAndItsText)
{
    EXPECT_EQ(PieBearing(0, 10), 0) << "straight above the centre";
    EXPECT_EQ(PieBearing(0, 0), 0) << "on the centre";
    EXPECT_NEAR(PieBearing(-10, 0), 90, 1e-9) << "to the right: east";
    EXPECT_NEAR(PieBearing(0, -10), 180, 1e-9);
    EXPECT_NEAR(PieBearing(10, 0), 270, 1e-9);
    RoseFixture f;
    f.Add(35, -10);
    f.Add(35, 0);
    const TRose rose = f.Rose();
    EXPECT_EQ(PieText(rose, 31.5), "031°-> 1 visuales sur 2 (75%)");
    EXPECT_EQ(PieText(TRose {}, 31.5), "") << "no shot, no text, no division by zero";
}

TEST(Statistics, TotalsAndAltitudes)
{
    TMassif massif;
    auto sheet = std::make_unique<TFiche>();
    sheet->Premiere = 12.5;
    auto g = MakeGallery("A", 1, "A", 2, 2);
    g->Shot(1).LengthUnit = kCentimetres;
    g->Shot(1).Length = 250; // 2.5 m
    g->Shot(2).DevCorrectionFlag = true;
    g->Shot(2).DevCorrection = 7; // instead of its length
    sheet->Galeries.push_back(std::move(g));
    sheet->Galeries.push_back(MakeGallery("A", 2, "B", 1, 1));
    TFiche* added = massif.AddSheet(std::move(sheet), false);

    TStatistics s = ComputeStatistics(massif.CurrentSheets());
    EXPECT_EQ(s.Sheets, 1);
    EXPECT_EQ(s.Galleries, 2);
    EXPECT_EQ(s.Shots, 3);
    EXPECT_DOUBLE_EQ(s.Development, 2.5 + 7 + 5.25);
    EXPECT_DOUBLE_EQ(s.FirstExploration, 12.5);
    // Nothing positioned: the starting values.
    EXPECT_EQ(StatisticsTexts(s)[5], "Altitud inferior (m) :1000000");
    EXPECT_EQ(StatisticsTexts(s)[6], "Altitud superior (m) :-1000000");
    EXPECT_EQ(StatisticsTexts(s)[0], "Nombre de la ficha :1");

    TGalerie& first = *added->Galeries[0];
    first.Start.Z = 100;
    first.End.Z = 100 + first.Z; // no misclosure: the gallery climbs 1 m
    first.Positioned = true;
    first.PlaceStations();
    s = ComputeStatistics(massif.CurrentSheets());
    EXPECT_DOUBLE_EQ(s.Lowest, 100);
    EXPECT_DOUBLE_EQ(s.Highest, 101);
}
