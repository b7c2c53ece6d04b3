#include "app/window_geometry.h"

#include "ui/menu.h"
#include "ui/paint_manager.h"

namespace app {

int DpiForMonitor(const ui::UiRect& monitor) {
    return monitor.Width() > 1500 && monitor.Height() > 960 ? 144 : 96;
}

DpiChoice AcceptDpi(int wanted) {
    if (ui::CPaintManagerUI::IsValidDPI(wanted))
        return {wanted, false};
    return {96, true};
}

MenuPlacement PlaceTrayMenu(const ui::UiRect& screen, const std::optional<ui::UiRect>& panel,
                            ui::UiPoint cursor) {
    if (panel && !panel->IsEmpty() && panel->left <= screen.left && panel->top <= screen.top) {
        if (panel->Height() > panel->Width())
            return {{panel->right, cursor.y}, ui::kMenuAlignRight | ui::kMenuAlignBottom};
        if (panel->Width() > panel->Height())
            return {{cursor.x, panel->bottom}, ui::kMenuAlignRight | ui::kMenuAlignBottom};
    }
    // Open towards the middle of the screen so the menu stays on it.
    const int midX = screen.left + screen.Width() / 2;
    const int midY = screen.top + screen.Height() / 2;
    uint32_t align = 0;
    align |= cursor.x >= midX ? ui::kMenuAlignLeft : ui::kMenuAlignRight;
    align |= cursor.y >= midY ? ui::kMenuAlignTop : ui::kMenuAlignBottom;
    if (panel && !panel->IsEmpty()) {
        // A panel along the bottom: above the cursor; along the right: to its left.
        if (panel->Width() > panel->Height())
            align = (align & ~(ui::kMenuAlignBottom | ui::kMenuAlignTop)) | ui::kMenuAlignTop;
        else
            align = (align & ~(ui::kMenuAlignRight | ui::kMenuAlignLeft)) | ui::kMenuAlignLeft;
    }
    return {cursor, align};
}

}  // namespace app
