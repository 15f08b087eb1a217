// The Compass reader: a project's file list and fixed stations, each survey file's surveys with
// their header (date, team, declination, format, corrections) and shots in feet and degrees.
#include "exchange/compass.h"

#include "model/file_error.h"
#include "model/file_io.h"
#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>

namespace ks {

namespace {

using survey::TLeg;
using survey::TSurveyData;

constexpr double kFoot = 0.3048;
constexpr double kPi = 3.14159265358979323846;

// The whitespace-separated words of a text.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        i = text.find_first_not_of(" \t", i);
        if (i == std::string::npos)
            return words;
        const std::size_t end = std::min(text.find_first_of(" \t", i), text.size());
        words.push_back(text.substr(i, end - i));
        i = end;
    }
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string()
                                      : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

class CompassReader : public survey::TReaderPlace
{
public:
    explicit CompassReader(IProgress* progress)
        : m_progress(progress)
    { }

    TSurveyData Read(const std::string& fileName)
    {
        const std::string extension = UpperCase(std::filesystem::path(fileName).extension().string());
        m_data.Title = std::filesystem::path(fileName).stem().string();
        if (extension == ".MAK")
            Project(fileName);
        else
            SurveyFile(fileName);
        return std::move(m_data);
    }

private:
    // A project: items ended by ";", each led by a character that says what it is. "#" lists a
    // survey file, with the fixed stations "NAME[unit,east,north,height]" that follow it.
    void Project(const std::string& fileName)
    {
        const std::string text = ReadWholeFile(fileName);
        m_file = fileName;
        m_line = 1;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = std::min(text.find(';', start), text.size());
            std::string item = text.substr(start, end - start);
            const int line = m_line;
            for (char c : item)
                m_line += c == '\n';
            start = end + 1;
            // Comments run from "/" to the line end.
            std::string plain;
            for (std::size_t i = 0; i < item.size(); ++i) {
                if (item[i] == '/') {
                    while (i < item.size() && item[i] != '\n')
                        ++i;
                    continue;
                }
                if (item[i] != '\r' && item[i] != '\n')
                    plain += item[i];
            }
            plain = Trimmed(plain);
            if (plain.empty() || plain[0] != '#')
                continue; // base location, datum, zone, options, folders: nothing the massif keeps
            const int at = m_line;
            m_line = line;
            ProjectFile(fileName, plain.substr(1));
            m_line = at;
            m_file = fileName;
        }
    }

    void ProjectFile(const std::string& project, const std::string& item)
    {
        // The file name, then stations, some of them fixed.
        std::vector<std::string> parts;
        int depth = 0;
        std::string part;
        for (char c : item) {
            depth += c == '[' ? 1 : c == ']' ? -1 : 0;
            if (c == ',' && depth == 0) {
                parts.push_back(Trimmed(part));
                part.clear();
            } else {
                part += c;
            }
        }
        parts.push_back(Trimmed(part));
        std::string relative = parts[0];
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const std::filesystem::path folder = std::filesystem::path(project).parent_path();
        const auto path = survey::FindIgnoringCase(folder.empty() ? "." : folder, relative);
        if (!path)
            Fail("no se encuentra el fichero «" + parts[0] + "»");
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::size_t open = parts[i].find('[');
            if (open == std::string::npos)
                continue; // a station that links this file to another
            const std::size_t close = parts[i].find(']', open);
            std::vector<std::string> values;
            std::string inner = parts[i].substr(
                open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
            for (std::size_t s = 0; s <= inner.size();) {
                const std::size_t comma = std::min(inner.find(',', s), inner.size());
                values.push_back(Trimmed(inner.substr(s, comma - s)));
                s = comma + 1;
            }
            if (values.size() != 4 || (UpperCase(values[0]) != "M" && UpperCase(values[0]) != "F"))
                Fail("punto fijado incorrecto «" + parts[i] + "»");
            const double unit = UpperCase(values[0]) == "F" ? kFoot : 1;
            m_data.Fixes.push_back({ Text(Trimmed(parts[i].substr(0, open))), Number(values[1]) * unit,
                Number(values[2]) * unit, Number(values[3]) * unit });
        }
        SurveyFile(path->string());
    }

    // A survey file: surveys parted by form feeds.
    void SurveyFile(const std::string& fileName)
    {
        const std::string text = ReadWholeFile(fileName);
        m_file = fileName;
        m_utf8 = survey::IsUtf8(text);
        if (m_progress)
            m_progress->SetStatus("Lectura de " + std::filesystem::path(fileName).filename().string());
        std::vector<std::string> lines;
        std::vector<int> numbers;
        int line = 1;
        auto flush = [&] {
            bool any = false;
            for (const std::string& l : lines)
                any |= !Trimmed(l).empty();
            if (any)
                Survey(lines, numbers);
            lines.clear();
            numbers.clear();
        };
        std::string current;
        for (char c : text) {
            if (c == '\x0c') {
                lines.push_back(current);
                numbers.push_back(line);
                current.clear();
                flush();
            } else if (c == '\n') {
                lines.push_back(current);
                numbers.push_back(line++);
                current.clear();
            } else if (c != '\r' && c != '\x1a') {
                current += c;
            }
        }
        lines.push_back(current);
        numbers.push_back(line);
        flush();
    }

    // The value after a header keyword on a line: "DECLINATION: 1.00  FORMAT: ..." gives "1.00".
    static std::string After(const std::string& line, const std::string& key)
    {
        const std::size_t at = UpperCase(line).find(key);
        if (at == std::string::npos)
            return std::string();
        const auto words = Words(line.substr(at + key.size()));
        return words.empty() ? std::string() : words[0];
    }

    void Survey(const std::vector<std::string>& lines, const std::vector<int>& numbers)
    {
        survey::TSurvey s;
        std::size_t i = 0;
        while (i < lines.size() && Trimmed(lines[i]).empty())
            ++i;
        const std::string cave = i < lines.size() ? Text(Trimmed(lines[i++])) : std::string();
        std::string name, format;
        double declination = 0;
        std::array<double, 5> corrections {};
        bool header = false;
        for (; i < lines.size() && !header; ++i) {
            m_line = numbers[i];
            const std::string upper = UpperCase(lines[i]);
            if (upper.rfind("SURVEY NAME:", 0) == 0) {
                name = Text(Trimmed(lines[i].substr(12)));
            } else if (upper.rfind("SURVEY DATE:", 0) == 0) {
                const auto words = Words(lines[i].substr(12));
                if (words.size() >= 3) {
                    const auto month = ParseInt(words[0]), day = ParseInt(words[1]),
                               year = ParseInt(words[2]);
                    if (!month || !day || !year || *month < 1 || *month > 12 || *day < 1 || *day > 31
                        || *year < 0)
                        Fail("fecha incorrecta");
                    auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
                    s.Date = two(*day) + "/" + two(*month) + "/" + two(*year % 100);
                }
            } else if (upper.rfind("SURVEY TEAM:", 0) == 0) {
                const std::string team = i + 1 < lines.size() ? lines[++i] : std::string();
                std::string member;
                for (char c : team + ",") {
                    if (c == ',' || c == ';') {
                        if (!Trimmed(member).empty())
                            s.Team.push_back(Text(Trimmed(member)));
                        member.clear();
                    } else {
                        member += c;
                    }
                }
            } else if (upper.rfind("DECLINATION:", 0) == 0) {
                declination = Number(After(lines[i], "DECLINATION:"));
                format = After(lines[i], "FORMAT:");
                const auto first = Words(upper.find("CORRECTIONS:") == std::string::npos
                        ? std::string()
                        : lines[i].substr(upper.find("CORRECTIONS:") + 12));
                for (std::size_t k = 0; k < 3 && k < first.size(); ++k)
                    corrections[k] = Number(first[k]);
                const std::size_t second = upper.find("CORRECTIONS2:");
                if (second != std::string::npos) {
                    const auto words = Words(lines[i].substr(second + 13));
                    for (std::size_t k = 0; k < 2 && k < words.size(); ++k)
                        corrections[3 + k] = Number(words[k]);
                }
            } else if (upper.rfind("FROM", 0) == 0) {
                header = true;
            }
        }
        if (!header)
            Fail("el levantamiento no tiene la línea de encabezado «FROM TO ...»");
        // The format's backsight letter, where its length tells where it is.
        const bool backsights = (format.size() >= 15 && UpperCase(format)[13] == 'B')
            || (format.size() >= 12 && format.size() < 15 && UpperCase(format)[11] == 'B');
        const bool sizesAtFrom = (format.size() >= 15 && UpperCase(format)[14] == 'F')
            || (format.size() == 13 && UpperCase(format)[12] == 'F');
        s.Path = { cave, name };
        s.Declination = declination;
        for (; i < lines.size(); ++i) {
            m_line = numbers[i];
            if (!Trimmed(lines[i]).empty())
                Shot(s, lines[i], backsights, sizesAtFrom, corrections);
        }
        m_data.Surveys.push_back(std::move(s));
    }

    void Shot(survey::TSurvey& s, const std::string& line, bool backsights, bool sizesAtFrom,
        const std::array<double, 5>& corrections)
    {
        // The flags "#|...#" and the comment that follows them end the line.
        std::string data = line, flags;
        const std::size_t hash = line.find("#|");
        if (hash != std::string::npos) {
            data = line.substr(0, hash);
            const std::size_t end = line.find('#', hash + 2);
            flags = UpperCase(
                line.substr(hash + 2, end == std::string::npos ? std::string::npos : end - hash - 2));
        }
        const auto words = Words(data);
        const std::size_t readings = backsights ? 11 : 9;
        if (words.size() < readings)
            Fail("faltan lecturas: se esperaban " + std::to_string(readings));
        if (flags.find('X') != std::string::npos) {
            ++m_data.Adapted["visuales excluidas (X) dejadas"];
            return;
        }
        auto value = [&](std::size_t k) -> std::optional<double> {
            const double v = Number(words[k]);
            return v < -900 ? std::nullopt : std::optional<double>(v);
        };
        TLeg leg;
        leg.From = Text(words[0]);
        leg.To = Text(words[1]);
        leg.File = m_file;
        leg.Line = m_line;
        const auto length = value(2);
        if (!length || *length < 0)
            Fail("longitud incorrecta");
        leg.Length = (*length + corrections[2]) * kFoot;
        auto bearing = value(3), inclination = value(4);
        if (bearing)
            *bearing += corrections[0];
        if (inclination)
            *inclination += corrections[1];
        std::optional<double> backBearing, backInclination;
        if (backsights) {
            backBearing = value(9);
            backInclination = value(10);
            if (backBearing)
                *backBearing += corrections[3] + 180;
            if (backInclination)
                *backInclination = -(*backInclination + corrections[4]);
        }
        if (bearing && backBearing) {
            const double a = *bearing * kPi / 180, b = *backBearing * kPi / 180;
            leg.Bearing = std::atan2(std::sin(a) + std::sin(b), std::cos(a) + std::cos(b)) * 180 / kPi;
        } else {
            leg.Bearing = bearing ? *bearing : backBearing.value_or(0);
        }
        leg.Bearing = std::fmod(std::fmod(leg.Bearing, 360) + 360, 360);
        leg.Inclination = inclination && backInclination ? (*inclination + *backInclination) / 2
                                                         : inclination.value_or(backInclination.value_or(0));
        if (std::fabs(leg.Inclination) > 90.0001)
            Fail("inclinación fuera de -90 a 90");
        if (!bearing && !backBearing && std::fabs(std::fabs(leg.Inclination) - 90) > 1e-9 && leg.Length > 0)
            Fail("falta el rumbo de una visual que no es vertical");
        // Passage sizes: left, up, down, right, at the station the format names.
        survey::TSizes sizes;
        auto size = [&](std::size_t k) { return value(k) ? std::max(0.0, *value(k) * kFoot) : -1.0; };
        sizes.Left = size(5);
        sizes.Up = size(6);
        sizes.Down = size(7);
        sizes.Right = size(8);
        if (sizesAtFrom)
            m_data.Passages.push_back({ leg.From, sizes });
        else
            leg.AtTo = sizes;
        if (flags.find('L') != std::string::npos)
            leg.Flags |= survey::kDuplicate; // kept out of the development
        s.Legs.push_back(std::move(leg));
    }

    IProgress* m_progress;
    TSurveyData m_data;
};

} // namespace

survey::TSurveyData ReadCompass(const std::string& fileName, IProgress* progress)
{
    return CompassReader(progress).Read(fileName);
}

survey::TImportReport ImportCompass(
    const std::string& fileName, TMassif& massif, std::vector<survey::TNameRow>* names, IProgress* progress)
{
    return survey::JoinRead(ReadCompass(fileName, progress), fileName,
        "el fichero no tiene ningún levantamiento", false, massif, names);
}

} // namespace ks
