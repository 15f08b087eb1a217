// The Walls reader: the project tree of books and surveys, and each survey file's directives
// (units, prefixes, fixed points, dates) and vectors, with passage sizes and splay-like shots.
#include "exchange/walls.h"

#include "exchange/geodesy.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>

namespace ks {

namespace {

using survey::TLeg;
using survey::TSurveyData;

constexpr double kFoot = 0.3048;
constexpr double kPi = 3.14159265358979323846;

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// What "#units" sets; each file starts from the defaults.
struct Units
{
    double Length = kFoot; // metres per unit of distances
    double Sizes = kFoot; // of passage sizes
    double Azimuth = 1, Vertical = 1; // degrees per unit
    bool Percent = false;
    std::string Order = "DAV";
    bool Rect = false;
    double Declination = 0;
    double AzimuthCorrection = 0, VerticalCorrection = 0, LengthCorrection = 0;
    bool SizesAtTo = false;
};

class WallsReader : public survey::TReaderPlace
{
public:
    explicit WallsReader(IProgress* progress)
        : m_progress(progress)
    { }

    TSurveyData Read(const std::string& fileName)
    {
        m_data.Title = std::filesystem::path(fileName).stem().string();
        if (UpperCase(std::filesystem::path(fileName).extension().string()) == ".WPJ")
            Project(fileName);
        else
            SurveyFile(fileName, { std::filesystem::path(fileName).stem().string() });
        return std::move(m_data);
    }

private:
    // The project: books nest, each with its title, its folder (.PATH) and its surveys.
    void Project(const std::string& fileName)
    {
        const std::string text = ReadWholeFile(fileName);
        m_file = fileName;
        m_utf8 = survey::IsUtf8(text);
        struct Node
        {
            std::string Title, Name;
            std::filesystem::path Folder;
            bool Survey = false;
            int Line = 0;
            bool Other = false; // kept by the project but not compiled (status bit 2)
        };
        std::vector<Node> books { { std::string(), std::string(),
            std::filesystem::path(fileName).parent_path() } };
        std::optional<Node> survey;
        auto finish = [&] {
            if (!survey)
                return;
            Node s = *survey;
            survey.reset();
            const std::string extension = UpperCase(std::filesystem::path(s.Name).extension().string());
            // The project's own book has the bit too: only the books under it count.
            const bool detached = books.size() > 2
                && std::any_of(books.begin() + 2, books.end(), [](const Node& b) { return b.Other; });
            if (s.Name.empty() || s.Other || detached || (!extension.empty() && extension != ".SRV")) {
                ++m_data.Adapted["ficheros del proyecto que no son levantamientos dejados"];
                return; // a note or another kind of file in the tree
            }
            const std::string name = extension.empty() ? s.Name + ".SRV" : s.Name;
            std::vector<std::string> path;
            for (std::size_t i = 2; i < books.size(); ++i) // under the project's own book
                path.push_back(books[i].Title);
            path.push_back(s.Title);
            const std::filesystem::path folder = s.Folder.empty() ? books.back().Folder : s.Folder;
            const auto found = survey::FindIgnoringCase(folder.empty() ? "." : folder, name);
            m_line = s.Line;
            if (!found)
                Fail("no se encuentra el fichero «" + (folder / name).string() + "»");
            SurveyFile(found->string(), path);
            m_file = fileName;
        };
        int line = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = std::min(text.find('\n', start), text.size());
            std::string l = text.substr(start, end - start);
            start = end + 1;
            ++line;
            m_line = line;
            if (!l.empty() && l.back() == '\r')
                l.pop_back();
            if (l.empty() || l[0] != '.')
                continue;
            const std::size_t gap = std::min(l.find_first_of(" \t"), l.size());
            const std::string key = UpperCase(l.substr(0, gap));
            const std::string value = Text(Trimmed(l.substr(gap)));
            if (key == ".BOOK") {
                finish();
                books.push_back({ value, std::string(), books.back().Folder });
                if (books.size() == 2)
                    m_data.Title = value;
            } else if (key == ".ENDBOOK") {
                finish();
                if (books.size() <= 1)
                    Fail("«.ENDBOOK» sin «.BOOK»");
                books.pop_back();
            } else if (key == ".SURVEY") {
                finish();
                survey = Node { value, std::string(), std::filesystem::path(), true, line };
            } else if (key == ".NAME") {
                (survey ? survey->Name : books.back().Name) = value;
            } else if (key == ".PATH") {
                std::string relative = value;
                std::replace(relative.begin(), relative.end(), '\\', '/');
                const std::filesystem::path parent
                    = books.size() > 1 ? books[books.size() - 2].Folder : books[0].Folder;
                (survey ? survey->Folder : books.back().Folder)
                    = survey ? books.back().Folder / relative : parent / relative;
            } else if (key == ".STATUS") {
                // Bit 2 marks what the project keeps but does not compile: a note, or a book left out.
                (survey ? survey->Other : books.back().Other) = (ParseInt(value).value_or(0) & 2) != 0;
            } else if (key == ".REF") {
                Reference(value);
            }
        }
        finish();
    }

    // ".REF northing easting zone ...": the project's UTM zone, the system of its fixed points.
    void Reference(const std::string& value)
    {
        std::vector<std::string> words;
        for (std::size_t i = 0; (i = value.find_first_not_of(" \t", i)) != std::string::npos;) {
            const std::size_t end = std::min(value.find_first_of(" \t", i), value.size());
            words.push_back(value.substr(i, end - i));
            i = end;
        }
        if (words.size() < 3)
            return;
        const auto zone = ParseInt(words[2]);
        if (zone && std::abs(*zone) >= 1 && std::abs(*zone) <= 60)
            m_utm = "EPSG:" + std::to_string((*zone > 0 ? 32600 : 32700) + std::abs(*zone));
    }

    void SurveyFile(const std::string& fileName, const std::vector<std::string>& path)
    {
        const std::string text = ReadWholeFile(fileName);
        m_file = fileName;
        m_utf8 = survey::IsUtf8(text);
        if (m_progress)
            m_progress->SetStatus("Lectura de " + std::filesystem::path(fileName).filename().string());
        m_units = Units();
        m_saved.clear();
        m_prefix = {};
        m_date.clear();
        m_path = path;
        m_line = 0;
        bool blockComment = false;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = std::min(text.find('\n', start), text.size());
            std::string line = text.substr(start, end - start);
            start = end + 1;
            ++m_line;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::string trimmed = Trimmed(line);
            if (blockComment) {
                blockComment = trimmed.rfind("#]", 0) != 0;
                continue;
            }
            if (trimmed.rfind("#[", 0) == 0) {
                blockComment = true;
                continue;
            }
            const std::string code = Trimmed(trimmed.substr(0, trimmed.find(';')));
            if (code.empty())
                continue;
            if (code[0] == '#')
                Directive(code);
            else
                Vector(code);
        }
    }

    static std::vector<std::string> Words(const std::string& text)
    {
        std::vector<std::string> words;
        std::size_t i = 0;
        while ((i = text.find_first_not_of(" \t", i)) != std::string::npos) {
            std::size_t end = i;
            if (text[i] == '"') {
                end = std::min(text.find('"', i + 1), text.size());
                words.push_back(text.substr(i + 1, end - i - 1));
                i = end + 1;
                continue;
            }
            end = std::min(text.find_first_of(" \t", i), text.size());
            words.push_back(text.substr(i, end - i));
            i = end;
        }
        return words;
    }

    void Directive(const std::string& code)
    {
        const auto words = Words(code);
        const std::string name = UpperCase(words[0]);
        auto is = [&](const char* full, std::size_t shortest) {
            return name.size() >= shortest && std::string(full).compare(0, name.size(), name) == 0;
        };
        if (is("#UNITS", 2))
            UnitsDirective(std::vector<std::string>(words.begin() + 1, words.end()));
        else if (name.rfind("#PREFIX", 0) == 0 || name == "#P" || name == "#P1" || name == "#P2"
            || name == "#P3") {
            const char level = name.back() >= '1' && name.back() <= '3' ? name.back() : '1';
            m_prefix[static_cast<std::size_t>(level - '1')] = words.size() > 1 ? words[1] : std::string();
        } else if (is("#FIX", 2))
            Fix(std::vector<std::string>(words.begin() + 1, words.end()));
        else if (is("#DATE", 2)) {
            if (words.size() < 2)
                Fail("«#date» sin fecha");
            Date(words[1]);
        } else if (!is("#NOTE", 2) && !is("#FLAG", 3) && !is("#SEGMENT", 2) && !is("#SYMBOL", 3))
            ++m_data.Adapted["directivas de Walls no leídas"];
    }

    void Date(const std::string& text)
    {
        std::array<long long, 3> ymd {};
        std::size_t start = 0;
        for (int k = 0; k < 3; ++k) {
            const std::size_t dash = std::min(text.find_first_of("-/", start), text.size());
            const auto value = ParseInt(text.substr(start, dash - start));
            if (!value)
                Fail("fecha incorrecta «" + text + "»");
            ymd[static_cast<std::size_t>(k)] = *value;
            start = dash + 1;
        }
        if (ymd[1] < 1 || ymd[1] > 12 || ymd[2] < 1 || ymd[2] > 31)
            Fail("fecha incorrecta «" + text + "»");
        auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
        m_date = two(ymd[2]) + "/" + two(ymd[1]) + "/" + two(ymd[0] % 100);
    }

    void UnitsDirective(const std::vector<std::string>& words)
    {
        // "order =DAV" and "order= DAV" are one option.
        std::vector<std::string> options;
        for (const std::string& w : words) {
            if (!options.empty() && (w[0] == '=' || options.back().back() == '='))
                options.back() += w;
            else
                options.push_back(w);
        }
        for (const std::string& option : options) {
            const std::string o = UpperCase(option);
            const std::size_t eq = o.find('=');
            const std::string key = o.substr(0, eq),
                              value = eq == std::string::npos ? std::string() : o.substr(eq + 1);
            auto length = [&](const std::string& v) {
                if (v.empty() || (v[0] != 'M' && v[0] != 'F'))
                    Fail("unidad de longitud desconocida «" + option + "»");
                return v[0] == 'M' ? 1.0 : kFoot;
            };
            auto angle = [&](const std::string& v, bool vertical) {
                if (v.empty() || v[0] == 'D')
                    return 1.0;
                if (v[0] == 'G')
                    return 0.9;
                if (v[0] == 'M') // mils
                    return 360.0 / 6400;
                if (vertical && v[0] == 'P') {
                    m_units.Percent = true;
                    return 1.0;
                }
                Fail("unidad de ángulo desconocida «" + option + "»");
            };
            if (key == "M" || key == "METERS" || key == "METRES")
                m_units.Length = m_units.Sizes = 1;
            else if (key == "F" || key == "FEET")
                m_units.Length = m_units.Sizes = kFoot;
            else if (key == "D")
                m_units.Length = length(value);
            else if (key == "S")
                m_units.Sizes = length(value);
            else if (key == "A" || key == "AB")
                m_units.Azimuth = angle(value, false);
            else if (key == "V" || key == "VB")
                m_units.Percent = false, m_units.Vertical = angle(value, true);
            else if (key == "ORDER")
                m_units.Order = value;
            else if (key == "DECL")
                m_units.Declination = Number(value);
            else if (key == "INCA")
                m_units.AzimuthCorrection = Number(value);
            else if (key == "INCV")
                m_units.VerticalCorrection = Number(value);
            else if (key == "INCD")
                m_units.LengthCorrection = Number(value);
            else if (key == "RECT")
                m_units.Rect = true;
            else if (key == "CT")
                m_units.Rect = false;
            else if (key == "LRUD")
                m_units.SizesAtTo = !value.empty() && value[0] == 'T';
            else if (key == "RESET")
                m_units = Units();
            else if (key == "SAVE")
                m_saved.push_back(m_units);
            else if (key == "RESTORE" && !m_saved.empty()) {
                m_units = m_saved.back();
                m_saved.pop_back();
            } else
                ++m_data.Adapted["opciones de «#units» no leídas"];
        }
    }

    // A station's full name: its prefix (from "#prefix" unless the name has one of its own, as
    // "PREFIX:NAME") and its name, case kept (s1 and S1 are two stations); empty for "-", a shot
    // to the wall.
    std::string Station(const std::string& name) const
    {
        if (name == "-")
            return std::string();
        const std::size_t colon = name.rfind(':');
        std::string full = colon == std::string::npos ? m_prefix[0] : name.substr(0, colon);
        std::replace(full.begin(), full.end(), ':', '.');
        const std::string own = colon == std::string::npos ? name : name.substr(colon + 1);
        return Text(full) + (full.empty() ? "" : ".") + Text(own);
    }

    // A length, maybe with its own unit ("2.5m", "8f").
    double Length(const std::string& text, double unit) const
    {
        if (!text.empty() && (text.back() == 'm' || text.back() == 'M'))
            return Number(text.substr(0, text.size() - 1));
        if (!text.empty() && (text.back() == 'f' || text.back() == 'F'))
            return Number(text.substr(0, text.size() - 1)) * kFoot;
        return Number(text) * unit;
    }

    // "fore/back", either part maybe omitted ("--"): the fore and back readings.
    static std::pair<std::string, std::string> ForeBack(const std::string& text)
    {
        const std::size_t slash = text.find('/');
        if (slash == std::string::npos)
            return { text, std::string() };
        return { text.substr(0, slash), text.substr(slash + 1) };
    }

    std::optional<double> Angle(const std::string& text, bool vertical) const
    {
        if (text.empty() || text == "--" || text == "-")
            return std::nullopt;
        std::string t = UpperCase(text);
        if (!vertical && (t[0] == 'N' || t[0] == 'S') && t.size() > 2
            && (t.back() == 'E' || t.back() == 'W')) {
            const double a = Number(t.substr(1, t.size() - 2));
            return t[0] == 'N' ? (t.back() == 'E' ? a : 360 - a) : (t.back() == 'E' ? 180 - a : 180 + a);
        }
        double factor = vertical ? m_units.Vertical : m_units.Azimuth;
        bool percent = vertical && m_units.Percent;
        if (t.back() == 'G')
            factor = 0.9, t.pop_back();
        else if (t.back() == 'D')
            factor = 1, t.pop_back();
        else if (vertical && t.back() == 'P')
            percent = true, t.pop_back();
        const double value = Number(t);
        return percent ? std::atan(value / 100) * 180 / kPi : value * factor;
    }

    // The survey block a vector goes in: a new one when the date or the declination changes
    // (rectangular vectors are on the grid already).
    survey::TSurvey& Block(double declination)
    {
        auto& surveys = m_data.Surveys;
        if (surveys.empty() || surveys.back().Path != m_path || surveys.back().Date != m_date
            || surveys.back().Declination != declination)
            surveys.push_back({ m_path, m_date, {}, declination, {} });
        return surveys.back();
    }

    void Vector(std::string code)
    {
        // Passage sizes "<L,R,U,D>" and segments "#..." leave the readings.
        survey::TSizes sizes;
        if (const std::size_t open = code.find('<'); open != std::string::npos) {
            const std::size_t close = std::min(code.find('>', open), code.size());
            std::string inner = code.substr(open + 1, close - open - 1);
            std::replace(inner.begin(), inner.end(), ',', ' ');
            const auto values = Words(inner);
            std::array<double*, 4> targets { &sizes.Left, &sizes.Right, &sizes.Up, &sizes.Down };
            for (std::size_t k = 0; k < 4 && k < values.size(); ++k)
                if (values[k] != "--" && values[k] != "-" && values[k] != "*")
                    *targets[k] = std::max(0.0, Length(values[k], m_units.Sizes));
            code.erase(open, close + 1 - open);
        }
        if (const std::size_t hash = code.find('#'); hash != std::string::npos)
            code.erase(hash);
        const auto words = Words(code);
        if (words.size() < 2)
            Fail("vector incompleto");
        if (words.size() == 2) {
            ++m_data.Adapted["líneas de una sola estación dejadas"];
            return;
        }
        TLeg leg;
        leg.From = Station(words[0]);
        leg.To = Station(words[1]);
        if (leg.From.empty() && leg.To.empty())
            Fail("un vector necesita al menos una estación con nombre");
        if (leg.From.empty() || leg.To.empty())
            leg.Flags |= survey::kSplay;
        leg.File = m_file;
        leg.Line = m_line;
        const std::string& order = m_units.Order;
        if (m_units.Rect) {
            if (words.size() < 2 + order.size())
                Fail("faltan componentes del vector");
            double e = 0, n = 0, u = 0;
            for (std::size_t k = 0; k < order.size(); ++k) {
                const double v = Length(words[2 + k], m_units.Length);
                (order[k] == 'E' ? e : order[k] == 'N' ? n : u) = v;
            }
            leg.Length = std::sqrt(e * e + n * n + u * u);
            leg.Bearing = std::fmod(std::atan2(e, n) * 180 / kPi + 360, 360);
            leg.Inclination = leg.Length > 0 ? std::atan2(u, std::hypot(e, n)) * 180 / kPi : 0;
        } else {
            std::string d, a, v;
            for (std::size_t k = 0; k < order.size() && 2 + k < words.size(); ++k)
                (order[k] == 'D' ? d : order[k] == 'A' ? a : v) = words[2 + k];
            if (d.empty() || (a.empty() && order.find('A') != std::string::npos))
                Fail("faltan lecturas del vector");
            leg.Length = Length(d, m_units.Length) + m_units.LengthCorrection;
            const auto [aFore, aBack] = ForeBack(a);
            const auto [vFore, vBack] = ForeBack(v);
            auto fore = Angle(aFore, false), back = Angle(aBack, false);
            if (back)
                *back += 180;
            if (fore && back) {
                const double x = *fore * kPi / 180, y = *back * kPi / 180;
                leg.Bearing = std::atan2(std::sin(x) + std::sin(y), std::cos(x) + std::cos(y)) * 180 / kPi;
            } else {
                leg.Bearing = fore ? *fore : back.value_or(0);
            }
            leg.Bearing = std::fmod(std::fmod(leg.Bearing + m_units.AzimuthCorrection, 360) + 360, 360);
            const auto up = Angle(vFore, true), down = Angle(vBack, true);
            leg.Inclination = (up && down    ? (*up - *down) / 2
                                      : up   ? *up
                                      : down ? -*down
                                             : 0)
                + m_units.VerticalCorrection;
            if (std::fabs(leg.Inclination) > 90.0001)
                Fail("inclinación fuera de -90 a 90");
        }
        if (sizes.Any()) {
            if (m_units.SizesAtTo && !leg.To.empty())
                leg.AtTo = sizes;
            else
                m_data.Passages.push_back({ m_units.SizesAtTo ? leg.To : leg.From, sizes });
        }
        Block(m_units.Rect ? 0 : m_units.Declination).Legs.push_back(std::move(leg));
    }

    // "#fix NAME east north up", or with longitude and latitude "E19:56:33.6 N49:16:18.8 1020m".
    void Fix(const std::vector<std::string>& args)
    {
        if (args.size() < 4)
            Fail("«#fix» necesita una estación y tres coordenadas");
        const std::string& x = args[1];
        const std::string& y = args[2];
        const bool geographic = !x.empty() && (UpperCase(x)[0] == 'E' || UpperCase(x)[0] == 'W');
        double east = 0, north = 0;
        if (geographic) {
            auto dms = [&](const std::string& text) {
                const char hemisphere = UpperCase(text)[0];
                double value = 0, scale = 1;
                std::size_t start = 1;
                for (int k = 0; k < 3 && start <= text.size(); ++k) {
                    const std::size_t colon = std::min(text.find(':', start), text.size());
                    if (colon > start)
                        value += Number(text.substr(start, colon - start)) * scale;
                    scale /= 60;
                    start = colon + 1;
                }
                return hemisphere == 'W' || hemisphere == 'S' ? -value : value;
            };
            if (m_utm.empty())
                Fail("un punto en longitud y latitud necesita la zona UTM del proyecto («.REF»)");
            try {
                if (!m_toUtm)
                    m_toUtm = std::make_unique<TCoordinateTransform>("EPSG:4326", m_utm);
                const auto p = m_toUtm->Apply(dms(x), dms(y), 0);
                east = p[0];
                north = p[1];
            } catch (const std::runtime_error& e) {
                Fail(e.what());
            }
        } else {
            east = Length(x, m_units.Length);
            north = Length(y, m_units.Length);
        }
        m_data.Fixes.push_back({ Station(args[0]), east, north, Length(args[3], m_units.Length) });
    }

    IProgress* m_progress;
    TSurveyData m_data;
    Units m_units;
    std::vector<Units> m_saved;
    std::array<std::string, 3> m_prefix;
    std::string m_date;
    std::vector<std::string> m_path;
    std::string m_utm; // the project's UTM zone as a PROJ system
    std::unique_ptr<TCoordinateTransform> m_toUtm;
};

} // namespace

survey::TSurveyData ReadWalls(const std::string& fileName, IProgress* progress)
{
    return WallsReader(progress).Read(fileName);
}

survey::TImportReport ImportWalls(
    const std::string& fileName, TMassif& massif, std::vector<survey::TNameRow>* names, IProgress* progress)
{
    return survey::JoinRead(
        ReadWalls(fileName, progress), fileName, "el fichero no tiene ningún vector", false, massif, names);
}

} // namespace ks
