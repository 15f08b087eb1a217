#include "fuzz/targets.h"

#include "app/settings.h"
#include "compute/driver.h"
#include "compute/ui/declination_dialog.h"
#include "entry/preferences.h"
#include "entry/sheet_model.h"
#include "exchange/compass.h"
#include "exchange/survex.h"
#include "exchange/toporobot.h"
#include "exchange/walls.h"
#include "model/file_error.h"
#include "model/massif.h"
#include "model/massif_codec.h"
#include "options/options.h"
#include "views/plan.h"
#include "views/view_context.h"

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace ks::fuzz {

namespace {

// Messages go nowhere; questions are answered "go on", as the fast computation goes on.
class Silent : public IReporter
{
public:
    void Message(MessageKind, const std::string&) override { }
    bool AskContinue(const TQuestion&) override { return true; }
};

std::string Bytes(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A reader that takes a path gets the bytes in a file of this process's own.
std::string AsFile(const std::uint8_t* data, std::size_t size, const char* extension)
{
    const std::string path = "/tmp/karstelle-fuzz-" + std::to_string(getpid()) + extension;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Finite(double value)
{
    return std::isfinite(value);
}

// Every computed and placed position of the massif is finite.
void CheckPositions(const TMassif& massif)
{
    for (const auto& sheet : massif.Sheets)
        for (const auto& g : sheet->Galeries) {
            if (!g->Positioned)
                continue;
            Check(Finite(g->Start.X) && Finite(g->Start.Y) && Finite(g->Start.Z));
            Check(Finite(g->HorizMisclosure) && Finite(g->VertMisclosure));
            for (const TStationPos& p : g->Stations)
                Check(Finite(p.X) && Finite(p.Y) && Finite(p.Z) && Finite(p.Developed));
        }
}

std::size_t ShotCount(const TMassif& massif)
{
    std::size_t shots = 0;
    for (const auto& sheet : massif.Sheets)
        for (const auto& g : sheet->Galeries)
            shots += g->Shots.size();
    return shots;
}

// The plan of a computed massif, with the given options, painted into a small image and cut into
// pages with the given margins.
void DrawPlan(TMassif& massif, TOptions_Plan& plan, TMarge& margins)
{
    EnsureGuiApplication();
    TViewContext context;
    context.Massif = &massif;
    context.Plan = &plan;
    context.Marge = &margins;
    TPlan view(context);
    int width = 0, height = 0;
    view.Dimensions(width, height, 96 / 25.4, 1);
    QImage image(160, 120, QImage::Format_RGB32);
    view.Dessiner(width / 2, height / 2, 96 / 25.4, 1, image, 0);
    view.Dessiner(0, 0, 96 / 25.4, 1, image, 3);
    int columns = 0, rows = 0;
    view.NbPages(columns, rows, margins.EGauche + margins.EDroite, margins.EHaut + margins.EBas);
    Check(columns >= 0 && rows >= 0);
}

// The bundled sample, computed once, for the option targets to draw.
TMassif& Sample()
{
    static std::unique_ptr<TMassif> sample = [] {
        auto m = std::make_unique<TMassif>();
        m->FileName = KARST_SOURCE_DIR "/data/samples/sample.mas";
        m->Load();
        TComputeFlags flags;
        TThreadCalcul(*m, flags).Complete(*m);
        m->PlaceAllStations();
        return m;
    }();
    return *sample;
}

// An option file read as the application reads it, described and written back.
template <typename R> int DecodeAndDescribe(R& record, const std::uint8_t* data, std::size_t size)
{
    DecodeOptions(record, Bytes(data, size));
    SanitizeOptions(record); // as Charger does for the application
    DescribeOptions(record);
    Silent silent;
    EncodeOptions(record, &silent);
    return 0;
}

} // namespace

void EnsureGuiApplication()
{
    if (QGuiApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "karstelle-fuzz";
    static char* argv[] = { name, nullptr };
    static QGuiApplication application(argc, argv);
}

int BinaryMassif(const std::uint8_t* data, std::size_t size)
{
    TMassif massif;
    Silent silent;
    try {
        if (DecodeBinary(Bytes(data, size), massif, "fuzz.fic", &silent, nullptr).status
            != LoadStatus::Loaded)
            return 0;
    } catch (const std::exception&) {
        return 0;
    }
    // A readable binary massif stays readable through the text format, and back in binary.
    std::string text;
    try {
        text = EncodeText(massif, "fuzz.mas", nullptr);
    } catch (const FileError&) {
        return 0; // a value the text format cannot hold, refused with its message
    }
    TMassif back;
    Check(DecodeText(text, back, "fuzz.mas", &silent, nullptr).status == LoadStatus::Loaded);
    EncodeBinary(back, "fuzz.fic", nullptr);
    return 0;
}

int TextMassif(const std::uint8_t* data, std::size_t size)
{
    TMassif massif;
    Silent silent;
    try {
        if (DecodeText(Bytes(data, size), massif, "fuzz.mas", &silent, nullptr).status == LoadStatus::Loaded)
            EncodeBinary(massif, "fuzz.fic", nullptr);
    } catch (const std::exception&) { }
    return 0;
}

int PlanOptions(const std::uint8_t* data, std::size_t size)
{
    TOptions_Plan plan;
    DecodeAndDescribe(plan, data, size);
    TMarge margins;
    DrawPlan(Sample(), plan, margins);
    return 0;
}

int ElevationOptions(const std::uint8_t* data, std::size_t size)
{
    TOptions_Coupe options;
    return DecodeAndDescribe(options, data, size);
}

int PerspectiveOptions(const std::uint8_t* data, std::size_t size)
{
    TOptions_Relief options;
    return DecodeAndDescribe(options, data, size);
}

int TableOptions(const std::uint8_t* data, std::size_t size)
{
    TOptions_Tableau options;
    return DecodeAndDescribe(options, data, size);
}

int MarginOptions(const std::uint8_t* data, std::size_t size)
{
    TMarge margins;
    DecodeAndDescribe(margins, data, size);
    TOptions_Plan plan;
    DrawPlan(Sample(), plan, margins);
    return 0;
}

int GridPreferences(const std::uint8_t* data, std::size_t size)
{
    TPreference_Ecran preferences;
    preferences.Decode(Bytes(data, size));
    preferences.BuildColumns();
    preferences.Encode();
    TSheetModel model(preferences.Columns);
    model.NewSheet();
    return 0;
}

int Settings(const std::uint8_t* data, std::size_t size)
{
    const std::string text = Bytes(data, size);
    TSettings settings;
    ReadSettings(text, settings);
    ReadComputationSettings(text, settings);
    THintOptions hints;
    ReadHints(text, hints);
    // What was read is written back in a form that reads the same.
    TSettings again;
    Check(!ReadSettings(WriteSettings(settings), again));
    Check(WriteSettings(again) == WriteSettings(settings));
    return 0;
}

int Projections(const std::uint8_t* data, std::size_t size)
{
    const std::string path = AsFile(data, size, ".txt");
    for (const auto& [name, centre] : ReadProjections(path))
        (void)name, (void)centre;
    std::remove(path.c_str());
    return 0;
}

int ClipboardTable(const std::uint8_t* data, std::size_t size)
{
    TPreference_Ecran preferences;
    preferences.BuildColumns();
    TSheetModel model(preferences.Columns);
    model.NewSheet();
    model.Importer(0, Bytes(data, size), {});
    model.Importer(0, Bytes(data, size), { 2, 3 });
    return 0;
}

int Toporobot(const std::uint8_t* data, std::size_t size)
{
    const std::string path = AsFile(data, size, ".Tab");
    TMassif massif;
    Silent silent;
    try {
        ImportToporobot(path, massif, &silent);
    } catch (const std::exception&) { }
    std::remove(path.c_str());
    return 0;
}

int Survex(const std::uint8_t* data, std::size_t size)
{
    const std::string path = AsFile(data, size, ".svx");
    TMassif massif;
    try {
        ImportSurvex(path, massif);
    } catch (const std::exception&) { }
    std::remove(path.c_str());
    return 0;
}

int Compass(const std::uint8_t* data, std::size_t size)
{
    const std::string path = AsFile(data, size, ".dat");
    TMassif massif;
    try {
        ImportCompass(path, massif);
    } catch (const std::exception&) { }
    std::remove(path.c_str());
    return 0;
}

int Walls(const std::uint8_t* data, std::size_t size)
{
    const std::string path = AsFile(data, size, ".srv");
    TMassif massif;
    try {
        ImportWalls(path, massif);
    } catch (const std::exception&) { }
    std::remove(path.c_str());
    return 0;
}

int ComputeAndDraw(const std::uint8_t* data, std::size_t size)
{
    TMassif massif;
    Silent silent;
    try {
        if (DecodeText(Bytes(data, size), massif, "fuzz.mas", &silent, nullptr).status != LoadStatus::Loaded)
            return 0;
    } catch (const std::exception&) {
        return 0;
    }
    if (ShotCount(massif) > 4000)
        return 0; // large caves have their own tests and benchmarks
    // On this thread: the fast computation's thread runs at the idle priority, which a loaded
    // machine may starve for longer than the fuzzer's time-out.
    TComputeFlags flags;
    const TComputeReport report = ComputeDetailed(massif, flags, silent);
    if (report.Positioned)
        massif.PlaceAllStations();
    CheckPositions(massif);
    const TDeformation worst = LargestDeformation(massif);
    Check(Finite(worst.Value));
    if (!report.Positioned)
        return 0;
    TOptions_Plan plan;
    TMarge margins;
    DrawPlan(massif, plan, margins);
    return 0;
}

const TargetInfo kTargets[] = {
    { "binary_massif", BinaryMassif },
    { "text_massif", TextMassif },
    { "plan_options", PlanOptions },
    { "elevation_options", ElevationOptions },
    { "perspective_options", PerspectiveOptions },
    { "table_options", TableOptions },
    { "margin_options", MarginOptions },
    { "grid_preferences", GridPreferences },
    { "settings", Settings },
    { "projections", Projections },
    { "clipboard_table", ClipboardTable },
    { "toporobot", Toporobot },
    { "survex", Survex },
    { "compass", Compass },
    { "walls", Walls },
    { "compute_and_draw", ComputeAndDraw },
};
const std::size_t kTargetCount = std::size(kTargets);

} // namespace ks::fuzz
