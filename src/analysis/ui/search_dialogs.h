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

// A sheet chosen, and the gallery picked in it in the graphical preview (-1 for the whole sheet).
struct TSheetChoice
{
    TFiche* Sheet = nullptr;
    int Gallery = -1;
};

// "Búsqueda gráfica": the positioned galleries of the sheets drawn fitted into the window; a click
// picks the nearest gallery and "Tomar" (or a double click) returns it.
class TSearchPreview : public QDialog
{
public:
    TSearchPreview(std::vector<TFiche*> sheets, QWidget* parent = nullptr);
    // Picks the gallery nearest a point of the drawing; false when there is none.
    bool PickAt(const QPoint& point);
    const TSheetChoice& Picked() const { return m_picked; }
    QWidget* Drawing() const { return m_drawing; }
    void Fit(); // the scale and corner that fit the galleries into the drawing
    QPointF ToScreen(double x, double y) const; // survey metres to a point of the drawing

private:
    class Canvas;
    QPointF ToMetres(const QPointF& pixel) const;

    std::vector<TFiche*> m_sheets;
    TSheetChoice m_picked;
    QWidget* m_drawing;
    QPushButton* m_take;
    double m_minX = 0, m_maxY = 0, m_scale = 1;
};

// "Selección simple": one of the sheets found, whole ("Validar") or with a gallery picked in the
// preview ("&Visualizar"); nothing when cancelled.
std::optional<TSheetChoice> ChooseOneSheet(const std::vector<TFiche*>& found, QWidget* parent);
// "Selección de varias fichas": the sheets moved to "Fichas &retenidas", in their order; nothing
// when cancelled.
std::optional<std::vector<TFiche*>> ChooseSheets(const std::vector<TFiche*>& found, QWidget* parent);

// The criteria dialog, then the choice: one sheet, or several.
std::optional<TSheetChoice> FindSheet(const std::vector<TFiche*>& sheets, QWidget* parent);
std::optional<std::vector<TFiche*>> FindSheets(const std::vector<TFiche*>& sheets, QWidget* parent);

} // namespace ks
