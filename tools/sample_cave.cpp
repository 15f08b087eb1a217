#include "sample_cave.h"

#include "compute/driver.h"
#include "compute/reduction.h"
#include "model/text_utils.h"

#include <cctype>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator (xorshift), so that every machine makes the same sample.
class Random
{
public:
    double Uniform(double low, double high)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return low + (high - low) * static_cast<double>(m_state >> 11) / 9007199254740992.0;
    }
    bool Chance(double p) { return Uniform(0, 1) < p; }

private:
    std::uint64_t m_state = 0x4B61727374656C6Cull;
};

struct Point
{
    double x, y, z;
};

double Round(double value, double step)
{
    return std::round(value / step) * step;
}

// How a team read its instruments on one trip.
enum Style { kPlain, kCentimetreTape, kHeightDifferences, kVulcainClino, kBackSights, kGradeCompass };

struct Trip
{
    const char* date;
    std::vector<const char*> team;
    const char* system;
    const char* cave;
    const char* network;
    const char* place;
    Style style;
    double declination; // degrees (grades for a grade compass)
    const char* time; // T.P.B.T.
    double first; // metres first explored
};

// One gallery: from a known station to a new station (walked with the heading and dip given),
// to a known station (a loop or a connection), or to an open end (empty end name).
struct Leg
{
    const char* from;
    const char* to;
    int shots;
    double heading; // degrees, grid
    double dip; // degrees, negative down
};

const char* const kComments[] = { "Colada", "Paso estrecho", "Agua", "Bloques", "Estalagmita", "Arcilla",
    "Corriente de aire", "Gours", "Pozo", "Meandro" };

class Surveyor
{
public:
    explicit Surveyor(TMassif& massif)
        : m_massif(massif)
    { }

    void Fix(const std::string& station, const Point& p) { m_known[station] = p; }

    void Survey(const Trip& trip, const std::vector<Leg>& legs)
    {
        auto sheet = std::make_unique<TFiche>();
        sheet->Date = trip.date;
        for (const char* name : trip.team)
            sheet->Surveyors.emplace_back(name);
        sheet->Systeme.Set(trip.system);
        sheet->Cavite.Set(trip.cave);
        sheet->Reseau.Set(trip.network);
        sheet->Lieu.Set(trip.place);
        sheet->TPST.Set(trip.time);
        sheet->Premiere = trip.first;
        sheet->DeclUnit = trip.style == kGradeCompass ? kGrades : kDegrees;
        sheet->Declinaison = trip.declination;
        const double declinationDegrees
            = trip.style == kGradeCompass ? trip.declination * 0.9 : trip.declination;
        for (const Leg& leg : legs)
            sheet->Galeries.push_back(Gallery(leg, trip.style, declinationDegrees));
        ReduceSheet(*sheet, m_massif.Angle_Geodesique);
        m_massif.AddSheet(std::move(sheet), false);
    }

private:
    static void SetStation(TPointTopo& p, const std::string& station)
    {
        // "E12": name E, number 12.
        std::size_t digits = station.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(station[digits - 1])))
            --digits;
        p.Name.Set(station.substr(0, digits));
        p.Number = static_cast<std::uint8_t>(std::stoi(station.substr(digits)));
    }

    std::unique_ptr<TGalerie> Gallery(const Leg& leg, Style style, double declination)
    {
        auto g = std::make_unique<TGalerie>();
        SetStation(g->Start, leg.from);
        const bool open = std::string(leg.to).empty();
        if (open)
            g->End.Final = true;
        else
            SetStation(g->End, leg.to);
        g->Deformation = 1;
        g->Extra3 = true;

        // True stations of the gallery.
        const Point from = m_known.at(leg.from);
        std::vector<Point> path { from };
        auto known = open ? m_known.end() : m_known.find(leg.to);
        if (known != m_known.end()) {
            const Point to = known->second;
            for (int k = 1; k < leg.shots; ++k) {
                const double t = static_cast<double>(k) / leg.shots;
                path.push_back({ from.x + (to.x - from.x) * t + m_random.Uniform(-2, 2),
                    from.y + (to.y - from.y) * t + m_random.Uniform(-2, 2),
                    from.z + (to.z - from.z) * t + m_random.Uniform(-0.5, 0.5) });
            }
            path.push_back(to);
        } else {
            Point p = from;
            for (int k = 0; k < leg.shots; ++k) {
                const double heading = (leg.heading + m_random.Uniform(-35, 35)) * kPi / 180;
                const double dip = (leg.dip + m_random.Uniform(-8, 8)) * kPi / 180;
                const double length = m_random.Uniform(3, 14);
                p = { p.x + length * std::cos(dip) * std::sin(heading),
                    p.y + length * std::cos(dip) * std::cos(heading), p.z + length * std::sin(dip) };
                path.push_back(p);
            }
            if (!open)
                m_known[leg.to] = p;
        }
        for (std::size_t k = 1; k < path.size(); ++k)
            g->AddShot(Shot(path[k - 1], path[k], style, declination));
        return g;
    }

    // Readings of one shot, with the small errors of a real survey, rounded as a team reads.
    TVisee Shot(const Point& a, const Point& b, Style style, double declination)
    {
        const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
        const double length = std::sqrt(dx * dx + dy * dy + dz * dz) + m_random.Uniform(-0.03, 0.03);
        double azimuth = std::atan2(dx, dy) * 180 / kPi + declination + m_random.Uniform(-0.6, 0.6);
        azimuth = std::fmod(azimuth + 720, 360);
        const double slope = std::atan2(dz, std::hypot(dx, dy)) * 180 / kPi + m_random.Uniform(-0.6, 0.6);

        TVisee v;
        v.Length = Round(length, 0.01);
        v.Azimuth = Round(azimuth, 0.5);
        v.Inclination = Round(slope, 0.5);
        switch (style) {
        case kCentimetreTape:
            v.LengthUnit = kCentimetres;
            v.Length = Round(length * 100, 1);
            break;
        case kHeightDifferences:
            v.InclinationUnit = kSlopeMetres;
            v.Inclination = Round(dz, 0.01);
            break;
        case kVulcainClino:
            v.InclinationUnit = kVulcain;
            v.Inclination = Round(slope + 90, 0.5);
            break;
        case kBackSights:
            v.AzimuthUnit = kBackDegrees;
            v.Azimuth = Round(std::fmod(azimuth + 180, 360), 0.5);
            v.InclinationUnit = kBackDegrees;
            v.Inclination = Round(-slope, 0.5);
            break;
        case kGradeCompass:
            v.AzimuthUnit = kGrades;
            v.Azimuth = Round(azimuth / 0.9, 0.5);
            v.InclinationUnit = kGrades;
            v.Inclination = Round(slope / 0.9, 0.5);
            break;
        case kPlain:
            break;
        }

        // Passage sizes on most shots: a single width or left and right, a single height or
        // up and down; some in centimetres, some with a trailing mark.
        if (m_random.Chance(0.85)) {
            if (m_random.Chance(0.5)) {
                v.RightWidth = FormatG(Round(m_random.Uniform(0.6, 6), 0.1), 3);
            } else {
                v.LeftWidth = FormatG(Round(m_random.Uniform(0.3, 3), 0.1), 3);
                v.RightWidth = FormatG(Round(m_random.Uniform(0.3, 3), 0.1), 3);
            }
            if (m_random.Chance(0.5)) {
                v.UpperHeight = FormatG(Round(m_random.Uniform(0.5, 8), 0.1), 3);
            } else {
                v.UpperHeight = FormatG(Round(m_random.Uniform(0.5, 6), 0.1), 3);
                v.LowerHeight = FormatG(Round(m_random.Uniform(0.1, 1.5), 0.1), 3);
            }
            if (m_random.Chance(0.15)) {
                v.UpperHeight = FormatG(Round(m_random.Uniform(10, 25), 1), 3) + "+";
            } else if (style == kCentimetreTape) {
                v.HeightUnit = kCentimetres;
                v.UpperHeight = FormatG(Round(m_random.Uniform(40, 250), 5), 3);
                v.LowerHeight.clear();
            }
        }
        if (m_random.Chance(0.2))
            v.Comment.Set(kComments[static_cast<int>(m_random.Uniform(0, 9.999))]);
        return v;
    }

    TMassif& m_massif;
    Random m_random;
    std::map<std::string, Point> m_known;
};

} // namespace

std::unique_ptr<TMassif> MakeSampleCave()
{
    auto massif = std::make_unique<TMassif>();
    massif->Origine_Declinaison = 2.1;
    massif->Date_Declinaison = "01/01/95";
    massif->Variation_Declinaison = 0.12;

    // The two entrances, in kilometres for X and Y as the reference points dialog takes them.
    const Point cuevaFria { 430125.0, 4790250.0, 1250.0 };
    const Point simaViento { 430262.5, 4790441.0, 1318.0 };
    for (const auto& [name, p] : { std::pair<const char*, Point> { "E", cuevaFria }, { "V", simaViento } }) {
        auto ref = std::make_unique<TPointTopo>();
        ref->Name.Set(name);
        ref->X = p.x / 1000;
        ref->Y = p.y / 1000;
        ref->Z = p.z;
        massif->References.push_back(std::move(ref));
    }

    Surveyor s(*massif);
    s.Fix("E0", cuevaFria);
    s.Fix("V0", simaViento);

    const char* mortero = "Sistema del Mortero";
    const char* fria = "Cueva Fr\xED"
                       "a";
    const char* viento = "Sima del Viento";
    const char* penas = "Sistema de Pe\xF1"
                        "as Blancas";
    const char* agua = "Cueva del Agua";

    s.Survey({ "14/07/98",
                 { "Ana Ruiz",
                     "Jos\xE9 Pe\xF1"
                     "a" },
                 mortero, fria, "Red principal", "Entrada", kPlain, 1.7, "5 h", 95 },
        { { "E0", "E1", 8, 40, -10 }, { "E1", "E2", 6, 75, -5 }, { "E1", "", 3, 320, 0 } });
    s.Survey({ "15/07/98",
                 { "Ana Ruiz",
                     "Jos\xE9 Pe\xF1"
                     "a" },
                 mortero, fria, "Red principal", "Sala Grande", kPlain, 1.7, "7 h", 140 },
        { { "E2", "S1", 10, 60, -3 }, { "S1", "S2", 7, 10, 2 }, { "S2", "", 4, 300, 10 } });
    s.Survey({ "02/08/98", { "Luc Martin", "Ana Ruiz" }, mortero, fria, "Red principal",
                 "Galer\xED"
                 "a del R\xED"
                 "o",
                 kPlain, 1.7, "9 h", 210 },
        { { "S1", "R1", 12, 120, -4 }, { "R1", "R2", 9, 50, -2 } });
    s.Survey({ "03/08/98", { "Luc Martin", "Ana Ruiz", "Marta Gil" }, mortero, fria, "Red principal",
                 "Galer\xED"
                 "a del R\xED"
                 "o",
                 kPlain, 1.7, "10 h", 160 },
        { { "R2", "R3", 10, 350, 1 }, { "R3", "S2", 11, 0, 0 } });
    s.Survey({ "20/12/99", { "Marta Gil", "Pau Soler" }, mortero, fria, "Red norte", "Laminador",
                 kCentimetreTape, 1.6, "6 h", 80 },
        { { "S2", "N1", 8, 20, 1 }, { "N1", "N2", 6, 80, 0 }, { "N2", "", 2, 150, -10 } });
    s.Survey({ "21/12/99", { "Marta Gil", "Pau Soler" }, mortero, fria, "Red norte", "Pozo Negro",
                 kHeightDifferences, 1.6, "8 h", 60 },
        { { "N1", "N3", 5, 330, -55 }, { "N3", "N4", 7, 10, -8 } });
    s.Survey({ "10/04/01", { "Pau Soler", "Luc Martin" }, mortero, fria, "Red norte", "Sala de los Gours",
                 kPlain, 1.4, "7 h", 120 },
        { { "N4", "G1", 9, 90, 3 }, { "G1", "G2", 8, 130, 8 }, { "G2", "N2", 7, 0, 0 } });
    s.Survey({ "11/04/01", { "Pau Soler", "Luc Martin" }, mortero, fria, "Red principal", "Meandro",
                 kVulcainClino, 1.4, "11 h", 230 },
        { { "R3", "M1", 12, 20, 6 }, { "M1", "M2", 10, 40, 10 } });
    s.Survey({ "05/09/02", { "Ana Ruiz", "Iker Etxeberria" }, mortero, viento, "Pozo", "Boca", kPlain, 1.3,
                 "4 h", 45 },
        { { "V0", "V1", 6, 200, -70 }, { "V1", "V2", 8, 230, -25 } });
    s.Survey({ "06/09/02", { "Ana Ruiz", "Iker Etxeberria" }, mortero, viento, "Pozo", "Rampa", kPlain, 1.3,
                 "6 h", 70 },
        { { "V2", "V3", 10, 250, -12 }, { "V3", "", 3, 170, -20 } });
    s.Survey({ "15/08/03", { "Iker Etxeberria", "Marta Gil", "Luc Martin" }, mortero, viento,
                 "Galer\xED"
                 "a Alta",
                 "Conexi\xF3n", kBackSights, 1.2, "12 h", 110 },
        { { "V3", "M2", 12, 0, 0 } });
    s.Survey({ "16/08/03", { "Iker Etxeberria", "Marta Gil" }, mortero, viento,
                 "Galer\xED"
                 "a Alta",
                 "Balc\xF3n", kPlain, 1.2, "5 h", 40 },
        { { "V2", "B1", 6, 100, 5 }, { "B1", "", 4, 60, 15 } });
    s.Survey({ "22/03/05", { "Luc Martin", "Sara Vidal" }, penas, agua, "Red baja", "Sif\xF3n", kGradeCompass,
                 1.1, "8 h", 150 },
        { { "M2", "A1", 10, 70, -6 }, { "A1", "A2", 9, 110, -3 } });
    s.Survey({ "23/03/05", { "Luc Martin", "Sara Vidal" }, penas, agua, "Red baja", "Sala del Lago", kPlain,
                 1.0, "7 h", 90 },
        { { "A2", "A3", 8, 150, -2 }, { "A3", "", 5, 200, 0 }, { "A2", "A4", 7, 60, 4 } });
    s.Survey({ "12/11/06", { "Sara Vidal", "Pau Soler" }, penas, agua, "Red baja",
                 "Galer\xED"
                 "a Roja",
                 kPlain, 0.9, "9 h", 130 },
        { { "A4", "A5", 11, 120, -1 }, { "A5", "A3", 6, 0, 0 } });
    s.Survey({ "13/11/06", { "Sara Vidal", "Pau Soler" }, penas, agua, "Red alta", "Chimenea", kBackSights,
                 0.9, "6 h", 55 },
        { { "A5", "C1", 6, 30, 45 }, { "C1", "C2", 5, 80, 30 } });
    s.Survey({ "01/06/07", { "Ana Ruiz", "Sara Vidal" }, penas, agua, "Red alta", "Chimenea", kGradeCompass,
                 0.9, "8 h", 75 },
        { { "C2", "C3", 7, 100, 10 }, { "C3", "", 3, 40, 25 } });
    s.Survey({ "02/06/07", { "Ana Ruiz", "Sara Vidal" }, penas, agua, "Red alta", "Laberinto", kPlain, 0.8,
                 "10 h", 65 },
        { { "C1", "L1", 5, 150, 2 }, { "L1", "L2", 4, 120, 0 }, { "L2", "C3", 6, 0, 0 } });
    s.Survey({ "30/09/08", { "Iker Etxeberria", "Luc Martin" }, penas, agua, "Red baja",
                 "R\xED"
                 "o Subterr\xE1neo",
                 kCentimetreTape, 0.7, "9 h", 180 },
        { { "A1", "W1", 9, 10, -2 }, { "W1", "W2", 12, 340, -1 }, { "W2", "", 2, 300, 0 } });
    s.Survey({ "01/10/08", { "Iker Etxeberria", "Luc Martin", "Marta Gil" }, penas, agua, "Red baja",
                 "R\xED"
                 "o Subterr\xE1neo",
                 kVulcainClino, 0.7, "11 h", 70 },
        { { "W1", "W3", 6, 60, 1 }, { "W3", "W2", 5, 0, 0 } });

    TComputeFlags flags;
    TThreadCalcul computation(*massif, flags);
    computation.Complete(*massif);
    massif->PlaceAllStations();
    massif->Saved = true;
    return massif;
}

} // namespace ks
