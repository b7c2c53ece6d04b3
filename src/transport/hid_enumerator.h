#pragma once

// Finds the HID interfaces of the machine: the kernel's hidraw nodes (through
// sysfs) and our virtual endpoints (Unix sockets in the runtime folder), and
// lists one interface path per top-level collection. A pass runs every 100 ms
// while devices are missing, so parsed descriptors are cached by content.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/result.h"
#include "platform/unique_fd.h"
#include "transport/hid_descriptor.h"
#include "transport/hid_path.h"

namespace transport {

// Where the HID world is found. Tests and tools point these elsewhere.
struct HidRoots {
    std::filesystem::path sysfsHidraw = "/sys/class/hidraw";
    std::filesystem::path devFolder = "/dev";
    // Folder of virtual endpoints; empty: <runtime folder>/vhid. No virtual
    // endpoints are listed when `virtualEndpoints` is false.
    std::filesystem::path virtualFolder;
    bool hidraw = true;
    bool virtualEndpoints = true;

    bool operator==(const HidRoots&) const = default;
};

// The roots every CHidChannel uses (process-wide; set before threads start).
HidRoots CurrentHidRoots();
void SetHidRoots(HidRoots roots);
std::filesystem::path VirtualHidFolder(const HidRoots& roots);

// One HID interface (a hidraw node or a virtual endpoint), before it is split
// into collections.
struct HidNodeInfo {
    HidNodeKind kind = HidNodeKind::Hidraw;
    std::string name;  // "hidraw3" or "kb.sock"
    std::string node;  // "/dev/hidraw3" or the socket path
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
    uint16_t interfaceNumber = 0;
    std::shared_ptr<const HidReportDescriptor> descriptor;  // null when unusable
    std::string problem;     // why the node cannot be used, when it cannot
    bool accessible = true;  // this user may open it for reading and writing
};

// One top-level collection of an interface: what enumeration lists.
struct HidInterfaceInfo {
    std::string path;
    HidNodeKind kind = HidNodeKind::Hidraw;
    std::string node;
    uint16_t bus = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;  // 0 when the interface has one collection
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::shared_ptr<const HidReportDescriptor> descriptor;
    size_t collectionIndex = 0;  // into descriptor->collections
};

// Parsed descriptors by content, shared by every enumerator and channel.
class HidDescriptorCache {
public:
    // The parsed descriptor; a malformed one gives its error (also cached).
    platform::Result<std::shared_ptr<const HidReportDescriptor>> Parse(
        std::span<const uint8_t> bytes);
    size_t Size() const;
    void Clear();
    static HidDescriptorCache& Shared();

private:
    struct Entry {
        std::shared_ptr<const HidReportDescriptor> descriptor;
        platform::Error error;
    };
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, Entry> m_entries;
};

class HidEnumerator {
public:
    explicit HidEnumerator(HidRoots roots = CurrentHidRoots());

    // Every node found, usable or not (for diagnostics).
    std::vector<HidNodeInfo> Nodes();
    // One entry per top-level collection of every usable node. Fails only
    // when the sysfs folder exists but cannot be read.
    platform::Result<std::vector<HidInterfaceInfo>> Interfaces();

    const HidRoots& Roots() const { return m_roots; }

private:
    // What a hidraw node held at the last pass; a node whose sysfs folder is
    // unchanged (same inode and change time) is not read again.
    struct KnownNode {
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t changedNs = 0;
        HidNodeInfo info;
    };

    HidRoots m_roots;
    std::unordered_map<std::string, KnownNode> m_known;
    std::filesystem::path m_virtualFolder;
};

// Splits a node into its collections' interface paths.
void AppendInterfaces(const HidNodeInfo& node, std::vector<HidInterfaceInfo>& out);

// Reads one hidraw node's identity and descriptor from sysfs ("hidraw3").
platform::Result<HidNodeInfo> ReadHidrawNode(const HidRoots& roots, const std::string& name);

// Virtual endpoints as the discovery passes see them, ten times a second. The
// handshake connection of each endpoint is kept, so a later pass learns that
// the endpoint is still served from one poll instead of a new connection and
// handshake: a server that ends or unplugs hangs up, and one that comes back
// has a new socket file.
class VirtualEndpointProbes {
public:
    // The endpoint's node (vendor, product, interface, version, descriptor),
    // from the kept connection while that is alive and the socket file is the
    // one it was made to. Fails with ENOTSOCK where no socket is.
    platform::Result<HidNodeInfo> Probe(const std::filesystem::path& socket);
    static VirtualEndpointProbes& Shared();

private:
    struct Kept {
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t changedNs = 0;
        platform::UniqueFd connection;
        HidNodeInfo info;
    };
    std::mutex m_mutex;
    std::unordered_map<std::string, Kept> m_kept;
};

}  // namespace transport
