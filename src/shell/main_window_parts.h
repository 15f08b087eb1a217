#pragma once
// Shared by the files of the main window only: the command guard, the wait cursor, page and
// file-name helpers, and the progress sink of loading and saving.

#include "shell/main_window.h"
#include "ui/prompt.h"
#include "views/qt_text.h"

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

// The wait cursor for the time of a long operation.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

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

} // namespace ks
