// The main window's child windows: the explorer, the view windows and what they ask of their
// host, and the sheet editor.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "analysis/ui/statistics_dialog.h"
#include "bridge/qt_text.h"
#include "entry/ui/entry_dialogs.h"
#include "entry/ui/sheet_editor.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "views/plan.h"
#include "window/afficheur.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QTreeWidget>

namespace ks {

TAfficheur* TMainWindow::ActiveView() const
{
    QMdiSubWindow* window = m_mdi->activeSubWindow();
    if (!window && !m_mdi->subWindowList().isEmpty())
        window = m_mdi->subWindowList().back();
    return window ? dynamic_cast<TAfficheur*>(window->widget()) : nullptr;
}

TAfficheur* TMainWindow::ViewWindow(int kind) const
{
    for (TAfficheur* view : Children<TAfficheur>())
        if (view->ViewKind() == kind)
            return view;
    return nullptr;
}

TAfficheur* TMainWindow::PlanWindow() const
{
    return ViewWindow(TAfficheur::kPlan);
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
    for (Cmd id : { Cmd::WebStyle, Cmd::LargeIcons, Cmd::SmallIcons, Cmd::ListStyle, Cmd::DetailStyle })
        explorer->StyleActions.push_back(Action(id));
    explorer->OnMassifChanged = [this] { MassifChanged(Change::Data); };
    explorer->OnSelectionChanged = [this] { SelectionChanged(); };
    explorer->OnCommandsChanged = [this] { UpdateCommands(); };
    explorer->OnOpenSheet = [this](TFiche* sheet) { OpenSheetEditor(sheet); };
    explorer->OnNewSheet = [this](const TFolder& folder) { OpenSheetEditor(nullptr, nullptr, &folder); };
    explorer->OnFind = [this] { Guarded([this] { FindSheetCommand(); }); };
    explorer->OnProperties = [this](std::vector<TFiche*> sheets) {
        Guarded([this, &sheets] {
            if (m_massif && !m_massif->Computed)
                m_massif->PlaceAllStations();
            TStatisticsDialog dialog(std::move(sheets), this);
            dialog.exec();
        });
    };
    QMdiSubWindow* window = AddChild(explorer, QStyle::SP_DirIcon);
    connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateCommands(); });
    window->showMaximized();
    return explorer;
}

TAfficheur* TMainWindow::OpenPlanWindow()
{
    return OpenViewWindow(TAfficheur::kPlan);
}

TAfficheur* TMainWindow::OpenViewWindow(int kind)
{
    if (!m_massif)
        return nullptr;
    if (TAfficheur* open = ViewWindow(kind)) {
        m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(open->parentWidget()));
        return open;
    }
    if (!m_massif->Computed)
        m_massif->PlaceAllStations();
    auto* view = new TAfficheur(kind, *this);
    const QStyle::StandardPixmap icons[] = { QStyle::SP_ComputerIcon, QStyle::SP_DriveHDIcon,
        QStyle::SP_DesktopIcon, QStyle::SP_FileDialogListView };
    QMdiSubWindow* window = AddChild(view, icons[std::clamp(kind, 0, 3)]);
    view->resize(window->contentsRect().size());
    view->FitEchelle();
    window->showMaximized();
    view->Layout();
    view->Activate();
    UpdateCommands();
    return view;
}

void TMainWindow::FitView(int kind)
{
    if (TAfficheur* view = ViewWindow(kind))
        view->FitToWindow();
}

void TMainWindow::ArrangeIcons()
{
    // The minimised windows in rows along the bottom of the frame, left to right.
    const QRect area = m_mdi->viewport()->rect();
    int x = 0, bottom = area.height(), rowHeight = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (!window->isMinimized())
            continue;
        const QSize size = window->size();
        if (x > 0 && x + size.width() > area.width()) { // a new row above the last one
            x = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, size.height());
        window->move(x, std::max(0, bottom - size.height()));
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

bool TMainWindow::PerspectiveIn3D() const
{
    const TAfficheur* perspective = ViewWindow(TAfficheur::kPerspectiva);
    return perspective && perspective->Shown3D();
}

void TMainWindow::HideViewHints()
{
    for (TAfficheur* view : Children<TAfficheur>())
        view->HideHint();
}

void TMainWindow::LayoutViews()
{
    for (TAfficheur* view : Children<TAfficheur>())
        view->Layout();
}

void TMainWindow::ApplyEchelleBox()
{
    m_echelleTyped = false;
    if (TAfficheur* view = ActiveView())
        view->ApplyEchelle(static_cast<int>(ToInt(ToUtf8(m_echelleBox->text()))));
}

TViewContext& TMainWindow::Context()
{
    return m_context;
}

int TMainWindow::Mode() const
{
    if (Action(Cmd::RotationMode)->isChecked())
        return 1;
    if (Action(Cmd::ColourMode)->isChecked())
        return 2;
    if (Action(Cmd::DeformationMode)->isChecked())
        return 3;
    if (Action(Cmd::MisclosureMode)->isChecked())
        return 4;
    return 0;
}

bool TMainWindow::ZoomDown() const
{
    return Action(Cmd::ZoomMode)->isChecked();
}

void TMainWindow::ReleaseZoom()
{
    Action(Cmd::ZoomMode)->setChecked(false);
}

void TMainWindow::ShowEchelle(int denominator)
{
    m_echelleBox->setText(QString::number(denominator));
}

void TMainWindow::ShowRapport(int percent)
{
    // A ratio outside the six entries shows as a seventh entry of its own.
    constexpr int kEntries = 6;
    while (m_rapportBox->count() > kEntries)
        m_rapportBox->removeItem(kEntries);
    int index = m_rapportBox->findData(percent);
    if (index < 0) {
        m_rapportBox->addItem(QStringLiteral("%1%").arg(percent), percent);
        index = kEntries;
    }
    m_rapportBox->setCurrentIndex(index);
}

void TMainWindow::ShowStatus(const QString& text)
{
    m_panel1->setText(text);
}

void TMainWindow::SelectionChanged()
{
    m_status->setText(QStringLiteral("Selección"));
    Refresh();
}

void TMainWindow::ColoursChanged()
{
    MassifChanged(Change::Appearance);
}

void TMainWindow::ElevationChanged()
{
    MassifChanged(Change::Appearance);
}

bool TMainWindow::EditViewOptions(int kind)
{
    switch (kind) {
    case TAfficheur::kPlan:
        return PlanOptionsCommand();
    case TAfficheur::kAlzado:
        return ElevationOptionsCommand();
    case TAfficheur::kTabla:
        return TableOptionsCommand();
    case TAfficheur::kPerspectiva:
        return PerspectiveOptionsCommand();
    default:
        return false;
    }
}

void TMainWindow::PlanOptionsApplied()
{
    if (TAfficheur* plan = PlanWindow()) {
        plan->Plan()->Angle = m_plan.Angle;
        plan->Plan()->Tourner(0);
    }
    LayoutViews();
}

void TMainWindow::Locate(int kind, int fiche, int galerie, int point)
{
    TAfficheur* view = ViewWindow(kind);
    if (!view)
        return;
    m_mdi->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
    view->ShowItem(fiche, galerie, point);
}

void TMainWindow::OpenSheet(int fiche)
{
    if (!m_massif)
        return;
    const auto sheets = m_massif->CurrentSheets();
    if (fiche >= 0 && static_cast<std::size_t>(fiche) < sheets.size())
        OpenSheetEditor(sheets[static_cast<std::size_t>(fiche)]);
}

void TMainWindow::OpenSheetEditor(TFiche* sheet, const TEditorWork* work, const TFolder* prefill,
    const std::function<void(TMultPageDlg&)>& prepare)
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
        MassifChanged(Change::Data);
    };
    if (prepare)
        prepare(editor);
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
