// The main window's pure rules: DPI per monitor, tray menu placement, the
// report block for DaruVivo, the worker slots and the saved language.

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>

#include "app/app_messages.h"
#include "app/control_registry.h"
#include "app/daruvivo_report.h"
#include "app/language_settings.h"
#include "app/window_geometry.h"
#include "app/worker_slots.h"
#include "platform/message_loop.h"
#include "platform/registered_messages.h"
#include "support/temp_env.h"
#include "ui/menu.h"

namespace {

using app::MenuPlacement;
using ui::UiPoint;
using ui::UiRect;

TEST(WindowRulesTest, LargeMonitorsGetHighDpi) {
    struct Case {
        UiRect monitor;
        int dpi;
    };
    const Case cases[] = {
        {{0, 0, 1920, 1080}, 144}, {{0, 0, 1501, 961}, 144}, {{0, 0, 1500, 1080}, 96},
        {{0, 0, 1920, 960}, 96},   {{0, 0, 1366, 768}, 96},  {{1920, 0, 4480, 1440}, 144},
        {{0, 0, 0, 0}, 96},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::DpiForMonitor(c.monitor), c.dpi)
            << c.monitor.Width() << "x" << c.monitor.Height();
    }
}

TEST(WindowRulesTest, OnlyAcceptedDpiValuesAreKept) {
    for (int dpi : {48, 72, 96, 120, 144, 168, 192}) {
        EXPECT_EQ(app::AcceptDpi(dpi).dpi, dpi);
        EXPECT_FALSE(app::AcceptDpi(dpi).refused);
    }
    for (int dpi : {0, -96, 95, 97, 100, 150, 240, 1 << 20}) {
        EXPECT_EQ(app::AcceptDpi(dpi).dpi, 96) << dpi;
        EXPECT_TRUE(app::AcceptDpi(dpi).refused) << dpi;
    }
}

TEST(WindowRulesTest, TrayMenuOpensAwayFromThePanel) {
    const UiRect screen{0, 0, 1920, 1080};
    constexpr uint32_t kRB = ui::kMenuAlignRight | ui::kMenuAlignBottom;
    constexpr uint32_t kLT = ui::kMenuAlignLeft | ui::kMenuAlignTop;
    constexpr uint32_t kRT = ui::kMenuAlignRight | ui::kMenuAlignTop;
    constexpr uint32_t kLB = ui::kMenuAlignLeft | ui::kMenuAlignBottom;
    struct Case {
        const char* what;
        std::optional<UiRect> panel;
        UiPoint cursor;
        MenuPlacement expected;
    };
    const Case cases[] = {
        {"left panel: right of it", UiRect{0, 0, 48, 1080}, {20, 900}, {{48, 900}, kRB}},
        {"top panel: below it", UiRect{0, 0, 1920, 32}, {1800, 10}, {{1800, 32}, kRB}},
        {"bottom panel, right corner",
         UiRect{0, 1040, 1920, 1080},
         {1850, 1060},
         {{1850, 1060}, kLT}},
        {"bottom panel, left corner", UiRect{0, 1040, 1920, 1080}, {30, 1060}, {{30, 1060}, kRT}},
        {"right panel, low", UiRect{1872, 0, 1920, 1080}, {1900, 1000}, {{1900, 1000}, kLT}},
        {"right panel, high", UiRect{1872, 0, 1920, 1080}, {1900, 40}, {{1900, 40}, kLB}},
        {"no panel, top right", std::nullopt, {1900, 5}, {{1900, 5}, kLB}},
        {"no panel, bottom left", std::nullopt, {10, 1070}, {{10, 1070}, kRT}},
        {"empty panel counts as none", UiRect{0, 0, 0, 0}, {1900, 1070}, {{1900, 1070}, kLT}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::PlaceTrayMenu(screen, c.panel, c.cursor), c.expected) << c.what;
    }
    // A second monitor left of the first: its own top-left corner counts.
    EXPECT_EQ(app::PlaceTrayMenu({-1280, 0, 0, 1024}, UiRect{-1280, 0, -1232, 1024}, {-1270, 500}),
              (MenuPlacement{{-1232, 500}, kRB}));
}

TEST(WindowRulesTest, DaruVivoBlockListsTheDeviceKinds) {
    const app::DaruVivoBlock block = app::BuildDaruVivoBlock();
    // clang-format off
    const uint8_t expected[] = {
        2, 0, 0, 0,  3, 0, 0, 0,  0, 0, 0, 0,  2, 0, 0, 0,
        4, 0, 0, 0,
        0x0F, 0x32, 0, 0,  0xEF, 0x50, 0, 0,  2, 0, 0, 0,   // mouse
        0x0F, 0x32, 0, 0,  0x55, 0x50, 0, 0,  1, 0, 0, 0,   // keyboard
        0x0F, 0x32, 0, 0,  0x04, 0x10, 0, 0,  3, 0, 0, 0,   // mousepad
        0x76, 0x0C, 0, 0,  0x30, 0x16, 0, 0,  7, 0, 0, 0,   // headset
    };
    // clang-format on
    ASSERT_EQ(block.size(), 1024u);
    for (size_t i = 0; i < sizeof expected; ++i)
        EXPECT_EQ(block[i], expected[i]) << "byte " << i;
    for (size_t i = sizeof expected; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0) << "byte " << i;
}

TEST(StartupTablesTest, MessagesAndControlClassesKeepTheirNames) {
    ASSERT_TRUE(app::RegisterActivationMessage());
    ASSERT_TRUE(app::RegisterGuidMessages());
    EXPECT_EQ(platform::RegisteredMessageName(app::Messages().activation.load()), "Quillon");
    const char* guids[] = {
        "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}", "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}",
        "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}", "{4695579F-999A-41d4-9FAF-EFFCE93EBF18}",
        "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}",  // not F19: peers use this name
    };
    for (size_t i = 0; i < std::size(guids); ++i)
        EXPECT_EQ(platform::RegisteredMessageName(app::Messages().guid[i].load()), guids[i]) << i;

    const std::vector<std::string> classes = {
        "CCircleProgressUI",
        "CChartViewUI",
        "CWndUI",
        "CSelectPanelUI",
        "CDeviceKeyButtonUI",
        "CCloudShareListItemUI",
        "CUpdateInfoListItemUI",
        "CDeviceOptionUI",
        "CMpDevicePowerUI",
        "CComboEditContainerElementUI",
        "CHandImgButtonUI",
        "CHandImgSelectButtonUI",
        "CRedioMacroButtonUI",
        "CAudioRecordUI",
        "CLightControlUI",
        "CMacroControlUI",
        "CKeySetControlUI",
        "CDeviceProfileUI",
        "CShootControlUI",
        "CMagicControlUI",
        "CVoice6533ControlUI",
        "CNorvalisUSBDevice",
        "CNorvalisMousePadDevice",
        "CNorvalisDO6533Device",
    };
    std::vector<std::string> names;
    int withCode = 0;
    for (const app::ControlClassRow& row : app::ControlClassTable()) {
        names.emplace_back(row.name);
        withCode += row.create != nullptr ? 1 : 0;
    }
    EXPECT_EQ(names, classes);
    // Only classes the program has are registered, and layouts can name them.
    EXPECT_EQ(app::RegisterControlClasses(), withCode);
    for (const char* name :
         {"CSelectPanelUI", "CDeviceKeyButtonUI", "CHandImgButtonUI", "CHandImgSelectButtonUI",
          "CRedioMacroButtonUI", "CNorvalisUSBDevice"}) {
        EXPECT_NE(ui::CControlFactory::GetInstance()->CreateControl(name), nullptr) << name;
    }
}

TEST(WorkerSlotsTest, StopAllJoinsWorkersBlockedInASend) {
    // The loop's thread is this one and it does not run while stopping, as in
    // the window's destruction: a worker sending to it would wait for ever.
    platform::MessageLoop loop;
    struct Sink : platform::IMessageTarget {
        intptr_t HandleMessage(uint32_t, uintptr_t, intptr_t) override { return 1; }
    } sink;
    const platform::WindowHandle target = loop.Register(&sink);
    app::WorkerSlots slots;
    std::atomic<int> sending{0};
    std::atomic<int> released{0};
    // One worker passes its stop event, one passes none; both must be freed.
    ASSERT_TRUE(slots.Start(0, "with-cancel", [&](platform::Event& stop) {
        ++sending;
        if (loop.Send(target, platform::kMsgUser, 0, 0, &stop) == 0)
            ++released;
    }));
    ASSERT_TRUE(slots.Start(19, "no-cancel", [&](platform::Event&) {
        ++sending;
        if (loop.Send(target, platform::kMsgUser, 0, 0) == 0)
            ++released;
    }));
    ASSERT_TRUE(slots.Start(8, "idle", [](platform::Event& stop) { stop.Wait(); }));
    EXPECT_FALSE(slots.Start(20, "outside", [](platform::Event&) {}));
    while (sending.load() < 2)
        std::this_thread::yield();
    slots.StopAll(&loop);
    EXPECT_EQ(released.load(), 2);
    for (size_t i = 0; i < app::kWorkerSlotCount; ++i)
        EXPECT_FALSE(slots.Running(i)) << i;
}

class LanguageSettingsTest : public ::testing::Test {
protected:
    void WriteConfig(const std::string& text) { std::ofstream(config) << text; }
    testsupport::TempEnv env;
    std::filesystem::path config = env.Root() / "Language.config";
    platform::SettingsStore store{env.ConfigHome() / "Quillon" / "registry.json"};
    app::LanguageSettings settings{config, store};
    static constexpr const char* kTwo =
        R"({"Language":[{"Language_ID":2052,"Language_name":"cn","Language_file":"lan_cn.xml","Language_text":"x"},)"
        R"({"Language_ID":520,"Language_name":"en","Language_file":"lan_en.xml","Language_text":"English"}]})";
};

TEST_F(LanguageSettingsTest, SavedIdSelectsItsEntry) {
    WriteConfig(kTwo);
    // Nothing saved: the id 520 counts.
    EXPECT_EQ(settings.GetSavedLanguageIndex(), 1);
    ASSERT_TRUE(settings.SaveLanguageId(2052));
    EXPECT_EQ(settings.GetSavedLanguageIndex(), 0);
    EXPECT_EQ(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 2052u);
    ASSERT_TRUE(settings.SaveLanguageId(7));
    EXPECT_EQ(settings.GetSavedLanguageIndex(), 0);
}

TEST_F(LanguageSettingsTest, BrokenListsReadAsNothing) {
    for (const char* text :
         {"", "{", "[]", R"({"Language":5})", R"({"Language":[1,{"Language_ID":"x"}]})"}) {
        WriteConfig(text);
        EXPECT_EQ(settings.GetSavedLanguageIndex(), 0) << text;
        EXPECT_FALSE(settings.Entry(0)) << text;
        EXPECT_FALSE(settings.Entry(1)) << text;
    }
    WriteConfig(kTwo);
    EXPECT_FALSE(settings.Entry(-1));
    EXPECT_FALSE(settings.Entry(2));
    ASSERT_TRUE(settings.Entry(1));
    EXPECT_EQ(settings.Entry(1)->file, "lan_en.xml");
}

}  // namespace
