#include "compute/declination.h"
#include "compute/driver.h"
#include "compute/reduction.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace ks;
using namespace ks::test;

TEST(FastComputation, GeneratedNetworkComesOutAtItsTrueCoordinates)
{
    GeneratedNetwork net = MakeGridNetwork(6, 7, 3);
    TComputeFlags flags;
    const TComputeReport report = ComputeFast(*net.massif, flags);
    EXPECT_TRUE(report.Positioned);
    EXPECT_FALSE(report.Stopped);
    EXPECT_FALSE(flags.Running);
    EXPECT_EQ(report.Unreached.size(), 0u);
    EXPECT_GT(report.Equations, 20);
    EXPECT_GT(report.DeadEnds, 5);
    EXPECT_LT(WorstError(*net.massif, net.truth), 1e-6);

    // Through a binary file the readings keep about 12 digits.
    TempDir dir;
    net.massif->Save(dir.Path("grid.fic"));
    TMassif back;
    back.FileName = dir.Path("grid.fic");
    back.Load();
    for (const auto& s : back.Sheets)
        for (const auto& g : s->Galeries)
            g->Positioned = false;
    ComputeFast(back, flags);
    EXPECT_LT(WorstError(back, net.truth), 1e-4);
}

TEST(FastComputation, GalleriesNoLongerReachedLoseTheirOldPositions)
{
    GeneratedNetwork net = MakeGridNetwork(3, 2, 5);
    auto island = std::make_unique<TFiche>();
    auto g = std::make_unique<TGalerie>();
    g->Start.Name.Set("ISLA");
    g->End.Name.Set("ISLA");
    g->End.Number = 1;
    g->Positioned = true; // as read from a file computed with an earlier reference point
    island->Galeries.push_back(std::move(g));
    TFiche* added = net.massif->AddSheet(std::move(island), false);
    TComputeFlags flags;
    const TComputeReport report = ComputeFast(*net.massif, flags);
    EXPECT_TRUE(report.Positioned);
    EXPECT_TRUE(report.SomeUnreached);
    EXPECT_EQ(report.Unreached.size(), 1u);
    EXPECT_FALSE(added->Galeries[0]->Positioned);
}

TEST(FastComputation, ReplacingSheetsWhileItRunsIsSafe)
{
    GeneratedNetwork net = MakeGridNetwork(20, 6, 9);
    TComputeFlags flags;
    TThreadCalcul thread(*net.massif, flags);
    // The interface validates new copies of every sheet and frees the old ones meanwhile.
    std::vector<TFiche*> old;
    for (const auto& s : net.massif->Sheets)
        old.push_back(s.get());
    for (TFiche* sheet : old) {
        auto copy = std::make_unique<TFiche>();
        copy->CopyFrom(*sheet);
        net.massif->ReplaceSheet(sheet, std::move(copy));
    }
    const TComputeReport report = thread.Complete(*net.massif);
    ASSERT_TRUE(report.Positioned);
    net.massif->PlaceAllStations();
    EXPECT_LT(WorstError(*net.massif, net.truth), 1e-6); // the copies are found by their station names
}

TEST(FastComputation, StopRequestSkipsTheRestAndPositionsNothing)
{
    GeneratedNetwork net = MakeGridNetwork(31, 8, 11);
    TComputeFlags flags;
    // The request comes as the thread starts, before any stage: no race with a quick computation.
    g_beforeComputingForTests = [&flags] { flags.Stop = true; };
    TThreadCalcul thread(*net.massif, flags);
    const TComputeReport report = thread.Complete(*net.massif);
    g_beforeComputingForTests = nullptr;
    EXPECT_FALSE(flags.Running);
    EXPECT_TRUE(report.Stopped);
    EXPECT_FALSE(report.Positioned);
    for (const auto& s : net.massif->Sheets)
        for (const auto& g : s->Galeries)
            EXPECT_FALSE(g->Positioned);
}

TEST(FastComputation, DestroyingARunningComputationStopsIt)
{
    GeneratedNetwork net = MakeGridNetwork(31, 8, 12);
    TComputeFlags flags;
    {
        TThreadCalcul thread(*net.massif, flags);
    }
    EXPECT_FALSE(flags.Running);
    // The computation was told to stop rather than waited for: it cannot have finished a network
    // of this size in the moment between its start and its destruction.
    EXPECT_TRUE(flags.Stop);
}

// Degenerate but readable massifs end with finite results: a gallery whose deformation
// coefficient is negative weighs as much as its positive counterpart, and a reading too large
// for the arithmetic leaves its gallery unpositioned instead of spreading infinities.
TEST(FastComputation, NegativeCoefficientsAndHugeReadingsGiveFiniteResults)
{
    auto allFinite = [](const TMassif& m) {
        for (const auto& sheet : m.Sheets)
            for (const auto& g : sheet->Galeries) {
                if (!g->Positioned)
                    continue;
                for (double v : { g->Start.X, g->Start.Y, g->Start.Z, g->End.X, g->End.Y, g->End.Z })
                    if (!std::isfinite(v))
                        return false;
                for (const TStationPos& p : g->Stations)
                    if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Z))
                        return false;
            }
        return true;
    };
    {
        GeneratedNetwork net = MakeGridNetwork(4, 4, 3);
        GeneratedNetwork positive = MakeGridNetwork(4, 4, 3);
        for (const auto& sheet : net.massif->Sheets)
            for (const auto& g : sheet->Galeries)
                g->Deformation = -g->Deformation;
        TComputeFlags flags, positiveFlags;
        const TComputeReport report = ComputeFast(*net.massif, flags);
        ComputeFast(*positive.massif, positiveFlags);
        EXPECT_TRUE(report.Positioned);
        EXPECT_TRUE(allFinite(*net.massif));
        EXPECT_NEAR(WorstError(*net.massif, net.truth), WorstError(*positive.massif, positive.truth), 1e-9);
        const TDeformation worst = LargestDeformation(*net.massif);
        EXPECT_TRUE(std::isfinite(worst.Value));
        EXPECT_GE(worst.Value, 0);
    }
    {
        GeneratedNetwork net = MakeGridNetwork(4, 4, 3);
        TFiche& sheet = *net.massif->Sheets.back();
        sheet.Galeries[0]->Shots[0].Length = 1e300;
        ReduceSheet(sheet, 0);
        TComputeFlags flags;
        ComputeFast(*net.massif, flags);
        EXPECT_TRUE(allFinite(*net.massif));
        const TDeformation worst = LargestDeformation(*net.massif);
        EXPECT_TRUE(std::isfinite(worst.Value));
        EXPECT_EQ(DeformationText(worst).find("inf"), std::string::npos);
    }
}

TEST(FastComputation, TooManyEquationsIsReportedAndStops)
{
    GeneratedNetwork net = MakeGridNetwork(33, 1, 13);
    TComputeFlags flags;
    const TComputeReport report = ComputeFast(*net.massif, flags);
    EXPECT_TRUE(report.Stopped);
    EXPECT_FALSE(report.Positioned);
    EXPECT_GT(report.Equations, kMaxEquations);
    ASSERT_EQ(report.Messages.size(), 1u);
    EXPECT_EQ(report.Messages[0].second,
        "Demasiadas encrucijadas\r\nSolicite usted una versión especial de Karstelle:\r\n"
        "«Cálculo» → «Sin límites de tamaño».");
}

TEST(FastComputation, NoReferenceOrNothingReached)
{
    GeneratedNetwork net = MakeGridNetwork(2, 1, 1);
    net.massif->ClearReferences();
    TComputeFlags flags;
    TComputeReport report = ComputeFast(*net.massif, flags);
    EXPECT_TRUE(report.NoReference);
    EXPECT_FALSE(report.Positioned);

    auto ref = std::make_unique<TPointTopo>();
    ref->Name.Set("NOWHERE");
    net.massif->References.push_back(std::move(ref));
    report = ComputeFast(*net.massif, flags);
    EXPECT_TRUE(report.NoneReached);
    EXPECT_FALSE(report.Positioned);
}

TEST(DetailedComputation, MessagesInOrderAndMassifMarkedModified)
{
    GeneratedNetwork net = MakeGridNetwork(3, 2, 2);
    net.massif->Saved = true;
    ScriptedReporter reporter;
    TComputeFlags flags;
    const TComputeReport report = ComputeDetailed(*net.massif, flags, reporter);
    EXPECT_TRUE(report.Positioned);
    EXPECT_FALSE(net.massif->Saved);
    EXPECT_FALSE(flags.Running);
    ASSERT_EQ(reporter.messages.size(), 3u);
    EXPECT_EQ(reporter.messages[0].second,
        std::to_string(report.Galleries) + " galerías, " + std::to_string(report.Branches) + " ramales, "
            + std::to_string(report.Closures) + " cierres, " + std::to_string(report.DeadEnds) + " ciega,");
    EXPECT_EQ(reporter.messages[1].second, std::to_string(report.Equations) + " encrucijadas.");
    net.massif->PlaceAllStations();
    EXPECT_LT(WorstError(*net.massif, net.truth), 1e-6);
}

TEST(Deformation, RepresentativeShotAndMessage)
{
    TMassif m;
    auto sheet = std::make_unique<TFiche>();
    sheet->Systeme.Set("S");
    sheet->Cavite.Set("C");
    sheet->Reseau.Set("R");
    sheet->Lieu.Set("L");
    sheet->Galeries.push_back(MakeGallery("A", 1, "A", 2, 2));
    sheet->Galeries.push_back(MakeGallery("A", 2, "A", 3, 2));
    TGalerie& g = *sheet->Galeries[1];
    for (auto& v : g.Shots)
        v.LengthUnit = kCentimetres, v.Length = 1000; // 10 m each
    ReduceGallery(g, 0);
    g.Positioned = true;
    g.End.X = g.X + 2.46; // all the misclosure in X: 1.23 m per shot
    g.End.Y = g.Y;
    g.End.Z = g.Z;
    TFiche* added = m.AddSheet(std::move(sheet), false);
    m.PlaceAllStations();
    EXPECT_NEAR(GalleryDeformation(g), 0.123, 1e-12);
    g.Deformation = 2;
    EXPECT_NEAR(GalleryDeformation(g), 0.0615, 1e-12);
    g.Deformation = 1;

    const TDeformation worst = LargestDeformation(m);
    EXPECT_EQ(worst.Sheet, added);
    EXPECT_EQ(worst.Gallery, 1);
    EXPECT_EQ(DeformationText(worst), "La 2° galería de la ficha\rS\rC\rR\rL\restá deformada a la 12%");

    g.Shot(2).Length = 0; // an undefined representative shot is skipped
    EXPECT_LT(GalleryDeformation(g), 0);
}

TEST(Declination, YearsAndAutomaticDeclination)
{
    EXPECT_NEAR(DateToYears("01/07/05").value(), 2005.5, 1e-9);
    EXPECT_NEAR(DateToYears("  /  /98").value(), 1998, 1e-9);
    EXPECT_NEAR(DateToYears("11/01/98").value(), 1998 + 10.0 / 365, 1e-9);
    EXPECT_FALSE(DateToYears("01/01/  ").has_value());

    TMassif m;
    m.Origine_Declinaison = 3.5;
    m.Variation_Declinaison = 0.1;
    EXPECT_NEAR(AutomaticDeclination(m, "01/01/90").value(), 2.5, 1e-12);
    m.Variation_Declinaison = 1;
    m.Origine_Declinaison = 0;
    EXPECT_NEAR(AutomaticDeclination(m, "01/07/05").value(), -25.5, 1e-12); // 5 + 0.5 + 100 - 80
    EXPECT_FALSE(AutomaticDeclination(m, "01/02/  ").has_value());

    // One pivot for the model's year and the sheet's: a model of 2020 is five years before 2025.
    m.Date_Declinaison = "01/01/20";
    EXPECT_NEAR(AutomaticDeclination(m, "01/01/25").value(), -5, 1e-9);
    m.Date_Declinaison = "01/01/50";
    EXPECT_NEAR(AutomaticDeclination(m, "01/01/49").value(), -99, 1e-9);
    for (const auto& [yy, year] : { std::pair { 20, 2020 }, { 31, 2031 }, { 49, 2049 }, { 50, 1950 } })
        EXPECT_EQ(ks::FullYear(yy), year);
}

TEST(Declination, MeridianConvergence)
{
    EXPECT_NEAR(MeridianConvergence(600, 2200, 700, 2000).value(), std::atan(0.5) * 180 / M_PI, 1e-12);
    EXPECT_NEAR(MeridianConvergence(600, 2200, 700, 2000).value(), 26.565, 1e-3);
    EXPECT_FALSE(MeridianConvergence(600, 2000, 700, 2000).has_value());
}

TEST(Stopwatch, TextHasTwoDecimals)
{
    TStopwatch s;
    s.Start();
    const std::string text = s.Text();
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text[text.size() - 3], '.');
}
