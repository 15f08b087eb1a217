// The Toporobot import: records read line by line into new sheets, joined to the massif only
// once the whole file was read, with what was adapted said at the end.
#include "exchange/toporobot.h"
#include "exchange/toporobot_codec.h"

#include "compute/declination.h"
#include "compute/reduction.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/real6.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

namespace ks {

namespace {

using namespace toporobot;

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

// The azimuth codes: ranges of codes that share a unit (the last digit gives the length unit).
struct AzimuthCode
{
    int From, To;
    std::uint8_t Unit;
};
const AzimuthCode* AzimuthCodeOf(int code)
{
    static const AzimuthCode kCodes[] = {
        { 357, 360, kDegrees },
        { 347, 350, kBackDegrees },
        { 397, 400, kGrades },
        { 387, 390, kBackGrades },
    };
    for (const AzimuthCode& c : kCodes)
        if (code >= c.From && code <= c.To)
            return &c;
    return nullptr;
}

// The inclination codes: the unit, and the reading turned into it as Offset + Sign x reading,
// times the length in hundredths for a slope in percent.
struct InclinationCode
{
    int Code;
    std::uint8_t Unit;
    double Offset, Sign;
    bool PerLength = false;
    bool Backward = false; // later files: read from the far station
};
const InclinationCode* InclinationCodeOf(int code)
{
    static const InclinationCode kCodes[] = {
        { 360, kDegrees, 0, 1 },
        { 359, kDegrees, -90, 1 },
        { 361, kVulcain, 0, 1 },
        { 380, kSlopeMetres, 0, 1 },
        { 370, kSlopeMetres, 0, 1, true },
        { 400, kGrades, 0, 1 },
        { 399, kGrades, -100, 1 },
        { 401, kGrades, 100, -1 },
        { 350, kBackDegrees, 0, 1, false, true },
        { 390, kBackGrades, 0, 1, false, true },
    };
    for (const InclinationCode& c : kCodes)
        if (c.Code == code)
            return &c;
    return nullptr;
}

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

    using Record = std::vector<std::string>;
    using RecordReader = void (ToporobotReader::*)(const Record&);

    // The records of a file by their first field; a positive one is a series line.
    static RecordReader ReaderOf(long long tag)
    {
        static const std::pair<long long, RecordReader> kReaders[] = {
            { -6, &ToporobotReader::CaveLine },
            { -5, &ToporobotReader::Entrance },
            { -2, &ToporobotReader::TripLine },
            { -1, &ToporobotReader::CodeLine },
        };
        for (const auto& [t, read] : kReaders)
            if (t == tag)
                return read;
        return tag > 0 ? &ToporobotReader::SeriesLine : nullptr;
    }

    void Parse(const std::string& text)
    {
        m_report.MacRoman = ReadsAsMacintosh(text);
        m_report.CrOnly = text.find('\n') == std::string::npos && text.find('\r') != std::string::npos;
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
            const Record f = Fields(line);
            const auto tag = ParseInt(F(f, 1));
            const RecordReader read = tag ? ReaderOf(*tag) : nullptr;
            if (read)
                (this->*read)(f);
            else
                ++m_report.SkippedRecords;
        }
    }

    void CaveLine(const Record& f)
    {
        m_caves.push_back(F(f, 3).empty() ? std::to_string(m_caves.size() + 1) : F(f, 3));
        if (m_namedCave.empty())
            m_namedCave = F(f, 3);
    }

    void CodeLine(const Record& f) { m_codes[Int(F(f, 2))] = { Int(F(f, 3)), Int(F(f, 4)) }; }

    // A series header (second field -1), or a station of the series being read.
    void SeriesLine(const Record& f)
    {
        const long long tag = *ParseInt(F(f, 1));
        if (tag > std::numeric_limits<int>::max())
            Fail("número de serie " + std::to_string(tag) + " fuera de los límites");
        if (F(f, 2) == "-1") {
            m_currentNumber = static_cast<int>(tag);
            m_current = &m_series[m_currentNumber]; // a series costs its lines, whatever its number
            *m_current = Serie();
            m_current->Present = true;
            m_current->Start = { Int(F(f, 3)), Int(F(f, 4)) };
            m_current->End = { Int(F(f, 5)), Int(F(f, 6)) };
            m_current->Last = Int(F(f, 7));
            m_current->Name = Text(F(f, 10));
            ++m_report.Series;
            if (m_progress)
                m_progress->SetStatus("Lectura de la " + std::to_string(m_report.Series) + "° série");
        } else if (m_current && tag == static_cast<long long>(m_currentNumber)) {
            StationLine(*m_current, m_currentNumber, f);
        } else {
            ++m_report.SkippedRecords;
        }
    }

    void Entrance(const Record& f)
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

    void TripLine(const Record& f)
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

    void StationLine(Serie& serie, int number, const Record& f)
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
        if (const auto* unit = AzimuthCodeOf(code.Azimuth))
            v.AzimuthUnit = unit->Unit;
        else
            UnknownCode("Código rumbo desconocido :", code.Azimuth);
        const double incl = Reading(F(f, 7), "inclinación");
        if (const auto* c = InclinationCodeOf(code.Inclination)) {
            v.InclinationUnit = c->Unit;
            v.Inclination = (c->Offset + c->Sign * incl) * (c->PerLength ? length * 0.01 : 1);
            if (c->Backward)
                ++m_report.BackwardInclinationCodes;
        } else {
            v.Inclination = incl;
            UnknownCode("Código inclinación desconocido :", code.Inclination);
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
    Serie* m_current = nullptr; // the series whose stations are being read
    int m_currentNumber = 0;
    Junctions m_junctions;
    std::vector<std::unique_ptr<TFiche>> m_sheets;
};

} // namespace

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
