// Degenerate but valid surveys: every one computes to its end with finite coordinates,
// misclosures and deformations, and the report and the deformation text read sensibly.
#include "compute/driver.h"
#include "compute/reduction.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace ks;
using namespace ks::test;

namespace {

bool Finite(double v)
{
    return std::isfinite(v);
}

// Everything a computation writes, finite.
void ExpectFinite(const TMassif& m)
{
    for (const auto& sheet : m.Sheets)
        for (const auto& g : sheet->Galeries) {
            for (double v : { g->Start.X, g->Start.Y, g->Start.Z, g->End.X, g->End.Y, g->End.Z,
                     g->HorizMisclosure, g->VertMisclosure })
                ASSERT_TRUE(Finite(v)) << "gallery " << g->Start.Name.Get();
            for (const TStationPos& p : g->Stations)
                ASSERT_TRUE(Finite(p.X) && Finite(p.Y) && Finite(p.Z) && Finite(p.Developed));
            const double d = GalleryDeformation(*g);
            ASSERT_TRUE(Finite(d));
        }
    const TDeformation worst = LargestDeformation(m);
    EXPECT_TRUE(Finite(worst.Value));
    const std::string text = DeformationText(worst);
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
}

struct Case
{
    const char* name;
    std::function<void(TMassif&)> spoil;
};

TGalerie& First(TMassif& m)
{
    return *m.Sheets[0]->Galeries[0];
}

void EveryShot(TGalerie& g, const std::function<void(TVisee&)>& change)
{
    for (TVisee& v : g.Shots)
        change(v);
    ReduceGallery(g, 0.0);
}

} // namespace

TEST(DegenerateSurveys, ComputeToTheEndWithFiniteResults)
{
    const Case cases[] = {
        { "negative deformation coefficients",
            [](TMassif& m) {
                for (auto& g : m.Sheets[0]->Galeries)
                    g->Deformation = -2;
            } },
        { "zero deformation coefficients",
            [](TMassif& m) {
                for (auto& sheet : m.Sheets)
                    for (auto& g : sheet->Galeries)
                        g->Deformation = 0;
            } },
        { "zero-length shots",
            [](TMassif& m) {
                for (auto& g : m.Sheets[0]->Galeries)
                    EveryShot(*g, [](TVisee& v) { v.Length = 0; });
            } },
        { "all-vertical galleries",
            [](TMassif& m) {
                for (auto& g : m.Sheets[0]->Galeries)
                    EveryShot(*g, [](TVisee& v) {
                        v.InclinationUnit = kDegrees;
                        v.Inclination = 90;
                    });
            } },
        { "a gallery from a station back to itself",
            [](TMassif& m) {
                TGalerie& g = First(m);
                g.End.CopyFrom(g.Start);
            } },
        { "a loop of zero length",
            [](TMassif& m) {
                TGalerie& g = First(m);
                g.End.CopyFrom(g.Start);
                EveryShot(g, [](TVisee& v) { v.Length = 0; });
            } },
        { "references a thousand million metres apart",
            [](TMassif& m) {
                m.References[1]->X = 1e6; // kilometres
                m.References[1]->Y = -1e6;
            } },
        { "readings near the largest storable value",
            [](TMassif& m) { EveryShot(First(m), [](TVisee& v) { v.Length = 1.7e38; }); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeneratedNetwork net = MakeGridNetwork(4, 3, 21);
        c.spoil(*net.massif);
        TComputeFlags flags;
        const TComputeReport report = ComputeFast(*net.massif, flags);
        EXPECT_TRUE(report.Positioned);
        EXPECT_FALSE(report.Stopped);
        EXPECT_TRUE(Finite(report.Seconds));
        ExpectFinite(*net.massif);
    }
}
