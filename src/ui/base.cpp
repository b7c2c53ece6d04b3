#include "ui/base.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

namespace ui {

UiRect UiRect::Intersect(const UiRect& o) const {
    UiRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
             std::min(bottom, o.bottom)};
    if (r.IsEmpty())
        return {};
    return r;
}

UiRect UiRect::Union(const UiRect& o) const {
    if (IsEmpty())
        return o;
    if (o.IsEmpty())
        return *this;
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
}

std::optional<CursorKind> ParseCursor(std::string_view name) {
    static constexpr std::pair<std::string_view, CursorKind> kNames[] = {
        {"arrow", CursorKind::Arrow},
        {"ibeam", CursorKind::IBeam},
        {"wait", CursorKind::Wait},
        {"cross", CursorKind::Cross},
        {"uparrow", CursorKind::UpArrow},
        {"size", CursorKind::Size},
        {"icon", CursorKind::Icon},
        {"sizenwse", CursorKind::SizeNWSE},
        {"sizenesw", CursorKind::SizeNESW},
        {"sizewe", CursorKind::SizeWE},
        {"sizens", CursorKind::SizeNS},
        {"sizeall", CursorKind::SizeAll},
        {"no", CursorKind::No},
        {"hand", CursorKind::Hand},
    };
    for (const auto& [n, kind] : kNames) {
        if (EqualsNoCase(n, name))
            return kind;
    }
    return std::nullopt;
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

static std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::optional<int> ParseInt(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty())
        return std::nullopt;
    return v;
}

std::optional<bool> ParseBool(std::string_view s) {
    s = Trim(s);
    if (EqualsNoCase(s, "true") || s == "1")
        return true;
    if (EqualsNoCase(s, "false") || s == "0")
        return false;
    return std::nullopt;
}

std::optional<uint32_t> ParseColor(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '#') {
        s.remove_prefix(1);
    } else if (StartsWithNoCase(s, "0x")) {
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    uint32_t v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc() || p != s.data() + s.size())
        return std::nullopt;
    if (s.size() <= 6)
        v |= 0xFF000000u;
    return v;
}

static std::optional<std::vector<int>> ParseInts(std::string_view s, size_t count) {
    std::vector<int> out;
    size_t start = 0;
    while (true) {
        size_t comma = s.find(',', start);
        auto v =
            ParseInt(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start));
        if (!v)
            return std::nullopt;
        out.push_back(*v);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (out.size() != count)
        return std::nullopt;
    return out;
}

std::optional<UiRect> ParseRect(std::string_view s) {
    auto v = ParseInts(s, 4);
    if (!v)
        return std::nullopt;
    return UiRect{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

std::optional<UiSize> ParseSize(std::string_view s) {
    auto v = ParseInts(s, 2);
    if (!v)
        return std::nullopt;
    return UiSize{(*v)[0], (*v)[1]};
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0;
    for (unsigned char c : s) {
        if ((c & 0xC0) != 0x80)
            ++n;
    }
    return n;
}

bool Utf8PopBack(std::string& s) {
    if (s.empty())
        return false;
    while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80)
        s.pop_back();
    if (!s.empty())
        s.pop_back();
    return true;
}

void Utf8Append(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string NormalizePath(std::string_view path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

}  // namespace ui
