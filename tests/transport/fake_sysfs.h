#pragma once

// A fake /sys/class/hidraw tree laid out as the kernel lays it out:
//   sys/class/hidraw/hidrawN/device -> ../../../devices/usbB/B-P/B-P:1.I/0003:VVVV:PPPP.NNNN
//   .../B-P:1.I/bInterfaceNumber, .../B-P/bcdDevice
//   .../0003:VVVV:PPPP.NNNN/{uevent,report_descriptor}
// and a dev/ folder with one plain file per node.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "transport/hid_enumerator.h"

namespace transport::testdata {

class FakeSysfs {
public:
    explicit FakeSysfs(std::filesystem::path root) : m_root(std::move(root)) {
        std::filesystem::create_directories(Class());
        std::filesystem::create_directories(m_root / "dev");
    }

    std::filesystem::path Class() const { return m_root / "sys/class/hidraw"; }

    HidRoots Roots() const {
        HidRoots r;
        r.sysfsHidraw = Class();
        r.devFolder = m_root / "dev";
        r.virtualEndpoints = false;
        return r;
    }

    // Adds hidraw<n>; an empty uevent line leaves HID_ID out.
    void Add(int n, uint16_t vendor, uint16_t product, int interfaceNumber,
             std::span<const uint8_t> descriptor, bool withHidId = true) {
        namespace fs = std::filesystem;
        char name[64];
        std::snprintf(name, sizeof name, "0003:%04X:%04X.%04X", vendor, product, n + 1);
        const fs::path usbDevice = m_root / "sys/devices/usb1" / ("1-" + std::to_string(n));
        const fs::path usbInterface =
            usbDevice / ("1-" + std::to_string(n) + ":1." + std::to_string(interfaceNumber));
        const fs::path hid = usbInterface / name;
        fs::create_directories(hid);
        Write(usbDevice / "bcdDevice", "0105\n");
        char number[8];
        std::snprintf(number, sizeof number, "%02x\n", interfaceNumber);
        Write(usbInterface / "bInterfaceNumber", number);
        char id[64];
        std::snprintf(id, sizeof id, "HID_ID=0003:0000%04X:0000%04X\n", vendor, product);
        Write(hid / "uevent", std::string("DRIVER=hid-generic\n") + (withHidId ? id : "") +
                                  "HID_NAME=Test Device\n");
        Write(hid / "report_descriptor",
              std::string(reinterpret_cast<const char*>(descriptor.data()), descriptor.size()));
        const std::string node = "hidraw" + std::to_string(n);
        fs::create_directories(Class() / node);
        fs::create_directory_symlink(fs::relative(hid, Class() / node), Class() / node / "device");
        Write(m_root / "dev" / node, "");
    }

    // Unplugs hidraw<n>.
    void Remove(int n) {
        std::filesystem::remove_all(Class() / ("hidraw" + std::to_string(n)));
        std::filesystem::remove_all(m_root / "sys/devices/usb1" / ("1-" + std::to_string(n)));
        std::filesystem::remove(m_root / "dev" / ("hidraw" + std::to_string(n)));
    }

private:
    static void Write(const std::filesystem::path& p, const std::string& data) {
        std::ofstream(p, std::ios::binary) << data;
    }

    std::filesystem::path m_root;
};

}  // namespace transport::testdata
