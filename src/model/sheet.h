#pragma once

#include "model/eco.h"
#include "model/records.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class TStationEnds;

// One survey sheet: the work of one team on one day.
class TFiche
{
public:
    TFiche() { Galeries.reserve(5); }
    virtual ~TFiche() = default;
    TFiche(const TFiche&) = delete;
    TFiche& operator=(const TFiche&) = delete;

    std::vector<std::unique_ptr<TGalerie>> Galeries; // in entry order
    std::string Date; // dd/mm/yy, at most 8 characters
    std::uint8_t DeclUnit = ks::kDegrees; // 0 degrees, 1 grades
    std::vector<TEco> Surveyors;
    TEco Systeme, Cavite, Reseau, Lieu;
    TEco TPST; // "T.P.&B.T.": time spent underground
    double Declinaison = 0;
    double Premiere = 0; // metres first explored
    std::int32_t Ordre = 0; // entry number in the massif, unique, default sort key
    std::int32_t TableFirst = 0; // first and last line in the table layout; never stored
    std::int32_t TableLast = 0;

    // Appends a deep copy of other (galleries, texts, surveyors, declination); Ordre is not copied.
    void CopyFrom(const TFiche& other);
    // Same date and pairwise equal surveyors after upper-casing.
    bool SameTeam(const TFiche& other) const;
    // Same system, cave, network and place, exactly.
    bool SamePlace(const TFiche& other) const;
    // Shares the location down to a level: 0 the sheet itself, 1 the place (all four texts),
    // 2 the network, 3 the cave, 4 the system.
    bool SameLevel(const TFiche& other, int level) const;

    // Upper and lower passage height in metres at the far station of shot `shot` (0: the gallery's
    // start) of gallery `gallery` (from 0); -1 means unknown. At a gallery's start the values come
    // from an earlier gallery ending there: `ends`, when given, finds it without scanning the sheet.
    std::pair<double, double> PassageHeights(int gallery, int shot, const TStationEnds* ends = nullptr) const;
    // Left and right half-widths in metres at the same station; -1 means unknown.
    std::pair<double, double> PassageWidths(int gallery, int shot, const TStationEnds* ends = nullptr) const;
};

// The galleries of a sheet by the station they end at: the earlier galleries ending at a
// gallery's start, nearest first, found by name instead of by a scan of the sheet (a sheet of a
// long chain holds thousands of galleries). Valid while the sheet's galleries do not change.
class TStationEnds
{
public:
    explicit TStationEnds(const TFiche& sheet);
    // The galleries before `gallery` whose end is its start, nearest first.
    std::vector<int> Before(int gallery) const;

private:
    const TFiche& m_sheet;
    std::unordered_map<std::string, std::vector<int>> m_ends; // station key -> galleries, in order
};
