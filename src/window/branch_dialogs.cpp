// The elevation branch dialogs: a new or shifted branch, the choice of a gallery, the assistant.
#include "window/branch_dialogs.h"

#include "bridge/qt_text.h"
#include "compute/elevation_assistant.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <set>

namespace ks {

namespace {

QLineEdit* NumberBox(const QString& name, const QString& text, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    return box;
}

// The number in a box, or nothing after telling the user.
std::optional<double> Number(const QLineEdit* box)
{
    if (const auto value = ParseReal(ToUtf8(box->text().trimmed())))
        return value;
    Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
        QStringLiteral("%1 no es un número válido.").arg(box->text()), Buttons::Ok);
    return std::nullopt;
}

double Value(const QLineEdit* box)
{
    return ParseReal(ToUtf8(box->text().trimmed())).value_or(0);
}

} // namespace

TBranchDialog::TBranchDialog(const QString& title, const QString& startPoint, const QString& endPoint,
    double x, double z, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    SetHelpTopic(this, HelpTopic::Branches);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_x = NumberBox(QStringLiteral("Horizontal"), ToQString(FormatG(x, 9)), this);
    m_z = NumberBox(QStringLiteral("Vertical"), ToQString(FormatG(z, 9)), this);
    form->addRow(QStringLiteral("Desplazamiento &horizontal"), m_x);
    form->addRow(QStringLiteral("Desplazamiento &vertical"), m_z);
    layout->addLayout(form);
    m_forward = new QCheckBox(QStringLiteral("De &izquierda a la derecha"), this);
    m_forward->setObjectName(QStringLiteral("Derecha"));
    m_forward->setChecked(true);
    layout->addWidget(m_forward);
    auto* points = new QGroupBox(QStringLiteral("&Punto"), this);
    auto* pointsLayout = new QVBoxLayout(points);
    m_start = new QRadioButton(startPoint, points);
    m_start->setObjectName(QStringLiteral("Inicio"));
    m_start->setChecked(true);
    auto* end = new QRadioButton(endPoint, points);
    end->setObjectName(QStringLiteral("Fin"));
    pointsLayout->addWidget(m_start);
    pointsLayout->addWidget(end);
    layout->addWidget(points);
    // Shifting moves a branch that exists: it has its point and its direction already.
    const bool shift = startPoint.isEmpty() && endPoint.isEmpty();
    points->setVisible(!shift);
    m_forward->setVisible(!shift);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Terminar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Deshacer"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

double TBranchDialog::X() const
{
    return Value(m_x);
}

double TBranchDialog::Z() const
{
    return Value(m_z);
}

bool TBranchDialog::Forward() const
{
    return m_forward->isChecked();
}

bool TBranchDialog::FromStart() const
{
    return m_start->isChecked();
}

void TBranchDialog::accept()
{
    if (Number(m_x) && Number(m_z))
        QDialog::accept();
}

std::optional<int> ChooseFromList(const QString& title, const QStringList& items, QWidget* parent)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    SetHelpTopic(&dialog, HelpTopic::Branches);
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("Lista"));
    list->addItems(items);
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return std::nullopt;
    return list->currentRow();
}

TAssistantDialog::TAssistantDialog(TMassif& massif, QWidget* parent)
    : QDialog(parent)
    , m_massif(massif)
{
    setWindowTitle(QStringLiteral("Asistente de construcción de alzado"));
    SetHelpTopic(this, HelpTopic::Branches);
    auto* layout = new QVBoxLayout(this);
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto station = [&](const QString& title, const QString& prefix, QLineEdit*& name, QLineEdit*& number) {
        auto* box = new QGroupBox(title, this);
        auto* row = new QHBoxLayout(box);
        name = new QLineEdit(box);
        name->setObjectName(prefix + QStringLiteral("Nombre"));
        number = new QLineEdit(box);
        number->setObjectName(prefix + QStringLiteral("Indice"));
        number->setValidator(digits);
        number->setMaximumWidth(60);
        auto* find = new QPushButton(QStringLiteral("&Buscar ..."), box);
        row->addWidget(new QLabel(QStringLiteral("Nombre"), box));
        row->addWidget(name);
        row->addWidget(new QLabel(QStringLiteral("Índice"), box));
        row->addWidget(number);
        row->addWidget(find);
        connect(find, &QPushButton::clicked, this, [this, name, number] { Find(name, number); });
        layout->addWidget(box);
    };
    station(QStringLiteral("Punto de &partida"), QStringLiteral("Partida"), m_fromName, m_fromNumber);
    station(QStringLiteral("Punto de &llegada"), QStringLiteral("Llegada"), m_toName, m_toNumber);

    auto* branch = new QGroupBox(QStringLiteral("Ramal"), this);
    auto* form = new QFormLayout(branch);
    m_new = new QCheckBox(QStringLiteral("&Nueva"), branch);
    m_new->setObjectName(QStringLiteral("Nueva"));
    m_new->setChecked(true);
    form->addRow(m_new);
    m_x = NumberBox(QStringLiteral("Horizontal"), QStringLiteral("0"), branch);
    m_z = NumberBox(QStringLiteral("Vertical"), QStringLiteral("0"), branch);
    form->addRow(QStringLiteral("Desplazamiento &horizontal"), m_x);
    form->addRow(QStringLiteral("Desplazamiento &vertical"), m_z);
    connect(m_new, &QCheckBox::toggled, this, [this](bool on) {
        m_x->setEnabled(on);
        m_z->setEnabled(on);
    });
    m_forward = new QCheckBox(QStringLiteral("De &izquierda a la derecha"), branch);
    m_forward->setObjectName(QStringLiteral("Derecha"));
    m_forward->setChecked(true);
    form->addRow(m_forward);
    m_blind = new QCheckBox(QStringLiteral("&Incluir las gelerías ciegas laterales"), branch);
    m_blind->setObjectName(QStringLiteral("Ciegas"));
    form->addRow(m_blind);
    layout->addWidget(branch);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const QString& caption, const QString& name) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        buttons->addWidget(b);
        return b;
    };
    connect(button(QStringLiteral("El más l&argo"), QStringLiteral("Largo")), &QPushButton::clicked, this,
        [this] { Guarded([this] { PlusLoin(false); }); });
    connect(button(QStringLiteral("El más &profundo"), QStringLiteral("Profundo")), &QPushButton::clicked,
        this, [this] { Guarded([this] { PlusLoin(true); }); });
    QPushButton* build = button(QStringLiteral("Construir"), QStringLiteral("Construir"));
    build->setDefault(true);
    connect(build, &QPushButton::clicked, this, [this] { Guarded([this] { Construire(); }); });
    connect(button(QStringLiteral("Deshacer"), QStringLiteral("Deshacer")), &QPushButton::clicked, this,
        &QDialog::reject);
    layout->addLayout(buttons);
}

void TAssistantDialog::Propose(const QString& name, int number, bool forward, double x, double z)
{
    m_fromName->setText(name);
    m_fromNumber->setText(QString::number(number));
    m_new->setChecked(false);
    m_forward->setChecked(forward);
    m_x->setText(ToQString(FormatG(x, 6)));
    m_z->setText(ToQString(FormatG(z, 4)));
}

namespace {

TStationName Station(const QLineEdit* name, const QLineEdit* number)
{
    const auto n = ParseInt(ToUtf8(number->text().trimmed()));
    return { ToCp1252(name->text().trimmed()),
        n && *n >= 0 && *n <= kMaxStationNumber ? static_cast<int>(*n) : -1 };
}

void Refuse(const std::string& text)
{
    Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"), ToQString(text), Buttons::Ok);
}

} // namespace

void TAssistantDialog::PlusLoin(bool deepest)
{
    TStationName arrival;
    TElevationAssistant assistant(m_massif);
    if (const auto refusal = assistant.PlusLoin(Station(m_fromName, m_fromNumber), deepest, arrival)) {
        Refuse(*refusal);
        return;
    }
    m_toName->setText(FromCp1252(arrival.Name));
    m_toNumber->setText(
        arrival.Name.empty() && arrival.Number == 0 ? QString() : QString::number(arrival.Number));
}

void TAssistantDialog::Construire()
{
    TAssistantRequest request;
    request.Departure = Station(m_fromName, m_fromNumber);
    request.Arrival = Station(m_toName, m_toNumber);
    request.New = m_new->isChecked();
    request.Forward = m_forward->isChecked();
    request.Blind = m_blind->isChecked();
    if (request.New) {
        const auto x = Number(m_x);
        const auto z = x ? Number(m_z) : std::nullopt;
        if (!x || !z)
            return;
        request.X = *x;
        request.Z = *z;
    }
    std::vector<TPlacedGallery> placed;
    TPromptReporter reporter;
    if (const auto refusal = TElevationAssistant(m_massif).Construire(request, placed, &reporter)) {
        Refuse(*refusal);
        return;
    }
    m_built = true;
    accept();
}

void TAssistantDialog::Find(QLineEdit* name, QLineEdit* number)
{
    // The stations of the current sheets whose name begins with the typed text.
    const std::string typed = UpperCase(ToCp1252(name->text().trimmed()));
    std::set<std::pair<std::string, int>> stations;
    for (const TFiche* sheet : m_massif.CurrentSheets())
        for (const auto& g : sheet->Galeries)
            for (const TPointTopo* p : { &g->Start, &g->End })
                if (!p->Final && UpperCase(p->Name.Get()).compare(0, typed.size(), typed) == 0)
                    stations.insert({ p->Name.Get(), p->Number });
    if (stations.empty()) {
        Refuse("No hay ningún punto con ese nombre.");
        return;
    }
    QStringList items;
    std::vector<std::pair<std::string, int>> list(stations.begin(), stations.end());
    for (const auto& [n, k] : list)
        items << QStringLiteral("%1(%2)").arg(FromCp1252(n)).arg(k);
    if (const auto chosen = ChooseFromList(QStringLiteral("Buscar"), items, this)) {
        name->setText(FromCp1252(list[static_cast<std::size_t>(*chosen)].first));
        number->setText(QString::number(list[static_cast<std::size_t>(*chosen)].second));
    }
}

} // namespace ks
