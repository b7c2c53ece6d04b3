#pragma once

// Finding supported devices by polling: every 100 ms the discovery thread
// lists the HID interfaces, claims the new supported ones and notices the
// claimed ones that went away. Every change is handed to the UI thread, which
// has handled it before the thread goes on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/devicemanager/device_table.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace devicemanager {

// The HID side of discovery; the real one sits on the HID channel.
class IHidScanner {
public:
    virtual ~IHidScanner() = default;
    // All interface paths; false when enumeration itself fails.
    virtual bool Enumerate(std::vector<std::string>& paths) = 0;
    // Vendor, product, interface and collection read from the path alone.
    virtual void PathIds(const std::string& path, uint16_t& vendorId, uint16_t& productId,
                         uint16_t& interfaceNumber, uint16_t& collection) = 0;
    // Opens the interface for reading (shared) and describes it; nothing when it
    // cannot be opened.
    virtual std::optional<InterfaceDescription> Describe(const std::string& path) = 0;
    // Whether the interface behind the path is still attached.
    virtual bool Present(const std::string& path) = 0;
};

// Where discovery reports; called on the discovery thread.
class IDiscoverySink {
public:
    virtual ~IDiscoverySink() = default;
    virtual void OnAttach(size_t index) = 0;
    virtual void OnDetach(size_t index) = 0;
    // Once, after the first pass.
    virtual void OnFirstPass() = 0;
};

class Discovery {
public:
    static constexpr platform::Millis kPassInterval{100};

    Discovery(DeviceList& list, IHidScanner& scanner, IDiscoverySink& sink)
        : m_list(list), m_scanner(scanner), m_sink(sink) {}

    // One pass; false when enumeration failed and discovery should end.
    bool RunPass();

    // The thread's loop: a pass every 100 ms until `stop` is set or a pass fails.
    void Run(platform::Event& stop);

private:
    bool NodePresent(const std::string& path);
    std::optional<bool> KnownNode(std::string_view node) const;
    void RememberNode(const std::string& path, bool present);

    DeviceList& m_list;
    IHidScanner& m_scanner;
    IDiscoverySink& m_sink;
    std::vector<std::string> m_paths;                          // reused between passes
    std::vector<std::pair<std::string, bool>> m_presentNodes;  // this pass's answers
    bool m_firstPassDone = false;
};

}  // namespace devicemanager
