// The device manager's side of the main window: discovery, attach and detach,
// cable and receiver, the device UIs of each kind and the selector's show and
// hide rules.

#include <algorithm>

#include "app/app_messages.h"
#include "app/devicemanager/hid_scanner.h"
#include "app/main_wnd.h"
#include "devices/norvalis_usb_device.h"
#include "platform/trace.h"
#include "ui/builder.h"
#include "ui/controls.h"

namespace app {

using devicemanager::CDeviceOptionUI;
using devicemanager::CMpDevicePowerUI;
using devicemanager::DeviceEntry;
using devicemanager::kDeviceKinds;
using devicemanager::kDeviceLayouts;

namespace {

constexpr std::string_view kDeviceSwitch = "device_switch";
constexpr std::string_view kPowerSwitch = "device_power_switch";
constexpr std::string_view kSelectorLayout = "device_select_layout";
constexpr std::string_view kNoDeviceNotice = "No_device_Link";

// The kind row a device type belongs to (the receivers to their device's), or -1.
int KindRowOfType(uint16_t type) {
    switch (type) {
        case devicemanager::kMouseCable:
        case devicemanager::kMouseReceiver:
            return 0;
        case devicemanager::kKeyboardCable:
        case devicemanager::kKeyboardReceiver:
            return 1;
        case devicemanager::kMousePad:
            return 2;
        case devicemanager::kHeadset:
            return 3;
        default:
            return -1;
    }
}

bool IsReceiverType(uint16_t type) {
    return type == devicemanager::kMouseReceiver || type == devicemanager::kKeyboardReceiver;
}

const char* KindName(int row) {
    return row >= 0 && row < static_cast<int>(kDeviceKinds.size()) ? kDeviceKinds[row].kindName
                                                                   : "unknown";
}

transport::CDeviceProtocol& Protocol(const CMainWnd& wnd, int row) {
    return wnd.DeviceOfKind(row)->CommandProtocol();
}

}  // namespace

// Discovery reports from its thread: attach and detach are sent (handled
// before the pass goes on, given up when the slot is stopped), the first pass
// posts the activation message.
class CMainWnd::DiscoverySink final : public devicemanager::IDiscoverySink {
public:
    DiscoverySink(CMainWnd& wnd, platform::Event* cancel) : m_wnd(wnd), m_cancel(cancel) {}
    void OnAttach(size_t index) override { Send(kMsgDeviceAttach, index); }
    void OnDetach(size_t index) override { Send(kMsgDeviceDetach, index); }
    void OnFirstPass() override {
        if (m_wnd.m_loop != nullptr)
            m_wnd.m_loop->Post(m_wnd.m_handle, Messages().activation.load(), 0, 0);
    }

private:
    void Send(uint32_t msg, size_t index) {
        if (m_wnd.m_loop != nullptr)
            m_wnd.m_loop->Send(m_wnd.m_handle, msg, index, 0, m_cancel);
    }
    CMainWnd& m_wnd;
    platform::Event* m_cancel;
};

// ---- Discovery ----

void CMainWnd::StartDiscovery() {
    devicemanager::IHidScanner* scanner = m_env.scanner;
    if (scanner == nullptr) {
        m_ownScanner = std::make_unique<devicemanager::ChannelHidScanner>();
        scanner = m_ownScanner.get();
    }
    platform::Event* stop = m_env.discoveryThread ? m_workers.StopEvent(kSlotDiscovery) : nullptr;
    m_discoverySink = std::make_unique<DiscoverySink>(*this, stop);
    m_discovery =
        std::make_unique<devicemanager::Discovery>(m_deviceList, *scanner, *m_discoverySink);
    if (!m_env.discoveryThread)
        return;
    devicemanager::Discovery* discovery = m_discovery.get();
    StartWorker(kSlotDiscovery, "discovery",
                [discovery](platform::Event& stopEvent) { discovery->Run(stopEvent); });
}

bool CMainWnd::RunDiscoveryPass() {
    if (m_env.discoveryThread || !m_discovery)
        return false;
    return m_discovery->RunPass();
}

// ---- Device UIs ----

devices::CNorvalisUSBDevice* CMainWnd::DeviceOfKind(int row) const {
    return row >= 0 && row < static_cast<int>(m_kindUis.size()) ? m_kindUis[row].device : nullptr;
}

CDeviceOptionUI* CMainWnd::SelectorItem(int row) const {
    return row >= 0 && row < static_cast<int>(m_kindUis.size()) ? m_kindUis[row].selector : nullptr;
}

CMpDevicePowerUI* CMainWnd::PowerItem(int row) const {
    return row >= 0 && row < static_cast<int>(m_kindUis.size()) ? m_kindUis[row].power : nullptr;
}

std::unique_ptr<ui::CControlUI> CMainWnd::BuildLayout(std::string_view file) {
    ui::CDialogBuilder builder;
    auto built = builder.Create(file, this, &m_pm);
    if (!built) {
        platform::Trace("MAIN_WND cannot build " + std::string(file) + ": " +
                        built.error().message);
        return nullptr;
    }
    return std::move(*built);
}

void CMainWnd::BuildDeviceUis() {
    // The keyboard, mouse and mousepad are there before any device; the
    // headset's page waits for the first headset.
    for (int row = 0; row < 3; ++row) {
        const devicemanager::DeviceKindRow& kind = kDeviceKinds[row];
        DeviceEntry entry;
        for (size_t i = 0; i < m_deviceList.Size(); ++i) {
            const DeviceEntry candidate = m_deviceList.Entry(i);
            if (candidate.IsCommand() && candidate.vendorId == kind.vendorId &&
                candidate.productId == kind.productId && candidate.type == kind.type) {
                entry = candidate;
                break;
            }
        }
        BuildDeviceUi(row, entry);
    }
}

bool CMainWnd::BuildDeviceUi(int row, const DeviceEntry& entry) {
    if (row < 0 || row >= static_cast<int>(kDeviceKinds.size()) || m_kindUis[row].selector)
        return false;
    const devicemanager::DeviceKindRow& kind = kDeviceKinds[row];
    const devicemanager::DeviceLayoutRow& layout = kDeviceLayouts[row];
    auto* powerSwitch = dynamic_cast<ui::CTabLayoutUI*>(FindControl(kPowerSwitch));
    auto* deviceSwitch = dynamic_cast<ui::CTabLayoutUI*>(FindControl(kDeviceSwitch));
    auto* selectorLayout = dynamic_cast<ui::CContainerUI*>(FindControl(kSelectorLayout));
    if (powerSwitch == nullptr || deviceSwitch == nullptr || selectorLayout == nullptr) {
        platform::Trace("MAIN_WND the main layout has no device selector");
        return false;
    }

    std::unique_ptr<ui::CControlUI> powerBuilt = BuildLayout(devicemanager::kPowerItemLayout);
    if (!powerBuilt)
        return false;
    std::unique_ptr<ui::CControlUI> selectorBuilt = BuildLayout(kind.selectorLayout);
    if (!selectorBuilt)
        return false;
    std::unique_ptr<ui::CControlUI> pageBuilt = BuildLayout(layout.layoutFile);
    if (!pageBuilt)
        return false;
    // A layout whose root is some other control cannot stand in for the item.
    auto* power = dynamic_cast<CMpDevicePowerUI*>(powerBuilt.get());
    auto* selector = dynamic_cast<CDeviceOptionUI*>(selectorBuilt.get());
    auto* device = dynamic_cast<devices::CNorvalisUSBDevice*>(pageBuilt.get());
    if (power == nullptr || selector == nullptr || device == nullptr) {
        platform::TraceF(
            "MAIN_WND the %s layouts do not hold a power item, a selector item "
            "and a device page",
            kind.kindName);
        return false;
    }

    powerSwitch->Add(std::move(powerBuilt));
    power->SetKind(kind.type, kind.variant);

    device->SetManager(&m_pm, nullptr, false);
    device->SetLayoutFileName(layout.layoutFile);
    device->SetMainWindow(m_handle);
    device->SetKeyCount(layout.keyCount);
    device->SetLightCount(layout.lightCount);
    device->SetSelectorIndex(row);
    device->SetWirelessCapable(layout.wirelessCapable != 0);
    device->SetCurrentProfileName({});
    device->SetDeviceFolderName(kind.kindName);
    device->SetPowerItem(power);
    device->SetIdentity(entry);
    device->SetOptionValue(kind.optionValue);
    device->SetLightConfigName(layout.lightConfiguration);
    device->InitDevicePage();

    const int pageIndex = deviceSwitch->GetCount();
    deviceSwitch->Add(std::move(pageBuilt));

    selectorLayout->Add(std::move(selectorBuilt));
    selector->SetSynchronised(false);
    if (ui::COptionUI* option = selector->SelectOption()) {
        option->SetGroup(kind.tabHeader);
        option->BindTabLayout(kDeviceSwitch, pageIndex);
    }
    selector->SetPowerSwitchName(kind.powerSwitch);
    selector->SetPowerPageIndex(powerSwitch->GetItemIndex(power));
    selector->SetKind(kind.type, kind.variant);
    selector->SetShown(false);
    selector->LinkDevice(device);
    selector->SetMainWindow(m_handle, row);
    selector->SetWindowActiveQuery([this] { return m_windowActive; });
    // Devices start with host lighting on and the window shown; only an
    // earlier "off" needs telling.
    if (m_hostLighting == 0)
        device->SetHostLighting(false);
    device->SetWindowShown(m_devicesShown);

    m_kindUis[row] = {device, selector, power};
    platform::TraceF("MAIN_WND built the %s page", kind.kindName);
    return true;
}

void CMainWnd::RemoveDeviceUis() {
    auto* powerSwitch = dynamic_cast<ui::CContainerUI*>(FindControl(kPowerSwitch));
    auto* selectorLayout = dynamic_cast<ui::CContainerUI*>(FindControl(kSelectorLayout));
    for (KindUi& kind : m_kindUis) {
        if (kind.device != nullptr) {
            kind.device->SetSelectorItem(nullptr);
            kind.device->SetPowerItem(nullptr);
            std::lock_guard io(kind.device->CommandProtocol().IoLock());
            kind.device->CommandProtocol().SetOpen(false);
            kind.device->CommandProtocol().Channel1().Close();
            kind.device->CommandProtocol().Channel2().Close();
        }
        if (kind.selector != nullptr && selectorLayout != nullptr)
            selectorLayout->Remove(kind.selector);
        if (kind.power != nullptr && powerSwitch != nullptr)
            powerSwitch->Remove(kind.power);
        kind = {};
    }
    m_currentDevice = nullptr;
}

// ---- Attach and detach ----

void CMainWnd::OnDeviceAttach(uintptr_t wParam, intptr_t) {
    if (wParam >= m_deviceList.Size())
        return;
    const size_t index = wParam;
    const DeviceEntry entry = m_deviceList.Entry(index);
    if (entry.attached == 0)
        return;  // gone again before we got to it
    const int row = KindRowOfType(entry.type);
    if (row < 0) {
        platform::Trace("MAIN_WND attached an interface of no known kind");
        return;
    }
    if (SelectorItem(row) == nullptr) {
        // A receiver's device is described by its cable entry.
        DeviceEntry command = entry;
        if (IsReceiverType(entry.type) && entry.paired != 0)
            command = m_deviceList.Entry(entry.pairedIndex);
        if (!entry.IsCommand()) {
            for (size_t i = 0; i < m_deviceList.Size(); ++i) {
                const DeviceEntry e = m_deviceList.Entry(i);
                if (e.IsCommand() && KindRowOfType(e.type) == row && !IsReceiverType(e.type)) {
                    command = e;
                    break;
                }
            }
        }
        // The keyboard's receiver has no kind row of its own.
        if (entry.type != devicemanager::kKeyboardReceiver)
            BuildDeviceUi(row, command);
    }
    platform::TraceF("MAIN_WND %s interface added", KindName(row));
    devices::CNorvalisUSBDevice* device = DeviceOfKind(row);
    if (device == nullptr)
        return;  // no UI: nothing is shown for it
    if (entry.IsCommand()) {
        AttachCommand(index, entry, row);
    } else {
        device->OpenEventCollection(entry.path, entry.type);
    }
    OnActivation();
}

void CMainWnd::AttachCommand(size_t index, const DeviceEntry& entry, int row) {
    devices::CNorvalisUSBDevice* device = DeviceOfKind(row);
    CDeviceOptionUI* item = SelectorItem(row);
    transport::CDeviceProtocol& protocol = device->CommandProtocol();
    if (entry.paired != 0) {
        const DeviceEntry other = m_deviceList.Entry(entry.pairedIndex);
        if (other.attached != 0 && other.pairedIndex == index) {
            // Reachable the other way already: a mouse plugged in by cable
            // moves to it; anything else stays where it is.
            if (entry.type == devicemanager::kMouseCable)
                SwitchConnection(index);
            return;
        }
    }
    const bool receiver = IsReceiverType(entry.type);
    if (!protocol.IsOpen()) {
        bool opened = false;
        {
            std::lock_guard io(protocol.IoLock());
            transport::CHidChannel& channel = receiver ? protocol.Channel2() : protocol.Channel1();
            opened = channel.Open(entry.path, transport::HidAccess::ReadWrite,
                                  transport::HidSharing::Shared);
            if (opened) {
                protocol.SetOpen(true);
                protocol.SetConnectionMode(receiver ? 2 : 1);
                device->SetIdentity(
                    receiver && entry.paired != 0 ? m_deviceList.Entry(entry.pairedIndex) : entry);
            }
        }
        if (!opened)
            platform::TraceF("MAIN_WND cannot open the %s", KindName(row));
    }
    // The preview runs while the device is there; an absent device costs nothing.
    if (protocol.IsOpen() && !device->IsLightThreadRunning())
        device->StartLightThread();
    if (item == nullptr)
        return;
    if (!receiver)
        ShowItem(row, true, !AnySelectorItemVisible());
    item->SetTimer(devicemanager::kTimerSync, devicemanager::kSyncDelayMs);
}

void CMainWnd::OnDeviceDetach(uintptr_t wParam, intptr_t) {
    if (wParam >= m_deviceList.Size())
        return;
    const size_t index = wParam;
    const DeviceEntry entry = m_deviceList.Entry(index);
    const int row = KindRowOfType(entry.type);
    devices::CNorvalisUSBDevice* device = DeviceOfKind(row);
    if (device == nullptr)
        return;
    if (!entry.IsCommand()) {
        device->CloseEventCollection(entry.type);
        return;
    }
    platform::TraceF("MAIN_WND %s lost", KindName(row));
    if (entry.paired != 0 && m_deviceList.Entry(entry.pairedIndex).attached != 0) {
        // The cable went but the receiver is there: the device carries on
        // through it. (A keyboard left on its dead cable would look connected
        // while every write failed.)
        if (entry.type == devicemanager::kMouseCable ||
            (entry.type == devicemanager::kKeyboardCable && !Protocol(*this, row).IsReceiver()))
            SwitchConnection(index);
        return;
    }
    transport::CDeviceProtocol& protocol = device->CommandProtocol();
    {
        std::lock_guard io(protocol.IoLock());
        protocol.SetOpen(false);
        protocol.Channel1().Close();
        if (entry.type != devicemanager::kMousePad && entry.type != devicemanager::kHeadset)
            protocol.Channel2().Close();
    }
    if (m_linkCheckRow == row) {
        KillTimer(kTimerCheckLink);
        m_linkCheckRow = -1;
    }
    device->StopLightThread();
    HideItem(row);
}

void CMainWnd::SwitchConnection(size_t index) {
    const DeviceEntry entry = m_deviceList.Entry(index);
    const int row = KindRowOfType(entry.type);
    devices::CNorvalisUSBDevice* device = DeviceOfKind(row);
    CDeviceOptionUI* item = SelectorItem(row);
    if (device == nullptr || item == nullptr)
        return;
    transport::CDeviceProtocol& protocol = device->CommandProtocol();
    const bool toReceiver = !protocol.IsReceiver();
    const std::string path =
        toReceiver ? m_deviceList.Entry(entry.pairedIndex).path : m_deviceList.Entry(index).path;
    bool opened = false;
    {
        std::lock_guard io(protocol.IoLock());
        protocol.SetOpen(false);
        (toReceiver ? protocol.Channel1() : protocol.Channel2()).Close();
        opened = (toReceiver ? protocol.Channel2() : protocol.Channel1())
                     .Open(path, transport::HidAccess::ReadWrite, transport::HidSharing::Shared);
    }
    if (!opened) {
        // Neither way reaches the device now: it is gone from the list until
        // discovery brings it back.
        platform::TraceF("MAIN_WND cannot switch the %s to its %s", KindName(row),
                         toReceiver ? "receiver" : "cable");
        HideItem(row);
        return;
    }
    protocol.SetOpen(true);
    CloseChildWindows();
    if (toReceiver) {
        protocol.SetConnectionMode(2);
        platform::TraceF("MAIN_WND %s now on its receiver", KindName(row));
        if (device->IsWirelessCapable()) {
            // Asked now and then every 50 ms on the clock, never by sleeping the UI.
            m_linkCheckRow = row;
            m_linkChecksLeft = kCheckLinkAttempts;
            OnCheckLinkTimer();
        }
        item->SetTimer(devicemanager::kTimerLink, devicemanager::kLinkFirstMs);
    } else {
        protocol.SetConnectionMode(1);
        platform::TraceF("MAIN_WND %s now on its cable", KindName(row));
        if (m_linkCheckRow == row) {
            KillTimer(kTimerCheckLink);
            m_linkCheckRow = -1;
        }
        item->SetTimer(devicemanager::kTimerSync, devicemanager::kSyncDelayMs);
        SendMessage(kMsgShowSelectorItem, static_cast<uintptr_t>(row), 1);
        if (device->IsWirelessCapable())
            device->RefreshPowerStatus();
    }
}

void CMainWnd::OnCheckLinkTimer() {
    KillTimer(kTimerCheckLink);
    devices::CNorvalisUSBDevice* device = DeviceOfKind(m_linkCheckRow);
    if (device == nullptr || !device->CommandProtocol().IsReceiver()) {
        m_linkCheckRow = -1;
        return;
    }
    if (device->CommandProtocol().CheckLink()) {
        m_linkCheckRow = -1;
        device->RefreshPowerStatus();
        return;
    }
    platform::TraceF("MAIN_WND %s does not answer through its receiver", KindName(m_linkCheckRow));
    if (--m_linkChecksLeft > 0) {
        SetTimer(kTimerCheckLink, kCheckLinkIntervalMs, platform::TimerMode::OneShot);
        return;
    }
    m_linkCheckRow = -1;
    device->RefreshPowerStatus();
}

// ---- Showing and hiding ----

bool CMainWnd::AnySelectorItemVisible() const {
    return std::any_of(m_kindUis.begin(), m_kindUis.end(), [](const KindUi& k) {
        return k.selector != nullptr && k.selector->IsShown();
    });
}

int CMainWnd::SelectedItemRow() const {
    for (size_t row = 0; row < m_kindUis.size(); ++row) {
        CDeviceOptionUI* item = m_kindUis[row].selector;
        if (item != nullptr && item->IsShown() && item->IsItemSelected())
            return static_cast<int>(row);
    }
    return -1;
}

void CMainWnd::ShowItem(int row, bool visible, bool select) {
    CDeviceOptionUI* item = SelectorItem(row);
    if (item == nullptr)
        return;
    item->SetShown(visible);
    auto* deviceSwitch = dynamic_cast<ui::CTabLayoutUI*>(FindControl(kDeviceSwitch));
    auto* powerSwitch = dynamic_cast<ui::CTabLayoutUI*>(FindControl(kPowerSwitch));
    if (select) {
        ui::COptionUI* option = item->SelectOption();
        if (deviceSwitch != nullptr && option != nullptr)
            deviceSwitch->SelectItem(option->GetBindTabIndex());
        if (powerSwitch != nullptr) {
            if (item->GetPowerPageIndex() >= 0) {
                powerSwitch->SetVisible(true);
                powerSwitch->SelectItem(item->GetPowerPageIndex());
            } else {
                powerSwitch->SetVisible(false);
            }
        }
        if (option != nullptr)
            option->Selected(true, false);
        m_currentDevice = item->GetDevice();
    }
    int visibleCount = 0;
    int synchronisedCount = 0;
    for (const KindUi& kind : m_kindUis) {
        if (kind.selector == nullptr || !kind.selector->IsShown())
            continue;
        ++visibleCount;
        if (kind.selector->IsSynchronised())
            ++synchronisedCount;
    }
    if (ui::CControlUI* notice = FindControl(kNoDeviceNotice))
        notice->SetVisible(visibleCount == 0);
    if (visibleCount == 0) {
        if (powerSwitch != nullptr)
            powerSwitch->SelectItem(0);
        if (deviceSwitch != nullptr)
            deviceSwitch->SelectItem(0);
        m_currentDevice = nullptr;
    }
    OfferSynchronisation(visibleCount >= 2);
    if (synchronisedCount < 2) {
        for (const KindUi& kind : m_kindUis) {
            if (kind.selector != nullptr)
                kind.selector->SetSynchronised(false);
        }
    }
}

void CMainWnd::HideItem(int row) {
    CDeviceOptionUI* item = SelectorItem(row);
    if (item == nullptr)
        return;
    int other = -1;
    if (item->IsShown() && item->IsItemSelected()) {
        CloseChildWindows();
        if (m_menu && m_menu->IsOpen())
            m_menu->Close(0);
        for (int i = 0; i < static_cast<int>(m_kindUis.size()); ++i) {
            if (i != row && m_kindUis[i].selector != nullptr && m_kindUis[i].selector->IsShown()) {
                other = i;
                break;
            }
        }
    }
    ShowItem(row, false, false);
    if (other >= 0)
        ShowItem(other, true, true);
}

void CMainWnd::OnSelectorItem(uintptr_t wParam, intptr_t lParam) {
    const int row = wParam < m_kindUis.size() ? static_cast<int>(wParam) : -1;
    CDeviceOptionUI* item = SelectorItem(row);
    if (item == nullptr)
        return;
    if (lParam == 0) {
        HideItem(row);
    } else if (lParam == 1 && !item->IsShown()) {
        ShowItem(row, true, !AnySelectorItemVisible());
    }
}

void CMainWnd::OnDeviceSelect(ui::TNotifyUI& msg, int) {
    for (ui::CControlUI* c = msg.pSender; c != nullptr; c = c->GetParent()) {
        if (auto* item = dynamic_cast<CDeviceOptionUI*>(c)) {
            if (item->IsShown())
                ShowItem(item->GetSelectorIndex(), true, true);
            return;
        }
    }
}

void CMainWnd::OnDeviceStep(ui::TNotifyUI& msg, int) {
    if (msg.pSender == nullptr)
        return;
    const int step = msg.pSender->GetName() == "device_select_prev" ? -1 : 1;
    // In the order the items stand in the selector.
    auto* layout = dynamic_cast<ui::CContainerUI*>(FindControl(kSelectorLayout));
    if (layout == nullptr)
        return;
    std::vector<CDeviceOptionUI*> shown;
    int current = -1;
    for (int i = 0; i < layout->GetCount(); ++i) {
        auto* item = dynamic_cast<CDeviceOptionUI*>(layout->GetItemAt(i));
        if (item == nullptr || !item->IsShown())
            continue;
        if (item->IsItemSelected())
            current = static_cast<int>(shown.size());
        shown.push_back(item);
    }
    if (shown.empty())
        return;
    const int count = static_cast<int>(shown.size());
    const int next = current < 0 ? 0 : ((current + step) % count + count) % count;
    ShowItem(shown[next]->GetSelectorIndex(), true, true);
}

// ---- What every device hears ----

void CMainWnd::TellDevicesHostLighting(uint32_t flag) {
    // Mouse, keyboard and mousepad; the headset's lights are its own.
    for (int row = 0; row < 3; ++row) {
        if (devices::CNorvalisUSBDevice* device = DeviceOfKind(row))
            device->SetHostLighting(flag != 0);
    }
}

void CMainWnd::TellDevicesWindowActive(bool active) {
    for (int row = 0; row < 3; ++row) {
        if (devices::CNorvalisUSBDevice* device = DeviceOfKind(row))
            device->SetWindowActive(active);
    }
}

void CMainWnd::TellDevicesWindowShown(bool shown) {
    if (shown == m_devicesShown)
        return;
    m_devicesShown = shown;
    for (int row = 0; row < static_cast<int>(m_kindUis.size()); ++row) {
        if (devices::CNorvalisUSBDevice* device = DeviceOfKind(row))
            device->SetWindowShown(shown);
        if (CDeviceOptionUI* item = SelectorItem(row); item != nullptr && shown)
            item->PresentSoon();
    }
}

void CMainWnd::ClearDevicesPowerPause() {
    for (int row = 0; row < 2; ++row) {
        if (devices::CNorvalisUSBDevice* device = DeviceOfKind(row))
            device->SetPowerStatusPaused(false);
    }
}

}  // namespace app
