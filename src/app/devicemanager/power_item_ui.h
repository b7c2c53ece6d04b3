#pragma once

// CMpDevicePowerUI: a device's power item beside the device selector: battery
// level, charging state, wireless link and, on the mousepad, the phone lying
// on its charging pad.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "devices/norvalis_usb_device.h"
#include "ui/container.h"

namespace devicemanager {

inline constexpr std::string_view kPowerItemClass = "MpDevicePower";
inline constexpr size_t kPowerStatusBytes = 6;

namespace power_status {
inline constexpr size_t kBattery = 0;   // percent
inline constexpr size_t kState = 1;     // 0 powered, 1 charging, 2 on battery
inline constexpr size_t kWireless = 3;  // non-zero while connected wirelessly
inline constexpr size_t kPhone = 5;     // mousepad: 1 iPhone, 2 Samsung, 3 other
}  // namespace power_status

class CMpDevicePowerUI : public ui::CHorizontalLayoutUI, public devices::IPowerItem {
public:
    std::string_view GetClass() const override { return kPowerItemClass; }

    void SetKind(int kind, int variant) {
        m_kind = kind;
        m_variant = variant;
    }
    int GetKind() const { return m_kind; }
    int GetVariant() const { return m_variant; }

    void SetWirelessCapable(bool on) override;
    bool IsWirelessCapable() const { return m_wirelessCapable; }

    // The first six bytes of the device's status answer.
    void SetStatus(std::span<const uint8_t, kPowerStatusBytes> status);

    ui::CControlUI* Child(std::string_view name);

private:
    int m_kind = 0;
    int m_variant = 0;
    bool m_wirelessCapable = false;
};

}  // namespace devicemanager
