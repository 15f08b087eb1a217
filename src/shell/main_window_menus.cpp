// The main window's menus and tool bars, built from the command table, and the slot of each
// command.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "bridge/qt_text.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "model/version.h"
#include "options/ui/option_dialogs.h"
#include "ui/help.h"
#include "ui/prompt.h"
#include "window/afficheur.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

namespace ks {

namespace {

// The program, its version, Qt's version, and where the bundled sample comes from.
QString AboutText()
{
    return QStringLiteral("Karstelle %1\nTopografía de cavidades\n\nQt %2\n\n"
                          "La cavidad de ejemplo (data/samples/sample.mas) es inventada: la genera el "
                          "propio proyecto.")
        .arg(QString::fromUtf8(kVersion), QString::fromUtf8(qVersion()));
}

// Opens the project's web page or a new mail to it; with none given to the build, says so.
void OpenAddress(const char* address, const QString& kind, const QString& scheme)
{
    const QString text = QString::fromUtf8(address);
    if (text.isEmpty()) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            QStringLiteral("Esta copia de Karstelle no tiene ninguna dirección %1.").arg(kind), Buttons::Ok);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl(scheme + text)))
        Prompt().Error(QStringLiteral("No se puede abrir %1").arg(text));
}

} // namespace

QAction* TMainWindow::Action(Cmd id) const
{
    return m_commands.at(static_cast<std::size_t>(id));
}

QAction* TMainWindow::Action(const QString& name) const
{
    const std::string wanted = ToUtf8(name);
    for (std::size_t i = 0; i < m_commands.size(); ++i)
        if (CommandName(static_cast<Cmd>(i)) == wanted)
            return m_commands[i];
    return nullptr;
}

void TMainWindow::CreateCommands()
{
    std::map<Cmd, QMenu*> menus;
    for (const TCommandInfo& row : CommandTable()) {
        QMenu* parent = row.Parent == Cmd::Count ? nullptr : menus.at(row.Parent);
        const QString caption = QString::fromUtf8(row.Caption);
        QAction* action = nullptr;
        switch (row.Kind) {
        case CmdKind::Separator:
            parent->addSeparator();
            continue;
        case CmdKind::Menu: {
            QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
            menus[row.Id] = menu;
            action = menu->menuAction();
            break;
        }
        case CmdKind::Command:
        case CmdKind::Toggle:
        case CmdKind::Tool:
            action = parent ? parent->addAction(caption) : new QAction(caption, this);
            action->setCheckable(row.Kind == CmdKind::Toggle);
            if (row.Shortcut)
                action->setShortcut(QKeySequence(QString::fromUtf8(row.Shortcut)));
            break;
        }
        action->setObjectName(ToQString(CommandName(row.Id)));
        action->setEnabled(IsEnabled(row.Enabled, TCommandState {}));
        m_commands.at(static_cast<std::size_t>(row.Id)) = action;
    }
    // The recent files follow the separator before the first of them; the open windows follow
    // the last line of "&Ventanas".
    const QList<QAction*> massif = Action(Cmd::MassifMenu)->menu()->actions();
    m_recentSeparator = massif.at(massif.indexOf(Action(Cmd::Recent1)) - 1);
    m_windowsSeparator = Action(Cmd::WindowsMenu)->menu()->actions().back();
}

void TMainWindow::On(Cmd id, const std::function<void()>& command)
{
    connect(Action(id), &QAction::triggered, this, Guard(command));
}

void TMainWindow::RouteToView(Cmd id, const std::function<void(TAfficheur&)>& command)
{
    On(id, [this, command] {
        if (TAfficheur* view = ActiveView())
            command(*view);
    });
}

void TMainWindow::BuildMenus()
{
    CreateCommands();
    BindMassifMenu();
    BindEditMenu();
    BindShowMenu();
    BindGoAndDataMenus();
    BindViewMenu();
    BindBranchMenu();
    BindFormatMenu();
    BindComputeMenu();
    BindWindowsMenu();
    BindHelpMenu();
}

// The "&Macizo" menu.
void TMainWindow::BindMassifMenu()
{
    On(Cmd::New, [this] { NewElementCommand(); });
    On(Cmd::Open, [this] { OpenCommand(); });
    On(Cmd::Close, [this] { CloseCommand(); });
    On(Cmd::Save, [this] { SaveCommand(); });
    On(Cmd::SaveAs, [this] { SaveAsCommand(); });
    On(Cmd::IsolateSheets, [this] { IsolateSheetsCommand(); });
    On(Cmd::RecoverAll, [this] {
        if (!m_massif)
            return;
        m_massif->EndSelection();
        m_status->clear();
        Refresh();
    });
    const std::pair<Cmd, TEco TFiche::*> levels[]
        = { { Cmd::RecoverSystem, &TFiche::Systeme }, { Cmd::RecoverCave, &TFiche::Cavite },
              { Cmd::RecoverNetwork, &TFiche::Reseau }, { Cmd::RecoverPlace, &TFiche::Lieu } };
    for (const auto& [id, field] : levels)
        On(id, [this, field = field] { Recover(field); });
    On(Cmd::PrinterSetup, [this] {
        if (Prompt().PrinterSetup(*m_printer))
            LayoutViews();
    });
    On(Cmd::PageSetup, [this] { MarginsCommand(); });
    On(Cmd::Preview, [this] { PreviewCommand(); });
    On(Cmd::Print, [this] { PrintCommand(); });
    for (int i = 0; i < 3; ++i)
        On(kRecent[i], [this, i] { OpenRecent(i); });
    On(Cmd::Exit, [this] { close(); });
}

// The "&Edición" menu: the explorer's undo, cut, copy and paste.
void TMainWindow::BindEditMenu()
{
    // The edit commands work on the explorer's list, or its tree when that has the focus or the
    // list has no current entry.
    auto toExplorer = [this](Cmd id, const std::function<void(TExploreur&, bool)>& command) {
        On(id, [this, command] {
            if (TExploreur* explorer = Explorer())
                command(*explorer, explorer->Tree()->hasFocus() || !explorer->List()->currentItem());
        });
    };
    toExplorer(Cmd::Undo, [](TExploreur& e, bool) { e.Undo(); });
    toExplorer(Cmd::Cut, [](TExploreur& e, bool tree) { e.Cut(tree); });
    toExplorer(Cmd::Copy, [](TExploreur& e, bool tree) { e.Copy(tree); });
    toExplorer(Cmd::Paste, [](TExploreur& e, bool tree) { e.Paste(tree); });
}

// The "&Ver" menu: the bars, the explorer's style and its list order.
void TMainWindow::BindShowMenu()
{
    const std::pair<Cmd, bool TSettings::*> toggles[] = { { Cmd::GeneralBar, &TSettings::General },
        { Cmd::ExplorerBar, &TSettings::Explorateur }, { Cmd::ViewsBar, &TSettings::Vues },
        { Cmd::TextLabels, &TSettings::Texte }, { Cmd::StatusBar, &TSettings::Etat } };
    for (const auto& [id, field] : toggles)
        connect(Action(id), &QAction::toggled, this, Guard([this, field = field](bool on) {
            m_settings.*field = on;
            ApplySettings();
        }));
    connect(Action(Cmd::WebStyle), &QAction::toggled, this, Guard([this](bool on) {
        m_settings.Web = on;
        if (TExploreur* explorer = Explorer())
            explorer->SetWebStyle(on);
    }));
    auto* styles = new QActionGroup(this);
    for (int i = 0; i < 4; ++i) {
        styles->addAction(Action(kListStyles[i]));
        On(kListStyles[i], [this, i] {
            m_settings.Style = static_cast<TSettings::Classement>(i);
            if (TExploreur* explorer = Explorer())
                explorer->SetListStyle(i);
        });
    }
}

// The "&Ir a" and "&Datos" menus.
void TMainWindow::BindGoAndDataMenus()
{
    On(Cmd::GoExplorer, [this] { OpenExplorer(); });
    On(Cmd::GoPlan, [this] { OpenPlanWindow(); });
    On(Cmd::GoElevation, [this] { OpenViewWindow(TAfficheur::kAlzado); });
    On(Cmd::GoPerspective, [this] { OpenViewWindow(TAfficheur::kPerspectiva); });
    On(Cmd::GoTable, [this] { OpenViewWindow(TAfficheur::kTabla); });
    On(Cmd::GoStatistics, [this] { StatisticsCommand(); });

    On(Cmd::NewSheet, [this] { OpenSheetEditor(nullptr); });
    On(Cmd::FindSheet, [this] { FindSheetCommand(); });
    On(Cmd::ExportHpgl, [this] { ExportPlotterCommand(); });
    On(Cmd::ExportVrml, [this] { ExportVrmlCommand(); });
    On(Cmd::ImportToporobot, [this] { ImportToporobotCommand(); });
    On(Cmd::ExportToporobot, [this] { ExportToporobotCommand(); });
    for (Cmd format : { Cmd::ImportSurvex, Cmd::ImportCompass, Cmd::ImportWalls })
        On(format, [this, format] { ImportSurveyCommand(format); });
    On(Cmd::ExportSurvex, [this] { ExportSurvexCommand(); });
    On(Cmd::ReferencePoints, [this] { ReferencePointsCommand(); });
    On(Cmd::Declinations, [this] { DeclinationsCommand(); });
}

// The "&Vista" menu, routed to the active view.
void TMainWindow::BindViewMenu()
{
    RouteToView(Cmd::Rotate, [](TAfficheur& v) { v.Rotate(); });
    RouteToView(Cmd::RotateHorizontally, [](TAfficheur& v) { v.RotateHorizontally(); });
    RouteToView(Cmd::Echelle, [](TAfficheur& v) { v.EchelleCommand(); });
    RouteToView(Cmd::Rapport, [](TAfficheur& v) { v.RapportCommand(); });
    // Colouring, isolating and excluding by level work on the shot selected in the view.
    const Cmd colours[] = { Cmd::ColourGallery, Cmd::ColourSheet, Cmd::ColourPlace, Cmd::ColourNetwork,
        Cmd::ColourCave, Cmd::ColourSystem };
    for (int i = 0; i < 6; ++i)
        RouteToView(colours[i], [i](TAfficheur& v) { v.Colour(i); });
    const Cmd isolate[]
        = { Cmd::IsolateSheet, Cmd::IsolatePlace, Cmd::IsolateNetwork, Cmd::IsolateCave, Cmd::IsolateSystem };
    const Cmd exclude[]
        = { Cmd::ExcludeSheet, Cmd::ExcludePlace, Cmd::ExcludeNetwork, Cmd::ExcludeCave, Cmd::ExcludeSystem };
    for (int i = 0; i < 5; ++i) {
        RouteToView(isolate[i], [i](TAfficheur& v) { v.Isolate(i); });
        RouteToView(exclude[i], [i](TAfficheur& v) { v.Exclude(i); });
    }
    RouteToView(Cmd::IsolateScreen, [](TAfficheur& v) { v.Isolate(5); });
    RouteToView(Cmd::WorstDeformation, [](TAfficheur& v) { v.SelectWorstDeformation(); });
    // The table's sheet order, one of three.
    auto* orders = new QActionGroup(this);
    const Cmd sorts[] = { Cmd::SortByEntry, Cmd::SortByDate, Cmd::SortByPlace };
    for (int i = 0; i < 3; ++i) {
        orders->addAction(Action(sorts[i]));
        On(sorts[i], [this, i] {
            m_context.TableOrder = i;
            LayoutViews();
        });
    }
    Action(Cmd::SortByEntry)->setChecked(true);
    // The selected shot changes with no command: the rules are looked at as the menu opens.
    connect(Action(Cmd::ViewMenu)->menu(), &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
}

// The "&Ramal" menu: the developed elevation's branches.
void TMainWindow::BindBranchMenu()
{
    RouteToView(Cmd::BranchNew, [](TAfficheur& v) { v.NewBranch(); });
    RouteToView(Cmd::BranchContinue, [](TAfficheur& v) { v.ContinueBranch(); });
    RouteToView(Cmd::BranchDeepen, [](TAfficheur& v) { v.ElevationAssistant(); });
    RouteToView(Cmd::BranchInvert, [](TAfficheur& v) { v.InvertBranch(); });
    RouteToView(Cmd::BranchMove, [](TAfficheur& v) { v.ShiftBranch(); });
    RouteToView(Cmd::BranchJoin, [](TAfficheur& v) { v.AttachBranch(); });
    RouteToView(Cmd::BranchRemove, [](TAfficheur& v) { v.RemoveBranch(); });
    On(Cmd::BranchRemoveAll, [this] { RemoveAllElevationsCommand(); });
}

// The "Forma&to" menu: the formats of the sheet and the views, and the templates.
void TMainWindow::BindFormatMenu()
{
    On(Cmd::SheetFormat, [this] { EntryPreferencesCommand(); });
    On(Cmd::PlanFormat, [this] { PlanOptionsCommand(); });
    On(Cmd::ElevationFormat, [this] { ElevationOptionsCommand(); });
    On(Cmd::PerspectiveFormat, [this] { PerspectiveOptionsCommand(); });
    On(Cmd::TableFormat, [this] { TableOptionsCommand(); });
    On(Cmd::OpenTemplate, [this] { TemplateCommand(true); });
    On(Cmd::SaveTemplate, [this] { TemplateCommand(false); });
}

// The "&Cálculo" menu.
void TMainWindow::BindComputeMenu()
{
    connect(Action(Cmd::Automatic), &QAction::toggled, this,
        Guard([this](bool on) { m_settings.Automatique = on; }));
    // Lifting the limits takes effect with the next computation, which it requests: a massif that
    // was refused as too large is computed at once.
    connect(Action(Cmd::NoLimits), &QAction::toggled, this, Guard([this](bool on) {
        m_settings.SinLimites = on;
        m_computation->Flags().Unlimited = on;
        if (on && m_massif && m_computation->RefusedForSize())
            m_computation->RequestAutomatic();
    }));
    On(Cmd::Detailed, [this] { m_computation->RequestDetailed(); });
    On(Cmd::Screening, [this] { ScreeningCommand(); });
    On(Cmd::Fast, [this] { m_computation->RequestFast(); });
    On(Cmd::Interrupt, [this] { m_computation->Stop(); });
}

// The "&Ventanas" menu.
void TMainWindow::BindWindowsMenu()
{
    connect(Action(Cmd::Tile), &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    connect(Action(Cmd::Cascade), &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    On(Cmd::ArrangeIcons, [this] { ArrangeIcons(); });
    QMenu* windows = Action(Cmd::WindowsMenu)->menu();
    connect(windows, &QMenu::aboutToShow, this, [this, windows] {
        UpdateCommands();
        ListWindows(windows);
    });
}

// The "?" menu.
void TMainWindow::BindHelpMenu()
{
    // F1 shows in the menu but is the help key of every window, which opens the topic of the
    // window that has the keyboard; the menu item opens the contents.
    Action(Cmd::Help)->setShortcutContext(Qt::WidgetShortcut);
    On(Cmd::Help, [] { ShowHelp(HelpTopic::Contents); });
    On(Cmd::About, [] {
        Prompt().Ask(
            MessageKind::Information, QStringLiteral("Acerca de Karstelle"), AboutText(), Buttons::Ok);
    });
    On(Cmd::Contribution, [] {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Contribución"),
            QStringLiteral(
                "Karstelle se hace con los espeleólogos que lo usan: envíe sus comentarios, sus fallos "
                "encontrados y sus topografías de prueba al equipo del proyecto."),
            Buttons::Ok);
    });
    On(Cmd::Web, [] { OpenAddress(kWebAddress, QStringLiteral("web"), QString()); });
    On(Cmd::Mail, [] { OpenAddress(kMailAddress, QStringLiteral("de correo"), QStringLiteral("mailto:")); });
    On(Cmd::Hints, [this] {
        HideViewHints(); // the next hint follows the new options
        EditerSugerencias(m_context.Hints, this);
    });
}

void TMainWindow::BuildToolBars()
{
    QStyle* s = style();
    auto add = [this, s](QToolBar* bar, Cmd id, QStyle::StandardPixmap icon) {
        QAction* action = Action(id);
        action->setIcon(s->standardIcon(icon));
        bar->addAction(action);
    };
    // An icon of the desktop's theme, or the application's own of the same name.
    auto themed = [](QToolBar* bar, QAction* action, const char* name) {
        const QString icon = QString::fromLatin1(name);
        action->setIcon(QIcon::fromTheme(icon, QIcon(QStringLiteral(":/icons/%1.svg").arg(icon))));
        bar->addAction(action);
    };

    m_general = addToolBar(QStringLiteral("General"));
    m_general->setObjectName(QStringLiteral("BarreGenerale"));
    add(m_general, Cmd::New, QStyle::SP_FileIcon);
    add(m_general, Cmd::Open, QStyle::SP_DialogOpenButton);
    add(m_general, Cmd::Save, QStyle::SP_DialogSaveButton);
    themed(m_general, Action(Cmd::Print), "document-print");
    themed(m_general, Action(Cmd::Preview), "document-print-preview");
    add(m_general, Cmd::Calculate, QStyle::SP_BrowserReload);
    Action(Cmd::Calculate)->setToolTip(QStringLiteral("Cálculo de coordenadas"));
    On(Cmd::Calculate, [this] { m_computation->RequestFast(); });
    add(m_general, Cmd::Stop, QStyle::SP_BrowserStop);
    On(Cmd::Stop, [this] { m_computation->Stop(); });

    m_explorer = addToolBar(QStringLiteral("Explorador"));
    m_explorer->setObjectName(QStringLiteral("BarreExplorateur"));
    themed(m_explorer, Action(Cmd::Cut), "edit-cut");
    themed(m_explorer, Action(Cmd::Copy), "edit-copy");
    themed(m_explorer, Action(Cmd::Paste), "edit-paste");
    themed(m_explorer, Action(Cmd::Undo), "edit-undo");
    const std::tuple<Cmd, QStyle::StandardPixmap, void (TExploreur::*)()> navigation[]
        = { { Cmd::Back, QStyle::SP_ArrowBack, &TExploreur::Back },
              { Cmd::Forward, QStyle::SP_ArrowForward, &TExploreur::Forward },
              { Cmd::Up, QStyle::SP_ArrowUp, &TExploreur::Up } };
    for (const auto& [id, icon, command] : navigation) {
        add(m_explorer, id, icon);
        On(id, [this, command = command] {
            if (TExploreur* explorer = Explorer())
                (explorer->*command)();
        });
    }

    m_views = addToolBar(QStringLiteral("Vistas"));
    m_views->setObjectName(QStringLiteral("BarreVues"));
    add(m_views, Cmd::GoExplorer, QStyle::SP_DirIcon);
    add(m_views, Cmd::GoPlan, QStyle::SP_ComputerIcon);
    add(m_views, Cmd::GoElevation, QStyle::SP_DriveHDIcon);
    add(m_views, Cmd::GoPerspective, QStyle::SP_DesktopIcon);
    add(m_views, Cmd::GoTable, QStyle::SP_FileDialogListView);
    m_views->addSeparator();
    m_echelleBox = new QLineEdit(this);
    m_echelleBox->setObjectName(QStringLiteral("Echelle"));
    m_echelleBox->setMaximumWidth(80);
    m_echelleBox->setToolTip(QStringLiteral("Escala 1/n"));
    m_echelleBox->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_echelleBox));
    connect(m_echelleBox, &QLineEdit::textEdited, this, [this] { m_echelleTyped = true; });
    connect(m_echelleBox, &QLineEdit::returnPressed, this, [this] { ApplyEchelleBox(); });
    connect(m_echelleBox, &QLineEdit::editingFinished, this, [this] {
        if (m_echelleTyped)
            ApplyEchelleBox();
    });
    m_views->addWidget(new QLabel(QStringLiteral(" 1/"), this));
    m_views->addWidget(m_echelleBox);
    m_rapportBox = new QComboBox(this);
    m_rapportBox->setObjectName(QStringLiteral("Pourcentage"));
    for (int p : { 10, 25, 50, 100, 200, 400 })
        m_rapportBox->addItem(QStringLiteral("%1%").arg(p), p);
    m_rapportBox->setCurrentIndex(3);
    connect(m_rapportBox, &QComboBox::activated, this, [this](int index) {
        if (TAfficheur* view = ActiveView())
            view->ApplyRapport(m_rapportBox->itemData(index).toInt() * 0.01);
    });
    m_views->addWidget(m_rapportBox);
    auto* modes = new QActionGroup(this);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const std::pair<Cmd, const char*> modeButtons[] = { { Cmd::RotationMode, "object-rotate-right" },
        { Cmd::ZoomMode, "zoom-in" }, { Cmd::ColourMode, "color-fill" },
        { Cmd::DeformationMode, "dialog-warning" }, { Cmd::MisclosureMode, "view-statistics" } };
    for (const auto& [id, icon] : modeButtons) {
        const QString name = QString::fromLatin1(icon);
        const QIcon fallback = id == Cmd::DeformationMode ? s->standardIcon(QStyle::SP_MessageBoxWarning)
            : id == Cmd::MisclosureMode                   ? s->standardIcon(QStyle::SP_FileDialogDetailedView)
                                                          : QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
        QAction* action = Action(id);
        action->setIcon(QIcon::fromTheme(name, fallback));
        modes->addAction(action);
        m_views->addAction(action);
        connect(action, &QAction::toggled, this, Guard([this] {
            UpdateMisclosure();
            if (TAfficheur* view = ActiveView())
                view->Layout();
        }));
    }
}

} // namespace ks
