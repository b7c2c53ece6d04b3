#include "ui/controls.h"

#include <gtest/gtest.h>

#include "support/ui_harness.h"
#include "ui/builder.h"
#include "ui/container.h"
#include "ui/list.h"
#include "ui/resource_manager.h"
#include "ui_fixtures.h"

namespace {

using namespace ui;
using testsupport::NotificationRecorder;
using testsupport::UiDriver;
using testsupport::UiHarness;
using Seq = std::vector<std::string>;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        wnd = ui.CreateWindow(uitest::kPageLayout, &error);
        ASSERT_TRUE(wnd) << error;
        pm().AddNotifier(&rec);
        driver = std::make_unique<UiDriver>(*wnd);
    }
    CPaintManagerUI& pm() { return wnd->GetPaintManager(); }
    template <class T>
    T* Get(std::string_view name) {
        return pm().FindControlAs<T>(name);
    }

    UiHarness ui;
    std::string error;
    std::unique_ptr<testsupport::TestWindow> wnd;
    NotificationRecorder rec;
    std::unique_ptr<UiDriver> driver;
};

TEST_F(ControlsTest, NotificationsReachTheWindowThenItsMapThenTheNotifiers) {
    Seq order;
    wnd->onNotify = [&](TNotifyUI& m) {
        if (m.sType == "click")
            order.push_back("window");
    };
    wnd->OnNotify("click", [&](TNotifyUI&) { order.push_back("map:any"); });
    wnd->OnNotify("click", "closebtn", [&](TNotifyUI&) { order.push_back("map:closebtn"); });
    wnd->OnNotify("click", "minbtn", [&](TNotifyUI&) { order.push_back("map:minbtn"); });
    struct Extra : INotifyUI {
        Seq* order;
        void Notify(TNotifyUI& m) override {
            if (m.sType == "click")
                order->push_back("notifier");
        }
    } extra;
    extra.order = &order;
    pm().AddNotifier(&extra);

    ASSERT_TRUE(driver->Click("closebtn"));
    EXPECT_EQ(order, (Seq{"window", "map:any", "map:closebtn", "notifier"}));
    const auto* click = rec.Last("click");
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->sender, "closebtn");
    pm().RemoveNotifier(&extra);
}

TEST_F(ControlsTest, AVirtualWindowGetsItsPagesNotifications) {
    CNotifyPump page;
    Seq seen;
    page.OnNotify("valuechanged",
                  [&](TNotifyUI& m) { seen.push_back("page:" + m.pSender->GetName()); });
    wnd->AddVirtualWnd("lightpage", &page);
    wnd->OnNotify("valuechanged", [&](TNotifyUI&) { seen.push_back("window map"); });
    ASSERT_TRUE(driver->Drag("deng_light_slider", 4));
    EXPECT_EQ(seen, (Seq{"page:deng_light_slider"}));
    wnd->RemoveVirtualWnd("lightpage");
}

TEST_F(ControlsTest, SettersFromCodeNeverNotify) {
    rec.Clear();
    Get<COptionUI>("key_Op_tab")->Selected(true);
    Get<CCheckBoxUI>("deng_FXL_check")->SetCheck(true);
    Get<CComboUI>("light_combo_modeSelect")->SelectItem(1);
    Get<CSliderUI>("deng_light_slider")->SetValue(3);
    Get<CEditUI>("deng_edit_R")->SetText("12");
    Get<CColorPaletteUI>("deng_Color_Pallet")->SetSelectColor(0xFF00FF00);
    Get<CTabLayoutUI>("pages")->SelectItem(0);
    Get<CListUI>("macro_list")->SelectItem(1);
    Get<CLabelUI>("value_label")->SetText("changed");
    EXPECT_EQ(rec.Sequence(), Seq{});

    // Asked to, they do.
    Get<COptionUI>("deng_Op_tab")->Selected(true, true);
    Get<CComboUI>("light_combo_modeSelect")->SelectItem(0, false, true);
    EXPECT_EQ(rec.Sequence(),
              (Seq{"selectchanged:deng_Op_tab", "itemselect:light_combo_modeSelect"}));
}

TEST_F(ControlsTest, OptionGroupsExcludeEachOtherAndShowTheirTabPage) {
    auto* light = Get<COptionUI>("deng_Op_tab");
    auto* keys = Get<COptionUI>("key_Op_tab");
    auto* pages = Get<CTabLayoutUI>("pages");
    EXPECT_TRUE(light->IsSelected());
    EXPECT_EQ(pages->GetCurSel(), 0);

    ASSERT_TRUE(driver->Click("key_Op_tab"));
    EXPECT_TRUE(keys->IsSelected());
    EXPECT_FALSE(light->IsSelected());
    EXPECT_EQ(pages->GetCurSel(), 1);
    EXPECT_TRUE(pm().FindControl("key_page")->IsVisible());
    EXPECT_FALSE(pm().FindControl("light_page")->IsVisible());
    // Only the option the user chose reports the change.
    EXPECT_EQ(rec.Sequence({"msenter", "msleave", "setfocus", "killfocus"}),
              (Seq{"click:key_Op_tab", "selectchanged:key_Op_tab"}));

    // Clicking the selected option of a group changes nothing.
    rec.Clear();
    ASSERT_TRUE(driver->Click("key_Op_tab"));
    EXPECT_EQ(rec.Count("selectchanged"), 0);

    // A silent selection from code still shows the bound page.
    light->Selected(true);
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_FALSE(keys->IsSelected());

    // A check box without a group toggles.
    auto* check = Get<CCheckBoxUI>("deng_FXL_check");
    ASSERT_TRUE(driver->Click("deng_FXL_check"));
    ASSERT_TRUE(driver->Click("deng_FXL_check"));
    EXPECT_FALSE(check->IsChecked());
    EXPECT_EQ(rec.Count("selectchanged", "deng_FXL_check"), 2);
}

TEST_F(ControlsTest, GroupScopesKeepRepeatedPagesApart) {
    // The same page twice (one per device): each copy keeps its own selection.
    const char* page =
        "<HorizontalLayout groupscope=\"true\">"
        "<Option name=\"polling_rate_option_0\" group=\"rate\" selected=\"true\"/>"
        "<Option name=\"polling_rate_option_1\" group=\"rate\"/></HorizontalLayout>";
    auto* slot = Get<CContainerUI>("key_page");
    CDialogBuilder builder;
    CControlUI* mouse = slot->Add(std::move(*builder.Create(page, nullptr, &pm())));
    CControlUI* keyboard = slot->Add(std::move(*builder.Create(page, nullptr, &pm())));
    auto opt = [&](CControlUI* p, const char* n) { return pm().FindSubControlAs<COptionUI>(p, n); };
    EXPECT_TRUE(opt(mouse, "polling_rate_option_0")->IsSelected());
    EXPECT_TRUE(opt(keyboard, "polling_rate_option_0")->IsSelected());
    opt(keyboard, "polling_rate_option_1")->Selected(true);
    EXPECT_FALSE(opt(keyboard, "polling_rate_option_0")->IsSelected());
    EXPECT_TRUE(opt(mouse, "polling_rate_option_0")->IsSelected());
}

TEST_F(ControlsTest, TabPagesAddedAtRunTime) {
    auto* pages = Get<CTabLayoutUI>("pages");
    auto page = std::make_unique<CVerticalLayoutUI>();
    page->SetName("headset_page");
    CControlUI* added = pages->Add(std::move(page));
    EXPECT_FALSE(added->IsVisible());
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_TRUE(pages->SelectItem(added));
    EXPECT_EQ(pages->GetCurSel(), 2);
    EXPECT_EQ(pm().FindControl("headset_page"), added);
    EXPECT_FALSE(pages->SelectItem(7));
}

TEST_F(ControlsTest, CombosHideItemsFromTheUser) {
    auto* combo = Get<CComboUI>("light_combo_modeSelect");
    EXPECT_EQ(combo->GetCurSel(), -1);
    ASSERT_TRUE(driver->Select("light_combo_modeSelect", 1)) << driver->LastError();
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetText(), "Breath");
    EXPECT_FALSE(combo->IsDropped());
    const auto* sel = rec.Last("itemselect", "light_combo_modeSelect");
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(sel->wParam, 1u);
    EXPECT_EQ(sel->lParam, -1);

    // Item 2 is hidden: the user cannot choose it; code can show it again.
    EXPECT_FALSE(combo->IsItemVisible(2));
    EXPECT_FALSE(driver->Select("light_combo_modeSelect", 2));
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_FALSE(combo->IsDropped());
    combo->SetItemVisible(2, true);
    ASSERT_TRUE(driver->Select("light_combo_modeSelect", 2));
    EXPECT_EQ(combo->GetText(), "Wave");
    EXPECT_EQ(combo->GetItemAt(2)->GetUserData(), "2");

    // Keys skip hidden items.
    combo->SetItemVisible(3, false);
    combo->SelectItem(1);
    combo->SetItemVisible(2, false);
    combo->SetFocus();
    driver->Key(kKeyDown);
    EXPECT_EQ(combo->GetCurSel(), 1);

    // Items added from code, with text ids.
    CListLabelElementUI* item = combo->AddItem("mode_neon", "9", true);
    EXPECT_EQ(item->GetIndex(), 4);
    EXPECT_FALSE(driver->Select("light_combo_modeSelect", 9));
}

TEST_F(ControlsTest, SlidersReportMovesWhileDraggingAndTheValueOnRelease) {
    auto* slider = Get<CSliderUI>("deng_light_slider");
    ASSERT_EQ(slider->GetValue(), 2);
    rec.Clear();
    ASSERT_TRUE(driver->Drag("deng_light_slider", 0, 4)) << driver->LastError();
    EXPECT_EQ(slider->GetValue(), 0);
    auto seq = rec.Sequence({"msenter", "msleave", "setfocus", "killfocus"});
    ASSERT_FALSE(seq.empty());
    EXPECT_EQ(seq.back(), "valuechanged:deng_light_slider");
    EXPECT_EQ(rec.Count("valuechanged"), 1);
    EXPECT_EQ(rec.Count("movevaluechanged"), 2);  // 2 -> 1 -> 0 while moving
    EXPECT_EQ(rec.Last("movevaluechanged")->wParam, 0u);
    EXPECT_EQ(rec.Last("valuechanged")->wParam, 0u);

    // Values outside the range stop at its ends; a click on the track jumps.
    EXPECT_TRUE(driver->Drag("deng_light_slider", 99));
    EXPECT_EQ(slider->GetValue(), 4);
    slider->SetValue(-5);
    EXPECT_EQ(slider->GetValue(), 0);
    rec.Clear();
    const UiPoint p = slider->PointOfValue(3);
    wnd->HandleMessage(kMsgLButtonDown, 0, MakePointParam(p));
    wnd->HandleMessage(kMsgLButtonUp, 0, MakePointParam(p));
    EXPECT_EQ(slider->GetValue(), 3);
    EXPECT_EQ(rec.Count("movevaluechanged"), 0);
    EXPECT_EQ(rec.Count("valuechanged"), 1);
}

TEST_F(ControlsTest, EditsKeepTheirLimits) {
    struct Case {
        const char* edit;
        const char* typed;
        const char* shown;       // after typing
        const char* afterLeave;  // after the focus leaves
    };
    const Case cases[] = {
        {"deng_edit_R", "12a3", "123", "123"},
        {"deng_edit_R", "9999", "999", "255"},  // three digits, then the range
        {"deng_edit_R", "-7", "7", "7"},
        {"deng_edit_R", "007", "007", "7"},
        {"deng_edit_R", "25\b\b", "", ""},
        {"profile_name_edit", "灯光profiles", "灯光profil", "灯光profil"},
        {"profile_name_edit", "ab\bc", "ac", "ac"},
    };
    for (const Case& c : cases) {
        auto* edit = Get<CEditUI>(c.edit);
        edit->SetText("");
        ASSERT_TRUE(driver->Type(c.edit, c.typed)) << driver->LastError();
        EXPECT_EQ(edit->GetText(), c.shown) << c.edit << " " << c.typed;
        driver->KillFocus();
        EXPECT_EQ(edit->GetText(), c.afterLeave) << c.edit << " " << c.typed;
    }
    // Code is held to the length too, silently.
    rec.Clear();
    Get<CEditUI>("profile_name_edit")->SetText("0123456789");
    EXPECT_EQ(Get<CEditUI>("profile_name_edit")->GetText(), "01234567");
    EXPECT_EQ(rec.Count("textchanged"), 0);
}

TEST_F(ControlsTest, TypingMovesTheFocusAndReportsIt) {
    rec.Clear();
    ASSERT_TRUE(driver->Type("deng_edit_R", "1\n"));
    ASSERT_TRUE(driver->Type("profile_name_edit", "x"));
    driver->KillFocus();
    EXPECT_EQ(rec.Sequence(),
              (Seq{"setfocus:deng_edit_R", "textchanged:deng_edit_R", "return:deng_edit_R",
                   "killfocus:deng_edit_R", "setfocus:profile_name_edit",
                   "textchanged:profile_name_edit", "killfocus:profile_name_edit"}));
    // The handler of "killfocus" sees the final, range-checked text.
    Get<CEditUI>("deng_edit_R")->SetText("");
    std::string seen;
    wnd->OnNotify("killfocus", "deng_edit_R", [&](TNotifyUI& m) { seen = m.pSender->GetText(); });
    driver->Type("deng_edit_R", "300");
    driver->Click("minbtn");
    EXPECT_EQ(seen, "255");
}

TEST_F(ControlsTest, ButtonsClickOnlyWhenReleasedInside) {
    auto* btn = Get<CButtonUI>("closebtn");
    const UiRect rc = btn->GetPos();
    const UiPoint inside{rc.left + 5, rc.top + 5};
    wnd->HandleMessage(kMsgLButtonDown, 0, MakePointParam(inside));
    EXPECT_TRUE(btn->IsPushed());
    wnd->HandleMessage(kMsgMouseMove, 0, MakePointParam({rc.left - 50, rc.top + 5}));
    EXPECT_FALSE(btn->IsPushed());
    wnd->HandleMessage(kMsgLButtonUp, 0, MakePointParam({rc.left - 50, rc.top + 5}));
    EXPECT_EQ(rec.Count("click"), 0);

    btn->SetEnabled(false);
    EXPECT_FALSE(driver->Click("closebtn"));
    EXPECT_EQ(rec.Count("click"), 0);
    btn->SetEnabled(true);
    btn->SetVisible(false);
    EXPECT_FALSE(driver->Click("closebtn"));
}

TEST_F(ControlsTest, HotTrackingReportsEnterAndLeave) {
    rec.Clear();
    const UiRect a = Get<CButtonUI>("minbtn")->GetPos();
    const UiRect b = Get<CButtonUI>("closebtn")->GetPos();
    driver->MoveMouse({a.left + 2, a.top + 2});
    driver->MoveMouse({a.left + 3, a.top + 2});
    driver->MoveMouse({b.left + 2, b.top + 2});
    wnd->HandleMessage(kMsgMouseLeave, 0, 0);
    EXPECT_EQ(rec.Sequence({}),
              (Seq{"msenter:minbtn", "msleave:minbtn", "msenter:closebtn", "msleave:closebtn"}));
    EXPECT_EQ(pm().GetHot(), nullptr);
}

TEST_F(ControlsTest, AButtonMayRemoveItselfFromItsClickHandler) {
    auto* bar = Get<CContainerUI>("title_bar");
    wnd->OnNotify("click", "minbtn", [&](TNotifyUI& m) { bar->Remove(m.pSender); });
    ASSERT_TRUE(driver->Click("minbtn"));
    EXPECT_EQ(pm().FindControl("minbtn"), nullptr);
    EXPECT_EQ(bar->GetCount(), 2);
    EXPECT_TRUE(driver->Click("closebtn"));
}

TEST_F(ControlsTest, ListsSelectRowsAndScrollToThem) {
    Get<COptionUI>("key_Op_tab")->Selected(true);
    auto* list = Get<CListUI>("macro_list");
    list->RemoveAll();
    for (int i = 0; i < 50; ++i) {
        auto row = std::make_unique<CListContainerElementUI>();
        row->SetFixedHeight(20);
        auto* label = static_cast<CLabelUI*>(row->Add(std::make_unique<CLabelUI>()));
        label->SetName("step_text");
        label->SetText("step " + std::to_string(i));
        list->Add(std::move(row));
    }
    pm().LayoutIfNeeded();
    EXPECT_EQ(list->GetScrollRange().cy, 50 * 20 - 100);
    // The row's own control, though every row reuses the name.
    EXPECT_EQ(pm().FindSubControlByName(list->GetItemAt(30), "step_text")->GetText(), "step 30");
    EXPECT_EQ(pm().FindSubControlByName(list, "step_text")->GetText(), "step 0");
    EXPECT_EQ(pm().FindControl("step_text")->GetText(), "step 0");
    rec.Clear();
    ASSERT_TRUE(driver->Select("macro_list", 30)) << driver->LastError();
    EXPECT_EQ(list->GetCurSel(), 30);
    EXPECT_GT(list->GetScrollPos().cy, 0);
    EXPECT_TRUE(
        list->GetPos().Contains({list->GetPos().left + 1, list->GetItemAt(30)->GetPos().top}));
    EXPECT_EQ(rec.Sequence({"msenter", "msleave", "setfocus", "killfocus"}),
              (Seq{"itemclick:", "itemselect:macro_list"}));
    EXPECT_EQ(rec.Last("itemselect")->wParam, 30u);

    // The wheel scrolls and says so; code scrolls silently.
    rec.Clear();
    const int before = list->GetScrollPos().cy;
    ASSERT_TRUE(driver->Wheel("macro_list", -120));
    EXPECT_GT(list->GetScrollPos().cy, before);
    EXPECT_EQ(rec.Count("scroll", "macro_list"), 1);

    // Rows laid out only once they scroll into view still get their full layout.
    list->EndDown();
    pm().LayoutIfNeeded();
    CControlUI* last = list->GetItemAt(49);
    CControlUI* lastText = pm().FindSubControlByName(last, "step_text");
    EXPECT_EQ(last->GetPos().bottom, list->GetPos().bottom);
    EXPECT_EQ(lastText->GetPos(), last->GetPos());
    UiPoint inLast{last->GetPos().left + 2, last->GetPos().top + 2};
    EXPECT_EQ(pm().FindControl(inLast), lastText);

    // Removing rows above keeps the selection on the same row.
    list->RemoveAt(0);
    EXPECT_EQ(list->GetCurSel(), 29);
    EXPECT_EQ(dynamic_cast<IListItemUI*>(list->GetItemAt(29))->GetIndex(), 29);
    // Silent selection with the focus.
    rec.Clear();
    list->SelectItem(3, true, false);
    EXPECT_EQ(pm().GetFocus(), list->GetItemAt(3));
    EXPECT_EQ(rec.Count("itemselect"), 0);
}

TEST_F(ControlsTest, ThePaletteReportsTheColourTheUserPicks) {
    auto* palette = Get<CColorPaletteUI>("deng_Color_Pallet");
    palette->SetSelectColor(0xFFFF0000);
    EXPECT_EQ(palette->GetSelectColor(), 0xFFFF0000u);
    const UiRect rc = palette->GetPos();
    rec.Clear();
    // Top row of the field: full saturation; a third across: green-ish hue.
    const UiPoint p{rc.left + rc.Width() / 3, rc.top};
    wnd->HandleMessage(kMsgLButtonDown, 0, MakePointParam(p));
    wnd->HandleMessage(kMsgLButtonUp, 0, MakePointParam(p));
    ASSERT_GE(rec.Count("colorchanged"), 1);
    const uint32_t c = palette->GetSelectColor();
    EXPECT_EQ(rec.Last("colorchanged")->wParam, c);
    EXPECT_GT((c >> 8) & 0xFF, (c >> 16) & 0xFF);  // more green than red
    EXPECT_EQ(palette->GetSaturation(), 100);
}

TEST(HsbColours, RoundTrip) {
    for (uint32_t c :
         {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF808000u}) {
        int h, s, b;
        ArgbToHsb(c, h, s, b);
        const uint32_t back = HsbToArgb(h, s, b);
        for (int shift : {0, 8, 16}) {
            EXPECT_NEAR(static_cast<int>((back >> shift) & 0xFF),
                        static_cast<int>((c >> shift) & 0xFF), 2)
                << std::hex << c;
        }
    }
}

}  // namespace
