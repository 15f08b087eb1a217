#pragma once
// The main window's commands: one table of captions, access keys, shortcuts, places and
// enabling rules, keyed by an enum. The window builds its menus and tool bars from it.

#include <string>
#include <vector>

namespace ks {

enum class Cmd {
    // Tool bars only.
    Calculate,
    Stop,
    Back,
    Forward,
    Up,
    RotationMode,
    ZoomMode,
    ColourMode,
    DeformationMode,
    MisclosureMode,
    // "&Macizo"
    MassifMenu,
    New,
    Open,
    Close,
    Save,
    SaveAs,
    IsolateSheets,
    Recover,
    RecoverAll,
    RecoverSystem,
    RecoverCave,
    RecoverNetwork,
    RecoverPlace,
    PrinterSetup,
    PageSetup,
    Preview,
    Print,
    Recent1,
    Recent2,
    Recent3,
    Exit,
    // "&Edición"
    EditMenu,
    Undo,
    Cut,
    Copy,
    Paste,
    // "&Ver"
    ShowMenu,
    ToolBars,
    GeneralBar,
    ExplorerBar,
    ViewsBar,
    TextLabels,
    StatusBar,
    WebStyle,
    LargeIcons,
    SmallIcons,
    ListStyle,
    DetailStyle,
    // "&Ir a"
    GoMenu,
    GoExplorer,
    GoPlan,
    GoElevation,
    GoPerspective,
    GoTable,
    GoStatistics,
    // "&Datos"
    DataMenu,
    NewSheet,
    FindSheet,
    ReferencePoints,
    Declinations,
    ImportMenu,
    ImportToporobot,
    ImportSurvex,
    ImportCompass,
    ImportWalls,
    ExportMenu,
    ExportToporobot,
    ExportSurvex,
    ExportVrml,
    ExportHpgl,
    // "&Vista"
    ViewMenu,
    Rotate,
    RotateHorizontally,
    Echelle,
    Rapport,
    ColourMenu,
    ColourGallery,
    ColourSheet,
    ColourPlace,
    ColourNetwork,
    ColourCave,
    ColourSystem,
    IsolateMenu,
    IsolateSheet,
    IsolatePlace,
    IsolateNetwork,
    IsolateCave,
    IsolateSystem,
    IsolateScreen,
    ExcludeMenu,
    ExcludeSheet,
    ExcludePlace,
    ExcludeNetwork,
    ExcludeCave,
    ExcludeSystem,
    WorstDeformation,
    SortMenu,
    SortByEntry,
    SortByPlace,
    SortByDate,
    // "&Ramal"
    BranchMenu,
    BranchNew,
    BranchContinue,
    BranchDeepen,
    BranchInvert,
    BranchMove,
    BranchJoin,
    BranchRemove,
    BranchRemoveAll,
    // "Forma&to"
    FormatMenu,
    Hints,
    SheetFormat,
    PlanFormat,
    ElevationFormat,
    PerspectiveFormat,
    TableFormat,
    OpenTemplate,
    SaveTemplate,
    // "&Cálculo"
    ComputeMenu,
    Automatic,
    NoLimits,
    Detailed,
    Screening,
    Fast,
    Interrupt,
    // "&Ventanas"
    WindowsMenu,
    Tile,
    Cascade,
    ArrangeIcons,
    // "?"
    HelpMenu,
    Help,
    About,
    Contribution,
    Web,
    Mail,
    Count,
    Separator = Count // a line between two groups of a menu
};

// When a command can be used.
enum class Needs {
    Always,
    Massif, // a massif is open
    ActiveView, // a view window is active
    Selection, // part of the massif is isolated
    ViewPoint, // the active view has a selected shot
    MinimisedWindow, // a view is active and some window is minimised
    Computing, // a computation runs
    Explorer, // the explorer is shown
    Clipboard, // the explorer has something to paste
    Undo, // the explorer can undo
    Back, // the explorer's history goes back
    Forward, // or forward
    Up, // the explorer's folder has a parent
    BranchView, // the active view is a plan or an elevation
    RotatableView, // the active view turns (a plan, or a perspective not shown in 3D)
    ScaledView, // the active view has a scale (not a table, nor a perspective in 3D)
    TableView, // the active view is a table
    PerspectiveView // the active view is a perspective
};

enum class CmdKind {
    Command, // an entry of a menu
    Toggle, // a checkable entry of a menu or tool bar
    Menu, // a menu of the bar (Parent null) or a sub-menu
    Tool, // a button of a tool bar only
    Separator
};

struct TCommandInfo
{
    Cmd Id;
    CmdKind Kind;
    Cmd Parent; // its menu; Cmd::Count for the menu bar and the tool bars
    const char* Caption; // UTF-8, with the access key after "&"
    const char* Shortcut = nullptr; // portable text, as "Ctrl+O"
    Needs Enabled = Needs::Always;
};

// The rows, in the order of the menus; tool-bar buttons first.
const std::vector<TCommandInfo>& CommandTable();
const TCommandInfo& CommandInfo(Cmd id);
// The command's object name: its caption without "&" and a trailing " ...", or, when an earlier
// command has that name, the name of its menu, "/" and that name ("Ir a/Explorador").
const std::string& CommandName(Cmd id);

// What the enabling rules look at.
struct TCommandState
{
    bool Open = false;
    bool ViewActive = false;
    bool Selection = false;
    bool ViewPoint = false;
    bool Minimised = false;
    bool Computing = false;
    bool ExplorerShown = false;
    bool Clipboard = false;
    bool Undo = false;
    bool Back = false;
    bool Forward = false;
    bool Up = false;
    bool BranchView = false;
    bool RotatableView = false;
    bool TableView = false;
    bool PerspectiveView = false;
    bool Shown3D = false; // the active perspective shows its 3D scene
};

bool IsEnabled(Needs needs, const TCommandState& state);

} // namespace ks
