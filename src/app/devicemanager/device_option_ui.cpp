#include "app/devicemanager/device_option_ui.h"

#include "devices/norvalis_usb_device.h"
#include "platform/trace.h"
#include "ui/paint_manager.h"

namespace devicemanager {

namespace {

constexpr std::string_view kIconFolder = "common/device_ico/";

DeviceIcons MakeIcons(std::string_view stem, std::string_view nameText) {
    const std::string base = std::string(kIconFolder) + std::string(stem);
    DeviceIcons icons;
    icons.normal = base + "_normal.png";
    icons.selected = base + "_selected.png";
    icons.synchroNormal = base + "_synchro_normal.png";
    icons.synchroSelected = base + "_synchro_selected.png";
    icons.nameText = nameText;
    return icons;
}

}  // namespace

DeviceIcons IconsForKind(int kind, int variant) {
    switch (kind) {
        case 1:
            return MakeIcons("kb_device", "kb_device_name_text");
        case 2:
            return MakeIcons("ms_device", "ms_device_name_text");
        case 3:
            if (variant == 1)
                return MakeIcons("soft_mp_device", "soft_mp_device_name_text");
            if (variant == 0)
                return MakeIcons("hard_mp_device", "hard_mp_device_name_text");
            return DeviceIcons{.changes = false};
        case 4:
        case 7:
            return MakeIcons("hd_device", "hd_device_name_text");
        case 5:
            return MakeIcons("hub_device", "hub_device_name_text");
        default:
            return MakeIcons("unknow_device", "unknow_device_name_text");
    }
}

CDeviceOptionUI::CDeviceOptionUI() = default;

// The main window unlinks the device before it removes an item; the window's
// tear-down may destroy the device page first, so nothing here touches it.
CDeviceOptionUI::~CDeviceOptionUI() = default;

ui::COptionUI* CDeviceOptionUI::SelectOption() {
    return GetManager() ? GetManager()->FindSubControlAs<ui::COptionUI>(this, "device_select")
                        : nullptr;
}

ui::COptionUI* CDeviceOptionUI::SynchroOption() {
    return GetManager()
               ? GetManager()->FindSubControlAs<ui::COptionUI>(this, "synchro_device_select")
               : nullptr;
}

ui::CLabelUI* CDeviceOptionUI::NameLabel() {
    return GetManager() ? GetManager()->FindSubControlAs<ui::CLabelUI>(this, "device_select_name")
                        : nullptr;
}

void CDeviceOptionUI::SetKind(int kind, int variant) {
    m_kind = kind;
    m_variant = variant;
    DeviceIcons icons = IconsForKind(kind, variant);
    if (!icons.changes)
        return;
    m_icons = std::move(icons);
    ApplyIcons();
    // The name is a language text, shown in the user's language.
    if (ui::CLabelUI* label = NameLabel()) {
        label->SetResourceText(true);
        label->SetText(m_icons.nameText);
    }
}

void CDeviceOptionUI::SetSynchronised(bool on) {
    if (ui::COptionUI* synchro = SynchroOption())
        synchro->Selected(on, false);
    ApplyIcons();
}

bool CDeviceOptionUI::IsSynchronised() {
    ui::COptionUI* synchro = SynchroOption();
    return synchro != nullptr && synchro->IsSelected();
}

void CDeviceOptionUI::ApplyIcons() {
    ui::COptionUI* option = SelectOption();
    if (option == nullptr || m_icons.normal.empty())
        return;
    const bool synchro = IsSynchronised();
    const std::string& normal = synchro ? m_icons.synchroNormal : m_icons.normal;
    const std::string& selected = synchro ? m_icons.synchroSelected : m_icons.selected;
    option->SetNormalImage("file='" + normal + "'");
    option->SetSelectedImage("file='" + selected + "'");
}

void CDeviceOptionUI::SetShown(bool shown) {
    m_shown = shown;
    SetVisible(shown);
}

bool CDeviceOptionUI::IsItemSelected() {
    ui::COptionUI* option = SelectOption();
    return option != nullptr && option->IsSelected();
}

void CDeviceOptionUI::LinkDevice(devices::CNorvalisUSBDevice* device) {
    m_device = device;
    m_picturePanel = device != nullptr ? device->GetPicturePanel() : nullptr;
    if (device != nullptr)
        device->SetSelectorItem(this);
}

void CDeviceOptionUI::AskMainWindow(bool show) {
    platform::MessageLoop* loop = ui::CPaintManagerUI::GetMessageLoop();
    if (loop == nullptr || m_mainWindow == platform::kNoWindow)
        return;
    loop->Send(m_mainWindow, kMsgShowSelectorItem, static_cast<uintptr_t>(m_selectorIndex),
               show ? 1 : 0);
}

void CDeviceOptionUI::DoEvent(ui::TEventUI& event) {
    if (event.Type != ui::UiEvent::Timer) {
        ui::CHorizontalLayoutUI::DoEvent(event);
        return;
    }
    switch (event.wParam) {
        case kTimerPresentFrame:
            OnPresentFrame();
            return;
        case kTimerSync:
            OnSync();
            return;
        case kTimerRefresh:
            OnRefresh();
            return;
        case kTimerPowerStatus:
            OnPowerStatus();
            return;
        case kTimerLink:
            OnLink();
            return;
        default:
            ui::CHorizontalLayoutUI::DoEvent(event);
            return;
    }
}

void CDeviceOptionUI::OnPresentFrame() {
    KillTimer(kTimerPresentFrame);
    if (m_device == nullptr)
        return;
    m_device->PresentFrame();
    if (m_picturePanel != nullptr && IsItemSelected() && m_windowActive && m_windowActive())
        m_picturePanel->Invalidate();
    if (m_device->CommandProtocol().IsOpen())
        SetTimer(kTimerPresentFrame,
                 m_device->LightFramesWanted() ? kPresentFramePeriodMs : kUnseenFramePeriodMs);
}

void CDeviceOptionUI::PresentSoon() {
    // Only frames already running: the first one waits for the device's first read.
    if (m_manager != nullptr && m_manager->HasTimer(this, kTimerPresentFrame))
        SetTimer(kTimerPresentFrame, kFirstFrameDelayMs);
}

void CDeviceOptionUI::OnSync() {
    KillTimer(kTimerSync);
    if (m_device == nullptr)
        return;
    transport::CDeviceProtocol& protocol = m_device->CommandProtocol();
    const bool onReceiver = protocol.IsReceiver();
    if (onReceiver && protocol.IsOpen()) {
        if (!m_device->IsLinkAlive()) {
            // The wireless device is out of reach: stay out of the list and look again.
            m_linked = false;
            if (m_shown)
                AskMainWindow(false);
            SetTimer(kTimerSync, kSyncRetryMs);
            return;
        }
        AskMainWindow(true);
        m_linked = true;
    }
    m_device->SyncFromDevice();
    SetTimer(kTimerPresentFrame, kFirstFrameDelayMs);
    if (m_device->IsWirelessCapable() && protocol.IsOpen())
        SetTimer(kTimerPowerStatus, kPowerFirstMs);
    if (onReceiver)
        SetTimer(kTimerLink, kLinkFirstMs);
}

void CDeviceOptionUI::OnRefresh() {
    KillTimer(kTimerRefresh);
    if (m_device != nullptr)
        m_device->RefreshFromDevice();
}

void CDeviceOptionUI::OnPowerStatus() {
    KillTimer(kTimerPowerStatus);
    if (m_device == nullptr)
        return;
    m_device->RefreshPowerStatus();
    if (m_device->IsWirelessCapable())
        SetTimer(kTimerPowerStatus, kPowerPeriodMs);
}

void CDeviceOptionUI::OnLink() {
    KillTimer(kTimerLink);
    if (m_device == nullptr)
        return;
    transport::CDeviceProtocol& protocol = m_device->CommandProtocol();
    if (!protocol.IsReceiver())
        return;
    if (m_device->IsLinkAlive()) {
        if (!m_linked)
            m_device->SyncFromDevice();
        m_linked = true;
        if (!m_shown) {
            AskMainWindow(true);
            if (m_device->IsWirelessCapable())
                m_device->RefreshPowerStatus();
        }
    } else {
        m_linked = false;
        if (m_shown)
            AskMainWindow(false);
    }
    // The main window may have switched the device back to its cable meanwhile.
    if (protocol.IsReceiver())
        SetTimer(kTimerLink, kLinkPeriodMs);
}

}  // namespace devicemanager
