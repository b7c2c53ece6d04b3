// Layouts share a theme file: its fonts, defaults and styles apply as if the
// window had them, the window's own definitions come after it, and a broken
// theme fails the build with the theme's file and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "ui/resource_manager.h"

namespace {

using namespace ui;

class ThemeTest : public ::testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::SetResourcePath(skin.Path().string());
        std::filesystem::create_directories(skin.Path() / "XML");
        Write("XML/theme.xml",
              "<Theme>\n"
              "  <Font id=\"3\" name=\"Noto Sans\" size=\"30\"/>\n"
              "  <Font name=\"Noto Sans\" size=\"14\" default=\"true\"/>\n"
              "  <Default name=\"Label\" value=\"textcolor=&quot;#FF112233&quot;\"/>\n"
              "  <Style name=\"big\" value=\"font=&quot;3&quot; height=&quot;40&quot;\"/>\n"
              "  <Style name=\"plain\" value=\"height=&quot;10&quot;\"/>\n"
              "</Theme>\n");
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadResourceText(
            "<Res><Xml name=\"THEME\" file=\"XML\\theme.xml\"/></Res>", "res.xml"));
    }
    void TearDown() override {
        CResourceManager::GetInstance()->Release();
        CPaintManagerUI::SetResourcePath("");
    }
    void Write(const char* file, const std::string& text) {
        std::ofstream(skin.Path() / file) << text;
    }

    testsupport::TempDir skin;
    testsupport::UiHarness ui;
};

TEST_F(ThemeTest, ThemeDefinitionsApplyAndTheWindowsOwnComeAfter) {
    auto w = ui.CreateWindow(
        "<Window size=\"200,200\"><Theme source=\"THEME\"/>"
        "<Style name=\"plain\" value=\"height=&quot;20&quot;\"/>"
        "<VerticalLayout><Label name=\"a\" style=\"big\"/><Label name=\"b\" style=\"plain\"/>"
        "</VerticalLayout></Window>");
    ASSERT_TRUE(w);
    CPaintManagerUI& pm = w->GetPaintManager();
    ASSERT_NE(pm.GetFontInfo(3), nullptr);
    EXPECT_EQ(pm.GetFontInfo(3)->size, 30);
    EXPECT_EQ(pm.GetDefaultFontInfo().size, 14);
    CControlUI* a = w->FindControl("a");
    EXPECT_EQ(a->GetFont(), 3);
    EXPECT_EQ(a->GetFixedHeight(), 40);
    EXPECT_EQ(a->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(w->FindControl("b")->GetFixedHeight(), 20);  // the window's style replaced it
}

TEST_F(ThemeTest, BrokenThemesFailTheBuildNamingTheProblem) {
    Write("XML/notatheme.xml", "<Window/>");
    Write("XML/badstyle.xml", "<Theme>\n<Font id=\"x\" name=\"A\" size=\"3\"/>\n</Theme>");
    Write("XML/loop.xml", "<Theme><Theme source=\"XML/loop.xml\"/></Theme>");
    const struct {
        const char* source;
        const char* expected;
    } cases[] = {
        {"XML/missing.xml", "missing.xml"},
        {"XML/notatheme.xml", "is not a theme"},
        {"XML/badstyle.xml", "badstyle.xml:2: bad font id"},
        {"XML/loop.xml", "too deeply"},
        {"", "needs a source"},
    };
    for (const auto& c : cases) {
        std::string error;
        auto w = ui.CreateWindow(
            std::string("<Window><Theme source=\"") + c.source + "\"/><VerticalLayout/></Window>",
            &error);
        EXPECT_FALSE(w) << c.source;
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.source << ": " << error;
    }
}

}  // namespace
