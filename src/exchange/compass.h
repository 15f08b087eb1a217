#pragma once
// The Compass exchange: survey files (.dat) and the project files (.mak) that list them with their
// fixed stations, read into sheets.

#include "exchange/survey_network.h"
#include "model/services.h"

#include <string>
#include <vector>

class TMassif;

namespace ks {

inline constexpr const char* kCompassFilter = "Fichero Compass (*.dat *.mak)";

// Reads a Compass project (.mak) and its survey files, or one survey file (.dat). Throws
// FileError naming the file and line of the first thing it cannot take, and why.
survey::TSurveyData ReadCompass(const std::string& fileName, IProgress* progress = nullptr);

// Reads a Compass project or survey file into the massif; nothing joins it unless everything was read.
survey::TImportReport ImportCompass(const std::string& fileName, TMassif& massif,
    std::vector<survey::TNameRow>* names = nullptr, IProgress* progress = nullptr);

} // namespace ks
