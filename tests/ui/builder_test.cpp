#include "ui/builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "ui/container.h"
#include "ui/image.h"
#include "ui/resource_manager.h"
#include "ui_fixtures.h"

namespace {

using namespace ui;
using testsupport::UiHarness;

void WriteFile(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// A control of the program's own, created through the CreateControl callback.
class CFancyUI : public CContainerUI {
public:
    std::string_view GetClass() const override { return "Fancy"; }
    AttrResult SetAttribute(std::string_view name, std::string_view value) override {
        if (EqualsNoCase(name, "glow")) {
            auto v = ParseInt(value);
            if (!v)
                return AttrResult::BadValue;
            glow = *v;
            return AttrResult::Ok;
        }
        return CContainerUI::SetAttribute(name, value);
    }
    int glow = 0;
};

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override { CPaintManagerUI::SetResourcePath(skin.Path().string()); }
    void TearDown() override {
        CPaintManagerUI::SetResourcePath("");
        CResourceManager::GetInstance()->Release();
    }
    UiHarness ui;
    testsupport::TempDir skin;
};

TEST_F(BuilderTest, BuildsTheLayoutWithFontsStylesAndDefaults) {
    std::string error;
    auto wnd = ui.CreateWindow(uitest::kPageLayout, &error);
    ASSERT_TRUE(wnd) << error;
    CPaintManagerUI& pm = wnd->GetPaintManager();

    EXPECT_EQ(pm.GetInitSize(), (UiSize{800, 600}));
    EXPECT_EQ(wnd->GetWindowRect().Width(), 800);
    ASSERT_NE(pm.GetFontInfo(50), nullptr);
    EXPECT_TRUE(pm.GetFontInfo(50)->bold);
    EXPECT_EQ(pm.GetFontInfo(50)->size, 18);
    EXPECT_EQ(pm.GetDefaultFontInfo().size, 14);
    EXPECT_EQ(pm.FindControl("title")->GetFont(), 50);         // from the named style
    EXPECT_EQ(pm.FindControl("minbtn")->GetFixedWidth(), 30);  // from <Default>
    EXPECT_EQ(pm.FindControl("root")->GetClass(), "VerticalLayout");

    // Geometry: the title bar on top, the buttons at its right end.
    EXPECT_EQ(pm.FindControl("title_bar")->GetPos(), (UiRect{0, 0, 800, 30}));
    EXPECT_EQ(pm.FindControl("closebtn")->GetPos(), (UiRect{770, 0, 800, 30}));
    EXPECT_EQ(pm.FindControl("title")->GetPos(), (UiRect{0, 0, 740, 30}));
    EXPECT_EQ(pm.FindControl("pages")->GetPos(), (UiRect{0, 60, 800, 600}));
    EXPECT_EQ(pm.FindControl("deng_light_slider")->GetPos(), (UiRect{10, 70, 790, 90}));
}

TEST_F(BuilderTest, ScopedLookupsFindEachPagesOwnControl) {
    auto wnd = ui.CreateWindow(uitest::kPageLayout);
    ASSERT_TRUE(wnd);
    CPaintManagerUI& pm = wnd->GetPaintManager();
    CControlUI* lightPage = pm.FindControl("light_page");
    CControlUI* keyPage = pm.FindControl("key_page");
    CControlUI* lightLabel = pm.FindSubControlByName(lightPage, "value_label");
    CControlUI* keyLabel = pm.FindSubControlByName(keyPage, "value_label");
    ASSERT_NE(lightLabel, nullptr);
    ASSERT_NE(keyLabel, nullptr);
    EXPECT_EQ(lightLabel->GetText(), "light");
    EXPECT_EQ(keyLabel->GetText(), "keys");
    EXPECT_EQ(pm.FindControl("value_label"), lightLabel);  // the first in the layout
    EXPECT_EQ(pm.FindSubControlByName(keyPage, "deng_light_slider"), nullptr);
    EXPECT_EQ(pm.FindControl("no_such_control"), nullptr);
    EXPECT_EQ(pm.FindSubControlByName(nullptr, "value_label"), nullptr);
    EXPECT_EQ(pm.FindSubControlsByClass(pm.GetRoot(), "Edit").size(), 3u);
    EXPECT_EQ(pm.FindSubControlByClass(keyPage, "edit"),
              pm.FindSubControlByName(keyPage, "deng_edit_R"));

    // Removing a page forgets its names; the other page's controls stay findable.
    auto* pages = pm.FindControlAs<CTabLayoutUI>("pages");
    pages->Remove(lightPage);
    EXPECT_EQ(pm.FindControl("value_label"), keyLabel);
    EXPECT_EQ(pm.FindControl("deng_light_slider"), nullptr);
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_TRUE(keyPage->IsVisible());
}

TEST_F(BuilderTest, RenamedControlsAreFoundByTheirNewName) {
    auto wnd = ui.CreateWindow(uitest::kPageLayout);
    CPaintManagerUI& pm = wnd->GetPaintManager();
    CControlUI* c = pm.FindControl("minbtn");
    c->SetName("minimise");
    EXPECT_EQ(pm.FindControl("minbtn"), nullptr);
    EXPECT_EQ(pm.FindControl("minimise"), c);
}

struct BadLayout {
    const char* name;
    const char* xml;
    const char* fragment;  // expected in the message, after "file:line: "
    int line;
};

TEST_F(BuilderTest, BrokenLayoutsAreReportedWithFileAndLine) {
    const BadLayout cases[] = {
        {"unclosed tag", "<Window>\n<VerticalLayout>\n<Button>\n</VerticalLayout>\n</Window>",
         "mismatch", 4},
        {"unknown class",
         "<Window>\n<VerticalLayout>\n\n<Knob name=\"k\"/>\n</VerticalLayout></Window>",
         "unknown control class 'Knob'", 4},
        {"unknown attribute",
         "<VerticalLayout>\n<Button name=\"b\" sparkle=\"1\"/>\n</VerticalLayout>",
         "unknown attribute 'sparkle' on <Button>", 2},
        {"bad number", "<VerticalLayout>\n<Button\n  width=\"wide\"/>\n</VerticalLayout>",
         "bad value for 'width'", 2},
        {"bad colour", "<VerticalLayout bkcolor=\"#GG0000\"/>", "bad value for 'bkcolor'", 1},
        {"bad image", "<Button normalimage=\"file='a.png' source='1,2'\"/>",
         "bad value for 'normalimage'", 1},
        {"unknown style", "<Label style=\"nope\"/>", "bad value for 'style'", 1},
        {"children in a leaf", "<Button>\n  <Label/>\n</Button>", "cannot hold controls", 2},
        {"two roots", "<Window>\n<Label/>\n<Label/>\n</Window>", "one root control", 3},
        {"bad window size", "<Window size=\"800\">\n<Label/>\n</Window>", "bad value for 'size'",
         1},
    };
    for (const BadLayout& c : cases) {
        const std::string file = std::string("bad/") + c.name + ".xml";
        WriteFile(skin.Path() / file, c.xml);
        CPaintManagerUI pm;
        CDialogBuilder builder;
        auto result = builder.Create(file, nullptr, &pm);
        ASSERT_FALSE(result) << c.name;
        const std::string& msg = result.error().message;
        EXPECT_EQ(msg.rfind(file + ":" + std::to_string(c.line) + ": ", 0), 0u)
            << c.name << ": " << msg;
        EXPECT_NE(msg.find(c.fragment), std::string::npos) << c.name << ": " << msg;
        EXPECT_EQ(builder.GetLastError(), msg);
        EXPECT_EQ(pm.GetRoot(), nullptr);
    }
}

TEST_F(BuilderTest, AMissingFileIsAnError) {
    CDialogBuilder builder;
    auto result = builder.Create("XML\\nothing.xml", nullptr, nullptr);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().message.find("XML/nothing.xml"), std::string::npos);
    EXPECT_EQ(builder.CreateOrNull("XML\\nothing.xml", nullptr, nullptr), nullptr);
}

TEST_F(BuilderTest, UnknownTagsGoToTheCallbackWhichBuildsNestedLayouts) {
    WriteFile(skin.Path() / "XML/CustomControlXML/Panel.xml",
              "<Fancy name=\"panel_root\" glow=\"3\">\n"
              "  <FANCY name=\"inner\" glow=\"4\"/>\n"
              "  <Label name=\"panel_label\"/>\n"
              "</Fancy>");
    WriteFile(skin.Path() / "res.xml",
              "<Res>\n  <Xml name=\"XML_MAIN\" file=\"XML\\main.xml\"/>\n</Res>");
    WriteFile(skin.Path() / "XML/main.xml",
              "<Window size=\"400,300\">\n<VerticalLayout name=\"root\">\n"
              "  <PanelSetControlUI name=\"first\"/>\n  <panelsetcontrolui/>\n"
              "</VerticalLayout></Window>");
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadResource("res.xml"));

    std::vector<std::string> asked;
    CDialogBuilder outer;
    struct Callback : IDialogBuilderCallback {
        std::vector<std::string>* asked;
        CPaintManagerUI* pm = nullptr;
        std::unique_ptr<CControlUI> CreateControl(std::string_view tag) override {
            asked->push_back(std::string(tag));
            if (EqualsNoCase(tag, "Fancy"))
                return std::make_unique<CFancyUI>();
            if (EqualsNoCase(tag, "PanelSetControlUI")) {
                CDialogBuilder nested;
                return nested.CreateOrNull("XML\\CustomControlXML\\Panel.xml", this, pm);
            }
            return nullptr;
        }
    } callback;
    callback.asked = &asked;
    CPaintManagerUI pm;
    callback.pm = &pm;
    auto root = outer.Create("XML_MAIN", &callback, &pm);
    ASSERT_TRUE(root) << root.error().message;
    pm.AttachDialog(std::move(*root));

    // Both panels were built; names inside them repeat and are found per panel.
    auto panels = pm.FindSubControlsByClass(pm.GetRoot(), "Fancy");
    ASSERT_EQ(panels.size(), 4u);
    auto* first = static_cast<CFancyUI*>(panels[0]);
    EXPECT_EQ(first->GetName(), "first");  // the layout's name overrides the panel file's
    EXPECT_EQ(first->glow, 3);
    EXPECT_EQ(static_cast<CFancyUI*>(pm.FindSubControlByName(first, "inner"))->glow, 4);
    EXPECT_NE(pm.FindSubControlByName(panels[2], "panel_label"),
              pm.FindSubControlByName(first, "panel_label"));
    EXPECT_EQ(pm.GetInitSize(), (UiSize{400, 300}));
    // Built-in tags never reach the callback.
    for (const auto& tag : asked)
        EXPECT_FALSE(EqualsNoCase(tag, "Label")) << tag;
}

TEST_F(BuilderTest, IncludesRepeatALayoutAndBuildIntoARunningWindow) {
    WriteFile(
        skin.Path() / "row.xml",
        "<HorizontalLayout name=\"row\" height=\"20\"><Label name=\"cell\"/></HorizontalLayout>");
    auto wnd = ui.CreateWindow(
        "<Window><VerticalLayout name=\"root\"><Include source=\"row.xml\" count=\"3\"/>"
        "<VerticalLayout name=\"slot\"/></VerticalLayout></Window>");
    ASSERT_TRUE(wnd);
    CPaintManagerUI& pm = wnd->GetPaintManager();
    EXPECT_EQ(pm.FindSubControlsByClass(pm.GetRoot(), "HorizontalLayout").size(), 3u);

    // At run time: build into the existing window's tree.
    CDialogBuilder builder;
    auto slot = pm.FindControlAs<CContainerUI>("slot");
    auto more = builder.Create("row.xml", wnd.get(), &pm, slot);
    ASSERT_TRUE(more);
    CControlUI* added = slot->Add(std::move(*more));
    EXPECT_EQ(pm.FindSubControlByName(slot, "cell"), pm.FindSubControlByName(added, "cell"));
    EXPECT_NE(pm.FindSubControlByName(slot, "cell"), nullptr);
    pm.LayoutIfNeeded();
    EXPECT_EQ(added->GetPos().Height(), 20);
}

TEST_F(BuilderTest, TheHarnessBuildsWindowsFromSkinFiles) {
    WriteFile(
        skin.Path() / "XML/dlg.xml",
        "<Window size=\"200,100\"><VerticalLayout><Button name=\"ok\"/></VerticalLayout></Window>");
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadResourceText(
        "<Res><Xml name=\"XML_DLG\" file=\"XML\\dlg.xml\"/></Res>", "res.xml"));
    for (const char* skinFile : {"XML\\dlg.xml", "XML/dlg.xml", "XML_DLG"}) {
        std::string error;
        auto wnd = ui.CreateWindow(skinFile, &error);
        ASSERT_TRUE(wnd) << skinFile << ": " << error;
        testsupport::NotificationRecorder rec;
        wnd->GetPaintManager().AddNotifier(&rec);
        EXPECT_TRUE(testsupport::UiDriver(*wnd).Click("ok"));
        EXPECT_EQ(rec.Count("click", "ok"), 1);
    }
}

TEST_F(BuilderTest, TheFactoryKnowsClassesByTagAndClassName) {
    auto* factory = CControlFactory::GetInstance();
    EXPECT_EQ(factory->CreateControl("button")->GetClass(), "Button");
    EXPECT_EQ(factory->CreateControl("CButtonUI")->GetClass(), "Button");
    EXPECT_EQ(factory->CreateControl("Knob"), nullptr);
    factory->RegistControl("CFancyUI", &CreateControlOf<CFancyUI>);
    EXPECT_EQ(factory->CreateControl("Fancy")->GetClass(), "Fancy");
    EXPECT_EQ(factory->CreateControl("cfancyui")->GetClass(), "Fancy");
}

TEST(ImageDescription, ParsesTheAttributeSyntax) {
    auto bare = ParseImageDescription("common\\close.png");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->file, "common/close.png");

    auto full = ParseImageDescription(
        "file='a b.png' source='0,0,10,20' corner='2,2,2,2' mask='#FFFF00FF' fade='128' "
        "xtiled='true' dest=\"1,1,5,5\" hole='false'");
    ASSERT_TRUE(full) << full.error().message;
    EXPECT_EQ(full->file, "a b.png");
    EXPECT_EQ(full->source, (UiRect{0, 0, 10, 20}));
    EXPECT_EQ(full->corner, (UiRect{2, 2, 2, 2}));
    EXPECT_EQ(full->dest, (UiRect{1, 1, 5, 5}));
    EXPECT_EQ(full->mask, 0xFFFF00FFu);
    EXPECT_EQ(full->fade, 128);
    EXPECT_TRUE(full->xTiled);
    EXPECT_FALSE(full->yTiled);

    EXPECT_TRUE(ParseImageDescription("")->IsEmpty());
    for (const char* bad : {"file='a.png' source='1,2,3'", "file='a.png", "file=a.png",
                            "file='a.png' fade='300'", "file='a.png' glitter='1'"}) {
        EXPECT_FALSE(ParseImageDescription(bad)) << bad;
    }
}

}  // namespace
