// The main window's file commands: open, save, save as, close, exit, recent and dropped files,
// option templates.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "bridge/qt_text.h"
#include "model/massif.h"
#include "ui/prompt.h"
#include "views/perspective.h"
#include "views/plan.h"
#include "window/afficheur.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QSoundEffect>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

namespace ks {

void TMainWindow::AddRecent(const QString& fileName)
{
    m_settings.AddRecent(ToUtf8(fileName));
    RefreshRecentMenu();
}

void TMainWindow::RefreshRecentMenu()
{
    for (int i = 0; i < 3; ++i) {
        const QString path = ToQString(m_settings.Recent[static_cast<std::size_t>(i)]);
        Action(kRecent[i])->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(BaseName(path)));
        Action(kRecent[i])->setVisible(!path.isEmpty());
    }
    m_recentSeparator->setVisible(!m_settings.Recent[0].empty());
}

bool TMainWindow::AskSave(bool withCancel)
{
    if (m_massif && !m_massif->Saved)
        PlayChime();
    return m_files->AskSave(m_massif.get(), withCancel);
}

void TMainWindow::CloseMassif()
{
    m_computation->Discard();
    if (TAfficheur* plan = PlanWindow())
        m_plan.Angle = plan->Plan()->Angle;
    if (TAfficheur* perspective = ViewWindow(TAfficheur::kPerspectiva)) {
        m_relief.Angle_Horizontal = perspective->Perspective()->Azimut;
        m_relief.Angle_Vertical = perspective->Perspective()->Inclinaison;
    }
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->close();
        delete window;
    }
    if (m_massif && !m_massif->FileName.empty() && std::filesystem::exists(m_massif->FileName))
        AddRecent(ToQString(m_massif->FileName));
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
    m_massif->FileName = ToUtf8(fileName);
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
    setWindowTitle(TitleFor(ToQString(m_massif->FileName)));
    m_noMassif = false;
    OpenExplorer();
    UpdateCommands();
    if (m_settings.Automatique)
        m_computation->RequestAutomatic();
}

void TMainWindow::OpenAtStart(const QString& fileName)
{
    PlayChime();
    if (!m_massif && !fileName.isEmpty())
        OpenMassif(QFileInfo(fileName).absoluteFilePath());
}

void TMainWindow::OpenCommand()
{
    if (!AskSave(true))
        return;
    const std::string name = m_files->ChooseMassif();
    if (!name.empty())
        OpenMassif(ToQString(name));
}

bool TMainWindow::SaveCommand()
{
    return m_massif && m_files->Save(*m_massif);
}

bool TMainWindow::SaveAsCommand()
{
    return m_massif && m_files->SaveAs(*m_massif);
}

void TMainWindow::CloseCommand()
{
    if (AskSave(true))
        CloseMassif();
}

bool TMainWindow::ExitCommand()
{
    if (!m_files->ConfirmExit() || !AskSave(false))
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
    std::vector<std::string> names;
    for (const QString& file : files)
        names.push_back(ToUtf8(file));
    const auto name = m_files->DroppedMassif(names);
    if (!name || !AskSave(true))
        return;
    CloseMassif();
    OpenMassif(ToQString(*name));
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
    const QString path = ToQString(m_settings.Recent[static_cast<std::size_t>(index)]);
    if (path.isEmpty() || !AskSave(true))
        return;
    OpenMassif(path);
}

void TMainWindow::TemplateCommand(bool open)
{
    const auto kind = m_files->Template(
        open, ToUtf8(m_settingsFolder), { m_preferences, m_plan, m_coupe, m_relief, m_tableau });
    if (open && kind == TemplateKind::Plan)
        PlanOptionsApplied();
    else if (open && kind)
        LayoutViews();
}

void TMainWindow::PlayChime()
{
    const QString file = m_programFolder + QStringLiteral("/Grelot.wav");
    if (!QFileInfo::exists(file))
        return;
    // The sound plays while the window goes on; without an audio device it stays silent.
    if (!m_chime)
        m_chime = new QSoundEffect(this);
    m_chime->setSource(QUrl::fromLocalFile(file));
    m_chime->play();
}

} // namespace ks
