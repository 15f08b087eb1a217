#include "shell/main_window.h"

#include "compute/reduction.h"
#include "compute/ui/declination_dialog.h"
#include "compute/ui/reference_dialog.h"
#include "entry/ui/entry_dialogs.h"
#include "entry/ui/sheet_editor.h"
#include "explorer/ui/explorer.h"
#include "model/file_error.h"
#include "model/file_io.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "ui/cursors.h"
#include "ui/prompt.h"
#include "views/plan.h"
#include "views/ui/option_dialogs.h"
#include "window/afficheur.h"
#include "window/printing.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <filesystem>
#include <type_traits>

namespace ks {

namespace {

QString Stripped(const QString& caption)
{
    QString name = caption;
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QStringLiteral(" ...")))
        name.chop(4);
    return name.trimmed();
}

// A slot that runs its command inside the application's guard.
// Signal arguments the command does not take are left out.
template <typename F> auto Guard(F command)
{
    return [command](auto... arguments) -> void {
        Guarded([&] {
            if constexpr (std::is_invocable_v<F, decltype(arguments)...>)
                command(arguments...);
            else
                command();
        });
    };
}

// The printer's page in millimetres: its printable area, inside which the margins lie.
QSizeF PageMm(const QPrinter& printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Millimeter).size();
}

QString BaseName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// The wait cursor for the time of a long operation.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// Loading and saving report to the status bar's first panel and its progress bar.
class TMainWindow::Progress : public IProgress
{
public:
    explicit Progress(TMainWindow& window)
        : m_window(window)
    { }
    void ShowProgress(bool visible) override { m_window.m_progress->setVisible(visible); }
    void SetProgress(int percent) override
    {
        m_window.m_progress->setRange(0, 100);
        m_window.m_progress->setValue(percent);
    }
    void SetStatus(const std::string& text) override
    {
        m_window.m_status->setText(QString::fromStdString(text));
    }
    // Only the progress is shown again: no event, timer or queued call may run while the massif
    // is read or written, since any of them could change or close it under the reader or writer.
    void ProcessEvents() override
    {
        m_window.m_status->repaint();
        m_window.m_progress->repaint();
    }

private:
    TMainWindow& m_window;
};

// For the time of a job that runs its own event loop (printing, the preview): the massif and the
// views stay as they are, so no computation starts or ends, and no drop or close is served.
class TMainWindow::Busy
{
public:
    explicit Busy(TMainWindow& window)
        : m_window(window)
    {
        ++m_window.m_busy;
        m_window.m_computation->Hold();
    }
    ~Busy()
    {
        m_window.m_computation->Release();
        --m_window.m_busy;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    TMainWindow& m_window;
};

TMainWindow::TMainWindow(const QString& settingsFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_settingsFolder(settingsFolder)
{
    setWindowTitle(QStringLiteral("Karstelle"));
    setAcceptDrops(true);
    LoadCursors();
    m_mdi = new QMdiArea(this);
    setCentralWidget(m_mdi);
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

    m_computation = std::make_unique<TComputeController>([this] { return m_massif.get(); });
    m_computation->OnBusy = [this](bool busy) {
        m_actions.at(QStringLiteral("Detener"))->setEnabled(busy);
        m_actions.at(QStringLiteral("Interrumpir"))->setEnabled(busy);
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
    return MassifName(fileName.toStdString()) + QStringLiteral(" - Karstelle");
}

QString TMainWindow::OptionPath(const char* file) const
{
    return m_settingsFolder + QLatin1Char('/') + QLatin1String(file);
}

QAction* TMainWindow::Action(const QString& name) const
{
    auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction* TMainWindow::Command(QMenu* menu, const QString& caption, const QKeySequence& shortcut, bool enabled)
{
    auto* action = menu->addAction(caption);
    QString name = Stripped(caption);
    if (m_actions.count(name))
        name = Stripped(menu->title()) + QLatin1Char('/') + name;
    action->setObjectName(name);
    action->setShortcut(shortcut);
    action->setEnabled(enabled);
    m_actions[name] = action;
    return action;
}

void TMainWindow::BuildMenus()
{
    QMenuBar* bar = menuBar();
    QMenu* massif = bar->addMenu(QStringLiteral("&Macizo"));
    Command(massif, QStringLiteral("&Nuevo ..."), QKeySequence(QStringLiteral("Ctrl+N")), false);
    connect(Command(massif, QStringLiteral("&Abrir ..."), QKeySequence(QStringLiteral("Ctrl+O"))),
        &QAction::triggered, this, Guard([this] { OpenCommand(); }));
    connect(Command(massif, QStringLiteral("&Cerrar")), &QAction::triggered, this,
        Guard([this] { CloseCommand(); }));
    connect(Command(massif, QStringLiteral("&Guardar"), QKeySequence(QStringLiteral("Ctrl+S"))),
        &QAction::triggered, this, Guard([this] { SaveCommand(); }));
    connect(Command(massif, QStringLiteral("G&uardar como ...")), &QAction::triggered, this,
        Guard([this] { SaveAsCommand(); }));
    massif->addSeparator();
    Command(massif, QStringLiteral("Ais&lar ..."), {}, false);
    QMenu* recover = massif->addMenu(QStringLiteral("&Recuperar"));
    recover->menuAction()->setObjectName(QStringLiteral("Recuperar"));
    m_actions[QStringLiteral("Recuperar")] = recover->menuAction();
    connect(Command(recover, QStringLiteral("&Todo")), &QAction::triggered, this, Guard([this] {
        if (!m_massif)
            return;
        m_massif->Selection.reset();
        m_massif->SelectionActive = false;
        m_status->clear();
        SelectionRefreshed();
    }));
    const std::pair<const char*, TEco TFiche::*> levels[] = { { "&Sistema", &TFiche::Systeme },
        { "Ca&vidad", &TFiche::Cavite }, { "Re&d", &TFiche::Reseau }, { "&Lugar", &TFiche::Lieu } };
    for (const auto& [caption, field] : levels)
        connect(Command(recover, QString::fromUtf8(caption)), &QAction::triggered, this,
            Guard([this, field = field] { Recover(field); }));
    massif->addSeparator();
    Command(massif, QStringLiteral("C&onfigurar impresora ..."), {}, false);
    connect(Command(massif, QStringLiteral("A&justar página ...")), &QAction::triggered, this,
        Guard([this] { MarginsCommand(); }));
    connect(Command(massif, QStringLiteral("Vista pr&e-impresión ..."), {}, false), &QAction::triggered, this,
        Guard([this] { PreviewCommand(); }));
    connect(Command(massif, QStringLiteral("Im&primir ..."), QKeySequence(QStringLiteral("Ctrl+P")), false),
        &QAction::triggered, this, Guard([this] { PrintCommand(); }));
    m_recentSeparator = massif->addSeparator();
    for (int i = 0; i < 3; ++i) {
        m_recent[i] = Command(massif, QStringLiteral("&%1").arg(i + 1));
        connect(m_recent[i], &QAction::triggered, this, Guard([this, i] { OpenRecent(i); }));
    }
    massif->addSeparator();
    connect(Command(massif, QStringLiteral("Sal&ir")), &QAction::triggered, this, Guard([this] { close(); }));

    QMenu* edit = bar->addMenu(QStringLiteral("&Edición"));
    // The edit commands work on the explorer's list, or its tree when that has the focus or the
    // list has no current entry.
    auto toExplorer = [this](const std::function<void(TExploreur&, bool)>& command) {
        return [this, command] {
            if (TExploreur* explorer = Explorer())
                command(*explorer, explorer->Tree()->hasFocus() || !explorer->List()->currentItem());
        };
    };
    connect(Command(edit, QStringLiteral("&Deschacer"), QKeySequence(QStringLiteral("Ctrl+Z")), false),
        &QAction::triggered, this, Guard(toExplorer([](TExploreur& e, bool) { e.Undo(); })));
    connect(Command(edit, QStringLiteral("&Cortar"), QKeySequence(QStringLiteral("Ctrl+X")), false),
        &QAction::triggered, this, Guard(toExplorer([](TExploreur& e, bool tree) { e.Cut(tree); })));
    connect(Command(edit, QStringLiteral("C&opiar"), QKeySequence(QStringLiteral("Ctrl+C")), false),
        &QAction::triggered, this, Guard(toExplorer([](TExploreur& e, bool tree) { e.Copy(tree); })));
    connect(Command(edit, QStringLiteral("&Pegar"), QKeySequence(QStringLiteral("Ctrl+V")), false),
        &QAction::triggered, this, Guard(toExplorer([](TExploreur& e, bool tree) { e.Paste(tree); })));

    QMenu* view = bar->addMenu(QStringLiteral("&Ver"));
    QMenu* toolbars = view->addMenu(QStringLiteral("Barra de &herramientas"));
    const std::pair<const char*, bool TSettings::*> toggles[]
        = { { "&General", &TSettings::General }, { "&Explorador", &TSettings::Explorateur },
              { "V&istas", &TSettings::Vues }, { "E&tiquetas de texto", &TSettings::Texte } };
    for (const auto& [caption, field] : toggles) {
        QAction* action = Command(toolbars, QString::fromUtf8(caption));
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, Guard([this, field = field](bool on) {
            m_settings.*field = on;
            ApplySettings();
        }));
    }
    QAction* statusAction = Command(view, QStringLiteral("&Barra de estado"));
    statusAction->setCheckable(true);
    connect(statusAction, &QAction::toggled, this, Guard([this](bool on) {
        m_settings.Etat = on;
        ApplySettings();
    }));
    QAction* web = Command(view, QStringLiteral("Como una página &Web"));
    web->setCheckable(true);
    connect(web, &QAction::toggled, this, Guard([this](bool on) {
        m_settings.Web = on;
        if (TExploreur* explorer = Explorer())
            explorer->SetWebStyle(on);
    }));
    view->addSeparator();
    auto* styles = new QActionGroup(this);
    const char* styleCaptions[] = { "Iconos g&randes", "Iconos pe&queños", "&Lista", "&Detalle" };
    for (int i = 0; i < 4; ++i) {
        QAction* action = Command(view, QString::fromUtf8(styleCaptions[i]));
        action->setCheckable(true);
        styles->addAction(action);
        connect(action, &QAction::triggered, this, Guard([this, i] {
            m_settings.Style = static_cast<TSettings::Classement>(i);
            if (TExploreur* explorer = Explorer())
                explorer->SetListStyle(i);
        }));
    }

    QMenu* go = bar->addMenu(QStringLiteral("&Ir a"));
    connect(Command(go, QStringLiteral("&Explorador"), {}, false), &QAction::triggered, this,
        Guard([this] { OpenExplorer(); }));
    connect(Command(go, QStringLiteral("&Planta"), {}, false), &QAction::triggered, this,
        Guard([this] { OpenPlanWindow(); }));
    for (const char* caption : { "&Alzado", "Pe&rspectiva", "&Tabla", "E&stadísticas ..." })
        Command(go, QString::fromUtf8(caption), {}, false);

    QMenu* dataMenu = bar->addMenu(QStringLiteral("&Datos"));
    connect(Command(dataMenu, QStringLiteral("&Nueva ficha ...")), &QAction::triggered, this,
        Guard([this] { OpenSheetEditor(nullptr); }));
    Command(dataMenu, QStringLiteral("&Buscar una ficha ..."), QKeySequence(QStringLiteral("Ctrl+F")), false);
    connect(Command(dataMenu, QStringLiteral("&Puntos de referencia ...")), &QAction::triggered, this,
        Guard([this] { ReferencePointsCommand(); }));
    connect(Command(dataMenu, QStringLiteral("D&eclinaciones ...")), &QAction::triggered, this,
        Guard([this] { DeclinationsCommand(); }));
    QMenu* import = dataMenu->addMenu(QStringLiteral("&Importar"));
    Command(import, QStringLiteral("&Toporobot ..."), {}, false);
    QMenu* exportMenu = dataMenu->addMenu(QStringLiteral("&Exportar"));
    Command(exportMenu, QStringLiteral("&Toporobot ..."), {}, false);
    Command(exportMenu, QStringLiteral("&VRML ..."), {}, false);
    Command(exportMenu, QStringLiteral("&HPGL ..."), {}, false);
    m_actions[QStringLiteral("Datos")] = dataMenu->menuAction();

    QMenu* viewMenu = bar->addMenu(QStringLiteral("&Vista"));
    m_actions[QStringLiteral("Vista")] = viewMenu->menuAction();
    RouteToView(viewMenu, QStringLiteral("&Rotar ..."), [](TAfficheur& v) { v.Rotate(); });
    Command(viewMenu, QStringLiteral("Rotar &horizontalmente ..."), {}, false); // the perspective's
    RouteToView(viewMenu, QStringLiteral("&Escala ..."), [](TAfficheur& v) { v.EscalaCommand(); });
    RouteToView(viewMenu, QStringLiteral("&Porcentaje ..."), [](TAfficheur& v) { v.PorcentajeCommand(); });
    const char* viewLevels[] = { "F&icha", "&Lugar", "Re&d", "Ca&vidad", "&Sistema" };
    // Colouring, isolating and excluding by level work on the shot selected in the view: they
    // are enabled as the menu opens, when there is one.
    QMenu* colour = viewMenu->addMenu(QStringLiteral("C&olor"));
    const char* colours[]
        = { "&Galería ...", "&Ficha ...", "&Lugar ...", "&Red ...", "&Cavidad ...", "&Sistema ..." };
    for (int i = 0; i < 6; ++i)
        m_onSelection.push_back(
            RouteToView(colour, QString::fromUtf8(colours[i]), [i](TAfficheur& v) { v.Colorer(i); }));
    QMenu* isolate = viewMenu->addMenu(QStringLiteral("Ai&slar"));
    for (int i = 0; i < 5; ++i)
        m_onSelection.push_back(
            RouteToView(isolate, QString::fromUtf8(viewLevels[i]), [i](TAfficheur& v) { v.Isoler(i); }));
    RouteToView(isolate, QStringLiteral("&Pantalla"), [](TAfficheur& v) { v.Isoler(5); });
    QMenu* exclude = viewMenu->addMenu(QStringLiteral("&Excluir"));
    for (int i = 0; i < 5; ++i)
        m_onSelection.push_back(
            RouteToView(exclude, QString::fromUtf8(viewLevels[i]), [i](TAfficheur& v) { v.Exclure(i); }));
    connect(viewMenu, &QMenu::aboutToShow, this, [this] {
        const TAfficheur* active = ActiveView();
        for (QAction* action : m_onSelection)
            action->setEnabled(active && active->Point != 0);
    });
    RouteToView(
        viewMenu, QStringLiteral("&Deformación máxima"), [](TAfficheur& v) { v.DeformationMaximale(); });
    QMenu* sort = viewMenu->addMenu(QStringLiteral("&Ordenar"));
    for (const char* by : { "por orden de &entrada", "por &ubicación", "por &fecha" })
        Command(sort, QString::fromUtf8(by), {}, false);

    QMenu* branch = bar->addMenu(QStringLiteral("&Ramal"));
    m_actions[QStringLiteral("Ramal")] = branch->menuAction();
    for (const char* caption : { "&Nueva ...", "&Continuar ...", "&Approfondir ...", "&Invertir",
             "&Desplazar ...", "Em&palmar", "Re&tirar", "&Eliminar todos los alzados" })
        Command(branch, QString::fromUtf8(caption), {}, false);

    QMenu* format = bar->addMenu(QStringLiteral("Forma&to"));
    Command(format, QStringLiteral("&Sugerencias ..."), {}, false);
    connect(Command(format, QStringLiteral("&Ficha ...")), &QAction::triggered, this,
        Guard([this] { EntryPreferencesCommand(); }));
    connect(Command(format, QStringLiteral("&Planta ...")), &QAction::triggered, this,
        Guard([this] { PlanOptionsCommand(); }));
    Command(format, QStringLiteral("&Alzado ..."), {}, false);
    Command(format, QStringLiteral("P&erspectiva ..."), {}, false);
    Command(format, QStringLiteral("Ta&bla ..."), {}, false);
    connect(Command(format, QStringLiteral("Abrir &modelo ...")), &QAction::triggered, this,
        Guard([this] { TemplateCommand(true); }));
    connect(Command(format, QStringLiteral("&Guardar modelo ...")), &QAction::triggered, this,
        Guard([this] { TemplateCommand(false); }));

    QMenu* compute = bar->addMenu(QStringLiteral("&Cálculo"));
    QAction* automatic = Command(compute, QStringLiteral("&Automático"));
    automatic->setCheckable(true);
    connect(automatic, &QAction::toggled, this, Guard([this](bool on) { m_settings.Automatique = on; }));
    connect(Command(compute, QStringLiteral("&Detallado")), &QAction::triggered, this,
        Guard([this] { m_computation->RequestDetailed(); }));
    connect(Command(compute, QStringLiteral("&Rápido")), &QAction::triggered, this,
        Guard([this] { m_computation->RequestFast(); }));
    connect(Command(compute, QStringLiteral("&Interrumpir"), {}, false), &QAction::triggered, this,
        Guard([this] { m_computation->Stop(); }));

    QMenu* windows = bar->addMenu(QStringLiteral("&Ventanas"));
    connect(
        Command(windows, QStringLiteral("&Mosaico")), &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    connect(Command(windows, QStringLiteral("&Cascada")), &QAction::triggered, m_mdi,
        &QMdiArea::cascadeSubWindows);
    connect(Command(windows, QStringLiteral("&Reorganizar los iconos")), &QAction::triggered, this,
        Guard([this] { ArrangeIcons(); }));
    m_windowsSeparator = windows->addSeparator();
    connect(windows, &QMenu::aboutToShow, this, [this, windows] {
        // Arranging icons needs a minimised window to arrange.
        bool minimised = false;
        for (QMdiSubWindow* window : m_mdi->subWindowList())
            minimised = minimised || window->isMinimized();
        Action(QStringLiteral("Reorganizar los iconos"))->setEnabled(minimised && ActiveView());
        ListWindows(windows);
    });

    QMenu* help = bar->addMenu(QStringLiteral("?"));
    Command(help, QStringLiteral("&Ayuda ..."), {}, false);
    connect(Command(help, QStringLiteral("Acerca &de ...")), &QAction::triggered, this, Guard([] {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Acerca de Karstelle"),
            QStringLiteral("Karstelle\nTopografía de cavidades"), Buttons::Ok);
    }));
    connect(Command(help, QStringLiteral("&Contribución ...")), &QAction::triggered, this, Guard([] {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Contribución"),
            QStringLiteral(
                "Karstelle se hace con los espeleólogos que lo usan: envíe sus comentarios, sus fallos "
                "encontrados y sus topografías de prueba al equipo del proyecto."),
            Buttons::Ok);
    }));
    Command(help, QStringLiteral("&Web ..."), {}, false);
    Command(help, QStringLiteral("&E-mail ..."), {}, false);
}

void TMainWindow::BuildToolBars()
{
    QStyle* s = style();
    m_general = addToolBar(QStringLiteral("General"));
    m_general->setObjectName(QStringLiteral("BarreGenerale"));
    auto add = [](QToolBar* bar, QAction* action, QStyle::StandardPixmap icon) {
        action->setIcon(bar->style()->standardIcon(icon));
        bar->addAction(action);
    };
    // An icon of the desktop's theme, or the application's own of the same name.
    auto themed = [](QToolBar* bar, QAction* action, const char* name) {
        const QString icon = QString::fromLatin1(name);
        action->setIcon(QIcon::fromTheme(icon, QIcon(QStringLiteral(":/icons/%1.svg").arg(icon))));
        bar->addAction(action);
    };
    add(m_general, Action(QStringLiteral("Nuevo")), QStyle::SP_FileIcon);
    add(m_general, Action(QStringLiteral("Abrir")), QStyle::SP_DialogOpenButton);
    add(m_general, Action(QStringLiteral("Guardar")), QStyle::SP_DialogSaveButton);
    themed(m_general, Action(QStringLiteral("Imprimir")), "document-print");
    themed(m_general, Action(QStringLiteral("Vista pre-impresión")), "document-print-preview");
    auto* calculate
        = new QAction(s->standardIcon(QStyle::SP_BrowserReload), QStringLiteral("Calcular"), this);
    calculate->setObjectName(QStringLiteral("Calcular"));
    calculate->setToolTip(QStringLiteral("Cálculo de coordenadas"));
    connect(calculate, &QAction::triggered, this, Guard([this] { m_computation->RequestFast(); }));
    m_actions[QStringLiteral("Calcular")] = calculate;
    m_general->addAction(calculate);
    auto* stop = new QAction(s->standardIcon(QStyle::SP_BrowserStop), QStringLiteral("Detener"), this);
    stop->setObjectName(QStringLiteral("Detener"));
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, this, Guard([this] { m_computation->Stop(); }));
    m_actions[QStringLiteral("Detener")] = stop;
    m_general->addAction(stop);

    m_explorer = addToolBar(QStringLiteral("Explorador"));
    m_explorer->setObjectName(QStringLiteral("BarreExplorateur"));
    themed(m_explorer, Action(QStringLiteral("Cortar")), "edit-cut");
    themed(m_explorer, Action(QStringLiteral("Copiar")), "edit-copy");
    themed(m_explorer, Action(QStringLiteral("Pegar")), "edit-paste");
    themed(m_explorer, Action(QStringLiteral("Deschacer")), "edit-undo");
    const std::tuple<const char*, QStyle::StandardPixmap, void (TExploreur::*)()> navigation[]
        = { { "Anterior", QStyle::SP_ArrowBack, &TExploreur::Back },
              { "Siguiente", QStyle::SP_ArrowForward, &TExploreur::Forward },
              { "Subir un nivel", QStyle::SP_ArrowUp, &TExploreur::Up } };
    for (const auto& [caption, icon, command] : navigation) {
        auto* action = new QAction(s->standardIcon(icon), QString::fromUtf8(caption), this);
        action->setObjectName(QString::fromUtf8(caption));
        connect(action, &QAction::triggered, this, Guard([this, command = command] {
            if (TExploreur* explorer = Explorer())
                (explorer->*command)();
        }));
        m_actions[action->objectName()] = action;
        m_explorer->addAction(action);
    }

    m_views = addToolBar(QStringLiteral("Vistas"));
    m_views->setObjectName(QStringLiteral("BarreVues"));
    add(m_views, Action(QStringLiteral("Ir a/Explorador")), QStyle::SP_DirIcon);
    add(m_views, Action(QStringLiteral("Planta")), QStyle::SP_ComputerIcon);
    add(m_views, Action(QStringLiteral("Alzado")), QStyle::SP_DriveHDIcon);
    add(m_views, Action(QStringLiteral("Perspectiva")), QStyle::SP_DesktopIcon);
    add(m_views, Action(QStringLiteral("Tabla")), QStyle::SP_FileDialogListView);
    m_views->addSeparator();
    m_scaleBox = new QLineEdit(this);
    m_scaleBox->setObjectName(QStringLiteral("Echelle"));
    m_scaleBox->setMaximumWidth(80);
    m_scaleBox->setToolTip(QStringLiteral("Escala 1/n"));
    m_scaleBox->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_scaleBox));
    connect(m_scaleBox, &QLineEdit::textEdited, this, [this] { m_saisie = true; });
    connect(m_scaleBox, &QLineEdit::returnPressed, this, [this] { ApplyScaleBox(); });
    connect(m_scaleBox, &QLineEdit::editingFinished, this, [this] {
        if (m_saisie)
            ApplyScaleBox();
    });
    m_views->addWidget(new QLabel(QStringLiteral(" 1/"), this));
    m_views->addWidget(m_scaleBox);
    m_percentBox = new QComboBox(this);
    m_percentBox->setObjectName(QStringLiteral("Pourcentage"));
    for (int p : { 10, 25, 50, 100, 200, 400 })
        m_percentBox->addItem(QStringLiteral("%1%").arg(p), p);
    m_percentBox->setCurrentIndex(3);
    connect(m_percentBox, &QComboBox::activated, this, [this](int index) {
        if (TAfficheur* view = ActiveView())
            view->ApplyRapport(m_percentBox->itemData(index).toInt() * 0.01);
    });
    m_views->addWidget(m_percentBox);
    auto* modes = new QActionGroup(this);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const std::pair<const char*, const char*> modeButtons[] = { { "Rotación", "object-rotate-right" },
        { "Zoom", "zoom-in" }, { "Color", "color-fill" }, { "Deformaciones", "dialog-warning" } };
    for (const auto& [caption, icon] : modeButtons) {
        const QString name = QString::fromLatin1(icon);
        const QIcon fallback = name == QStringLiteral("dialog-warning")
            ? s->standardIcon(QStyle::SP_MessageBoxWarning)
            : QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
        auto* action = new QAction(QIcon::fromTheme(name, fallback), QString::fromUtf8(caption), this);
        action->setObjectName(QString::fromUtf8(caption));
        action->setCheckable(true);
        modes->addAction(action);
        m_views->addAction(action);
        m_actions[action->objectName()] = action;
        connect(action, &QAction::toggled, this, Guard([this] {
            if (TAfficheur* view = ActiveView())
                view->Layout();
        }));
    }
}

void TMainWindow::ReadOptionsAndSettings()
{
    // Each file on its own: one that cannot be read is reported and leaves its defaults.
    Guarded([this] { Charger(m_marge, OptionPath(kMargeOptionsFile).toStdString()); });
    m_preferences.FileName = OptionPath("OPTIONS.SAI").toStdString();
    Guarded([this] { m_preferences.Load(); });
    Guarded([this] { Charger(m_tableau, OptionPath(kTableauOptionsFile).toStdString()); });
    Guarded([this] { Charger(m_plan, OptionPath(kPlanOptionsFile).toStdString()); });
    Guarded([this] { Charger(m_relief, OptionPath(kReliefOptionsFile).toStdString()); });
    Guarded([this] { Charger(m_coupe, OptionPath(kCoupeOptionsFile).toStdString()); });
    const QString ini = OptionPath(kSettingsFile);
    if (QFile::exists(ini)) {
        Guarded([this, &ini] {
            if (auto error = ReadSettings(ReadWholeFile(ini.toStdString()), m_settings))
                Prompt().Error(QStringLiteral("%1: %2").arg(ini, QString::fromStdString(*error)));
        });
    }
    RefreshRecentMenu();
}

void TMainWindow::ApplySettings()
{
    auto setChecked = [this](const char* name, bool on) {
        QAction* action = Action(QString::fromUtf8(name));
        const QSignalBlocker block(action);
        action->setChecked(on);
    };
    setChecked("General", m_settings.General);
    setChecked("Explorador", m_settings.Explorateur);
    setChecked("Vistas", m_settings.Vues);
    setChecked("Etiquetas de texto", m_settings.Texte);
    setChecked("Barra de estado", m_settings.Etat);
    setChecked("Como una página Web", m_settings.Web);
    setChecked("Automático", m_settings.Automatique);
    // Checked without a signal blocker: the group unticks the other style through that signal.
    const char* styles[] = { "Iconos grandes", "Iconos pequeños", "Lista", "Detalle" };
    Action(QString::fromUtf8(styles[static_cast<int>(m_settings.Style)]))->setChecked(true);
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
    Guarded([this] { WriteFileSafely(OptionPath(kSettingsFile).toStdString(), WriteSettings(m_settings)); });
    Guarded([&] { Enregistrer(m_marge, OptionPath(kMargeOptionsFile).toStdString(), &reporter); });
    Guarded([this] { m_preferences.Save(); });
    Guarded([&] { Enregistrer(m_tableau, OptionPath(kTableauOptionsFile).toStdString(), &reporter); });
    Guarded([&] { Enregistrer(m_plan, OptionPath(kPlanOptionsFile).toStdString(), &reporter); });
    Guarded([&] { Enregistrer(m_relief, OptionPath(kReliefOptionsFile).toStdString(), &reporter); });
    Guarded([&] { Enregistrer(m_coupe, OptionPath(kCoupeOptionsFile).toStdString(), &reporter); });
}

void TMainWindow::UpdateCommands()
{
    const bool open = m_massif != nullptr;
    m_summary->setText(open ? Summary() : QString());
    for (const char* name : { "Guardar", "Guardar como", "Cerrar", "Detallado", "Rápido", "Calcular",
             "Puntos de referencia", "Declinaciones", "Datos" })
        Action(QString::fromUtf8(name))->setEnabled(open);
    const bool viewActive = open && ActiveView() != nullptr;
    for (const char* name : { "Mosaico", "Cascada", "Vista", "Imprimir", "Vista pre-impresión" })
        Action(QString::fromUtf8(name))->setEnabled(viewActive);
    Action(QStringLiteral("Ramal"))->setEnabled(false); // the elevation's
    Action(QStringLiteral("Planta"))->setEnabled(open);
    m_scaleBox->setEnabled(viewActive);
    m_percentBox->setEnabled(viewActive);
    Action(QStringLiteral("Recuperar"))->setEnabled(open && m_massif->SelectionActive);
    m_general->setVisible(m_settings.General);
    m_views->setVisible(open && m_settings.Vues);
    TExploreur* explorer = Explorer();
    const bool explorerShown = open && explorer && !explorer->parentWidget()->isMinimized();
    Action(QStringLiteral("Cortar"))->setEnabled(explorerShown);
    Action(QStringLiteral("Copiar"))->setEnabled(explorerShown);
    Action(QStringLiteral("Pegar"))->setEnabled(explorerShown && explorer->HasClipboard());
    Action(QStringLiteral("Deschacer"))->setEnabled(explorerShown && explorer->Model().CanUndo());
    Action(QStringLiteral("Anterior"))->setEnabled(explorerShown && explorer->CanGoBack());
    Action(QStringLiteral("Siguiente"))->setEnabled(explorerShown && explorer->CanGoForward());
    Action(QStringLiteral("Subir un nivel"))->setEnabled(explorerShown && explorer->CanGoUp());
    Action(QStringLiteral("Ir a/Explorador"))->setEnabled(open);
    m_explorer->setVisible(explorerShown && m_settings.Explorateur);
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
    m_massif->Selection = std::move(sheets);
    m_massif->SortSheets();
    SelectionRefreshed();
}

void TMainWindow::SelectionRefreshed()
{
    m_massif->TableLaidOut = false;
    UpdateCommands();
    LayoutViews();
    if (TExploreur* explorer = Explorer())
        explorer->RequestRebuild();
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

void TMainWindow::AddRecent(const QString& fileName)
{
    m_settings.AddRecent(fileName.toStdString());
    RefreshRecentMenu();
}

void TMainWindow::RefreshRecentMenu()
{
    for (int i = 0; i < 3; ++i) {
        const QString path = QString::fromStdString(m_settings.Recent[static_cast<std::size_t>(i)]);
        m_recent[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(BaseName(path)));
        m_recent[i]->setVisible(!path.isEmpty());
    }
    m_recentSeparator->setVisible(!m_settings.Recent[0].empty());
}

bool TMainWindow::AskSave(bool withCancel)
{
    if (!m_massif || m_massif->Saved)
        return true;
    const QString name = MassifName(m_massif->FileName);
    const Answer answer = Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
        QStringLiteral("¿Desea usted guardar los cambios realizados en %1?").arg(name),
        withCancel ? Buttons::YesNoCancel : Buttons::YesNo);
    if (answer == Answer::Yes)
        return SaveCommand();
    return answer == Answer::No;
}

void TMainWindow::CloseMassif()
{
    m_computation->Discard();
    if (TAfficheur* plan = PlanWindow())
        m_plan.Angle = plan->Plan()->Angle;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->close();
        delete window;
    }
    if (m_massif && !m_massif->FileName.empty() && std::filesystem::exists(m_massif->FileName))
        AddRecent(QString::fromStdString(m_massif->FileName));
    m_massif.reset();
    m_context.Massif = nullptr;
    m_status->clear();
    m_panel1->clear();
    m_noMassif = true;
    setWindowTitle(QStringLiteral("Karstelle"));
    UpdateCommands();
}

void TMainWindow::OpenMassif(const QString& fileName)
{
    CloseMassif();
    m_massif = std::make_unique<TMassif>();
    m_context.Massif = m_massif.get();
    m_massif->FileName = fileName.toStdString();
    if (QFile::exists(fileName)) {
        WaitCursor wait;
        TPromptReporter reporter;
        bool whole = false;
        try {
            whole = m_massif->Load(&reporter, m_progressSink.get()).status == LoadStatus::Loaded;
        } catch (const std::exception& e) {
            Prompt().Error(ErrorText(e) + QStringLiteral("\n\n") + QString::fromUtf8(kPartlyReadText));
        }
        // A massif read only in part keeps no file name: saving it asks for a new one, so that
        // the file it came from is never replaced by a part of itself.
        if (!whole)
            m_massif->FileName.clear();
    }
    m_massif->Saved = true;
    if (m_massif->EditorWork) {
        // The sheet editor comes back on the unfinished sheet saved with the file.
        QTimer::singleShot(0, this, [this] {
            if (!m_massif || !m_massif->EditorWork)
                return;
            const TEditorWork work = *m_massif->EditorWork;
            m_massif->EditorWork.reset();
            OpenSheetEditor(nullptr, &work);
        });
    }
    setWindowTitle(TitleFor(QString::fromStdString(m_massif->FileName)));
    m_noMassif = false;
    OpenExplorer();
    UpdateCommands();
    if (m_settings.Automatique)
        m_computation->RequestAutomatic();
}

void TMainWindow::OpenAtStart(const QString& fileName)
{
    if (!m_massif && !fileName.isEmpty())
        OpenMassif(QFileInfo(fileName).absoluteFilePath());
}

void TMainWindow::OpenCommand()
{
    if (!AskSave(true))
        return;
    const QString name = Prompt().OpenFileName(QStringLiteral("Abrir"), QString(),
        QStringLiteral("(carpeta ficha) *.fic (*.fic);;(macizo texto) *.mas (*.mas)"));
    if (!name.isEmpty())
        OpenMassif(name);
}

bool TMainWindow::SaveCommand()
{
    if (!m_massif)
        return false;
    const QString fileName = QString::fromStdString(m_massif->FileName);
    if (fileName.isEmpty() || !QFile::exists(fileName))
        return SaveAsCommand();
    // The previous file becomes the backup: its name with the last three characters made "BAK".
    // A massif opened from its backup is written without one: the backup is the file itself.
    const QString backup = fileName.left(fileName.size() - 3) + QStringLiteral("BAK");
    const bool keepBackup = backup.compare(fileName, Qt::CaseInsensitive) != 0;
    WaitCursor wait;
    if (keepBackup) {
        QFile::remove(backup);
        if (!QFile::rename(fileName, backup)) {
            Prompt().Error(
                QStringLiteral("%1: no se puede guardar la copia de seguridad %2").arg(fileName, backup));
            return false;
        }
    }
    try {
        m_massif->Save(std::string(), m_progressSink.get());
        m_massif->Saved = true;
        return true;
    } catch (const std::exception& e) {
        // Nothing was written: the file goes back under its own name.
        if (keepBackup)
            QFile::rename(backup, fileName);
        Prompt().Error(ErrorText(e));
        return false;
    }
}

bool TMainWindow::SaveAsCommand()
{
    if (!m_massif)
        return false;
    const QString binary = QStringLiteral("(carpeta ficha) *.fic (*.fic)");
    QString chosen = binary;
    QString name
        = Prompt().SaveFileName(QStringLiteral("Guardar como"), QString::fromStdString(m_massif->FileName),
            binary + QStringLiteral(";;(macizo texto) *.mas (*.mas)"), &chosen);
    if (name.isEmpty())
        return false;
    // A name typed without an extension takes the chosen filter's, so that "Abrir" lists it.
    if (QFileInfo(name).suffix().isEmpty())
        name += chosen == binary ? QStringLiteral(".fic") : QStringLiteral(".mas");
    if (QFile::exists(name)
        && Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
               QStringLiteral("El archivo %1 ya existe.\n¿Sobreescribir?").arg(BaseName(name)),
               Buttons::YesNo)
            != Answer::Yes)
        return false;
    WaitCursor wait;
    const std::string previous = m_massif->FileName;
    m_massif->FileName = name.toStdString();
    try {
        m_massif->Save(std::string(), m_progressSink.get());
        m_massif->Saved = true;
        setWindowTitle(TitleFor(name));
        return true;
    } catch (const std::exception& e) {
        m_massif->FileName = previous;
        Prompt().Error(ErrorText(e));
        return false;
    }
}

void TMainWindow::CloseCommand()
{
    if (AskSave(true))
        CloseMassif();
}

bool TMainWindow::ExitCommand()
{
    if (Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"),
            QStringLiteral("¿Salir de Karstelle ?"), Buttons::YesNo)
        != Answer::Yes)
        return false;
    if (!AskSave(false))
        return false;
    CloseMassif();
    WriteSettingsAndOptions();
    return true;
}

void TMainWindow::closeEvent(QCloseEvent* event)
{
    if (m_busy > 0) {
        event->ignore();
        return;
    }
    bool exit = m_exiting;
    if (!exit)
        Guarded([this, &exit] { exit = ExitCommand(); });
    if (exit) {
        m_exiting = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainWindow::DropFiles(const QStringList& files)
{
    if (m_busy > 0)
        return;
    if (files.size() > 1) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            QStringLiteral("Un sólo fichero a la vez"), Buttons::Ok);
        return;
    }
    if (files.isEmpty())
        return;
    const QString suffix = QFileInfo(files[0]).suffix().toUpper();
    if (suffix != QStringLiteral("MAS") && suffix != QStringLiteral("FIC"))
        return;
    if (!AskSave(true))
        return;
    CloseMassif();
    OpenMassif(files[0]);
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        files << url.toLocalFile();
    event->acceptProposedAction();
    // Answer the drop first; the questions come once the drag is over.
    QTimer::singleShot(0, this, Guard([this, files] { DropFiles(files); }));
}

void TMainWindow::OpenRecent(int index)
{
    const QString path = QString::fromStdString(m_settings.Recent[static_cast<std::size_t>(index)]);
    if (path.isEmpty() || !AskSave(true))
        return;
    OpenMassif(path);
}

void TMainWindow::MassifChanged()
{
    m_massif->Saved = false;
    // A computation follows a change when automatic computation is on; otherwise only a running
    // one is stopped and started again.
    if ((m_settings.Automatique && !m_massif->Sheets.empty()) || m_computation->Running())
        m_computation->RequestAutomatic();
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
    MassifChanged();
}

void TMainWindow::DeclinationsCommand()
{
    if (!m_massif)
        return;
    TDeclinationDialog dialog(*m_massif, m_settingsFolder.toStdString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.Store(*m_massif) && !m_massif->Sheets.empty()) {
        for (const auto& sheet : m_massif->Sheets)
            ReduceSheet(*sheet, m_massif->Angle_Geodesique);
        m_massif->Computed = false;
        MassifChanged();
    }
}

void TMainWindow::TemplateCommand(bool open)
{
    // Each filter names the extension that chooses the option record.
    static const std::pair<const char*, const char*> kinds[]
        = { { "Modelo de la ficha de captura", "sai" }, { "Modelo planta", "pla" },
              { "Modelo alzado", "cou" }, { "Modelo perspectiva", "per" }, { "Modelo tabla", "tabl" } };
    QStringList filters;
    for (const auto& [caption, extension] : kinds)
        filters << QStringLiteral("%1(*.%2) (*.%2 *.%3)")
                       .arg(QString::fromUtf8(caption), QLatin1String(extension),
                           QString::fromLatin1(extension).toUpper());
    const QString all = QStringLiteral("todos (*)");
    filters << all;
    QString chosen = all;
    QString name = open
        ? Prompt().OpenFileName(QStringLiteral("Abrir modelo"), m_settingsFolder, filters.join(";;"), &chosen)
        : Prompt().SaveFileName(
            QStringLiteral("Guardar modelo"), m_settingsFolder, filters.join(";;"), &chosen);
    if (name.isEmpty())
        return;
    // A name without an extension takes the chosen filter's.
    if (QFileInfo(name).suffix().isEmpty()) {
        const auto index = filters.indexOf(chosen);
        if (index >= 0 && index < static_cast<int>(std::size(kinds)))
            name += QLatin1Char('.') + QLatin1String(kinds[index].second);
    }
    if (open && !QFile::exists(name)) {
        Prompt().Ask(MessageKind::Information, QStringLiteral("Karstelle"),
            QStringLiteral("El fichero no existe\nElegido en otro"), Buttons::Ok);
        return;
    }
    // The extension chooses the option record.
    const QString suffix = QFileInfo(name).suffix().toUpper();
    const std::string path = name.toStdString();
    TPromptReporter reporter;
    auto apply = [&](auto& record) {
        if (open)
            Charger(record, path);
        else
            Enregistrer(record, path, &reporter);
    };
    if (suffix == QStringLiteral("SAI")) {
        TPreference_Ecran model;
        model.FileName = path;
        if (open) {
            model.Load();
            model.FileName = m_preferences.FileName;
            m_preferences = model;
        } else {
            model = m_preferences;
            model.FileName = path;
            model.Save();
        }
    } else if (suffix == QStringLiteral("PLA")) {
        apply(m_plan);
    } else if (suffix == QStringLiteral("COU")) {
        apply(m_coupe);
    } else if (suffix == QStringLiteral("PER")) {
        apply(m_relief);
    } else if (suffix == QStringLiteral("TABL")) {
        apply(m_tableau);
    } else {
        Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"),
            QStringLiteral("%1: la extensión del modelo debe ser .sai, .pla, .cou, .per o .tabl; "
                           "no se ha %2 nada.")
                .arg(BaseName(name), open ? QStringLiteral("leído") : QStringLiteral("guardado")),
            Buttons::Ok);
        return;
    }
    if (open && suffix == QStringLiteral("PLA"))
        PlanOptionsApplied();
    else if (open)
        LayoutViews();
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

void TMainWindow::MarginsCommand()
{
    if (EditerMarge(m_marge, this, PageMm(*m_printer)))
        LayoutViews();
}

} // namespace ks

namespace ks {

TAfficheur* TMainWindow::ActiveView() const
{
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window && !m_mdi->subWindowList().isEmpty())
        window = m_mdi->subWindowList().back();
    return window ? dynamic_cast<TAfficheur*>(window->widget()) : nullptr;
}

TAfficheur* TMainWindow::PlanWindow() const
{
    for (TAfficheur* view : Children<TAfficheur>())
        if (view->ViewKind() == TAfficheur::kPlan)
            return view;
    return nullptr;
}

template <typename T> std::vector<T*> TMainWindow::Children() const
{
    std::vector<T*> children;
    for (QMdiSubWindow* window : m_mdi->subWindowList())
        if (auto* child = dynamic_cast<T*>(window->widget()))
            children.push_back(child);
    return children;
}

TExploreur* TMainWindow::Explorer() const
{
    const auto explorers = Children<TExploreur>();
    return explorers.empty() ? nullptr : explorers.front();
}

QMdiSubWindow* TMainWindow::AddChild(QWidget* child, QStyle::StandardPixmap icon)
{
    QMdiSubWindow* window = m_mdi->addSubWindow(child);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(style()->standardIcon(icon));
    window->resize(m_mdi->size());
    return window;
}

TExploreur* TMainWindow::OpenExplorer()
{
    if (!m_massif)
        return nullptr;
    if (TExploreur* explorer = Explorer()) {
        m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(explorer->parentWidget()));
        return explorer;
    }
    auto* explorer = new TExploreur(*m_massif);
    explorer->SetListStyle(static_cast<int>(m_settings.Style));
    explorer->SetWebStyle(m_settings.Web);
    // Every change made in the explorer: modified, computed again, views redrawn.
    explorer->OnMassifChanged = [this] {
        m_massif->Saved = false;
        if (m_settings.Automatique)
            m_computation->RequestAutomatic();
        LayoutViews();
        UpdateCommands();
    };
    explorer->OnSelectionChanged = [this] { SelectionChanged(); };
    explorer->OnCommandsChanged = [this] { UpdateCommands(); };
    explorer->OnOpenSheet = [this](TFiche* sheet) { OpenSheetEditor(sheet); };
    explorer->OnNewSheet = [this](const TFolder& folder) { OpenSheetEditor(nullptr, nullptr, &folder); };
    QMdiSubWindow* window = AddChild(explorer, QStyle::SP_DirIcon);
    connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateCommands(); });
    window->showMaximized();
    return explorer;
}

TAfficheur* TMainWindow::OpenPlanWindow()
{
    if (!m_massif)
        return nullptr;
    if (TAfficheur* plan = PlanWindow()) {
        m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(plan->parentWidget()));
        return plan;
    }
    if (!m_massif->Computed)
        m_massif->PlaceAllStations();
    auto* view = new TAfficheur(TAfficheur::kPlan, *this);
    QMdiSubWindow* window = AddChild(view, QStyle::SP_ComputerIcon);
    view->resize(window->contentsRect().size());
    view->FitScale();
    window->showMaximized();
    view->Layout();
    view->Activate();
    UpdateCommands();
    return view;
}

QAction* TMainWindow::RouteToView(
    QMenu* menu, const QString& caption, const std::function<void(TAfficheur&)>& command)
{
    QAction* action = Command(menu, caption);
    connect(action, &QAction::triggered, this, Guard([this, command] {
        if (TAfficheur* view = ActiveView())
            command(*view);
    }));
    return action;
}

void TMainWindow::ArrangeIcons()
{
    // The minimised windows in rows along the bottom of the frame, left to right.
    const QRect area = m_mdi->viewport()->rect();
    int x = 0, y = area.bottom() + 1, rowHeight = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= rowHeight;
            rowHeight = 0;
        }
        if (x == 0)
            y = std::max(0, y - size.height() + rowHeight);
        rowHeight = std::max(rowHeight, size.height());
        window->move(x, y);
        x += size.width();
    }
}

void TMainWindow::ListWindows(QMenu* menu)
{
    // The open windows after the separator, the active one ticked; choosing one brings it forward.
    const QList<QAction*> actions = menu->actions();
    for (int i = static_cast<int>(actions.indexOf(m_windowsSeparator)) + 1; i < actions.size(); ++i)
        delete actions[i];
    const QList<QMdiSubWindow*> windows = m_mdi->subWindowList();
    m_windowsSeparator->setVisible(!windows.isEmpty());
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        ++number;
        QAction* action = menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(window->windowTitle()));
        action->setCheckable(true);
        action->setChecked(window == m_mdi->activeSubWindow());
        connect(action, &QAction::triggered, this, Guard([this, window = QPointer<QMdiSubWindow>(window)] {
            if (!window)
                return;
            if (window->isMinimized())
                window->showNormal();
            m_mdi->setActiveSubWindow(window);
        }));
    }
}

void TMainWindow::LayoutViews()
{
    for (TAfficheur* view : Children<TAfficheur>())
        view->Layout();
}

void TMainWindow::ApplyScaleBox()
{
    m_saisie = false;
    if (TAfficheur* view = ActiveView())
        view->ApplyScale(static_cast<int>(ToInt(m_scaleBox->text().toStdString())));
}

TViewContext& TMainWindow::Context()
{
    return m_context;
}

int TMainWindow::Mode() const
{
    if (Action(QStringLiteral("Rotación"))->isChecked())
        return 1;
    if (Action(QStringLiteral("Color"))->isChecked())
        return 2;
    if (Action(QStringLiteral("Deformaciones"))->isChecked())
        return 3;
    return 0;
}

bool TMainWindow::ZoomDown() const
{
    return Action(QStringLiteral("Zoom"))->isChecked();
}

void TMainWindow::ReleaseZoom()
{
    Action(QStringLiteral("Zoom"))->setChecked(false);
}

void TMainWindow::ShowScale(int denominator)
{
    m_scaleBox->setText(QString::number(denominator));
}

void TMainWindow::ShowPercentage(int percent)
{
    // A ratio outside the six entries shows as a seventh entry of its own.
    constexpr int kEntries = 6;
    while (m_percentBox->count() > kEntries)
        m_percentBox->removeItem(kEntries);
    int index = m_percentBox->findData(percent);
    if (index < 0) {
        m_percentBox->addItem(QStringLiteral("%1%").arg(percent), percent);
        index = kEntries;
    }
    m_percentBox->setCurrentIndex(index);
}

void TMainWindow::ShowStatus(const QString& text)
{
    m_panel1->setText(text);
}

void TMainWindow::SelectionChanged()
{
    m_status->setText(QStringLiteral("Selección"));
    if (TExploreur* explorer = Explorer())
        explorer->RequestRebuild();
    UpdateCommands();
    LayoutViews();
}

void TMainWindow::ColoursChanged()
{
    if (m_massif)
        m_massif->Saved = false;
    LayoutViews();
}

bool TMainWindow::EditPlanOptions()
{
    return PlanOptionsCommand();
}

void TMainWindow::PrintFromView(TAfficheur& view)
{
    if (QMdiSubWindow* window = qobject_cast<QMdiSubWindow*>(view.parentWidget()))
        m_mdi->setActiveSubWindow(window);
    PrintCommand();
}

void TMainWindow::PlanOptionsApplied()
{
    if (TAfficheur* plan = PlanWindow()) {
        plan->Plan()->Angle = m_plan.Angle;
        plan->Plan()->Tourner(0);
    }
    LayoutViews();
}

void TMainWindow::PrintCommand()
{
    QPointer<TAfficheur> view = ActiveView();
    if (!view || !m_massif)
        return;
    QPrinter& printer = *m_printer;
    printer.setDocName(QStringLiteral("Plano topográfico"));
    if (!CheckPrintableArea(printer))
        return;
    TGraphique& graphique = *view->Graphique();
    graphique.SetPrinterPage(QSizeF(printer.width(), printer.height()), PageMm(printer));
    int columns = 1, rows = 1;
    graphique.NbPages(columns, rows, m_marge.EGauche + m_marge.EDroite, m_marge.EHaut + m_marge.EBas);
    int first = 0, last = 0, copies = 1;
    if (!Prompt().PrintDialog(printer, columns * rows, first, last, copies))
        return;
    // The dialog may have changed the paper.
    if (!CheckPrintableArea(printer))
        return;
    Busy busy(*this);
    WaitCursor wait;
    // Modal: while the pages are drawn only the stop button answers.
    QProgressDialog progress(QStringLiteral("Impresión ..."), QStringLiteral("Detener"), 0, 100, this);
    progress.setWindowTitle(QStringLiteral("Plano topográfico"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    // A file is written under a temporary name and takes its own only when the job ends: a stopped
    // or failed job leaves no partial file and keeps a previous one.
    const QString target = printer.outputFileName();
    const QString part = target + QStringLiteral(".part");
    if (!target.isEmpty()) {
        QFile::remove(part);
        printer.setOutputFileName(part);
    }
    bool stopped = false;
    PrintView(
        graphique, Mode(), printer, first, last, copies, m_marge, m_massif->FileName, true,
        [&progress](int percent) {
            progress.setValue(percent);
            return !progress.wasCanceled();
        },
        &stopped);
    if (!target.isEmpty()) {
        printer.setOutputFileName(target);
        if (stopped || printer.printerState() == QPrinter::Error) {
            QFile::remove(part);
        } else {
            QFile::remove(target);
            if (!QFile::rename(part, target)) {
                QFile::remove(part);
                Prompt().Error(QStringLiteral("%1: no se puede escribir").arg(target));
            }
        }
    }
    if (view)
        view->Layout();
}

bool TMainWindow::CheckPrintableArea(const QPrinter& printer)
{
    const QSizeF paper = PageMm(printer);
    if (HasPrintableArea(m_marge, paper.width(), paper.height()))
        return true;
    Prompt().Ask(MessageKind::Warning, QStringLiteral("Karstelle"), QString::fromUtf8(kNoPrintableAreaText),
        Buttons::Ok);
    return false;
}

void TMainWindow::PreviewCommand()
{
    QPointer<TAfficheur> view = ActiveView();
    if (!view)
        return;
    const QPrinter& printer = *m_printer;
    if (!CheckPrintableArea(printer))
        return;
    Busy busy(*this);
    {
        TPreview preview(*view->Graphique(), Mode(), m_marge, QSizeF(printer.width(), printer.height()),
            PageMm(printer), printer.colorMode() == QPrinter::GrayScale, this);
        // Maximised by its state and shown by exec() alone: a window shown before exec() would
        // stay modeless, and the main window would answer under the preview.
        preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
        preview.ShowPage(1);
        preview.exec();
    }
    if (view)
        view->Layout();
}

void TMainWindow::OpenSheet(int fiche)
{
    if (!m_massif)
        return;
    const auto sheets = m_massif->CurrentSheets();
    if (fiche >= 0 && static_cast<std::size_t>(fiche) < sheets.size())
        OpenSheetEditor(sheets[static_cast<std::size_t>(fiche)]);
}

void TMainWindow::OpenSheetEditor(TFiche* sheet, const TEditorWork* work, const TFolder* prefill)
{
    if (!m_massif)
        return;
    if (work) {
        // Unfinished work names the sheet it was changing by the low 16 bits of its Ordre.
        for (const auto& s : m_massif->Sheets)
            if (work->SheetOrdre >= 0 && static_cast<std::int16_t>(s->Ordre & 0xFFFF) == work->SheetOrdre)
                sheet = s.get();
    }
    TMultPageDlg editor(*m_massif, m_preferences, m_settingsFolder, sheet, this);
    if (work)
        editor.ResumeWork(*work);
    if (prefill)
        editor.Prefill(prefill->Path, prefill->Level);
    editor.OnValidated = [this](std::unique_ptr<TFiche> validated, TFiche* old) {
        if (old)
            m_massif->ReplaceSheet(old, std::move(validated));
        else
            m_massif->AddSheet(std::move(validated), m_massif->SelectionActive);
        m_massif->Saved = false;
        if (m_settings.Automatique)
            m_computation->RequestAutomatic(); // stops a running computation first
        if (TExploreur* explorer = Explorer())
            explorer->RequestRebuild();
        LayoutViews();
        UpdateCommands();
    };
    const bool binary = !IsTextFileName(m_massif->FileName);
    editor.OnSaveToDisk = [this, binary](const TEditorWork& unfinished) {
        if (binary)
            m_massif->EditorWork = unfinished;
        SaveCommand();
        m_massif->EditorWork.reset();
    };
    editor.exec();
}

void TMainWindow::EntryPreferencesCommand()
{
    TPreferencesDialog dialog(m_preferences, this);
    if (dialog.exec() == QDialog::Accepted)
        dialog.StoreInto(m_preferences);
}

} // namespace ks
