// "Puntos de referencia": the reference points of the massif, kilometres typed.
#include "compute/ui/reference_dialog.h"

#include "bridge/qt_text.h"
#include "model/records.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ks {

namespace {
constexpr int kColumns = 6;
constexpr int kMinimumRows = 10;

QString Cell(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text().trimmed() : QString();
}
} // namespace

TReferenceDialog::TReferenceDialog(
    const std::vector<std::unique_ptr<TPointTopo>>& references, QWidget* parent)
    : QDialog(parent)
    , m_grid(new QTableWidget(this))
{
    setWindowTitle(QStringLiteral("Puntos de referencia"));
    SetHelpTopic(this, HelpTopic::ReferencePoints);
    m_grid->setObjectName(QStringLiteral("Grille"));
    m_grid->setColumnCount(kColumns);
    m_grid->setHorizontalHeaderLabels({ QString(), QStringLiteral("Nombre"), QStringLiteral("Índice"),
        QStringLiteral("X /km"), QStringLiteral("Y /km"), QStringLiteral("Z /m") });
    m_grid->verticalHeader()->hide();
    m_grid->setRowCount(std::max<int>(kMinimumRows, static_cast<int>(references.size()) + 1));
    for (std::size_t r = 0; r < references.size(); ++r) {
        const TPointTopo& p = *references[r];
        const int row = static_cast<int>(r);
        m_grid->setItem(row, 1, new QTableWidgetItem(FromCp1252(p.Name.Get())));
        m_grid->setItem(row, 2, new QTableWidgetItem(QString::number(p.Number)));
        m_grid->setItem(row, 3, new QTableWidgetItem(ToQString(FormatG(p.X, 9))));
        m_grid->setItem(row, 4, new QTableWidgetItem(ToQString(FormatG(p.Y, 9))));
        m_grid->setItem(row, 5, new QTableWidgetItem(ToQString(FormatG(p.Z, 7))));
    }
    EnsureSpareRows();
    // Every column wide enough for a full coordinate, in the dialog's own font, so that no
    // column hides behind the scroll bar at any text size.
    m_grid->resizeColumnsToContents();
    const int number = fontMetrics().horizontalAdvance(QStringLiteral("0000000.00000")) + 12;
    int total = m_grid->columnWidth(0);
    for (int c = 1; c < kColumns; ++c) {
        m_grid->setColumnWidth(c, std::max(m_grid->columnWidth(c), number));
        total += m_grid->columnWidth(c);
    }
    m_grid->setMinimumWidth(total + 2 * m_grid->frameWidth()
        + m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid) + 4);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this] { EnsureSpareRows(); });

    auto* remove = new QPushButton(QStringLiteral("&Eliminar"), this);
    remove->setObjectName(QStringLiteral("Eliminar"));
    auto* ok = new QPushButton(QStringLiteral("Validar"), this);
    ok->setObjectName(QStringLiteral("Validar"));
    auto* cancel = new QPushButton(QStringLiteral("Deshacer"), this);
    cancel->setObjectName(QStringLiteral("Deshacer"));
    connect(remove, &QPushButton::clicked, this, [this] { RemoveCurrentRow(); });
    connect(ok, &QPushButton::clicked, this, [this] {
        if (Validate())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(remove);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    resize(sizeHint().width(), 360);
}

void TReferenceDialog::EnsureSpareRows()
{
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        if (!m_grid->item(r, 0))
            m_grid->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
        m_grid->item(r, 0)->setFlags(Qt::ItemIsEnabled);
    }
    // A new empty row whenever the cursor reaches the last two rows.
    if (m_grid->currentRow() >= m_grid->rowCount() - 2) {
        const int row = m_grid->rowCount();
        m_grid->insertRow(row);
        m_grid->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
        m_grid->item(row, 0)->setFlags(Qt::ItemIsEnabled);
    }
}

void TReferenceDialog::RemoveCurrentRow()
{
    const int row = m_grid->currentRow();
    if (row < 0)
        return;
    m_grid->removeRow(row);
    while (m_grid->rowCount() < kMinimumRows)
        m_grid->insertRow(m_grid->rowCount());
    for (int r = 0; r < m_grid->rowCount(); ++r)
        m_grid->setItem(r, 0, new QTableWidgetItem(QString::number(r + 1)));
    EnsureSpareRows();
}

bool TReferenceDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter moves to the next column, and from the last column to the first of the next row.
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            int row = m_grid->currentRow(), column = m_grid->currentColumn() + 1;
            if (column >= kColumns) {
                column = 1;
                ++row;
            }
            EnsureSpareRows();
            m_grid->setCurrentCell(std::min(row, m_grid->rowCount() - 1), column);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TReferenceDialog::Validate()
{
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        if (Cell(m_grid, r, 1).isEmpty())
            continue;
        int faulty = -1;
        const auto number = ParseInt(ToUtf8(Cell(m_grid, r, 2)));
        if (!number || *number < 0 || *number > kMaxStationNumber)
            faulty = 2;
        for (int c = 3; c <= 5 && faulty < 0; ++c)
            if (!ParseReal(ToUtf8(Cell(m_grid, r, c))))
                faulty = c;
        if (faulty >= 0) {
            Prompt().Ask(
                MessageKind::Warning, windowTitle(), QStringLiteral("El valor no es correcto"), Buttons::Ok);
            m_grid->setCurrentCell(r, faulty);
            return false;
        }
    }
    return true;
}

std::vector<std::unique_ptr<TPointTopo>> TReferenceDialog::Points() const
{
    std::vector<std::unique_ptr<TPointTopo>> points;
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const QString name = Cell(m_grid, r, 1);
        if (name.isEmpty())
            continue;
        auto p = std::make_unique<TPointTopo>();
        p->Name.Set(ToCp1252(name));
        p->Number = static_cast<std::uint8_t>(ToInt(ToUtf8(Cell(m_grid, r, 2))));
        p->X = ToReal(ToUtf8(Cell(m_grid, r, 3)));
        p->Y = ToReal(ToUtf8(Cell(m_grid, r, 4)));
        p->Z = ToReal(ToUtf8(Cell(m_grid, r, 5)));
        points.push_back(std::move(p));
    }
    return points;
}

} // namespace ks
