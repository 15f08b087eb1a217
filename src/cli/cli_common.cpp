// What the commands of karstelle-cli share: the usage, messages, loading, option numbers.
#include "cli/cli_common.h"

#include "compute/driver.h"
#include "model/text_utils.h"

#include <cmath>
#include <iomanip>
#include <iostream>
#include <sstream>

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
      "  karstelle-cli export plotter|toporobot|survex FILE OUT\n"
      "  karstelle-cli import toporobot IN OUT\n"
      "  karstelle-cli import survex|compass|walls IN OUT [--names MAP.csv]\n"
      "  karstelle-cli stats FILE [--json]\n"
      "  karstelle-cli check FILE [--json]\n"
      "  karstelle-cli table FILE [--csv]\n"
      "  karstelle-cli search FILE [--system T] [--cave T] [--network T] [--place T] [--from DATE] [--to "
      "DATE]"
      " [--surveyor T] [--station NAME[:N]] [--text T] [--except]\n"
      "  karstelle-cli options show|write-defaults [--force]\n"
      "  compute, check, render, stats, table and export take --no-limits: no limit on junctions and "
      "equations\n";

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
    TThreadCalcul thread(massif, flags, {}, TThreadCalcul::Priority::Normal);
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

std::optional<double> OptionValue(
    const std::string& option, const std::string& text, double low, double high, bool whole)
{
    const auto value = ks::ParseReal(text);
    if (value && *value >= low && *value <= high && (!whole || *value == std::floor(*value)))
        return value;
    std::cerr << "karstelle-cli: " << option << " " << text << ": " << (whole ? "a whole number" : "a number")
              << " from " << ks::FormatG(low, 10) << " to " << ks::FormatG(high, 10) << " is wanted\n";
    return std::nullopt;
}

std::string Extension(const std::string& path)
{
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : ks::UpperCase(path.substr(dot));
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                const char* hex = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

std::string JsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    std::ostringstream out;
    out << std::setprecision(17) << value;
    return out.str();
}

} // namespace cli
