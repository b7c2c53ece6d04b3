#include "sim/simulated_device.h"

#include <array>
#include <vector>

namespace sim {

namespace {
constexpr uint8_t kConsumerReportId = 3;
}  // namespace

SimulatedDevice::SimulatedDevice(Key, DeviceModel model) : m_firmware(std::move(model)) {}

SimulatedDevice::~SimulatedDevice() {
    m_live.store(nullptr);
    m_endpoint.reset();  // joins the endpoint's thread before the firmware goes
}

platform::Result<std::unique_ptr<SimulatedDevice>> SimulatedDevice::Serve(
    DeviceModel model, const std::filesystem::path& socketPath) {
    transport::VirtualHidIdentity identity;
    identity.vendorId = model.vendorId;
    identity.productId = model.productId;
    identity.interfaceNumber = model.interfaceNumber;
    const std::span<const uint8_t> descriptor = VendorInterfaceDescriptor();

    auto device = std::make_unique<SimulatedDevice>(Key{}, std::move(model));
    SimulatedDevice* self = device.get();
    auto endpoint = transport::VirtualHidEndpoint::Create(
        identity, std::vector<uint8_t>(descriptor.begin(), descriptor.end()), socketPath,
        [self](std::span<const uint8_t> report) { self->OnOutputReport(report); });
    if (!endpoint) {
        return endpoint.error();
    }
    device->m_endpoint = std::move(*endpoint);
    device->m_live.store(device->m_endpoint.get());
    return device;
}

void SimulatedDevice::OnOutputReport(std::span<const uint8_t> report) {
    transport::VirtualHidEndpoint* endpoint = m_live.load();
    if (endpoint == nullptr) {
        return;
    }
    const Reply reply = m_firmware.HandleOutputReport(report);
    if (reply.unplug) {
        endpoint->Unplug();
        return;
    }
    for (std::size_t i = 0; i < reply.count; ++i) {
        (void)endpoint->SendInputReport(reply.reports[i].View());
    }
}

std::string SimulatedDevice::CommandPath() const {
    return m_endpoint->InterfacePath(kCommandCollection);
}

std::string SimulatedDevice::EventPath() const {
    return m_endpoint->InterfacePath(kEventCollection);
}

void SimulatedDevice::Unplug() {
    m_endpoint->Unplug();
}

platform::Status SimulatedDevice::Replug() {
    return m_endpoint->Replug();
}

bool SimulatedDevice::IsPlugged() const {
    return m_endpoint->IsPlugged();
}

platform::Status SimulatedDevice::SendConsumerKey(uint16_t usage) {
    // Report id 3 carries one 16-bit usage; 0 is the release.
    const std::array<uint8_t, 3> press{kConsumerReportId, static_cast<uint8_t>(usage & 0xFF),
                                       static_cast<uint8_t>(usage >> 8)};
    const std::array<uint8_t, 3> release{kConsumerReportId, 0, 0};
    if (platform::Status st = m_endpoint->SendInputReport(press); !st) {
        return st;
    }
    return m_endpoint->SendInputReport(release);
}

}  // namespace sim
