// The option records' defaults and their files, one field list for reading and writing.
#include "options/options.h"

#include "options/option_stream.h"

#include "model/byte_writer.h"
#include "model/colour_names.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/real6.h"
#include "model/services.h"
#include "model/text_utils.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string_view>
#include <vector>

namespace {

// MulDiv of the platform: a * b / c rounded half away from zero.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    // As the platform's, -1 when the result does not fit (nor may be negated: a garbled file's
    // font height of -2^31 would otherwise be negated past the int range).
    const double result = std::round(static_cast<double>(a) * b / c);
    if (c == 0 || !(result > INT32_MIN && result <= INT32_MAX))
        return -1;
    return static_cast<std::int32_t>(result);
}

// Names of array fields: "Ordre[3]", "Intitule[2][0]" (indices as the dialogs count them).
std::string Indexed(const char* name, int i)
{
    return std::string(name) + "[" + std::to_string(i) + "]";
}
std::string Indexed(const char* name, int i, int j)
{
    return Indexed(name, i) + "[" + std::to_string(j) + "]";
}

} // namespace

std::int32_t TPolice::Size() const
{
    return -MulDiv(Height, 72, PixelsPerInch);
}

void TPolice::SetSize(std::int32_t points)
{
    Height = -MulDiv(points, PixelsPerInch, 72);
}

TPolice TPolice::Margin()
{
    TPolice f;
    f.Name = "Arial";
    f.Height = -12;
    return f;
}

bool TPolice::operator==(const TPolice& o) const
{
    return Charset == o.Charset && Colour == o.Colour && Height == o.Height && Name == o.Name
        && Pitch == o.Pitch && PixelsPerInch == o.PixelsPerInch && Style == o.Style;
}

template <typename V> void TOptions_Plan::Visit(V& v)
{
    v.Flag("Affiche_Nord", Affiche_Nord);
    v.Flag("Affiche_Echelle", Affiche_Echelle);
    v.Flag("Afficher_Habillage", Afficher_Habillage);
    v.Flag("Affiche_Quadri", Affiche_Quadri);
    v.Flag("Representation", Representation);
    v.Text("Texte_Nord", Texte_Nord, 25);
    v.Real6("X_Nord", X_Nord);
    v.Real6("Y_Nord", Y_Nord);
    v.Real6("X_Echelle", X_Echelle);
    v.Real6("Y_Echelle", Y_Echelle);
    v.Int16("Epaisseur_Nord", Epaisseur_Nord);
    v.Int16("Long_Nord", Long_Nord);
    v.Int16("Epaisseur_Echelle", Epaisseur_Echelle);
    v.Int16("Long_Echelle", Long_Echelle);
    v.Int16("Largeur_Echelle", Largeur_Echelle);
    v.Int16("Subdivision", Subdivision);
    v.Int16("Epaisseur_Visee", Trait.Epaisseur_Visee);
    v.Int16("pourcentage", Trait.pourcentage);
    v.Int16("diametre", Trait.diametre);
    v.Int16("Epaisseur_Habit", Epaisseur_Habit);
    v.Int16("Texte_Station", Trait.Texte_Station);
    v.Int16("Pas", Pas);
    v.Int16("Epaisseur_Quadri", Epaisseur_Quadri);
    v.Int16("Longueur_Quadri", Longueur_Quadri);
    v.Font("Police_Nord", Police_Nord);
    v.Font("Police_Echelle", Police_Echelle);
    v.Font("Police_Station", Trait.Police_Station);
    v.Real6("Angle", Angle);
    v.Flag("Origine", Origine);
    v.Real6("X_Origine", X_Origine);
    v.Real6("Y_Origine", Y_Origine);
    v.Int16("Representation_Largeur", Representation_Largeur);
    v.Flag("AuDebut", AuDebut);
    v.Flag("AlaFin", AlaFin);
    v.Int16("Epaisseur_Largeur", Epaisseur_Largeur);
}

template <typename V> void TOptions_Coupe::Visit(V& v)
{
    v.Flag("Affiche_Horizontale", Affiche_Horizontale);
    v.Flag("Afficher_Habillage", Afficher_Habillage);
    v.Real6("X_Horizontale", X_Horizontale);
    v.Real6("Z_Horizontale", Z_Horizontale);
    v.Int16("Epaisseur_Horizontale", Epaisseur_Horizontale);
    v.Int16("Long_Horizontale", Long_Horizontale);
    v.Int16("Largeur_Horizontale", Largeur_Horizontale);
    v.Int16("Pas_Horizontale", Pas_Horizontale);
    v.Int16("Epaisseur_Verticale", Epaisseur_Verticale);
    v.Int16("Largeur_Verticale", Largeur_Verticale);
    v.Int16("Pas_Verticale", Pas_Verticale);
    v.Int16("Epaisseur_Visee", Trait.Epaisseur_Visee);
    v.Int16("pourcentage", Trait.pourcentage);
    v.Int16("diametre", Trait.diametre);
    v.Int16("Texte_Station", Trait.Texte_Station);
    v.Int16("NbVerticales", NbVerticales);
    NbVerticales = static_cast<std::int16_t>(std::clamp<int>(NbVerticales, 0, kMaxVerticales));
    for (int i = 0; i < NbVerticales; ++i) {
        TVerticale& s = Verticales[static_cast<std::size_t>(i)];
        v.Real6(Indexed("X_Verticale", i + 1).c_str(), s.X_Verticale);
        v.Real6(Indexed("Decal_Verticale", i + 1).c_str(), s.Decal_Verticale);
        v.Int16(Indexed("ZMin_Verticale", i + 1).c_str(), s.ZMin_Verticale);
        v.Int16(Indexed("ZMax_Verticale", i + 1).c_str(), s.ZMax_Verticale);
        v.Flag(Indexed("Gauche_Verticale", i + 1).c_str(), s.Gauche_Verticale);
        v.Text(Indexed("Nom_Echelle", i + 1).c_str(), s.Nom_Echelle, 10);
        v.Text(Indexed("Nom_Verticale", i + 1).c_str(), s.Nom_Verticale, 50);
        v.Pad(1); // the record aligns its last field on two bytes
        v.Int16(Indexed("Indice_Verticale", i + 1).c_str(), s.Indice_Verticale);
    }
    v.Font("Police_Horizontale", Police_Horizontale);
    v.Font("Police_Verticale", Police_Verticale);
    v.Font("Police_Station", Trait.Police_Station);
    v.Flag("Origine", Origine);
    v.Real6("X_Origine", X_Origine);
    v.Real6("Z_Origine", Z_Origine);
    v.Int16("Epaisseur_Habit", Epaisseur_Habit);
    v.Int16("Representation_Hauteur", Representation_Hauteur);
    v.Int16("Epaisseur_hauteur", Epaisseur_hauteur);
}

template <typename V> void TOptions_Relief::Visit(V& v)
{
    v.Flag("Affiche_Nord", Affiche_Nord);
    v.Flag("Affiche_Echelle", Affiche_Echelle);
    v.Flag("Affiche_Quadri", Affiche_Quadri);
    v.Flag("Representation", Representation);
    v.Flag("X_Inverse", X_Inverse);
    v.Flag("Y_Inverse", Y_Inverse);
    v.Flag("Z_Inverse", Z_Inverse);
    v.Text("Texte_Nord", Texte_Nord, 25);
    v.Real6("X_Nord", X_Nord);
    v.Real6("Y_Nord", Y_Nord);
    v.Real6("Z_Nord", Z_Nord);
    v.Real6("X_Echelle", X_Echelle);
    v.Real6("Y_Echelle", Y_Echelle);
    v.Real6("Z_Echelle", Z_Echelle);
    v.Int16("Epaisseur_Nord", Epaisseur_Nord);
    v.Int16("Long_Nord", Long_Nord);
    v.Int16("Epaisseur_Echelle", Epaisseur_Echelle);
    v.Int16("Long_Echelle", Long_Echelle);
    v.Int16("Largeur_Echelle", Largeur_Echelle);
    v.Int16("Subdivision", Subdivision);
    v.Int16("Epaisseur_Visee", Trait.Epaisseur_Visee);
    v.Int16("pourcentage", Trait.pourcentage);
    v.Int16("diametre", Trait.diametre);
    v.Int16("Texte_Station", Trait.Texte_Station);
    v.Int16("Epaisseur_Quadri", Epaisseur_Quadri);
    v.Int32("Couleur_Cadre", Couleur_Cadre);
    v.Font("Police_Nord", Police_Nord);
    v.Font("Police_Echelle", Police_Echelle);
    v.Font("Police_Station", Trait.Police_Station);
    v.Real6("Angle_Horizontal", Angle_Horizontal);
    v.Real6("Angle_Vertical", Angle_Vertical);
    v.Float32("Largeur_3D", Largeur_3D);
    v.Int32("N_Face", N_Face);
    v.Int32("Couleur_Galerie", Couleur_Galerie);
    v.Int32("Couleur_Cylindre", Couleur_Cylindre);
    v.Int32("Couleur_Fond", Couleur_Fond);
    v.Flag("Cylindre", Cylindre);
    v.Flag("Filaire", Filaire);
}

TOptions_Tableau::TOptions_Tableau()
{
    static const char* const headings[kColumns]
        = { "L", "Az", "P", "l", "h", "X", "Y", "Z", "Des H", "Comentarios", "Des", "Long H", "Delta Z" };
    for (int c = 0; c < kColumns; ++c) {
        const auto i = static_cast<std::size_t>(c);
        Tete1[i] = headings[c];
        Separation[i] = '/';
        Ordre[i] = static_cast<std::int16_t>(c + 1);
        Largeur_Colonne[i] = c == 9 ? 60 : 20;
        Jaffiche[i] = true;
        Double[i] = false;
    }
}

template <typename V> void TOptions_Tableau::Visit(V& v)
{
    for (int c = 0; c < kColumns; ++c) {
        v.Text(Indexed("Tete1", c + 1).c_str(), Tete1[static_cast<std::size_t>(c)], 25);
        v.Text(Indexed("Tete2", c + 1).c_str(), Tete2[static_cast<std::size_t>(c)], 25);
    }
    for (int c = 0; c < kColumns; ++c)
        v.Byte(Indexed("Separation", c + 1).c_str(), Separation[static_cast<std::size_t>(c)]);
    for (int c = 0; c < kColumns; ++c)
        v.Int16(Indexed("Ordre", c + 1).c_str(), Ordre[static_cast<std::size_t>(c)]);
    for (int c = 0; c < kColumns; ++c)
        v.Int16(Indexed("Largeur_Colonne", c + 1).c_str(), Largeur_Colonne[static_cast<std::size_t>(c)]);
    for (int c = 0; c < kColumns; ++c)
        v.Flag(Indexed("Jaffiche", c + 1).c_str(), Jaffiche[static_cast<std::size_t>(c)]);
    for (int c = 0; c < kColumns; ++c)
        v.Flag(Indexed("Double", c + 1).c_str(), Double[static_cast<std::size_t>(c)]);
    // Header items: item by item, variant 0 then 1 within each item.
    auto items = [&](auto&& visit) {
        for (int i = 0; i < kItems; ++i)
            for (int k = 0; k < 2; ++k)
                visit(i, k, static_cast<std::size_t>(i), static_cast<std::size_t>(k));
    };
    items([&](int i, int k, std::size_t a, std::size_t b) {
        v.Flag(Indexed("Jaffiche2", i + 1, k).c_str(), Jaffiche2[a][b]);
    });
    items([&](int i, int k, std::size_t a, std::size_t b) {
        v.Text(Indexed("Intitule", i + 1, k).c_str(), Intitule[a][b], 25);
    });
    items([&](int i, int k, std::size_t a, std::size_t b) {
        v.Int16(Indexed("X_Pos", i + 1, k).c_str(), X_Pos[a][b]);
    });
    items([&](int i, int k, std::size_t a, std::size_t b) {
        v.Int16(Indexed("Y_Pos", i + 1, k).c_str(), Y_Pos[a][b]);
    });
    items([&](int i, int k, std::size_t a, std::size_t b) {
        v.Font(Indexed("La_Police", i + 1, k).c_str(), La_Police[a][b]);
    });
    v.Int16("Hauteur_Entete[0]", Hauteur_Entete[0]);
    v.Int16("Hauteur_Entete[1]", Hauteur_Entete[1]);
    v.Flag("Rappel[0]", Rappel[0]);
    v.Flag("Rappel[1]", Rappel[1]);
    v.Int16("Hauteur_Ligne", Hauteur_Ligne);
    v.Int16("Ptt_Trait", Ptt_Trait);
    v.Int16("Gros_Trait", Gros_Trait);
    v.Font("Police_Standard", Police_Standard);
    v.Font("Police_Carrefour", Police_Carrefour);
    v.Flag("EnPlan", EnPlan);
    v.Flag("EnAltitude", EnAltitude);
    v.Station("Point_Topo", Point_Topo);
}

template <typename V> void TMarge::Visit(V& v)
{
    v.Int16("EGauche", EGauche);
    v.Int16("EDroite", EDroite);
    v.Int16("EHaut", EHaut);
    v.Int16("EBas", EBas);
    v.Int16("ELongueur", ELongueur);
    v.Byte("C_Fichier", C_Fichier);
    v.Byte("C_Page", C_Page);
    v.Byte("C_Date", C_Date);
    v.Flag("F_Afficher", F_Afficher);
    v.Flag("P_Afficher", P_Afficher);
    v.Flag("D_Afficher", D_Afficher);
    v.Font("Police_Marge", Police_Marge);
    v.Int16("EEpaisseur", EEpaisseur);
}

namespace ks {

namespace {

// A size in tenths of a millimetre or in millimetres (pen widths, lengths, steps, margins): no
// sensible option goes beyond a metre of paper.
bool IsSizeField(std::string_view name)
{
    for (std::string_view start :
        { "Epaisseur", "EEpaisseur", "Gros_Trait", "Ptt_Trait", "Long", "ELongueur", "Largeur",
            "Hauteur_Ligne", "diametre", "Subdivision", "Pas", "EGauche", "EDroite", "EHaut", "EBas" })
        if (name.substr(0, start.size()) == start)
            return true;
    return false;
}

bool IsSaneFont(const TPolice& f)
{
    return f.Height > -1000 && f.Height < 1000 && f.PixelsPerInch > 0 && f.PixelsPerInch <= 10000;
}

// The numbers and fonts of a default record by field name, to go back to. A record read from a
// file may hold more fields than the default one (more vertical scales, say): those take the
// default of their first element ("Name[1]" for "Name[7]"), or keep their value when there is none.
class TOptionDefaults
{
public:
    void Flag(const char*, bool&) { }
    void Byte(const char*, std::uint8_t&) { }
    void Int16(const char* name, std::int16_t& v) { m_numbers[name] = v; }
    void Int32(const char*, std::int32_t&) { }
    void Float32(const char* name, float& v) { m_numbers[name] = v; }
    void Real6(const char* name, double& v) { m_numbers[name] = v; }
    void Text(const char*, std::string&, std::size_t) { }
    void Pad(std::size_t) { }
    void Station(const char*, TPointTopo&) { }
    void Font(const char* name, TPolice& f) { m_fonts[name] = f; }

    const double* Number(const std::string& name) const { return Find(m_numbers, name); }
    const TPolice* Font(const std::string& name) const { return Find(m_fonts, name); }

private:
    template <typename T>
    static const T* Find(const std::map<std::string, T>& fields, const std::string& name)
    {
        auto it = fields.find(name);
        if (it == fields.end() && name.find('[') != std::string::npos)
            it = fields.find(name.substr(0, name.find('[')) + "[1]");
        return it == fields.end() ? nullptr : &it->second;
    }

    std::map<std::string, double> m_numbers;
    std::map<std::string, TPolice> m_fonts;
};

// Puts back the defaults of the fields a garbled file left out of their range.
class TOptionSanitizer
{
public:
    explicit TOptionSanitizer(const TOptionDefaults& defaults)
        : m_defaults(defaults)
    { }
    void Flag(const char*, bool&) { }
    void Byte(const char*, std::uint8_t&) { }
    void Int16(const char* name, std::int16_t& v)
    {
        const double* fallback = m_defaults.Number(name);
        if (fallback && IsSizeField(name) && (v < 0 || v > 1000))
            Reset(v, static_cast<std::int16_t>(*fallback));
    }
    void Int32(const char*, std::int32_t&) { }
    void Float32(const char* name, float& v)
    {
        const double* fallback = m_defaults.Number(name);
        if (fallback && (!std::isfinite(v) || std::fabs(v) > 1e6f))
            Reset(v, static_cast<float>(*fallback));
    }
    void Real6(const char* name, double& v)
    {
        // Coordinates and angles: beyond a million kilometres nothing is drawn sensibly.
        const double* fallback = m_defaults.Number(name);
        if (fallback && (!std::isfinite(v) || std::fabs(v) > 1e9))
            Reset(v, *fallback);
    }
    void Text(const char*, std::string&, std::size_t) { }
    void Pad(std::size_t) { }
    void Station(const char*, TPointTopo&) { }
    void Font(const char* name, TPolice& f)
    {
        const TPolice* fallback = m_defaults.Font(name);
        if (fallback && !IsSaneFont(f))
            Reset(f, *fallback);
    }

    int Resets = 0;

private:
    template <typename T> void Reset(T& field, const T& value)
    {
        field = value;
        ++Resets;
    }

    const TOptionDefaults& m_defaults;
};

} // namespace

template <typename R> int SanitizeOptions(R& record)
{
    R defaults;
    TOptionDefaults recorder;
    defaults.Visit(recorder);
    TOptionSanitizer sanitizer(recorder);
    record.Visit(sanitizer);
    return sanitizer.Resets;
}

template <typename R> std::string EncodeOptions(R& record, IReporter* reporter)
{
    static const std::string path = "options";
    TOptionWriter writer(path, reporter);
    record.Visit(writer);
    return writer.Take();
}

template <typename R> void DecodeOptions(R& record, const std::string& bytes)
{
    TOptionReader reader(bytes);
    record.Visit(reader);
}

template <typename R> bool Charger(R& record, const std::string& path, int* reset)
{
    if (!std::filesystem::exists(path))
        return false;
    DecodeOptions(record, ReadWholeFile(path));
    const int count = SanitizeOptions(record);
    if (reset)
        *reset = count;
    return true;
}

template <typename R> void Enregistrer(R& record, const std::string& path, IReporter* reporter)
{
    WriteFileSafely(path, EncodeOptions(record, reporter));
}

template <typename R> std::string DescribeOptions(R& record)
{
    TOptionDescriber describer;
    record.Visit(describer);
    return describer.Take();
}

#define KARST_OPTION_RECORD(R)                                                                               \
    template std::string EncodeOptions<R>(R&, IReporter*);                                                   \
    template void DecodeOptions<R>(R&, const std::string&);                                                  \
    template bool Charger<R>(R&, const std::string&, int*);                                                  \
    template void Enregistrer<R>(R&, const std::string&, IReporter*);                                        \
    template std::string DescribeOptions<R>(R&);                                                             \
    template int SanitizeOptions<R>(R&);

KARST_OPTION_RECORD(TOptions_Plan)
KARST_OPTION_RECORD(TOptions_Coupe)
KARST_OPTION_RECORD(TOptions_Relief)
KARST_OPTION_RECORD(TOptions_Tableau)
KARST_OPTION_RECORD(TMarge)

#undef KARST_OPTION_RECORD

bool HasPrintableArea(const TMarge& margins, double paperWidthMm, double paperHeightMm)
{
    return paperWidthMm - margins.EGauche - margins.EDroite >= 1
        && paperHeightMm - margins.EHaut - margins.EBas >= 1;
}

namespace {

// The hint options by their key in the hints file, in the dialog's order.
template <typename H> auto HintFields(H& h)
{
    return std::array<std::pair<const char*, decltype(&h.Rien)>, 7> { { { "Coordenadas", &h.Coordonnees },
        { "Comentarios", &h.Commentaires }, { "Visuales", &h.Visees }, { "Anchura", &h.Largeur },
        { "Altura", &h.Hauteur }, { "Deformacion", &h.Deformation }, { "Nada", &h.Rien } } };
}

} // namespace

std::string WriteHints(const THintOptions& hints)
{
    std::string text = "[Sugerencias]\r\n\r\n";
    for (const auto& [key, field] : HintFields(hints))
        text += std::string(key) + " = " + (*field ? "OUI" : "NON") + "\r\n";
    return text;
}

void ReadHints(const std::string& text, THintOptions& hints)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = UpperCase(line.substr(0, equals));
        for (const auto& [name, field] : HintFields(hints))
            if (key.find(UpperCase(name)) != std::string::npos)
                *field = UpperCase(line.substr(equals + 1)).find("OUI") != std::string::npos;
    }
}

} // namespace ks
