#pragma once
// Buttons that draw a picture over themselves: a fixed one, one the user pans
// by dragging, and the plain button class of the macro pages.
#include <string>
#include <string_view>

#include "ui/controls.h"

namespace ui {

// Draws its hand image over the whole button.
class CHandImgButtonUI : public CButtonUI {
public:
    std::string_view GetClass() const override { return "HandImgButton"; }

    const ImageDescription& GetHandImage() const { return m_handImage; }
    const std::string& GetDeleteNormalImage() const { return m_deleteNormalImage; }
    const std::string& GetDeleteHotImage() const { return m_deleteHotImage; }

    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void PaintStatusImage(IRenderEngine& render) override;

private:
    ImageDescription m_handImage;
    // Kept for the skin; never drawn.
    std::string m_deleteNormalImage;
    std::string m_deleteHotImage;
};

// Shows a window into a picture larger than itself; dragging pans the window.
// It sends no "click".
class CHandImgSelectButtonUI : public CButtonUI {
public:
    std::string_view GetClass() const override { return "HandImgSelectButton"; }

    // Loads the picture's size; false (nothing changed) when it cannot be read.
    bool SetHandImage(std::string_view name);
    const std::string& GetHandImageName() const { return m_imageName; }
    UiSize GetImageSize() const { return m_imageSize; }
    const UiRect& GetSourceRect() const { return m_source; }
    // What is drawn: the picture alone, or with its visible window as source.
    const ImageDescription& GetDrawnImage() const { return m_drawn; }

    AttrResult SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(IRenderEngine& render) override;
    void SetPos(const UiRect& rc) override;

private:
    UiSize ControlSize() const;
    void ResetSource();
    void ComposeDrawn();
    // Moves the window along one axis by the pointer's move from `last` to `now`.
    static void PanAxis(int last, int now, int& low, int& high, int imageExtent);

    std::string m_imageName;
    UiSize m_imageSize;
    UiRect m_source;
    ImageDescription m_drawn;
    bool m_pressed = false;
    UiPoint m_last;
};

// A button of the macro pages with one extra image name the skin may give.
class CRedioMacroButtonUI : public CButtonUI {
public:
    std::string_view GetClass() const override { return "RedioMacroButton"; }
    const std::string& GetRedioImage() const { return m_redioImage; }
    AttrResult SetAttribute(std::string_view name, std::string_view value) override;

private:
    std::string m_redioImage;
};

}  // namespace ui
