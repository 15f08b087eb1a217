#include "model/real6.h"
#include "options/options.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace ks;

namespace {

constexpr std::size_t kDefaultFont = 1 + 4 + 4 + 4 + 15 + 1 + 4 + 4 + 1; // "Times New Roman"

TPolice Custom(const std::string& name, int size, std::uint8_t style)
{
    TPolice f;
    f.Name = name;
    f.SetSize(size);
    f.Style = style;
    f.Colour = 0x123456;
    f.Pitch = 2;
    f.Charset = 0;
    return f;
}

} // namespace

TEST(OptionFiles, PlanLayout)
{
    TOptions_Plan plan;
    const std::string bytes = EncodeOptions(plan, nullptr);
    EXPECT_EQ(bytes.size(), 5 + 26 + 4 * 6 + 14 * 2 + 3 * kDefaultFont + 6 + 1 + 2 * 6 + 2 + 2 + 2);
    EXPECT_EQ(bytes.substr(0, 5), std::string("\1\1\1\0\1", 5));
    EXPECT_EQ(
        bytes.substr(5, 26), std::string("\4N.G.", 5) + std::string(21, '\0')); // text[25] at full length
    EXPECT_EQ(bytes.substr(31 + 24, 2), std::string("\2\0", 2)); // Epaisseur_Nord
    const std::size_t font = 31 + 24 + 28;
    EXPECT_EQ(bytes.substr(font, 13),
        std::string("\1\0\0\0\0\xF5\xFF\xFF\xFF\x0F\0\0\0", 13)); // charset, colour, -11, 15
    EXPECT_EQ(bytes.substr(font + 13, 15), "Times New Roman");
    EXPECT_EQ(bytes.substr(font + 28, 10),
        std::string("\0\x60\0\0\0\x08\0\0\0\0", 10)); // pitch, 96 ppi, 8 pt, style

    plan.X_Nord = 0.05;
    const std::string moved = EncodeOptions(plan, nullptr);
    const Real6 real = EncodeReal6(0.05).value();
    EXPECT_EQ(moved.substr(31, 6), std::string(reinterpret_cast<const char*>(real.data()), 6));
}

TEST(OptionFiles, VerticalScalesTakeEightyTwoBytesEach)
{
    TOptions_Coupe coupe;
    const std::size_t empty = EncodeOptions(coupe, nullptr).size();
    EXPECT_EQ(empty, 2 + 12 + 22 + 2 + 3 * kDefaultFont + 1 + 12 + 6);
    coupe.NbVerticales = 2;
    coupe.Verticales[1].Nom_Verticale = "A";
    coupe.Verticales[1].Indice_Verticale = 7;
    const std::string bytes = EncodeOptions(coupe, nullptr);
    ASSERT_EQ(bytes.size(), empty + 2 * 82);
    const std::size_t second = 2 + 12 + 22 + 2 + 82;
    EXPECT_EQ(
        bytes.substr(second + 28, 2), "\1A"); // Nom_Verticale after two reals, two int16, flag, text[10]
    EXPECT_EQ(bytes.substr(second + 80, 2), std::string("\7\0", 2)); // Indice_Verticale, after one pad byte
}

TEST(OptionFiles, TableAndMarginLayouts)
{
    TOptions_Tableau table;
    const std::size_t station = 1 + 2 + 1 + 18;
    EXPECT_EQ(EncodeOptions(table, nullptr).size(),
        676 + 13 + 26 + 26 + 13 + 13 + 22 + 572 + 44 + 44 + 22 * kDefaultFont + 4 + 2 + 6 + 2 * kDefaultFont
            + 2 + station);
    TMarge marge;
    const std::string bytes = EncodeOptions(marge, nullptr);
    EXPECT_EQ(bytes.size(), 10u + 3 + 3 + (1 + 4 + 4 + 4 + 5 + 1 + 4 + 4 + 1) + 2);
    EXPECT_EQ(bytes.substr(10, 6), std::string("\1\3\4\1\1\1", 6));
}

TEST(OptionFiles, EveryRecordRoundTrips)
{
    TOptions_Plan plan;
    plan.Affiche_Quadri = true;
    plan.Texte_Nord = "Norte";
    plan.X_Nord = 430.1;
    plan.Angle = 33.5;
    plan.Origine = true;
    plan.Representation_Largeur = 2;
    plan.Epaisseur_Largeur = 4;
    plan.Trait.Police_Station = Custom("DejaVu Sans", 14, 3);
    TOptions_Plan planBack;
    DecodeOptions(planBack, EncodeOptions(plan, nullptr));
    EXPECT_EQ(EncodeOptions(planBack, nullptr), EncodeOptions(plan, nullptr));
    EXPECT_EQ(planBack.Trait.Police_Station, plan.Trait.Police_Station);
    EXPECT_EQ(planBack.Trait.Police_Station.Size(), 14);
    EXPECT_EQ(planBack.Angle, 33.5);

    TOptions_Coupe coupe;
    coupe.NbVerticales = 3;
    coupe.Verticales[2].Nom_Echelle = "Escala 3";
    coupe.Verticales[2].Decal_Verticale = -2.5;
    coupe.Verticales[2].Gauche_Verticale = true;
    coupe.Representation_Hauteur = 1;
    TOptions_Coupe coupeBack;
    DecodeOptions(coupeBack, EncodeOptions(coupe, nullptr));
    EXPECT_EQ(EncodeOptions(coupeBack, nullptr), EncodeOptions(coupe, nullptr));
    EXPECT_EQ(coupeBack.Verticales[2].Nom_Echelle, "Escala 3");

    TOptions_Relief relief;
    relief.Largeur_3D = 1.25f;
    relief.N_Face = 16;
    relief.Couleur_Fond = 0x00FF00;
    relief.Filaire = true;
    TOptions_Relief reliefBack;
    DecodeOptions(reliefBack, EncodeOptions(relief, nullptr));
    EXPECT_EQ(reliefBack.Largeur_3D, 1.25f);
    EXPECT_EQ(EncodeOptions(reliefBack, nullptr), EncodeOptions(relief, nullptr));

    TOptions_Tableau table;
    table.Tete2[4] = "m";
    table.Ordre[0] = 13;
    table.Intitule[10][1] = "Primicia";
    table.La_Police[3][1] = Custom("Arial", 20, 1);
    table.Point_Topo.Name.Set("A");
    table.Point_Topo.Number = 4;
    table.EnPlan = true;
    TOptions_Tableau tableBack;
    DecodeOptions(tableBack, EncodeOptions(table, nullptr));
    EXPECT_EQ(EncodeOptions(tableBack, nullptr), EncodeOptions(table, nullptr));
    EXPECT_TRUE(tableBack.Point_Topo.SameStation(table.Point_Topo));

    TMarge marge;
    marge.EGauche = 25;
    marge.C_Date = 2;
    marge.Police_Marge = Custom("DejaVu Serif", 9, 8);
    TMarge margeBack;
    DecodeOptions(margeBack, EncodeOptions(marge, nullptr));
    EXPECT_EQ(EncodeOptions(margeBack, nullptr), EncodeOptions(marge, nullptr));
}

TEST(OptionFiles, ShortFileFillsWhatItHolds)
{
    TOptions_Plan written;
    written.Angle = 45;
    written.Origine = true;
    written.AlaFin = false;
    written.Police_Echelle = Custom("Arial", 12, 0);
    written.Trait.Epaisseur_Visee = 7;
    const std::string bytes = EncodeOptions(written, nullptr);
    const std::size_t afterFonts = 5 + 26 + 24 + 28 + 2 * kDefaultFont + (1 + 4 + 4 + 4 + 5 + 1 + 4 + 4 + 1);
    TOptions_Plan read;
    DecodeOptions(read, bytes.substr(0, afterFonts));
    EXPECT_EQ(read.Trait.Epaisseur_Visee, 7);
    EXPECT_EQ(read.Police_Echelle, written.Police_Echelle);
    EXPECT_EQ(read.Angle, 0); // the defaults of the fields the file does not hold
    EXPECT_FALSE(read.Origine);
    EXPECT_TRUE(read.AlaFin);

    TOptions_Plan cut; // a cut inside a font keeps the font's later fields
    DecodeOptions(cut, bytes.substr(0, 5 + 26 + 24 + 28 + 10));
    EXPECT_EQ(cut.Police_Nord.Name, "Times New Roman");
}

TEST(OptionFiles, FontHeightWarningWhenSavedNotWhenRead)
{
    TOptions_Plan plan;
    plan.Police_Nord.Height = -150;
    test::ScriptedReporter keep;
    keep.answers = { false };
    TOptions_Plan read;
    DecodeOptions(read, EncodeOptions(plan, &keep));
    ASSERT_EQ(keep.questions.size(), 1u);
    EXPECT_EQ(keep.questions[0].Text, "Pérdida de fuente. Reinicialización?");
    EXPECT_EQ(keep.questions[0].Yes, "OK");
    EXPECT_EQ(keep.questions[0].No, "No");
    EXPECT_LT(read.Police_Nord.Height, -100); // written as it was; reading asks nothing

    test::ScriptedReporter reset;
    reset.answers = { true };
    EncodeOptions(plan, &reset);
    EXPECT_EQ(plan.Police_Nord, TPolice::Default());
}

TEST(OptionFiles, MissingFileKeepsDefaultsAndFilesRoundTrip)
{
    test::TempDir dir;
    TOptions_Plan plan;
    plan.Angle = 12;
    EXPECT_FALSE(Charger(plan, dir.Path("OPTIONS.PLA")));
    EXPECT_EQ(plan.Angle, 12);
    Enregistrer(plan, dir.Path("OPTIONS.PLA"), nullptr);
    TOptions_Plan back;
    EXPECT_TRUE(Charger(back, dir.Path("OPTIONS.PLA")));
    EXPECT_EQ(back.Angle, 12);
    EXPECT_NE(DescribeOptions(back).find("Angle = 12\n"), std::string::npos);
}

TEST(OptionFiles, FontSizeDrivesTheHeight)
{
    TPolice f;
    f.Height = -13;
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(10);
    EXPECT_EQ(f.Height, -13);
    f.PixelsPerInch = 300;
    f.SetSize(12);
    EXPECT_EQ(f.Height, -50);
}

TEST(HintOptions, WrittenAndReadBack)
{
    THintOptions hints;
    hints.Commentaires = false;
    hints.Deformation = false;
    const std::string text = ks::WriteHints(hints);
    EXPECT_EQ(text.rfind("[Sugerencias]\r\n\r\nCoordenadas = OUI\r\nComentarios = NON\r\n", 0), 0u);
    THintOptions back;
    ks::ReadHints(text, back);
    EXPECT_TRUE(back.Coordonnees);
    EXPECT_FALSE(back.Commentaires);
    EXPECT_FALSE(back.Deformation);
    EXPECT_FALSE(back.Rien);
    // Unknown lines and lines without "=" are skipped; missing keys stay.
    ks::ReadHints("basura\nNada = OUI\nOtra = NON\n", back);
    EXPECT_TRUE(back.Rien);
    EXPECT_TRUE(back.Coordonnees);
}

// A garbled file's NaN width keeps the field's default; a font size of -2^31 does not overflow.
TEST(OptionFiles, GarbledValuesKeepSaneFields)
{
    TOptions_Relief marked;
    marked.Largeur_3D = 12345.5f;
    std::string bytes = ks::EncodeOptions(marked, nullptr);
    const float mark = 12345.5f, nan = std::numeric_limits<float>::quiet_NaN();
    std::string markBytes(4, '\0'), nanBytes(4, '\0');
    std::memcpy(markBytes.data(), &mark, 4);
    std::memcpy(nanBytes.data(), &nan, 4);
    const auto at = bytes.find(markBytes);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, nanBytes);
    TOptions_Relief read;
    ks::DecodeOptions(read, bytes);
    EXPECT_EQ(read.Largeur_3D, TOptions_Relief().Largeur_3D);

    TPolice font;
    font.SetSize(INT32_MIN);
    EXPECT_TRUE(font.Height == -1 || font.Height == 1) << font.Height;
    font.Height = INT32_MIN;
    font.PixelsPerInch = 1;
    EXPECT_EQ(font.Size(), 1) << "a size that does not fit reads as the platform's -1, negated";
}

// Fields a garbled file leaves out of their range go back to their defaults, and are counted.
TEST(OptionFiles, OutOfRangeFieldsGoBackToTheirDefaults)
{
    test::TempDir dir;
    TOptions_Plan garbled;
    garbled.Trait.Epaisseur_Visee = -30000;
    garbled.Long_Nord = 20000;
    garbled.X_Origine = 1e30;
    garbled.Trait.Police_Station.Height = -500000;
    garbled.Epaisseur_Habit = 7; // in range: kept
    garbled.Angle = 33;
    Enregistrer(garbled, dir.Path("OPTIONS.PLA"), nullptr);
    TOptions_Plan read;
    int reset = -1;
    ASSERT_TRUE(Charger(read, dir.Path("OPTIONS.PLA"), &reset));
    EXPECT_EQ(reset, 4);
    const TOptions_Plan defaults;
    EXPECT_EQ(read.Trait.Epaisseur_Visee, defaults.Trait.Epaisseur_Visee);
    EXPECT_EQ(read.Long_Nord, defaults.Long_Nord);
    EXPECT_EQ(read.X_Origine, defaults.X_Origine);
    EXPECT_TRUE(read.Trait.Police_Station == defaults.Trait.Police_Station);
    EXPECT_EQ(read.Epaisseur_Habit, 7);
    EXPECT_EQ(read.Angle, 33);

    // A record holding more fields than the default one (vertical scales) is checked by name.
    TOptions_Coupe elevation;
    elevation.NbVerticales = 3;
    elevation.Verticales[2].ZMin_Verticale = -400;
    elevation.Trait.Epaisseur_Visee = -5;
    EXPECT_EQ(SanitizeOptions(elevation), 1);
    EXPECT_EQ(elevation.Verticales[2].ZMin_Verticale, -400);
    EXPECT_EQ(elevation.Trait.Epaisseur_Visee, TOptions_Coupe().Trait.Epaisseur_Visee);

    TMarge margins;
    margins.EGauche = -5;
    EXPECT_EQ(SanitizeOptions(margins), 1);
    EXPECT_EQ(margins.EGauche, TMarge().EGauche);
    EXPECT_EQ(SanitizeOptions(margins), 0) << "a sane record is left alone";
}
