#pragma once
// The explorer window.

#include "explorer/explorer_model.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TMassif;

namespace ks {

// "Explorar": the massif as folders of systems, caves, networks and places with the recycle bin,
// the selected folder's content in a list, and the commands that move, copy, rename, delete,
// restore and isolate sheets, each one undoable.
class TExploreur : public QWidget
{
public:
    TExploreur(TMassif& massif, QWidget* parent = nullptr);
    ~TExploreur() override;

    // After every change: the main window marks the massif modified, computes and redraws.
    std::function<void()> OnMassifChanged;
    // After isolate or exclude: "Selección", "&Recuperar" and the views.
    std::function<void()> OnSelectionChanged;
    // A sheet to open in the sheet editor; a new sheet whose location texts come from a folder.
    std::function<void(TFiche* sheet)> OnOpenSheet;
    // The main window's web and list-style commands, shown again in the pop-up menu.
    std::vector<QAction*> StyleActions;
    // After cut, copy, paste or a move in the tree: what the edit and navigation commands can do.
    std::function<void()> OnCommandsChanged;
    std::function<void(const TFolder& folder)> OnNewSheet;
    // "&Buscar ...": the sheet search over the current sheets.
    std::function<void()> OnFind;
    // "Propie&dades ..." on a folder or a sheet: the statistics of its sheets.
    std::function<void(std::vector<TFiche*> sheets)> OnProperties;

    // A rebuild through the 100 ms timer: several requests cause one rebuild.
    void RequestRebuild();
    void Rebuild();
    void SetListStyle(int style); // 0 large icons, 1 small icons, 2 list, 3 details
    void SetWebStyle(bool web);

    // Commands on the selected tree node (fromTree) or list entry.
    void Delete(bool fromTree);
    void Restore(bool fromTree);
    void EmptyBin();
    void Rename(bool fromTree, const QString& text);
    void Cut(bool fromTree) { Take(fromTree, true); }
    void Copy(bool fromTree) { Take(fromTree, false); }
    void Paste(bool fromTree);
    void Undo();
    void Isolate(bool fromTree, bool exclude);
    void Properties(bool fromTree);
    void Open(bool fromTree);
    void NewSheet(bool fromTree);
    // Drop of the selected node or entry of `fromTree` onto a tree folder.
    bool Drop(bool fromTree, const TFolder& target);
    void Back();
    void Forward();
    void Up();

    // Selection helpers for tests and the tool bar.
    bool SelectFolder(const TFolder& folder);
    std::optional<TFolder> SelectedFolder() const;
    void SelectListRow(int row);
    QTreeWidget* Tree() const { return m_tree; }
    QTreeWidget* List() const { return m_list; }
    QLabel* WebPanel() const { return m_web; }
    QMenu* PopupMenu(bool fromTree);
    bool HasClipboard() const { return m_clipboard.has_value(); }
    bool ClipboardCut() const { return m_clipboard && m_cut; } // a paste will move, not copy
    bool CanGoBack() const { return m_history.CanGoBack(); }
    bool CanGoForward() const { return m_history.CanGoForward(); }
    bool CanGoUp() const;
    TExplorerModel& Model() { return m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum EntryKind { kFolder, kSheet, kBinEntry, kBinSheet };
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const TFolder& folder);
    void FillList();
    void DrawWeb();
    // What the command works on: a folder, or a sheet of a place or bin listing.
    struct Target
    {
        std::optional<TFolder> Folder;
        TFiche* Sheet = nullptr;
        bool BinEntry = false; // the recycle bin listed under the root
        bool InBin = false; // a sheet of the recycle bin
    };
    Target Selected(bool fromTree) const;
    void Take(bool fromTree, bool cut);
    void Changed();
    QTreeWidgetItem* Find(const TFolder& folder) const;
    std::vector<TFiche*> SheetsOf(const Target& target) const;

    TMassif& m_massif;
    TExplorerModel m_model;
    TNavigation m_history;
    QTreeWidget* m_tree;
    QTreeWidget* m_list;
    QLabel* m_web;
    QTimer m_rebuildTimer;
    QTimer m_webTimer;
    std::vector<TFolder> m_folders; // tree node data, by index
    std::vector<TFolder> m_listFolders; // folders listed on the right, by row
    std::optional<TFolder> m_listed;
    std::optional<TSource> m_clipboard;
    bool m_cut = false;
    bool m_navigating = false;
    int m_sortColumn = -1;
    bool m_descending = false;
    int m_style = 3;
};

} // namespace ks
