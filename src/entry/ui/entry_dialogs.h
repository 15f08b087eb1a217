#pragma once
// The small dialogs of data entry.

#include "entry/sheet_model.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class TMassif;

namespace ks {

// The station dialog: "Punto de partida" for a gallery's start, "Punto de llegada" for its end.
class TStationDialog : public QDialog
{
public:
    enum Result { Rejected = 0, Validated = 1, FinalPoint = 2 };
    TStationDialog(bool start, const TPointTopo& station, const TMassif& massif, const TSheetModel& sheet,
        QWidget* parent = nullptr);
    TPointTopo Station() const;
    bool Check(); // "Validar": a survey station needs a whole number from 0 to 255

    QComboBox* Nom = nullptr; // "No&mbre"
    QRadioButton* Final = nullptr; // "&Final"
    QRadioButton* PuntoTopo = nullptr; // "&Punto topo"
    QLineEdit* Indice = nullptr;
    QPushButton* Nuevo = nullptr;
    QPushButton* PuntoFinal = nullptr;

private:
    const TMassif& m_massif;
    const TSheetModel& m_sheet;
};

// "Informaciones" of a gallery: its text and its two coefficients, numbers above 0.
class TGalleryInfoDialog : public QDialog
{
public:
    explicit TGalleryInfoDialog(const TGalleryInfo& info, QWidget* parent = nullptr);
    bool Check();
    TGalleryInfo Info() const;

    QLineEdit* Texte = nullptr;
    QLineEdit* Deformation = nullptr;
    QLineEdit* Topofil = nullptr;

private:
    TGalleryInfo m_info;
};

// "Topógrafos": names from EXPLORAT.TXT moved into the chosen list.
class TExplorateur : public QDialog
{
public:
    TExplorateur(const QString& file, QWidget* parent = nullptr);
    QStringList Chosen() const;
    void Move(bool toChosen, bool all);

    QListWidget* Fuente = nullptr;
    QListWidget* Elegida = nullptr;
    QPushButton *Add = nullptr, *Remove = nullptr, *AddAll = nullptr, *RemoveAll = nullptr;

private:
    void Enable();
};

// "Preferecias de captura": the grid's columns, in a working copy.
class TPreferencesDialog : public QDialog
{
public:
    TPreferencesDialog(const TPreference_Ecran& preferences, QWidget* parent = nullptr);
    // "Validar": stores the fields and the list order into the record and rebuilds its columns.
    void StoreInto(TPreference_Ecran& preferences);
    void MoveUp();
    void MoveDown();

    QListWidget* Groups = nullptr;
    QLineEdit* Largeur = nullptr; // "&Anchura"
    QLineEdit* UnitWidth = nullptr; // "Unidad de anchura"
    QComboBox* Unit = nullptr;
    QCheckBox* DeuxColonnes = nullptr; // "&Dos columnas"
    QLineEdit* Separateur = nullptr;
    QCheckBox* Montrer = nullptr; // "&Mostrar"
    QLineEdit* FlagWidth = nullptr; // "&Definición del tamaño"
    QPushButton *Up = nullptr, *Down = nullptr;

private:
    void Show(int group);
    void Keep(int group);
    TPreference_Ecran m_copy;
    int m_current = -1;
};

} // namespace ks
