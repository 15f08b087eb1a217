#pragma once
// Declination arithmetic: dates as years, the model's declination at a sheet's date, the
// meridian convergence.

#include <optional>
#include <string>
#include <string_view>

class TMassif;

namespace ks {

inline constexpr const char* kYearNeededText
    = "Es necesario al menos el año para calcular la declinación.\rejemplo 03/01/99";
inline constexpr const char* kSameNorthingText
    = "El centro del macizo y el punto de la proyección tienen la misma Y: la convergencia no está definida.";

// A dd/mm/yy date as years: the full year (FullYear) + (mm - 1) / 12 + (dd - 1) / 365, the month
// and day terms only when they are numbers. Empty when the year (characters 7 and 8) is not a number.
std::optional<double> DateToYears(std::string_view date);

// Declination in degrees of a sheet dated `sheetDate` from the massif's model: the origin value
// minus the yearly decrease times the years since the model's date. Two-digit years, the sheet's
// and the model's alike, below 50 are 2000 to 2049. Empty when the sheet's year is blank.
std::optional<double> AutomaticDeclination(const TMassif& massif, std::string_view sheetDate);

// Meridian convergence in degrees between grid north and the line from the massif's centre
// (xc, yc) to the projection's point (xo, yo): atan((xo - xc) / (yc - yo)). Empty when yc = yo.
std::optional<double> MeridianConvergence(double xo, double yo, double xc, double yc);

} // namespace ks
