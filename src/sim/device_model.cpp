#include "sim/device_model.h"

#include <algorithm>

namespace sim {

namespace {

namespace io = info_offset;

constexpr uint16_t kVendor = 0x320F;

// HID usage ids of the keys a full-size board reports, after the eight modifiers.
constexpr uint8_t kFirstUsage = 0x04;  // A
constexpr uint8_t kLastUsage = 0x63;   // keypad .

void PutLe16(std::array<uint8_t, kDeviceInfoSize>& info, std::size_t at, uint16_t v) {
    info[at] = static_cast<uint8_t>(v & 0xFF);
    info[at + 1] = static_cast<uint8_t>(v >> 8);
}

DeviceModel BaseModel(std::string_view kind, uint16_t pid, bool receiver, uint8_t deviceClass) {
    DeviceModel m;
    m.kind = kind;
    m.vendorId = kVendor;
    m.productId = pid;
    m.receiver = receiver;
    PutLe16(m.info, io::kProductLow, pid);
    m.info[io::kFirmwareMajor] = 1;
    m.info[io::kFirmwareMinor] = 7;
    m.info[io::kDeviceClass] = deviceClass;
    m.info[io::kProfileSlots] = 4;
    return m;
}

// Default codes (type 0x20 = keyboard key): the modifiers by their bit in
// parameter 1, then the keys by usage id in parameter 2; LED slots in key order.
void FillKeyboardKeys(DeviceModel& m) {
    for (int bit = 0; bit < 8; ++bit) {
        m.keyMatrix.insert(m.keyMatrix.end(), {0x20, static_cast<uint8_t>(1u << bit), 0x00});
    }
    for (int usage = kFirstUsage; usage <= kLastUsage; ++usage) {
        m.keyMatrix.insert(m.keyMatrix.end(), {0x20, 0x00, static_cast<uint8_t>(usage)});
    }
    const auto keys = static_cast<uint8_t>(m.keyMatrix.size() / 3);
    m.info[io::kKeyCount] = keys;
    m.info[io::kLedCount] = keys;
    m.ledTable.resize(keys);
    for (uint8_t k = 0; k < keys; ++k) {
        m.ledTable[k] = k;
    }
}

DeviceModel Keyboard(std::string_view kind, uint16_t pid, bool receiver) {
    DeviceModel m = BaseModel(kind, pid, receiver, 1);
    FillKeyboardKeys(m);
    m.info[io::kMacroCapacity] = 32;  // 4 KiB of macros
    // Slot 0 active; record 0: mode 1, full brightness, middle speed, white.
    m.settings = {0x00, 0x01, 0x04, 0x02, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
    m.status = {0x64, 0x00, 0x00, 0x00, 0x00, 0x00};  // 100 %, powered
    return m;
}

// Mouse buttons: left, right, middle, back, forward, DPI up, DPI down, ...
// (type 0x10 = mouse function, parameter 1 = button).
DeviceModel Mouse(std::string_view kind, uint16_t pid, bool receiver) {
    DeviceModel m = BaseModel(kind, pid, receiver, 2);
    for (uint8_t b = 1; b <= 11; ++b) {
        m.keyMatrix.insert(m.keyMatrix.end(), {0x10, b, 0x00});
    }
    m.info[io::kKeyCount] = 11;
    m.info[io::kLedCount] = 1;
    m.info[io::kMacroCapacity] = 16;
    PutLe16(m.info, io::kSensorLow, 0x3325);
    m.info[io::kDpiStep] = 50;
    PutLe16(m.info, io::kDpiSliderMaxLow, 63);  // 48 steps of 50, then steps of 200
    PutLe16(m.info, io::kMinDpiLow, 100);
    m.ledTable = {0};
    m.settings = {0x00, 0x01, 0x04, 0x02, 0x00, 0x00, 0xFF, 0x00, 0x00};
    m.status = {0x50, 0x01, 0x00, 0x00, 0x00, 0x00};  // 80 %, charging
    return m;
}

DeviceModel Mousepad() {
    DeviceModel m = BaseModel("mousepad", 0x1004, false, 3);
    m.info[io::kKeyCount] = 0;
    m.info[io::kLedCount] = 20;
    m.settings = {0x00, 0x01, 0x04, 0x02};
    m.status = {0x00, 0x00, 0x00, 0x00, 0x00, 0x02};  // a phone of the second kind on the pad
    return m;
}

constexpr std::string_view kKinds[] = {"keyboard", "keyboard-receiver", "mouse", "mouse-receiver",
                                       "mousepad"};

// clang-format off
constexpr uint8_t kVendorInterfaceDescriptor[] = {
    // Collection 1: boot-style keyboard, report id 1.
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x06,        // Usage (Keyboard)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x01,        //   Report ID (1)
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0xE0,        //   Usage Minimum (Left Control)
    0x29, 0xE7,        //   Usage Maximum (Right GUI)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data, Variable, Absolute): modifier bits
    0x95, 0x01,        //   Report Count (1)
    0x75, 0x08,        //   Report Size (8)
    0x81, 0x01,        //   Input (Constant): reserved byte
    0x95, 0x06,        //   Report Count (6)
    0x75, 0x08,        //   Report Size (8)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x05, 0x07,        //   Usage Page (Keyboard/Keypad)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x00,  //   Usage Maximum (255)
    0x81, 0x00,        //   Input (Data, Array): six key slots
    0xC0,              // End Collection
    // Collection 2: system control, report id 2.
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x80,        // Usage (System Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x02,        //   Report ID (2)
    0x19, 0x81,        //   Usage Minimum (System Power Down)
    0x29, 0x83,        //   Usage Maximum (System Wake Up)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x03,        //   Report Count (3)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x05,        //   Report Count (5)
    0x81, 0x01,        //   Input (Constant): padding
    0xC0,              // End Collection
    // Collection 3: consumer control (the event collection), report id 3.
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x15, 0x00,        //   Logical Minimum (0)
    // Up to 0x4FF: the media keys and the device's own event codes from 0x401.
    0x26, 0xFF, 0x04,  //   Logical Maximum (1279)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x04,  //   Usage Maximum (1279)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
    // Collection 4: vendor command collection, report id 4, 63 data bytes each way.
    0x06, 0x1C, 0xFF,  // Usage Page (Vendor 0xFF1C)
    0x09, 0x92,        // Usage (0x92)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x04,        //   Report ID (4)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x3F,        //   Report Count (63)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute): answer frame
    0x09, 0x02,        //   Usage (2)
    0x91, 0x02,        //   Output (Data, Variable, Absolute): command frame
    0xC0,              // End Collection
};
// clang-format on

}  // namespace

DeviceModel KeyboardModel() {
    return Keyboard("keyboard", 0x5055, false);
}
DeviceModel KeyboardReceiverModel() {
    return Keyboard("keyboard-receiver", 0x5088, true);
}
DeviceModel MouseModel() {
    return Mouse("mouse", 0x50EF, false);
}
DeviceModel MouseReceiverModel() {
    return Mouse("mouse-receiver", 0x221D, true);
}
DeviceModel MousepadModel() {
    return Mousepad();
}

std::optional<DeviceModel> ModelByKind(std::string_view kind) {
    if (kind == "keyboard")
        return KeyboardModel();
    if (kind == "keyboard-receiver")
        return KeyboardReceiverModel();
    if (kind == "mouse")
        return MouseModel();
    if (kind == "mouse-receiver")
        return MouseReceiverModel();
    if (kind == "mousepad")
        return MousepadModel();
    return std::nullopt;
}

std::span<const std::string_view> Kinds() {
    return kKinds;
}

std::span<const uint8_t> VendorInterfaceDescriptor() {
    return kVendorInterfaceDescriptor;
}

}  // namespace sim
