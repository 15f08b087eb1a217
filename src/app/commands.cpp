// The table of every command: its caption, menu, key, kind and the rule that enables it.
#include "app/commands.h"

#include <array>
#include <cassert>

namespace ks {

namespace {

using K = CmdKind;
using N = Needs;
constexpr Cmd kBar = Cmd::Count;

// The rows, in the order of the menus; tool-bar buttons first.
// clang-format off
const TCommandInfo kRows[] = {
    { Cmd::Calculate, K::Tool, kBar, "Calcular", nullptr, N::Massif },
    { Cmd::Stop, K::Tool, kBar, "Detener", nullptr, N::Computing },
    { Cmd::Back, K::Tool, kBar, "Anterior", nullptr, N::Back },
    { Cmd::Forward, K::Tool, kBar, "Siguiente", nullptr, N::Forward },
    { Cmd::Up, K::Tool, kBar, "Subir un nivel", nullptr, N::Up },
    { Cmd::RotationMode, K::Toggle, kBar, "Rotación", nullptr, N::RotatableView },
    { Cmd::ZoomMode, K::Toggle, kBar, "Zoom", nullptr, N::ScaledView },
    { Cmd::ColourMode, K::Toggle, kBar, "Color" },
    { Cmd::DeformationMode, K::Toggle, kBar, "Deformaciones" },
    { Cmd::MisclosureMode, K::Toggle, kBar, "Cierres", nullptr, N::Massif },

    { Cmd::MassifMenu, K::Menu, kBar, "&Macizo" },
    { Cmd::New, K::Command, Cmd::MassifMenu, "&Nuevo ...", "Ctrl+N" },
    { Cmd::Open, K::Command, Cmd::MassifMenu, "&Abrir ...", "Ctrl+O" },
    { Cmd::Close, K::Command, Cmd::MassifMenu, "&Cerrar", nullptr, N::Massif },
    { Cmd::Save, K::Command, Cmd::MassifMenu, "&Guardar", "Ctrl+S", N::Massif },
    { Cmd::SaveAs, K::Command, Cmd::MassifMenu, "G&uardar como ...", nullptr, N::Massif },
    { Cmd::Separator, K::Separator, Cmd::MassifMenu, "" },
    { Cmd::IsolateSheets, K::Command, Cmd::MassifMenu, "Ais&lar ...", nullptr, N::Massif },
    { Cmd::Recover, K::Menu, Cmd::MassifMenu, "&Recuperar", nullptr, N::Selection },
    { Cmd::RecoverAll, K::Command, Cmd::Recover, "&Todo" },
    { Cmd::RecoverSystem, K::Command, Cmd::Recover, "&Sistema" },
    { Cmd::RecoverCave, K::Command, Cmd::Recover, "Ca&vidad" },
    { Cmd::RecoverNetwork, K::Command, Cmd::Recover, "Re&d" },
    { Cmd::RecoverPlace, K::Command, Cmd::Recover, "&Lugar" },
    { Cmd::Separator, K::Separator, Cmd::MassifMenu, "" },
    { Cmd::PrinterSetup, K::Command, Cmd::MassifMenu, "C&onfigurar impresora ..." },
    { Cmd::PageSetup, K::Command, Cmd::MassifMenu, "A&justar página ..." },
    { Cmd::Preview, K::Command, Cmd::MassifMenu, "Vista pr&e-impresión ...", nullptr, N::ActiveView },
    { Cmd::Print, K::Command, Cmd::MassifMenu, "Im&primir ...", "Ctrl+P", N::ActiveView },
    { Cmd::Separator, K::Separator, Cmd::MassifMenu, "" },
    { Cmd::Recent1, K::Command, Cmd::MassifMenu, "&1" },
    { Cmd::Recent2, K::Command, Cmd::MassifMenu, "&2" },
    { Cmd::Recent3, K::Command, Cmd::MassifMenu, "&3" },
    { Cmd::Separator, K::Separator, Cmd::MassifMenu, "" },
    { Cmd::Exit, K::Command, Cmd::MassifMenu, "Sal&ir" },

    { Cmd::EditMenu, K::Menu, kBar, "&Edición" },
    { Cmd::Undo, K::Command, Cmd::EditMenu, "&Deschacer", "Ctrl+Z", N::Undo },
    { Cmd::Cut, K::Command, Cmd::EditMenu, "&Cortar", "Ctrl+X", N::Explorer },
    { Cmd::Copy, K::Command, Cmd::EditMenu, "C&opiar", "Ctrl+C", N::Explorer },
    { Cmd::Paste, K::Command, Cmd::EditMenu, "&Pegar", "Ctrl+V", N::Clipboard },

    { Cmd::ShowMenu, K::Menu, kBar, "&Ver" },
    { Cmd::ToolBars, K::Menu, Cmd::ShowMenu, "Barra de &herramientas" },
    { Cmd::GeneralBar, K::Toggle, Cmd::ToolBars, "&General" },
    { Cmd::ExplorerBar, K::Toggle, Cmd::ToolBars, "&Explorador" },
    { Cmd::ViewsBar, K::Toggle, Cmd::ToolBars, "V&istas" },
    { Cmd::TextLabels, K::Toggle, Cmd::ToolBars, "E&tiquetas de texto" },
    { Cmd::StatusBar, K::Toggle, Cmd::ShowMenu, "&Barra de estado" },
    { Cmd::WebStyle, K::Toggle, Cmd::ShowMenu, "Como una página &Web" },
    { Cmd::Separator, K::Separator, Cmd::ShowMenu, "" },
    { Cmd::LargeIcons, K::Toggle, Cmd::ShowMenu, "Iconos g&randes" },
    { Cmd::SmallIcons, K::Toggle, Cmd::ShowMenu, "Iconos pe&queños" },
    { Cmd::ListStyle, K::Toggle, Cmd::ShowMenu, "&Lista" },
    { Cmd::DetailStyle, K::Toggle, Cmd::ShowMenu, "&Detalle" },

    { Cmd::GoMenu, K::Menu, kBar, "&Ir a" },
    { Cmd::GoExplorer, K::Command, Cmd::GoMenu, "&Explorador", nullptr, N::Massif },
    { Cmd::GoPlan, K::Command, Cmd::GoMenu, "&Planta", nullptr, N::Massif },
    { Cmd::GoElevation, K::Command, Cmd::GoMenu, "&Alzado", nullptr, N::Massif },
    { Cmd::GoPerspective, K::Command, Cmd::GoMenu, "Pe&rspectiva", nullptr, N::Massif },
    { Cmd::GoTable, K::Command, Cmd::GoMenu, "&Tabla", nullptr, N::Massif },
    { Cmd::GoStatistics, K::Command, Cmd::GoMenu, "E&stadísticas ...", nullptr, N::Massif },

    { Cmd::DataMenu, K::Menu, kBar, "&Datos", nullptr, N::Massif },
    { Cmd::NewSheet, K::Command, Cmd::DataMenu, "&Nueva ficha ..." },
    { Cmd::FindSheet, K::Command, Cmd::DataMenu, "&Buscar una ficha ...", "Ctrl+F", N::Massif },
    { Cmd::ReferencePoints, K::Command, Cmd::DataMenu, "&Puntos de referencia ...", nullptr, N::Massif },
    { Cmd::Declinations, K::Command, Cmd::DataMenu, "D&eclinaciones ...", nullptr, N::Massif },
    { Cmd::ImportMenu, K::Menu, Cmd::DataMenu, "&Importar" },
    { Cmd::ImportToporobot, K::Command, Cmd::ImportMenu, "&Toporobot ...", nullptr, N::Massif },
    { Cmd::ImportSurvex, K::Command, Cmd::ImportMenu, "&Survex ...", nullptr, N::Massif },
    { Cmd::ImportCompass, K::Command, Cmd::ImportMenu, "&Compass ...", nullptr, N::Massif },
    { Cmd::ImportWalls, K::Command, Cmd::ImportMenu, "&Walls ...", nullptr, N::Massif },
    { Cmd::ExportMenu, K::Menu, Cmd::DataMenu, "&Exportar" },
    { Cmd::ExportToporobot, K::Command, Cmd::ExportMenu, "&Toporobot ...", nullptr, N::Massif },
    { Cmd::ExportSurvex, K::Command, Cmd::ExportMenu, "&Survex ...", nullptr, N::Massif },
    { Cmd::ExportVrml, K::Command, Cmd::ExportMenu, "&VRML ...", nullptr, N::Massif },
    { Cmd::ExportHpgl, K::Command, Cmd::ExportMenu, "&HPGL ...", nullptr, N::Massif },

    { Cmd::ViewMenu, K::Menu, kBar, "&Vista", nullptr, N::ActiveView },
    { Cmd::Rotate, K::Command, Cmd::ViewMenu, "&Rotar ..." },
    { Cmd::RotateHorizontally, K::Command, Cmd::ViewMenu, "Rotar &horizontalmente ...", nullptr, N::PerspectiveView },
    { Cmd::Echelle, K::Command, Cmd::ViewMenu, "&Escala ..." },
    { Cmd::Rapport, K::Command, Cmd::ViewMenu, "&Porcentaje ..." },
    { Cmd::ColourMenu, K::Menu, Cmd::ViewMenu, "C&olor" },
    { Cmd::ColourGallery, K::Command, Cmd::ColourMenu, "&Galería ...", nullptr, N::ViewPoint },
    { Cmd::ColourSheet, K::Command, Cmd::ColourMenu, "&Ficha ...", nullptr, N::ViewPoint },
    { Cmd::ColourPlace, K::Command, Cmd::ColourMenu, "&Lugar ...", nullptr, N::ViewPoint },
    { Cmd::ColourNetwork, K::Command, Cmd::ColourMenu, "&Red ...", nullptr, N::ViewPoint },
    { Cmd::ColourCave, K::Command, Cmd::ColourMenu, "&Cavidad ...", nullptr, N::ViewPoint },
    { Cmd::ColourSystem, K::Command, Cmd::ColourMenu, "&Sistema ...", nullptr, N::ViewPoint },
    { Cmd::IsolateMenu, K::Menu, Cmd::ViewMenu, "Ai&slar" },
    { Cmd::IsolateSheet, K::Command, Cmd::IsolateMenu, "F&icha", nullptr, N::ViewPoint },
    { Cmd::IsolatePlace, K::Command, Cmd::IsolateMenu, "&Lugar", nullptr, N::ViewPoint },
    { Cmd::IsolateNetwork, K::Command, Cmd::IsolateMenu, "Re&d", nullptr, N::ViewPoint },
    { Cmd::IsolateCave, K::Command, Cmd::IsolateMenu, "Ca&vidad", nullptr, N::ViewPoint },
    { Cmd::IsolateSystem, K::Command, Cmd::IsolateMenu, "&Sistema", nullptr, N::ViewPoint },
    { Cmd::IsolateScreen, K::Command, Cmd::IsolateMenu, "&Pantalla" },
    { Cmd::ExcludeMenu, K::Menu, Cmd::ViewMenu, "&Excluir" },
    { Cmd::ExcludeSheet, K::Command, Cmd::ExcludeMenu, "F&icha", nullptr, N::ViewPoint },
    { Cmd::ExcludePlace, K::Command, Cmd::ExcludeMenu, "&Lugar", nullptr, N::ViewPoint },
    { Cmd::ExcludeNetwork, K::Command, Cmd::ExcludeMenu, "Re&d", nullptr, N::ViewPoint },
    { Cmd::ExcludeCave, K::Command, Cmd::ExcludeMenu, "Ca&vidad", nullptr, N::ViewPoint },
    { Cmd::ExcludeSystem, K::Command, Cmd::ExcludeMenu, "&Sistema", nullptr, N::ViewPoint },
    { Cmd::WorstDeformation, K::Command, Cmd::ViewMenu, "&Deformación máxima" },
    { Cmd::SortMenu, K::Menu, Cmd::ViewMenu, "&Ordenar", nullptr, N::TableView },
    { Cmd::SortByEntry, K::Toggle, Cmd::SortMenu, "Orden de capt&ura" },
    { Cmd::SortByDate, K::Toggle, Cmd::SortMenu, "&Fecha" },
    { Cmd::SortByPlace, K::Toggle, Cmd::SortMenu, "&Localización" },

    { Cmd::BranchMenu, K::Menu, kBar, "&Ramal", nullptr, N::Massif },
    { Cmd::BranchNew, K::Command, Cmd::BranchMenu, "&Nueva ...", nullptr, N::BranchView },
    { Cmd::BranchContinue, K::Command, Cmd::BranchMenu, "&Continuar ...", nullptr, N::BranchView },
    { Cmd::BranchDeepen, K::Command, Cmd::BranchMenu, "&Approfondir ...", nullptr, N::BranchView },
    { Cmd::BranchInvert, K::Command, Cmd::BranchMenu, "&Invertir", nullptr, N::BranchView },
    { Cmd::BranchMove, K::Command, Cmd::BranchMenu, "&Desplazar ...", nullptr, N::BranchView },
    { Cmd::BranchJoin, K::Command, Cmd::BranchMenu, "Em&palmar", nullptr, N::BranchView },
    { Cmd::BranchRemove, K::Command, Cmd::BranchMenu, "Re&tirar", nullptr, N::BranchView },
    { Cmd::BranchRemoveAll, K::Command, Cmd::BranchMenu, "&Eliminar todos los alzados", nullptr, N::Massif },

    { Cmd::FormatMenu, K::Menu, kBar, "Forma&to" },
    { Cmd::Hints, K::Command, Cmd::FormatMenu, "&Sugerencias ..." },
    { Cmd::SheetFormat, K::Command, Cmd::FormatMenu, "&Ficha ..." },
    { Cmd::PlanFormat, K::Command, Cmd::FormatMenu, "&Planta ..." },
    { Cmd::ElevationFormat, K::Command, Cmd::FormatMenu, "&Alzado ..." },
    { Cmd::PerspectiveFormat, K::Command, Cmd::FormatMenu, "P&erspectiva ..." },
    { Cmd::TableFormat, K::Command, Cmd::FormatMenu, "Ta&bla ..." },
    { Cmd::OpenTemplate, K::Command, Cmd::FormatMenu, "Abrir &modelo ..." },
    { Cmd::SaveTemplate, K::Command, Cmd::FormatMenu, "&Guardar modelo ..." },

    { Cmd::ComputeMenu, K::Menu, kBar, "&Cálculo" },
    { Cmd::Automatic, K::Toggle, Cmd::ComputeMenu, "&Automático" },
    { Cmd::NoLimits, K::Toggle, Cmd::ComputeMenu, "Sin &límites de tamaño" },
    { Cmd::Detailed, K::Command, Cmd::ComputeMenu, "&Detallado", nullptr, N::Massif },
    { Cmd::Screening, K::Command, Cmd::ComputeMenu, "&Errores de cierre ...", nullptr, N::Massif },
    { Cmd::Fast, K::Command, Cmd::ComputeMenu, "&Rápido", nullptr, N::Massif },
    { Cmd::Interrupt, K::Command, Cmd::ComputeMenu, "&Interrumpir", nullptr, N::Computing },

    { Cmd::WindowsMenu, K::Menu, kBar, "&Ventanas" },
    { Cmd::Tile, K::Command, Cmd::WindowsMenu, "&Mosaico", nullptr, N::ActiveView },
    { Cmd::Cascade, K::Command, Cmd::WindowsMenu, "&Cascada", nullptr, N::ActiveView },
    { Cmd::ArrangeIcons, K::Command, Cmd::WindowsMenu, "&Reorganizar los iconos", nullptr, N::MinimisedWindow },
    { Cmd::Separator, K::Separator, Cmd::WindowsMenu, "" },

    { Cmd::HelpMenu, K::Menu, kBar, "?" },
    { Cmd::Help, K::Command, Cmd::HelpMenu, "&Ayuda ...", "F1" },
    { Cmd::About, K::Command, Cmd::HelpMenu, "Acerca &de ..." },
    { Cmd::Contribution, K::Command, Cmd::HelpMenu, "&Contribución ..." },
    { Cmd::Web, K::Command, Cmd::HelpMenu, "&Web ..." },
    { Cmd::Mail, K::Command, Cmd::HelpMenu, "&E-mail ..." },
};
// clang-format on

std::string Stripped(const char* caption)
{
    std::string name;
    for (const char* c = caption; *c; ++c)
        if (*c != '&')
            name += *c;
    const std::string dots = " ...";
    if (name.size() >= dots.size() && name.compare(name.size() - dots.size(), dots.size(), dots) == 0)
        name.resize(name.size() - dots.size());
    return name;
}

struct TTable
{
    std::vector<TCommandInfo> Rows { std::begin(kRows), std::end(kRows) };
    std::array<const TCommandInfo*, static_cast<std::size_t>(Cmd::Count)> ById {};
    std::array<std::string, static_cast<std::size_t>(Cmd::Count)> Names;

    TTable()
    {
        std::vector<std::string> taken;
        for (const TCommandInfo& row : Rows) {
            if (row.Kind == CmdKind::Separator)
                continue;
            const auto index = static_cast<std::size_t>(row.Id);
            ById[index] = &row;
            std::string name = Stripped(row.Caption);
            for (const std::string& other : taken)
                if (other == name) {
                    name = Stripped(ById[static_cast<std::size_t>(row.Parent)]->Caption) + "/" + name;
                    break;
                }
            taken.push_back(name);
            Names[index] = name;
        }
    }
};

const TTable& Table()
{
    static const TTable table;
    return table;
}

} // namespace

const std::vector<TCommandInfo>& CommandTable()
{
    return Table().Rows;
}

const TCommandInfo& CommandInfo(Cmd id)
{
    const TCommandInfo* info = Table().ById.at(static_cast<std::size_t>(id));
    assert(info);
    return *info;
}

const std::string& CommandName(Cmd id)
{
    return Table().Names.at(static_cast<std::size_t>(id));
}

bool IsEnabled(Needs needs, const TCommandState& s)
{
    switch (needs) {
    case Needs::Always:
        return true;
    case Needs::Massif:
        return s.Open;
    case Needs::ActiveView:
        return s.Open && s.ViewActive;
    case Needs::Selection:
        return s.Open && s.Selection;
    case Needs::ViewPoint:
        return s.Open && s.ViewActive && s.ViewPoint;
    case Needs::MinimisedWindow:
        return s.Open && s.ViewActive && s.Minimised;
    case Needs::Computing:
        return s.Computing;
    case Needs::Explorer:
        return s.Open && s.ExplorerShown;
    case Needs::Clipboard:
        return s.Open && s.ExplorerShown && s.Clipboard;
    case Needs::Undo:
        return s.Open && s.ExplorerShown && s.Undo;
    case Needs::Back:
        return s.Open && s.ExplorerShown && s.Back;
    case Needs::Forward:
        return s.Open && s.ExplorerShown && s.Forward;
    case Needs::Up:
        return s.Open && s.ExplorerShown && s.Up;
    case Needs::BranchView:
        return s.Open && s.ViewActive && s.BranchView;
    case Needs::RotatableView:
        return s.Open && s.ViewActive && s.RotatableView && !s.Shown3D;
    case Needs::ScaledView:
        return s.Open && s.ViewActive && !s.TableView && !s.Shown3D;
    case Needs::TableView:
        return s.Open && s.ViewActive && s.TableView;
    case Needs::PerspectiveView:
        return s.Open && s.ViewActive && s.PerspectiveView;
    }
    return false;
}

} // namespace ks
