#pragma once
// The Qt-free explorer model: folders from the sheets' places, moves, copies, the recycle bin,
// undo and navigation.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFiche;
class TMassif;

// One sheet touched by an explorer operation, as it was before (`TOrigine`).
struct TOrigine
{
    std::int32_t Ordre = 0;
    std::array<std::string, 4> Texts;
    bool Restored = false; // brought back from the recycle bin
    bool Copied = false; // a copy made by the operation
};

// One undoable operation (`TDeplacement`).
struct TDeplacement
{
    std::vector<TOrigine> Origines;
};

namespace ks {

// A folder of the explorer: the root (level 0), a system, cave, network or place (levels 1 to 4)
// named by its path texts, or the recycle bin.
struct TFolder
{
    bool Bin = false;
    int Level = 0;
    std::array<std::string, 4> Path; // system, cave, network, place; the first Level are used
    // Folder text: the last path text (the root and the bin have none).
    const std::string& Text() const;
    bool operator==(const TFolder& other) const;
    // True when this folder is `other` or lies inside it.
    bool Within(const TFolder& other) const;
};

// What a cut or copy took: a folder, or one sheet (level 4) by its Ordre.
struct TSource
{
    TFolder Folder;
    std::optional<std::int32_t> Sheet;
};

// The explorer's operations on the massif's sheets, without any widget: folders from the four
// location texts, delete to the recycle bin, restore, empty the bin, rename, cut or copy and
// paste, undo through move records, isolate and exclude.
class TExplorerModel
{
public:
    explicit TExplorerModel(TMassif& massif);

    // Child folders of the root or of a folder of levels 1 to 3, grouped ignoring case, in the
    // order their first sheet comes, labelled by that sheet's text.
    std::vector<TFolder> Children(const TFolder& folder) const;
    // The current sheets in the folder (the bin's sheets for the bin).
    std::vector<TFiche*> SheetsOf(const TFolder& folder) const;
    TFiche* SheetByOrdre(std::int32_t ordre) const;

    // Each operation is one undoable step.
    void Delete(const std::vector<TFiche*>& sheets);
    void Restore(const std::vector<TFiche*>& binSheets);
    void EmptyBin();
    void Rename(const TFolder& folder, const std::string& text);
    void Paste(const TSource& source, const TFolder& destination, bool cut);
    bool Undo();
    bool CanUndo() const { return !m_history.empty(); }
    // The selection becomes exactly these sheets, or loses them.
    void Isolate(const std::vector<TFiche*>& sheets);
    void Exclude(const std::vector<TFiche*>& sheets);

    // Drop test: the root and the bin never move, and a folder never goes into itself or into
    // one of its own descendants.
    static bool CanDrop(const TFolder& dragged, const TFolder& target);

private:
    static TOrigine Origin(const TFiche& sheet);
    void RemoveFromElevation(const TFiche& sheet);
    void RemoveSheet(TFiche* sheet);
    TFiche* BringBack(const std::function<bool(const TFiche&)>& which);
    void Changed();

    TMassif& m_massif;
    std::vector<TDeplacement> m_history;
};

// The explorer's navigation history ("Anterior", "Siguiente").
class TNavigation
{
public:
    void Visit(const TFolder& folder); // a selection made by the user
    std::optional<TFolder> Back(const std::function<bool(const TFolder&)>& exists);
    std::optional<TFolder> Forward(const std::function<bool(const TFolder&)>& exists);
    bool CanGoBack() const { return m_back.size() > 1; }
    bool CanGoForward() const { return !m_forward.empty(); }

private:
    std::vector<TFolder> m_back, m_forward;
};

} // namespace ks
