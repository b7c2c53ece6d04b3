#pragma once
// The device picture controls as the layouts name them. The program registers
// them with the control factory at start-up; a window's CreateControl may also
// ask for them by tag.
#include <memory>
#include <string_view>

#include "ui/control.h"

namespace controls {

// Registers "CSelectPanelUI", "CDeviceKeyButtonUI", "CHandImgButtonUI",
// "CHandImgSelectButtonUI" and "CRedioMacroButtonUI" (which the factory also
// finds by their tags). Registering again changes nothing.
void RegisterPictureControls();

// By layout tag ("SelectPanel", "DeviceKeyButton", "HandImgButton",
// "HandImgSelectButton", "RedioMacroButton"; case ignored); null for any other tag.
std::unique_ptr<ui::CControlUI> CreatePictureControl(std::string_view tag);

}  // namespace controls
