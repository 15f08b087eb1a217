#pragma once
// Passage tubes: four corners per station from the passage sizes, shared by the VRML export and
// the 3D scene.

#include "model/records.h"

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

class TFiche;
class TGalerie;
class TMassif;
struct TOptions_Relief;

namespace ks {

using TPoint3 = std::array<double, 3>; // X east, Y north, Z up, metres

// The cross-section of a gallery at one station: four corners in ring order 0 left-up,
// 1 right-up, 2 right-down, 3 left-down, left and right as seen along the survey direction.
using TSection = std::array<TPoint3, 4>;

// A vertical cylinder at a station met at a gallery start.
struct TCylindre
{
    TPointTopo Station;
    TPoint3 Position {};
    double Rayon = 0, Haut = 0, Bas = 0; // metres
};

// Builds the tubes of galleries from the passage sizes at their stations, as the VRML export
// and the 3D scene show them, and collects the station cylinders over all galleries built.
class TTubeBuilder
{
public:
    explicit TTubeBuilder(const TOptions_Relief& options);

    // The n + 1 sections of gallery `gallery` (from 0) of a sheet; the gallery must be positioned.
    void Build(const TFiche& sheet, int gallery, std::vector<TSection>& sections);
    const std::vector<TCylindre>& Cylinders() const { return m_cylinders; }

private:
    struct Size
    {
        double Left, Right, Up, Down;
    };
    Size SizeAt(const TFiche& sheet, int gallery, int station) const;
    // The section at point p for a shot of azimuth code `unit` and horizontal length `horizontal`.
    static TSection Section(const TPoint3& p, const Size& size, double azimuth, int unit, double horizontal);

    const TOptions_Relief& m_options;
    double m_width; // the default width W
    std::vector<TCylindre> m_cylinders;
    std::map<std::pair<std::string, int>, std::size_t> m_index; // upper-cased name and number
};

// Whether a view draws a gallery: positioned, with its stations placed.
bool Displayed(const TGalerie& gallery);
// Station k of a gallery (0: its start point) in survey coordinates.
TPoint3 StationPoint(const TGalerie& gallery, int k);
// The largest √(horizontal² + vertical²) deformation of the current sheets' positioned
// galleries, or 1 when there is none.
double DeformationMax3D(const TMassif& massif);
// A gallery's colour in 3D (00BBGGRR): its own in mode 2, the deformation ramp's in mode 3, else
// or when that is black the options' default gallery colour `fallback`.
std::int32_t GalleryColour3D(const TGalerie& gallery, int mode, double deformationMax, std::int32_t fallback);

} // namespace ks
