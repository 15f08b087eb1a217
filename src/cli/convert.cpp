// karstelle-cli convert: a massif written again, in the format its new name's extension gives.
#include "cli/args.h"
#include "cli/cli_common.h"

namespace cli {

int Convert(const std::vector<std::string>& args)
{
    std::string in, out;
    if (const auto refused = ArgParser().Word(in).Word(out).Parse(args))
        return *refused;
    TMassif massif;
    ks::LoadResult result;
    if (!LoadMassif(in, massif, result))
        return 1;
    massif.Save(out, nullptr);
    return 0;
}

} // namespace cli
