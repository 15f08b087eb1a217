#include "compute/driver.h"
#include "model/massif_codec.h"
#include "sample_cave.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <set>

using namespace ks;

namespace {

const std::string& kSamplePath = ks::test::kSample;

} // namespace

// The committed sample is what the generator writes; regenerate it with
// karstelle-make-sample data/samples/sample.mas after changing the generator.
TEST(SampleCave, CommittedFileIsTheGeneratorsOutput)
{
    EXPECT_EQ(test::ReadFile(kSamplePath), EncodeText(*MakeSampleCave(), "sample.mas", nullptr));
}

TEST(SampleCave, HasWhatTheExamplesNeedAndComputes)
{
    TMassif m;
    m.FileName = kSamplePath;
    m.Load();
    EXPECT_EQ(m.Sheets.size(), 20u);
    EXPECT_EQ(m.References.size(), 2u);

    std::set<std::string> systems, caves, places, dates, surveyors;
    std::set<int> lengthUnits, azimuthUnits, inclinationUnits;
    int finalEnds = 0, shots = 0, sized = 0;
    for (const auto& f : m.Sheets) {
        systems.insert(f->Systeme.Get());
        caves.insert(f->Cavite.Get());
        places.insert(f->Lieu.Get());
        dates.insert(f->Date);
        for (const TEco& s : f->Surveyors)
            surveyors.insert(s.Get());
        for (const auto& g : f->Galeries) {
            finalEnds += g->End.Final;
            for (const TVisee& v : g->Shots) {
                ++shots;
                sized += !v.RightWidth.empty() && !v.UpperHeight.empty();
                lengthUnits.insert(v.LengthUnit);
                azimuthUnits.insert(v.AzimuthUnit);
                inclinationUnits.insert(v.InclinationUnit);
            }
        }
    }
    EXPECT_GE(systems.size(), 2u);
    EXPECT_GE(caves.size(), 3u);
    EXPECT_GE(places.size(), 10u);
    EXPECT_GE(dates.size(), 15u);
    EXPECT_GE(surveyors.size(), 5u);
    EXPECT_GE(finalEnds, 5);
    EXPECT_GT(sized, shots * 3 / 4);
    EXPECT_EQ(lengthUnits.size(), 2u);
    EXPECT_GE(azimuthUnits.size(), 3u);
    EXPECT_GE(inclinationUnits.size(), 4u);

    TComputeFlags flags;
    TThreadCalcul computation(m, flags);
    const TComputeReport report = computation.Complete(m);
    EXPECT_TRUE(report.Positioned);
    EXPECT_TRUE(report.Unreached.empty());
    EXPECT_GE(report.Closures + report.Equations, 4); // loops, and the two entrances joined
    EXPECT_GT(report.DeadEnds, 5);
    m.PlaceAllStations();
    const TDeformation worst = LargestDeformation(m);
    EXPECT_GT(worst.Value, 0);
    EXPECT_LT(worst.Value, 0.05); // a sound survey: no warning at the default tolerance
}
