#pragma once
// The massif: the whole survey project, its sheets, reference points, elevation and files.

#include "model/editor_work.h"
#include "model/records.h"
#include "model/sheet.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ks {
class IReporter;
class IProgress;

enum class LoadStatus {
    Loaded,
    NewerVersion, // refused; the massif stays empty
};

struct LoadResult
{
    LoadStatus status = LoadStatus::Loaded;
    int version = 0; // the version the file declares
};

constexpr int kFileVersion = 1005;
} // namespace ks

// The whole survey project: sheets, reference points, elevation anchors, recycle bin, shortcuts
// and the optional selection.
class TMassif
{
public:
    TMassif();
    virtual ~TMassif();
    TMassif(const TMassif&) = delete;
    TMassif& operator=(const TMassif&) = delete;

    // Selection of sheets (not owned); absent until the user selects sheets.
    std::optional<std::vector<TFiche*>> Selection;
    std::vector<std::unique_ptr<TFiche>> RecycleBin;
    std::vector<TRaccourci> Shortcuts;
    std::vector<std::unique_ptr<TFiche>> Sheets;
    std::vector<std::unique_ptr<TPointTopo>> References;
    std::vector<std::unique_ptr<TPointCoupe>> ElevationPoints;

    bool SelectionActive = false; // the current sheets are the selection
    bool Saved = true;
    bool Computed = false;
    bool ElevationPlaced = false;
    bool TableLaidOut = false;
    bool ShowWarnings = true;
    // Read other than as the file stands (fields missing, texts cut, content after its end), as its
    // warnings said: a save over that file asks first.
    bool Adapted = false;
    std::string FileName;
    double Origine_Declinaison = 0;
    double Variation_Declinaison = 1.0;
    double Angle_Geodesique = 0; // degrees added to every sheet's declination
    double Tolerance = 0.05; // deformation warning threshold; -1 means no report
    std::string Date_Declinaison = "01/01/80";

    // Unfinished sheet editor work carried by a binary file; written back by Save while present.
    std::optional<TEditorWork> EditorWork;

    // The sheets the views work on: the selection while it is active, otherwise every sheet.
    std::vector<TFiche*> CurrentSheets() const;

    // First station number above start not used by a non-Final gallery end named `upperName`
    // (given upper-cased). May exceed 255 when every number is taken.
    int NextFreeNumber(const std::string& upperName, int start) const;
    // Gives the sheet the next Ordre, appends it (and to the selection when asked and one exists).
    TFiche* AddSheet(std::unique_ptr<TFiche> sheet, bool alsoSelect);
    // Puts `replacement` in place of `old`, keeping old's Ordre; returns old for the caller to free.
    std::unique_ptr<TFiche> ReplaceSheet(TFiche* old, std::unique_ptr<TFiche> replacement);
    // Moves a sheet of the sheet list to the recycle bin.
    void DiscardSheet(TFiche* sheet);
    // Orders the sheet list, then the active selection, by ascending Ordre (stable).
    void SortSheets();
    // The massif differs from its file.
    void MarkModified() { Saved = false; }
    // These sheets become the current ones: the selection, active; the table is laid out again.
    void Isolate(std::vector<TFiche*> sheets);
    // Every sheet is current again.
    void EndSelection();
    void ClearReferences();
    // PlaceStations on every gallery of every sheet, then sets Computed.
    void PlaceAllStations();
    // Drops empty slots from the sheet list.
    void CompactSheets();
    // The first start or end of a positioned gallery, over every sheet, that is the station
    // (same number, names equal ignoring case); null when there is none.
    const TPointTopo* PositionedStation(const TPointTopo& station) const;

    // Writes the massif to fileName (empty: FileName), in text for a ".mas" name in any case, else
    // binary. Writes a temporary file beside the target and renames it into place only when the
    // whole write succeeded. Throws ks::FileError.
    void Save(const std::string& fileName, ks::IProgress* progress = nullptr);
    // Reads FileName into this freshly created massif. A newer version is reported through the
    // reporter and refused. Throws ks::FileError on unreadable or malformed content; what was read
    // before the fault stays in the massif.
    ks::LoadResult Load(ks::IReporter* reporter = nullptr, ks::IProgress* progress = nullptr);
};

namespace ks {
// True when the file name selects the text format: extension ".MAS" in any case.
bool IsTextFileName(const std::string& fileName);
// The name a massif file shows under (UTF-8): its base name, or "Sin nombre" for a massif without
// a file.
std::string MassifName(const std::string& fileName);
// True when a file read under this name is a text massif: a ".mas" name, or a name other than
// ".fic" (a backup) whose content begins with the text format's version line.
bool IsTextMassif(const std::string& fileName, const std::string& bytes);
// Bounding box of the positioned stations of the massif's current sheets; false when none.
bool PositionedBox(const TMassif& massif, double min[3], double max[3]);
} // namespace ks
