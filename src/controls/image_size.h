#pragma once
// The pixel size of a skin picture, read from the file's header (PNG, or the
// width and height of an SVG), without decoding it: controls that need the
// size to lay out work headless as they do on screen.
#include <optional>
#include <string_view>

#include "ui/base.h"

namespace ui {

// `name` is relative to the skin folder (backslashes accepted) unless absolute.
// Nothing when the file is missing, unreadable or not a picture we know.
std::optional<UiSize> ReadImageSize(std::string_view name);

}  // namespace ui
