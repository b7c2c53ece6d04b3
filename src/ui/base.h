#pragma once
// Small value types and text helpers shared by every part of the UI library.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

struct UiPoint {
    int x = 0;
    int y = 0;
    bool operator==(const UiPoint&) const = default;
};

struct UiSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const UiSize&) const = default;
};

struct UiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const UiRect&) const = default;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(UiPoint p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool Intersects(const UiRect& o) const {
        return !IsEmpty() && !o.IsEmpty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
    UiRect Intersect(const UiRect& o) const;
    UiRect Union(const UiRect& o) const;
    UiRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    UiRect Deflate(const UiRect& insets) const {
        return {left + insets.left, top + insets.top, right - insets.right, bottom - insets.bottom};
    }
};

// Text alignment flags handed to the render engine.
enum TextAlign : uint32_t {
    kAlignLeft = 0x0000,
    kAlignCenter = 0x0001,
    kAlignRight = 0x0002,
    kAlignTop = 0x0000,
    kAlignVCenter = 0x0004,
    kAlignBottom = 0x0008,
    kAlignWordBreak = 0x0010,
    kAlignSingleLine = 0x0020,
    kAlignEndEllipsis = 0x8000,
};

// Mouse cursors a control may ask for.
enum class CursorKind {
    Arrow,
    IBeam,
    Wait,
    Cross,
    UpArrow,
    Size,
    Icon,
    SizeNWSE,
    SizeNESW,
    SizeWE,
    SizeNS,
    SizeAll,
    No,
    Hand,
};
// "arrow", "ibeam", "wait", "cross", "uparrow", "size", "icon", "sizenwse",
// "sizenesw", "sizewe", "sizens", "sizeall", "no", "hand".
std::optional<CursorKind> ParseCursor(std::string_view name);

std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

// Parsers for attribute values; nullopt when the text is not a valid value.
std::optional<int> ParseInt(std::string_view s);
std::optional<bool> ParseBool(std::string_view s);
// "#AARRGGBB", "#RRGGBB" (opaque), "0x..." or plain hex; returns 0xAARRGGBB.
std::optional<uint32_t> ParseColor(std::string_view s);
// "l,t,r,b"
std::optional<UiRect> ParseRect(std::string_view s);
// "cx,cy"
std::optional<UiSize> ParseSize(std::string_view s);

// Number of code points of UTF-8 text.
size_t Utf8Length(std::string_view s);
// Removes the last code point; returns false when the text was empty.
bool Utf8PopBack(std::string& s);
// Appends a code point as UTF-8.
void Utf8Append(std::string& s, uint32_t codePoint);

// Backslashes to slashes, so skin paths written either way resolve.
std::string NormalizePath(std::string_view path);

}  // namespace ui
