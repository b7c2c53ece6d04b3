// A build with the Qt backend shows real windows when a display is there.
#include "app/ui_backend.h"
#include "ui/qt/qt_ui_backend.h"

namespace app {

std::unique_ptr<IUiBackend> CreateDesktopBackend() {
    return ui::qt::CreateQtUiBackend();
}

}  // namespace app
