#include "app/TrayDialogCore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace remorra;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

struct FakeHost final : ITrayHost {
    bool trayAvailable = true;
    bool deleteWorks = true;
    bool iconShown = false;
    std::vector<std::string> calls;
    bool addTrayIcon(const NotifyIconData&) override
    {
        calls.push_back("add");
        iconShown = trayAvailable;
        return trayAvailable;
    }
    bool deleteTrayIcon(const NotifyIconData&) override
    {
        calls.push_back("delete");
        if (deleteWorks)
            iconShown = false;
        return deleteWorks;
    }
    void hideWindow() override { calls.push_back("hide"); }
    void showWindowActivated() override { calls.push_back("show"); }
    void minimizeNormally() override { calls.push_back("taskbar"); }
    void trackTrayMenu(int x, int y) override { calls.push_back("menu " + std::to_string(x) + "," + std::to_string(y)); }
    void setTrayMenuDefaultItem(int position) override { calls.push_back("default " + std::to_string(position)); }
};

struct Tray {
    FakeHost host;
    CTrayDialogCore dlg{host};
    int window = 0;
    Tray() { dlg.OnCreate(&window); }
};

} // namespace

TEST(TrayDialog, MinimiseAndRestoreFollowTheIconState)
{
    Tray t;
    EXPECT_TRUE(t.dlg.OnSysCommandMinimize(kScMinimize | 0x2)); // low bits are the system's own
    EXPECT_TRUE(t.dlg.InTray());
    EXPECT_TRUE(t.dlg.OnSysCommandMinimize(kScMinimize)); // already there: no second add
    EXPECT_EQ(t.dlg.OnTrayNotify(1, TrayMouse::LButtonDblClk, 5, 5), 1);
    EXPECT_FALSE(t.dlg.InTray());
    EXPECT_THAT(t.host.calls, ElementsAre("add", "hide", "delete", "show"));
    EXPECT_FALSE(t.dlg.OnSysCommandMinimize(0xF060)); // close: not ours
}

TEST(TrayDialog, FailuresLeaveTheWindowWhereItIs)
{
    Tray noArea;
    noArea.host.trayAvailable = false;
    noArea.dlg.OnSysCommandMinimize(kScMinimize);
    EXPECT_FALSE(noArea.dlg.InTray());
    EXPECT_THAT(noArea.host.calls, ElementsAre("add")); // neither hidden nor minimised

    Tray stuck;
    stuck.dlg.OnSysCommandMinimize(kScMinimize);
    stuck.host.deleteWorks = false;
    stuck.dlg.TrayRestore();
    EXPECT_TRUE(stuck.dlg.InTray()); // icon kept for another try
    stuck.host.deleteWorks = true;
    stuck.dlg.TrayRestore();
    EXPECT_FALSE(stuck.dlg.InTray());

    Tray plain;
    plain.dlg.TraySetMinimizeToTray(false);
    plain.dlg.OnSysCommandMinimize(kScMinimize);
    plain.dlg.TrayRestore();
    EXPECT_THAT(plain.host.calls, ElementsAre("taskbar"));
}

TEST(TrayDialog, IconEventsDispatchOnlyForIconOne)
{
    Tray t;
    t.dlg.OnSysCommandMinimize(kScMinimize);
    t.host.calls.clear();
    EXPECT_EQ(t.dlg.OnTrayNotify(2, TrayMouse::RButtonDown, 1, 1), 0);
    EXPECT_EQ(t.dlg.OnTrayNotify(2, TrayMouse::LButtonDblClk, 1, 1), 0);
    EXPECT_THAT(t.host.calls, IsEmpty());
    for (auto m : {TrayMouse::LButtonDown, TrayMouse::LButtonUp, TrayMouse::RButtonUp, TrayMouse::RButtonDblClk,
                   TrayMouse::MouseMove, TrayMouse::Other})
        EXPECT_EQ(t.dlg.OnTrayNotify(1, m, 1, 1), 1);
    EXPECT_THAT(t.host.calls, IsEmpty());
    EXPECT_TRUE(t.dlg.InTray());
}

TEST(TrayDialog, MenuGetsItsDefaultItemOnlyAfterTheFirstOpening)
{
    Tray t;
    t.dlg.OnTrayNotify(1, TrayMouse::RButtonDown, 10, 20);
    t.dlg.OnTrayNotify(1, TrayMouse::ContextMenu, 30, 40);
    EXPECT_THAT(t.host.calls, ElementsAre("menu 10,20", "default 0", "menu 30,40", "default 0"));
}

TEST(TrayDialog, DestroyRemovesOnlyAShownIcon)
{
    Tray shown;
    shown.dlg.OnSysCommandMinimize(kScMinimize);
    shown.dlg.OnDestroy();
    EXPECT_FALSE(shown.host.iconShown);

    Tray visible;
    visible.dlg.OnDestroy();
    EXPECT_THAT(visible.host.calls, IsEmpty());
}

TEST(TrayDialog, ToolTipIsCutTo127Characters)
{
    Tray t;
    t.dlg.TraySetToolTip(std::string(200, 'x'));
    EXPECT_EQ(std::string(t.dlg.IconData().szTip).size(), 127u);
    EXPECT_EQ(t.dlg.IconData().uID, 1u);
    EXPECT_EQ(t.dlg.IconData().uFlags, NotifyIconData::kMessage | NotifyIconData::kTip);
}
