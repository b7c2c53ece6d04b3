#include "ui/controls.h"

#include <algorithm>
#include <cmath>

#include "ui/paint_manager.h"

namespace ui {

// ---- CTextUI

CTextUI::CTextUI() {
    m_textStyle = kAlignLeft | kAlignTop | kAlignWordBreak;
}

// ---- CButtonUI

CButtonUI::CButtonUI() {
    m_textStyle = kAlignCenter | kAlignVCenter | kAlignSingleLine;
}

bool CButtonUI::SetImage(ImageDescription& slot, std::string_view description) {
    auto parsed = ParseImageDescription(description);
    if (!parsed)
        return false;
    slot = std::move(*parsed);
    Invalidate();
    return true;
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate())
        return false;
    Notify(notify::kClick);
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    if (!enabled) {
        m_pushed = false;
        m_captured = false;
    }
    CControlUI::SetEnabled(enabled);
}

void CButtonUI::SetVisible(bool visible) {
    if (!visible) {
        m_pushed = false;
        m_captured = false;
    }
    CControlUI::SetVisible(visible);
}

void CButtonUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
                m_captured = true;
                m_pushed = true;
                Invalidate();
            }
            return;
        case UiEvent::MouseMove:
            if (m_captured) {
                const bool inside = m_rcItem.Contains(event.ptMouse);
                if (inside != m_pushed) {
                    m_pushed = inside;
                    Invalidate();
                }
            }
            return;
        case UiEvent::ButtonUp:
            if (m_captured) {
                m_captured = false;
                m_pushed = false;
                Invalidate();
                if (m_rcItem.Contains(event.ptMouse))
                    Activate();
            }
            return;
        case UiEvent::KeyDown:
            if (IsEnabled() && (event.chKey == kKeyReturn || event.chKey == ' ')) {
                Activate();
                return;
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

AttrResult CButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CButtonUI;
    static const AttributeTable<C> kTable = {
        {"normalimage", [](C& c, std::string_view v) { return c.SetNormalImage(v); }},
        {"hotimage", [](C& c, std::string_view v) { return c.SetHotImage(v); }},
        {"pushedimage", [](C& c, std::string_view v) { return c.SetPushedImage(v); }},
        {"disabledimage", [](C& c, std::string_view v) { return c.SetDisabledImage(v); }},
        {"focusedimage", [](C& c, std::string_view v) { return c.SetFocusedImage(v); }},
        {"hottextcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetHotTextColor(x); });
         }},
        {"pushedtextcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetPushedTextColor(x); });
         }},
        {"hotbkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_hotBkColor = x; });
         }},
        {"pushedbkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_pushedBkColor = x; });
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CLabelUI::SetAttribute(name, value);
}

void CButtonUI::PaintBkColor(IRenderEngine& render) {
    uint32_t color = m_bkColor;
    if (m_pushed && m_pushedBkColor != 0) {
        color = m_pushedBkColor;
    } else if (m_hot && m_hotBkColor != 0) {
        color = m_hotBkColor;
    }
    if ((color & 0xFF000000u) != 0)
        render.FillRect(m_rcItem, color);
}

void CButtonUI::PaintStatusImage(IRenderEngine& render) {
    const ImageDescription* image = &m_normalImage;
    if (!IsEnabled()) {
        if (!m_disabledImage.IsEmpty())
            image = &m_disabledImage;
    } else if (m_pushed) {
        if (!m_pushedImage.IsEmpty())
            image = &m_pushedImage;
    } else if (m_hot) {
        if (!m_hotImage.IsEmpty())
            image = &m_hotImage;
    } else if (IsFocused() && !m_focusedImage.IsEmpty()) {
        image = &m_focusedImage;
    }
    DrawImage(render, *image);
    DrawImage(render, m_foreImage);
}

void CButtonUI::PaintText(IRenderEngine& render) {
    const uint32_t saved = m_textColor;
    if (IsEnabled() && m_pushed && m_pushedTextColor != 0) {
        m_textColor = m_pushedTextColor;
    } else if (IsEnabled() && m_hot && m_hotTextColor != 0) {
        m_textColor = m_hotTextColor;
    }
    CLabelUI::PaintText(render);
    m_textColor = saved;
}

// ---- COptionUI

COptionUI::~COptionUI() {
    if (m_manager != nullptr && !m_group.empty())
        m_manager->RemoveOptionGroup(m_group, this);
}

void COptionUI::DoInit() {
    if (!m_group.empty())
        m_manager->AddOptionGroup(m_group, this);
    if (m_selected) {
        // A layout may mark more than one option of a group selected; the last wins.
        m_selected = false;
        Selected(true, false);
        if (m_bindTabIndex >= 0)
            DeferPostInit();
    }
}

void COptionUI::SetGroup(std::string_view group) {
    if (group == m_group)
        return;
    if (m_manager != nullptr && m_initDone && !m_group.empty()) {
        m_manager->RemoveOptionGroup(m_group, this);
    }
    m_group = group;
    if (m_manager != nullptr && m_initDone && !m_group.empty()) {
        m_manager->AddOptionGroup(m_group, this);
    }
}

void COptionUI::BindTabLayout(std::string_view tabName, int index) {
    m_bindTabName = tabName;
    m_bindTabIndex = index;
    if (m_selected)
        SelectBoundTab();
}

void COptionUI::SelectBoundTab() {
    if (m_manager == nullptr || m_bindTabIndex < 0 || m_bindTabName.empty())
        return;
    if (auto* tab = m_manager->FindControlAs<CTabLayoutUI>(m_bindTabName)) {
        tab->SelectItem(m_bindTabIndex);
    }
}

const CControlUI* COptionUI::GroupScopeOf(const CControlUI* option) {
    for (const CControlUI* p = option->GetParent(); p != nullptr; p = p->GetParent()) {
        const auto* container = dynamic_cast<const CContainerUI*>(p);
        if (container != nullptr && container->IsGroupScope())
            return container;
    }
    return nullptr;
}

void COptionUI::Selected(bool selected, bool notify) {
    if (selected == m_selected)
        return;
    m_selected = selected;
    if (m_selected && m_manager != nullptr && !m_group.empty() && m_initDone) {
        if (const auto* group = m_manager->GetOptionGroup(m_group)) {
            const std::vector<CControlUI*> members = *group;
            const CControlUI* scope = GroupScopeOf(this);
            for (CControlUI* c : members) {
                auto* other = dynamic_cast<COptionUI*>(c);
                if (other != nullptr && other != this && other->m_selected &&
                    GroupScopeOf(other) == scope) {
                    other->m_selected = false;
                    other->Invalidate();
                }
            }
        }
    }
    if (m_selected && m_initDone)
        SelectBoundTab();
    Invalidate();
    if (notify)
        Notify(notify::kSelectChanged, m_selected ? 1 : 0);
}

bool COptionUI::Activate() {
    // "click" first (some pages act on clicks of options), then the selection.
    if (!CButtonUI::Activate())
        return false;
    if (!m_group.empty()) {
        if (!m_selected)
            Selected(true, true);
    } else {
        Selected(!m_selected, true);
    }
    return true;
}

AttrResult COptionUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = COptionUI;
    static const AttributeTable<C> kTable = {
        {"group",
         [](C& c, std::string_view v) {
             c.SetGroup(v);
             return true;
         }},
        {"selected",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.Selected(b, false); });
         }},
        {"selectedimage", [](C& c, std::string_view v) { return c.SetSelectedImage(v); }},
        {"selectedhotimage", [](C& c, std::string_view v) { return c.SetSelectedHotImage(v); }},
        {"selecteddisabledimage",
         [](C& c, std::string_view v) { return c.SetSelectedDisabledImage(v); }},
        {"selectedtextcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetSelectedTextColor(x); });
         }},
        {"selectedbkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetSelectedBkColor(x); });
         }},
        {"bindtabindex",
         [](C& c, std::string_view v) {
             return WithInt(v, [&](int i) { c.BindTabLayout(c.m_bindTabName, i); });
         }},
        {"bindtablayoutname",
         [](C& c, std::string_view v) {
             c.BindTabLayout(v, c.m_bindTabIndex);
             return true;
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintBkColor(IRenderEngine& render) {
    if (m_selected && (m_selectedBkColor & 0xFF000000u) != 0) {
        render.FillRect(m_rcItem, m_selectedBkColor);
        return;
    }
    CButtonUI::PaintBkColor(render);
}

void COptionUI::PaintStatusImage(IRenderEngine& render) {
    if (m_selected) {
        const ImageDescription* image = &m_selectedImage;
        if (!IsEnabled() && !m_selectedDisabledImage.IsEmpty())
            image = &m_selectedDisabledImage;
        else if (m_hot && !m_selectedHotImage.IsEmpty())
            image = &m_selectedHotImage;
        if (!image->IsEmpty()) {
            DrawImage(render, *image);
            DrawImage(render, m_foreImage);
            return;
        }
    }
    CButtonUI::PaintStatusImage(render);
}

void COptionUI::PaintText(IRenderEngine& render) {
    if (m_selected && m_selectedTextColor != 0 && IsEnabled()) {
        const uint32_t saved = m_textColor;
        const uint32_t savedHot = m_hotTextColor;
        m_textColor = m_selectedTextColor;
        m_hotTextColor = 0;
        CLabelUI::PaintText(render);
        m_textColor = saved;
        m_hotTextColor = savedHot;
        return;
    }
    CButtonUI::PaintText(render);
}

// ---- CProgressUI

void CProgressUI::SetMinValue(int v) {
    m_min = v;
    if (m_max < m_min)
        m_max = m_min;
    SetValue(m_value);
}

void CProgressUI::SetMaxValue(int v) {
    m_max = v;
    if (m_min > m_max)
        m_min = m_max;
    SetValue(m_value);
}

void CProgressUI::SetValue(int value) {
    value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    Invalidate();
}

AttrResult CProgressUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CProgressUI;
    static const AttributeTable<C> kTable = {
        {"min",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMinValue(i); }); }},
        {"max",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetMaxValue(i); }); }},
        {"value",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetValue(i); }); }},
        {"hor",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetHorizontal(b); }); }},
        {"forecolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_foreColor = x; });
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CLabelUI::SetAttribute(name, value);
}

void CProgressUI::PaintStatusImage(IRenderEngine& render) {
    if (m_max <= m_min)
        return;
    UiRect rc = m_rcItem;
    const int64_t span = m_max - m_min;
    if (m_horizontal) {
        rc.right =
            rc.left + static_cast<int>(static_cast<int64_t>(rc.Width()) * (m_value - m_min) / span);
    } else {
        rc.top = rc.bottom -
                 static_cast<int>(static_cast<int64_t>(rc.Height()) * (m_value - m_min) / span);
    }
    if (rc.IsEmpty())
        return;
    if ((m_foreColor & 0xFF000000u) != 0)
        render.FillRect(rc, m_foreColor);
    if (!m_foreImage.IsEmpty()) {
        // The bar picture spans the whole control; the value uncovers part of it.
        render.PushClip(rc);
        render.DrawImage(m_rcItem, m_foreImage, 0, 255);
        render.PopClip();
    }
}

// ---- CSliderUI

CSliderUI::CSliderUI() = default;

UiSize CSliderUI::GetThumbSize() const {
    return {Scale(m_thumbSize.cx), Scale(m_thumbSize.cy)};
}

int CSliderUI::Snap(int value) const {
    value = std::clamp(value, m_min, m_max);
    if (m_step > 1)
        value = m_min + (value - m_min + m_step / 2) / m_step * m_step;
    return std::clamp(value, m_min, m_max);
}

UiRect CSliderUI::GetThumbRect() const {
    const UiSize t = GetThumbSize();
    const UiPoint c = PointOfValue(m_value);
    return {c.x - t.cx / 2, c.y - t.cy / 2, c.x - t.cx / 2 + t.cx, c.y - t.cy / 2 + t.cy};
}

UiPoint CSliderUI::PointOfValue(int value) const {
    const UiSize t = GetThumbSize();
    const int span = std::max(1, m_max - m_min);
    value = std::clamp(value, m_min, m_max);
    if (m_horizontal) {
        const int track = std::max(0, m_rcItem.Width() - t.cx);
        const int x = m_rcItem.left + t.cx / 2 +
                      static_cast<int>(static_cast<int64_t>(track) * (value - m_min) / span);
        return {x, (m_rcItem.top + m_rcItem.bottom) / 2};
    }
    const int track = std::max(0, m_rcItem.Height() - t.cy);
    const int y = m_rcItem.bottom - t.cy / 2 -
                  static_cast<int>(static_cast<int64_t>(track) * (value - m_min) / span);
    return {(m_rcItem.left + m_rcItem.right) / 2, y};
}

int CSliderUI::ValueAtPoint(UiPoint pt) const {
    const UiSize t = GetThumbSize();
    const int64_t span = m_max - m_min;
    int64_t pos;
    int64_t track;
    if (m_horizontal) {
        track = std::max(1, m_rcItem.Width() - t.cx);
        pos = pt.x - (m_rcItem.left + t.cx / 2);
    } else {
        track = std::max(1, m_rcItem.Height() - t.cy);
        pos = (m_rcItem.bottom - t.cy / 2) - pt.y;
    }
    pos = std::clamp<int64_t>(pos, 0, track);
    // Rounded to the nearest value, so PointOfValue and ValueAtPoint agree.
    const int value = m_min + static_cast<int>((pos * span + track / 2) / track);
    return Snap(value);
}

void CSliderUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
        case UiEvent::DblClick:
            if (IsEnabled()) {
                m_captured = true;
                if (!GetThumbRect().Contains(event.ptMouse))
                    SetValue(ValueAtPoint(event.ptMouse));
                Invalidate();
            }
            return;
        case UiEvent::MouseMove:
            if (m_captured) {
                const int v = ValueAtPoint(event.ptMouse);
                if (v != m_value) {
                    SetValue(v);
                    Notify(notify::kMoveValueChanged, static_cast<uintptr_t>(m_value));
                }
            }
            return;
        case UiEvent::ButtonUp:
            if (m_captured) {
                m_captured = false;
                SetValue(ValueAtPoint(event.ptMouse));
                Invalidate();
                Notify(notify::kValueChanged, static_cast<uintptr_t>(m_value));
            }
            return;
        case UiEvent::ScrollWheel:
            if (IsEnabled()) {
                const int delta = static_cast<int>(static_cast<intptr_t>(event.wParam));
                const int v = Snap(m_value + (delta > 0 ? m_step : -m_step));
                if (v != m_value) {
                    SetValue(v);
                    Notify(notify::kValueChanged, static_cast<uintptr_t>(m_value));
                }
            }
            return;
        case UiEvent::KeyDown:
            if (IsEnabled()) {
                int v = m_value;
                if (event.chKey == kKeyLeft || event.chKey == kKeyDown)
                    v -= m_step;
                if (event.chKey == kKeyRight || event.chKey == kKeyUp)
                    v += m_step;
                if (event.chKey == kKeyHome)
                    v = m_min;
                if (event.chKey == kKeyEnd)
                    v = m_max;
                v = Snap(v);
                if (v != m_value) {
                    SetValue(v);
                    Notify(notify::kValueChanged, static_cast<uintptr_t>(m_value));
                }
            }
            return;
        case UiEvent::KillFocus:
            // Losing the window mid-drag ends the drag like a release.
            break;
        default:
            break;
    }
    CProgressUI::DoEvent(event);
}

AttrResult CSliderUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CSliderUI;
    static const AttributeTable<C> kTable = {
        {"step",
         [](C& c, std::string_view v) {
             auto i = ParseInt(v);
             if (!i || *i <= 0)
                 return false;
             c.SetChangeStep(*i);
             return true;
         }},
        {"thumbsize",
         [](C& c, std::string_view v) {
             auto s = ParseSize(v);
             if (!s || s->cx < 0 || s->cy < 0)
                 return false;
             c.SetThumbSize(*s);
             return true;
         }},
        {"thumbimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_thumbImage = std::move(d); });
         }},
        {"thumbhotimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_thumbHotImage = std::move(d); });
         }},
        {"thumbpushedimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_thumbPushedImage = std::move(d); });
         }},
        {"sendmove", [](C&, std::string_view v) { return ParseBool(v).has_value(); }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CProgressUI::SetAttribute(name, value);
}

void CSliderUI::PaintStatusImage(IRenderEngine& render) {
    CProgressUI::PaintStatusImage(render);
    const ImageDescription* image = &m_thumbImage;
    if (m_captured && !m_thumbPushedImage.IsEmpty()) {
        image = &m_thumbPushedImage;
    } else if (m_hot && !m_thumbHotImage.IsEmpty()) {
        image = &m_thumbHotImage;
    }
    if (!image->IsEmpty())
        render.DrawImage(GetThumbRect(), *image, 0, 255);
}

// ---- CEditUI

CEditUI::CEditUI() {
    m_cursor = CursorKind::IBeam;
    m_textPadding = {4, 0, 4, 0};
}

void CEditUI::SetMaxChar(int n) {
    m_maxChar = std::max(0, n);
    SetText(m_text);
}

void CEditUI::SetNumberRange(int minValue, int maxValue) {
    m_hasRange = true;
    m_minNumber = std::min(minValue, maxValue);
    m_maxNumber = std::max(minValue, maxValue);
}

bool CEditUI::Accepts(uint32_t cp) const {
    if (cp < 0x20 || cp == 0x7F)
        return false;
    if (m_numberOnly)
        return cp >= '0' && cp <= '9';
    return true;
}

void CEditUI::SetText(std::string_view text) {
    std::string kept;
    size_t count = 0;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t len = c < 0x80         ? 1
                           : (c >> 5) == 6  ? 2
                           : (c >> 4) == 14 ? 3
                           : (c >> 3) == 30 ? 4
                                            : 1;
        if (static_cast<int>(count) >= m_maxChar)
            break;
        kept.append(text.substr(i, len));
        ++count;
        i += len;
    }
    CLabelUI::SetText(kept);
}

bool CEditUI::InsertText(std::string_view text) {
    if (m_readOnly || !IsEnabled())
        return false;
    std::string next = m_text;
    size_t length = Utf8Length(next);
    bool changed = false;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        len = std::min(len, text.size() - i);
        uint32_t cp = c;
        if (len > 1) {
            cp = c & (0xFF >> (len + 1));
            for (size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += len;
        if (!Accepts(cp) || static_cast<int>(length) >= m_maxChar)
            continue;
        Utf8Append(next, cp);
        ++length;
        changed = true;
    }
    if (!changed)
        return false;
    CLabelUI::SetText(next);
    Notify(notify::kTextChanged);
    return true;
}

bool CEditUI::SetTextByUser(std::string_view text) {
    if (m_readOnly || !IsEnabled())
        return false;
    const std::string before = m_text;
    std::string kept;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        len = std::min(len, text.size() - i);
        uint32_t cp = c;
        if (len > 1) {
            cp = c & (0xFF >> (len + 1));
            for (size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += len;
        if (Accepts(cp) && static_cast<int>(Utf8Length(kept)) < m_maxChar)
            Utf8Append(kept, cp);
    }
    if (kept == before)
        return false;
    CLabelUI::SetText(kept);
    Notify(notify::kTextChanged);
    return true;
}

bool CEditUI::Backspace() {
    if (m_readOnly || !IsEnabled() || m_text.empty())
        return false;
    std::string next = m_text;
    Utf8PopBack(next);
    CLabelUI::SetText(next);
    Notify(notify::kTextChanged);
    return true;
}

void CEditUI::ApplyRange() {
    if (!m_hasRange || m_text.empty())
        return;
    auto v = ParseInt(m_text);
    long long n = v ? *v
                    : (m_text.find_first_not_of("0123456789") == std::string::npos
                           ? static_cast<long long>(m_maxNumber) + 1  // too long for int
                           : m_minNumber);
    const long long clamped = std::clamp<long long>(n, m_minNumber, m_maxNumber);
    const std::string text = std::to_string(clamped);
    if (text != m_text) {
        CLabelUI::SetText(text);
        Notify(notify::kTextChanged);
    }
}

void CEditUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::Char:
            if (event.chKey >= 0x20) {
                std::string s;
                Utf8Append(s, event.chKey);
                InsertText(s);
            }
            return;
        case UiEvent::KeyDown:
            if (event.chKey == kKeyBack) {
                Backspace();
            } else if (event.chKey == kKeyReturn) {
                ApplyRange();
                Notify(notify::kReturn);
            }
            return;
        case UiEvent::KillFocus:
            ApplyRange();
            Invalidate();
            return;
        case UiEvent::SetFocus:
            Invalidate();
            return;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

AttrResult CEditUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CEditUI;
    static const AttributeTable<C> kTable = {
        {"maxchar",
         [](C& c, std::string_view v) { return WithCount(v, [&](int i) { c.SetMaxChar(i); }); }},
        {"numberonly",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetNumberOnly(b); }); }},
        {"minnumber",
         [](C& c, std::string_view v) {
             return WithInt(v, [&](int i) {
                 c.SetNumberRange(i, c.m_hasRange ? std::max(i, c.m_maxNumber) : INT32_MAX);
             });
         }},
        {"maxnumber",
         [](C& c, std::string_view v) {
             return WithInt(v, [&](int i) {
                 c.SetNumberRange(c.m_hasRange ? std::min(i, c.m_minNumber) : 0, i);
             });
         }},
        {"readonly",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetReadOnly(b); }); }},
        {"password",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.m_password = b; }); }},
        {"nativebkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_nativeBkColor = x; });
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CLabelUI::SetAttribute(name, value);
}

void CEditUI::PaintText(IRenderEngine& render) {
    if (!m_password) {
        CLabelUI::PaintText(render);
        return;
    }
    const std::string saved = m_text;
    m_text.assign(Utf8Length(saved), '*');
    const bool savedRes = m_resourceText;
    m_resourceText = false;
    CLabelUI::PaintText(render);
    m_text = saved;
    m_resourceText = savedRes;
}

// ---- CColorPaletteUI

uint32_t HsbToArgb(int hue, int saturation, int brightness) {
    const double h = ((hue % 360) + 360) % 360 / 60.0;
    const double s = std::clamp(saturation, 0, 100) / 100.0;
    const double v = std::clamp(brightness, 0, 100) / 100.0;
    const int i = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (i) {
        case 0:
            r = v;
            g = t;
            b = p;
            break;
        case 1:
            r = q;
            g = v;
            b = p;
            break;
        case 2:
            r = p;
            g = v;
            b = t;
            break;
        case 3:
            r = p;
            g = q;
            b = v;
            break;
        case 4:
            r = t;
            g = p;
            b = v;
            break;
        default:
            r = v;
            g = p;
            b = q;
            break;
    }
    auto ch = [](double x) { return static_cast<uint32_t>(std::lround(x * 255.0)); };
    return 0xFF000000u | (ch(r) << 16) | (ch(g) << 8) | ch(b);
}

void ArgbToHsb(uint32_t argb, int& hue, int& saturation, int& brightness) {
    const double r = ((argb >> 16) & 0xFF) / 255.0;
    const double g = ((argb >> 8) & 0xFF) / 255.0;
    const double b = (argb & 0xFF) / 255.0;
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double d = mx - mn;
    double h = 0;
    if (d > 0) {
        if (mx == r) {
            h = 60 * std::fmod((g - b) / d, 6.0);
        } else if (mx == g) {
            h = 60 * ((b - r) / d + 2);
        } else {
            h = 60 * ((r - g) / d + 4);
        }
    }
    if (h < 0)
        h += 360;
    hue = static_cast<int>(std::lround(h)) % 360;
    saturation = mx > 0 ? static_cast<int>(std::lround(d / mx * 100)) : 0;
    brightness = static_cast<int>(std::lround(mx * 100));
}

CColorPaletteUI::CColorPaletteUI() = default;

uint32_t CColorPaletteUI::GetSelectColor() const {
    return HsbToArgb(m_hue, m_saturation, m_brightness);
}

void CColorPaletteUI::SetSelectColor(uint32_t argb) {
    ArgbToHsb(argb, m_hue, m_saturation, m_brightness);
    Invalidate();
}

void CColorPaletteUI::PickAt(UiPoint pt) {
    const int barTop = m_rcItem.bottom - GetBarHeight();
    const int fieldBottom = barTop - Scale(m_barGap);
    const uint32_t before = GetSelectColor();
    if (m_dragPart == Part::Field) {
        const int w = std::max(1, m_rcItem.Width() - 1);
        const int h = std::max(1, fieldBottom - m_rcItem.top - 1);
        const int x = std::clamp(pt.x - m_rcItem.left, 0, w);
        const int y = std::clamp(pt.y - m_rcItem.top, 0, h);
        m_hue = std::min(359, x * 360 / (w + 1));
        m_saturation = 100 - y * 100 / h;
    } else if (m_dragPart == Part::Bar) {
        const int w = std::max(1, m_rcItem.Width() - 1);
        const int x = std::clamp(pt.x - m_rcItem.left, 0, w);
        m_brightness = x * 100 / w;
    }
    Invalidate();
    if (GetSelectColor() != before)
        Notify(notify::kColorChanged, GetSelectColor());
}

void CColorPaletteUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
            if (IsEnabled()) {
                const int barTop = m_rcItem.bottom - GetBarHeight();
                m_dragPart = event.ptMouse.y >= barTop                    ? Part::Bar
                             : event.ptMouse.y < barTop - Scale(m_barGap) ? Part::Field
                                                                          : Part::None;
                PickAt(event.ptMouse);
            }
            return;
        case UiEvent::MouseMove:
            if (m_dragPart != Part::None)
                PickAt(event.ptMouse);
            return;
        case UiEvent::ButtonUp:
            if (m_dragPart != Part::None) {
                PickAt(event.ptMouse);
                m_dragPart = Part::None;
            }
            return;
        default:
            break;
    }
    CControlUI::DoEvent(event);
}

AttrResult CColorPaletteUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CColorPaletteUI;
    static const AttributeTable<C> kTable = {
        {"barheight",
         [](C& c, std::string_view v) { return WithCount(v, [&](int i) { c.m_barHeight = i; }); }},
        {"thumbimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_thumbImage = std::move(d); });
         }},
        {"selectcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.SetSelectColor(x); });
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CControlUI::SetAttribute(name, value);
}

void CColorPaletteUI::PaintBkImage(IRenderEngine& render) {
    // The field: hue across (six blends between the primaries and secondaries),
    // saturation fading to white downwards. The bar: brightness across.
    const int barTop = m_rcItem.bottom - GetBarHeight();
    const int fieldBottom = barTop - Scale(m_barGap);
    const int w = m_rcItem.Width();
    if (w <= 0)
        return;
    for (int i = 0; i < 6; ++i) {
        const int l = m_rcItem.left + w * i / 6;
        const int r = m_rcItem.left + w * (i + 1) / 6;
        render.FillGradient({l, m_rcItem.top, r, fieldBottom}, HsbToArgb(i * 60, 100, 100),
                            HsbToArgb((i + 1) * 60, 100, 100), true);
    }
    render.FillGradient({m_rcItem.left, m_rcItem.top, m_rcItem.right, fieldBottom}, 0x00FFFFFFu,
                        0xFFFFFFFFu, false);
    render.FillGradient({m_rcItem.left, barTop, m_rcItem.right, m_rcItem.bottom}, 0xFF000000u,
                        HsbToArgb(m_hue, m_saturation, 100), true);
    // Where the chosen colour sits.
    const int fieldH = std::max(1, fieldBottom - m_rcItem.top - 1);
    const int cx = m_rcItem.left + m_hue * (w - 1) / 359;
    const int cy = m_rcItem.top + (100 - m_saturation) * fieldH / 100;
    const int r = Scale(5);
    render.DrawBorder({cx - r, cy - r, cx + r, cy + r}, Scale(2), 0xFFFFFFFFu, 2 * r);
    const int bx = m_rcItem.left + m_brightness * (w - 1) / 100;
    render.FillRect({bx - Scale(2), barTop - Scale(2), bx + Scale(2), m_rcItem.bottom + Scale(2)},
                    0xFFFFFFFFu);
    CControlUI::PaintBkImage(render);
}

}  // namespace ui
