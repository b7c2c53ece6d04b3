#include "ui/ui_backend.h"

namespace ui {

UiRect HeadlessDesktop::MonitorRect(const UiRect&) const {
    // The headless hosts' screen; the work area and the monitor are one there.
    return HeadlessWindowHost().GetScreenRect();
}

}  // namespace ui
