// A build without a desktop backend runs headless.
#include "app/ui_backend.h"

namespace app {

std::unique_ptr<IUiBackend> CreateDesktopBackend() {
    return nullptr;
}

}  // namespace app
