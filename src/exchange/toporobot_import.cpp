#include "exchange/toporobot.h"

#include "compute/declination.h"
#include "compute/reduction.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/real6.h"
#include "model/text_utils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <stdexcept>

namespace ks {

namespace {

constexpr char kCr = '\r';
constexpr int kFixed = 999; // trip and code of a fixed point

// Unicode code points of the Macintosh Roman bytes 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kMacRoman = { 0xC4, 0xC5, 0xC7, 0xC9, 0xD1, 0xD6, 0xDC, 0xE1, 0xE0, 0xE2,
    0xE4, 0xE3, 0xE5, 0xE7, 0xE9, 0xE8, 0xEA, 0xEB, 0xED, 0xEC, 0xEE, 0xEF, 0xF1, 0xF3, 0xF2, 0xF4, 0xF6,
    0xF5, 0xFA, 0xF9, 0xFB, 0xFC, 0x2020, 0xB0, 0xA2, 0xA3, 0xA7, 0x2022, 0xB6, 0xDF, 0xAE, 0xA9, 0x2122,
    0xB4, 0xA8, 0x2260, 0xC6, 0xD8, 0x221E, 0xB1, 0x2264, 0x2265, 0xA5, 0xB5, 0x2202, 0x2211, 0x220F, 0x3C0,
    0x222B, 0xAA, 0xBA, 0x3A9, 0xE6, 0xF8, 0xBF, 0xA1, 0xAC, 0x221A, 0x192, 0x2248, 0x2206, 0xAB, 0xBB,
    0x2026, 0xA0, 0xC0, 0xC3, 0xD5, 0x152, 0x153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0xF7,
    0x25CA, 0xFF, 0x178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0xB7, 0x201A, 0x201E, 0x2030,
    0xC2, 0xCA, 0xC1, 0xCB, 0xC8, 0xCD, 0xCE, 0xCF, 0xCC, 0xD3, 0xD4, 0xF8FF, 0xD2, 0xDA, 0xDB, 0xD9, 0x131,
    0x2C6, 0x2DC, 0xAF, 0x2D8, 0x2D9, 0x2DA, 0xB8, 0x2DD, 0x2DB, 0x2C7 };

// One code page's bytes in the other's: the byte of the same character, or "?" when it has none.
struct TCodePages
{
    std::array<char, 256> ToMac {}, FromMac {};
    TCodePages()
    {
        for (int b = 0; b < 256; ++b)
            ToMac[static_cast<std::size_t>(b)] = FromMac[static_cast<std::size_t>(b)]
                = static_cast<char>(b < 0x80 ? b : '?');
        for (int w = 0x80; w < 256; ++w)
            for (int m = 0x80; m < 256; ++m)
                if (Cp1252CodePoint(static_cast<unsigned char>(w))
                    == kMacRoman[static_cast<std::size_t>(m - 0x80)]) {
                    ToMac[static_cast<std::size_t>(w)] = static_cast<char>(m);
                    FromMac[static_cast<std::size_t>(m)] = static_cast<char>(w);
                }
    }
};

const TCodePages& CodePages()
{
    static const TCodePages pages;
    return pages;
}

std::string ToMacintosh(std::string text)
{
    for (char& c : text)
        c = CodePages().ToMac[static_cast<unsigned char>(c)];
    if (!text.empty() && text[0] == '(')
        text.insert(0, ".");
    return text;
}

std::string FromMacintosh(std::string text)
{
    for (char& c : text)
        c = CodePages().FromMac[static_cast<unsigned char>(c)];
    return text;
}

// How well a byte reads as text in one code page: a Latin letter whose case agrees with the case
// expected there 1 (either case when none is), one whose case does not 0, a common sign of survey
// notes 0, anything else -1.
int Plausibility(char16_t c, int neighbourCase)
{
    const bool letter = (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7) || c == 0x152 || c == 0x153
        || c == 0x178 || c == 0x160 || c == 0x161 || c == 0x17D || c == 0x17E;
    if (letter) {
        const bool lower = (c >= 0xDF && c <= 0xFF) || c == 0x153 || c == 0x161 || c == 0x17E;
        return neighbourCase == 0 || (neighbourCase < 0) == lower ? 1 : 0;
    }
    switch (c) {
    case 0xB0:
    case 0xBA:
    case 0xAA:
    case 0xB7:
    case 0xBF:
    case 0xA1:
    case 0xAB:
    case 0xBB:
    case 0xA0:
    case 0x2018:
    case 0x2019:
    case 0x201C:
    case 0x201D:
    case 0x2013:
    case 0x2026:
    case 0x20AC:
        return 0;
    default:
        return -1;
    }
}

// Whether a text reads better as Macintosh Roman than as Windows-1252, byte by byte in context.
bool ReadsAsMacintosh(const std::string& text)
{
    auto caseOf = [&](std::size_t i) {
        const char c = text[i];
        return c >= 'a' && c <= 'z' ? -1 : c >= 'A' && c <= 'Z' ? 1 : 0;
    };
    long long mac = 0, windows = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80)
            continue;
        // Within a word the letter before sets the case; at a word's start, only a capital after.
        int neighbour = i > 0 ? caseOf(i - 1) : 0;
        if (neighbour == 0 && i + 1 < text.size() && caseOf(i + 1) > 0)
            neighbour = 1;
        mac += Plausibility(kMacRoman[b - 0x80], neighbour);
        windows += Plausibility(Cp1252CodePoint(b), neighbour);
    }
    return mac > windows;
}

std::string Fixed2(double value)
{
    if (value == 0)
        value = 0; // no "-0.00"
    return FormatFixed(value, 2);
}

// ---------------------------------------------------------------------------------------------
// Export

// Two decimals, right-aligned in at least `width` characters.
std::string Padded(double value, int width)
{
    std::string text = Fixed2(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// A dimension text as a number: a text that is not one is read again without its last character.
double Dimension(const std::string& text, bool centimetres)
{
    std::optional<double> value = ParseReal(text);
    if (!value && !text.empty())
        value = ParseReal(text.substr(0, text.size() - 1));
    return value.value_or(0) * (centimetres ? 0.01 : 1);
}

int ShotCode(const TVisee& v)
{
    int code = 1;
    switch (v.InclinationUnit) {
    case kGrades:
    case kBackGrades:
        code = 2;
        break;
    case kSlopeMetres:
    case kSlopeCentimetres:
    case kBackSlopeMetres:
    case kBackSlopeCentimetres:
        code = 3;
        break;
    case kVulcain:
    case kBackVulcain:
        code = 4;
        break;
    default:
        break;
    }
    return code + (v.AzimuthUnit == kGrades || v.AzimuthUnit == kBackGrades ? 4 : 0);
}

// The trip of the i-th sheet (from 0): its rank from 1, past the fixed points' trip 999.
int TripNumber(std::size_t sheet)
{
    const auto trip = static_cast<long long>(sheet) + 1;
    return static_cast<int>(trip >= kFixed ? trip + 1 : trip);
}

struct Station
{
    std::string Name; // upper-cased
    int Number = 0;
    bool operator<(const Station& o) const { return std::tie(Name, Number) < std::tie(o.Name, o.Number); }
};

class ToporobotWriter
{
public:
    explicit ToporobotWriter(const TMassif& massif)
        : m_massif(massif)
    { }

    std::string Write()
    {
        if (m_massif.References.empty())
            throw std::runtime_error(kNoReferenceExportText);
        const TPointTopo& first = *m_massif.References.front();
        std::string name = m_massif.FileName;
        if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos)
            name = name.substr(slash + 1);
        name = name.substr(0, name.find('.'));
        Line({ "-6", "1", ToMacintosh(name) });
        Line({ "-5", "1", Padded(first.X * 1000, 6), Padded(first.Y * 1000, 6), Padded(first.Z, 4), "1",
            "0" });
        Register(first, 1, 0);

        const auto sheets = m_massif.CurrentSheets();
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            const TFiche& s = *sheets[i];
            auto part = [&s](std::size_t at) {
                return s.Date.size() >= at + 2 ? s.Date.substr(at, 2) : std::string();
            };
            auto surveyor = [&s](std::size_t k) {
                std::string text = k < s.Surveyors.size() ? s.Surveyors[k].Get() : std::string();
                text.erase(std::remove(text.begin(), text.end(), '\t'), text.end());
                return text.empty() ? std::string(" ") : ToMacintosh(text);
            };
            const double grades = s.DeclUnit == kGrades ? s.Declinaison : s.Declinaison * 200 / 180;
            Line({ "-2", std::to_string(TripNumber(i)), part(0), part(3), part(6), surveyor(0), surveyor(1),
                "0", Fixed2(-grades), "0", "1" });
        }
        m_out += "-2\t999\t4\t1\t99\t \t \t0\t0.00\t0\t0\tPunto fijo\r";
        for (int code = 1; code <= 8; ++code) {
            const char* incl[] = { "360.00", "400.00", "380.00", "361.00" };
            Line({ "-1", std::to_string(code), code <= 4 ? "360.00" : "400.00", incl[(code - 1) % 4], "0.10",
                "1.00", "1.00", "100.00", "0.00" });
        }
        m_out += "-1\t999\t400.00\t400.00\t0.00\t0.00\t0.00\t100.00\t-100.00\r";
        m_out += kCr;

        FixedPoints(first);
        Series(sheets);
        return m_out;
    }

private:
    void Line(const std::vector<std::string>& fields)
    {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0)
                m_out += '\t';
            m_out += fields[i];
        }
        m_out += kCr;
    }

    void Register(const TPointTopo& p, int series, int station)
    {
        m_known[{ UpperCase(p.Name.Get()), p.Number }] = { series, station };
    }

    void FixedPoints(const TPointTopo& first)
    {
        const auto& refs = m_massif.References;
        if (refs.size() > 1) {
            for (std::size_t k = 1; k < refs.size(); ++k) {
                const TPointTopo& p = *refs[k];
                const std::string i = std::to_string(k);
                m_out += i + "\t-1\t1\t0\t" + i + "\t1\t1\t0\t0\t\r";
                m_out += i + "\t0\t999\t999\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t\r";
                const double dx = (p.X - first.X) * 1000, dy = (p.Y - first.Y) * 1000, dz = p.Z - first.Z;
                std::string bearing;
                if (std::fabs(dx) < 0.001)
                    bearing = dy > 0 ? "0.00" : "180.00";
                else
                    bearing = Fixed2((dx > 0 ? 90 : 270) - std::atan(dy / dx) * 180 / M_PI);
                const double h = std::hypot(dx, dy);
                const std::string slope = h > 0.001 ? Fixed2(std::atan(dz / h) * 180 / M_PI)
                    : dz > 0                        ? "90.00"
                                                    : "-90.00";
                m_out += i + "\t1\t999\t999\t" + Fixed2(std::sqrt(dx * dx + dy * dy + dz * dz)) + "\t"
                    + bearing + "\t" + slope + "\t0.00\t0.00\t0.00\t0.00\t" + Fixed2(p.X * 1000) + "       "
                    + Fixed2(p.Y * 1000) + "       " + Fixed2(p.Z) + "\r\r";
                Register(p, static_cast<int>(k), 1);
                m_series = static_cast<int>(k);
            }
            return;
        }
        const auto sheets = m_massif.CurrentSheets();
        const TGalerie* g
            = !sheets.empty() && !sheets[0]->Galeries.empty() ? sheets[0]->Galeries[0].get() : nullptr;
        if (!g || !g->Start.SameStation(first)) {
            m_out += "1\t-1\t1\t0\t1\t1\t1\t0\t0\t\r";
            m_out += "1\t0\t999\t999\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t\r";
            m_out += "1\t1\t999\t999\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0 0 0\r\r";
            m_series = 1;
        }
    }

    struct Row
    {
        int Trip = 0, Code = 1;
        double Length = 0, Azimuth = 0, Inclination = 0, Right = 0, Left = 0, Up = 0, Down = 0;
        std::string Comment;
    };

    void Series(const std::vector<TFiche*>& sheets)
    {
        const TPointTopo* lastEnd = nullptr;
        bool lastEndRegistered = false;
        for (std::size_t si = 0; si < sheets.size(); ++si) {
            const int trip = TripNumber(si);
            for (const auto& gallery : sheets[si]->Galeries) {
                const TGalerie& g = *gallery;
                const bool continues
                    = !m_rows.empty() && lastEnd && lastEndRegistered && g.Start.SameStation(*lastEnd);
                if (!continues) {
                    Flush();
                    ++m_series;
                    m_name = g.Name.Get();
                    m_start = StartReference(g.Start);
                    Row first;
                    first.Trip = trip;
                    first.Comment = g.Name.Get();
                    m_rows.push_back(first);
                }
                if (!g.Start.Final && !m_known.count({ UpperCase(g.Start.Name.Get()), g.Start.Number }))
                    Register(g.Start, m_series, static_cast<int>(m_rows.size()) - 1);
                for (int k = 1; k <= g.ShotCount(); ++k)
                    m_rows.push_back(ShotRow(g, k, trip, continues && k == 1));
                lastEnd = &g.End;
                lastEndRegistered = false;
                m_endFinal = g.End.Final;
                if (!g.End.Final) {
                    const auto key
                        = std::make_pair(UpperCase(g.End.Name.Get()), static_cast<int>(g.End.Number));
                    if (const auto found = m_known.find({ key.first, key.second }); found != m_known.end()) {
                        m_end = found->second;
                    } else {
                        Register(g.End, m_series, static_cast<int>(m_rows.size()) - 1);
                        m_end = { m_series, static_cast<int>(m_rows.size()) - 1 };
                        lastEndRegistered = true;
                    }
                }
            }
        }
        Flush();
    }

    std::pair<int, int> StartReference(const TPointTopo& start) const
    {
        if (!start.Final)
            if (const auto found = m_known.find({ UpperCase(start.Name.Get()), start.Number });
                found != m_known.end())
                return found->second;
        return { m_series, 0 };
    }

    Row ShotRow(const TGalerie& g, int k, int trip, bool continuing) const
    {
        const TVisee& v = g.Shot(k);
        Row r;
        r.Trip = trip;
        r.Code = ShotCode(v);
        r.Length = v.LengthMetres();
        const bool backAz = v.AzimuthUnit == kBackDegrees || v.AzimuthUnit == kBackGrades;
        const double half = v.AzimuthUnit == kBackGrades ? 200 : 180;
        r.Azimuth = backAz ? (v.Azimuth < half ? v.Azimuth + half : v.Azimuth - half) : v.Azimuth;
        double incl = v.Inclination;
        if (v.InclinationUnit == kSlopeCentimetres || v.InclinationUnit == kBackSlopeCentimetres)
            incl *= 0.01;
        if (v.InclinationUnit == kBackVulcain)
            incl = 180 - incl;
        else if (v.InclinationUnit >= kBackDegrees)
            incl = -incl;
        r.Inclination = incl;
        const bool cm = v.WidthUnit == kCentimetres, hcm = v.HeightUnit == kCentimetres;
        if (v.LeftWidth.empty()) { // a single width: half on each side
            r.Right = r.Left = Dimension(v.RightWidth, cm) / 2;
        } else {
            r.Right = Dimension(v.RightWidth, cm);
            r.Left = Dimension(v.LeftWidth, cm);
        }
        r.Up = Dimension(v.UpperHeight, hcm);
        r.Down = std::fabs(Dimension(v.LowerHeight, hcm));
        r.Comment = v.Comment.Get();
        if (continuing && !g.Name.Get().empty())
            r.Comment = r.Comment.empty() ? g.Name.Get() : r.Comment + " " + g.Name.Get();
        return r;
    }

    void Flush()
    {
        if (m_rows.empty())
            return;
        const int last = static_cast<int>(m_rows.size()) - 1;
        const std::pair<int, int> end = m_endFinal ? std::make_pair(m_series, last) : m_end;
        const std::string s = std::to_string(m_series);
        Line({ s, "-1", std::to_string(m_start.first), std::to_string(m_start.second),
            std::to_string(end.first), std::to_string(end.second), std::to_string(last), "0", "0", "",
            ToMacintosh(m_name) });
        for (int i = 0; i <= last; ++i) {
            const Row& r = m_rows[static_cast<std::size_t>(i)];
            Line({ s, std::to_string(i), std::to_string(r.Code), std::to_string(r.Trip), Fixed2(r.Length),
                Fixed2(r.Azimuth), Fixed2(r.Inclination), Fixed2(r.Right), Fixed2(r.Left), Fixed2(r.Up),
                Fixed2(r.Down), i == 0 ? std::string() : ToMacintosh(r.Comment) });
        }
        m_out += kCr;
        m_rows.clear();
    }

    const TMassif& m_massif;
    std::string m_out;
    std::map<std::pair<std::string, int>, std::pair<int, int>> m_known; // station -> (series, station)
    int m_series = 0;
    std::vector<Row> m_rows;
    std::string m_name;
    std::pair<int, int> m_start { 0, 0 }, m_end { 0, 0 };
    bool m_endFinal = false;
};

// ---------------------------------------------------------------------------------------------
// Import

struct Trip
{
    std::string Date;
    std::string Surveyors[2];
    double Declination = 0; // grades
};

struct Code
{
    int Azimuth = 360, Inclination = 360;
};

struct SeriesStation
{
    TVisee Shot;
    int Trip = 0;
};

struct Serie
{
    bool Present = false;
    std::pair<int, int> Start { 0, 0 }, End { 0, 0 };
    std::string Name;
    int Last = 0; // the number of its last station, as its header announces it
    std::vector<SeriesStation> Stations;
};

// The junction table: pairs (series, station), each with a link and a station number.
class Junctions
{
public:
    struct Entry
    {
        std::pair<int, int> Pair;
        int Link = 0;
        int Number = 0;
    };

    int Register(std::pair<int, int> pair)
    {
        const auto found = m_index.find(pair);
        if (found != m_index.end())
            return found->second;
        m_entries.push_back({ pair, 0, 0 });
        const int entry = static_cast<int>(m_entries.size());
        m_index.emplace(pair, entry);
        return entry;
    }
    // The entry a pair ends at after its links; 0 when the pair is absent.
    int Resolve(std::pair<int, int> pair) const
    {
        auto found = m_index.find(pair);
        return found == m_index.end() ? 0 : Root(found->second);
    }
    int Root(int entry) const
    {
        for (std::size_t guard = 0; At(entry).Link != 0 && guard <= m_entries.size(); ++guard)
            entry = At(entry).Link; // a cycle of links stops after one round
        return entry;
    }
    // The two pairs become one station. Each keeps its earlier links: the root of `second` hangs on
    // the root of `first`, unless only the second root is pinned (an entrance among the first
    // `pinned` entries, or a numbered fixed point), which then stays the root.
    void Join(std::pair<int, int> first, std::pair<int, int> second, int pinned)
    {
        const int a = Root(Register(first)), b = Root(Register(second));
        if (a == b)
            return;
        auto isPinned = [&](int e) { return e <= pinned || At(e).Number != 0; };
        if (isPinned(b) && !isPinned(a))
            At(a).Link = b;
        else
            At(b).Link = a;
    }
    Entry& At(int entry) { return m_entries[static_cast<std::size_t>(entry - 1)]; }
    const Entry& At(int entry) const { return m_entries[static_cast<std::size_t>(entry - 1)]; }
    int Size() const { return static_cast<int>(m_entries.size()); }

private:
    std::vector<Entry> m_entries;
    std::map<std::pair<int, int>, int> m_index;
};

std::string PairName(std::pair<int, int> p)
{
    return std::to_string(p.first) + "_" + std::to_string(p.second);
}

class ToporobotReader
{
public:
    ToporobotReader(const std::string& fileName, TMassif& massif, IReporter* reporter, IProgress* progress)
        : m_file(fileName)
        , m_massif(massif)
        , m_reporter(reporter)
        , m_progress(progress)
    { }

    TToporobotReport Read()
    {
        Parse(ReadWholeFile(m_file));
        if (m_caves.empty())
            throw FileError(m_file, "", "no es un fichero Toporobot (ninguna línea \"-6\")");
        if (m_report.Series == 0)
            throw FileError(m_file, "", "el fichero no tiene ninguna serie");
        Link();
        Build();
        Clean();
        CloseOpenEnds();
        Join();
        return m_report;
    }

private:
    // The folder the imported sheets go in: the first named cave, else the file's name.
    std::string SystemName() const
    {
        if (!m_namedCave.empty())
            return m_namedCave;
        std::string name = m_file.substr(m_file.find_last_of("/\\") + 1);
        return Utf8ToCp1252(name.substr(0, name.rfind('.'))); // model text is Windows-1252
    }

    [[noreturn]] void Fail(const std::string& detail) const
    {
        throw FileError(m_file, "línea " + std::to_string(m_line), detail);
    }
    // A reading, refused when no massif file could store it (beyond the binary format's range).
    double Reading(const std::string& text, const char* what) const
    {
        const double value = ToReal(text);
        if (!EncodeReal6(value))
            Fail(std::string(what) + " «" + text.substr(0, 40) + "» fuera de lo que un macizo puede guardar");
        return value;
    }
    // A text as the massif keeps it; one longer than a text holds is cut, and said at the end.
    const std::string& Text(const std::string& text)
    {
        if (text.size() > TEco::kMaxLength && m_report.LongTexts++ == 0)
            m_report.LongTextLine = m_line;
        return text;
    }

    static std::vector<std::string> Fields(const std::string& line)
    {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos)
                return fields;
            start = tab + 1;
        }
    }
    // Field i from 1; empty when missing.
    static const std::string& F(const std::vector<std::string>& f, std::size_t i)
    {
        static const std::string empty;
        return i >= 1 && i <= f.size() ? f[i - 1] : empty;
    }
    static int Int(const std::string& text) { return static_cast<int>(std::clamp(ToReal(text), -2e9, 2e9)); }

    void Parse(const std::string& text)
    {
        m_report.MacRoman = ReadsAsMacintosh(text);
        m_report.CrOnly = text.find('\n') == std::string::npos && text.find('\r') != std::string::npos;

        Serie* current = nullptr;
        int currentNumber = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            ++m_line;
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
            if (m_report.MacRoman)
                line = FromMacintosh(line);
            if (line.find_first_not_of(" \t") == std::string::npos)
                continue;
            if (line[0] == '#') {
                ++m_report.CommentLines;
                continue;
            }
            const auto f = Fields(line);
            const auto tag = ParseInt(F(f, 1));
            if (!tag) {
                ++m_report.SkippedRecords;
                continue;
            }
            switch (*tag) {
            case -6:
                m_caves.push_back(F(f, 3).empty() ? std::to_string(m_caves.size() + 1) : F(f, 3));
                if (m_namedCave.empty())
                    m_namedCave = F(f, 3);
                continue;
            case -5:
                Entrance(f);
                continue;
            case -2:
                TripLine(f);
                continue;
            case -1:
                m_codes[Int(F(f, 2))] = { Int(F(f, 3)), Int(F(f, 4)) };
                continue;
            default:
                break;
            }
            if (*tag <= 0) {
                ++m_report.SkippedRecords;
                continue;
            }
            if (*tag > std::numeric_limits<int>::max())
                Fail("número de serie " + std::to_string(*tag) + " fuera de los límites");
            if (F(f, 2) == "-1") {
                currentNumber = static_cast<int>(*tag);
                current = &m_series[currentNumber]; // a series costs its lines, whatever its number
                *current = Serie();
                current->Present = true;
                current->Start = { Int(F(f, 3)), Int(F(f, 4)) };
                current->End = { Int(F(f, 5)), Int(F(f, 6)) };
                current->Last = Int(F(f, 7));
                current->Name = Text(F(f, 10));
                ++m_report.Series;
                if (m_progress)
                    m_progress->SetStatus("Lectura de la " + std::to_string(m_report.Series) + "° série");
            } else if (current && *tag == static_cast<long long>(currentNumber)) {
                StationLine(*current, currentNumber, f);
            } else {
                ++m_report.SkippedRecords;
            }
        }
    }

    void Entrance(const std::vector<std::string>& f)
    {
        const int cave = Int(F(f, 2));
        auto reference = std::make_unique<TPointTopo>();
        const std::string caveName = cave >= 1 && static_cast<std::size_t>(cave) <= m_caves.size()
            ? m_caves[static_cast<std::size_t>(cave - 1)]
            : "";
        reference->Name.Set("Entrada" + caveName);
        reference->Number = 1;
        reference->X = Reading(F(f, 3), "X") * 0.001;
        reference->Y = Reading(F(f, 4), "Y") * 0.001;
        reference->Z = Reading(F(f, 5), "Z");
        m_entranceNames.push_back(reference->Name.Get());
        m_references.push_back(std::move(reference));
        m_junctions.Register({ Int(F(f, 6)), Int(F(f, 7)) });
    }

    void TripLine(const std::vector<std::string>& f)
    {
        const int number = Int(F(f, 2));
        if (number == kFixed)
            return;
        auto two = [](std::string t) { return t.size() == 1 ? "0" + t : t.substr(0, 2); };
        Trip trip;
        trip.Date = two(F(f, 3)) + "/" + two(F(f, 4)) + "/" + two(F(f, 5));
        trip.Surveyors[0] = F(f, 6);
        trip.Surveyors[1] = F(f, 7);
        if (F(f, 8) == "1") // the declination of the massif's model at the trip's date, in grades
            trip.Declination = AutomaticDeclination(m_massif, trip.Date).value_or(0) * 200 / 180;
        trip.Declination -= ToReal(F(f, 9));
        m_trips[number] = trip;
    }

    void UnknownCode(const char* text, int code)
    {
        const std::string message = text + std::to_string(code);
        if (std::find(m_report.UnknownCodes.begin(), m_report.UnknownCodes.end(), message)
            != m_report.UnknownCodes.end())
            return; // said once per code
        m_report.UnknownCodes.push_back(message);
        if (m_reporter)
            m_reporter->Message(MessageKind::Warning, message);
    }

    void StationLine(Serie& serie, int number, const std::vector<std::string>& f)
    {
        ++m_report.Stations;
        const int station = static_cast<int>(serie.Stations.size());
        SeriesStation s;
        const int codeNumber = Int(F(f, 3));
        s.Trip = Int(F(f, 4));
        if (codeNumber == kFixed && s.Trip == kFixed) {
            if (station > 0)
                FixedPoint(number, station, F(f, 12));
            if (station == 1)
                serie.Stations[0].Trip = kFixed;
            serie.Stations.push_back(s);
            return;
        }
        const auto found = m_codes.find(codeNumber);
        const Code code = found == m_codes.end() ? Code() : found->second;
        TVisee& v = s.Shot;
        double length = Reading(F(f, 5), "longitud");
        if (code.Azimuth % 10 == 8)
            length *= 0.3048;
        else if (code.Azimuth % 10 == 7)
            length = std::trunc(length) * 0.3048 + (length - std::trunc(length)) * 100 * 0.0254;
        v.Length = length;
        v.Azimuth = Reading(F(f, 6), "rumbo");
        if (code.Azimuth >= 357 && code.Azimuth <= 360)
            v.AzimuthUnit = kDegrees;
        else if (code.Azimuth >= 347 && code.Azimuth <= 350)
            v.AzimuthUnit = kBackDegrees;
        else if (code.Azimuth >= 397 && code.Azimuth <= 400)
            v.AzimuthUnit = kGrades;
        else if (code.Azimuth >= 387 && code.Azimuth <= 390)
            v.AzimuthUnit = kBackGrades;
        else
            UnknownCode("Código rumbo desconocido :", code.Azimuth);
        const double incl = Reading(F(f, 7), "inclinación");
        v.Inclination = incl;
        switch (code.Inclination) {
        case 360:
            v.InclinationUnit = kDegrees;
            break;
        case 359:
            v.Inclination = incl - 90;
            break;
        case 361:
            v.InclinationUnit = kVulcain;
            break;
        case 380:
            v.InclinationUnit = kSlopeMetres;
            break;
        case 370:
            v.Inclination = length * incl * 0.01;
            v.InclinationUnit = kSlopeMetres;
            break;
        case 400:
            v.InclinationUnit = kGrades;
            break;
        case 399:
            v.Inclination = incl - 100;
            v.InclinationUnit = kGrades;
            break;
        case 401:
            v.Inclination = 100 - incl;
            v.InclinationUnit = kGrades;
            break;
        case 350: // later files: degrees read from the far station
            v.InclinationUnit = kBackDegrees;
            ++m_report.BackwardInclinationCodes;
            break;
        case 390:
            v.InclinationUnit = kBackGrades;
            ++m_report.BackwardInclinationCodes;
            break;
        default:
            UnknownCode("Código inclinación desconocido :", code.Inclination);
            break;
        }
        v.RightWidth = F(f, 8).substr(0, 10);
        v.LeftWidth = F(f, 9).substr(0, 10);
        v.UpperHeight = F(f, 10).substr(0, 10);
        v.LowerHeight = F(f, 11).substr(0, 10);
        const std::string& comment = F(f, 12);
        v.Comment.Set(Text(comment.size() > 2 && comment[0] == '{' ? F(f, 13) : comment));
        serie.Stations.push_back(s);
    }

    void FixedPoint(int series, int station, const std::string& where)
    {
        auto reference = std::make_unique<TPointTopo>();
        const std::pair<int, int> pair { series, station };
        reference->Name.Set(PairName(pair));
        int number = m_massif.NextFreeNumber(UpperCase(PairName(pair)), 0);
        auto taken = [&](int n) {
            auto same = [&](const std::unique_ptr<TPointTopo>& r) {
                return r->Number == n && EqualsIgnoreCase(r->Name.Get(), PairName(pair));
            };
            return std::any_of(m_massif.References.begin(), m_massif.References.end(), same)
                || std::any_of(m_references.begin(), m_references.end(), same);
        };
        while (taken(number) && number < kMaxStationNumber)
            ++number;
        reference->Number = static_cast<std::uint8_t>(std::clamp(number, 0, kMaxStationNumber));
        double xyz[3] = { 0, 0, 0 };
        std::size_t at = 0;
        for (double& value : xyz) {
            at = where.find_first_not_of(' ', at);
            if (at == std::string::npos)
                break;
            const std::size_t stop = std::min(where.find(' ', at), where.size());
            value = Reading(where.substr(at, stop - at), "coordenada");
            at = stop;
        }
        reference->X = xyz[0] * 0.001;
        reference->Y = xyz[1] * 0.001;
        reference->Z = xyz[2];
        m_junctions.At(m_junctions.Register(pair)).Number = reference->Number;
        m_references.push_back(std::move(reference));
    }

    void Link()
    {
        if (m_progress)
            m_progress->SetStatus("Establecimiento de correspondencias");
        for (const auto& [k, s] : m_series) {
            const int n = std::max(0, static_cast<int>(s.Stations.size()) - 1);
            if (n < s.Last)
                m_report.ShortSeries.push_back(
                    std::to_string(k) + " (" + std::to_string(n) + " de " + std::to_string(s.Last) + ")");
            // Every end joins the station it names, keeping what joined that station before (a
            // series may end at the start of a later one that starts elsewhere too).
            const int pinned = static_cast<int>(m_entranceNames.size());
            m_junctions.Join(s.Start, { k, 0 }, pinned);
            if (s.End.first < k)
                m_junctions.Join(s.End, { k, n }, pinned);
            else
                m_junctions.Join({ k, n }, s.End, pinned);
        }
        for (int e = static_cast<int>(m_entranceNames.size()) + 1; e <= m_junctions.Size(); ++e) {
            Junctions::Entry& entry = m_junctions.At(e);
            if (entry.Link == 0 && entry.Number == 0)
                entry.Number = m_massif.NextFreeNumber(UpperCase(PairName(entry.Pair)), 0);
        }
    }

    // The station an entry stands for: an entrance's reference point, or "series_station".
    void Name(int entry, TPointTopo& station) const
    {
        station.Final = false;
        if (entry >= 1 && static_cast<std::size_t>(entry) <= m_entranceNames.size()) {
            station.Name.Set(m_entranceNames[static_cast<std::size_t>(entry - 1)]);
            station.Number = 1;
            return;
        }
        const Junctions::Entry& e = m_junctions.At(entry);
        station.Name.Set(PairName(e.Pair));
        station.Number = static_cast<std::uint8_t>(std::clamp(e.Number, 0, kMaxStationNumber));
    }

    int Resolved(std::pair<int, int> pair)
    {
        const int entry = m_junctions.Resolve(pair);
        return entry != 0 ? entry : m_junctions.Register(pair);
    }

    void Build()
    {
        if (m_progress)
            m_progress->SetStatus("Creación de fichas");
        TFiche* sheet = nullptr;
        int currentTrip = 0;
        for (const auto& [k, s] : m_series) {
            const int n = static_cast<int>(s.Stations.size()) - 1;
            for (int j = 0; j <= n; ++j) {
                const int trip = s.Stations[static_cast<std::size_t>(j)].Trip;
                if (trip == kFixed)
                    continue;
                if (!sheet || trip != currentTrip) {
                    sheet = OpenSheet(trip);
                    currentTrip = trip;
                }
                auto g = std::make_unique<TGalerie>();
                g->Name.Set(s.Name);
                g->Deformation = 1.0;
                g->TopofilCoef = 1.0;
                Name(Resolved({ k, j == 0 ? 0 : j - 1 }), g->Start);
                g->AddShot(s.Stations[static_cast<std::size_t>(j)].Shot);
                // On while the station is no junction and the next one has the same trip, within a
                // gallery's 128 shots: a longer run is cut at a station of its own.
                while (j < n
                    && (j == 0
                        || (m_junctions.Resolve({ k, j }) == 0
                            && s.Stations[static_cast<std::size_t>(j + 1)].Trip == currentTrip))) {
                    if (g->ShotCount() >= kMaxShots) {
                        ++m_report.SplitGalleries;
                        break;
                    }
                    ++j;
                    g->AddShot(s.Stations[static_cast<std::size_t>(j)].Shot);
                }
                Name(Resolved({ k, j }), g->End);
                sheet->Galeries.push_back(std::move(g));
            }
        }
    }

    TFiche* OpenSheet(int number)
    {
        auto sheet = std::make_unique<TFiche>();
        const auto found = m_trips.find(number);
        const Trip trip = found == m_trips.end() ? Trip() : found->second;
        sheet->Date = trip.Date;
        sheet->DeclUnit = kGrades;
        sheet->Declinaison = trip.Declination;
        sheet->Surveyors = { TEco(trip.Surveyors[0]), TEco(trip.Surveyors[1]) };
        sheet->Cavite.Set(m_caves.front());
        sheet->Systeme.Set(SystemName());
        m_sheets.push_back(std::move(sheet));
        return m_sheets.back().get();
    }

    void Clean()
    {
        if (m_progress)
            m_progress->SetStatus("Limpiando");
        m_series.clear();
        for (auto& sheet : m_sheets) {
            auto& galleries = sheet->Galeries;
            for (std::size_t gi = galleries.size(); gi-- > 0;) {
                TGalerie& g = *galleries[gi];
                for (int k = g.ShotCount(); k >= 2; --k)
                    if (g.Shot(k).Length < 0.0001)
                        g.Shots.erase(g.Shots.begin() + (k - 1));
                if (g.ShotCount() != 1 || g.Shot(1).Length >= 0.0001)
                    continue;
                // A gallery of one empty shot joins its two ends: the others take its start.
                const TPointTopo start = g.Start, end = g.End;
                for (auto& other : m_sheets)
                    for (auto& o : other->Galeries) {
                        if (o.get() == &g)
                            continue;
                        if (o->Start.SameStation(end))
                            o->Start.CopyFrom(start);
                        if (o->End.SameStation(end))
                            o->End.CopyFrom(start);
                    }
                galleries.erase(galleries.begin() + static_cast<std::ptrdiff_t>(gi));
            }
        }
    }

    void CloseOpenEnds()
    {
        std::map<std::pair<std::string, int>, int> count;
        auto key = [](const TPointTopo& p) {
            return std::make_pair(UpperCase(p.Name.Get()), static_cast<int>(p.Number));
        };
        for (const auto& sheet : m_sheets)
            for (const auto& g : sheet->Galeries)
                for (const TPointTopo* p : { &g->Start, &g->End })
                    if (!p->Final)
                        ++count[key(*p)];
        std::set<std::pair<std::string, int>> references;
        for (const auto& r : m_massif.References)
            references.insert(key(*r));
        for (const auto& r : m_references)
            references.insert(key(*r));
        for (auto& sheet : m_sheets)
            for (auto& g : sheet->Galeries)
                for (TPointTopo* p : { &g->Start, &g->End })
                    if (!p->Final && count[key(*p)] == 1 && !references.count(key(*p))) {
                        p->Final = true;
                        p->Name.Set("");
                        p->Number = 0;
                    }
    }

    void Join()
    {
        for (auto& r : m_references)
            m_massif.References.push_back(std::move(r));
        m_report.References = static_cast<int>(m_references.size());
        for (auto& sheet : m_sheets) {
            if (sheet->Galeries.empty())
                continue;
            ReduceSheet(*sheet, m_massif.Angle_Geodesique);
            ++m_report.Sheets;
            for (const auto& g : sheet->Galeries) {
                ++m_report.Galleries;
                m_report.Shots += g->ShotCount();
            }
            m_massif.AddSheet(std::move(sheet), m_massif.SelectionActive);
        }
        m_massif.MarkModified();
    }

    std::string m_file;
    TMassif& m_massif;
    IReporter* m_reporter;
    IProgress* m_progress;
    TToporobotReport m_report;
    std::vector<std::string> m_caves;
    std::string m_namedCave;
    std::vector<std::string> m_entranceNames;
    std::vector<std::unique_ptr<TPointTopo>> m_references;
    std::map<int, Trip> m_trips;
    std::map<int, Code> m_codes;
    std::map<int, Serie> m_series; // by number
    int m_line = 0; // the line being read, from 1
    Junctions m_junctions;
    std::vector<std::unique_ptr<TFiche>> m_sheets;
};

} // namespace

std::string ToporobotText(const TMassif& massif)
{
    return ToporobotWriter(massif).Write();
}

TToporobotReport ImportToporobot(
    const std::string& fileName, TMassif& massif, IReporter* reporter, IProgress* progress)
{
    return ToporobotReader(fileName, massif, reporter, progress).Read();
}

std::string TToporobotReport::Adapted() const
{
    std::string text;
    auto add = [&text](const std::string& line) { text += (text.empty() ? "" : "\r") + line; };
    if (!CrOnly)
        add("Líneas terminadas por LF o CR LF.");
    if (!MacRoman)
        add("Texto leído como Windows-1252.");
    if (SkippedRecords > 0)
        add(std::to_string(SkippedRecords) + " registros de otro tipo ignorados.");
    if (SplitGalleries > 0)
        add(std::to_string(SplitGalleries) + " tramos de más de 128 visuales cortados en galerías.");
    if (LongTexts > 0)
        add(std::to_string(LongTexts) + " textos de más de " + std::to_string(TEco::kMaxLength)
            + " caracteres cortados (el primero en la línea " + std::to_string(LongTextLine) + ").");
    if (!ShortSeries.empty()) {
        std::string list;
        for (std::size_t i = 0; i < ShortSeries.size() && i < 10; ++i)
            list += (i > 0 ? ", " : "") + ShortSeries[i];
        add(std::to_string(ShortSeries.size()) + " series con menos estaciones que las anunciadas, importadas"
            + " en parte: " + list + (ShortSeries.size() > 10 ? " ..." : "") + ".");
    }
    if (BackwardInclinationCodes > 0)
        add(std::to_string(BackwardInclinationCodes)
            + " visuales con código de inclinación 350 o 390, leídas al revés.");
    return text;
}

} // namespace ks
