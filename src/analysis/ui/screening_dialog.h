#pragma once
// "Errores de cierre": the loops of the network, worst first, and the shots suspected of a
// misreading, most likely first; a double click on a suspect opens its sheet at that shot.

#include "analysis/screening.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace ks {

class TScreeningDialog : public QDialog
{
public:
    // `run` screens the massif, on a thread of its own, until its stop flag is raised (the dialog
    // is modal: nothing writes the massif meanwhile); `open` shows a suspect's shot, after which
    // the massif is screened again.
    TScreeningDialog(std::function<TScreening(const std::atomic<bool>*)> run,
        std::function<void(const TSuspect&)> open, QWidget* parent = nullptr);
    ~TScreeningDialog() override;
    TScreeningDialog(const TScreeningDialog&) = delete;
    TScreeningDialog& operator=(const TScreeningDialog&) = delete;

    QTableWidget* Loops() const { return m_loops; }
    QTableWidget* Suspects() const { return m_suspects; }
    const TScreening& Result() const { return m_result; }
    QPushButton* StopButton() const { return m_stopButton; }
    bool Running() const { return m_worker.joinable(); }
    // Opens the suspect of a row of the list, then screens again.
    void OpenSuspect(int row);

private:
    void Start();
    void Poll(); // takes the result when the thread has finished
    void Finish();
    void Fill();

    std::function<TScreening(const std::atomic<bool>*)> m_run;
    std::function<void(const TSuspect&)> m_open;
    TScreening m_result;
    std::thread m_worker;
    std::atomic<bool> m_stop { false };
    std::mutex m_mutex;
    std::optional<TScreening> m_finished; // the thread's result, under m_mutex
    QTimer* m_poll;
    QPushButton* m_stopButton;
    QLabel* m_figures;
    QTableWidget* m_loops;
    QTableWidget* m_suspects;
};

} // namespace ks
