// karstelle-cli stats: the statistics and the rose of directions of a massif's sheets.
#include "cli/args.h"
#include "cli/cli_common.h"

#include "analysis/statistics.h"
#include "compute/driver.h"

#include <cmath>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace cli {

int Stats(const std::vector<std::string>& args)
{
    std::string file;
    bool json = false;
    if (const auto refused = ArgParser().Word(file).Flag("--json", json).Parse(args))
        return *refused;
    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    // The altitudes are those of the computed massif; without one they keep their starting values.
    if (!ComputeNow(massif).Positioned)
        std::cerr << "karstelle-cli: " << file
                  << ": nothing could be computed; the altitudes are not known\n";

    const auto sheets = massif.CurrentSheets();
    const ks::TStatistics s = ks::ComputeStatistics(sheets);
    const ks::TRose rose = ks::ComputeRose(sheets);
    if (json) {
        std::cout << "{\"sheets\": " << s.Sheets << ", \"galleries\": " << s.Galleries
                  << ", \"shots\": " << s.Shots << ", \"development\": " << JsonNumber(s.Development)
                  << ", \"first_exploration\": " << JsonNumber(s.FirstExploration)
                  << ", \"lowest\": " << JsonNumber(s.Lowest) << ", \"highest\": " << JsonNumber(s.Highest)
                  << ", \"rose\": [";
        for (std::size_t k = 0; k < rose.Sectors.size(); ++k)
            std::cout << (k ? ", " : "") << rose.Sectors[k];
        std::cout << "], \"counted\": " << rose.Counted << "}\n";
        return 0;
    }
    for (const std::string& line : ks::StatisticsTexts(s))
        std::cout << line << '\n';
    std::cout << "Rosa de los vientos: " << rose.Counted << " visuales\n";
    for (std::size_t k = 0; k < rose.Sectors.size(); ++k)
        std::cout << std::setw(3) << std::setfill('0') << k * 10 << std::setfill(' ') << ' '
                  << rose.Sectors[k] << '\n';
    return 0;
}

} // namespace cli
