// The device manager in the main window, against simulated devices on
// virtual endpoints, with discovery passes run on the test loop: attach and
// detach, cable and receiver, the selector's show and hide rules, the
// selector item's timers on the virtual clock, and the power item.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/app_messages.h"
#include "app/control_registry.h"
#include "app/device_fixture_skin.h"
#include "app/main_wnd.h"
#include "devices/norvalis_usb_device.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "sim/simulated_device.h"
#include "support/temp_env.h"
#include "support/ui_harness.h"
#include "transport/hid_enumerator.h"
#include "ui/controls.h"
#include "ui/resource_manager.h"

namespace {

namespace fs = std::filesystem;
using app::CMainWnd;
using devicemanager::CDeviceOptionUI;
using devicemanager::CMpDevicePowerUI;

constexpr int kMouseRow = 0;
constexpr int kKeyboardRow = 1;
constexpr int kMousepadRow = 2;
constexpr int kHeadsetRow = 3;

class DeviceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The real main layout, beside our fixture layouts.
        fs::copy(QUILLON_SKIN_DIR, skin, fs::copy_options::recursive);
        testsupport::WriteDeviceFixtureLayouts(skin);
        ui::HeadlessWindowHost::SetScreenRect({0, 0, 1920, 1080});
        ui::CPaintManagerUI::SetResourcePath(skin.string() + "/");
        ASSERT_TRUE(ui::CResourceManager::GetInstance()->LoadResource("res.xml"));
        ASSERT_TRUE(app::RegisterActivationMessage());
        ASSERT_TRUE(app::RegisterGuidMessages());
        ui::CMenuWnd::RegisterControls();
        transport::HidRoots roots;
        roots.hidraw = false;  // the machine's own devices stay out of the test
        roots.virtualFolder = folder;
        fs::create_directories(folder);
        transport::SetHidRoots(roots);
        env.desktop = &desktop;
        env.discoveryThread = false;
    }
    void TearDown() override {
        wnd.reset();
        transport::SetHidRoots({});
        ui::CResourceManager::GetInstance()->Release();
        ui::CPaintManagerUI::SetAllDPI(96);
    }

    std::unique_ptr<sim::SimulatedDevice> Serve(sim::DeviceModel model, const char* name) {
        auto device = sim::SimulatedDevice::Serve(std::move(model), folder / name);
        EXPECT_TRUE(device) << device.error().message;
        return device ? std::move(*device) : nullptr;
    }

    void Start() {
        wnd = std::make_unique<CMainWnd>(env);
        ASSERT_TRUE(wnd->Create(nullptr, "Quillon", 0x96CA0000u, 0, 0, 0, 800, 572))
            << wnd->GetBuildError();
        ui.Advance(0);
        Pass();
    }
    void Pass() {
        ASSERT_TRUE(wnd->RunDiscoveryPass());
        ui.Advance(0);
    }
    CDeviceOptionUI* Item(int row) { return wnd->SelectorItem(row); }
    bool Shown(int row) { return Item(row) != nullptr && Item(row)->IsShown(); }
    bool Selected(int row) { return Shown(row) && Item(row)->IsItemSelected(); }
    bool NoticeShown() {
        ui::CControlUI* notice = wnd->FindControl("No_device_Link");
        return notice != nullptr && notice->IsVisible();
    }
    transport::CDeviceProtocol& Protocol(int row) {
        return wnd->DeviceOfKind(row)->CommandProtocol();
    }
    bool Click(std::string_view name) {
        testsupport::UiDriver driver(*wnd);
        return driver.Click(name);
    }

    testsupport::TempEnv tempEnv;
    fs::path skin = tempEnv.Root() / "skin";
    fs::path folder = tempEnv.Root() / "vhid";
    testsupport::UiHarness ui;
    app::HeadlessDesktop desktop;
    app::MainWndEnvironment env;
    std::unique_ptr<CMainWnd> wnd;
};

TEST_F(DeviceManagerTest, WithoutDevicesTheWindowShowsTheNoticeAfterTheFirstPass) {
    wnd = std::make_unique<CMainWnd>(env);
    ASSERT_TRUE(wnd->Create(nullptr, "Quillon", 0x96CA0000u, 0, 0, 0, 800, 572))
        << wnd->GetBuildError();
    ui.Advance(0);
    // The mouse, keyboard and mousepad pages stand ready, hidden; the headset's does not.
    for (int row : {kMouseRow, kKeyboardRow, kMousepadRow}) {
        ASSERT_NE(Item(row), nullptr) << row;
        EXPECT_FALSE(Shown(row));
        ASSERT_NE(wnd->DeviceOfKind(row), nullptr);
        EXPECT_EQ(wnd->DeviceOfKind(row)->GetSelectorIndex(), row);
        EXPECT_EQ(wnd->DeviceOfKind(row)->GetPowerItem(), wnd->PowerItem(row));
        EXPECT_EQ(wnd->DeviceOfKind(row)->GetSelectorItem(), Item(row));
    }
    EXPECT_EQ(Item(kHeadsetRow), nullptr);
    EXPECT_EQ(wnd->DeviceOfKind(kKeyboardRow)->GetDeviceFolderName(), "keyboard");
    EXPECT_EQ(wnd->DeviceOfKind(kKeyboardRow)->GetLightCount(), 170);
    EXPECT_TRUE(wnd->DeviceOfKind(kMouseRow)->IsWirelessCapable());
    EXPECT_FALSE(wnd->DeviceOfKind(kMousepadRow)->IsWirelessCapable());

    EXPECT_FALSE(wnd->IsVisible());
    Pass();
    EXPECT_TRUE(wnd->IsVisible());
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(wnd->CurrentDevice(), nullptr);
}

TEST_F(DeviceManagerTest, KeyboardComesAndGoes) {
    Start();
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    Pass();
    devices::CNorvalisUSBDevice* device = wnd->DeviceOfKind(kKeyboardRow);
    EXPECT_TRUE(Selected(kKeyboardRow));
    EXPECT_FALSE(NoticeShown());
    EXPECT_EQ(wnd->CurrentDevice(), device);
    EXPECT_TRUE(Protocol(kKeyboardRow).IsOpen());
    EXPECT_FALSE(Protocol(kKeyboardRow).IsReceiver());
    EXPECT_TRUE(device->IsEventCollectionOpen(devicemanager::kKeyboardCable));
    EXPECT_TRUE(device->IsLightThreadRunning());
    EXPECT_FALSE(wnd->DeviceOfKind(kMouseRow)->IsLightThreadRunning());  // nothing to animate
    EXPECT_EQ(device->GetIdentity().path, keyboard->CommandPath());
    // The keyboard's other collections carry the same ids and stay unclaimed.
    for (size_t i = 0; i < wnd->Devices().Size(); ++i) {
        const devicemanager::DeviceEntry entry = wnd->Devices().Entry(i);
        EXPECT_EQ(entry.attached != 0, i <= 1) << i;
        for (uint16_t collection : {1, 2})
            EXPECT_NE(entry.path, keyboard->Endpoint().InterfacePath(collection)) << i;
    }
    auto* deviceSwitch = dynamic_cast<ui::CTabLayoutUI*>(wnd->FindControl("device_switch"));
    ASSERT_NE(deviceSwitch, nullptr);
    EXPECT_EQ(deviceSwitch->GetItemAt(deviceSwitch->GetCurSel()), device);

    // The synchronisation timer reads the device and starts the frames.
    ui::CPaintManagerUI& pm = wnd->GetPaintManager();
    EXPECT_TRUE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerSync));
    ui.Advance(500);
    EXPECT_TRUE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerPresentFrame));
    EXPECT_TRUE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerPowerStatus));
    EXPECT_FALSE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerLink));  // on its cable

    keyboard->Unplug();
    Pass();
    EXPECT_FALSE(Shown(kKeyboardRow));
    EXPECT_TRUE(NoticeShown());
    EXPECT_FALSE(Protocol(kKeyboardRow).IsOpen());
    EXPECT_FALSE(device->IsEventCollectionOpen(devicemanager::kKeyboardCable));
    EXPECT_FALSE(device->IsLightThreadRunning());
    EXPECT_EQ(wnd->CurrentDevice(), nullptr);
    // Frames stop once the protocol is closed.
    ui.Advance(100);
    EXPECT_FALSE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerPresentFrame));

    // The same object takes the keyboard back.
    ASSERT_TRUE(keyboard->Replug().ok());
    Pass();
    EXPECT_TRUE(Selected(kKeyboardRow));
    EXPECT_EQ(wnd->DeviceOfKind(kKeyboardRow), device);
    EXPECT_TRUE(Protocol(kKeyboardRow).IsOpen());
}

TEST_F(DeviceManagerTest, DevicesLearnWhetherTheWindowIsOnScreen) {
    Start();
    auto shownEverywhere = [&](bool shown) {
        for (int row : {kMouseRow, kKeyboardRow, kMousepadRow}) {
            if (wnd->DeviceOfKind(row)->IsWindowShown() != shown)
                return false;
        }
        return true;
    };
    ASSERT_TRUE(wnd->IsVisible());
    EXPECT_TRUE(shownEverywhere(true));
    ASSERT_TRUE(Click("closebtn"));
    EXPECT_TRUE(shownEverywhere(false));
    wnd->SendMessage(app::kMsgTrayIcon, app::kIconId, ui::kMsgLButtonUp);
    EXPECT_TRUE(shownEverywhere(true));
    wnd->SendMessage(ui::kMsgSysCommand, ui::kScMinimize, 0);
    EXPECT_TRUE(shownEverywhere(false));
    // A second start brings the window back, and the pictures with it.
    wnd->PostMessage(app::Messages().activation.load(), 0, 1);
    ui.Advance(0);
    EXPECT_TRUE(shownEverywhere(true));
    // Being merely inactive (the pointer elsewhere) is not being out of sight.
    wnd->SendMessage(app::kMsgMouseLeave, 0, 0);
    EXPECT_FALSE(wnd->DeviceOfKind(kKeyboardRow)->IsWindowActive());
    EXPECT_TRUE(shownEverywhere(true));
}

TEST_F(DeviceManagerTest, MouseStaysOnItsCableAndMovesToTheReceiverWithoutDisappearing) {
    Start();
    auto mouse = Serve(sim::MouseModel(), "ms.sock");
    Pass();
    ASSERT_TRUE(Selected(kMouseRow));
    EXPECT_FALSE(Protocol(kMouseRow).IsReceiver());

    auto receiver = Serve(sim::MouseReceiverModel(), "rx.sock");
    Pass();
    EXPECT_TRUE(Selected(kMouseRow));
    EXPECT_FALSE(Protocol(kMouseRow).IsReceiver());  // the cable is kept
    EXPECT_TRUE(Protocol(kMouseRow).Channel1().IsOpen());
    EXPECT_FALSE(Protocol(kMouseRow).Channel2().IsOpen());
    EXPECT_TRUE(wnd->Devices().Entry(6).attached);

    platform::TraceCapture trace;
    mouse->Unplug();
    Pass();
    EXPECT_TRUE(Selected(kMouseRow));  // never hidden
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(Protocol(kMouseRow).IsOpen());
    EXPECT_TRUE(Protocol(kMouseRow).IsReceiver());
    EXPECT_TRUE(Protocol(kMouseRow).Channel2().IsOpen());
    EXPECT_FALSE(trace.Contains("MAIN_WND mouse does not answer through its receiver"));
    // The link timer keeps watching; the mouse answers, so the item stays.
    ui::CPaintManagerUI& pm = wnd->GetPaintManager();
    EXPECT_TRUE(pm.HasTimer(Item(kMouseRow), devicemanager::kTimerLink));
    ui.Advance(2000);
    EXPECT_TRUE(Selected(kMouseRow));
    EXPECT_TRUE(Item(kMouseRow)->IsLinked());

    // The cable back: to the cable again.
    ASSERT_TRUE(mouse->Replug().ok());
    Pass();
    EXPECT_TRUE(Selected(kMouseRow));
    EXPECT_FALSE(Protocol(kMouseRow).IsReceiver());
    EXPECT_TRUE(Protocol(kMouseRow).Channel1().IsOpen());
    EXPECT_FALSE(Protocol(kMouseRow).Channel2().IsOpen());
}

TEST_F(DeviceManagerTest, KeyboardLosingItsCableCarriesOnThroughItsReceiver) {
    Start();
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    Pass();
    auto receiver = Serve(sim::KeyboardReceiverModel(), "kbrx.sock");
    Pass();
    EXPECT_FALSE(Protocol(kKeyboardRow).IsReceiver());  // stays on its cable
    keyboard->Unplug();
    Pass();
    EXPECT_TRUE(Selected(kKeyboardRow));
    EXPECT_TRUE(Protocol(kKeyboardRow).IsOpen());
    EXPECT_TRUE(Protocol(kKeyboardRow).IsReceiver());
    EXPECT_TRUE(Protocol(kKeyboardRow).Channel2().IsOpen());
    receiver->Unplug();
    Pass();
    EXPECT_FALSE(Shown(kKeyboardRow));
    EXPECT_FALSE(Protocol(kKeyboardRow).IsOpen());
}

TEST_F(DeviceManagerTest, ReceiverAloneKeepsItsItemHiddenUntilTheMouseAnswers) {
    Start();
    auto receiver = Serve(sim::MouseReceiverModel(), "rx.sock");
    receiver->Core().SetInReach(false);
    Pass();
    EXPECT_TRUE(Protocol(kMouseRow).IsOpen());
    EXPECT_TRUE(Protocol(kMouseRow).IsReceiver());
    EXPECT_FALSE(Shown(kMouseRow));
    EXPECT_TRUE(NoticeShown());

    ui::CPaintManagerUI& pm = wnd->GetPaintManager();
    ui.Advance(500);  // the first look finds the mouse out of reach
    EXPECT_FALSE(Shown(kMouseRow));
    EXPECT_FALSE(Item(kMouseRow)->IsLinked());
    EXPECT_TRUE(pm.HasTimer(Item(kMouseRow), devicemanager::kTimerSync));
    ui.Advance(3000);  // and so does the next
    EXPECT_FALSE(Shown(kMouseRow));

    receiver->Core().SetInReach(true);
    ui.Advance(3000);
    EXPECT_TRUE(Shown(kMouseRow));
    EXPECT_TRUE(Selected(kMouseRow));  // nothing else was shown
    EXPECT_TRUE(Item(kMouseRow)->IsLinked());
    EXPECT_FALSE(NoticeShown());
    EXPECT_TRUE(pm.HasTimer(Item(kMouseRow), devicemanager::kTimerLink));

    // Out of reach again: the link timer hides it.
    receiver->Core().SetInReach(false);
    ui.Advance(2000);
    EXPECT_FALSE(Shown(kMouseRow));
    EXPECT_TRUE(NoticeShown());
    receiver->Core().SetInReach(true);
    ui.Advance(3000);
    EXPECT_TRUE(Shown(kMouseRow));
}

TEST_F(DeviceManagerTest, UnpluggingTheSelectedDeviceSelectsAnotherOrShowsTheNotice) {
    Start();
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    Pass();
    auto pad = Serve(sim::MousepadModel(), "mp.sock");
    Pass();
    EXPECT_TRUE(Selected(kKeyboardRow));  // the first stays selected
    EXPECT_TRUE(Shown(kMousepadRow));
    EXPECT_FALSE(Selected(kMousepadRow));
    EXPECT_TRUE(wnd->SynchronisationOffered());

    keyboard->Unplug();
    Pass();
    EXPECT_FALSE(Shown(kKeyboardRow));
    EXPECT_TRUE(Selected(kMousepadRow));
    EXPECT_EQ(wnd->CurrentDevice(), wnd->DeviceOfKind(kMousepadRow));
    EXPECT_FALSE(NoticeShown());
    EXPECT_FALSE(wnd->SynchronisationOffered());

    pad->Unplug();
    Pass();
    EXPECT_FALSE(Shown(kMousepadRow));
    EXPECT_TRUE(NoticeShown());
    auto* deviceSwitch = dynamic_cast<ui::CTabLayoutUI*>(wnd->FindControl("device_switch"));
    EXPECT_EQ(deviceSwitch->GetCurSel(), 0);
}

TEST_F(DeviceManagerTest, PrevAndNextStepThroughTheVisibleDevices) {
    Start();
    auto mouse = Serve(sim::MouseModel(), "ms.sock");
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    Pass();
    const int first = Selected(kMouseRow) ? kMouseRow : kKeyboardRow;
    const int second = first == kMouseRow ? kKeyboardRow : kMouseRow;
    ASSERT_TRUE(Selected(first));
    ASSERT_TRUE(Click("device_select_next")) << "next";
    EXPECT_TRUE(Selected(second));
    EXPECT_EQ(wnd->CurrentDevice(), wnd->DeviceOfKind(second));
    ASSERT_TRUE(Click("device_select_next"));  // round again
    EXPECT_TRUE(Selected(first));
    ASSERT_TRUE(Click("device_select_prev"));
    EXPECT_TRUE(Selected(second));
    EXPECT_FALSE(Shown(kMousepadRow));  // a hidden item is never stepped to

    // Choosing an item's own option makes its device the current one.
    Item(first)->SelectOption()->Selected(true, true);
    EXPECT_EQ(wnd->CurrentDevice(), wnd->DeviceOfKind(first));
    EXPECT_EQ(wnd->LastRoute(), "OnDeviceSelect");
}

TEST_F(DeviceManagerTest, ShowAndHideMessagesFollowTheRules) {
    Start();
    // 0x0D03 for an item no device shows: shown and selected as the only one.
    wnd->SendMessage(app::kMsgShowSelectorItem, kMousepadRow, 1);
    EXPECT_TRUE(Selected(kMousepadRow));
    wnd->SendMessage(app::kMsgShowSelectorItem, kMouseRow, 1);
    EXPECT_TRUE(Shown(kMouseRow));
    EXPECT_FALSE(Selected(kMouseRow));  // another was visible before
    wnd->SendMessage(app::kMsgShowSelectorItem, kMousepadRow, 0);
    EXPECT_TRUE(Selected(kMouseRow));
    wnd->SendMessage(app::kMsgShowSelectorItem, kMouseRow, 0);
    EXPECT_TRUE(NoticeShown());
    // Rows that do not exist are ignored.
    wnd->SendMessage(app::kMsgShowSelectorItem, kHeadsetRow, 1);
    wnd->SendMessage(app::kMsgShowSelectorItem, 4000, 1);
    EXPECT_TRUE(NoticeShown());
}

TEST_F(DeviceManagerTest, EventReportsOfTheDeviceStartTheRefreshTimer) {
    Start();
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    Pass();
    ui::CPaintManagerUI& pm = wnd->GetPaintManager();
    ASSERT_TRUE(keyboard->SendConsumerKey(0x401).ok());
    EXPECT_TRUE(ui.Loop().PumpUntil(
        [&] { return pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerRefresh); },
        platform::Millis(10000)));
    ui.Advance(50);
    EXPECT_FALSE(pm.HasTimer(Item(kKeyboardRow), devicemanager::kTimerRefresh));
}

// A headset seen through a scanner of our own: no simulator serves one.
class HeadsetScanner : public devicemanager::IHidScanner {
public:
    static constexpr const char* kPath = "none:/headset#vid_0c76&pid_1630&mi_03";
    bool Enumerate(std::vector<std::string>& paths) override {
        if (plugged)
            paths.push_back(kPath);
        return true;
    }
    void PathIds(const std::string&, uint16_t& vendorId, uint16_t& productId,
                 uint16_t& interfaceNumber, uint16_t& collection) override {
        vendorId = 0x0C76;
        productId = 0x1630;
        interfaceNumber = 3;
        collection = 0;
    }
    std::optional<devicemanager::InterfaceDescription> Describe(const std::string&) override {
        return devicemanager::InterfaceDescription{0x0C76, 0x1630, 0x000C, 0x01};
    }
    bool Present(const std::string&) override { return plugged; }
    bool plugged = false;
};

TEST_F(DeviceManagerTest, HeadsetPageIsBuiltWhenTheFirstHeadsetArrives) {
    HeadsetScanner scanner;
    env.scanner = &scanner;
    Start();
    EXPECT_EQ(Item(kHeadsetRow), nullptr);
    scanner.plugged = true;
    Pass();
    ASSERT_NE(Item(kHeadsetRow), nullptr);
    devices::CNorvalisUSBDevice* headset = wnd->DeviceOfKind(kHeadsetRow);
    ASSERT_NE(headset, nullptr);
    EXPECT_EQ(headset->GetDeviceFolderName(), "HD");
    EXPECT_EQ(headset->GetLightCount(), 13);
    EXPECT_EQ(Item(kHeadsetRow)->GetKind(), devicemanager::kHeadset);
    EXPECT_TRUE(Item(kHeadsetRow)->NameLabel()->IsResourceText());
    EXPECT_EQ(Item(kHeadsetRow)->NameLabel()->GetRawText(), "hd_device_name_text");
    EXPECT_TRUE(Selected(kHeadsetRow));

    // Gone and back: the same page serves it again.
    scanner.plugged = false;
    Pass();
    EXPECT_FALSE(Shown(kHeadsetRow));
    EXPECT_TRUE(NoticeShown());
    scanner.plugged = true;
    Pass();
    EXPECT_EQ(wnd->DeviceOfKind(kHeadsetRow), headset);
    EXPECT_TRUE(Selected(kHeadsetRow));
}

// ---- The selector item's timers on the virtual clock ----

// Counts what the timers ask of the device.
class CountingDevice : public devices::CNorvalisUSBDevice {
public:
    void SyncFromDevice() override { ++syncs; }
    void RefreshFromDevice() override { ++refreshes; }
    void RefreshPowerStatus() override { ++powerReads; }
    void PresentFrame() override { ++frames; }
    bool StreamsLightFrames() const override { return streams; }
    bool streams = false;
    int syncs = 0;
    int refreshes = 0;
    int powerReads = 0;
    int frames = 0;
};

class SelectorTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport::HidRoots roots;
        roots.hidraw = false;
        roots.virtualFolder = folder;
        fs::create_directories(folder);
        transport::SetHidRoots(roots);
        app::RegisterControlClasses();
        std::string error;
        window = ui.CreateWindow(R"(<Window><HorizontalLayout>
            <DeviceOption name="item"><Option name="device_select"/></DeviceOption>
            </HorizontalLayout></Window>)",
                                 &error);
        ASSERT_NE(window, nullptr) << error;
        window->onMessage = [this](uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                   bool& handled) -> intptr_t {
            handled = msg == app::kMsgShowSelectorItem;
            if (handled) {
                asks.push_back(static_cast<int>(lParam));
                item->SetShown(lParam == 1);
                EXPECT_EQ(wParam, 2u);
            }
            return 0;
        };
        item = window->GetPaintManager().FindControlAs<CDeviceOptionUI>("item");
        ASSERT_NE(item, nullptr);
        item->SetMainWindow(window->GetHWND(), 2);
        item->LinkDevice(&device);
    }
    void TearDown() override { transport::SetHidRoots({}); }
    // Opens the device's command protocol on a served device.
    void Open(const std::string& path, bool receiver) {
        transport::CDeviceProtocol& p = device.CommandProtocol();
        ASSERT_TRUE(
            (receiver ? p.Channel2() : p.Channel1()).Open(path, transport::HidAccess::ReadWrite));
        p.SetOpen(true);
        p.SetConnectionMode(receiver ? 2 : 1);
    }
    bool Has(uintptr_t id) { return window->GetPaintManager().HasTimer(item, id); }

    testsupport::TempEnv tempEnv;
    fs::path folder = tempEnv.Root() / "vhid";
    testsupport::UiHarness ui;
    CountingDevice device;  // outlives the window and its item
    std::unique_ptr<testsupport::TestWindow> window;
    CDeviceOptionUI* item = nullptr;
    std::vector<int> asks;
};

TEST_F(SelectorTimerTest, CableDeviceIsReadThenAnimatedAndItsBatteryWatched) {
    auto served = sim::SimulatedDevice::Serve(sim::MouseModel(), folder / "ms.sock");
    ASSERT_TRUE(served) << served.error().message;
    Open((*served)->CommandPath(), false);
    device.SetWirelessCapable(true);
    window->GetPaintManager().SetTimer(item, devicemanager::kTimerSync, 500);
    ui.Advance(499);
    EXPECT_EQ(device.syncs, 0);
    ui.Advance(1);
    EXPECT_EQ(device.syncs, 1);
    EXPECT_FALSE(Has(devicemanager::kTimerSync));  // once
    EXPECT_FALSE(Has(devicemanager::kTimerLink));  // on the cable
    ui.Advance(5);
    EXPECT_EQ(device.frames, 1);
    ui.Advance(45);
    EXPECT_EQ(device.powerReads, 1);  // 50 ms after the read
    ui.Advance(500);
    EXPECT_EQ(device.frames, 11);  // every 50 ms
    ui.Advance(4500);
    EXPECT_EQ(device.powerReads, 2);  // then every 5 s
    EXPECT_TRUE(asks.empty());        // a cable device never asks to be shown or hidden

    // The protocol closes: frames stop; a device that is not wireless reads its power once.
    device.CommandProtocol().SetOpen(false);
    ui.Advance(100);
    const int frames = device.frames;
    ui.Advance(500);
    EXPECT_EQ(device.frames, frames);
}

TEST_F(SelectorTimerTest, FramesSlowDownWhileNobodyTakesThem) {
    auto served = sim::SimulatedDevice::Serve(sim::MouseModel(), folder / "ms.sock");
    ASSERT_TRUE(served) << served.error().message;
    Open((*served)->CommandPath(), false);
    window->GetPaintManager().SetTimer(item, devicemanager::kTimerSync, 500);
    ui.Advance(505);
    ASSERT_EQ(device.frames, 1);

    // The window goes away: after the frame already due, one a second.
    device.SetWindowShown(false);
    ui.Advance(50);
    EXPECT_EQ(device.frames, 2);
    ui.Advance(999);
    EXPECT_EQ(device.frames, 2);
    ui.Advance(1);
    EXPECT_EQ(device.frames, 3);
    // A device that takes the frames itself gets them at full rate from the next one.
    device.streams = true;
    ui.Advance(1000);
    EXPECT_EQ(device.frames, 4);
    ui.Advance(100);
    EXPECT_EQ(device.frames, 6);
    device.streams = false;
    ui.Advance(50);
    EXPECT_EQ(device.frames, 7);

    // The window comes back: a frame at once, then every 50 ms again.
    device.SetWindowShown(true);
    item->PresentSoon();
    ui.Advance(5);
    EXPECT_EQ(device.frames, 8);
    ui.Advance(100);
    EXPECT_EQ(device.frames, 10);

    // Before the first read there are no frames to hurry.
    device.CommandProtocol().SetOpen(false);
    ui.Advance(50);
    item->PresentSoon();
    ui.Advance(100);
    EXPECT_EQ(device.frames, 11);
}

TEST_F(SelectorTimerTest, ReceiverDeviceIsShownOnlyWhileItAnswers) {
    auto served = sim::SimulatedDevice::Serve(sim::MouseReceiverModel(), folder / "rx.sock");
    ASSERT_TRUE(served) << served.error().message;
    sim::SimulatedDevice& receiver = **served;
    Open(receiver.CommandPath(), true);
    device.SetWirelessCapable(true);
    item->SetShown(false);
    receiver.Core().SetInReach(false);
    window->GetPaintManager().SetTimer(item, devicemanager::kTimerSync, 500);
    ui.Advance(500);
    EXPECT_EQ(device.syncs, 0);  // out of reach: not read, asked again in 3 s
    EXPECT_TRUE(Has(devicemanager::kTimerSync));
    EXPECT_TRUE(asks.empty());  // already hidden
    receiver.Core().SetInReach(true);
    ui.Advance(3000);
    EXPECT_EQ(asks, std::vector<int>{1});
    EXPECT_EQ(device.syncs, 1);
    EXPECT_TRUE(item->IsLinked());
    EXPECT_TRUE(Has(devicemanager::kTimerLink));

    // The link timer: gone, then back (read again only after being away).
    receiver.Core().SetInReach(false);
    ui.Advance(2000);
    EXPECT_EQ(asks, (std::vector<int>{1, 0}));
    EXPECT_FALSE(item->IsLinked());
    receiver.Core().SetInReach(true);
    const int powerReads = device.powerReads;
    ui.Advance(3000);
    EXPECT_EQ(asks, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(device.syncs, 2);
    EXPECT_GT(device.powerReads, powerReads);
    ui.Advance(3000);
    EXPECT_EQ(asks.size(), 3u);  // still there: nothing to ask
    EXPECT_EQ(device.syncs, 2);
}

TEST_F(SelectorTimerTest, RefreshTimerRereadsOnce) {
    window->GetPaintManager().SetTimer(item, devicemanager::kTimerRefresh, 50);
    ui.Advance(50);
    EXPECT_EQ(device.refreshes, 1);
    ui.Advance(500);
    EXPECT_EQ(device.refreshes, 1);
}

// ---- The selector item's icons and the power item, without a window's devices ----

TEST(DeviceIconsTest, EveryKindHasItsIconPairAndName) {
    struct Case {
        int kind;
        int variant;
        const char* stem;
        const char* text;
    };
    const Case cases[] = {
        {1, 0, "kb_device", "kb_device_name_text"},
        {2, 0, "ms_device", "ms_device_name_text"},
        {3, 1, "soft_mp_device", "soft_mp_device_name_text"},
        {3, 0, "hard_mp_device", "hard_mp_device_name_text"},
        {4, 0, "hd_device", "hd_device_name_text"},
        {7, 0, "hd_device", "hd_device_name_text"},
        {5, 0, "hub_device", "hub_device_name_text"},
        {6, 0, "unknow_device", "unknow_device_name_text"},
        {0, 0, "unknow_device", "unknow_device_name_text"},
    };
    for (const Case& c : cases) {
        const devicemanager::DeviceIcons icons = devicemanager::IconsForKind(c.kind, c.variant);
        const std::string base = std::string("common/device_ico/") + c.stem;
        EXPECT_EQ(icons.normal, base + "_normal.png") << c.kind;
        EXPECT_EQ(icons.selected, base + "_selected.png") << c.kind;
        EXPECT_EQ(icons.synchroNormal, base + "_synchro_normal.png") << c.kind;
        EXPECT_EQ(icons.synchroSelected, base + "_synchro_selected.png") << c.kind;
        EXPECT_EQ(icons.nameText, c.text) << c.kind;
    }
    EXPECT_FALSE(devicemanager::IconsForKind(3, 2).changes);
}

TEST_F(DeviceManagerTest, SynchroniseOptionSwapsTheIconPair) {
    Start();
    CDeviceOptionUI* item = Item(kMouseRow);
    ASSERT_NE(item->SelectOption(), nullptr);
    EXPECT_EQ(item->SelectOption()->GetNormalImage().file,
              "common/device_ico/ms_device_normal.png");
    item->SetSynchronised(true);
    EXPECT_EQ(item->SelectOption()->GetNormalImage().file,
              "common/device_ico/ms_device_synchro_normal.png");
    // A mousepad variant outside the table leaves the icons as they were.
    item->SetKind(3, 7);
    EXPECT_EQ(item->SelectOption()->GetNormalImage().file,
              "common/device_ico/ms_device_synchro_normal.png");
    // Fewer than two synchronised visible items: every item goes back to the plain pair.
    wnd->SendMessage(app::kMsgShowSelectorItem, kMouseRow, 1);
    EXPECT_FALSE(item->IsSynchronised());
    EXPECT_EQ(item->SelectOption()->GetNormalImage().file,
              "common/device_ico/ms_device_normal.png");
}

TEST_F(DeviceManagerTest, PowerItemShowsTheStatusBytes) {
    Start();
    struct Case {
        int row;
        std::array<uint8_t, 6> status;
        const char* value;
        int progress;
        const char* image;
        bool progressShown;
        bool logoShown;
        const char* phone;  // mousepad only
    };
    const Case cases[] = {
        {kMouseRow, {80, 0, 0, 1, 0, 0}, "80%", 20, "power/powered.png", true, true, nullptr},
        {kMouseRow, {55, 1, 0, 1, 0, 0}, "55%", 45, "power/powering.png", false, true, nullptr},
        {kMouseRow, {55, 1, 0, 0, 0, 0}, "55%", 45, "power/powering.png", true, false, nullptr},
        {kKeyboardRow, {10, 2, 0, 0, 0, 0}, "10%", 90, "power/power.png", true, false, nullptr},
        // More than full reads as full.
        {kKeyboardRow, {250, 0, 0, 0, 0, 0}, "100%", 0, "power/powered.png", true, false, nullptr},
        {kMousepadRow,
         {0, 0, 0, 1, 0, 1},
         "0%",
         100,
         "power/powered.png",
         true,
         false,
         "Phone_type_iphone"},
        {kMousepadRow,
         {0, 0, 0, 0, 0, 2},
         "0%",
         100,
         "power/powered.png",
         true,
         false,
         "Phone_type_samsung"},
        {kMousepadRow,
         {0, 0, 0, 0, 0, 3},
         "0%",
         100,
         "power/powered.png",
         true,
         false,
         "Phone_type_other"},
        {kMousepadRow,
         {0, 0, 0, 0, 0, 9},
         "0%",
         100,
         "power/powered.png",
         true,
         false,
         "Phone_type_no_device"},
    };
    for (const Case& c : cases) {
        CMpDevicePowerUI* power = wnd->PowerItem(c.row);
        ASSERT_NE(power, nullptr);
        power->Child("device_wuxian_logo")->SetVisible(false);
        power->SetStatus(c.status);
        SCOPED_TRACE(std::string("row ") + std::to_string(c.row) + " " + c.value);
        EXPECT_EQ(power->Child("device_power_value")->GetText(), c.value);
        auto* progress = dynamic_cast<ui::CProgressUI*>(power->Child("device_Power_progress"));
        EXPECT_EQ(progress->GetValue(), c.progress);
        EXPECT_EQ(power->Child("device_power_status")->GetBkImage().file, c.image);
        EXPECT_EQ(progress->IsOwnVisible(), c.progressShown);
        if (c.row != kMousepadRow) {
            EXPECT_EQ(power->Child("device_wuxian_logo")->IsOwnVisible(), c.logoShown);
        }
        if (c.phone != nullptr) {
            EXPECT_EQ(power->Child("device_phone_type")->GetToolTip(), c.phone);
            EXPECT_EQ(power->Child("device_phone_type")->GetBkImage().file,
                      std::string("power/") + c.phone + ".png");
        }
        // The battery part shows only for the wireless devices.
        EXPECT_EQ(power->Child("device_power_Layout")->IsOwnVisible(), c.row != kMousepadRow);
    }
}

}  // namespace
