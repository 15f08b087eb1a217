// Coordinate transformations through PROJ, and Survex's names of coordinate systems.
#include "exchange/geodesy.h"

#include "model/text_utils.h"

#include <proj.h>

#include <cmath>
#include <stdexcept>

namespace ks {

namespace {

constexpr double kPi = 3.14159265358979323846;

// One PROJ transformation in its own context, axes as maps have them (easting first).
struct Pipeline
{
    PJ_CONTEXT* Context = proj_context_create();
    PJ* P = nullptr;

    Pipeline(const std::string& from, const std::string& to)
    {
        proj_log_level(Context, PJ_LOG_NONE);
        PJ* raw = proj_create_crs_to_crs(Context, from.c_str(), to.c_str(), nullptr);
        if (raw) {
            P = proj_normalize_for_visualization(Context, raw);
            proj_destroy(raw);
        }
        if (!P) {
            proj_context_destroy(Context);
            throw std::runtime_error("sistema de coordenadas desconocido: «" + from + "» o «" + to + "»");
        }
    }
    ~Pipeline()
    {
        proj_destroy(P);
        proj_context_destroy(Context);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    std::array<double, 3> Apply(double x, double y, double z) const
    {
        proj_errno_reset(P);
        const PJ_COORD out = proj_trans(P, PJ_FWD, proj_coord(x, y, z, 0));
        if (proj_errno(P) != 0 || !std::isfinite(out.xyz.x) || !std::isfinite(out.xyz.y))
            throw std::runtime_error("el punto " + FormatG(x, 12) + " " + FormatG(y, 12)
                + " no se puede transformar al sistema de salida");
        return { out.xyz.x, out.xyz.y, std::isfinite(out.xyz.z) ? out.xyz.z : z };
    }
};

} // namespace

struct TCoordinateTransform::Impl
{
    std::string From, To;
    Pipeline Forward;
    // For the grid convergence, made on first use: the input system to longitude and latitude,
    // and longitude and latitude to the output system.
    std::unique_ptr<Pipeline> ToGeographic, FromGeographic;

    Impl(const std::string& from, const std::string& to)
        : From(from)
        , To(to)
        , Forward(from, to)
    { }
};

TCoordinateTransform::TCoordinateTransform(const std::string& from, const std::string& to)
    : m_impl(std::make_unique<Impl>(from, to))
{ }

TCoordinateTransform::~TCoordinateTransform() = default;

std::array<double, 3> TCoordinateTransform::Apply(double x, double y, double z) const
{
    return m_impl->Forward.Apply(x, y, z);
}

std::array<double, 2> TCoordinateTransform::Geographic(double x, double y) const
{
    if (!m_impl->ToGeographic)
        m_impl->ToGeographic = std::make_unique<Pipeline>(m_impl->From, "EPSG:4326");
    const auto g = m_impl->ToGeographic->Apply(x, y, 0);
    return { g[0], g[1] };
}

double TCoordinateTransform::GridConvergence(double x, double y) const
{
    // True north at the point, as a short step north in latitude drawn on the output grid.
    if (!m_impl->FromGeographic)
        m_impl->FromGeographic = std::make_unique<Pipeline>("EPSG:4326", m_impl->To);
    const auto g = Geographic(x, y);
    const auto a = m_impl->FromGeographic->Apply(g[0], g[1], 0);
    const auto b = m_impl->FromGeographic->Apply(g[0], g[1] + 1e-4, 0);
    return std::atan2(b[0] - a[0], b[1] - a[1]) * 180 / kPi;
}

bool SurvexSystem(const std::string& name, TNamedSystem& system)
{
    const std::string upper = UpperCase(name);
    system = TNamedSystem();
    if (upper.rfind("CUSTOM ", 0) == 0) {
        system.Proj = name.substr(7);
        return true;
    }
    if (upper.rfind("EPSG:", 0) == 0 || upper.rfind("ESRI:", 0) == 0) {
        system.Proj = upper;
        return true;
    }
    if (upper == "LONG-LAT" || upper == "LAT-LONG") {
        system.Proj = "EPSG:4326"; // normalised: longitude first
        system.LatitudeFirst = upper == "LAT-LONG";
        return true;
    }
    if (upper == "S-MERC") {
        system.Proj = "EPSG:3857";
        return true;
    }
    if (upper.size() >= 5 && upper.rfind("UTM", 0) == 0 && (upper.back() == 'N' || upper.back() == 'S')) {
        const auto zone = ParseInt(upper.substr(3, upper.size() - 4));
        if (!zone || *zone < 1 || *zone > 60)
            return false;
        system.Proj = "EPSG:" + std::to_string((upper.back() == 'N' ? 32600 : 32700) + *zone);
        return true;
    }
    // An OSGB grid square: its two letters give the 100 km square's south-west corner.
    if (upper.size() == 7 && upper.rfind("OSGB:", 0) == 0) {
        auto index = [](char c) { return c > 'I' ? c - 'A' - 1 : c - 'A'; }; // the grid has no I
        const char first = upper[5], second = upper[6];
        if (first < 'A' || first > 'Z' || second < 'A' || second > 'Z' || first == 'I' || second == 'I')
            return false;
        const int a = index(first), b = index(second);
        // Letters run in rows of five from the north-west (A B C D E, F G H J K, ...). The first
        // gives the 500 km square, S holding the false origin; the second the 100 km square in it.
        const int e500 = (a % 5) - 2, n500 = 3 - a / 5;
        const int e100 = b % 5, n100 = 4 - b / 5;
        system.Proj = "EPSG:27700";
        system.OffsetX = (e500 * 5 + e100) * 100000.0;
        system.OffsetY = (n500 * 5 + n100) * 100000.0;
        return system.OffsetX >= 0 && system.OffsetY >= 0;
    }
    return false;
}

} // namespace ks
