#pragma once
// The main window's computation: automatic requests, one run at a time, results handed back to
// the interface thread.

#include "compute/driver.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class TMassif;

namespace ks {

inline constexpr const char* kNoneReachedText = "Ninguna ficha alcanzada\rverifique los puntos de referencia";
inline constexpr const char* kSomeUnattachedText
    = "Algunas fichas no están anexionadas,\rpara más información, hacer Cálculo | Detallado";

// The interface half of the computation: request timers, the background computation handed back to
// the interface thread, its report, the calculation-problem dialog and the deformation warning.
// A request made while a computation runs raises the stop flag; the timer then retries until the
// running computation has ended, and starts the new one.
class TComputeController : public QObject
{
public:
    explicit TComputeController(std::function<TMassif*()> massif, QObject* parent = nullptr);
    ~TComputeController() override;

    void RequestDetailed();
    void RequestFast(); // from the menu or the tool bar: reports the elapsed time
    void RequestAutomatic(); // after a change of the massif
    void Stop(); // "Detener": stops the running computation and drops a requested one
    // Stops a running computation and forgets it, before the massif it works for is closed.
    void Discard();
    bool Running() const { return m_flags.Running.load(); }
    // A computation was asked for and has not started yet.
    bool Pending() const { return m_detailedTimer.isActive() || m_fastTimer.isActive(); }
    // While held (by a print job or the preview), no computation starts and none writes its results
    // into the massif; requests and a finished computation wait for the release.
    void Hold();
    void Release();

    std::function<void(bool busy)> OnBusy; // start or stop the busy animation and "Detener"
    std::function<void()> OnComputed; // let the views redraw

    TComputeFlags& Flags() { return m_flags; }
    // The last computation was refused by the junction or the equation limit.
    bool RefusedForSize() const { return m_tooLarge; }

private:
    void Request(QTimer& timer);
    void StartDetailed();
    void StartFast();
    void FinishFast();
    void Warnings(const TComputeReport& report);

    std::function<TMassif*()> m_massif;
    TComputeFlags m_flags;
    QTimer m_detailedTimer;
    QTimer m_fastTimer;
    bool m_userRequested = false;
    bool m_tooLarge = false;
    int m_held = 0;
    bool m_finishPending = false;
    std::unique_ptr<TThreadCalcul> m_thread;
};

} // namespace ks
