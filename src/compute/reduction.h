#pragma once
// Shot reduction: the readings of a gallery's shots, in any of their units, to cumulative
// displacements in metres.

class TFiche;
class TGalerie;

namespace ks {

// Reduces every shot of the gallery to its horizontal length and the cumulative X, Y, Z of its far
// station relative to the gallery's start, and rewrites the gallery's vector, total length, sum of
// squared lengths and development. `theta0` (radians) is subtracted from every azimuth. Clears the
// positioned flag: the gallery must be computed again.
void ReduceGallery(TGalerie& gallery, double theta0);

// Reduces every gallery of the sheet with the sheet's declination plus the geodesic angle (degrees).
void ReduceSheet(TFiche& sheet, double geodesicDegrees);

} // namespace ks
