// The whole fast computation on generated cave networks, and how long a stop request takes to end
// a computation that is solving its equations.
#include "analysis/screening.h"
#include "compute/driver.h"
#include "compute/matrice.h"
#include "support/network.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

ks::test::GeneratedNetwork Network(int shots)
{
    int side = 0, perGallery = 0;
    ks::test::GridForShots(shots, side, perGallery);
    return ks::test::MakeGridNetwork(side, perGallery, 7);
}

// Connect, Condense, Adjust and Distribute in the background thread, then PositionGalleries and
// PlaceAllStations on the caller's thread; `unlimited` as --no-limits.
void Compute(benchmark::State& state, ks::test::GeneratedNetwork& net, bool unlimited)
{
    ks::TComputeFlags flags;
    flags.Unlimited = unlimited;
    int equations = 0;
    for (auto _ : state) {
        TThreadCalcul thread(*net.massif, flags);
        const ks::TComputeReport report = thread.Complete(*net.massif);
        net.massif->PlaceAllStations();
        equations = report.Equations;
        if (!report.Positioned)
            state.SkipWithError("the computation did not position the network");
    }
    state.counters["shots"] = net.shots;
    state.counters["equations"] = equations;
}

void BM_FastComputation(benchmark::State& state)
{
    auto net = Network(static_cast<int>(state.range(0)));
    Compute(state, net, false);
}

// Networks beyond the dense solve's limits: mazes of side x side junctions joined by galleries
// of 5 noisy shots, and a branching cave of 200 000 shots.
void BM_MazeComputation(benchmark::State& state)
{
    auto net = ks::test::MakeMaze(static_cast<int>(state.range(0)), 5, 0.02);
    Compute(state, net, true);
}

void BM_CaveComputation(benchmark::State& state)
{
    auto net = ks::test::MakeBranchingCave(static_cast<int>(state.range(0)));
    Compute(state, net, true);
}

// Shapes that a computation quadratic in galleries would show: 0 a chain of 50 000 one-shot
// galleries, 1 a star of 50 000 galleries round one junction.
void BM_ShapeComputation(benchmark::State& state)
{
    auto net = state.range(0) == 0 ? ks::test::MakeChain(50000) : ks::test::MakeStar(50000);
    Compute(state, net, true);
}

// From the file on disk to every station's coordinates, as karstelle-cli compute does: the text
// file of a branching cave of 100 000 shots read, computed without limits, stations placed.
void BM_FileToCoordinates(benchmark::State& state)
{
    const std::string path = std::string(KARST_BENCH_TEMP) + "/bench-cave.mas";
    ks::test::MakeBranchingCave(static_cast<int>(state.range(0))).massif->Save(path);
    ks::TComputeFlags flags;
    flags.Unlimited = true;
    for (auto _ : state) {
        TMassif m;
        m.FileName = path;
        if (m.Load().status != ks::LoadStatus::Loaded)
            state.SkipWithError("the massif did not load");
        const ks::TComputeReport report = TThreadCalcul(m, flags).Complete(m);
        m.PlaceAllStations();
        if (!report.Positioned)
            state.SkipWithError("the computation did not position the network");
    }
    std::remove(path.c_str());
}

// Solving alone: the dense normal equations of a grid of side x side junctions.
void BM_Solve(benchmark::State& state)
{
    const int side = static_cast<int>(state.range(0));
    const int n = side * side;
    for (auto _ : state) {
        state.PauseTiming();
        TMatrice m(n);
        for (int r = 0; r < side; ++r) {
            for (int c = 0; c < side; ++c) {
                const int i = r * side + c + 1;
                if (c + 1 < side)
                    m.AddBranch(i, i + 1, 0.1, 100);
                if (r + 1 < side)
                    m.AddBranch(i, i + side, -0.1, 100);
            }
        }
        m.AddBranch(0, 1, 0.5, 100);
        state.ResumeTiming();
        m.Solve();
    }
    state.counters["equations"] = n;
}

// Time from a stop request, raised while the computation is inside Solve, to the end of the job.
void BM_StopLatency(benchmark::State& state)
{
    auto net = Network(50000);
    ks::TComputeFlags flags;
    // How long a whole computation takes, measured once.
    const auto wholeRun = std::chrono::steady_clock::now();
    {
        TThreadCalcul whole(*net.massif, flags);
        whole.Complete(*net.massif);
    }
    const auto total = std::chrono::steady_clock::now() - wholeRun;

    for (auto _ : state) {
        TThreadCalcul thread(*net.massif, flags);
        // Solving is the last and longest part: stop three quarters of the way through.
        std::this_thread::sleep_for(total * 3 / 4);
        const auto asked = std::chrono::steady_clock::now();
        flags.Stop = true;
        thread.Wait();
        const std::chrono::duration<double> latency = std::chrono::steady_clock::now() - asked;
        state.SetIterationTime(latency.count());
        thread.Complete(*net.massif);
    }
}

} // namespace

// The data screening of a computed network, beside its computation: the check should take at most
// five times as long.
void BM_Screening(benchmark::State& state)
{
    auto net = state.range(0) == 0 ? ks::test::MakeMaze(100, 5, 0.02) : ks::test::MakeBranchingCave(100000);
    ks::TComputeFlags flags;
    flags.Unlimited = true;
    TThreadCalcul(*net.massif, flags).Complete(*net.massif); // reduces every shot
    std::size_t loops = 0;
    for (auto _ : state)
        loops = ks::Screen(*net.massif).Loops.size();
    state.counters["shots"] = net.shots;
    state.counters["loops"] = static_cast<double>(loops);
}

void BM_ScreenedComputation(benchmark::State& state)
{
    auto net = state.range(0) == 0 ? ks::test::MakeMaze(100, 5, 0.02) : ks::test::MakeBranchingCave(100000);
    Compute(state, net, true);
}

BENCHMARK(BM_FastComputation)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MazeComputation)->Arg(40)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CaveComputation)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShapeComputation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileToCoordinates)->Arg(100000)->Unit(benchmark::kMillisecond);
// 0: the 100 x 100 maze; 1: the branching cave of 100 000 shots.
BENCHMARK(BM_Screening)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenedComputation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Solve)->Arg(10)->Arg(31)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StopLatency)->UseManualTime()->Iterations(10)->Unit(benchmark::kMicrosecond);
