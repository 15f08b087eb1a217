// The statistics of the current sheets and the rose of shot directions, Qt-free.
#include "analysis/statistics.h"

#include "model/sheet.h"
#include "model/text_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Fold(TStatistics& s, double z)
{
    s.Lowest = std::min(s.Lowest, z);
    s.Highest = std::max(s.Highest, z);
}

} // namespace

TStatistics ComputeStatistics(const std::vector<TFiche*>& sheets)
{
    TStatistics s;
    s.Sheets = static_cast<int>(sheets.size());
    for (const TFiche* sheet : sheets) {
        s.FirstExploration += sheet->Premiere;
        for (const auto& g : sheet->Galeries) {
            ++s.Galleries;
            s.Shots += g->ShotCount();
            const bool placed = g->Positioned && g->StationCount() == g->ShotCount();
            if (placed)
                Fold(s, g->Start.Z);
            for (int k = 1; k <= g->ShotCount(); ++k) {
                const TVisee& v = g->Shot(k);
                s.Development += v.DevCorrectionFlag ? v.DevCorrection : v.LengthMetres();
                if (placed)
                    Fold(s, g->Stations[static_cast<std::size_t>(k - 1)].Z);
            }
        }
    }
    return s;
}

std::array<std::string, 7> StatisticsTexts(const TStatistics& s)
{
    return { "Nombre de la ficha :" + std::to_string(s.Sheets),
        "Nombre de la galería :" + std::to_string(s.Galleries),
        "Nombre de la visual :" + std::to_string(s.Shots), "Desarrollo (m) :" + FormatG(s.Development, 7),
        "Primicia (m) :" + FormatG(s.FirstExploration, 7), "Altitud inferior (m) :" + FormatG(s.Lowest, 7),
        "Altitud superior (m) :" + FormatG(s.Highest, 7) };
}

TRose ComputeRose(const std::vector<TFiche*>& sheets)
{
    TRose rose;
    for (const TFiche* sheet : sheets) {
        for (const auto& g : sheet->Galeries) {
            double previousZ = 0;
            for (const TVisee& v : g->Shots) {
                // The reduced height difference knows every inclination unit, read backwards or not.
                const double dz = v.CumZ - previousZ;
                previousZ = v.CumZ;
                // Vertical and empty shots have no direction.
                if (!(v.Length > 0.00001 && v.HorizLength > 0.00001))
                    continue;
                // In degrees: through radians, a whole-degree reading can come back just below itself.
                double degrees = v.Azimuth;
                switch (v.AzimuthUnit) {
                case kGrades:
                    degrees = v.Azimuth * 0.9;
                    break;
                case kBackDegrees:
                    degrees = v.Azimuth + 180;
                    break;
                case kBackGrades:
                    degrees = v.Azimuth * 0.9 + 180;
                    break;
                default:
                    break;
                }
                // Whole degrees, so that 359.9 falls in sector 35 and 10.0 in sector 1; rounded to a
                // millionth first, so that 33.3333333 grades fall at 30 degrees.
                degrees = std::nearbyint(std::clamp(degrees, -1e9, 1e9) * 1e6) / 1e6;
                int d = static_cast<int>(std::fmod(std::trunc(degrees), 360.0));
                if (d < 0)
                    d += 360;
                const int s = d / 10;
                const int back = (s + 18) % 36;
                if (dz < -0.00001) {
                    rose.Sectors[static_cast<std::size_t>(s)] += 2; // descends along its azimuth
                } else if (dz > 0.00001) {
                    rose.Sectors[static_cast<std::size_t>(back)] += 2; // descends backwards
                } else {
                    ++rose.Sectors[static_cast<std::size_t>(s)];
                    ++rose.Sectors[static_cast<std::size_t>(back)];
                }
                ++rose.Counted;
            }
        }
    }
    return rose;
}

double PieBearing(int dx, int dy)
{
    if (dx == 0 && dy >= 0)
        return 0;
    return (std::atan2(static_cast<double>(dx), static_cast<double>(-dy)) + kPi) * 180 / kPi;
}

std::string PieText(const TRose& rose, double bearing)
{
    if (rose.Counted <= 0)
        return std::string();
    const int degrees = static_cast<int>(std::trunc(bearing));
    const int s = std::clamp(static_cast<int>(std::trunc(bearing * 0.1)), 0, 35);
    const int count = rose.Sectors[static_cast<std::size_t>(s)];
    char text[96];
    std::snprintf(text, sizeof text, "%.3d\xC2\xB0-> %d visuales sur %d (%d%%)", degrees, count / 2,
        rose.Counted, static_cast<int>(static_cast<long long>(count) * 50 / rose.Counted));
    return text;
}

} // namespace ks
