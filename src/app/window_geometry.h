#pragma once

// The main window's placement rules as pure functions: the DPI chosen for a
// monitor, and where the tray menu opens relative to the desktop's panel.

#include <cstdint>
#include <optional>

#include "ui/base.h"

namespace app {

// The client size the window is laid out at before the DPI scales it.
inline constexpr ui::UiSize kFittedSize{1000, 640};

// 144 on a monitor wider than 1500 and taller than 960 pixels, else 96.
int DpiForMonitor(const ui::UiRect& monitor);

struct DpiChoice {
    int dpi = 96;
    bool refused = false;  // the wanted value was not an accepted one
};
// Accepted values are kept; any other becomes 96 and is flagged.
DpiChoice AcceptDpi(int wanted);

// Where a menu opens: the point and the side of it (ui::MenuAlign flags).
struct MenuPlacement {
    ui::UiPoint point;
    uint32_t align = 0;
    bool operator==(const MenuPlacement&) const = default;
};

// A panel (task bar) touching the screen's top-left corner puts the menu
// beside it: to its right when the panel is taller than wide, below it when
// wider than tall. A panel elsewhere (or none) opens the menu above and/or to
// the left of the cursor, towards the middle of the screen.
MenuPlacement PlaceTrayMenu(const ui::UiRect& screen, const std::optional<ui::UiRect>& panel,
                            ui::UiPoint cursor);

}  // namespace app
