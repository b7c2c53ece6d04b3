#include "app/control_registry.h"

#include <array>
#include <string>

#include "app/devicemanager/device_option_ui.h"
#include "app/devicemanager/power_item_ui.h"
#include "controls/device_picture.h"
#include "controls/hand_image_buttons.h"
#include "devices/norvalis_usb_device.h"
#include "platform/trace.h"

namespace app {

namespace {

template <class T>
std::unique_ptr<ui::CControlUI> Make() {
    return std::make_unique<T>();
}

// Later work fills in the create functions as the classes arrive.
constexpr std::array<ControlClassRow, 24> kControlClasses = {{
    {"CCircleProgressUI", nullptr},
    {"CChartViewUI", nullptr},
    {"CWndUI", nullptr},
    {"CSelectPanelUI", &Make<ui::CSelectPanelUI>},
    {"CDeviceKeyButtonUI", &Make<ui::CDeviceKeyButtonUI>},
    {"CCloudShareListItemUI", nullptr},
    {"CUpdateInfoListItemUI", nullptr},
    {"CDeviceOptionUI", &Make<devicemanager::CDeviceOptionUI>},
    {"CMpDevicePowerUI", &Make<devicemanager::CMpDevicePowerUI>},
    {"CComboEditContainerElementUI", nullptr},
    {"CHandImgButtonUI", &Make<ui::CHandImgButtonUI>},
    {"CHandImgSelectButtonUI", &Make<ui::CHandImgSelectButtonUI>},
    {"CRedioMacroButtonUI", &Make<ui::CRedioMacroButtonUI>},
    {"CAudioRecordUI", nullptr},
    {"CLightControlUI", nullptr},
    {"CMacroControlUI", nullptr},
    {"CKeySetControlUI", nullptr},
    {"CDeviceProfileUI", nullptr},
    {"CShootControlUI", nullptr},
    {"CMagicControlUI", nullptr},
    {"CVoice6533ControlUI", nullptr},
    {"CNorvalisUSBDevice", &Make<devices::CNorvalisUSBDevice>},
    {"CNorvalisMousePadDevice", nullptr},
    {"CNorvalisDO6533Device", nullptr},
}};

}  // namespace

std::span<const ControlClassRow> ControlClassTable() {
    return kControlClasses;
}

int RegisterControlClasses() {
    int registered = 0;
    for (const ControlClassRow& row : kControlClasses) {
        if (row.create == nullptr)
            continue;
        ui::CControlFactory::GetInstance()->RegistControl(row.name, row.create);
        ++registered;
    }
    platform::TraceF("registered %d control classes", registered);
    return registered;
}

}  // namespace app
