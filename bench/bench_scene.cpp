// The 3D scene of a generated cave: building its geometry, and drawing one frame once the display
// list exists (run under an X server with OpenGL: xvfb-run -a bench/bench_scene).
#include "compute/driver.h"
#include "options/options.h"
#include "scene/scene_gl.h"
#include "support/network.h"
#include "views/perspective.h"
#include "window/support_gl.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <GL/gl.h>

#include <cstdio>
#include <memory>

#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// The resident memory of this process, from the kernel's account of it.
double ResidentMegabytes()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (statm) {
        if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576;
}

struct Cave
{
    ks::test::GeneratedNetwork net;
    TOptions_Relief options;
    TViewContext context;
    std::unique_ptr<TPerspective> view;
};

Cave& Generated(int shots)
{
    static std::map<int, std::unique_ptr<Cave>> caves;
    auto& cave = caves[shots];
    if (!cave) {
        cave = std::make_unique<Cave>();
        int side = 0, perGallery = 0;
        ks::test::GridForShots(shots, side, perGallery);
        cave->net = ks::test::MakeGridNetwork(side, perGallery, 7);
        ks::TComputeFlags flags;
        TThreadCalcul thread(*cave->net.massif, flags);
        thread.Complete(*cave->net.massif);
        cave->net.massif->PlaceAllStations();
        cave->context.Massif = cave->net.massif.get();
        cave->context.Relief = &cave->options;
        cave->view = std::make_unique<TPerspective>(cave->context);
        cave->view->Tourner(30, -30);
        int w = 0, h = 0;
        cave->view->Dimensions(w, h, 4, 1);
        ks::OverviewCamera(*cave->view);
    }
    return *cave;
}

void BM_BuildScene(benchmark::State& state)
{
    Cave& cave = Generated(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TMaScene scene;
        scene.Build(*cave.net.massif, cave.options, 0, cave.view->BoiteMin, cave.view->BoiteMax);
        benchmark::DoNotOptimize(scene.Tubes);
    }
    state.counters["shots"] = cave.net.shots;
}

// One frame at 1000 x 700 pixels: clear, camera, light and the compiled display list.
void BM_RenderFrame(benchmark::State& state)
{
    Cave& cave = Generated(static_cast<int>(state.range(0)));
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface)) {
        state.SkipWithError("no OpenGL context (run under xvfb-run)");
        return;
    }
    QOpenGLFramebufferObject target(1000, 700, QOpenGLFramebufferObject::Depth);
    target.bind();
    const double before = ResidentMegabytes();
    auto scene = std::make_unique<TMaScene>();
    scene->Far = 1000000;
    scene->Build(*cave.net.massif, cave.options, 0, cave.view->BoiteMin, cave.view->BoiteMax);
    scene->Init();
    scene->Resize(1000, 700);
    ks::PlaceCamera(*cave.view, scene->Camera);
    scene->Render(); // compiles the display list
    glFinish();
    // What the scene holds once drawn, per shot: the GL driver's copy of the geometry and ours.
    state.counters["bytes_per_shot"] = (ResidentMegabytes() - before) * 1048576 / cave.net.shots;
    for (auto _ : state) {
        ks::TurnCamera(*cave.view, 1, 0);
        ks::PlaceCamera(*cave.view, scene->Camera);
        scene->Render();
        glFinish();
    }
    scene->Release();
    scene.reset();
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    state.counters["kept_mb"] = ResidentMegabytes() - before; // after the scene is freed
    state.counters["shots"] = cave.net.shots;
    state.counters["faces"] = static_cast<double>(cave.net.shots) * 4;
}

BENCHMARK(BM_BuildScene)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFrame)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    ks::UseCompatibilityOpenGL();
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
