#pragma once

// Discovery's view of the HID channel: real hidraw nodes and simulated devices
// alike.

#include "app/devicemanager/discovery.h"
#include "transport/hid_channel.h"

namespace devicemanager {

class ChannelHidScanner final : public IHidScanner {
public:
    bool Enumerate(std::vector<std::string>& paths) override;
    void PathIds(const std::string& path, uint16_t& vendorId, uint16_t& productId,
                 uint16_t& interfaceNumber, uint16_t& collection) override;
    std::optional<InterfaceDescription> Describe(const std::string& path) override;
    bool Present(const std::string& path) override;

private:
    transport::CHidChannel m_channel;  // reused for every open during a pass
};

}  // namespace devicemanager
