// The VRML export dialog: texture, smoothing, mode and centring.
#include "exchange/ui/vrml_dialog.h"

#include "bridge/qt_text.h"
#include "exchange/vrml.h"
#include "model/file_error.h"
#include "ui/cursors.h"
#include "ui/help.h"
#include "ui/prompt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace ks {

namespace {

const QString kWorldFilter = QStringLiteral("Mundo virtual (*.wrl)");

} // namespace

TExport_VRML::TExport_VRML(
    const TMassif& massif, const TOptions_Relief& options, const QString& folder, QWidget* parent)
    : QDialog(parent)
    , m_massif(massif)
    , m_options(options)
    , m_folder(folder)
{
    setObjectName(QStringLiteral("TExport_VRML"));
    setWindowTitle(QStringLiteral("Exportación VRML"));
    SetHelpTopic(this, HelpTopic::Exchange);
    auto* layout = new QVBoxLayout(this);

    Couleur = new QGroupBox(QStringLiteral("&Color"), this);
    Couleur->setObjectName(QStringLiteral("Couleur"));
    auto* colours = new QVBoxLayout(Couleur);
    Modes = new QButtonGroup(this);
    const char* captions[] = { "Gris", "Deformaciones", "Coloreado" };
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[i]), Couleur);
        button->setObjectName(QString::fromUtf8(captions[i]));
        Modes->addButton(button, i);
        colours->addWidget(button);
    }
    Modes->button(0)->setChecked(true);
    layout->addWidget(Couleur);

    auto* form = new QFormLayout;
    Ambiance = new QSlider(Qt::Horizontal, this);
    Ambiance->setObjectName(QStringLiteral("Ambiance"));
    Ambiance->setRange(0, 100);
    Ambiance->setTickInterval(10);
    Ambiance->setTickPosition(QSlider::TicksBelow);
    Ambiance->setValue(50);
    form->addRow(QStringLiteral("&Luz ambiente"), Ambiance);
    Lissage = new QCheckBox(QStringLiteral("&Alisado"), this);
    Lissage->setObjectName(QStringLiteral("Lissage"));
    form->addRow(Lissage);
    Centre = new QCheckBox(QStringLiteral("Centrado"), this);
    Centre->setObjectName(QStringLiteral("Centre"));
    Centre->setChecked(true);
    form->addRow(Centre);

    Texture = new QCheckBox(QStringLiteral("&Textura"), this);
    Texture->setObjectName(QStringLiteral("Texture"));
    Nom_texture = new QLineEdit(this);
    Nom_texture->setObjectName(QStringLiteral("Nom_texture"));
    Fichier_Texture = new QPushButton(QStringLiteral("..."), this);
    Fichier_Texture->setObjectName(QStringLiteral("Fichier_Texture"));
    Fichier_Texture->setToolTip(QStringLiteral("Elección del archivo de textura"));
    auto* texture = new QHBoxLayout;
    texture->addWidget(Texture);
    texture->addWidget(Nom_texture);
    texture->addWidget(Fichier_Texture);
    form->addRow(texture);

    Nom_Modele = new QLineEdit(this);
    Nom_Modele->setObjectName(QStringLiteral("Nom_Modele"));
    Fichier_modele = new QPushButton(QStringLiteral("..."), this);
    Fichier_modele->setObjectName(QStringLiteral("Fichier_modele"));
    Fichier_modele->setToolTip(QStringLiteral("Elección del archivo modelo"));
    auto* model = new QHBoxLayout;
    model->addWidget(Nom_Modele);
    model->addWidget(Fichier_modele);
    auto* modelLabel = new QLabel(QStringLiteral("Archivo &modelo"), this);
    modelLabel->setBuddy(Nom_Modele);
    form->addRow(modelLabel, model);
    layout->addLayout(form);

    OKBtn = new QPushButton(QStringLiteral("&Exportar ..."), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Deshacer"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);

    // A textured world has no colours of its own.
    connect(Texture, &QCheckBox::toggled, this, [this](bool on) { Couleur->setEnabled(!on); });
    connect(Nom_texture, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!text.isEmpty())
            Texture->setChecked(true);
    });
    connect(Fichier_Texture, &QPushButton::clicked, this, [this] {
        const QString name = Prompt().OpenFileName(
            QStringLiteral("Textura"), m_folder, QStringLiteral("Imagen Jpeg (*.jpg);;Imagen Gif (*.gif)"));
        if (!name.isEmpty()) {
            Nom_texture->setText(name);
            Texture->setChecked(true);
        }
    });
    connect(Fichier_modele, &QPushButton::clicked, this, [this] {
        const QString name = Prompt().OpenFileName(QStringLiteral("Archivo modelo"), m_folder, kWorldFilter);
        if (!name.isEmpty())
            Nom_Modele->setText(name);
    });
    connect(OKBtn, &QPushButton::clicked, this, [this] {
        if (Exporter())
            accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TExport_VRML::Exporter()
{
    const QString name
        = ChooseExportFile(QStringLiteral("Exportación VRML"), m_folder, kWorldFilter, QStringLiteral("wrl"));
    if (name.isEmpty())
        return false; // cancelled, or the existing file is kept
    TVrmlSettings settings;
    const int modes[] = { 0, 3, 2 }; // "Gris", "Deformaciones", "Coloreado"
    settings.Mode = modes[std::max(0, Modes->checkedId())];
    settings.Ambient = Ambiance->value() / double(Ambiance->maximum());
    settings.Smooth = Lissage->isChecked();
    settings.Centre = Centre->isChecked();
    settings.Texture = Texture->isChecked();
    if (settings.Texture)
        settings.TextureReference = TextureReference(ToUtf8(Nom_texture->text()), ToUtf8(name));
    WaitCursor wait;
    try {
        // Written whole under a temporary name: a failure leaves an older file as it was.
        ExportVrml(ToUtf8(name), ToUtf8(Nom_Modele->text()), m_massif, m_options, settings);
    } catch (const FileError& error) {
        Prompt().Error(ToQString(error.what()));
        return false;
    }
    return true;
}

} // namespace ks
