#include "entry/preferences.h"
#include "entry/sheet_model.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

using namespace ks;

namespace {

std::vector<std::string> Titles(const TPreference_Ecran& p)
{
    std::vector<std::string> titles;
    for (const auto& c : p.Columns)
        titles.push_back(c.Title);
    return titles;
}

TPointTopo Station(const std::string& name, int number)
{
    TPointTopo p;
    p.Name.Set(name);
    p.Number = static_cast<std::uint8_t>(number);
    return p;
}

// Fills a shot row: length, azimuth, inclination in the default layout.
void Shot(TSheetModel& m, int row, const char* length, const char* azimuth, const char* inclination)
{
    auto& cells = m.Rows[static_cast<std::size_t>(row)].cells;
    cells[static_cast<std::size_t>(m.ColumnOf(kColLength))] = length;
    cells[static_cast<std::size_t>(m.ColumnOf(kColAzimuth))] = azimuth;
    cells[static_cast<std::size_t>(m.ColumnOf(kColInclination))] = inclination;
}

// A sheet of two galleries A0 -> A2 and A2 -> A3 (a junction), three shots in all.
TSheetModel TwoGalleries()
{
    TPreference_Ecran prefs;
    TSheetModel m(prefs.Columns);
    m.FirstStart = Station("A", 0);
    for (int r : { 1, 2 })
        EXPECT_FALSE(m.InsererVisee(r).has_value());
    Shot(m, 1, "10", "90", "0");
    Shot(m, 2, "5", "0", "0");
    m.InsererPoint(3, Station("A", 2), Station("A", 2), TGalleryInfo { "segunda", 1, 1, 0 });
    EXPECT_FALSE(m.InsererVisee(5).has_value());
    Shot(m, 5, "4", "180", "30");
    m.Terminer(6, Station("A", 3));
    m.Fields.Systeme = "S";
    m.Fields.Date = " 3/ 1/99";
    return m;
}

} // namespace

TEST(Preferences, DefaultColumnsAndOrder)
{
    TPreference_Ecran p;
    EXPECT_EQ(Titles(p),
        (std::vector<std::string> { "Punto", "Longitud", "", "Rumbo", "", "Inclinaci\xF3n", "", "Anchura I",
            "Anchura D", "", "Altura", "", "Croquis", "Observaciones" }));
    EXPECT_EQ(p.Columns[2].Default, "m");
    EXPECT_EQ(p.Columns[4].Default, "\xB0");
    p.Development.Shown = true;
    p.BuildColumns();
    ASSERT_EQ(p.Columns.size(), 16u);
    EXPECT_EQ(p.Columns[14].Default, "N");
    EXPECT_EQ(p.Columns[15].Title, "Des. manual");
    p.SketchOrder = 1;
    p.Length.Order = 6;
    p.BuildColumns();
    EXPECT_EQ(p.Columns[1].Title, "Croquis"); // directly after the station column

    std::string unit = "gr";
    EXPECT_TRUE(MatchUnit(AzimuthLabels(), "GR", unit));
    EXPECT_EQ(unit, "gr");
    EXPECT_FALSE(MatchUnit(AzimuthLabels(), "grad", unit));
}

TEST(Preferences, FileOfOneHundredTwentyTwoBytes)
{
    TPreference_Ecran p;
    EXPECT_EQ(p.Encode().size(), 122u);
    p.Azimuth.Unit = "gr";
    p.HeightCols.TwoColumns = true;
    p.Horizontal.Shown = true;
    p.CommentWidth = 180;
    p.BuildColumns();
    test::TempDir dir;
    p.FileName = dir.Path("OPTIONS.SAI");
    p.Save();
    TPreference_Ecran back;
    back.FileName = p.FileName;
    ASSERT_TRUE(back.Load());
    EXPECT_EQ(back.Encode(), p.Encode());
    EXPECT_EQ(back.Columns.size(), p.Columns.size());
    TPreference_Ecran missing;
    missing.FileName = dir.Path("none.sai");
    EXPECT_FALSE(missing.Load());
}

TEST(SheetEditor, ATypedSheetValidatesIntoReducedGalleries)
{
    TSheetModel m = TwoGalleries();
    EXPECT_EQ(m.Marker(0), "|->");
    EXPECT_EQ(m.Marker(2), "2");
    EXPECT_EQ(m.Marker(3), "->|");
    EXPECT_EQ(m.Marker(5), "3");
    EXPECT_EQ(m.Rows[3].cells[0], "A(2)");
    EXPECT_EQ(m.Rows[6].cells[0], "A(3)");
    TMassif massif;
    TRefusal refusal;
    auto sheet = m.Validate(massif, nullptr, refusal);
    ASSERT_NE(sheet, nullptr) << refusal.Message;
    ASSERT_EQ(sheet->Galeries.size(), 2u);
    EXPECT_EQ(sheet->Date, "03/01/99"); // blanks of the day and month become zeros
    const TGalerie& g = *sheet->Galeries[0];
    EXPECT_EQ(g.ShotCount(), 2);
    EXPECT_NEAR(g.X, 10, 1e-9);
    EXPECT_NEAR(g.Y, 5, 1e-9);
    EXPECT_TRUE(g.End.SameStation(Station("A", 2)));
    EXPECT_EQ(sheet->Galeries[1]->Name.Get(), "segunda");
    EXPECT_NEAR(sheet->Galeries[1]->Z, 2, 1e-9);
    EXPECT_TRUE(g.Extra3);

    // Loading it back gives the same rows.
    TSheetModel again(m.Columns());
    again.Load(*sheet);
    ASSERT_EQ(again.Rows.size(), m.Rows.size());
    EXPECT_EQ(again.Rows[5].cells[static_cast<std::size_t>(again.ColumnOf(kColInclination))], "30");
    EXPECT_EQ(again.Rows[3].cells[0], "A(2)");
    TRefusal none;
    EXPECT_NE(again.Validate(massif, sheet.get(), none), nullptr);

    // The massif's geodesic angle (grid north east of true north) turns the reduction: a grid
    // angle of 90 degrees makes north west.
    TMassif turned;
    turned.Angle_Geodesique = 90;
    const auto west = m.Validate(turned, nullptr, none);
    ASSERT_NE(west, nullptr);
    EXPECT_NEAR(west->Galeries[0]->X, -5, 1e-9);
    EXPECT_NEAR(west->Galeries[0]->Y, 10, 1e-9);
}

TEST(SheetEditor, RefusalsWithTheirCells)
{
    TMassif massif;
    struct Case
    {
        int row;
        std::int16_t code;
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        { 1, kColLength, "abc", "La longitud no es correcta" },
        { 1, kColLength, "-1", "La longitud debe de ser positiva" },
        { 2, kColLength, "0", "La longitud no debe de ser nula" },
        { 1, kColLength, "1212.5/1200.5", "La longitud Topofil es negativa" },
        { 1, kColLength, "x/3", "Las longitudes Topofil no son correctas" },
        { 1, kColAzimuth, "n", "El rumbo no es correcto" },
        { 1, kColAzimuth, "361", "El rumbo debe de estar comprendido entre 0 y 360°." },
        { 1, kColInclination, "91", "La inclinación debe de ser inferior a 90°." },
        { 1, kColAzimuthUnit, "m", "La unidad de rumbo debe de estar en ° o gr." },
        { 1, kColLengthUnit, "km", "La unidad de longitud debe de estar en m o cm." },
        { 1, kColLeftWidth, "1234567890",
            "La definición de la anchura izquierda debe de ser inferior a diez." },
        { 1, kColSketch, "x", "El tamaño del esquema debe de ser numérico." },
        { 1, kColInclination, "", "La visual está incompleta." },
    };
    for (const Case& c : cases) {
        TSheetModel m = TwoGalleries();
        const int column = m.ColumnOf(c.code);
        m.Rows[static_cast<std::size_t>(c.row)].cells[static_cast<std::size_t>(column)] = c.text;
        TRefusal refusal;
        EXPECT_EQ(m.Validate(massif, nullptr, refusal), nullptr) << c.message;
        EXPECT_EQ(refusal.Message, c.message);
        EXPECT_EQ(refusal.Row, c.row) << c.message;
        EXPECT_EQ(refusal.Column, column) << c.message;
    }

    TSheetModel open = TwoGalleries();
    open.SupprimerPoint(static_cast<int>(open.Rows.size()) - 1); // not ended any more
    TRefusal refusal;
    EXPECT_EQ(open.Validate(massif, nullptr, refusal), nullptr);
    EXPECT_EQ(refusal.Message, "La ficha no termina sobre un punto topo");

    TSheetModel fields = TwoGalleries();
    fields.Fields.Declination = "dos";
    EXPECT_EQ(fields.Validate(massif, nullptr, refusal), nullptr);
    EXPECT_EQ(refusal.Message, "La declinación debe de ser numérica\rejemplo 2.53");
    EXPECT_EQ(refusal.Field, "Declinacion");
}

TEST(SheetEditor, TopofilAndInclinationBounds)
{
    TMassif massif;
    TSheetModel m = TwoGalleries();
    m.FirstInfo.Topofil = 1.002;
    Shot(m, 1, "1200.5/1212.5", "90", "90.5");
    TRefusal refusal;
    auto sheet = m.Validate(massif, nullptr, refusal);
    ASSERT_NE(sheet, nullptr) << refusal.Message;
    EXPECT_NEAR(sheet->Galeries[0]->Shot(1).Length, 12.024, 1e-12);
    EXPECT_TRUE(sheet->Galeries[0]->Shot(1).TopofilFlag);
    EXPECT_EQ(sheet->Galeries[0]->Shot(1).TopofilStart, 1200.5);

    m.Rows[1].cells[static_cast<std::size_t>(m.ColumnOf(kColInclinationUnit))] = "-\xB0";
    Shot(m, 1, "10", "90", "-92"); // a reversed reading has no bounds
    EXPECT_NE(m.Validate(massif, nullptr, refusal), nullptr);
    Shot(m, 1, "0", "90", "0"); // a first shot of length 0 is accepted
    EXPECT_NE(m.Validate(massif, nullptr, refusal), nullptr);
}

TEST(SheetEditor, RowOperations)
{
    TSheetModel m = TwoGalleries(); // rows: |-> 1 2 ->| |-> 3 ->|
    EXPECT_EQ(m.InsererVisee(0)->Message, "Imposible unir una visual aquí.");
    EXPECT_EQ(m.InsererVisee(4)->Message, "Imposible unir una visual aquí."); // just below a "->|" row
    ASSERT_FALSE(m.InsererVisee(2).has_value()); // at shot 2
    EXPECT_EQ(m.Marker(2), "2");
    EXPECT_EQ(m.Marker(3), "3");
    EXPECT_EQ(m.Marker(6), "4"); // the next gallery's shot moves up by one
    EXPECT_EQ(m.Rows[2].cells[static_cast<std::size_t>(m.ColumnOf(kColLengthUnit))], "m"); // defaults
    ASSERT_FALSE(m.InsererVisee(4).has_value()); // on the "->|" row: a shot after the gallery's last
    EXPECT_EQ(m.Marker(4), "4");

    EXPECT_EQ(m.SupprimerVisees(0, 0)->Message, "Esta línea no es una visual.");
    EXPECT_EQ(m.SupprimerVisees(3, 5)->Message,
        "No puede suprimir simultaneamente las visuales y las encrucijadas");
    ASSERT_FALSE(m.SupprimerVisees(2, 4).has_value()); // three shots: |-> 1 ->| |-> 2 ->| remain
    EXPECT_EQ(m.Rows.size(), 6u);
    EXPECT_EQ(m.Marker(4), "2");

    // Removing the station pair joins the galleries and its junction record.
    ASSERT_EQ(m.Junctions.size(), 1u);
    ASSERT_TRUE(m.CanSupprimerPoint(2));
    m.SupprimerPoint(3); // the start row: its station row above goes too
    EXPECT_TRUE(m.Junctions.empty());
    EXPECT_EQ(m.Rows.size(), 4u);
    EXPECT_EQ(m.Marker(2), "2");

    // Continuing below the final station.
    m.ContinuerEnBas(Station("B", 1), TGalleryInfo {});
    EXPECT_FALSE(m.Ended);
    ASSERT_EQ(m.Junctions.size(), 1u);
    EXPECT_TRUE(m.Junctions[0].EndAbove.SameStation(Station("A", 3)));
    EXPECT_EQ(m.Rows.back().cells[0], "B(1)");
    EXPECT_TRUE(m.Modified);
}

TEST(SheetEditor, CopyAllAndImport)
{
    TSheetModel m = TwoGalleries();
    m.FirstInfo.Topofil = 1.002;
    const std::string text = m.CopierTout();
    EXPECT_EQ(text.rfind("A(0)\t1.002\t\t", 0), 0u); // the start row carries the topofil coefficient
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(m.Rows.size()));

    TSheetModel n = TwoGalleries();
    EXPECT_EQ(n.Importer(1, "1\t2\t3", {})->Message, "Imposible unir una visual aquí.");
    const int end = static_cast<int>(n.Rows.size());
    ASSERT_FALSE(n.Importer(end, "1\t12,5\t45\t-3\r\n2\t8\t90\t0\r\n", { 1 }).has_value());
    ASSERT_EQ(n.Rows.size(), static_cast<std::size_t>(end + 2));
    EXPECT_EQ(n.Rows[static_cast<std::size_t>(end)].cells[static_cast<std::size_t>(n.ColumnOf(kColLength))],
        "12.5");
    EXPECT_EQ(n.Rows[static_cast<std::size_t>(end + 1)]
                  .cells[static_cast<std::size_t>(n.ColumnOf(kColInclination))],
        "0");
}

TEST(SheetEditor, UnfinishedWorkSurvivesABinaryMassif)
{
    TSheetModel m = TwoGalleries();
    m.Rows[1].cells[static_cast<std::size_t>(m.ColumnOf(kColComment))] = "sin terminar";
    TMassif massif;
    massif.EditorWork = m.ToWork(-1);
    const std::string bytes = EncodeBinary(massif, "x.fic", nullptr);
    TMassif back;
    DecodeBinary(bytes, back, "x.fic", nullptr, nullptr);
    ASSERT_TRUE(back.EditorWork.has_value());
    TSheetModel restored(m.Columns());
    restored.FromWork(*back.EditorWork);
    ASSERT_EQ(restored.Rows.size(), m.Rows.size());
    for (std::size_t r = 0; r < m.Rows.size(); ++r) {
        EXPECT_EQ(restored.Rows[r].kind, m.Rows[r].kind);
        EXPECT_EQ(restored.Rows[r].cells, m.Rows[r].cells);
    }
    EXPECT_EQ(restored.Junctions.size(), 1u);
    EXPECT_TRUE(restored.Ended);
    TRefusal refusal;
    EXPECT_NE(restored.Validate(massif, nullptr, refusal), nullptr) << refusal.Message;
}

TEST(SheetEditor, ProposedNumbersAvoidTheMassifAndTheSheet)
{
    TMassif massif;
    auto f = std::make_unique<TFiche>();
    f->Galeries.push_back(test::MakeGallery("A", 1, "A", 2, 1));
    massif.AddSheet(std::move(f), false);
    TSheetModel m = TwoGalleries(); // uses A0, A2, A3
    EXPECT_EQ(ProposeNumber(massif, m, "a"), 4);
    int n = 0;
    EXPECT_TRUE(ValidStationNumber("255", n));
    EXPECT_FALSE(ValidStationNumber("256", n));
    EXPECT_FALSE(ValidStationNumber("x", n));
}
