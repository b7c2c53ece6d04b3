#include "app/devicemanager/power_item_ui.h"

#include <algorithm>
#include <string>

#include "app/devicemanager/device_table.h"
#include "ui/controls.h"
#include "ui/paint_manager.h"

namespace devicemanager {

namespace {

bool ShowsWirelessLogo(int kind) {
    return kind == kKeyboardCable || kind == kKeyboardReceiver || kind == kMouseCable ||
           kind == kMouseReceiver;
}

std::string_view PhoneName(uint8_t code) {
    switch (code) {
        case 1:
            return "Phone_type_iphone";
        case 2:
            return "Phone_type_samsung";
        case 3:
            return "Phone_type_other";
        default:
            return "Phone_type_no_device";
    }
}

void Show(ui::CControlUI* control, bool on) {
    if (control != nullptr)
        control->SetVisible(on);
}

}  // namespace

ui::CControlUI* CMpDevicePowerUI::Child(std::string_view name) {
    return GetManager() != nullptr ? GetManager()->FindSubControlByName(this, name) : nullptr;
}

void CMpDevicePowerUI::SetWirelessCapable(bool on) {
    m_wirelessCapable = on;
    Show(Child("device_power_Layout"), on);
}

void CMpDevicePowerUI::SetStatus(std::span<const uint8_t, kPowerStatusBytes> status) {
    // A device may report more than 100 %; the bar cannot show it.
    const int percent = std::min<int>(status[power_status::kBattery], 100);
    if (auto* progress = dynamic_cast<ui::CProgressUI*>(Child("device_Power_progress")))
        progress->SetValue(100 - percent);
    if (ui::CControlUI* value = Child("device_power_value"))
        value->SetText(std::to_string(percent) + "%");

    const bool wireless = status[power_status::kWireless] != 0;
    if (ShowsWirelessLogo(m_kind))
        Show(Child("device_wuxian_logo"), wireless);

    ui::CControlUI* state = Child("device_power_status");
    ui::CControlUI* progress = Child("device_Power_progress");
    switch (status[power_status::kState]) {
        case 0:
            if (state != nullptr)
                state->SetBkImage("file='power/powered.png'");
            Show(progress, true);
            break;
        case 1:
            if (state != nullptr)
                state->SetBkImage("file='power/powering.png'");
            Show(progress, !wireless);
            break;
        case 2:
            if (state != nullptr)
                state->SetBkImage("file='power/power.png'");
            Show(progress, true);
            break;
        default:
            break;  // a state we do not know leaves the picture as it was
    }

    if (m_kind == kMousePad) {
        if (ui::CControlUI* phone = Child("device_phone_type")) {
            const std::string name(PhoneName(status[power_status::kPhone]));
            phone->SetToolTip(name);
            phone->SetBkImage("file='power/" + name + ".png'");
        }
    }
    Show(Child("device_power_Layout"), m_wirelessCapable);
}

}  // namespace devicemanager
