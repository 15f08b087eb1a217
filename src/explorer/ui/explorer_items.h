#pragma once
// Shared by the explorer's files only: item roles, the list entries, and the message and label
// helpers.

#include "bridge/qt_text.h"
#include "ui/prompt.h"

#include <QTreeWidgetItem>
#include <QVariant>

#include <string>

namespace ks::explorer_items {

inline constexpr int kFolderRole = Qt::UserRole; // tree: index into m_folders
inline constexpr int kKindRole = Qt::UserRole + 1; // list: EntryKind
inline constexpr int kSheetRole = Qt::UserRole + 2; // list: sheet pointer or folder index
inline constexpr int kSortRole = Qt::UserRole + 3; // list: sort key of the first column

inline const char* const kKinds[] = { "Sistema", "Cavidad", "Red", "Lugar" };

inline void Inform(const char* text)
{
    Prompt().Ask(MessageKind::Information, QStringLiteral("Explorar"), QString::fromUtf8(text), Buttons::Ok);
}

// List entries sort by their own key: dates by DateKey, texts upper-cased.
class Entry : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 0) {
            const QVariant a = data(0, kSortRole), b = other.data(0, kSortRole);
            if (a.typeId() == QMetaType::Int && b.typeId() == QMetaType::Int)
                return a.toInt() < b.toInt();
        }
        return text(column).toUpper() < other.text(column).toUpper();
    }
};

inline QString Label(const std::string& text)
{
    return FromCp1252(text);
}

} // namespace ks::explorer_items
