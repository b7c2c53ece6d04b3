#include "app/devicemanager/hid_scanner.h"

#include "transport/hid_path.h"

namespace devicemanager {

bool ChannelHidScanner::Enumerate(std::vector<std::string>& paths) {
    if (!m_channel.EnumeratePaths()) {
        return false;
    }
    paths = m_channel.Paths();
    m_channel.FreePaths();
    return true;
}

void ChannelHidScanner::PathIds(const std::string& path, uint16_t& vendorId, uint16_t& productId,
                                uint16_t& interfaceNumber, uint16_t& collection) {
    const transport::HidPathIds ids = transport::ParseInterfacePath(path);
    vendorId = ids.vendorId;
    productId = ids.productId;
    interfaceNumber = ids.interfaceNumber;
    collection = ids.collectionNumber;
}

std::optional<InterfaceDescription> ChannelHidScanner::Describe(const std::string& path) {
    if (!m_channel.Open(path, transport::HidAccess::Read, transport::HidSharing::Shared)) {
        return std::nullopt;
    }
    InterfaceDescription d{m_channel.VendorId(), m_channel.ProductId(), m_channel.UsagePage(),
                           m_channel.Usage()};
    m_channel.Close();
    return d;
}

bool ChannelHidScanner::Present(const std::string& path) {
    return transport::CHidChannel::PathPresent(path);
}

}  // namespace devicemanager
