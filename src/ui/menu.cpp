#include "ui/menu.h"

#include "ui/builder.h"

namespace ui {

CMenuElementUI::CMenuElementUI() {
    m_textStyle = kAlignLeft | kAlignVCenter | kAlignSingleLine;
    m_textPadding = {8, 0, 8, 0};
    m_fixedSize.cy = 26;
}

void CMenuWnd::RegisterControls() {
    CControlFactory::GetInstance()->RegistControl("Menu", &CreateControlOf<CMenuUI>);
    CControlFactory::GetInstance()->RegistControl("MenuElement", &CreateControlOf<CMenuElementUI>);
}

std::string CMenuWnd::GetSkinXml() {
    // A source that is layout text builds directly.
    const size_t first = m_source.find_first_not_of(" \t\r\n");
    return first != std::string::npos && m_source[first] == '<' ? m_source : std::string();
}

bool CMenuWnd::Init(CWindowWnd* owner, std::string_view source, UiPoint point, uint32_t align) {
    RegisterControls();
    m_owner = owner;
    m_source = source;
    m_point = point;
    m_align = align;
    if (!Create(owner, "menu", kStylePopup, kExStyleToolWindow | kExStyleTopmost))
        return false;
    Place();
    ShowWindow(true, true);
    return true;
}

CMenuUI* CMenuWnd::GetMenu() const {
    return dynamic_cast<CMenuUI*>(
        const_cast<CPaintManagerUI&>(m_pm).FindSubControlByClass(m_pm.GetRoot(), "Menu"));
}

void CMenuWnd::Place() {
    // The size follows the rows when the layout gives none.
    UiSize size = m_pm.GetInitSize();
    if (size.cx <= 0 || size.cy <= 0) {
        int height = 0;
        if (CMenuUI* menu = GetMenu()) {
            for (int i = 0; i < menu->GetCount(); ++i) {
                CControlUI* row = menu->GetItemAt(i);
                if (row->IsVisible())
                    height += row->GetFixedHeight();
            }
        }
        size = {m_pm.Scale(160), std::max(height, m_pm.Scale(10))};
    }
    int x = (m_align & kMenuAlignLeft) != 0 ? m_point.x - size.cx : m_point.x;
    int y = (m_align & kMenuAlignTop) != 0 ? m_point.y - size.cy : m_point.y;
    MoveWindow({x, y, x + size.cx, y + size.cy});
}

bool CMenuWnd::ChooseItem(std::string_view name) {
    if (!IsWindow())
        return false;
    CControlUI* item = m_pm.FindControl(name);
    if (item == nullptr || !item->IsEnabled() || !item->IsVisible())
        return false;
    MenuCommand cmd{item->GetName(), item->GetUserData(), item->GetText()};
    // The menu closes first, so the owner may open another one.
    Close(0);
    if (m_owner != nullptr && m_owner->IsWindow()) {
        m_owner->SendMessage(kMsgMenuClick, 0, reinterpret_cast<intptr_t>(&cmd));
    }
    return true;
}

void CMenuWnd::Notify(TNotifyUI& msg) {
    if ((msg.sType == notify::kItemClick || msg.sType == notify::kClick) &&
        msg.pSender != nullptr && dynamic_cast<CMenuElementUI*>(msg.pSender) != nullptr) {
        const std::string name = msg.pSender->GetName();
        ChooseItem(name);
        return;
    }
    WindowImplBase::Notify(msg);
}

intptr_t CMenuWnd::HandleCustomMessage(uint32_t msg, uintptr_t, intptr_t, bool& handled) {
    if (msg == kMsgKillFocus) {
        // Clicking elsewhere closes the menu.
        handled = true;
        PostMessage(platform::kMsgClose);
        return 0;
    }
    if (msg == platform::kMsgClose && !m_closing) {
        handled = true;
        Close(0);
        return 0;
    }
    handled = false;
    return 0;
}

namespace {
std::unique_ptr<ITrayHost> (*&TrayFactory())(CTrayIcon&) {
    static std::unique_ptr<ITrayHost> (*factory)(CTrayIcon&) = nullptr;
    return factory;
}
}  // namespace

void CTrayIcon::SetTrayHostFactory(std::unique_ptr<ITrayHost> (*factory)(CTrayIcon&)) {
    TrayFactory() = factory;
}

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon() {
    DeleteTrayIcon();
}

void CTrayIcon::CreateTrayIcon(platform::WindowHandle owner, int iconId, std::string_view tip,
                               uint32_t callbackMsg) {
    DeleteTrayIcon();
    m_owner = owner;
    m_iconId = iconId;
    m_tip = tip;
    m_callbackMsg = callbackMsg;
    if (TrayFactory() != nullptr)
        m_host = TrayFactory()(*this);
    if (m_host)
        m_host->Show(iconId, m_tip);
    m_visible = true;
}

void CTrayIcon::DeleteTrayIcon() {
    if (!m_visible)
        return;
    if (m_host)
        m_host->Hide();
    m_host.reset();
    m_visible = false;
}

void CTrayIcon::SetTooltipText(std::string_view tip) {
    m_tip = tip;
    if (m_host && m_visible)
        m_host->Show(m_iconId, m_tip);
}

void CTrayIcon::OnIconMessage(uint32_t mouseMsg) {
    platform::MessageLoop* loop = CPaintManagerUI::GetMessageLoop();
    if (!m_visible || loop == nullptr)
        return;
    loop->Send(m_owner, m_callbackMsg, static_cast<uintptr_t>(m_iconId),
               static_cast<intptr_t>(mouseMsg));
}

}  // namespace ui
