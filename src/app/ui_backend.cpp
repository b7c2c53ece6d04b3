#include "app/ui_backend.h"

#include <cstdlib>
#include <cstring>

#include "platform/trace.h"

namespace app {

ui::UiRect HeadlessDesktop::MonitorRect(const ui::UiRect&) const {
    // The headless hosts' screen; the work area and the monitor are one there.
    return ui::HeadlessWindowHost().GetScreenRect();
}

std::unique_ptr<IUiBackend> ChooseUiBackend() {
    const char* forced = std::getenv("QUILLON_UI");
    const bool headless = forced != nullptr && std::strcmp(forced, "headless") == 0;
    if (!headless) {
        if (std::unique_ptr<IUiBackend> desktop = CreateDesktopBackend())
            return desktop;
    }
    platform::Trace("ui backend: headless");
    return std::make_unique<HeadlessBackend>();
}

}  // namespace app
