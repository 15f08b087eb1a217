// The fast computation: its stages, its thread, and the positions written back into the massif.
#include "compute/driver.h"

#include "model/massif.h"
#include "model/text_utils.h"

#include <cmath>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace ks {

namespace {

// The background computation yields to everything else on the machine, at the lowest nice level.
// Not SCHED_IDLE: that class gets no time at all while other work keeps the processors busy, so a
// computation could wait for as long as a build runs beside the program.
void LowestThreadPriority()
{
#ifdef __linux__
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
#endif
}

void FillReport(const TCalculateur& calc, TComputeReport& report)
{
    report.NoReference = calc.References.empty();
    report.NoneReached = calc.NoneReached;
    report.SomeUnreached = calc.SomeUnreached;
    report.TooLarge = calc.TooLarge;
    report.Galleries = calc.ReachedGalleries;
    report.Branches = calc.LiveBranchCount();
    report.Closures = static_cast<int>(calc.Closures.size());
    report.DeadEnds = static_cast<int>(calc.DeadEnds.size());
    report.Equations = calc.Equations;
    report.Unreached = calc.UnreachedList;
    report.Messages = calc.DeferredMessages;
}

// Connect, Condense, Adjust and Distribute, each only while the stop flag is down. True when the
// network is ready to be positioned.
bool RunStages(TCalculateur& calc, const TComputeFlags& flags, bool interactive)
{
    if (!calc.Connect(interactive))
        return false;
    if (!flags.Stop)
        calc.Condense(interactive);
    if (!flags.Stop)
        calc.Adjust(interactive);
    if (flags.Stop) {
        calc.Result = false;
        return false;
    }
    calc.Distribute();
    return !flags.Stop;
}

void ClearComputedFlags(TMassif& massif)
{
    massif.Computed = false;
    massif.ElevationPlaced = false;
    massif.TableLaidOut = false;
}

} // namespace

double TStopwatch::Seconds() const
{
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - m_start;
    return elapsed.count();
}

std::string TStopwatch::Text() const
{
    return FormatFixed(Seconds(), 2);
}

double GalleryDeformation(const TGalerie& g)
{
    const int n = g.ShotCount();
    if (!g.Positioned || n == 0 || g.StationCount() != n || g.Deformation == 0)
        return -1;
    const int k = n == 1 ? 1 : 2;
    const TVisee& shot = g.Shot(k);
    const double length = shot.LengthMetres();
    if (n == 1 ? length <= 0.00001 : length == 0)
        return -1;

    const TStationPos& far = g.Stations[static_cast<std::size_t>(k - 1)];
    double nearX = g.Start.X, nearY = g.Start.Y, nearZ = g.Start.Z;
    double rawX = shot.CumX, rawY = shot.CumY, rawZ = shot.CumZ;
    if (k == 2) {
        nearX = g.Stations[0].X;
        nearY = g.Stations[0].Y;
        nearZ = g.Stations[0].Z;
        rawX -= g.Shot(1).CumX;
        rawY -= g.Shot(1).CumY;
        rawZ -= g.Shot(1).CumZ;
    }
    const double dx = (far.X - nearX) - rawX;
    const double dy = (far.Y - nearY) - rawY;
    const double dz = (far.Z - nearZ) - rawZ;
    const double value = std::sqrt(dx * dx + dy * dy + dz * dz) / length / std::fabs(g.Deformation);
    return std::isfinite(value) ? value : -1; // a reading beyond the arithmetic has no deformation
}

TDeformation LargestDeformation(const TMassif& massif)
{
    TDeformation worst;
    for (const auto& sheet : massif.Sheets) {
        if (!sheet)
            continue;
        for (std::size_t g = 0; g < sheet->Galeries.size(); ++g) {
            const double value = GalleryDeformation(*sheet->Galeries[g]);
            if (value > worst.Value) {
                worst.Value = value;
                worst.Sheet = sheet.get();
                worst.Gallery = static_cast<int>(g);
            }
        }
    }
    return worst;
}

std::string DeformationText(const TDeformation& d)
{
    std::string text = "La " + std::to_string(d.Gallery + 1) + "° galería de la ficha\r";
    if (d.Sheet)
        text += Cp1252ToUtf8(d.Sheet->Systeme.Get()) + "\r" + Cp1252ToUtf8(d.Sheet->Cavite.Get()) + "\r"
            + Cp1252ToUtf8(d.Sheet->Reseau.Get()) + "\r" + Cp1252ToUtf8(d.Sheet->Lieu.Get());
    text += "\restá deformada a la " + std::to_string(static_cast<long long>(std::lround(d.Value * 100)))
        + "%";
    return text;
}

std::unique_ptr<TCalculateur> PrepareComputation(TMassif& massif, TComputeFlags& flags, IReporter* reporter)
{
    flags.Running.store(true);
    flags.Stop.store(false);
    massif.SortSheets();
    auto calc = std::make_unique<TCalculateur>(flags, reporter);
    std::vector<TFiche*> sheets;
    sheets.reserve(massif.Sheets.size());
    for (const auto& sheet : massif.Sheets)
        sheets.push_back(sheet.get());
    calc->BuildBranches(sheets, massif.References);
    return calc;
}

TComputeReport ComputeDetailed(TMassif& massif, TComputeFlags& flags, IReporter& reporter)
{
    TComputeReport report;
    TStopwatch stopwatch;
    auto calc = PrepareComputation(massif, flags, &reporter);
    if (RunStages(*calc, flags, true)) {
        calc->PositionGalleries(massif);
        report.Positioned = true;
    }
    report.Stopped = flags.Stop;
    FillReport(*calc, report);
    massif.Saved = false;
    calc.reset(); // lowers the running flag
    ClearComputedFlags(massif);
    report.Seconds = stopwatch.Seconds();
    return report;
}

} // namespace ks

using namespace ks;

TThreadCalcul::TThreadCalcul(
    TMassif& massif, TComputeFlags& flags, std::function<void()> onFinished, Priority priority)
    : m_flags(flags)
    , m_calc(PrepareComputation(massif, flags, nullptr))
    , m_onFinished(std::move(onFinished))
    , m_priority(priority)
{
    m_thread = std::thread([this] { Run(); });
}

TThreadCalcul::~TThreadCalcul()
{
    if (m_thread.joinable()) {
        if (!m_finished)
            m_flags.Stop.store(true);
        m_thread.join();
    }
}

void TThreadCalcul::Run()
{
    if (m_priority == Priority::Lowest)
        LowestThreadPriority();
    if (g_beforeComputingForTests)
        g_beforeComputingForTests();
    RunStages(*m_calc, m_flags, false);
    m_seconds = m_stopwatch.Seconds();
    m_finished.store(true);
    if (m_onFinished)
        m_onFinished();
}

void TThreadCalcul::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

TComputeReport TThreadCalcul::Complete(TMassif& massif)
{
    Wait();
    TComputeReport report;
    if (!m_calc)
        return report;
    report.Stopped = m_flags.Stop;
    // Without Connect's result (no reference, nothing reached) there is nothing to position.
    if (!report.Stopped && m_calc->Result) {
        m_calc->PositionGalleries(massif);
        report.Positioned = true;
    }
    FillReport(*m_calc, report);
    report.Seconds = m_seconds;
    m_calc.reset(); // lowers the running flag
    ClearComputedFlags(massif);
    return report;
}
