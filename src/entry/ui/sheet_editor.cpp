// "Ficha topográfica": the sheet editor's pages, grid, menus and validation.
#include "entry/ui/sheet_editor.h"

#include "bridge/qt_text.h"
#include "compute/declination.h"
#include "entry/ui/entry_dialogs.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ks {

namespace {

void Say(const char* text, MessageKind kind = MessageKind::Warning)
{
    Prompt().Ask(kind, QStringLiteral("Ficha topográfica"), ShownText(text), Buttons::Ok);
}

bool Confirm(const char* text)
{
    const Answer a = Prompt().Ask(
        MessageKind::Confirmation, QStringLiteral("Ficha topográfica"), ShownText(text), Buttons::YesNo);
    return a == Answer::Yes;
}

const char* const kFields[]
    = { "Sistema", "Cavidad", "Red", "Lugar", "Fecha", "Primicia", "TPBT", "Declinacion" };

// The labels a unit column takes; null for any other column.
const std::vector<std::string>* UnitLabels(std::int16_t code)
{
    switch (code) {
    case kColLengthUnit:
    case kColWidthUnit:
    case kColHeightUnit:
        return &LengthLabels();
    case kColAzimuthUnit:
        return &AzimuthLabels();
    case kColInclinationUnit:
        return &InclinationLabels();
    default:
        return nullptr;
    }
}

// The grid of shots: Tab and Shift+Tab go from reading to reading, past the units (filled in by
// default) and the cells that cannot be typed in; Delete empties the selected cells.
class TSheetGrid : public QTableWidget
{
public:
    using QTableWidget::QTableWidget;
    std::function<bool(int column)> IsUnit;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action != MoveNext && action != MovePrevious)
            return QTableWidget::moveCursor(action, modifiers);
        const int step = action == MoveNext ? 1 : -1;
        int row = currentRow(), column = currentColumn();
        for (int guard = rowCount() * columnCount(); guard > 0; --guard) {
            column += step;
            if (column >= columnCount()) {
                column = 0;
                ++row;
            } else if (column < 0) {
                column = columnCount() - 1;
                --row;
            }
            if (row < 0 || row >= rowCount())
                break;
            const QTableWidgetItem* cell = item(row, column);
            if (cell && (cell->flags() & Qt::ItemIsEditable) && !(IsUnit && IsUnit(column)))
                return model()->index(row, column);
        }
        return currentIndex();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Delete && state() != EditingState) {
            for (QTableWidgetItem* cell : selectedItems())
                if (cell->flags() & Qt::ItemIsEditable)
                    cell->setText(QString());
            return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

} // namespace

TMultPageDlg::TMultPageDlg(TMassif& massif, const TPreference_Ecran& preferences,
    const QString& settingsFolder, TFiche* sheet, QWidget* parent)
    : QDialog(parent)
    , m_massif(massif)
    , m_sheet(sheet)
    , m_settingsFolder(settingsFolder)
    , m_model(preferences.Columns)
{
    setWindowTitle(QStringLiteral("Ficha topográfica"));
    SetHelpTopic(this, HelpTopic::SheetEditor);
    setObjectName(QStringLiteral("FichaTopografica"));
    auto* bar = new QMenuBar(this);
    BuildMenus(bar);

    // "&Informaciones"
    auto* info = new QWidget(this);
    auto* form = new QFormLayout(info);
    const char* captions[] = { "&Sistema", "Ca&vidad", "Re&d", "&Lugar", "&Fecha", "&Primicia (m)",
        "T.P.&B.T.", "&Declinación" };
    for (int i = 0; i < 8; ++i) {
        auto* edit = new QLineEdit(info);
        edit->setObjectName(QString::fromUtf8(kFields[i]));
        if (i == 4)
            edit->setInputMask(QStringLiteral("00/00/00; ")); // digits may stay blank
        connect(edit, &QLineEdit::textEdited, this, [this] { m_model.Modified = true; });
        form->addRow(QString::fromUtf8(captions[i]), edit);
    }
    m_unit = new QComboBox(info);
    m_unit->setObjectName(QStringLiteral("Unidad"));
    m_unit->setEditable(true);
    m_unit->addItems({ QStringLiteral("°"), QStringLiteral("gr") });
    connect(m_unit, &QComboBox::currentTextChanged, this, [this] {
        if (!m_filling)
            m_model.Modified = true;
    });
    auto* automatic = new QPushButton(QStringLiteral("&Automático"), info);
    automatic->setObjectName(QStringLiteral("Automatico"));
    connect(automatic, &QPushButton::clicked, this, [this] { Automatico(); });
    auto* unitRow = new QHBoxLayout;
    unitRow->addWidget(m_unit);
    unitRow->addWidget(automatic);
    // The label of a row of two widgets needs its buddy for its access key (else "&" shows).
    auto* unitLabel = new QLabel(QStringLiteral("&Unidad"), info);
    unitLabel->setBuddy(m_unit);
    form->addRow(unitLabel, unitRow);
    m_surveyors = new QPlainTextEdit(info);
    m_surveyors->setObjectName(QStringLiteral("Topografos"));
    connect(m_surveyors, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling)
            m_model.Modified = true;
    });
    auto* list = new QPushButton(QStringLiteral("&Lista"), info);
    list->setObjectName(QStringLiteral("Lista"));
    connect(list, &QPushButton::clicked, this, [this] { Lista(); });
    form->addRow(QStringLiteral("&Topógrafos"), m_surveyors);
    form->addRow(list);

    // "&Visuales"
    auto* grid = new TSheetGrid(this);
    grid->IsUnit = [this](int column) {
        const auto& columns = m_model.Columns();
        return column >= 1 && column <= static_cast<int>(columns.size())
            && UnitLabels(columns[static_cast<std::size_t>(column - 1)].Code);
    };
    m_grid = grid;
    m_grid->setObjectName(QStringLiteral("Grille"));
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QTableWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu menu(this);
        QAction* point
            = menu.addAction(QStringLiteral("Inse&rtar un punto ..."), this, [this] { NuevoPunto(); });
        point->setToolTip(QStringLiteral("Añadir un punto entre las visuales"));
        menu.addAction(QStringLiteral("Eliminar un &punto"), this, [this] { EliminarPunto(); });
        menu.addSeparator();
        menu.addAction(QStringLiteral("I&nsertar una visual"), this, [this] { InsertarVisual(); });
        menu.addAction(QStringLiteral("&Eliminar una visual"), this, [this] { EliminarVisual(); });
        menu.addAction(QStringLiteral("&Informaciones ..."), this, [this] { GallerySettings(); });
        menu.exec(m_grid->viewport()->mapToGlobal(p));
    });
    connect(m_grid, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (m_filling || column < 2)
            return;
        std::string text = ToCp1252(m_grid->item(row, column)->text());
        // A unit cell takes only its units, written as offered; anything else leaves it as it was.
        const auto& columns = m_model.Columns();
        if (const auto* labels = UnitLabels(columns[static_cast<std::size_t>(column - 1)].Code)) {
            const bool spare = row >= static_cast<int>(m_model.Rows.size());
            std::string unit;
            if (!text.empty() && !MatchUnit(*labels, text, unit)) {
                m_filling = true;
                m_grid->item(row, column)
                    ->setText(spare ? QString()
                                    : FromCp1252(m_model.Rows[static_cast<std::size_t>(row)]
                                                     .cells[static_cast<std::size_t>(column - 1)]));
                m_filling = false;
                return;
            }
            if (!unit.empty() && unit != text) {
                text = unit;
                m_filling = true;
                m_grid->item(row, column)->setText(FromCp1252(unit));
                m_filling = false;
            }
        }
        // Typing in the spare row under the sheet adds a shot row there.
        if (row >= static_cast<int>(m_model.Rows.size())) {
            if (m_model.InsererVisee(static_cast<int>(m_model.Rows.size())).has_value()) {
                FillGrid();
                return;
            }
        }
        m_model.Rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column - 1)] = text;
        m_model.Modified = true;
        if (row + 1 >= m_grid->rowCount() - 1)
            FillGrid();
    });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column <= 1 && row < static_cast<int>(m_model.Rows.size())
            && m_model.Rows[static_cast<std::size_t>(row)].kind != TSheetModel::Kind::Shot)
            GallerySettings();
    });

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("Pages"));
    m_pages->setTabPosition(QTabWidget::South);
    m_pages->addTab(info, QStringLiteral("&Informaciones"));
    m_pages->addTab(m_grid, QStringLiteral("&Visuales"));
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->addWidget(m_pages);
    resize(1000, 600);

    if (sheet)
        m_model.Load(*sheet);
    Fill();
    m_pages->setCurrentIndex(sheet ? 1 : 0);
}

QLineEdit* TMultPageDlg::Field(const QString& name) const
{
    return findChild<QLineEdit*>(name);
}

void TMultPageDlg::BuildMenus(QMenuBar* bar)
{
    QMenu* fiche = bar->addMenu(QStringLiteral("F&icha"));
    fiche->addAction(QStringLiteral("&Terminar"), this, [this] { Terminar(); });
    fiche->addAction(QStringLiteral("&Siguiente"), this, [this] { Siguiente(); });
    fiche->addAction(QStringLiteral("&Deschacer"), this, [this] { Deschacer(); });
    fiche->addAction(
        QStringLiteral("&Guardar en el disco"), QKeySequence(QStringLiteral("Ctrl+S")), this, [this] {
            Gather();
            if (OnSaveToDisk)
                OnSaveToDisk(
                    m_model.ToWork(m_sheet ? static_cast<std::int16_t>(m_sheet->Ordre & 0xFFFF) : -1));
        });
    QMenu* edit = bar->addMenu(QStringLiteral("&Edición"));
    // Clipboard commands on the current cell of the grid.
    auto cell = [this]() -> QTableWidgetItem* {
        QTableWidgetItem* item = m_grid->currentItem();
        return item && (item->flags() & Qt::ItemIsEditable) ? item : nullptr;
    };
    edit->addAction(QStringLiteral("&Cortar"), this, [this, cell] {
        if (QTableWidgetItem* item = cell()) {
            QApplication::clipboard()->setText(item->text());
            item->setText(QString());
        }
    });
    edit->addAction(QStringLiteral("C&opiar"), this, [this] {
        if (QTableWidgetItem* item = m_grid->currentItem())
            QApplication::clipboard()->setText(item->text());
    });
    edit->addAction(QStringLiteral("&Pegar"), this, [cell] {
        if (QTableWidgetItem* item = cell())
            item->setText(QApplication::clipboard()->text().section(QLatin1Char('\n'), 0, 0).trimmed());
    });
    edit->addAction(QStringLiteral("&Eliminar"), this, [cell] {
        if (QTableWidgetItem* item = cell())
            item->setText(QString());
    });
    edit->addSeparator();
    edit->addAction(QStringLiteral("I&mportar de una tabla ..."), this, [this] { Importar(); });
    edit->addAction(QStringLiteral("&Copiar todo"), this, [this] { CopiarTodo(); });
    QMenu* point = bar->addMenu(QStringLiteral("&Punto"));
    point->addAction(QStringLiteral("&Nuevo ..."), this, [this] { NuevoPunto(); });
    point->addAction(QStringLiteral("&Edición ..."), this, [this] { EditarPunto(); });
    point->addAction(QStringLiteral("&Eliminar"), this, [this] { EliminarPunto(); });
    QMenu* table = bar->addMenu(QStringLiteral("&Tabla"));
    table->addAction(QStringLiteral("&Continuar abajo"), this, [this] { ContinuarAbajo(); });
    table->addAction(QStringLiteral("I&nsertar una visual"), this, [this] { InsertarVisual(); });
    table->addAction(QStringLiteral("&Eliminar una visual"), this, [this] { EliminarVisual(); });
    table->addAction(QStringLiteral("Corregir la &longitud ..."), this, [this] { Corregir(kColLength); });
    table->addAction(QStringLiteral("Corregir el &rumbo ..."), this, [this] { Corregir(kColAzimuth); });
    table->addAction(
        QStringLiteral("Corregir la &inclinación ..."), this, [this] { Corregir(kColInclination); });
}

void TMultPageDlg::Fill()
{
    m_filling = true;
    const TSheetFields& f = m_model.Fields;
    const std::string* values[]
        = { &f.Systeme, &f.Cavite, &f.Reseau, &f.Lieu, &f.Date, &f.Premiere, &f.TPST, &f.Declination };
    for (int i = 0; i < 8; ++i)
        Field(QString::fromUtf8(kFields[i]))->setText(FromCp1252(*values[i]));
    m_unit->setCurrentText(FromCp1252(f.DeclinationUnit));
    QStringList names;
    for (const auto& s : f.Surveyors)
        names << FromCp1252(s);
    m_surveyors->setPlainText(names.join(QLatin1Char('\n')));
    m_filling = false;
    FillGrid();
}

void TMultPageDlg::FillGrid()
{
    m_filling = true;
    const auto& columns = m_model.Columns();
    const int rows = static_cast<int>(m_model.Rows.size());
    m_grid->setColumnCount(static_cast<int>(columns.size()) + 1);
    QStringList titles { QString() };
    for (const TColonne& c : columns)
        titles << FromCp1252(c.Title);
    m_grid->setHorizontalHeaderLabels(titles);
    m_grid->verticalHeader()->hide();
    m_grid->setColumnWidth(0, 36);
    const QFontMetrics metrics(m_grid->horizontalHeader()->font());
    for (std::size_t c = 0; c < columns.size(); ++c)
        m_grid->setColumnWidth(static_cast<int>(c) + 1,
            std::max<int>(
                { columns[c].Width, 20, metrics.horizontalAdvance(titles[static_cast<int>(c) + 1]) + 14 }));
    m_grid->setRowCount(rows + 1); // a spare row: typing there adds a shot
    for (int r = 0; r <= rows; ++r) {
        const bool spare = r == rows;
        const auto* row = spare ? nullptr : &m_model.Rows[static_cast<std::size_t>(r)];
        auto* marker = new QTableWidgetItem(spare ? QString() : ToQString(m_model.Marker(r)));
        marker->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        m_grid->setItem(r, 0, marker);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            auto* item = new QTableWidgetItem(spare ? QString() : FromCp1252(row->cells[c]));
            const bool editable = c > 0 && (spare || row->kind == TSheetModel::Kind::Shot);
            item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                    : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            if (!spare && row->kind != TSheetModel::Kind::Shot)
                item->setBackground(QColor(230, 230, 230));
            m_grid->setItem(r, static_cast<int>(c) + 1, item);
        }
    }
    m_filling = false;
}

void TMultPageDlg::Gather()
{
    TSheetFields& f = m_model.Fields;
    std::string* values[]
        = { &f.Systeme, &f.Cavite, &f.Reseau, &f.Lieu, &f.Date, &f.Premiere, &f.TPST, &f.Declination };
    for (int i = 0; i < 8; ++i) {
        const QLineEdit* edit = Field(QString::fromUtf8(kFields[i]));
        // The date keeps its mask's blanks: the validation turns a blank first digit into 0.
        *values[i] = ToCp1252(i == 4 ? edit->displayText() : edit->text());
    }
    f.DeclinationUnit = ToCp1252(m_unit->currentText());
    f.Surveyors.clear();
    for (const QString& line : m_surveyors->toPlainText().split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            f.Surveyors.push_back(ToCp1252(line));
}

int TMultPageDlg::CurrentRow() const
{
    return std::max(0, m_grid->currentRow());
}

void TMultPageDlg::Show(const TRefusal& refusal)
{
    Say(refusal.Message.c_str());
    if (!refusal.Field.empty()) {
        m_pages->setCurrentIndex(0);
        if (QWidget* field
            = refusal.Field == "Unidad" ? static_cast<QWidget*>(m_unit) : Field(ToQString(refusal.Field)))
            field->setFocus();
        return;
    }
    m_pages->setCurrentIndex(1);
    m_grid->setCurrentCell(std::max(0, refusal.Row), std::max(0, refusal.Column) + 1);
}

bool TMultPageDlg::Validate()
{
    Gather();
    TRefusal refusal;
    std::unique_ptr<TFiche> sheet = m_model.Validate(m_massif, m_sheet, refusal);
    if (!sheet) {
        Show(refusal);
        return false;
    }
    if (OnValidated)
        OnValidated(std::move(sheet), m_sheet);
    m_sheet = nullptr;
    m_model.Modified = false;
    return true;
}

bool TMultPageDlg::Terminar()
{
    if (m_model.Modified && !Validate())
        return false;
    m_closing = true;
    accept();
    return true;
}

bool TMultPageDlg::Siguiente()
{
    if (m_model.Modified && !Validate())
        return false;
    m_sheet = nullptr;
    m_model.NewSheet();
    Fill();
    m_pages->setCurrentIndex(0);
    return true;
}

void TMultPageDlg::Deschacer()
{
    if (m_model.Modified
        && Prompt().Ask(MessageKind::Warning, QStringLiteral("Ficha topográfica"),
               QStringLiteral("Las modificaciones se van a perder."), Buttons::OkNo)
            != Answer::Ok)
        return;
    m_closing = true;
    QDialog::reject();
}

void TMultPageDlg::reject()
{
    Deschacer();
}

void TMultPageDlg::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    event->ignore();
    Deschacer();
}

void TMultPageDlg::ShowShot(int gallery, int shot, std::int16_t code)
{
    int starts = -1, shots = 0;
    for (int r = 0; r < static_cast<int>(m_model.Rows.size()); ++r) {
        const auto kind = m_model.Rows[static_cast<std::size_t>(r)].kind;
        if (kind == TSheetModel::Kind::Start) {
            ++starts;
            shots = 0;
        } else if (kind == TSheetModel::Kind::Shot && starts == gallery && ++shots == shot) {
            m_pages->setCurrentIndex(1);
            const int column = m_model.ColumnOf(code) + 1; // the grid's first column is the marker
            m_grid->setCurrentCell(r, column);
            m_grid->scrollToItem(m_grid->item(r, column));
            return;
        }
    }
}

void TMultPageDlg::ResumeWork(const TEditorWork& work)
{
    m_model.FromWork(work);
    Fill();
    m_pages->setCurrentIndex(1);
}

void TMultPageDlg::Prefill(const std::array<std::string, 4>& location, int level)
{
    std::string* fields[]
        = { &m_model.Fields.Systeme, &m_model.Fields.Cavite, &m_model.Fields.Reseau, &m_model.Fields.Lieu };
    for (int i = 0; i < std::min(level, 4); ++i)
        *fields[i] = location[static_cast<std::size_t>(i)];
    Fill();
}

void TMultPageDlg::NuevoPunto()
{
    const int row = CurrentRow();
    if (row < static_cast<int>(m_model.Rows.size())
        && m_model.Rows[static_cast<std::size_t>(row)].kind == TSheetModel::Kind::Start)
        return;
    TStationDialog end(false, TPointTopo {}, m_massif, m_model, this);
    const int chosen = end.exec();
    if (chosen == TStationDialog::Rejected)
        return;
    if (chosen == TStationDialog::FinalPoint) {
        if (row + 1 < static_cast<int>(m_model.Rows.size())
            && Prompt().Ask(MessageKind::Warning, QStringLiteral("Ficha topográfica"),
                   QStringLiteral("Todos los valores bajo esta línea se van a perder."), Buttons::OkNo)
                != Answer::Ok)
            return;
        m_model.Terminer(std::max(row, 1), end.Station());
        FillGrid();
        return;
    }
    TStationDialog start(true, end.Station(), m_massif, m_model, this);
    if (start.exec() != TStationDialog::Validated)
        return;
    TGalleryInfoDialog info(TGalleryInfo {}, this);
    if (info.exec() != QDialog::Accepted)
        return;
    m_model.InsererPoint(std::max(row, 1), end.Station(), start.Station(), info.Info());
    FillGrid();
    m_grid->setCurrentCell(std::min(std::max(row, 1) + 2, m_grid->rowCount() - 1), 2);
}

void TMultPageDlg::InsertarVisual()
{
    if (const auto refusal = m_model.InsererVisee(CurrentRow())) {
        Say(refusal->Message.c_str());
        return;
    }
    const int row = CurrentRow();
    FillGrid();
    m_grid->setCurrentCell(row, 2);
}

void TMultPageDlg::EliminarVisual()
{
    if (!Confirm("La linea va a ser suprimida definitivamente."))
        return;
    const auto ranges = m_grid->selectedRanges();
    int first = CurrentRow(), last = CurrentRow();
    if (!ranges.isEmpty()) {
        first = ranges.front().topRow();
        last = ranges.front().bottomRow();
    }
    if (const auto refusal
        = m_model.SupprimerVisees(first, std::min(last, static_cast<int>(m_model.Rows.size()) - 1))) {
        Say(refusal->Message.c_str());
        return;
    }
    FillGrid();
    m_grid->setCurrentCell(std::min(first, m_grid->rowCount() - 1), 2);
}

void TMultPageDlg::EliminarPunto()
{
    const int row = CurrentRow();
    if (!m_model.CanSupprimerPoint(row))
        return;
    const bool last = row == static_cast<int>(m_model.Rows.size()) - 1;
    if (!Confirm(last ? "Eliminar el último punto y continuar?"
                      : "Los dos puntos y las informaciones correspondientes van a ser eliminadas"))
        return;
    m_model.SupprimerPoint(row);
    FillGrid();
    m_grid->setCurrentCell(std::max(0, std::min(row, static_cast<int>(m_model.Rows.size()) - 1)), 1);
}

void TMultPageDlg::ContinuarAbajo()
{
    if (!m_model.Ended)
        return;
    TStationDialog start(true, TPointTopo {}, m_massif, m_model, this);
    if (start.exec() != TStationDialog::Validated)
        return;
    TGalleryInfoDialog info(TGalleryInfo {}, this);
    const TGalleryInfo below = info.exec() == QDialog::Accepted ? info.Info() : TGalleryInfo {};
    m_model.ContinuerEnBas(start.Station(), below);
    FillGrid();
    m_grid->setCurrentCell(static_cast<int>(m_model.Rows.size()), 2);
}

void TMultPageDlg::CopiarTodo()
{
    QApplication::clipboard()->setText(FromCp1252(m_model.CopierTout()));
}

void TMultPageDlg::Importar()
{
    const int row = CurrentRow();
    if (row == 0 || row > static_cast<int>(m_model.Rows.size())
        || m_model.Rows[static_cast<std::size_t>(row - 1)].kind != TSheetModel::Kind::Station)
        return Say("Imposible unir una visual aquí.");
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return Say("No hay texto en el portapapeles.");
    if (text.size() >= 31999)
        return Say("El portapapeles es demasiado grande.");
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Importación de Tablero"));
    SetHelpTopic(&dialog, HelpTopic::SheetEditor);
    auto* ignored = new QPlainTextEdit(&dialog);
    ignored->setObjectName(QStringLiteral("Ignorar"));
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Importar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Deshacer"), QDialogButtonBox::RejectRole);
    std::vector<int> columns;
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        columns.clear();
        for (const QString& line : ignored->toPlainText().split(QLatin1Char('\n'))) {
            if (line.trimmed().isEmpty())
                continue;
            const auto number = ParseInt(ToUtf8(line));
            if (!number) {
                Say("Número de columna incorrecto\rejemplo 5");
                return;
            }
            columns.push_back(static_cast<int>(*number));
        }
        dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("&Lista de columnas a ignorar"), &dialog));
    layout->addWidget(ignored);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const auto refusal = m_model.Importer(row, ToCp1252(text), columns))
        return Say(refusal->Message.c_str());
    FillGrid();
}

void TMultPageDlg::Corregir(std::int16_t code)
{
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Corrección"));
    SetHelpTopic(&dialog, HelpTopic::SheetEditor);
    auto* value = new QLineEdit(&dialog);
    value->setObjectName(QStringLiteral("Valor"));
    auto* selected = new QCheckBox(QStringLiteral("Visuales seleccionadas"), &dialog);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Corregir"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Deshacer"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (!ParseReal(ToUtf8(value->text())))
            return Say("Valor incorrecto\rejemplo 2.53");
        dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(value);
    layout->addWidget(selected);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = -1, last = -1;
    if (selected->isChecked() && !m_grid->selectedRanges().isEmpty()) {
        first = m_grid->selectedRanges().front().topRow();
        last = m_grid->selectedRanges().front().bottomRow();
    }
    m_model.Corriger(code, ToReal(ToUtf8(value->text())), first, last);
    FillGrid();
}

void TMultPageDlg::Lista()
{
    TExplorateur chooser(m_settingsFolder + QStringLiteral("/EXPLORAT.TXT"), this);
    if (chooser.exec() != QDialog::Accepted)
        return;
    for (const QString& name : chooser.Chosen())
        m_surveyors->appendPlainText(name);
}

void TMultPageDlg::GallerySettings()
{
    const int gallery = m_model.GalleryOf(CurrentRow());
    TGalleryInfoDialog dialog(m_model.InfoOf(gallery), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_model.InfoOf(gallery) = dialog.Info();
    m_model.Modified = true;
}

void TMultPageDlg::EditarPunto()
{
    const int row = CurrentRow();
    TPointTopo* station = m_model.StationAt(row);
    if (!station)
        return;
    const bool start = m_model.Rows[static_cast<std::size_t>(row)].kind == TSheetModel::Kind::Start;
    TStationDialog dialog(start, *station, m_massif, m_model, this);
    if (dialog.exec() != TStationDialog::Validated)
        return;
    *station = dialog.Station();
    m_model.RefreshStationCells();
    m_model.Modified = true;
    FillGrid();
}

void TMultPageDlg::Automatico()
{
    Gather();
    const auto declination = AutomaticDeclination(m_massif, m_model.Fields.Date);
    if (!declination) {
        Say(kYearNeededText, MessageKind::Information);
        Field(QStringLiteral("Fecha"))->setFocus();
        return;
    }
    m_unit->setCurrentText(QStringLiteral("°"));
    Field(QStringLiteral("Declinacion"))->setText(ToQString(FormatG(*declination, 5)));
    m_model.Modified = true;
}

} // namespace ks
