#pragma once
// The file commands of the main window without its widgets: asking to save, saving with a
// backup, saving under a new name, choosing a massif or an option template. The questions go
// through an injected dialog service, so that the rules can be driven and tested without Qt.

#include "model/services.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TMassif;
struct TOptions_Plan;
struct TOptions_Coupe;
struct TOptions_Relief;
struct TOptions_Tableau;
class TPreference_Ecran;

namespace ks {

enum class Reply { Yes, No, Cancel };

// What the file commands ask of the user and show, in UTF-8. Message() shows a message with its
// kind under the title "Karstelle".
class IFileDialogs : public IReporter
{
public:
    // A confirmation under the title "Karstelle": Yes and No, and Cancel when asked for.
    virtual Reply Confirm(const std::string& text, bool withCancel) = 0;
    // The standard error box for a failure.
    virtual void Failed(const std::exception& error) = 0;
    // A file chosen in the open or save dialog; empty when cancelled. The filters are separated
    // by ";;"; the chosen one is given in and comes back in `chosen`.
    virtual std::string OpenFileName(const std::string& title, const std::string& folder,
        const std::string& filters, std::string* chosen = nullptr)
        = 0;
    virtual std::string SaveFileName(const std::string& title, const std::string& start,
        const std::string& filters, std::string* chosen = nullptr)
        = 0;
    // A long write starts or ends (the wait cursor).
    virtual void Working(bool /*busy*/) { }
};

// The option records a template reads or writes.
struct TTemplateRecords
{
    TPreference_Ecran& Sheet;
    TOptions_Plan& Plan;
    TOptions_Coupe& Elevation;
    TOptions_Relief& Perspective;
    TOptions_Tableau& Table;
};

enum class TemplateKind { Sheet, Plan, Elevation, Perspective, Table };

class TFileCommands
{
public:
    TFileCommands(IFileDialogs& dialogs, IProgress* progress);

    // Asks to save a changed massif; true when the caller may go on: the massif was saved, was
    // not changed (or there is none), or the user chose No. A cancelled or failed save gives false.
    bool AskSave(TMassif* massif, bool withCancel);
    // Writes the massif to its file, the previous file kept as the backup; a massif without a
    // file, or whose file has gone, asks for a name. True when the massif was written.
    bool Save(TMassif& massif);
    // Asks for a name and writes the massif under it; the massif keeps its previous name when
    // nothing was written.
    bool SaveAs(TMassif& massif);
    // Called after the massif was written under a new name.
    std::function<void(const std::string& fileName)> OnRenamed;

    // The massif file chosen in "Abrir"; empty when cancelled.
    std::string ChooseMassif();
    // "¿Salir de Karstelle ?"
    bool ConfirmExit();
    // The massif file to open among dropped files: one file of a massif's extension.
    std::optional<std::string> DroppedMassif(const std::vector<std::string>& files);

    // "Abrir &modelo ..." (open) or "&Guardar modelo ...": the file's extension chooses the
    // record. The kind read or written, or nothing when cancelled or refused.
    std::optional<TemplateKind> Template(bool open, const std::string& folder, TTemplateRecords records);

private:
    bool Write(TMassif& massif);

    IFileDialogs& m_dialogs;
    IProgress* m_progress;
};

// The backup of a massif file: its name with the last three characters made "BAK".
std::string BackupName(const std::string& fileName);

} // namespace ks
