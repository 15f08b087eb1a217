#pragma once
// The view option records (TOptions_Plan, _Coupe, _Relief, _Tableau, TMarge) and their files.

#include "model/records.h"

#include <array>
#include <cstdint>
#include <string>

namespace ks {
class IReporter;
}

// Font of an option record, as plain data; a view turns it into a QFont where it paints.
struct TPolice
{
    std::uint8_t Charset = 1; // default character set
    std::int32_t Colour = 0; // 00BBGGRR
    std::int32_t Height = -11; // pixels at PixelsPerInch; negative: character height
    std::string Name = "Times New Roman";
    std::uint8_t Pitch = 0; // 0 default, 1 variable, 2 fixed
    std::int32_t PixelsPerInch = 96;
    std::uint8_t Style = 0; // bit 0 bold, 1 italic, 2 underline, 3 strike-out

    // Size in points, from the height: -height * 72 / pixels per inch, rounded.
    std::int32_t Size() const;
    // Sets the height from a size in points at PixelsPerInch.
    void SetSize(std::int32_t points);

    static TPolice Default() { return {}; }
    static TPolice Margin();
    bool operator==(const TPolice& other) const;
};

// How a projection draws its shots and stations: the pen, the drawn share of each shot, the
// station circle and label. The plan, the elevation and the perspective hold one each, with
// their own defaults; their files keep these fields where each file has them.
struct TTrait
{
    std::int16_t Epaisseur_Visee = 2; // tenths of a millimetre
    std::int16_t pourcentage = 100; // the drawn share of each shot
    std::int16_t diametre = 1; // of the station circle, 0 for none
    std::int16_t Texte_Station = 0; // 0 none, 1 name, 2 name and number
    TPolice Police_Station;
};

// Plan options ("Ajustar página de la planta").
struct TOptions_Plan
{
    bool Affiche_Nord = true;
    bool Affiche_Echelle = true;
    bool Afficher_Habillage = true;
    bool Affiche_Quadri = false;
    bool Representation = true; // false grid north ("Projección"), true geographic
    bool Origine = false;
    bool AuDebut = false;
    bool AlaFin = true;
    std::string Texte_Nord = "N.G.";
    double X_Nord = 0, Y_Nord = 0; // km
    double X_Echelle = 0, Y_Echelle = 0; // km
    double X_Origine = 0, Y_Origine = 0; // m
    double Angle = 0;
    std::int16_t Epaisseur_Nord = 2;
    std::int16_t Long_Nord = 10;
    std::int16_t Epaisseur_Echelle = 2;
    std::int16_t Long_Echelle = 10;
    std::int16_t Largeur_Echelle = 2;
    std::int16_t Subdivision = 5;
    std::int16_t Epaisseur_Habit = 5;
    std::int16_t Pas = 0;
    std::int16_t Epaisseur_Quadri = 0;
    std::int16_t Longueur_Quadri = 0;
    std::int16_t Epaisseur_Largeur = 1;
    std::int16_t Representation_Largeur = 0;
    TPolice Police_Nord, Police_Echelle;
    TTrait Trait;

    template <typename V> void Visit(V& v);
};

// One vertical scale of the developed elevation (82 bytes in the file, one of them padding).
struct TVerticale
{
    double X_Verticale = 0;
    double Decal_Verticale = 0;
    std::int16_t ZMin_Verticale = 0;
    std::int16_t ZMax_Verticale = 0;
    bool Gauche_Verticale = false;
    std::string Nom_Echelle; // text[10]
    std::string Nom_Verticale; // text[50]
    std::int16_t Indice_Verticale = 0;
};

// Developed elevation options ("Ajuste de página del alzado").
struct TOptions_Coupe
{
    static constexpr int kMaxVerticales = 50;

    bool Affiche_Horizontale = false;
    bool Afficher_Habillage = false;
    bool Origine = true;
    double X_Horizontale = 0, Z_Horizontale = 0;
    double X_Origine = 0, Z_Origine = 0;
    std::int16_t Epaisseur_Horizontale = 1;
    std::int16_t Long_Horizontale = 100;
    std::int16_t Largeur_Horizontale = 2;
    std::int16_t Pas_Horizontale = 20;
    std::int16_t Epaisseur_Verticale = 1;
    std::int16_t Largeur_Verticale = 2;
    std::int16_t Pas_Verticale = 10;
    std::int16_t NbVerticales = 0;
    std::int16_t Epaisseur_Habit = 0;
    std::int16_t Epaisseur_hauteur = 2;
    std::int16_t Representation_Hauteur = 0;
    TPolice Police_Horizontale, Police_Verticale;
    TTrait Trait { 1, 100, 0, 0, TPolice {} };
    std::array<TVerticale, kMaxVerticales> Verticales {};

    template <typename V> void Visit(V& v);
};

// The hint options of the views ("Sugerencias en las vistas"): which pieces a hover hint shows.
struct THintOptions
{
    bool Coordonnees = true;
    bool Commentaires = true;
    bool Visees = true;
    bool Largeur = true;
    bool Hauteur = true;
    bool Deformation = true;
    bool Rien = false; // "&No mostrar nada"
};

// Perspective options ("Ajuste de página de perspectiva").
struct TOptions_Relief
{
    bool Affiche_Nord = true;
    bool Affiche_Echelle = false;
    bool Affiche_Quadri = true;
    bool Representation = true;
    bool X_Inverse = false, Y_Inverse = false, Z_Inverse = false;
    std::string Texte_Nord = "N.G.";
    double X_Nord = 0, Y_Nord = 0, Z_Nord = 0;
    double X_Echelle = 0, Y_Echelle = 0, Z_Echelle = 0;
    double Angle_Horizontal = 0, Angle_Vertical = 0;
    std::int16_t Epaisseur_Nord = 2;
    std::int16_t Long_Nord = 10;
    std::int16_t Epaisseur_Echelle = 2;
    std::int16_t Long_Echelle = 10;
    std::int16_t Largeur_Echelle = 2;
    std::int16_t Subdivision = 5;
    std::int16_t Epaisseur_Quadri = 1;
    TPolice Police_Nord, Police_Echelle;
    TTrait Trait;
    std::int32_t Couleur_Galerie = 0x808080;
    std::int32_t Couleur_Cylindre = 0x808080;
    std::int32_t Couleur_Fond = 0;
    std::int32_t Couleur_Cadre = 0;
    float Largeur_3D = 0.5f;
    std::int32_t N_Face = 10;
    bool Cylindre = false;
    bool Filaire = false;

    template <typename V> void Visit(V& v);
};

// Table options. Columns 1..13 and header items 1..11 are stored from index 0.
struct TOptions_Tableau
{
    static constexpr int kColumns = 13;
    static constexpr int kItems = 11;

    TOptions_Tableau();

    std::array<std::string, kColumns> Tete1, Tete2; // text[25]
    std::array<std::uint8_t, kColumns> Separation {};
    std::array<std::int16_t, kColumns> Ordre {};
    std::array<std::int16_t, kColumns> Largeur_Colonne {};
    std::array<bool, kColumns> Jaffiche {};
    std::array<bool, kColumns> Double {};
    std::array<std::array<bool, 2>, kItems> Jaffiche2 {};
    std::array<std::array<std::string, 2>, kItems> Intitule {}; // text[25]
    std::array<std::array<std::int16_t, 2>, kItems> X_Pos {}, Y_Pos {};
    std::array<std::array<TPolice, 2>, kItems> La_Police {};
    std::array<std::int16_t, 2> Hauteur_Entete { 50, 50 };
    std::array<bool, 2> Rappel { true, true };
    std::int16_t Hauteur_Ligne = 8;
    std::int16_t Ptt_Trait = 5;
    std::int16_t Gros_Trait = 10;
    TPolice Police_Standard, Police_Carrefour;
    TPointTopo Point_Topo;
    bool EnPlan = false, EnAltitude = false;

    template <typename V> void Visit(V& v);
};

// Page margins and annotations of printing ("Márgenes").
struct TMarge
{
    std::int16_t EGauche = 10, EDroite = 10, EHaut = 10, EBas = 10;
    std::int16_t ELongueur = 30;
    std::int16_t EEpaisseur = 1;
    std::uint8_t C_Fichier = 1, C_Page = 3, C_Date = 4;
    bool F_Afficher = true, P_Afficher = true, D_Afficher = true;
    TPolice Police_Marge = TPolice::Margin();

    template <typename V> void Visit(V& v);
};

namespace ks {

// File names of the option records in the settings directory.
inline constexpr const char* kPlanOptionsFile = "OPTIONS.PLA";
inline constexpr const char* kCoupeOptionsFile = "OPTIONS.COU";
inline constexpr const char* kReliefOptionsFile = "OPTIONS.PER";
inline constexpr const char* kTableauOptionsFile = "OPTIONS.TABL";
inline constexpr const char* kMargeOptionsFile = "OPTIONS.MAR";
inline constexpr const char* kFontLossText = "Pérdida de fuente. Reinicialización?";
inline constexpr const char* kNoPrintableAreaText
    = "Los márgenes no dejan ninguna superficie imprimible en la página: redúzcalos.";

// True when the margins leave some of a paper of this size (millimetres) to print on.
bool HasPrintableArea(const TMarge& margins, double paperWidthMm, double paperHeightMm);

// Binary option files: every field in its order, no header. Decoding a short file fills the
// fields it holds and leaves the others as they are.
template <typename R> std::string EncodeOptions(R& record, IReporter* reporter);
template <typename R> void DecodeOptions(R& record, const std::string& bytes);

// Charger: reads the file when it exists (false when it does not). Enregistrer: writes it, asking
// through the reporter before resetting a font whose height is beyond 100 pixels. Throws
// ks::FileError when the file cannot be written.
// Fields a garbled file leaves out of their range go back to their defaults (SanitizeOptions);
// `reset`, when given, receives how many.
template <typename R> bool Charger(R& record, const std::string& path, int* reset = nullptr);
template <typename R> void Enregistrer(R& record, const std::string& path, IReporter* reporter);

// A garbled file's sizes (pen widths, lengths, steps, margins) outside 0 to 1000, coordinates and
// angles beyond 10^9 or not finite, and fonts of absurd height or resolution go back to their
// defaults; the number of fields put back.
template <typename R> int SanitizeOptions(R& record);

// Every field as "Name = value" lines, in file order, for karstelle-cli and for people.
template <typename R> std::string DescribeOptions(R& record);

// The hint options' file, beside "Karstelle.ini", whose described layout has no place for them:
// one "key = OUI|NON" line each.
inline constexpr const char* kHintsFile = "Sugerencias.ini";
std::string WriteHints(const THintOptions& hints);
// Lines it does not know, or that lack "=", are skipped; missing keys keep their value.
void ReadHints(const std::string& text, THintOptions& hints);

} // namespace ks
