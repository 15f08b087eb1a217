// The main window: its parts, settings, option files and the commands that have no other home.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "analysis/ui/screening_dialog.h"
#include "analysis/ui/search_dialogs.h"
#include "analysis/ui/statistics_dialog.h"
#include "bridge/qt_text.h"
#include "compute/elevation.h"
#include "compute/reduction.h"
#include "compute/ui/declination_dialog.h"
#include "compute/ui/reference_dialog.h"
#include "entry/ui/new_element_wizard.h"
#include "entry/ui/sheet_editor.h"
#include "exchange/compass.h"
#include "exchange/plotter.h"
#include "exchange/survex.h"
#include "exchange/toporobot.h"
#include "exchange/ui/vrml_dialog.h"
#include "exchange/walls.h"
#include "explorer/ui/explorer.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/ui/option_dialogs.h"
#include "ui/cursors.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "views/perspective.h"
#include "views/plan.h"
#include "window/afficheur.h"
#include "window/outils_3d.h"
#include "window/support_gl.h"

#include <map>
#include <memory>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QOpenGLWidget>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

namespace ks {

TMainWindow::TMainWindow(const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_settingsFolder(settingsFolder)
    , m_programFolder(QCoreApplication::applicationDirPath())
{
    setWindowTitle(QStringLiteral("Karstelle"));
    setAcceptDrops(true);
    SetHelpTopic(this, HelpTopic::MainWindow);
    InstallHelp(this);
    LoadCursors();
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
    // The first OpenGL widget of a window makes Qt create the window again, which the window manager
    // then places anew: a hidden one from the start keeps the window where it is when the
    // perspective shows its 3D scene.
    if (PlatformHasOpenGL())
        (new QOpenGLWidget(this))->hide();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Panel0"));
    m_status->setMinimumWidth(200);
    statusBar()->addWidget(m_status);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setMaximumHeight(10);
    m_progress->setMaximumWidth(200);
    m_progress->setTextVisible(false);
    m_progress->hide();
    statusBar()->addWidget(m_progress);
    m_panel1 = new QLabel(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    statusBar()->addWidget(m_panel1, 1);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("Resumen"));
    statusBar()->addPermanentWidget(m_summary);
    m_progressSink = std::make_unique<Progress>(*this);
    m_fileDialogs = std::make_unique<TPromptFileDialogs>();
    m_files = std::make_unique<TFileCommands>(*m_fileDialogs, m_progressSink.get());
    m_files->OnRenamed = [this](const std::string& name) {
        setWindowTitle(TitleFor(ToQString(name)));
        if (TExploreur* explorer = Explorer()) // its root shows the file's name
            explorer->Rebuild();
    };

    m_computation = std::make_unique<TComputeController>([this] { return m_massif.get(); });
    m_computation->OnBusy = [this](bool busy) {
        m_computing = busy;
        UpdateCommands();
        m_progress->setRange(0, busy ? 0 : 100); // a busy bar while computing
        m_progress->setVisible(busy);
    };
    m_computation->OnComputed = [this] {
        UpdateCommands();
        LayoutViews();
    };
    m_context.Plan = &m_plan;
    m_context.Coupe = &m_coupe;
    m_context.Relief = &m_relief;
    m_context.Tableau = &m_tableau;
    m_context.Marge = &m_marge;
    connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) {
        if (TAfficheur* view = ActiveView())
            view->Activate();
        UpdateCommands();
    });

    // One printer for the session, in landscape from the start; the print dialog's choices stay.
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setPageOrientation(QPageLayout::Landscape);
    BuildMenus();
    BuildToolBars();
    m_outils = new TOutils_3D(this);
    m_outils->hide();
    ReadOptionsAndSettings();
    ApplySettings();
    UpdateCommands();
    resize(1000, 700);
}

TMainWindow::~TMainWindow()
{
    m_computation->Discard();
    // The view windows use this window as their host: they go first.
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        delete window;
}

QString TMainWindow::TitleFor(const QString& fileName)
{
    return ToQString(MassifName(ToUtf8(fileName))) + QStringLiteral(" - Karstelle");
}

QString TMainWindow::OptionPath(const char* file) const
{
    return m_settingsFolder + QLatin1Char('/') + QLatin1String(file);
}

void TMainWindow::ReadOptionsAndSettings()
{
    // Each file on its own: one that cannot be read is reported and leaves its defaults; fields a
    // garbled file leaves out of their range go back to their defaults, with one message a file.
    auto load = [this](auto& record, const char* file) {
        Guarded([&] {
            const QString path = OptionPath(file);
            int reset = 0;
            if (Charger(record, ToUtf8(path), &reset) && reset > 0)
                Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
                    QStringLiteral("%1: %2 valores fuera de sus límites vuelven a su valor por defecto.")
                        .arg(path)
                        .arg(reset),
                    Buttons::Ok);
        });
    };
    load(m_marge, kMargeOptionsFile);
    m_preferences.FileName = ToUtf8(OptionPath("OPTIONS.SAI"));
    Guarded([this] { m_preferences.Load(); });
    load(m_tableau, kTableauOptionsFile);
    load(m_plan, kPlanOptionsFile);
    load(m_relief, kReliefOptionsFile);
    load(m_coupe, kCoupeOptionsFile);
    const QString ini = OptionPath(kSettingsFile);
    if (QFile::exists(ini)) {
        Guarded([this, &ini] {
            if (auto error = ReadSettings(ReadWholeFile(ToUtf8(ini)), m_settings))
                Prompt().Error(QStringLiteral("%1: %2").arg(ini, ToQString(*error)));
        });
    }
    if (const QString hints = OptionPath(kHintsFile); QFile::exists(hints))
        Guarded([this, &hints] { ReadHints(ReadWholeFile(ToUtf8(hints)), m_context.Hints); });
    if (const QString computation = OptionPath(kComputationSettingsFile); QFile::exists(computation))
        Guarded([this, &computation] {
            ReadComputationSettings(ReadWholeFile(ToUtf8(computation)), m_settings);
        });
    RefreshRecentMenu();
}

void TMainWindow::ApplySettings()
{
    auto setChecked = [this](Cmd id, bool on) {
        QAction* action = Action(id);
        const QSignalBlocker block(action);
        action->setChecked(on);
    };
    setChecked(Cmd::GeneralBar, m_settings.General);
    setChecked(Cmd::ExplorerBar, m_settings.Explorateur);
    setChecked(Cmd::ViewsBar, m_settings.Vues);
    setChecked(Cmd::TextLabels, m_settings.Texte);
    setChecked(Cmd::StatusBar, m_settings.Etat);
    setChecked(Cmd::WebStyle, m_settings.Web);
    setChecked(Cmd::Automatic, m_settings.Automatique);
    setChecked(Cmd::NoLimits, m_settings.SinLimites);
    m_computation->Flags().Unlimited = m_settings.SinLimites;
    // Checked without a signal blocker: the group unticks the other style through that signal.
    Action(kListStyles[static_cast<int>(m_settings.Style)])->setChecked(true);
    const Qt::ToolButtonStyle buttons
        = m_settings.Texte ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly;
    for (QToolBar* bar : { m_general, m_explorer, m_views })
        bar->setToolButtonStyle(buttons);
    statusBar()->setVisible(m_settings.Etat);
    UpdateCommands();
}

void TMainWindow::WriteSettingsAndOptions()
{
    // Each file on its own: one that cannot be written does not keep the others from being.
    TPromptReporter reporter;
    if (m_outils->isVisible()) // the 3D tools window's place is kept for the next session
        KeepTools3DPosition();
    Guarded([this] { WriteFileSafely(ToUtf8(OptionPath(kSettingsFile)), WriteSettings(m_settings)); });
    Guarded([this] { WriteFileSafely(ToUtf8(OptionPath(kHintsFile)), WriteHints(m_context.Hints)); });
    Guarded([this] {
        WriteFileSafely(ToUtf8(OptionPath(kComputationSettingsFile)), WriteComputationSettings(m_settings));
    });
    Guarded([&] { Enregistrer(m_marge, ToUtf8(OptionPath(kMargeOptionsFile)), &reporter); });
    Guarded([this] { m_preferences.Save(); });
    Guarded([&] { Enregistrer(m_tableau, ToUtf8(OptionPath(kTableauOptionsFile)), &reporter); });
    Guarded([&] { Enregistrer(m_plan, ToUtf8(OptionPath(kPlanOptionsFile)), &reporter); });
    Guarded([&] { Enregistrer(m_relief, ToUtf8(OptionPath(kReliefOptionsFile)), &reporter); });
    Guarded([&] { Enregistrer(m_coupe, ToUtf8(OptionPath(kCoupeOptionsFile)), &reporter); });
}

void TMainWindow::UpdateCommands()
{
    const bool open = m_massif != nullptr;
    m_summary->setText(open ? Summary() : QString());
    TCommandState state;
    state.Open = open;
    const TAfficheur* view = ActiveView();
    state.ViewActive = view != nullptr;
    state.BranchView
        = view && (view->ViewKind() == TAfficheur::kPlan || view->ViewKind() == TAfficheur::kAlzado);
    state.PerspectiveView = view && view->ViewKind() == TAfficheur::kPerspectiva;
    state.RotatableView = view && (view->ViewKind() == TAfficheur::kPlan || state.PerspectiveView);
    state.TableView = view && view->ViewKind() == TAfficheur::kTabla;
    state.Shown3D = view && view->Shown3D();
    state.ViewPoint = view && view->Point != 0;
    state.Selection = open && m_massif->SelectionActive;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        state.Minimised = state.Minimised || window->isMinimized();
    state.Computing = m_computing;
    TExploreur* explorer = Explorer();
    state.ExplorerShown = explorer && !explorer->parentWidget()->isMinimized();
    if (state.ExplorerShown) {
        state.Clipboard = explorer->HasClipboard();
        state.Undo = explorer->Model().CanUndo();
        state.Back = explorer->CanGoBack();
        state.Forward = explorer->CanGoForward();
        state.Up = explorer->CanGoUp();
    }
    for (const TCommandInfo& row : CommandTable())
        if (row.Kind != CmdKind::Separator)
            Action(row.Id)->setEnabled(IsEnabled(row.Enabled, state));
    // A view that does not turn releases the rotation mode, one without a scale the zoom.
    for (Cmd mode : { Cmd::RotationMode, Cmd::ZoomMode })
        if (!Action(mode)->isEnabled())
            Action(mode)->setChecked(false);
    m_echelleBox->setEnabled(open && state.ViewActive && !state.TableView);
    m_rapportBox->setEnabled(open && state.ViewActive);
    m_general->setVisible(m_settings.General);
    m_views->setVisible(open && m_settings.Vues);
    m_explorer->setVisible(open && state.ExplorerShown && m_settings.Explorateur);
    SyncTools3D(state.PerspectiveView ? ActiveView() : nullptr);
}

void TMainWindow::SyncTools3D(TAfficheur* perspective)
{
    // The 3D tools window shows while a perspective window is active, where it was last left, at
    // first at the bottom centre of the frame.
    if (!perspective) {
        if (m_outils->isVisible())
            KeepTools3DPosition();
        m_outils->hide();
        m_outils->Attach(nullptr);
        return;
    }
    m_outils->Attach(perspective);
    if (m_outils->isVisible())
        return;
    m_outils->adjustSize();
    if (m_settings.Outils3DX != 0 || m_settings.Outils3DY != 0) {
        m_outils->move(m_settings.Outils3DX, m_settings.Outils3DY);
    } else {
        const QRect frame = geometry();
        const int bottom = frame.bottom() - (statusBar()->isVisible() ? statusBar()->height() : 0);
        m_outils->move(frame.center().x() - m_outils->width() / 2, bottom - m_outils->height() - 8);
    }
    m_outils->show();
}

void TMainWindow::KeepTools3DPosition()
{
    m_settings.Outils3DX = m_outils->pos().x();
    m_settings.Outils3DY = m_outils->pos().y();
}

void TMainWindow::State3DChanged()
{
    UpdateCommands();
}

void TMainWindow::Recover(TEco TFiche::*field)
{
    // Every sheet of the massif at the same level as the first sheet of the selection.
    if (!m_massif || !m_massif->SelectionActive || !m_massif->Selection || m_massif->Selection->empty())
        return;
    const TEco level = (*m_massif->Selection)[0]->*field;
    std::vector<TFiche*> sheets;
    for (const auto& sheet : m_massif->Sheets)
        if ((*sheet).*field == level)
            sheets.push_back(sheet.get());
    m_massif->Isolate(std::move(sheets));
    m_massif->SortSheets();
    Refresh();
}

void TMainWindow::Refresh()
{
    if (TExploreur* explorer = Explorer())
        explorer->RequestRebuild();
    LayoutViews();
    UpdateCommands();
}

QString TMainWindow::Summary() const
{
    int galleries = 0, shots = 0, positioned = 0;
    for (const auto& sheet : m_massif->Sheets) {
        for (const auto& g : sheet->Galeries) {
            ++galleries;
            shots += g->ShotCount();
            positioned += g->Positioned;
        }
    }
    QString text = QStringLiteral("%1 fichas, %2 galerías, %3 visuales")
                       .arg(m_massif->Sheets.size())
                       .arg(galleries)
                       .arg(shots);
    if (m_massif->Computed)
        text += QStringLiteral(", %1 situadas").arg(positioned);
    return text;
}

void TMainWindow::MassifChanged(Change change)
{
    if (!m_massif)
        return;
    m_massif->MarkModified();
    // A computation follows a change of the survey data when automatic computation is on;
    // otherwise only a running one is stopped and started again. Colours leave it alone.
    if (change == Change::Data
        && ((m_settings.Automatique && !m_massif->Sheets.empty()) || m_computation->Running()))
        m_computation->RequestAutomatic();
    if (change == Change::Data)
        UpdateMisclosure();
    Refresh();
}

void TMainWindow::UpdateMisclosure()
{
    if (!m_massif || Mode() != 4) {
        m_context.Misclosure = nullptr;
        return;
    }
    // Every sheet of the massif is reduced already (as read, imported or validated); reducing
    // again would take the computed positions away.
    const TScreening screening = Screen(*m_massif);
    std::map<int, TFiche*> byOrdre;
    for (const auto& sheet : m_massif->Sheets)
        byOrdre[sheet->Ordre] = sheet.get();
    auto worst = std::make_shared<std::map<const TGalerie*, double>>();
    for (const TLoopFigure& loop : screening.Loops)
        for (const TGalleryKey& key : loop.Galleries) {
            const TFiche* sheet = byOrdre[key.Ordre];
            if (sheet && key.Gallery < static_cast<int>(sheet->Galeries.size())) {
                double& value = (*worst)[sheet->Galeries[static_cast<std::size_t>(key.Gallery)].get()];
                value = std::max(value, loop.Normalised);
            }
        }
    m_context.Misclosure = [worst](const TGalerie& g) {
        const auto found = worst->find(&g);
        return found == worst->end() ? -1.0 : found->second;
    };
}

void TMainWindow::ReferencePointsCommand()
{
    if (!m_massif)
        return;
    TReferenceDialog dialog(m_massif->References, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_massif->ClearReferences();
    m_massif->References = dialog.Points();
    MassifChanged(Change::Data);
}

void TMainWindow::DeclinationsCommand()
{
    if (!m_massif)
        return;
    TDeclinationDialog dialog(*m_massif, ToUtf8(m_settingsFolder), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.Store(*m_massif) && !m_massif->Sheets.empty()) {
        for (const auto& sheet : m_massif->Sheets)
            ReduceSheet(*sheet, m_massif->Angle_Geodesique);
        m_massif->Computed = false;
        MassifChanged(Change::Data);
    }
}

void TMainWindow::ExportPlotterCommand()
{
    if (!m_massif)
        return;
    // The dialog starts beside the massif's file.
    const QString name = ChooseExportFile(QStringLiteral("Exportar"), MassifFolder(),
        QStringLiteral("Fichero HPGL (*.plt)"), QStringLiteral("plt"));
    if (name.isEmpty())
        return;
    WaitCursor wait;
    if (!m_massif->Computed)
        m_massif->PlaceAllStations();
    // Written whole under a temporary name: a failure leaves an older file as it was.
    WriteFileSafely(ToUtf8(name), PlotterText(*m_massif));
}

QString TMainWindow::MassifFolder() const
{
    return !m_massif || m_massif->FileName.empty() ? QString()
                                                   : QFileInfo(ToQString(m_massif->FileName)).absolutePath();
}

void TMainWindow::ExportVrmlCommand()
{
    if (!m_massif)
        return;
    if (!ViewWindow(TAfficheur::kPerspectiva)) {
        Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
            QStringLiteral("Debe usted activar la perspectiva para exportar VRML."), Buttons::Ok);
        return;
    }
    if (!m_massif->Computed)
        m_massif->PlaceAllStations();
    TExport_VRML dialog(*m_massif, m_relief, MassifFolder(), this);
    dialog.exec();
}

void TMainWindow::ImportToporobotCommand()
{
    if (!m_massif)
        return;
    const QString name = Prompt().OpenFileName(
        QStringLiteral("Importar"), QString(), QString::fromUtf8(kToporobotFilter) + QStringLiteral(";;*"));
    if (name.isEmpty())
        return;
    m_computation->Stop(); // the sheets join the massif only with no computation reading it
    TToporobotReport report;
    {
        WaitCursor wait;
        TPromptReporter reporter;
        report = ImportToporobot(ToUtf8(name), *m_massif, &reporter, m_progressSink.get());
    }
    m_status->clear();
    const std::string adapted = report.Adapted();
    if (!adapted.empty())
        Prompt().Ask(MessageKind::Information, QStringLiteral("Toporobot"),
            QStringLiteral("%1 fichas importadas.\n").arg(report.Sheets) + ToQString(adapted), Buttons::Ok);
    MassifChanged(Change::Data);
}

void TMainWindow::ExportToporobotCommand()
{
    if (!m_massif)
        return;
    if (m_massif->References.empty()) {
        Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
            QString::fromUtf8(kNoReferenceExportText), Buttons::Ok);
        return;
    }
    const QString name = ChooseExportFile(QStringLiteral("Exportar"), MassifFolder(),
        QString::fromUtf8(kToporobotFilter), QStringLiteral("Tab"));
    if (name.isEmpty())
        return;
    {
        WaitCursor wait;
        WriteFileSafely(ToUtf8(name), ToporobotText(*m_massif));
    }
    Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"), QString::fromUtf8(kExportDoneText),
        Buttons::Ok);
}

void TMainWindow::ImportSurveyCommand(Cmd format)
{
    if (!m_massif)
        return;
    struct Reader
    {
        Cmd Format;
        const char* Title;
        const char* Filter;
        survey::TImportReport (*Import)(
            const std::string&, TMassif&, std::vector<survey::TNameRow>*, IProgress*);
    };
    static const Reader kReaders[] = {
        { Cmd::ImportSurvex, "Survex", kSurvexFilter, ImportSurvex },
        { Cmd::ImportCompass, "Compass", kCompassFilter, ImportCompass },
        { Cmd::ImportWalls, "Walls", kWallsFilter, ImportWalls },
    };
    const Reader* reader = nullptr;
    for (const Reader& r : kReaders)
        if (r.Format == format)
            reader = &r;
    const QString name = Prompt().OpenFileName(
        QStringLiteral("Importar"), QString(), QString::fromUtf8(reader->Filter) + QStringLiteral(";;*"));
    if (name.isEmpty())
        return;
    m_computation->Stop(); // the sheets join the massif only with no computation reading it
    survey::TImportReport report;
    {
        WaitCursor wait;
        report = reader->Import(ToUtf8(name), *m_massif, nullptr, m_progressSink.get());
    }
    m_status->clear();
    const QString imported
        = QStringLiteral("%1 fichas, %2 galerías y %3 visuales importadas; desarrollo %4 m.")
              .arg(report.Sheets)
              .arg(report.Galleries)
              .arg(report.Shots)
              .arg(ToQString(FormatFixed(report.Development, 2)));
    const std::string adapted = report.AdaptedText();
    Prompt().Ask(MessageKind::Information, QString::fromUtf8(reader->Title),
        adapted.empty() ? imported : imported + QStringLiteral("\n") + ToQString(adapted), Buttons::Ok);
    MassifChanged(Change::Data);
}

void TMainWindow::ScreeningCommand()
{
    if (!m_massif)
        return;
    if (m_computation->Running()) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            QStringLiteral("Espere al final del cálculo para buscar los errores de cierre."), Buttons::Ok);
        return;
    }
    // On the dialog's thread: the sheets are reduced as they are read, imported or validated, and
    // nothing writes the massif while the modal dialog is up.
    TMassif* massif = m_massif.get();
    auto run = [massif](const std::atomic<bool>* stop) { return Screen(*massif, TInstrumentErrors(), stop); };
    auto open = [this](const TSuspect& suspect) {
        TFiche* sheet = nullptr;
        for (const auto& s : m_massif->Sheets)
            if (s->Ordre == suspect.Where.Ordre)
                sheet = s.get();
        if (!sheet)
            return;
        const bool length = suspect.Kind == SuspectKind::Length
            || (suspect.Kind == SuspectKind::Digits && suspect.Correction.rfind("longitud", 0) == 0);
        const std::int16_t code = length               ? kColLength
            : suspect.Kind == SuspectKind::Inclination ? kColInclination
                                                       : kColAzimuth;
        OpenSheetEditor(sheet, nullptr, nullptr,
            [&](TMultPageDlg& editor) { editor.ShowShot(suspect.Where.Gallery, suspect.Shot, code); });
    };
    TScreeningDialog dialog(run, open, this);
    dialog.exec();
}

void TMainWindow::ExportSurvexCommand()
{
    if (!m_massif)
        return;
    const QString name = ChooseExportFile(
        QStringLiteral("Exportar"), MassifFolder(), QString::fromUtf8(kSurvexFilter), QStringLiteral("svx"));
    if (name.isEmpty())
        return;
    {
        WaitCursor wait;
        WriteFileSafely(ToUtf8(name), SurvexText(*m_massif));
    }
    Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"), QString::fromUtf8(kExportDoneText),
        Buttons::Ok);
}

void TMainWindow::NewElementCommand()
{
    TWizardHost host;
    host.Massif = [this] { return m_massif.get(); };
    host.CloseMassif = [this] {
        if (!AskSave(true))
            return false;
        CloseMassif();
        return true;
    };
    host.NewMassif = [this] { OpenMassif(QString()); };
    host.OpenMassif = [this] {
        const std::string name = m_files->ChooseMassif();
        if (name.empty())
            return false;
        OpenMassif(ToQString(name));
        return true;
    };
    host.NameMassif = [this] { return SaveAsCommand(); };
    host.Declinations = [this] { DeclinationsCommand(); };
    host.References = [this] { ReferencePointsCommand(); };
    host.Changed = [this] { MassifChanged(Change::Appearance); };
    TNouveaute wizard(host, this);
    wizard.exec();
    // The editor comes once the wizard has gone, on a sheet filled in with the chosen texts.
    if (const auto& texts = wizard.EditorTexts(); texts && m_massif) {
        TFolder folder;
        folder.Level = 4;
        folder.Path = *texts;
        OpenSheetEditor(nullptr, nullptr, &folder);
    }
}

void TMainWindow::StatisticsCommand()
{
    if (!m_massif)
        return;
    if (!m_massif->Computed)
        m_massif->PlaceAllStations();
    TStatisticsDialog dialog(m_massif->CurrentSheets(), this);
    dialog.exec();
}

void TMainWindow::IsolateSheetsCommand()
{
    if (!m_massif || m_computation->Running())
        return;
    m_massif->EndSelection();
    const auto found = FindSheets(m_massif->CurrentSheets(), this);
    if (found) {
        m_massif->Isolate(*found);
        m_status->setText(QStringLiteral("Selección"));
    }
    Refresh();
}

void TMainWindow::FindSheetCommand()
{
    if (!m_massif)
        return;
    const auto sheets = m_massif->CurrentSheets();
    if (sheets.empty()) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"), QStringLiteral("No tiene fichas"),
            Buttons::Ok);
        return;
    }
    if (!m_massif->Computed)
        m_massif->PlaceAllStations(); // the graphical preview needs the stations
    if (const auto choice = FindSheet(sheets, this))
        OpenSheetEditor(choice->Sheet);
}

void TMainWindow::RemoveAllElevationsCommand()
{
    if (!m_massif
        || Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
               QStringLiteral("Eliminar todos los alzados ?"), Buttons::YesNo)
            != Answer::Yes)
        return;
    TPromptReporter reporter;
    TElevation(*m_massif).SupprimerCoupes(&reporter);
    MassifChanged(Change::Appearance);
}

bool TMainWindow::TableOptionsCommand()
{
    // The reference point may be taken from the gallery selected in the active view.
    const TGalerie* selected = nullptr;
    if (const TAfficheur* view = ActiveView(); view && m_massif && view->Point != 0) {
        const auto sheets = m_massif->CurrentSheets();
        if (view->Fiche >= 0 && static_cast<std::size_t>(view->Fiche) < sheets.size()) {
            const TFiche& sheet = *sheets[static_cast<std::size_t>(view->Fiche)];
            if (view->Galerie >= 0 && static_cast<std::size_t>(view->Galerie) < sheet.Galeries.size())
                selected = sheet.Galeries[static_cast<std::size_t>(view->Galerie)].get();
        }
    }
    if (!EditerTableau(m_tableau, selected, this))
        return false;
    LayoutViews();
    return true;
}

bool TMainWindow::ElevationOptionsCommand()
{
    if (!EditerCoupe(m_coupe, this))
        return false;
    LayoutViews();
    return true;
}

bool TMainWindow::PerspectiveOptionsCommand()
{
    // The open perspective's angles go in and the confirmed angles come back to it.
    TAfficheur* window = ViewWindow(TAfficheur::kPerspectiva);
    if (window) {
        m_relief.Angle_Horizontal = window->Perspective()->Azimut;
        m_relief.Angle_Vertical = window->Perspective()->Inclinaison;
    }
    if (!EditerRelief(m_relief, this))
        return false;
    if (window) {
        TPerspective& perspective = *window->Perspective();
        perspective.Tourner(m_relief.Angle_Horizontal - perspective.Azimut,
            m_relief.Angle_Vertical - perspective.Inclinaison);
    }
    LayoutViews();
    return true;
}

bool TMainWindow::PlanOptionsCommand()
{
    // The open plan's rotation goes in and the confirmed angle comes back to it.
    if (TAfficheur* plan = PlanWindow())
        m_plan.Angle = plan->Plan()->Angle;
    if (!EditerPlan(m_plan, this))
        return false;
    PlanOptionsApplied();
    return true;
}

} // namespace ks
