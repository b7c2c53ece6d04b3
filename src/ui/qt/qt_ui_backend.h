#pragma once

// The desktop backend for programs that choose their backend at start
// (ui::IUiBackend): Qt windows, private fonts, monitors and panel, the tray,
// drop-downs and file dialogs, and the program's loop run inside Qt's.
// No Qt types here, so the program can pick it without including Qt.

#include <memory>

#include "ui/ui_backend.h"

namespace ui::qt {

// The Qt backend, or nothing when there is no display to show windows on (no
// DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM), so the caller can run headless.
std::unique_ptr<IUiBackend> CreateQtUiBackend();

}  // namespace ui::qt
