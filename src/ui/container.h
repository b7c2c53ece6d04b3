#pragma once
// Containers own their children. Layouts place them in a column, a row or as
// pages of which one shows; any container can scroll its content.
#include <memory>
#include <vector>

#include "ui/control.h"

namespace ui {

class CContainerUI : public CControlUI {
public:
    CContainerUI();
    ~CContainerUI() override;
    std::string_view GetClass() const override { return "Container"; }

    int GetChildCount() const override { return static_cast<int>(m_items.size()); }
    CControlUI* GetChildAt(int index) const override;
    int GetCount() const { return GetChildCount(); }
    CControlUI* GetItemAt(int index) const { return GetChildAt(index); }
    int GetItemIndex(const CControlUI* control) const;
    bool SetItemIndex(CControlUI* control, int index);

    // Adding returns the control, now owned by the container.
    virtual CControlUI* Add(std::unique_ptr<CControlUI> control);
    virtual CControlUI* AddAt(std::unique_ptr<CControlUI> control, int index);
    // Removing destroys the control; while an event is being handled the
    // destruction waits until the handling is over, so a control may remove
    // itself from its own handler.
    virtual bool Remove(CControlUI* control);
    bool RemoveAt(int index);
    virtual void RemoveAll();
    // Takes a control out without destroying it.
    std::unique_ptr<CControlUI> Detach(CControlUI* control);

    template <class T, class... Args>
    T* AddNew(Args&&... args) {
        auto owned = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = owned.get();
        Add(std::move(owned));
        return raw;
    }

    const UiRect& GetInset() const { return m_inset; }
    void SetInset(const UiRect& inset) {
        m_inset = inset;
        NeedUpdate();
    }
    int GetChildPadding() const;
    void SetChildPadding(int padding) {
        m_childPadding = padding;
        NeedUpdate();
    }
    bool IsMouseChildEnabled() const { return m_mouseChildEnabled; }
    // Option groups inside a group scope are its own: a page built twice (one
    // per device) does not clear the other copy's options.
    bool IsGroupScope() const { return m_groupScope; }
    void SetGroupScope(bool on) { m_groupScope = on; }
    void SetMouseChildEnabled(bool on) { m_mouseChildEnabled = on; }

    // Scrolling.
    bool IsVScrollEnabled() const { return m_vScroll; }
    bool IsHScrollEnabled() const { return m_hScroll; }
    void EnableScrollBar(bool vertical, bool horizontal);
    UiSize GetScrollPos() const { return m_scrollPos; }
    UiSize GetScrollRange() const { return m_scrollRange; }
    void SetScrollPos(UiSize pos);
    void LineUp() { Scroll(-LineStep()); }
    void LineDown() { Scroll(LineStep()); }
    void PageUp() { Scroll(-(m_rcItem.Height() - m_inset.top - m_inset.bottom)); }
    void PageDown() { Scroll(m_rcItem.Height() - m_inset.top - m_inset.bottom); }
    void HomeUp() { SetScrollPos({m_scrollPos.cx, 0}); }
    void EndDown() { SetScrollPos({m_scrollPos.cx, m_scrollRange.cy}); }
    // Scrolls so that the child's rectangle is inside the visible area.
    void EnsureVisible(CControlUI* child);
    // The area children are placed in and clipped to.
    UiRect GetClientArea() const { return m_rcItem.Deflate(ScaledInset()); }

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) override;
    void SetVisible(bool visible) override;
    void SetInternVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetPos(const UiRect& rc) override;
    void SetPosLazy(const UiRect& rc) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    CControlUI* FindControlAt(UiPoint pt) override;
    void DoPaint(IRenderEngine& render, const UiRect& paint) override;

protected:
    // Places the children inside `area`; returns the content size for scrolling.
    virtual UiSize LayoutChildren(const UiRect& area);
    void PlaceFloat(CControlUI* child, const UiRect& area);
    // Places a child with its full layout when it can be seen, lazily otherwise.
    void PlaceChild(CControlUI* child, const UiRect& rc, const UiRect& visible);
    void Scroll(int dy) { SetScrollPos({m_scrollPos.cx, m_scrollPos.cy + dy}); }
    int LineStep() const { return Scale(30); }
    UiRect ScaledInset() const;

    std::vector<std::unique_ptr<CControlUI>> m_items;
    UiRect m_inset;
    int m_childPadding = 0;
    bool m_mouseChildEnabled = true;
    bool m_groupScope = false;
    void PaintScrollThumb(IRenderEngine& render);
    uint32_t m_scrollThumbColor = 0x50FFFFFF;
    bool m_vScroll = false;
    bool m_hScroll = false;
    bool m_layoutPending = false;
    UiSize m_scrollPos;
    UiSize m_scrollRange;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    std::string_view GetClass() const override { return "VerticalLayout"; }

protected:
    UiSize LayoutChildren(const UiRect& area) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::string_view GetClass() const override { return "HorizontalLayout"; }

protected:
    UiSize LayoutChildren(const UiRect& area) override;
};

// Pages of which exactly one shows.
class CTabLayoutUI : public CContainerUI {
public:
    std::string_view GetClass() const override { return "TabLayout"; }
    CControlUI* AddAt(std::unique_ptr<CControlUI> control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    int GetCurSel() const { return m_curSel; }
    // Shows page `index`; "tabselect" only when asked.
    bool SelectItem(int index, bool notify = false);
    bool SelectItem(CControlUI* page, bool notify = false);
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;

protected:
    void DoInit() override;
    UiSize LayoutChildren(const UiRect& area) override;
    int m_curSel = -1;
    int m_initialSel = 0;
};

}  // namespace ui
