#pragma once
// The magnetic declination from the International Geomagnetic Reference Field, with the
// coefficients Debian's casacore-data-igrf package installs (IGRF-12: 1900 to 2020).

#include <optional>
#include <string>

namespace ks {

// Where the coefficients are read from, unless told otherwise.
inline constexpr const char* kIgrfTable = "/usr/share/casacore/data/geodetic/IGRF/table.f0i";

// The declination in degrees (east positive) at a geodetic latitude and longitude (degrees,
// WGS 84), a height above the ellipsoid (kilometres) and a date in decimal years. Empty when the
// date lies outside the model or the coefficient table cannot be read.
std::optional<double> MagneticDeclination(
    double latitude, double longitude, double heightKm, double years, const std::string& table = kIgrfTable);

} // namespace ks
