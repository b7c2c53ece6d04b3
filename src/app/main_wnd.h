#pragma once

// CMainWnd: the program's one top-level window. It builds the main layout,
// routes the notifications of its controls by sender name, answers the
// program's window messages, owns the worker slots and the tray icon, and
// keeps itself fitted to its monitor. Closing it hides it; the tray menu's
// "exit" ends the program.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "app/devicemanager/device_option_ui.h"
#include "app/devicemanager/device_table.h"
#include "app/devicemanager/discovery.h"
#include "app/devicemanager/power_item_ui.h"
#include "app/language_settings.h"
#include "app/ui_backend.h"
#include "app/worker_slots.h"
#include "platform/message_bus.h"
#include "ui/menu.h"
#include "ui/notify_pump.h"
#include "ui/resource_manager.h"
#include "ui/window.h"

namespace app {

class CMainWnd;

// Window timers.
inline constexpr uintptr_t kTimerFitWindow = 1011;
inline constexpr uintptr_t kTimerTrayMenu = 1032;
inline constexpr uintptr_t kTimerProfileSwitch = 1055;
inline constexpr uintptr_t kTimerGameLighting = 1066;
inline constexpr uintptr_t kTimerAudioQueues = 1067;
// Ends the short stay on top after the window was raised.
inline constexpr uintptr_t kTimerDropTopmost = 1099;
// Asks a device newly on its receiver whether its wireless side answers.
inline constexpr uintptr_t kTimerCheckLink = 1100;
inline constexpr int kCheckLinkAttempts = 26;
inline constexpr uint32_t kCheckLinkIntervalMs = 50;

inline constexpr int kIconId = 107;
inline constexpr const char* kTrayMenuSkin = "menu.xml";
inline constexpr const char* kTextHostLightingOn = "控制灯光";
inline constexpr const char* kTextHostLightingOff = "不控制灯光";
inline constexpr const char* kFontFaceForLanguages = "Verdana Unicode MS";

// Buffers the audio recorder fills through copy-data blocks.
inline constexpr size_t kSpectrumValues = 500;
inline constexpr size_t kBandValues = 6;

// How a route matches the sender's name.
enum class SenderMatch {
    Exact,     // the whole name
    Numbered,  // the name followed by a decimal number
    TitleBar,  // the remembered title-bar control of that name
};

using RouteHandler = void (CMainWnd::*)(ui::TNotifyUI& msg, int number);

struct NotifyRoute {
    std::string_view type;
    std::string_view sender;
    SenderMatch match;
    RouteHandler handler;
    std::string_view handlerName;
};

// What the window needs from around it.
struct MainWndEnvironment {
    const IDesktopInfo* desktop = nullptr;  // required
    // Reaches other programs; null when the bus cannot be used.
    const platform::MessageBus* bus = nullptr;
    // The language list and the saved choice; null leaves the language alone.
    LanguageSettings* language = nullptr;
    // Where discovery looks for devices; null: the HID channel (hidraw nodes and
    // simulated devices).
    devicemanager::IHidScanner* scanner = nullptr;
    // False: no discovery thread runs; the owner drives the passes on the UI
    // thread with RunDiscoveryPass (tests on the virtual clock).
    bool discoveryThread = true;
};

// The "mainpage" virtual window's notification map.
class CMainPage : public ui::CNotifyPump {};

class CMainWnd : public ui::WindowImplBase, public ui::IQueryControlText {
public:
    explicit CMainWnd(MainWndEnvironment env);
    ~CMainWnd() override;

    std::string GetWindowClassName() const override { return "MainWnd"; }
    std::string GetSkinFile() override { return "XML_MAIN"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    std::unique_ptr<ui::CControlUI> CreateControl(std::string_view tag) override;
    intptr_t HandleCustomMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override;
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    std::string QueryControlText(std::string_view id, std::string_view type) override;

    // The routing tables, in matching order.
    static std::span<const NotifyRoute> NotifyRoutes();
    static std::span<const NotifyRoute> ClickRoutes();
    // Name of the handler the last routed notification reached (empty: none).
    std::string_view LastRoute() const { return m_lastRoute; }

    // Starts a worker in one of the twenty slots.
    bool StartWorker(size_t slot, std::string name, platform::WorkerThread::Body body);
    bool WorkerRunning(size_t slot) const { return m_workers.Running(slot); }

    // Language (the saved one is applied while the window initialises).
    void ApplyLanguage(int index);
    int CurrentLanguageIndex() const { return m_languageIndex; }
    // Rebuilds the numbered font table with one face.
    void RebuildFonts(std::string_view face);

    // Moves and scales the window to suit its monitor.
    void FitToMonitor();
    // What the activation message does: the notice, then to the front.
    void OnActivation();

    uint32_t HostLighting() const { return m_hostLighting; }
    bool IsAwake() const { return m_awake; }
    bool IsWindowActive() const { return m_windowActive; }
    bool DisplayChanged() const { return m_displayChanged; }
    bool KeyCaptureHookInstalled() const { return m_keyCaptureHook; }
    bool AudioDataPending() const { return m_audioDataPending; }
    const std::array<int32_t, kSpectrumValues>& Spectrum() const { return m_spectrum; }
    const std::array<int32_t, kBandValues>& Bands() const { return m_bands; }
    const ui::CTrayIcon& Tray() const { return m_tray; }
    ui::CMenuWnd* OpenMenu() const { return m_menu && m_menu->IsOpen() ? m_menu.get() : nullptr; }
    const devicemanager::DeviceList& Devices() const { return m_deviceList; }

    // ---- Device manager ----
    // One discovery pass on the UI thread (when no discovery thread runs);
    // false once enumeration has failed.
    bool RunDiscoveryPass();
    // The device object, selector item and power item of a kind row; null
    // until the kind's UI is built.
    devices::CNorvalisUSBDevice* DeviceOfKind(int row) const;
    devicemanager::CDeviceOptionUI* SelectorItem(int row) const;
    devicemanager::CMpDevicePowerUI* PowerItem(int row) const;
    devices::CNorvalisUSBDevice* CurrentDevice() const { return m_currentDevice; }
    // What synchronised lighting was last offered (at least two visible items).
    bool SynchronisationOffered() const { return m_syncOffered; }

protected:
    intptr_t OnClose(bool& handled) override;
    intptr_t OnDestroy(bool& handled) override;
    intptr_t OnTimer(uintptr_t id, bool& handled) override;
    void OnFinalMessage() override;

private:
    // Notifications.
    void OnWindowInit();
    bool Route(std::span<const NotifyRoute> routes, ui::TNotifyUI& msg);
    void OnClick(ui::TNotifyUI& msg);

    // Window messages.
    intptr_t OnAwakeMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam, bool& handled);
    void OnTrayIcon(intptr_t mouseMsg);
    void OnMenuCommand(const ui::MenuCommand& cmd);
    intptr_t OnCopyData(const platform::CopyDataBlock* block);
    void OnPowerBroadcast(uintptr_t event);
    void OnDpiChanged(int dpi, const ui::UiRect* suggested);
    void ReportToDaruVivo();
    void SetHostLighting(uint32_t flag);
    void OpenTrayMenu();
    void ShowNoDeviceNotice();
    void CloseChildWindows();
    void HideMainWindow();
    void RaiseBriefly();
    void BroadcastHostLighting(uint32_t flag) const;

    // Handlers of the routing tables. Those of later work live together in
    // main_wnd_later.cpp.
public:
    void OnNothing(ui::TNotifyUI& msg, int number);
    void OnCloseButton(ui::TNotifyUI& msg, int number);
    void OnMinimizeButton(ui::TNotifyUI& msg, int number);
    void OnMaximizeButton(ui::TNotifyUI& msg, int number);
    void OnRestoreButton(ui::TNotifyUI& msg, int number);
    void OnNoDeviceOk(ui::TNotifyUI& msg, int number);
    void OnControlLightStatus(ui::TNotifyUI& msg, int number);
    void OnSystemDeviceSettings(ui::TNotifyUI& msg, int number);
    void OnColourLabelSlider(ui::TNotifyUI& msg, int number);
    void OnProfileComboItem(ui::TNotifyUI& msg, int number);
    void OnKeyCaptureEditLeft(ui::TNotifyUI& msg, int number);

    void OnSkinButton(ui::TNotifyUI& msg, int number);
    void OnSetButton(ui::TNotifyUI& msg, int number);
    void OnMouseSettings(ui::TNotifyUI& msg, int number);
    void OnMouseDpiDrag(ui::TNotifyUI& msg, int number);
    void OnKeyboardSettings(ui::TNotifyUI& msg, int number);
    void OnShootingEditor(ui::TNotifyUI& msg, int number);
    void OnHeadsetPanels(ui::TNotifyUI& msg, int number);
    void OnKeyAssignment(ui::TNotifyUI& msg, int number);
    void OnDeviceSelect(ui::TNotifyUI& msg, int number);
    void OnPageTab(ui::TNotifyUI& msg, int number);
    void OnLightingChange(ui::TNotifyUI& msg, int number);
    void OnAudioLighting(ui::TNotifyUI& msg, int number);
    void OnCustomLighting(ui::TNotifyUI& msg, int number);
    void OnMacroEditor(ui::TNotifyUI& msg, int number);
    void OnEqualiserPresets(ui::TNotifyUI& msg, int number);
    void OnKeyClick(ui::TNotifyUI& msg, int number);
    void OnColourOption(ui::TNotifyUI& msg, int number);
    void OnAudioColourOption(ui::TNotifyUI& msg, int number);
    void OnDpiColourOption(ui::TNotifyUI& msg, int number);
    void OnDefaultButton(ui::TNotifyUI& msg, int number);
    void OnResetRepeat(ui::TNotifyUI& msg, int number);
    void OnProfileCommand(ui::TNotifyUI& msg, int number);
    void OnKeyCommand(ui::TNotifyUI& msg, int number);
    void OnMacroCommand(ui::TNotifyUI& msg, int number);
    void OnShootingCommand(ui::TNotifyUI& msg, int number);
    void OnLightingCommand(ui::TNotifyUI& msg, int number);
    void OnEqualiserCommand(ui::TNotifyUI& msg, int number);
    void OnProfileSpread(ui::TNotifyUI& msg, int number);
    void OnMacroMoveInsert(ui::TNotifyUI& msg, int number);
    void OnDeviceStep(ui::TNotifyUI& msg, int number);
    void OnAudioBackgroundOff(ui::TNotifyUI& msg, int number);
    void OnMusicSetting(ui::TNotifyUI& msg, int number);
    void OnMacroStepMenu(ui::TNotifyUI& msg, int number);
    void OnMouseSelectionEnd(ui::TNotifyUI& msg, int number);

private:
    // Later work: devices, child windows, hook, audio recorder.
    void RegisterForSkinChanges();
    void BuildDeviceUis();
    void StartDiscovery();
    void StartRecorderWatchdog();
    void StartSyncLighting();
    void PrepareAudioFiles();
    void ConnectAudioRecorder();
    void DropAudioQueues();
    void ProcessSpectrum();
    void HandBandsToKeyboard();
    void SwitchToChosenProfile();
    void RestoreGameLighting();
    void ForwardToSettingsWindow(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    void OnDeviceAttach(uintptr_t wParam, intptr_t lParam);
    void OnDeviceDetach(uintptr_t wParam, intptr_t lParam);
    void OnSelectorItem(uintptr_t wParam, intptr_t lParam);
    void OpenSettingsWindow(bool centred);
    void OpenAboutWindow();
    void OnMacroMenuItem(const ui::MenuCommand& cmd);
    void SetKeyCaptureHook(bool install);
    bool AnySelectorItemVisible() const;

    // Device manager (main_wnd_devices.cpp).
    class DiscoverySink;
    struct KindUi {
        devices::CNorvalisUSBDevice* device = nullptr;
        devicemanager::CDeviceOptionUI* selector = nullptr;
        devicemanager::CMpDevicePowerUI* power = nullptr;
    };
    bool BuildDeviceUi(int row, const devicemanager::DeviceEntry& entry);
    void RemoveDeviceUis();
    std::unique_ptr<ui::CControlUI> BuildLayout(std::string_view file);
    void AttachCommand(size_t index, const devicemanager::DeviceEntry& entry, int row);
    void SwitchConnection(size_t index);
    void ShowItem(int row, bool visible, bool select);
    void HideItem(int row);
    int SelectedItemRow() const;
    void OnCheckLinkTimer();
    void OfferSynchronisation(bool offer) { m_syncOffered = offer; }
    void TellDevicesHostLighting(uint32_t flag);
    void TellDevicesWindowActive(bool active);
    void TellDevicesWindowShown(bool shown);
    void NoteAudioData();
    void ClearDevicesPowerPause();
    void RefreshDeviceTexts();

    MainWndEnvironment m_env;
    std::array<KindUi, devicemanager::kDeviceKinds.size()> m_kindUis{};
    devices::CNorvalisUSBDevice* m_currentDevice = nullptr;
    bool m_syncOffered = false;
    // The device whose link is being asked after a switch to its receiver.
    int m_linkCheckRow = -1;
    int m_linkChecksLeft = 0;
    std::unique_ptr<devicemanager::IHidScanner> m_ownScanner;
    std::unique_ptr<devicemanager::IDiscoverySink> m_discoverySink;
    std::unique_ptr<devicemanager::Discovery> m_discovery;
    CMainPage m_mainPage;
    std::unique_ptr<platform::BusEndpoint> m_endpoint;
    devicemanager::DeviceList m_deviceList;
    WorkerSlots m_workers;
    ui::CTrayIcon m_tray;
    std::unique_ptr<ui::CMenuWnd> m_menu;
    std::array<ui::CWindowWnd*, 4> m_childWindows{};

    ui::CControlUI* m_closeBtn = nullptr;
    ui::CControlUI* m_maxBtn = nullptr;
    ui::CControlUI* m_restoreBtn = nullptr;
    ui::CControlUI* m_minBtn = nullptr;
    ui::CControlUI* m_skinBtn = nullptr;
    ui::CControlUI* m_gameModeBtn = nullptr;
    ui::CControlUI* m_cloudBtn = nullptr;
    ui::CControlUI* m_smartEyesBtn = nullptr;
    ui::CControlUI* m_setBtn = nullptr;

    uint32_t m_hostLighting = 1;
    bool m_windowActive = false;
    // What the devices were last told about the window being on screen.
    bool m_devicesShown = true;
    bool m_displayChanged = false;
    bool m_awake = true;
    bool m_keyCaptureHook = false;
    bool m_audioDataPending = false;
    int64_t m_audioDataMs = 0;
    int m_languageIndex = -1;
    ui::UiSize m_screenSize;
    std::string_view m_lastRoute;
    std::array<int32_t, kSpectrumValues> m_spectrum{};
    std::array<int32_t, kBandValues> m_bands{};
};

// The main window's handle, for threads that post to it (0 while there is none).
platform::WindowHandle MainWindowHandle();

}  // namespace app
