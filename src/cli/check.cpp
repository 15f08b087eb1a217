// karstelle-cli check: the loops' misclosures against the instruments' errors, and the shots whose
// misreading would explain the loops that do not close.
#include "cli/args.h"
#include "cli/cli_common.h"

#include "analysis/screening.h"
#include "compute/reduction.h"
#include "model/text_utils.h"

#include <cmath>
#include <iostream>

namespace cli {

namespace {

std::string Branches(const ks::TLoopFigure& loop)
{
    std::string text;
    for (std::size_t i = 0; i < loop.Galleries.size(); ++i)
        text += (i ? ", " : "") + std::string("sheet ") + std::to_string(loop.Galleries[i].Ordre)
            + " gallery " + std::to_string(loop.Galleries[i].Gallery);
    return text + (loop.ThroughReferences ? " (between reference points)" : "");
}

void Json(const ks::TScreening& s)
{
    std::cout << "{\"shots\": " << s.Shots << ", \"shots_outside_loops\": " << s.ShotsOutsideLoops
              << ", \"unit_variance_h\": " << JsonNumber(s.UnitVarianceH)
              << ", \"unit_variance_v\": " << JsonNumber(s.UnitVarianceV) << ",\n \"loops\": [";
    for (std::size_t i = 0; i < s.Loops.size(); ++i) {
        const auto& l = s.Loops[i];
        std::cout << (i ? ",\n  " : "\n  ") << "{\"branches\": [";
        for (std::size_t b = 0; b < l.Galleries.size(); ++b)
            std::cout << (b ? ", " : "") << "{\"ordre\": " << l.Galleries[b].Ordre
                      << ", \"gallery\": " << l.Galleries[b].Gallery << ", \"sign\": " << l.Signs[b] << "}";
        std::cout << "], \"references\": " << (l.ThroughReferences ? "true" : "false")
                  << ", \"misclosure\": [" << JsonNumber(l.Misclosure[0]) << ", "
                  << JsonNumber(l.Misclosure[1]) << ", " << JsonNumber(l.Misclosure[2])
                  << "], \"length\": " << JsonNumber(l.Length) << ", \"share\": " << JsonNumber(l.Share)
                  << ", \"normalised\": " << JsonNumber(l.Normalised)
                  << ", \"horizontal\": " << JsonNumber(l.Horizontal)
                  << ", \"vertical\": " << JsonNumber(l.Vertical) << "}";
    }
    std::cout << "],\n \"branches\": [";
    for (std::size_t i = 0; i < s.Branches.size(); ++i)
        std::cout << (i ? ",\n  " : "\n  ") << "{\"ordre\": " << s.Branches[i].Where.Ordre
                  << ", \"gallery\": " << s.Branches[i].Where.Gallery
                  << ", \"loops\": " << s.Branches[i].Loops
                  << ", \"ratio\": " << JsonNumber(s.Branches[i].Ratio) << "}";
    std::cout << "],\n \"suspects\": [";
    for (std::size_t i = 0; i < s.Suspects.size(); ++i) {
        const auto& t = s.Suspects[i];
        std::cout << (i ? ",\n  " : "\n  ") << "{\"ordre\": " << t.Where.Ordre
                  << ", \"gallery\": " << t.Where.Gallery << ", \"shot\": " << t.Shot << ", \"kind\": \""
                  << ks::SuspectKindName(t.Kind) << "\", \"correction\": " << JsonString(t.Correction)
                  << ", \"explains\": " << JsonNumber(t.Explains) << ", \"score\": " << JsonNumber(t.Score)
                  << ", \"flagged\": " << (t.Flagged ? "true" : "false") << "}";
    }
    std::cout << "]}\n";
}

void Text(const ks::TScreening& s)
{
    std::cout << "shots: " << s.Shots << "\nshots outside every loop: " << s.ShotsOutsideLoops
              << " (a misreading there cannot be found)\nloops: " << s.Loops.size()
              << "\nunit variance: horizontal " << ks::FormatFixed(s.UnitVarianceH, 2) << ", vertical "
              << ks::FormatFixed(s.UnitVarianceV, 2) << " (1 when the instruments err as assumed)\n";
    if (!s.Loops.empty())
        std::cout << "loops, worst first:\n";
    for (std::size_t i = 0; i < s.Loops.size() && i < 20; ++i) {
        const auto& l = s.Loops[i];
        std::cout << "  " << i + 1 << ". normalised " << ks::FormatFixed(l.Normalised, 1) << " (horizontal "
                  << ks::FormatFixed(l.Horizontal, 1) << ", vertical " << ks::FormatFixed(l.Vertical, 1)
                  << "), misclosure "
                  << ks::FormatFixed(
                         std::hypot(std::hypot(l.Misclosure[0], l.Misclosure[1]), l.Misclosure[2]), 3)
                  << " m (" << ks::FormatFixed(l.Share * 100, 2) << " %) over "
                  << ks::FormatFixed(l.Length, 1) << " m: " << Branches(l) << '\n';
    }
    if (!s.Branches.empty())
        std::cout << "branches whose floating lowers the network's figure most:\n";
    for (std::size_t i = 0; i < s.Branches.size() && i < 5; ++i)
        std::cout << "  sheet " << s.Branches[i].Where.Ordre << " gallery " << s.Branches[i].Where.Gallery
                  << ": ratio " << ks::FormatFixed(s.Branches[i].Ratio, 2) << " (" << s.Branches[i].Loops
                  << " loops)\n";
    if (!s.Suspects.empty())
        std::cout << "suspects, most likely first:\n";
    for (std::size_t i = 0; i < s.Suspects.size() && i < 20; ++i) {
        const auto& t = s.Suspects[i];
        std::cout << "  sheet " << t.Where.Ordre << " gallery " << t.Where.Gallery << " shot " << t.Shot
                  << ": " << ks::SuspectKindName(t.Kind) << ", " << t.Correction << ", explains "
                  << ks::FormatFixed(t.Explains * 100, 0) << " %, score " << ks::FormatFixed(t.Score, 1)
                  << (t.Flagged ? ", flagged" : "") << '\n';
    }
}

} // namespace

int Check(const std::vector<std::string>& args)
{
    std::string file;
    bool json = false;
    if (const auto refused = ArgParser().Word(file).Flag("--json", json).Parse(args))
        return *refused;
    TMassif massif;
    ks::LoadResult loaded;
    if (!LoadMassif(file, massif, loaded))
        return 1;
    for (const auto& sheet : massif.Sheets)
        ks::ReduceSheet(*sheet, massif.Angle_Geodesique);
    const ks::TScreening screening = ks::Screen(massif);
    json ? Json(screening) : Text(screening);
    return 0;
}

} // namespace cli
