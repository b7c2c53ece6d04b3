#pragma once

// The supported devices and the device kinds the program shows.
//
// Each supported device is reached through two HID interfaces: a command
// interface on the vendor page and an event interface on the consumer page.
// Wireless devices have a second pair of entries for their receiver, paired
// with the cable's.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace devicemanager {

enum DeviceType : uint16_t {
    kKeyboardCable = 1,
    kMouseCable = 2,
    kMousePad = 3,
    kMouseReceiver = 6,
    kHeadset = 7,
    kKeyboardReceiver = 9,
};

inline constexpr uint16_t kRoleCommand = 0;
inline constexpr uint16_t kRoleEvent = 255;

// The fixed part of a supported interface.
struct DeviceIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collection = 0;
    uint16_t type = 0;
    uint16_t role = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t paired = 0;
    uint16_t pairedIndex = 0;
};

// One row of the device list: a supported interface and whether it is attached.
struct DeviceEntry : DeviceIdentity {
    uint16_t attached = 0;
    std::string path;  // empty while not attached

    // Same interface of the same device: the attached flag, the pairing and the
    // path do not count.
    bool SameInterface(const DeviceEntry& other) const;
    bool IsCommand() const { return role == kRoleCommand; }
};

inline constexpr std::array<DeviceIdentity, 11> kSupportedDevices = {{
    {0x320F, 0x5055, 1, 4, kKeyboardCable, kRoleCommand, 0xFF1C, 0x92, 1, 2},
    {0x320F, 0x5055, 1, 3, kKeyboardCable, kRoleEvent, 0x000C, 0x01, 1, 3},
    {0x320F, 0x5088, 1, 4, kKeyboardReceiver, kRoleCommand, 0xFF1C, 0x92, 1, 0},
    {0x320F, 0x5088, 1, 3, kKeyboardReceiver, kRoleEvent, 0x000C, 0x01, 1, 1},
    {0x320F, 0x50EF, 1, 4, kMouseCable, kRoleCommand, 0xFF1C, 0x92, 1, 6},
    {0x320F, 0x50EF, 1, 3, kMouseCable, kRoleEvent, 0x000C, 0x01, 1, 7},
    {0x320F, 0x221D, 1, 4, kMouseReceiver, kRoleCommand, 0xFF1C, 0x92, 1, 4},
    {0x320F, 0x221D, 1, 3, kMouseReceiver, kRoleEvent, 0x000C, 0x01, 1, 5},
    {0x320F, 0x1004, 1, 4, kMousePad, kRoleCommand, 0xFF1C, 0x92, 0, 0},
    {0x320F, 0x1004, 1, 3, kMousePad, kRoleEvent, 0x000C, 0x01, 0, 0},
    {0x0C76, 0x1630, 3, 0, kHeadset, kRoleCommand, 0x000C, 0x01, 0, 0},
}};

// One device kind as the window shows it.
struct DeviceKindRow {
    const char* selectorLayout;
    const char* tabHeader;
    const char* powerSwitch;
    const char* kindName;  // also the device's folder name
    int32_t row;
    int32_t second;
    int32_t third;
    int32_t optionValue;
    int32_t vendorId;
    int32_t productId;
    int32_t type;
    int32_t variant;
};

inline constexpr const char* kSelectorLayout = "XML\\CustomControlXML\\DeviceOption.xml";
inline constexpr const char* kPowerItemLayout = "XML\\CustomControlXML\\MpDevicePower.xml";

inline constexpr std::array<DeviceKindRow, 4> kDeviceKinds = {{
    {kSelectorLayout, "tab_header_device", "device_power_switch", "mouse", 0, 0, 0, 1, 0x320F,
     0x50EF, kMouseCable, 0},
    {kSelectorLayout, "tab_header_device", "device_power_switch", "keyboard", 1, 1, -1, 0, 0x320F,
     0x5055, kKeyboardCable, 0},
    {kSelectorLayout, "tab_header_device", "device_power_switch", "MousePad", 2, 2, 1, 2, 0x320F,
     0x1004, kMousePad, 0},
    {kSelectorLayout, "tab_header_device", "device_power_switch", "HD", 3, 3, -1, 3, 0x0C76, 0x1630,
     kHeadset, 0},
}};

// The device page of each kind, in the order of kDeviceKinds.
struct DeviceLayoutRow {
    int32_t lightCount;
    int32_t keyCount;
    int32_t wirelessCapable;
    int32_t fourth;  // handed to the mouse only
    const char* layoutFile;
    const char* lightConfiguration;
};

inline constexpr std::array<DeviceLayoutRow, 4> kDeviceLayouts = {{
    {15, 11, 1, -1, "XML\\DeviceXml\\mousedevice.xml", "korva_light"},
    {170, 170, 1, -1, "XML\\DeviceXml\\keyboarddevice.xml", "korva_light"},
    {15, 0, 0, -1, "XML\\DeviceXml\\mousepaddevice.xml", "korva_light"},
    {13, 0, 0, -1, "XML\\DeviceXml\\do6533device.xml", "korva_light"},
}};

// Index of the kind row with these values, or -1.
int FindKindRow(int32_t vendorId, int32_t productId, int32_t type, int32_t variant);

// What an opened interface says about itself.
struct InterfaceDescription {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
};

// The window's copy of the supported-device table, with what is attached. The
// discovery thread claims and releases entries while the UI thread reads them,
// so every access takes the list's lock and readers get copies.
class DeviceList {
public:
    DeviceList();

    std::vector<DeviceEntry> Entries() const;
    // A copy of the entry; an empty entry outside the list.
    DeviceEntry Entry(size_t index) const;
    size_t Size() const { return m_entries.size(); }

    bool HasUnclaimed() const;
    // Whether an interface with these ids could belong to an unclaimed entry;
    // checked from the path alone, before anything is opened.
    bool ClaimCheck(uint16_t vendorId, uint16_t productId, uint16_t interfaceNumber,
                    uint16_t collection) const;
    // Claims the unclaimed entry that matches every id of the opened interface;
    // its index, or nothing.
    std::optional<size_t> FullMatch(uint16_t interfaceNumber, uint16_t collection,
                                    const InterfaceDescription& opened, std::string_view path);
    // Marks an entry unclaimed again (its interface went away).
    void Release(size_t index);

    // Test and tool helper: claims by index.
    void MarkAttached(size_t index, std::string path);

private:
    mutable std::mutex m_mutex;
    std::vector<DeviceEntry> m_entries;  // the size never changes after construction
};

}  // namespace devicemanager
