#include <gtest/gtest.h>

#include "support/ui_harness.h"
#include "ui/menu.h"
#include "ui_fixtures.h"

namespace {

using namespace ui;
using testsupport::TestWindow;
using testsupport::UiHarness;

constexpr const char* kDialog = R"(<Window size="300,200">
  <VerticalLayout name="root">
    <Button name="ok_btn" height="40"/>
    <Button name="cancel_btn" height="40"/>
  </VerticalLayout>
</Window>)";

HeadlessWindowHost& HostOf(CWindowWnd& w) {
    return static_cast<HeadlessWindowHost&>(w.Host());
}

TEST(WindowTest, CreatesShowsCentresAndCloses) {
    UiHarness ui;
    HeadlessWindowHost::SetScreenRect({0, 0, 1920, 1080});
    TestWindow wnd(kDialog);
    std::vector<std::string> seen;
    wnd.onNotify = [&](TNotifyUI& m) { seen.push_back(m.sType); };
    ASSERT_TRUE(wnd.Create(nullptr, "Quillon", 0x96CA0000u, 0, 0, 0, 800, 572));
    EXPECT_TRUE(wnd.IsVisible());  // WS_VISIBLE
    EXPECT_EQ(HostOf(wnd).Title(), "Quillon");
    EXPECT_EQ(HostOf(wnd).Style(), 0x96CA0000u);
    EXPECT_EQ(wnd.GetWindowRect(), (UiRect{0, 0, 300, 200}));  // the layout's size
    EXPECT_EQ(seen.front(), "windowinit");
    EXPECT_EQ(wnd.GetPaintManager().GetClientSize(), (UiSize{300, 200}));

    wnd.CenterWindow();
    EXPECT_EQ(wnd.GetWindowRect(), (UiRect{810, 440, 1110, 640}));
    wnd.ResizeClient(400, 300);
    EXPECT_EQ(wnd.GetPaintManager().GetClientSize(), (UiSize{400, 300}));
    EXPECT_TRUE(std::count(seen.begin(), seen.end(), "windowsize") >= 1);
    wnd.SetTopmost(true);
    EXPECT_TRUE(HostOf(wnd).IsTopmost());
    wnd.SetTopmost(false);
    EXPECT_FALSE(HostOf(wnd).IsTopmost());
    wnd.HandleMessage(kMsgSysCommand, kScMinimize, 0);
    EXPECT_TRUE(wnd.IsMinimized());
    wnd.HandleMessage(kMsgSysCommand, kScRestore, 0);
    EXPECT_FALSE(wnd.IsMinimized());
    wnd.ShowWindow(false);
    EXPECT_FALSE(wnd.IsVisible());

    bool destroyed = false;
    wnd.onMessage = [&](uint32_t msg, uintptr_t, intptr_t, bool& handled) -> intptr_t {
        destroyed = destroyed || msg == platform::kMsgDestroy;
        handled = false;
        return 0;
    };
    wnd.Close(3);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(wnd.IsWindow());
}

TEST(WindowTest, ModalWindowsReturnTheirResult) {
    UiHarness ui;
    TestWindow owner(kDialog);
    ASSERT_TRUE(owner.Create(nullptr, "owner", kStylePopup | kStyleVisible, 0));
    TestWindow dialog(kDialog);
    dialog.OnNotify("click", "ok_btn", [&](TNotifyUI&) { dialog.Close(1); });
    ASSERT_TRUE(dialog.Create(&owner, "dialog", kStylePopup, 0));
    HeadlessWindowHost::SetModalHandler([](CWindowWnd& w) {
        testsupport::UiDriver(static_cast<WindowImplBase&>(w)).Click("ok_btn");
    });
    EXPECT_EQ(dialog.ShowModal(), 1);
    EXPECT_FALSE(dialog.IsWindow());

    // Nobody answers: the modal window ends as cancelled.
    HeadlessWindowHost::SetModalHandler(nullptr);
    TestWindow second(kDialog);
    ASSERT_TRUE(second.Create(&owner, "dialog", kStylePopup, 0));
    EXPECT_EQ(second.ShowModal(), -1);
}

TEST(WindowTest, CustomMessagesAndWindowTimers) {
    UiHarness ui;
    TestWindow wnd(kDialog);
    std::vector<std::pair<uint32_t, uintptr_t>> got;
    wnd.onMessage = [&](uint32_t msg, uintptr_t w, intptr_t, bool& handled) -> intptr_t {
        handled = msg == 0x0C11 || msg == platform::kMsgTimer;
        if (handled)
            got.push_back({msg, w});
        return handled ? 42 : 0;
    };
    ASSERT_TRUE(wnd.Create(nullptr, "w", kStylePopup, 0));
    EXPECT_EQ(wnd.SendMessage(0x0C11, 5), 42);
    EXPECT_TRUE(wnd.PostMessage(0x0C11, 6));
    EXPECT_EQ(got.size(), 1u);
    ui.Advance(0);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1], (std::pair<uint32_t, uintptr_t>{0x0C11, 6}));

    got.clear();
    wnd.SetTimer(1055, 400, platform::TimerMode::OneShot);
    wnd.SetTimer(1067, 100);
    ui.Advance(450);
    int t1055 = 0, t1067 = 0;
    for (auto& [msg, id] : got) {
        t1055 += msg == platform::kMsgTimer && id == 1055;
        t1067 += msg == platform::kMsgTimer && id == 1067;
    }
    EXPECT_EQ(t1055, 1);
    EXPECT_EQ(t1067, 4);
    wnd.KillTimer(1067);
    got.clear();
    ui.Advance(1000);
    EXPECT_TRUE(got.empty());
}

TEST(WindowTest, ALayoutThatDoesNotBuildFailsTheWindow) {
    UiHarness ui;
    std::string error;
    auto wnd = ui.CreateWindow("<Window><Knob/></Window>", &error);
    EXPECT_FALSE(wnd);
    EXPECT_NE(error.find("unknown control class 'Knob'"), std::string::npos) << error;
}

TEST(WindowTest, MenusReportTheChosenItemToTheirOwner) {
    UiHarness ui;
    TestWindow owner(kDialog);
    std::string chosen;
    owner.onMessage = [&](uint32_t msg, uintptr_t, intptr_t l, bool& handled) -> intptr_t {
        handled = msg == kMsgMenuClick;
        if (handled)
            chosen = reinterpret_cast<const MenuCommand*>(l)->name;
        return 0;
    };
    ASSERT_TRUE(owner.Create(nullptr, "owner", kStylePopup | kStyleVisible, 0));
    CMenuWnd menu;
    ASSERT_TRUE(menu.Init(&owner,
                          "<Menu name=\"tray\"><MenuElement name=\"about_menu\" text=\"About\"/>"
                          "<MenuElement name=\"exit\" text=\"Exit\"/></Menu>",
                          {500, 400}, kMenuAlignLeft | kMenuAlignTop));
    EXPECT_TRUE(menu.IsOpen());
    EXPECT_EQ(menu.GetWindowRect(), (UiRect{340, 348, 500, 400}));  // opens up and left
    ASSERT_TRUE(testsupport::UiDriver(menu).Click("exit"));
    EXPECT_EQ(chosen, "exit");
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_FALSE(menu.ChooseItem("exit"));  // closed menus choose nothing more
}

TEST(WindowTest, TrayIconClicksReachTheOwner) {
    UiHarness ui;
    TestWindow owner(kDialog);
    std::vector<intptr_t> clicks;
    owner.onMessage = [&](uint32_t msg, uintptr_t, intptr_t l, bool& handled) -> intptr_t {
        handled = msg == 0x0401;
        if (handled)
            clicks.push_back(l);
        return 0;
    };
    ASSERT_TRUE(owner.Create(nullptr, "owner", kStylePopup, 0));
    CTrayIcon tray;
    tray.CreateTrayIcon(owner.GetHWND(), 107, "Quillon");
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_EQ(tray.GetTooltipText(), "Quillon");
    tray.OnIconMessage(kMsgLButtonUp);
    tray.OnIconMessage(kMsgRButtonUp);
    EXPECT_EQ(clicks, (std::vector<intptr_t>{kMsgLButtonUp, kMsgRButtonUp}));
    tray.DeleteTrayIcon();
    tray.OnIconMessage(kMsgLButtonUp);
    EXPECT_EQ(clicks.size(), 2u);
}

}  // namespace
