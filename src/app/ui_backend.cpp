#include "app/ui_backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/trace.h"

namespace app {

std::unique_ptr<ui::IUiBackend> ChooseUiBackend() {
    const char* forced = std::getenv("QUILLON_UI");
    const bool headless = forced != nullptr && std::strcmp(forced, "headless") == 0;
    if (!headless) {
        if (std::unique_ptr<ui::IUiBackend> desktop = CreateDesktopBackend())
            return desktop;
    }
    if (!headless)
        std::fprintf(stderr, "Quillon: no desktop to show the window on; running headless\n");
    platform::Trace("ui backend: headless");
    return std::make_unique<ui::HeadlessBackend>();
}

}  // namespace app
