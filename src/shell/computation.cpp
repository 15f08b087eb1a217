// The computation in the interface: requests, the background run, its report and messages.
#include "shell/computation.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/prompt.h"

#include <cmath>

namespace ks {

TComputeController::TComputeController(std::function<TMassif*()> massif, QObject* parent)
    : QObject(parent)
    , m_massif(std::move(massif))
{
    m_detailedTimer.setInterval(1000);
    m_fastTimer.setInterval(100);
    // On each tick a timer waits while a computation still runs, then starts its own.
    auto serve = [this](QTimer& timer, void (TComputeController::*start)()) {
        connect(&timer, &QTimer::timeout, this, [this, &timer, start] {
            if (Running() || m_held > 0)
                return;
            timer.stop();
            (this->*start)();
        });
    };
    serve(m_detailedTimer, &TComputeController::StartDetailed);
    serve(m_fastTimer, &TComputeController::StartFast);
}

TComputeController::~TComputeController()
{
    Discard();
}

void TComputeController::Request(QTimer& timer)
{
    // A running computation is told to stop; the timer starts the new one once it has.
    if (Running())
        m_flags.Stop = true;
    timer.start();
}

void TComputeController::RequestDetailed()
{
    Request(m_detailedTimer);
}

void TComputeController::RequestFast()
{
    RequestAutomatic();
    m_userRequested = true;
}

void TComputeController::RequestAutomatic()
{
    Request(m_fastTimer);
}

void TComputeController::Stop()
{
    // The user stops computing: a computation requested to follow the running one is dropped too,
    // rather than started as soon as this one has ended.
    m_flags.Stop = true;
    m_fastTimer.stop();
    m_detailedTimer.stop();
    m_userRequested = false;
}

void TComputeController::Discard()
{
    m_finishPending = false;
    m_fastTimer.stop();
    m_detailedTimer.stop();
    m_userRequested = false;
    if (m_thread) {
        m_flags.Stop = true;
        m_thread.reset(); // waits for the thread; its computation is dropped
        if (OnBusy)
            OnBusy(false);
    }
}

void TComputeController::StartDetailed()
{
    TMassif* massif = m_massif();
    if (!massif)
        return;
    if (OnBusy)
        OnBusy(true);
    TPromptReporter reporter;
    const TComputeReport report = ComputeDetailed(*massif, m_flags, reporter);
    m_tooLarge = report.TooLarge;
    if (report.Positioned)
        massif->PlaceAllStations();
    if (OnBusy)
        OnBusy(false);
    if (OnComputed)
        OnComputed();
}

void TComputeController::StartFast()
{
    TMassif* massif = m_massif();
    if (!massif)
        return;
    if (OnBusy)
        OnBusy(true);
    // The thread's last act queues the completion on the interface thread.
    m_thread = std::make_unique<TThreadCalcul>(*massif, m_flags, [this] {
        QMetaObject::invokeMethod(
            this, [this] { FinishFast(); }, Qt::QueuedConnection);
    });
}

void TComputeController::Hold()
{
    ++m_held;
}

void TComputeController::Release()
{
    if (m_held > 0 && --m_held == 0 && m_finishPending) {
        m_finishPending = false;
        QMetaObject::invokeMethod(
            this, [this] { FinishFast(); }, Qt::QueuedConnection);
    }
}

void TComputeController::FinishFast()
{
    TMassif* massif = m_massif();
    if (!m_thread || !massif)
        return;
    if (m_held > 0) {
        m_finishPending = true;
        return;
    }
    const TComputeReport report = m_thread->Complete(*massif);
    m_thread.reset();
    m_tooLarge = report.TooLarge;
    if (report.Positioned)
        massif->PlaceAllStations();
    if (OnBusy)
        OnBusy(false);
    for (const auto& [kind, text] : report.Messages)
        Prompt().Ask(kind, QStringLiteral("Karstelle"), ShownText(text), Buttons::Ok);
    if (report.Stopped) {
        m_userRequested = false;
        return;
    }
    if (m_userRequested) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            ToQString(FormatFixed(report.Seconds, 2) + " s"), Buttons::Ok);
        massif->Saved = false;
    }
    Warnings(report);
    if (OnComputed)
        OnComputed();
    // Deformation warning: only a gallery worse than the tolerance is reported.
    if (report.Positioned && (massif->Tolerance > 0 || m_userRequested)) {
        if (m_userRequested)
            massif->Tolerance = 0.05;
        const TDeformation worst = LargestDeformation(*massif);
        if (worst.Sheet && worst.Value > massif->Tolerance) {
            const bool silence = Prompt().CalculationProblem(ShownText(DeformationText(worst)));
            massif->Tolerance = silence ? -1 : worst.Value;
        }
    }
    m_userRequested = false;
}

void TComputeController::Warnings(const TComputeReport& report)
{
    TMassif* massif = m_massif();
    if (!massif || !massif->ShowWarnings)
        return;
    const char* text = report.NoneReached ? kNoneReachedText
        : report.SomeUnreached            ? kSomeUnattachedText
                                          : nullptr;
    if (text && Prompt().CalculationProblem(ShownText(text)))
        massif->ShowWarnings = false;
}

} // namespace ks
