// The sheet model's validation: every cell read, checked and turned into a sheet, or the first
// refusal with its cell.
#include "entry/sheet_model.h"

#include "entry/sheet_text.h"

#include "compute/reduction.h"
#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>

namespace ks {

using namespace sheet_text;

namespace {

// The readings a shot must have, marked as its cells are read.
struct Seen
{
    bool length = false, azimuth = false, inclination = false;
};

// One changed cell of a shot row: its text, its place, and where a refusal goes.
struct Cell
{
    std::string text; // trimmed
    const std::string& raw;
    int row, column;
    double topofil; // the gallery's hip-chain coefficient
    bool firstShot;
    TRefusal& refusal;

    bool Refuse(const char* message) const
    {
        refusal = TRefusal { message, row, column, "" };
        return false;
    }
    // A reading: an empty cell leaves the shot's value, else a number.
    bool Reading(const char* message, double& target, bool& seen) const
    {
        if (text.empty())
            return true;
        const auto value = ParseReal(text);
        if (!value)
            return Refuse(message);
        target = *value;
        seen = true;
        return true;
    }
    // A correction: an empty cell is 0.
    bool Correction(const char* message, double& target) const
    {
        target = 0;
        bool seen = false;
        return Reading(message, target, seen);
    }
    bool Unit(const std::vector<std::string>& labels, const char* message, std::uint8_t& code) const
    {
        const int index = IndexOf(labels, text);
        if (index < 0)
            return Refuse(message);
        code = static_cast<std::uint8_t>(index);
        return true;
    }
    bool Size(TSizeText& target, const char* message, const std::string& value) const
    {
        if (value.size() >= 10)
            return Refuse(message);
        target = value;
        return true;
    }
    // A single width or height column shows two sizes as "first/second"; a size alone is the
    // first one when `aloneIsFirst`, else the second, and the other one is empty.
    bool Sizes(TSizeText& first, TSizeText& second, bool aloneIsFirst, const char* message) const
    {
        const auto slash = text.find('/');
        if (slash != std::string::npos)
            return Size(first, message, Trim(text.substr(0, slash)))
                && Size(second, message, Trim(text.substr(slash + 1)));
        return Size(aloneIsFirst ? second : first, message, std::string())
            && Size(aloneIsFirst ? first : second, message, text);
    }
    bool Flag(bool& target, const char* message) const
    {
        const char first = text.empty() ? 'N' : UpperChar(text[0]);
        if (first != 'S' && first != 'N')
            return Refuse(message);
        target = first == 'S';
        return true;
    }
};

// A length, or two hip-chain counter readings "start/end".
bool ReadLength(const Cell& c, TVisee& v, Seen& seen)
{
    if (const auto slash = c.text.find('/'); slash != std::string::npos) {
        const auto a = ParseReal(c.text.substr(0, slash)), b = ParseReal(c.text.substr(slash + 1));
        if (!a || !b)
            return c.Refuse("Las longitudes Topofil no son correctas");
        v.Length = (*b - *a) * c.topofil;
        if (v.Length < 0.01)
            return c.Refuse("La longitud Topofil es negativa");
        v.TopofilFlag = true;
        v.TopofilStart = *a;
        seen.length = true;
        return true;
    }
    if (c.text.empty())
        return true;
    v.TopofilFlag = false;
    v.TopofilStart = 0;
    const auto length = ParseReal(c.text);
    if (!length)
        return c.Refuse("La longitud no es correcta");
    if (*length < -0.001)
        return c.Refuse("La longitud debe de ser positiva");
    if (std::fabs(*length) < 0.001 && !c.firstShot)
        return c.Refuse("La longitud no debe de ser nula");
    v.Length = *length;
    seen.length = true;
    return true;
}

using CellRule = bool (*)(const Cell&, TVisee&, Seen&);

// How each column's cell is read into the shot.
const struct
{
    std::int16_t code;
    CellRule read;
} kCellRules[] = {
    { kColLength, ReadLength },
    { kColAzimuth,
        [](const Cell& c, TVisee& v, Seen& s) {
            return c.Reading("El rumbo no es correcto", v.Azimuth, s.azimuth);
        } },
    { kColInclination,
        [](const Cell& c, TVisee& v, Seen& s) {
            return c.Reading("La inclinación no es correcta", v.Inclination, s.inclination);
        } },
    { kColLengthUnit,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Unit(LengthLabels(), "La unidad de longitud debe de estar en m o cm.", v.LengthUnit);
        } },
    { kColAzimuthUnit,
        [](const Cell& c, TVisee& v, Seen&) {
            std::uint8_t index = 0;
            if (!c.Unit(AzimuthLabels(), "La unidad de rumbo debe de estar en ° o gr.", index))
                return false;
            v.AzimuthUnit = kAzimuthCodes[index];
            return true;
        } },
    { kColInclinationUnit,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Unit(InclinationLabels(), "La unidad de inclinación no es correcta.", v.InclinationUnit);
        } },
    { kColLeftWidth,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Size(
                v.LeftWidth, "La definición de la anchura izquierda debe de ser inferior a diez.", c.text);
        } },
    { kColRightWidth,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Size(
                v.RightWidth, "La definición de la anchura derecha debe de ser inferior a diez.", c.text);
        } },
    // A width alone is the single width, held on the right.
    { kColWidth,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Sizes(
                v.LeftWidth, v.RightWidth, false, "La definición de la anchura debe de ser inferior a diez.");
        } },
    { kColWidthUnit,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Unit(LengthLabels(), "La unidad de anchura debe de estar en m o cm.", v.WidthUnit);
        } },
    { kColUpperHeight,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Size(v.UpperHeight,
                "La definición de la altura superior debe de ser inferior a diez caracteres.", c.text);
        } },
    { kColLowerHeight,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Size(v.LowerHeight,
                "La definición de la altura inferior debe de ser inferior a diez caracteres.", c.text);
        } },
    { kColHeight,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Sizes(v.UpperHeight, v.LowerHeight, true,
                "La definición de la altura debe de ser inferior a diez caracteres.");
        } },
    { kColHeightUnit,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Unit(LengthLabels(), "La unidad de altura debe de estar en m o cm.", v.HeightUnit);
        } },
    { kColSketch,
        [](const Cell& c, TVisee& v, Seen&) {
            v.SketchSize = 0;
            if (c.text.empty())
                return true;
            const auto value = ParseInt(c.text);
            if (!value || *value < 0 || *value > 255)
                return c.Refuse("El tamaño del esquema debe de ser numérico.");
            v.SketchSize = static_cast<std::uint8_t>(*value);
            return true;
        } },
    { kColComment,
        [](const Cell& c, TVisee& v, Seen&) {
            v.Comment.Set(c.raw);
            return true;
        } },
    { kColHorizFlag,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Flag(
                v.HorizCorrectionFlag, "Introducir S o N para la pregunta de corrección horizontal.");
        } },
    { kColHorizCorrection,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Correction("La corrección horizontal debe de ser numérica.", v.HorizCorrection);
        } },
    { kColDevFlag,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Flag(
                v.DevCorrectionFlag, "Introducir S o N para la pregunta de corrección de desarrollo.");
        } },
    { kColDevCorrection,
        [](const Cell& c, TVisee& v, Seen&) {
            return c.Correction("La corrección del desarrollo debe de ser numérica.", v.DevCorrection);
        } },
};

CellRule RuleOf(std::int16_t code)
{
    for (const auto& rule : kCellRules)
        if (rule.code == code)
            return rule.read;
    return nullptr;
}

// The bounds of the angles, once the units are known (the reversed codes have none): the
// message, or null.
const char* InclinationOutOfBounds(const TVisee& v)
{
    const double length = v.LengthUnit == kCentimetres ? v.Length * 0.01 : v.Length;
    const double i = v.Inclination;
    if ((v.InclinationUnit == kSlopeMetres && std::fabs(i) > length)
        || (v.InclinationUnit == kSlopeCentimetres && std::fabs(i * 0.01) > length))
        return "La inclinación debe de ser inferior a la longitud.";
    if (v.InclinationUnit == kDegrees && std::fabs(i) >= 91)
        return "La inclinación debe de ser inferior a 90°.";
    if (v.InclinationUnit == kVulcain && !(i > -1 && i < 181))
        return "La inclinación Vulcain debe de estar comprendida entre 0 y 180°.";
    if (v.InclinationUnit == kGrades && std::fabs(i) > 100.1)
        return "La inclinación debe de ser inferior a 100°.";
    return nullptr;
}

const char* AzimuthOutOfBounds(const TVisee& v)
{
    if (v.AzimuthUnit == kDegrees && !(v.Azimuth > -1 && v.Azimuth < 361))
        return "El rumbo debe de estar comprendido entre 0 y 360°.";
    if (v.AzimuthUnit == kGrades && !(v.Azimuth > -1 && v.Azimuth < 401))
        return "El rumbo debe de estar comprendido entre 0 y 400 gr.";
    return nullptr;
}

// The developed elevation stays with the galleries when their number did not change. A gallery
// whose readings did not change, under the same declination, stays as it was, with its
// reduction and its computed position.
void KeepFromOld(const TFiche* old, TFiche& sheet)
{
    if (!old || old->Galeries.size() != sheet.Galeries.size())
        return;
    const bool sameDeclination = old->Declinaison == sheet.Declinaison && old->DeclUnit == sheet.DeclUnit;
    for (std::size_t i = 0; i < sheet.Galeries.size(); ++i) {
        TGalerie& g = *sheet.Galeries[i];
        const TGalerie& o = *old->Galeries[i];
        if (sameDeclination && g.SameReadings(o)) {
            g = o;
            continue;
        }
        g.InElevation = o.InElevation;
        g.ElevFromStart = o.ElevFromStart;
        g.ElevForward = o.ElevForward;
        g.BranchCount = o.BranchCount;
        g.BranchSheet = o.BranchSheet;
        g.BranchGallery = o.BranchGallery;
        g.ElevX = o.ElevX;
        g.ElevZ = o.ElevZ;
    }
}

std::vector<std::string> TypedNames(const std::vector<std::string>& names)
{
    std::vector<std::string> kept;
    for (const auto& name : names)
        if (!Trim(name).empty())
            kept.push_back(name);
    return kept;
}

} // namespace

bool TSheetModel::ReadFields(TFiche& sheet, TRefusal& refusal) const
{
    auto refuse = [&refusal](const char* message, const char* field) {
        refusal = TRefusal { message, -1, -1, field };
        return false;
    };
    sheet.Systeme.Set(Fields.Systeme);
    sheet.Cavite.Set(Fields.Cavite);
    sheet.Reseau.Set(Fields.Reseau);
    sheet.Lieu.Set(Fields.Lieu);
    // A field still showing its loaded text keeps the sheet's own value.
    const LoadedSheet* loaded = m_loaded ? &*m_loaded : nullptr;
    const auto declination = loaded && Fields.Declination == loaded->Fields.Declination
        ? std::optional<double>(loaded->Declinaison)
        : ParseReal(Fields.Declination);
    if (!declination)
        return refuse("La declinación debe de ser numérica\rejemplo 2.53", "Declinacion");
    if (Fields.DeclinationUnit != kDegree && Fields.DeclinationUnit != "gr")
        return refuse("La declinación debe de ser en ° o en gr.", "Unidad");
    sheet.Declinaison = *declination;
    sheet.DeclUnit = Fields.DeclinationUnit == "gr" ? kGrades : kDegrees;
    const auto premiere = loaded && Fields.Premiere == loaded->Fields.Premiere
        ? std::optional<double>(loaded->Premiere)
        : ParseReal(Fields.Premiere);
    if (!premiere)
        return refuse("La primicia debe de ser numérica\rejemplo 103.5", "Primicia");
    sheet.Premiere = *premiere;
    sheet.TPST.Set(Fields.TPST);
    if (loaded && Fields.Date == loaded->Fields.Date) {
        sheet.Date = loaded->Date;
    } else {
        std::string date = Fields.Date.substr(0, kMaxDateText);
        for (std::size_t i : { std::size_t(0), std::size_t(3) })
            if (i < date.size() && date[i] == ' ')
                date[i] = '0';
        sheet.Date = date;
    }
    if (loaded && TypedNames(Fields.Surveyors) == TypedNames(loaded->Fields.Surveyors))
        sheet.Surveyors = loaded->Surveyors;
    else
        for (const auto& name : TypedNames(Fields.Surveyors))
            sheet.Surveyors.emplace_back(name);
    return true;
}

// A shot row, column by column. A loaded shot keeps the fields that have no column in this
// layout and those whose cells were not changed.
bool TSheetModel::ReadShot(
    const Row& row, int r, double topofil, bool firstShot, TVisee& v, TRefusal& refusal) const
{
    auto refuse = [&](const char* message, std::int16_t code) {
        refusal = TRefusal { message, r, ColumnOf(code), "" };
        return false;
    };
    v = row.original ? *row.original : TVisee {};
    Seen seen;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const std::int16_t code = m_columns[c].Code;
        if (row.original && c < row.loaded.size() && row.cells[c] == row.loaded[c]) {
            seen.length |= code == kColLength;
            seen.azimuth |= code == kColAzimuth;
            seen.inclination |= code == kColInclination;
            continue;
        }
        const CellRule read = RuleOf(code);
        const Cell cell { Trim(row.cells[c]), row.cells[c], r, static_cast<int>(c), topofil, firstShot,
            refusal };
        if (read && !read(cell, v, seen))
            return false;
    }
    // Only the angles the row gives are bounded.
    const char* message = nullptr;
    if (seen.inclination && (message = InclinationOutOfBounds(v)))
        return refuse(message, kColInclination);
    if (seen.azimuth && (message = AzimuthOutOfBounds(v)))
        return refuse(message, kColAzimuth);
    if (!seen.length || !seen.azimuth || !seen.inclination)
        return refuse("La visual está incompleta.",
            !seen.length        ? kColLength
                : !seen.azimuth ? kColAzimuth
                                : kColInclination);
    return true;
}
std::unique_ptr<TFiche> TSheetModel::Validate(
    const TMassif& massif, const TFiche* old, TRefusal& refusal) const
{
    auto refuse = [&refusal](const std::string& message, int row) {
        refusal = TRefusal { message, row, 0, "" };
        return nullptr;
    };
    const int last = static_cast<int>(Rows.size()) - 1;
    if (Rows.empty() || Rows.back().kind != Kind::Station)
        return refuse("La ficha no termina sobre un punto topo", last);

    auto sheet = std::make_unique<TFiche>();
    if (!ReadFields(*sheet, refusal))
        return nullptr;

    // Galleries: a start row, its shots, and the station row that ends it.
    int gallery = -1, junction = 0;
    std::unique_ptr<TGalerie> current;
    TGalleryInfo info;
    for (int r = 0; r <= last; ++r) {
        const Row& row = Rows[static_cast<std::size_t>(r)];
        if (row.kind == Kind::Start) {
            ++gallery;
            current = std::make_unique<TGalerie>();
            current->Start
                = gallery == 0 ? FirstStart : Junctions[static_cast<std::size_t>(gallery - 1)].StartBelow;
            info = gallery == 0 ? FirstInfo : Junctions[static_cast<std::size_t>(gallery - 1)].Below;
            continue;
        }
        if (!current)
            return refuse("La ficha no termina sobre un punto topo", r);
        if (row.kind == Kind::Station) {
            if (current->ShotCount() == 0)
                return refuse("Debe de haber por lo menos una visual entre dos encrucijadas", r);
            const bool joined = r < last && Rows[static_cast<std::size_t>(r + 1)].kind == Kind::Start;
            current->End = joined ? Junctions[static_cast<std::size_t>(junction++)].EndAbove : FinalEnd;
            current->Name.Set(info.Info);
            current->Deformation = info.Deformation;
            current->TopofilCoef = info.Topofil;
            current->Colour = info.Colour;
            current->Extra3 = true;
            sheet->Galeries.push_back(std::move(current));
            continue;
        }
        if (current->ShotCount() >= kMaxShots)
            return refuse(
                "Una galería no puede tener más de 128 visuales: inserte un punto para partirla.", r);

        // An unchanged row is the shot it was loaded from.
        if (row.original && row.cells == row.loaded) {
            current->AddShot(*row.original);
            continue;
        }
        TVisee v;
        if (!ReadShot(row, r, info.Topofil, current->ShotCount() == 0, v, refusal))
            return nullptr;
        current->AddShot(v);
    }

    ReduceSheet(*sheet, massif.Angle_Geodesique);
    KeepFromOld(old, *sheet);
    return sheet;
}

} // namespace ks
