// The developed elevation's structure: branches, hung galleries, corrections, refusals and repairs.
#include "compute/elevation.h"
#include "compute/elevation_assistant.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using namespace ks;
using namespace ks::test;

namespace {

// Sheet 7 holds A1-A2 (2 shots), A2-A3 (1 shot), A2-B1 (3 shots) and A3-Final (1 shot); every
// shot has a horizontal length of 4.75 m.
class Elevation : public ::testing::Test
{
protected:
    Elevation()
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Galeries.push_back(MakeGallery("A", 1, "A", 2, 2));
        sheet->Galeries.push_back(MakeGallery("A", 2, "A", 3, 1));
        sheet->Galeries.push_back(MakeGallery("a", 2, "B", 1, 3));
        sheet->Galeries.push_back(MakeGallery("A", 3, "", 0, 1));
        sheet->Galeries.back()->End.Final = true;
        for (const auto& g : sheet->Galeries) {
            g->Positioned = true;
            g->PlaceStations();
        }
        massif.Sheets.push_back(std::move(sheet));
        massif.Sheets.back()->Ordre = 7;
        massif.Computed = true;
    }
    TGalerie& G(int i) { return *massif.Sheets[0]->Galeries[static_cast<std::size_t>(i)]; }
    static TGalleryRef Ref(int i) { return { 7, i }; }

    TMassif massif;
};

} // namespace

TEST_F(Elevation, ABranchFromAnEndPointUnrollsTheGalleryBackwards)
{
    TElevation e(massif);
    e.StartBranch(Ref(0), false, true, 100, 5);
    ASSERT_EQ(massif.ElevationPoints.size(), 1u);
    EXPECT_EQ(massif.ElevationPoints[0]->Name.Get(), "A");
    EXPECT_EQ(massif.ElevationPoints[0]->Number, 2);
    e.CalculerDeveloppes();
    EXPECT_TRUE(massif.ElevationPlaced);
    // The end point sits at the anchor, the start point one gallery length further on.
    EXPECT_DOUBLE_EQ(G(0).Stations[1].Developed, 100);
    EXPECT_DOUBLE_EQ(G(0).Stations[0].Developed, 104.75);
    EXPECT_DOUBLE_EQ(G(0).DevEnd, 109.5);
    EXPECT_DOUBLE_EQ(G(0).ElevZ, 5);

    double devMin, devMax, zMin, zMax;
    ASSERT_TRUE(e.Box(devMin, devMax, zMin, zMax));
    EXPECT_DOUBLE_EQ(devMin, 100);
    EXPECT_DOUBLE_EQ(devMax, 109.5);
    EXPECT_DOUBLE_EQ(zMin, G(0).Start.Z + 5); // the gallery climbs from its start
}

TEST_F(Elevation, HungGalleriesFollowTheCorrectedLengthAndInvertWithTheirBranch)
{
    TElevation e(massif);
    e.StartBranch(Ref(0), true, true, 0, 0);
    // A horizontal correction on the first shot carries what hangs below, not the gallery's own
    // stations.
    G(0).Shot(1).HorizCorrectionFlag = true;
    G(0).Shot(1).HorizCorrection = 20;
    std::vector<TGalleryRef> candidates;
    ASSERT_FALSE(e.ContinueCandidates(Ref(0), candidates));
    // A2-A3 and a2-B1 both start at A2, whatever the case of the name.
    ASSERT_EQ(candidates, (std::vector<TGalleryRef> { Ref(1), Ref(2) }));
    e.Hang(Ref(0), Ref(1));
    e.Hang(Ref(1), Ref(3));
    e.CalculerDeveloppes();
    EXPECT_DOUBLE_EQ(G(0).Stations[1].Developed, 9.5);
    EXPECT_DOUBLE_EQ(G(1).ElevX, 24.75);
    EXPECT_TRUE(G(1).ElevFromStart);
    EXPECT_DOUBLE_EQ(G(3).ElevX, 29.5);

    // Inverting the hung gallery mirrors its sub-tree around its attach point.
    e.InvertBranch(Ref(1));
    EXPECT_TRUE(G(0).ElevForward);
    EXPECT_FALSE(G(1).ElevForward);
    EXPECT_FALSE(G(3).ElevForward);
    EXPECT_DOUBLE_EQ(G(3).ElevX, 20);
    e.CalculerDeveloppes();
    EXPECT_DOUBLE_EQ(G(3).DevEnd, 15.25);
}

TEST_F(Elevation, ContinuationsAreRefusedAtAFinalPointAndAfterFive)
{
    TElevation e(massif);
    std::vector<TGalleryRef> candidates;
    e.StartBranch(Ref(3), true, true, 0, 0);
    EXPECT_EQ(e.ContinueCandidates(Ref(3), candidates), std::string(kBlindGalleryText));
    e.StartBranch(Ref(1), true, true, 0, 0);
    EXPECT_EQ(e.ContinueCandidates(Ref(1), candidates), std::string(kNoMoreSeriesText))
        << "A3-Final starts at A3 but is in the elevation already";
    G(1).BranchCount = 5;
    EXPECT_EQ(e.ContinueCandidates(Ref(1), candidates), std::string(kFiveSeriesText));
    EXPECT_TRUE(candidates.empty());
}

TEST_F(Elevation, ShiftingMakesAnIndependentBranchAndAttachingTakesItBack)
{
    TElevation e(massif);
    e.StartBranch(Ref(0), true, true, 0, 0);
    e.Hang(Ref(0), Ref(2));
    e.ShiftBranch(Ref(2), 50, -3);
    EXPECT_EQ(G(0).BranchCount, 0);
    ASSERT_EQ(massif.ElevationPoints.size(), 2u);
    EXPECT_EQ(massif.ElevationPoints[1]->Name.Get(), "a");
    EXPECT_DOUBLE_EQ(G(2).ElevX, 50);
    EXPECT_DOUBLE_EQ(G(2).ElevZ, -3);
    // Shifting again moves the anchor it now has.
    e.ShiftBranch(Ref(2), 60, 0);
    EXPECT_EQ(massif.ElevationPoints.size(), 2u);
    EXPECT_DOUBLE_EQ(G(2).ElevX, 60);

    std::vector<TGalleryRef> candidates;
    EXPECT_EQ(e.AttachCandidates(Ref(0), candidates), std::string(kNoBranchToAttachText));
    EXPECT_EQ(e.AttachCandidates(Ref(1), candidates), std::string(kNotBranchStartText));
    ASSERT_FALSE(e.AttachCandidates(Ref(2), candidates));
    ASSERT_EQ(candidates, std::vector<TGalleryRef> { Ref(0) });
    e.Attach(Ref(2), Ref(0));
    EXPECT_EQ(massif.ElevationPoints.size(), 1u);
    EXPECT_EQ(G(0).BranchCount, 1);
    EXPECT_DOUBLE_EQ(G(2).ElevX, 9.5);
}

TEST_F(Elevation, ABranchCannotBeAttachedBelowItself)
{
    TElevation e(massif);
    // A branch anchored at B1 whose hung gallery ends at B1 again (a loop): the only gallery
    // with that far point is the branch's own.
    e.StartBranch(Ref(2), false, true, 0, 0); // anchored at B1, far point a2
    e.Hang(Ref(2), Ref(0)); // A1-A2 hangs at A2, far point A1
    G(0).Start.Name.Set("B");
    G(0).Start.Number = 1;
    std::vector<TGalleryRef> candidates;
    EXPECT_EQ(e.AttachCandidates(Ref(2), candidates), std::string(kNoBranchToAttachText));
}

TEST_F(Elevation, BrokenLinksAreReportedOnceAndRemovalTakesTheWholeSubTree)
{
    TElevation e(massif);
    e.StartBranch(Ref(0), true, true, 0, 0);
    e.Hang(Ref(0), Ref(1));
    e.Hang(Ref(0), Ref(2));
    e.Hang(Ref(1), Ref(3));
    // A link to a sheet that is gone, first in the list.
    G(0).BranchSheet[2] = G(0).BranchSheet[1];
    G(0).BranchGallery[2] = G(0).BranchGallery[1];
    G(0).BranchSheet[1] = 99;
    G(0).BranchCount = 3;
    ScriptedReporter reporter;
    EXPECT_FALSE(e.VerifierCoupes(&reporter));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].second, kElevationProblemText);
    EXPECT_EQ(G(0).BranchCount, 2);
    EXPECT_EQ(G(0).BranchGallery[1], 2);
    EXPECT_TRUE(e.VerifierCoupes(&reporter));

    e.RetirerDeCoupe(Ref(1), true);
    EXPECT_FALSE(G(1).InElevation);
    EXPECT_FALSE(G(3).InElevation);
    EXPECT_TRUE(G(2).InElevation);
    EXPECT_EQ(G(0).BranchCount, 1);
    e.RetirerDeCoupe(Ref(0), true);
    EXPECT_TRUE(massif.ElevationPoints.empty());
    EXPECT_FALSE(G(2).InElevation);
}

TEST_F(Elevation, CircularLinksFromADamagedFileEndLikeAnyBranch)
{
    TElevation e(massif);
    e.StartBranch(Ref(0), true, true, 0, 0);
    e.Hang(Ref(0), Ref(1));
    G(1).BranchCount = 1;
    G(1).BranchSheet[0] = 7;
    G(1).BranchGallery[0] = 0; // back to the first gallery
    e.ReconstruireCoupes();
    EXPECT_DOUBLE_EQ(G(0).ElevX, 0);
    e.InvertBranch(Ref(0));
    e.RetirerDeCoupe(Ref(0), true);
    EXPECT_FALSE(G(1).InElevation);
}

namespace {

// Galleries of one sheet (Ordre 3) for the assistant, positioned by nothing: it works on the
// reduced vectors.
class Assistant : public ::testing::Test
{
protected:
    TGalerie& Add(const std::string& from, int a, const std::string& to, int b, int shots)
    {
        if (massif.Sheets.empty()) {
            massif.Sheets.push_back(std::make_unique<TFiche>());
            massif.Sheets[0]->Ordre = 3;
        }
        massif.Sheets[0]->Galeries.push_back(MakeGallery(from, a, to, b, shots));
        return *massif.Sheets[0]->Galeries.back();
    }
    TGalerie& G(int i) { return *massif.Sheets[0]->Galeries[static_cast<std::size_t>(i)]; }
    static std::vector<TGalleryRef> Refs(const std::vector<TPlacedGallery>& placed)
    {
        std::vector<TGalleryRef> refs;
        for (const TPlacedGallery& p : placed)
            refs.push_back(p.Ref);
        return refs;
    }

    TMassif massif;
};

} // namespace

TEST_F(Assistant, AChainIsAnchoredAtTheArrivalAndHungBackToTheDeparture)
{
    Add("A", 1, "A", 2, 1);
    Add("A", 2, "A", 3, 1);
    Add("A", 3, "A", 4, 1);
    TElevationAssistant assistant(massif);
    TAssistantRequest request;
    request.Departure = { "A", 1 };
    request.Arrival = { "a", 4 };
    request.X = 10;
    std::vector<TPlacedGallery> placed;
    ASSERT_EQ(assistant.Construire(request, placed), std::nullopt);
    EXPECT_EQ(Refs(placed), (std::vector<TGalleryRef> { { 3, 2 }, { 3, 1 }, { 3, 0 } }));
    ASSERT_EQ(massif.ElevationPoints.size(), 1u);
    EXPECT_EQ(massif.ElevationPoints[0]->Number, 4);
    EXPECT_EQ(massif.ElevationPoints[0]->Gallery, 2);
    // Each gallery is unrolled from the end it shares with the chain towards the arrival.
    EXPECT_FALSE(G(2).ElevFromStart);
    EXPECT_EQ(G(2).BranchCount, 1);
    EXPECT_EQ(G(2).BranchGallery[0], 1);
    EXPECT_EQ(G(1).BranchGallery[0], 0);
    EXPECT_DOUBLE_EQ(G(0).ElevX, 10 + 2 * 4.75);

    // Everything is in the elevation now: the departure reaches nothing more.
    TStationName arrival;
    EXPECT_EQ(assistant.PlusLoin({ "A", 1 }, false, arrival), std::string(kUnknownDepartureText));
}

TEST_F(Assistant, TheChainFollowsTheLighterWayRoundALoop)
{
    Add("A", 1, "A", 2, 1);
    Add("A", 2, "A", 3, 1);
    Add("A", 3, "A", 1, 1).Deformation = 3; // direct, but three times as heavy
    TElevationAssistant assistant(massif);
    TAssistantRequest request;
    request.Departure = { "A", 1 };
    request.Arrival = { "A", 3 };
    std::vector<TPlacedGallery> placed;
    ASSERT_EQ(assistant.Construire(request, placed), std::nullopt);
    EXPECT_EQ(Refs(placed), (std::vector<TGalleryRef> { { 3, 1 }, { 3, 0 } }));
    EXPECT_FALSE(G(2).InElevation);
}

TEST_F(Assistant, FarthestAndDeepestPicksAndBlindSideGalleries)
{
    Add("A", 1, "A", 2, 2); // climbs 1 m
    Add("A", 2, "A", 3, 4); // climbs 2 m, the longest way
    Add("B", 1, "A", 2, 3); // B1 lies 1.5 m below A2
    Add("A", 3, "", 0, 1).End.Final = true;
    TElevationAssistant assistant(massif);
    TStationName arrival;
    ASSERT_EQ(assistant.PlusLoin({ "A", 1 }, false, arrival), std::nullopt);
    EXPECT_EQ(arrival.Name, "A");
    EXPECT_EQ(arrival.Number, 3);
    ASSERT_EQ(assistant.PlusLoin({ "A", 1 }, true, arrival), std::nullopt);
    EXPECT_EQ(arrival.Name, "B");
    EXPECT_EQ(arrival.Number, 1);

    TAssistantRequest request;
    request.Departure = { "A", 1 };
    request.Arrival = { "A", 3 };
    request.Blind = true;
    request.Forward = false;
    std::vector<TPlacedGallery> placed;
    ASSERT_EQ(assistant.Construire(request, placed), std::nullopt);
    EXPECT_EQ(Refs(placed), (std::vector<TGalleryRef> { { 3, 1 }, { 3, 0 }, { 3, 3 } }));
    EXPECT_TRUE(G(3).InElevation);
    EXPECT_TRUE(G(3).ElevFromStart);
    EXPECT_FALSE(G(2).InElevation) << "B1-A2 is no blind gallery";
    // The side gallery at the arrival starts there, on a branch of its own unrolled away from the
    // chain, not at the far point of the first chain gallery.
    ASSERT_EQ(massif.ElevationPoints.size(), 2u);
    EXPECT_EQ(G(1).BranchCount, 1);
    EXPECT_DOUBLE_EQ(G(3).ElevX, G(1).ElevX);
    EXPECT_TRUE(G(3).ElevForward);
}

TEST_F(Assistant, Refusals)
{
    Add("A", 1, "A", 2, 1);
    Add("C", 1, "C", 2, 1);
    TElevationAssistant assistant(massif);
    TStationName arrival;
    std::vector<TPlacedGallery> placed;
    EXPECT_EQ(assistant.PlusLoin({ "A", -1 }, false, arrival), std::string(kIndexNotPositiveText));
    // Station 0, which the station list offers, is a departure like any other.
    EXPECT_EQ(assistant.PlusLoin({ "A", 0 }, false, arrival), std::string(kUnknownDepartureText));
    EXPECT_EQ(assistant.PlusLoin({ "Z", 1 }, false, arrival), std::string(kUnknownDepartureText));
    TAssistantRequest request;
    request.Departure = { "A", 1 };
    request.Arrival = { "C", 2 };
    EXPECT_EQ(assistant.Construire(request, placed), std::string(kCannotJoinText));
    request.New = false;
    EXPECT_EQ(assistant.Construire(request, placed), std::string(kNoKnownBranchText));
    EXPECT_TRUE(massif.ElevationPoints.empty());
    EXPECT_FALSE(G(0).InElevation);
}

TEST_F(Assistant, AChainThatContinuesABranchHangsByItsDepartureEnd)
{
    Add("A", 0, "A", 1, 2);
    Add("A", 2, "A", 3, 1);
    Add("A", 1, "A", 2, 1);
    TElevation(massif).StartBranch({ 3, 0 }, true, true, 100, 0); // A0-A1, far point A1
    TElevationAssistant assistant(massif);
    TAssistantRequest request;
    request.Departure = { "A", 1 };
    request.Arrival = { "A", 3 };
    request.New = false;
    std::vector<TPlacedGallery> placed;
    ASSERT_EQ(assistant.Construire(request, placed), std::nullopt);
    EXPECT_EQ(Refs(placed), (std::vector<TGalleryRef> { { 3, 2 }, { 3, 1 } }));
    EXPECT_EQ(massif.ElevationPoints.size(), 1u);
    EXPECT_EQ(G(0).BranchCount, 1);
    EXPECT_EQ(G(0).BranchGallery[0], 2);
    EXPECT_TRUE(G(2).ElevFromStart);
    EXPECT_TRUE(G(1).ElevFromStart);
    // The chain goes on from the branch's end.
    EXPECT_DOUBLE_EQ(G(2).ElevX, 100 + 2 * 4.75);
    EXPECT_DOUBLE_EQ(G(1).ElevX, 100 + 3 * 4.75);

    // A branch end that already holds five galleries takes no sixth, as "&Continuar ..." says.
    Add("A", 3, "A", 9, 1);
    G(1).BranchCount = kMaxBranches;
    request.Departure = { "A", 3 };
    request.Arrival = { "A", 9 };
    EXPECT_EQ(assistant.Construire(request, placed), std::string(kFiveSeriesText));
    EXPECT_FALSE(G(3).InElevation);
}
