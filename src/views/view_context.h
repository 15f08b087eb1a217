#pragma once
// What the views read but do not own: the massif and the option records.

#include "options/options.h"

#include <functional>

class TGalerie;
class TMassif;
struct TOptions_Plan;
struct TOptions_Coupe;
struct TOptions_Relief;
struct TOptions_Tableau;
struct TMarge;

// What the views read but do not own: the massif and the option records, owned by the main
// window (or by karstelle-cli). A view keeps only this reference.
struct TViewContext
{
    TMassif* Massif = nullptr;
    TOptions_Plan* Plan = nullptr;
    TOptions_Coupe* Coupe = nullptr;
    TOptions_Relief* Relief = nullptr;
    TOptions_Tableau* Tableau = nullptr;
    TMarge* Marge = nullptr;
    THintOptions Hints;
    // The table's sheet order ("&Ordenar"): 0 as entered, 1 by date, 2 by location.
    int TableOrder = 0;
    // For the misclosure colours (mode 4): the largest normalised misclosure of the loops a
    // gallery lies in; negative for a gallery in no loop.
    std::function<double(const TGalerie&)> Misclosure;
};
