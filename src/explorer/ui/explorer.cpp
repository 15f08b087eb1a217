// "Explorar": the tree, the list and the web panel over the explorer model.
#include "explorer/ui/explorer.h"

#include "explorer/ui/explorer_items.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ks {

using namespace explorer_items;

TExploreur::TExploreur(TMassif& massif, QWidget* parent)
    : QWidget(parent)
    , m_massif(massif)
    , m_model(massif)
    , m_tree(new QTreeWidget(this))
    , m_list(new QTreeWidget(this))
    , m_web(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Explorar"));
    SetHelpTopic(this, HelpTopic::Explorer);
    setObjectName(QStringLiteral("Explorar"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_tree->setObjectName(QStringLiteral("Arbre"));
    m_tree->setHeaderHidden(true);
    m_list->setObjectName(QStringLiteral("Liste"));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        { QStringLiteral("Nombre"), QStringLiteral("Tipo (n.)"), QStringLiteral("Topógrafos") });
    m_web->setObjectName(QStringLiteral("Web"));
    m_web->setMinimumWidth(220);
    m_web->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    for (QTreeWidget* widget : { m_tree, m_list }) {
        widget->setContextMenuPolicy(Qt::CustomContextMenu);
        widget->setDragEnabled(true);
        widget->setDragDropMode(QAbstractItemView::DragDrop);
        widget->setSelectionMode(QAbstractItemView::SingleSelection);
        widget->viewport()->installEventFilter(this);
        connect(widget, &QTreeWidget::customContextMenuRequested, this, [this, widget](const QPoint& p) {
            PopupMenu(widget == m_tree)->exec(widget->viewport()->mapToGlobal(p));
        });
    }
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        const auto& folder = m_folders[static_cast<std::size_t>(item->data(0, kFolderRole).toInt())];
        const QString text = item->text(0);
        if (folder.Level > 0 && !folder.Bin && text != Label(folder.Text()))
            QTimer::singleShot(0, this, [this, text] { Rename(true, text); });
    });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        const TFolder folder = m_folders[static_cast<std::size_t>(item->data(0, kFolderRole).toInt())];
        if (!m_navigating)
            m_history.Visit(folder);
        m_listed = folder;
        FillList();
        m_webTimer.start();
        if (OnCommandsChanged)
            OnCommandsChanged();
    });
    connect(m_list, &QTreeWidget::itemActivated, this, [this] { Open(false); });
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed);
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 0 || item->data(0, kKindRole).toInt() != kFolder)
            return;
        const auto& folder = m_listFolders[static_cast<std::size_t>(item->data(0, kSheetRole).toInt())];
        const QString text = item->text(0);
        if (text != Label(folder.Text()))
            QTimer::singleShot(0, this, [this, text] { Rename(false, text); });
    });
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_descending = column == m_sortColumn ? !m_descending : false;
        m_sortColumn = column;
        m_list->sortItems(column, m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    });

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_list);
    splitter->addWidget(m_web);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 1);
    splitter->setSizes({ 240, 360, 220 });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    m_rebuildTimer.setInterval(100);
    m_rebuildTimer.setSingleShot(true);
    connect(&m_rebuildTimer, &QTimer::timeout, this, [this] { Rebuild(); });
    m_webTimer.setInterval(200);
    m_webTimer.setSingleShot(true);
    connect(&m_webTimer, &QTimer::timeout, this, [this] { DrawWeb(); });
    Rebuild();
}

TExploreur::~TExploreur() = default;

void TExploreur::RequestRebuild()
{
    m_rebuildTimer.start();
}

QTreeWidgetItem* TExploreur::AddFolder(QTreeWidgetItem* parent, const TFolder& folder)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    m_folders.push_back(folder);
    item->setData(0, kFolderRole, static_cast<int>(m_folders.size() - 1));
    if (folder.Bin) {
        item->setText(0, QStringLiteral("Papelera de recielaje"));
        item->setIcon(0, style()->standardIcon(QStyle::SP_TrashIcon));
        return item;
    }
    if (folder.Level == 0) {
        // The massif's file name without its extension.
        const QString name = ToQString(MassifName(m_massif.FileName));
        item->setText(0, name.section(QLatin1Char('.'), 0, 0));
        item->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    } else {
        item->setText(0, Label(folder.Text()));
        item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    for (const TFolder& child : m_model.Children(folder))
        AddFolder(item, child);
    return item;
}

void TExploreur::Rebuild()
{
    // Keep what was expanded and selected, matched by the folders' paths.
    std::vector<TFolder> expanded;
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->isExpanded())
            expanded.push_back(m_folders[static_cast<std::size_t>((*it)->data(0, kFolderRole).toInt())]);
    const std::optional<TFolder> selected = m_listed;

    const QSignalBlocker block(m_tree);
    m_tree->clear();
    m_folders.clear();
    QTreeWidgetItem* root = AddFolder(nullptr, TFolder {});
    TFolder bin;
    bin.Bin = true;
    AddFolder(root, bin);
    root->setExpanded(true);
    for (const TFolder& folder : expanded)
        if (QTreeWidgetItem* item = Find(folder))
            item->setExpanded(true);
    QTreeWidgetItem* current = selected ? Find(*selected) : nullptr;
    if (!current)
        current = root;
    m_tree->setCurrentItem(current);
    m_listed = m_folders[static_cast<std::size_t>(current->data(0, kFolderRole).toInt())];
    FillList();
    m_webTimer.start();
}

QTreeWidgetItem* TExploreur::Find(const TFolder& folder) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if (m_folders[static_cast<std::size_t>((*it)->data(0, kFolderRole).toInt())] == folder)
            return *it;
    return nullptr;
}

void TExploreur::FillList()
{
    const QSignalBlocker block(m_list); // filling is no renaming
    m_list->clear();
    if (!m_listed)
        return;
    const TFolder& folder = *m_listed;
    auto add = [this](const QStringList& texts, EntryKind kind, QVariant value, QStyle::StandardPixmap icon) {
        auto* item = new Entry(m_list, texts);
        item->setData(0, kKindRole, kind);
        item->setData(0, kSheetRole, value);
        item->setIcon(0, style()->standardIcon(icon));
        return item;
    };
    if (folder.Bin) {
        m_list->headerItem()->setText(2, QStringLiteral("Emplazamiento de origen"));
        for (TFiche* sheet : m_model.SheetsOf(folder)) {
            const QString origin = Label(sheet->Systeme.Get() + "/" + sheet->Cavite.Get() + "/"
                + sheet->Reseau.Get() + "/" + sheet->Lieu.Get());
            auto* item = add({ Label(sheet->Date), QStringLiteral("Ficha"), origin }, kBinSheet,
                QVariant::fromValue(static_cast<void*>(sheet)), QStyle::SP_FileIcon);
            item->setData(0, kSortRole, DateKey(sheet->Date));
        }
        return;
    }
    m_list->headerItem()->setText(2, QStringLiteral("Topógrafos"));
    if (folder.Level == 4) {
        for (TFiche* sheet : m_model.SheetsOf(folder)) {
            std::string team;
            for (const TEco& s : sheet->Surveyors)
                team += (team.empty() ? "" : "/") + s.Get();
            auto* item = add({ Label(sheet->Date), QStringLiteral("Ficha"), Label(team) }, kSheet,
                QVariant::fromValue(static_cast<void*>(sheet)), QStyle::SP_FileIcon);
            item->setData(0, kSortRole, DateKey(sheet->Date));
        }
        return;
    }
    m_listFolders = m_model.Children(folder);
    for (std::size_t i = 0; i < m_listFolders.size(); ++i) {
        QTreeWidgetItem* item
            = add({ Label(m_listFolders[i].Text()), QString::fromUtf8(kKinds[folder.Level]), QString() },
                kFolder, static_cast<int>(i), QStyle::SP_DirIcon);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (folder.Level == 0)
        add({ QStringLiteral("Papelera de recielaje"), QString(), QString() }, kBinEntry, QVariant(),
            QStyle::SP_TrashIcon);
}

void TExploreur::SetListStyle(int style)
{
    m_style = style;
    const bool details = style == 3;
    m_list->setHeaderHidden(!details);
    for (int c = 1; c < 3; ++c)
        m_list->setColumnHidden(c, !details);
    m_list->setIconSize(style == 0 ? QSize(32, 32) : QSize(16, 16));
}

void TExploreur::SetWebStyle(bool web)
{
    m_web->setVisible(web);
    if (web)
        m_webTimer.start();
}

void TExploreur::DrawWeb()
{
    if (!m_web->isVisible() || !m_listed)
        return;
    // The folder's name and a small plan of its galleries, scaled to the panel.
    const QSize size(std::max(200, m_web->width()), std::max(200, m_web->height()));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(16);
    title.setBold(true);
    p.setFont(title);
    const QString name = m_listed->Bin ? QStringLiteral("Papelera de recielaje")
        : m_listed->Level == 0         ? m_tree->topLevelItem(0)->text(0)
                                       : Label(m_listed->Text());
    p.drawText(QRect(0, 4, size.width(), 24), Qt::AlignHCenter, name);
    if (!m_massif.Computed)
        m_massif.PlaceAllStations();
    std::vector<std::vector<QPointF>> lines;
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (TFiche* sheet : m_model.SheetsOf(*m_listed)) {
        for (const auto& g : sheet->Galeries) {
            if (!g->Positioned || g->StationCount() != g->ShotCount())
                continue;
            std::vector<QPointF> line { { g->Start.X, g->Start.Y } };
            for (const TStationPos& s : g->Stations)
                line.push_back({ s.X, s.Y });
            for (const QPointF& q : line) {
                minX = std::min(minX, q.x());
                maxX = std::max(maxX, q.x());
                minY = std::min(minY, q.y());
                maxY = std::max(maxY, q.y());
            }
            lines.push_back(std::move(line));
        }
    }
    if (!lines.empty()) {
        const QRectF area(10, 34, size.width() - 20, size.height() - 44);
        const double scale = std::min(
            area.width() / std::max(1e-6, maxX - minX), area.height() / std::max(1e-6, maxY - minY));
        auto map = [&](const QPointF& q) {
            return QPointF(area.left() + (q.x() - minX) * scale, area.top() + (maxY - q.y()) * scale);
        };
        p.setPen(QPen(Qt::darkBlue, 1));
        for (const auto& line : lines)
            for (std::size_t i = 1; i < line.size(); ++i)
                p.drawLine(map(line[i - 1]), map(line[i]));
    }
    p.end();
    m_web->setPixmap(QPixmap::fromImage(image));
}

bool TExploreur::SelectFolder(const TFolder& folder)
{
    QTreeWidgetItem* item = Find(folder);
    if (!item)
        return false;
    m_tree->setCurrentItem(item);
    return true;
}

std::optional<TFolder> TExploreur::SelectedFolder() const
{
    return m_listed;
}

void TExploreur::SelectListRow(int row)
{
    m_list->setFocus();
    m_list->setCurrentItem(m_list->topLevelItem(row));
}

TExploreur::Target TExploreur::Selected(bool fromTree) const
{
    Target target;
    if (fromTree) {
        if (QTreeWidgetItem* item = m_tree->currentItem())
            target.Folder = m_folders[static_cast<std::size_t>(item->data(0, kFolderRole).toInt())];
        return target;
    }
    QTreeWidgetItem* item = m_list->currentItem();
    if (!item)
        return target;
    switch (item->data(0, kKindRole).toInt()) {
    case kFolder:
        target.Folder = m_listFolders[static_cast<std::size_t>(item->data(0, kSheetRole).toInt())];
        break;
    case kSheet:
        target.Sheet = static_cast<TFiche*>(item->data(0, kSheetRole).value<void*>());
        break;
    case kBinEntry:
        target.BinEntry = true;
        break;
    case kBinSheet:
        target.Sheet = static_cast<TFiche*>(item->data(0, kSheetRole).value<void*>());
        target.InBin = true;
        break;
    default:
        break;
    }
    return target;
}

std::vector<TFiche*> TExploreur::SheetsOf(const Target& target) const
{
    if (target.Sheet)
        return { target.Sheet };
    if (target.Folder)
        return m_model.SheetsOf(*target.Folder);
    return {};
}

bool TExploreur::eventFilter(QObject* watched, QEvent* event)
{
    // Drops are handled here: the widgets' own item moves would not touch the massif.
    const bool onTree = watched == m_tree->viewport();
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        const bool ok = onTree && (drag->source() == m_tree || drag->source() == m_list)
            && m_tree->itemAt(drag->position().toPoint()) != nullptr;
        ok ? drag->acceptProposedAction() : drag->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        QTreeWidgetItem* item = onTree ? m_tree->itemAt(drop->position().toPoint()) : nullptr;
        if (item) {
            const TFolder target = m_folders[static_cast<std::size_t>(item->data(0, kFolderRole).toInt())];
            Drop(drop->source() == m_tree, target);
        }
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TExploreur::Back()
{
    m_navigating = true;
    if (auto folder = m_history.Back([this](const TFolder& f) { return Find(f) != nullptr; }))
        SelectFolder(*folder);
    m_navigating = false;
}

void TExploreur::Forward()
{
    m_navigating = true;
    if (auto folder = m_history.Forward([this](const TFolder& f) { return Find(f) != nullptr; }))
        SelectFolder(*folder);
    m_navigating = false;
}

bool TExploreur::CanGoUp() const
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item && item->parent();
}

void TExploreur::Up()
{
    if (QTreeWidgetItem* item = m_tree->currentItem(); item && item->parent())
        m_tree->setCurrentItem(item->parent());
}

QMenu* TExploreur::PopupMenu(bool fromTree)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const Target t = Selected(fromTree);
    const bool bin = (t.Folder && t.Folder->Bin) || t.BinEntry;
    const bool folder = t.Folder && !t.Folder->Bin;
    auto add = [this, menu](const char* caption, bool visible, std::function<void()> command) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setVisible(visible);
        connect(action, &QAction::triggered, this, std::move(command));
    };
    add("&Abrir", !fromTree && (folder || t.BinEntry || (t.Sheet && !t.InBin)),
        [this, fromTree] { Open(fromTree); });
    add("&Buscar ...", static_cast<bool>(OnFind), [this] { OnFind(); });
    add("&Vaciar la palerera", bin && !m_massif.RecycleBin.empty(), [this] { EmptyBin(); });
    add("&Restaurar", (bin && fromTree && !m_massif.RecycleBin.empty()) || t.InBin,
        [this, fromTree] { Restore(fromTree); });
    menu->addSeparator();
    add("&Cortar", folder || (t.Sheet && !t.InBin), [this, fromTree] { Cut(fromTree); });
    add("C&opiar", folder || (t.Sheet && !t.InBin), [this, fromTree] { Copy(fromTree); });
    add("&Pegar", m_clipboard.has_value() && (folder || !fromTree), [this, fromTree] { Paste(fromTree); });
    add("&Eliminar", (folder && t.Folder->Level > 0) || (t.Sheet && !t.InBin),
        [this, fromTree] { Delete(fromTree); });
    add("Reno&mbrar", folder && t.Folder->Level > 0, [this, fromTree] {
        QTreeWidget* widget = fromTree ? m_tree : m_list;
        if (widget->currentItem())
            widget->editItem(widget->currentItem());
    });
    menu->addSeparator();
    add("&Nueva ficha ...", folder || (!fromTree && m_listed && !m_listed->Bin),
        [this, fromTree] { NewSheet(fromTree); });
    add("&Aislar", folder || (t.Sheet && !t.InBin), [this, fromTree] { Isolate(fromTree, false); });
    add("&Excluir", folder || (t.Sheet && !t.InBin), [this, fromTree] { Isolate(fromTree, true); });
    add("Propie&dades ...", bin || folder || (t.Sheet && !t.InBin),
        [this, fromTree] { Properties(fromTree); });
    if (!StyleActions.empty()) {
        menu->addSeparator();
        for (QAction* action : StyleActions)
            menu->addAction(action);
    }
    return menu;
}

} // namespace ks
