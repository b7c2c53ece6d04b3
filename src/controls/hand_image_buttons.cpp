#include "controls/hand_image_buttons.h"

#include <algorithm>
#include <cstdio>

#include "controls/image_size.h"
#include "platform/trace.h"
#include "ui/attributes.h"

namespace ui {

// ---- CHandImgButtonUI

AttrResult CHandImgButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CHandImgButtonUI;
    static const AttributeTable<C> kTable = {
        {"handimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) {
                 c.m_handImage = std::move(d);
                 c.Invalidate();
             });
         }},
        {"deletenormalimage",
         [](C& c, std::string_view v) {
             c.m_deleteNormalImage = v;
             return true;
         }},
        {"deletehotimage",
         [](C& c, std::string_view v) {
             c.m_deleteHotImage = v;
             return true;
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CButtonUI::SetAttribute(name, value);
}

void CHandImgButtonUI::PaintStatusImage(IRenderEngine& render) {
    CButtonUI::PaintStatusImage(render);
    DrawImage(render, m_handImage);
}

// ---- CHandImgSelectButtonUI

UiSize CHandImgSelectButtonUI::ControlSize() const {
    // Before the first layout the rectangle is empty; the fixed size is what
    // the control will get.
    UiSize size{m_rcItem.Width(), m_rcItem.Height()};
    if (size.cx <= 0)
        size.cx = GetFixedWidth();
    if (size.cy <= 0)
        size.cy = GetFixedHeight();
    return size;
}

void CHandImgSelectButtonUI::ResetSource() {
    const UiSize size = ControlSize();
    m_source = {0, 0, std::max(size.cx, 0), std::max(size.cy, 0)};
}

void CHandImgSelectButtonUI::ComposeDrawn() {
    const UiSize size = ControlSize();
    std::string text;
    if (size.cx < m_imageSize.cx || size.cy < m_imageSize.cy) {
        char source[96];
        std::snprintf(source, sizeof source, "source='%d,%d,%d,%d'", m_source.left, m_source.top,
                      m_source.right, m_source.bottom);
        text = "file='" + m_imageName + "' " + source;
    } else {
        text = m_imageName;
    }
    auto parsed = ParseImageDescription(text);
    m_drawn = parsed ? std::move(*parsed) : ImageDescription{};
}

bool CHandImgSelectButtonUI::SetHandImage(std::string_view name) {
    auto size = ReadImageSize(name);
    if (!size) {
        platform::Trace("HandImgSelectButton: cannot load picture '" + std::string(name) + "'");
        return false;
    }
    m_imageName = name;
    m_imageSize = *size;
    ResetSource();
    ComposeDrawn();
    Invalidate();
    return true;
}

void CHandImgSelectButtonUI::SetPos(const UiRect& rc) {
    const bool firstSize = m_source.IsEmpty();
    CButtonUI::SetPos(rc);
    // A picture named before the control had any size gets its window now.
    if (firstSize && !m_imageName.empty()) {
        ResetSource();
        ComposeDrawn();
    }
}

AttrResult CHandImgSelectButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (EqualsNoCase(name, "handimage")) {
        // A picture that cannot be loaded leaves the control as it was; the
        // layout still builds.
        SetHandImage(value);
        return AttrResult::Ok;
    }
    if (EqualsNoCase(name, "cursor") && !value.empty()) {
        if (auto cursor = ParseCursor(value))
            SetCursor(*cursor);
        return AttrResult::Ok;
    }
    return CButtonUI::SetAttribute(name, value);
}

void CHandImgSelectButtonUI::PanAxis(int last, int now, int& low, int& high, int imageExtent) {
    if (now < last) {
        // The pointer moved towards the start: the window moves on into the
        // picture, up to its far edge.
        const int room = imageExtent - high;
        if (room > 0) {
            const int d = std::min(last - now, room);
            low += d;
            high += d;
        }
        return;
    }
    const int d = now - last;
    if (low <= 0)
        return;
    if (d < low) {
        low -= d;
        high -= d;
    } else {
        high -= low;
        low = 0;
    }
}

void CHandImgSelectButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
                m_captured = true;
                m_pushed = true;
                m_last = event.ptMouse;
                m_pressed = true;
                Invalidate();
            }
            return;
        case UiEvent::ButtonUp:
            if (m_captured) {
                m_captured = false;
                m_pushed = false;
                Invalidate();
            }
            m_pressed = false;
            return;
        case UiEvent::MouseMove:
            if (!m_pressed)
                return;
            PanAxis(m_last.x, event.ptMouse.x, m_source.left, m_source.right, m_imageSize.cx);
            PanAxis(m_last.y, event.ptMouse.y, m_source.top, m_source.bottom, m_imageSize.cy);
            m_last = event.ptMouse;
            ComposeDrawn();
            if (m_captured)
                m_pushed = m_rcItem.Contains(event.ptMouse);
            Invalidate();
            return;
        case UiEvent::KeyDown:
            // Return and space click an ordinary button; this one never clicks.
            return;
        default:
            CButtonUI::DoEvent(event);
            return;
    }
}

void CHandImgSelectButtonUI::PaintStatusImage(IRenderEngine& render) {
    CButtonUI::PaintStatusImage(render);
    DrawImage(render, m_drawn);
}

// ---- CRedioMacroButtonUI

AttrResult CRedioMacroButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (EqualsNoCase(name, "redioimage")) {
        m_redioImage = value;
        return AttrResult::Ok;
    }
    return CButtonUI::SetAttribute(name, value);
}

}  // namespace ui
