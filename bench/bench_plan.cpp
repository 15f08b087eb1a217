// Redrawing the plan of a large computed cave into a window-sized image, the whole cave in view,
// as the plan window does on every scroll, zoom or change; and its first drawing.
#include "compute/driver.h"
#include "options/options.h"
#include "support/network.h"
#include "views/plan.h"
#include "views/view_context.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

// A computed cave and the plan options and context that show it. 0: a grid of 100 000 shots;
// 1: a chain of 50 000 one-shot galleries in one sheet.
struct PlanCave
{
    explicit PlanCave(int kind)
    {
        int side = 0, perGallery = 0;
        ks::test::GridForShots(100000, side, perGallery);
        net = kind == 0 ? ks::test::MakeGridNetwork(side, perGallery, 7) : ks::test::MakeChain(50000);
        ks::TComputeFlags flags;
        flags.Unlimited = true;
        TThreadCalcul(*net.massif, flags).Complete(*net.massif);
        net.massif->PlaceAllStations();
        context.Massif = net.massif.get();
        context.Plan = &options;
    }
    ks::test::GeneratedNetwork net;
    TOptions_Plan options;
    TViewContext context;
};

// A plan laid out at the scale at which the whole cave fills a 1000 x 700 window.
void LayOut(TPlan& plan, int& width, int& height)
{
    const double resolution = 96 / 25.4;
    plan.Dimensions(width, height, resolution, 1);
    plan.SetEchelle(std::max(
        1, static_cast<int>(std::ceil(plan.Viewport().Echelle * std::max(width / 1000.0, height / 700.0)))));
    plan.Dimensions(width, height, resolution, 1);
}

void BM_PlanRedraw(benchmark::State& state)
{
    PlanCave cave(static_cast<int>(state.range(0)));
    TPlan plan(cave.context);
    int width = 0, height = 0;
    LayOut(plan, width, height);
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state)
        plan.Dessiner(0, 0, 96 / 25.4, 1, image, 0);
    state.counters["shots"] = cave.net.shots;
    state.counters["width"] = width;
    state.counters["height"] = height;
}

// The first drawing of a plan window: laid out, its galleries recorded, drawn.
void BM_PlanFirstDraw(benchmark::State& state)
{
    PlanCave cave(static_cast<int>(state.range(0)));
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state) {
        TPlan plan(cave.context);
        int width = 0, height = 0;
        LayOut(plan, width, height);
        plan.Dessiner(0, 0, 96 / 25.4, 1, image, 0);
    }
    state.counters["shots"] = cave.net.shots;
}

} // namespace

BENCHMARK(BM_PlanRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanFirstDraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
