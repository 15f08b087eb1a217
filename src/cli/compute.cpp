// karstelle-cli compute: a massif computed, its stations' coordinates written as CSV or JSON.
#include "cli/args.h"
#include "cli/cli_common.h"
#include "compute/driver.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/text_utils.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <utility>

namespace cli {

namespace {

// Where the rows go: standard output, or a file written beside OUT and renamed into place, so that
// a failed write leaves OUT as it was. They go out a megabyte at a time: a large cave's rows are
// never all held at once.
class RowOutput
{
public:
    explicit RowOutput(const std::string& path)
        : m_path(path)
    {
        if (path.empty())
            return;
        m_temporary = ks::CreateTemporaryBeside(path);
        m_file = std::fopen(m_temporary.c_str(), "wb");
        if (!m_file)
            Fail(errno);
    }
    ~RowOutput()
    {
        if (m_file) {
            std::fclose(m_file);
            std::remove(m_temporary.c_str());
        }
    }
    RowOutput(const RowOutput&) = delete;
    RowOutput& operator=(const RowOutput&) = delete;

    std::string Rows;

    // Sends the rows once they pass a megabyte.
    void Flush(bool always = false)
    {
        if (!always && Rows.size() < (1u << 20))
            return;
        if (!m_file)
            std::cout << Rows;
        else if (std::fwrite(Rows.data(), 1, Rows.size(), m_file) != Rows.size())
            Fail(errno);
        Rows.clear();
    }
    void Finish()
    {
        Flush(true);
        if (!m_file)
            return;
        std::FILE* file = std::exchange(m_file, nullptr);
        if (std::fclose(file) != 0) {
            const int error = errno;
            std::remove(m_temporary.c_str());
            throw ks::FileError(m_path, "", ks::SystemErrorText(error));
        }
        ks::PublishTemporary(m_temporary, m_path);
    }

private:
    [[noreturn]] void Fail(int error) { throw ks::FileError(m_path, "", ks::SystemErrorText(error)); }

    std::string m_path, m_temporary;
    std::FILE* m_file = nullptr;
};

// One row per station of every positioned gallery: its start (k = 0), then the far station of
// every shot. Intermediate stations carry no name.
void StationRows(const TMassif& massif, bool json, RowOutput& output)
{
    std::string& out = output.Rows;
    out.reserve((1u << 20) + 4096);
    bool first = true;
    out += json ? "[\n" : "ordre,gallery,station,name,number,x,y,z\n";
    for (const auto& sheet : massif.Sheets) {
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g) {
            const TGalerie& gallery = *sheet->Galeries[g];
            if (!gallery.Positioned)
                continue;
            const int shots = gallery.ShotCount();
            const std::string ordre = std::to_string(sheet->Ordre), index = std::to_string(g);
            for (int k = 0; k <= shots; ++k) {
                const TPointTopo* named = k == 0 ? &gallery.Start : k == shots ? &gallery.End : nullptr;
                std::string name, number;
                if (named && named->Final) {
                    name = "Final";
                } else if (named) {
                    name = ks::Cp1252ToUtf8(named->Name.Get());
                    number = std::to_string(named->Number);
                }
                double x = gallery.Start.X, y = gallery.Start.Y, z = gallery.Start.Z;
                if (k > 0) {
                    const TStationPos& p = gallery.Stations[static_cast<std::size_t>(k - 1)];
                    x = p.X;
                    y = p.Y;
                    z = p.Z;
                }
                // A coordinate that is no number is written as none (null, or an empty field).
                auto coordinate = [json](double v) {
                    return std::isfinite(v) ? ks::FormatFixed(v, 6) : std::string(json ? "null" : "");
                };
                if (json) {
                    out += (first ? "  " : ",\n  ");
                    out += "{\"ordre\": " + ordre + ", \"gallery\": " + index
                        + ", \"station\": " + std::to_string(k) + ", \"name\": " + JsonString(name)
                        + ", \"number\": " + (number.empty() ? "null" : number) + ", \"x\": " + coordinate(x)
                        + ", \"y\": " + coordinate(y) + ", \"z\": " + coordinate(z) + "}";
                } else {
                    out += ordre + ',' + index + ',' + std::to_string(k) + ',' + ks::CsvField(name) + ','
                        + number + ',' + coordinate(x) + ',' + coordinate(y) + ',' + coordinate(z) + '\n';
                }
                first = false;
            }
            output.Flush();
        }
    }
    if (json)
        out += first ? "]\n" : "\n]\n";
    output.Finish();
}

// A share as a percentage with two decimals; an absurd one (a coefficient of 1e-300) in general
// format rather than in hundreds of digits.
std::string Percentage(double share)
{
    const double percent = share * 100;
    return std::fabs(percent) < 1e6 ? ks::FormatFixed(percent, 2) : ks::FormatG(percent, 6);
}

void PrintReport(const TMassif& massif, const ks::TComputeReport& report)
{
    std::cerr << "galleries: " << report.Galleries << '\n'
              << "branches: " << report.Branches << '\n'
              << "closures: " << report.Closures << '\n'
              << "blind branches: " << report.DeadEnds << '\n'
              << "equations: " << report.Equations << '\n'
              << "unreached galleries: " << report.Unreached.size() << '\n';
    for (const auto& line : report.Unreached)
        std::cerr << "  " << line << '\n';
    const ks::TDeformation worst = ks::LargestDeformation(massif);
    if (worst.Sheet)
        std::cerr << "largest deformation: " << Percentage(worst.Value) << "% (sheet " << worst.Sheet->Ordre
                  << ", gallery " << worst.Gallery << ")\n";
    std::cerr << "elapsed: " << ks::FormatFixed(report.Seconds, 3) << " s\n";
}

} // namespace

int Compute(const std::vector<std::string>& args)
{
    std::string file, out, save;
    bool json = false;
    if (const auto refused = ArgParser()
                                 .Word(file)
                                 .Flag("--csv", [&json] { json = false; })
                                 .Flag("--json", json)
                                 .Value("-o", out)
                                 .Value("--save", save)
                                 .Parse(args))
        return *refused;

    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    const ks::TComputeReport report = ComputeNow(massif);
    if (!report.Positioned) {
        if (report.NoReference)
            std::cerr << "karstelle-cli: " << ks::kNoReferenceText << '\n';
        else if (report.NoneReached)
            std::cerr << "karstelle-cli: " << ks::kNothingReachedText << '\n';
        else if (report.TooLarge) // its message is printed: say how to go past it
            std::cerr << "karstelle-cli: " << file << ": beyond the size limits; --no-limits computes it\n";
        else
            std::cerr << "karstelle-cli: the computation was stopped\n";
        return 1;
    }

    RowOutput output(out);
    StationRows(massif, json, output);
    PrintReport(massif, report);
    if (!save.empty())
        massif.Save(save, nullptr);
    return 0;
}

} // namespace cli
