#pragma once
// The prompt service: every message box and standard dialog of the program, replaceable by a
// scripted one in the tests.

#include "model/services.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

namespace ks {

enum class Buttons { Ok, YesNo, YesNoCancel, OkNo, YesCancel };
enum class Answer { Ok, Yes, No, Cancel };

// Every message box and common file dialog of the application goes through the prompt service, so
// that tests can answer them from a script. Texts are the application's own (UTF-8 in QString).
class IPrompt
{
public:
    virtual ~IPrompt() = default;
    virtual Answer Ask(MessageKind kind, const QString& title, const QString& text, Buttons buttons) = 0;
    // "Problema de calculo": the text, "Cerrar" and the check box "&No mostrar más"; true when ticked.
    virtual bool CalculationProblem(const QString& text) = 0;
    // A question with a list the user may reveal ("Vacios"); true for the Yes button.
    virtual bool Question(const TQuestion& question) = 0;
    // Common file dialogs; an empty name means cancelled. When given, selectedFilter holds the
    // filter shown first and receives the one the user chose.
    virtual QString OpenFileName(const QString& caption, const QString& directory, const QString& filter,
        QString* selectedFilter = nullptr)
        = 0;
    virtual QString SaveFileName(const QString& caption, const QString& start, const QString& filter,
        QString* selectedFilter = nullptr)
        = 0;
    // A one-line input box (the platform's InputQuery); empty optional when cancelled.
    virtual std::optional<QString> Input(const QString& title, const QString& prompt, const QString& initial)
        = 0;
    // The colour dialog; empty when cancelled.
    virtual std::optional<QColor> Colour(const QColor& initial) = 0;
    // The print dialog for pages 1 to maxPage: on confirmation, first and last are the chosen range
    // (0, 0 for all pages) and copies the number of copies. The printer is set up by the dialog.
    virtual bool PrintDialog(QPrinter& printer, int maxPage, int& first, int& last, int& copies) = 0;
    // The printer set-up (paper, orientation, printer); true when confirmed.
    virtual bool PrinterSetup(QPrinter& printer) = 0;
    // The standard error box of the application.
    void Error(const QString& text)
    {
        Ask(MessageKind::Error, QStringLiteral("Karstelle"), text, Buttons::Ok);
    }
};

// The service in use; the Qt one unless a test set another.
IPrompt& Prompt();

// The file an export writes: the save dialog starting in `folder`, the extension added to a name
// without one, and "El archivo … ya existe. ¿Sobreescribir?" for an existing file. Empty when
// the user cancelled or declined.
QString ChooseExportFile(
    const QString& caption, const QString& folder, const QString& filter, const QString& extension);
void SetPrompt(IPrompt* prompt);

// Message boxes and file dialogs of the platform.
class TQtPrompt : public IPrompt
{
public:
    Answer Ask(MessageKind kind, const QString& title, const QString& text, Buttons buttons) override;
    bool CalculationProblem(const QString& text) override;
    bool Question(const TQuestion& question) override;
    QString OpenFileName(const QString& caption, const QString& directory, const QString& filter,
        QString* selectedFilter = nullptr) override;
    QString SaveFileName(const QString& caption, const QString& start, const QString& filter,
        QString* selectedFilter = nullptr) override;
    std::optional<QString> Input(
        const QString& title, const QString& prompt, const QString& initial) override;
    std::optional<QColor> Colour(const QColor& initial) override;
    bool PrintDialog(QPrinter& printer, int maxPage, int& first, int& last, int& copies) override;
    bool PrinterSetup(QPrinter& printer) override;
};

// The core's reporter on top of the prompt service.
class TPromptReporter : public IReporter
{
public:
    void Message(MessageKind kind, const std::string& text) override;
    bool AskContinue(const TQuestion& question) override;
};

// Qt's own dialogs and buttons (file and print dialogs, Yes, Cancel) speak Spanish like the rest
// of the interface; false when Qt's translations are not installed.
bool InstallQtSpanish();

// Every dialog, as it first shows, is made wide enough for its window title and its form labels
// (whose measured width can fall a pixel short of the drawn text at some font sizes and scales).
void FitDialogsToTheirTexts();

// The text of the standard error box for a failure of any kind: a file error names its file and
// place; memory exhaustion and other failures say what happened.
QString ErrorText(const std::exception& error);

// Runs a command so that no exception escapes it: a failure shows the standard error box and
// leaves the window as it was. Every command, start-up step and event goes through it.
void Guarded(const std::function<void()>& command);

// Texts of the core use "\r" (and "\r\n") for line breaks; the interface shows them as "\n".
QString ShownText(const std::string& text);

} // namespace ks
