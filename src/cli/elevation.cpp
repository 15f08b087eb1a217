// karstelle-cli elevation: the elevation assistant on a massif file, without a window.
#include "cli/args.h"
#include "cli/cli_common.h"

#include "compute/elevation_assistant.h"
#include "model/text_utils.h"

#include <iostream>
#include <optional>

namespace cli {

namespace {

// "NAME:N", the name in UTF-8 as typed; the number after the last colon. A number that is missing
// or not one is -1, which the assistant refuses with its own message.
ks::TStationName ParseStation(const std::string& text)
{
    const auto colon = text.rfind(':');
    int station = -1;
    if (colon != std::string::npos) {
        const auto number = ks::ParseInt(text.substr(colon + 1));
        if (number.has_value() && number.value() >= 0 && number.value() <= ks::kMaxStationNumber)
            station = static_cast<int>(number.value());
    }
    return ks::TStationName { ks::Utf8ToCp1252(text.substr(0, colon)), station };
}

std::string Shown(const ks::TStationName& station)
{
    return ks::Cp1252ToUtf8(station.Name) + "(" + std::to_string(station.Number) + ")";
}

} // namespace

int Elevation(const std::vector<std::string>& args)
{
    std::string file, save;
    std::optional<ks::TStationName> from, to;
    bool longest = false, deepest = false;
    ks::TAssistantRequest request;
    // A departure or an arrival is given once.
    auto station = [](std::optional<ks::TStationName>& target) {
        return [&target](const std::string& text) {
            if (target)
                return Usage();
            target = ParseStation(text);
            return true;
        };
    };
    if (const auto refused = ArgParser()
                                 .Word(file)
                                 .Value("--from", station(from))
                                 .Value("--to", station(to))
                                 .Flag("--longest", longest)
                                 .Flag("--deepest", deepest)
                                 .Flag("--blind", request.Blind)
                                 .Flag("--right-to-left", [&request] { request.Forward = false; })
                                 .Value("--save", save)
                                 .Parse(args))
        return *refused;
    if (!from || (to ? 1 : 0) + longest + deepest != 1)
        return std::cerr << kUsage, 2;

    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    ks::TElevationAssistant assistant(massif);
    request.Departure = *from;
    if (to) {
        request.Arrival = *to;
    } else if (auto refusal = assistant.PlusLoin(*from, deepest, request.Arrival)) {
        PrintMessage(*refusal);
        return 1;
    } else {
        std::cerr << "arrival: " << Shown(request.Arrival) << '\n';
    }
    std::vector<ks::TPlacedGallery> placed;
    ConsoleReporter reporter;
    if (auto refusal = assistant.Construire(request, placed, &reporter)) {
        PrintMessage(*refusal);
        return 1;
    }
    std::cout << "ordre,gallery,unrolled\n";
    for (const ks::TPlacedGallery& p : placed)
        std::cout << p.Ref.Sheet << ',' << p.Ref.Gallery << ',' << (p.FromStart ? "start" : "end") << '\n';
    if (!save.empty())
        massif.Save(save, nullptr);
    return 0;
}

} // namespace cli
