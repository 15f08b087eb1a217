#include "app/settings.h"

#include <gtest/gtest.h>

using namespace ks;

TEST(SettingsFile, WrittenLineByLine)
{
    TSettings s;
    s.Texte = true;
    s.Style = TSettings::Classement::Liste;
    s.Automatique = false;
    s.Recent = { "/c/nueva.fic", "/c/media.mas", "" };
    s.ArreterX = 12;
    EXPECT_EQ(WriteSettings(s),
        "[Karstelle]\r\n\r\nGeneral = OUI\r\nExplorateur = OUI\r\nVues = OUI\r\nTexte = OUI\r\n"
        "Etat = OUI\r\nWeb = OUI\r\nClassement = Liste\r\nAutomatique = NON\r\n"
        "Fichier2 = /c/media.mas\r\nFichier3 = /c/nueva.fic\r\nOutils_3D_X = 0\r\n"
        "Outils_3D_Y = 0\r\nArreter_X = 12\r\nArreter_Y = 0\r\n");
    TSettings back;
    EXPECT_FALSE(ReadSettings(WriteSettings(s), back).has_value());
    EXPECT_EQ(WriteSettings(back), WriteSettings(s));
}

TEST(SettingsFile, ReadingRules)
{
    TSettings s;
    const auto error = ReadSettings("no equals here\n"
                                    "MiGeneralidad = oui\n" // keys match anywhere in the upper-cased key
                                    "Vues=OUI\n" // the value starts two characters after "=": "UI"
                                    "Etat = non\n"
                                    "Classement = Detail y Liste\n"
                                    "Fichier1 = /a.fic\nFichier3 = /c.fic\nFichier2 = /b.fic\n",
        s);
    EXPECT_FALSE(error.has_value());
    EXPECT_TRUE(s.General);
    EXPECT_FALSE(s.Vues);
    EXPECT_FALSE(s.Etat);
    EXPECT_FALSE(s.Texte); // absent: no labels
    EXPECT_TRUE(s.Automatique); // absent: default
    EXPECT_EQ(s.Style, TSettings::Classement::Detail); // the last word found wins
    EXPECT_EQ(s.Recent, (std::array<std::string, 3> { "/b.fic", "/c.fic", "/a.fic" }));

    TSettings t;
    EXPECT_FALSE(ReadSettings("Texte = quizás\n", t).has_value());
    EXPECT_TRUE(t.Texte); // present and without NON

    TSettings u;
    const auto bad = ReadSettings("Web = NON\nArreter_X = doce\nAutomatique = NON\n", u);
    ASSERT_TRUE(bad.has_value());
    EXPECT_NE(bad->find("doce"), std::string::npos);
    EXPECT_FALSE(u.Web); // read before the fault
    EXPECT_TRUE(u.Automatique); // not reached
}

TEST(SettingsFile, ComputationSettingsOfTheirOwnFile)
{
    TSettings s;
    EXPECT_FALSE(s.SinLimites);
    s.SinLimites = true;
    EXPECT_EQ(ks::WriteComputationSettings(s), "[Calculo]\r\n\r\nSinLimites = OUI\r\n");
    EXPECT_EQ(ks::WriteSettings(s), ks::WriteSettings(TSettings {})) << "Karstelle.ini keeps its layout";
    TSettings back;
    ks::ReadComputationSettings(ks::WriteComputationSettings(s), back);
    EXPECT_TRUE(back.SinLimites);
    ks::ReadComputationSettings("[Calculo]\nsinlimites=non\n", back);
    EXPECT_FALSE(back.SinLimites);
    // Nothing readable keeps what was there.
    back.SinLimites = true;
    for (const char* text : { "", "SinLimites", "SinLimites = ?", "Otro = NON\nSinLimites\n= OUI" })
        ks::ReadComputationSettings(text, back);
    EXPECT_TRUE(back.SinLimites);
}

TEST(RecentFiles, OrderRules)
{
    TSettings s;
    s.AddRecent("/c/uno.fic");
    s.AddRecent("/c/dos.fic");
    s.AddRecent("/c/tres.fic");
    EXPECT_EQ(s.Recent, (std::array<std::string, 3> { "/c/tres.fic", "/c/dos.fic", "/c/uno.fic" }));
    s.AddRecent("/c/tres.fic"); // already the most recent: nothing moves
    EXPECT_EQ(s.Recent[0], "/c/tres.fic");
    s.AddRecent("/c/dos.fic"); // the second swaps with the first
    EXPECT_EQ(s.Recent, (std::array<std::string, 3> { "/c/dos.fic", "/c/tres.fic", "/c/uno.fic" }));
    s.AddRecent("/c/uno.fic"); // the third takes the first's place
    EXPECT_EQ(s.Recent, (std::array<std::string, 3> { "/c/uno.fic", "/c/tres.fic", "/c/dos.fic" }));
    s.AddRecent("A:\\disquete.fic");
    s.AddRecent("");
    EXPECT_EQ(s.Recent[0], "/c/uno.fic");
}
