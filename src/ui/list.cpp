#include "ui/list.h"

#include <algorithm>

#include "ui/paint_manager.h"

namespace ui {

namespace {

IListItemUI* AsItem(CControlUI* c) {
    return dynamic_cast<IListItemUI*>(c);
}

// Lists and combos keep their rows' indices and their selected row in step
// with insertions and removals the same way.
void ReindexItems(CContainerUI& owner, int from) {
    for (int i = std::max(0, from); i < owner.GetCount(); ++i) {
        if (IListItemUI* item = AsItem(owner.GetChildAt(i)))
            item->SetIndex(i);
    }
}

int SelectionAfterInsert(int selected, int index) {
    return selected >= index ? selected + 1 : selected;
}

// The row that was selected is gone: nothing is selected any more.
int SelectionAfterRemove(int selected, int index) {
    if (index == selected)
        return -1;
    return index < selected ? selected - 1 : selected;
}

// Mouse handling shared by both item kinds: a press selects (the owner sends
// "itemclick" and "itemselect"), a double click activates.
bool HandleItemEvent(CControlUI& self, IListItemUI& item, TEventUI& event) {
    if (item.GetOwner() == nullptr || !self.IsEnabled())
        return false;
    switch (event.Type) {
        case UiEvent::ButtonDown:
            item.GetOwner()->OnItemClick(item.GetIndex());
            return true;
        case UiEvent::DblClick:
            item.GetOwner()->OnItemActivate(item.GetIndex());
            return true;
        case UiEvent::KeyDown:
            if (event.chKey == kKeyReturn) {
                item.GetOwner()->OnItemActivate(item.GetIndex());
                return true;
            }
            return false;
        default:
            return false;
    }
}

uint32_t ItemBkColor(const CControlUI& self, const IListItemUI& item) {
    auto* list = dynamic_cast<CListUI*>(item.GetOwner());
    if (list == nullptr)
        return self.GetBkColor();
    if (item.IsSelected() && list->GetSelectedItemBkColor() != 0)
        return list->GetSelectedItemBkColor();
    if (self.IsHot() && list->GetHotItemBkColor() != 0)
        return list->GetHotItemBkColor();
    return self.GetBkColor();
}

}  // namespace

void CListLabelElementUI::DoEvent(TEventUI& event) {
    if (HandleItemEvent(*this, *this, event))
        return;
    CLabelUI::DoEvent(event);
}

void CListLabelElementUI::PaintBkColor(IRenderEngine& render) {
    const uint32_t c = ItemBkColor(*this, *this);
    if ((c & 0xFF000000u) != 0)
        render.FillRect(m_rcItem, c);
}

void CListContainerElementUI::DoEvent(TEventUI& event) {
    if (HandleItemEvent(*this, *this, event))
        return;
    CHorizontalLayoutUI::DoEvent(event);
}

void CListContainerElementUI::PaintBkColor(IRenderEngine& render) {
    const uint32_t c = ItemBkColor(*this, *this);
    if ((c & 0xFF000000u) != 0)
        render.FillRect(m_rcItem, c);
}

// ---- CListUI

CListUI::CListUI() {
    m_vScroll = true;
}

CControlUI* CListUI::AddAt(std::unique_ptr<CControlUI> control, int index) {
    if (!control)
        return nullptr;
    if (index < 0 || index > GetCount())
        index = GetCount();
    if (IListItemUI* item = AsItem(control.get()))
        item->SetOwner(this);
    CControlUI* raw = CVerticalLayoutUI::AddAt(std::move(control), index);
    m_curSel = SelectionAfterInsert(m_curSel, index);
    ReindexItems(*this, index);
    return raw;
}

bool CListUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    if (IListItemUI* item = AsItem(control))
        item->SetOwner(nullptr);
    CVerticalLayoutUI::Remove(control);
    m_curSel = SelectionAfterRemove(m_curSel, index);
    ReindexItems(*this, index);
    return true;
}

void CListUI::RemoveAll() {
    m_curSel = -1;
    CVerticalLayoutUI::RemoveAll();
}

bool CListUI::SelectItem(int index, bool takeFocus, bool notify) {
    if (index == m_curSel)
        return true;
    CControlUI* target = GetChildAt(index);
    IListItemUI* item = AsItem(target);
    if (index >= 0 && (item == nullptr || !target->IsVisible() || !target->IsEnabled())) {
        return false;
    }
    const int old = m_curSel;
    if (IListItemUI* prev = AsItem(GetChildAt(old))) {
        prev->SetSelectedMark(false);
        GetChildAt(old)->Invalidate();
    }
    m_curSel = index;
    if (item != nullptr) {
        item->SetSelectedMark(true);
        if (takeFocus)
            target->SetFocus();
        target->Invalidate();
    }
    if (notify)
        Notify(notify::kItemSelect, static_cast<uintptr_t>(index), old);
    return true;
}

void CListUI::OnItemClick(int index) {
    CControlUI* target = GetChildAt(index);
    if (target == nullptr)
        return;
    target->Notify(notify::kItemClick, static_cast<uintptr_t>(index));
    SelectItem(index, false, true);
}

void CListUI::OnItemActivate(int index) {
    CControlUI* target = GetChildAt(index);
    if (target == nullptr)
        return;
    SelectItem(index, false, true);
    target->Notify(notify::kItemActivate, static_cast<uintptr_t>(index));
}

void CListUI::EnsureVisible(int index) {
    CContainerUI::EnsureVisible(GetChildAt(index));
}

void CListUI::DoEvent(TEventUI& event) {
    if (event.Type == UiEvent::KeyDown && GetCount() > 0) {
        int next = m_curSel;
        if (event.chKey == kKeyUp)
            next = std::max(0, m_curSel - 1);
        if (event.chKey == kKeyDown)
            next = std::min(GetCount() - 1, m_curSel + 1);
        if (next != m_curSel && SelectItem(next, false, true)) {
            EnsureVisible(next);
            return;
        }
    }
    CVerticalLayoutUI::DoEvent(event);
}

AttrResult CListUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CListUI;
    static const AttributeTable<C> kTable = {
        {"itemselectedbkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_selectedBkColor = x; });
         }},
        {"itemhotbkcolor",
         [](C& c, std::string_view v) {
             return WithColor(v, [&](uint32_t x) { c.m_hotBkColor = x; });
         }},
        {"selectedid",
         [](C& c, std::string_view v) {
             auto i = ParseInt(v);
             return i && *i >= 0 ? (c.m_initialSel = *i, true) : false;
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CVerticalLayoutUI::SetAttribute(name, value);
}

void CListUI::DoInit() {
    if (m_initialSel >= 0 && m_initialSel < GetCount())
        SelectItem(m_initialSel, false, false);
}

// ---- CComboUI

namespace {
std::function<void(CComboUI&, bool)>& DropDownHandler() {
    static std::function<void(CComboUI&, bool)> handler;
    return handler;
}
}  // namespace

void CComboUI::SetDropDownHandler(std::function<void(CComboUI&, bool)> handler) {
    DropDownHandler() = std::move(handler);
}

CComboUI::CComboUI() {
    m_textStyle = kAlignLeft | kAlignVCenter | kAlignSingleLine;
    m_textPadding = {4, 0, 4, 0};
}

CComboUI::~CComboUI() {
    if (m_dropped && DropDownHandler())
        DropDownHandler()(*this, false);
}

CListLabelElementUI* CComboUI::AddItem(std::string_view text, std::string_view userData,
                                       bool resourceText) {
    auto item = std::make_unique<CListLabelElementUI>();
    item->SetText(text);
    item->SetUserData(userData);
    item->SetResourceText(resourceText);
    auto* raw = item.get();
    Add(std::move(item));
    return raw;
}

CControlUI* CComboUI::AddAt(std::unique_ptr<CControlUI> control, int index) {
    if (!control)
        return nullptr;
    if (index < 0 || index > GetCount())
        index = GetCount();
    if (IListItemUI* item = AsItem(control.get()))
        item->SetOwner(this);
    CControlUI* raw = CContainerUI::AddAt(std::move(control), index);
    m_curSel = SelectionAfterInsert(m_curSel, index);
    ReindexItems(*this, index);
    return raw;
}

bool CComboUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0)
        return false;
    if (IListItemUI* item = AsItem(control))
        item->SetOwner(nullptr);
    CContainerUI::Remove(control);
    m_curSel = SelectionAfterRemove(m_curSel, index);
    ReindexItems(*this, index);
    Invalidate();
    return true;
}

void CComboUI::RemoveAll() {
    m_curSel = -1;
    CContainerUI::RemoveAll();
    Invalidate();
}

bool CComboUI::SetItemVisible(int index, bool visible) {
    CControlUI* item = GetChildAt(index);
    if (item == nullptr)
        return false;
    item->SetVisible(visible);
    return true;
}

bool CComboUI::IsItemVisible(int index) const {
    CControlUI* item = GetChildAt(index);
    return item != nullptr && item->IsOwnVisible();
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool notify) {
    if (takeFocus)
        SetFocus();
    if (index == m_curSel)
        return true;
    if (index >= GetCount() || index < -1)
        return false;
    const int old = m_curSel;
    if (IListItemUI* prev = AsItem(GetChildAt(old)))
        prev->SetSelectedMark(false);
    m_curSel = index;
    if (IListItemUI* item = AsItem(GetChildAt(index)))
        item->SetSelectedMark(true);
    Invalidate();
    if (notify)
        Notify(notify::kItemSelect, static_cast<uintptr_t>(index), old);
    return true;
}

bool CComboUI::SelectItemByUser(int index) {
    CControlUI* item = GetChildAt(index);
    if (!IsEnabled() || item == nullptr || !item->IsOwnVisible() || !item->IsEnabled()) {
        return false;
    }
    ShowDropDown(false);
    if (index == m_curSel)
        return true;
    return SelectItem(index, false, true);
}

void CComboUI::OnItemClick(int index) {
    SelectItemByUser(index);
}

std::string CComboUI::GetText() const {
    CControlUI* item = GetChildAt(m_curSel);
    return item != nullptr ? item->GetText() : std::string();
}

void CComboUI::ShowDropDown(bool show) {
    if (show == m_dropped)
        return;
    if (show && (!IsEnabled() || !IsVisible()))
        return;
    m_dropped = show;
    if (DropDownHandler())
        DropDownHandler()(*this, show);
    Invalidate();
    if (show)
        Notify(notify::kDropDown);
}

bool CComboUI::Activate() {
    if (!CControlUI::Activate())
        return false;
    ShowDropDown(!m_dropped);
    return true;
}

void CComboUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
            if (IsEnabled())
                Activate();
            return;
        case UiEvent::ButtonUp:
            return;
        case UiEvent::KillFocus:
            ShowDropDown(false);
            break;
        case UiEvent::KeyDown: {
            if (!IsEnabled())
                break;
            int step = event.chKey == kKeyDown ? 1 : event.chKey == kKeyUp ? -1 : 0;
            if (event.chKey == kKeyEscape) {
                ShowDropDown(false);
                return;
            }
            if (step != 0) {
                // Moves to the next visible item.
                for (int i = m_curSel + step; i >= 0 && i < GetCount(); i += step) {
                    if (GetChildAt(i)->IsOwnVisible() && GetChildAt(i)->IsEnabled()) {
                        SelectItem(i, false, true);
                        break;
                    }
                }
                return;
            }
            break;
        }
        case UiEvent::ScrollWheel:
            if (m_parent != nullptr)
                m_parent->DoEvent(event);
            return;
        default:
            break;
    }
    CControlUI::DoEvent(event);
}

void CComboUI::DoInit() {
    if (m_initialSel >= 0 && m_initialSel < GetCount())
        SelectItem(m_initialSel, false, false);
}

CControlUI* CComboUI::FindControlAt(UiPoint pt) {
    // The items live in the drop-down, not inside the closed combo.
    return CControlUI::FindControlAt(pt);
}

UiSize CComboUI::LayoutChildren(const UiRect&) {
    // Items are laid out by the drop-down that shows them.
    return {};
}

void CComboUI::DoPaint(IRenderEngine& render, const UiRect& paint) {
    if (!m_rcItem.Intersects(paint))
        return;
    PaintBkColor(render);
    PaintBkImage(render);
    const ImageDescription* image = &m_normalImage;
    if (!IsEnabled() && !m_disabledImage.IsEmpty()) {
        image = &m_disabledImage;
    } else if (m_dropped && !m_pushedImage.IsEmpty()) {
        image = &m_pushedImage;
    } else if (m_hot && !m_hotImage.IsEmpty()) {
        image = &m_hotImage;
    }
    DrawImage(render, *image);
    PaintText(render);
    PaintBorder(render);
}

AttrResult CComboUI::SetAttribute(std::string_view name, std::string_view value) {
    using C = CComboUI;
    static const AttributeTable<C> kTable = {
        {"normalimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_normalImage = std::move(d); });
         }},
        {"hotimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_hotImage = std::move(d); });
         }},
        {"pushedimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_pushedImage = std::move(d); });
         }},
        {"disabledimage",
         [](C& c, std::string_view v) {
             return WithImage(v, [&](ImageDescription d) { c.m_disabledImage = std::move(d); });
         }},
        {"selectedid",
         [](C& c, std::string_view v) {
             auto i = ParseInt(v);
             return i && *i >= 0 ? (c.m_initialSel = *i, true) : false;
         }},
        {"dropboxsize",
         [](C& c, std::string_view v) {
             auto s = ParseSize(v);
             return s ? (c.m_dropBoxSize = *s, true) : false;
         }},
        {"itemselectedbkcolor",
         [](C& c, std::string_view v) {
             auto x = ParseColor(v);
             return x ? (c.m_itemSelectedBkColor = *x, true) : false;
         }},
        {"itemhotbkcolor",
         [](C& c, std::string_view v) {
             auto x = ParseColor(v);
             return x ? (c.m_itemHotBkColor = *x, true) : false;
         }},
    };
    AttrResult r = kTable.Apply(*this, name, value);
    if (r != AttrResult::Unknown)
        return r;
    return CContainerUI::SetAttribute(name, value);
}

}  // namespace ui
