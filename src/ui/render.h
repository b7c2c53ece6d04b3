#pragma once
// What painting a control tree needs from a drawing backend. The Qt backend
// implements it; tests record the calls.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/base.h"
#include "ui/image.h"

namespace ui {

// One entry of a paint manager's numbered font table.
struct FontInfo {
    int id = -1;  // -1 for the default font
    std::string face;
    int size = 12;  // pixels, before DPI scaling
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool shared = false;
    bool operator==(const FontInfo&) const = default;
};

class IRenderEngine {
public:
    virtual ~IRenderEngine() = default;
    // Clipping nests: every push is matched by a pop.
    virtual void PushClip(const UiRect& rect) = 0;
    virtual void PopClip() = 0;
    virtual void FillRect(const UiRect& rect, uint32_t argb) = 0;
    virtual void DrawBorder(const UiRect& rect, int width, uint32_t argb, int round) = 0;
    virtual void DrawLine(UiPoint from, UiPoint to, int width, uint32_t argb) = 0;
    // A linear blend from `from` to `to`, left to right or top to bottom.
    // Engines without gradients fill with the first colour.
    virtual void FillGradient(const UiRect& rect, uint32_t from, uint32_t to, bool horizontal) {
        (void)to;
        (void)horizontal;
        FillRect(rect, from);
    }
    // `rect` is the control's rectangle; the description's dest is relative to it.
    // `tint` (0 = none) recolours the picture, `alpha` scales its opacity.
    // Returns false when the picture cannot be loaded.
    virtual bool DrawImage(const UiRect& rect, const ImageDescription& image, uint32_t tint,
                           uint8_t alpha) = 0;
    // `scale` is the DPI factor in percent applied to the font size.
    virtual void DrawText(const UiRect& rect, std::string_view text, const FontInfo& font,
                          int scale, uint32_t argb, uint32_t align) = 0;
    virtual UiSize MeasureText(std::string_view text, const FontInfo& font, int scale) = 0;
};

// A render engine that draws nothing; text is measured with a fixed advance so
// headless layouts that size to their text stay deterministic.
class NullRenderEngine : public IRenderEngine {
public:
    void PushClip(const UiRect&) override {}
    void PopClip() override {}
    void FillRect(const UiRect&, uint32_t) override {}
    void DrawBorder(const UiRect&, int, uint32_t, int) override {}
    void DrawLine(UiPoint, UiPoint, int, uint32_t) override {}
    bool DrawImage(const UiRect&, const ImageDescription&, uint32_t, uint8_t) override {
        return true;
    }
    void DrawText(const UiRect&, std::string_view, const FontInfo&, int, uint32_t,
                  uint32_t) override {}
    UiSize MeasureText(std::string_view text, const FontInfo& font, int scale) override;
};

}  // namespace ui
