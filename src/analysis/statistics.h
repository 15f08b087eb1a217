#pragma once
// The statistics of the sheets the views work on, and the rose of shot directions: counts,
// development, first exploration, altitudes, and 36 sectors of 10 degrees weighted towards the
// direction in which each shot descends.

#include <array>
#include <string>
#include <vector>

class TFiche;

namespace ks {

struct TStatistics
{
    int Sheets = 0, Galleries = 0, Shots = 0;
    double Development = 0; // metres
    double FirstExploration = 0; // metres
    double Lowest = 1000000, Highest = -1000000; // metres; the starting values when nothing is positioned
};

TStatistics ComputeStatistics(const std::vector<TFiche*>& sheets);
// The seven texts of "Estadísticas", each its prefix followed by its value.
std::array<std::string, 7> StatisticsTexts(const TStatistics& statistics);

struct TRose
{
    std::array<int, 36> Sectors {}; // sector k: from 10k (included) to 10k + 10 degrees; 2 per shot
    int Counted = 0; // the shots that counted
};

TRose ComputeRose(const std::vector<TFiche*>& sheets);
// The clockwise bearing, in degrees, of a point seen from the centre at (dx, dy) = centre minus
// point, screen coordinates with y down: 0 straight up.
double PieBearing(int dx, int dy);
// The status text of the sector under the pointer: "030°-> 4 visuales sur 20 (20%)"; empty when
// no shot counted.
std::string PieText(const TRose& rose, double bearing);

} // namespace ks
