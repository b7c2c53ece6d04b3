// The main window built from the real skin on the headless UI: routing,
// window messages, timers on the virtual clock, the tray, other programs on
// the message bus, and shutdown.

#include "app/main_wnd.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <thread>

#include "app/app_messages.h"
#include "app/daruvivo_report.h"
#include "app/sleep_watcher.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "transport/hid_enumerator.h"
#include "ui/controls.h"
#include "ui/resource_manager.h"

namespace {

using app::CMainWnd;
using app::Messages;
using platform::WindowHandle;
using ui::UiRect;

// Another program on the bus: serves a window of its own on its own thread
// and records what reaches it.
class BusPeer : public platform::IMessageTarget {
public:
    struct Received {
        uint32_t msg;
        uintptr_t wParam;
        intptr_t lParam;
        uint64_t dwData;
        std::vector<uint8_t> data;
    };

    BusPeer(const platform::MessageBus& bus, std::string name) {
        // Set up here, run on the peer's own thread (Run makes it the loop's).
        const WindowHandle handle = m_loop.Register(this);
        auto endpoint = platform::BusEndpoint::Open(bus, std::move(name), m_loop, handle);
        EXPECT_TRUE(endpoint);
        if (endpoint)
            m_endpoint = std::move(*endpoint);
        m_thread = std::thread([this] { m_loop.Run(); });
    }
    ~BusPeer() {
        m_loop.Quit(0);
        m_thread.join();
        m_endpoint.reset();
    }

    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
        Received r{msg, wParam, lParam, 0, {}};
        if (msg == platform::kMsgCopyData) {
            const auto* block = reinterpret_cast<const platform::CopyDataBlock*>(lParam);
            const auto* bytes = static_cast<const uint8_t*>(block->lpData);
            r.dwData = block->dwData;
            r.data.assign(bytes, bytes + block->cbData);
        }
        std::lock_guard guard(m_mutex);
        m_received.push_back(std::move(r));
        return 1;
    }

    // Waits (really: the bus is real) until a message with that number came.
    std::optional<Received> WaitFor(uint32_t msg) {
        for (int i = 0; i < 400; ++i) {
            {
                std::lock_guard guard(m_mutex);
                for (const Received& r : m_received) {
                    if (r.msg == msg)
                        return r;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }
    void Clear() {
        std::lock_guard guard(m_mutex);
        m_received.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<Received> m_received;
    platform::MessageLoop m_loop;
    std::unique_ptr<platform::BusEndpoint> m_endpoint;
    std::thread m_thread;
};

class MainWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::HeadlessWindowHost::SetScreenRect({0, 0, 1920, 1080});
        ui::CPaintManagerUI::SetResourcePath(QUILLON_SKIN_DIR "/");
        ASSERT_TRUE(ui::CResourceManager::GetInstance()->LoadResource("res.xml"));
        ASSERT_TRUE(app::RegisterActivationMessage());
        ASSERT_TRUE(app::RegisterGuidMessages());
        ui::CMenuWnd::RegisterControls();
        auto found = platform::MessageBus::ForCurrentUser();
        ASSERT_TRUE(found) << found.error().message;
        bus.emplace(std::move(*found));
        env.desktop = &desktop;
        env.bus = &*bus;
        env.language = &language;
        // Discovery runs on the test's thread, over an empty device folder.
        env.discoveryThread = false;
        transport::HidRoots roots;
        roots.hidraw = false;
        roots.virtualFolder = tempEnv.Root() / "vhid";
        std::filesystem::create_directories(roots.virtualFolder);
        transport::SetHidRoots(roots);
    }
    void TearDown() override {
        wnd.reset();
        transport::SetHidRoots({});
        ui::CResourceManager::GetInstance()->Release();
        ui::CPaintManagerUI::SetAllDPI(96);
    }

    // Creates the window as the program does and lets the first activation show it.
    void Start() {
        wnd = std::make_unique<CMainWnd>(env);
        ASSERT_TRUE(wnd->Create(nullptr, "Quillon", 0x96CA0000u, 0, 0, 0, 800, 572))
            << wnd->GetBuildError();
        ui.Advance(0);
        ASSERT_TRUE(wnd->RunDiscoveryPass());
        ui.Advance(0);
    }
    ui::CControlUI* Find(std::string_view name) { return wnd->FindControl(name); }
    ui::HeadlessWindowHost& Host() { return static_cast<ui::HeadlessWindowHost&>(wnd->Host()); }
    intptr_t Send(uint32_t msg, uintptr_t w = 0, intptr_t l = 0) {
        return wnd->SendMessage(msg, w, l);
    }
    intptr_t SendCopyData(uint64_t dwData, size_t bytes) {
        std::vector<uint8_t> data(bytes, 0x11);
        platform::CopyDataBlock block{dwData, static_cast<uint32_t>(bytes), data.data()};
        return Send(platform::kMsgCopyData, 0, reinterpret_cast<intptr_t>(&block));
    }
    bool Visible() { return wnd->IsVisible() && !wnd->IsMinimized(); }

    testsupport::TempEnv tempEnv;
    testsupport::UiHarness ui;
    std::optional<platform::MessageBus> bus;
    app::HeadlessDesktop desktop;
    platform::SettingsStore store{tempEnv.ConfigHome() / "Quillon" / "registry.json"};
    app::LanguageSettings language{QUILLON_DEFAULTDATA_DIR "/Language.config", store};
    app::MainWndEnvironment env;
    std::unique_ptr<CMainWnd> wnd;
};

TEST_F(MainWndTest, FirstActivationShowsTheWindowWithTheNoDeviceNotice) {
    platform::TraceCapture trace;
    wnd = std::make_unique<CMainWnd>(env);
    ASSERT_TRUE(wnd->Create(nullptr, "Quillon", 0x96CA0000u, 0, 0, 0, 800, 572))
        << wnd->GetBuildError();
    EXPECT_EQ(Host().Title(), "Quillon");
    EXPECT_EQ(Host().Icon(), app::kIconId);
    EXPECT_TRUE(wnd->Tray().IsVisible());
    EXPECT_EQ(wnd->Tray().GetTooltipText(), "Quillon");
    ui.Advance(0);
    EXPECT_FALSE(Visible());  // hidden until discovery has looked once
    ASSERT_TRUE(wnd->RunDiscoveryPass());
    ui.Advance(0);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(trace.Contains("MAIN_WND activation"));
    ASSERT_NE(Find("No_device_Link"), nullptr);
    EXPECT_TRUE(Find("No_device_Link")->IsVisible());
    EXPECT_TRUE(Host().IsTopmost());  // raised for a moment only
    ui.Advance(10);
    EXPECT_FALSE(Host().IsTopmost());
    for (const char* name :
         {"closebtn", "maxbtn", "restorebtn", "minbtn", "skinbtn", "gamemodebtn", "cloudbtn",
          "smarteyesbtn", "setbtn", "device_select_layout", "device_select_prev",
          "device_select_next", "device_switch", "device_power_switch", "nodevice_ok_btn",
          "control_light_status", "setting_progress", "root"}) {
        EXPECT_NE(Find(name), nullptr) << name;
    }
}

TEST_F(MainWndTest, EveryRoutingRowReachesItsHandler) {
    Start();
    struct Row {
        const char* type;
        const char* handler;
        std::vector<const char*> senders;
    };
    // Names as the controls carry them; a trailing number stands for the
    // numbered names.
    const Row rows[] = {
        {"selectchanged",
         "OnMouseSettings",
         {"DPI_enable_check_0", "DPI_select_check_4", "polling_rate_option_3",
          "pointer_precision_check", "scrolls_page_check", "mouse_device_seting_option_12"}},
        {"selectchanged",
         "OnKeyboardSettings",
         {"repeat_delay_check_2", "winlockflag_option", "wflag_option", "6flag_option",
          "keyset_fn"}},
        {"selectchanged",
         "OnShootingEditor",
         {"shoot_gun_op_3", "bullet_op_10", "bullet_x_check", "bullet_y_check"}},
        {"selectchanged",
         "OnHeadsetPanels",
         {"magic_option_1", "magic_enable_option", "6533_eq_option_0", "6533_MicIn_option",
          "6533_MicMoniter_option"}},
        {"selectchanged", "OnKeyAssignment", {"key_ComBox_check_7", "keyboard_key_104"}},
        {"selectchanged", "OnNothing", {"synchro_device_select"}},
        {"selectchanged", "OnDeviceSelect", {"device_select"}},
        {"selectchanged",
         "OnPageTab",
         {"deng_Op_tab", "key_Op_tab", "macro_Op_tab", "system_Op_tab", "cursor_Op_tab",
          "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"}},
        {"selectchanged",
         "OnLightingChange",
         {"deng_FXL_check", "deng_FXR_check", "deng_7color_check"}},
        {"selectchanged",
         "OnAudioLighting",
         {"deng_7audiocolor_check", "audio_BkColor_check", "audio_FgColor_check"}},
        {"valuechanged",
         "OnMouseSettings",
         {"DPI_slider_2", "pointer_speed_slider", "scroll_speed_slider", "double_click_slider"}},
        {"valuechanged", "OnKeyboardSettings", {"repeat_rate_slider", "voice_sensitivity"}},
        {"valuechanged",
         "OnHeadsetPanels",
         {"6533_eq_hz_slider_9", "6533_MicIn_slider", "6533_MicMoniter_slider"}},
        {"valuechanged", "OnLightingChange", {"deng_light_slider", "deng_speed_slider"}},
        {"valuechanged",
         "OnColourLabelSlider",
         {"R_light_slider", "G_light_slider", "B_light_slider"}},
        {"movevaluechanged",
         "OnMouseDpiDrag",
         {"korva_DPI_slider_1", "korva_DPI_edit_0", "DPI_slider_4"}},
        {"itemselect", "OnProfileComboItem", {"device_profile_combo"}},
        {"itemselect",
         "OnLightingChange",
         {"light_combo_modeSelect", "light_combo_ZZCCmodeSelect"}},
        {"itemselect", "OnCustomLighting", {"light_combo_custommodeSelect"}},
        {"itemselect", "OnAudioLighting", {"light_combo_audiomodeSelect"}},
        {"itemselect", "OnMacroEditor", {"macro_name_list"}},
        {"itemselect", "OnEqualiserPresets", {"custom_eq_name_combo"}},
        {"itemselect",
         "OnKeyAssignment",
         {"keyset_function_combo", "keyset_macro_over_combo", "keyset_mousekey_combo",
          "keyset_mouseswing_combo", "keyset_mousewheel_combo", "keyset_mousedpi_combo",
          "keyset_media_combo", "keyset_system_combo", "keyset_macro_combo", "keyset_gunkey_combo",
          "keyset_combokey_combo"}},
        {"killfocus", "OnMouseSettings", {"korva_DPI_edit_3", "DPI_edit_0"}},
        {"killfocus", "OnLightingChange", {"deng_edit_R", "deng_edit_G", "deng_edit_B"}},
        {"killfocus",
         "OnAudioLighting",
         {"deng_audioedit_R", "deng_audioedit_G", "deng_audioedit_B"}},
        {"killfocus", "OnKeyCaptureEditLeft", {"keyset_keyboard_text_edit"}},
        {"killfocus",
         "OnKeyAssignment",
         {"keyset_mouseswing_num_edit", "keyset_mouseswing_delay_edit",
          "keyset_mouseswing_speed_edit", "keyset_mousewheel_num_edit",
          "keyset_mousewheel_delay_edit", "keyset_mousewheel_speed_edit",
          "keyset_mousefire_interval_edit", "keyset_mousefire_num_edit",
          "keyset_macro_cycle_edit"}},
        {"killfocus", "OnShootingEditor", {"bullet_x_eidt", "bullet_y_eidt", "bullet_delay_eidt"}},
        {"killfocus", "OnMacroEditor", {"macro_delay"}},
        {"colorchanged", "OnLightingChange", {"deng_Color_Pallet"}},
        {"colorchanged", "OnAudioLighting", {"deng_audioColor_Pallet"}},
        {"click", "OnKeyClick", {"key_0", "key_169"}},
        {"click", "OnColourOption", {"color_option_5"}},
        {"click", "OnAudioColourOption", {"audiocolor_option_2"}},
        {"click", "OnSystemDeviceSettings", {"windowdeviceset_9"}},
        {"click", "OnDpiColourOption", {"DPI_color_option_1"}},
        {"click", "OnDefaultButton", {"default_btn"}},
        {"click", "OnResetRepeat", {"reset_repeat_btn"}},
        {"click",
         "OnProfileCommand",
         {"device_add_btn", "device_sub_btn", "device_copy_btn", "device_import_btn",
          "device_export_btn", "device_reset_btn", "device_profile_edit_save_btn"}},
        {"click",
         "OnKeyCommand",
         {"key_butt_keysave", "key_butt_keydefalut", "key_butt_keycancel", "key_butt_prosave"}},
        {"click",
         "OnMacroCommand",
         {"macro_btn_starredio", "macro_btn_stopredio", "macro_btn_name_add", "macro_btn_name_sub",
          "macro_btn_name_edit", "macro_btn_save", "macro_btn_cancel", "macro_btn_export",
          "macro_btn_import", "macro_btn_up", "macro_btn_down", "macro_btn_uptop",
          "macro_btn_downbottom", "macro_btn_delete", "macro_btn_deleteall"}},
        {"click",
         "OnShootingCommand",
         {"shootdate_save_btn", "shootdate_reset_btn", "shootdate_import_btn",
          "shootdate_export_btn", "bullet_selected_prev", "bullet_selected_next"}},
        {"click",
         "OnLightingCommand",
         {"custom_bright_color_btn", "custom_off_color_btn", "deng_same_mode"}},
        {"click", "OnEqualiserCommand", {"hs_EQ_btn_save", "hs_EQ_btn_delete"}},
        {"click", "OnProfileSpread", {"profile_fun_spread_btn"}},
        {"click",
         "OnMacroMoveInsert",
         {"macro_inset_moveleftkey_btn", "macro_inset_moverightkey_btn",
          "macro_inset_moveupkey_btn", "macro_inset_movedownkey_btn"}},
        {"click", "OnDeviceStep", {"device_select_prev", "device_select_next"}},
        {"click", "OnAudioBackgroundOff", {"Close_bkColor_btn"}},
        {"click", "OnMusicSetting", {"music_setting_btn"}},
        {"click", "OnNoDeviceOk", {"nodevice_ok_btn"}},
        {"click", "OnControlLightStatus", {"control_light_status"}},
        {"click", "OnCloseButton", {"closebtn"}},
        {"click", "OnMinimizeButton", {"minbtn"}},
        {"click", "OnMaximizeButton", {"maxbtn"}},
        {"click", "OnRestoreButton", {"restorebtn"}},
        {"click", "OnSkinButton", {"skinbtn"}},
        {"click", "OnSetButton", {"setbtn"}},
        // Names that must reach nothing: no number, a bad number, another
        // type, a prefix of a longer name.
        {"click",
         "",
         {"key_", "key_x", "color_option_", "color_option_1a", "closebtn2", "Closebtn"}},
        {"selectchanged",
         "",
         {"DPI_slider_1", "device_select_0", "deng_Op_tab_1", "polling_rate_option"}},
        {"valuechanged", "", {"korva_DPI_slider_1", "deng_edit_R"}},
        {"killfocus", "", {"keyset_fn", "macro_delay_1"}},
        {"textchanged", "", {"deng_edit_R"}},
        {"itemclick", "", {"macro_name_list"}},
    };
    size_t checked = 0;
    for (const Row& row : rows) {
        for (const char* sender : row.senders) {
            // The layout's own control where there is one (title-bar buttons
            // count only as those), else a stand-in with the name.
            ui::CControlUI standIn;
            standIn.SetName(sender);
            ui::CControlUI* control = Find(sender) != nullptr ? Find(sender) : &standIn;
            ui::TNotifyUI msg;
            msg.sType = row.type;
            msg.pSender = control;
            wnd->Notify(msg);
            EXPECT_EQ(wnd->LastRoute(), row.handler) << row.type << " " << sender;
            ++checked;
        }
    }
    // Every row of the window's own tables was reached above.
    EXPECT_GE(checked, CMainWnd::NotifyRoutes().size() + CMainWnd::ClickRoutes().size());

    // A title-bar name on another control is not the title-bar button.
    ui::CControlUI impostor;
    impostor.SetName("minbtn");
    ui::TNotifyUI msg;
    msg.sType = "click";
    msg.pSender = &impostor;
    wnd->Notify(msg);
    EXPECT_EQ(wnd->LastRoute(), "");
}

TEST_F(MainWndTest, LayoutTagsOfTheProgramCreateTheirControls) {
    Start();
    testsupport::TempDir skin;
    std::filesystem::create_directories(skin.Path() / "XML" / "CustomControlXML");
    std::ofstream(skin.Path() / "XML" / "CustomControlXML" / "DeviceProfile.xml")
        << R"(<VerticalLayout name="profile_panel"><Button name="device_add_btn"/></VerticalLayout>)";
    ui::CPaintManagerUI::SetResourcePath(skin.Path().string() + "/");
    // Tags ignore case; built from their layout file.
    std::unique_ptr<ui::CControlUI> panel = wnd->CreateControl("deviceprofileUI");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetName(), "profile_panel");
    // A layout file that is missing, a class not in the program yet, the
    // library's own tags: nothing.
    EXPECT_EQ(wnd->CreateControl("LightSetControlUI"), nullptr);
    EXPECT_EQ(wnd->CreateControl("CircleProgress"), nullptr);
    EXPECT_EQ(wnd->CreateControl("Button"), nullptr);
    EXPECT_EQ(wnd->CreateControl(""), nullptr);
    // The device picture controls are built by the window itself.
    for (const char* tag : {"SelectPanel", "deviceKeyButton", "HandImgButton",
                            "HandImgSelectButton", "RedioMacroButton"}) {
        std::unique_ptr<ui::CControlUI> control = wnd->CreateControl(tag);
        ASSERT_NE(control, nullptr) << tag;
        EXPECT_TRUE(ui::EqualsNoCase(control->GetClass(), tag)) << tag;
    }
}

TEST_F(MainWndTest, FittingScalesTheWindowToItsMonitor) {
    Start();
    EXPECT_EQ(wnd->GetWindowRect().Width(), 800);
    EXPECT_EQ(wnd->GetWindowRect().Height(), 572);
    ui.Advance(99);
    EXPECT_EQ(wnd->GetWindowRect().Width(), 800);  // timer 1011 is due at 100 ms
    ui.Advance(1);
    EXPECT_EQ(wnd->GetWindowRect(), (UiRect{210, 60, 1710, 1020}));  // 1000 x 640 at 144 dpi
    EXPECT_EQ(wnd->GetPaintManager().GetDPI(), 144);
    EXPECT_TRUE(Visible());

    // A smaller monitor: 96 dpi, 1000 x 640, centred; a hidden window stays hidden.
    ui::HeadlessWindowHost::SetScreenRect({0, 0, 1366, 768});
    ASSERT_TRUE(testsupport::UiDriver(*wnd).Click("closebtn"));
    Send(app::kMsgDisplayChange);
    EXPECT_TRUE(wnd->DisplayChanged());
    EXPECT_EQ(wnd->GetWindowRect(), (UiRect{183, 64, 1183, 704}));
    EXPECT_EQ(wnd->GetPaintManager().GetDPI(), 96);
    EXPECT_FALSE(wnd->IsVisible());
}

TEST_F(MainWndTest, DpiChangeMovesToTheSuggestedRectangleAndCentres) {
    Start();
    const UiRect suggested{100, 100, 1300, 868};
    Send(ui::kMsgDpiChanged, 120 | (120 << 16), reinterpret_cast<intptr_t>(&suggested));
    EXPECT_EQ(wnd->GetPaintManager().GetDPI(), 120);
    EXPECT_EQ(wnd->GetWindowRect().Width(), 1200);
    EXPECT_EQ(wnd->GetWindowRect().left, (1920 - 1200) / 2);
    Send(ui::kMsgDpiChanged, 130, 0);  // not an accepted value
    EXPECT_EQ(wnd->GetPaintManager().GetDPI(), 96);
}

TEST_F(MainWndTest, CloseButtonHidesAndTheTrayIconTogglesTheWindow) {
    Start();
    testsupport::UiDriver driver(*wnd);
    ASSERT_TRUE(driver.Click("closebtn")) << driver.LastError();
    EXPECT_FALSE(wnd->IsVisible());
    EXPECT_TRUE(wnd->IsWindow());  // the program goes on in the tray
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(Host().IsTopmost());
    ui.Advance(10);
    EXPECT_FALSE(Host().IsTopmost());
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    EXPECT_FALSE(wnd->IsVisible());
    // A minimised window comes back too.
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    Send(ui::kMsgSysCommand, ui::kScMinimize);
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    EXPECT_TRUE(Visible());
    // The notice's button hides the window too.
    ASSERT_TRUE(driver.Click("nodevice_ok_btn")) << driver.LastError();
    EXPECT_FALSE(wnd->IsVisible());
    // A second start brings it back.
    wnd->PostMessage(Messages().activation.load(), 0, 1);
    ui.Advance(0);
    EXPECT_TRUE(Visible());
}

TEST_F(MainWndTest, TrayMenuOpensBesideThePanelAndItsExitEndsTheProgram) {
    Start();
    desktop.panel = UiRect{0, 0, 48, 1080};
    desktop.cursor = {20, 700};
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgRButtonUp);
    EXPECT_EQ(wnd->OpenMenu(), nullptr);
    ui.Advance(10);
    ui::CMenuWnd* menu = wnd->OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetWindowRect().left, 48);
    EXPECT_EQ(menu->GetWindowRect().top, 700);
    for (const char* item : {"exit", "about_menu", "setwnd_menu"})
        EXPECT_NE(menu->GetPaintManager().FindControl(item), nullptr) << item;
    // A second right click replaces the menu.
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgRButtonUp);
    ui.Advance(10);
    ASSERT_NE(wnd->OpenMenu(), nullptr);
    EXPECT_TRUE(wnd->OpenMenu()->ChooseItem("setwnd_menu"));
    EXPECT_TRUE(wnd->IsWindow());

    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgRButtonUp);
    ui.Advance(10);
    ASSERT_NE(wnd->OpenMenu(), nullptr);
    EXPECT_TRUE(wnd->OpenMenu()->ChooseItem("exit"));
    ui.Advance(0);
    EXPECT_FALSE(wnd->IsWindow());
    EXPECT_FALSE(wnd->Tray().IsVisible());
    EXPECT_TRUE(ui.Loop().QuitRequested());
    EXPECT_EQ(ui.Loop().QuitCode(), 0);
}

TEST_F(MainWndTest, WindowTimersRunOnTheirClock) {
    Start();
    // 1067 drops the audio queues once data stopped for more than 500 ms; it
    // runs only while data flows.
    EXPECT_FALSE(ui.Loop().HasTimer(wnd->GetHWND(), app::kTimerAudioQueues));
    EXPECT_EQ(SendCopyData(app::kCopyDataSpectrum, 2000), 1);
    EXPECT_TRUE(wnd->AudioDataPending());
    ui.Advance(300);
    EXPECT_EQ(SendCopyData(app::kCopyDataSpectrum, 2000), 1);
    ui.Advance(500);
    EXPECT_TRUE(wnd->AudioDataPending());
    ui.Advance(100);
    EXPECT_FALSE(wnd->AudioDataPending());
    EXPECT_FALSE(ui.Loop().HasTimer(wnd->GetHWND(), app::kTimerAudioQueues));

    // 1055 follows a choice in the profile combo 400 ms later, once.
    ui::CControlUI combo;
    combo.SetName("device_profile_combo");
    ui::TNotifyUI msg;
    msg.sType = "itemselect";
    msg.pSender = &combo;
    wnd->Notify(msg);
    EXPECT_TRUE(ui.Loop().HasTimer(wnd->GetHWND(), app::kTimerProfileSwitch));
    ui.Advance(400);
    EXPECT_FALSE(ui.Loop().HasTimer(wnd->GetHWND(), app::kTimerProfileSwitch));
    EXPECT_FALSE(ui.Loop().HasTimer(wnd->GetHWND(), app::kTimerFitWindow));
}

TEST_F(MainWndTest, CopyDataIsTakenOnlyWhenItFitsItsBuffer) {
    Start();
    std::vector<int32_t> values(500);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<int32_t>(i * 3 - 700);
    platform::CopyDataBlock spectrum{app::kCopyDataSpectrum, 2000, values.data()};
    EXPECT_EQ(Send(platform::kMsgCopyData, 0, reinterpret_cast<intptr_t>(&spectrum)), 1);
    EXPECT_EQ(wnd->Spectrum()[499], 499 * 3 - 700);
    // Too large: refused whole, the buffer untouched.
    EXPECT_EQ(SendCopyData(app::kCopyDataSpectrum, 2004), 0);
    EXPECT_EQ(SendCopyData(app::kCopyDataSpectrum, 1u << 16), 0);
    EXPECT_EQ(wnd->Spectrum()[0], -700);
    // A short block clears the rest.
    EXPECT_EQ(SendCopyData(app::kCopyDataSpectrum, 4), 1);
    EXPECT_EQ(wnd->Spectrum()[0], 0x11111111);
    EXPECT_EQ(wnd->Spectrum()[1], 0);

    EXPECT_EQ(SendCopyData(app::kCopyDataBands, 24), 1);
    EXPECT_EQ(wnd->Bands()[5], 0x11111111);
    EXPECT_EQ(SendCopyData(app::kCopyDataBands, 25), 0);
    EXPECT_EQ(SendCopyData(7, 4), 0);
    platform::CopyDataBlock broken{app::kCopyDataBands, 8, nullptr};
    EXPECT_EQ(Send(platform::kMsgCopyData, 0, reinterpret_cast<intptr_t>(&broken)), 0);
    EXPECT_EQ(Send(platform::kMsgCopyData, 0, 0), 0);
}

TEST_F(MainWndTest, HostLightingFollowsTheButtonAndOtherPrograms) {
    BusPeer peer(*bus, "LightingPeer");
    Start();
    const uint32_t second = Messages().guid[1].load();
    // Initialisation told everyone the program drives the lighting.
    std::optional<BusPeer::Received> got = peer.WaitFor(second);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->wParam, 1u);
    EXPECT_EQ(got->lParam, 1);
    peer.Clear();

    testsupport::UiDriver driver(*wnd);
    ASSERT_TRUE(driver.Click("control_light_status")) << driver.LastError();
    EXPECT_EQ(wnd->HostLighting(), 0u);
    EXPECT_EQ(Find("control_light_status")->GetText(), "不控制灯光");
    got = peer.WaitFor(second);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->lParam, 0);
    ASSERT_TRUE(driver.Click("control_light_status"));
    EXPECT_EQ(wnd->HostLighting(), 1u);
    EXPECT_EQ(Find("control_light_status")->GetText(), "控制灯光");

    // The third GUID message sets the flag from outside; only wParam 1 with 0 or 1.
    const uint32_t third = Messages().guid[2].load();
    Send(third, 1, 0);
    EXPECT_EQ(wnd->HostLighting(), 0u);
    EXPECT_EQ(Find("control_light_status")->GetText(), "不控制灯光");
    Send(third, 1, 7);
    Send(third, 0, 1);
    EXPECT_EQ(wnd->HostLighting(), 0u);
    Send(third, 1, 1);
    EXPECT_EQ(wnd->HostLighting(), 1u);
}

TEST_F(MainWndTest, FourthGuidMessageReportsToDaruVivo) {
    Start();
    const uint32_t fourth = Messages().guid[3].load();
    Send(fourth);  // nobody listens: nothing happens
    BusPeer daruVivo(*bus, "DaruVivo");
    Send(fourth);
    std::optional<BusPeer::Received> got = daruVivo.WaitFor(platform::kMsgCopyData);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->dwData, 5u);
    EXPECT_EQ(got->wParam, wnd->GetHWND());
    ASSERT_EQ(got->data.size(), 1024u);
    const app::DaruVivoBlock expected = app::BuildDaruVivoBlock();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got->data.begin()));
}

TEST_F(MainWndTest, SleepingSystemIgnoresTheProgramsMessages) {
    Start();
    Send(app::kMsgPowerBroadcast, app::kPowerSuspend);
    EXPECT_FALSE(wnd->IsAwake());
    Send(app::kMsgShowSettingProgress);
    EXPECT_FALSE(Find("setting_progress")->IsVisible());
    EXPECT_EQ(SendCopyData(app::kCopyDataBands, 24), 0);
    ASSERT_TRUE(testsupport::UiDriver(*wnd).Click("closebtn"));
    Send(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    EXPECT_FALSE(wnd->IsVisible());
    // The activation message and the third GUID message still count.
    Send(Messages().guid[2].load(), 1, 0);
    EXPECT_EQ(wnd->HostLighting(), 0u);
    Send(Messages().activation.load());
    EXPECT_TRUE(Visible());

    Send(app::kMsgPowerBroadcast, app::kPowerResumeAutomatic);
    EXPECT_TRUE(wnd->IsAwake());
    Send(app::kMsgShowSettingProgress);
    EXPECT_TRUE(Find("setting_progress")->IsVisible());
}

TEST_F(MainWndTest, LogindSleepSignalsReachTheWindow) {
    Start();
    app::SleepWatcher watcher(ui.Loop(), wnd->GetHWND());
    watcher.Deliver(true);  // PrepareForSleep(true): going to sleep
    ui.Advance(0);
    EXPECT_FALSE(wnd->IsAwake());
    watcher.Deliver(false);  // PrepareForSleep(false): woken up
    ui.Advance(0);
    EXPECT_TRUE(wnd->IsAwake());
}

TEST_F(MainWndTest, SmallProgramMessages) {
    Start();
    ASSERT_TRUE(Find("setbtn")->SetForeImage("main/settings_hot.svg"));
    Send(app::kMsgClearSetButtonImage);
    EXPECT_TRUE(Find("setbtn")->GetForeImage().file.empty());

    // Key capture follows the key field's focus.
    ui::CControlUI edit;
    edit.SetName("keyset_keyboard_text_edit");
    ui::TNotifyUI msg;
    msg.sType = "setfocus";
    msg.pSender = &edit;
    wnd->Notify(msg);
    EXPECT_TRUE(wnd->KeyCaptureHookInstalled());
    msg.sType = "killfocus";
    wnd->Notify(msg);
    EXPECT_FALSE(wnd->KeyCaptureHookInstalled());
    Send(app::kMsgKeyCaptureHook, 1);
    EXPECT_TRUE(wnd->KeyCaptureHookInstalled());
    Send(app::kMsgKeyCaptureHook, 2);
    EXPECT_TRUE(wnd->KeyCaptureHookInstalled());

    Send(platform::kMsgActivate, 1);
    EXPECT_TRUE(wnd->IsWindowActive());
    Send(platform::kMsgActivate, 0);
    EXPECT_FALSE(wnd->IsWindowActive());
}

TEST_F(MainWndTest, SavedLanguageIsAppliedAtStartAndSwitchedByMessage) {
    ASSERT_TRUE(store.SetDword("SOFTWARE\\Quillon", "LANGUAGE", 2052));
    Start();
    EXPECT_EQ(wnd->CurrentLanguageIndex(), 1);
    EXPECT_EQ(ui::CResourceManager::GetInstance()->GetLanguage(), "cn");
    EXPECT_EQ(Find("nodevice_ok_btn")->GetText(), "确定");
    const ui::FontInfo* bold = wnd->GetPaintManager().GetFontInfo(50);
    ASSERT_NE(bold, nullptr);
    EXPECT_EQ(bold->face, app::kFontFaceForLanguages);
    EXPECT_TRUE(bold->bold);
    EXPECT_EQ(bold->size, 18);

    Send(app::kMsgSwitchLanguage, 0);
    EXPECT_EQ(wnd->CurrentLanguageIndex(), 0);
    EXPECT_EQ(Find("nodevice_ok_btn")->GetText(), "OK");
    EXPECT_EQ(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"), 520u);
    // The same language again does nothing: no fonts, no saving.
    ASSERT_TRUE(store.DeleteValue("SOFTWARE\\Quillon", "LANGUAGE"));
    wnd->GetPaintManager().RemoveAllFonts();
    Send(app::kMsgSwitchLanguage, 0);
    EXPECT_FALSE(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"));
    EXPECT_EQ(wnd->GetPaintManager().GetFontInfo(50), nullptr);
    // An index without a language changes nothing.
    Send(app::kMsgSwitchLanguage, 9);
    EXPECT_EQ(wnd->CurrentLanguageIndex(), 0);
    EXPECT_FALSE(store.GetDword("SOFTWARE\\Quillon", "LANGUAGE"));
    EXPECT_EQ(Find("nodevice_ok_btn")->GetText(), "OK");
}

TEST_F(MainWndTest, DestroyJoinsEveryWorkerEvenOneBlockedInASend) {
    Start();
    std::atomic<bool> sending{false};
    std::atomic<bool> returned{false};
    const WindowHandle hwnd = wnd->GetHWND();
    ASSERT_TRUE(wnd->StartWorker(0, "blocked-send", [&](platform::Event&) {
        sending = true;
        // No cancel event: only the loop's release frees it.
        ui.Loop().Send(hwnd, app::kMsgShowSettingProgress);
        returned = true;
    }));
    ASSERT_TRUE(wnd->StartWorker(1, "polling", [](platform::Event& stop) {
        while (!stop.Wait(platform::Millis(1))) {
        }
    }));
    ASSERT_TRUE(wnd->StartWorker(8, "cancellable-send", [&](platform::Event& stop) {
        ui.Loop().Send(hwnd, app::kMsgShowSettingProgress, 0, 0, &stop);
    }));
    while (!sending)
        std::this_thread::yield();
    wnd->Close(0);
    EXPECT_TRUE(returned);
    for (size_t slot = 0; slot < app::kWorkerSlotCount; ++slot)
        EXPECT_FALSE(wnd->WorkerRunning(slot)) << slot;
    EXPECT_FALSE(wnd->IsWindow());
    EXPECT_TRUE(ui.Loop().QuitRequested());
}

TEST_F(MainWndTest, CloseFromOutsideEndsTheProgram) {
    Start();
    // As when the session ends, or another program closes the window over the bus.
    ASSERT_TRUE(bus->Post("Quillon", platform::kMsgClose, 0, 0));
    ASSERT_TRUE(ui.Loop().PumpUntil([&] { return !wnd->IsWindow(); }, platform::Millis(2000)));
    EXPECT_TRUE(ui.Loop().QuitRequested());
}

}  // namespace
