// The Survex export: each current sheet as a survey block of legs read in degrees and metres (or
// grads, as the shot was read), the reference points as fixed stations.
#include "exchange/survex.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <cmath>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A name part Survex takes: letters, digits, "_" and "-"; anything else becomes "_".
std::string Part(const std::string& text)
{
    std::string out;
    for (char c : Cp1252ToUtf8(text)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || c == '_' || c == '-';
        out += plain ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : '_';
    }
    return out.empty() ? std::string("_") : out;
}

// A named station as NAME.NUMBER, which the import reads back as the same name and number.
std::string StationName(const TPointTopo& p)
{
    return Part(p.Name.Get()) + "." + std::to_string(p.Number);
}

std::string Number(double value, int decimals)
{
    std::string text = FormatFixed(value, decimals);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

// A size text as a number of metres; "-" when it is none.
std::string Size(const TSizeText& text, std::uint8_t unit)
{
    const auto value = ParseReal(text.view());
    if (!value || *value < 0)
        return "-";
    return Number(*value * (unit == kCentimetres ? 0.01 : 1), 3);
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
    return text;
}

class SurvexWriter
{
public:
    explicit SurvexWriter(const TMassif& massif)
        : m_massif(massif)
    { }

    std::string Write()
    {
        m_out = "; Karstelle: the massif's current sheets, one survey block per sheet.\n";
        m_out += "; Stations are NAME.NUMBER; the stations inside a gallery are s<sheet>.g<gallery>_<k>.\n";
        const auto sheets = m_massif.CurrentSheets();
        if (!sheets.empty() && !sheets.front()->Systeme.Get().empty())
            m_out += "*title \"" + OneLine(Cp1252ToUtf8(sheets.front()->Systeme.Get())) + "\"\n";
        for (const auto& r : m_massif.References)
            m_out += "*fix " + StationName(*r) + " " + Number(r->X * 1000, 3) + " " + Number(r->Y * 1000, 3)
                + " " + Number(r->Z, 3) + "\n";
        for (const TFiche* sheet : sheets)
            Sheet(*sheet);
        return m_out;
    }

private:
    void Sheet(const TFiche& sheet)
    {
        m_out += "\n*begin\n";
        for (const auto& [label, text] : { std::pair<const char*, const TEco*> { "Sistema", &sheet.Systeme },
                 { "Cavidad", &sheet.Cavite }, { "Red", &sheet.Reseau }, { "Lugar", &sheet.Lieu } })
            if (!text->Get().empty())
                m_out += "; " + std::string(label) + ": " + OneLine(Cp1252ToUtf8(text->Get())) + "\n";
        Date(sheet.Date);
        for (const TEco& name : sheet.Surveyors)
            if (!name.Get().empty())
                m_out += "*team \"" + OneLine(Cp1252ToUtf8(name.Get())) + "\"\n";
        // The massif turns bearings by minus the declination and the geodesic angle.
        const double declination = (sheet.DeclUnit == kGrades ? sheet.Declinaison * 0.9 : sheet.Declinaison)
            + m_massif.Angle_Geodesique;
        m_out += "*declination " + Number(-declination, 6) + " degrees\n";
        m_out += "*data normal from to tape compass clino\n";
        m_compassGrads = m_clinoGrads = false;
        for (std::size_t g = 0; g < sheet.Galeries.size(); ++g)
            Gallery(sheet, static_cast<int>(g));
        m_out += "*end\n";
    }

    void Date(const std::string& date)
    {
        const auto day = ParseInt(date.substr(0, 2)),
                   month = ParseInt(date.size() >= 5 ? date.substr(3, 2) : "");
        const auto year = ParseInt(date.size() >= 8 ? date.substr(6, 2) : "");
        if (!year)
            return;
        std::string text = std::to_string(FullYear(*year));
        if (month && *month >= 1 && *month <= 12) {
            text += "." + std::string(*month < 10 ? "0" : "") + std::to_string(*month);
            if (day && *day >= 1 && *day <= 31)
                text += "." + std::string(*day < 10 ? "0" : "") + std::to_string(*day);
        }
        m_out += "*date " + text + "\n";
    }

    std::string Inner(const TFiche& sheet, int g, int k) const
    {
        return "S" + std::to_string(sheet.Ordre) + ".G" + std::to_string(g) + "_" + std::to_string(k);
    }

    void Units(bool compassGrads, bool clinoGrads)
    {
        if (compassGrads != m_compassGrads)
            m_out += std::string("*units compass ") + (compassGrads ? "grads" : "degrees") + "\n";
        if (clinoGrads != m_clinoGrads)
            m_out += std::string("*units clino ") + (clinoGrads ? "grads" : "degrees") + "\n";
        m_compassGrads = compassGrads;
        m_clinoGrads = clinoGrads;
    }

    void Gallery(const TFiche& sheet, int g)
    {
        const TGalerie& gallery = *sheet.Galeries[static_cast<std::size_t>(g)];
        const int n = gallery.ShotCount();
        std::uint8_t azimuthUnit = kDegrees;
        std::string passage;
        for (int k = 1; k <= n; ++k) {
            const TVisee& v = gallery.Shots[static_cast<std::size_t>(k - 1)];
            if (v.AzimuthUnit == kDegrees || v.AzimuthUnit == kGrades || v.AzimuthUnit == kBackDegrees
                || v.AzimuthUnit == kBackGrades)
                azimuthUnit = v.AzimuthUnit; // as the reduction carries it to the next shot
            const std::string from = k == 1 ? StationName(gallery.Start) : Inner(sheet, g, k - 1);
            const std::string to = k < n ? Inner(sheet, g, k)
                : gallery.End.Final      ? "."
                                         : StationName(gallery.End);
            const double length = v.LengthMetres();
            // Bearings read backwards are turned; grads stay grads.
            const bool compassGrads = azimuthUnit == kGrades || azimuthUnit == kBackGrades;
            double compass = v.Azimuth;
            if (azimuthUnit == kBackDegrees)
                compass += 180;
            else if (azimuthUnit == kBackGrades)
                compass += 200;
            compass = std::fmod(std::fmod(compass, compassGrads ? 400 : 360) + (compassGrads ? 400 : 360),
                compassGrads ? 400 : 360);
            // Inclinations: Vulcain readings and heights become angles, backward ones are turned.
            bool clinoGrads = false;
            double clino = v.Inclination;
            bool height = false;
            double dz = 0;
            switch (v.InclinationUnit) {
            case kGrades:
                clinoGrads = true;
                break;
            case kBackGrades:
                clinoGrads = true;
                clino = -clino;
                break;
            case kVulcain:
                clino -= 90;
                break;
            case kBackVulcain:
                clino = 90 - clino;
                break;
            case kBackDegrees:
                clino = -clino;
                break;
            case kSlopeMetres:
            case kSlopeCentimetres:
            case kBackSlopeMetres:
            case kBackSlopeCentimetres:
                height = true;
                dz = v.Inclination
                    * (v.InclinationUnit == kSlopeCentimetres || v.InclinationUnit == kBackSlopeCentimetres
                            ? 0.01
                            : 1)
                    * (v.InclinationUnit >= kBackSlopeMetres ? -1 : 1);
                break;
            default:
                break;
            }
            std::string line;
            if (height && std::fabs(dz) > length) {
                // More height than length: the massif takes it as a plumb of that height.
                Units(compassGrads, clinoGrads);
                line = from + " " + to + " " + Number(std::fabs(dz), 4) + " - " + (dz > 0 ? "up" : "down");
                ++m_plumbs;
            } else {
                if (height)
                    clino = length > 0 ? std::asin(dz / length) * 180 / kPi : 0, clinoGrads = false;
                Units(compassGrads, clinoGrads);
                line = from + " " + to + " " + Number(length, 4) + " " + Number(compass, 6) + " "
                    + Number(clino, 6);
            }
            if (!v.Comment.Get().empty())
                line += " ; " + OneLine(Cp1252ToUtf8(v.Comment.Get()));
            if (v.DevCorrectionFlag && v.DevCorrection == 0 && length > 0)
                line = "*flags duplicate\n" + line + "\n*flags not duplicate";
            m_out += line + "\n";
            const std::string sizes = PassageSizes(v);
            if (!sizes.empty() && to != ".")
                passage += to + " " + sizes + "\n";
        }
        if (!passage.empty())
            m_out += "*data passage station left right up down\n" + passage
                + "*data normal from to tape compass clino\n";
    }

    // Left, right, up and down of a shot's far station; a single width is shared out on both sides.
    static std::string PassageSizes(const TVisee& v)
    {
        std::string left = Size(v.LeftWidth, v.WidthUnit), right = Size(v.RightWidth, v.WidthUnit);
        if (v.LeftWidth.empty() && right != "-")
            left = right = Number(*ParseReal(right) / 2, 3);
        const std::string up = Size(v.UpperHeight, v.HeightUnit), down = Size(v.LowerHeight, v.HeightUnit);
        if (left == "-" && right == "-" && up == "-" && down == "-")
            return std::string();
        return left + " " + right + " " + up + " " + down;
    }

    const TMassif& m_massif;
    std::string m_out;
    bool m_compassGrads = false, m_clinoGrads = false;
    int m_plumbs = 0;
};

} // namespace

std::string SurvexText(const TMassif& massif)
{
    return SurvexWriter(massif).Write();
}

} // namespace ks
