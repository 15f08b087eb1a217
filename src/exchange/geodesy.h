#pragma once
// Coordinate systems for the exchange formats: fixed points turned from the system a file gives
// them in to the massif's output system through PROJ, and the grid convergence there.

#include <array>
#include <memory>
#include <string>

namespace ks {

// A transformation between two coordinate systems, each a PROJ definition ("EPSG:27700",
// "+proj=longlat +datum=WGS84"). Coordinates go easting (or longitude) first, heights in metres.
class TCoordinateTransform
{
public:
    // Throws std::runtime_error naming the system PROJ does not know.
    TCoordinateTransform(const std::string& from, const std::string& to);
    ~TCoordinateTransform();
    TCoordinateTransform(const TCoordinateTransform&) = delete;
    TCoordinateTransform& operator=(const TCoordinateTransform&) = delete;

    // Throws std::runtime_error when the point cannot be transformed.
    std::array<double, 3> Apply(double x, double y, double z) const;
    // A point of the input system as WGS 84 longitude and latitude, degrees.
    std::array<double, 2> Geographic(double x, double y) const;
    // The angle, degrees east, from true north to the output system's grid north at a point of the
    // input system: what a bearing from true north loses to be one from grid north.
    double GridConvergence(double x, double y) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A coordinate system as Survex names it ("UTM34N", "OSGB:SD", "EPSG:7405", "long-lat",
// "custom +proj=..."), as a PROJ definition and the false origin its coordinates are counted
// from (the grid square of an OSGB reference). Empty when the name is not one of those.
struct TNamedSystem
{
    std::string Proj;
    double OffsetX = 0, OffsetY = 0;
    bool LatitudeFirst = false; // "lat-long": the first coordinate is the latitude
};
bool SurvexSystem(const std::string& name, TNamedSystem& system);

} // namespace ks
