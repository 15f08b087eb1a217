// The Survex reader: commands and data lines of a .svx project, with its includes and nested
// survey blocks, into legs, fixed points and equates.
#include "exchange/survex.h"

#include "exchange/geodesy.h"
#include "exchange/igrf.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

namespace ks {

namespace {

using survey::TLeg;
using survey::TSizes;
using survey::TSurveyData;

constexpr double kPi = 3.14159265358979323846;
constexpr int kMostIncludes = 64; // nested includes deeper than this are a loop

enum Quantity {
    kTape,
    kBackTape,
    kCompass,
    kBackCompass,
    kClino,
    kBackClino,
    kCounter,
    kDepth,
    kDx,
    kDy,
    kDz,
    kLeft,
    kRight,
    kUp,
    kDown,
    kPosition,
    kDeclination,
    kQuantities
};

bool IsAngle(int q)
{
    return q == kCompass || q == kBackCompass || q == kClino || q == kBackClino || q == kDeclination;
}

// Each quantity's names in the commands, and each name of a data column.
std::optional<int> QuantityOf(const std::string& word)
{
    static const std::map<std::string, int> kNames = { { "TAPE", kTape }, { "LENGTH", kTape },
        { "BACKTAPE", kBackTape }, { "BACKLENGTH", kBackTape }, { "COMPASS", kCompass },
        { "BEARING", kCompass }, { "BACKCOMPASS", kBackCompass }, { "BACKBEARING", kBackCompass },
        { "CLINO", kClino }, { "GRADIENT", kClino }, { "BACKCLINO", kBackClino },
        { "BACKGRADIENT", kBackClino }, { "COUNTER", kCounter }, { "COUNT", kCounter }, { "DEPTH", kDepth },
        { "DX", kDx }, { "EASTING", kDx }, { "DY", kDy }, { "NORTHING", kDy }, { "DZ", kDz },
        { "ALTITUDE", kDz }, { "LEFT", kLeft }, { "RIGHT", kRight }, { "UP", kUp }, { "CEILING", kUp },
        { "DOWN", kDown }, { "FLOOR", kDown }, { "POSITION", kPosition }, { "DECLINATION", kDeclination } };
    const auto found = kNames.find(word);
    return found == kNames.end() ? std::nullopt : std::optional<int>(found->second);
}

// A unit: the factor to metres or degrees; percent and quadrants are read apart.
struct Unit
{
    double Factor = 1;
    enum Kind { Plain, Percent, Quadrants } Type = Plain;
};

std::optional<Unit> UnitOf(const std::string& word, bool angle)
{
    if (!angle) {
        if (word == "METRIC" || word == "METRES" || word == "METERS" || word == "METRE" || word == "METER")
            return Unit { 1 };
        if (word == "FEET" || word == "FOOT")
            return Unit { 0.3048 };
        if (word == "YARDS" || word == "YARD")
            return Unit { 0.9144 };
        return std::nullopt;
    }
    if (word == "DEGREES" || word == "DEGS" || word == "DEGREE")
        return Unit { 1 };
    if (word == "GRADS" || word == "MILS")
        return Unit { 0.9 };
    if (word == "MINUTES")
        return Unit { 1.0 / 60 };
    if (word == "PERCENT" || word == "PERCENTAGE")
        return Unit { 1, Unit::Percent };
    if (word == "QUADRANTS" || word == "QUADS")
        return Unit { 1, Unit::Quadrants };
    return std::nullopt;
}

// What *begin saves and *end brings back.
struct Settings
{
    std::vector<std::string> Prefix; // survey names from the outermost
    std::string Style = "NORMAL";
    std::vector<std::string> Columns { "FROM", "TO", "TAPE", "COMPASS", "CLINO" };
    std::array<Unit, kQuantities> Units {};
    std::array<double, kQuantities> Zero {}; // in metres or degrees
    std::array<double, kQuantities> Scale {};
    double Declination = 0; // degrees east
    bool AutoDeclination = false;
    std::array<double, 3> AutoAt {}; // the place of *declination auto, input system
    unsigned Flags = 0;
    enum class Case { Preserve, Upper, Lower } Names = Case::Preserve;
    char Separator = '.';
    char Decimal = '.';
    std::map<std::string, std::string> Aliases; // "-" -> ".."
    std::string Date;
    double DateYears = 0; // the date as decimal years, 0 without one
    std::vector<std::string> Team;
    std::size_t Truncate = 0; // 0: names are not cut
    std::string System; // *cs, as a PROJ definition
    double OffsetX = 0, OffsetY = 0;
    bool LatitudeFirst = false;
    std::string BeginName; // the name given to the *begin that opened this block

    Settings() { Scale.fill(1); }
};

// The words of a line, ";" starting a comment, quotes keeping spaces in a word.
std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ';')
            break;
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
            continue;
        }
        std::string word;
        if (c == '"') {
            const std::size_t end = line.find('"', i + 1);
            word = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            i = end == std::string::npos ? line.size() : end + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != ';')
                word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

class SurvexReader : public survey::TReaderPlace
{
public:
    explicit SurvexReader(IProgress* progress)
        : m_progress(progress)
    { }

    TSurveyData Read(const std::string& fileName)
    {
        const std::string base = std::filesystem::path(fileName).stem().string();
        m_settings.emplace_back();
        ReadFile(fileName);
        if (m_settings.size() > 1)
            throw FileError(fileName, "", "falta «*end» para «*begin " + m_settings.back().BeginName + "»");
        if (m_data.Title.empty())
            m_data.Title = Text(base);
        return std::move(m_data);
    }

private:
    Settings& S() { return m_settings.back(); }
    const Settings& Current() const { return m_settings.back(); }

    void ReadFile(const std::string& fileName)
    {
        if (m_stack.size() >= kMostIncludes
            || std::find(m_stack.begin(), m_stack.end(), fileName) != m_stack.end())
            Fail("«*include» se incluye a sí mismo: " + fileName);
        const std::string text = ReadWholeFile(fileName);
        const std::string outerFile = m_file;
        const int outerLine = m_line;
        const bool outerUtf8 = m_utf8;
        m_stack.push_back(fileName);
        m_file = fileName;
        m_utf8 = survey::IsUtf8(text);
        m_line = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            ++m_line;
            Line(text.substr(start, end - start));
            start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
        m_stack.pop_back();
        m_file = outerFile;
        m_line = outerLine;
        m_utf8 = outerUtf8;
        if (m_progress)
            m_progress->SetStatus("Lectura de " + std::to_string(m_legs) + " visuales");
    }

    void Line(const std::string& line)
    {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == ';')
            return;
        if (line[first] == '*') {
            auto words = Words(line.substr(first + 1));
            if (words.empty())
                Fail("orden vacía");
            Command(UpperCase(words[0]), std::vector<std::string>(words.begin() + 1, words.end()),
                line.substr(first + 1));
            return;
        }
        Data(Words(line));
    }

    // ---- Commands --------------------------------------------------------------------------

    void Command(const std::string& name, const std::vector<std::string>& args, const std::string& raw)
    {
        using Handler = void (SurvexReader::*)(const std::vector<std::string>&, const std::string&);
        static const std::map<std::string, Handler> kCommands = {
            { "INCLUDE", &SurvexReader::Include },
            { "BEGIN", &SurvexReader::Begin },
            { "END", &SurvexReader::End },
            { "EQUATE", &SurvexReader::Equate },
            { "FIX", &SurvexReader::Fix },
            { "ENTRANCE", &SurvexReader::Ignore },
            { "EXPORT", &SurvexReader::Ignore },
            { "TITLE", &SurvexReader::Title },
            { "DATE", &SurvexReader::Date },
            { "TEAM", &SurvexReader::Team },
            { "CASE", &SurvexReader::Case },
            { "ALIAS", &SurvexReader::Alias },
            { "SET", &SurvexReader::Set },
            { "REQUIRE", &SurvexReader::Ignore },
            { "COPYRIGHT", &SurvexReader::Ignore },
            { "INSTRUMENT", &SurvexReader::Ignore },
            { "REF", &SurvexReader::Ignore },
            { "SD", &SurvexReader::Ignore },
            { "INFER", &SurvexReader::Ignore },
            { "TRUNCATE", &SurvexReader::Truncate },
            { "DATA", &SurvexReader::DataStyle },
            { "UNITS", &SurvexReader::Units },
            { "CALIBRATE", &SurvexReader::Calibrate },
            { "DECLINATION", &SurvexReader::Declination },
            { "CS", &SurvexReader::System },
            { "FLAGS", &SurvexReader::Flags },
        };
        const auto found = kCommands.find(name);
        if (found == kCommands.end())
            Fail("orden desconocida «*" + name + "»");
        (this->*found->second)(args, raw);
    }

    void Ignore(const std::vector<std::string>&, const std::string&) { }

    void Include(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty())
            Fail("«*include» sin fichero");
        std::string relative = args[0];
        std::replace(relative.begin(), relative.end(), '\\', '/');
        // Each part of the path is found as it is, else without regard to case; ".svx" is optional.
        std::filesystem::path path = std::filesystem::path(m_file).parent_path();
        if (path.empty())
            path = ".";
        if (!relative.empty() && relative[0] == '/')
            path = "/";
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= relative.size();) {
            const std::size_t slash = std::min(relative.find('/', start), relative.size());
            if (slash > start)
                parts.push_back(relative.substr(start, slash - start));
            start = slash + 1;
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            std::optional<std::filesystem::path> next = parts[i] == "." ? path
                : parts[i] == ".."                                      ? path.parent_path()
                                   : survey::FindIgnoringCase(path, parts[i]);
            if (!next && i + 1 == parts.size())
                next = survey::FindIgnoringCase(path, parts[i] + ".svx");
            if (!next)
                Fail("no se encuentra el fichero incluido «" + args[0] + "»");
            path = *next;
        }
        if (std::filesystem::is_directory(path)) {
            const auto withExtension
                = survey::FindIgnoringCase(path.parent_path(), path.filename().string() + ".svx");
            if (!withExtension)
                Fail("no se encuentra el fichero incluido «" + args[0] + "»");
            path = *withExtension;
        }
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            Fail("«" + args[0] + "» no es un fichero");
        ReadFile(path.string());
    }

    void Begin(const std::vector<std::string>& args, const std::string&)
    {
        Settings inner = S();
        inner.BeginName = args.empty() ? std::string() : args[0];
        if (!args.empty())
            for (const std::string& part : SplitName(args[0]))
                inner.Prefix.push_back(part);
        m_settings.push_back(inner);
    }

    void End(const std::vector<std::string>& args, const std::string&)
    {
        if (m_settings.size() <= 1)
            Fail("«*end» sin «*begin»");
        if (!args.empty() && !EqualsIgnoreCase(args[0], S().BeginName))
            Fail("«*end " + args[0] + "» cierra «*begin " + S().BeginName + "»");
        m_settings.pop_back();
    }

    void Equate(const std::vector<std::string>& args, const std::string&)
    {
        if (args.size() < 2)
            Fail("«*equate» necesita al menos dos estaciones");
        const std::string first = Station(args[0]);
        for (std::size_t i = 1; i < args.size(); ++i)
            m_data.Equates.push_back({ first, Station(args[i]) });
    }

    void Fix(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty())
            Fail("«*fix» sin estación");
        std::size_t i = 1;
        if (i < args.size() && EqualsIgnoreCase(args[i], "REFERENCE"))
            ++i;
        std::array<double, 3> xyz {};
        if (i < args.size()) {
            if (args.size() < i + 3)
                Fail("«*fix» necesita tres coordenadas");
            for (int k = 0; k < 3; ++k)
                xyz[static_cast<std::size_t>(k)]
                    = Number(args[i + static_cast<std::size_t>(k)]) * S().Units[kPosition].Factor;
            // What follows are standard errors: read, and not needed by the adjustment here.
            for (std::size_t k = i + 3; k < args.size(); ++k)
                Number(args[k]);
        } else {
            ++m_data.Adapted["puntos fijados sin coordenadas, en 0 0 0"];
        }
        m_data.Fixes.push_back({ Station(args[0]), 0, 0, 0 });
        const auto out = Output(xyz[0], xyz[1], xyz[2]);
        m_data.Fixes.back().X = out[0];
        m_data.Fixes.back().Y = out[1];
        m_data.Fixes.back().Z = out[2];
    }

    void Title(const std::vector<std::string>& args, const std::string&)
    {
        if (!args.empty() && m_settings.size() == 1 && m_data.Title.empty())
            m_data.Title = Text(args[0]);
    }

    // "yyyy[.mm[.dd]]", maybe a range "a-b": the first date, as dd/mm/yy.
    void Date(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty())
            Fail("«*date» sin fecha");
        const std::string first = args[0].substr(0, args[0].find('-'));
        std::vector<std::string> parts;
        for (std::size_t start = 0; start <= first.size();) {
            const std::size_t dot = std::min(first.find('.', start), first.size());
            parts.push_back(first.substr(start, dot - start));
            start = dot + 1;
        }
        std::array<long long, 3> ymd { 0, 1, 1 };
        for (std::size_t k = 0; k < parts.size() && k < 3; ++k) {
            const auto value = ParseInt(parts[k]);
            if (!value || *value < (k == 0 ? 1000 : 1) || *value > (k == 0 ? 9999 : k == 1 ? 12 : 31))
                Fail("fecha incorrecta «" + args[0] + "»");
            ymd[k] = *value;
        }
        auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
        S().Date = two(ymd[2]) + "/" + two(ymd[1]) + "/" + two(ymd[0] % 100);
        S().DateYears = static_cast<double>(ymd[0]) + (ymd[1] - 1) / 12.0 + (ymd[2] - 1) / 365.0;
    }

    void Team(const std::vector<std::string>& args, const std::string&)
    {
        if (!args.empty())
            S().Team.push_back(Text(args[0]));
    }

    void Case(const std::vector<std::string>& args, const std::string&)
    {
        const std::string mode = args.empty() ? std::string() : UpperCase(args[0]);
        if (mode == "PRESERVE")
            S().Names = Settings::Case::Preserve;
        else if (mode == "TOUPPER")
            S().Names = Settings::Case::Upper;
        else if (mode == "TOLOWER")
            S().Names = Settings::Case::Lower;
        else
            Fail("«*case» espera preserve, toupper o tolower");
    }

    void Alias(const std::vector<std::string>& args, const std::string&)
    {
        if (args.size() < 2 || !EqualsIgnoreCase(args[0], "STATION"))
            Fail("«*alias» espera «station NOMBRE [DESTINO]»");
        if (args.size() == 2)
            S().Aliases.erase(args[1]);
        else
            S().Aliases[args[1]] = args[2];
    }

    void Set(const std::vector<std::string>& args, const std::string&)
    {
        if (args.size() < 2)
            Fail("«*set» espera un nombre y sus caracteres");
        const std::string what = UpperCase(args[0]);
        if (what == "SEPARATOR")
            S().Separator = args[1][0];
        else if (what == "DECIMAL")
            S().Decimal = args[1][0];
        else if (what != "NAMES" && what != "COMMENT" && what != "OMIT" && what != "BLANK")
            Fail("«*set " + args[0] + "» no se admite");
    }

    void Truncate(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty() || EqualsIgnoreCase(args[0], "OFF")) {
            S().Truncate = 0;
            return;
        }
        const auto n = ParseInt(args[0]);
        if (!n || *n < 1)
            Fail("«*truncate» espera un número o off");
        S().Truncate = static_cast<std::size_t>(*n);
    }

    void DataStyle(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty())
            Fail("«*data» sin estilo");
        const std::string style = UpperCase(args[0]);
        static const std::map<std::string, std::vector<std::string>> kDefaults = {
            { "NORMAL", { "FROM", "TO", "TAPE", "COMPASS", "CLINO" } },
            { "DIVING", { "FROM", "TO", "TAPE", "COMPASS", "FROMDEPTH", "TODEPTH" } },
            { "CARTESIAN", { "FROM", "TO", "EASTING", "NORTHING", "ALTITUDE" } },
            { "CYLPOLAR", { "FROM", "TO", "TAPE", "COMPASS", "FROMDEPTH", "TODEPTH" } },
            { "NOSURVEY", { "FROM", "TO" } },
            { "PASSAGE", { "STATION", "LEFT", "RIGHT", "UP", "DOWN" } },
        };
        const auto found = kDefaults.find(style == "TOPOFIL" ? "NORMAL" : style);
        if (found == kDefaults.end())
            Fail("estilo de datos desconocido «" + args[0] + "»");
        std::vector<std::string> columns;
        for (std::size_t i = 1; i < args.size(); ++i) {
            static const std::map<std::string, std::string> kAliases = { { "LENGTH", "TAPE" },
                { "BEARING", "COMPASS" }, { "GRADIENT", "CLINO" }, { "BACKLENGTH", "BACKTAPE" },
                { "BACKBEARING", "BACKCOMPASS" }, { "BACKGRADIENT", "BACKCLINO" }, { "DX", "EASTING" },
                { "DY", "NORTHING" }, { "DZ", "ALTITUDE" }, { "CEILING", "UP" }, { "FLOOR", "DOWN" } };
            std::string c = UpperCase(args[i]);
            if (const auto alias = kAliases.find(c); alias != kAliases.end())
                c = alias->second;
            if (c == "NEWLINE" || c == "DIRECTION" || c == "COUNT" || c == "FROMCOUNT" || c == "TOCOUNT")
                Fail("la columna «" + args[i] + "» no se admite en la importación");
            columns.push_back(c);
        }
        S().Style = found->first;
        S().Columns = columns.empty() ? found->second : columns;
    }

    // The quantities that lead a "*units" or "*calibrate" command; `i` is left on the first word
    // after them, which must be there.
    std::vector<int> Quantities(
        const std::vector<std::string>& args, std::size_t& i, const char* refusal) const
    {
        std::vector<int> quantities;
        for (i = 0; i < args.size(); ++i) {
            const auto q = QuantityOf(UpperCase(args[i]));
            if (!q)
                break;
            quantities.push_back(*q);
        }
        if (quantities.empty() || i >= args.size())
            Fail(refusal);
        return quantities;
    }

    void Units(const std::vector<std::string>& args, const std::string&)
    {
        if (args.size() < 2)
            Fail("«*units» espera magnitudes y una unidad");
        if (EqualsIgnoreCase(args[0], "DEFAULT")) {
            S().Units = Settings().Units;
            return;
        }
        // Quantities, then an optional factor, then the unit.
        std::size_t i = 0;
        const std::vector<int> quantities = Quantities(args, i, "«*units» espera magnitudes y una unidad");
        double factor = 1;
        if (const auto value = ParseReal(args[i]); value && i + 1 < args.size()) {
            factor = *value;
            ++i;
        }
        for (int q : quantities) {
            const auto unit = UnitOf(UpperCase(args[i]), IsAngle(q));
            if (!unit || (unit->Type == Unit::Percent && q != kClino && q != kBackClino)
                || (unit->Type == Unit::Quadrants && q != kCompass && q != kBackCompass))
                Fail("unidad «" + args[i] + "» imposible para esa magnitud");
            S().Units[static_cast<std::size_t>(q)] = { unit->Factor * factor, unit->Type };
        }
    }

    // "*calibrate QUANTITIES ZERO [UNITS] [SCALE]", or the older "*calibrate QUANTITIES ZERO SCALE".
    void Calibrate(const std::vector<std::string>& args, const std::string&)
    {
        if (!args.empty() && EqualsIgnoreCase(args[0], "DEFAULT")) {
            S().Zero.fill(0);
            S().Scale.fill(1);
            return;
        }
        std::size_t i = 0;
        const std::vector<int> quantities
            = Quantities(args, i, "«*calibrate» espera magnitudes y un error de cero");
        const double zero = Number(args[i++]);
        std::optional<Unit> unit;
        if (i < args.size() && !ParseReal(args[i])) {
            unit = UnitOf(UpperCase(args[i]), IsAngle(quantities[0]));
            if (!unit)
                Fail("unidad desconocida «" + args[i] + "»");
            ++i;
        }
        const double scale = i < args.size() ? Number(args[i++]) : 1;
        for (int q : quantities) {
            const auto index = static_cast<std::size_t>(q);
            if (q == kDeclination) { // the older declination: subtracted from every bearing
                S().Declination = -zero * (unit ? unit->Factor : 1);
                S().AutoDeclination = false;
                continue;
            }
            S().Zero[index] = zero * (unit ? unit->Factor : S().Units[index].Factor);
            S().Scale[index] = scale;
        }
    }

    void Declination(const std::vector<std::string>& args, const std::string&)
    {
        if (args.empty())
            Fail("«*declination» sin valor");
        if (EqualsIgnoreCase(args[0], "AUTO")) {
            if (args.size() < 4)
                Fail("«*declination auto» necesita las coordenadas x y z del lugar");
            S().AutoDeclination = true;
            S().AutoAt = { Number(args[1]), Number(args[2]), Number(args[3]) };
            return;
        }
        S().AutoDeclination = false;
        const double value = Number(args[0]);
        const auto unit = args.size() > 1 ? UnitOf(UpperCase(args[1]), true) : Unit { 1 };
        if (!unit || unit->Type != Unit::Plain)
            Fail("unidad de declinación desconocida");
        S().Declination = value * unit->Factor;
    }

    void System(const std::vector<std::string>& args, const std::string& raw)
    {
        if (args.empty())
            Fail("«*cs» sin sistema");
        const bool out = EqualsIgnoreCase(args[0], "OUT");
        // The name is the rest of the command: a custom system has spaces in it.
        std::string rest = raw.substr(
            raw.find_first_of(" \t") == std::string::npos ? raw.size() : raw.find_first_of(" \t"));
        rest = rest.substr(0, rest.find(';'));
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t"));
            s.erase(s.find_last_not_of(" \t") + 1);
            return s;
        };
        rest = trim(rest);
        if (out)
            rest = trim(rest.substr(3));
        TNamedSystem system;
        if (!SurvexSystem(rest, system))
            Fail("sistema de coordenadas desconocido «" + rest + "»");
        if (out) {
            if (!m_outSystem.empty() && m_outSystem != system.Proj)
                Fail("«*cs out» cambia de sistema");
            m_outSystem = system.Proj;
        } else {
            S().System = system.Proj;
            S().OffsetX = system.OffsetX;
            S().OffsetY = system.OffsetY;
            S().LatitudeFirst = system.LatitudeFirst;
        }
    }

    void Flags(const std::vector<std::string>& args, const std::string&)
    {
        bool negate = false;
        for (const std::string& word : args) {
            const std::string w = UpperCase(word);
            if (w == "NOT") {
                negate = true;
                continue;
            }
            const unsigned flag = w == "SPLAY" ? survey::kSplay
                : w == "DUPLICATE"             ? survey::kDuplicate
                : w == "SURFACE"               ? survey::kSurface
                                               : 0u;
            if (flag == 0)
                Fail("marca desconocida «" + word + "»");
            S().Flags = negate ? S().Flags & ~flag : S().Flags | flag;
            negate = false;
        }
    }

    // ---- Coordinates -----------------------------------------------------------------------

    // A fixed point from the input system to the output one; as it is without both systems.
    std::array<double, 3> Output(double x, double y, double z)
    {
        if (S().LatitudeFirst)
            std::swap(x, y);
        if (S().System.empty() || m_outSystem.empty())
            return { x + S().OffsetX, y + S().OffsetY, z };
        try {
            return Transform(S().System, m_outSystem).Apply(x + S().OffsetX, y + S().OffsetY, z);
        } catch (const std::runtime_error& e) {
            Fail(e.what());
        }
    }

    const TCoordinateTransform& Transform(const std::string& from, const std::string& to)
    {
        auto& slot = m_transforms[from + "\n" + to];
        if (!slot) {
            try {
                slot = std::make_unique<TCoordinateTransform>(from, to);
            } catch (const std::runtime_error& e) {
                Fail(e.what());
            }
        }
        return *slot;
    }

    // The declination in force for a reading, degrees east: a value, or the field model's at the
    // survey's date and the place given, less the output grid's convergence there.
    double DeclinationNow()
    {
        if (!S().AutoDeclination)
            return S().Declination;
        if (S().DateYears <= 0)
            Fail("«*declination auto» necesita una fecha («*date»)");
        if (S().System.empty())
            Fail("«*declination auto» necesita el sistema de coordenadas («*cs»)");
        auto [x, y, z] = S().AutoAt;
        if (S().LatitudeFirst)
            std::swap(x, y);
        // Most legs share the last place, date and systems: only a new one is worked out.
        const auto key = std::make_tuple(S().System, m_outSystem, x, y, z, S().DateYears);
        if (m_lastDeclination && m_lastDeclination->first == key)
            return m_lastDeclination->second;
        double lon = 0, lat = 0, convergence = 0;
        try {
            // Bearings are reckoned from the output grid's north, or the input's without one.
            const TCoordinateTransform& toGrid
                = Transform(S().System, m_outSystem.empty() ? S().System : m_outSystem);
            const auto g = toGrid.Geographic(x + S().OffsetX, y + S().OffsetY);
            lon = g[0];
            lat = g[1];
            convergence = toGrid.GridConvergence(x + S().OffsetX, y + S().OffsetY);
        } catch (const std::runtime_error& e) {
            Fail(e.what());
        }
        const auto declination = MagneticDeclination(lat, lon, z * 0.001, S().DateYears);
        if (!declination)
            Fail("la fecha está fuera del modelo del campo magnético (1900 a 2020)");
        m_lastDeclination.emplace(key, *declination - convergence);
        return m_lastDeclination->second;
    }

    // ---- Data lines ------------------------------------------------------------------------

    std::vector<std::string> SplitName(const std::string& name) const
    {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t sep; (sep = name.find(Current().Separator, start)) != std::string::npos;
             start = sep + 1)
            parts.push_back(name.substr(start, sep - start));
        parts.push_back(name.substr(start));
        return parts;
    }

    // A station's full name: the survey prefix, the name's parts, case and truncation applied;
    // empty for an anonymous station.
    std::string Station(std::string name)
    {
        if (const auto alias = S().Aliases.find(name); alias != S().Aliases.end())
            name = alias->second;
        if (name == "." || name == ".." || name == "...")
            return std::string();
        if (name.empty())
            Fail("estación sin nombre");
        std::string full;
        auto add = [&](std::string part) {
            if (S().Truncate > 0 && part.size() > S().Truncate)
                part.resize(S().Truncate);
            if (S().Names == Settings::Case::Upper)
                part = UpperCase(part);
            else if (S().Names == Settings::Case::Lower)
                for (char& c : part)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            full += (full.empty() ? "" : ".") + Text(part);
        };
        for (const std::string& p : S().Prefix)
            add(p);
        for (const std::string& p : SplitName(name))
            add(p);
        return full;
    }

    // A number, with the decimal character of "*set decimal".
    double Number(std::string text) const
    {
        if (Current().Decimal != '.')
            std::replace(text.begin(), text.end(), Current().Decimal, '.');
        return TReaderPlace::Number(text);
    }

    // A reading of a quantity in metres or degrees, calibrated; nothing when omitted ("-").
    std::optional<double> Reading(const std::string& text, int q)
    {
        if (text == "-" || text.empty())
            return std::nullopt;
        const auto index = static_cast<std::size_t>(q);
        const Unit& unit = S().Units[index];
        double value = 0;
        if (unit.Type == Unit::Quadrants)
            value = Quadrant(text);
        else if (unit.Type == Unit::Percent)
            value = std::atan(Number(text) / 100) * 180 / kPi;
        else
            value = Number(text) * unit.Factor;
        return (value - S().Zero[index]) * S().Scale[index];
    }

    // "N30E", "S12.5W": a quadrant bearing.
    double Quadrant(const std::string& text) const
    {
        const std::string t = UpperCase(text);
        if (t.size() < 2 || (t[0] != 'N' && t[0] != 'S'))
            Fail("rumbo por cuadrantes incorrecto «" + text + "»");
        if (t.size() == 1 || t == "N" || t == "S")
            return t[0] == 'N' ? 0 : 180;
        const char last = t.back();
        if (last != 'E' && last != 'W')
            Fail("rumbo por cuadrantes incorrecto «" + text + "»");
        const double a = Number(t.substr(1, t.size() - 2));
        const double b = t[0] == 'N' ? (last == 'E' ? a : 360 - a) : (last == 'E' ? 180 - a : 180 + a);
        return std::fmod(b, 360);
    }

    // The clino's words: up and down are plumbs, level is flat.
    std::optional<double> Clino(const std::string& text, int q)
    {
        const std::string t = UpperCase(text);
        if (t == "UP" || t == "U" || t == "+V")
            return 90.0;
        if (t == "DOWN" || t == "D" || t == "-V")
            return -90.0;
        if (t == "LEVEL" || t == "H")
            return 0.0;
        return Reading(text, q);
    }

    survey::TSurvey& Block(double declination)
    {
        auto& surveys = m_data.Surveys;
        std::vector<std::string> path;
        for (const std::string& p : S().Prefix)
            path.push_back(Text(p));
        if (surveys.empty() || surveys.back().Path != path || surveys.back().Date != S().Date
            || surveys.back().Team != S().Team || surveys.back().Declination != declination) {
            surveys.push_back({ path, S().Date, S().Team, declination, {} });
        }
        return surveys.back();
    }

    void Data(const std::vector<std::string>& words)
    {
        if (words.empty())
            return;
        const auto& columns = S().Columns;
        std::map<std::string, std::string> v;
        std::size_t w = 0;
        for (const std::string& column : columns) {
            if (column == "IGNOREALL")
                break;
            if (w >= words.size())
                Fail("faltan datos: se esperaba «" + column + "»");
            if (column != "IGNORE")
                v[column] = words[w];
            ++w;
        }
        if (w < words.size() && (columns.empty() || columns.back() != "IGNOREALL"))
            Fail("sobran datos en la línea");
        if (S().Style == "PASSAGE") {
            m_data.Passages.push_back({ Station(v["STATION"]), Sizes(v) });
            return;
        }
        if (S().Style == "NOSURVEY") {
            ++m_data.Adapted["tramos sin medidas (nosurvey) dejados"];
            return;
        }
        TLeg leg;
        leg.From = Station(v["FROM"]);
        leg.To = Station(v["TO"]);
        leg.Flags = S().Flags;
        const std::string& from = v["FROM"];
        const std::string& to = v["TO"];
        for (const std::string* end : { &from, &to }) {
            const std::string name = S().Aliases.count(*end) ? S().Aliases.at(*end) : *end;
            if (name == ".." || name == "...")
                leg.Flags |= survey::kSplay;
        }
        leg.File = m_file;
        leg.Line = m_line;
        leg.AtTo = Sizes(v);
        double declination = 0;
        if (S().Style == "CARTESIAN") {
            const double dx = Required(v, "EASTING", kDx), dy = Required(v, "NORTHING", kDy),
                         dz = Required(v, "ALTITUDE", kDz);
            Polar(leg, dx, dy, dz);
        } else if (S().Style == "NORMAL") {
            declination = Normal(leg, v);
        } else { // diving and cylpolar: depths give the height
            const double depth = v.count("DEPTHCHANGE")
                ? Required(v, "DEPTHCHANGE", kDepth)
                : Required(v, "TODEPTH", kDepth) - Required(v, "FROMDEPTH", kDepth);
            const double tape = Required(v, "TAPE", kTape);
            const double bearing = v.count("COMPASS") ? Reading(v["COMPASS"], kCompass).value_or(0) : 0;
            if (S().Style == "CYLPOLAR") {
                leg.Length = std::hypot(tape, depth);
                leg.Inclination = std::atan2(-depth, tape) * 180 / kPi;
            } else {
                if (std::fabs(depth) > tape + 1e-6)
                    Fail("el cambio de profundidad es mayor que la longitud");
                leg.Length = tape;
                leg.Inclination = tape > 0 ? std::asin(std::clamp(-depth / tape, -1.0, 1.0)) * 180 / kPi : 0;
            }
            leg.Bearing = bearing;
            declination = DeclinationNow();
        }
        ++m_legs;
        Block(declination).Legs.push_back(std::move(leg));
    }

    double Required(std::map<std::string, std::string>& v, const char* column, int q)
    {
        const auto value = Reading(v[column], q);
        if (!value)
            Fail(std::string("falta la lectura «") + column + "»");
        return *value;
    }

    static void Polar(TLeg& leg, double dx, double dy, double dz)
    {
        const double horizontal = std::hypot(dx, dy);
        leg.Length = std::sqrt(horizontal * horizontal + dz * dz);
        leg.Bearing = horizontal > 0 ? std::fmod(std::atan2(dx, dy) * 180 / kPi + 360, 360) : 0;
        leg.Inclination = leg.Length > 0 ? std::atan2(dz, horizontal) * 180 / kPi : 0;
    }

    // Fore and back readings averaged, the back ones turned round; bearings by their circular
    // mean. Gives the declination the leg's bearing takes.
    double Normal(TLeg& leg, std::map<std::string, std::string>& v)
    {
        // Each reading as a number, NaN when the leg has none.
        auto read = [&v](const char* key, auto&& convert) {
            const auto it = v.find(key);
            const std::optional<double> value = it == v.end() ? std::nullopt : convert(it->second);
            return value.has_value() ? value.value() : std::nan("");
        };
        auto given = [](double value) { return !std::isnan(value); };
        const double tape = read("TAPE", [this](const std::string& t) { return Reading(t, kTape); });
        const double backTape
            = read("BACKTAPE", [this](const std::string& t) { return Reading(t, kBackTape); });
        if (!given(tape) && !given(backTape))
            Fail("falta la longitud");
        leg.Length = given(tape) && given(backTape) ? (tape + backTape) / 2 : given(tape) ? tape : backTape;
        if (leg.Length < 0)
            Fail("longitud negativa");
        const double clino = read("CLINO", [this](const std::string& t) { return Clino(t, kClino); });
        const double backClino
            = -read("BACKCLINO", [this](const std::string& t) { return Clino(t, kBackClino); });
        if (given(clino) && given(backClino))
            leg.Inclination = (clino + backClino) / 2;
        else if (given(clino) || given(backClino))
            leg.Inclination = given(clino) ? clino : backClino;
        else {
            leg.Inclination = 0;
            if (leg.Length > 0)
                ++m_data.Adapted["visuales sin inclinación tomadas como horizontales"];
        }
        if (std::fabs(leg.Inclination) > 90.0001)
            Fail("inclinación fuera de -90 a 90");
        const double compass = read("COMPASS", [this](const std::string& t) { return Reading(t, kCompass); });
        const double backCompass
            = read("BACKCOMPASS", [this](const std::string& t) { return Reading(t, kBackCompass); }) + 180;
        const bool plumb = std::fabs(std::fabs(leg.Inclination) - 90) < 1e-9;
        if (given(compass) && given(backCompass)) {
            const double a = compass * kPi / 180, b = backCompass * kPi / 180;
            leg.Bearing = std::atan2(std::sin(a) + std::sin(b), std::cos(a) + std::cos(b)) * 180 / kPi;
        } else if (given(compass) || given(backCompass)) {
            leg.Bearing = given(compass) ? compass : backCompass;
        } else if (!plumb && leg.Length > 0) {
            Fail("falta el rumbo de una visual que no es vertical");
        }
        leg.Bearing = std::fmod(std::fmod(leg.Bearing, 360) + 360, 360);
        return DeclinationNow();
    }

    TSizes Sizes(std::map<std::string, std::string>& v)
    {
        TSizes s;
        auto size = [&](const char* column, int q) {
            if (!v.count(column))
                return -1.0;
            const auto value = Reading(v[column], q);
            return value ? std::max(0.0, *value) : -1.0;
        };
        s.Left = size("LEFT", kLeft);
        s.Right = size("RIGHT", kRight);
        s.Up = size("UP", kUp);
        s.Down = size("DOWN", kDown);
        return s;
    }

    IProgress* m_progress;
    TSurveyData m_data;
    std::vector<Settings> m_settings;
    std::vector<std::string> m_stack; // the files being read, outermost first
    int m_legs = 0;
    std::string m_outSystem;
    std::map<std::string, std::unique_ptr<TCoordinateTransform>> m_transforms;
    // The last *declination auto worked out, by input and output system, place and date.
    std::optional<std::pair<std::tuple<std::string, std::string, double, double, double, double>, double>>
        m_lastDeclination;
};

} // namespace

survey::TSurveyData ReadSurvex(const std::string& fileName, IProgress* progress)
{
    return SurvexReader(progress).Read(fileName);
}

survey::TImportReport ImportSurvex(
    const std::string& fileName, TMassif& massif, std::vector<survey::TNameRow>* names, IProgress* progress)
{
    return survey::JoinRead(
        ReadSurvex(fileName, progress), fileName, "el fichero no tiene ninguna visual", true, massif, names);
}

} // namespace ks
