#include "ui/paint_manager.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/trace.h"
#include "ui/container.h"
#include "ui/window.h"

namespace ui {

namespace {

std::string& InstancePath() {
    static std::string path;
    return path;
}
std::string& ResourcePath() {
    static std::string path;
    return path;
}
platform::MessageLoop*& Loop() {
    static platform::MessageLoop* loop = nullptr;
    return loop;
}
std::vector<CPaintManagerUI*>& Managers() {
    static std::vector<CPaintManagerUI*> managers;
    return managers;
}

}  // namespace

// Counts nested dispatches; controls removed meanwhile die when the outermost ends.
struct CPaintManagerUI::DispatchScope {
    explicit DispatchScope(CPaintManagerUI& m) : pm(m) { ++pm.m_dispatchDepth; }
    ~DispatchScope() {
        if (--pm.m_dispatchDepth == 0 && !pm.m_delayedCleanup.empty()) {
            auto dead = std::move(pm.m_delayedCleanup);
            pm.m_delayedCleanup.clear();
            dead.clear();
        }
    }
    CPaintManagerUI& pm;
};

CPaintManagerUI::CPaintManagerUI() {
    m_defaultFont.face = "Sans";
    m_defaultFont.size = 12;
    Managers().push_back(this);
}

CPaintManagerUI::~CPaintManagerUI() {
    m_delayedCleanup.clear();
    m_root.reset();
    RemoveAllTimers();
    if (m_timerLoop != nullptr && m_timerTarget != platform::kNoWindow) {
        m_timerLoop->Unregister(m_timerTarget);
    }
    auto& all = Managers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void CPaintManagerUI::SetInstancePath(std::string path) {
    InstancePath() = std::move(path);
}
const std::string& CPaintManagerUI::GetInstancePath() {
    return InstancePath();
}

void CPaintManagerUI::SetResourcePath(std::string path) {
    path = NormalizePath(path);
    if (!path.empty() && path.back() != '/')
        path += '/';
    ResourcePath() = std::move(path);
}
const std::string& CPaintManagerUI::GetResourcePath() {
    return ResourcePath();
}

void CPaintManagerUI::SetMessageLoop(platform::MessageLoop* loop) {
    Loop() = loop;
}
platform::MessageLoop* CPaintManagerUI::GetMessageLoop() {
    return Loop();
}
const std::vector<CPaintManagerUI*>& CPaintManagerUI::GetManagers() {
    return Managers();
}

bool CPaintManagerUI::IsValidDPI(int dpi) {
    switch (dpi) {
        case 48:
        case 72:
        case 96:
        case 120:
        case 144:
        case 168:
        case 192:
            return true;
        default:
            return false;
    }
}

void CPaintManagerUI::SetAllDPI(int dpi) {
    for (CPaintManagerUI* pm : Managers())
        pm->SetDPI(dpi);
}

bool CPaintManagerUI::SetDPI(int dpi) {
    if (!IsValidDPI(dpi))
        return false;
    if (dpi == m_dpi)
        return true;
    const int old = m_dpi;
    m_dpi = dpi;
    if (m_window != nullptr)
        m_window->OnDPIChanged(old, dpi);
    NeedUpdate();
    Invalidate();
    return true;
}

void CPaintManagerUI::Init(CWindowWnd* window, std::string_view name) {
    m_window = window;
    m_name = name;
}

bool CPaintManagerUI::AttachDialog(std::unique_ptr<CControlUI> root) {
    if (!root)
        return false;
    SetFocus(nullptr);
    m_hot = nullptr;
    m_eventClick = nullptr;
    if (m_root) {
        if (IsDispatching()) {
            ForgetSubtree(m_root.get());
            m_delayedCleanup.push_back(std::move(m_root));
        } else {
            m_root.reset();
        }
    }
    m_root = std::move(root);
    m_root->SetManager(this, nullptr, true);
    FlushPostInit();
    m_updateNeeded = true;
    Invalidate();
    return true;
}

std::unique_ptr<CControlUI> CPaintManagerUI::DetachRoot() {
    if (m_root) {
        ForgetSubtree(m_root.get());
        m_root->SetManager(nullptr, nullptr, false);
    }
    return std::move(m_root);
}

void CPaintManagerUI::InitControls(CControlUI* control) {
    RegisterName(control);
}

void CPaintManagerUI::RegisterName(CControlUI* control) {
    if (control->GetName().empty() || control->m_nameRegistered)
        return;
    m_names[control->GetName()].push_back(control);
    control->m_nameRegistered = true;
}

void CPaintManagerUI::UnregisterName(CControlUI* control, const std::string& name) {
    if (name.empty() || !control->m_nameRegistered)
        return;
    control->m_nameRegistered = false;
    auto it = m_names.find(name);
    if (it == m_names.end())
        return;
    auto& list = it->second;
    // Removal usually takes the newest first (lists cleared from the end).
    for (size_t i = list.size(); i-- > 0;) {
        if (list[i] == control) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    if (list.empty())
        m_names.erase(it);
}

void CPaintManagerUI::OnNameChanged(CControlUI* control, const std::string& oldName) {
    UnregisterName(control, oldName);
    RegisterName(control);
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (control == nullptr)
        return;
    if (m_focus == control)
        m_focus = nullptr;
    if (m_hot == control)
        m_hot = nullptr;
    if (m_eventClick == control)
        m_eventClick = nullptr;
    if (!m_postInit.empty())
        std::erase(m_postInit, control);
    KillTimers(control);
    UnregisterName(control, control->GetName());
    for (auto it = m_groups.begin(); it != m_groups.end();) {
        std::erase(it->second, control);
        it = it->second.empty() ? m_groups.erase(it) : std::next(it);
    }
}

void CPaintManagerUI::AddOptionGroup(std::string_view group, CControlUI* option) {
    if (group.empty() || option == nullptr)
        return;
    auto& list = m_groups[std::string(group)];
    if (std::find(list.begin(), list.end(), option) == list.end())
        list.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(std::string_view group, CControlUI* option) {
    auto it = m_groups.find(std::string(group));
    if (it == m_groups.end())
        return;
    std::erase(it->second, option);
    if (it->second.empty())
        m_groups.erase(it);
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(std::string_view group) const {
    auto it = m_groups.find(std::string(group));
    return it == m_groups.end() ? nullptr : &it->second;
}

void CPaintManagerUI::ForgetSubtree(CControlUI* control) {
    FindInTree(control, [&](CControlUI* c) {
        ReapObjects(c);
        return false;
    });
}

void CPaintManagerUI::DeferPostInit(CControlUI* control) {
    if (control != nullptr)
        m_postInit.push_back(control);
}

void CPaintManagerUI::FlushPostInit() {
    while (!m_postInit.empty()) {
        auto pending = std::move(m_postInit);
        m_postInit.clear();
        for (CControlUI* c : pending)
            c->DoPostInit();
    }
}

void CPaintManagerUI::AddDelayedCleanup(std::unique_ptr<CControlUI> control) {
    if (!control)
        return;
    if (IsDispatching()) {
        m_delayedCleanup.push_back(std::move(control));
    }
}

CControlUI* CPaintManagerUI::FindControl(std::string_view name) const {
    auto it = m_names.find(std::string(name));
    if (it == m_names.end() || it->second.empty())
        return nullptr;
    return it->second.front();
}

CControlUI* CPaintManagerUI::FindControl(UiPoint pt) const {
    if (!m_root)
        return nullptr;
    return m_root->FindControlAt(pt);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, std::string_view name) const {
    if (parent == nullptr)
        return nullptr;
    if (parent->GetManager() != this || !parent->m_initDone) {
        // A tree built but not attached yet is not in the name table.
        return FindInTree(parent, [&](CControlUI* c) { return c->GetName() == name; });
    }
    auto it = m_names.find(std::string(name));
    if (it == m_names.end())
        return nullptr;
    if (it->second.size() > 16) {
        // A name repeated in every row of a long list: walking a small subtree
        // beats checking every holder of the name. The walk gives up once it
        // has cost as much as the check would.
        size_t budget = it->second.size() * 4;
        bool exhausted = false;
        CControlUI* found = FindInTree(parent, [&](CControlUI* c) {
            if (budget-- == 0) {
                exhausted = true;
                return true;
            }
            return c->GetName() == name;
        });
        if (!exhausted)
            return found;
    }
    for (CControlUI* c : it->second) {
        if (parent->IsAncestorOf(c))
            return c;
    }
    return nullptr;
}

CControlUI* CPaintManagerUI::FindSubControlByClass(CControlUI* parent, std::string_view cls,
                                                   int index) const {
    int seen = 0;
    return FindInTree(
        parent, [&](CControlUI* c) { return EqualsNoCase(c->GetClass(), cls) && seen++ == index; });
}

std::vector<CControlUI*> CPaintManagerUI::FindSubControlsByClass(CControlUI* parent,
                                                                 std::string_view cls) const {
    std::vector<CControlUI*> out;
    FindInTree(parent, [&](CControlUI* c) {
        if (EqualsNoCase(c->GetClass(), cls))
            out.push_back(c);
        return false;
    });
    return out;
}

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
    if (notifier == nullptr ||
        std::find(m_notifiers.begin(), m_notifiers.end(), notifier) != m_notifiers.end())
        return false;
    m_notifiers.push_back(notifier);
    return true;
}

bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
    auto it = std::find(m_notifiers.begin(), m_notifiers.end(), notifier);
    if (it == m_notifiers.end())
        return false;
    *it = nullptr;  // compacted after delivery; a notifier may remove itself
    if (!IsDispatching())
        std::erase(m_notifiers, nullptr);
    return true;
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg) {
    DispatchScope scope(*this);
    if (msg.dwTimestamp == 0)
        msg.dwTimestamp = NowMs();
    if (msg.sVirtualWnd.empty() && msg.pSender != nullptr) {
        msg.sVirtualWnd = msg.pSender->GetVirtualWnd();
    }
    // The window first (its Notify passes on to its notification map), then
    // the extra notifiers in the order they were added.
    if (m_notifyWindow != nullptr)
        m_notifyWindow->Notify(msg);
    for (size_t i = 0; i < m_notifiers.size(); ++i) {
        if (m_notifiers[i] != nullptr)
            m_notifiers[i]->Notify(msg);
    }
    if (m_dispatchDepth == 1)
        std::erase(m_notifiers, nullptr);
}

void CPaintManagerUI::SendNotify(CControlUI* sender, std::string_view type, uintptr_t wParam,
                                 intptr_t lParam) {
    TNotifyUI msg;
    msg.sType = type;
    msg.pSender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.ptMouse = m_lastMouse;
    SendNotify(msg);
}

bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
    if (filter == nullptr ||
        std::find(m_filters.begin(), m_filters.end(), filter) != m_filters.end())
        return false;
    m_filters.push_back(filter);
    return true;
}

bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
    auto it = std::find(m_filters.begin(), m_filters.end(), filter);
    if (it == m_filters.end())
        return false;
    m_filters.erase(it);
    return true;
}

int64_t CPaintManagerUI::NowMs() const {
    platform::MessageLoop* loop = Loop();
    return (loop != nullptr ? loop->Clock().NowUs() : platform::NowUs()) / 1000;
}

void CPaintManagerUI::SendEvent(CControlUI* control, UiEvent type, UiPoint pt, uintptr_t wParam,
                                uint32_t key) {
    if (control == nullptr)
        return;
    TEventUI ev;
    ev.Type = type;
    ev.pSender = control;
    ev.dwTimestamp = NowMs();
    ev.ptMouse = pt;
    ev.wParam = wParam;
    ev.chKey = key;
    control->Event(ev);
}

void CPaintManagerUI::SetFocus(CControlUI* control) {
    if (control == m_focus)
        return;
    if (control != nullptr &&
        (control->GetManager() != this || !control->IsVisible() || !control->IsEnabled())) {
        return;
    }
    DispatchScope scope(*this);
    CControlUI* old = m_focus;
    m_focus = nullptr;
    if (old != nullptr) {
        SendEvent(old, UiEvent::KillFocus, m_lastMouse);
        // The handler may have destroyed it; ReapObjects keeps m_focus honest,
        // and a removed control waits for the end of this dispatch.
        SendNotify(old, notify::kKillFocus);
    }
    if (control != nullptr && m_focus == nullptr && control->GetManager() == this) {
        m_focus = control;
        SendEvent(control, UiEvent::SetFocus, m_lastMouse);
        if (m_focus == control)
            SendNotify(control, notify::kSetFocus);
    }
}

void CPaintManagerUI::MoveFocus(bool forward) {
    std::vector<CControlUI*> stops;
    FindInTree(m_root.get(), [&](CControlUI* c) {
        if (c->IsTabStop() && c->IsVisible() && c->IsEnabled() && c->IsKeyboardEnabled())
            stops.push_back(c);
        return false;
    });
    if (stops.empty())
        return;
    auto it = std::find(stops.begin(), stops.end(), m_focus);
    size_t next;
    if (it == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        const size_t i = static_cast<size_t>(it - stops.begin());
        next = forward ? (i + 1) % stops.size() : (i + stops.size() - 1) % stops.size();
    }
    SetFocus(stops[next]);
}

void CPaintManagerUI::SetCapture() {
    m_captured = true;
    if (m_window != nullptr)
        m_window->Host().SetCapture(true);
}

void CPaintManagerUI::ReleaseCapture() {
    m_captured = false;
    if (m_window != nullptr)
        m_window->Host().SetCapture(false);
}

void CPaintManagerUI::SetHot(CControlUI* control, UiPoint pt) {
    if (control == m_hot)
        return;
    CControlUI* old = m_hot;
    m_hot = control;
    HideToolTip();
    if (control != nullptr && TimerTarget() != platform::kNoWindow) {
        m_timerLoop->SetTimer(m_timerTarget, kHoverTimer, kHoverDelayMs,
                              platform::TimerMode::OneShot);
    }
    if (old != nullptr)
        SendEvent(old, UiEvent::MouseLeave, pt);
    if (control != nullptr && m_hot == control)
        SendEvent(control, UiEvent::MouseEnter, pt);
}

bool CPaintManagerUI::MessageHandler(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                     intptr_t& result) {
    DispatchScope scope(*this);
    for (size_t i = 0; i < m_filters.size(); ++i) {
        bool handled = false;
        const intptr_t r = m_filters[i]->MessageHandler(msg, wParam, lParam, handled);
        if (handled) {
            result = r;
            return true;
        }
    }
    result = 0;
    switch (msg) {
        case kMsgSize: {
            const UiPoint p = PointFromParam(lParam);
            SetClientSize({p.x, p.y});
            return false;
        }
        case kMsgMouseMove: {
            const UiPoint pt = PointFromParam(lParam);
            m_lastMouse = pt;
            LayoutIfNeeded();
            if (m_eventClick != nullptr) {
                SendEvent(m_eventClick, UiEvent::MouseMove, pt);
                return true;
            }
            CControlUI* hit = FindControl(pt);
            if (hit != nullptr && !hit->IsEnabled())
                hit = nullptr;
            SetHot(hit, pt);
            if (m_window != nullptr)
                m_window->Host().SetCursor(m_hot != nullptr ? m_hot->GetCursor()
                                                            : CursorKind::Arrow);
            if (m_hot != nullptr)
                SendEvent(m_hot, UiEvent::MouseMove, pt);
            return true;
        }
        case kMsgMouseLeave:
            if (m_eventClick == nullptr)
                SetHot(nullptr, m_lastMouse);
            return true;
        case kMsgLButtonDown:
        case kMsgLButtonDblClk: {
            const UiPoint pt = PointFromParam(lParam);
            m_lastMouse = pt;
            LayoutIfNeeded();
            HideToolTip();
            CControlUI* hit = FindControl(pt);
            if (hit == nullptr || !hit->IsEnabled())
                return true;
            if (hit->IsKeyboardEnabled()) {
                SetFocus(hit);
            }
            if (hit->GetManager() != this)
                return true;  // removed by a focus handler
            m_eventClick = hit;
            SetCapture();
            SendEvent(hit, msg == kMsgLButtonDown ? UiEvent::ButtonDown : UiEvent::DblClick, pt,
                      wParam);
            return true;
        }
        case kMsgLButtonUp: {
            const UiPoint pt = PointFromParam(lParam);
            m_lastMouse = pt;
            ReleaseCapture();
            CControlUI* target = m_eventClick;
            m_eventClick = nullptr;
            if (target != nullptr)
                SendEvent(target, UiEvent::ButtonUp, pt, wParam);
            return true;
        }
        case kMsgRButtonDown:
        case kMsgRButtonUp: {
            const UiPoint pt = PointFromParam(lParam);
            m_lastMouse = pt;
            LayoutIfNeeded();
            CControlUI* hit = FindControl(pt);
            if (hit == nullptr || !hit->IsEnabled())
                return true;
            SendEvent(hit, msg == kMsgRButtonDown ? UiEvent::RButtonDown : UiEvent::RButtonUp, pt,
                      wParam);
            if (msg == kMsgRButtonUp && hit->GetManager() == this) {
                SendEvent(hit, UiEvent::ContextMenu, pt, wParam);
            }
            return true;
        }
        case kMsgMouseWheel: {
            const UiPoint pt = PointFromParam(lParam);
            LayoutIfNeeded();
            CControlUI* hit = FindControl(pt);
            if (hit == nullptr)
                return true;
            SendEvent(hit, UiEvent::ScrollWheel, pt, wParam);
            return true;
        }
        case kMsgKeyDown:
        case kMsgKeyUp:
        case kMsgChar: {
            if (msg == kMsgKeyDown && wParam == kKeyTab) {
                MoveFocus((lParam & kModShift) == 0);
                return true;
            }
            if (m_focus == nullptr)
                return false;
            const UiEvent type = msg == kMsgKeyDown ? UiEvent::KeyDown
                                 : msg == kMsgKeyUp ? UiEvent::KeyUp
                                                    : UiEvent::Char;
            SendEvent(m_focus, type, m_lastMouse, wParam, static_cast<uint32_t>(wParam));
            return true;
        }
        case kMsgKillFocus:
            // The window lost the keyboard: no control keeps a half-finished drag.
            if (m_eventClick != nullptr) {
                CControlUI* target = m_eventClick;
                m_eventClick = nullptr;
                ReleaseCapture();
                SendEvent(target, UiEvent::ButtonUp, m_lastMouse);
            }
            return false;
        default:
            return false;
    }
}

platform::WindowHandle CPaintManagerUI::TimerTarget() {
    platform::MessageLoop* loop = Loop();
    if (loop == nullptr)
        return platform::kNoWindow;
    if (m_timerLoop != loop || !loop->IsRegistered(m_timerTarget)) {
        m_timerLoop = loop;
        m_timerTarget = loop->Register(this);
    }
    return m_timerTarget;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, uintptr_t id, uint32_t elapseMs) {
    if (control == nullptr || control->GetManager() != this)
        return false;
    const platform::WindowHandle target = TimerTarget();
    if (target == platform::kNoWindow)
        return false;
    for (auto& [loopId, info] : m_timers) {
        if (info.control == control && info.id == id) {
            m_timerLoop->SetTimer(target, loopId, elapseMs);
            return true;
        }
    }
    const uintptr_t loopId = m_nextTimerId++;
    m_timers.emplace(loopId, TimerInfo{control, id});
    m_timerLoop->SetTimer(target, loopId, elapseMs);
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, uintptr_t id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.control == control && it->second.id == id) {
            if (m_timerLoop != nullptr)
                m_timerLoop->KillTimer(m_timerTarget, it->first);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimers(CControlUI* control) {
    for (auto it = m_timers.begin(); it != m_timers.end();) {
        if (it->second.control == control) {
            if (m_timerLoop != nullptr)
                m_timerLoop->KillTimer(m_timerTarget, it->first);
            it = m_timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool CPaintManagerUI::HasTimer(const CControlUI* control, uintptr_t id) const {
    for (const auto& [loopId, info] : m_timers) {
        if (info.control == control && info.id == id)
            return true;
    }
    return false;
}

void CPaintManagerUI::RemoveAllTimers() {
    if (m_timerLoop != nullptr) {
        for (const auto& [loopId, info] : m_timers)
            m_timerLoop->KillTimer(m_timerTarget, loopId);
    }
    m_timers.clear();
}

void CPaintManagerUI::HideToolTip() {
    if (m_toolTipShown && m_window != nullptr)
        m_window->Host().HideToolTip();
    m_toolTipShown = false;
}

void CPaintManagerUI::OnHover() {
    if (m_hot == nullptr)
        return;
    DispatchScope scope(*this);
    SendEvent(m_hot, UiEvent::MouseHover, m_lastMouse);
    if (m_hot == nullptr || m_window == nullptr)
        return;
    const std::string tip = m_hot->GetToolTip();
    if (tip.empty())
        return;
    m_window->Host().ShowToolTip(tip, m_hot->GetPos());
    m_toolTipShown = true;
}

intptr_t CPaintManagerUI::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg != platform::kMsgTimer)
        return 0;
    if (wParam == kHoverTimer) {
        OnHover();
        return 0;
    }
    auto it = m_timers.find(wParam);
    if (it == m_timers.end())
        return 0;
    DispatchScope scope(*this);
    const TimerInfo info = it->second;
    TEventUI ev;
    ev.Type = UiEvent::Timer;
    ev.pSender = info.control;
    ev.dwTimestamp = NowMs();
    ev.wParam = info.id;
    info.control->Event(ev);
    return 0;
}

void CPaintManagerUI::AddFont(int id, std::string_view face, int size, bool bold, bool underline,
                              bool italic, bool shared) {
    FontInfo f;
    f.id = id;
    f.face = face;
    f.size = size;
    f.bold = bold;
    f.underline = underline;
    f.italic = italic;
    f.shared = shared;
    m_fonts[id] = std::move(f);
    Invalidate();
}

void CPaintManagerUI::SetDefaultFont(std::string_view face, int size, bool bold, bool underline,
                                     bool italic, bool shared) {
    m_defaultFont = FontInfo{-1, std::string(face), size, bold, underline, italic, shared};
    Invalidate();
}

const FontInfo* CPaintManagerUI::GetFontInfo(int id) const {
    auto it = m_fonts.find(id);
    return it == m_fonts.end() ? nullptr : &it->second;
}

const FontInfo& CPaintManagerUI::GetFontOrDefault(int id) const {
    const FontInfo* f = GetFontInfo(id);
    return f != nullptr ? *f : m_defaultFont;
}

void CPaintManagerUI::RemoveAllFonts() {
    m_fonts.clear();
    Invalidate();
}

void CPaintManagerUI::RemoveFont(int id) {
    m_fonts.erase(id);
}

void CPaintManagerUI::AddStyle(std::string_view name, std::string_view attributes) {
    m_styles[std::string(name)] = attributes;
}

const std::string* CPaintManagerUI::GetStyle(std::string_view name) const {
    auto it = m_styles.find(std::string(name));
    return it == m_styles.end() ? nullptr : &it->second;
}

void CPaintManagerUI::AddDefaultAttributeList(std::string_view cls, std::string_view attributes) {
    m_defaultAttributes[ToLower(cls)] = attributes;
}

const std::string* CPaintManagerUI::GetDefaultAttributeList(std::string_view cls) const {
    auto it = m_defaultAttributes.find(ToLower(cls));
    return it == m_defaultAttributes.end() ? nullptr : &it->second;
}

void CPaintManagerUI::SetClientSize(UiSize size) {
    if (size == m_clientSize)
        return;
    m_clientSize = size;
    m_updateNeeded = true;
    Invalidate();
}

void CPaintManagerUI::Invalidate(const UiRect& rc) {
    const UiRect clipped = rc.Intersect({0, 0, m_clientSize.cx, m_clientSize.cy});
    if (clipped.IsEmpty())
        return;
    m_invalid = m_invalid.Union(clipped);
    if (m_window != nullptr)
        m_window->Host().Invalidate(clipped);
}

void CPaintManagerUI::Invalidate() {
    Invalidate({0, 0, m_clientSize.cx, m_clientSize.cy});
}

void CPaintManagerUI::LayoutIfNeeded() {
    if (!m_root)
        return;
    if (!m_updateNeeded && !m_root->IsUpdateNeeded())
        return;
    m_updateNeeded = false;
    m_root->SetPos({0, 0, m_clientSize.cx, m_clientSize.cy});
}

void CPaintManagerUI::Paint(IRenderEngine& render, const UiRect& clip) {
    LayoutIfNeeded();
    if (!m_root)
        return;
    render.PushClip(clip);
    m_root->DoPaint(render, clip);
    render.PopClip();
    m_invalid = {};
}

void CPaintManagerUI::Paint(IRenderEngine& render) {
    LayoutIfNeeded();
    Paint(render, m_invalid.IsEmpty() ? UiRect{0, 0, m_clientSize.cx, m_clientSize.cy} : m_invalid);
}

IRenderEngine& CPaintManagerUI::GetRenderEngine() const {
    static NullRenderEngine null;
    return m_render != nullptr ? *m_render : null;
}

}  // namespace ui
