#pragma once
// The VRML export dialog.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSlider;
class TMassif;
struct TOptions_Relief;

namespace ks {

// "Exportación VRML": colour mode, ambient light, smoothing, centring, texture and template; on
// "&Exportar ..." the file is chosen and written, and the dialog closes only after a completed
// export.
class TExport_VRML : public QDialog
{
public:
    TExport_VRML(const TMassif& massif, const TOptions_Relief& options, const QString& folder,
        QWidget* parent = nullptr);

    // Runs the export: the output file, the overwrite question, the writing. True when written.
    bool Exporter();

    QGroupBox* Couleur;
    QButtonGroup* Modes;
    QSlider* Ambiance;
    QCheckBox* Lissage;
    QCheckBox* Centre;
    QCheckBox* Texture;
    QLineEdit* Nom_texture;
    QPushButton* Fichier_Texture;
    QLineEdit* Nom_Modele;
    QPushButton* Fichier_modele;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    const TMassif& m_massif;
    const TOptions_Relief& m_options;
    QString m_folder; // where the file dialogs start
};

} // namespace ks
