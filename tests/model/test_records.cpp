#include "model/massif.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using ks::test::MakeGallery;

namespace {

std::unique_ptr<TFiche> SheetWithOrdre(int ordre)
{
    auto f = std::make_unique<TFiche>();
    f->Ordre = ordre;
    return f;
}

} // namespace

TEST(Station, SameStationIgnoresCaseAndNeverMatchesFinal)
{
    TPointTopo a, b;
    a.Name.Set("galer\xED"
               "a");
    a.Number = 4;
    b.Name.Set("GALER\xCD"
               "A");
    b.Number = 4;
    EXPECT_TRUE(a.SameStation(b));
    b.Number = 5;
    EXPECT_FALSE(a.SameStation(b));
    b.Number = 4;
    b.Final = true;
    EXPECT_FALSE(a.SameStation(b));
    EXPECT_FALSE(b.SameStation(b));

    TPointTopo copy;
    copy.Name.Set("old");
    copy.X = 9;
    copy.CopyFrom(b); // a Final source copies only the flag
    EXPECT_TRUE(copy.Final);
    EXPECT_EQ(copy.Name.Get(), "old");
    EXPECT_EQ(copy.X, 9);
}

TEST(Gallery, ShotLimitIsEnforced)
{
    TGalerie g;
    for (int i = 0; i < ks::kMaxShots; ++i)
        ASSERT_TRUE(g.AddShot(TVisee()));
    EXPECT_FALSE(g.AddShot(TVisee()));
    EXPECT_EQ(g.ShotCount(), 128);
}

TEST(Gallery, PlaceStationsSpreadsMisclosureAlongTheLength)
{
    TGalerie g;
    TVisee v;
    v.Length = 10;
    v.CumX = 10;
    g.AddShot(v);
    v.Length = 1000; // centimetres
    v.LengthUnit = ks::kCentimetres;
    v.CumX = 20;
    g.AddShot(v);
    g.X = 20;
    g.TotalLength = 20;
    g.Start.X = 100;
    g.End.X = 122; // 2 m of misclosure
    g.End.Y = 4;
    g.End.Z = -2;

    g.PlaceStations();
    EXPECT_EQ(g.StationCount(), 2); // sized even while not positioned

    g.Positioned = true;
    g.PlaceStations();
    ASSERT_EQ(g.StationCount(), 2);
    EXPECT_NEAR(g.Stations[0].X, 111, 1e-12);
    EXPECT_NEAR(g.Stations[0].Y, 2, 1e-12);
    EXPECT_NEAR(g.Stations[0].Z, -1, 1e-12);
    EXPECT_NEAR(g.Stations[1].X, 122, 1e-12);
    EXPECT_NEAR(g.Stations[1].Y, 4, 1e-12);
}

TEST(Gallery, FinalStartIsPlacedBackwardsFromItsEnd)
{
    auto g = MakeGallery("", 0, "A", 1, 2);
    g->Start.Final = true;
    g->End.X = 50;
    g->End.Y = 60;
    g->End.Z = 70;
    g->Positioned = true;
    g->PlaceStations();
    EXPECT_NEAR(g->Start.X, 50 - g->X, 1e-12);
    EXPECT_NEAR(g->Start.Y, 60 - g->Y, 1e-12);
    EXPECT_NEAR(g->Start.Z, 70 - g->Z, 1e-12);
    EXPECT_NEAR(g->Stations[1].X, 50, 1e-12); // raw shape, no misclosure
    EXPECT_NEAR(g->Stations[1].Z, 70, 1e-12);
}

TEST(Gallery, ZeroLengthGalleryIsPlacedWithoutNaN)
{
    TGalerie g;
    g.AddShot(TVisee());
    g.Positioned = true;
    g.End.X = 1;
    g.PlaceStations();
    EXPECT_EQ(g.Stations[0].X, 0);
}

// A shot holds its size texts in place and its comment only when there is one: a copy is a copy
// (changing it leaves the original alone), texts past ten characters keep their first ten, and an
// emptied comment equals one never set.
TEST(Gallery, ShotTextsAreCopiedWholeAndCutToTheirLimits)
{
    TVisee shot;
    shot.LeftWidth = "0123456789abc";
    shot.RightWidth = std::string("2.5");
    shot.Comment.Set("gour");
    EXPECT_EQ(shot.LeftWidth.view(), "0123456789");
    EXPECT_EQ(shot.LeftWidth + "/" + shot.RightWidth, "0123456789/2.5");

    TVisee copy = shot;
    copy.RightWidth.clear();
    copy.Comment.Set("sifón");
    EXPECT_EQ(shot.RightWidth, "2.5");
    EXPECT_EQ(shot.Comment.Get(), "gour");
    EXPECT_TRUE(copy.RightWidth.empty());

    copy.Comment.Set("");
    EXPECT_TRUE(copy.Comment.Empty());
    EXPECT_EQ(copy.Comment, TVisee().Comment);
    EXPECT_NE(copy.Comment, shot.Comment);
    shot = copy;
    EXPECT_EQ(shot.Comment.Get(), "");
    EXPECT_EQ(TNote(std::string(40000, 'x')).Length(), TEco::kMaxLength);
}

TEST(Sheet, PassageWidths)
{
    TFiche f;
    f.Galeries.push_back(MakeGallery("A", 1, "A", 3, 2));
    TVisee& v = f.Galeries[0]->Shot(1);
    v.LeftWidth = "";
    v.RightWidth = "3";
    EXPECT_EQ(f.PassageWidths(0, 1), std::make_pair(1.5, 1.5));
    v.LeftWidth = "2m";
    v.RightWidth = "50";
    v.WidthUnit = ks::kCentimetres;
    EXPECT_EQ(f.PassageWidths(0, 1), std::make_pair(0.02, 0.5));
    v.LeftWidth = "abc";
    v.RightWidth = "";
    EXPECT_EQ(f.PassageWidths(0, 1), std::make_pair(-1.0, -1.0));
}

TEST(Sheet, PassageHeights)
{
    TFiche f;
    f.Galeries.push_back(MakeGallery("A", 1, "A", 3, 1));
    TVisee& v = f.Galeries[0]->Shot(1);
    v.UpperHeight = "1.5";
    v.LowerHeight = "";
    EXPECT_EQ(f.PassageHeights(0, 1), std::make_pair(1.5, 0.0));
    v.UpperHeight = "";
    EXPECT_EQ(f.PassageHeights(0, 1), std::make_pair(-1.0, -1.0));
    v.UpperHeight = "2x";
    v.LowerHeight = "-0.5";
    EXPECT_EQ(f.PassageHeights(0, 1), std::make_pair(2.0, 0.5));
}

TEST(Sheet, SizesAtAGalleryStartComeFromTheNearestGalleryEndingThere)
{
    TFiche f;
    f.Galeries.push_back(MakeGallery("A", 1, "A", 3, 1)); // ends at A3: up 4, down unknown
    f.Galeries.push_back(MakeGallery("B", 1, "a", 3, 1)); // ends at a3: up 2, down 1
    f.Galeries.push_back(MakeGallery("C", 1, "C", 2, 1)); // ends elsewhere
    f.Galeries.push_back(MakeGallery("A", 3, "D", 1, 1));
    f.Galeries[0]->Shot(1).UpperHeight = "4";
    f.Galeries[0]->Shot(1).LowerHeight = "x";
    f.Galeries[1]->Shot(1).UpperHeight = "?";
    f.Galeries[1]->Shot(1).LowerHeight = "1";
    const auto [up, down] = f.PassageHeights(3, 0);
    EXPECT_EQ(up, 4); // the nearest gallery has no readable upper height
    EXPECT_EQ(down, 1);
    EXPECT_EQ(f.PassageHeights(0, 0), std::make_pair(-1.0, -1.0)); // nothing before the first gallery
}

TEST(Sheet, CopyLeavesOutPositionsElevationBranchesAndOrdre)
{
    auto m = ks::test::MakeFixtureMassif();
    const TFiche& source = *m->Sheets[0];
    source.Galeries[0]->PlaceStations();
    ASSERT_GT(source.Galeries[0]->StationCount(), 0);

    TFiche copy;
    copy.CopyFrom(source);
    EXPECT_EQ(copy.Ordre, 0);
    ASSERT_EQ(copy.Galeries.size(), source.Galeries.size());
    const TGalerie& g = *copy.Galeries[0];
    EXPECT_EQ(g.StationCount(), 0);
    EXPECT_FALSE(g.InElevation);
    EXPECT_EQ(g.BranchCount, 0);
    EXPECT_FALSE(g.Shot(3).HorizCorrectionFlag);
    EXPECT_EQ(g.Shot(3).HorizCorrection, 3.25);
    EXPECT_TRUE(g.Shot(3).DevCorrectionFlag);
    EXPECT_EQ(g.Colour, source.Galeries[0]->Colour);
    EXPECT_EQ(g.Name, source.Galeries[0]->Name);
    EXPECT_TRUE(copy.SameTeam(source));
    EXPECT_TRUE(copy.SamePlace(source));
    copy.Surveyors[1].Set("JOS\xC9 PE\xD1"
                          "A");
    EXPECT_TRUE(copy.SameTeam(source));
    copy.Lieu.Set("entrada");
    EXPECT_FALSE(copy.SamePlace(source));
}

TEST(Massif, AddSheetNumbersAboveSheetsAndRecycleBin)
{
    TMassif m;
    EXPECT_EQ(m.AddSheet(std::make_unique<TFiche>(), false)->Ordre, 1);

    TMassif n;
    n.Sheets.push_back(SheetWithOrdre(3));
    n.Sheets.push_back(SheetWithOrdre(7));
    n.RecycleBin.push_back(SheetWithOrdre(9));
    n.Computed = true;
    EXPECT_EQ(n.AddSheet(std::make_unique<TFiche>(), false)->Ordre, 10);
    EXPECT_FALSE(n.Computed);
}

TEST(Massif, NextFreeNumberSkipsUsedNumbersOfAnyCase)
{
    TMassif m;
    EXPECT_EQ(m.NextFreeNumber("A", 4), 5);
    auto f = std::make_unique<TFiche>();
    f->Galeries.push_back(MakeGallery("A", 1, "a", 5, 1));
    f->Galeries.push_back(MakeGallery("A", 5, "A", 6, 1));
    f->Galeries.push_back(MakeGallery("B", 7, "", 0, 1));
    f->Galeries.back()->End.Final = true;
    m.AddSheet(std::move(f), false);
    EXPECT_EQ(m.NextFreeNumber("A", 4), 7);
    EXPECT_EQ(m.NextFreeNumber("B", 6), 8);
    EXPECT_EQ(m.NextFreeNumber("C", 254), 255);
}

TEST(Massif, ReplaceDiscardAndSortKeepTheSelectionInStep)
{
    TMassif m;
    TFiche* a = m.AddSheet(std::make_unique<TFiche>(), false);
    TFiche* b = m.AddSheet(std::make_unique<TFiche>(), false);
    TFiche* c = m.AddSheet(std::make_unique<TFiche>(), false);
    m.Selection.emplace({ a, b });
    m.SelectionActive = true;

    auto newA = std::make_unique<TFiche>();
    TFiche* replacement = newA.get();
    auto old = m.ReplaceSheet(a, std::move(newA));
    EXPECT_EQ(old.get(), a);
    EXPECT_EQ(replacement->Ordre, 1);
    EXPECT_EQ(m.Sheets.back().get(), replacement);
    EXPECT_EQ(*m.Selection, (std::vector<TFiche*> { b, replacement }));

    m.SortSheets();
    EXPECT_EQ(m.Sheets[0].get(), replacement);
    EXPECT_EQ(m.Sheets[2].get(), c);
    EXPECT_EQ(*m.Selection, (std::vector<TFiche*> { replacement, b }));
    EXPECT_EQ(m.CurrentSheets(), *m.Selection);

    m.DiscardSheet(b);
    EXPECT_EQ(m.Sheets.size(), 2u);
    EXPECT_EQ(*m.Selection, (std::vector<TFiche*> { replacement }));
    ASSERT_EQ(m.RecycleBin.size(), 1u);
    EXPECT_EQ(m.RecycleBin[0].get(), b);
    // The bin's Ordre still counts for new sheets.
    EXPECT_EQ(m.AddSheet(std::make_unique<TFiche>(), true)->Ordre, 4);
    EXPECT_EQ(m.Selection->size(), 2u);

    m.SelectionActive = false;
    EXPECT_EQ(m.CurrentSheets().size(), 3u);
}

TEST(Massif, NewMassifDefaultsAndPlaceAllStations)
{
    TMassif m;
    EXPECT_TRUE(m.Saved);
    EXPECT_FALSE(m.Computed);
    EXPECT_EQ(m.Date_Declinaison, "01/01/80");
    EXPECT_EQ(m.Variation_Declinaison, 1.0);
    EXPECT_EQ(m.Tolerance, 0.05);
    EXPECT_FALSE(m.Selection.has_value());

    auto fixture = ks::test::MakeFixtureMassif();
    fixture->PlaceAllStations();
    EXPECT_TRUE(fixture->Computed);
    EXPECT_EQ(fixture->Sheets[0]->Galeries[0]->StationCount(), 3);
    fixture->ClearReferences();
    EXPECT_TRUE(fixture->References.empty());
    EXPECT_FALSE(fixture->Computed);
}

TEST(Selection, IsolateEndAndTheLevelsOfASheet)
{
    TMassif m;
    auto sheet = [&m](const char* system, const char* cave, const char* network, const char* place) {
        auto f = std::make_unique<TFiche>();
        f->Systeme.Set(system);
        f->Cavite.Set(cave);
        f->Reseau.Set(network);
        f->Lieu.Set(place);
        return m.AddSheet(std::move(f), false);
    };
    TFiche* a = sheet("S", "C", "R", "L");
    TFiche* b = sheet("S", "C", "R", "M");
    TFiche* c = sheet("S", "D", "R", "L");
    EXPECT_TRUE(a->SameLevel(*a, 0));
    EXPECT_FALSE(a->SameLevel(*b, 0));
    EXPECT_FALSE(a->SameLevel(*b, 1));
    EXPECT_TRUE(a->SameLevel(*b, 2));
    EXPECT_FALSE(a->SameLevel(*c, 2)); // same network name in another cave
    EXPECT_TRUE(a->SameLevel(*c, 4));

    m.TableLaidOut = true;
    m.Isolate({ c, a });
    EXPECT_TRUE(m.SelectionActive);
    EXPECT_FALSE(m.TableLaidOut);
    EXPECT_EQ(m.CurrentSheets(), (std::vector<TFiche*> { c, a }));
    m.EndSelection();
    EXPECT_FALSE(m.SelectionActive);
    EXPECT_EQ(m.CurrentSheets().size(), 3u);
}
