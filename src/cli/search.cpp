// karstelle-cli search: the Ordre of every sheet that matches the criteria of "Búsqueda".
#include "cli/cli_common.h"

#include "analysis/search.h"
#include "model/text_utils.h"

#include <iostream>

namespace cli {

int Search(const std::vector<std::string>& args)
{
    std::string file;
    ks::TSearchCriteria c;
    bool except = false, from = false, to = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        auto text = [&](std::string& field) { field = ks::Utf8ToCp1252(args[++i]); };
        if (a == "--system" && hasValue) {
            text(c.System);
        } else if (a == "--cave" && hasValue) {
            text(c.Cave);
        } else if (a == "--network" && hasValue) {
            text(c.Network);
        } else if (a == "--place" && hasValue) {
            text(c.Place);
        } else if (a == "--surveyor" && hasValue) {
            text(c.Surveyor);
        } else if (a == "--text" && hasValue) {
            text(c.Text);
        } else if (a == "--from" && hasValue) {
            c.Date1 = ks::DateText(args[++i]);
            from = true;
        } else if (a == "--to" && hasValue) {
            c.Date2 = ks::DateText(args[++i]);
            to = true;
        } else if (a == "--station" && hasValue) {
            // NAME or NAME:N
            const std::string station = args[++i];
            const auto colon = station.rfind(':');
            const auto number
                = colon == std::string::npos ? std::nullopt : ks::ParseInt(station.substr(colon + 1));
            c.Station = ks::Utf8ToCp1252(number ? station.substr(0, colon) : station);
            c.StationNumber = number ? static_cast<int>(*number) : -1;
        } else if (a == "--except") {
            except = true;
        } else if (file.empty() && !a.empty() && a[0] != '-') {
            file = a;
        } else {
            return std::cerr << kUsage, 2;
        }
    }
    if (file.empty())
        return std::cerr << kUsage, 2;
    // One date is "Topografiadas el"; a second makes it "Topografiadas entre".
    c.DateMode = to ? ks::TSearchCriteria::Dates::Between
        : from      ? ks::TSearchCriteria::Dates::On
                    : ks::TSearchCriteria::Dates::All;
    c.Capture();
    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    const auto found = ks::FindMatching(massif.CurrentSheets(), c, except);
    if (found.empty()) {
        std::cerr << ks::kNoMatchingSheetText << '\n';
        return 1;
    }
    for (const TFiche* sheet : found)
        std::cout << sheet->Ordre << '\n';
    return 0;
}

} // namespace cli
