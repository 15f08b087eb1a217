// The sheet editor's dialogs: stations, gallery information, surveyors, entry preferences.
#include "entry/ui/entry_dialogs.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTextStream>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <numeric>
#include <set>

namespace ks {

namespace {

void Refuse(QWidget* focus, const char* text)
{
    Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"), ShownText(text), Buttons::Ok);
    if (focus)
        focus->setFocus();
}

QPushButton* Button(QWidget* parent, const QString& caption, const QString& name)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

// A surveyor's name, sorted ignoring case (and accents' case) as people read a list of names.
class Name : public QListWidgetItem
{
public:
    Name(const QString& text, QListWidget* list)
        : QListWidgetItem(text, list)
    { }
    bool operator<(const QListWidgetItem& other) const override
    {
        const int order = text().compare(other.text(), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : text() < other.text();
    }
};

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* w : widgets)
        row->addWidget(w);
    return row;
}

} // namespace

TStationDialog::TStationDialog(
    bool start, const TPointTopo& station, const TMassif& massif, const TSheetModel& sheet, QWidget* parent)
    : QDialog(parent)
    , m_massif(massif)
    , m_sheet(sheet)
{
    setWindowTitle(start ? QStringLiteral("Punto de partida") : QStringLiteral("Punto de llegada"));
    SetHelpTopic(this, HelpTopic::Stations);
    Nom = new QComboBox(this);
    Nom->setObjectName(QStringLiteral("Nom"));
    Nom->setEditable(true);
    std::set<std::string> names;
    for (const auto& s : massif.Sheets)
        for (const auto& g : s->Galeries)
            for (const TPointTopo* p : { &g->Start, &g->End })
                if (!p->Final && !p->Name.Empty())
                    names.insert(p->Name.Get());
    for (const auto& name : names)
        Nom->addItem(FromCp1252(name));
    Final = new QRadioButton(QStringLiteral("&Final"), this);
    Final->setObjectName(QStringLiteral("Final"));
    PuntoTopo = new QRadioButton(QStringLiteral("&Punto topo"), this);
    PuntoTopo->setObjectName(QStringLiteral("PuntoTopo"));
    Indice = new QLineEdit(this);
    Indice->setObjectName(QStringLiteral("Indice"));
    Nuevo = Button(this, QStringLiteral("&Nuevo"), QStringLiteral("Nuevo"));
    auto* search = Button(this, QStringLiteral("&Buscar ..."), QStringLiteral("Buscar"));
    search->setEnabled(false); // picking a station on a view is not offered
    auto* ok = Button(this, QStringLiteral("Validar"), QStringLiteral("Validar"));
    PuntoFinal = Button(this, QStringLiteral("Punto &final"), QStringLiteral("PuntoFinal"));
    PuntoFinal->setVisible(!start);
    auto* cancel = Button(this, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"));

    (station.Final ? Final : PuntoTopo)->setChecked(true);
    Nom->setEditText(FromCp1252(station.Name.Get()));
    Indice->setText(station.Final ? QString() : QString::number(station.Number));
    auto enable = [this] {
        const bool survey = PuntoTopo->isChecked();
        for (QWidget* w :
            { static_cast<QWidget*>(Nom), static_cast<QWidget*>(Indice), static_cast<QWidget*>(Nuevo) })
            w->setEnabled(survey);
    };
    connect(Final, &QRadioButton::toggled, this, enable);
    enable();
    connect(Nuevo, &QPushButton::clicked, this, [this] {
        Indice->setText(QString::number(ProposeNumber(m_massif, m_sheet, ToCp1252(Nom->currentText()))));
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        if (Check())
            done(Validated);
    });
    connect(PuntoFinal, &QPushButton::clicked, this, [this] {
        if (Check())
            done(FinalPoint);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* nature = new QGroupBox(QStringLiteral("Naturaleza"), this);
    auto* natureLayout = new QHBoxLayout(nature);
    natureLayout->addWidget(Final);
    natureLayout->addWidget(PuntoTopo);
    auto* index = new QGroupBox(QStringLiteral("Índice"), this);
    auto* indexLayout = new QHBoxLayout(index);
    indexLayout->addWidget(Indice);
    indexLayout->addWidget(search);
    indexLayout->addWidget(Nuevo);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("No&mbre"), Nom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(nature);
    layout->addWidget(index);
    layout->addLayout(Row({ ok, PuntoFinal, cancel }));
}

bool TStationDialog::Check()
{
    int number = 0;
    if (PuntoTopo->isChecked() && !ValidStationNumber(ToUtf8(Indice->text()), number)) {
        Refuse(Indice, "El índice debe de ser numérico y positivo.");
        return false;
    }
    return true;
}

TPointTopo TStationDialog::Station() const
{
    TPointTopo p;
    p.Final = Final->isChecked();
    if (!p.Final) {
        int number = 0;
        ValidStationNumber(ToUtf8(Indice->text()), number);
        p.Name.Set(ToCp1252(Nom->currentText().trimmed()));
        p.Number = static_cast<std::uint8_t>(number);
    }
    return p;
}

TGalleryInfoDialog::TGalleryInfoDialog(const TGalleryInfo& info, QWidget* parent)
    : QDialog(parent)
    , m_info(info)
{
    setWindowTitle(QStringLiteral("Informaciones"));
    SetHelpTopic(this, HelpTopic::GalleryInfo);
    Texte = new QLineEdit(FromCp1252(info.Info), this);
    Texte->setObjectName(QStringLiteral("Texte"));
    Deformation = new QLineEdit(ToQString(FormatG(info.Deformation, 10)), this);
    Deformation->setObjectName(QStringLiteral("Deformation"));
    Topofil = new QLineEdit(ToQString(FormatG(info.Topofil, 10)), this);
    Topofil->setObjectName(QStringLiteral("Topofil"));
    auto* ok = Button(this, QStringLiteral("Validar"), QStringLiteral("Validar"));
    auto* cancel = Button(this, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"));
    connect(ok, &QPushButton::clicked, this, [this] {
        if (Check())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Informaciones sobre la galería"), Texte);
    form->addRow(QStringLiteral("Coeficiente de deformación"), Deformation);
    form->addRow(QStringLiteral("Coeficiente de corrección del Topofil"), Topofil);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(Row({ ok, cancel }));
}

bool TGalleryInfoDialog::Check()
{
    const auto deformation = ParseReal(ToUtf8(Deformation->text()));
    if (!deformation || *deformation <= 0) {
        Refuse(Deformation, "La deformación debe ser numérica y positiva\rejemplo 2.5");
        return false;
    }
    const auto topofil = ParseReal(ToUtf8(Topofil->text()));
    if (!topofil || *topofil <= 0) {
        Refuse(
            Topofil, "La correción del Topofil debe ser numérica y positiva (y cercana a 1)\rejemplo 1.002");
        return false;
    }
    return true;
}

TGalleryInfo TGalleryInfoDialog::Info() const
{
    TGalleryInfo info = m_info;
    info.Info = ToCp1252(Texte->text());
    info.Deformation = ToReal(ToUtf8(Deformation->text()));
    info.Topofil = ToReal(ToUtf8(Topofil->text()));
    return info;
}

TExplorateur::TExplorateur(const QString& file, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Topógrafos"));
    SetHelpTopic(this, HelpTopic::Surveyors);
    Fuente = new QListWidget(this);
    Fuente->setObjectName(QStringLiteral("Fuente"));
    Elegida = new QListWidget(this);
    Elegida->setObjectName(QStringLiteral("Elegida"));
    for (QListWidget* list : { Fuente, Elegida }) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSortingEnabled(true);
    }
    // A missing list is created empty, for the user to fill with "&Edición ...".
    QFile names(file);
    if (!names.exists() && names.open(QIODevice::WriteOnly))
        names.close();
    if (names.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const QString text = FromUserTextFile(Bytes(names.readAll()));
        for (const QString& line : text.split(QLatin1Char('\n')))
            if (!line.trimmed().isEmpty())
                new Name(line.trimmed(), Fuente);
    }
    Add = Button(this, QStringLiteral(">"), QStringLiteral("Add"));
    Remove = Button(this, QStringLiteral("<"), QStringLiteral("Remove"));
    AddAll = Button(this, QStringLiteral(">>"), QStringLiteral("AddAll"));
    RemoveAll = Button(this, QStringLiteral("<<"), QStringLiteral("RemoveAll"));
    connect(Add, &QPushButton::clicked, this, [this] { Move(true, false); });
    connect(Remove, &QPushButton::clicked, this, [this] { Move(false, false); });
    connect(AddAll, &QPushButton::clicked, this, [this] { Move(true, true); });
    connect(RemoveAll, &QPushButton::clicked, this, [this] { Move(false, true); });
    auto* edit = Button(this, QStringLiteral("&Edición ..."), QStringLiteral("Edicion"));
    connect(
        edit, &QPushButton::clicked, this, [file] { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); });
    auto* ok = Button(this, QStringLiteral("Guardar"), QStringLiteral("Guardar"));
    auto* cancel = Button(this, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* middle = new QVBoxLayout;
    for (QPushButton* b : { Add, Remove, AddAll, RemoveAll })
        middle->addWidget(b);
    auto captioned = [this](const QString& caption, QListWidget* list) {
        auto* column = new QVBoxLayout;
        auto* label = new QLabel(caption, this);
        label->setBuddy(list);
        column->addWidget(label);
        column->addWidget(list);
        return column;
    };
    auto* lists = new QHBoxLayout;
    lists->addLayout(captioned(QStringLiteral("Lista &fuente"), Fuente));
    lists->addLayout(middle);
    lists->addLayout(captioned(QStringLiteral("Lista &elegida"), Elegida));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(Row({ edit, ok, cancel }));
    Enable();
}

void TExplorateur::Move(bool toChosen, bool all)
{
    QListWidget* from = toChosen ? Fuente : Elegida;
    QListWidget* to = toChosen ? Elegida : Fuente;
    int first = -1;
    for (int i = from->count() - 1; i >= 0; --i) {
        if (!all && !from->item(i)->isSelected())
            continue;
        first = i;
        to->addItem(from->takeItem(i));
    }
    from->setFocus();
    if (from->count() > 0) {
        const int row = all ? 0 : std::min(std::max(first, 0), from->count() - 1);
        from->setCurrentRow(row);
    }
    Enable();
}

void TExplorateur::Enable()
{
    Add->setEnabled(Fuente->count() > 0);
    AddAll->setEnabled(Fuente->count() > 0);
    Remove->setEnabled(Elegida->count() > 0);
    RemoveAll->setEnabled(Elegida->count() > 0);
}

QStringList TExplorateur::Chosen() const
{
    QStringList names;
    for (int i = 0; i < Elegida->count(); ++i)
        names << Elegida->item(i)->text();
    return names;
}

namespace {
const char* const kGroups[] = { "Punto topo", "Longitud", "Rumbo", "Inclinación", "Anchura", "Altura",
    "Croquis", "Comentarios", "Des. horizontal", "Desarrollo" };
} // namespace

TPreferencesDialog::TPreferencesDialog(const TPreference_Ecran& preferences, QWidget* parent)
    : QDialog(parent)
    , m_copy(preferences)
{
    setWindowTitle(QStringLiteral("Preferecias de captura"));
    SetHelpTopic(this, HelpTopic::EntryPreferences);
    Groups = new QListWidget(this);
    Groups->setObjectName(QStringLiteral("Groups"));
    // The groups in the order the record holds, "Punto topo" first; a group without a column
    // (an order outside 1 to 9) after the others.
    const std::int16_t orders[10]
        = { 0, preferences.Length.Order, preferences.Azimuth.Order, preferences.Inclination.Order,
              preferences.WidthCols.Order, preferences.HeightCols.Order, preferences.SketchOrder,
              preferences.CommentOrder, preferences.Horizontal.Order, preferences.Development.Order };
    auto rank = [&orders](int group) {
        return group == 0 ? 0 : orders[group] >= 1 && orders[group] <= 9 ? orders[group] : 10;
    };
    std::array<int, 10> groups {};
    std::iota(groups.begin(), groups.end(), 0);
    std::stable_sort(groups.begin(), groups.end(), [&rank](int a, int b) { return rank(a) < rank(b); });
    for (int i : groups) {
        auto* item = new QListWidgetItem(QString::fromUtf8(kGroups[i]), Groups);
        item->setData(Qt::UserRole, i);
    }
    auto digits = [this](const QString& name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
        return edit;
    };
    Largeur = digits(QStringLiteral("Largeur"));
    UnitWidth = digits(QStringLiteral("UnitWidth"));
    FlagWidth = digits(QStringLiteral("FlagWidth"));
    Unit = new QComboBox(this);
    Unit->setObjectName(QStringLiteral("Unit"));
    Unit->setEditable(true);
    DeuxColonnes = new QCheckBox(QStringLiteral("&Dos columnas"), this);
    DeuxColonnes->setObjectName(QStringLiteral("DeuxColonnes"));
    Separateur = new QLineEdit(this);
    Separateur->setObjectName(QStringLiteral("Separateur"));
    Separateur->setMaxLength(1);
    Montrer = new QCheckBox(QStringLiteral("&Mostrar"), this);
    Montrer->setObjectName(QStringLiteral("Montrer"));
    connect(DeuxColonnes, &QCheckBox::toggled, Separateur, &QWidget::setEnabled);
    Up = Button(this, QStringLiteral("↑"), QStringLiteral("Up"));
    Down = Button(this, QStringLiteral("↓"), QStringLiteral("Down"));
    connect(Up, &QPushButton::clicked, this, [this] { MoveUp(); });
    connect(Down, &QPushButton::clicked, this, [this] { MoveDown(); });
    connect(Groups, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_current >= 0)
            Keep(m_current);
        m_current = row >= 0 ? Groups->item(row)->data(Qt::UserRole).toInt() : -1;
        Show(m_current);
        Up->setEnabled(row >= 2);
        Down->setEnabled(row >= 1 && row <= 8);
    });
    auto* ok = Button(this, QStringLiteral("Validar"), QStringLiteral("Validar"));
    auto* cancel = Button(this, QStringLiteral("Deshacer"), QStringLiteral("Deshacer"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Anchura"), Largeur);
    form->addRow(QStringLiteral("Unidad de anchura"), UnitWidth);
    form->addRow(QStringLiteral("Unidad"), Unit);
    form->addRow(DeuxColonnes);
    form->addRow(QStringLiteral("&Separador"), Separateur);
    form->addRow(Montrer);
    form->addRow(QStringLiteral("&Definición del tamaño"), FlagWidth);
    auto* moves = new QVBoxLayout;
    moves->addWidget(Up);
    moves->addWidget(Down);
    moves->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(Groups);
    body->addLayout(moves);
    body->addLayout(form);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(Row({ ok, cancel }));
    Groups->setCurrentRow(0);
}

void TPreferencesDialog::Show(int group)
{
    const bool unit = group >= 1 && group <= 5;
    const bool sized = group == 4 || group == 5;
    const bool correction = group == 8 || group == 9;
    UnitWidth->setEnabled(unit);
    Unit->setEnabled(unit);
    DeuxColonnes->setEnabled(sized);
    Montrer->setEnabled(correction);
    FlagWidth->setEnabled(correction);
    Unit->clear();
    const std::vector<std::string>* labels = group == 2 ? &AzimuthLabels()
        : group == 3                                    ? &InclinationLabels()
                                                        : &LengthLabels();
    for (const auto& label : *labels)
        Unit->addItem(FromCp1252(label));
    auto group3 = [this](const TPreference_Ecran::Group& g) {
        Largeur->setText(QString::number(g.Width));
        UnitWidth->setText(QString::number(g.UnitWidth));
        Unit->setEditText(FromCp1252(g.Unit));
    };
    DeuxColonnes->setChecked(false);
    Montrer->setChecked(false);
    switch (group) {
    case 0:
        Largeur->setText(QString::number(m_copy.StationWidth));
        break;
    case 1:
        group3(m_copy.Length);
        break;
    case 2:
        group3(m_copy.Azimuth);
        break;
    case 3:
        group3(m_copy.Inclination);
        break;
    case 4:
    case 5: {
        const auto& g = group == 4 ? m_copy.WidthCols : m_copy.HeightCols;
        Largeur->setText(QString::number(g.Width));
        UnitWidth->setText(QString::number(g.UnitWidth));
        Unit->setEditText(FromCp1252(g.Unit));
        DeuxColonnes->setChecked(g.TwoColumns);
        Separateur->setText(QString(QLatin1Char(g.Separator)));
        break;
    }
    case 6:
        Largeur->setText(QString::number(m_copy.SketchWidth));
        break;
    case 7:
        Largeur->setText(QString::number(m_copy.CommentWidth));
        break;
    case 8:
    case 9: {
        const auto& c = group == 8 ? m_copy.Horizontal : m_copy.Development;
        Largeur->setText(QString::number(c.Width));
        FlagWidth->setText(QString::number(c.FlagWidth));
        Montrer->setChecked(c.Shown);
        break;
    }
    default:
        break;
    }
    Separateur->setEnabled(sized && DeuxColonnes->isChecked());
}

void TPreferencesDialog::Keep(int group)
{
    auto number = [](const QLineEdit* e) { return static_cast<std::int16_t>(ToInt(ToUtf8(e->text()))); };
    const std::string typed = ToCp1252(Unit->currentText());
    auto keepGroup = [&](auto& g, const std::vector<std::string>& labels) {
        g.Width = number(Largeur);
        g.UnitWidth = number(UnitWidth);
        MatchUnit(labels, typed, g.Unit); // anything else keeps the unit it had
    };
    switch (group) {
    case 0:
        m_copy.StationWidth = number(Largeur);
        break;
    case 1:
        keepGroup(m_copy.Length, LengthLabels());
        break;
    case 2:
        keepGroup(m_copy.Azimuth, AzimuthLabels());
        break;
    case 3:
        keepGroup(m_copy.Inclination, InclinationLabels());
        break;
    case 4:
    case 5: {
        auto& g = group == 4 ? m_copy.WidthCols : m_copy.HeightCols;
        keepGroup(g, LengthLabels());
        g.TwoColumns = DeuxColonnes->isChecked();
        if (!Separateur->text().isEmpty())
            g.Separator = static_cast<char>(Separateur->text()[0].toLatin1());
        break;
    }
    case 6:
        m_copy.SketchWidth = number(Largeur);
        break;
    case 7:
        m_copy.CommentWidth = number(Largeur);
        break;
    case 8:
    case 9: {
        auto& c = group == 8 ? m_copy.Horizontal : m_copy.Development;
        c.Width = number(Largeur);
        c.FlagWidth = number(FlagWidth);
        c.Shown = Montrer->isChecked();
        break;
    }
    default:
        break;
    }
}

void TPreferencesDialog::MoveUp()
{
    const int row = Groups->currentRow();
    if (row < 2)
        return;
    QListWidgetItem* item = Groups->takeItem(row);
    Groups->insertItem(row - 1, item);
    Groups->setCurrentRow(row - 1);
}

void TPreferencesDialog::MoveDown()
{
    const int row = Groups->currentRow();
    if (row < 1 || row > 8)
        return;
    QListWidgetItem* item = Groups->takeItem(row);
    Groups->insertItem(row + 1, item);
    Groups->setCurrentRow(row + 1);
}

void TPreferencesDialog::StoreInto(TPreference_Ecran& preferences)
{
    if (m_current >= 0)
        Keep(m_current);
    // Every group takes its position in the list as its order.
    for (int position = 0; position < Groups->count(); ++position) {
        const auto order = static_cast<std::int16_t>(position);
        switch (Groups->item(position)->data(Qt::UserRole).toInt()) {
        case 0:
            m_copy.StationOrder = order;
            break;
        case 1:
            m_copy.Length.Order = order;
            break;
        case 2:
            m_copy.Azimuth.Order = order;
            break;
        case 3:
            m_copy.Inclination.Order = order;
            break;
        case 4:
            m_copy.WidthCols.Order = order;
            break;
        case 5:
            m_copy.HeightCols.Order = order;
            break;
        case 6:
            m_copy.SketchOrder = order;
            break;
        case 7:
            m_copy.CommentOrder = order;
            break;
        case 8:
            m_copy.Horizontal.Order = order;
            break;
        case 9:
            m_copy.Development.Order = order;
            break;
        default:
            break;
        }
    }
    const std::string file = preferences.FileName;
    preferences = m_copy;
    preferences.FileName = file;
    preferences.BuildColumns();
}

} // namespace ks
