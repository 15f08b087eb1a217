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

std::unique_ptr<TFiche> TSheetModel::Validate(
    const TMassif& massif, const TFiche* old, TRefusal& refusal) const
{
    auto refuse = [&refusal](const std::string& message, int row, int column, const char* field = "") {
        refusal = TRefusal { message, row, column, field };
        return nullptr;
    };
    const int last = static_cast<int>(Rows.size()) - 1;
    if (Rows.empty() || Rows.back().kind != Kind::Station)
        return refuse("La ficha no termina sobre un punto topo", last, 0);

    auto sheet = std::make_unique<TFiche>();
    sheet->Systeme.Set(Fields.Systeme);
    sheet->Cavite.Set(Fields.Cavite);
    sheet->Reseau.Set(Fields.Reseau);
    sheet->Lieu.Set(Fields.Lieu);
    // A field still showing its loaded text keeps the sheet's own value.
    const LoadedSheet* loaded = m_loaded ? &*m_loaded : nullptr;
    const auto declination = loaded && Fields.Declination == loaded->Fields.Declination
        ? std::optional<double>(loaded->Declinaison)
        : ParseReal(Fields.Declination);
    if (!declination)
        return refuse("La declinación debe de ser numérica\rejemplo 2.53", -1, -1, "Declinacion");
    if (Fields.DeclinationUnit != kDegree && Fields.DeclinationUnit != "gr")
        return refuse("La declinación debe de ser en ° o en gr.", -1, -1, "Unidad");
    sheet->Declinaison = *declination;
    sheet->DeclUnit = Fields.DeclinationUnit == "gr" ? kGrades : kDegrees;
    const auto premiere = loaded && Fields.Premiere == loaded->Fields.Premiere
        ? std::optional<double>(loaded->Premiere)
        : ParseReal(Fields.Premiere);
    if (!premiere)
        return refuse("La primicia debe de ser numérica\rejemplo 103.5", -1, -1, "Primicia");
    sheet->Premiere = *premiere;
    sheet->TPST.Set(Fields.TPST);
    if (loaded && Fields.Date == loaded->Fields.Date) {
        sheet->Date = loaded->Date;
    } else {
        std::string date = Fields.Date.substr(0, kMaxDateText);
        for (std::size_t i : { std::size_t(0), std::size_t(3) })
            if (i < date.size() && date[i] == ' ')
                date[i] = '0';
        sheet->Date = date;
    }
    auto typedNames = [](const std::vector<std::string>& names) {
        std::vector<std::string> kept;
        for (const auto& name : names)
            if (!Trim(name).empty())
                kept.push_back(name);
        return kept;
    };
    if (loaded && typedNames(Fields.Surveyors) == typedNames(loaded->Fields.Surveyors))
        sheet->Surveyors = loaded->Surveyors;
    else
        for (const auto& name : typedNames(Fields.Surveyors))
            sheet->Surveyors.emplace_back(name);

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
            return refuse("La ficha no termina sobre un punto topo", r, 0);
        if (row.kind == Kind::Station) {
            if (current->ShotCount() == 0)
                return refuse("Debe de haber por lo menos una visual entre dos encrucijadas", r, 0);
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
                "Una galería no puede tener más de 128 visuales: inserte un punto para partirla.", r, 0);

        // An unchanged row is the shot it was loaded from.
        if (row.original && row.cells == row.loaded) {
            current->AddShot(*row.original);
            continue;
        }
        // A shot row, column by column. A loaded shot keeps the fields that have no column in
        // this layout and those whose cells were not changed.
        TVisee v = row.original ? *row.original : TVisee {};
        bool hasLength = false, hasAzimuth = false, hasInclination = false;
        const bool firstShot = current->ShotCount() == 0;
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            const std::string text = Trim(row.cells[c]);
            const int col = static_cast<int>(c);
            if (row.original && c < row.loaded.size() && row.cells[c] == row.loaded[c]) {
                const std::int16_t code = m_columns[c].Code;
                hasLength |= code == kColLength;
                hasAzimuth |= code == kColAzimuth;
                hasInclination |= code == kColInclination;
                continue;
            }
            auto number = [&](const char* message) -> std::optional<double> {
                if (text.empty())
                    return std::nullopt;
                const auto value = ParseReal(text);
                if (!value)
                    refusal = TRefusal { message, r, col, "" };
                return value;
            };
            auto unit = [&](const char* message, std::uint8_t& code) {
                const int index = IndexOf(LengthLabels(), text);
                if (index < 0) {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                code = static_cast<std::uint8_t>(index);
                return true;
            };
            auto size = [&](TSizeText& target, const char* message, const std::string& value) {
                if (value.size() >= 10) {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                target = value;
                return true;
            };
            // A single width or height column shows two sizes as "first/second"; a size alone is
            // the first one when `aloneIsFirst`, else the second, and the other one is empty.
            auto sizes = [&](TSizeText& first, TSizeText& second, bool aloneIsFirst, const char* message) {
                const auto slash = text.find('/');
                if (slash != std::string::npos)
                    return size(first, message, Trim(text.substr(0, slash)))
                        && size(second, message, Trim(text.substr(slash + 1)));
                return size(aloneIsFirst ? second : first, message, std::string())
                    && size(aloneIsFirst ? first : second, message, text);
            };
            auto flag = [&](bool& target, const char* message) {
                const char first = text.empty() ? 'N' : UpperChar(text[0]);
                if (first != 'S' && first != 'N') {
                    refusal = TRefusal { message, r, col, "" };
                    return false;
                }
                target = first == 'S';
                return true;
            };
            switch (m_columns[c].Code) {
            case kColLength:
                if (const auto slash = text.find('/'); slash != std::string::npos) {
                    const auto a = ParseReal(text.substr(0, slash)), b = ParseReal(text.substr(slash + 1));
                    if (!a || !b)
                        return refuse("Las longitudes Topofil no son correctas", r, col);
                    v.Length = (*b - *a) * info.Topofil;
                    if (v.Length < 0.01)
                        return refuse("La longitud Topofil es negativa", r, col);
                    v.TopofilFlag = true;
                    v.TopofilStart = *a;
                    hasLength = true;
                } else if (!text.empty()) {
                    v.TopofilFlag = false;
                    v.TopofilStart = 0;
                    const auto length = number("La longitud no es correcta");
                    if (!length)
                        return nullptr;
                    if (*length < -0.001)
                        return refuse("La longitud debe de ser positiva", r, col);
                    if (std::fabs(*length) < 0.001 && !firstShot)
                        return refuse("La longitud no debe de ser nula", r, col);
                    v.Length = *length;
                    hasLength = true;
                }
                break;
            case kColAzimuth:
                if (!text.empty()) {
                    const auto value = number("El rumbo no es correcto");
                    if (!value)
                        return nullptr;
                    v.Azimuth = *value;
                    hasAzimuth = true;
                }
                break;
            case kColInclination:
                if (!text.empty()) {
                    const auto value = number("La inclinación no es correcta");
                    if (!value)
                        return nullptr;
                    v.Inclination = *value;
                    hasInclination = true;
                }
                break;
            case kColLengthUnit:
                if (!unit("La unidad de longitud debe de estar en m o cm.", v.LengthUnit))
                    return nullptr;
                break;
            case kColAzimuthUnit: {
                const int index = IndexOf(AzimuthLabels(), text);
                if (index < 0)
                    return refuse("La unidad de rumbo debe de estar en ° o gr.", r, col);
                v.AzimuthUnit = kAzimuthCodes[index];
                break;
            }
            case kColInclinationUnit: {
                const int index = IndexOf(InclinationLabels(), text);
                if (index < 0)
                    return refuse("La unidad de inclinación no es correcta.", r, col);
                v.InclinationUnit = static_cast<std::uint8_t>(index);
                break;
            }
            case kColLeftWidth:
                if (!size(v.LeftWidth, "La definición de la anchura izquierda debe de ser inferior a diez.",
                        text))
                    return nullptr;
                break;
            case kColRightWidth:
                if (!size(v.RightWidth, "La definición de la anchura derecha debe de ser inferior a diez.",
                        text))
                    return nullptr;
                break;
            case kColWidth:
                // A width alone is the single width, held on the right.
                if (!sizes(v.LeftWidth, v.RightWidth, false,
                        "La definición de la anchura debe de ser inferior a diez."))
                    return nullptr;
                break;
            case kColWidthUnit:
                if (!unit("La unidad de anchura debe de estar en m o cm.", v.WidthUnit))
                    return nullptr;
                break;
            case kColUpperHeight:
                if (!size(v.UpperHeight,
                        "La definición de la altura superior debe de ser inferior a diez caracteres.", text))
                    return nullptr;
                break;
            case kColLowerHeight:
                if (!size(v.LowerHeight,
                        "La definición de la altura inferior debe de ser inferior a diez caracteres.", text))
                    return nullptr;
                break;
            case kColHeight:
                if (!sizes(v.UpperHeight, v.LowerHeight, true,
                        "La definición de la altura debe de ser inferior a diez caracteres."))
                    return nullptr;
                break;
            case kColHeightUnit:
                if (!unit("La unidad de altura debe de estar en m o cm.", v.HeightUnit))
                    return nullptr;
                break;
            case kColSketch:
                v.SketchSize = 0;
                if (!text.empty()) {
                    const auto value = ParseInt(text);
                    if (!value || *value < 0 || *value > 255)
                        return refuse("El tamaño del esquema debe de ser numérico.", r, col);
                    v.SketchSize = static_cast<std::uint8_t>(*value);
                }
                break;
            case kColComment:
                v.Comment.Set(row.cells[c]);
                break;
            case kColHorizFlag:
                if (!flag(
                        v.HorizCorrectionFlag, "Introducir S o N para la pregunta de corrección horizontal."))
                    return nullptr;
                break;
            case kColHorizCorrection:
                v.HorizCorrection = 0;
                if (!text.empty()) {
                    const auto value = number("La corrección horizontal debe de ser numérica.");
                    if (!value)
                        return nullptr;
                    v.HorizCorrection = *value;
                }
                break;
            case kColDevFlag:
                if (!flag(v.DevCorrectionFlag,
                        "Introducir S o N para la pregunta de corrección de desarrollo."))
                    return nullptr;
                break;
            case kColDevCorrection:
                v.DevCorrection = 0;
                if (!text.empty()) {
                    const auto value = number("La corrección del desarrollo debe de ser numérica.");
                    if (!value)
                        return nullptr;
                    v.DevCorrection = *value;
                }
                break;
            default:
                break;
            }
        }
        // Bounds, once the units are known; the reversed codes have none.
        const int inc = ColumnOf(kColInclination), az = ColumnOf(kColAzimuth);
        const double length = v.LengthUnit == kCentimetres ? v.Length * 0.01 : v.Length;
        if (hasInclination) {
            const double i = v.Inclination;
            if ((v.InclinationUnit == kSlopeMetres && std::fabs(i) > length)
                || (v.InclinationUnit == kSlopeCentimetres && std::fabs(i * 0.01) > length))
                return refuse("La inclinación debe de ser inferior a la longitud.", r, inc);
            if (v.InclinationUnit == kDegrees && std::fabs(i) >= 91)
                return refuse("La inclinación debe de ser inferior a 90°.", r, inc);
            if (v.InclinationUnit == kVulcain && !(i > -1 && i < 181))
                return refuse("La inclinación Vulcain debe de estar comprendida entre 0 y 180°.", r, inc);
            if (v.InclinationUnit == kGrades && std::fabs(i) > 100.1)
                return refuse("La inclinación debe de ser inferior a 100°.", r, inc);
        }
        if (hasAzimuth) {
            if (v.AzimuthUnit == kDegrees && !(v.Azimuth > -1 && v.Azimuth < 361))
                return refuse("El rumbo debe de estar comprendido entre 0 y 360°.", r, az);
            if (v.AzimuthUnit == kGrades && !(v.Azimuth > -1 && v.Azimuth < 401))
                return refuse("El rumbo debe de estar comprendido entre 0 y 400 gr.", r, az);
        }
        if (!hasLength || !hasAzimuth || !hasInclination)
            return refuse("La visual está incompleta.", r,
                !hasLength        ? ColumnOf(kColLength)
                    : !hasAzimuth ? az
                                  : inc);
        current->AddShot(v);
    }

    ReduceSheet(*sheet, massif.Angle_Geodesique);
    // The developed elevation stays with the galleries when their number did not change. A
    // gallery whose readings did not change, under the same declination, stays as it was, with
    // its reduction and its computed position.
    if (old && old->Galeries.size() == sheet->Galeries.size()) {
        const bool sameDeclination
            = old->Declinaison == sheet->Declinaison && old->DeclUnit == sheet->DeclUnit;
        for (std::size_t i = 0; i < sheet->Galeries.size(); ++i) {
            TGalerie& g = *sheet->Galeries[i];
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
    return sheet;
}

} // namespace ks
