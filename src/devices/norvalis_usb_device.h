#pragma once
// CNorvalisUSBDevice: the base of every device class. One object is at once
// the device's page in the window (a horizontal layout built from the device's
// layout file, holding its picture and settings) and the program's model of
// the device: its command protocol, its lighting preview, its light thread
// and its event threads.
//
// Threads. The UI thread calls everything that touches controls. The light
// thread steps the preview on timer ticks and hands frames to the device; the
// event threads block on the event collection and reach the UI only by
// posting to the UI loop. State shared with them is atomic or locked.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/devicemanager/device_table.h"
#include "devices/light_preview.h"
#include "platform/message_loop.h"
#include "platform/thread.h"
#include "profiles/profile_records.h"
#include "transport/device_protocol.h"
#include "ui/container.h"
#include "ui/notify_pump.h"

namespace ui {
class CDeviceKeyButtonUI;
class CTabLayoutUI;
}  // namespace ui

namespace devices {

inline constexpr std::string_view kDeviceClass = "NorvalisUSBDevice";
inline constexpr std::string_view kDeviceFactoryName = "CNorvalisUSBDevice";

// Timer of the selector item that re-reads the device after a device event.
inline constexpr uintptr_t kRefreshTimer = 1002;

// What a device needs of its lighting panel (the panel implements it).
class ILightingPanel {
public:
    virtual ~ILightingPanel() = default;
    virtual void SetAudioLightInfo(const profiles::AudioLightRecord& record) = 0;
    virtual profiles::AudioLightRecord GetAudioLightInfo(int flag) = 0;
};

// What a device tells its power item (the item implements it).
class IPowerItem {
public:
    virtual ~IPowerItem() = default;
    virtual void SetWirelessCapable(bool on) = 0;
};

// The shared preview effects a light thread can run.
enum class PreviewEffect { Off, Static, Breathing, Breathing4, Spectrum, Flash, Flash4 };

class CNorvalisUSBDevice : public ui::CHorizontalLayoutUI,
                           public ui::CNotifyPump,
                           public ui::INotifyUI,
                           public platform::IMessageTarget {
public:
    // Event collections: the device's own, and the receiver's for a device
    // reached through its 2.4 GHz receiver.
    enum class EventSlot { Cable = 0, Receiver = 1 };

    CNorvalisUSBDevice();
    ~CNorvalisUSBDevice() override;

    std::string_view GetClass() const override { return kDeviceClass; }

    // ---- Virtual operations ----
    // Scans the picture (see ScanPicture).
    virtual void InitDevicePage();
    virtual int LoadDeviceFiles() { return 0; }
    // Effect steps: fill the LED colour list from the lighting parameters.
    virtual void StepBreathing();
    virtual void StepBreathing4();
    virtual void StepStatic();
    virtual void StepSpectrum();
    virtual void StepFlash();
    virtual void StepFlash4();
    virtual void StepOff();
    // UI thread: shows the LED colour list on the light buttons and builds the
    // device frame (PresentedFrame) while host lighting is on.
    virtual void PresentFrame();
    virtual void SetLedColour(int index, LedColour rgba);
    virtual LedColour GetLedColour(int index) const;
    virtual void SyncFromDevice() {}
    virtual void RefreshFromDevice() {}
    virtual void RefreshPowerStatus() {}
    // On the cable a device is always reachable; through the receiver only
    // while the receiver says its device answers.
    virtual bool IsLinkAlive() {
        return !m_command.IsReceiver() || (m_command.IsOpen() && m_command.CheckLink());
    }
    virtual int LoadCurrentProfile() { return 0; }
    virtual void UpdatePage() {}
    virtual void ApplyKeyLayer() {}
    virtual void LoadDefaultProfile() {}
    virtual std::vector<std::string> GetMacroList() { return {}; }
    virtual int WriteKeyAssignments(int /*page*/) { return 0; }
    virtual int WriteKeyLayer(int /*page*/) { return 0; }
    virtual int WriteKeyLayer2(int /*page*/) { return 0; }
    virtual int WriteKeyLayer3(int /*page*/) { return 0; }
    virtual int WriteMacros(const std::vector<std::string>& /*macros*/) { return 0; }
    virtual int WriteProfileSettings(int /*slot*/, int /*slotByte*/, int /*flag*/ = 1,
                                     int /*screenWidth*/ = 0, int /*screenHeight*/ = 0) {
        return 0;
    }
    virtual void BuildProfileLists() {}
    virtual void SetLightMap(const std::map<int, int>& map);
    virtual void DecayLight(int index, int kind);
    virtual void MarkPressedLights();
    virtual void RotateRing(int direction);
    virtual void ClearReactive();
    virtual void SetFunctionPage(int type);
    virtual int GetFunctionPage() const { return m_functionPage; }
    virtual void SaveProfileFiles() {}
    virtual std::string GetProfileName() { return {}; }
    virtual void SaveProfileData() {}
    virtual void SetOptionValue(int value) { m_optionValue = value; }
    virtual int GetOptionValue() const { return m_optionValue; }
    virtual void SetLightParams(const profiles::LightModeRecord& record);
    virtual void SetAudioLight(const profiles::AudioLightRecord& record);
    virtual profiles::AudioLightRecord GetAudioLight(int flag);
    virtual void SelectKey(int index) { m_selectedKey = index; }
    virtual void SelectKey2(int index) { m_selectedKey2 = index; }
    virtual void OnAudioLevels(const uint8_t* /*levels*/, int /*count*/) {}
    virtual void SetAudioBands(const int* /*values*/, int /*count*/) {}

    profiles::LightModeRecord GetLightParams() const;

    // ---- Set up by the device manager, in this order ----
    void SetLayoutFileName(std::string name) { m_layoutFile = std::move(name); }
    void SetMainWindow(platform::WindowHandle window) { m_mainWindow = window; }
    void SetKeyCount(int count);
    void SetLightCount(int count);
    void SetSelectorIndex(int index) { m_selectorIndex = index; }
    void SetWirelessCapable(bool on);
    void SetCurrentProfileName(std::string name) { m_profileName = std::move(name); }
    void SetDeviceFolderName(std::string name) { m_deviceFolder = std::move(name); }
    void SetPowerItem(ui::CControlUI* item);
    void SetIdentity(const devicemanager::DeviceEntry& entry);
    // SetOptionValue (virtual, above).
    void SetLightConfigName(std::string name) { m_lightConfig = std::move(name); }
    // InitDevicePage (virtual, above).

    // ---- Further setters ----
    void SetSelectorItem(ui::CControlUI* item) { m_selectorItem = item; }
    void SetLightingPanel(ILightingPanel* panel) { m_lightingPanel = panel; }
    void SetProfilePanel(ui::CControlUI* panel) { m_profilePanel = panel; }
    // Ignored unless the device is wireless-capable.
    void SetPowerStatusPaused(bool on);
    // On a cable keyboard, switching it on also tells the keyboard that the
    // host drives its lights (every time: after a resume the keyboard needs it again).
    void SetHostLighting(bool on);
    void SetWindowActive(bool on) { m_windowActive.store(on); }
    // Whether the main window is on screen. Unlike the window-active flag it
    // stays set while the pointer is elsewhere. While it is clear and the
    // device does not take the frames itself, the light thread rests.
    void SetWindowShown(bool on);
    void SetSynchronised(bool on) { m_synchronised.store(on); }

    // ---- Accessors ----
    const std::string& GetLayoutFileName() const { return m_layoutFile; }
    platform::WindowHandle GetMainWindow() const { return m_mainWindow; }
    int GetKeyCount() const { return static_cast<int>(m_keyButtons.size()); }
    int GetLightCount() const { return static_cast<int>(m_lightButtons.size()); }
    int GetSelectorIndex() const { return m_selectorIndex; }
    bool IsWirelessCapable() const { return m_wirelessCapable.load(); }
    const std::string& GetCurrentProfileName() const { return m_profileName; }
    const std::string& GetDeviceFolderName() const { return m_deviceFolder; }
    const std::string& GetLightConfigName() const { return m_lightConfig; }
    ui::CControlUI* GetPowerItem() const { return m_powerItem; }
    ui::CControlUI* GetSelectorItem() const { return m_selectorItem; }
    ui::CControlUI* GetPicturePanel() const { return m_picturePanel; }
    ILightingPanel* GetLightingPanel() const { return m_lightingPanel; }
    ui::CControlUI* GetProfilePanel() const { return m_profilePanel; }
    const devicemanager::DeviceEntry& GetIdentity() const { return m_identity; }
    int GetTypeCode() const { return m_typeCode.load(); }
    int GetSubCode() const { return m_subCode; }
    int GetSelectedKey() const { return m_selectedKey; }
    int GetSelectedKey2() const { return m_selectedKey2; }
    bool IsPowerStatusPaused() const { return m_powerPaused.load(); }
    bool IsHostLighting() const { return m_hostLighting.load(); }
    bool IsWindowActive() const { return m_windowActive.load(); }
    bool IsWindowShown() const { return m_windowShown.load(); }
    // Whether anybody takes the light frames: the window's picture or the
    // device itself.
    bool LightFramesWanted() const { return IsWindowShown() || StreamsLightFrames(); }
    bool IsSynchronised() const { return m_synchronised.load(); }
    // Null where the picture has no button of that number.
    ui::CDeviceKeyButtonUI* GetKeyButton(int index) const;
    ui::CDeviceKeyButtonUI* GetLightButton(int index) const;
    const std::map<int, int>& GetLightMap() const { return m_lightMap; }
    int GetOptionValueField() const { return m_optionValue; }

    transport::CDeviceProtocol& CommandProtocol() { return m_command; }
    transport::CDeviceProtocol& EventProtocol() { return m_event; }
    LightPreviewEngine& Preview() { return m_preview; }

    // ---- Device folders ----
    // The user's folder of this device kind, created on demand; empty when the
    // device folder name would not stay one folder inside the data folder.
    std::filesystem::path UserFolder() const;
    static std::filesystem::path DefaultDataFolder();
    std::filesystem::path DefaultProfilePath() const;

    // ---- Threads ----
    // The light thread: it sleeps to the next timer tick, counts ticks per
    // effect step by the speed level, steps the current effect and hands the
    // frame to the device. While the command protocol is closed it idles;
    // while nobody sees its frames (SetWindowShown) it rests.
    void StartLightThread();
    void StopLightThread();
    bool IsLightThreadRunning() const { return m_lightThread.Running(); }
    // Tick passes the light thread has made (diagnostics and tests).
    uint64_t LightPasses() const { return m_lightPasses.load(); }

    // Opens the event collection of that slot for reading and starts its
    // event thread (also when the open fails: the thread then only waits to
    // be stopped). Device type codes 6 and 9 use the receiver slot.
    bool OpenEventCollection(std::string_view path, int kind = 0);
    // Stops the slot's event thread and closes its collection.
    void CloseEventCollection(int kind = 0);
    bool IsEventCollectionOpen(int kind = 0) const;
    static EventSlot SlotOfKind(int kind);

    // ---- Notifications ----
    // Hands a notification to this device's map when its sender lies in the
    // device's own page.
    void Notify(ui::TNotifyUI& msg) override;
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

protected:
    // The picture scan of InitDevicePage, shared with the device classes.
    void ScanPicture();
    // The lighting parameters as the effect steps take them.
    PreviewLighting CurrentLighting() const;

    // Light thread hooks. Which effect the current lighting parameters select.
    virtual PreviewEffect CurrentEffect() const { return PreviewEffect::Static; }
    // Ticks per effect step at a speed level.
    virtual int PassesPerStep(int speedLevel) const;
    // Runs the current effect's step.
    virtual void StepCurrentEffect();
    // The device frame after each pass (light thread); the base sends nothing.
    virtual void SendLightFrame(std::span<const uint8_t> /*frame*/) {}
    // Whether the device takes the light thread's frames now (host-driven
    // lighting); a device that does keeps animating with the window hidden.
    // A class whose answer turns true calls WakeLightThread.
    virtual bool StreamsLightFrames() const { return false; }
    void WakeLightThread();

    // Event thread hook: the first usage of each input report (never 0).
    // The base asks the selector item to re-read the device on 0x401 and 0x402.
    virtual void OnEventUsage(uint16_t usage, EventSlot slot);
    // Event thread: starts the selector item's refresh timer, on the UI thread.
    void RequestRefresh(uint32_t delayMs);
    uint32_t RefreshDelayMs() const;

    // The device frame PresentFrame last built (UI thread).
    std::span<const uint8_t> PresentedFrame() const {
        return {m_presentedFrame.data(), m_presentedFrameSize};
    }

    // One lighting record per light, zeroed when the light count is set.
    std::vector<profiles::LightModeRecord>& LightRecords() { return m_lightRecords; }

    // Locks for the subclasses' profile data and light lists.
    platform::CriticalSection m_profileLock;
    platform::CriticalSection m_lightListLock;

private:
    struct EventChannel {
        std::atomic<bool> open{false};
        platform::WorkerThread thread;
    };

    void LightThreadBody(platform::Event& stop, int64_t firstTickUs);
    void EventThreadBody(platform::Event& stop, EventSlot slot);
    transport::CHidChannel& EventChannelOf(EventSlot slot);
    ui::CTabLayoutUI* FunctionSwitch();
    ui::CTabLayoutUI* KeyFunctionSwitch();
    bool EnsureLoopTarget();

    transport::CDeviceProtocol m_command;
    transport::CDeviceProtocol m_event;
    std::atomic<bool> m_synchronised{false};
    ILightingPanel* m_lightingPanel = nullptr;
    ui::CControlUI* m_profilePanel = nullptr;
    ui::CControlUI* m_picturePanel = nullptr;
    ui::CControlUI* m_selectorItem = nullptr;
    ui::CControlUI* m_powerItem = nullptr;
    ui::CTabLayoutUI* m_functionSwitch = nullptr;
    ui::CTabLayoutUI* m_keyFunctionSwitch = nullptr;
    std::string m_layoutFile;
    platform::WindowHandle m_mainWindow = platform::kNoWindow;
    std::string m_profileName;
    std::string m_lightConfig;
    std::string m_deviceFolder;
    std::atomic<int> m_typeCode{0};
    int m_subCode = 0;
    int m_selectorIndex = -1;
    int m_selectedKey = -1;
    int m_selectedKey2 = -1;
    int m_functionPage = 1;
    std::vector<ui::CDeviceKeyButtonUI*> m_keyButtons;
    std::vector<ui::CDeviceKeyButtonUI*> m_lightButtons;
    std::map<int, int> m_lightMap;
    std::vector<profiles::LightModeRecord> m_lightRecords;  // one per light

    mutable std::mutex m_paramsMutex;  // guards m_lightParams
    profiles::LightModeRecord m_lightParams;
    profiles::AudioLightRecord m_audioLight;
    int m_optionValue = 0;

    std::atomic<bool> m_hostLighting{true};
    std::atomic<bool> m_windowActive{true};
    std::atomic<bool> m_windowShown{true};
    std::atomic<bool> m_wirelessCapable{false};
    std::atomic<bool> m_powerPaused{false};
    devicemanager::DeviceEntry m_identity;

    LightPreviewEngine m_preview;
    // Reused every frame: the UI thread's copy of the LED list and frame.
    std::vector<LedColour> m_presentLeds;
    std::array<uint8_t, kReactiveLights * 3> m_presentedFrame{};
    size_t m_presentedFrameSize = 0;

    platform::WorkerThread m_lightThread;
    platform::Event m_lightWake{platform::Event::ResetMode::Auto};
    // The tick a resting light thread goes on from, taken by whoever wakes it.
    std::atomic<int64_t> m_lightResumeTickUs{0};
    std::atomic<uint64_t> m_lightPasses{0};
    std::array<EventChannel, 2> m_eventChannels;

    // Set on the UI thread, read by the event threads.
    std::atomic<platform::MessageLoop*> m_loop{nullptr};
    std::atomic<platform::WindowHandle> m_loopHandle{platform::kNoWindow};
};

// Registers the device base with the control factory ("CNorvalisUSBDevice", and
// its tag "NorvalisUSBDevice").
void RegisterDeviceControls();
// By layout tag ("NorvalisUSBDevice"; case ignored); null for any other tag.
std::unique_ptr<ui::CControlUI> CreateDeviceControl(std::string_view tag);

}  // namespace devices
