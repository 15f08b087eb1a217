#pragma once
// The plotter text export ("&HPGL ..."): the computed stations as move and draw lines with
// their labels, passage dimensions and bounding boxes, one survey per sheet, lines ended by CR LF.

#include <string>

class TMassif;

namespace ks {

// The file's text for the massif's current sheets.
std::string PlotterText(const TMassif& massif);

} // namespace ks
