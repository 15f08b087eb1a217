// The table's layout, cells, pages and column fitting.
#include "model/massif.h"
#include "options/options.h"
#include "support/fixture.h"
#include "support/ink.h"
#include "views/tableau.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace ks;
using namespace ks::test;

namespace {

// Sheets of one positioned gallery each (three shots), with a team and a place of their own
// unless told to share the previous sheet's.
class TableFixture
{
public:
    TableFixture()
    {
        context.Massif = &massif;
        context.Tableau = &options;
        context.Marge = &margins;
    }
    TFiche& AddSheet(const std::string& date, const std::string& place)
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Date = date;
        sheet->Surveyors.push_back(TEco("Ana"));
        sheet->Systeme.Set("S");
        sheet->Lieu.Set(place);
        auto g = MakeGallery("A", static_cast<int>(massif.Sheets.size()) + 1, "B", 1, 3);
        g->Start.X = 100;
        g->Start.Y = 200;
        g->Start.Z = 50;
        g->End.X = g->Start.X + g->X;
        g->End.Y = g->Start.Y + g->Y;
        g->End.Z = g->Start.Z + g->Z;
        g->Positioned = true;
        g->PlaceStations();
        sheet->Galeries.push_back(std::move(g));
        return *massif.AddSheet(std::move(sheet), false);
    }
    std::vector<TTableau::Element::Kind> Kinds(const TTableau& table, int pageHeight = 0) const
    {
        std::vector<TTableau::Element::Kind> kinds;
        for (const auto& e : table.Layout(pageHeight))
            kinds.push_back(e.Type);
        return kinds;
    }

    TMassif massif;
    TOptions_Tableau options;
    TMarge margins;
    TViewContext context;
};

using K = TTableau::Element::Kind;

} // namespace

TEST(TableLayout, BandsOpenANewTeamOrPlaceAndRowsMakeRoomForSketches)
{
    TableFixture f;
    f.AddSheet("01/02/03", "Boca");
    f.AddSheet("01/02/03", "Boca"); // same team, same place: same block
    f.AddSheet("01/02/03", "Sala"); // same team, other place: restricted band
    f.AddSheet("02/02/03", "Sala"); // other team: general band
    f.massif.Sheets[0]->Galeries[0]->Shot(2).SketchSize = 3;
    TTableau table(f.context);
    const auto layout = table.Layout();
    const std::vector<K> sheetRows = { K::Start, K::Shot, K::Shot, K::Shot };
    std::vector<K> expected = { K::Band };
    for (int sheet = 0; sheet < 4; ++sheet) {
        if (sheet == 2 || sheet == 3)
            expected.push_back(K::Band);
        expected.insert(expected.end(), sheetRows.begin(), sheetRows.end());
    }
    EXPECT_EQ(f.Kinds(table), expected);
    EXPECT_EQ(layout[0].Variant, 0);
    EXPECT_EQ(layout[0].Height, 50 + 8); // the band and the repeated headings
    EXPECT_EQ(layout[9].Variant, 1);
    EXPECT_EQ(layout[14].Variant, 0);
    EXPECT_EQ(layout[3].Height, 8 + 30); // three sketch lines of 10 mm
    EXPECT_EQ(layout[4].Top, layout[3].Top + 38);

    // "&Fecha" puts the later team first when its date sorts first.
    f.massif.Sheets[3]->Date = "01/01/99";
    f.context.TableOrder = 1;
    EXPECT_EQ(table.SheetOrder().front().second, f.massif.Sheets[3].get());
}

TEST(TableColumns, HiddenDoubledAndWidths)
{
    TableFixture f;
    f.AddSheet("01/02/03", "Boca");
    TTableau table(f.context);
    EXPECT_EQ(table.WidthMm(), 12 * 20 + 60);
    f.options.Double[3] = true; // "Anchura"
    EXPECT_EQ(table.WidthMm(), 13 * 20 + 60);
    const auto layout = table.Layout();
    const auto& shot = layout[2]; // band, start, shot 1
    ASSERT_EQ(shot.Type, K::Shot);
    const TVisee& v = f.massif.Sheets[0]->Galeries[0]->Shot(1);
    EXPECT_EQ(table.Cells(shot, 3), (std::vector<std::string> { v.LeftWidth, v.RightWidth }));
    f.options.Double[3] = false;
    EXPECT_EQ(table.Cells(shot, 3), std::vector<std::string> { v.RightWidth }) << "a single width alone";
    EXPECT_EQ(table.Cells(shot, 0), std::vector<std::string> { "5.25" });
    EXPECT_EQ(table.Cells(layout[1], 0), std::vector<std::string> { "" }) << "the start row has no length";
    EXPECT_EQ(table.Cells(layout[1], 9)[0], "del punto A(1). ");
    EXPECT_EQ(table.Cells(layout[4], 9)[0], " Punto B(1)") << "the last shot names its end";

    f.options.Jaffiche.fill(false);
    EXPECT_EQ(table.WidthMm(), 0);
    int w = 0, h = 0;
    table.Dimensions(w, h, 4, 1);
    EXPECT_EQ(w, 1) << "the window raises a table of no width to its minimum";
}

TEST(TableColumns, ComputedValuesOfAShotRow)
{
    TableFixture f;
    TGalerie& g = *f.AddSheet("01/02/03", "Boca").Galeries[0];
    g.InElevation = true; // unrolled from its start, to the right, from 10 m
    g.ElevFromStart = true;
    g.ElevForward = true;
    g.ElevX = 10;
    TTableau table(f.context);
    int w = 0, h = 0;
    table.Dimensions(w, h, 4, 1); // the developed distances with no elevation drawn
    const auto layout = table.Layout();
    const auto& start = layout[1];
    const auto& second = layout[3]; // shot 2: from station 1 to station 2
    ASSERT_EQ(second.Point, 2);
    std::vector<std::string> row;
    for (int c = 0; c < TOptions_Tableau::kColumns; ++c)
        row.push_back(table.Cells(second, c)[0]);
    EXPECT_EQ(row,
        (std::vector<std::string> { "5.50", "20.00", "-3.00", "2", "1.5", "109.00", "197.50", "51.00",
            "19.50", "", "5.50", "4.67", "0.50" }));
    EXPECT_EQ(table.Cells(start, 8)[0], "10.00") << "the start row's developed distance";
}

TEST(TableZero, AltitudeAloneZeroesZ)
{
    TableFixture f;
    f.AddSheet("01/02/03", "Boca");
    f.options.Point_Topo.Name.Set("a");
    f.options.Point_Topo.Number = 1;
    f.options.EnAltitude = true;
    TTableau table(f.context);
    table.FindZero();
    EXPECT_EQ(table.ZeroX, 0);
    EXPECT_EQ(table.ZeroY, 0);
    EXPECT_EQ(table.ZeroZ, 50);
    const auto layout = table.Layout();
    EXPECT_EQ(table.Cells(layout[1], 7)[0], "0.00");
    EXPECT_EQ(table.Cells(layout[1], 5)[0], "100.00");
}

TEST(TableText, ACommentWithoutSpacesIsCutCharacterByCharacter)
{
    auto measure = [](const QString& text) { return 10.0 * text.size(); };
    EXPECT_EQ(CutText("abcdefg", 30, measure), (std::vector<QString> { "abc", "def", "g" }));
    EXPECT_EQ(CutText("ab cd efgh", 55, measure), (std::vector<QString> { "ab cd", "efgh" }));
    EXPECT_EQ(CutText("", 30, measure), std::vector<QString> {});
}

TEST(TablePages, PageBreaksOfTheCountAndOfThePrintedPagesAgree)
{
    TableFixture f;
    for (int i = 0; i < 12; ++i)
        f.AddSheet("0" + std::to_string(i % 9 + 1) + "/02/03", "Boca");
    f.options.Hauteur_Ligne = 7;
    TTableau table(f.context);
    table.SetPageSize(QSizeF(210, 297));
    int columns = 0, rows = 0;
    table.NbPages(columns, rows, 20, 20);
    const int uh = 297 - 20;
    const auto layout = table.Layout(uh);
    ASSERT_FALSE(layout.empty());
    for (const auto& e : layout) // nothing crosses a page's foot
        EXPECT_EQ(e.Top / uh, (e.Top + e.Height - 1) / uh) << e.Top;
    EXPECT_EQ(rows, (layout.back().Top + layout.back().Height) / uh + 1);
    EXPECT_GT(rows, 1);
    EXPECT_EQ(columns, 2) << "300 mm over 190 mm of page";

    // Each printed page shows ink only for the rows the count puts on it: the last page has some.
    QImage page(420, 594, QImage::Format_RGB32);
    table.SetPrinterPage(QSizeF(420, 594), QSizeF(210, 297));
    auto ink = [&](int row) {
        page.fill(Qt::white);
        QPainter painter(&page);
        table.DessinerPage(0, row, 10, 10, 0, painter, 1.0);
        painter.end();
        return CountInk(page, DarkerThan(128));
    };
    int w = 0, h = 0;
    table.Dimensions(w, h, 4, 1);
    EXPECT_GT(ink(rows - 1), 0);
    EXPECT_EQ(ink(rows), 0);
}

TEST(TablePicking, RowsAreFoundByHeightAndTheCommentColumnFillsThePages)
{
    TableFixture f;
    f.AddSheet("01/02/03", "Boca");
    TTableau table(f.context);
    int w = 0, h = 0;
    table.Dimensions(w, h, 4, 1);
    int fiche = -1, galerie = -1, point = -1;
    table.Chercher(0, 10, fiche, galerie, point); // inside the band
    EXPECT_EQ(point, 1);
    table.Chercher(0, (58 + 8 + 8 + 1) * 4, fiche, galerie, point); // the second shot's row
    EXPECT_EQ(point, 2);
    EXPECT_EQ(galerie, 0);

    table.SetPageSize(QSizeF(210, 297));
    f.margins.EGauche = f.margins.EDroite = 10;
    const int commentLeft = 9 * 20; // columns 1 to 9 come first
    table.AjusterColonne((commentLeft + 5) * 4);
    // The others take 240 mm; pages of 190 mm: two pages hold 380 mm.
    EXPECT_EQ(f.options.Largeur_Colonne[9], 380 - 240 - 1);
    table.AjusterColonne(5 * 4); // "Longitud": its widest text
    EXPECT_GT(f.options.Largeur_Colonne[0], 0);
    EXPECT_LT(f.options.Largeur_Colonne[0], 20);
}
