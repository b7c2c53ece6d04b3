#include "ui/control.h"

#include <algorithm>
#include <cctype>

#include "platform/trace.h"
#include "ui/paint_manager.h"
#include "ui/resource_manager.h"

namespace ui {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_manager != nullptr)
        m_manager->ReapObjects(this);
}

void CControlUI::SetName(std::string_view name) {
    if (name == m_name)
        return;
    std::string old = std::move(m_name);
    m_name = name;
    if (m_manager != nullptr && m_initDone)
        m_manager->OnNameChanged(this, old);
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    m_manager = manager;
    m_parent = parent;
    if (init && manager != nullptr) {
        manager->InitControls(this);
        if (!m_initDone) {
            m_initDone = true;
            DoInit();
        }
    }
}

bool CControlUI::IsAncestorOf(const CControlUI* other) const {
    for (const CControlUI* p = other; p != nullptr; p = p->GetParent()) {
        if (p == this)
            return true;
    }
    return false;
}

std::string CControlUI::GetText() const {
    if (!m_resourceText)
        return m_text;
    return CResourceManager::GetInstance()->GetText(m_text);
}

void CControlUI::SetText(std::string_view text) {
    if (text == m_text)
        return;
    m_text = text;
    Invalidate();
}

void CControlUI::SetResourceText(bool on) {
    if (on == m_resourceText)
        return;
    m_resourceText = on;
    Invalidate();
}

std::string CControlUI::GetToolTip() const {
    if (!m_resourceText || m_toolTip.empty())
        return m_toolTip;
    return CResourceManager::GetInstance()->GetText(m_toolTip);
}

const std::string& CControlUI::GetVirtualWnd() const {
    // A control without its own virtual window belongs to its parent's.
    for (const CControlUI* c = this; c != nullptr; c = c->GetParent()) {
        if (!c->m_virtualWnd.empty())
            return c->m_virtualWnd;
    }
    return m_virtualWnd;
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible)
        return;
    const bool wasVisible = IsVisible();
    m_visible = visible;
    if (!IsVisible() && m_manager != nullptr && wasVisible) {
        // Transient state does not survive hiding.
        m_hot = false;
        if (m_manager->GetFocus() != nullptr && IsAncestorOf(m_manager->GetFocus())) {
            m_manager->SetFocus(nullptr);
        }
    }
    NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
    m_internVisible = visible;
    if (!visible && m_manager != nullptr && m_manager->GetFocus() == this) {
        m_manager->SetFocus(nullptr);
    }
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled)
        return;
    m_enabled = enabled;
    if (!enabled)
        m_hot = false;
    Invalidate();
}

bool CControlUI::IsFocused() const {
    return m_manager != nullptr && m_manager->GetFocus() == this;
}

void CControlUI::SetFocus() {
    if (m_manager != nullptr)
        m_manager->SetFocus(this);
}

void CControlUI::SetPos(const UiRect& rc) {
    UiRect r = rc;
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    if (r != m_rcItem) {
        Invalidate();
        m_rcItem = r;
    }
    m_updateNeeded = false;
    Invalidate();
}

void CControlUI::SetPosLazy(const UiRect& rc) {
    m_rcItem = rc;
    m_updateNeeded = false;
}

UiSize CControlUI::EstimateSize(UiSize) {
    return {GetFixedWidth(), GetFixedHeight()};
}

int CControlUI::Scale(int v) const {
    return m_manager != nullptr ? m_manager->Scale(v) : v;
}
int CControlUI::GetFixedWidth() const {
    return Scale(m_fixedSize.cx);
}
int CControlUI::GetFixedHeight() const {
    return Scale(m_fixedSize.cy);
}
int CControlUI::GetMinWidth() const {
    return Scale(m_minSize.cx);
}
int CControlUI::GetMaxWidth() const {
    return m_maxSize.cx >= 9999 ? 99999 : Scale(m_maxSize.cx);
}
int CControlUI::GetMinHeight() const {
    return Scale(m_minSize.cy);
}
int CControlUI::GetMaxHeight() const {
    return m_maxSize.cy >= 9999 ? 99999 : Scale(m_maxSize.cy);
}
UiRect CControlUI::GetPadding() const {
    return {Scale(m_padding.left), Scale(m_padding.top), Scale(m_padding.right),
            Scale(m_padding.bottom)};
}

void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0 || cx == m_fixedSize.cx)
        return;
    m_fixedSize.cx = cx;
    NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0 || cy == m_fixedSize.cy)
        return;
    m_fixedSize.cy = cy;
    NeedParentUpdate();
}

void CControlUI::SetFloatPos(const UiRect& pos) {
    m_floatPos = pos;
    m_fixedSize = {std::max(0, pos.right - pos.left), std::max(0, pos.bottom - pos.top)};
    NeedParentUpdate();
}

void CControlUI::NeedUpdate() {
    m_updateNeeded = true;
    if (m_manager != nullptr) {
        m_manager->NeedUpdate();
        Invalidate();
    }
}

void CControlUI::NeedParentUpdate() {
    if (m_parent != nullptr) {
        m_parent->NeedUpdate();
    } else {
        NeedUpdate();
    }
}

void CControlUI::Invalidate() {
    if (m_manager != nullptr && IsVisible() && !m_rcItem.IsEmpty()) {
        m_manager->Invalidate(m_rcItem);
    }
}

bool CControlUI::SetBkImage(std::string_view description) {
    auto parsed = ParseImageDescription(description);
    if (!parsed) {
        platform::Trace(parsed.error().message);
        return false;
    }
    m_bkImage = std::move(*parsed);
    Invalidate();
    return true;
}

bool CControlUI::SetForeImage(std::string_view description) {
    auto parsed = ParseImageDescription(description);
    if (!parsed) {
        platform::Trace(parsed.error().message);
        return false;
    }
    m_foreImage = std::move(*parsed);
    Invalidate();
    return true;
}

static std::optional<uint32_t> ParseAlign(std::string_view v, uint32_t current) {
    const std::string s = ToLower(v);
    uint32_t style = current;
    if (s == "left") {
        style = (style & ~(kAlignCenter | kAlignRight)) | kAlignLeft;
    } else if (s == "center") {
        style = (style & ~(kAlignRight)) | kAlignCenter;
    } else if (s == "right") {
        style = (style & ~(kAlignCenter)) | kAlignRight;
    } else if (s == "top") {
        style &= ~(kAlignVCenter | kAlignBottom);
    } else if (s == "vcenter") {
        style = (style & ~kAlignBottom) | kAlignVCenter;
    } else if (s == "bottom") {
        style = (style & ~kAlignVCenter) | kAlignBottom;
    } else {
        return std::nullopt;
    }
    return style;
}

AttrResult CControlUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CControlUI;
    static const AttributeTable<C> kTable = {
        {"name",
         [](C& c, std::string_view v) {
             c.SetName(v);
             return true;
         }},
        {"text",
         [](C& c, std::string_view v) {
             c.SetText(v);
             return true;
         }},
        {"resourcetext",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.SetResourceText(b); });
         }},
        {"tooltip",
         [](C& c, std::string_view v) {
             c.SetToolTip(v);
             return true;
         }},
        {"userdata",
         [](C& c, std::string_view v) {
             c.SetUserData(v);
             return true;
         }},
        {"virtualwnd",
         [](C& c, std::string_view v) {
             c.SetVirtualWnd(v);
             return true;
         }},
        {"visible",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetVisible(b); }); }},
        {"enabled",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetEnabled(b); }); }},
        {"mouse",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.SetMouseEnabled(b); });
         }},
        {"keyboard",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.SetKeyboardEnabled(b); });
         }},
        {"float",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetFloat(b); }); }},
        {"pos",
         [](C& c, std::string_view v) { return WithRect(v, [&](UiRect r) { c.SetFloatPos(r); }); }},
        {"padding",
         [](C& c, std::string_view v) { return WithRect(v, [&](UiRect r) { c.SetPadding(r); }); }},
        {"width",
         [](C& c, std::string_view v) { return WithCount(v, [&](int i) { c.SetFixedWidth(i); }); }},
        {"height",
         [](C& c, std::string_view v) {
             return WithCount(v, [&](int i) { c.SetFixedHeight(i); });
         }},
        {"minwidth",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMinWidth(i); }); }},
        {"maxwidth",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMaxWidth(i); }); }},
        {"minheight",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMinHeight(i); }); }},
        {"maxheight",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMaxHeight(i); }); }},
        {"bkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetBkColor(x); });
         }},
        {"bkimage", [](C& c, std::string_view v) { return c.SetBkImage(v); }},
        {"foreimage", [](C& c, std::string_view v) { return c.SetForeImage(v); }},
        {"bordercolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetBorderColor(x); });
         }},
        {"focusbordercolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_focusBorderColor = x; });
         }},
        {"bordersize",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetBorderSize(i); }); }},
        {"borderround",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.m_borderRound = i; }); }},
        {"font", [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetFont(i); }); }},
        {"textcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetTextColor(x); });
         }},
        {"disabledtextcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetDisabledTextColor(x); });
         }},
        {"textpadding",
         [](C& c, std::string_view v) {
             return WithRect(v, [&](UiRect r) { c.SetTextPadding(r); });
         }},
        {"align",
         [](C& c, std::string_view v) {
             auto a = ParseAlign(v, c.m_textStyle);
             if (!a)
                 return false;
             c.SetTextStyle(*a);
             return true;
         }},
        {"valign",
         [](C& c, std::string_view v) {
             auto a = ParseAlign(v, c.m_textStyle);
             if (!a)
                 return false;
             c.SetTextStyle(*a);
             return true;
         }},
        {"wordbreak",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) {
                 c.m_textStyle = b ? ((c.m_textStyle | kAlignWordBreak) & ~kAlignSingleLine)
                                   : ((c.m_textStyle & ~kAlignWordBreak) | kAlignSingleLine);
             });
         }},
        {"endellipsis",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) {
                 c.m_textStyle =
                     b ? (c.m_textStyle | kAlignEndEllipsis) : (c.m_textStyle & ~kAlignEndEllipsis);
             });
         }},
        {"cursor",
         [](C& c, std::string_view v) {
             auto k = ParseCursor(v);
             if (!k)
                 return false;
             c.SetCursor(*k);
             return true;
         }},
        {"style",
         [](C& c, std::string_view v) {
             if (c.m_manager == nullptr)
                 return false;
             const std::string* list = c.m_manager->GetStyle(v);
             if (list == nullptr)
                 return false;
             c.m_style = v;
             return c.ApplyAttributeList(*list) == AttrResult::Ok;
         }},
    };
    return kTable.Apply(*this, name, value);
}

AttrResult CControlUI::ApplyAttributeList(std::string_view list, std::string* error) {
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && std::isspace(static_cast<unsigned char>(list[i])))
            ++i;
        if (i >= list.size())
            break;
        size_t eq = list.find('=', i);
        if (eq == std::string_view::npos || eq + 1 >= list.size() ||
            (list[eq + 1] != '"' && list[eq + 1] != '\'')) {
            if (error)
                *error = "malformed attribute list: " + std::string(list);
            return AttrResult::BadValue;
        }
        std::string_view name = list.substr(i, eq - i);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
            name.remove_suffix(1);
        }
        const char quote = list[eq + 1];
        size_t end = list.find(quote, eq + 2);
        if (end == std::string_view::npos) {
            if (error)
                *error = "unterminated value in attribute list: " + std::string(list);
            return AttrResult::BadValue;
        }
        std::string_view value = list.substr(eq + 2, end - eq - 2);
        AttrResult r = SetAttribute(name, value);
        if (r != AttrResult::Ok) {
            if (error) {
                *error = (r == AttrResult::Unknown ? "unknown attribute '" : "bad value for '") +
                         std::string(name) + "'" +
                         (r == AttrResult::Unknown ? "" : ": '" + std::string(value) + "'");
            }
            return r;
        }
        i = end + 1;
    }
    return AttrResult::Ok;
}

void CControlUI::Event(TEventUI& event) {
    DoEvent(event);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::MouseEnter:
            if (IsEnabled()) {
                m_hot = true;
                Notify(notify::kMouseEnter);
                Invalidate();
            }
            return;
        case UiEvent::MouseLeave:
            if (m_hot) {
                m_hot = false;
                Notify(notify::kMouseLeave);
                Invalidate();
            }
            return;
        case UiEvent::SetFocus:
        case UiEvent::KillFocus:
            Invalidate();
            return;
        case UiEvent::Timer:
            // A control that does not handle its own timer hands it to the window.
            Notify(notify::kTimer, event.wParam);
            return;
        case UiEvent::ScrollWheel:
        case UiEvent::ButtonDown:
        case UiEvent::ButtonUp:
        case UiEvent::DblClick:
        case UiEvent::RButtonDown:
        case UiEvent::RButtonUp:
        case UiEvent::ContextMenu:
            // Unhandled mouse input goes to the parent (a row handles clicks
            // on its labels, a scrollable container wheel turns).
            if (m_parent != nullptr)
                m_parent->DoEvent(event);
            return;
        default:
            return;
    }
}

bool CControlUI::Activate() {
    return IsVisible() && IsEnabled();
}

CControlUI* CControlUI::FindControlAt(UiPoint pt) {
    if (!IsVisible() || !IsMouseEnabled() || !m_rcItem.Contains(pt))
        return nullptr;
    return this;
}

void CControlUI::DoPaint(IRenderEngine& render, const UiRect& paint) {
    if (!m_rcItem.Intersects(paint))
        return;
    PaintBkColor(render);
    PaintBkImage(render);
    PaintStatusImage(render);
    PaintText(render);
    PaintBorder(render);
}

void CControlUI::PaintBkColor(IRenderEngine& render) {
    if ((m_bkColor & 0xFF000000u) != 0)
        render.FillRect(m_rcItem, m_bkColor);
}

void CControlUI::PaintBkImage(IRenderEngine& render) {
    DrawImage(render, m_bkImage);
}

void CControlUI::PaintStatusImage(IRenderEngine& render) {
    DrawImage(render, m_foreImage);
}

uint32_t CControlUI::CurrentTextColor() const {
    return IsEnabled() ? m_textColor : m_disabledTextColor;
}

void CControlUI::PaintText(IRenderEngine& render) {
    const std::string text = GetText();
    if (text.empty())
        return;
    const UiRect tp{Scale(m_textPadding.left), Scale(m_textPadding.top), Scale(m_textPadding.right),
                    Scale(m_textPadding.bottom)};
    const FontInfo& font = m_manager != nullptr ? m_manager->GetFontOrDefault(m_font) : FontInfo{};
    render.DrawText(m_rcItem.Deflate(tp), text, font, m_manager ? m_manager->GetScale() : 100,
                    CurrentTextColor(), m_textStyle);
}

void CControlUI::PaintBorder(IRenderEngine& render) {
    if (m_borderSize <= 0)
        return;
    uint32_t color = m_borderColor;
    if (IsFocused() && m_focusBorderColor != 0)
        color = m_focusBorderColor;
    if ((color & 0xFF000000u) != 0) {
        render.DrawBorder(m_rcItem, Scale(m_borderSize), color, Scale(m_borderRound));
    }
}

bool CControlUI::DrawImage(IRenderEngine& render, const ImageDescription& image, uint32_t tint,
                           uint8_t alpha) {
    if (image.IsEmpty())
        return false;
    return render.DrawImage(m_rcItem, image, tint, alpha);
}

bool CControlUI::SetTimer(uintptr_t id, uint32_t elapseMs) {
    return m_manager != nullptr && m_manager->SetTimer(this, id, elapseMs);
}

void CControlUI::KillTimer(uintptr_t id) {
    if (m_manager != nullptr)
        m_manager->KillTimer(this, id);
}

void CControlUI::DeferPostInit() {
    if (m_manager != nullptr)
        m_manager->DeferPostInit(this);
}

void CControlUI::Notify(std::string_view type, uintptr_t wParam, intptr_t lParam) {
    if (m_manager != nullptr)
        m_manager->SendNotify(this, type, wParam, lParam);
}

UiSize NullRenderEngine::MeasureText(std::string_view text, const FontInfo& font, int scale) {
    const int size = font.size * scale / 100;
    return {static_cast<int>(Utf8Length(text)) * (size * 6 / 10), size + 4};
}

}  // namespace ui
