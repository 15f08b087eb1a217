// Open, save, save as, backups and model files, with the dialogs injected: the file flows tested
// without a window.
#include "app/file_commands.h"

#include "model/file_io.h"

#include "entry/preferences.h"
#include "model/massif.h"
#include "model/text_utils.h"
#include "options/options.h"

#include <filesystem>
#include <system_error>

namespace ks {

namespace {

namespace fs = std::filesystem;

const char* const kBinaryFilter = "(carpeta ficha) *.fic (*.fic)";
const char* const kTextFilter = "(macizo texto) *.mas (*.mas)";

bool Exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::u8path(path), error);
}

std::string Extension(const std::string& path)
{
    const std::string extension = fs::u8path(path).extension().u8string();
    return extension.empty() ? std::string() : UpperCase(extension.substr(1));
}

std::string FileNameOf(const std::string& path)
{
    return fs::u8path(path).filename().u8string();
}

// Marks the long write for the dialog service for the time of a scope.
class Working
{
public:
    explicit Working(IFileDialogs& dialogs)
        : m_dialogs(dialogs)
    {
        m_dialogs.Working(true);
    }
    ~Working() { m_dialogs.Working(false); }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

private:
    IFileDialogs& m_dialogs;
};

} // namespace

std::string BackupName(const std::string& fileName)
{
    return fileName.substr(0, fileName.size() < 3 ? 0 : fileName.size() - 3) + "BAK";
}

TFileCommands::TFileCommands(IFileDialogs& dialogs, IProgress* progress)
    : m_dialogs(dialogs)
    , m_progress(progress)
{ }

bool TFileCommands::AskSave(TMassif* massif, bool withCancel)
{
    if (!massif || massif->Saved)
        return true;
    const Reply reply = m_dialogs.Confirm(
        "¿Desea usted guardar los cambios realizados en " + MassifName(massif->FileName) + "?", withCancel);
    if (reply == Reply::Yes)
        return Save(*massif);
    return reply == Reply::No;
}

bool TFileCommands::Write(TMassif& massif)
{
    try {
        massif.Save(std::string(), m_progress);
        massif.Saved = true;
        return true;
    } catch (const std::exception& e) {
        m_dialogs.Failed(e);
        return false;
    }
}

bool TFileCommands::Save(TMassif& massif)
{
    const std::string fileName = massif.FileName;
    if (fileName.empty() || !Exists(fileName))
        return SaveAs(massif);
    // A massif read with adaptations would replace its file without what was left out or cut.
    if (massif.Adapted
        && m_dialogs.Confirm(FileNameOf(fileName)
                   + " se leyó con adaptaciones (véanse los avisos de la lectura): guardado, el fichero "
                     "las pierde.\n¿Guardar?",
               false)
            != Reply::Yes)
        return false;
    // The previous file becomes the backup once the new one is written whole: until then the file
    // and the older backup stay as they are, whatever happens. A massif opened from its backup is
    // written without one: the backup is the file itself.
    const std::string backup = BackupName(fileName);
    const bool keepBackup = UpperCase(backup) != UpperCase(fileName);
    Working working(m_dialogs);
    std::error_code error;
    std::string previous; // the previous contents, under a name of their own beside the backup
    if (keepBackup) {
        try {
            previous = CreateTemporaryBeside(backup);
            fs::remove(fs::u8path(previous), error);
            // A second name for the same file, or a copy where the file system has no links.
            fs::create_hard_link(fs::u8path(fileName), fs::u8path(previous), error);
            if (error)
                fs::copy_file(fs::u8path(fileName), fs::u8path(previous), error);
        } catch (const std::exception&) {
            error = std::make_error_code(std::errc::io_error);
        }
        if (error) {
            if (!previous.empty())
                fs::remove(fs::u8path(previous), error);
            m_dialogs.Message(
                MessageKind::Error, fileName + ": no se puede guardar la copia de seguridad " + backup);
            return false;
        }
    }
    const bool written = Write(massif);
    if (written)
        massif.Adapted = false;
    if (keepBackup) {
        if (written)
            fs::rename(fs::u8path(previous), fs::u8path(backup), error);
        if (!written || error)
            fs::remove(fs::u8path(previous), error);
    }
    return written;
}

bool TFileCommands::SaveAs(TMassif& massif)
{
    std::string chosen = kBinaryFilter;
    std::string name = m_dialogs.SaveFileName(
        "Guardar como", massif.FileName, std::string(kBinaryFilter) + ";;" + kTextFilter, &chosen);
    if (name.empty())
        return false;
    // A name typed without an extension takes the chosen filter's, so that "Abrir" lists it.
    if (!fs::u8path(name).has_extension())
        name += chosen == kBinaryFilter ? ".fic" : ".mas";
    if (Exists(name)
        && m_dialogs.Confirm("El archivo " + FileNameOf(name) + " ya existe.\n¿Sobreescribir?", false)
            != Reply::Yes)
        return false;
    Working working(m_dialogs);
    const std::string previous = massif.FileName;
    massif.FileName = name;
    if (!Write(massif)) {
        massif.FileName = previous;
        return false;
    }
    if (OnRenamed)
        OnRenamed(name);
    return true;
}

std::string TFileCommands::ChooseMassif()
{
    return m_dialogs.OpenFileName("Abrir", std::string(), std::string(kBinaryFilter) + ";;" + kTextFilter);
}

bool TFileCommands::ConfirmExit()
{
    return m_dialogs.Confirm("¿Salir de Karstelle ?", false) == Reply::Yes;
}

std::optional<std::string> TFileCommands::DroppedMassif(const std::vector<std::string>& files)
{
    if (files.size() > 1) {
        m_dialogs.Message(MessageKind::Information, "Un sólo fichero a la vez");
        return std::nullopt;
    }
    if (files.empty())
        return std::nullopt;
    const std::string extension = Extension(files[0]);
    if (extension != "MAS" && extension != "FIC")
        return std::nullopt;
    return files[0];
}

std::optional<TemplateKind> TFileCommands::Template(
    bool open, const std::string& folder, TTemplateRecords records)
{
    // Each filter names the extension that chooses the option record.
    static const std::pair<const char*, const char*> kinds[]
        = { { "Modelo de la ficha de captura", "sai" }, { "Modelo planta", "pla" },
              { "Modelo alzado", "cou" }, { "Modelo perspectiva", "per" }, { "Modelo tabla", "tabl" } };
    std::vector<std::string> filters;
    std::string joined;
    for (const auto& [caption, extension] : kinds) {
        const std::string e = extension;
        filters.push_back(std::string(caption) + "(*." + e + ") (*." + e + " *." + UpperCase(e) + ")");
        joined += filters.back() + ";;";
    }
    const std::string all = "todos (*)";
    joined += all;
    std::string chosen = all;
    std::string name = open ? m_dialogs.OpenFileName("Abrir modelo", folder, joined, &chosen)
                            : m_dialogs.SaveFileName("Guardar modelo", folder, joined, &chosen);
    if (name.empty())
        return std::nullopt;
    // A name without an extension takes the chosen filter's.
    if (!fs::u8path(name).has_extension())
        for (std::size_t i = 0; i < filters.size(); ++i)
            if (filters[i] == chosen)
                name += std::string(".") + kinds[i].second;
    if (open && !Exists(name)) {
        m_dialogs.Message(MessageKind::Information, "El fichero no existe\nElegido en otro");
        return std::nullopt;
    }
    // The extension chooses the option record.
    const std::string extension = Extension(name);
    auto apply = [&](auto& record) {
        if (open)
            Charger(record, name);
        else
            Enregistrer(record, name, &m_dialogs);
    };
    if (extension == "SAI") {
        if (open) {
            TPreference_Ecran model;
            model.FileName = name;
            model.Load();
            model.FileName = records.Sheet.FileName;
            records.Sheet = model;
        } else {
            TPreference_Ecran model = records.Sheet;
            model.FileName = name;
            model.Save();
        }
        return TemplateKind::Sheet;
    }
    if (extension == "PLA") {
        apply(records.Plan);
        return TemplateKind::Plan;
    }
    if (extension == "COU") {
        apply(records.Elevation);
        return TemplateKind::Elevation;
    }
    if (extension == "PER") {
        apply(records.Perspective);
        return TemplateKind::Perspective;
    }
    if (extension == "TABL") {
        apply(records.Table);
        return TemplateKind::Table;
    }
    m_dialogs.Message(MessageKind::Warning,
        FileNameOf(name) + ": la extensión del modelo debe ser .sai, .pla, .cou, .per o .tabl; no se ha "
            + (open ? "leído" : "guardado") + " nada.");
    return std::nullopt;
}

} // namespace ks
