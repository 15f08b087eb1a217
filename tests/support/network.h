#pragma once

#include "compute/driver.h"
#include "model/massif.h"

#include <memory>
#include <string>
#include <vector>

namespace ks::test {

// A true position of a station, to compare computed coordinates with.
struct TrueStation
{
    int ordre = 0; // sheet
    int gallery = 0; // index in the sheet
    int station = 0; // 0 the gallery's start, k the far station of shot k
    double x = 0, y = 0, z = 0;
};

struct GeneratedNetwork
{
    std::unique_ptr<TMassif> massif;
    std::vector<TrueStation> truth;
    int shots = 0;
};

// A cave laid out as a side x side grid of junctions joined by galleries of `shotsPerGallery`
// wiggling shots, plus a blind side gallery with a Final end at every fifth junction. Readings
// are computed exactly from known true coordinates (lengths partly in centimetres, azimuths
// partly in grades or read backwards, inclinations in several units), and reduced, so a correct
// computation gives back the true coordinates. One reference point at the grid's corner, a second
// one at the opposite corner.
GeneratedNetwork MakeGridNetwork(int side, int shotsPerGallery, unsigned seed = 1);

// A maze: the grid alone, without the blind side galleries, with one reference point at a corner;
// `noise` (in metres, standard deviation per shot end) spoils the readings, 0 keeps them exact.
GeneratedNetwork MakeMaze(int side, int shotsPerGallery, double noise, unsigned seed = 1);

// A cave of about `shots` shots grown as real ones are: galleries of 5 to 25 shots from the ends
// of earlier ones, about one in twelve closing a loop on an earlier station and one in twenty
// ending open, with noisy readings. One reference point at the entrance.
GeneratedNetwork MakeBranchingCave(int shots, unsigned seed = 1);

// Shapes that test how the computation scales with the number of galleries, each in one sheet:
// a single chain of `galleries` galleries of one shot each, every other one surveyed backwards,
// from a reference point at its start; and a star of `galleries` galleries of two shots round
// one junction, most ending open, one in ten closing on the next ray's end, the reference at the
// first ray's end.
GeneratedNetwork MakeChain(int galleries, unsigned seed = 1);
GeneratedNetwork MakeStar(int galleries, unsigned seed = 1);

// Largest distance between the computed and the true position of every generated station;
// infinity when a gallery was not positioned.
double WorstError(const TMassif& m, const std::vector<TrueStation>& truth);

// The fast computation run to its end, then every station placed.
TComputeReport ComputeFast(TMassif& m, TComputeFlags& flags);

// Side and shots per gallery of a grid with about `shots` shots and at most 1000 equations.
void GridForShots(int shots, int& side, int& shotsPerGallery);

} // namespace ks::test
