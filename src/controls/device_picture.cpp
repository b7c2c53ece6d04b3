#include "controls/device_picture.h"

#include <algorithm>

#include "ui/attributes.h"

namespace ui {

// ---- CDeviceKeyButtonUI

namespace {

// A mark or a look changed: store it and repaint once.
void SetFlag(CControlUI& control, bool& flag, bool on) {
    if (flag == on)
        return;
    flag = on;
    control.Invalidate();
}

bool SetImageSlot(CControlUI& control, ImageDescription& slot, std::string_view text) {
    auto parsed = ParseImageDescription(text);
    if (!parsed)
        return false;
    slot = std::move(*parsed);
    control.Invalidate();
    return true;
}

}  // namespace

void CDeviceKeyButtonUI::SetKeyLight(uint32_t colour, uint8_t alpha, bool on) {
    m_lightColour = colour;
    m_lightAlpha = alpha;
    m_lightOn = on;
}

void CDeviceKeyButtonUI::SetReassignedMark(bool on) {
    SetFlag(*this, m_reassigned, on);
}

void CDeviceKeyButtonUI::SetSelectedLook(bool on) {
    SetFlag(*this, m_selectedLook, on);
}

void CDeviceKeyButtonUI::SetEditedMark(bool on) {
    SetFlag(*this, m_edited, on);
}

uint32_t CDeviceKeyButtonUI::TintOf(uint32_t lightColour) {
    const uint32_t red = lightColour & 0xFF;
    const uint32_t green = (lightColour >> 8) & 0xFF;
    const uint32_t blue = (lightColour >> 16) & 0xFF;
    return 0xFF000000u | red << 16 | green << 8 | blue;
}

AttrResult CDeviceKeyButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CDeviceKeyButtonUI;
    static const AttributeTable<C> kTable = {
        {"lightimage", [](C& c, std::string_view v) { return SetImageSlot(c, c.m_lightImage, v); }},
        {"keysetimage",
         [](C& c, std::string_view v) { return SetImageSlot(c, c.m_keySetImage, v); }},
        {"keyunsetimage",
         [](C& c, std::string_view v) { return SetImageSlot(c, c.m_keyUnsetImage, v); }},
        // Older skins name a text colour the picture never shows; it is checked
        // and then left alone.
        {"gmnametextcolor",
         [](C&, std::string_view v) {
             if (!v.empty() && v.front() == '#')
                 v.remove_prefix(1);
             return !v.empty() && ParseColor(v).has_value();
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CButtonUI::SetAttribute(name, value);
}

void CDeviceKeyButtonUI::DoEvent(TEventUI& event) {
    if (event.Type == UiEvent::DblClick) {
        // The release that follows is the base class's ordinary click.
        if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
            m_captured = true;
            m_pushed = true;
            Notify(notify::kDbClick);
            Invalidate();
        }
        return;
    }
    CButtonUI::DoEvent(event);
}

void CDeviceKeyButtonUI::PaintStatusImage(IRenderEngine& render) {
    CButtonUI::PaintStatusImage(render);
    if (m_lightOn)
        DrawImage(render, m_lightImage, TintOf(m_lightColour), m_lightAlpha);
    if (m_selectedLook)
        DrawImage(render, m_keyUnsetImage);
    if (m_reassigned)
        DrawImage(render, m_keySetImage);
}

// ---- CSelectPanelUI

void CSelectPanelUI::DoEvent(TEventUI& event) {
    CVerticalLayoutUI::DoEvent(event);
    switch (event.Type) {
        case UiEvent::ButtonDown:
            if (IsEnabled()) {
                m_pressed = true;
                m_start = event.ptMouse;
            }
            break;
        case UiEvent::MouseMove:
            if (m_pressed)
                m_dragging = true;
            if (m_dragging) {
                m_current = event.ptMouse;
                m_selection = {std::min(m_start.x, m_current.x), std::min(m_start.y, m_current.y),
                               std::max(m_start.x, m_current.x), std::max(m_start.y, m_current.y)};
                NeedUpdate();
            }
            break;
        case UiEvent::ButtonUp:
            m_pressed = false;
            if (m_dragging) {
                m_dragging = false;
                m_start = m_current;
                ApplySelection();
                NeedUpdate();
                Notify(notify::kClickSelectEnd);
            }
            break;
        default:
            break;
    }
}

void CSelectPanelUI::ApplySelection() {
    for (const auto& child : m_items) {
        if (child->GetClass() != kDeviceKeyButtonClass)
            continue;
        if (auto* key = dynamic_cast<CDeviceKeyButtonUI*>(child.get()))
            key->SetInSelection(key->GetPos().Intersects(m_selection));
    }
}

}  // namespace ui
