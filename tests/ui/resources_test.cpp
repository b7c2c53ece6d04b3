#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/trace.h"
#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "ui/list.h"
#include "ui/resource_manager.h"
#include "ui_fixtures.h"

namespace {

using namespace ui;

class ResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(skin.Path().string());
        std::filesystem::create_directories(skin.Path() / "lan");
        std::ofstream(skin.Path() / "lan" / "lan_en.xml") << uitest::kEnglish;
        std::ofstream(skin.Path() / "lan" / "lan_cn.xml") << uitest::kChinese;
        res()->SetLanguage("English");
        ASSERT_TRUE(res()->LoadLanguage("lan\\lan_en.xml"));
        wnd = ui.CreateWindow(uitest::kPageLayout);
        ASSERT_TRUE(wnd);
    }
    void TearDown() override {
        res()->Release();
        CPaintManagerUI::SetResourcePath("");
    }
    CResourceManager* res() { return CResourceManager::GetInstance(); }
    CPaintManagerUI& pm() { return wnd->GetPaintManager(); }

    testsupport::TempDir skin;
    testsupport::UiHarness ui;
    std::unique_ptr<testsupport::TestWindow> wnd;
};

TEST_F(ResourcesTest, ALanguageSwitchUpdatesEveryTextIdControl) {
    EXPECT_EQ(pm().FindControl("title")->GetText(), "Quillon");
    EXPECT_EQ(pm().FindControl("deng_Op_tab")->GetText(), "Lighting");
    auto* combo = pm().FindControlAs<CComboUI>("light_combo_modeSelect");
    combo->SelectItem(3);
    EXPECT_EQ(combo->GetText(), "Neon");
    EXPECT_EQ(pm().FindControl("value_label")->GetText(), "light");  // plain text stays

    pm().Paint(*std::make_unique<NullRenderEngine>());
    res()->SetLanguage("Chinese");
    ASSERT_TRUE(res()->LoadLanguage("lan/lan_cn.xml"));
    res()->ReloadText();
    EXPECT_EQ(pm().FindControl("title")->GetText(), "奎隆");
    EXPECT_EQ(pm().FindControl("key_Op_tab")->GetText(), "按键");
    EXPECT_FALSE(pm().GetInvalidRect().IsEmpty());
    EXPECT_TRUE(pm().IsUpdateNeeded() || pm().GetRoot()->IsUpdateNeeded());

    // "mode_neon" is missing in Chinese: the id shows, and is traced once.
    platform::TraceCapture trace;
    EXPECT_EQ(combo->GetText(), "mode_neon");
    EXPECT_EQ(combo->GetText(), "mode_neon");
    int lines = 0;
    for (const auto& l : trace.Lines())
        lines += l.find("mode_neon") != std::string::npos;
    EXPECT_EQ(lines, 1);
}

TEST_F(ResourcesTest, HiddenLabelReadsBackATextId) {
    // How code reads a text: set an id on a hidden label and read it back.
    CLabelUI probe;
    probe.SetResourceText(true);
    probe.SetText("tab_keys");
    EXPECT_EQ(probe.GetText(), "Keys");
}

TEST_F(ResourcesTest, ABrokenLanguageFileKeepsTheCurrentTexts) {
    std::ofstream(skin.Path() / "lan" / "broken.xml")
        << "<Language>\n<Text id=\"a\" value=\"x\">\n</Language>";
    auto status = res()->LoadLanguage("lan/broken.xml");
    ASSERT_FALSE(status);
    EXPECT_NE(status.error().message.find("lan/broken.xml:3"), std::string::npos)
        << status.error().message;
    EXPECT_FALSE(res()->LoadLanguage("lan/missing.xml"));
    EXPECT_EQ(pm().FindControl("title")->GetText(), "Quillon");
}

TEST_F(ResourcesTest, TheQueryInterfaceAnswersForMissingIds) {
    struct Query : IQueryControlText {
        std::string QueryControlText(std::string_view id, std::string_view) override {
            return id == "dynamic" ? "from code" : "";
        }
    } query;
    res()->SetTextQueryInterface(&query);
    EXPECT_EQ(res()->GetText("dynamic"), "from code");
    EXPECT_EQ(res()->GetText("window_title"), "Quillon");
    EXPECT_EQ(res()->GetText("unknown_id"), "unknown_id");
    res()->SetTextQueryInterface(nullptr);
}

TEST_F(ResourcesTest, TheResourceIndexMapsLogicalNames) {
    ASSERT_TRUE(
        res()->LoadResourceText("<Res><Xml name=\"XML_MAIN\" file=\"XML\\main.xml\"/><Image "
                                "name=\"logo\" file=\"a.png\"/></Res>",
                                "res.xml"));
    EXPECT_EQ(res()->GetXmlPath("XML_MAIN"), "XML/main.xml");
    EXPECT_EQ(res()->GetImagePath("logo"), "a.png");
    EXPECT_EQ(res()->GetXmlPath("XML_NONE"), "");
    auto bad = res()->LoadResourceText("<Res>\n<Xml file=\"x.xml\"/>\n</Res>", "res.xml");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().message.rfind("res.xml:2:", 0), 0u) << bad.error().message;
}

}  // namespace
