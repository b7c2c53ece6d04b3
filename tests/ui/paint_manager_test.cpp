#include <gtest/gtest.h>

#include "platform/trace.h"
#include "support/ui_harness.h"
#include "ui/container.h"
#include "ui/controls.h"
#include "ui_fixtures.h"

namespace {

using namespace ui;
using testsupport::NotificationRecorder;
using testsupport::UiDriver;
using testsupport::UiHarness;

// Counts its timer ticks.
class CTickerUI : public CLabelUI {
public:
    void DoEvent(TEventUI& event) override {
        if (event.Type == UiEvent::Timer) {
            ticks.push_back({event.wParam, event.dwTimestamp});
            if (killOnTick)
                KillTimer(event.wParam);
            return;
        }
        CLabelUI::DoEvent(event);
    }
    std::vector<std::pair<uintptr_t, int64_t>> ticks;
    bool killOnTick = false;
};

class PaintManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = ui.CreateWindow(uitest::kPageLayout);
        ASSERT_TRUE(wnd);
        pm().AddNotifier(&rec);
    }
    CPaintManagerUI& pm() { return wnd->GetPaintManager(); }
    UiHarness ui;
    std::unique_ptr<testsupport::TestWindow> wnd;
    NotificationRecorder rec;
};

TEST_F(PaintManagerTest, ControlTimersRunInVirtualTimeAndDieWithTheControl) {
    auto* page = pm().FindControlAs<CContainerUI>("light_page");
    auto* ticker = static_cast<CTickerUI*>(page->Add(std::make_unique<CTickerUI>()));
    auto* other = static_cast<CTickerUI*>(page->Add(std::make_unique<CTickerUI>()));
    ASSERT_TRUE(ticker->SetTimer(7, 50));
    ASSERT_TRUE(other->SetTimer(7, 120));  // same id, another control: its own timer
    ui.Advance(49);
    EXPECT_TRUE(ticker->ticks.empty());
    ui.Advance(1);
    ASSERT_EQ(ticker->ticks.size(), 1u);
    EXPECT_EQ(ticker->ticks[0], (std::pair<uintptr_t, int64_t>{7, 50}));
    ui.Advance(100);
    EXPECT_EQ(ticker->ticks.size(), 3u);
    EXPECT_EQ(other->ticks.size(), 1u);

    // Setting it again restarts it; killing stops it.
    ticker->SetTimer(7, 1000);
    ui.Advance(999);
    EXPECT_EQ(ticker->ticks.size(), 3u);
    ticker->KillTimer(7);
    ui.Advance(5000);
    EXPECT_EQ(ticker->ticks.size(), 3u);

    // The control goes: its timers go with it, the others keep running.
    const size_t otherTicks = other->ticks.size();
    other->SetTimer(8, 10);
    EXPECT_TRUE(pm().HasTimer(other, 8));
    page->Remove(other);
    EXPECT_FALSE(pm().HasTimer(other, 8));
    ticker->SetTimer(1, 10);
    ui.Advance(100);  // would touch freed memory if the timers had survived
    EXPECT_EQ(ticker->ticks.size(), 13u);
    (void)otherTicks;

    // Controls that leave their timers alone pass them on as "timer".
    auto* plain = page->AddNew<CLabelUI>();
    plain->SetName("plain");
    plain->SetTimer(1032, 10);
    ui.Advance(10);
    ASSERT_NE(rec.Last("timer", "plain"), nullptr);
    EXPECT_EQ(rec.Last("timer", "plain")->wParam, 1032u);
    plain->KillTimer(1032);

    // A timer may kill itself from its tick.
    ticker->killOnTick = true;
    ui.Advance(100);
    EXPECT_EQ(ticker->ticks.size(), 15u);
}

TEST_F(PaintManagerTest, FocusMovesWithNotificationsAndLeavesHiddenControls) {
    CControlUI* a = pm().FindControl("deng_edit_R");
    CControlUI* b = pm().FindControl("profile_name_edit");
    a->SetFocus();
    b->SetFocus();
    EXPECT_EQ(pm().GetFocus(), b);
    EXPECT_EQ(rec.Sequence(),
              (std::vector<std::string>{"setfocus:deng_edit_R", "killfocus:deng_edit_R",
                                        "setfocus:profile_name_edit"}));
    // Hiding the page takes the focus away.
    rec.Clear();
    pm().FindControlAs<COptionUI>("key_Op_tab")->Selected(true);
    EXPECT_EQ(pm().GetFocus(), nullptr);
    EXPECT_EQ(rec.Sequence(), (std::vector<std::string>{"killfocus:profile_name_edit"}));
    // Hidden and disabled controls do not take it.
    b->SetFocus();
    EXPECT_EQ(pm().GetFocus(), nullptr);
    CControlUI* key = pm().FindSubControlByName(pm().FindControl("key_page"), "deng_edit_R");
    key->SetEnabled(false);
    key->SetFocus();
    EXPECT_EQ(pm().GetFocus(), nullptr);
}

TEST_F(PaintManagerTest, TabWalksTheVisibleTabStops) {
    pm().FindControl("deng_edit_R")->SetFocus();
    wnd->HandleMessage(kMsgKeyDown, kKeyTab, 0);
    EXPECT_EQ(pm().GetFocus(), pm().FindControl("profile_name_edit"));
    wnd->HandleMessage(kMsgKeyDown, kKeyTab, kModShift);
    wnd->HandleMessage(kMsgKeyDown, kKeyTab, kModShift);
    EXPECT_EQ(pm().GetFocus(), pm().FindControl("light_combo_modeSelect"));
    // The last stop wraps to the first; labels and hidden pages are skipped.
    pm().FindControl("deng_Color_Pallet")->SetFocus();
    pm().FindControl("closebtn")->SetFocus();
    wnd->HandleMessage(kMsgKeyDown, kKeyTab, kModShift);
    EXPECT_EQ(pm().GetFocus(), pm().FindControl("minbtn"));
    wnd->HandleMessage(kMsgKeyDown, kKeyTab, kModShift);
    EXPECT_EQ(pm().GetFocus(), pm().FindControl("profile_name_edit"));
}

TEST_F(PaintManagerTest, TheHotControlChoosesTheCursor) {
    auto& host = static_cast<HeadlessWindowHost&>(wnd->Host());
    CControlUI* edit = pm().FindControl("profile_name_edit");
    UiDriver driver(*wnd);
    driver.MoveMouse({edit->GetPos().left + 2, edit->GetPos().top + 2});
    EXPECT_EQ(host.Cursor(), CursorKind::IBeam);
    CControlUI* close = pm().FindControl("closebtn");
    ASSERT_EQ(close->SetAttribute("cursor", "hand"), AttrResult::Ok);
    EXPECT_EQ(close->SetAttribute("cursor", "pointer"), AttrResult::BadValue);
    driver.MoveMouse({close->GetPos().left + 2, close->GetPos().top + 2});
    EXPECT_EQ(host.Cursor(), CursorKind::Hand);
}

TEST_F(PaintManagerTest, ToolTipsShowAfterTheMouseRests) {
    auto& host = static_cast<HeadlessWindowHost&>(wnd->Host());
    CControlUI* close = pm().FindControl("closebtn");
    close->SetToolTip("Close");
    UiDriver driver(*wnd);
    driver.MoveMouse({close->GetPos().left + 2, close->GetPos().top + 2});
    ui.Advance(399);
    EXPECT_EQ(host.ToolTip(), "");
    ui.Advance(1);
    EXPECT_EQ(host.ToolTip(), "Close");
    driver.MoveMouse({1, 100});  // elsewhere
    EXPECT_EQ(host.ToolTip(), "");
    // Leaving before the delay shows nothing.
    driver.MoveMouse({close->GetPos().left + 2, close->GetPos().top + 2});
    ui.Advance(200);
    driver.MoveMouse({1, 100});
    ui.Advance(1000);
    EXPECT_EQ(host.ToolTip(), "");
}

TEST_F(PaintManagerTest, MessageFiltersSeeMessagesFirst) {
    struct Filter : IMessageFilterUI {
        int seen = 0;
        bool swallow = false;
        intptr_t MessageHandler(uint32_t msg, uintptr_t, intptr_t, bool& handled) override {
            if (msg == kMsgLButtonDown)
                ++seen;
            handled = swallow && msg == kMsgLButtonDown;
            return 0;
        }
    } filter;
    pm().AddMessageFilter(&filter);
    UiDriver driver(*wnd);
    driver.Click("closebtn");
    EXPECT_EQ(filter.seen, 1);
    EXPECT_EQ(rec.Count("click"), 1);
    filter.swallow = true;
    driver.Click("closebtn");
    EXPECT_EQ(filter.seen, 2);
    EXPECT_EQ(rec.Count("click"), 1);
    pm().RemoveMessageFilter(&filter);
}

TEST_F(PaintManagerTest, HitTestingFollowsVisibilityAndMouseFlags) {
    CControlUI* close = pm().FindControl("closebtn");
    const UiPoint p{close->GetPos().left + 1, close->GetPos().top + 1};
    EXPECT_EQ(pm().FindControl(p), close);
    close->SetMouseEnabled(false);
    EXPECT_EQ(pm().FindControl(p), pm().FindControl("title_bar"));
    pm().FindControlAs<CContainerUI>("title_bar")->SetMouseChildEnabled(false);
    close->SetMouseEnabled(true);
    EXPECT_EQ(pm().FindControl(p), pm().FindControl("title_bar"));
    EXPECT_EQ(pm().FindControl(UiPoint{5000, 5000}), nullptr);
}

TEST_F(PaintManagerTest, DpiScalesTheLayoutAndOnlyAcceptedValues) {
    EXPECT_FALSE(pm().SetDPI(100));
    EXPECT_EQ(pm().GetDPI(), 96);
    ASSERT_TRUE(pm().SetDPI(144));
    EXPECT_EQ(wnd->GetWindowRect().Width(), 1200);  // the window grows with it
    pm().LayoutIfNeeded();
    EXPECT_EQ(pm().FindControl("title_bar")->GetPos().Height(), 45);
    EXPECT_EQ(pm().FindControl("closebtn")->GetPos().Width(), 45);
    EXPECT_EQ(pm().GetScale(), 150);
    CPaintManagerUI::SetAllDPI(96);
    EXPECT_EQ(wnd->GetWindowRect().Width(), 800);
}

TEST_F(PaintManagerTest, TheFontTableIsNumbered) {
    pm().RemoveAllFonts();
    EXPECT_EQ(pm().GetFontInfo(50), nullptr);
    pm().AddFont(50, "Verdana Unicode MS", 18, true, false, false, true);
    pm().AddFont(1, "Verdana Unicode MS", 14, false, true, false, true);
    ASSERT_NE(pm().GetFontInfo(1), nullptr);
    EXPECT_TRUE(pm().GetFontInfo(1)->underline);
    EXPECT_EQ(pm().GetFontOrDefault(7).id, -1);  // falls back to the default font
    EXPECT_EQ(pm().GetFontCount(), 2u);
}

TEST_F(PaintManagerTest, PaintingGoesThroughTheRenderEngine) {
    testsupport::RecordingRenderEngine render;
    pm().FindControl("value_label")->SetFont(50);
    pm().Paint(render, {0, 0, 800, 600});
    EXPECT_EQ(render.clipDepth, 0);
    EXPECT_GE(render.maxClipDepth, 2);
    auto has = [&](const std::string& s) {
        return std::find(render.calls.begin(), render.calls.end(), s) != render.calls.end();
    };
    EXPECT_TRUE(has("fill 0,0,800,600 FF202020"));
    EXPECT_TRUE(has("image 770,0,800,30 close.png"));
    const UiRect label = pm().FindControl("value_label")->GetPos();
    EXPECT_TRUE(has("text " + std::to_string(label.left) + "," + std::to_string(label.top) + "," +
                    std::to_string(label.right) + "," + std::to_string(label.bottom) +
                    " font50 light"));
    // Hidden pages are not painted.
    for (const auto& c : render.calls)
        EXPECT_EQ(c.find(" keys"), std::string::npos) << c;

    // Only what intersects the clip is painted.
    render.calls.clear();
    pm().Paint(render, {0, 0, 100, 30});
    for (const auto& c : render.calls)
        EXPECT_EQ(c.find("close.png"), std::string::npos) << c;
}

TEST_F(PaintManagerTest, ChangesInvalidateTheirArea) {
    pm().Paint(*std::make_unique<NullRenderEngine>());
    EXPECT_TRUE(pm().GetInvalidRect().IsEmpty());
    CControlUI* label = pm().FindControl("value_label");
    label->SetText("other");
    EXPECT_EQ(pm().GetInvalidRect(), label->GetPos());
}

TEST_F(PaintManagerTest, ADragKeepsGoingToTheControlThatStartedIt) {
    auto* slider = pm().FindControlAs<CSliderUI>("deng_light_slider");
    const UiPoint start = slider->PointOfValue(slider->GetValue());
    wnd->HandleMessage(kMsgLButtonDown, 0, MakePointParam(start));
    EXPECT_TRUE(pm().IsCaptured());
    EXPECT_TRUE(static_cast<ui::HeadlessWindowHost&>(wnd->Host()).HasCapture());
    // Far below the slider, over other controls: still the slider's drag.
    wnd->HandleMessage(kMsgMouseMove, 0, MakePointParam({slider->GetPos().right + 50, 500}));
    EXPECT_EQ(slider->GetValue(), 4);
    // The window losing the keyboard ends the drag like a release.
    wnd->HandleMessage(kMsgKillFocus, 0, 0);
    EXPECT_FALSE(pm().IsCaptured());
    EXPECT_EQ(rec.Count("valuechanged"), 1);
}

}  // namespace
