#include "cli/cli_common.h"

#include "compute/driver.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/text_utils.h"

#include <filesystem>
#include <iostream>

namespace cli {

const char* const kUsage
    = "usage:\n"
      "  karstelle-cli info FILE\n"
      "  karstelle-cli convert IN OUT\n"
      "  karstelle-cli compute FILE [--csv|--json] [-o OUT] [--save MASSIF]\n"
      "  karstelle-cli render plan|elevation|perspective|table FILE -o OUT.png|.pdf|.svg [--scale N]"
      " [--zoom R] [--angle DEG] [--mode 0|2|3]\n"
      "      (perspective: [--azimuth A] [--inclination I] [--anaglyph])\n"
      "  karstelle-cli elevation FILE --from NAME:N (--to NAME:N | --longest | --deepest) [--blind]"
      " [--right-to-left] [--save OUT]\n"
      "  karstelle-cli export vrml FILE OUT.wrl [--mode grey|deformation|colour] [--centre]\n"
      "  karstelle-cli export plotter|toporobot FILE OUT\n"
      "  karstelle-cli import toporobot IN OUT\n"
      "  karstelle-cli stats FILE [--json]\n"
      "  karstelle-cli table FILE [--csv]\n"
      "  karstelle-cli search FILE [--system T] [--cave T] [--network T] [--place T] [--from DATE] [--to "
      "DATE]"
      " [--surveyor T] [--station NAME[:N]] [--text T] [--except]\n"
      "  karstelle-cli options show|write-defaults [--force]\n"
      "  compute, render, stats, table and export take --no-limits: no limit on junctions and equations\n";

bool g_unlimited = false;

void PrintMessage(const std::string& text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            lines += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            lines += '\n';
    }
    std::cerr << lines << '\n';
}

std::string TemporaryFor(const std::string& out)
{
    try {
        return ks::CreateTemporaryBeside(out);
    } catch (const ks::FileError&) {
        std::cerr << "karstelle-cli: " << out << ": cannot write\n";
        return std::string();
    }
}

bool Publish(bool drawn, const std::string& part, const std::string& out)
{
    try {
        if (drawn) {
            ks::PublishTemporary(part, out);
            return true;
        }
    } catch (const ks::FileError&) {
        drawn = false; // the temporary file is gone with the failure
    }
    std::error_code error;
    std::filesystem::remove(part, error);
    std::cerr << "karstelle-cli: " << out << ": cannot write\n";
    return false;
}

bool LoadMassif(const std::string& path, TMassif& massif, ks::LoadResult& result)
{
    ConsoleReporter reporter;
    massif.FileName = path;
    result = massif.Load(&reporter, nullptr);
    return result.status == ks::LoadStatus::Loaded;
}

ks::TComputeReport ComputeNow(TMassif& massif)
{
    ks::TComputeFlags flags;
    flags.Unlimited = g_unlimited;
    // Nothing else runs while the tool waits for its result: no reason to yield to other programs.
    ks::TThreadCalcul thread(massif, flags, {}, ks::TThreadCalcul::Priority::Normal);
    const ks::TComputeReport report = thread.Complete(massif);
    for (const auto& message : report.Messages)
        PrintMessage(message.second);
    if (report.Positioned)
        massif.PlaceAllStations();
    return report;
}

bool LoadComputed(const std::string& file, TMassif& massif)
{
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return false;
    if (!ComputeNow(massif).Positioned) {
        std::cerr << "karstelle-cli: " << file << ": nothing could be computed\n";
        return false;
    }
    return true;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string Extension(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : ks::UpperCase(path.substr(dot));
}

} // namespace cli
