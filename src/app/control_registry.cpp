#include "app/control_registry.h"

#include <array>
#include <string>

#include "platform/trace.h"

namespace app {

namespace {

// Later work fills in the create functions as the classes arrive.
constexpr std::array<ControlClassRow, 24> kControlClasses = {{
    {"CCircleProgressUI", nullptr},
    {"CChartViewUI", nullptr},
    {"CWndUI", nullptr},
    {"CSelectPanelUI", nullptr},
    {"CDeviceKeyButtonUI", nullptr},
    {"CCloudShareListItemUI", nullptr},
    {"CUpdateInfoListItemUI", nullptr},
    {"CDeviceOptionUI", nullptr},
    {"CMpDevicePowerUI", nullptr},
    {"CComboEditContainerElementUI", nullptr},
    {"CHandImgButtonUI", nullptr},
    {"CHandImgSelectButtonUI", nullptr},
    {"CRedioMacroButtonUI", nullptr},
    {"CAudioRecordUI", nullptr},
    {"CLightControlUI", nullptr},
    {"CMacroControlUI", nullptr},
    {"CKeySetControlUI", nullptr},
    {"CDeviceProfileUI", nullptr},
    {"CShootControlUI", nullptr},
    {"CMagicControlUI", nullptr},
    {"CVoice6533ControlUI", nullptr},
    {"CNorvalisUSBDevice", nullptr},
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
