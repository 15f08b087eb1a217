// karstelle-cli search: the Ordre of every sheet that matches the criteria of "Búsqueda".
#include "cli/args.h"
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
    auto text = [](std::string& field) {
        return [&field](const std::string& value) {
            field = ks::Utf8ToCp1252(value);
            return true;
        };
    };
    auto date = [](std::string& field, bool& given) {
        return [&field, &given](const std::string& value) {
            field = ks::DateText(value);
            given = true;
            return true;
        };
    };
    // NAME or NAME:N
    auto station = [&c](const std::string& value) {
        const auto colon = value.rfind(':');
        const auto number = colon == std::string::npos ? std::nullopt : ks::ParseInt(value.substr(colon + 1));
        c.Station = ks::Utf8ToCp1252(number ? value.substr(0, colon) : value);
        c.StationNumber = number ? static_cast<int>(*number) : -1;
        return true;
    };
    if (const auto refused = ArgParser()
                                 .Word(file)
                                 .Value("--system", text(c.System))
                                 .Value("--cave", text(c.Cave))
                                 .Value("--network", text(c.Network))
                                 .Value("--place", text(c.Place))
                                 .Value("--surveyor", text(c.Surveyor))
                                 .Value("--text", text(c.Text))
                                 .Value("--from", date(c.Date1, from))
                                 .Value("--to", date(c.Date2, to))
                                 .Value("--station", station)
                                 .Flag("--except", except)
                                 .Parse(args))
        return *refused;
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
