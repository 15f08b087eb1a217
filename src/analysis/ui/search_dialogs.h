#pragma once
// The sheet search's dialogs: the criteria ("Búsqueda"), the choice of one sheet ("Selección
// simple") and of several ("Selección de varias fichas").

#include "analysis/search.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace ks {

// "Búsqueda": the criteria, and the sheets of `sheets` they find ("&Buscar ...") or leave out
// ("&Todo excepto ..."); an empty result keeps the dialog open.
class TSearchDialog : public QDialog
{
public:
    TSearchDialog(std::vector<TFiche*> sheets, QWidget* parent = nullptr);
    const std::vector<TFiche*>& Found() const { return m_found; }
    TSearchCriteria Criteria() const;

private:
    void Search(bool except);

    std::vector<TFiche*> m_sheets, m_found;
    QLineEdit *m_system, *m_cave, *m_network, *m_place;
    QRadioButton *m_all, *m_on, *m_between;
    QLineEdit *m_date1, *m_date2, *m_date3;
    QLineEdit *m_surveyor, *m_text, *m_station, *m_number;
};

// "Selección simple": one of the sheets found; nothing when cancelled.
std::optional<TFiche*> ChooseOneSheet(const std::vector<TFiche*>& found, QWidget* parent);
// "Selección de varias fichas": the sheets moved to "Fichas &retenidas", in their order; nothing
// when cancelled.
std::optional<std::vector<TFiche*>> ChooseSheets(const std::vector<TFiche*>& found, QWidget* parent);

// The criteria dialog, then the choice: one sheet, or several.
std::optional<TFiche*> FindSheet(const std::vector<TFiche*>& sheets, QWidget* parent);
std::optional<std::vector<TFiche*>> FindSheets(const std::vector<TFiche*>& sheets, QWidget* parent);

} // namespace ks
