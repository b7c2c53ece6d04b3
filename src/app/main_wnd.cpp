#include "app/main_wnd.h"

#include <algorithm>
#include <cstring>

#include "app/app_messages.h"
#include "app/daruvivo_report.h"
#include "app/window_geometry.h"
#include "controls/device_picture.h"
#include "controls/hand_image_buttons.h"
#include "devices/norvalis_usb_device.h"
#include "platform/trace.h"
#include "ui/builder.h"
#include "ui/controls.h"

namespace app {

namespace {

std::atomic<platform::WindowHandle> g_mainWindow{platform::kNoWindow};

constexpr uint32_t kMsgHideUntilActivated = platform::kMsgApp + 0x10;

// Tags the layouts use for the program's own controls. A row with a layout
// file is a container built from that file; a row without one names a class
// of later work and creates nothing until that class exists.
struct ControlTag {
    std::string_view tag;
    ui::CControlFactory::CreateFn create;
    std::string_view layout;
};

template <class T>
std::unique_ptr<ui::CControlUI> MakeControl() {
    return std::make_unique<T>();
}

constexpr ControlTag kControlTags[] = {
    {"CircleProgress", nullptr, {}},
    {"SelectPanel", &MakeControl<ui::CSelectPanelUI>, {}},
    {"DeviceKeyButton", &MakeControl<ui::CDeviceKeyButtonUI>, {}},
    {"HandImgButton", &MakeControl<ui::CHandImgButtonUI>, {}},
    {"AudioRecord", nullptr, {}},
    {"HandImgSelectButton", &MakeControl<ui::CHandImgSelectButtonUI>, {}},
    {"RedioMacroButton", &MakeControl<ui::CRedioMacroButtonUI>, {}},
    {"ComboEditContainerElement", nullptr, {}},
    // The device pages: each kind's class takes its row's place when it arrives;
    // until then the device base serves the page.
    {"NorvalisMousePadDevice", &MakeControl<devices::CNorvalisUSBDevice>, {}},
    {"NorvalisDO6533Device", &MakeControl<devices::CNorvalisUSBDevice>, {}},
    {"NorvalisMouseDevice", &MakeControl<devices::CNorvalisUSBDevice>, {}},
    {"NorvalisKeyboardDevice", &MakeControl<devices::CNorvalisUSBDevice>, {}},
    {"DeviceProfile", nullptr, {}},
    {"LightControl", nullptr, {}},
    {"MagicControl", nullptr, {}},
    {"Voice6533Control", nullptr, {}},
    {"KeySetControl", nullptr, {}},
    {"ShootControl", nullptr, {}},
    {"DeviceProfileUI", nullptr, "XML\\CustomControlXML\\DeviceProfile.xml"},
    {"LightSetControlUI", nullptr, "XML\\CustomControlXML\\LightControl.xml"},
    {"Voice6533SetControlUI", nullptr, "XML\\CustomControlXML\\Voice6533Control.xml"},
    {"MagicSetControlUI", nullptr, "XML\\CustomControlXML\\MagicControl.xml"},
    {"KeySetControlUI", nullptr, "XML\\CustomControlXML\\KeySetControl.xml"},
    {"MacroSetControlUI", nullptr, "XML\\CustomControlXML\\MacroControl.xml"},
    {"ShootKeySetControlUI", nullptr, "XML\\CustomControlXML\\ShootControl.xml"},
    {"VirtualSetControlUI", nullptr, "XML\\CustomControlXML\\VirtualSet.xml"},
    // The device selector's items.
    {"DeviceOption", &MakeControl<devicemanager::CDeviceOptionUI>, {}},
    {"MpDevicePower", &MakeControl<devicemanager::CMpDevicePowerUI>, {}},
};

// The number after `prefix` in `name`, or -1 when the rest is not a decimal number.
int NumberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 9)
        return -1;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

platform::WindowHandle MainWindowHandle() {
    return g_mainWindow.load();
}

CMainWnd::CMainWnd(MainWndEnvironment env) : m_env(env) {
    AddVirtualWnd("mainpage", &m_mainPage);
    // The window's own map entries, for any sender.
    OnNotify(ui::notify::kItemActivate, [this](ui::TNotifyUI& msg) {
        if (msg.pSender != nullptr && msg.pSender->GetName() == "macro_action")
            OnMacroStepMenu(msg, -1);
    });
    OnNotify(ui::notify::kSetFocus, [this](ui::TNotifyUI& msg) {
        if (msg.pSender != nullptr && msg.pSender->GetName() == "keyset_keyboard_text_edit")
            SendMessage(kMsgKeyCaptureHook, 1, 0);
    });
}

CMainWnd::~CMainWnd() {
    // Menus and the bus endpoint go before the window they talk to.
    if (m_menu && m_menu->IsOpen())
        m_menu->Close(0);
    m_menu.reset();
    m_endpoint.reset();
    m_workers.StopAll(m_loop);
    RemoveDeviceUis();
    m_tray.DeleteTrayIcon();
    RemoveVirtualWnd("mainpage");
    if (ui::CResourceManager::GetInstance() != nullptr)
        ui::CResourceManager::GetInstance()->SetTextQueryInterface(nullptr);
    platform::WindowHandle expected = m_handle;
    g_mainWindow.compare_exchange_strong(expected, platform::kNoWindow);
}

std::string CMainWnd::QueryControlText(std::string_view, std::string_view) {
    return {};
}

bool CMainWnd::StartWorker(size_t slot, std::string name, platform::WorkerThread::Body body) {
    return m_workers.Start(slot, std::move(name), std::move(body));
}

std::unique_ptr<ui::CControlUI> CMainWnd::CreateControl(std::string_view tag) {
    for (const ControlTag& row : kControlTags) {
        if (!ui::EqualsNoCase(row.tag, tag))
            continue;
        if (row.create != nullptr)
            return row.create();
        if (row.layout.empty())
            return nullptr;
        ui::CDialogBuilder builder;
        auto built = builder.Create(row.layout, this, &m_pm);
        if (!built) {
            platform::Trace("MAIN_WND cannot build " + std::string(tag) + ": " +
                            built.error().message);
            return nullptr;
        }
        return std::move(*built);
    }
    return nullptr;
}

void CMainWnd::InitWindow() {
    platform::Trace("InitWindow");
    ui::CResourceManager* resources = ui::CResourceManager::GetInstance();
    resources->SetTextQueryInterface(this);
    if (platform::Status loaded = resources->LoadLanguage("lan_cn.xml"); !loaded)
        platform::Trace("MAIN_WND language: " + loaded.error().message);
    RegisterForSkinChanges();
    m_closeBtn = FindControl("closebtn");
    m_maxBtn = FindControl("maxbtn");
    m_restoreBtn = FindControl("restorebtn");
    m_minBtn = FindControl("minbtn");
    m_skinBtn = FindControl("skinbtn");
    m_gameModeBtn = FindControl("gamemodebtn");
    m_cloudBtn = FindControl("cloudbtn");
    m_smartEyesBtn = FindControl("smarteyesbtn");
    m_setBtn = FindControl("setbtn");
    g_mainWindow.store(m_handle);
    SetIcon(kIconId);
    m_tray.CreateTrayIcon(m_handle, kIconId, kProductWord, kMsgTrayIcon);
    if (m_env.bus != nullptr) {
        auto endpoint =
            platform::BusEndpoint::Open(*m_env.bus, std::string(kProductWord), *m_loop, m_handle);
        if (endpoint)
            m_endpoint = std::move(*endpoint);
        else
            platform::Trace("MAIN_WND no bus endpoint: " + endpoint.error().message);
    }
    if (m_env.language != nullptr)
        ApplyLanguage(m_env.language->GetSavedLanguageIndex());
}

void CMainWnd::OnWindowInit() {
    BroadcastHostLighting(1);
    // The device list already holds its copy of the supported-device table.
    BuildDeviceUis();
    const ui::UiRect monitor = m_env.desktop->MonitorRect(GetWindowRect());
    m_screenSize = {monitor.Width(), monitor.Height()};
    // The window is created visible and shown once it is set up; the hiding
    // waits until creation has shown it.
    PostMessage(kMsgHideUntilActivated);
    StartDiscovery();
    StartRecorderWatchdog();
    StartSyncLighting();
    PrepareAudioFiles();
    SetTimer(kTimerFitWindow, 100, platform::TimerMode::OneShot);
}

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    const std::string sender = msg.pSender != nullptr ? msg.pSender->GetName() : std::string();
    if (msg.sType != ui::notify::kTimer) {
        platform::Trace(msg.sType);
        platform::Trace(sender);
    }
    m_lastRoute = {};
    if (msg.sType == ui::notify::kWindowInit) {
        OnWindowInit();
    } else if (msg.sType == ui::notify::kWindowSize) {
        if (ui::CControlUI* root = FindControl("root"))
            root->NeedUpdate();
    } else if (msg.sType == ui::notify::kClick) {
        OnClick(msg);
    } else if (msg.sType == "click_select_end") {
        // The keyboard's picture needs nothing at the end of a selection.
        if (sender == "mouse_device_key_light")
            OnMouseSelectionEnd(msg, -1);
    } else if (msg.sType == "click_wpremove" || msg.sType == "click_wpedit") {
        return;
    } else {
        Route(NotifyRoutes(), msg);
    }
    WindowImplBase::Notify(msg);
}

bool CMainWnd::Route(std::span<const NotifyRoute> routes, ui::TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return false;
    const std::string& name = msg.pSender->GetName();
    for (const NotifyRoute& route : routes) {
        if (route.type != msg.sType)
            continue;
        int number = -1;
        switch (route.match) {
            case SenderMatch::Exact:
                if (name != route.sender)
                    continue;
                break;
            case SenderMatch::Numbered:
                number = NumberAfter(name, route.sender);
                if (number < 0)
                    continue;
                break;
            case SenderMatch::TitleBar:
                if (name != route.sender || msg.pSender != FindControl(route.sender))
                    continue;
                break;
        }
        m_lastRoute = route.handlerName;
        (this->*route.handler)(msg, number);
        return true;
    }
    return false;
}

void CMainWnd::OnClick(ui::TNotifyUI& msg) {
    Route(ClickRoutes(), msg);
}

// Window messages.

intptr_t CMainWnd::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    const intptr_t result = ui::WindowImplBase::HandleMessage(msg, wParam, lParam);
    // Whichever message showed, hid or minimised the window, the devices learn
    // whether their pictures can be seen.
    TellDevicesWindowShown(IsVisible() && !IsMinimized());
    return result;
}

intptr_t CMainWnd::HandleCustomMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                       bool& handled) {
    handled = true;
    const RegisteredMessages& registered = Messages();
    if (msg == platform::kMsgClose && !m_closing) {
        // Asked to close from outside (the session ends): the program ends.
        CloseChildWindows();
        Close(0);
        return 0;
    }
    if (msg == kMsgHideUntilActivated) {
        Host().Show(ui::ShowState::Hidden, false);
        return 0;
    }
    if (msg == platform::kMsgActivate) {
        m_windowActive = wParam != 0;
        TellDevicesWindowActive(m_windowActive);
        handled = false;
        return 0;
    }
    if (msg == kMsgMouseHover || msg == kMsgMouseLeave) {
        platform::Trace(msg == kMsgMouseHover ? "MAIN_WND mouse hover" : "MAIN_WND mouse leave");
        TellDevicesWindowActive(msg == kMsgMouseHover);
        handled = false;
        return 0;
    }
    if (msg != 0 && msg == registered.activation.load()) {
        OnActivation();
        return 0;
    }
    if (msg != 0 && msg == registered.guid[0].load()) {
        ForwardToSettingsWindow(msg, wParam, lParam);
        return 0;
    }
    if (msg != 0 && msg == registered.guid[2].load()) {
        if (wParam == 1 && (lParam == 0 || lParam == 1))
            SetHostLighting(static_cast<uint32_t>(lParam));
        return 0;
    }
    if (msg != 0 && msg == registered.guid[3].load()) {
        ReportToDaruVivo();
        return 0;
    }
    if (msg == kMsgPowerBroadcast) {
        OnPowerBroadcast(wParam);
        return 1;
    }
    return OnAwakeMessage(msg, wParam, lParam, handled);
}

intptr_t CMainWnd::OnAwakeMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam, bool& handled) {
    switch (msg) {
        case kMsgDeviceAttach:
        case kMsgDeviceDetach:
        case kMsgOpenSettingsCentred:
        case kMsgClearSetButtonImage:
        case kMsgShowSelectorItem:
        case kMsgSwitchLanguage:
        case kMsgShowSettingProgress:
        case kMsgKeyCaptureHook:
        case ui::kMsgDpiChanged:
        case kMsgTrayIcon:
        case ui::kMsgMenuClick:
        case platform::kMsgTimer:
        case platform::kMsgCopyData:
        case kMsgDisplayChange:
            break;
        default:
            handled = false;
            return 0;
    }
    if (!m_awake) {
        // The system is going to sleep: nothing of this is acted on.
        handled = true;
        return 0;
    }
    handled = true;
    switch (msg) {
        case kMsgDeviceAttach:
            OnDeviceAttach(wParam, lParam);
            return 0;
        case kMsgDeviceDetach:
            OnDeviceDetach(wParam, lParam);
            return 0;
        case kMsgOpenSettingsCentred:
            OpenSettingsWindow(true);
            return 0;
        case kMsgClearSetButtonImage:
            if (m_setBtn != nullptr)
                m_setBtn->SetForeImage("");
            return 0;
        case kMsgShowSelectorItem:
            OnSelectorItem(wParam, lParam);
            return 0;
        case kMsgSwitchLanguage:
            ApplyLanguage(static_cast<int>(wParam));
            RefreshDeviceTexts();
            return 0;
        case kMsgShowSettingProgress:
            if (ui::CControlUI* progress = FindControl("setting_progress"))
                progress->SetVisible(true);
            return 0;
        case kMsgKeyCaptureHook:
            if (wParam == 0 || wParam == 1)
                SetKeyCaptureHook(wParam == 1);
            return 0;
        case ui::kMsgDpiChanged:
            OnDpiChanged(static_cast<int>(wParam & 0xFFFF),
                         reinterpret_cast<const ui::UiRect*>(lParam));
            return 0;
        case kMsgTrayIcon:
            OnTrayIcon(lParam);
            return 0;
        case ui::kMsgMenuClick:
            if (lParam != 0)
                OnMenuCommand(*reinterpret_cast<const ui::MenuCommand*>(lParam));
            return 0;
        case platform::kMsgTimer:
            handled = false;  // OnTimer and the controls' timers
            return 0;
        case platform::kMsgCopyData:
            return OnCopyData(reinterpret_cast<const platform::CopyDataBlock*>(lParam));
        case kMsgDisplayChange:
            m_displayChanged = true;
            FitToMonitor();
            return 0;
        default:
            handled = false;
            return 0;
    }
}

intptr_t CMainWnd::OnClose(bool& handled) {
    handled = false;
    return 0;
}

intptr_t CMainWnd::OnDestroy(bool& handled) {
    platform::Trace("MAIN_WND destroy");
    if (IsWindow())
        Host().Show(ui::ShowState::Hidden, false);
    if (m_menu && m_menu->IsOpen())
        m_menu->Close(0);
    m_endpoint.reset();
    m_workers.StopAll(m_loop);
    RemoveDeviceUis();
    m_tray.DeleteTrayIcon();
    if (m_loop != nullptr)
        m_loop->Quit(0);
    handled = true;
    return 0;
}

void CMainWnd::OnFinalMessage() {
    g_mainWindow.store(platform::kNoWindow);
}

intptr_t CMainWnd::OnTimer(uintptr_t id, bool& handled) {
    handled = true;
    switch (id) {
        case kTimerFitWindow:
            FitToMonitor();
            m_pm.Invalidate();
            ConnectAudioRecorder();
            return 0;
        case kTimerTrayMenu:
            OpenTrayMenu();
            return 0;
        case kTimerProfileSwitch:
            SwitchToChosenProfile();
            return 0;
        case kTimerGameLighting:
            RestoreGameLighting();
            return 0;
        case kTimerAudioQueues:
            if (m_audioDataPending && m_pm.NowMs() - m_audioDataMs > 500) {
                DropAudioQueues();
                m_audioDataPending = false;
                KillTimer(kTimerAudioQueues);
            }
            return 0;
        case kTimerDropTopmost:
            SetTopmost(false);
            return 0;
        case kTimerCheckLink:
            OnCheckLinkTimer();
            return 0;
        default:
            handled = false;
            return 0;
    }
}

intptr_t CMainWnd::OnCopyData(const platform::CopyDataBlock* block) {
    if (block == nullptr || (block->cbData > 0 && block->lpData == nullptr))
        return 0;
    // A block larger than its buffer is refused whole: half a spectrum is no spectrum.
    auto take = [block](auto& buffer, const char* what) {
        const size_t capacity = sizeof(buffer);
        if (block->cbData > capacity) {
            platform::TraceF("MAIN_WND refused %s block of %u bytes (at most %zu)", what,
                             block->cbData, capacity);
            return false;
        }
        buffer.fill(0);
        std::memcpy(buffer.data(), block->lpData, block->cbData);
        return true;
    };
    switch (block->dwData) {
        case kCopyDataSpectrum:
            if (!take(m_spectrum, "spectrum"))
                return 0;
            NoteAudioData();
            ProcessSpectrum();
            return 1;
        case kCopyDataBands:
            if (!take(m_bands, "band"))
                return 0;
            NoteAudioData();
            HandBandsToKeyboard();
            return 1;
        default:
            return 0;
    }
}

void CMainWnd::NoteAudioData() {
    // The queue timer runs only while audio data flows, so an idle window is
    // not woken ten times a second for nothing.
    if (!m_audioDataPending)
        SetTimer(kTimerAudioQueues, 100, platform::TimerMode::Repeating);
    m_audioDataPending = true;
    m_audioDataMs = m_pm.NowMs();
}

void CMainWnd::OnPowerBroadcast(uintptr_t event) {
    if (event == kPowerResumeAutomatic) {
        platform::Trace("MAIN_WND resume");
        m_awake = true;
        TellDevicesHostLighting(m_hostLighting);
    } else if (event == kPowerSuspend) {
        platform::Trace("MAIN_WND suspend");
        m_awake = false;
        TellDevicesHostLighting(0);
    }
}

void CMainWnd::OnDpiChanged(int dpi, const ui::UiRect* suggested) {
    ui::CPaintManagerUI::SetAllDPI(AcceptDpi(dpi).dpi);
    if (suggested != nullptr && !suggested->IsEmpty())
        MoveWindow(*suggested);
    CenterWindow();
    if (ui::CControlUI* root = FindControl("root"))
        root->NeedUpdate();
}

void CMainWnd::OnTrayIcon(intptr_t mouseMsg) {
    if (mouseMsg == ui::kMsgLButtonUp) {
        ShowNoDeviceNotice();
        CloseChildWindows();
        if (IsVisible() && !IsMinimized()) {
            Host().Show(ui::ShowState::Hidden, false);
        } else {
            FitToMonitor();
            SendMessage(ui::kMsgSysCommand, ui::kScRestore, 0);
            RaiseBriefly();
            m_pm.Invalidate();
        }
    } else if (mouseMsg == ui::kMsgRButtonUp) {
        SetTimer(kTimerTrayMenu, 10, platform::TimerMode::OneShot);
    }
}

void CMainWnd::OpenTrayMenu() {
    if (m_menu && m_menu->IsOpen())
        m_menu->Close(0);
    m_menu = std::make_unique<ui::CMenuWnd>();
    const IDesktopInfo& desktop = *m_env.desktop;
    const ui::UiPoint cursor = desktop.CursorPos();
    const ui::UiRect monitor =
        desktop.MonitorRect({cursor.x, cursor.y, cursor.x + 1, cursor.y + 1});
    const MenuPlacement place = PlaceTrayMenu(monitor, desktop.PanelRect(monitor), cursor);
    if (!m_menu->Init(this, kTrayMenuSkin, place.point, place.align)) {
        platform::Trace("MAIN_WND cannot open the tray menu: " + m_menu->GetBuildError());
        m_menu.reset();
    }
}

void CMainWnd::OnMenuCommand(const ui::MenuCommand& cmd) {
    if (cmd.name == "exit") {
        CloseChildWindows();
        PostMessage(platform::kMsgClose);
    } else if (cmd.name == "about_menu") {
        OpenAboutWindow();
    } else if (cmd.name == "setwnd_menu") {
        OpenSettingsWindow(true);
    } else {
        OnMacroMenuItem(cmd);
    }
}

void CMainWnd::OnActivation() {
    platform::Trace("MAIN_WND activation");
    ShowNoDeviceNotice();
    ClearDevicesPowerPause();
    SendMessage(ui::kMsgSysCommand, ui::kScRestore, 0);
    RaiseBriefly();
}

void CMainWnd::RaiseBriefly() {
    // On top for a moment, so the window comes to the front without staying there.
    SetTopmost(true);
    Host().Activate();
    SetTimer(kTimerDropTopmost, 10, platform::TimerMode::OneShot);
}

void CMainWnd::ShowNoDeviceNotice() {
    if (ui::CControlUI* notice = FindControl("No_device_Link"))
        notice->SetVisible(!AnySelectorItemVisible());
}

void CMainWnd::CloseChildWindows() {
    for (ui::CWindowWnd*& child : m_childWindows) {
        if (child != nullptr && child->IsWindow())
            child->Close(0);
        child = nullptr;
    }
}

void CMainWnd::HideMainWindow() {
    Host().Show(ui::ShowState::Hidden, false);
}

void CMainWnd::FitToMonitor() {
    const bool shown = IsVisible() && !IsMinimized();
    if (!shown)
        SendMessage(ui::kMsgSysCommand, ui::kScRestore, 0);
    const ui::UiRect monitor = m_env.desktop->MonitorRect(GetWindowRect());
    const DpiChoice choice = AcceptDpi(DpiForMonitor(monitor));
    if (choice.refused)
        platform::Trace("MAIN_WND DPI SET ERROR");
    ui::CPaintManagerUI::SetAllDPI(96);
    const ui::UiRect rc = GetWindowRect();
    MoveWindow({rc.left, rc.top, rc.left + kFittedSize.cx, rc.top + kFittedSize.cy});
    ui::CPaintManagerUI::SetAllDPI(choice.dpi);
    CenterWindow();
    Host().Show(shown ? ui::ShowState::Normal : ui::ShowState::Hidden, false);
}

void CMainWnd::SetHostLighting(uint32_t flag) {
    m_hostLighting = flag;
    if (ui::CControlUI* status = FindControl("control_light_status"))
        status->SetText(flag == 1 ? kTextHostLightingOn : kTextHostLightingOff);
    TellDevicesHostLighting(flag);
}

void CMainWnd::BroadcastHostLighting(uint32_t flag) const {
    const uint32_t msg = Messages().guid[1].load();
    if (m_env.bus != nullptr && msg != 0)
        m_env.bus->Broadcast(msg, 1, static_cast<intptr_t>(flag));
}

void CMainWnd::ReportToDaruVivo() {
    if (m_env.bus == nullptr || !m_env.bus->Exists(kDaruVivoWindow))
        return;
    const DaruVivoBlock block = BuildDaruVivoBlock();
    if (!m_env.bus->SendCopyData(kDaruVivoWindow, m_handle, kDaruVivoDwData, block,
                                 platform::Millis(1000)))
        platform::Trace("MAIN_WND DaruVivo did not answer");
}

void CMainWnd::ApplyLanguage(int index) {
    if (index == m_languageIndex || m_env.language == nullptr)
        return;
    const std::optional<LanguageEntry> entry = m_env.language->Entry(index);
    if (!entry) {
        // An unknown language would leave empty texts and store a bogus id.
        platform::TraceF("MAIN_WND no language %d; the language stays", index);
        return;
    }
    const auto rebuilds = [](int i) { return i == 0 || i == 2 || i == 15; };
    if (rebuilds(index) || rebuilds(m_languageIndex) || m_languageIndex == -1)
        RebuildFonts(kFontFaceForLanguages);
    m_languageIndex = index;
    ui::CResourceManager* resources = ui::CResourceManager::GetInstance();
    resources->SetLanguage(entry->name);
    if (platform::Status loaded = resources->LoadLanguage(entry->file); !loaded)
        platform::Trace("MAIN_WND language: " + loaded.error().message);
    resources->ReloadText();
    m_env.language->SaveLanguageId(entry->id);
    m_pm.Invalidate();
    for (size_t slot : {0, 1, 3}) {
        if (m_childWindows[slot] != nullptr && m_childWindows[slot]->IsWindow())
            m_childWindows[slot]->SendMessage(kMsgSwitchLanguage, 0, 0);
    }
    if (ui::CControlUI* root = FindControl("root"))
        root->NeedUpdate();
}

void CMainWnd::RebuildFonts(std::string_view face) {
    struct FontRow {
        int id;
        int size;
        bool bold;
        bool underline;
    };
    static constexpr FontRow kFonts[] = {
        {0, 15, false, false}, {1, 14, false, true},   {2, 12, false, false},
        {3, 30, false, false}, {4, 16, false, false},  {5, 20, false, false},
        {6, 22, false, false}, {7, 14, false, false},  {8, 12, false, false},
        {9, 11, false, false}, {10, 10, false, false}, {11, 28, false, false},
        {50, 18, true, false},
    };
    m_pm.RemoveAllFonts();
    m_pm.SetDefaultFont(face, 14, false, false, false, true);
    for (const FontRow& row : kFonts)
        m_pm.AddFont(row.id, face, row.size, row.bold, row.underline, false, true);
}

// Handlers that act now.

void CMainWnd::OnNothing(ui::TNotifyUI&, int) {}

void CMainWnd::OnCloseButton(ui::TNotifyUI&, int) {
    CloseChildWindows();
    HideMainWindow();
}

void CMainWnd::OnMinimizeButton(ui::TNotifyUI&, int) {
    SendMessage(ui::kMsgSysCommand, ui::kScMinimize, 0);
}

void CMainWnd::OnMaximizeButton(ui::TNotifyUI&, int) {
    SendMessage(ui::kMsgSysCommand, ui::kScMaximize, 0);
}

void CMainWnd::OnRestoreButton(ui::TNotifyUI&, int) {
    SendMessage(ui::kMsgSysCommand, ui::kScRestore, 0);
}

void CMainWnd::OnNoDeviceOk(ui::TNotifyUI&, int) {
    HideMainWindow();
}

void CMainWnd::OnControlLightStatus(ui::TNotifyUI&, int) {
    const uint32_t flag = m_hostLighting == 1 ? 0 : 1;
    BroadcastHostLighting(flag);
    SetHostLighting(flag);
}

void CMainWnd::OnColourLabelSlider(ui::TNotifyUI& msg, int) {
    auto* slider = dynamic_cast<ui::CProgressUI*>(msg.pSender);
    if (slider == nullptr)
        return;
    const std::string& name = slider->GetName();
    const char channel = name.empty() ? '?' : name[0];
    const std::string label = std::string(1, channel) + "_light_label";
    if (ui::CControlUI* text = FindControl(label))
        text->SetText(std::string(1, channel) + " " + std::to_string(slider->GetValue()));
}

void CMainWnd::OnProfileComboItem(ui::TNotifyUI&, int) {
    SetTimer(kTimerProfileSwitch, 400, platform::TimerMode::OneShot);
}

void CMainWnd::OnKeyCaptureEditLeft(ui::TNotifyUI&, int) {
    SendMessage(kMsgKeyCaptureHook, 0, 0);
}

}  // namespace app
