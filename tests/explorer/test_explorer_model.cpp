#include "explorer/explorer_model.h"
#include "model/massif.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using namespace ks;

namespace {

// Sheets at the given (system, cave, network, place), with one positioned gallery each.
std::unique_ptr<TMassif> Massif(const std::vector<std::array<const char*, 4>>& places)
{
    auto m = std::make_unique<TMassif>();
    for (const auto& p : places) {
        auto f = std::make_unique<TFiche>();
        f->Systeme.Set(p[0]);
        f->Cavite.Set(p[1]);
        f->Reseau.Set(p[2]);
        f->Lieu.Set(p[3]);
        f->Galeries.push_back(test::MakeGallery("A", 1, "A", 2, 1));
        f->Galeries.back()->Positioned = true;
        m->AddSheet(std::move(f), false);
    }
    return m;
}

TFolder Folder(int level, std::array<std::string, 4> path = {})
{
    TFolder f;
    f.Level = level;
    f.Path = path;
    return f;
}

} // namespace

TEST(ExplorerModel, FoldersGroupIgnoringCaseInFirstMetOrder)
{
    auto m = Massif({ { "Sis", "Fria", "Norte", "Sala" }, { "Sis", "Agua", "Baja", "Lago" },
        { "SIS", "fria", "Norte", "Entrada" }, { "Otro", "X", "Y", "Z" } });
    TExplorerModel model(*m);
    const auto systems = model.Children(Folder(0));
    ASSERT_EQ(systems.size(), 2u);
    EXPECT_EQ(systems[0].Text(), "Sis"); // labelled by the first sheet met
    EXPECT_EQ(systems[1].Text(), "Otro");
    const auto caves = model.Children(systems[0]);
    ASSERT_EQ(caves.size(), 2u);
    EXPECT_EQ(caves[0].Text(), "Fria");
    const auto places = model.Children(model.Children(caves[0])[0]);
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(model.SheetsOf(caves[0]).size(), 2u);
    EXPECT_EQ(model.SheetsOf(places[1])[0]->Ordre, 3);
}

TEST(ExplorerModel, DeletingAPlaceThenUndoing)
{
    auto m = Massif({ { "S", "C", "R", "L" }, { "S", "C", "R", "L" }, { "S", "C", "R", "L" },
        { "S", "C", "R", "Otro" } });
    TExplorerModel model(*m);
    const TFolder place = Folder(4, { "S", "C", "R", "L" });
    model.Delete(model.SheetsOf(place));
    EXPECT_EQ(m->Sheets.size(), 1u);
    EXPECT_EQ(m->RecycleBin.size(), 3u);
    EXPECT_FALSE(m->Saved);
    ASSERT_TRUE(model.Undo());
    ASSERT_EQ(m->Sheets.size(), 4u);
    EXPECT_TRUE(m->RecycleBin.empty());
    // Back with new Ordre numbers, not positioned until the next computation.
    EXPECT_EQ(m->Sheets[0]->Ordre, 4);
    EXPECT_EQ(m->Sheets[1]->Ordre, 5);
    EXPECT_EQ(m->Sheets[3]->Ordre, 7);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_FALSE(m->Sheets[i]->Galeries[0]->Positioned);
    EXPECT_FALSE(model.Undo());
}

TEST(ExplorerModel, RestoreThenUndoSendsItBack)
{
    auto m = Massif({ { "S", "C", "R", "L" }, { "S", "C", "R", "M" } });
    TExplorerModel model(*m);
    model.Delete({ m->Sheets[0].get() });
    TFiche* inBin = m->RecycleBin[0].get();
    model.Restore({ inBin });
    EXPECT_TRUE(m->RecycleBin.empty());
    EXPECT_EQ(m->Sheets.back()->Ordre, 3); // larger than every other
    model.Undo();
    ASSERT_EQ(m->RecycleBin.size(), 1u);
    EXPECT_EQ(m->RecycleBin[0]->Ordre, 3);
    model.EmptyBin();
    EXPECT_TRUE(m->RecycleBin.empty());
}

TEST(ExplorerModel, CopyingACaveOntoAnotherSystemAndUndo)
{
    auto m = Massif({ { "S1", "Fria", "Norte", "Sala" }, { "S1", "Fria", "Sur", "Pozo" },
        { "S2", "Agua", "Baja", "Lago" } });
    TExplorerModel model(*m);
    TSource source;
    source.Folder = Folder(2, { "S1", "Fria" });
    model.Paste(source, Folder(1, { "S2" }), false);
    ASSERT_EQ(m->Sheets.size(), 5u);
    EXPECT_EQ(m->Sheets[3]->Systeme.Get(), "S2");
    EXPECT_EQ(m->Sheets[3]->Cavite.Get(), "Fria");
    EXPECT_EQ(m->Sheets[4]->Reseau.Get(), "Sur");
    EXPECT_EQ(m->Sheets[0]->Systeme.Get(), "S1"); // the originals stay
    model.Undo();
    EXPECT_EQ(m->Sheets.size(), 3u); // the copies are gone, not in the bin
    EXPECT_TRUE(m->RecycleBin.empty());

    // A cut moves them; the deeper texts stay.
    model.Paste(source, Folder(3, { "S2", "Agua", "Baja" }), true);
    EXPECT_EQ(m->Sheets[0]->Systeme.Get(), "S2");
    EXPECT_EQ(m->Sheets[0]->Reseau.Get(), "Baja");
    EXPECT_EQ(m->Sheets[0]->Lieu.Get(), "Sala");
    model.Undo();
    EXPECT_EQ(m->Sheets[0]->Reseau.Get(), "Norte");
}

TEST(ExplorerModel, RenamingANetworkOntoASiblingMergesThem)
{
    auto m = Massif({ { "S", "C", "Norte", "A" }, { "S", "C", "Sur", "B" } });
    TExplorerModel model(*m);
    const TFolder cave = Folder(2, { "S", "C" });
    EXPECT_EQ(model.Children(cave).size(), 2u);
    model.Rename(Folder(3, { "S", "C", "Sur" }), "norte");
    EXPECT_EQ(model.Children(cave).size(), 1u);
    EXPECT_EQ(model.SheetsOf(Folder(3, { "S", "C", "Norte" })).size(), 2u);
    model.Undo();
    EXPECT_EQ(model.Children(cave).size(), 2u);
}

TEST(ExplorerModel, DropTestAndIsolation)
{
    const TFolder system = Folder(1, { "S" });
    EXPECT_FALSE(TExplorerModel::CanDrop(system, Folder(2, { "S", "C" }))); // onto its own cave
    EXPECT_FALSE(TExplorerModel::CanDrop(system, system));
    EXPECT_TRUE(TExplorerModel::CanDrop(Folder(2, { "S", "C" }), Folder(1, { "T" })));
    EXPECT_FALSE(TExplorerModel::CanDrop(Folder(0), Folder(1, { "T" })));
    TFolder bin;
    bin.Bin = true;
    EXPECT_FALSE(TExplorerModel::CanDrop(bin, Folder(1, { "T" })));

    auto m = Massif({ { "S", "C", "R", "L" }, { "T", "C", "R", "L" }, { "S", "D", "R", "L" } });
    TExplorerModel model(*m);
    model.Isolate(model.SheetsOf(Folder(1, { "s" })));
    EXPECT_TRUE(m->SelectionActive);
    EXPECT_EQ(m->CurrentSheets().size(), 2u);
    model.Exclude(model.SheetsOf(Folder(2, { "S", "D" })));
    EXPECT_EQ(m->CurrentSheets().size(), 1u);
}

TEST(ExplorerModel, DeletedSheetsLeaveTheElevation)
{
    auto m = Massif({ { "S", "C", "R", "L" }, { "S", "C", "R", "M" } });
    TGalerie& anchor = *m->Sheets[1]->Galeries[0];
    anchor.BranchCount = 1;
    anchor.BranchSheet[0] = m->Sheets[0]->Ordre;
    m->Sheets[0]->Galeries[0]->InElevation = true;
    auto point = std::make_unique<TPointCoupe>();
    point->Sheet = m->Sheets[0]->Ordre;
    m->ElevationPoints.push_back(std::move(point));
    TExplorerModel model(*m);
    model.Delete({ m->Sheets[0].get() });
    EXPECT_EQ(anchor.BranchCount, 0);
    EXPECT_TRUE(m->ElevationPoints.empty());
    EXPECT_FALSE(m->RecycleBin[0]->Galeries[0]->InElevation);
}

TEST(Navigation, BackForwardSkippingMissingFolders)
{
    TNavigation history;
    history.Visit(Folder(0));
    history.Visit(Folder(1, { "A" }));
    history.Visit(Folder(1, { "B" }));
    auto all = [](const TFolder&) { return true; };
    EXPECT_EQ(history.Back(all)->Text(), "A");
    EXPECT_EQ(history.Forward(all)->Text(), "B");
    auto noA = [](const TFolder& f) { return f.Text() != "A"; };
    EXPECT_EQ(history.Back(noA)->Level, 0); // A is gone: the root before it
    EXPECT_FALSE(history.Back(all).has_value());
}
