#pragma once
// CControlUI: the base of every control. A control has a name (the contract
// with the skin), a class string (the tag that creates it), a place in the
// tree, layout attributes, looks and text. Setters called from code never send
// notifications; only user input does, unless a setter is asked to.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ui/attributes.h"
#include "ui/base.h"
#include "ui/event.h"
#include "ui/image.h"
#include "ui/render.h"

namespace ui {

class CPaintManagerUI;
class CContainerUI;

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual std::string_view GetClass() const { return "Control"; }

    const std::string& GetName() const { return m_name; }
    void SetName(std::string_view name);

    // Tree.
    CPaintManagerUI* GetManager() const { return m_manager; }
    CControlUI* GetParent() const { return m_parent; }
    // Sets manager and parent for this control (containers: the whole subtree).
    // With `init`, the controls are registered with the manager (names) and
    // DoInit runs once.
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init);
    virtual int GetChildCount() const { return 0; }
    virtual CControlUI* GetChildAt(int) const { return nullptr; }
    bool IsAncestorOf(const CControlUI* other) const;

    // Text. With the resource-text flag, the text is a text id resolved through
    // the resource manager's current language.
    virtual std::string GetText() const;
    const std::string& GetRawText() const { return m_text; }
    virtual void SetText(std::string_view text);
    bool IsResourceText() const { return m_resourceText; }
    void SetResourceText(bool on);
    std::string GetToolTip() const;
    void SetToolTip(std::string_view tip) { m_toolTip = tip; }
    const std::string& GetUserData() const { return m_userData; }
    void SetUserData(std::string_view data) { m_userData = data; }
    uintptr_t GetTag() const { return m_tag; }
    void SetTag(uintptr_t tag) { m_tag = tag; }
    const std::string& GetVirtualWnd() const;
    void SetVirtualWnd(std::string_view name) { m_virtualWnd = name; }
    const std::string& GetStyleName() const { return m_style; }

    // State.
    bool IsVisible() const { return m_visible && m_internVisible; }
    bool IsOwnVisible() const { return m_visible; }
    virtual void SetVisible(bool visible);
    virtual void SetInternVisible(bool visible);
    bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled);
    bool IsMouseEnabled() const { return m_mouseEnabled; }
    void SetMouseEnabled(bool on) { m_mouseEnabled = on; }
    bool IsKeyboardEnabled() const { return m_keyboardEnabled; }
    void SetKeyboardEnabled(bool on) { m_keyboardEnabled = on; }
    bool IsFocused() const;
    void SetFocus();
    bool IsHot() const { return m_hot; }

    // Geometry. Sizes are in unscaled pixels; the manager's DPI scales them.
    const UiRect& GetPos() const { return m_rcItem; }
    virtual void SetPos(const UiRect& rc);
    // Stores the rectangle of a control outside the visible area without laying
    // out its inside; the inside is laid out when it becomes visible.
    virtual void SetPosLazy(const UiRect& rc);
    virtual UiSize EstimateSize(UiSize available);
    int GetFixedWidth() const;
    int GetFixedHeight() const;
    void SetFixedWidth(int cx);
    void SetFixedHeight(int cy);
    int GetMinWidth() const;
    int GetMaxWidth() const;
    int GetMinHeight() const;
    int GetMaxHeight() const;
    void SetMinWidth(int v) {
        m_minSize.cx = v;
        NeedParentUpdate();
    }
    void SetMaxWidth(int v) {
        m_maxSize.cx = v;
        NeedParentUpdate();
    }
    void SetMinHeight(int v) {
        m_minSize.cy = v;
        NeedParentUpdate();
    }
    void SetMaxHeight(int v) {
        m_maxSize.cy = v;
        NeedParentUpdate();
    }
    UiRect GetPadding() const;
    void SetPadding(const UiRect& padding) {
        m_padding = padding;
        NeedParentUpdate();
    }
    bool IsFloat() const { return m_float; }
    void SetFloat(bool on) {
        m_float = on;
        NeedParentUpdate();
    }
    // Position of a floating control relative to its parent's top-left corner.
    const UiRect& GetFloatPos() const { return m_floatPos; }
    void SetFloatPos(const UiRect& pos);
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    void NeedUpdate();
    void NeedParentUpdate();
    void Invalidate();

    // Looks.
    uint32_t GetBkColor() const { return m_bkColor; }
    void SetBkColor(uint32_t argb) {
        m_bkColor = argb;
        Invalidate();
    }
    const ImageDescription& GetBkImage() const { return m_bkImage; }
    bool SetBkImage(std::string_view description);
    const ImageDescription& GetForeImage() const { return m_foreImage; }
    bool SetForeImage(std::string_view description);
    uint32_t GetBorderColor() const { return m_borderColor; }
    void SetBorderColor(uint32_t argb) {
        m_borderColor = argb;
        Invalidate();
    }
    int GetBorderSize() const { return m_borderSize; }
    void SetBorderSize(int size) {
        m_borderSize = size;
        Invalidate();
    }
    int GetFont() const { return m_font; }
    void SetFont(int index) {
        m_font = index;
        Invalidate();
    }
    uint32_t GetTextColor() const { return m_textColor; }
    void SetTextColor(uint32_t argb) {
        m_textColor = argb;
        Invalidate();
    }
    uint32_t GetDisabledTextColor() const { return m_disabledTextColor; }
    void SetDisabledTextColor(uint32_t argb) {
        m_disabledTextColor = argb;
        Invalidate();
    }
    uint32_t GetTextStyle() const { return m_textStyle; }
    void SetTextStyle(uint32_t align) {
        m_textStyle = align;
        Invalidate();
    }
    const UiRect& GetTextPadding() const { return m_textPadding; }
    void SetTextPadding(const UiRect& r) {
        m_textPadding = r;
        Invalidate();
    }

    // Attributes (names compared without regard to case).
    virtual AttrResult SetAttribute(std::string_view name, std::string_view value);
    // "name='value' name2=\"value\""; stops at the first failing attribute and
    // describes it in `error`.
    AttrResult ApplyAttributeList(std::string_view list, std::string* error = nullptr);

    // Events from the paint manager.
    void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);
    // What a click or the keyboard does; false when the control is inactive.
    virtual bool Activate();
    // Whether Tab stops here.
    virtual bool IsTabStop() const { return false; }
    CursorKind GetCursor() const { return m_cursor; }
    void SetCursor(CursorKind cursor) { m_cursor = cursor; }
    virtual CControlUI* FindControlAt(UiPoint pt);

    // Painting.
    virtual void DoPaint(IRenderEngine& render, const UiRect& paint);
    virtual void PaintBkColor(IRenderEngine& render);
    virtual void PaintBkImage(IRenderEngine& render);
    virtual void PaintStatusImage(IRenderEngine& render);
    virtual void PaintText(IRenderEngine& render);
    virtual void PaintBorder(IRenderEngine& render);
    // Draws an image description over the control; false when nothing drawn.
    bool DrawImage(IRenderEngine& render, const ImageDescription& image, uint32_t tint = 0,
                   uint8_t alpha = 255);

    // Control timers, delivered to DoEvent as UiEvent::Timer with the id in
    // wParam; they die with the control.
    bool SetTimer(uintptr_t id, uint32_t elapseMs);
    void KillTimer(uintptr_t id);

    // Sends a notification from this control through its manager.
    void Notify(std::string_view type, uintptr_t wParam = 0, intptr_t lParam = 0);

protected:
    // Runs once when the control joins a manager.
    virtual void DoInit() {}
    // Runs after the whole tree the control joined with is registered (for
    // controls that look others up by name); asked for with DeferPostInit.
    virtual void DoPostInit() {}
    void DeferPostInit();
    friend class CPaintManagerUI;
    int Scale(int v) const;
    uint32_t CurrentTextColor() const;

    CPaintManagerUI* m_manager = nullptr;
    CControlUI* m_parent = nullptr;
    std::string m_name;
    std::string m_text;
    std::string m_toolTip;
    std::string m_userData;
    std::string m_virtualWnd;
    std::string m_style;
    uintptr_t m_tag = 0;
    bool m_resourceText = false;
    bool m_visible = true;
    bool m_internVisible = true;
    bool m_enabled = true;
    bool m_mouseEnabled = true;
    bool m_keyboardEnabled = true;
    bool m_hot = false;
    bool m_float = false;
    bool m_updateNeeded = true;
    bool m_initDone = false;
    bool m_nameRegistered = false;  // kept by the paint manager
    CursorKind m_cursor = CursorKind::Arrow;
    UiRect m_rcItem;
    UiRect m_floatPos;
    UiSize m_fixedSize;
    UiSize m_minSize;
    UiSize m_maxSize{9999, 9999};
    UiRect m_padding;
    uint32_t m_bkColor = 0;
    ImageDescription m_bkImage;
    ImageDescription m_foreImage;
    uint32_t m_borderColor = 0;
    uint32_t m_focusBorderColor = 0;
    int m_borderSize = 0;
    int m_borderRound = 0;
    int m_font = -1;
    uint32_t m_textColor = 0xFF000000;
    uint32_t m_disabledTextColor = 0xFF808080;
    uint32_t m_textStyle = kAlignLeft | kAlignVCenter | kAlignSingleLine;
    UiRect m_textPadding;
};

// Applies `fn` to `root` and every control below it, depth first in tree order;
// stops when `fn` returns true and returns that control.
template <class Fn>
CControlUI* FindInTree(CControlUI* root, Fn&& fn) {
    if (root == nullptr)
        return nullptr;
    if (fn(root))
        return root;
    for (int i = 0; i < root->GetChildCount(); ++i) {
        if (CControlUI* found = FindInTree(root->GetChildAt(i), fn))
            return found;
    }
    return nullptr;
}

}  // namespace ui
