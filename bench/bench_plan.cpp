// Redrawing the plan of a large computed cave into a window-sized image, the whole cave in view,
// as the plan window does on every scroll, zoom or change.
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

void BM_PlanRedraw(benchmark::State& state)
{
    int side = 0, perGallery = 0;
    ks::test::GridForShots(static_cast<int>(state.range(0)), side, perGallery);
    auto net = ks::test::MakeGridNetwork(side, perGallery, 7);
    ks::TComputeFlags flags;
    TThreadCalcul(*net.massif, flags).Complete(*net.massif);
    net.massif->PlaceAllStations();

    TOptions_Plan options;
    TViewContext context;
    context.Massif = net.massif.get();
    context.Plan = &options;
    TPlan plan(context);
    const double resolution = 96 / 25.4;
    // The scale at which the whole cave fills a 1000 x 700 window.
    int width = 0, height = 0;
    plan.Dimensions(width, height, resolution, 1);
    plan.SetEchelle(std::max(
        1, static_cast<int>(std::ceil(plan.Viewport().Echelle * std::max(width / 1000.0, height / 700.0)))));
    plan.Dimensions(width, height, resolution, 1);
    QImage image(1000, 700, QImage::Format_RGB32);
    for (auto _ : state)
        plan.Dessiner(0, 0, resolution, 1, image, 0);
    state.counters["shots"] = net.shots;
    state.counters["width"] = width;
    state.counters["height"] = height;
}

} // namespace

BENCHMARK(BM_PlanRedraw)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
