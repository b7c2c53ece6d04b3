#include "probe.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <utility>

#include "app/devicemanager/device_table.h"

namespace probe {

namespace fs = std::filesystem;
using transport::HidInterfaceInfo;
using transport::HidNodeInfo;
using transport::HidNodeKind;

namespace {

const char* DeviceName(uint16_t type) {
    switch (type) {
        case devicemanager::kKeyboardCable:
            return "keyboard";
        case devicemanager::kKeyboardReceiver:
            return "keyboard receiver";
        case devicemanager::kMouseCable:
            return "mouse";
        case devicemanager::kMouseReceiver:
            return "mouse receiver";
        case devicemanager::kMousePad:
            return "mousepad";
        case devicemanager::kHeadset:
            return "headset";
        default:
            return "device";
    }
}

}  // namespace

// The program's own table, described for people.
const std::vector<SupportedInterface>& SupportedInterfaces() {
    static const std::vector<SupportedInterface> table = [] {
        std::vector<SupportedInterface> t;
        for (const devicemanager::DeviceIdentity& d : devicemanager::kSupportedDevices) {
            t.push_back({d.vendorId, d.productId, d.interfaceNumber, d.collection, d.usagePage,
                         d.usage, DeviceName(d.type),
                         d.role == devicemanager::kRoleEvent ? "events" : "commands"});
        }
        return t;
    }();
    return table;
}

bool IsSupportedDevice(uint16_t vendorId, uint16_t productId) {
    for (const SupportedInterface& s : SupportedInterfaces()) {
        if (s.vendorId == vendorId && s.productId == productId) {
            return true;
        }
    }
    return false;
}

namespace {

std::string Format(const char* format, auto... args) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

const SupportedInterface* Match(const HidInterfaceInfo& info) {
    for (const SupportedInterface& s : SupportedInterfaces()) {
        if (s.vendorId == info.vendorId && s.productId == info.productId &&
            s.interfaceNumber == info.interfaceNumber &&
            s.collectionNumber == info.collectionNumber && s.usagePage == info.usagePage &&
            s.usage == info.usage) {
            return &s;
        }
    }
    return nullptr;
}

std::string NodeLabel(const HidNodeInfo& node) {
    return node.kind == HidNodeKind::Virtual ? node.node + " (simulated)" : node.node;
}

// USB devices of the supported ids that are connected, by "vvvv:pppp".
std::set<std::pair<uint16_t, uint16_t>> ConnectedUsbDevices(const fs::path& sysRoot) {
    std::set<std::pair<uint16_t, uint16_t>> out;
    std::error_code ec;
    for (fs::directory_iterator it(sysRoot / "bus/usb/devices", ec), end; !ec && it != end;
         it.increment(ec)) {
        unsigned vendor = 0;
        unsigned product = 0;
        std::ifstream v(it->path() / "idVendor");
        std::ifstream p(it->path() / "idProduct");
        if ((v >> std::hex >> vendor) && (p >> std::hex >> product) && vendor <= 0xFFFF &&
            product <= 0xFFFF) {
            out.emplace(static_cast<uint16_t>(vendor), static_cast<uint16_t>(product));
        }
    }
    return out;
}

}  // namespace

ProbeReport RunProbe(const ProbeOptions& options) {
    ProbeReport report;
    transport::HidRoots roots;
    roots.sysfsHidraw = options.sysRoot / "class/hidraw";
    roots.devFolder = options.devFolder;
    roots.virtualFolder = options.virtualFolder;
    roots.virtualEndpoints = options.virtualEndpoints;

    std::error_code ec;
    if (!fs::exists(roots.sysfsHidraw, ec)) {
        report.problems.push_back(
            Format("%s does not exist: this kernel has no hidraw support (load the hidraw "
                   "module, or use a kernel built with CONFIG_HIDRAW)",
                   roots.sysfsHidraw.c_str()));
    }

    transport::HidEnumerator enumerator(roots);
    std::set<std::pair<uint16_t, uint16_t>> seen;
    bool sawSupported = false;
    for (const HidNodeInfo& node : enumerator.Nodes()) {
        const bool supported = IsSupportedDevice(node.vendorId, node.productId);
        sawSupported = sawSupported || supported;
        seen.emplace(node.vendorId, node.productId);
        report.lines.push_back(Format("%s  %04x:%04x  interface %u%s", NodeLabel(node).c_str(),
                                      node.vendorId, node.productId, node.interfaceNumber,
                                      supported ? "  [supported device]" : ""));
        if (!node.problem.empty()) {
            report.lines.push_back("    cannot be used: " + node.problem);
            if (supported) {
                report.problems.push_back(Format("found %04x:%04x on %s but %s", node.vendorId,
                                                 node.productId, node.node.c_str(),
                                                 node.problem.c_str()));
            }
            continue;
        }
        std::vector<HidInterfaceInfo> collections;
        transport::AppendInterfaces(node, collections);
        bool claimed = false;
        for (const HidInterfaceInfo& c : collections) {
            const SupportedInterface* s = Match(c);
            claimed = claimed || s != nullptr;
            std::string line =
                Format("    %s  usage page %04x, usage %04x", c.path.c_str(), c.usagePage, c.usage);
            if (s != nullptr) {
                line += Format("  <- %s (%s)", s->device, s->role);
            }
            report.lines.push_back(line);
        }
        if (supported && !node.accessible) {
            report.problems.push_back(
                Format("found %04x:%04x on %s but it is not readable: install %s", node.vendorId,
                       node.productId, node.node.c_str(), options.rulesFile.c_str()));
        } else if (claimed) {
            ++report.usableSupported;
        } else if (supported) {
            bool interfaceKnown = false;
            for (const SupportedInterface& s : SupportedInterfaces()) {
                interfaceKnown = interfaceKnown ||
                                 (s.vendorId == node.vendorId && s.productId == node.productId &&
                                  s.interfaceNumber == node.interfaceNumber);
            }
            if (interfaceKnown) {
                report.problems.push_back(
                    Format("found %04x:%04x interface %u on %s but not the collections Quillon "
                           "talks to; the device's firmware may be newer than this program",
                           node.vendorId, node.productId, node.interfaceNumber, node.node.c_str()));
            }
        }
    }

    for (const auto& [vendor, product] : ConnectedUsbDevices(options.sysRoot)) {
        if (IsSupportedDevice(vendor, product) && !seen.count({vendor, product})) {
            sawSupported = true;
            report.problems.push_back(
                Format("USB device %04x:%04x is connected but has no hidraw node: is the usbhid "
                       "driver bound to it?",
                       vendor, product));
        }
    }
    if (!sawSupported) {
        report.problems.push_back(
            "no supported device is connected: check the cable and try another USB port; a "
            "wireless device needs its receiver plugged in (run quillon-devsim to try the "
            "program with simulated devices)");
    }
    return report;
}

}  // namespace probe
