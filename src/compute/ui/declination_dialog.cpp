// "Declinaciones": the declination model and the geodesic angle of the massif.
#include "compute/ui/declination_dialog.h"

#include "bridge/qt_text.h"
#include "compute/declination.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "views/plan.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <fstream>

namespace ks {

namespace {

// Real boxes take only digits, ".", "-" (and Backspace).
QLineEdit* RealEdit(QWidget* parent, const QString& name, double value, int digits)
{
    auto* edit = new QLineEdit(ToQString(FormatG(value, digits)), parent);
    edit->setObjectName(name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-0-9.]*")), edit));
    return edit;
}

std::optional<double> Value(const QLineEdit* edit)
{
    return ParseReal(ToUtf8(edit->text()));
}

// Fails with a message and the focus on the field.
bool Refuse(QLineEdit* edit, MessageKind kind, const char* text)
{
    Prompt().Ask(kind, QStringLiteral("Karstelle"), QString::fromUtf8(text), Buttons::Ok);
    edit->setFocus();
    return false;
}

} // namespace

TDeclinationDialog::TDeclinationDialog(
    const TMassif& massif, const std::string& settingsFolder, QWidget* parent)
    : QDialog(parent)
    , m_massif(massif)
    , m_settingsFolder(settingsFolder)
{
    setWindowTitle(QStringLiteral("Declinaciones"));
    SetHelpTopic(this, HelpTopic::Declinations);
    Valeur = RealEdit(this, QStringLiteral("Valeur"), massif.Origine_Declinaison, 5);
    Variation = RealEdit(this, QStringLiteral("Variation"), massif.Variation_Declinaison, 5);
    Geodesique = RealEdit(this, QStringLiteral("Geodesique"), massif.Angle_Geodesique, 5);
    Date = new QLineEdit(this);
    Date->setObjectName(QStringLiteral("Date"));
    // Every digit optional, blanks kept as blanks: " 1/ 1/98" shows and stays as it is stored.
    Date->setInputMask(QStringLiteral("00/00/00; "));
    Date->setText(FromCp1252(massif.Date_Declinaison));
    connect(Geodesique, &QLineEdit::textEdited, this, [this] { m_geodesicChanged = true; });

    auto* magnetic = new QGroupBox(QStringLiteral("Magnética (NM /NG)"), this);
    auto* magneticForm = new QFormLayout(magnetic);
    magneticForm->addRow(QStringLiteral("&Valor inicial"), Valeur);
    magneticForm->addRow(QString(), new QLabel(QStringLiteral("en grados"), magnetic));
    magneticForm->addRow(QStringLiteral("&Fecha"), Date);
    magneticForm->addRow(QStringLiteral("Dec&recimiento anual"), Variation);
    magneticForm->addRow(QString(), new QLabel(QStringLiteral("en grados/año"), magnetic));

    auto* geodesic = new QGroupBox(QStringLiteral("Geodésica (NG / proyección)"), this);
    auto* geodesicForm = new QFormLayout(geodesic);
    geodesicForm->addRow(QStringLiteral("V&alor"), Geodesique);
    geodesicForm->addRow(QString(), new QLabel(QStringLiteral("en grados"), geodesic));
    auto* calculate = new QPushButton(QStringLiteral("&Calcular ..."), geodesic);
    calculate->setObjectName(QStringLiteral("Calcular"));
    geodesicForm->addRow(calculate);
    connect(calculate, &QPushButton::clicked, this, [this] {
        double low[3] = { 0, 0, 0 }, high[3] = { 0, 0, 0 };
        PositionedBox(m_massif, low, high);
        TConvergenceDialog convergence(ReadProjections(m_settingsFolder + "/projection.txt"),
            (low[0] + high[0]) / 2000, (low[1] + high[1]) / 2000, this);
        if (convergence.exec() == QDialog::Accepted) {
            Geodesique->setText(ToQString(FormatG(convergence.Result, 8)));
            m_geodesicChanged = true;
        }
    });

    auto* save = new QPushButton(QStringLiteral("Guardar"), this);
    save->setObjectName(QStringLiteral("Guardar"));
    auto* cancel = new QPushButton(QStringLiteral("Deshacer"), this);
    cancel->setObjectName(QStringLiteral("Deshacer"));
    connect(save, &QPushButton::clicked, this, [this] {
        if (Validate())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(magnetic);
    layout->addWidget(geodesic);
    layout->addLayout(buttons);
}

bool TDeclinationDialog::Validate()
{
    if (!Value(Valeur))
        return Refuse(Valeur, MessageKind::Warning, "La declinación debe de ser numérica.");
    if (!Value(Variation))
        return Refuse(
            Variation, MessageKind::Confirmation, "La variación de la declinación debe de ser numérica.");
    if (!Value(Geodesique))
        return Refuse(Geodesique, MessageKind::Warning, "La declinación debe de ser numérica.");
    const QString date = Date->displayText();
    auto blank
        = [&date](int i) { return i >= date.size() || date[i].isSpace() || date[i] == QLatin1Char('_'); };
    if (blank(1) || blank(4) || blank(7))
        return Refuse(Date, MessageKind::Confirmation, "La fecha no es válida.");
    return true;
}

bool TDeclinationDialog::Store(TMassif& massif) const
{
    massif.Origine_Declinaison = *Value(Valeur);
    massif.Variation_Declinaison = *Value(Variation);
    massif.Date_Declinaison = ToCp1252(Date->displayText().left(8));
    const double geodesic = *Value(Geodesique);
    const bool changed = m_geodesicChanged && geodesic != massif.Angle_Geodesique;
    massif.Angle_Geodesique = geodesic;
    massif.MarkModified();
    return changed;
}

TConvergenceDialog::TConvergenceDialog(
    const std::vector<std::pair<std::string, std::pair<double, double>>>& projections, double centreXKm,
    double centreYKm, QWidget* parent)
    : QDialog(parent)
    , m_projections(projections)
    , m_centreX(centreXKm)
    , m_centreY(centreYKm)
{
    setWindowTitle(QStringLiteral("Convergencia de los meridianos"));
    SetHelpTopic(this, HelpTopic::Declinations);
    Projection = new QComboBox(this);
    Projection->setObjectName(QStringLiteral("Projection"));
    for (const auto& p : projections)
        Projection->addItem(FromCp1252(p.first));
    Projection->addItem(QStringLiteral("Otro"));
    Projection->setCurrentIndex(Projection->count() - 1);
    X = RealEdit(this, QStringLiteral("X"), 0, 9);
    Y = RealEdit(this, QStringLiteral("Y"), 0, 9);
    CentreX = RealEdit(this, QStringLiteral("CentreX"), 0, 9);
    CentreY = RealEdit(this, QStringLiteral("CentreY"), 0, 9);
    connect(Projection, &QComboBox::currentIndexChanged, this, [this](int index) {
        const bool other = index < 0 || index >= static_cast<int>(m_projections.size());
        X->setEnabled(other);
        Y->setEnabled(other);
        if (other) {
            X->setText(QStringLiteral("0"));
            Y->setText(QStringLiteral("0"));
        } else {
            X->setText(ToQString(FormatG(m_projections[static_cast<std::size_t>(index)].second.first, 9)));
            Y->setText(ToQString(FormatG(m_projections[static_cast<std::size_t>(index)].second.second, 9)));
        }
    });
    auto* centre = new QPushButton(QStringLiteral("&Centro del macizo"), this);
    centre->setObjectName(QStringLiteral("Centro"));
    connect(centre, &QPushButton::clicked, this, [this] {
        CentreX->setText(ToQString(FormatG(m_centreX, 9)));
        CentreY->setText(ToQString(FormatG(m_centreY, 9)));
    });
    auto* calculate = new QPushButton(QStringLiteral("&Calcular ..."), this);
    calculate->setObjectName(QStringLiteral("Calcular"));
    connect(calculate, &QPushButton::clicked, this, [this] {
        if (Calculate())
            accept();
    });
    auto* cancel = new QPushButton(QStringLiteral("&Deschacer"), this);
    cancel->setObjectName(QStringLiteral("Deschacer"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Projección"), Projection);
    form->addRow(QStringLiteral("&X /km"), X);
    form->addRow(QStringLiteral("&Y /km"), Y);
    form->addRow(centre);
    form->addRow(QStringLiteral("X /km"), CentreX);
    form->addRow(QStringLiteral("Y /km"), CentreY);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(calculate);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

bool TConvergenceDialog::Calculate()
{
    for (QLineEdit* edit : { X, Y, CentreX, CentreY })
        if (!Value(edit))
            return Refuse(edit, MessageKind::Warning, "Las coordenadas deben ser numéricas. Ejemplo 880.236");
    const auto convergence = MeridianConvergence(*Value(X), *Value(Y), *Value(CentreX), *Value(CentreY));
    if (!convergence)
        return Refuse(CentreY, MessageKind::Warning, kSameNorthingText);
    const QString text = QStringLiteral("La convergencia es de %1 °.\nConservar ?")
                             .arg(ToQString(FormatFixed(*convergence, 2)));
    if (Prompt().Ask(MessageKind::Confirmation, windowTitle(), text, Buttons::YesNo) != Answer::Yes)
        return false;
    Result = *convergence;
    return true;
}

std::vector<std::pair<std::string, std::pair<double, double>>> ReadProjections(const std::string& path)
{
    std::vector<std::pair<std::string, std::pair<double, double>>> table;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto tab1 = line.find('\t');
        const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos)
            continue;
        table.push_back({ line.substr(0, tab1),
            { ToReal(line.substr(tab1 + 1, tab2 - tab1 - 1)), ToReal(line.substr(tab2 + 1)) } });
    }
    return table;
}

} // namespace ks
