#pragma once

// Which desktop backend this run uses (ui/ui_backend.h).

#include <memory>

#include "ui/ui_backend.h"

namespace app {

using ui::HeadlessBackend;
using ui::HeadlessDesktop;
using ui::IDesktopInfo;
using ui::IFontRegistry;
using ui::IUiBackend;

// The desktop backend, or null when there is no display. Defined once per
// executable by the library it links for that: quillon_app_desktop (the Qt
// backend) or quillon_app_nodesktop (none, for tests).
std::unique_ptr<IUiBackend> CreateDesktopBackend();

// The backend for this run: the desktop one when the build has it and a
// display is there (QUILLON_UI=headless forces the headless one).
std::unique_ptr<IUiBackend> ChooseUiBackend();

}  // namespace app
