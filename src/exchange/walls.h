#pragma once
// The Walls exchange: a project (.wpj) of books and survey files (.srv), or one survey file, read
// into sheets.

#include "exchange/survey_network.h"
#include "model/services.h"

#include <string>
#include <vector>

class TMassif;

namespace ks {

inline constexpr const char* kWallsFilter = "Fichero Walls (*.wpj *.srv)";

// Reads a Walls project and its survey files, or one survey file. Throws FileError naming the file
// and line of the first thing it cannot take, and why.
survey::TSurveyData ReadWalls(const std::string& fileName, IProgress* progress = nullptr);

// Reads a Walls project or survey file into the massif; nothing joins it unless everything was read.
survey::TImportReport ImportWalls(const std::string& fileName, TMassif& massif,
    std::vector<survey::TNameRow>* names = nullptr, IProgress* progress = nullptr);

} // namespace ks
