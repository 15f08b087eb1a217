#pragma once
// "Errores de cierre": the loops of the network, worst first, and the shots suspected of a
// misreading, most likely first; a double click on a suspect opens its sheet at that shot.

#include "analysis/screening.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTableWidget;

namespace ks {

class TScreeningDialog : public QDialog
{
public:
    // `run` screens the massif again (after a sheet was edited); `open` shows a suspect's shot.
    TScreeningDialog(std::function<TScreening()> run, std::function<void(const TSuspect&)> open,
        QWidget* parent = nullptr);

    QTableWidget* Loops() const { return m_loops; }
    QTableWidget* Suspects() const { return m_suspects; }
    const TScreening& Result() const { return m_result; }
    // Opens the suspect of a row of the list, then screens again.
    void OpenSuspect(int row);

private:
    void Fill();

    std::function<TScreening()> m_run;
    std::function<void(const TSuspect&)> m_open;
    TScreening m_result;
    QLabel* m_figures;
    QTableWidget* m_loops;
    QTableWidget* m_suspects;
};

} // namespace ks
