#pragma once
// The Toporobot tab-separated exchange: the massif written as trips, codes and series of stations,
// and files of that format (and of its later variants) read back into sheets.

#include "model/services.h"

#include <string>
#include <vector>

class TMassif;

namespace ks {

inline constexpr const char* kToporobotFilter = "Fichero TopoRobot (*.Tab)";
inline constexpr const char* kExportDoneText = "Exportación terminada";
inline constexpr const char* kNoReferenceExportText
    = "El macizo no tiene ningún punto de referencia: no se puede exportar a Toporobot.";

// The file's text for the massif's current sheets and its reference points, lines ended by CR.
// Throws std::runtime_error with kNoReferenceExportText when the massif has no reference point.
std::string ToporobotText(const TMassif& massif);

// What an import read, and what it adapted of a file that departs from the classic layout.
struct TToporobotReport
{
    int Sheets = 0, Galleries = 0, Shots = 0, References = 0;
    int Series = 0, Stations = 0; // series headers and station lines read
    bool MacRoman = false; // the text was read as Macintosh Roman (else Windows-1252)
    bool CrOnly = false; // every line ended with a CR alone
    int SkippedRecords = 0; // records of kinds this format has no use for ("-20", "-10", ...)
    int CommentLines = 0; // "#" lines
    int SplitGalleries = 0; // runs of more than 128 shots cut into galleries
    int BackwardInclinationCodes = 0; // inclination codes 350 and 390
    std::vector<std::string> UnknownCodes; // "Código rumbo desconocido :" ... messages
    // Series with fewer station lines than their header announces: "number (read of announced)".
    std::vector<std::string> ShortSeries;
    int LongTexts = 0, LongTextLine = 0; // texts longer than a massif keeps, cut; the first one's line
    // One text with everything adapted, for the message at the end; empty when nothing was.
    std::string Adapted() const;
};

// Reads a Toporobot file into the massif. The sheets and reference points are built apart and
// join the massif only when the whole file was read: a refused file leaves it as it was.
// Throws FileError naming the file when it cannot be read or holds no survey.
TToporobotReport ImportToporobot(const std::string& fileName, TMassif& massif, IReporter* reporter = nullptr,
    IProgress* progress = nullptr);

} // namespace ks
