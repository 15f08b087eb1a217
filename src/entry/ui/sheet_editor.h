#pragma once
// The sheet editor window.

#include "entry/sheet_model.h"

#include <QDialog>

#include <array>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTabWidget;
class QTableWidget;
class TFiche;
class TMassif;

namespace ks {

// "Ficha topográfica": a working copy of one sheet in a grid of stations and shots and a page of
// information. Nothing reaches the massif before validation.
class TMultPageDlg : public QDialog
{
public:
    // `sheet` is the sheet being changed, or null for a new one.
    TMultPageDlg(TMassif& massif, const TPreference_Ecran& preferences, const QString& settingsFolder,
        TFiche* sheet, QWidget* parent = nullptr);

    // A validated sheet goes to the main window: in place of `old`, or added when old is null.
    std::function<void(std::unique_ptr<TFiche> sheet, TFiche* old)> OnValidated;
    // "&Guardar en el disco": the main window saves the massif with this unfinished work.
    std::function<void(const TEditorWork& work)> OnSaveToDisk;

    TSheetModel& Model() { return m_model; }
    void ResumeWork(const TEditorWork& work);
    // The grid page, with the cell of column `code` of shot `shot` (from 1) of gallery `gallery`
    // current: where a suspect reading is.
    void ShowShot(int gallery, int shot, std::int16_t code);
    // A new sheet's system, cave, network and place, down to `level`, from an explorer folder.
    void Prefill(const std::array<std::string, 4>& location, int level);

    // Commands, as the menus call them.
    bool Terminar(); // validate and close; false when refused
    bool Siguiente(); // validate, then a new sheet
    void Deschacer(); // close without validating (after the warning when modified)
    void NuevoPunto(); // "&Punto" "&Nuevo ...": a station between galleries, or the final one
    void InsertarVisual();
    void EliminarVisual();
    void EliminarPunto();
    void ContinuarAbajo();
    void CopiarTodo();
    void Importar();
    void Corregir(std::int16_t code);
    void Lista();
    void GallerySettings(); // "Informaciones" of the current row's gallery
    void EditarPunto(); // "&Punto" "&Edición ...": the station of the current start or station row
    void Automatico(); // declination from the massif's model

    QTableWidget* Grid() const { return m_grid; }
    QTabWidget* Pages() const { return m_pages; }
    QLineEdit* Field(const QString& name) const;
    QPlainTextEdit* Surveyors() const { return m_surveyors; }
    QComboBox* DeclinationUnit() const { return m_unit; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildMenus(QMenuBar* bar);
    void Fill(); // model -> widgets
    void Gather(); // widgets -> model fields
    void FillGrid();
    bool Validate();
    void Show(const TRefusal& refusal);
    int CurrentRow() const;

    TMassif& m_massif;
    TFiche* m_sheet;
    QString m_settingsFolder;
    TSheetModel m_model;
    QTabWidget* m_pages = nullptr;
    QTableWidget* m_grid = nullptr;
    QPlainTextEdit* m_surveyors = nullptr;
    QComboBox* m_unit = nullptr;
    bool m_filling = false;
    bool m_closing = false;
};

} // namespace ks
