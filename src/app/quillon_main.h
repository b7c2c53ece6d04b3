#pragma once

// The program's entry function: start-up, the message loop and the tear-down
// in reverse order. It always returns 0.

#include <functional>

#include "app/ui_backend.h"

namespace app {

class CMainWnd;

struct StartupOptions {
    // The backend to use; null chooses one (ChooseUiBackend).
    IUiBackend* backend = nullptr;
    // Called once the main window exists, right before the loop runs (tests).
    std::function<void(CMainWnd&)> onWindowCreated;
};

int QuillonMain(const StartupOptions& options = {});

}  // namespace app
