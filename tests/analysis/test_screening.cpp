// Data screening: a loop's figures worked out by hand, and planted misreadings found in a noisy
// generated cave, each of its kind, while the clean cave flags nothing.
#include "analysis/screening.h"
#include "compute/reduction.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace ks;
using namespace ks::test;

namespace {

void Reduce(TMassif& massif)
{
    for (const auto& sheet : massif.Sheets)
        ReduceSheet(*sheet, massif.Angle_Geodesique);
}

// The rank of a shot among the suspects, from 0; -1 when it is not one.
int Rank(const TScreening& s, int ordre, int gallery, int shot, SuspectKind* kind = nullptr)
{
    for (std::size_t i = 0; i < s.Suspects.size(); ++i) {
        const TSuspect& t = s.Suspects[i];
        if (t.Where.Ordre == ordre && t.Where.Gallery == gallery && t.Shot == shot) {
            if (kind)
                *kind = t.Kind;
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

TEST(Screening, ATriangleWorkedOutByHand)
{
    // North 10 m, east 10 m, and back south-west 14 m instead of 14.142 m.
    auto triangle = MakeTriangle(14, 225);
    TMassif& massif = *triangle;
    Reduce(massif);
    const TScreening s = Screen(massif);
    ASSERT_EQ(s.Loops.size(), 1u);
    const TLoopFigure& loop = s.Loops[0];
    const double short1 = 10 - 14 / std::sqrt(2.0);
    EXPECT_NEAR(std::fabs(loop.Misclosure[0]), short1, 1e-9);
    EXPECT_NEAR(std::fabs(loop.Misclosure[1]), short1, 1e-9);
    EXPECT_NEAR(loop.Length, 34, 1e-9);
    EXPECT_NEAR(loop.Share, std::sqrt(2.0) * short1 / 34, 1e-9);
    EXPECT_EQ(loop.Galleries.size(), 3u);
    EXPECT_EQ(s.ShotsOutsideLoops, 0);
    // Instruments twice as bad make the misclosure half as remarkable.
    TInstrumentErrors worse;
    worse.Length *= 2, worse.Bearing *= 2, worse.Inclination *= 2;
    EXPECT_NEAR(Screen(massif, worse).Loops[0].Normalised, loop.Normalised / 2, loop.Normalised * 1e-3);
}

TEST(Screening, PlantedMisreadingsAreFoundAndACleanCaveFlagsNothing)
{
    GeneratedNetwork clean = MakeMaze(8, 3, 0.02, 11);
    Reduce(*clean.massif);
    const TScreening none = Screen(*clean.massif);
    EXPECT_GT(none.Loops.size(), 40u);
    for (const TSuspect& t : none.Suspects)
        EXPECT_FALSE(t.Flagged) << t.Correction;
    EXPECT_LT(none.UnitVarianceH, 1.0);

    // One misreading at a time on a shot read in degrees and metres, inside the maze.
    struct Plant
    {
        SuspectKind kind;
        std::function<bool(TVisee&)> spoil; // false when the shot does not suit
    };
    const Plant plants[] = {
        { SuspectKind::Azimuth, [](TVisee& v) { return v.Azimuth += 20, true; } },
        { SuspectKind::Length, [](TVisee& v) { return v.Length += 3, true; } },
        { SuspectKind::Inclination,
            [](TVisee& v) {
                return std::fabs(v.Inclination) > 10 && (v.Inclination = -v.Inclination, true);
            } },
        { SuspectKind::Reversed,
            [](TVisee& v) { return v.Length > 5 && (v.Azimuth = std::fmod(v.Azimuth + 180, 360), true); } },
    };
    for (const Plant& plant : plants) {
        GeneratedNetwork net = MakeMaze(8, 3, 0.02, 11);
        bool planted = false;
        int ordre = 0, gallery = 0, shot = 0;
        for (const auto& sheet : net.massif->Sheets) {
            for (std::size_t g = 0; g < sheet->Galeries.size() && !planted; ++g) {
                for (std::size_t k = 0; k < sheet->Galeries[g]->Shots.size() && !planted; ++k) {
                    TVisee& v = sheet->Galeries[g]->Shots[k];
                    if (g < 10 || v.AzimuthUnit != kDegrees || v.InclinationUnit != kDegrees
                        || v.LengthUnit != kMetres || !plant.spoil(v))
                        continue;
                    planted = true;
                    ordre = sheet->Ordre, gallery = static_cast<int>(g), shot = static_cast<int>(k) + 1;
                }
            }
            if (planted)
                break;
        }
        ASSERT_TRUE(planted);
        Reduce(*net.massif);
        const TScreening s = Screen(*net.massif);
        SuspectKind found {};
        const int rank = Rank(s, ordre, gallery, shot, &found);
        EXPECT_GE(rank, 0) << SuspectKindName(plant.kind);
        EXPECT_LE(rank, 2) << SuspectKindName(plant.kind);
        if (rank >= 0) {
            EXPECT_EQ(found, plant.kind) << s.Suspects[static_cast<std::size_t>(rank)].Correction;
        }
    }

    // A misreading on a blind gallery, outside every loop, is no suspect: nothing can tell it.
    GeneratedNetwork blind = MakeGridNetwork(4, 3, 5);
    for (const auto& sheet : blind.massif->Sheets)
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g)
            if (sheet->Galeries[g]->End.Final) {
                sheet->Galeries[g]->Shots[0].Azimuth += 40;
                Reduce(*blind.massif);
                const TScreening s = Screen(*blind.massif);
                EXPECT_GT(s.ShotsOutsideLoops, 0);
                EXPECT_EQ(Rank(s, sheet->Ordre, static_cast<int>(g), 1), -1);
                return;
            }
    ADD_FAILURE() << "no blind gallery";
}
