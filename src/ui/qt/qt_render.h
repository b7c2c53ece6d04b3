#pragma once
// Paints a control tree with QPainter: colours, borders, pictures by their
// description strings (source parts, nine-patch corners, masks, tiling, fade,
// tint) and text through the window's font table.
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

#include "ui/render.h"

namespace ui::qt {

// Decoded pictures by file, shared by every window. SVG files are drawn at the
// size they are shown at, so they stay sharp at every DPI.
class ImageCache {
public:
    static ImageCache& Instance();

    // The whole picture at its own size (SVG: at `svgScale` percent of its
    // natural size); null image when the file cannot be read.
    const QImage& Get(const QString& path, int svgScale = 100, uint32_t mask = 0);
    // An SVG drawn at exactly this size (pictures stretched over a control).
    const QImage& GetSvgAt(const QString& path, QSize size);
    // The natural size of a picture (SVG: its view box); empty when unreadable.
    QSize NaturalSize(const QString& path);
    void Clear();
    int Size() const { return static_cast<int>(m_images.size()); }

private:
    struct Key {
        QString path;
        int scale;
        uint32_t mask;
        QSize size;  // SVGs drawn at a given size; empty otherwise
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& k, size_t seed) {
        return qHashMulti(seed, k.path, k.scale, k.mask, k.size.width(), k.size.height());
    }
    QHash<Key, QImage> m_images;
    QHash<QString, QSize> m_sizes;
    QImage m_null;
};

// Where a description's file lives: a logical image name of the resource
// index, an absolute path, or a path relative to the skin folder.
QString ResolveImagePath(const std::string& file);

// The Qt font for a font table entry at a DPI scale (percent).
QFont MakeFont(const FontInfo& font, int scale);

class QtRenderEngine : public IRenderEngine {
public:
    QtRenderEngine() = default;
    // Paints through `painter` until End(); `scale` is the window's DPI factor in
    // percent (image destinations and corners follow it).
    void Begin(QPainter& painter, int scale);
    void End();
    void SetScale(int scale) { m_scale = scale > 0 ? scale : 100; }

    void PushClip(const UiRect& rect) override;
    void PopClip() override;
    void FillRect(const UiRect& rect, uint32_t argb) override;
    void DrawBorder(const UiRect& rect, int width, uint32_t argb, int round) override;
    void DrawLine(UiPoint from, UiPoint to, int width, uint32_t argb) override;
    void FillGradient(const UiRect& rect, uint32_t from, uint32_t to, bool horizontal) override;
    bool DrawImage(const UiRect& rect, const ImageDescription& image, uint32_t tint,
                   uint8_t alpha) override;
    void DrawText(const UiRect& rect, std::string_view text, const FontInfo& font, int scale,
                  uint32_t argb, uint32_t align) override;
    UiSize MeasureText(std::string_view text, const FontInfo& font, int scale) override;

private:
    // Repaints look up the same files and fonts again and again: keep them.
    const QString& ResolvedPath(const std::string& file);
    const QFont& Font(const FontInfo& font, int scale);
    struct CachedFont {
        FontInfo info;
        int scale;
        QFont font;
    };
    std::unordered_map<std::string, QString> m_paths;
    std::vector<CachedFont> m_fonts;
    std::string m_resourcePath;  // the paths above belong to this skin folder
    void DrawPart(const QImage& img, const QRect& dst, const QRect& src, bool xTiled, bool yTiled);
    void DrawNinePatch(const QImage& img, const QRect& dst, const QRect& src, const UiRect& corner,
                       int svgScale, bool hole);
    QPainter* m_painter = nullptr;
    int m_scale = 100;
    int m_clipDepth = 0;
    QImage m_scratch;  // tinting happens here; reused between frames
};

}  // namespace ui::qt
