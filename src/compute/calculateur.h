#pragma once
// The computation's network: galleries condensed into branches between junctions, connected,
// adjusted and distributed (TCalculateur).

#include "model/records.h"
#include "model/services.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TFiche;
class TMassif;

namespace ks {

// The flags shared by the interface and a running computation. Single writers on each side,
// no lock: the interface raises Stop, the computation polls it at every stage and inside the
// long loops; Running is up while a TCalculateur exists. Unlimited, set by the interface, lifts
// the junction and equation limits: networks beyond the dense solve's size go to the sparse one.
struct TComputeFlags
{
    std::atomic<bool> Running { false };
    std::atomic<bool> Stop { false };
    std::atomic<bool> Unlimited { false };
};

// Texts of the computation's messages. The two size refusals say where the version without
// limits is: a command of the menu.
inline constexpr const char* kTooManyJunctionsText
    = "Macizo demasiado grande,\rSolicite usted una versión especial "
      "de Karstelle:\r«Cálculo» → «Sin límites de tamaño».";
inline constexpr const char* kNoReferenceText = "No hay punto de referencia.";
inline constexpr const char* kNothingReachedText
    = "No se encuentra ninguna ficha, verifique el nombre de los puntos de referencia.";
inline constexpr const char* kTooManyEquationsText
    = "Demasiadas encrucijadas\r\nSolicite usted una versión "
      "especial de Karstelle:\r\n«Cálculo» → «Sin límites de tamaño».";
inline constexpr const char* kBothEndsFixedText = "Points de ref à chaque bout !";

constexpr int kMaxJunctions = 10000;
constexpr int kMaxEquations = 1000;
// Up to this many equations the dense elimination solves them; beyond it the sparse factorisation,
// which is faster from about a hundred junctions on and needs no n x n matrix.
constexpr int kDenseEquations = 100;

} // namespace ks

// A branch of the network: a chain of galleries between two nodes. Node numbers: 0 a reference
// point, k >= 1 junction k, -1 a Final end.
class TConcentre
{
public:
    TPointTopo Start, End;
    double DX = 0, DY = 0, DZ = 0; // raw vector start -> end
    double TotalLength = 0;
    double WeightedLength = 0; // sum of deformation coefficient x total length
    double WeightedSquares = 0; // sum of deformation coefficient x sum of squared lengths
    int StartNode = 0, EndNode = 0;
    int StartId = -1, EndId = -1; // the ends' station numbers in the computation; -1 an open end
    // One gallery of the chain: index in the sheet list, index in the sheet, walked end to start.
    struct Link
    {
        std::int32_t Sheet = 0;
        std::int32_t Gallery = 0;
        bool Reversed = false;
    };
    std::vector<Link> Links; // in chain order; one vector, as a massif has a branch per gallery

    int GalleryCount() const { return static_cast<int>(Links.size()); }

    // While the network is condensed, a joined branch keeps the two it was made of instead of
    // copying their links at every join (quadratic on a long chain): its chain is Parts[0] then
    // Parts[1], each walked backwards when its flag says so. FlattenLinks writes them out once.
    std::unique_ptr<TConcentre> Parts[2];
    bool PartReversed[2] = { false, false };
    void FlattenLinks();
};

// One computation of the network: connection (here), condensation, adjustment and distribution
// (closure.cpp). Works on copies of what it reads, made by BuildBranches on the caller's thread,
// so the stages may run on another thread while the interface goes on; only PositionGalleries
// writes into the massif.
class TCalculateur
{
public:
    // `reporter` receives the messages and questions of an interactive computation; in background
    // mode messages that must still be shown are kept in DeferredMessages.
    TCalculateur(ks::TComputeFlags& flags, ks::IReporter* reporter);
    virtual ~TCalculateur();
    TCalculateur(const TCalculateur&) = delete;
    TCalculateur& operator=(const TCalculateur&) = delete;

    // Copy of one gallery's reduced data, and its results.
    struct GalleryCopy
    {
        int StartNode = -1, EndNode = -1; // the node numbers of its ends, once connected
        double X = 0, Y = 0, Z = 0;
        double TotalLength = 0, SumSquares = 0, Deformation = 0;
        double HorizMisclosure = 0, VertMisclosure = 0;
    };

    std::vector<std::unique_ptr<TConcentre>> Branches; // null slots are branches taken out
    std::vector<std::unique_ptr<TPointTopo>> References; // copies, X and Y in metres after Connect
    std::vector<std::unique_ptr<TPointTopo>> Junctions; // junction k is Junctions[k - 1]
    std::vector<std::unique_ptr<TConcentre>> Closures;
    std::vector<std::unique_ptr<TConcentre>> DeadEnds;
    std::vector<std::uint8_t> Known; // per junction
    bool Result = false;
    bool SomeUnreached = false;
    bool NoneReached = false;
    bool TooLarge = false; // refused by the junction or the equation limit

    // Filled by the stages for the report.
    int ReachedGalleries = 0; // branches when condensation started
    int Equations = 0;
    // One line per gallery left out, as the gaps dialog shows it (UTF-8, like every text of the
    // report; the model's names are converted here).
    std::vector<std::string> UnreachedList;
    std::vector<std::pair<ks::MessageKind, std::string>> DeferredMessages;

    // One branch per gallery of every sheet (or, in restricted mode, of every gallery not in the
    // elevation with two real end stations), and copies of the reference points.
    void BuildBranches(const std::vector<TFiche*>& sheets,
        const std::vector<std::unique_ptr<TPointTopo>>& refs, bool restricted = false);
    // The node of a station (0 a reference point, k junction k, -1 an open end); a station met
    // for the first time becomes a junction.
    int NodeIndex(const TPointTopo& station);
    bool Connect(bool interactive);
    void Condense(bool interactive);
    void Adjust(bool interactive);
    void Distribute();
    // Writes the computed positions into the galleries of the massif's sheets: positioned flag,
    // end station coordinates, misclosures. A gallery this computation did not locate loses its
    // positioned flag, so that no view draws it where an earlier computation had put it.
    void PositionGalleries(TMassif& massif);

    const GalleryCopy& Gallery(int sheet, int gallery) const
    {
        return m_galleries[static_cast<std::size_t>(sheet)][static_cast<std::size_t>(gallery)];
    }
    int LiveBranchCount() const;
    // The lightest weighted length from the references to every junction reached, and each
    // junction's provisional position from it (Known, and the junction's X, Y, Z).
    void ProvisionalPositions();
    // Junction index (in Junctions, from 0) of a station, -1 when it is none.
    int JunctionIndex(const TPointTopo& station) const;
    // After ProvisionalPositions: the lightest weighted length to a junction (index from 0).
    double Shortest(int index) const { return m_shortest[static_cast<std::size_t>(index)]; }
    bool Stopped() const { return m_flags.Stop.load(std::memory_order_relaxed); }

private:
    void Report(ks::MessageKind kind, const std::string& text, bool alsoInBackground);
    // Stations by number: each name and number met gets one, looked up once, so that the stages
    // compare and find stations by number instead of by name.
    int StationId(const TPointTopo& station);
    int FindStationId(const TPointTopo& station) const;
    int ReferenceOf(int id) const { return id >= 0 ? m_referenceOf[static_cast<std::size_t>(id)] : -1; }
    int JunctionOf(int id) const { return id >= 0 ? m_junctionOf[static_cast<std::size_t>(id)] : -1; }
    int NodeOf(int id, const TPointTopo& station);
    bool MergeAtJunction(int k);
    void Walk(TConcentre& branch, int mode);
    void EnsureJunctionTables();

    ks::TComputeFlags& m_flags;
    ks::IReporter* m_reporter;
    bool m_interactive = false;
    std::vector<TFiche*> m_sheets;
    std::vector<std::string> m_places; // per sheet: system/cave/network/place, for the gaps list
    std::vector<std::vector<GalleryCopy>> m_galleries;
    std::unordered_map<std::string, int> m_stationIds; // station key -> station number
    std::vector<int> m_referenceOf; // per station number: its first reference, or -1
    std::vector<int> m_junctionOf; // per station number: its entry in Junctions, or -1
    std::vector<double> m_shortest; // per junction, while adjusting
    std::vector<int> m_equation;
    std::vector<std::vector<int>> m_incident; // per junction: branch slots that may end there
    std::vector<int> m_degree;
};
