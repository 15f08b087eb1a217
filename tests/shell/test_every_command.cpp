// Every enabled command of the main window's menus and tool bars, and of the plan window's pop-up
// menu, does something a user can see: a window or dialog, a question, a message, or a change of
// the massif, the views or the settings. The scripted prompt declines every question.
#include "app/settings.h"
#include "explorer/ui/explorer.h"
#include "model/massif.h"
#include "shell/main_window.h"
#include "support/fixture.h"
#include "support/scripted_prompt.h"
#include "ui/help.h"
#include "views/graphique.h"
#include "views/plan.h"
#include "window/afficheur.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

using namespace ks;
using namespace ks::test;

namespace {

// Commands left out, each with its reason.
const std::set<QString> kExempt = {
    // Only enabled while a computation runs; the computation tests press them.
    QStringLiteral("Detener"),
    QStringLiteral("Interrumpir"),
};

struct Command
{
    QString path; // menu captions down to the command, for the failure message
    QAction* action;
    QMenu* menu; // the menu it sits in (opened first, as a user does), or null for a tool button
};

void Collect(QMenu* menu, const QString& path, std::vector<Command>& out)
{
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QString here = path + QStringLiteral(" > ") + action->text();
        if (action->menu())
            Collect(action->menu(), here, out);
        else
            out.push_back({ here, action, menu });
    }
}

class EveryCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt.declineUnexpected = true;
        prompt.printAccept = false;
        WriteFile(home.Path("cueva.mas"), ReadFile(kSample));
        window = std::make_unique<TMainWindow>(QString::fromStdString(home.Path("")));
        window->resize(1000, 700);
        window->show();
        // Every dialog a command opens is counted and closed as Cancel would.
        QObject::connect(&m_closer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                // A dialog counts once; a later one built at a freed one's address counts again.
                if (dialog != m_last) {
                    m_last = dialog;
                    ++dialogs;
                    // F1 on it opens a chapter of its own, not the main window's.
                    const HelpTopic topic
                        = HelpTopicOf(dialog->focusWidget() ? dialog->focusWidget() : dialog);
                    if (topic == HelpTopic::Contents || topic == HelpTopic::MainWindow)
                        ADD_FAILURE() << "no help topic on " << dialog->windowTitle().toStdString();
                }
                dialog->reject();
            }
        });
        m_closer.start(10);
        Prepare();
    }
    void TearDown() override
    {
        m_closer.stop();
        window.reset();
    }

    // The sample open and computed, the explorer and the plan window open, the plan active, one
    // shot selected in it, no isolation.
    void Prepare()
    {
        // The help window, left open by "&Ayuda ...", would take the activation from the views.
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QStringLiteral("Ayuda"))
                top->close();
        if (!window->Massif())
            window->OpenMassif(QString::fromStdString(home.Path("cueva.mas")));
        ASSERT_TRUE(WaitUntil([this] { return !window->Computation().Running(); }));
        if (!window->Massif()->Computed) {
            window->Computation().RequestFast();
            ASSERT_TRUE(WaitUntil([this] { return window->Massif()->Computed; }));
        }
        TMassif& m = *window->Massif();
        if (m.SelectionActive)
            window->Action(QStringLiteral("Todo"))->trigger();
        window->OpenExplorer();
        TAfficheur* plan = window->OpenPlanWindow();
        ASSERT_NE(plan, nullptr);
        plan->StopRotation();
        if (QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(plan->parentWidget()))
            frame->showMaximized();
        plan->Fiche = 0;
        plan->Galerie = 0;
        plan->Point = 1;
        window->UpdateCommands();
        QCoreApplication::processEvents();
    }

    // What a user could notice changed.
    QString State() const
    {
        QStringList parts;
        parts << QString::number(prompt.shown.size()) << QString::number(prompt.inputs.size())
              << QString::number(prompt.problems.size()) << QString::number(prompt.questions.size())
              << QString::number(prompt.fileDialogs) << QString::number(prompt.printDialogs)
              << QString::number(prompt.colourDialogs) << QString::number(dialogs);
        parts << window->windowTitle() << QString::fromStdString(WriteSettings(window->Settings()));
        parts << ShownHelp().toString();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top != window.get())
                parts << top->windowTitle();
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            parts << bar->objectName() + (bar->isVisible() ? "+" : "-")
                    + QString::number(bar->toolButtonStyle());
        parts << (window->statusBar()->isVisible() ? "status" : "nostatus");
        for (QLabel* label : window->statusBar()->findChildren<QLabel*>())
            parts << label->text();
        for (QAction* action : window->findChildren<QAction*>())
            if (action->isCheckable())
                parts << action->objectName() + (action->isChecked() ? "+" : "-");
        if (const TMassif* m = window->Massif()) {
            parts << (m->Saved ? "saved" : "changed") << (m->Computed ? "computed" : "stale")
                  << QString::number(m->CurrentSheets().size()) << QString::number(m->Sheets.size())
                  << QString::number(m->RecycleBin.size());
            for (const auto& sheet : m->Sheets)
                for (const auto& gallery : sheet->Galeries)
                    parts << QString::number(gallery->Colour);
            const QFileInfo file(QString::fromStdString(m->FileName));
            parts << QString::number(file.lastModified().toMSecsSinceEpoch())
                  << QString::number(QFileInfo::exists(QString::fromStdString(home.Path("cueva.BAK"))));
        } else {
            parts << "closed";
        }
        if (auto* area = window->findChild<QMdiArea*>()) {
            for (QMdiSubWindow* child : area->subWindowList())
                parts << child->windowTitle() << QString::number(child->windowState())
                      << QString::number(child->geometry().x()) << QString::number(child->geometry().y())
                      << QString::number(child->geometry().width())
                      << QString::number(child->geometry().height())
                      << (child == area->activeSubWindow() ? "active" : "");
        }
        if (TAfficheur* plan = window->PlanWindow()) {
            parts << QString::number(plan->Plan()->Angle)
                  << QString::number(plan->Graphique()->Viewport().Echelle)
                  << QString::number(plan->Rapport()) << QString::number(plan->Rotating())
                  << QString::number(plan->Fiche) << QString::number(plan->Galerie)
                  << QString::number(plan->Point);
        }
        if (TExploreur* explorer = window->Explorer()) {
            parts << QString::number(explorer->List()->isHeaderHidden())
                  << QString::number(explorer->List()->iconSize().width())
                  << QString::number(explorer->WebPanel()->isVisibleTo(explorer))
                  << QString::number(explorer->HasClipboard()) << QString::number(explorer->ClipboardCut());
            if (QTreeWidgetItem* current = explorer->Tree()->currentItem())
                parts << current->text(0);
        }
        return parts.join(QLatin1Char('|'));
    }

    // Triggers a command as a user would and tells whether it did something.
    void Check(const Command& command)
    {
        Prepare();
        if (command.path.contains(QStringLiteral("&Recuperar"))) {
            // Recovery needs an isolation to end or widen: one sheet of the second system.
            TMassif& m = *window->Massif();
            m.Selection = std::vector<TFiche*> { m.Sheets[19].get() };
            m.SelectionActive = true;
            window->UpdateCommands();
        }
        if (command.path == QStringLiteral("&Ir a > &Planta")) {
            // Bringing forward the window already in front shows nothing new: start elsewhere.
            auto* area = window->findChild<QMdiArea*>();
            area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->Explorer()->parentWidget()));
        }
        if (command.path == QStringLiteral("&Ventanas > &Reorganizar los iconos")) {
            QWidget* frame = window->Explorer()->parentWidget();
            frame->showMinimized();
            frame->move(200, 10);
        }
        if (command.action->isCheckable() && command.action->isChecked() && command.action->actionGroup()
            && command.action->actionGroup()->isExclusive())
            return; // choosing the ticked entry of a group again changes nothing, as radio items do
        if (command.menu) {
            if (!command.menu->menuAction()->isEnabled())
                return; // the whole menu is disabled: the user cannot reach the command
            emit command.menu->aboutToShow();
        }
        if (!command.action->isEnabled() || !command.action->isVisible())
            return;
        const QString before = State();
        if (std::getenv("KARSTELLE_TRACE"))
            std::fprintf(stderr, "%s\n", command.path.toUtf8().constData());
        command.action->trigger();
        WaitUntil([] { return false; }, 50); // queued work and timers of the command
        WaitUntil([this] { return !window->Computation().Pending() && !window->Computation().Running(); });
        ++triggered;
        const QString after = State();
        EXPECT_TRUE(after != before) << command.path.toStdString() << " did nothing";
    }

    TempDir home;
    ScriptedPrompt prompt;
    std::unique_ptr<TMainWindow> window;
    int dialogs = 0;
    int triggered = 0;

private:
    QTimer m_closer;
    QPointer<QDialog> m_last;
};

} // namespace

TEST_F(EveryCommandTest, OfTheMainWindowsMenusAndToolBars)
{
    std::vector<Command> commands;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu())
            Collect(top->menu(), top->text(), commands);
    std::set<QAction*> inMenus;
    for (const Command& c : commands)
        inMenus.insert(c.action);
    for (QToolBar* bar : window->findChildren<QToolBar*>())
        for (QAction* action : bar->actions())
            if (!action->isSeparator() && !inMenus.count(action) && !action->text().isEmpty())
                commands.push_back({ bar->windowTitle() + " > " + action->text(), action, nullptr });
    for (const Command& command : commands) {
        if (kExempt.count(command.action->objectName()))
            continue;
        Check(command);
    }
    EXPECT_GT(triggered, 60);
}

TEST_F(EveryCommandTest, OfThePlanWindowsPopupMenu)
{
    std::vector<Command> commands;
    QMenu* menu = window->PlanWindow()->ContextMenu();
    Collect(menu, "Planta", commands);
    for (const Command& command : commands) {
        // The pop-up is built for the selection of the moment it opens: take each entry from a
        // menu built anew, after the preparation.
        Prepare();
        QMenu* fresh = window->PlanWindow()->ContextMenu();
        std::vector<Command> now;
        Collect(fresh, "Planta", now);
        for (const Command& c : now)
            if (c.path == command.path)
                Check({ c.path, c.action, nullptr });
        delete fresh;
    }
    delete menu;
    EXPECT_GT(triggered, 15);
}
