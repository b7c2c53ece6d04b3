#include "ui/container.h"

#include <algorithm>

#include "ui/paint_manager.h"

namespace ui {

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Children go first, while this container is still whole; newest first,
    // which is what the name table removes cheapest.
    while (!m_items.empty())
        m_items.pop_back();
}

CControlUI* CContainerUI::GetChildAt(int index) const {
    if (index < 0 || index >= static_cast<int>(m_items.size()))
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

int CContainerUI::GetItemIndex(const CControlUI* control) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].get() == control)
            return static_cast<int>(i);
    }
    return -1;
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int from = GetItemIndex(control);
    if (from < 0 || index < 0 || index >= GetCount())
        return false;
    auto owned = std::move(m_items[static_cast<size_t>(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + index, std::move(owned));
    NeedUpdate();
    return true;
}

CControlUI* CContainerUI::Add(std::unique_ptr<CControlUI> control) {
    return AddAt(std::move(control), GetCount());
}

CControlUI* CContainerUI::AddAt(std::unique_ptr<CControlUI> control, int index) {
    if (!control)
        return nullptr;
    if (index < 0 || index > GetCount())
        index = GetCount();
    CControlUI* raw = control.get();
    m_items.insert(m_items.begin() + index, std::move(control));
    if (!IsVisible())
        raw->SetInternVisible(false);
    if (m_manager != nullptr && m_initDone) {
        raw->SetManager(m_manager, this, true);
        m_manager->FlushPostInit();
    } else {
        raw->SetManager(m_manager, this, false);
    }
    NeedUpdate();
    return raw;
}

std::unique_ptr<CControlUI> CContainerUI::Detach(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return nullptr;
    auto owned = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    if (m_manager != nullptr)
        m_manager->ForgetSubtree(owned.get());
    owned->SetManager(nullptr, nullptr, false);
    NeedUpdate();
    return owned;
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    auto owned = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    NeedUpdate();
    if (m_manager != nullptr && m_manager->IsDispatching()) {
        m_manager->ForgetSubtree(owned.get());
        m_manager->AddDelayedCleanup(std::move(owned));
    }
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    return Remove(GetChildAt(index));
}

void CContainerUI::RemoveAll() {
    auto items = std::move(m_items);
    m_items.clear();
    m_scrollPos = {};
    NeedUpdate();
    if (m_manager != nullptr && m_manager->IsDispatching()) {
        for (auto& item : items) {
            m_manager->ForgetSubtree(item.get());
            m_manager->AddDelayedCleanup(std::move(item));
        }
    }
    while (!items.empty())
        items.pop_back();
}

int CContainerUI::GetChildPadding() const {
    return Scale(m_childPadding);
}

UiRect CContainerUI::ScaledInset() const {
    return {Scale(m_inset.left), Scale(m_inset.top), Scale(m_inset.right), Scale(m_inset.bottom)};
}

void CContainerUI::EnableScrollBar(bool vertical, bool horizontal) {
    m_vScroll = vertical;
    m_hScroll = horizontal;
    NeedUpdate();
}

void CContainerUI::SetScrollPos(UiSize pos) {
    pos.cx = std::clamp(pos.cx, 0, std::max(0, m_scrollRange.cx));
    pos.cy = std::clamp(pos.cy, 0, std::max(0, m_scrollRange.cy));
    if (pos == m_scrollPos)
        return;
    m_scrollPos = pos;
    // Only this container's inside moves: lay it out again right away.
    SetPos(m_rcItem);
}

void CContainerUI::EnsureVisible(CControlUI* child) {
    if (child == nullptr || !IsAncestorOf(child))
        return;
    const UiRect view = GetClientArea();
    const UiRect rc = child->GetPos();
    int dy = 0;
    if (rc.top < view.top) {
        dy = rc.top - view.top;
    } else if (rc.bottom > view.bottom) {
        dy = std::min(rc.bottom - view.bottom, rc.top - view.top);
    }
    if (dy != 0)
        SetScrollPos({m_scrollPos.cx, m_scrollPos.cy + dy});
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (auto& item : m_items)
        item->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    if (m_visible == visible)
        return;
    CControlUI::SetVisible(visible);
    for (auto& item : m_items)
        item->SetInternVisible(IsVisible());
}

void CContainerUI::SetInternVisible(bool visible) {
    CControlUI::SetInternVisible(visible);
    for (auto& item : m_items)
        item->SetInternVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
}

void CContainerUI::SetPos(const UiRect& rc) {
    CControlUI::SetPos(rc);
    m_layoutPending = false;
    const UiSize content = LayoutChildren(GetClientArea());
    const UiRect area = GetClientArea();
    const UiSize range{m_hScroll ? std::max(0, content.cx - area.Width()) : 0,
                       m_vScroll ? std::max(0, content.cy - area.Height()) : 0};
    if (range != m_scrollRange) {
        m_scrollRange = range;
        UiSize clamped{std::min(m_scrollPos.cx, range.cx), std::min(m_scrollPos.cy, range.cy)};
        if (clamped != m_scrollPos) {
            m_scrollPos = clamped;
            LayoutChildren(area);
        }
    }
}

void CContainerUI::SetPosLazy(const UiRect& rc) {
    if (rc == m_rcItem && !m_layoutPending && !m_updateNeeded)
        return;
    m_rcItem = rc;
    m_updateNeeded = false;
    m_layoutPending = true;
}

void CContainerUI::PlaceChild(CControlUI* child, const UiRect& rc, const UiRect& visible) {
    if (rc.Intersects(visible)) {
        child->SetPos(rc);
    } else {
        child->SetPosLazy(rc);
    }
}

void CContainerUI::PlaceFloat(CControlUI* child, const UiRect& area) {
    const UiRect fp = child->GetFloatPos();
    const int l = area.left + Scale(fp.left) - m_scrollPos.cx;
    const int t = area.top + Scale(fp.top) - m_scrollPos.cy;
    child->SetPos({l, t, l + child->GetFixedWidth(), t + child->GetFixedHeight()});
}

namespace {

// Where a child that is given the whole area goes: inside its padding, cut
// to its fixed size where it has one.
UiRect WholeAreaRect(const CControlUI& item, const UiRect& area) {
    UiRect rc = area.Deflate(item.GetPadding());
    if (const int w = item.GetFixedWidth(); w > 0)
        rc.right = rc.left + w;
    if (const int h = item.GetFixedHeight(); h > 0)
        rc.bottom = rc.top + h;
    return rc;
}

}  // namespace

UiSize CContainerUI::LayoutChildren(const UiRect& area) {
    // A plain container gives every child the whole area.
    UiSize content;
    for (auto& item : m_items) {
        if (!item->IsVisible())
            continue;
        if (item->IsFloat()) {
            PlaceFloat(item.get(), area);
            continue;
        }
        const UiRect pad = item->GetPadding();
        const UiRect rc = WholeAreaRect(*item, area).Offset(-m_scrollPos.cx, -m_scrollPos.cy);
        PlaceChild(item.get(), rc, area);
        content.cx = std::max(content.cx, rc.Width() + pad.left + pad.right);
        content.cy = std::max(content.cy, rc.Height() + pad.top + pad.bottom);
    }
    return content;
}

AttrResult CContainerUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CContainerUI;
    static const AttributeTable<C> kTable = {
        {"inset",
         [](C& c, std::string_view v) { return WithRect(v, [&](UiRect r) { c.SetInset(r); }); }},
        {"childpadding",
         [](C& c, std::string_view v) { return WithInt(v, [&](int i) { c.SetChildPadding(i); }); }},
        {"groupscope",
         [](C& c, std::string_view v) { return WithBool(v, [&](bool b) { c.SetGroupScope(b); }); }},
        {"mousechild",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.SetMouseChildEnabled(b); });
         }},
        {"vscrollbar",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.EnableScrollBar(b, c.m_hScroll); });
         }},
        {"hscrollbar",
         [](C& c, std::string_view v) {
             return WithBool(v, [&](bool b) { c.EnableScrollBar(c.m_vScroll, b); });
         }},
        {"scrollthumbcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_scrollThumbColor = x; });
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CControlUI::SetAttribute(name, value);
}

void CContainerUI::DoEvent(TEventUI& event) {
    if (event.Type == UiEvent::ScrollWheel && m_vScroll && m_scrollRange.cy > 0) {
        const int delta = static_cast<int>(static_cast<intptr_t>(event.wParam));
        const UiSize before = m_scrollPos;
        if (delta > 0) {
            LineUp();
        } else if (delta < 0) {
            LineDown();
        }
        if (before != m_scrollPos) {
            // Only the user's scrolling is reported; code scrolls silently.
            Notify(notify::kScroll, static_cast<uintptr_t>(m_scrollPos.cy));
            return;
        }
    }
    CControlUI::DoEvent(event);
}

CControlUI* CContainerUI::FindControlAt(UiPoint pt) {
    if (!IsVisible() || !m_rcItem.Contains(pt))
        return nullptr;
    if (m_mouseChildEnabled && GetClientArea().Contains(pt)) {
        // Later children lie on top of earlier ones.
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if (!(*it)->IsVisible() || !(*it)->GetPos().Contains(pt))
                continue;
            if (CControlUI* hit = (*it)->FindControlAt(pt))
                return hit;
        }
    }
    return IsMouseEnabled() ? this : nullptr;
}

void CContainerUI::DoPaint(IRenderEngine& render, const UiRect& paint) {
    if (!m_rcItem.Intersects(paint))
        return;
    CControlUI::DoPaint(render, paint);
    const UiRect clip = GetClientArea().Intersect(paint);
    if (clip.IsEmpty() || m_items.empty())
        return;
    render.PushClip(clip);
    for (auto& item : m_items) {
        if (!item->IsVisible())
            continue;
        if (!item->GetPos().Intersects(clip))
            continue;
        item->DoPaint(render, clip);
    }
    PaintScrollThumb(render);
    render.PopClip();
}

void CContainerUI::PaintScrollThumb(IRenderEngine& render) {
    // Where the view is in the content: a thin thumb along the right edge.
    if (!m_vScroll || m_scrollRange.cy <= 0 || (m_scrollThumbColor & 0xFF000000u) == 0)
        return;
    const UiRect view = GetClientArea();
    const int viewH = view.Height();
    const int contentH = viewH + m_scrollRange.cy;
    if (viewH <= 0)
        return;
    const int thumbH = std::max(Scale(16), viewH * viewH / contentH);
    const int top = view.top + (viewH - thumbH) * m_scrollPos.cy / m_scrollRange.cy;
    const int width = Scale(4);
    render.FillRect({view.right - width - Scale(2), top, view.right - Scale(2), top + thumbH},
                    m_scrollThumbColor);
}

// Column and row layouts share one algorithm along their main axis.
namespace {

struct Axis {
    bool vertical;
    int Main(UiSize s) const { return vertical ? s.cy : s.cx; }
    int Cross(UiSize s) const { return vertical ? s.cx : s.cy; }
};

UiSize LayoutLine(CContainerUI& self, std::vector<std::unique_ptr<CControlUI>>& items,
                  const UiRect& area, UiSize scroll, bool vertical,
                  const std::function<void(CControlUI*, const UiRect&)>& place,
                  const std::function<void(CControlUI*)>& placeFloat) {
    const Axis ax{vertical};
    const int avail = vertical ? area.Height() : area.Width();
    const int crossAvail = vertical ? area.Width() : area.Height();
    const int childPadding = self.GetChildPadding();
    int fixed = 0;
    int adjustables = 0;
    int count = 0;
    for (auto& item : items) {
        if (!item->IsVisible() || item->IsFloat())
            continue;
        const UiSize est = item->EstimateSize({area.Width(), area.Height()});
        const UiRect pad = item->GetPadding();
        fixed += vertical ? pad.top + pad.bottom : pad.left + pad.right;
        int m = ax.Main(est);
        if (m == 0) {
            ++adjustables;
        } else {
            const int lo = vertical ? item->GetMinHeight() : item->GetMinWidth();
            const int hi = vertical ? item->GetMaxHeight() : item->GetMaxWidth();
            fixed += std::clamp(m, lo, std::max(lo, hi));
        }
        ++count;
    }
    if (count > 1)
        fixed += (count - 1) * childPadding;
    const int expand = adjustables > 0 ? std::max(0, (avail - fixed) / adjustables) : 0;
    int remainder = adjustables > 0 ? std::max(0, (avail - fixed) - expand * adjustables) : 0;

    int pos = (vertical ? area.top - scroll.cy : area.left - scroll.cx);
    int crossContent = 0;
    bool first = true;
    for (auto& item : items) {
        if (!item->IsVisible())
            continue;
        if (item->IsFloat()) {
            placeFloat(item.get());
            continue;
        }
        if (!first)
            pos += childPadding;
        first = false;
        const UiRect pad = item->GetPadding();
        const UiSize est = item->EstimateSize({area.Width(), area.Height()});
        int m = ax.Main(est);
        const int lo = vertical ? item->GetMinHeight() : item->GetMinWidth();
        const int hi = std::max(lo, vertical ? item->GetMaxHeight() : item->GetMaxWidth());
        if (m == 0) {
            m = expand;
            if (--adjustables == 0)
                m += remainder;
        }
        m = std::clamp(m, lo, hi);
        int c = ax.Cross(est);
        const int crossPad = vertical ? pad.left + pad.right : pad.top + pad.bottom;
        if (c == 0)
            c = std::max(0, crossAvail - crossPad);
        const int clo = vertical ? item->GetMinWidth() : item->GetMinHeight();
        const int chi = std::max(clo, vertical ? item->GetMaxWidth() : item->GetMaxHeight());
        c = std::clamp(c, clo, chi);
        UiRect rc;
        if (vertical) {
            pos += pad.top;
            const int x = area.left + pad.left - scroll.cx;
            rc = {x, pos, x + c, pos + m};
            pos += m + pad.bottom;
        } else {
            pos += pad.left;
            const int y = area.top + pad.top - scroll.cy;
            rc = {pos, y, pos + m, y + c};
            pos += m + pad.right;
        }
        crossContent = std::max(crossContent, c + crossPad);
        place(item.get(), rc);
    }
    const int mainContent = pos - (vertical ? area.top - scroll.cy : area.left - scroll.cx);
    return vertical ? UiSize{crossContent, mainContent} : UiSize{mainContent, crossContent};
}

}  // namespace

UiSize CVerticalLayoutUI::LayoutChildren(const UiRect& area) {
    return LayoutLine(
        *this, m_items, area, m_scrollPos, true,
        [&](CControlUI* c, const UiRect& rc) { PlaceChild(c, rc, area); },
        [&](CControlUI* c) { PlaceFloat(c, area); });
}

UiSize CHorizontalLayoutUI::LayoutChildren(const UiRect& area) {
    return LayoutLine(
        *this, m_items, area, m_scrollPos, false,
        [&](CControlUI* c, const UiRect& rc) { PlaceChild(c, rc, area); },
        [&](CControlUI* c) { PlaceFloat(c, area); });
}

CControlUI* CTabLayoutUI::AddAt(std::unique_ptr<CControlUI> control, int index) {
    if (!control)
        return nullptr;
    if (index < 0 || index > GetCount())
        index = GetCount();
    if (m_initDone && m_curSel >= 0 && index <= m_curSel)
        ++m_curSel;
    CControlUI* raw = CContainerUI::AddAt(std::move(control), index);
    if (!m_initDone)
        return raw;  // the first page is chosen at init
    if (m_curSel < 0) {
        m_curSel = index;
        raw->SetVisible(true);
    } else {
        raw->SetVisible(false);
    }
    return raw;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    if (!CContainerUI::Remove(control))
        return false;
    if (index == m_curSel) {
        m_curSel = -1;
        if (GetCount() > 0)
            SelectItem(std::min(index, GetCount() - 1));
    } else if (index < m_curSel) {
        --m_curSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
}

void CTabLayoutUI::DoInit() {
    // Layouts name the first page with "selectedid"; until then page 0 shows.
    const int sel = (m_initialSel >= 0 && m_initialSel < GetCount()) ? m_initialSel : 0;
    m_curSel = -1;
    if (GetCount() > 0)
        SelectItem(sel);
}

bool CTabLayoutUI::SelectItem(int index, bool notify) {
    if (index < 0 || index >= GetCount())
        return false;
    if (index == m_curSel)
        return true;
    const int old = m_curSel;
    m_curSel = index;
    for (int i = 0; i < GetCount(); ++i)
        GetChildAt(i)->SetVisible(i == index);
    NeedUpdate();
    if (notify)
        Notify(notify::kTabSelect, static_cast<uintptr_t>(index), old);
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* page, bool notify) {
    const int index = GetItemIndex(page);
    return index >= 0 && SelectItem(index, notify);
}

AttrResult CTabLayoutUI::SetAttribute(std::string_view name, std::string_view value) {
    if (EqualsNoCase(name, "selectedid")) {
        auto v = ParseInt(value);
        if (!v || *v < 0)
            return AttrResult::BadValue;
        m_initialSel = *v;
        if (m_initDone)
            SelectItem(*v);
        return AttrResult::Ok;
    }
    return CContainerUI::SetAttribute(name, value);
}

UiSize CTabLayoutUI::LayoutChildren(const UiRect& area) {
    UiSize content;
    for (auto& item : m_items) {
        if (!item->IsVisible())
            continue;
        if (item->IsFloat()) {
            PlaceFloat(item.get(), area);
            continue;
        }
        const UiRect rc = WholeAreaRect(*item, area);
        item->SetPos(rc);
        content = {std::max(content.cx, rc.Width()), std::max(content.cy, rc.Height())};
    }
    return content;
}

}  // namespace ui
