#pragma once

// quillon-probe: what HID interfaces this machine shows, which of them belong
// to a supported device, and what a user can do when a device is not found.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "transport/hid_enumerator.h"

namespace probe {

// One supported HID interface: the device manager claims an interface path
// with these ids, then checks usage page and usage on the open collection.
struct SupportedInterface {
    uint16_t vendorId;
    uint16_t productId;
    uint16_t interfaceNumber;
    uint16_t collectionNumber;
    uint16_t usagePage;
    uint16_t usage;
    const char* device;  // for people
    const char* role;
};

const std::vector<SupportedInterface>& SupportedInterfaces();
bool IsSupportedDevice(uint16_t vendorId, uint16_t productId);

struct ProbeOptions {
    std::filesystem::path sysRoot = "/sys";  // class/hidraw and bus/usb/devices below it
    std::filesystem::path devFolder = "/dev";
    std::filesystem::path virtualFolder;  // empty: <runtime folder>/vhid
    bool virtualEndpoints = true;
    std::string rulesFile = "packaging/70-quillon.rules";
};

struct ProbeReport {
    std::vector<std::string> lines;     // the listing
    std::vector<std::string> problems;  // what the user can fix, one sentence each
    int usableSupported = 0;            // supported interfaces this user can open
};

ProbeReport RunProbe(const ProbeOptions& options);

}  // namespace probe
