#include "app/commands.h"

#include <gtest/gtest.h>

#include <set>

using namespace ks;

TEST(CommandTable, EveryCommandHasOneRowUnderAMenuBuiltBeforeIt)
{
    std::set<Cmd> seen, menus;
    std::set<std::string> names, shortcuts;
    for (const TCommandInfo& row : CommandTable()) {
        if (row.Parent != Cmd::Count) {
            EXPECT_TRUE(menus.count(row.Parent)) << row.Caption << " comes before its menu";
        }
        if (row.Kind == CmdKind::Separator)
            continue;
        EXPECT_TRUE(seen.insert(row.Id).second) << row.Caption << " has two rows";
        if (row.Kind == CmdKind::Menu)
            menus.insert(row.Id);
        EXPECT_TRUE(names.insert(CommandName(row.Id)).second) << CommandName(row.Id);
        if (row.Shortcut) {
            EXPECT_TRUE(shortcuts.insert(row.Shortcut).second) << row.Shortcut << " is taken twice";
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(Cmd::Count));
}

TEST(CommandTable, NamesDropTheAccessKeyAndDotsAndTakeTheirMenuWhenTaken)
{
    EXPECT_EQ(CommandName(Cmd::SaveAs), "Guardar como");
    EXPECT_EQ(CommandName(Cmd::ExplorerBar), "Explorador");
    EXPECT_EQ(CommandName(Cmd::GoExplorer), "Ir a/Explorador");
    EXPECT_EQ(CommandName(Cmd::PlanFormat), "Formato/Planta");
    // The view mode button came first; the sub-menu of "&Vista" takes its menu's name.
    EXPECT_EQ(CommandName(Cmd::ColourMode), "Color");
    EXPECT_EQ(CommandName(Cmd::ColourMenu), "Vista/Color");
    EXPECT_EQ(CommandName(Cmd::IsolatePlace), "Aislar/Lugar");
    EXPECT_EQ(CommandName(Cmd::ExportToporobot), "Exportar/Toporobot");
    EXPECT_STREQ(CommandInfo(Cmd::Print).Shortcut, "Ctrl+P");
}

TEST(CommandTable, EnablingRules)
{
    TCommandState none;
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Open).Enabled, none));
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::Save).Enabled, none));
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::New).Enabled, none)) << "the wizard can start a massif";
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Hints).Enabled, none));

    TCommandState open;
    open.Open = true;
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Save).Enabled, open));
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::Print).Enabled, open)) << "printing needs a view";
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::Recover).Enabled, open)) << "nothing isolated";
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Help).Enabled, none)) << "the manual needs no massif";

    // A perspective turns unless it shows its 3D scene, which has neither rotation nor zoom.
    TCommandState perspective = open;
    perspective.ViewActive = true;
    perspective.PerspectiveView = true;
    perspective.RotatableView = true;
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::RotateHorizontally).Enabled, perspective));
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::RotationMode).Enabled, perspective));
    perspective.Shown3D = true;
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::RotationMode).Enabled, perspective));
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::ZoomMode).Enabled, perspective));
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::RotateHorizontally).Enabled, perspective));
    perspective.PerspectiveView = false;
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::RotateHorizontally).Enabled, perspective));

    // Explorer commands follow the shown explorer, whatever it could do when minimised.
    TCommandState hidden = open;
    hidden.Clipboard = hidden.Undo = hidden.Back = true;
    for (Cmd id : { Cmd::Cut, Cmd::Paste, Cmd::Undo, Cmd::Back })
        EXPECT_FALSE(IsEnabled(CommandInfo(id).Enabled, hidden)) << CommandName(id);
    TCommandState shown = hidden;
    shown.ExplorerShown = true;
    for (Cmd id : { Cmd::Cut, Cmd::Paste, Cmd::Undo, Cmd::Back })
        EXPECT_TRUE(IsEnabled(CommandInfo(id).Enabled, shown)) << CommandName(id);
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::Forward).Enabled, shown));

    // A selected shot left over from a closed view enables nothing.
    TCommandState point = open;
    point.ViewPoint = true;
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::ColourSheet).Enabled, point));
    point.ViewActive = true;
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::ColourSheet).Enabled, point));
    EXPECT_FALSE(IsEnabled(CommandInfo(Cmd::ArrangeIcons).Enabled, point));

    TCommandState computing;
    computing.Computing = true;
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Stop).Enabled, computing));
    EXPECT_TRUE(IsEnabled(CommandInfo(Cmd::Interrupt).Enabled, computing));
}
