#pragma once
// The standard controls: labels, buttons, options and check boxes, combos,
// sliders, edits, progress bars and the colour palette.
#include <functional>
#include <string>
#include <vector>

#include "ui/container.h"
#include "ui/control.h"

namespace ui {

class CLabelUI : public CControlUI {
public:
    std::string_view GetClass() const override { return "Label"; }
};

// A label whose text wraps.
class CTextUI : public CLabelUI {
public:
    CTextUI();
    std::string_view GetClass() const override { return "Text"; }
};

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::string_view GetClass() const override { return "Button"; }

    bool SetNormalImage(std::string_view d) { return SetImage(m_normalImage, d); }
    bool SetHotImage(std::string_view d) { return SetImage(m_hotImage, d); }
    bool SetPushedImage(std::string_view d) { return SetImage(m_pushedImage, d); }
    bool SetDisabledImage(std::string_view d) { return SetImage(m_disabledImage, d); }
    bool SetFocusedImage(std::string_view d) { return SetImage(m_focusedImage, d); }
    const ImageDescription& GetNormalImage() const { return m_normalImage; }
    const ImageDescription& GetHotImage() const { return m_hotImage; }
    const ImageDescription& GetPushedImage() const { return m_pushedImage; }
    const ImageDescription& GetDisabledImage() const { return m_disabledImage; }
    void SetHotTextColor(uint32_t c) {
        m_hotTextColor = c;
        Invalidate();
    }
    void SetPushedTextColor(uint32_t c) {
        m_pushedTextColor = c;
        Invalidate();
    }
    bool IsPushed() const { return m_pushed; }
    bool IsCaptured() const { return m_captured; }

    bool Activate() override;
    bool IsTabStop() const override { return true; }
    void DoEvent(TEventUI& event) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(IRenderEngine& render) override;
    void PaintBkColor(IRenderEngine& render) override;
    void PaintText(IRenderEngine& render) override;
    void SetEnabled(bool enabled) override;
    void SetVisible(bool visible) override;

protected:
    bool SetImage(ImageDescription& slot, std::string_view description);
    // The button's press state for derived controls with their own events.
    bool m_pushed = false;
    bool m_captured = false;
    ImageDescription m_normalImage;
    ImageDescription m_hotImage;
    ImageDescription m_pushedImage;
    ImageDescription m_disabledImage;
    ImageDescription m_focusedImage;
    uint32_t m_hotTextColor = 0;
    uint32_t m_pushedTextColor = 0;
    uint32_t m_hotBkColor = 0;
    uint32_t m_pushedBkColor = 0;
};

// A button that stays selected. Options of one group exclude each other; an
// option may show a page of a tab layout while selected.
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    std::string_view GetClass() const override { return "Option"; }

    bool IsSelected() const { return m_selected; }
    // Sends "selectchanged" only when asked; other options of the group are
    // cleared without notifications.
    virtual void Selected(bool selected, bool notify = false);
    const std::string& GetGroup() const { return m_group; }
    void SetGroup(std::string_view group);
    bool SetSelectedImage(std::string_view d) { return SetImage(m_selectedImage, d); }
    bool SetSelectedHotImage(std::string_view d) { return SetImage(m_selectedHotImage, d); }
    bool SetSelectedDisabledImage(std::string_view d) {
        return SetImage(m_selectedDisabledImage, d);
    }
    void SetSelectedTextColor(uint32_t c) {
        m_selectedTextColor = c;
        Invalidate();
    }
    uint32_t GetSelectedTextColor() const { return m_selectedTextColor; }
    void SetSelectedBkColor(uint32_t c) {
        m_selectedBkColor = c;
        Invalidate();
    }
    void BindTabLayout(std::string_view tabName, int index);
    int GetBindTabIndex() const { return m_bindTabIndex; }
    const std::string& GetBindTabLayoutName() const { return m_bindTabName; }

    bool Activate() override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(IRenderEngine& render) override;
    void PaintBkColor(IRenderEngine& render) override;
    void PaintText(IRenderEngine& render) override;

protected:
    void DoInit() override;
    // The nearest enclosing container that keeps its option groups to itself.
    static const CControlUI* GroupScopeOf(const CControlUI* option);
    void DoPostInit() override {
        if (m_selected)
            SelectBoundTab();
    }
    void SelectBoundTab();
    bool m_selected = false;
    std::string m_group;
    ImageDescription m_selectedDisabledImage;
    ImageDescription m_selectedImage;
    ImageDescription m_selectedHotImage;
    uint32_t m_selectedTextColor = 0;
    uint32_t m_selectedBkColor = 0;
    std::string m_bindTabName;
    int m_bindTabIndex = -1;
};

class CCheckBoxUI : public COptionUI {
public:
    std::string_view GetClass() const override { return "CheckBox"; }
    bool IsChecked() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = false) { Selected(check, notify); }
};

// A bar showing a value between a minimum and a maximum.
class CProgressUI : public CLabelUI {
public:
    std::string_view GetClass() const override { return "Progress"; }
    int GetMinValue() const { return m_min; }
    int GetMaxValue() const { return m_max; }
    // The value is kept inside the range.
    void SetMinValue(int v);
    void SetMaxValue(int v);
    int GetValue() const { return m_value; }
    void SetValue(int value);
    bool IsHorizontal() const { return m_horizontal; }
    void SetHorizontal(bool on) {
        m_horizontal = on;
        Invalidate();
    }
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(IRenderEngine& render) override;

protected:
    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    bool m_horizontal = true;
    uint32_t m_foreColor = 0;
};

// A progress bar the user drags: "movevaluechanged" while dragging,
// "valuechanged" on release (and on a wheel turn or arrow key).
class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    std::string_view GetClass() const override { return "Slider"; }
    int GetChangeStep() const { return m_step; }
    void SetChangeStep(int step) { m_step = step > 0 ? step : 1; }
    UiSize GetThumbSize() const;
    void SetThumbSize(UiSize size) {
        m_thumbSize = size;
        Invalidate();
    }
    UiRect GetThumbRect() const;
    // The value a point of the track stands for.
    int ValueAtPoint(UiPoint pt) const;
    // The centre of the thumb for a value (where a user would grab it).
    UiPoint PointOfValue(int value) const;
    bool IsDragging() const { return m_captured; }
    bool IsTabStop() const override { return true; }

    void DoEvent(TEventUI& event) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(IRenderEngine& render) override;

private:
    int Snap(int value) const;
    int m_step = 1;
    UiSize m_thumbSize{10, 10};
    bool m_captured = false;
    ImageDescription m_thumbImage;
    ImageDescription m_thumbHotImage;
    ImageDescription m_thumbPushedImage;
};

// A one-line text field. Limits: maximum length in characters, digits only,
// and a numeric range applied when the field loses the focus.
class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::string_view GetClass() const override { return "Edit"; }
    int GetMaxChar() const { return m_maxChar; }
    void SetMaxChar(int n);
    bool IsNumberOnly() const { return m_numberOnly; }
    void SetNumberOnly(bool on) { m_numberOnly = on; }
    void SetNumberRange(int minValue, int maxValue);
    bool HasNumberRange() const { return m_hasRange; }
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on) { m_readOnly = on; }
    bool IsPasswordMode() const { return m_password; }
    // The background of the native editor laid over the field (0: the field's own).
    uint32_t GetNativeBkColor() const { return m_nativeBkColor; }
    // Code sets the text silently; a text over the limits is cut to them.
    void SetText(std::string_view text) override;
    // What typing does: inserts at the end within the limits, "textchanged"
    // when something was inserted. Returns false when nothing fitted.
    bool InsertText(std::string_view text);
    bool Backspace();
    // What a native editor hands over: the whole new text, kept within the
    // limits; "textchanged" when it differs. Returns whether it changed.
    bool SetTextByUser(std::string_view text);
    bool IsTabStop() const override { return true; }

    void DoEvent(TEventUI& event) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintText(IRenderEngine& render) override;

private:
    bool Accepts(uint32_t codePoint) const;
    void ApplyRange();
    int m_maxChar = 255;
    bool m_numberOnly = false;
    bool m_hasRange = false;
    int m_minNumber = 0;
    int m_maxNumber = 0;
    bool m_readOnly = false;
    bool m_password = false;
    uint32_t m_nativeBkColor = 0;
};

// A hue and saturation field above a brightness bar.
class CColorPaletteUI : public CControlUI {
public:
    CColorPaletteUI();
    std::string_view GetClass() const override { return "ColorPalette"; }
    uint32_t GetSelectColor() const;
    // Silent.
    void SetSelectColor(uint32_t argb);
    int GetHue() const { return m_hue; }
    int GetSaturation() const { return m_saturation; }
    int GetBrightness() const { return m_brightness; }
    int GetBarHeight() const { return Scale(m_barHeight); }
    void DoEvent(TEventUI& event) override;
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintBkImage(IRenderEngine& render) override;

private:
    void PickAt(UiPoint pt);
    int m_hue = 0;           // 0..359
    int m_saturation = 100;  // 0..100
    int m_brightness = 100;  // 0..100
    int m_barHeight = 12;
    int m_barGap = 4;
    enum class Part { None, Field, Bar } m_dragPart = Part::None;
    ImageDescription m_thumbImage;
};

// HSB (0..359, 0..100, 0..100) to opaque ARGB and back.
uint32_t HsbToArgb(int hue, int saturation, int brightness);
void ArgbToHsb(uint32_t argb, int& hue, int& saturation, int& brightness);

}  // namespace ui
