#pragma once
// Lists of items (text rows or rows of controls) and combos, whose drop-down
// shows the same kind of items.
#include <functional>
#include <memory>

#include "ui/container.h"
#include "ui/controls.h"

namespace ui {

class CListElementOwner;

// What list and combo items share.
class IListItemUI {
public:
    virtual ~IListItemUI() = default;
    int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }
    CListElementOwner* GetOwner() const { return m_owner; }
    void SetOwner(CListElementOwner* owner) { m_owner = owner; }
    bool IsSelected() const { return m_selected; }
    // Marks the item; selection itself belongs to the owner.
    void SetSelectedMark(bool on) { m_selected = on; }

protected:
    int m_index = -1;
    CListElementOwner* m_owner = nullptr;
    bool m_selected = false;
};

// The container side of a list or combo.
class CListElementOwner {
public:
    virtual ~CListElementOwner() = default;
    virtual bool SelectItem(int index, bool takeFocus = false, bool notify = false) = 0;
    virtual int GetCurSel() const = 0;
    // A user click on an item.
    virtual void OnItemClick(int index) = 0;
    virtual void OnItemActivate(int index) = 0;
};

class CListLabelElementUI : public CLabelUI, public IListItemUI {
public:
    std::string_view GetClass() const override { return "ListLabelElement"; }
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(IRenderEngine& render) override;
};

// A row holding controls, laid out left to right.
class CListContainerElementUI : public CHorizontalLayoutUI, public IListItemUI {
public:
    std::string_view GetClass() const override { return "ListContainerElement"; }
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(IRenderEngine& render) override;
};

class CListUI : public CVerticalLayoutUI, public CListElementOwner {
public:
    CListUI();
    std::string_view GetClass() const override { return "List"; }
    CControlUI* AddAt(std::unique_ptr<CControlUI> control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    int GetCurSel() const override { return m_curSel; }
    // "itemselect" (wParam the new index, lParam the old) only when asked.
    bool SelectItem(int index, bool takeFocus = false, bool notify = false) override;
    void OnItemClick(int index) override;
    void OnItemActivate(int index) override;
    void EnsureVisible(int index);
    bool IsTabStop() const override { return true; }
    uint32_t GetSelectedItemBkColor() const { return m_selectedBkColor; }
    uint32_t GetHotItemBkColor() const { return m_hotBkColor; }
    void DoEvent(TEventUI& event) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;

private:
    void DoInit() override;
    int m_initialSel = -1;
    int m_curSel = -1;
    uint32_t m_selectedBkColor = 0;
    uint32_t m_hotBkColor = 0;
};

// A closed combo shows the selected item's text; its drop-down lists the
// visible items. Items keep text, user data, the resource-text flag and their
// own visibility.
class CComboUI : public CContainerUI, public CListElementOwner {
public:
    CComboUI();
    ~CComboUI() override;
    std::string_view GetClass() const override { return "Combo"; }

    // Adds a text item; returns it.
    CListLabelElementUI* AddItem(std::string_view text, std::string_view userData = {},
                                 bool resourceText = false);
    CControlUI* AddAt(std::unique_ptr<CControlUI> control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;
    bool SetItemVisible(int index, bool visible);
    bool IsItemVisible(int index) const;

    int GetCurSel() const override { return m_curSel; }
    // "itemselect" (wParam the new index, lParam the old) only when asked.
    bool SelectItem(int index, bool takeFocus = false, bool notify = false) override;
    // What choosing an item in the drop-down does: hidden or disabled items
    // cannot be chosen; the drop-down closes and "itemselect" is sent.
    bool SelectItemByUser(int index);
    void OnItemClick(int index) override;
    void OnItemActivate(int) override {}
    std::string GetText() const override;

    bool IsDropped() const { return m_dropped; }
    UiSize GetDropBoxSize() const { return m_dropBoxSize; }
    uint32_t GetItemSelectedBkColor() const { return m_itemSelectedBkColor; }
    uint32_t GetItemHotBkColor() const { return m_itemHotBkColor; }
    // Opens or closes the drop-down ("dropdown" when it opens).
    void ShowDropDown(bool show);
    // The backend shows drop-downs; headless ones are only a state.
    static void SetDropDownHandler(std::function<void(CComboUI&, bool)> handler);

    bool Activate() override;
    bool IsTabStop() const override { return true; }
    void DoEvent(TEventUI& event) override;
    CControlUI* FindControlAt(UiPoint pt) override;
    void DoPaint(IRenderEngine& render, const UiRect& paint) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;

protected:
    UiSize LayoutChildren(const UiRect& area) override;
    // Selects the item a layout named with "selectedid", silently.
    void DoInit() override;

private:
    int m_curSel = -1;
    int m_initialSel = -1;
    bool m_dropped = false;
    UiSize m_dropBoxSize{0, 150};
    uint32_t m_itemSelectedBkColor = 0;
    uint32_t m_itemHotBkColor = 0;
    ImageDescription m_normalImage;
    ImageDescription m_hotImage;
    ImageDescription m_pushedImage;
    ImageDescription m_disabledImage;
};

}  // namespace ui
