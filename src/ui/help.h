#pragma once
// The manual's help window and the chapter of each window.

#include <QString>
#include <QUrl>

#include <vector>

class QWidget;

namespace ks {

// The topics of the bundled manual. Each window and dialog names the topic that F1 opens.
enum class HelpTopic {
    Contents,
    GettingStarted,
    MainWindow,
    Shortcuts,
    Explorer,
    SheetEditor,
    Stations,
    GalleryInfo,
    Surveyors,
    EntryPreferences,
    NewElement,
    Computation,
    ReferencePoints,
    Declinations,
    Plan,
    Rotation,
    Elevation,
    Branches,
    Perspective,
    Scene3D,
    Table,
    ViewOptions,
    Hints,
    Printing,
    Exchange,
    Statistics,
    Search,
    OptionFiles,
    CommandLine,
    Screening,
};

// The anchor of a topic in the manual ("planta", "ficha" ...).
const char* HelpAnchor(HelpTopic topic);
// Every topic, in the order of the enumeration.
std::vector<HelpTopic> AllHelpTopics();

// The manual as bundled in the program, and the page of one topic.
QUrl ManualUrl();
QUrl HelpUrl(HelpTopic topic);

// Names the topic of a window or dialog: F1 on it or on any of its children opens that topic.
void SetHelpTopic(QWidget* widget, HelpTopic topic);
// The topic of the nearest of `widget` and its parents that names one; Contents when none does.
HelpTopic HelpTopicOf(const QWidget* widget);

// Makes F1 open the help at the topic of the window that has the keyboard, everywhere in the
// application, while `owner` lives; the help window goes with it.
void InstallHelp(QWidget* owner);
// Shows the help window at a topic, above any dialog that is open.
void ShowHelp(HelpTopic topic);
// The help window's page, empty while no help was shown (for tests).
QUrl ShownHelp();

} // namespace ks
