#pragma once
// "Nuevo elemento": starts a new piece of survey work in its place of the massif (a new massif,
// system, cave, exploration or surface traverse) and ends on the sheet editor, pre-filled.

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QComboBox;
class TMassif;

namespace ks {

// What the wizard asks of the main window.
struct TWizardHost
{
    std::function<TMassif*()> Massif;
    std::function<bool()> CloseMassif; // after asking to save; false when the user kept it
    std::function<void()> NewMassif; // an empty one
    std::function<bool()> OpenMassif; // one chosen in the open dialog; false when cancelled
    std::function<bool()> NameMassif; // the open massif saved under a chosen name; false when cancelled
    std::function<void()> Declinations;
    std::function<void()> References;
    std::function<void()> Changed; // system names changed: explorer refreshed, massif modified
};

class TNouveaute : public QDialog
{
public:
    enum Kind { kMassif, kSystem, kCave, kExploration, kSurface };

    TNouveaute(TWizardHost host, QWidget* parent = nullptr);

    // Once the wizard closed on a sheet to enter: its system, cave, network and place (model text).
    const std::optional<std::array<std::string, 4>>& EditorTexts() const { return m_editor; }

    void Next(); // "&Siguiente >" (or "&Terminar")
    void Back(); // "< &Anterior"
    int Step() const { return m_step; }

private:
    void Show(int page, int step);
    void UpdateButtons();
    void ByKind(); // step 1 with "Actual"
    void OpenEditor(const std::string& system, const std::string& cave = {}, const std::string& network = {},
        const std::string& place = {});
    bool ReplaceMassif(bool open); // closes the open massif, then a new or an opened one

    TWizardHost m_host;
    int m_step = 0;
    int m_kind = -1;
    bool m_hadMassif = false;
    bool m_changedMassif = false; // the wizard replaced the massif open when it started
    std::vector<int> m_history; // the steps before this one
    std::optional<std::array<std::string, 4>> m_editor;

    QStackedWidget* m_pages;
    QLabel* m_heading;
    QPushButton* m_back;
    QPushButton* m_next;
    QButtonGroup* m_kinds;
    QButtonGroup* m_which;
    QLineEdit* m_caveName;
    QButtonGroup* m_caveKind;
    QButtonGroup* m_joinKind;
    QListWidget* m_systems;
    QLineEdit* m_systemName;
    QListWidget* m_oldSystems;
    QListWidget* m_oldCaves;
    std::array<QComboBox*, 4> m_exploration {};
};

} // namespace ks
