// The device base: its page (picture scan, function pages, notifications),
// the preview handed to the picture, the device folders, host lighting against
// a simulated keyboard, and its threads on the virtual clock and over
// virtual HID endpoints.

#include "devices/norvalis_usb_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "controls/device_picture.h"
#include "controls/picture_controls.h"
#include "platform/clock.h"
#include "sim/simulated_device.h"
#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "transport/virtual_hid.h"
#include "ui/paint_manager.h"

namespace {

using devices::CNorvalisUSBDevice;
using devices::LedColour;
using devices::PackLed;
using testsupport::TestWindow;
using testsupport::UiHarness;

// Waits (in real time, bounded) for another thread to get somewhere.
bool Eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

devicemanager::DeviceEntry EntryOfType(uint16_t type) {
    for (const devicemanager::DeviceIdentity& id : devicemanager::kSupportedDevices) {
        if (id.type == type && id.role == devicemanager::kRoleCommand) {
            devicemanager::DeviceEntry e;
            static_cast<devicemanager::DeviceIdentity&>(e) = id;
            return e;
        }
    }
    devicemanager::DeviceEntry e;
    e.type = type;
    return e;
}

// Opens up what the device classes see.
class TestDevice : public CNorvalisUSBDevice {
public:
    ~TestDevice() override {
        StopLightThread();
        CloseEventCollection(0);
        CloseEventCollection(9);
    }
    using CNorvalisUSBDevice::PresentedFrame;
    std::atomic<int> steps{0};
    std::atomic<int> frames{0};
    std::atomic<size_t> frameBytes{0};
    std::atomic<bool> streams{false};
    void StartStreaming() {
        streams.store(true);
        WakeLightThread();
    }

protected:
    bool StreamsLightFrames() const override { return streams.load(); }
    void StepCurrentEffect() override {
        steps.fetch_add(1);
        CNorvalisUSBDevice::StepCurrentEffect();
    }
    void SendLightFrame(std::span<const uint8_t> frame) override {
        frameBytes.store(frame.size());
        frames.fetch_add(1);
    }
};

// ---- The page

constexpr const char* kPage = R"(<Window size="600,400">
  <NorvalisUSBDevice name="device">
    <VerticalLayout name="picture_holder">
      <SelectPanel name="device_key_light">
        <DeviceKeyButton name="key_12" userdata="light_3" float="true" pos="0,0,10,10"/>
        <DeviceKeyButton name="KEY_5" userdata="LIGHT_7" float="true" pos="10,0,20,10"/>
        <DeviceKeyButton name="key_03" userdata="light_0" float="true" pos="20,0,30,10"/>
        <DeviceKeyButton name="key5" userdata="light7" float="true" pos="30,0,40,10"/>
        <DeviceKeyButton name="key_20" userdata="light_10" float="true" pos="40,0,50,10"/>
        <DeviceKeyButton name="fn_key_2" userdata="light_" float="true" pos="50,0,60,10"/>
        <DeviceKeyButton name="key_1x" userdata="light_-4" float="true" pos="60,0,70,10"/>
        <DeviceKeyButton name="key_19" userdata="key_9" float="true" pos="70,0,80,10"/>
        <Button name="key_1" userdata="light_1" float="true" pos="80,0,90,10"/>
      </SelectPanel>
    </VerticalLayout>
    <TabLayout name="device_function_switch">
      <Control/><Control/><Control/><Control/><Control/>
    </TabLayout>
    <TabLayout name="device_key_function_switch">
      <Control/><Control/><Control/><Control/>
    </TabLayout>
    <Button name="inside_button" width="40"/>
  </NorvalisUSBDevice>
</Window>)";

class DevicePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        controls::RegisterPictureControls();
        devices::RegisterDeviceControls();
        std::string error;
        m_window = m_ui.CreateWindow(kPage, &error, {600, 400});
        ASSERT_NE(m_window, nullptr) << error;
        m_device = m_window->GetPaintManager().FindControlAs<CNorvalisUSBDevice>("device");
        ASSERT_NE(m_device, nullptr);
    }
    // The device manager's configuration, in its order.
    void Configure(int keys, int lights, const std::string& layout = "XML\\DeviceXml\\kb.xml") {
        m_device->SetLayoutFileName(layout);
        m_device->SetKeyCount(keys);
        m_device->SetLightCount(lights);
        m_device->SetSelectorIndex(1);
        m_device->SetDeviceFolderName("keyboard");
        m_device->SetIdentity(EntryOfType(devicemanager::kKeyboardCable));
        m_device->SetLightConfigName("korva_light");
        m_device->InitDevicePage();
    }
    std::string KeyName(int i) {
        auto* b = m_device->GetKeyButton(i);
        return b ? b->GetName() : "";
    }
    std::string LightName(int i) {
        auto* b = m_device->GetLightButton(i);
        return b ? b->GetName() : "";
    }

    UiHarness m_ui;
    std::unique_ptr<TestWindow> m_window;
    CNorvalisUSBDevice* m_device = nullptr;
};

TEST_F(DevicePageTest, ConstructionState) {
    EXPECT_EQ(m_device->GetClass(), "NorvalisUSBDevice");
    EXPECT_EQ(m_device->GetKeyCount(), 0);
    EXPECT_EQ(m_device->GetLightCount(), 0);
    EXPECT_EQ(m_device->GetSelectorIndex(), -1);
    EXPECT_EQ(m_device->GetSelectedKey(), -1);
    EXPECT_EQ(m_device->GetSelectedKey2(), -1);
    EXPECT_EQ(m_device->GetFunctionPage(), 1);
    EXPECT_TRUE(m_device->IsHostLighting());
    EXPECT_TRUE(m_device->IsWindowActive());
    EXPECT_FALSE(m_device->IsWirelessCapable());
    EXPECT_EQ(m_device->GetOptionValue(), 0);
    EXPECT_EQ(m_device->GetLightParams(), profiles::LightModeRecord{});
    EXPECT_EQ(m_device->GetPicturePanel(), nullptr);
    EXPECT_FALSE(m_device->CommandProtocol().IsOpen());
}

TEST_F(DevicePageTest, PictureScanFollowsNamesAndUserData) {
    Configure(20, 10);
    ASSERT_NE(m_device->GetPicturePanel(), nullptr);
    EXPECT_EQ(m_device->GetPicturePanel()->GetName(), "device_key_light");
    // Every key and light number, and which button it became.
    std::vector<std::string> keys(20), lights(10);
    keys[12] = "key_12";
    keys[5] = "KEY_5";
    keys[3] = "key_03";
    keys[19] = "key_19";
    lights[3] = "key_12";
    lights[7] = "KEY_5";
    lights[0] = "key_03";
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(KeyName(i), keys[i]) << "key " << i;
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(LightName(i), lights[i]) << "light " << i;
    EXPECT_EQ(m_device->GetKeyButton(-1), nullptr);
    EXPECT_EQ(m_device->GetKeyButton(20), nullptr);
    EXPECT_EQ(m_device->GetLightButton(10), nullptr);

    // Light buttons show white at full intensity; key-only buttons stay unlit.
    auto* light = m_device->GetLightButton(3);
    EXPECT_TRUE(light->IsLightOn());
    EXPECT_EQ(light->GetLightColour(), 0xFFFFFFu);
    EXPECT_EQ(light->GetLightAlpha(), 255);
    EXPECT_FALSE(m_device->GetKeyButton(19)->IsLightOn());
}

TEST_F(DevicePageTest, PictureScanRespectsTheCounts) {
    Configure(12, 3);  // key 12 and light 3 are just beyond
    EXPECT_EQ(KeyName(5), "KEY_5");
    EXPECT_EQ(LightName(0), "key_03");
    for (int i = 0; i < 12; ++i)
        EXPECT_NE(KeyName(i), "key_12");
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(LightName(i), "key_12");
}

TEST_F(DevicePageTest, NoLayoutFileMeansNoButtons) {
    Configure(20, 10, "");
    EXPECT_EQ(m_device->GetKeyCount(), 0);
    EXPECT_EQ(m_device->GetLightCount(), 0);
}

TEST_F(DevicePageTest, PageWithoutPictureHasNoButtons) {
    CNorvalisUSBDevice bare;
    bare.SetLayoutFileName("XML\\DeviceXml\\none.xml");
    bare.SetKeyCount(4);
    bare.SetLightCount(4);
    bare.InitDevicePage();
    EXPECT_EQ(bare.GetPicturePanel(), nullptr);
    EXPECT_EQ(bare.GetKeyButton(0), nullptr);
    EXPECT_EQ(bare.GetLightButton(0), nullptr);
}

TEST_F(DevicePageTest, FunctionPagesFollowTheTypeAndTheDevice) {
    Configure(20, 10);
    auto& pm = m_window->GetPaintManager();
    auto* function = pm.FindControlAs<ui::CTabLayoutUI>("device_function_switch");
    auto* keyFunction = pm.FindControlAs<ui::CTabLayoutUI>("device_key_function_switch");
    struct Case {
        int type;
        uint16_t device;
        int functionPage;
        int keyPage;  // 3: left alone
    };
    const std::vector<Case> cases = {
        {3, 1, 1, 3}, {8, 2, 1, 3}, {5, 1, 2, 3}, {4, 1, 3, 3},  {4, 2, 3, 3},
        {4, 3, 0, 2}, {4, 7, 0, 2}, {2, 1, 0, 1}, {6, 2, 0, 1},  {7, 1, 0, 2},
        {1, 1, 0, 0}, {0, 3, 0, 0}, {9, 6, 0, 0}, {-1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        m_device->SetIdentity(EntryOfType(c.device));
        function->SelectItem(4);
        keyFunction->SelectItem(3);
        m_device->SetFunctionPage(c.type);
        EXPECT_EQ(m_device->GetFunctionPage(), c.type);
        EXPECT_EQ(function->GetCurSel(), c.functionPage) << "type " << c.type << " on " << c.device;
        EXPECT_EQ(keyFunction->GetCurSel(), c.keyPage) << "type " << c.type << " on " << c.device;
    }
}

TEST_F(DevicePageTest, FunctionPageWithoutSwitchesIsOnlyStored) {
    CNorvalisUSBDevice bare;
    bare.SetFunctionPage(5);
    EXPECT_EQ(bare.GetFunctionPage(), 5);
}

TEST_F(DevicePageTest, PresentFrameShowsTheLedListOnVisibleLightButtons) {
    Configure(20, 10);
    m_device->GetLightButton(7)->SetVisible(false);
    m_device->SetLedColour(3, PackLed(0x10, 0x20, 0x30, 200));
    m_device->SetLedColour(7, PackLed(0xFF, 0xFF, 0xFF, 100));
    m_device->PresentFrame();
    auto* shown = m_device->GetLightButton(3);
    // First | third << 8 | second << 16, the intensity as alpha.
    EXPECT_EQ(shown->GetLightColour(), 0x203010u);
    EXPECT_EQ(shown->GetLightAlpha(), 200);
    EXPECT_TRUE(shown->IsLightOn());
    EXPECT_EQ(m_device->GetLightButton(7)->GetLightColour(), 0xFFFFFFu);  // hidden: untouched
    EXPECT_EQ(m_device->GetLightButton(7)->GetLightAlpha(), 255);
    EXPECT_EQ(m_device->GetLightButton(0)->GetLightAlpha(), 0);  // black, intensity 0

    m_device->SetHostLighting(false);
    m_device->SetLedColour(3, PackLed(1, 2, 3, 4));
    m_device->PresentFrame();
    EXPECT_EQ(shown->GetLightColour(), 0x203010u);  // host lighting off: no change
}

TEST_F(DevicePageTest, NotificationsOfItsOwnPageReachItsMap) {
    Configure(20, 10);
    std::vector<std::string> seen;
    m_device->OnNotify("click",
                       [&](ui::TNotifyUI& msg) { seen.push_back(msg.pSender->GetName()); });
    m_window->GetPaintManager().AddNotifier(m_device);
    testsupport::UiDriver driver(*m_window);
    ASSERT_TRUE(driver.Click("inside_button"));
    // A control elsewhere in the window with the same kind of event.
    ui::TNotifyUI foreign;
    ui::CButtonUI outside;
    foreign.sType = "click";
    foreign.pSender = &outside;
    m_device->Notify(foreign);
    EXPECT_EQ(seen, (std::vector<std::string>{"inside_button"}));
    m_window->GetPaintManager().RemoveNotifier(m_device);
}

TEST(DeviceBaseTest, RegisteredByFactoryNameAndTag) {
    devices::RegisterDeviceControls();
    for (const char* name : {"CNorvalisUSBDevice", "NorvalisUSBDevice"}) {
        auto c = ui::CControlFactory::GetInstance()->CreateControl(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->GetClass(), "NorvalisUSBDevice");
    }
    EXPECT_NE(devices::CreateDeviceControl("norvalisusbdevice"), nullptr);
    EXPECT_EQ(devices::CreateDeviceControl("NorvalisKeyboardDevice"), nullptr);
}

TEST(DeviceBaseTest, LedListIgnoresIndicesOutsideIt) {
    TestDevice d;
    d.SetLightCount(4);
    d.SetLedColour(3, PackLed(1, 2, 3, 4));
    d.SetLedColour(4, PackLed(9, 9, 9, 9));
    d.SetLedColour(-1, PackLed(9, 9, 9, 9));
    EXPECT_EQ(d.GetLedColour(3), PackLed(1, 2, 3, 4));
    EXPECT_EQ(d.GetLedColour(4), 0u);
    EXPECT_EQ(d.GetLedColour(-1), 0u);
    d.SetLightCount(2);  // resizing zeroes the list
    EXPECT_EQ(d.GetLedColour(1), 0u);
    EXPECT_EQ(d.GetLedColour(3), 0u);
}

TEST(DeviceBaseTest, PresentedFrameScalesByIntensity) {
    TestDevice d;
    d.SetLightCount(2);
    d.SetLedColour(0, PackLed(200, 100, 50, 128));
    d.PresentFrame();
    ASSERT_EQ(d.PresentedFrame().size(), 6u);
    EXPECT_EQ(d.PresentedFrame()[0], 100);
    EXPECT_EQ(d.PresentedFrame()[1], 50);
    EXPECT_EQ(d.PresentedFrame()[2], 25);
    EXPECT_EQ(d.PresentedFrame()[3], 0);
}

TEST(DeviceBaseTest, PowerPauseNeedsAWirelessDevice) {
    struct Power : ui::CControlUI, devices::IPowerItem {
        void SetWirelessCapable(bool on) override { wireless = on ? 1 : 0; }
        int wireless = -1;
    } power;
    TestDevice d;
    d.SetPowerStatusPaused(true);
    EXPECT_FALSE(d.IsPowerStatusPaused());
    d.SetWirelessCapable(true);
    d.SetPowerItem(&power);
    EXPECT_EQ(power.wireless, 1);
    d.SetPowerStatusPaused(true);
    EXPECT_TRUE(d.IsPowerStatusPaused());
    d.SetWirelessCapable(false);
    EXPECT_EQ(power.wireless, 0);
    EXPECT_FALSE(d.IsPowerStatusPaused());
}

TEST(DeviceBaseTest, FoldersLieInTheDataAndProgramFolders) {
    testsupport::TempEnv env;
    TestDevice d;
    d.SetDeviceFolderName("MousePad");
    const std::filesystem::path user = d.UserFolder();
    EXPECT_EQ(user, env.DataHome() / "Quillon" / "MousePad");
    EXPECT_TRUE(std::filesystem::is_directory(user));
    EXPECT_EQ(d.DefaultProfilePath().filename(), "MousePad.Json");
    EXPECT_EQ(d.DefaultProfilePath().parent_path(), CNorvalisUSBDevice::DefaultDataFolder());
    EXPECT_EQ(CNorvalisUSBDevice::DefaultDataFolder().filename(), "DefaultData");

    for (const char* bad : {"", "..", "a/b"}) {
        d.SetDeviceFolderName(bad);
        EXPECT_TRUE(d.UserFolder().empty()) << bad;
        EXPECT_TRUE(d.DefaultProfilePath().empty()) << bad;
    }
}

// ---- Against simulated devices

class SimulatedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = m_env.RuntimeDir() / "vhid";
        std::filesystem::create_directories(m_folder);
        auto kb = sim::SimulatedDevice::Serve(sim::KeyboardModel(), m_folder / "kb.sock");
        ASSERT_TRUE(kb) << kb.error().message;
        m_keyboard = std::move(*kb);
    }
    void OpenCommand(CNorvalisUSBDevice& d) {
        auto& p = d.CommandProtocol();
        std::lock_guard io(p.IoLock());
        ASSERT_TRUE(p.Channel1().Open(m_keyboard->CommandPath(), transport::HidAccess::ReadWrite));
        p.SetOpen(true);
        p.SetConnectionMode(1);
    }
    size_t HostLightingFrames() const {
        size_t n = 0;
        for (const auto& f : m_keyboard->Core().ReceivedFrames()) {
            if (f.Command() == static_cast<uint8_t>(transport::Command::EnableHostLighting))
                ++n;
        }
        return n;
    }

    testsupport::TempEnv m_env;
    std::filesystem::path m_folder;
    std::unique_ptr<sim::SimulatedDevice> m_keyboard;
};

TEST_F(SimulatedDeviceTest, HostLightingIsEnabledOnlyOnACableKeyboard) {
    struct Case {
        uint16_t type;
        size_t frames;
    };
    const std::vector<Case> cases = {{1, 1}, {9, 0}, {2, 0}, {6, 0}, {3, 0}, {7, 0}};
    for (const Case& c : cases) {
        TestDevice d;
        OpenCommand(d);
        d.SetIdentity(EntryOfType(c.type));
        m_keyboard->Core().ClearLog();
        d.SetHostLighting(true);
        EXPECT_EQ(HostLightingFrames(), c.frames) << "type " << c.type;
        EXPECT_TRUE(d.IsHostLighting());
        d.SetHostLighting(false);
        EXPECT_EQ(HostLightingFrames(), c.frames) << "type " << c.type;
        EXPECT_FALSE(d.IsHostLighting());
    }
    EXPECT_TRUE(m_keyboard->Core().HostLightingEnabled());
}

// An event collection of its own whose usages reach the device's event codes (0x401
// and up), reaching further than any simulated device needs.
constexpr uint8_t kEventDescriptor[] = {
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x1F,  //   Logical Maximum (0x1FFF)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x1F,  //   Usage Maximum (0x1FFF)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
};

TEST_F(SimulatedDeviceTest, EventThreadStartsTheRefreshTimerAndCloseReleasesIt) {
    auto made = transport::VirtualHidEndpoint::Create(
        {0x320F, 0x5055, 1}, {std::begin(kEventDescriptor), std::end(kEventDescriptor)},
        m_folder / "events.sock", [](std::span<const uint8_t>) {});
    ASSERT_TRUE(made.ok()) << made.error().message;
    std::unique_ptr<transport::VirtualHidEndpoint> endpoint = std::move(*made);
    auto send = [&](uint16_t usage) {
        const uint8_t report[] = {3, static_cast<uint8_t>(usage), static_cast<uint8_t>(usage >> 8)};
        ASSERT_TRUE(endpoint->SendInputReport(report).ok());
    };

    UiHarness ui;
    std::string error;
    auto window = ui.CreateWindow(R"(<Window><VerticalLayout><Label name="selector"/>
                                     </VerticalLayout></Window>)",
                                  &error);
    ASSERT_NE(window, nullptr) << error;
    auto& pm = window->GetPaintManager();
    ui::CControlUI* selector = pm.FindControl("selector");

    TestDevice d;
    d.SetIdentity(EntryOfType(devicemanager::kKeyboardCable));
    d.SetSelectorItem(selector);
    ASSERT_TRUE(d.OpenEventCollection(endpoint->InterfacePath(0), devicemanager::kKeyboardCable));
    EXPECT_TRUE(d.IsEventCollectionOpen(devicemanager::kKeyboardCable));
    EXPECT_FALSE(d.IsEventCollectionOpen(devicemanager::kKeyboardReceiver));

    // A media key and a release change nothing; the device's "read me again" does.
    send(0xE9);
    send(0);
    send(0x401);
    EXPECT_TRUE(ui.Loop().PumpUntil([&] { return pm.HasTimer(selector, devices::kRefreshTimer); },
                                    platform::Millis(10000)));

    // The thread now waits in a read no report will end: closing releases it.
    d.CloseEventCollection(devicemanager::kKeyboardCable);
    EXPECT_FALSE(d.IsEventCollectionOpen(devicemanager::kKeyboardCable));
}

TEST_F(SimulatedDeviceTest, EventThreadReadsTheKeyboardsEventCollection) {
    TestDevice d;
    ASSERT_TRUE(d.OpenEventCollection(m_keyboard->EventPath(), devicemanager::kKeyboardCable));
    ASSERT_TRUE(m_keyboard->SendConsumerKey(0xE9));
    d.CloseEventCollection(devicemanager::kKeyboardCable);
    EXPECT_FALSE(d.IsEventCollectionOpen(devicemanager::kKeyboardCable));
}

TEST_F(SimulatedDeviceTest, EventCollectionThatCannotOpenStillStopsOnClose) {
    TestDevice d;
    EXPECT_FALSE(d.OpenEventCollection("vhid:/nowhere/none.sock#vid_320f&pid_5055&mi_01&col03",
                                       devicemanager::kKeyboardReceiver));
    EXPECT_FALSE(d.IsEventCollectionOpen(devicemanager::kKeyboardReceiver));
    d.CloseEventCollection(devicemanager::kKeyboardReceiver);
}

TEST_F(SimulatedDeviceTest, EventThreadSurvivesTheDeviceGoingAway) {
    TestDevice d;
    ASSERT_TRUE(d.OpenEventCollection(m_keyboard->EventPath(), 0));
    m_keyboard->Unplug();
    d.CloseEventCollection(0);
    EXPECT_FALSE(d.IsEventCollectionOpen(0));
}

// ---- Light thread on the virtual clock

class LightThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_device.SetLightCount(4);
        profiles::LightModeRecord r;
        r.brightness = 4;
        r.speed = 2;  // a step every 4 ticks
        r.red = 0x11;
        r.green = 0x22;
        r.blue = 0x33;
        m_device.SetLightParams(r);
    }
    void TearDown() override { m_device.StopLightThread(); }
    // Moves the clock one tick and waits until the thread has made that pass.
    void Tick() {
        const uint64_t before = m_device.LightPasses();
        m_clock.AdvanceUs(platform::kTimerTickUs);
        ASSERT_TRUE(Eventually([&] { return m_device.LightPasses() > before; }));
    }

    platform::VirtualClock m_clock{1'000'000};
    platform::ScopedClock m_scoped{m_clock};
    TestDevice m_device;
};

TEST_F(LightThreadTest, StepsByTheSpeedTableOnTimerTicks) {
    m_device.CommandProtocol().SetOpen(true);
    m_device.StartLightThread();
    for (int i = 0; i < 12; ++i)
        Tick();
    EXPECT_EQ(m_device.LightPasses(), 12u);
    EXPECT_EQ(m_device.steps.load(), 3);
    EXPECT_EQ(m_device.frames.load(), 12);
    EXPECT_EQ(m_device.frameBytes.load(), 12u);
    EXPECT_EQ(m_device.GetLedColour(0), PackLed(0x11, 0x22, 0x33, 255));

    // The fastest speed steps on every tick.
    auto r = m_device.GetLightParams();
    r.speed = 4;
    m_device.SetLightParams(r);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(m_device.steps.load(), 6);
}

TEST_F(LightThreadTest, SynchronisedLightingPausesTheSteps) {
    m_device.CommandProtocol().SetOpen(true);
    m_device.SetSynchronised(true);
    m_device.StartLightThread();
    for (int i = 0; i < 8; ++i)
        Tick();
    EXPECT_EQ(m_device.steps.load(), 0);
    EXPECT_EQ(m_device.frames.load(), 0);
}

TEST_F(LightThreadTest, StopsWhileTheClockStandsStill) {
    m_device.CommandProtocol().SetOpen(true);
    m_device.StartLightThread();
    Tick();
    // No tick comes: only the stop event can wake the thread.
    m_device.StopLightThread();
    EXPECT_FALSE(m_device.IsLightThreadRunning());

    m_device.CommandProtocol().SetOpen(false);  // idling on a closed device
    m_device.StartLightThread();
    m_device.StopLightThread();
    EXPECT_FALSE(m_device.IsLightThreadRunning());
    EXPECT_EQ(m_device.steps.load(), 0);
}

TEST_F(LightThreadTest, RestsWhileNobodySeesTheFrames) {
    m_device.CommandProtocol().SetOpen(true);
    m_device.SetWindowShown(false);
    m_device.StartLightThread();
    m_clock.AdvanceUs(20 * platform::kTimerTickUs);
    EXPECT_EQ(m_device.LightPasses(), 0u);

    // Shown again: the animation goes on from the next tick.
    m_device.SetWindowShown(true);
    Tick();
    Tick();
    // Hidden while waiting for a tick: at most that one pass, then rest.
    m_device.SetWindowShown(false);
    const uint64_t passes = m_device.LightPasses();
    m_clock.AdvanceUs(20 * platform::kTimerTickUs);
    EXPECT_LE(m_device.LightPasses(), passes + 1);

    // A device that takes the frames itself keeps them coming.
    m_device.StartStreaming();
    Tick();
    Tick();
    EXPECT_GT(m_device.frames.load(), 0);

    // A resting thread still stops at once.
    m_device.streams.store(false);
    m_clock.AdvanceUs(platform::kTimerTickUs);
    m_device.StopLightThread();
    EXPECT_FALSE(m_device.IsLightThreadRunning());
}

TEST_F(LightThreadTest, ClosedDeviceIdlesAndResumesWhenOpened) {
    m_device.StartLightThread();
    m_clock.AdvanceMs(1000);
    m_device.CommandProtocol().SetOpen(true);
    // Within the idle period the thread notices and runs on ticks again.
    for (int i = 0; i < 10 && m_device.LightPasses() == 0; ++i)
        m_clock.AdvanceMs(20);
    EXPECT_TRUE(Eventually([&] {
        m_clock.AdvanceUs(platform::kTimerTickUs);
        return m_device.LightPasses() > 0;
    }));
}

}  // namespace
