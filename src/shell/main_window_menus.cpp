// The main window's menus and tool bars: every command, its caption, shortcut and slot.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "ui/prompt.h"
#include "window/afficheur.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

namespace ks {

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
        m_massif->EndSelection();
        m_status->clear();
        Refresh();
    }));
    const std::pair<const char*, TEco TFiche::*> levels[] = { { "&Sistema", &TFiche::Systeme },
        { "Ca&vidad", &TFiche::Cavite }, { "Re&d", &TFiche::Reseau }, { "&Lugar", &TFiche::Lieu } };
    for (const auto& [caption, field] : levels)
        connect(Command(recover, QString::fromUtf8(caption)), &QAction::triggered, this,
            Guard([this, field = field] { Recover(field); }));
    massif->addSeparator();
    connect(Command(massif, QStringLiteral("C&onfigurar impresora ...")), &QAction::triggered, this,
        Guard([this] {
            if (Prompt().PrinterSetup(*m_printer))
                LayoutViews();
        }));
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
    RouteToView(viewMenu, QStringLiteral("&Escala ..."), [](TAfficheur& v) { v.ScaleCommand(); });
    RouteToView(viewMenu, QStringLiteral("&Porcentaje ..."), [](TAfficheur& v) { v.PercentageCommand(); });
    const char* viewLevels[] = { "F&icha", "&Lugar", "Re&d", "Ca&vidad", "&Sistema" };
    // Colouring, isolating and excluding by level work on the shot selected in the view: they
    // are enabled as the menu opens, when there is one.
    QMenu* colour = viewMenu->addMenu(QStringLiteral("C&olor"));
    const char* colours[]
        = { "&Galería ...", "&Ficha ...", "&Lugar ...", "&Red ...", "&Cavidad ...", "&Sistema ..." };
    for (int i = 0; i < 6; ++i)
        m_onSelection.push_back(
            RouteToView(colour, QString::fromUtf8(colours[i]), [i](TAfficheur& v) { v.Colour(i); }));
    QMenu* isolate = viewMenu->addMenu(QStringLiteral("Ai&slar"));
    for (int i = 0; i < 5; ++i)
        m_onSelection.push_back(
            RouteToView(isolate, QString::fromUtf8(viewLevels[i]), [i](TAfficheur& v) { v.Isolate(i); }));
    RouteToView(isolate, QStringLiteral("&Pantalla"), [](TAfficheur& v) { v.Isolate(5); });
    QMenu* exclude = viewMenu->addMenu(QStringLiteral("&Excluir"));
    for (int i = 0; i < 5; ++i)
        m_onSelection.push_back(
            RouteToView(exclude, QString::fromUtf8(viewLevels[i]), [i](TAfficheur& v) { v.Exclude(i); }));
    connect(viewMenu, &QMenu::aboutToShow, this, [this] {
        const TAfficheur* active = ActiveView();
        for (QAction* action : m_onSelection)
            action->setEnabled(active && active->Point != 0);
    });
    RouteToView(
        viewMenu, QStringLiteral("&Deformación máxima"), [](TAfficheur& v) { v.SelectWorstDeformation(); });
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

} // namespace ks
