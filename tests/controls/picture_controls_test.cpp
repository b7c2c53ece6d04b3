// The device picture controls in windows built from layout text: attributes,
// painting through a recording render engine, the selection rectangle and the
// panning picture, driven by mouse messages on the headless harness.

#include "controls/picture_controls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "controls/device_picture.h"
#include "controls/hand_image_buttons.h"
#include "controls/image_size.h"
#include "support/temp_env.h"
#include "support/ui_harness.h"

namespace {

using testsupport::NotificationRecorder;
using testsupport::TestWindow;
using testsupport::UiDriver;
using testsupport::UiHarness;
using ui::UiPoint;
using ui::UiRect;

// Focus moves with every press; these tests look at what the controls send.
const std::vector<std::string> kIgnored = {"msenter", "msleave", "setfocus", "killfocus"};

// Records images with the tint and alpha they were drawn with.
class TintRecorder : public testsupport::RecordingRenderEngine {
public:
    bool DrawImage(const UiRect& rc, const ui::ImageDescription& image, uint32_t tint,
                   uint8_t alpha) override {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%s tint=%08X alpha=%u", image.file.c_str(), tint,
                      unsigned{alpha});
        images.emplace_back(buf);
        return RecordingRenderEngine::DrawImage(rc, image, tint, alpha);
    }
    std::vector<std::string> images;
};

constexpr const char* kPicture = R"(<Window size="400,300">
  <SelectPanel name="device_key_light">
    <DeviceKeyButton name="key_0" float="true" pos="10,10,40,40" normalimage="key.png"
        lightimage="light.png" keysetimage="set.png" keyunsetimage="unset.png"/>
    <DeviceKeyButton name="key_1" float="true" pos="50,10,80,40" gmnametextcolor="#FF00FF"/>
    <DeviceKeyButton name="key_2" float="true" pos="10,100,40,130" gmnametextcolor="00FF00"/>
    <Label name="caption" float="true" pos="200,200,240,240"/>
  </SelectPanel>
</Window>)";

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        controls::RegisterPictureControls();
        std::string error;
        m_window = m_ui.CreateWindow(kPicture, &error, {400, 300});
        ASSERT_NE(m_window, nullptr) << error;
        m_window->GetPaintManager().AddNotifier(&m_notes);
    }
    void TearDown() override {
        if (m_window)
            m_window->GetPaintManager().RemoveNotifier(&m_notes);
    }
    ui::CPaintManagerUI& Pm() { return m_window->GetPaintManager(); }
    ui::CDeviceKeyButtonUI* Key(int n) {
        return Pm().FindControlAs<ui::CDeviceKeyButtonUI>("key_" + std::to_string(n));
    }
    void Mouse(uint32_t msg, UiPoint p) { m_window->HandleMessage(msg, 0, ui::MakePointParam(p)); }
    void Drag(UiPoint from, UiPoint to) {
        Mouse(ui::kMsgMouseMove, from);
        Mouse(ui::kMsgLButtonDown, from);
        Mouse(ui::kMsgMouseMove, {(from.x + to.x) / 2, (from.y + to.y) / 2});
        Mouse(ui::kMsgMouseMove, to);
        Mouse(ui::kMsgLButtonUp, to);
    }
    std::vector<bool> Selection() {
        return {Key(0)->IsInSelection(), Key(1)->IsInSelection(), Key(2)->IsInSelection()};
    }
    std::vector<std::string> PaintKey(int n) {
        TintRecorder render;
        Key(n)->PaintStatusImage(render);
        return render.images;
    }

    UiHarness m_ui;
    std::unique_ptr<TestWindow> m_window;
    NotificationRecorder m_notes;
};

TEST_F(PictureTest, ClassStringsAndTagsMatchTheLayouts) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SelectPanel", "SelectPanel"},           {"DeviceKeyButton", "DeviceKeyButton"},
        {"HandImgButton", "HandImgButton"},       {"HandImgSelectButton", "HandImgSelectButton"},
        {"RedioMacroButton", "RedioMacroButton"}, {"selectpanel", "SelectPanel"},
    };
    for (const auto& [tag, cls] : cases) {
        auto byTag = controls::CreatePictureControl(tag);
        ASSERT_NE(byTag, nullptr) << tag;
        EXPECT_EQ(byTag->GetClass(), cls);
        auto byFactory = ui::CControlFactory::GetInstance()->CreateControl("C" + cls + "UI");
        ASSERT_NE(byFactory, nullptr) << cls;
        EXPECT_EQ(byFactory->GetClass(), cls);
    }
    EXPECT_EQ(controls::CreatePictureControl("Button"), nullptr);
}

TEST_F(PictureTest, KeyButtonStartsUnlitWithItsMarksOff) {
    ui::CDeviceKeyButtonUI* key = Key(1);
    EXPECT_FALSE(key->IsLightOn());
    EXPECT_EQ(key->GetLightColour(), 255u);
    EXPECT_EQ(key->GetLightAlpha(), 200);
    EXPECT_FALSE(key->HasReassignedMark());
    EXPECT_FALSE(key->HasSelectedLook());
    EXPECT_FALSE(key->HasEditedMark());
    EXPECT_TRUE(key->GetLightImage().IsEmpty());
    // "gmnametextcolor" was accepted and left nothing behind.
    EXPECT_EQ(key->GetTextColor(), Key(2)->GetTextColor());
}

TEST_F(PictureTest, KeyButtonPaintsLightThenLookThenMark) {
    ui::CDeviceKeyButtonUI* key = Key(0);
    EXPECT_EQ(PaintKey(0), (std::vector<std::string>{"key.png tint=00000000 alpha=255"}));

    // Red 0x12, green 0x34, blue 0x56 show as the tint 0xFF123456 at the alpha.
    key->SetKeyLight(0x563412, 90, true);
    key->SetSelectedLook(true);
    key->SetReassignedMark(true);
    EXPECT_EQ(PaintKey(0), (std::vector<std::string>{
                               "key.png tint=00000000 alpha=255",
                               "light.png tint=FF123456 alpha=90",
                               "unset.png tint=00000000 alpha=255",
                               "set.png tint=00000000 alpha=255",
                           }));

    key->SetKeyLight(0x563412, 90, false);
    key->SetSelectedLook(false);
    EXPECT_EQ(PaintKey(0), (std::vector<std::string>{"key.png tint=00000000 alpha=255",
                                                     "set.png tint=00000000 alpha=255"}));
}

TEST_F(PictureTest, KeyWithoutLightImageShowsNoLight) {
    Key(1)->SetKeyLight(0xFFFFFF, 255, true);
    EXPECT_TRUE(PaintKey(1).empty());
}

TEST_F(PictureTest, LightDoesNotRepaintButMarksRepaintOnlyOnChange) {
    ui::CDeviceKeyButtonUI* key = Key(0);
    Pm().Paint(m_window->GetPaintManager().GetRenderEngine());  // clears the invalid area
    ASSERT_TRUE(Pm().GetInvalidRect().IsEmpty());
    key->SetKeyLight(0xFF, 255, true);
    EXPECT_TRUE(Pm().GetInvalidRect().IsEmpty());
    key->SetEditedMark(false);  // unchanged
    EXPECT_TRUE(Pm().GetInvalidRect().IsEmpty());
    key->SetEditedMark(true);
    EXPECT_FALSE(Pm().GetInvalidRect().IsEmpty());
    EXPECT_TRUE(key->HasEditedMark());
}

TEST_F(PictureTest, BadKeyAttributesFailTheLayout) {
    std::string error;
    auto w = m_ui.CreateWindow(
        R"(<Window><SelectPanel><DeviceKeyButton gmnametextcolor="#zz"/></SelectPanel></Window>)",
        &error);
    EXPECT_EQ(w, nullptr);
    EXPECT_NE(error.find("gmnametextcolor"), std::string::npos) << error;
}

TEST_F(PictureTest, DoubleClickSendsDbclickThenTheClick) {
    UiDriver driver(*m_window);
    ASSERT_TRUE(driver.DoubleClick("key_1"));
    EXPECT_EQ(m_notes.Sequence(kIgnored),
              (std::vector<std::string>{"click:key_1", "dbclick:key_1", "click:key_1"}));
    m_notes.Clear();
    Key(1)->SetEnabled(false);
    Mouse(ui::kMsgLButtonDblClk, {60, 20});
    Mouse(ui::kMsgLButtonUp, {60, 20});
    EXPECT_EQ(m_notes.Count("dbclick"), 0);
}

TEST_F(PictureTest, DragSelectsTheKeysItCrosses) {
    Drag({5, 5}, {85, 45});
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(m_notes.Sequence(kIgnored),
              (std::vector<std::string>{"click_select_end:device_key_light"}));
    auto* panel = Pm().FindControlAs<ui::CSelectPanelUI>("device_key_light");
    EXPECT_EQ(panel->GetSelectionRect(), (UiRect{5, 5, 85, 45}));
    EXPECT_FALSE(panel->IsPressed());
    EXPECT_FALSE(panel->IsDragging());

    // Dragged up and to the left: the rectangle is normalised.
    Drag({45, 135}, {5, 95});
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(panel->GetSelectionRect(), (UiRect{5, 95, 45, 135}));
}

TEST_F(PictureTest, DragOverNoKeyClearsTheSelectionAndStillReports) {
    Drag({5, 5}, {85, 45});
    m_notes.Clear();
    Drag({300, 250}, {350, 290});
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(m_notes.Count("click_select_end", "device_key_light"), 1);
}

TEST_F(PictureTest, PressAndReleaseInPlaceKeepsTheSelection) {
    Drag({5, 5}, {85, 45});
    m_notes.Clear();
    Mouse(ui::kMsgLButtonDown, {300, 250});
    Mouse(ui::kMsgLButtonUp, {300, 250});
    EXPECT_EQ(Selection(), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(m_notes.Count("click_select_end"), 0);
}

TEST_F(PictureTest, ClickOnAKeyIsNoDrag) {
    UiDriver driver(*m_window);
    ASSERT_TRUE(driver.Click("key_2"));
    EXPECT_EQ(m_notes.Sequence(kIgnored), (std::vector<std::string>{"click:key_2"}));
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, false}));
}

TEST_F(PictureTest, DisabledPanelSelectsNothing) {
    Pm().FindControl("device_key_light")->SetEnabled(false);
    Drag({5, 5}, {85, 45});
    EXPECT_EQ(Selection(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(m_notes.Count("click_select_end"), 0);
}

// ---- Hand image buttons

// A skin folder with a 200 x 100 PNG and a 300 x 150 SVG.
class HandImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        controls::RegisterPictureControls();
        m_savedResourcePath = ui::CPaintManagerUI::GetResourcePath();
        ui::CPaintManagerUI::SetResourcePath(m_dir.Path().string());
        WritePng(m_dir.Path() / "wide.png", 200, 100);
        std::filesystem::create_directories(m_dir.Path() / "hand");
        std::ofstream(m_dir.Path() / "hand" / "big.svg")
            << "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"\n"
               "  width=\"300px\" height=\"150\"><rect/></svg>";
        std::ofstream(m_dir.Path() / "box.svg")
            << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 64,32'></svg>";
        std::ofstream(m_dir.Path() / "broken.png") << "\x89PNG";
    }
    void TearDown() override { ui::CPaintManagerUI::SetResourcePath(m_savedResourcePath); }

    static void WritePng(const std::filesystem::path& path, uint32_t w, uint32_t h) {
        std::string bytes = "\x89PNG\r\n\x1A\n";
        bytes += std::string("\0\0\0\x0DIHDR", 8);
        for (uint32_t v : {w, h}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes += static_cast<char>((v >> shift) & 0xFF);
        }
        bytes += std::string("\x08\x06\0\0\0", 5);
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::unique_ptr<TestWindow> Window(const std::string& button) {
        std::string error;
        auto w = m_ui.CreateWindow(
            "<Window size=\"400,300\"><VerticalLayout>" + button + "</VerticalLayout></Window>",
            &error, {400, 300});
        EXPECT_NE(w, nullptr) << error;
        return w;
    }
    void Mouse(TestWindow& w, uint32_t msg, UiPoint p) {
        w.HandleMessage(msg, 0, ui::MakePointParam(p));
    }

    testsupport::TempDir m_dir;
    std::string m_savedResourcePath;
    UiHarness m_ui;
};

TEST_F(HandImageTest, ReadsPictureSizes) {
    EXPECT_EQ(ui::ReadImageSize("wide.png"), (ui::UiSize{200, 100}));
    EXPECT_EQ(ui::ReadImageSize("hand\\big.svg"), (ui::UiSize{300, 150}));
    EXPECT_EQ(ui::ReadImageSize("box.svg"), (ui::UiSize{64, 32}));
    EXPECT_EQ(ui::ReadImageSize((m_dir.Path() / "wide.png").string()), (ui::UiSize{200, 100}));
    EXPECT_FALSE(ui::ReadImageSize("broken.png"));
    EXPECT_FALSE(ui::ReadImageSize("missing.png"));
    EXPECT_FALSE(ui::ReadImageSize(""));
}

TEST_F(HandImageTest, HandImgButtonDrawsItsPictureOverTheButtonAndClicks) {
    auto w = Window(
        R"(<HandImgButton name="hand" float="true" pos="10,10,60,60" normalimage="n.png"
            handimage="file='h.png' source='0,0,5,5'" deletenormalimage="d.png" deletehotimage="e.png"/>)");
    ASSERT_NE(w, nullptr);
    auto* b = w->GetPaintManager().FindControlAs<ui::CHandImgButtonUI>("hand");
    EXPECT_EQ(b->GetDeleteNormalImage(), "d.png");
    EXPECT_EQ(b->GetDeleteHotImage(), "e.png");
    TintRecorder render;
    b->PaintStatusImage(render);
    EXPECT_EQ(render.calls,
              (std::vector<std::string>{"image 10,10,60,60 n.png", "image 10,10,60,60 h.png"}));

    NotificationRecorder notes;
    w->GetPaintManager().AddNotifier(&notes);
    UiDriver driver(*w);
    ASSERT_TRUE(driver.Click("hand"));
    driver.MoveMouse({300, 250});
    EXPECT_EQ(notes.Sequence({"setfocus"}),
              (std::vector<std::string>{"msenter:hand", "click:hand", "msleave:hand", "msenter:"}));
    w->GetPaintManager().RemoveNotifier(&notes);
}

TEST_F(HandImageTest, PanningWindowFollowsTheDragWithinThePicture) {
    auto w = Window(R"(<HandImgSelectButton name="pan" float="true" pos="0,0,100,50"
                          handimage="wide.png" cursor="hand"/>)");
    ASSERT_NE(w, nullptr);
    auto* b = w->GetPaintManager().FindControlAs<ui::CHandImgSelectButtonUI>("pan");
    EXPECT_EQ(b->GetCursor(), ui::CursorKind::Hand);
    EXPECT_EQ(b->GetImageSize(), (ui::UiSize{200, 100}));
    EXPECT_EQ(b->GetSourceRect(), (UiRect{0, 0, 100, 50}));
    EXPECT_EQ(b->GetDrawnImage().file, "wide.png");
    EXPECT_EQ(b->GetDrawnImage().source, (UiRect{0, 0, 100, 50}));

    NotificationRecorder notes;
    w->GetPaintManager().AddNotifier(&notes);
    struct Step {
        UiPoint to;
        UiRect source;
    };
    // Press at (50,25); each row moves the pointer on and shows the window.
    const std::vector<Step> steps = {
        {{60, 30}, {0, 0, 100, 50}},         // right and down with the window at 0: no move
        {{30, 10}, {30, 20, 130, 70}},       // left 30 and up 20: the window moves into the picture
        {{40, 15}, {20, 15, 120, 65}},       // right 10, down 5: back by as much
        {{90, 90}, {0, 0, 100, 50}},         // right 50 > left 20: to the edge, width kept
        {{-150, -90}, {100, 50, 200, 100}},  // far left and up: stops at the picture's edge
    };
    Mouse(*w, ui::kMsgLButtonDown, {50, 25});
    for (const Step& s : steps) {
        Mouse(*w, ui::kMsgMouseMove, s.to);
        EXPECT_EQ(b->GetSourceRect(), s.source) << s.to.x << "," << s.to.y;
        EXPECT_EQ(b->GetDrawnImage().source, s.source);
    }
    EXPECT_FALSE(b->IsPushed());  // the pointer is outside
    Mouse(*w, ui::kMsgLButtonUp, {-150, -90});
    Mouse(*w, ui::kMsgMouseMove, {10, 10});
    EXPECT_EQ(b->GetSourceRect(), (UiRect{100, 50, 200, 100}));  // released: no more panning
    EXPECT_EQ(notes.Count("click"), 0);
    w->GetPaintManager().RemoveNotifier(&notes);
}

TEST_F(HandImageTest, PictureSmallerThanTheControlIsDrawnWholeAndStays) {
    auto w = Window(R"(<HandImgSelectButton name="pan" float="true" pos="0,0,250,120"
                          handimage="wide.png"/>)");
    ASSERT_NE(w, nullptr);
    auto* b = w->GetPaintManager().FindControlAs<ui::CHandImgSelectButtonUI>("pan");
    EXPECT_EQ(b->GetDrawnImage().file, "wide.png");
    EXPECT_TRUE(b->GetDrawnImage().source.IsEmpty());
    Mouse(*w, ui::kMsgLButtonDown, {100, 60});
    Mouse(*w, ui::kMsgMouseMove, {10, 10});
    Mouse(*w, ui::kMsgMouseMove, {200, 100});
    Mouse(*w, ui::kMsgLButtonUp, {200, 100});
    EXPECT_EQ(b->GetSourceRect(), (UiRect{0, 0, 250, 120}));
    EXPECT_TRUE(b->GetDrawnImage().source.IsEmpty());
}

TEST_F(HandImageTest, UnknownCursorsAndMissingPicturesChangeNothing) {
    auto w = Window(R"(<HandImgSelectButton name="pan" float="true" pos="0,0,100,50"
                          cursor="pointer" handimage="missing.png"/>
                       <RedioMacroButton name="radio" redioimage="r.png" height="20"/>)");
    ASSERT_NE(w, nullptr);
    auto* b = w->GetPaintManager().FindControlAs<ui::CHandImgSelectButtonUI>("pan");
    EXPECT_EQ(b->GetCursor(), ui::CursorKind::Arrow);
    EXPECT_TRUE(b->GetHandImageName().empty());
    EXPECT_TRUE(b->GetDrawnImage().IsEmpty());
    EXPECT_TRUE(b->SetHandImage("wide.png"));
    EXPECT_FALSE(b->SetHandImage("broken.png"));
    EXPECT_EQ(b->GetHandImageName(), "wide.png");
    auto* radio = w->GetPaintManager().FindControlAs<ui::CRedioMacroButtonUI>("radio");
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->GetRedioImage(), "r.png");
}

}  // namespace
