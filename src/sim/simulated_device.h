#pragma once

// A simulated device served as a virtual HID endpoint: the firmware core
// answers the frames a host writes to the vendor collection, exactly as the
// device would over hidraw. Unplugging makes every host see the device go
// away; Replug brings it back with its memory as it was.

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/result.h"
#include "sim/device_model.h"
#include "sim/firmware.h"
#include "transport/virtual_hid.h"

namespace sim {

// Collection numbers of the vendor interface, in descriptor order.
inline constexpr uint16_t kEventCollection = 3;
inline constexpr uint16_t kCommandCollection = 4;

class SimulatedDevice {
public:
    // Serves `model` on a socket at `socketPath` (its folder must exist).
    static platform::Result<std::unique_ptr<SimulatedDevice>> Serve(
        DeviceModel model, const std::filesystem::path& socketPath);
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    Firmware& Core() { return m_firmware; }
    const DeviceModel& Model() const { return m_firmware.Model(); }
    transport::VirtualHidEndpoint& Endpoint() { return *m_endpoint; }
    // Interface path of the command collection, as enumeration lists it.
    std::string CommandPath() const;
    std::string EventPath() const;

    void Unplug();
    platform::Status Replug();
    bool IsPlugged() const;

    // A key press and release on the event collection (consumer page usage,
    // e.g. 0xE9 volume up), as the device sends for its media keys.
    platform::Status SendConsumerKey(uint16_t usage);

    // Construction goes through Serve; the key keeps it there.
    struct Key {
        explicit Key() = default;
    };
    SimulatedDevice(Key, DeviceModel model);

private:
    void OnOutputReport(std::span<const uint8_t> report);

    Firmware m_firmware;
    std::unique_ptr<transport::VirtualHidEndpoint> m_endpoint;
    // Set once the endpoint exists; reports that arrive before are dropped.
    std::atomic<transport::VirtualHidEndpoint*> m_live{nullptr};
};

}  // namespace sim
