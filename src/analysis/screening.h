#pragma once
// Data screening: the misclosure of every independent loop of the network against what the
// instruments' errors allow, and the single shots whose likely misreading explains a loop that
// does not close.

#include <array>
#include <atomic>
#include <string>
#include <vector>

class TMassif;

namespace ks {

// The errors of one shot's readings, one standard deviation each.
struct TInstrumentErrors
{
    double Length = 0.025; // metres
    double Bearing = 0.5; // degrees
    double Inclination = 0.5; // degrees
};

// A gallery as the massif's sheets give it: the sheet's Ordre and the gallery's index there.
struct TGalleryKey
{
    int Ordre = 0, Gallery = 0;
};

// One independent loop: a chain of galleries (or of galleries and two reference points) whose
// vectors should add up to nothing.
struct TLoopFigure
{
    std::vector<TGalleryKey> Galleries;
    std::vector<int> Signs; // +1 when a gallery is walked from its start, -1 backwards
    bool ThroughReferences = false; // closed between two reference points
    std::array<double, 3> Misclosure {}; // east, north, up, metres
    double Length = 0; // metres of shots in the loop
    double Share = 0; // misclosure length over loop length
    // The misclosure over its expected standard deviation (the square root of its chi-square with
    // three degrees of freedom), and its horizontal and vertical parts.
    double Normalised = 0, Horizontal = 0, Vertical = 0;
};

// A gallery of the loops, and how much the network's figure drops when it is floated (left out of
// every loop it closes): the network's chi-square per degree of freedom with it, over without it.
struct TBranchFigure
{
    TGalleryKey Where;
    int Loops = 0; // loops it lies in
    double Ratio = 1; // above 1 when the loops it lies in close worse than the others
};

enum class SuspectKind { Azimuth, Length, Inclination, Reversed, Digits };
const char* SuspectKindName(SuspectKind kind); // "azimuth", "length", ...

// A shot whose misreading would explain the loops it lies in.
struct TSuspect
{
    TGalleryKey Where;
    int Shot = 1; // from 1
    SuspectKind Kind = SuspectKind::Azimuth;
    std::string Correction; // "azimut 127.5 → 107.5" (UTF-8)
    double Explains = 0; // share of the misclosure the correction removes, 0 to 1
    double Score = 0; // the drop of the loops' chi-square the correction gives
    bool Flagged = false; // beyond the threshold of about one false alarm per 10 000 clean shots
};

struct TScreening
{
    std::vector<TLoopFigure> Loops; // worst first
    std::vector<TSuspect> Suspects; // most likely first
    std::vector<TBranchFigure> Branches; // the galleries of the loops, largest ratio first
    // The network's unit variance, horizontal and vertical: the mean squared normalised misclosure
    // per degree of freedom; near 1 when the instruments' errors are as assumed.
    double UnitVarianceH = 0, UnitVarianceV = 0;
    int Shots = 0; // shots in the network
    int ShotsOutsideLoops = 0; // shots no loop checks: a blunder there cannot be found
    bool Stopped = false; // the stop flag was raised: what is here is incomplete
};

// Screens the massif's sheets. The sheets must be reduced (as a computation leaves them). Reads
// the massif only, so it may run on a thread of its own while nothing writes the massif; `stop`,
// when raised, ends it early with Stopped set.
TScreening Screen(const TMassif& massif, const TInstrumentErrors& errors = TInstrumentErrors(),
    const std::atomic<bool>* stop = nullptr);

} // namespace ks
