#pragma once
// "Estadísticas" and its "Rosa de los vientos": the totals of the current sheets and the rose of
// their shot directions.

#include "analysis/statistics.h"

#include <QDialog>

#include <vector>

class QLabel;
class QStatusBar;
class TFiche;

namespace ks {

class TStatisticsDialog : public QDialog
{
public:
    TStatisticsDialog(std::vector<TFiche*> sheets, QWidget* parent = nullptr);

private:
    std::vector<TFiche*> m_sheets;
};

// The rose of 36 sectors; the status bar tells the sector under the pointer.
class TRoseWindow : public QDialog
{
public:
    TRoseWindow(const std::vector<TFiche*>& sheets, QWidget* parent = nullptr);
    const TRose& Rose() const { return m_rose; }
    QStatusBar* Status() const { return m_status; }
    // The pointer at a point of the drawing.
    void ShowPie(const QPoint& point);

private:
    class Drawing;
    TRose m_rose;
    Drawing* m_drawing;
    QStatusBar* m_status;
};

} // namespace ks
