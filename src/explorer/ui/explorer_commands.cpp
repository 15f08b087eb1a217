// The explorer's commands: delete, restore, empty the bin, rename, cut, copy, paste, undo,
// isolate, properties, open, new sheet and drop.
#include "explorer/ui/explorer.h"

#include "explorer/ui/explorer_items.h"

#include "model/massif.h"
#include "ui/prompt.h"

#include <QTreeWidget>

namespace ks {

using namespace explorer_items;

void TExploreur::Changed()
{
    RequestRebuild();
    if (OnMassifChanged)
        OnMassifChanged();
}

void TExploreur::Delete(bool fromTree)
{
    const Target t = Selected(fromTree);
    if (t.BinEntry)
        return Inform("Imposible eliminar en la papelera de reciclaje");
    if (t.Folder && t.Folder->Bin)
        return Inform("Imposible eliminar la papelera de reciclaje");
    if (t.Folder && t.Folder->Level == 0)
        return Inform("Imposible eliminar todo el macizo");
    if (t.InBin || (!t.Sheet && !t.Folder))
        return;
    const QString question = t.Sheet
        ? QStringLiteral("Enviar la ficha a la papelera de reciclaje ?")
        : QStringLiteral("Enviar el fichero %1 a la papelera de reciclaje ?").arg(Label(t.Folder->Text()));
    if (Prompt().Ask(MessageKind::Warning, QStringLiteral("Explorar"), question, Buttons::YesCancel)
        != Answer::Yes)
        return;
    m_model.Delete(SheetsOf(t));
    Changed();
}

void TExploreur::Restore(bool fromTree)
{
    const Target t = Selected(fromTree);
    if (!fromTree && t.InBin) {
        m_model.Restore({ t.Sheet });
    } else if (t.Folder && t.Folder->Bin) {
        std::vector<TFiche*> all;
        for (auto it = m_massif.RecycleBin.rbegin(); it != m_massif.RecycleBin.rend(); ++it)
            all.push_back(it->get());
        m_model.Restore(all);
    } else {
        return;
    }
    Changed();
}

void TExploreur::EmptyBin()
{
    const QString question = QStringLiteral("Está usted seguro de querer borrar estas fichas de %1?")
                                 .arg(m_massif.RecycleBin.size());
    if (Prompt().Ask(MessageKind::Warning, QStringLiteral("Explorar"), question, Buttons::YesNo)
        != Answer::Yes)
        return;
    m_model.EmptyBin();
    Changed();
}

void TExploreur::Rename(bool fromTree, const QString& text)
{
    const Target t = Selected(fromTree);
    if (t.Sheet) {
        Inform("Cambio de nombre no permitido");
        return;
    }
    if (!t.Folder || t.Folder->Bin || t.Folder->Level == 0 || text.isEmpty()) {
        RequestRebuild();
        return;
    }
    TFolder renamed = *t.Folder;
    renamed.Path[static_cast<std::size_t>(renamed.Level - 1)] = ToCp1252(text);
    m_model.Rename(*t.Folder, ToCp1252(text));
    if (fromTree)
        m_listed = renamed;
    Changed();
}

void TExploreur::Take(bool fromTree, bool cut)
{
    const Target t = Selected(fromTree);
    if (fromTree && t.Folder && t.Folder->Bin)
        return Inform("Imposible desplazar la papelera de reciclaje");
    if (fromTree && t.Folder && t.Folder->Level == 0)
        return Inform("Imposible desplazar todo el macizo");
    if (!fromTree && (t.BinEntry || t.InBin || (m_listed && m_listed->Bin)))
        return Inform("Imposible desplazar desde la papelera de reciclaje");
    TSource source;
    if (t.Sheet) {
        source.Folder.Level = 4;
        source.Sheet = t.Sheet->Ordre;
    } else if (t.Folder) {
        source.Folder = *t.Folder;
    } else {
        return;
    }
    m_clipboard = source;
    m_cut = cut;
    if (OnCommandsChanged)
        OnCommandsChanged();
}

void TExploreur::Paste(bool fromTree)
{
    if (!m_clipboard)
        return;
    Target t = Selected(fromTree);
    if (!fromTree && !t.Sheet && !t.Folder && !t.BinEntry && m_listed)
        t.Folder = m_listed;
    if (t.BinEntry || (t.Folder && t.Folder->Bin) || t.InBin || (m_listed && m_listed->Bin && !fromTree)) {
        if (!m_cut)
            Inform("Imposible duplicar hacia la papelera de reciclaje");
        return;
    }
    if (t.Sheet)
        return Inform("Imposible copiar sobre una ficha");
    if (!t.Folder)
        return;
    m_model.Paste(*m_clipboard, *t.Folder, m_cut);
    if (m_cut)
        m_clipboard.reset();
    Changed();
    if (OnCommandsChanged)
        OnCommandsChanged();
}

void TExploreur::Undo()
{
    if (m_model.Undo())
        Changed();
}

void TExploreur::Isolate(bool fromTree, bool exclude)
{
    const Target t = Selected(fromTree);
    if (t.InBin || t.BinEntry || (t.Folder && t.Folder->Bin))
        return;
    const auto sheets = SheetsOf(t);
    if (exclude)
        m_model.Exclude(sheets);
    else
        m_model.Isolate(sheets);
    RequestRebuild();
    if (OnSelectionChanged)
        OnSelectionChanged();
}

void TExploreur::Properties(bool fromTree)
{
    const Target t = Selected(fromTree);
    if (t.BinEntry || (t.Folder && t.Folder->Bin)) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Explorar"),
            QStringLiteral("La papelera de reciclaje incuye %1 fichas.").arg(m_massif.RecycleBin.size()),
            Buttons::Ok);
        return;
    }
    // A folder's or a sheet's statistics.
    if ((t.Folder || (t.Sheet && !t.InBin)) && OnProperties)
        OnProperties(SheetsOf(t));
}

void TExploreur::Open(bool fromTree)
{
    const Target t = Selected(fromTree);
    if (t.Folder && !fromTree) {
        if (QTreeWidgetItem* item = Find(*t.Folder)) {
            if (item->parent())
                item->parent()->setExpanded(true);
            m_tree->setCurrentItem(item);
        }
    } else if (t.BinEntry) {
        TFolder bin;
        bin.Bin = true;
        SelectFolder(bin);
    } else if (t.Sheet && !t.InBin && OnOpenSheet) {
        OnOpenSheet(t.Sheet);
    }
}

void TExploreur::NewSheet(bool fromTree)
{
    Target t = Selected(fromTree);
    if (!t.Folder && !fromTree && m_listed)
        t.Folder = m_listed;
    if (t.Folder && !t.Folder->Bin && OnNewSheet)
        OnNewSheet(*t.Folder);
}

bool TExploreur::Drop(bool fromTree, const TFolder& target)
{
    const Target t = Selected(fromTree);
    if (target.Bin) {
        Delete(fromTree);
        return true;
    }
    TFolder dragged;
    if (t.Sheet && !t.InBin) {
        dragged.Level = 4;
    } else if (t.Folder) {
        dragged = *t.Folder;
    } else {
        return false;
    }
    if (!t.Sheet && !TExplorerModel::CanDrop(dragged, target))
        return false;
    if (t.InBin)
        return false;
    TSource source;
    source.Folder = dragged;
    if (t.Sheet)
        source.Sheet = t.Sheet->Ordre;
    m_model.Paste(source, target, true);
    Changed();
    return true;
}

} // namespace ks
