#pragma once
// What the Survex, Compass and Walls readers make of their files, in one form: surveys of legs
// between named stations, fixed points and equated names; and how that becomes sheets, galleries
// and reference points of a massif, the same for the three readers.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TMassif;

namespace ks::survey {

enum LegFlag : unsigned { kSplay = 1, kDuplicate = 2, kSurface = 4 };

// Passage sizes at a station, metres; a negative size was not given.
struct TSizes
{
    double Left = -1, Right = -1, Up = -1, Down = -1;
    bool Any() const { return Left >= 0 || Right >= 0 || Up >= 0 || Down >= 0; }
};

// One leg from station From to station To. An empty name is an anonymous station, met once.
struct TLeg
{
    std::string From, To; // full names, survey prefixes included
    double Length = 0; // metres along the leg
    double Bearing = 0; // degrees clockwise from the north the survey's declination turns to grid
    double Inclination = 0; // degrees, up positive
    unsigned Flags = 0; // LegFlag
    TSizes AtTo; // passage sizes at To, from the leg's own line
    std::string File;
    int Line = 0;
};

// Legs that share a place in the survey tree, a date, a team and a declination: one sheet.
struct TSurvey
{
    std::vector<std::string> Path; // the survey tree, outermost first
    std::string Date; // "dd/mm/yy", or empty
    std::vector<std::string> Team;
    double Declination = 0; // degrees, added to the bearings
    std::vector<TLeg> Legs;
};

struct TFix
{
    std::string Station;
    double X = 0, Y = 0, Z = 0; // metres, in the output system
};

// Passage sizes given for a station apart from its legs (Survex's passage data).
struct TStationSizes
{
    std::string Station;
    TSizes Sizes;
};

struct TSurveyData
{
    std::string Title; // the system's name
    std::vector<TSurvey> Surveys;
    std::vector<TFix> Fixes;
    std::vector<std::pair<std::string, std::string>> Equates; // each pair is one station
    std::vector<TStationSizes> Passages;
    // What the reader adapted or left out, each with how often: "legs without readings skipped".
    std::map<std::string, int> Adapted;
};

// One original station name and where it ended in the massif: the sheet's Ordre, the gallery's
// index in the sheet, and the station's index in the gallery (0 its start, k the far end of shot k).
struct TNameRow
{
    std::string Name;
    int Ordre = 0, Gallery = 0, Station = 0;
};

struct TImportReport
{
    int Sheets = 0, Galleries = 0, Shots = 0, References = 0, Stations = 0;
    double Development = 0; // metres of legs that count in the development
    std::map<std::string, int> Adapted;
    // One text with everything adapted, for the message at the end; empty when nothing was.
    std::string AdaptedText() const;
};

// Builds the sheets and reference points of the data apart, then joins them to the massif at
// once. `names`, when given, receives every original station name (equated names included).
// Station names: a station whose last name part is a whole number from 0 to 255 keeps it as its
// number, under the name of the survey it lies in ("dow2" 31 for DowCave.dow2.31); any other
// keeps its last name part with the first number free for it. A pair taken already by another
// station gets the survey's parent in front, then the first free number. The original full name
// is the comment of the shot that ends at the station.
TImportReport JoinSurvey(const TSurveyData& data, TMassif& massif, std::vector<TNameRow>* names = nullptr);

// Where a reader is in its files, and the refusals and texts that follow from it: what the three
// readers share.
class TReaderPlace
{
protected:
    // A refusal naming the file and the line.
    [[noreturn]] void Fail(const std::string& detail) const;
    // A text of the file as the massif keeps it (Windows-1252).
    std::string Text(const std::string& text) const;
    // A number, refused when it is none or beyond any survey's reach.
    double Number(const std::string& text) const;

    std::string m_file;
    int m_line = 0;
    bool m_utf8 = false; // the file reads as UTF-8
};

// The first entry of a folder whose name is `name`, or differs from it only in case.
std::optional<std::filesystem::path> FindIgnoringCase(
    const std::filesystem::path& folder, const std::string& name);
// Whether a file's text reads as UTF-8; the readers take any other as Windows-1252.
bool IsUtf8(const std::string& text);

// What the three imports do once their reader has read a file whole: a file with no survey (and,
// unless `fixesSuffice`, no fixed point either) is refused with FileError `nothing`; any other
// joins the massif.
TImportReport JoinRead(const TSurveyData& data, const std::string& fileName, const char* nothing,
    bool fixesSuffice, TMassif& massif, std::vector<TNameRow>* names);

// The station map as CSV: a header line "name,ordre,gallery,station", then one row per name.
std::string NamesCsv(const std::vector<TNameRow>& names);

} // namespace ks::survey
