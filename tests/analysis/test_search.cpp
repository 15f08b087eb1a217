// The sheet search's criteria.
#include "analysis/search.h"
#include "model/massif.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using namespace ks;
using namespace ks::test;

namespace {

struct SearchFixture
{
    TFiche& Add(const std::string& system, const std::string& date)
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Systeme.Set(system);
        sheet->Date = date;
        sheet->Surveyors.push_back(TEco("Marta Ruiz"));
        sheet->Galeries.push_back(MakeGallery("A", 4, "B", 1, 2));
        return *massif.AddSheet(std::move(sheet), false);
    }
    std::vector<int> Found(TSearchCriteria c, bool except = false)
    {
        c.Capture();
        std::vector<int> ordres;
        for (const TFiche* sheet : FindMatching(massif.CurrentSheets(), c, except))
            ordres.push_back(sheet->Ordre);
        return ordres;
    }

    TMassif massif;
};

} // namespace

TEST(Search, PlacesArePrefixesIgnoringCase)
{
    SearchFixture f;
    const int nord = f.Add("Gouffre du Nord", "01/01/99").Ordre;
    f.Add("Le Gouffre", "01/01/99");
    TSearchCriteria c;
    c.System = "gou";
    EXPECT_EQ(f.Found(c), std::vector<int> { nord });
    // Every sheet matches empty criteria: all but them is nothing.
    EXPECT_TRUE(f.Found(TSearchCriteria {}, true).empty());
    EXPECT_EQ(f.Found(TSearchCriteria {}).size(), 2u);
}

TEST(Search, DatesWithBlankFieldsAreBounds)
{
    SearchFixture f;
    const int a = f.Add("S", "15/03/99").Ordre;
    const int b = f.Add("S", "31/12/98").Ordre; // the year before "//99", however late in it
    const int c2000 = f.Add("S", "01/01/00").Ordre;
    const int d = f.Add("S", "15/03/02").Ordre;
    TSearchCriteria c;
    c.DateMode = TSearchCriteria::Dates::On;
    c.Date1 = DateText("//99");
    EXPECT_EQ(c.Date1, "  /  /99");
    EXPECT_EQ(f.Found(c), std::vector<int> { a });
    c.Date1 = DateText("/03/99");
    EXPECT_EQ(f.Found(c), std::vector<int> { a });
    c.Date1 = "15/03/02";
    EXPECT_EQ(f.Found(c), std::vector<int> { d });
    c.DateMode = TSearchCriteria::Dates::Between;
    c.Date1 = "01/01/98";
    c.Date2 = "  /  /99";
    EXPECT_EQ(f.Found(c), (std::vector<int> { a, b })) << "2000 sorts after 1999";
    c.Date2 = "  /  /00";
    EXPECT_EQ(f.Found(c), (std::vector<int> { a, b, c2000 }));
    EXPECT_LT(DateKey("31/12/99", true), DateKey("01/01/00", false));
}

TEST(Search, StationsSurveyorsAndText)
{
    SearchFixture f;
    TFiche& first = f.Add("S", "01/01/99");
    TFiche& second = f.Add("S", "01/01/99");
    second.Galeries[0]->Start.Number = 5;
    second.Galeries[0]->Shot(2).Comment.Set("paso estrecho");
    second.Surveyors[0].Set("Pedro");
    TSearchCriteria c;
    c.Station = "a";
    EXPECT_EQ(f.Found(c), (std::vector<int> { first.Ordre, second.Ordre }));
    c.StationNumber = 4;
    EXPECT_EQ(f.Found(c), std::vector<int> { first.Ordre });
    c = TSearchCriteria {};
    c.Surveyor = "mar";
    EXPECT_EQ(f.Found(c), std::vector<int> { first.Ordre });
    c = TSearchCriteria {};
    c.Text = "ESTRECHO";
    EXPECT_EQ(f.Found(c), std::vector<int> { second.Ordre }) << "found only in a shot's comment";
    EXPECT_EQ(f.Found(c, true), std::vector<int> { first.Ordre });
}
