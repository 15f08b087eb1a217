// The search dialogs: the criteria, the list of sheets found, and isolating them.
#include "analysis/ui/search_dialogs.h"

#include "bridge/qt_text.h"
#include "model/sheet.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ks {

namespace {

QLineEdit* Edit(
    QFormLayout* form, const QString& caption, const QString& name, QWidget* parent, int length = 50)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(length);
    form->addRow(caption, edit);
    return edit;
}

QLineEdit* DateBox(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setInputMask(QStringLiteral("99/99/99; "));
    edit->setMaximumWidth(90);
    return edit;
}

QPushButton* Button(QDialogButtonBox* box, const QString& caption, const QString& name, const QString& hint,
    QDialogButtonBox::ButtonRole role)
{
    QPushButton* button = box->addButton(caption, role);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

QString Place(const TFiche& sheet)
{
    return FromCp1252(
        sheet.Systeme.Get() + "/" + sheet.Cavite.Get() + "/" + sheet.Reseau.Get() + "/" + sheet.Lieu.Get());
}

} // namespace

TSearchDialog::TSearchDialog(std::vector<TFiche*> sheets, QWidget* parent)
    : QDialog(parent)
    , m_sheets(std::move(sheets))
{
    setWindowTitle(QStringLiteral("Búsqueda"));
    SetHelpTopic(this, HelpTopic::Search);
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);

    auto* site = new QWidget;
    auto* f = new QFormLayout(site);
    m_system = Edit(f, QStringLiteral("&Sistema"), QStringLiteral("Sistema"), site);
    m_cave = Edit(f, QStringLiteral("&Cavidad"), QStringLiteral("Cavidad"), site);
    m_network = Edit(f, QStringLiteral("&Red"), QStringLiteral("Red"), site);
    m_place = Edit(f, QStringLiteral("&Lugar"), QStringLiteral("Lugar"), site);
    tabs->addTab(site, QStringLiteral("Sitio"));

    auto* dates = new QWidget;
    auto* d = new QVBoxLayout(dates);
    m_all = new QRadioButton(QStringLiteral("Todas las fichas"), dates);
    m_all->setObjectName(QStringLiteral("Todas"));
    m_on = new QRadioButton(QStringLiteral("Topografiadas el"), dates);
    m_on->setObjectName(QStringLiteral("El"));
    m_between = new QRadioButton(QStringLiteral("Topografiadas entre"), dates);
    m_between->setObjectName(QStringLiteral("Entre"));
    m_date1 = DateBox(QStringLiteral("Fecha1"), dates);
    m_date2 = DateBox(QStringLiteral("Fecha2"), dates);
    m_date3 = DateBox(QStringLiteral("Fecha3"), dates);
    d->addWidget(m_all);
    auto* onRow = new QHBoxLayout;
    onRow->addWidget(m_on);
    onRow->addWidget(m_date1);
    onRow->addStretch();
    d->addLayout(onRow);
    auto* betweenRow = new QHBoxLayout;
    betweenRow->addWidget(m_between);
    betweenRow->addWidget(m_date2);
    betweenRow->addWidget(new QLabel(QStringLiteral("y el"), dates));
    betweenRow->addWidget(m_date3);
    betweenRow->addStretch();
    d->addLayout(betweenRow);
    d->addStretch();
    auto enable = [this] {
        m_date1->setEnabled(m_on->isChecked());
        m_date2->setEnabled(m_between->isChecked());
        m_date3->setEnabled(m_between->isChecked());
    };
    for (QRadioButton* mode : { m_all, m_on, m_between })
        connect(mode, &QRadioButton::toggled, this, enable);
    m_all->setChecked(true);
    enable();
    tabs->addTab(dates, QStringLiteral("Fecha"));

    auto* advanced = new QWidget;
    f = new QFormLayout(advanced);
    m_surveyor = Edit(f, QStringLiteral("To&pógrafo"), QStringLiteral("Topografo"), advanced, 32767);
    m_text = Edit(f, QStringLiteral("&Conteniendo el texto"), QStringLiteral("Texto"), advanced, 32767);
    auto* point = new QGroupBox(QStringLiteral("&Punto topo"), advanced);
    auto* p = new QFormLayout(point);
    m_station = Edit(p, QStringLiteral("&Nombre"), QStringLiteral("Nombre"), point);
    m_number = Edit(p, QStringLiteral("&Índice"), QStringLiteral("Indice"), point, 3);
    m_number->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_number));
    f->addRow(point);
    tabs->addTab(advanced, QStringLiteral("Avanzada"));
    layout->addWidget(tabs);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* search = Button(buttons, QStringLiteral("&Buscar ..."), QStringLiteral("Buscar"),
        QStringLiteral("Búsqueda según las proposiciones"), QDialogButtonBox::ActionRole);
    QPushButton* except = Button(buttons, QStringLiteral("&Todo excepto ..."), QStringLiteral("Excepto"),
        QStringLiteral("Búsqueda excluyendo las proposiciones"), QDialogButtonBox::ActionRole);
    Button(buttons, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"),
        QStringLiteral("Anular la búsqueda"), QDialogButtonBox::RejectRole);
    search->setDefault(true);
    connect(search, &QPushButton::clicked, this, [this] { Search(false); });
    connect(except, &QPushButton::clicked, this, [this] { Search(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

TSearchCriteria TSearchDialog::Criteria() const
{
    TSearchCriteria c;
    c.System = ToCp1252(m_system->text());
    c.Cave = ToCp1252(m_cave->text());
    c.Network = ToCp1252(m_network->text());
    c.Place = ToCp1252(m_place->text());
    c.Surveyor = ToCp1252(m_surveyor->text());
    c.Text = ToCp1252(m_text->text());
    c.Station = ToCp1252(m_station->text().trimmed());
    const auto number = ParseInt(ToUtf8(m_number->text()));
    c.StationNumber = number ? static_cast<int>(*number) : -1;
    c.DateMode = m_on->isChecked() ? TSearchCriteria::Dates::On
        : m_between->isChecked()   ? TSearchCriteria::Dates::Between
                                   : TSearchCriteria::Dates::All;
    c.Date1 = DateText(ToUtf8(c.DateMode == TSearchCriteria::Dates::On ? m_date1->text() : m_date2->text()));
    c.Date2 = DateText(ToUtf8(m_date3->text()));
    c.Capture();
    return c;
}

void TSearchDialog::Search(bool except)
{
    m_found = FindMatching(m_sheets, Criteria(), except);
    if (m_found.empty()) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Búsqueda"),
            QString::fromUtf8(kNoMatchingSheetText), Buttons::Ok);
        return;
    }
    accept();
}

class TSearchPreview::Canvas : public QWidget
{
public:
    explicit Canvas(TSearchPreview& preview)
        : QWidget(&preview)
        , m_preview(preview)
    {
        setMinimumSize(320, 240);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        m_preview.Fit();
        for (const TFiche* sheet : m_preview.m_sheets) {
            for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
                const TGalerie& g = *sheet->Galeries[gi];
                if (!g.Positioned || g.StationCount() != g.ShotCount())
                    continue;
                const bool picked
                    = m_preview.m_picked.Sheet == sheet && m_preview.m_picked.Gallery == static_cast<int>(gi);
                p.setPen(QPen(picked ? Qt::red : Qt::black, picked ? 3 : 1));
                QPointF from = m_preview.ToScreen(g.Start.X, g.Start.Y);
                for (const TStationPos& s : g.Stations) {
                    const QPointF to = m_preview.ToScreen(s.X, s.Y);
                    p.drawLine(from, to);
                    from = to;
                }
            }
        }
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (m_preview.PickAt(e->position().toPoint()))
            update();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (m_preview.PickAt(e->position().toPoint()))
            m_preview.accept();
    }

private:
    TSearchPreview& m_preview;
};

TSearchPreview::TSearchPreview(std::vector<TFiche*> sheets, QWidget* parent)
    : QDialog(parent)
    , m_sheets(std::move(sheets))
{
    setWindowTitle(QStringLiteral("Búsqueda gráfica"));
    SetHelpTopic(this, HelpTopic::Search);
    auto* layout = new QVBoxLayout(this);
    m_drawing = new Canvas(*this);
    m_drawing->setObjectName(QStringLiteral("Dibujo"));
    layout->addWidget(m_drawing, 1);
    auto* buttons = new QDialogButtonBox(this);
    m_take = buttons->addButton(QStringLiteral("Tomar"), QDialogButtonBox::AcceptRole);
    m_take->setObjectName(QStringLiteral("Tomar"));
    m_take->setEnabled(false);
    buttons->addButton(QStringLiteral("Deshacer"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 480);
}

void TSearchPreview::Fit()
{
    // The positioned stations fitted into the drawing with a margin, north up.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool any = false;
    for (const TFiche* sheet : m_sheets)
        for (const auto& g : sheet->Galeries) {
            if (!g->Positioned)
                continue;
            auto take = [&](double x, double y) {
                minX = any ? std::min(minX, x) : x;
                maxX = any ? std::max(maxX, x) : x;
                minY = any ? std::min(minY, y) : y;
                maxY = any ? std::max(maxY, y) : y;
                any = true;
            };
            take(g->Start.X, g->Start.Y);
            for (const TStationPos& s : g->Stations)
                take(s.X, s.Y);
        }
    const double margin = 10;
    const double w = std::max(1.0, m_drawing->width() - 2 * margin),
                 h = std::max(1.0, m_drawing->height() - 2 * margin);
    m_scale = std::min(w / std::max(1e-6, maxX - minX), h / std::max(1e-6, maxY - minY));
    m_minX = minX - (w / m_scale - (maxX - minX)) / 2 - margin / m_scale;
    m_maxY = maxY + (h / m_scale - (maxY - minY)) / 2 + margin / m_scale;
}

QPointF TSearchPreview::ToScreen(double x, double y) const
{
    return { (x - m_minX) * m_scale, (m_maxY - y) * m_scale };
}

QPointF TSearchPreview::ToMetres(const QPointF& pixel) const
{
    return { pixel.x() / m_scale + m_minX, m_maxY - pixel.y() / m_scale };
}

bool TSearchPreview::PickAt(const QPoint& point)
{
    Fit();
    const QPointF p = ToMetres(point);
    bool found = false;
    double best = 0;
    for (TFiche* sheet : m_sheets) {
        for (std::size_t gi = 0; gi < sheet->Galeries.size(); ++gi) {
            const TGalerie& g = *sheet->Galeries[gi];
            if (!g.Positioned || g.StationCount() != g.ShotCount())
                continue;
            // The start station, then each shot: across it when the point falls beside it, else its end.
            double d = std::hypot(p.x() - g.Start.X, p.y() - g.Start.Y);
            QPointF a(g.Start.X, g.Start.Y);
            for (const TStationPos& s : g.Stations) {
                const QPointF b(s.X, s.Y);
                const QPointF ab = b - a, ap = p - a;
                const double t = ap.x() * ab.x() + ap.y() * ab.y(),
                             length2 = ab.x() * ab.x() + ab.y() * ab.y();
                if (length2 > 0 && t > 0 && t <= length2)
                    d = std::min(d, std::abs(ap.x() * ab.y() - ap.y() * ab.x()) / std::sqrt(length2));
                else if (length2 > 0 && t > length2)
                    d = std::min(d, std::hypot(p.x() - b.x(), p.y() - b.y()));
                a = b;
            }
            if (!found || d < best) {
                found = true;
                best = d;
                m_picked = { sheet, static_cast<int>(gi) };
            }
        }
    }
    m_take->setEnabled(found);
    return found;
}

std::optional<TSheetChoice> ChooseOneSheet(const std::vector<TFiche*>& found, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Selección simple"));
    SetHelpTopic(&dialog, HelpTopic::Search);
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new QTableWidget(static_cast<int>(found.size()), 6, &dialog);
    grid->setObjectName(QStringLiteral("Proposicion"));
    grid->setHorizontalHeaderLabels(
        { QStringLiteral("Sistema"), QStringLiteral("Cavidad"), QStringLiteral("Red"),
            QStringLiteral("Lugar"), QStringLiteral("Fecha"), QStringLiteral("Topógrafos") });
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    for (std::size_t r = 0; r < found.size(); ++r) {
        const TFiche& s = *found[r];
        QString surveyors;
        for (const TEco& name : s.Surveyors)
            surveyors += QLatin1Char(' ') + FromCp1252(name.Get());
        const QString cells[] = { FromCp1252(s.Systeme.Get()), FromCp1252(s.Cavite.Get()),
            FromCp1252(s.Reseau.Get()), FromCp1252(s.Lieu.Get()), FromCp1252(s.Date), surveyors };
        for (int c = 0; c < 6; ++c)
            grid->setItem(static_cast<int>(r), c, new QTableWidgetItem(cells[c]));
    }
    grid->resizeColumnsToContents();
    for (int c = 0; c < 6; ++c)
        grid->setColumnWidth(c, grid->columnWidth(c) + 10);
    grid->selectRow(0);
    layout->addWidget(grid);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = Button(buttons, QStringLiteral("Validar"), QStringLiteral("Validar"),
        QStringLiteral("Utiliza la ficha elegida"), QDialogButtonBox::AcceptRole);
    QPushButton* view = Button(buttons, QStringLiteral("&Visualizar"), QStringLiteral("Visualizar"),
        QStringLiteral("Visualiza las fichas"), QDialogButtonBox::ActionRole);
    view->setEnabled(!found.empty());
    std::optional<TSheetChoice> previewed;
    QObject::connect(view, &QPushButton::clicked, &dialog, [&] {
        // The chosen rows' sheets in the preview; only computed sheets can show there.
        std::vector<TFiche*> shown;
        for (const QModelIndex& index : grid->selectionModel()->selectedRows()) {
            TFiche* sheet = found[static_cast<std::size_t>(index.row())];
            if (std::any_of(sheet->Galeries.begin(), sheet->Galeries.end(),
                    [](const auto& g) { return g->Positioned; }))
                shown.push_back(sheet);
        }
        if (shown.empty()) {
            Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
                QStringLiteral("No hay fichas calculadas."), Buttons::Ok);
            return;
        }
        TSearchPreview preview(shown, &dialog);
        if (preview.exec() == QDialog::Accepted && preview.Picked().Sheet) {
            previewed = preview.Picked();
            dialog.accept();
        }
    });
    Button(buttons, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"), QString(),
        QDialogButtonBox::RejectRole);
    ok->setEnabled(!found.empty());
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(grid, &QTableWidget::cellDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(640, 320);
    if (dialog.exec() != QDialog::Accepted || grid->currentRow() < 0)
        return std::nullopt;
    if (previewed)
        return previewed;
    return TSheetChoice { found[static_cast<std::size_t>(grid->currentRow())], -1 };
}

std::optional<std::vector<TFiche*>> ChooseSheets(const std::vector<TFiche*>& found, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Selección de varias fichas"));
    SetHelpTopic(&dialog, HelpTopic::Search);
    auto* layout = new QVBoxLayout(&dialog);
    auto* lists = new QHBoxLayout;
    auto column = [&](const QString& caption, const QString& name) {
        auto* box = new QVBoxLayout;
        auto* list = new QListWidget(&dialog);
        list->setObjectName(name);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        auto* label = new QLabel(caption, &dialog);
        label->setBuddy(list);
        box->addWidget(label);
        box->addWidget(list);
        lists->addLayout(box);
        return list;
    };
    QListWidget* proposed = column(QStringLiteral("Fichas &propuestas"), QStringLiteral("Propuestas"));
    auto* arrows = new QVBoxLayout;
    lists->addLayout(arrows);
    QListWidget* retained = column(QStringLiteral("Fichas &retenidas"), QStringLiteral("Retenidas"));
    for (std::size_t i = 0; i < found.size(); ++i) {
        auto* item = new QListWidgetItem(Place(*found[i]), proposed);
        item->setData(Qt::UserRole, static_cast<int>(i));
    }
    auto arrow = [&](const QString& caption, const QString& name) {
        auto* button = new QPushButton(caption, &dialog);
        button->setObjectName(name);
        arrows->addWidget(button);
        return button;
    };
    arrows->addStretch();
    QPushButton* one = arrow(QStringLiteral(">"), QStringLiteral("Uno"));
    QPushButton* all = arrow(QStringLiteral(">>"), QStringLiteral("Todos"));
    QPushButton* back = arrow(QStringLiteral("<"), QStringLiteral("Volver"));
    QPushButton* backAll = arrow(QStringLiteral("<<"), QStringLiteral("VolverTodos"));
    arrows->addStretch();
    auto enable = [=] {
        one->setEnabled(proposed->count() > 0);
        all->setEnabled(proposed->count() > 0);
        back->setEnabled(retained->count() > 0);
        backAll->setEnabled(retained->count() > 0);
    };
    // Each entry goes to its place in the order of the search, in either list.
    auto move = [=](QListWidget* from, QListWidget* to, bool every) {
        for (int row = from->count() - 1; row >= 0; --row) {
            if (!every && !from->item(row)->isSelected())
                continue;
            QListWidgetItem* item = from->takeItem(row);
            const int index = item->data(Qt::UserRole).toInt();
            int at = 0;
            while (at < to->count() && to->item(at)->data(Qt::UserRole).toInt() < index)
                ++at;
            to->insertItem(at, item);
        }
        enable();
    };
    QObject::connect(one, &QPushButton::clicked, &dialog, [=] { move(proposed, retained, false); });
    QObject::connect(all, &QPushButton::clicked, &dialog, [=] { move(proposed, retained, true); });
    QObject::connect(back, &QPushButton::clicked, &dialog, [=] { move(retained, proposed, false); });
    QObject::connect(backAll, &QPushButton::clicked, &dialog, [=] { move(retained, proposed, true); });
    enable();
    layout->addLayout(lists);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Terminar"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("Terminar"));
    buttons->addButton(QStringLiteral("Deshacer"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 360);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<TFiche*> kept;
    for (int row = 0; row < retained->count(); ++row)
        kept.push_back(found[static_cast<std::size_t>(retained->item(row)->data(Qt::UserRole).toInt())]);
    return kept;
}

std::optional<TSheetChoice> FindSheet(const std::vector<TFiche*>& sheets, QWidget* parent)
{
    TSearchDialog search(sheets, parent);
    if (search.exec() != QDialog::Accepted)
        return std::nullopt;
    return ChooseOneSheet(search.Found(), parent);
}

std::optional<std::vector<TFiche*>> FindSheets(const std::vector<TFiche*>& sheets, QWidget* parent)
{
    TSearchDialog search(sheets, parent);
    if (search.exec() != QDialog::Accepted)
        return std::nullopt;
    return ChooseSheets(search.Found(), parent);
}

} // namespace ks
