#pragma once
// The main window: the massif, the option records, the view windows, menus and tool bars.

#include "app/commands.h"
#include "app/file_commands.h"
#include "app/settings.h"
#include "entry/preferences.h"
#include "explorer/explorer_model.h"
#include "model/editor_work.h"
#include "options/options.h"
#include "shell/computation.h"
#include "views/view_context.h"
#include "window/view_host.h"

#include <QMainWindow>
#include <QPoint>
#include <QStyle>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLineEdit;
class QMdiSubWindow;
class QLabel;
class QMdiArea;
class QMenu;
class QPrinter;
class QProgressBar;
class QSoundEffect;
class QToolBar;
class TMassif;
class TFiche;
class TEco;

namespace ks {

class TMultPageDlg;

inline constexpr const char* kPartlyReadText
    = "Se muestra lo que se pudo leer, sin nombre de fichero; el fichero no ha sido modificado. "
      "Guárdelo con otro nombre.";

class TAfficheur;
class TExploreur;
class TOutils_3D;

// The application's frame: menus, tool bars, status bar with its progress bar, the multiple-
// document area of the view windows. Owns the open massif, the option records and the settings.
class TMainWindow : public QMainWindow, public IViewHost
{
public:
    explicit TMainWindow(const QString& settingsFolder, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // Operations other parts use.
    // Asks to save a changed massif; true when the caller may go on: the massif was saved, was
    // not changed, or the user chose No. A cancelled or failed save gives false.
    bool AskSave(bool withCancel);
    void CloseMassif();
    void OpenMassif(const QString& fileName);
    void UpdateCommands();

    // Commands, callable by tests as the menus call them.
    void OpenCommand();
    bool SaveCommand(); // true when the massif was written
    bool SaveAsCommand();
    void CloseCommand();
    // The exit confirmation and its consequences; false when the user stayed.
    bool ExitCommand();
    void DropFiles(const QStringList& files);
    void OpenRecent(int index);
    void ReferencePointsCommand();
    void DeclinationsCommand();
    bool PlanOptionsCommand(); // true when confirmed; the plan window takes the angle and redraws
    bool ElevationOptionsCommand(); // "Forma&to" "&Alzado ...": true when confirmed
    bool TableOptionsCommand(); // "Forma&to" "Ta&bla ...": true when confirmed
    // "Forma&to" "P&erspectiva ...": true when confirmed; the perspective window takes the angles
    bool PerspectiveOptionsCommand();
    void MarginsCommand();
    // "Abrir &modelo ..." (open) and "&Guardar modelo ...": an option record from or to a file
    // whose extension (.PLA, .COU, .PER, .TABL) chooses the record.
    void TemplateCommand(bool open);
    void RemoveAllElevationsCommand(); // "&Eliminar todos los alzados", after its confirmation
    void ExportPlotterCommand(); // "&Exportar" "&HPGL ...": the plotter text of the current sheets
    // "&Exportar" "&VRML ...": the dialog "Exportación VRML", with the perspective window open.
    void ExportVrmlCommand();
    // "&Importar" "&Toporobot ...": a Toporobot file's sheets join the open massif when it was read whole.
    void ImportToporobotCommand();
    // "&Exportar" "&Toporobot ...": the current sheets and the reference points as a Toporobot file.
    void ExportToporobotCommand();
    // "&Importar" "&Survex ...", "&Compass ..." and "&Walls ...": a project's surveys join the open
    // massif when it was read whole; the end message gives what was imported and what was adapted.
    void ImportSurveyCommand(Cmd format);
    // "&Cálculo" "&Errores de cierre ...": the loops and the suspect shots; a double click opens
    // the sheet editor at the suspect reading.
    void ScreeningCommand();
    // The misclosure colours' values, screened again while that mode is on (none otherwise).
    void UpdateMisclosure();
    // "&Exportar" "&Survex ...": the current sheets and the reference points as one Survex file.
    void ExportSurvexCommand();
    void NewElementCommand(); // "&Nuevo ...": the wizard "Nuevo elemento", then the sheet editor
    void StatisticsCommand(); // "E&stadísticas ...": the current sheets' totals and rose
    void IsolateSheetsCommand(); // "Ais&lar ...": the sheets found become the selection
    void FindSheetCommand(); // "&Buscar una ficha ...": the sheet found in the sheet editor
    const TOptions_Plan& PlanOptions() const { return m_plan; }

    // View windows.
    TAfficheur* OpenPlanWindow(); // "&Planta": opens the plan window or brings it forward
    // A view window of a kind (TAfficheur::Kind): opened, or brought forward when it is open.
    TAfficheur* OpenViewWindow(int kind);
    TAfficheur* ViewWindow(int kind) const; // the open window of a kind, or null
    TAfficheur* ActiveView() const;
    TAfficheur* PlanWindow() const;
    TExploreur* Explorer() const;
    TExploreur* OpenExplorer(); // creates the explorer window when there is none, or brings it forward
    // The sheet editor on a sheet of the massif, on a new sheet (null), or on unfinished work.
    void OpenSheetEditor(TFiche* sheet, const TEditorWork* work = nullptr, const TFolder* prefill = nullptr,
        const std::function<void(TMultPageDlg&)>& prepare = {});
    void EntryPreferencesCommand(); // "Forma&to" "&Ficha ..."
    const TPreference_Ecran& EntryPreferences() const { return m_preferences; }
    void PrintCommand();
    void PreviewCommand();
    QLineEdit* EchelleBox() const { return m_echelleBox; }
    QComboBox* RapportBox() const { return m_rapportBox; }
    QLabel* StatusPanel1() const { return m_panel1; }
    QPrinter& Printer() { return *m_printer; }

    // IViewHost
    TViewContext& Context() override;
    int Mode() const override;
    bool ZoomDown() const override;
    void ReleaseZoom() override;
    void ShowEchelle(int denominator) override;
    void ShowRapport(int percent) override;
    void ShowStatus(const QString& text) override;
    void SelectionChanged() override;
    void ColoursChanged() override;
    void ElevationChanged() override;
    bool EditViewOptions(int kind) override;
    void PrintFromView(TAfficheur& view) override;
    void OpenSheet(int fiche) override;
    bool HasView(int kind) const override { return ViewWindow(kind) != nullptr; }
    void FitView(int kind) override;
    bool PerspectiveIn3D() const override;
    void Locate(int kind, int fiche, int galerie, int point) override;
    void State3DChanged() override;
    bool Printing() const override { return m_printing; }
    TOutils_3D* Tools3D() const { return m_outils; }
    // Once the window is shown: the chime, then the file named on the command line.
    void OpenAtStart(const QString& fileName);
    // Plays "Grelot.wav" of the program's folder when there is one; a machine without sound
    // plays nothing and says nothing.
    void PlayChime();
    // The folder where the chime is looked for: the program's (tests choose another).
    void SetProgramFolder(const QString& folder) { m_programFolder = folder; }

    TMassif* Massif() const { return m_massif.get(); }
    const TSettings& Settings() const { return m_settings; }
    TComputeController& Computation() { return *m_computation; }
    QAction* Action(Cmd id) const;
    // A menu or tool-bar command by its object name (the caption without "&" and " ...").
    QAction* Action(const QString& name) const;
    QLabel* StatusPanel() const { return m_status; }
    QProgressBar* ProgressBar() const { return m_progress; }
    QString SettingsFolder() const { return m_settingsFolder; }

    static QString TitleFor(const QString& fileName);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The menus and their commands bound, one menu (or two small ones) at a time.
    void BuildMenus();
    void BindMassifMenu();
    void BindEditMenu();
    void BindShowMenu();
    void BindGoAndDataMenus();
    void BindViewMenu();
    void BindBranchMenu();
    void BindFormatMenu();
    void BindComputeMenu();
    void BindWindowsMenu();
    void BindHelpMenu();
    void BuildToolBars();
    void ReadOptionsAndSettings();
    void WriteSettingsAndOptions();
    void ApplySettings();
    void RefreshRecentMenu();
    void AddRecent(const QString& fileName);
    void CreateCommands(); // every menu and command of the table, in its place
    void On(Cmd id, const std::function<void()>& command); // the command's slot, guarded
    void RouteToView(Cmd id, const std::function<void(TAfficheur&)>& command); // to the active view
    QString OptionPath(const char* file) const;
    // The one route of every change to the open massif: marked modified; for survey data a
    // running computation is stopped and a new one requested as the settings say; the explorer,
    // the views and the commands follow.
    enum class Change { Data, Appearance };
    void MassifChanged(Change change);
    QString Summary() const; // counts of the open massif, for the status bar
    void Recover(TEco TFiche::*field); // "&Recuperar" by system, cave, network or place
    void LayoutViews(); // every view window lays itself out again
    void HideViewHints(); // every view window's hover hint
    void PlanOptionsApplied(); // the plan window takes the options' angle; every view redraws
    void Refresh(); // the explorer, the views and the commands follow the massif
    void ArrangeIcons(); // "&Reorganizar los iconos": minimised windows in rows at the bottom
    void ListWindows(QMenu* menu); // the open windows at the end of "&Ventanas"
    void ApplyEchelleBox();
    QString MassifFolder() const; // where the export dialogs start: beside the massif's file
    void SyncTools3D(TAfficheur* perspective); // the 3D tools window follows the active perspective
    void KeepTools3DPosition(); // its place, into the settings ("Outils_3D_X", "Outils_3D_Y")
    template <typename T> std::vector<T*> Children() const; // the child windows of one kind
    QMdiSubWindow* AddChild(QWidget* child, QStyle::StandardPixmap icon); // a child window of the frame
    class Progress;
    class Busy;
    // False, after a message, when the margins leave nothing of the printer's page.
    bool CheckPrintableArea(const QPrinter& printer);

    QString m_settingsFolder;
    QString m_programFolder;
    QSoundEffect* m_chime = nullptr;
    std::unique_ptr<TMassif> m_massif;
    bool m_noMassif = true;
    TSettings m_settings;
    TOptions_Plan m_plan;
    TOptions_Coupe m_coupe;
    TOptions_Relief m_relief;
    TOptions_Tableau m_tableau;
    TMarge m_marge;
    TPreference_Ecran m_preferences;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<TComputeController> m_computation;
    std::unique_ptr<Progress> m_progressSink;
    std::unique_ptr<IFileDialogs> m_fileDialogs;
    std::unique_ptr<TFileCommands> m_files;
    QMdiArea* m_mdi = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_panel1 = nullptr;
    QLineEdit* m_echelleBox = nullptr;
    QComboBox* m_rapportBox = nullptr;
    bool m_echelleTyped = false; // typing in the scale box
    TViewContext m_context;
    QProgressBar* m_progress = nullptr;
    QToolBar* m_general = nullptr;
    QToolBar* m_explorer = nullptr;
    QToolBar* m_views = nullptr;
    std::array<QAction*, static_cast<std::size_t>(Cmd::Count)> m_commands {};
    static constexpr Cmd kRecent[3] = { Cmd::Recent1, Cmd::Recent2, Cmd::Recent3 };
    static constexpr Cmd kListStyles[4]
        = { Cmd::LargeIcons, Cmd::SmallIcons, Cmd::ListStyle, Cmd::DetailStyle };
    QAction* m_recentSeparator = nullptr;
    QAction* m_windowsSeparator = nullptr;
    bool m_computing = false;
    bool m_exiting = false;
    TOutils_3D* m_outils = nullptr; // "Herramientas_3D"
    int m_busy = 0; // a print job or the preview runs
    bool m_printing = false; // a print job's pages are being drawn on its thread
};

} // namespace ks
