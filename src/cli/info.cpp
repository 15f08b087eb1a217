// karstelle-cli info: what a massif file holds, counted.
#include "cli/args.h"
#include "cli/cli_common.h"
#include "model/file_io.h"

namespace cli {

int Info(const std::vector<std::string>& args)
{
    std::string path;
    if (const auto refused = ArgParser().Word(path).Parse(args))
        return *refused;
    TMassif massif;
    ks::LoadResult result;
    if (!LoadMassif(path, massif, result))
        return 1;
    std::size_t galleries = 0, shots = 0;
    for (const auto& sheet : massif.Sheets) {
        galleries += sheet->Galeries.size();
        for (const auto& gallery : sheet->Galeries)
            shots += gallery->Shots.size();
    }
    std::cout << "file: " << path << '\n'
              << "format: " << (ks::IsTextFileName(path) ? "text" : "binary") << '\n'
              << "version: " << result.version << '\n'
              << "sheets: " << massif.Sheets.size() << '\n'
              << "galleries: " << galleries << '\n'
              << "shots: " << shots << '\n'
              << "references: " << massif.References.size() << '\n'
              << "elevation points: " << massif.ElevationPoints.size() << '\n'
              << "recycle bin sheets: " << massif.RecycleBin.size() << '\n'
              << "shortcuts: " << massif.Shortcuts.size() << '\n'
              << "unfinished editor work: " << (massif.EditorWork ? "yes" : "no") << '\n';
    return 0;
}

} // namespace cli
