#include "devices/norvalis_usb_device.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "controls/device_picture.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/trace.h"
#include "profiles/profile_paths.h"
#include "ui/builder.h"
#include "ui/paint_manager.h"

namespace devices {
namespace {

// Posted by an event thread: start the selector item's refresh timer
// (wParam = delay in milliseconds).
constexpr uint32_t kMsgStartRefreshTimer = platform::kMsgApp + 0x0102;

// Light count and key count come from fixed tables; anything larger is a
// programming error that must not turn into a huge allocation.
constexpr int kMaxButtons = 1024;

// The light thread's pace while the command protocol is closed.
constexpr int64_t kClosedIdleUs = 100'000;

// Event usages after which the device is read again.
constexpr uint16_t kUsageRefresh1 = 0x401;
constexpr uint16_t kUsageRefresh2 = 0x402;

// Splits "prefix_number" at the last '_'; the number must be all decimal digits.
struct NumberedName {
    std::string_view prefix;  // up to and including the '_'
    int number = -1;
};

std::optional<NumberedName> SplitNumbered(std::string_view name) {
    const size_t underscore = name.rfind('_');
    if (underscore == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = name.substr(underscore + 1);
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int number = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return NumberedName{name.substr(0, underscore + 1), number};
}

int ClampCount(int count) {
    return std::clamp(count, 0, kMaxButtons);
}

}  // namespace

CNorvalisUSBDevice::CNorvalisUSBDevice() = default;

CNorvalisUSBDevice::~CNorvalisUSBDevice() {
    // Device classes stop their threads in their own destructors, while their
    // overrides still exist; this is the base's own safety net.
    StopLightThread();
    for (int slot = 0; slot < 2; ++slot)
        CloseEventCollection(slot == 0 ? 0 : 9);
    platform::MessageLoop* loop = m_loop.load();
    if (loop != nullptr && m_loopHandle.load() != platform::kNoWindow)
        loop->Unregister(m_loopHandle.load());
}

// ---- Picture

void CNorvalisUSBDevice::InitDevicePage() {
    ScanPicture();
}

void CNorvalisUSBDevice::ScanPicture() {
    if (m_layoutFile.empty()) {
        SetKeyCount(0);
        SetLightCount(0);
        return;
    }
    std::fill(m_keyButtons.begin(), m_keyButtons.end(), nullptr);
    std::fill(m_lightButtons.begin(), m_lightButtons.end(), nullptr);
    m_picturePanel = nullptr;
    for (int i = 0; i < GetChildCount(); ++i) {
        if (GetChildAt(i)->GetClass() == ui::kSelectPanelClass) {
            m_picturePanel = GetChildAt(i);
            break;
        }
    }
    if (m_picturePanel == nullptr) {
        // Pages usually wrap the picture in a layout of their own.
        m_picturePanel = ui::FindInTree(
            this, [](ui::CControlUI* c) { return c->GetClass() == ui::kSelectPanelClass; });
    }
    if (m_picturePanel == nullptr)
        return;
    for (int i = 0; i < m_picturePanel->GetChildCount(); ++i) {
        auto* button = dynamic_cast<ui::CDeviceKeyButtonUI*>(m_picturePanel->GetChildAt(i));
        if (button == nullptr)
            continue;
        if (auto key = SplitNumbered(button->GetName());
            key && ui::EqualsNoCase(key->prefix, "key_") && key->number < GetKeyCount()) {
            m_keyButtons[static_cast<size_t>(key->number)] = button;
        }
        if (auto light = SplitNumbered(button->GetUserData());
            light && ui::EqualsNoCase(light->prefix, "light_") && light->number < GetLightCount()) {
            m_lightButtons[static_cast<size_t>(light->number)] = button;
            button->SetKeyLight(0xFFFFFF, 255, true);
        }
    }
}

ui::CDeviceKeyButtonUI* CNorvalisUSBDevice::GetKeyButton(int index) const {
    if (index < 0 || index >= GetKeyCount())
        return nullptr;
    return m_keyButtons[static_cast<size_t>(index)];
}

ui::CDeviceKeyButtonUI* CNorvalisUSBDevice::GetLightButton(int index) const {
    if (index < 0 || index >= GetLightCount())
        return nullptr;
    return m_lightButtons[static_cast<size_t>(index)];
}

// ---- Configuration

void CNorvalisUSBDevice::SetKeyCount(int count) {
    m_keyButtons.assign(static_cast<size_t>(ClampCount(count)), nullptr);
}

void CNorvalisUSBDevice::SetLightCount(int count) {
    const size_t n = static_cast<size_t>(ClampCount(count));
    m_lightButtons.assign(n, nullptr);
    m_lightRecords.assign(n, profiles::LightModeRecord{});
    m_preview.SetLightCount(n);
    m_presentLeds.assign(n, 0);
    m_presentedFrameSize = 0;
}

void CNorvalisUSBDevice::SetWirelessCapable(bool on) {
    m_wirelessCapable.store(on);
    if (!on)
        m_powerPaused.store(false);
    if (auto* power = dynamic_cast<IPowerItem*>(m_powerItem))
        power->SetWirelessCapable(on);
}

void CNorvalisUSBDevice::SetPowerItem(ui::CControlUI* item) {
    m_powerItem = item;
    if (auto* power = dynamic_cast<IPowerItem*>(m_powerItem))
        power->SetWirelessCapable(IsWirelessCapable());
}

void CNorvalisUSBDevice::SetIdentity(const devicemanager::DeviceEntry& entry) {
    m_identity = entry;
    m_typeCode.store(entry.type);
    m_subCode = entry.role;
}

void CNorvalisUSBDevice::SetPowerStatusPaused(bool on) {
    if (on && !IsWirelessCapable())
        return;
    m_powerPaused.store(on);
}

void CNorvalisUSBDevice::SetHostLighting(bool on) {
    m_hostLighting.store(on);
    if (on && GetTypeCode() == devicemanager::kKeyboardCable) {
        const int rc = m_command.EnableHostLighting();
        if (rc != 1)
            platform::TraceF("device: host lighting not confirmed by the keyboard (%d)", rc);
    }
}

void CNorvalisUSBDevice::WakeLightThread() {
    // Taken here, like the first tick, so a clock that moves on before the
    // thread wakes still counts that tick.
    m_lightResumeTickUs.store(platform::NextTickUs(platform::CurrentClock().NowUs()));
    m_lightWake.Set();
}

void CNorvalisUSBDevice::SetWindowShown(bool on) {
    m_windowShown.store(on);
    if (on)
        WakeLightThread();
}

// ---- Lighting parameters

void CNorvalisUSBDevice::SetLightParams(const profiles::LightModeRecord& record) {
    std::lock_guard lock(m_paramsMutex);
    m_lightParams = record;
}

profiles::LightModeRecord CNorvalisUSBDevice::GetLightParams() const {
    std::lock_guard lock(m_paramsMutex);
    return m_lightParams;
}

PreviewLighting CNorvalisUSBDevice::CurrentLighting() const {
    const profiles::LightModeRecord r = GetLightParams();
    PreviewLighting p;
    p.brightness = r.brightness;
    p.speed = r.speed;
    p.direction = r.direction;
    p.colourful = r.multiColour;
    p.colour = {r.red, r.green, r.blue};
    return p;
}

void CNorvalisUSBDevice::SetAudioLight(const profiles::AudioLightRecord& record) {
    m_audioLight = record;
    if (m_lightingPanel != nullptr)
        m_lightingPanel->SetAudioLightInfo(record);
}

profiles::AudioLightRecord CNorvalisUSBDevice::GetAudioLight(int flag) {
    if (m_lightingPanel != nullptr)
        m_audioLight = m_lightingPanel->GetAudioLightInfo(flag);
    return m_audioLight;
}

// ---- Preview

void CNorvalisUSBDevice::StepBreathing() {
    m_preview.StepBreathing(CurrentLighting());
}
void CNorvalisUSBDevice::StepBreathing4() {
    m_preview.StepBreathing4(CurrentLighting());
}
void CNorvalisUSBDevice::StepStatic() {
    m_preview.StepStatic(CurrentLighting());
}
void CNorvalisUSBDevice::StepSpectrum() {
    m_preview.StepSpectrum(CurrentLighting());
}
void CNorvalisUSBDevice::StepFlash() {
    m_preview.StepFlash(CurrentLighting(), platform::TickCount());
}
void CNorvalisUSBDevice::StepFlash4() {
    m_preview.StepFlash4(CurrentLighting(), platform::TickCount());
}
void CNorvalisUSBDevice::StepOff() {
    m_preview.StepOff();
}

void CNorvalisUSBDevice::SetLedColour(int index, LedColour rgba) {
    if (index >= 0)
        m_preview.SetLedColour(static_cast<size_t>(index), rgba);
}

LedColour CNorvalisUSBDevice::GetLedColour(int index) const {
    return index >= 0 ? m_preview.GetLedColour(static_cast<size_t>(index)) : 0;
}

void CNorvalisUSBDevice::PresentFrame() {
    if (!IsHostLighting())
        return;
    const size_t n = m_preview.Snapshot(m_presentLeds);
    for (size_t i = 0; i < n && i < m_lightButtons.size(); ++i) {
        ui::CDeviceKeyButtonUI* button = m_lightButtons[i];
        if (button == nullptr || !button->IsVisible())
            continue;
        const uint32_t colour = LightPreviewEngine::ButtonColour(m_presentLeds[i]);
        button->SetKeyLight(colour & 0x00FFFFFFu, LedIntensity(m_presentLeds[i]), true);
    }
    m_presentedFrameSize = m_preview.BuildFrame(m_presentedFrame);
}

void CNorvalisUSBDevice::SetLightMap(const std::map<int, int>& map) {
    std::lock_guard lock(m_lightListLock);
    m_lightMap = map;
}

void CNorvalisUSBDevice::DecayLight(int index, int kind) {
    if (index >= 0)
        m_preview.DecayLight(static_cast<size_t>(index), kind);
}

void CNorvalisUSBDevice::MarkPressedLights() {
    m_preview.MarkPressedLights();
}

void CNorvalisUSBDevice::RotateRing(int direction) {
    m_preview.RotateRing(direction);
}

void CNorvalisUSBDevice::ClearReactive() {
    m_preview.ClearReactive();
}

// ---- Function pages

ui::CTabLayoutUI* CNorvalisUSBDevice::FunctionSwitch() {
    if (m_functionSwitch == nullptr)
        m_functionSwitch = dynamic_cast<ui::CTabLayoutUI*>(ui::FindInTree(
            this, [](ui::CControlUI* c) { return c->GetName() == "device_function_switch"; }));
    return m_functionSwitch;
}

ui::CTabLayoutUI* CNorvalisUSBDevice::KeyFunctionSwitch() {
    if (m_keyFunctionSwitch == nullptr)
        m_keyFunctionSwitch = dynamic_cast<ui::CTabLayoutUI*>(ui::FindInTree(
            this, [](ui::CControlUI* c) { return c->GetName() == "device_key_function_switch"; }));
    return m_keyFunctionSwitch;
}

void CNorvalisUSBDevice::SetFunctionPage(int type) {
    m_functionPage = type;
    ui::CTabLayoutUI* function = FunctionSwitch();
    ui::CTabLayoutUI* keyFunction = KeyFunctionSwitch();
    if (function == nullptr || keyFunction == nullptr)
        return;
    const int device = GetTypeCode();
    if (type == 3 || type == 8) {
        function->SelectItem(1);
    } else if (type == 5) {
        function->SelectItem(2);
    } else if (type == 4 && (device == 1 || device == 2)) {
        function->SelectItem(3);
    } else {
        function->SelectItem(0);
        int keyPage = 0;
        if (type == 2 || type == 6) {
            keyPage = 1;
        } else if (type == 4 || type == 7) {
            keyPage = 2;
        }
        keyFunction->SelectItem(keyPage);
    }
}

// ---- Folders

std::filesystem::path CNorvalisUSBDevice::UserFolder() const {
    if (!platform::IsSafeFileName(m_deviceFolder)) {
        platform::Trace("device: no user folder for device folder name '" + m_deviceFolder + "'");
        return {};
    }
    return profiles::ProfileFolder(m_deviceFolder);
}

std::filesystem::path CNorvalisUSBDevice::DefaultDataFolder() {
    return profiles::DefaultDataFolder();
}

std::filesystem::path CNorvalisUSBDevice::DefaultProfilePath() const {
    if (!platform::IsSafeFileName(m_deviceFolder))
        return {};
    return profiles::DefaultProfilePath(m_deviceFolder);
}

// ---- Light thread

int CNorvalisUSBDevice::PassesPerStep(int speedLevel) const {
    return kSpeedPasses[static_cast<size_t>(std::clamp(speedLevel, 0, 4))];
}

void CNorvalisUSBDevice::StepCurrentEffect() {
    switch (CurrentEffect()) {
        case PreviewEffect::Off:
            StepOff();
            break;
        case PreviewEffect::Static:
            StepStatic();
            break;
        case PreviewEffect::Breathing:
            StepBreathing();
            break;
        case PreviewEffect::Breathing4:
            StepBreathing4();
            break;
        case PreviewEffect::Spectrum:
            StepSpectrum();
            break;
        case PreviewEffect::Flash:
            StepFlash();
            break;
        case PreviewEffect::Flash4:
            StepFlash4();
            break;
    }
}

void CNorvalisUSBDevice::StartLightThread() {
    // The first tick is taken here, so a clock that moves on before the thread
    // runs still counts that tick.
    const int64_t firstTick = platform::NextTickUs(platform::CurrentClock().NowUs());
    m_lightThread.Start(
        "light", [this, firstTick](platform::Event& stop) { LightThreadBody(stop, firstTick); });
}

void CNorvalisUSBDevice::StopLightThread() {
    m_lightThread.Stop();
}

void CNorvalisUSBDevice::LightThreadBody(platform::Event& stop, int64_t firstTickUs) {
    platform::IClock& clock = platform::CurrentClock();
    std::array<uint8_t, kReactiveLights * 3> frame{};
    int64_t nextTick = firstTickUs;
    int passes = 0;
    for (;;) {
        if (!m_command.IsOpen()) {
            if (!clock.WaitUntil(clock.NowUs() + kClosedIdleUs, &stop))
                break;
            nextTick = platform::NextTickUs(clock.NowUs());
            continue;
        }
        if (!LightFramesWanted()) {
            // Nobody sees the frames: rest until the window is back (or the
            // device starts taking them), then go on from the next tick.
            if (platform::WaitForAny({&stop, &m_lightWake}, platform::kInfinite) == 0)
                break;
            nextTick = m_lightResumeTickUs.load();
            continue;
        }
        if (!clock.WaitUntil(nextTick, &stop))
            break;
        const int64_t now = clock.NowUs();
        nextTick += platform::kTimerTickUs;
        if (nextTick <= now)
            nextTick = platform::NextTickUs(now);  // fell behind: skip, do not burst
        // While the lights follow the synchronised effect, that effect drives them.
        if (!IsSynchronised()) {
            if (++passes >= PassesPerStep(GetLightParams().speed)) {
                passes = 0;
                StepCurrentEffect();
            }
            const size_t bytes = m_preview.BuildFrame(frame);
            SendLightFrame({frame.data(), bytes});
        }
        m_lightPasses.fetch_add(1);
    }
    platform::Trace("device: light thread stopped");
}

// ---- Event threads

CNorvalisUSBDevice::EventSlot CNorvalisUSBDevice::SlotOfKind(int kind) {
    return kind == devicemanager::kMouseReceiver || kind == devicemanager::kKeyboardReceiver
               ? EventSlot::Receiver
               : EventSlot::Cable;
}

transport::CHidChannel& CNorvalisUSBDevice::EventChannelOf(EventSlot slot) {
    return slot == EventSlot::Receiver ? m_event.Channel2() : m_event.Channel1();
}

bool CNorvalisUSBDevice::IsEventCollectionOpen(int kind) const {
    return m_eventChannels[static_cast<size_t>(SlotOfKind(kind))].open.load();
}

bool CNorvalisUSBDevice::EnsureLoopTarget() {
    if (m_loopHandle.load() != platform::kNoWindow)
        return true;
    platform::MessageLoop* loop = ui::CPaintManagerUI::GetMessageLoop();
    if (loop == nullptr)
        return false;
    m_loop.store(loop);
    m_loopHandle.store(loop->Register(this));
    return m_loopHandle.load() != platform::kNoWindow;
}

bool CNorvalisUSBDevice::OpenEventCollection(std::string_view path, int kind) {
    const EventSlot slot = SlotOfKind(kind);
    EventChannel& channel = m_eventChannels[static_cast<size_t>(slot)];
    CloseEventCollection(kind);
    EnsureLoopTarget();
    bool opened = false;
    {
        std::lock_guard io(m_event.IoLock());
        opened = EventChannelOf(slot).Open(path, transport::HidAccess::Read);
        channel.open.store(opened);
    }
    if (!opened)
        platform::Trace("device: cannot open event collection " + std::string(path));
    channel.thread.Start("device events",
                         [this, slot](platform::Event& stop) { EventThreadBody(stop, slot); });
    return opened;
}

void CNorvalisUSBDevice::CloseEventCollection(int kind) {
    const EventSlot slot = SlotOfKind(kind);
    EventChannel& channel = m_eventChannels[static_cast<size_t>(slot)];
    if (!channel.thread.Running() && !channel.open.load())
        return;
    // The thread waits in a read without a time-out: closing the channel is
    // what releases it, so the stop request comes first and the close second.
    channel.thread.RequestStop();
    {
        std::lock_guard io(m_event.IoLock());
        channel.open.store(false);
        EventChannelOf(slot).Close();
    }
    channel.thread.Join();
}

void CNorvalisUSBDevice::EventThreadBody(platform::Event& stop, EventSlot slot) {
    EventChannel& state = m_eventChannels[static_cast<size_t>(slot)];
    transport::CHidChannel& channel = EventChannelOf(slot);
    std::array<uint8_t, 64> report{};
    while (!stop.IsSet()) {
        if (!state.open.load()) {
            // Nothing to read: wait to be stopped.
            stop.Wait();
            break;
        }
        size_t length = 0;
        if (!channel.Read(report, length, platform::kInfinite)) {
            // Closed (stop follows) or the device went away: do not spin on it.
            stop.Wait(platform::Millis(100));
            continue;
        }
        // Decoding reads the channel's report items, which closing the channel
        // clears: decode under the lock the close takes, on a channel still open.
        uint16_t usage = 0;
        {
            std::lock_guard io(m_event.IoLock());
            if (!state.open.load() || !channel.UnpackInputReport({report.data(), length}))
                continue;
            const std::span<const uint16_t> usages = channel.FirstInputUsageList();
            usage = usages.empty() ? 0 : usages.front();
        }
        if (usage != 0)
            OnEventUsage(usage, slot);
    }
    platform::Trace("device: event thread stopped");
}

void CNorvalisUSBDevice::OnEventUsage(uint16_t usage, EventSlot) {
    if (usage == kUsageRefresh1 || usage == kUsageRefresh2) {
        platform::TraceF("device: event 0x%X, reading the device again", usage);
        RequestRefresh(RefreshDelayMs());
    }
}

uint32_t CNorvalisUSBDevice::RefreshDelayMs() const {
    switch (GetTypeCode()) {
        case devicemanager::kKeyboardCable:
        case devicemanager::kKeyboardReceiver:
        case devicemanager::kMouseCable:
        case devicemanager::kMouseReceiver:
            return 50;
        default:
            return 500;
    }
}

void CNorvalisUSBDevice::RequestRefresh(uint32_t delayMs) {
    platform::MessageLoop* loop = m_loop.load();
    const platform::WindowHandle handle = m_loopHandle.load();
    if (loop != nullptr && handle != platform::kNoWindow)
        loop->Post(handle, kMsgStartRefreshTimer, delayMs);
}

intptr_t CNorvalisUSBDevice::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg == kMsgStartRefreshTimer && m_selectorItem != nullptr) {
        m_selectorItem->KillTimer(kRefreshTimer);
        m_selectorItem->SetTimer(kRefreshTimer, static_cast<uint32_t>(wParam));
        return 1;
    }
    return 0;
}

// ---- Notifications

void CNorvalisUSBDevice::Notify(ui::TNotifyUI& msg) {
    if (msg.pSender == nullptr)
        return;
    if (msg.pSender == this || IsAncestorOf(msg.pSender))
        NotifyPump(msg);
}

// ---- Registration

void RegisterDeviceControls() {
    // By its factory name, and by its tag so that any layout can hold a device page.
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl(kDeviceFactoryName, &ui::CreateControlOf<CNorvalisUSBDevice>);
    factory->RegistControl(kDeviceClass, &ui::CreateControlOf<CNorvalisUSBDevice>);
}

std::unique_ptr<ui::CControlUI> CreateDeviceControl(std::string_view tag) {
    if (ui::EqualsNoCase(tag, kDeviceClass))
        return std::make_unique<CNorvalisUSBDevice>();
    return nullptr;
}

}  // namespace devices
