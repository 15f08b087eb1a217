#pragma once

#include "model/records.h"

#include <cstdint>
#include <string>
#include <vector>

// The sheet editor's unfinished sheet, as the binary massif file keeps it across a save and a load.
// Texts are kept exactly as typed (Windows-1252); the editor rebuilds its grid from them.
struct TEditorJunction
{
    TPointTopo EndAbove; // end station of the gallery above the junction
    TPointTopo StartBelow; // start station of the gallery below
    std::string Info; // information text of the gallery below
    double Deformation = 0;
    double Topofil = 1.0;
};

struct TEditorWork
{
    std::string Systeme, Cavite, Reseau, Lieu; // "&Sistema", "Ca&vidad", "Re&d", "&Lugar"
    std::string Date; // the date mask text
    std::string Declination; // "&Declinación"
    std::string DeclinationUnit;
    std::vector<std::string> Surveyors;
    std::string TPST; // "T.P.&B.T."
    std::string Premiere; // "&Primicia (m)"
    std::int16_t Columns = 0;
    std::int16_t Rows = 0;
    std::vector<std::string> Cells; // row by row, Rows * Columns texts
    std::int16_t SheetOrdre = -1; // low 16 bits of the edited sheet's Ordre; -1 for a new sheet
    TPointTopo FirstStart;
    std::string FirstInfo;
    double FirstDeformation = 0;
    double FirstTopofil = 1.0;
    bool Ended = false; // a final end station exists
    TPointTopo FinalEnd;
    std::vector<TEditorJunction> Junctions;
};
