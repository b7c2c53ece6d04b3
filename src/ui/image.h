#pragma once
// Image descriptions: the attribute syntax layouts use for pictures, either a
// bare file name or "file='a.png' source='0,0,10,10' corner='2,2,2,2' ...".
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "ui/base.h"

namespace ui {

struct ImageDescription {
    std::string file;     // skin-relative unless absolute; empty means no image
    std::string resType;  // "restype"
    UiRect dest;          // relative to the control; empty = whole control
    UiRect source;        // part of the picture; empty = whole picture
    UiRect corner;        // nine-patch borders
    uint32_t mask = 0;    // colour treated as transparent, 0 = none
    uint8_t fade = 255;   // overall alpha
    bool hole = false;    // nine-patch without its middle
    bool xTiled = false;
    bool yTiled = false;

    bool IsEmpty() const { return file.empty(); }
    bool operator==(const ImageDescription&) const = default;
};

// Parses a description; an unknown key or a bad value is an error.
platform::Result<ImageDescription> ParseImageDescription(std::string_view text);

}  // namespace ui
