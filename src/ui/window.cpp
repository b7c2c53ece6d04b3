#include "ui/window.h"

#include "platform/trace.h"

namespace ui {

namespace {

std::function<void(CWindowWnd&)>& ModalHandler() {
    static std::function<void(CWindowWnd&)> handler;
    return handler;
}

IWindowHostFactory*& Factory() {
    static IWindowHostFactory* factory = nullptr;
    return factory;
}

}  // namespace

void HeadlessWindowHost::Show(ShowState state, bool activate) {
    m_state = state;
    if (activate && state != ShowState::Hidden)
        ++m_activations;
}

void HeadlessWindowHost::SetModalHandler(std::function<void(CWindowWnd&)> handler) {
    ModalHandler() = std::move(handler);
}

void HeadlessWindowHost::RunModal(CWindowWnd& window) {
    if (ModalHandler())
        ModalHandler()(window);
    if (window.IsWindow())
        window.Close(-1);
}

std::unique_ptr<IWindowHost> HeadlessHostFactory::CreateHost(CWindowWnd&, CWindowWnd*) {
    return std::make_unique<HeadlessWindowHost>();
}

IWindowHostFactory& GetWindowHostFactory() {
    static HeadlessHostFactory headless;
    return Factory() != nullptr ? *Factory() : headless;
}

void SetWindowHostFactory(IWindowHostFactory* factory) {
    Factory() = factory;
}

CWindowWnd::CWindowWnd() = default;

CWindowWnd::~CWindowWnd() {
    if (m_loop != nullptr && m_handle != platform::kNoWindow)
        m_loop->Unregister(m_handle);
    if (m_host)
        m_host->Destroy();
}

IWindowHost& CWindowWnd::Host() const {
    static HeadlessWindowHost detached;  // for a window not created yet
    return m_host ? *m_host : detached;
}

bool CWindowWnd::Create(CWindowWnd* parent, std::string_view title, uint32_t style,
                        uint32_t exStyle, int x, int y, int cx, int cy) {
    if (IsWindow())
        return false;
    m_loop = CPaintManagerUI::GetMessageLoop();
    if (m_loop == nullptr) {
        platform::Trace("ui: a window needs the message loop (CPaintManagerUI::SetMessageLoop)");
        return false;
    }
    m_parent = parent;
    m_closing = false;
    m_host = GetWindowHostFactory().CreateHost(*this, parent);
    m_host->SetTitle(std::string(title));
    m_host->SetStyle(style, exStyle);
    m_host->SetTopmost((exStyle & kExStyleTopmost) != 0);
    m_host->SetRect({x, y, x + cx, y + cy});
    m_handle = m_loop->Register(this);
    HandleMessage(kMsgCreate, 0, 0);
    if (!IsWindow())
        return false;  // closed while creating
    const UiRect rc = m_host->GetRect();
    HandleMessage(kMsgSize, 0, MakePointParam({rc.Width(), rc.Height()}));
    if ((style & kStyleVisible) != 0)
        ShowWindow(true, (exStyle & kExStyleNoActivate) == 0);
    return true;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!IsWindow())
        return;
    m_host->Show(show ? ShowState::Normal : ShowState::Hidden, takeFocus);
    HandleMessage(kMsgShowWindow, show ? 1 : 0, 0);
}

bool CWindowWnd::IsVisible() const {
    return IsWindow() && m_host->GetShowState() != ShowState::Hidden;
}

bool CWindowWnd::IsMinimized() const {
    return IsWindow() && m_host->GetShowState() == ShowState::Minimized;
}

void CWindowWnd::SetShowState(ShowState state) {
    if (IsWindow())
        m_host->Show(state, state != ShowState::Hidden);
}

int CWindowWnd::ShowModal() {
    if (!IsWindow())
        return -1;
    m_modal = true;
    m_modalResult = -1;
    if (m_parent != nullptr && m_parent->IsWindow())
        m_parent->Host().Activate();
    ShowWindow(true, true);
    m_host->RunModal(*this);
    m_modal = false;
    return m_modalResult;
}

void CWindowWnd::Close(int result) {
    if (!IsWindow() || m_closing)
        return;
    m_modalResult = result;
    m_closing = true;
    // The window may refuse (a handled close that does not destroy).
    if (HandleMessage(platform::kMsgClose, static_cast<uintptr_t>(result), 0) != 0) {
        m_closing = false;
        return;
    }
    DestroyWindow();
}

void CWindowWnd::DestroyWindow() {
    if (!IsWindow())
        return;
    HandleMessage(platform::kMsgDestroy, 0, 0);
    m_host->Destroy();
    m_loop->Unregister(m_handle);
    m_handle = platform::kNoWindow;
    OnFinalMessage();
}

void CWindowWnd::CenterWindow() {
    if (!IsWindow())
        return;
    const UiRect rc = m_host->GetRect();
    UiRect area = m_host->GetScreenRect();
    if (m_parent != nullptr && m_parent->IsVisible())
        area = m_parent->GetWindowRect();
    const int x = area.left + (area.Width() - rc.Width()) / 2;
    const int y = area.top + (area.Height() - rc.Height()) / 2;
    MoveWindow({x, y, x + rc.Width(), y + rc.Height()});
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    if (!IsWindow())
        return;
    const UiRect rc = m_host->GetRect();
    MoveWindow({rc.left, rc.top, rc.left + cx, rc.top + cy});
}

void CWindowWnd::MoveWindow(const UiRect& rc) {
    if (!IsWindow())
        return;
    const UiRect old = m_host->GetRect();
    m_host->SetRect(rc);
    if (old.Width() != rc.Width() || old.Height() != rc.Height()) {
        HandleMessage(kMsgSize, 0, MakePointParam({rc.Width(), rc.Height()}));
    }
}

UiRect CWindowWnd::GetWindowRect() const {
    return IsWindow() ? m_host->GetRect() : UiRect{};
}

void CWindowWnd::SetTopmost(bool on) {
    if (IsWindow())
        m_host->SetTopmost(on);
}

void CWindowWnd::SetIcon(int resourceId) {
    if (IsWindow())
        m_host->SetIcon(resourceId);
}

void CWindowWnd::SetTitle(std::string_view title) {
    if (IsWindow())
        m_host->SetTitle(std::string(title));
}

intptr_t CWindowWnd::SendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (!IsWindow())
        return 0;
    return m_loop->Send(m_handle, msg, wParam, lParam);
}

bool CWindowWnd::PostMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    return IsWindow() && m_loop->Post(m_handle, msg, wParam, lParam);
}

bool CWindowWnd::SetTimer(uintptr_t id, uint32_t elapseMs, platform::TimerMode mode) {
    if (!IsWindow())
        return false;
    m_loop->SetTimer(m_handle, id, elapseMs, mode);
    return true;
}

void CWindowWnd::KillTimer(uintptr_t id) {
    if (IsWindow())
        m_loop->KillTimer(m_handle, id);
}

intptr_t CWindowWnd::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
    if (msg == kMsgSysCommand) {
        switch (wParam) {
            case kScMinimize:
                SetShowState(ShowState::Minimized);
                return 0;
            case kScMaximize:
                SetShowState(ShowState::Maximized);
                return 0;
            case kScRestore:
                SetShowState(ShowState::Normal);
                return 0;
            case kScClose:
                Close(0);
                return 0;
            default:
                return 0;
        }
    }
    return 0;
}

void CWindowWnd::OnDPIChanged(int oldDpi, int newDpi) {
    if (!IsWindow() || oldDpi <= 0)
        return;
    const UiRect rc = m_host->GetRect();
    ResizeClient(rc.Width() * newDpi / oldDpi, rc.Height() * newDpi / oldDpi);
}

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
    if (m_loop != nullptr && m_handle != platform::kNoWindow) {
        m_loop->Unregister(m_handle);
        m_handle = platform::kNoWindow;
    }
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    NotifyPump(msg);
}

std::unique_ptr<CControlUI> WindowImplBase::CreateControl(std::string_view) {
    return nullptr;
}

intptr_t WindowImplBase::MessageHandler(uint32_t, uintptr_t, intptr_t, bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::HandleCustomMessage(uint32_t, uintptr_t, intptr_t, bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::OnCreate() {
    m_pm.Init(this, GetWindowClassName());
    m_pm.SetNotifyWindow(this);
    m_pm.AddMessageFilter(this);
    CDialogBuilder builder;
    std::string xml = GetSkinXml();
    auto root = builder.Create(xml.empty() ? GetSkinFile() : xml, this, &m_pm);
    if (!root) {
        m_buildError = root.error().message;
        platform::Trace("ui: cannot build " + GetWindowClassName() + ": " + m_buildError);
        return -1;
    }
    m_buildError.clear();
    m_pm.AttachDialog(std::move(*root));
    const UiSize init = m_pm.GetInitSize();
    if (init.cx > 0 && init.cy > 0) {
        const UiRect rc = m_host->GetRect();
        m_host->SetRect(
            {rc.left, rc.top, rc.left + m_pm.Scale(init.cx), rc.top + m_pm.Scale(init.cy)});
    }
    InitWindow();
    m_pm.SendNotify(m_pm.GetRoot(), notify::kWindowInit);
    return 0;
}

intptr_t WindowImplBase::OnClose(bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::OnDestroy(bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::OnSize(UiSize size, bool& handled) {
    handled = false;
    m_pm.SetClientSize(size);
    if (m_pm.GetRoot() != nullptr)
        m_pm.SendNotify(m_pm.GetRoot(), notify::kWindowSize);
    return 0;
}

intptr_t WindowImplBase::OnTimer(uintptr_t, bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    bool handled = false;
    if (msg == kMsgCreate)
        return OnCreate() < 0 ? (DestroyWindow(), -1) : 0;
    const intptr_t custom = HandleCustomMessage(msg, wParam, lParam, handled);
    if (handled)
        return custom;
    intptr_t result = 0;
    switch (msg) {
        case platform::kMsgClose:
            result = OnClose(handled);
            if (handled)
                return result;
            return 0;
        case platform::kMsgDestroy:
            result = OnDestroy(handled);
            if (handled)
                return result;
            return 0;
        case kMsgSize: {
            const UiPoint p = PointFromParam(lParam);
            result = OnSize({p.x, p.y}, handled);
            if (handled)
                return result;
            return 0;
        }
        case platform::kMsgTimer:
            result = OnTimer(wParam, handled);
            if (handled)
                return result;
            break;
        default:
            break;
    }
    if (m_pm.MessageHandler(msg, wParam, lParam, result))
        return result;
    return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

}  // namespace ui
