#pragma once
// Shared by the files of the main window only: the command guard, the wait cursor, page and
// file-name helpers, and the progress sink of loading and saving.

#include "app/file_commands.h"
#include "bridge/qt_text.h"
#include "shell/main_window.h"
#include "ui/cursors.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QProgressBar>

#include <type_traits>

namespace ks {

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
inline QSizeF PageMm(const QPrinter& printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Millimeter).size();
}

inline QString BaseName(const QString& path)
{
    return QFileInfo(path).fileName();
}

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
    void SetStatus(const std::string& text) override { m_window.m_status->setText(ToQString(text)); }
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

// The file commands' questions, through the prompt service.
class TPromptFileDialogs : public IFileDialogs
{
public:
    void Message(MessageKind kind, const std::string& text) override
    {
        Prompt().Ask(kind, QStringLiteral("Karstelle"), ToQString(text), Buttons::Ok);
    }
    bool AskContinue(const TQuestion& question) override { return m_reporter.AskContinue(question); }
    Reply Confirm(const std::string& text, bool withCancel) override
    {
        switch (Prompt().Ask(MessageKind::Confirmation, QStringLiteral("Karstelle"), ToQString(text),
            withCancel ? Buttons::YesNoCancel : Buttons::YesNo)) {
        case Answer::Yes:
            return Reply::Yes;
        case Answer::No:
            return Reply::No;
        default:
            return Reply::Cancel;
        }
    }
    void Failed(const std::exception& error) override { Prompt().Error(ErrorText(error)); }
    std::string OpenFileName(const std::string& title, const std::string& folder, const std::string& filters,
        std::string* chosen) override
    {
        return Chosen(chosen, [&](QString* filter) {
            return Prompt().OpenFileName(ToQString(title), ToQString(folder), ToQString(filters), filter);
        });
    }
    std::string SaveFileName(const std::string& title, const std::string& start, const std::string& filters,
        std::string* chosen) override
    {
        return Chosen(chosen, [&](QString* filter) {
            return Prompt().SaveFileName(ToQString(title), ToQString(start), ToQString(filters), filter);
        });
    }
    void Working(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

private:
    template <typename F> static std::string Chosen(std::string* chosen, F dialog)
    {
        QString filter = chosen ? ToQString(*chosen) : QString();
        const QString name = dialog(chosen ? &filter : nullptr);
        if (chosen)
            *chosen = ToUtf8(filter);
        return ToUtf8(name);
    }

    TPromptReporter m_reporter;
};

} // namespace ks
