// The main window's file commands: open, save, save as, close, exit, recent and dropped files,
// option templates.
#include "shell/main_window.h"

#include "shell/main_window_parts.h"

#include "model/massif.h"
#include "ui/prompt.h"
#include "views/plan.h"
#include "views/qt_text.h"
#include "window/afficheur.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
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
    const QString fileName = ToQString(m_massif->FileName);
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
    QString name = Prompt().SaveFileName(QStringLiteral("Guardar como"), ToQString(m_massif->FileName),
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
    m_massif->FileName = ToUtf8(name);
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
    const QString path = ToQString(m_settings.Recent[static_cast<std::size_t>(index)]);
    if (path.isEmpty() || !AskSave(true))
        return;
    OpenMassif(path);
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
    const std::string path = ToUtf8(name);
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

} // namespace ks
