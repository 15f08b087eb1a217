#pragma once
// The Survex exchange: a project of .svx files read into sheets, and the massif written as one
// .svx file.

#include "exchange/survey_network.h"
#include "model/services.h"

#include <string>
#include <vector>

class TMassif;

namespace ks {

inline constexpr const char* kSurvexFilter = "Fichero Survex (*.svx)";

// Reads a Survex project: the file and every file it includes. Throws FileError naming the file
// and the line of the first command or reading it cannot take, and why.
survey::TSurveyData ReadSurvex(const std::string& fileName, IProgress* progress = nullptr);

// Reads a Survex project into the massif; nothing joins it unless the whole project was read.
survey::TImportReport ImportSurvex(const std::string& fileName, TMassif& massif,
    std::vector<survey::TNameRow>* names = nullptr, IProgress* progress = nullptr);

// The massif's current sheets and its reference points as a Survex file: one survey per sheet.
std::string SurvexText(const TMassif& massif);

} // namespace ks
