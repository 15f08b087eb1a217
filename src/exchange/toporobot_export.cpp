// The Toporobot export: the current sheets as tab-separated records, CR line ends, Macintosh text.
#include "exchange/toporobot.h"
#include "exchange/toporobot_codec.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

namespace ks {

namespace {

using namespace toporobot;

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

} // namespace

std::string ToporobotText(const TMassif& massif)
{
    return ToporobotWriter(massif).Write();
}

} // namespace ks
