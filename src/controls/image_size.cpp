#include "controls/image_size.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "ui/paint_manager.h"

namespace ui {
namespace {

constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Larger sizes are not pictures a skin ships; treat them as broken.
constexpr int kMaxExtent = 1 << 15;

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

std::optional<UiSize> Checked(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w > kMaxExtent || h > kMaxExtent)
        return std::nullopt;
    return UiSize{static_cast<int>(w), static_cast<int>(h)};
}

std::optional<UiSize> PngSize(std::string_view head) {
    // Signature, then the IHDR chunk: length, "IHDR", width, height.
    if (head.size() < 24)
        return std::nullopt;
    const auto* b = reinterpret_cast<const uint8_t*>(head.data());
    if (!std::equal(kPngSignature.begin(), kPngSignature.end(), b) || head.substr(12, 4) != "IHDR")
        return std::nullopt;
    return Checked(BigEndian32(b + 16), BigEndian32(b + 20));
}

// The number at the start of an SVG length ("120", "120px", "120.5").
std::optional<double> Number(std::string_view s) {
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc{} || end == s.data())
        return std::nullopt;
    return v;
}

// The value of an attribute of the <svg> element.
std::optional<std::string_view> SvgAttribute(std::string_view tag, std::string_view name) {
    size_t pos = 0;
    while ((pos = tag.find(name, pos)) != std::string_view::npos) {
        const bool boundary = pos > 0 && (tag[pos - 1] == ' ' || tag[pos - 1] == '\n' ||
                                          tag[pos - 1] == '\t' || tag[pos - 1] == '\r');
        size_t i = pos + name.size();
        while (i < tag.size() && tag[i] == ' ')
            ++i;
        if (boundary && i + 1 < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && tag[i] == ' ')
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const size_t end = tag.find(tag[i], i + 1);
                if (end == std::string_view::npos)
                    return std::nullopt;
                return tag.substr(i + 1, end - i - 1);
            }
        }
        pos += name.size();
    }
    return std::nullopt;
}

std::optional<UiSize> SvgSize(std::string_view text) {
    const size_t open = text.find("<svg");
    if (open == std::string_view::npos)
        return std::nullopt;
    const size_t close = text.find('>', open);
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::string_view tag = text.substr(open, close - open);
    auto w = SvgAttribute(tag, "width");
    auto h = SvgAttribute(tag, "height");
    if (w && h && w->find('%') == std::string_view::npos &&
        h->find('%') == std::string_view::npos) {
        auto wn = Number(*w);
        auto hn = Number(*h);
        if (wn && hn)
            return Checked(static_cast<int64_t>(*wn + 0.5), static_cast<int64_t>(*hn + 0.5));
    }
    if (auto box = SvgAttribute(tag, "viewBox")) {
        // "min-x min-y width height", separated by spaces or commas.
        std::array<double, 4> v{};
        std::string_view rest = *box;
        for (double& item : v) {
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == ','))
                rest.remove_prefix(1);
            auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), item);
            if (ec != std::errc{})
                return std::nullopt;
            rest.remove_prefix(static_cast<size_t>(end - rest.data()));
        }
        return Checked(static_cast<int64_t>(v[2] + 0.5), static_cast<int64_t>(v[3] + 0.5));
    }
    return std::nullopt;
}

}  // namespace

std::optional<UiSize> ReadImageSize(std::string_view name) {
    if (name.empty())
        return std::nullopt;
    std::filesystem::path path(NormalizePath(name));
    if (path.is_relative())
        path = std::filesystem::path(CPaintManagerUI::GetResourcePath()) / path;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // The header holds the size; an SVG root element comes early too.
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    if (auto png = PngSize(head))
        return png;
    return SvgSize(head);
}

}  // namespace ui
