// The plotter text export.
#include "exchange/plotter.h"
#include "model/massif.h"
#include "support/fixture.h"
#include "support/lines.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace ks;
using namespace ks::test;

namespace {

TFiche& AddSheet(TMassif& massif, const std::string& date, const std::string& cave)
{
    auto sheet = std::make_unique<TFiche>();
    sheet->Date = date;
    sheet->Cavite.Set(cave);
    sheet->Lieu.Set("Boca");
    auto g = MakeGallery("A", 1, "B", 1, 2);
    g->Start.X = 10;
    g->End.X = g->Start.X + g->X;
    g->End.Y = g->Start.Y + g->Y;
    g->End.Z = g->Start.Z + g->Z;
    g->Positioned = true;
    g->PlaceStations();
    sheet->Galeries.push_back(std::move(g));
    return *massif.AddSheet(std::move(sheet), false);
}

} // namespace

TEST(Plotter, LinesOfASheet)
{
    TMassif massif;
    TFiche& sheet = AddSheet(massif, "05/03/98", "Cueva del Agua");
    sheet.Galeries[0]->Shot(1).LeftWidth = "";
    sheet.Galeries[0]->Shot(1).RightWidth = "2"; // a single width
    sheet.Galeries[0]->Shot(1).UpperHeight = "1.5";
    sheet.Galeries[0]->Shot(1).LowerHeight = "x";
    const auto lines = Lines(PlotterText(massif));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "Z 10.00 19.00 -2.50 0.00 0.00 1.00") << "the box of everything exported";
    EXPECT_EQ(lines[1], "SCueva de") << "the cave's first 8 characters";
    EXPECT_EQ(lines[2], "NT0 D 3 5 1998 CBoca");
    EXPECT_EQ(lines[3], "M 10.00 0.00 0.00 SA P 999.0 999.0 999.0 999.0");
    EXPECT_EQ(lines[4], "D 14.50 -1.25 0.50 S0.1 P 2.0 999.0 1.5 999.0");
    EXPECT_EQ(lines[6], "X 10.00 19.00 -2.50 0.00 0.00 1.00") << "the sheet's box";
}

TEST(Plotter, DatesAndCaveLines)
{
    TMassif massif;
    AddSheet(massif, "05/03/02", "Sima");
    AddSheet(massif, "", "Sima"); // same cave: no line
    AddSheet(massif, "01/01/99", ""); // no cave text: no line
    AddSheet(massif, "01/01/99", "Sima"); // the cave comes back
    AddSheet(massif, "01/01/31", "Sima"); // the program's one pivot: 2031
    std::string caves, dates;
    for (const std::string& line : Lines(PlotterText(massif))) {
        if (line[0] == 'S')
            caves += line + ";";
        if (line[0] == 'N')
            dates += line.substr(line.find('D'), line.find('C') - line.find('D')) + ";";
    }
    EXPECT_EQ(caves, "SSima;SSima;");

    // Lines of any length are written whole.
    TMassif far;
    TPointTopo& start = AddSheet(far, "", "Sima").Galeries[0]->Start;
    start.X = start.Y = start.Z = 1e200;
    bool whole = false;
    for (const std::string& line : Lines(PlotterText(far)))
        whole = whole
            || (line.rfind("M ", 0) == 0 && line.size() > 512
                && line.find(" SA P 999.0") != std::string::npos);
    EXPECT_TRUE(whole);
    EXPECT_EQ(dates, "D 3 5 2002 ;D 12 31 2000 ;D 1 1 1999 ;D 1 1 1999 ;D 1 1 2031 ;");
}
