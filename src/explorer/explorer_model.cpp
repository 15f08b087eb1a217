// The explorer's folders and their undoable operations on the massif's sheets.
#include "explorer/explorer_model.h"

#include "compute/elevation.h"
#include "model/massif.h"
#include "model/text_utils.h"

#include <algorithm>

namespace ks {

namespace {

std::array<const TEco*, 4> Location(const TFiche& f)
{
    return { &f.Systeme, &f.Cavite, &f.Reseau, &f.Lieu };
}

void SetLocation(TFiche& f, const std::array<std::string, 4>& texts)
{
    f.Systeme.Set(texts[0]);
    f.Cavite.Set(texts[1]);
    f.Reseau.Set(texts[2]);
    f.Lieu.Set(texts[3]);
}

// The sheet lies in the folder: its first Level location texts equal the path ignoring case.
bool InFolder(const TFiche& f, const TFolder& folder)
{
    const auto texts = Location(f);
    for (int i = 0; i < folder.Level; ++i)
        if (!EqualsIgnoreCase(
                texts[static_cast<std::size_t>(i)]->Get(), folder.Path[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

void ClearPositions(TFiche& f)
{
    for (auto& g : f.Galeries)
        g->Positioned = false;
}

} // namespace

const std::string& TFolder::Text() const
{
    static const std::string none;
    return Level > 0 ? Path[static_cast<std::size_t>(Level - 1)] : none;
}

bool TFolder::operator==(const TFolder& o) const
{
    if (Bin != o.Bin || Level != o.Level)
        return false;
    for (int i = 0; i < Level; ++i)
        if (!EqualsIgnoreCase(Path[static_cast<std::size_t>(i)], o.Path[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

bool TFolder::Within(const TFolder& o) const
{
    if (Bin || o.Bin || Level < o.Level)
        return false;
    for (int i = 0; i < o.Level; ++i)
        if (!EqualsIgnoreCase(Path[static_cast<std::size_t>(i)], o.Path[static_cast<std::size_t>(i)]))
            return false;
    return true;
}

TExplorerModel::TExplorerModel(TMassif& massif)
    : m_massif(massif)
{ }

std::vector<TFolder> TExplorerModel::Children(const TFolder& folder) const
{
    std::vector<TFolder> children;
    if (folder.Bin || folder.Level >= 4)
        return children;
    for (TFiche* sheet : m_massif.CurrentSheets()) {
        if (!InFolder(*sheet, folder))
            continue;
        TFolder child = folder;
        child.Level = folder.Level + 1;
        child.Path[static_cast<std::size_t>(folder.Level)]
            = Location(*sheet)[static_cast<std::size_t>(folder.Level)]->Get();
        if (std::find(children.begin(), children.end(), child) == children.end())
            children.push_back(child);
    }
    return children;
}

std::vector<TFiche*> TExplorerModel::SheetsOf(const TFolder& folder) const
{
    std::vector<TFiche*> sheets;
    if (folder.Bin) {
        for (const auto& s : m_massif.RecycleBin)
            sheets.push_back(s.get());
        return sheets;
    }
    for (TFiche* sheet : m_massif.CurrentSheets())
        if (InFolder(*sheet, folder))
            sheets.push_back(sheet);
    return sheets;
}

TFiche* TExplorerModel::SheetByOrdre(std::int32_t ordre) const
{
    for (const auto& s : m_massif.Sheets)
        if (s->Ordre == ordre)
            return s.get();
    return nullptr;
}

TOrigine TExplorerModel::Origin(const TFiche& f)
{
    TOrigine o;
    o.Ordre = f.Ordre;
    o.Texts = { f.Systeme.Get(), f.Cavite.Get(), f.Reseau.Get(), f.Lieu.Get() };
    return o;
}

void TExplorerModel::RemoveFromElevation(const TFiche& sheet)
{
    // A sheet that leaves the massif takes its galleries, and what hangs below them, out of the
    // developed elevation, with their anchors and the links that held them.
    TElevation elevation(m_massif);
    for (std::size_t i = 0; i < sheet.Galeries.size(); ++i)
        if (sheet.Galeries[i]->InElevation)
            elevation.RetirerDeCoupe({ sheet.Ordre, static_cast<std::int32_t>(i) }, true);
    m_massif.ElevationPlaced = false;
}

void TExplorerModel::Changed()
{
    m_massif.MarkModified();
    m_massif.Computed = false;
    m_massif.TableLaidOut = false;
}

void TExplorerModel::Delete(const std::vector<TFiche*>& sheets)
{
    if (sheets.empty())
        return;
    TDeplacement move;
    for (TFiche* sheet : sheets) {
        RemoveFromElevation(*sheet);
        move.Origines.push_back(Origin(*sheet));
        m_massif.DiscardSheet(sheet);
    }
    m_history.push_back(std::move(move));
    Changed();
}

void TExplorerModel::Restore(const std::vector<TFiche*>& binSheets)
{
    if (binSheets.empty())
        return;
    TDeplacement move;
    for (TFiche* sheet : binSheets) {
        if (TFiche* added = BringBack([sheet](const TFiche& s) { return &s == sheet; })) {
            TOrigine o = Origin(*added);
            o.Restored = true;
            move.Origines.push_back(o);
        }
    }
    m_history.push_back(std::move(move));
    Changed();
}

TFiche* TExplorerModel::BringBack(const std::function<bool(const TFiche&)>& which)
{
    // Out of the bin and added again: a new Ordre, and positions to be computed again.
    auto& bin = m_massif.RecycleBin;
    auto it = std::find_if(bin.begin(), bin.end(), [&which](const auto& s) { return which(*s); });
    if (it == bin.end())
        return nullptr;
    std::unique_ptr<TFiche> owned = std::move(*it);
    bin.erase(it);
    ClearPositions(*owned);
    return m_massif.AddSheet(std::move(owned), true);
}

void TExplorerModel::EmptyBin()
{
    m_massif.RecycleBin.clear();
    Changed();
}

void TExplorerModel::Rename(const TFolder& folder, const std::string& text)
{
    if (folder.Bin || folder.Level < 1)
        return;
    TDeplacement move;
    for (TFiche* sheet : SheetsOf(folder)) {
        move.Origines.push_back(Origin(*sheet));
        std::array<std::string, 4> texts = move.Origines.back().Texts;
        texts[static_cast<std::size_t>(folder.Level - 1)] = text;
        SetLocation(*sheet, texts);
    }
    m_history.push_back(std::move(move));
    Changed();
}

void TExplorerModel::Paste(const TSource& source, const TFolder& destination, bool cut)
{
    if (destination.Bin)
        return;
    std::vector<TFiche*> sheets;
    if (source.Sheet) {
        if (TFiche* sheet = SheetByOrdre(*source.Sheet))
            sheets.push_back(sheet);
    } else {
        sheets = SheetsOf(source.Folder);
    }
    // The location texts are taken from the destination's path down to its level.
    auto relocate = [&destination](TFiche& sheet) {
        std::array<std::string, 4> texts
            = { sheet.Systeme.Get(), sheet.Cavite.Get(), sheet.Reseau.Get(), sheet.Lieu.Get() };
        for (int i = 0; i < destination.Level; ++i)
            texts[static_cast<std::size_t>(i)] = destination.Path[static_cast<std::size_t>(i)];
        SetLocation(sheet, texts);
    };
    TDeplacement move;
    for (TFiche* sheet : sheets) {
        if (cut) {
            move.Origines.push_back(Origin(*sheet));
            relocate(*sheet);
        } else {
            auto copy = std::make_unique<TFiche>();
            copy->CopyFrom(*sheet);
            relocate(*copy);
            TFiche* added = m_massif.AddSheet(std::move(copy), true);
            TOrigine o = Origin(*added);
            o.Copied = true;
            move.Origines.push_back(o);
        }
    }
    m_history.push_back(std::move(move));
    Changed();
}

bool TExplorerModel::Undo()
{
    if (m_history.empty())
        return false;
    TDeplacement move = std::move(m_history.back());
    m_history.pop_back();
    for (auto o = move.Origines.rbegin(); o != move.Origines.rend(); ++o) {
        TFiche* inList = SheetByOrdre(o->Ordre);
        if (o->Copied) {
            if (inList)
                RemoveSheet(inList); // a copy is destroyed, not sent to the bin
        } else if (o->Restored) {
            if (inList)
                m_massif.DiscardSheet(inList);
        } else if (inList) {
            SetLocation(*inList, o->Texts);
        } else {
            auto& bin = m_massif.RecycleBin;
            auto it
                = std::find_if(bin.begin(), bin.end(), [&](const auto& s) { return s->Ordre == o->Ordre; });
            if (it != bin.end()) {
                std::unique_ptr<TFiche> owned = std::move(*it);
                bin.erase(it);
                ClearPositions(*owned);
                m_massif.AddSheet(std::move(owned), true);
            }
        }
    }
    m_massif.SortSheets();
    Changed();
    return true;
}

void TExplorerModel::RemoveSheet(TFiche* sheet)
{
    if (m_massif.Selection) {
        auto& selection = *m_massif.Selection;
        selection.erase(std::remove(selection.begin(), selection.end(), sheet), selection.end());
    }
    auto& sheets = m_massif.Sheets;
    sheets.erase(
        std::remove_if(sheets.begin(), sheets.end(), [sheet](const auto& s) { return s.get() == sheet; }),
        sheets.end());
}

void TExplorerModel::Isolate(const std::vector<TFiche*>& sheets)
{
    m_massif.Isolate(sheets);
    m_massif.SortSheets();
}

void TExplorerModel::Exclude(const std::vector<TFiche*>& sheets)
{
    std::vector<TFiche*> kept = m_massif.CurrentSheets();
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                   [&](TFiche* s) { return std::find(sheets.begin(), sheets.end(), s) != sheets.end(); }),
        kept.end());
    Isolate(kept);
}

bool TExplorerModel::CanDrop(const TFolder& dragged, const TFolder& target)
{
    if (dragged.Bin || dragged.Level == 0)
        return false;
    return !target.Within(dragged);
}

void TNavigation::Visit(const TFolder& folder)
{
    if (!m_back.empty() && m_back.back() == folder)
        return;
    m_back.push_back(folder);
    m_forward.clear();
}

std::optional<TFolder> TNavigation::Back(const std::function<bool(const TFolder&)>& exists)
{
    if (m_back.size() <= 1)
        return std::nullopt;
    m_forward.push_back(m_back.back());
    m_back.pop_back();
    // An address whose folder is gone is dropped and the next older one tried.
    while (!m_back.empty()) {
        if (exists(m_back.back()))
            return m_back.back();
        m_back.pop_back();
    }
    return std::nullopt;
}

std::optional<TFolder> TNavigation::Forward(const std::function<bool(const TFolder&)>& exists)
{
    while (!m_forward.empty()) {
        TFolder next = m_forward.back();
        m_forward.pop_back();
        if (!exists(next))
            continue;
        m_back.push_back(next);
        return next;
    }
    return std::nullopt;
}

} // namespace ks
