#include "ui/qt/qt_render.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QSvgRenderer>
#include <algorithm>

#include "ui/paint_manager.h"
#include "ui/resource_manager.h"

namespace ui::qt {

namespace {

QColor ToColor(uint32_t argb) {
    return QColor::fromRgba(argb);
}

QRect ToQRect(const UiRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QString FromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

bool IsSvg(const QString& path) {
    return path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

// SVG renderers by file; they draw vector pictures straight into a target.
QSvgRenderer* SvgRenderer(const QString& path) {
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    auto it = renderers.find(path);
    if (it == renderers.end()) {
        auto r = std::make_shared<QSvgRenderer>(path);
        if (!r->isValid())
            r.reset();
        it = renderers.insert(path, r);
    }
    return it->get();
}

void ApplyMask(QImage& img, uint32_t mask) {
    const QRgb key = mask & 0x00FFFFFFu;
    img = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == key)
                line[x] = 0;
        }
    }
}

}  // namespace

ImageCache& ImageCache::Instance() {
    static ImageCache cache;
    return cache;
}

QSize ImageCache::NaturalSize(const QString& path) {
    auto it = m_sizes.find(path);
    if (it != m_sizes.end())
        return *it;
    QSize size;
    if (IsSvg(path)) {
        if (QSvgRenderer* r = SvgRenderer(path))
            size = r->defaultSize();
    } else {
        size = Get(path).size();
    }
    m_sizes.insert(path, size);
    return size;
}

const QImage& ImageCache::Get(const QString& path, int svgScale, uint32_t mask) {
    const bool svg = IsSvg(path);
    const Key key{path, svg ? svgScale : 100, mask, {}};
    auto it = m_images.find(key);
    if (it != m_images.end())
        return *it;
    QImage img;
    if (svg) {
        if (QSvgRenderer* r = SvgRenderer(path)) {
            const QSize natural = r->defaultSize();
            const QSize size(std::max(1, natural.width() * svgScale / 100),
                             std::max(1, natural.height() * svgScale / 100));
            img = QImage(size, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            QPainter p(&img);
            r->render(&p);
        }
    } else {
        img.load(path);
        if (!img.isNull())
            img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (!img.isNull() && mask != 0) {
        ApplyMask(img, mask);
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (img.isNull())
        return m_null;  // not cached: the file may appear later
    return *m_images.insert(key, img);
}

const QImage& ImageCache::GetSvgAt(const QString& path, QSize size) {
    const Key key{path, 0, 0, size};
    auto it = m_images.find(key);
    if (it != m_images.end())
        return *it;
    QSvgRenderer* r = SvgRenderer(path);
    if (r == nullptr || size.isEmpty())
        return m_null;
    // Sizes come and go (a window resized by hand): keep the cache bounded.
    if (m_images.size() > 512)
        m_images.clear();
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        r->render(&p);
    }
    return *m_images.insert(key, img);
}

void ImageCache::Clear() {
    m_images.clear();
    m_sizes.clear();
}

QString ResolveImagePath(const std::string& file) {
    std::string path = file;
    const std::string named = CResourceManager::GetInstance()->GetImagePath(file);
    if (!named.empty())
        path = named;
    path = NormalizePath(path);
    if (!path.empty() && path.front() != '/')
        path = CPaintManagerUI::GetResourcePath() + path;
    return QString::fromStdString(path);
}

QFont MakeFont(const FontInfo& font, int scale) {
    QFont f(font.face.empty() ? QStringLiteral("Sans") : QString::fromStdString(font.face));
    f.setPixelSize(std::max(1, font.size * (scale > 0 ? scale : 100) / 100));
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    f.setItalic(font.italic);
    f.setHintingPreference(QFont::PreferVerticalHinting);
    return f;
}

const QString& QtRenderEngine::ResolvedPath(const std::string& file) {
    if (m_resourcePath != CPaintManagerUI::GetResourcePath()) {
        m_resourcePath = CPaintManagerUI::GetResourcePath();
        m_paths.clear();
    }
    auto it = m_paths.find(file);
    if (it == m_paths.end())
        it = m_paths.emplace(file, ResolveImagePath(file)).first;
    return it->second;
}

const QFont& QtRenderEngine::Font(const FontInfo& font, int scale) {
    for (const CachedFont& f : m_fonts) {
        if (f.scale == scale && f.info == font)
            return f.font;
    }
    if (m_fonts.size() >= 64)
        m_fonts.clear();
    m_fonts.push_back({font, scale, MakeFont(font, scale)});
    return m_fonts.back().font;
}

void QtRenderEngine::Begin(QPainter& painter, int scale) {
    m_painter = &painter;
    m_clipDepth = 0;
    SetScale(scale);
}

void QtRenderEngine::End() {
    while (m_clipDepth > 0)
        PopClip();
    m_painter = nullptr;
}

void QtRenderEngine::PushClip(const UiRect& rect) {
    if (m_painter == nullptr)
        return;
    m_painter->save();
    m_painter->setClipRect(ToQRect(rect),
                           m_painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    ++m_clipDepth;
}

void QtRenderEngine::PopClip() {
    if (m_painter == nullptr || m_clipDepth == 0)
        return;
    m_painter->restore();
    --m_clipDepth;
}

void QtRenderEngine::FillRect(const UiRect& rect, uint32_t argb) {
    if (m_painter == nullptr || rect.IsEmpty())
        return;
    m_painter->fillRect(ToQRect(rect), ToColor(argb));
}

void QtRenderEngine::DrawBorder(const UiRect& rect, int width, uint32_t argb, int round) {
    if (m_painter == nullptr || rect.IsEmpty() || width <= 0)
        return;
    QPen pen(ToColor(argb));
    pen.setWidth(width);
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter->save();
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    // The pen is centred on the path: inset by half a pen so it stays inside.
    const qreal half = width / 2.0;
    const QRectF r = QRectF(ToQRect(rect)).adjusted(half, half, -half, -half);
    if (round > 0) {
        m_painter->setRenderHint(QPainter::Antialiasing, true);
        m_painter->drawRoundedRect(r, round / 2.0, round / 2.0);
    } else {
        m_painter->drawRect(r);
    }
    m_painter->restore();
}

void QtRenderEngine::DrawLine(UiPoint from, UiPoint to, int width, uint32_t argb) {
    if (m_painter == nullptr)
        return;
    QPen pen(ToColor(argb));
    pen.setWidth(std::max(1, width));
    m_painter->save();
    m_painter->setPen(pen);
    m_painter->drawLine(from.x, from.y, to.x, to.y);
    m_painter->restore();
}

void QtRenderEngine::FillGradient(const UiRect& rect, uint32_t from, uint32_t to, bool horizontal) {
    if (m_painter == nullptr || rect.IsEmpty())
        return;
    QLinearGradient g(rect.left, rect.top, horizontal ? rect.right : rect.left,
                      horizontal ? rect.top : rect.bottom);
    g.setColorAt(0, ToColor(from));
    g.setColorAt(1, ToColor(to));
    m_painter->fillRect(ToQRect(rect), g);
}

void QtRenderEngine::DrawPart(const QImage& img, const QRect& dst, const QRect& src, bool xTiled,
                              bool yTiled) {
    if (dst.isEmpty() || src.isEmpty())
        return;
    if (!xTiled && !yTiled) {
        m_painter->drawImage(dst, img, src);
        return;
    }
    // A tiled axis repeats the part at its own size; the other axis stretches.
    const int tileW = xTiled ? src.width() : dst.width();
    const int tileH = yTiled ? src.height() : dst.height();
    m_painter->save();
    m_painter->setClipRect(dst, Qt::IntersectClip);
    for (int y = dst.top(); y < dst.top() + dst.height(); y += tileH) {
        for (int x = dst.left(); x < dst.left() + dst.width(); x += tileW)
            m_painter->drawImage(QRect(x, y, tileW, tileH), img, src);
    }
    m_painter->restore();
}

void QtRenderEngine::DrawNinePatch(const QImage& img, const QRect& dst, const QRect& src,
                                   const UiRect& corner, int svgScale, bool hole) {
    // Source borders are in picture pixels (scaled like the picture for SVG);
    // destination borders follow the window's DPI.
    auto s = [&](int v) { return v * svgScale / 100; };
    auto d = [&](int v) { return v * m_scale / 100; };
    int sl = s(corner.left), st = s(corner.top), sr = s(corner.right), sb = s(corner.bottom);
    int dl = d(corner.left), dt = d(corner.top), dr = d(corner.right), db = d(corner.bottom);
    // Borders wider than the target shrink together.
    if (dl + dr > dst.width() && dl + dr > 0) {
        const int w = dst.width();
        dl = dl * w / (dl + dr);
        dr = w - dl;
    }
    if (dt + db > dst.height() && dt + db > 0) {
        const int h = dst.height();
        dt = dt * h / (dt + db);
        db = h - dt;
    }
    sl = std::min(sl, src.width());
    sr = std::min(sr, src.width() - sl);
    st = std::min(st, src.height());
    sb = std::min(sb, src.height() - st);
    const int sx[4] = {src.left(), src.left() + sl, src.left() + src.width() - sr,
                       src.left() + src.width()};
    const int sy[4] = {src.top(), src.top() + st, src.top() + src.height() - sb,
                       src.top() + src.height()};
    const int dx[4] = {dst.left(), dst.left() + dl, dst.left() + dst.width() - dr,
                       dst.left() + dst.width()};
    const int dy[4] = {dst.top(), dst.top() + dt, dst.top() + dst.height() - db,
                       dst.top() + dst.height()};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (hole && row == 1 && col == 1)
                continue;
            const QRect sp(sx[col], sy[row], sx[col + 1] - sx[col], sy[row + 1] - sy[row]);
            const QRect dp(dx[col], dy[row], dx[col + 1] - dx[col], dy[row + 1] - dy[row]);
            if (!sp.isEmpty() && !dp.isEmpty())
                m_painter->drawImage(dp, img, sp);
        }
    }
}

bool QtRenderEngine::DrawImage(const UiRect& rect, const ImageDescription& image, uint32_t tint,
                               uint8_t alpha) {
    if (image.IsEmpty())
        return false;
    const QString& path = ResolvedPath(image.file);
    const bool svg = IsSvg(path);
    const bool nine = image.corner != UiRect{};
    const bool simpleSvg = svg && image.source.IsEmpty() && !nine && !image.xTiled && !image.yTiled;
    QSvgRenderer* vector = simpleSvg ? SvgRenderer(path) : nullptr;
    const QImage* img = nullptr;
    if (vector == nullptr) {
        img = &ImageCache::Instance().Get(path, svg ? m_scale : 100, image.mask);
        if (img->isNull())
            return false;
    }
    if (m_painter == nullptr)
        return true;

    QRect dst = ToQRect(rect);
    if (!image.dest.IsEmpty()) {
        const UiRect& d = image.dest;
        dst = QRect(rect.left + d.left * m_scale / 100, rect.top + d.top * m_scale / 100,
                    d.Width() * m_scale / 100, d.Height() * m_scale / 100);
    }
    if (dst.isEmpty())
        return true;
    QRect src;
    if (img != nullptr) {
        const int s = svg ? m_scale : 100;
        src = image.source.IsEmpty()
                  ? img->rect()
                  : QRect(image.source.left * s / 100, image.source.top * s / 100,
                          image.source.Width() * s / 100, image.source.Height() * s / 100)
                        .intersected(img->rect());
        if (src.isEmpty())
            return true;
    }
    const qreal opacity = (image.fade / 255.0) * (alpha / 255.0);
    if (opacity <= 0.0)
        return true;

    auto paint = [&](QPainter& p, const QRect& target) {
        QPainter* saved = m_painter;
        m_painter = &p;
        if (vector != nullptr) {
            const QImage& sized = ImageCache::Instance().GetSvgAt(path, target.size());
            p.drawImage(target.topLeft(), sized);
        } else if (nine) {
            DrawNinePatch(*img, target, src, image.corner, svg ? m_scale : 100, image.hole);
        } else {
            DrawPart(*img, target, src, image.xTiled, image.yTiled);
        }
        m_painter = saved;
    };

    m_painter->save();
    m_painter->setOpacity(m_painter->opacity() * opacity);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (tint == 0) {
        paint(*m_painter, dst);
    } else {
        // Tinting: the picture multiplied by the colour, keeping its own alpha.
        if (m_scratch.width() < dst.width() || m_scratch.height() < dst.height()) {
            m_scratch = QImage(std::max(m_scratch.width(), dst.width()),
                               std::max(m_scratch.height(), dst.height()),
                               QImage::Format_ARGB32_Premultiplied);
        }
        m_scratch.fill(Qt::transparent);
        const QRect local(0, 0, dst.width(), dst.height());
        {
            QPainter p(&m_scratch);
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            paint(p, local);
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            p.fillRect(local, QColor::fromRgb(tint & 0x00FFFFFFu));
        }
        m_painter->drawImage(dst.topLeft(), m_scratch, local);
    }
    m_painter->restore();
    return true;
}

void QtRenderEngine::DrawText(const UiRect& rect, std::string_view text, const FontInfo& font,
                              int scale, uint32_t argb, uint32_t align) {
    if (m_painter == nullptr || rect.IsEmpty() || text.empty())
        return;
    const QFont& f = Font(font, scale);
    int flags = 0;
    flags |= (align & kAlignCenter)  ? Qt::AlignHCenter
             : (align & kAlignRight) ? Qt::AlignRight
                                     : Qt::AlignLeft;
    flags |= (align & kAlignVCenter)  ? Qt::AlignVCenter
             : (align & kAlignBottom) ? Qt::AlignBottom
                                      : Qt::AlignTop;
    QString s = FromUtf8(text);
    const QRect r = ToQRect(rect);
    if ((align & kAlignWordBreak) != 0 && (align & kAlignSingleLine) == 0) {
        flags |= Qt::TextWordWrap;
    } else {
        flags |= Qt::TextSingleLine;
        if ((align & kAlignEndEllipsis) != 0)
            s = QFontMetrics(f).elidedText(s, Qt::ElideRight, r.width());
    }
    m_painter->save();
    m_painter->setFont(f);
    m_painter->setPen(ToColor(argb));
    m_painter->setClipRect(r, m_painter->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    m_painter->drawText(r, flags, s);
    m_painter->restore();
}

UiSize QtRenderEngine::MeasureText(std::string_view text, const FontInfo& font, int scale) {
    const QFontMetrics fm(Font(font, scale));
    return {fm.horizontalAdvance(FromUtf8(text)), fm.height()};
}

}  // namespace ui::qt
