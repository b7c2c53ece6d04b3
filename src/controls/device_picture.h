#pragma once
// The controls a device picture is made of: key buttons that show a light and
// the marks of the key editor, and the panel that holds them and lets the user
// draw a selection rectangle over them.
#include <cstdint>
#include <string_view>

#include "ui/container.h"
#include "ui/controls.h"

namespace ui {

inline constexpr std::string_view kDeviceKeyButtonClass = "DeviceKeyButton";
inline constexpr std::string_view kSelectPanelClass = "SelectPanel";

namespace notify {
inline constexpr std::string_view kClickSelectEnd = "click_select_end";
}  // namespace notify

// One key or light of a device picture.
class CDeviceKeyButtonUI : public CButtonUI {
public:
    // Light colours are red | green << 8 | blue << 16.
    static constexpr uint32_t kDefaultLightColour = 255;
    static constexpr uint8_t kDefaultLightAlpha = 200;

    std::string_view GetClass() const override { return kDeviceKeyButtonClass; }

    // Stores the light without repainting: the picture is repainted as a whole
    // by the selector's frame timer, so a frame costs one repaint, not one per key.
    void SetKeyLight(uint32_t colour, uint8_t alpha, bool on);
    uint32_t GetLightColour() const { return m_lightColour; }
    uint8_t GetLightAlpha() const { return m_lightAlpha; }
    bool IsLightOn() const { return m_lightOn; }

    void SetReassignedMark(bool on);
    bool HasReassignedMark() const { return m_reassigned; }
    void SetSelectedLook(bool on);
    bool HasSelectedLook() const { return m_selectedLook; }
    void SetEditedMark(bool on);
    bool HasEditedMark() const { return m_edited; }
    // Set only by the enclosing selection panel.
    void SetInSelection(bool on) { m_inSelection = on; }
    bool IsInSelection() const { return m_inSelection; }

    const ImageDescription& GetLightImage() const { return m_lightImage; }
    const ImageDescription& GetKeySetImage() const { return m_keySetImage; }
    const ImageDescription& GetKeyUnsetImage() const { return m_keyUnsetImage; }

    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(IRenderEngine& render) override;

    // The light colour as the render engine takes a tint (0xFFRRGGBB).
    static uint32_t TintOf(uint32_t lightColour);

private:
    ImageDescription m_lightImage;
    ImageDescription m_keySetImage;
    ImageDescription m_keyUnsetImage;
    uint32_t m_lightColour = kDefaultLightColour;
    uint8_t m_lightAlpha = kDefaultLightAlpha;
    bool m_lightOn = false;
    bool m_reassigned = false;
    bool m_selectedLook = false;
    bool m_edited = false;
    bool m_inSelection = false;
};

// The container of a device picture. Dragging over its empty area spans a
// rectangle; on release every key button among its direct children learns
// whether it lies in that rectangle, and "click_select_end" is sent.
class CSelectPanelUI : public CVerticalLayoutUI {
public:
    std::string_view GetClass() const override { return kSelectPanelClass; }
    void DoEvent(TEventUI& event) override;

    bool IsPressed() const { return m_pressed; }
    bool IsDragging() const { return m_dragging; }
    const UiRect& GetSelectionRect() const { return m_selection; }

private:
    void ApplySelection();

    bool m_pressed = false;
    bool m_dragging = false;
    UiPoint m_start;
    UiPoint m_current;
    UiRect m_selection;
};

}  // namespace ui
