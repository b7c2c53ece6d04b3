#include "controls/picture_controls.h"

#include <array>

#include "controls/device_picture.h"
#include "controls/hand_image_buttons.h"
#include "ui/builder.h"

namespace controls {
namespace {

struct PictureControl {
    std::string_view factoryName;
    std::string_view tag;
    ui::CControlFactory::CreateFn create;
};

constexpr std::array<PictureControl, 5> kPictureControls = {{
    {"CSelectPanelUI", "SelectPanel", &ui::CreateControlOf<ui::CSelectPanelUI>},
    {"CDeviceKeyButtonUI", "DeviceKeyButton", &ui::CreateControlOf<ui::CDeviceKeyButtonUI>},
    {"CHandImgButtonUI", "HandImgButton", &ui::CreateControlOf<ui::CHandImgButtonUI>},
    {"CHandImgSelectButtonUI", "HandImgSelectButton",
     &ui::CreateControlOf<ui::CHandImgSelectButtonUI>},
    {"CRedioMacroButtonUI", "RedioMacroButton", &ui::CreateControlOf<ui::CRedioMacroButtonUI>},
}};

}  // namespace

void RegisterPictureControls() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    for (const PictureControl& c : kPictureControls)
        factory->RegistControl(c.factoryName, c.create);
}

std::unique_ptr<ui::CControlUI> CreatePictureControl(std::string_view tag) {
    for (const PictureControl& c : kPictureControls) {
        if (ui::EqualsNoCase(tag, c.tag))
            return c.create();
    }
    return nullptr;
}

}  // namespace controls
