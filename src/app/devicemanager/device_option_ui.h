#pragma once

// CDeviceOptionUI: one device's item in the device selector. It shows the
// device's icon and name, selects the device's page, and runs the timers
// that keep the device read, its picture animated and its link and battery
// watched while it is connected.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/message_loop.h"
#include "ui/container.h"
#include "ui/controls.h"

namespace devices {
class CNorvalisUSBDevice;
}

namespace devicemanager {

inline constexpr std::string_view kDeviceOptionClass = "DeviceOption";

// Timers of a selector item.
inline constexpr uintptr_t kTimerPresentFrame = 1000;
inline constexpr uintptr_t kTimerSync = 1001;
inline constexpr uintptr_t kTimerRefresh = 1002;
inline constexpr uintptr_t kTimerPowerStatus = 1005;
inline constexpr uintptr_t kTimerLink = 1007;

inline constexpr uint32_t kPresentFramePeriodMs = 50;
// While nobody sees the picture and the device takes no frames: a heartbeat
// that notices a device starting to take them.
inline constexpr uint32_t kUnseenFramePeriodMs = 1000;
inline constexpr uint32_t kFirstFrameDelayMs = 5;
inline constexpr uint32_t kSyncDelayMs = 500;
inline constexpr uint32_t kSyncRetryMs = 3000;
inline constexpr uint32_t kPowerFirstMs = 50;
inline constexpr uint32_t kPowerPeriodMs = 5000;
inline constexpr uint32_t kLinkFirstMs = 2000;
inline constexpr uint32_t kLinkPeriodMs = 3000;

// The message an item sends the main window to be shown (1) or hidden (0).
inline constexpr uint32_t kMsgShowSelectorItem = 0x0D03;

// The icon pair and name text of a device kind; `changes` is false where the
// kind leaves the item as it is.
struct DeviceIcons {
    std::string normal;  // ends in "_normal.png"
    std::string selected;
    std::string synchroNormal;
    std::string synchroSelected;
    std::string nameText;
    bool changes = true;
};
DeviceIcons IconsForKind(int kind, int variant);

class CDeviceOptionUI : public ui::CHorizontalLayoutUI {
public:
    CDeviceOptionUI();
    ~CDeviceOptionUI() override;

    std::string_view GetClass() const override { return kDeviceOptionClass; }

    // Named children; null until the layout is built.
    ui::COptionUI* SelectOption();
    ui::COptionUI* SynchroOption();
    ui::CLabelUI* NameLabel();

    void SetKind(int kind, int variant);
    int GetKind() const { return m_kind; }
    int GetVariant() const { return m_variant; }
    const DeviceIcons& Icons() const { return m_icons; }

    // The synchronise option chooses between the two icon pairs; setting it
    // never notifies.
    void SetSynchronised(bool on);
    bool IsSynchronised();

    void SetPowerSwitchName(std::string name) { m_powerSwitchName = std::move(name); }
    const std::string& GetPowerSwitchName() const { return m_powerSwitchName; }
    void SetPowerPageIndex(int index) { m_powerPageIndex = index; }
    int GetPowerPageIndex() const { return m_powerPageIndex; }

    // The item's own visible flag (the window being hidden does not change it).
    void SetShown(bool shown);
    bool IsShown() const { return m_shown; }
    bool IsItemSelected();

    bool IsLinked() const { return m_linked; }
    void SetLinked(bool linked) { m_linked = linked; }

    void LinkDevice(devices::CNorvalisUSBDevice* device);
    devices::CNorvalisUSBDevice* GetDevice() const { return m_device; }
    ui::CControlUI* GetPicturePanel() const { return m_picturePanel; }

    // Where the item asks to be shown or hidden, and under which number.
    void SetMainWindow(platform::WindowHandle window, int selectorIndex) {
        m_mainWindow = window;
        m_selectorIndex = selectorIndex;
    }
    int GetSelectorIndex() const { return m_selectorIndex; }
    // Whether the window is active decides whether a frame repaints the picture.
    void SetWindowActiveQuery(std::function<bool()> query) { m_windowActive = std::move(query); }
    // The window is back on screen: frames that slowed down while it was
    // away come at once instead of at the next heartbeat.
    void PresentSoon();

    void DoEvent(ui::TEventUI& event) override;

private:
    void ApplyIcons();
    void AskMainWindow(bool show);
    void OnPresentFrame();
    void OnSync();
    void OnRefresh();
    void OnPowerStatus();
    void OnLink();

    int m_kind = 0;
    int m_variant = 0;
    DeviceIcons m_icons;
    std::string m_powerSwitchName;
    bool m_shown = true;
    int m_powerPageIndex = -1;
    bool m_linked = false;
    devices::CNorvalisUSBDevice* m_device = nullptr;
    ui::CControlUI* m_picturePanel = nullptr;
    platform::WindowHandle m_mainWindow = platform::kNoWindow;
    int m_selectorIndex = -1;
    std::function<bool()> m_windowActive;
};

}  // namespace devicemanager
