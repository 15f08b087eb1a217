// karstelle-cli: the non-interactive work on massif files, for batch use, scripts and tests.

#include "model/file_error.h"
#include "model/massif.h"
#include "model/services.h"

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage = "usage:\n"
                           "  karstelle-cli info FILE\n"
                           "  karstelle-cli convert IN OUT\n";

// Messages of the core go to standard error; questions are answered "stop", since nobody is there
// to answer them.
class ConsoleReporter : public ks::IReporter
{
public:
    void Message(ks::MessageKind, const std::string& text) override { std::cerr << text << '\n'; }
    bool AskContinue(const std::string& text) override
    {
        std::cerr << text << '\n';
        return false;
    }
};

// Loads a massif; false (with the message printed) when it could not be read.
bool LoadMassif(const std::string& path, TMassif& massif, ks::LoadResult& result)
{
    ConsoleReporter reporter;
    massif.FileName = path;
    result = massif.Load(&reporter, nullptr);
    return result.status == ks::LoadStatus::Loaded;
}

int Info(const std::string& path)
{
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

int Convert(const std::string& in, const std::string& out)
{
    TMassif massif;
    ks::LoadResult result;
    if (!LoadMassif(in, massif, result))
        return 1;
    massif.Save(out, nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 2 && args[0] == "info")
            return Info(args[1]);
        if (args.size() == 3 && args[0] == "convert")
            return Convert(args[1], args[2]);
    } catch (const ks::FileError& e) {
        std::cerr << "karstelle-cli: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "karstelle-cli: " << e.what() << '\n';
        return 1;
    }
    std::cerr << kUsage;
    return 2;
}
