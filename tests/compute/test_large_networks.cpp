// Networks beyond the described limits: the sparse solve agrees with the dense one, lifts the
// limits only when asked, gives a noise-free maze its true positions, and stops when asked.
#include "compute/driver.h"
#include "compute/matrice.h"
#include "compute/sparse_normal.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace ks;
using namespace ks::test;

namespace {

struct Observation
{
    int i, j;
    std::array<double, 3> a;
    double w;
};

// Both solves on the same observations; the largest difference of their corrections.
double Disagreement(int n, const std::vector<Observation>& observations)
{
    TMatrice mx(n), my(n), mz(n);
    TSparseNormal sparse(n);
    for (const Observation& o : observations) {
        const bool dense = mx.AddBranch(o.i, o.j, o.a[0], o.w);
        my.AddBranch(o.i, o.j, o.a[1], o.w);
        mz.AddBranch(o.i, o.j, o.a[2], o.w);
        EXPECT_EQ(sparse.AddBranch(o.i, o.j, o.a, o.w), dense);
    }
    for (TMatrice* m : { &mx, &my, &mz })
        EXPECT_TRUE(m->Solve());
    EXPECT_TRUE(sparse.Solve());
    double worst = 0;
    const TMatrice* dense[] = { &mx, &my, &mz };
    for (int axis = 0; axis < 3; ++axis)
        for (int k = 1; k <= n; ++k)
            worst = std::max(worst,
                std::fabs(dense[axis]->B()[static_cast<std::size_t>(k)]
                    - sparse.B(axis)[static_cast<std::size_t>(k)]));
    return worst;
}

} // namespace

TEST(SparseSolve, AgreesWithTheDenseSolve)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<double> misclosure(-2, 2), variance(0.5, 400);
    auto random3 = [&] {
        return std::array<double, 3> { misclosure(random), misclosure(random), misclosure(random) };
    };

    // A ring of loops through one reference point.
    std::vector<Observation> ring;
    for (int k = 1; k <= 30; ++k)
        ring.push_back({ k, k % 30 + 1, random3(), variance(random) });
    ring.push_back({ 0, 1, random3(), variance(random) });
    ring.push_back({ 15, 3, random3(), variance(random) });
    EXPECT_LT(Disagreement(30, ring), 1e-9);

    // A random network held by several references, with parallel branches and rigid (zero-weight)
    // branches at the smallest variance, and one unknown that nothing observes.
    std::vector<Observation> net;
    std::uniform_int_distribution<int> node(0, 199);
    for (int k = 1; k <= 199; ++k)
        net.push_back(
            { k, std::uniform_int_distribution<int>(0, k - 1)(random), random3(), variance(random) });
    for (int k = 0; k < 300; ++k)
        net.push_back({ node(random), node(random), random3(), k % 10 == 0 ? 1e-6 : variance(random) });
    net.push_back({ 17, 18, random3(), 1e-6 });
    net.push_back({ 17, 18, random3(), 1e-6 });
    for (Observation& o : net) // unknown 200 stays alone
        EXPECT_NE(o.j, 200);
    EXPECT_LT(Disagreement(200, net), 1e-6);

    TSparseNormal alone(3);
    alone.AddBranch(0, 1, { 1, 2, 3 }, 1);
    alone.AddBranch(1, 2, { 1, 1, 1 }, 1);
    EXPECT_FALSE(alone.AddBranch(0, 0, { 1, 1, 1 }, 1)) << "both ends fixed";
    ASSERT_TRUE(alone.Solve());
    EXPECT_EQ(alone.B(0)[3], 0) << "an unknown tied to nothing keeps a correction of 0";
    EXPECT_TRUE(std::isfinite(alone.B(2)[2]));
}

TEST(SparseSolve, StopsInsideALargeFactorisation)
{
    // A block of 6³ unknowns, stopped by the hook as its numeric factorisation starts.
    const int side = 6;
    const int n = side * side * side;
    TSparseNormal s(n);
    auto index = [side](int x, int y, int z) { return 1 + x + side * (y + side * z); };
    for (int z = 0; z < side; ++z)
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                if (x + 1 < side)
                    s.AddBranch(index(x, y, z), index(x + 1, y, z), { 1, 0, 0 }, 1);
                if (y + 1 < side)
                    s.AddBranch(index(x, y, z), index(x, y + 1, z), { 0, 1, 0 }, 1);
                if (z + 1 < side)
                    s.AddBranch(index(x, y, z), index(x, y, z + 1), { 0, 0, 1 }, 1);
            }
    s.AddBranch(0, 1, { 0, 0, 0 }, 1);
    std::atomic<bool> stop { false };
    s.OnNumericStart = [&stop] { stop = true; };
    EXPECT_FALSE(s.Solve(&stop)) << "the stop request ends the factorisation";
}

TEST(LargeNetworks, LimitsRefuseUnlessLifted)
{
    // 40 x 40 junctions: more than 1000 equations.
    GeneratedNetwork maze = MakeMaze(40, 5, 0);
    TComputeFlags flags;
    TComputeReport report = ComputeFast(*maze.massif, flags);
    EXPECT_FALSE(report.Positioned);
    EXPECT_TRUE(report.Stopped);
    ASSERT_EQ(report.Messages.size(), 1u);
    EXPECT_EQ(report.Messages[0].second, kTooManyEquationsText);
    EXPECT_TRUE(report.TooLarge);

    flags.Unlimited = true;
    report = ComputeFast(*maze.massif, flags);
    EXPECT_TRUE(report.Positioned);
    EXPECT_TRUE(report.Messages.empty());
    EXPECT_FALSE(report.TooLarge);
    EXPECT_GT(report.Equations, kMaxEquations);
    EXPECT_LT(WorstError(*maze.massif, maze.truth), 1e-6);
}

TEST(LargeNetworks, NoiseFreeHundredByHundredMazeComesOutAtItsTruePositions)
{
    GeneratedNetwork maze = MakeMaze(100, 5, 0, 3);
    EXPECT_EQ(maze.shots, 99000);
    TComputeFlags flags;
    flags.Unlimited = true;
    const TComputeReport report = ComputeFast(*maze.massif, flags);
    ASSERT_TRUE(report.Positioned);
    EXPECT_GT(report.Equations, 9900);
    EXPECT_LT(WorstError(*maze.massif, maze.truth), 1e-6);
}

TEST(LargeNetworks, NoisyCaveGivesFiniteCoordinatesAndTheSameResultTwice)
{
    GeneratedNetwork cave = MakeBranchingCave(30000, 4);
    TComputeFlags flags;
    flags.Unlimited = true;
    ASSERT_TRUE(ComputeFast(*cave.massif, flags).Positioned);
    std::vector<double> first;
    for (const auto& sheet : cave.massif->Sheets)
        for (const auto& g : sheet->Galeries) {
            ASSERT_TRUE(g->Positioned);
            for (const TStationPos& p : g->Stations) {
                ASSERT_TRUE(std::isfinite(p.X) && std::isfinite(p.Y) && std::isfinite(p.Z));
                first.push_back(p.X + p.Y + p.Z);
            }
        }
    ComputeFast(*cave.massif, flags);
    std::size_t k = 0;
    for (const auto& sheet : cave.massif->Sheets)
        for (const auto& g : sheet->Galeries)
            for (const TStationPos& p : g->Stations)
                EXPECT_EQ(p.X + p.Y + p.Z, first[k++]);
}

// A long chain is condensed into one branch whose galleries, half of them surveyed backwards, must
// be walked in order and each the right way round: every gallery then ends where its shots lead.
// A star closes its loops through a junction met by thousands of rays.
TEST(LargeNetworks, ChainAndStarPlaceEveryGalleryAlongItsShots)
{
    GeneratedNetwork chain = MakeChain(3000);
    TComputeFlags flags;
    flags.Unlimited = true;
    TComputeReport report = ComputeFast(*chain.massif, flags);
    ASSERT_TRUE(report.Positioned);
    EXPECT_EQ(report.DeadEnds, 1);
    double worst = 0;
    for (const auto& g : chain.massif->Sheets[0]->Galeries) {
        ASSERT_TRUE(g->Positioned);
        worst = std::max({ worst, std::fabs(g->End.X - g->Start.X - g->X),
            std::fabs(g->End.Y - g->Start.Y - g->Y), std::fabs(g->End.Z - g->Start.Z - g->Z) });
    }
    EXPECT_LT(worst, 1e-6);

    GeneratedNetwork star = MakeStar(3000);
    report = ComputeFast(*star.massif, flags);
    ASSERT_TRUE(report.Positioned);
    EXPECT_EQ(report.Closures, 299); // one ray in ten closes on the next, but the last
    for (const auto& g : star.massif->Sheets[0]->Galeries)
        EXPECT_TRUE(g->Positioned && std::isfinite(g->End.X) && std::isfinite(g->End.Z));
}
