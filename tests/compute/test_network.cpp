#include "compute/calculateur.h"
#include "compute/matrice.h"
#include "model/massif.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ks;

namespace {

// A station "name" + number, or a Final end when name is empty.
void SetStation(TPointTopo& p, const std::string& name, int number)
{
    p.Final = name.empty();
    p.Name.Set(name);
    p.Number = static_cast<std::uint8_t>(number);
}

// Builds a massif from galleries given by their ends and reduced vectors, without shots.
class Network
{
public:
    TGalerie& Link(const std::string& a, int na, const std::string& b, int nb, double dx, double dy,
        double dz, double length, double deformation = 1)
    {
        if (m.Sheets.empty())
            m.AddSheet(std::make_unique<TFiche>(), false);
        auto g = std::make_unique<TGalerie>();
        SetStation(g->Start, a, na);
        SetStation(g->End, b, nb);
        g->X = dx;
        g->Y = dy;
        g->Z = dz;
        g->TotalLength = length;
        g->SumSquares = length * length;
        g->Deformation = deformation;
        m.Sheets[0]->Galeries.push_back(std::move(g));
        return *m.Sheets[0]->Galeries.back();
    }
    // Reference with X and Y in kilometres, as typed.
    void Reference(const std::string& name, int number, double xKm, double yKm, double z)
    {
        auto p = std::make_unique<TPointTopo>();
        SetStation(*p, name, number);
        p->X = xKm;
        p->Y = yKm;
        p->Z = z;
        m.References.push_back(std::move(p));
    }
    std::unique_ptr<TCalculateur> Calculateur(IReporter* reporter = nullptr)
    {
        auto calc = std::make_unique<TCalculateur>(flags, reporter);
        std::vector<TFiche*> sheets;
        for (auto& s : m.Sheets)
            sheets.push_back(s.get());
        calc->BuildBranches(sheets, m.References);
        return calc;
    }
    // Connect, Condense, Adjust, Distribute and PositionGalleries, as the detailed computation.
    std::unique_ptr<TCalculateur> Run(IReporter* reporter = nullptr)
    {
        auto calc = Calculateur(reporter);
        const bool interactive = reporter != nullptr;
        if (calc->Connect(interactive)) {
            calc->Condense(interactive);
            calc->Adjust(interactive);
            calc->Distribute();
            calc->PositionGalleries(m);
        }
        return calc;
    }
    TGalerie& G(int i) { return *m.Sheets[0]->Galeries[static_cast<std::size_t>(i)]; }

    TMassif m;
    TComputeFlags flags;
};

void ExpectAt(const TPointTopo& p, double x, double y, double z)
{
    EXPECT_NEAR(p.X, x, 1e-9);
    EXPECT_NEAR(p.Y, y, 1e-9);
    EXPECT_NEAR(p.Z, z, 1e-9);
}

} // namespace

TEST(Connect, ChainIsReachedForwardThenBackward)
{
    Network n;
    n.Link("A", 1, "A", 2, 1, 0, 0, 1);
    n.Link("A", 2, "A", 3, 1, 0, 0, 1);
    n.Reference("A", 1, 0, 0, 0);
    auto calc = n.Calculateur();
    ASSERT_TRUE(calc->Connect(false));
    ASSERT_EQ(calc->Junctions.size(), 2u);
    EXPECT_EQ(calc->Junctions[0]->Number, 2);
    EXPECT_EQ(calc->Junctions[1]->Number, 3);
    EXPECT_EQ(calc->Branches[0]->StartNode, 0);
    EXPECT_EQ(calc->Branches[0]->EndNode, 1);
    EXPECT_EQ(calc->Branches[1]->StartNode, 1);
    EXPECT_EQ(calc->Branches[1]->EndNode, 2);
}

TEST(Connect, ListOrderDecidesTheJunctionNumbers)
{
    Network n;
    n.Link("B", 1, "B", 2, 0, 1, 0, 1);
    n.Link("A", 2, "B", 1, 0, 1, 0, 1);
    n.Link("A", 1, "A", 2, 0, 1, 0, 1);
    n.Reference("A", 1, 0, 0, 0);
    auto calc = n.Calculateur();
    ASSERT_TRUE(calc->Connect(false));
    ASSERT_EQ(calc->Junctions.size(), 3u);
    EXPECT_EQ(calc->Junctions[0]->Name.Get() + std::to_string(calc->Junctions[0]->Number), "A2");
    EXPECT_EQ(calc->Junctions[1]->Name.Get() + std::to_string(calc->Junctions[1]->Number), "B1");
    EXPECT_EQ(calc->Junctions[2]->Name.Get() + std::to_string(calc->Junctions[2]->Number), "B2");
    EXPECT_EQ(calc->Branches[1]->StartNode, 1);
    EXPECT_EQ(calc->Branches[1]->EndNode, 2);
    EXPECT_EQ(calc->Branches[0]->StartNode, 2);
    EXPECT_EQ(calc->Branches[0]->EndNode, 3);
}

TEST(Connect, NamesCompareWithoutCaseButNumbersCount)
{
    Network n;
    n.Link("R", 1, "a", 3, 1, 0, 0, 1);
    n.Link("A", 3, "A", 4, 1, 0, 0, 1);
    n.Link("A", 4, "x", 1, 1, 0, 0, 1);
    n.Reference("r", 1, 0, 0, 0);
    auto calc = n.Calculateur();
    ASSERT_TRUE(calc->Connect(false));
    EXPECT_EQ(calc->Junctions.size(), 3u); // a3 = A3, then A4 and X1
    EXPECT_FALSE(calc->SomeUnreached);
}

TEST(Connect, ReferenceCoordinatesTurnToMetresAndBothEndsMayBeFixed)
{
    Network n;
    n.Link("R", 1, "R", 2, 10, 0, 0, 10);
    n.Reference("R", 1, 880.236, 4765.5, 12);
    n.Reference("R", 2, 880.246, 4765.5, 12);
    auto calc = n.Calculateur();
    ASSERT_TRUE(calc->Connect(false));
    EXPECT_EQ(calc->Branches[0]->StartNode, 0);
    EXPECT_EQ(calc->Branches[0]->EndNode, 0);
    EXPECT_NEAR(calc->References[0]->X, 880236, 1e-6);
    EXPECT_NEAR(calc->Branches[0]->End.X, 880246, 1e-6);
    EXPECT_EQ(n.m.References[0]->X, 880.236); // the massif keeps kilometres
}

TEST(Connect, UnreachedGalleriesAreListedAndAskedAbout)
{
    Network n;
    n.m.AddSheet(std::make_unique<TFiche>(), false);
    n.m.Sheets[0]->Systeme.Set("S");
    n.m.Sheets[0]->Cavite.Set("C");
    n.m.Sheets[0]->Reseau.Set("R");
    n.m.Sheets[0]->Lieu.Set("L\xED"); // "Lí", as the model stores it in Windows-1252
    n.Link("R", 1, "A", 1, 1, 0, 0, 1);
    n.Link("", 0, "", 0, 1, 0, 0, 1); // Final to Final: never reached
    n.Link("Z", 1, "Z", 2, 1, 0, 0, 1);
    n.Reference("R", 1, 0, 0, 0);

    test::ScriptedReporter stop;
    stop.answers = { false };
    auto calc = n.Calculateur(&stop);
    EXPECT_FALSE(calc->Connect(true));
    ASSERT_EQ(stop.questions.size(), 1u);
    const TQuestion& q = stop.questions[0];
    EXPECT_EQ(q.Title, "Vacios");
    EXPECT_EQ(q.Text, "No son alcanzadas todas las galerías");
    EXPECT_EQ(q.Prompt, "¿Continuar los cálculos?");
    EXPECT_EQ(q.Yes, "Continuar");
    EXPECT_EQ(q.No, "Detener");
    EXPECT_EQ(q.Details, (std::vector<std::string> { "S/C/R/Lí Final - Final", "S/C/R/Lí Z - Z" }));
    EXPECT_EQ(calc->UnreachedList, q.Details); // the report's lines are UTF-8 too

    test::ScriptedReporter go;
    go.answers = { true };
    auto again = n.Calculateur(&go);
    EXPECT_TRUE(again->Connect(true));
    EXPECT_EQ(again->Branches.size(), 1u);
    EXPECT_TRUE(again->SomeUnreached);

    auto background = n.Calculateur();
    EXPECT_TRUE(background->Connect(false));
    EXPECT_EQ(background->Branches.size(), 1u);
}

TEST(Connect, FailuresAndTheirMessages)
{
    Network none;
    none.Link("A", 1, "A", 2, 1, 0, 0, 1);
    test::ScriptedReporter reporter;
    EXPECT_FALSE(none.Calculateur(&reporter)->Connect(true));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].first, MessageKind::Confirmation);
    EXPECT_EQ(reporter.messages[0].second, "No hay punto de referencia.");

    none.Reference("B", 1, 0, 0, 0);
    test::ScriptedReporter r2;
    auto calc = none.Calculateur(&r2);
    EXPECT_FALSE(calc->Connect(true));
    EXPECT_TRUE(calc->NoneReached);
    ASSERT_EQ(r2.messages.size(), 1u);
    EXPECT_EQ(r2.messages[0].second,
        "No se encuentra ninguna ficha, verifique el nombre de los puntos de referencia.");
}

TEST(Connect, JunctionLimitRaisesTheStopFlagOnce)
{
    Network n;
    for (int i = 0; i <= kMaxJunctions; ++i)
        n.Link("R", 0, "S" + std::to_string(i / 256), i % 256, 1, 0, 0, 1);
    n.Reference("R", 0, 0, 0, 0);
    auto calc = n.Calculateur();
    EXPECT_FALSE(calc->Connect(false));
    EXPECT_TRUE(n.flags.Stop);
    ASSERT_EQ(calc->DeferredMessages.size(), 1u);
    EXPECT_EQ(calc->DeferredMessages[0].second,
        "Macizo demasiado grande,\rSolicite usted una versión especial de Karstelle:\r"
        "«Cálculo» → «Sin límites de tamaño».");

    // Lifted, the same network connects whole.
    n.flags.Stop = false;
    n.flags.Unlimited = true;
    calc = n.Calculateur();
    EXPECT_TRUE(calc->Connect(false));
    EXPECT_FALSE(n.flags.Stop);
    EXPECT_TRUE(calc->DeferredMessages.empty());
    EXPECT_EQ(calc->Junctions.size(), static_cast<std::size_t>(kMaxJunctions) + 1);
}

TEST(Closure, LoopThroughAReference)
{
    Network n;
    n.Link("R", 1, "A", 1, 10, 0, 0, 10);
    n.Link("A", 1, "B", 1, 0, 10, 0, 10);
    n.Link("B", 1, "R", 1, -10, -10, 1, 20);
    n.Reference("R", 1, 1, 2, 100);
    test::ScriptedReporter reporter;
    auto calc = n.Run(&reporter);
    ASSERT_GE(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[0].second, "3 galerías, 0 ramales, 1 cierres, 0 ciega,");
    EXPECT_EQ(reporter.messages[1].second, "0 encrucijadas.");
    EXPECT_EQ(calc->Closures.size(), 1u);
    EXPECT_EQ(calc->Closures[0]->GalleryCount(), 3);
    // The loop misclosure -d = (0, 0, -1) is spread by length: a quarter at A, half at B.
    ExpectAt(n.G(0).End, 1010, 2000, 99.75);
    ExpectAt(n.G(1).End, 1010, 2010, 99.5);
    ExpectAt(n.G(2).End, 1000, 2000, 100);
    EXPECT_TRUE(n.G(0).Positioned && n.G(1).Positioned && n.G(2).Positioned);
    EXPECT_NEAR(n.G(1).VertMisclosure, 1.0 / 600, 1e-12);
    EXPECT_NEAR(n.G(1).HorizMisclosure, 0, 1e-12);
}

TEST(Closure, TwoReferencesThroughAJunction)
{
    Network n;
    n.Link("R", 1, "J", 1, 50, 0, 0, 50);
    n.Link("J", 1, "R", 2, 48, 0, 3, 50);
    n.Reference("R", 1, 0, 0, 0);
    n.Reference("R", 2, 0.1, 0, 0);
    auto calc = n.Run();
    EXPECT_EQ(calc->Closures.size(), 1u);
    // (R2 - R1) - d = (100, 0, 0) - (98, 0, 3) = (2, 0, -3), half at J.
    ExpectAt(n.G(0).End, 51, 0, -1.5);
    ExpectAt(n.G(1).Start, 51, 0, -1.5);
}

TEST(Closure, ThreeReferencesMeetAtAJunctionByWeightedMean)
{
    Network n;
    n.Link("R", 1, "J", 1, 10, 0, 0, 10); // J from R1 at (10, 0, 0), W = 100
    n.Link("R", 2, "J", 1, -20, 0.5, 0, 20); // J from R2 at (10, 0.5, 0), W = 400
    n.Link("J", 1, "R", 3, 0, 30, 1, 30); // J from R3 at (10, 0, -1), W = 900
    n.Reference("R", 1, 0, 0, 0);
    n.Reference("R", 2, 0.030, 0, 0);
    n.Reference("R", 3, 0.010, 0.030, 0);
    test::ScriptedReporter reporter;
    auto calc = n.Run(&reporter);
    EXPECT_EQ(calc->Equations, 1);
    const double w1 = 1 / 100.0, w2 = 1 / 400.0, w3 = 1 / 900.0;
    const double y = (0 * w1 + 0.5 * w2 + 0 * w3) / (w1 + w2 + w3);
    const double z = (0 * w1 + 0 * w2 - 1 * w3) / (w1 + w2 + w3);
    ExpectAt(n.G(0).End, 10, y, z);
    ExpectAt(n.G(2).Start, 10, y, z);
    EXPECT_EQ(reporter.messages[1].second, "1 encrucijadas.");
    EXPECT_EQ(reporter.messages[2].second.substr(reporter.messages[2].second.size() - 2), " s");
}

TEST(Closure, DeformationCoefficientTakesItsShare)
{
    Network n;
    n.Link("R", 1, "J", 1, 30, 0, 0, 30, 2);
    n.Link("J", 1, "R", 2, 30, 0, 0, 30, 1);
    n.Reference("R", 1, 0, 0, 0);
    n.Reference("R", 2, 0.063, 0, 0);
    n.Run();
    ExpectAt(n.G(0).End, 32, 0, 0); // 2 of the 3 m misclosure on the gallery of coefficient 2
}

TEST(Closure, BranchOfMergedGalleriesClosesOnTheAdjustedJunction)
{
    // Two junctions J1, J2 joined by three parallel routes, one of them of three galleries.
    Network n;
    n.Link("R", 1, "J", 1, 10, 0, 0, 10);
    n.Link("J", 1, "J", 2, 10, 0.2, 0, 10);
    n.Link("J", 1, "K", 1, 5, 5, 0, 8);
    n.Link("K", 1, "K", 2, 5, 0, 0, 5);
    n.Link("K", 2, "J", 2, 0.3, -5, 0.1, 6);
    n.Link("J", 2, "R", 2, 10, 0, 0, 10);
    n.Link("J", 1, "J", 2, 10, -0.1, 0, 10);
    n.Reference("R", 1, 0, 0, 0);
    n.Reference("R", 2, 0.030, 0, 0);
    auto calc = n.Run();
    EXPECT_EQ(calc->Equations, 2);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(n.G(i).Positioned) << i;
    // K1 and K2 lie on the route's straight share of its misclosure, so that its last gallery
    // closes exactly on the adjusted J2.
    const TPointTopo& j1 = n.G(0).End;
    const TPointTopo& j2 = n.G(1).End;
    const double ex = (j2.X - j1.X) - 10.3, ey = (j2.Y - j1.Y) - 0, ez = (j2.Z - j1.Z) - 0.1;
    const TPointTopo& k1 = n.G(2).End;
    ExpectAt(k1, j1.X + 5 + ex * 8 / 19, j1.Y + 5 + ey * 8 / 19, j1.Z + ez * 8 / 19);
    const TPointTopo& k2 = n.G(4).Start;
    ExpectAt(j2, k2.X + 0.3 + ex * 6 / 19, k2.Y - 5 + ey * 6 / 19, k2.Z + 0.1 + ez * 6 / 19);
}

TEST(Closure, SingleGalleryToAFinalEnd)
{
    Network n;
    TGalerie& g = n.Link("R", 1, "", 0, 3, 4, 0, 5);
    TVisee v;
    v.Length = 5;
    v.CumX = 3;
    v.CumY = 4;
    g.AddShot(v);
    n.Reference("R", 1, 1, 1, 10);
    test::ScriptedReporter reporter;
    auto calc = n.Run(&reporter);
    EXPECT_EQ(reporter.messages[0].second, "1 galerías, 0 ramales, 0 cierres, 1 ciega,");
    EXPECT_EQ(calc->Equations, 0);
    EXPECT_TRUE(g.Positioned);
    ExpectAt(g.Start, 1000, 1000, 10);
    g.PlaceStations();
    EXPECT_NEAR(g.Stations[0].X, 1003, 1e-9);
    EXPECT_NEAR(g.Stations[0].Y, 1004, 1e-9);
}

TEST(Closure, FinalStartIsPlacedBackwardsFromItsEnd)
{
    Network n;
    n.Link("R", 1, "J", 1, 10, 0, 0, 10);
    n.Link("", 0, "J", 1, 0, 5, 0, 5); // hangs from J with an open start
    n.Link("J", 1, "J", 2, 0, -5, 0, 5);
    n.Reference("R", 1, 0, 0, 0);
    n.Run();
    EXPECT_TRUE(n.G(1).Positioned);
    ExpectAt(n.G(1).End, 10, 0, 0);
    ExpectAt(n.G(2).End, 10, -5, 0);
    n.G(1).PlaceStations();
    ExpectAt(n.G(1).Start, 10, -5, 0);
}

TEST(Closure, ZeroLengthBranchesGiveNoNaN)
{
    Network n;
    n.Link("R", 1, "J", 1, 10, 0, 0, 10);
    n.Link("J", 1, "J", 2, 0, 0, 0, 0); // the same point under two names
    n.Link("J", 2, "R", 2, 10, 0, 0, 10);
    n.Link("J", 1, "K", 1, 5, 5, 0, 7, 0); // deformation coefficient 0
    n.Link("K", 1, "J", 2, -5, -5, 0, 7, 0);
    n.Link("J", 2, "R", 3, 0, 10, 0, 10);
    n.Reference("R", 1, 0, 0, 0);
    n.Reference("R", 2, 0.0205, 0, 0);
    n.Reference("R", 3, 0.010, 0.010, 0);
    n.Run();
    for (int i = 0; i < 6; ++i) {
        const TGalerie& g = n.G(i);
        EXPECT_TRUE(g.Positioned);
        for (double v : { g.Start.X, g.Start.Y, g.Start.Z, g.End.X, g.End.Y, g.End.Z, g.HorizMisclosure,
                 g.VertMisclosure })
            EXPECT_TRUE(std::isfinite(v)) << i;
    }
}

TEST(Matrice, SolvesNormalEquationsAndHonoursStop)
{
    // Junction 1 tied to a fixed point and to junction 2, which is tied to a fixed point.
    TMatrice m(2);
    EXPECT_TRUE(m.AddBranch(0, 1, 1.0, 1.0));
    EXPECT_TRUE(m.IsZero(1, 2)) << "no branch joins 1 and 2 yet";
    EXPECT_TRUE(m.AddBranch(1, 2, 0.0, 1.0));
    EXPECT_FALSE(m.IsZero(1, 2));
    EXPECT_TRUE(m.AddBranch(2, 0, 1.0, 1.0));
    EXPECT_FALSE(m.AddBranch(0, 0, 1.0, 1.0));
    ASSERT_TRUE(m.Solve());
    // Minimises (x1 - 1)² + (x2 - x1)² + (-x2 - 1)²: x1 = 1/3, x2 = -1/3.
    EXPECT_NEAR(m.B()[1], 1.0 / 3, 1e-12);
    EXPECT_NEAR(m.B()[2], -1.0 / 3, 1e-12);

    TMatrice stopped(3);
    stopped.AddBranch(0, 1, 1.0, 1.0);
    std::atomic<bool> stop { true };
    EXPECT_FALSE(stopped.Solve(&stop));
}

TEST(BuildBranches, RestrictedModeLeavesOutElevationAndOpenEnds)
{
    Network n;
    n.Link("R", 1, "A", 1, 1, 0, 0, 1);
    n.Link("A", 1, "", 0, 1, 0, 0, 1);
    n.Link("A", 1, "B", 1, 1, 0, 0, 1).InElevation = true;
    n.Link("B", 1, "C", 1, 1, 0, 0, 2, 3);
    n.Reference("R", 1, 0, 0, 0);
    TCalculateur calc(n.flags, nullptr);
    calc.BuildBranches({ n.m.Sheets[0].get() }, n.m.References, true);
    ASSERT_EQ(calc.Branches.size(), 2u);
    EXPECT_EQ(calc.Branches[1]->Links[0].Gallery, 3);
    EXPECT_EQ(calc.Branches[1]->WeightedLength, 6);
    EXPECT_EQ(calc.Branches[1]->WeightedSquares, 12);
    EXPECT_EQ(calc.References.size(), 1u);
}
