#include "app/devicemanager/discovery.h"

#include "platform/trace.h"

namespace devicemanager {

bool Discovery::RunPass() {
    m_presentNodes.clear();
    if (m_list.HasUnclaimed()) {
        m_paths.clear();
        if (!m_scanner.Enumerate(m_paths)) {
            platform::Trace("discovery: cannot list HID interfaces; device discovery ends");
            // The window waits for the first pass to show itself: without
            // devices it must still come up.
            if (!m_firstPassDone) {
                m_firstPassDone = true;
                m_sink.OnFirstPass();
            }
            return false;
        }
        for (const std::string& path : m_paths) {
            // Listed just now: its node is there, no need to ask it again below.
            RememberNode(path, true);
            uint16_t vendorId = 0;
            uint16_t productId = 0;
            uint16_t interfaceNumber = 0;
            uint16_t collection = 0;
            m_scanner.PathIds(path, vendorId, productId, interfaceNumber, collection);
            if (!m_list.ClaimCheck(vendorId, productId, interfaceNumber, collection)) {
                continue;
            }
            // An interface that cannot be opened now is tried again next pass.
            std::optional<InterfaceDescription> opened = m_scanner.Describe(path);
            if (!opened) {
                continue;
            }
            std::optional<size_t> index =
                m_list.FullMatch(interfaceNumber, collection, *opened, path);
            if (index) {
                m_sink.OnAttach(*index);
            }
        }
        if (!m_firstPassDone) {
            m_firstPassDone = true;
            m_sink.OnFirstPass();
        }
    }
    // A device's interfaces share one node: it is asked at most once per pass.
    const std::vector<DeviceEntry> entries = m_list.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].attached != 0 && !NodePresent(entries[i].path)) {
            m_list.Release(i);
            m_sink.OnDetach(i);
        }
    }
    return true;
}

std::optional<bool> Discovery::KnownNode(std::string_view node) const {
    for (const auto& [known, present] : m_presentNodes) {
        if (known == node)
            return present;
    }
    return std::nullopt;
}

namespace {

// The node and the device's ids, without the interface and collection: a node
// number taken over by another device gives another key.
std::string_view NodeKey(const std::string& path) {
    return std::string_view(path).substr(0, path.find("&mi_"));
}

}  // namespace

void Discovery::RememberNode(const std::string& path, bool present) {
    const std::string_view node = NodeKey(path);
    if (!KnownNode(node))
        m_presentNodes.emplace_back(std::string(node), present);
}

bool Discovery::NodePresent(const std::string& path) {
    const std::string_view node = NodeKey(path);
    if (std::optional<bool> known = KnownNode(node))
        return *known;
    const bool present = m_scanner.Present(path);
    RememberNode(path, present);
    return present;
}

void Discovery::Run(platform::Event& stop) {
    // One wait per pass: the pause between passes is also where a stop is seen.
    if (!stop.IsSet()) {
        do {
            if (!RunPass()) {
                return;
            }
        } while (!stop.Wait(kPassInterval));
    }
    platform::Trace("discovery: thread ends");
}

}  // namespace devicemanager
