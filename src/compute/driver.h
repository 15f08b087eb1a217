#pragma once
// The computation driver: one run of the stages on a background thread (TThreadCalcul) and the
// report the interface and karstelle-cli show.

#include "compute/calculateur.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class TFiche;
class TMassif;

namespace ks {

// Seconds since Start, shown with two decimals.
class TStopwatch
{
public:
    void Start() { m_start = std::chrono::steady_clock::now(); }
    double Seconds() const;
    std::string Text() const; // "1.25"

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// What a computation found, for the caller's messages and for the command-line report.
struct TComputeReport
{
    bool Positioned = false; // the galleries received their positions
    bool Stopped = false;
    bool NoReference = false;
    bool NoneReached = false;
    bool SomeUnreached = false;
    bool TooLarge = false; // refused by the junction or the equation limit
    int Galleries = 0; // reached galleries when condensation started
    int Branches = 0;
    int Closures = 0;
    int DeadEnds = 0;
    int Equations = 0;
    std::vector<std::string> Unreached; // gaps list lines (UTF-8, as the messages)
    // Messages a background computation could not show itself (too many junctions or equations).
    std::vector<std::pair<MessageKind, std::string>> Messages;
    double Seconds = 0;
};

// Largest deformation of a positioned gallery, with where it is; Value < 0 when there is none.
struct TDeformation
{
    double Value = -1;
    const TFiche* Sheet = nullptr;
    int Gallery = -1; // index in the sheet, from 0
};

// Deformation of one gallery from its placed stations (run PlaceStations first): the distance
// between the placed and the raw vector of its representative shot (the only shot, else the
// second) over the shot's length and the deformation coefficient. Negative when not defined.
double GalleryDeformation(const TGalerie& gallery);
TDeformation LargestDeformation(const TMassif& massif);
// "La 2° galería de la ficha\r<system>\r<cave>\r<network>\r<place>\restá deformada a la 12%"
std::string DeformationText(const TDeformation& deformation);

// Sorts the sheets by Ordre and builds a computation of every gallery of the massif, on the
// caller's thread. Lowers the stop flag and raises the running flag.
std::unique_ptr<TCalculateur> PrepareComputation(TMassif& massif, TComputeFlags& flags, IReporter* reporter);

// Detailed computation on the caller's thread, with its messages and the gaps question. Positions
// the galleries when it runs to the end; marks the massif modified.
TComputeReport ComputeDetailed(TMassif& massif, TComputeFlags& flags, IReporter& reporter);

// Fast computation: a background thread at the lowest priority runs Connect, Condense, Adjust and
// Distribute on its own copies; the massif is not touched until Complete, which the caller runs on
// its own thread once the thread has finished.
// For the tests: when set, the background thread calls it before it computes.
inline std::function<void()> g_beforeComputingForTests;

} // namespace ks

// The background computation (fast computation's thread).
class TThreadCalcul
{
public:
    // Lowest behind an interface that must stay responsive; Normal for a caller that only waits.
    enum class Priority { Lowest, Normal };

    // `onFinished`, when given, is called from the background thread as its last act.
    TThreadCalcul(TMassif& massif, ks::TComputeFlags& flags, std::function<void()> onFinished = {},
        Priority priority = Priority::Lowest);
    ~TThreadCalcul(); // raises the stop flag and waits if the thread still runs
    TThreadCalcul(const TThreadCalcul&) = delete;
    TThreadCalcul& operator=(const TThreadCalcul&) = delete;

    bool Finished() const { return m_finished.load(); }
    void Wait();
    // Waits for the thread, positions the galleries unless the computation was stopped, clears the
    // massif's computed flags and ends the computation (the running flag goes down).
    ks::TComputeReport Complete(TMassif& massif);

private:
    void Run();

    ks::TComputeFlags& m_flags;
    std::unique_ptr<TCalculateur> m_calc;
    std::function<void()> m_onFinished;
    Priority m_priority;
    std::atomic<bool> m_finished { false };
    ks::TStopwatch m_stopwatch;
    double m_seconds = 0;
    std::thread m_thread;
};
