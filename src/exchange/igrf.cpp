// The IGRF field: the Gauss coefficients read from the casacore table, the field's north and east
// components from the spherical harmonic sum, and the declination between them.
#include "exchange/igrf.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace ks {

namespace {

constexpr int kDegree = 13;
constexpr int kCoefficients = kDegree * (kDegree + 2); // 195: g, h of degrees 1 to 13
constexpr int kEpochs = 24; // 1900, 1905, ..., 2015
constexpr double kFirstEpoch = 1900, kStep = 5, kLastYear = 2020;
constexpr double kPi = 3.14159265358979323846;

// Per epoch, the coefficients and their yearly change, in nT, in the order g10 g11 h11 g20 ...
struct Model
{
    std::vector<std::array<double, kCoefficients>> Coef, Change;
    bool Read = false;
};

// The table's file holds 48 arrays, each a 16-byte header (with its length, 195) and 195
// little-endian doubles: for each epoch its coefficients, then their yearly change.
Model Load(const std::string& path)
{
    Model m;
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr std::size_t kHeader = 12, kArray = 16 + 8 * kCoefficients;
    if (bytes.size() != kHeader + 2 * kEpochs * kArray)
        return m;
    for (int a = 0; a < 2 * kEpochs; ++a) {
        const char* at = bytes.data() + kHeader + static_cast<std::size_t>(a) * kArray;
        std::uint32_t length = 0;
        std::memcpy(&length, at + 12, 4);
        if (length != kCoefficients)
            return m;
        std::array<double, kCoefficients> values {};
        std::memcpy(values.data(), at + 16, sizeof values);
        (a % 2 == 0 ? m.Coef : m.Change).push_back(values);
    }
    // A plausible first coefficient (the dipole, about -31500 nT in 1900) tells the layout is right.
    m.Read = m.Coef[0][0] < -30000 && m.Coef[0][0] > -33000;
    return m;
}

const Model& Coefficients(const std::string& path)
{
    static std::mutex mutex;
    static std::string loadedPath;
    static Model model;
    std::lock_guard<std::mutex> lock(mutex);
    if (loadedPath != path) {
        model = Load(path);
        loadedPath = path;
    }
    return model;
}

} // namespace

std::optional<double> MagneticDeclination(
    double latitude, double longitude, double heightKm, double years, const std::string& table)
{
    if (!(years >= kFirstEpoch && years <= kLastYear) || !std::isfinite(latitude)
        || !std::isfinite(longitude))
        return std::nullopt;
    const Model& model = Coefficients(table);
    if (!model.Read)
        return std::nullopt;
    // The coefficients at the date: between two epochs, or from the last one by its yearly change.
    const int epoch = std::min(kEpochs - 1, static_cast<int>((years - kFirstEpoch) / kStep));
    const double t = years - (kFirstEpoch + kStep * epoch);
    std::array<double, kCoefficients> gh {};
    for (int i = 0; i < kCoefficients; ++i) {
        const auto e = static_cast<std::size_t>(epoch);
        gh[static_cast<std::size_t>(i)] = epoch + 1 < kEpochs
            ? model.Coef[e][static_cast<std::size_t>(i)]
                + (model.Coef[e + 1][static_cast<std::size_t>(i)]
                      - model.Coef[e][static_cast<std::size_t>(i)])
                    * t / kStep
            : model.Coef[e][static_cast<std::size_t>(i)] + model.Change[e][static_cast<std::size_t>(i)] * t;
    }

    // Geodetic (WGS 84) to geocentric: radius and colatitude.
    const double a = 6378.137, b = 6356.752314245, a2 = a * a, b2 = b * b;
    const double lat = latitude * kPi / 180, lon = longitude * kPi / 180;
    const double sinLat = std::sin(lat), cosLat = std::cos(lat);
    const double rho = std::sqrt(a2 * cosLat * cosLat + b2 * sinLat * sinLat);
    const double r = std::sqrt(heightKm * heightKm + 2 * heightKm * rho
        + (a2 * a2 * cosLat * cosLat + b2 * b2 * sinLat * sinLat) / (rho * rho));
    const double cd = (heightKm + rho) / r, sd = (a2 - b2) / rho * cosLat * sinLat / r;
    const double cosTheta = sinLat * cd - cosLat * sd, sinTheta = cosLat * cd + sinLat * sd;

    // Schmidt semi-normalised associated Legendre functions and their derivatives in theta.
    double p[kDegree + 1][kDegree + 1] = {}, dp[kDegree + 1][kDegree + 1] = {};
    p[0][0] = 1;
    for (int n = 1; n <= kDegree; ++n) {
        for (int m = 0; m <= n; ++m) {
            if (n == m) {
                const double k = n == 1 ? 1 : std::sqrt((2.0 * n - 1) / (2.0 * n));
                p[n][n] = k * sinTheta * p[n - 1][n - 1];
                dp[n][n] = k * (sinTheta * dp[n - 1][n - 1] + cosTheta * p[n - 1][n - 1]);
            } else {
                const double k1 = (2.0 * n - 1) / std::sqrt(double(n * n - m * m));
                const double k2 = n - 1 > m
                    ? std::sqrt(double((n - 1) * (n - 1) - m * m)) / std::sqrt(double(n * n - m * m))
                    : 0;
                p[n][m] = k1 * cosTheta * p[n - 1][m] - (n - 1 > m ? k2 * p[n - 2][m] : 0);
                dp[n][m] = k1 * (cosTheta * dp[n - 1][m] - sinTheta * p[n - 1][m])
                    - (n - 1 > m ? k2 * dp[n - 2][m] : 0);
            }
        }
    }

    // The field's components in the geocentric frame: north (X), east (Y) and down (Z).
    const double ratio = 6371.2 / r;
    double x = 0, y = 0, z = 0;
    std::size_t i = 0;
    for (int n = 1; n <= kDegree; ++n) {
        const double rn = std::pow(ratio, n + 2);
        for (int m = 0; m <= n; ++m) {
            const double g = gh[i++];
            const double h = m > 0 ? gh[i++] : 0;
            const double cosM = std::cos(m * lon), sinM = std::sin(m * lon);
            x += rn * (g * cosM + h * sinM) * dp[n][m];
            z -= (n + 1) * rn * (g * cosM + h * sinM) * p[n][m];
            if (m > 0 && sinTheta > 1e-12)
                y += rn * m * (g * sinM - h * cosM) * p[n][m] / sinTheta;
        }
    }
    // The north component in the geodetic frame, turned by the difference of the two latitudes.
    const double north = x * cd + z * sd;
    return std::atan2(y, north) * 180 / kPi;
}

} // namespace ks
