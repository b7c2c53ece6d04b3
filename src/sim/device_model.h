#pragma once

// What a simulated device is: its USB identity, the vendor collection it
// answers on, and the contents and sizes of its memory. Devices differ only in
// this data; the firmware core is the same for all of them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr std::size_t kDeviceInfoSize = 34;

// Byte positions inside the 34-byte device information block.
namespace info_offset {
inline constexpr std::size_t kProductLow = 0;  // product id, little-endian
inline constexpr std::size_t kProductHigh = 1;
inline constexpr std::size_t kFirmwareMajor = 2;
inline constexpr std::size_t kFirmwareMinor = 3;
inline constexpr std::size_t kDeviceClass = 4;    // 1 keyboard, 2 mouse, 3 mousepad
inline constexpr std::size_t kKeyCount = 5;       // entries of the key matrix
inline constexpr std::size_t kMacroCapacity = 6;  // macro memory in units of 128 bytes
inline constexpr std::size_t kProfileSlots = 7;
inline constexpr std::size_t kLedCount = 8;
inline constexpr std::size_t kSensorLow = 9;  // mouse: sensor code, little-endian
inline constexpr std::size_t kSensorHigh = 10;
inline constexpr std::size_t kDpiStep = 11;  // mouse: DPI per slider unit
inline constexpr std::size_t kDpiSliderMaxLow = 12;
inline constexpr std::size_t kDpiSliderMaxHigh = 13;
inline constexpr std::size_t kMinDpiLow = 14;
inline constexpr std::size_t kMinDpiHigh = 15;
}  // namespace info_offset

// Sizes of the memory areas, in bytes.
struct MemoryLayout {
    std::size_t settings = 1024;        // profile slots (keyboard: 40 bytes each, mouse: 128)
    std::size_t keyTable = 512;         // key matrix, the three writable key tables, LED table
    std::size_t pagedBlocks = 8 * 512;  // custom colour pages
    std::size_t liveFrame = 512;
    std::size_t shootData = 4096;
    std::size_t status = 64;
};

struct DeviceModel {
    std::string_view kind;  // name on the devsim command line
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint8_t interfaceNumber = 1;
    bool receiver = false;  // a 2.4 GHz receiver standing in for the device
    MemoryLayout layout;
    std::array<uint8_t, kDeviceInfoSize> info{};
    std::vector<uint8_t> keyMatrix;  // default key code of each device key (3 bytes each)
    std::vector<uint8_t> ledTable;   // LED slot of each device key
    std::array<uint8_t, 6> status{};
    std::vector<uint8_t> settings;  // initial contents of the settings area (rest is 0)

    uint8_t KeyCount() const { return info[info_offset::kKeyCount]; }
    std::size_t MacroCapacity() const {
        return std::size_t{info[info_offset::kMacroCapacity]} * 128;
    }
};

DeviceModel KeyboardModel();          // 320f:5055, cable
DeviceModel KeyboardReceiverModel();  // 320f:5088, the keyboard's receiver
DeviceModel MouseModel();             // 320f:50ef, cable
DeviceModel MouseReceiverModel();     // 320f:221d, the mouse's receiver
DeviceModel MousepadModel();          // 320f:1004

// The model of a devsim kind ("keyboard", "keyboard-receiver", "mouse",
// "mouse-receiver", "mousepad"), or nothing.
std::optional<DeviceModel> ModelByKind(std::string_view kind);
std::span<const std::string_view> Kinds();

// Report descriptor of interface 1 of every 320f device: keyboard, system
// control, consumer control, then the vendor command collection (usage page
// 0xFF1C, usage 0x92, report id 4, 64-byte reports with the id) as collection 4.
std::span<const uint8_t> VendorInterfaceDescriptor();

}  // namespace sim
