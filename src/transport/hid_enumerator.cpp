#include "transport/hid_enumerator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"
#include "transport/virtual_hid.h"

namespace transport {

namespace fs = std::filesystem;
using platform::Error;

namespace {

std::mutex g_rootsMutex;
HidRoots& RootsStorage() {
    static HidRoots roots;
    return roots;
}

// Size limit for the small sysfs attribute files we read.
constexpr size_t kMaxAttributeSize = 8192;

// Reads a whole small file with one open; false when missing or unreadable.
bool ReadSmallFile(const fs::path& path, std::string& out, size_t limit = kMaxAttributeSize) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    platform::UniqueFd guard(fd);
    out.resize(limit);
    size_t have = 0;
    while (have < limit) {
        const ssize_t n = ::read(fd, out.data() + have, limit - have);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        have += static_cast<size_t>(n);
    }
    out.resize(have);
    return true;
}

bool ParseHex(std::string_view text, uint32_t& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    value = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

// "HID_ID=0003:0000320F:00005055" in a uevent file.
bool ParseHidId(std::string_view uevent, uint16_t& bus, uint16_t& vendor, uint16_t& product) {
    size_t pos = 0;
    while (pos < uevent.size()) {
        size_t end = uevent.find('\n', pos);
        if (end == std::string_view::npos) {
            end = uevent.size();
        }
        std::string_view line = uevent.substr(pos, end - pos);
        pos = end + 1;
        constexpr std::string_view kKey = "HID_ID=";
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        line.remove_prefix(kKey.size());
        const size_t c1 = line.find(':');
        const size_t c2 = c1 == std::string_view::npos ? c1 : line.find(':', c1 + 1);
        uint32_t b, v, p;
        if (c2 == std::string_view::npos || !ParseHex(line.substr(0, c1), b) ||
            !ParseHex(line.substr(c1 + 1, c2 - c1 - 1), v) || !ParseHex(line.substr(c2 + 1), p) ||
            v > 0xFFFF || p > 0xFFFF) {
            return false;
        }
        bus = static_cast<uint16_t>(b);
        vendor = static_cast<uint16_t>(v);
        product = static_cast<uint16_t>(p);
        return true;
    }
    return false;
}

bool ReadHexAttribute(const fs::path& path, uint32_t& value) {
    std::string text;
    if (!ReadSmallFile(path, text, 64)) {
        return false;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return ParseHex(text, value);
}

bool NameOrder(const std::string& a, const std::string& b) {
    // hidraw2 before hidraw10.
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

constexpr size_t kMaxCacheEntries = 256;

}  // namespace

HidRoots CurrentHidRoots() {
    std::lock_guard lock(g_rootsMutex);
    return RootsStorage();
}

void SetHidRoots(HidRoots roots) {
    std::lock_guard lock(g_rootsMutex);
    RootsStorage() = std::move(roots);
}

fs::path VirtualHidFolder(const HidRoots& roots) {
    if (!roots.virtualFolder.empty()) {
        return roots.virtualFolder;
    }
    auto runtime = platform::RuntimeFolder();
    return runtime ? *runtime / "vhid" : fs::path();
}

platform::Result<std::shared_ptr<const HidReportDescriptor>> HidDescriptorCache::Parse(
    std::span<const uint8_t> bytes) {
    std::string key(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::lock_guard lock(m_mutex);
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        if (m_entries.size() >= kMaxCacheEntries) {
            m_entries.clear();  // a churn of strange devices; start afresh
        }
        Entry e;
        auto parsed = ParseReportDescriptor(bytes);
        if (parsed) {
            e.descriptor = std::make_shared<const HidReportDescriptor>(std::move(*parsed));
        } else {
            e.error = parsed.error();
        }
        it = m_entries.emplace(std::move(key), std::move(e)).first;
    }
    if (!it->second.descriptor) {
        return it->second.error;
    }
    return it->second.descriptor;
}

size_t HidDescriptorCache::Size() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

void HidDescriptorCache::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

HidDescriptorCache& HidDescriptorCache::Shared() {
    static HidDescriptorCache cache;
    return cache;
}

platform::Result<HidNodeInfo> ReadHidrawNode(const HidRoots& roots, const std::string& name) {
    HidNodeInfo info;
    info.kind = HidNodeKind::Hidraw;
    info.name = name;
    info.node = (roots.devFolder / name).string();
    const fs::path device = roots.sysfsHidraw / name / "device";
    std::string text;
    if (!ReadSmallFile(device / "uevent", text)) {
        return Error{"no HID device behind " + name, ENOENT};
    }
    if (!ParseHidId(text, info.bus, info.vendorId, info.productId)) {
        return Error{"no HID_ID in the uevent of " + name, EPROTO};
    }
    // The parent of the HID device is the USB interface; other buses have none.
    std::error_code ec;
    const fs::path real = fs::canonical(device, ec);
    if (!ec) {
        uint32_t value;
        if (ReadHexAttribute(real.parent_path() / "bInterfaceNumber", value)) {
            info.interfaceNumber = static_cast<uint16_t>(value);
        }
        if (ReadHexAttribute(real.parent_path().parent_path() / "bcdDevice", value)) {
            info.versionNumber = static_cast<uint16_t>(value);
        }
    }
    if (!ReadSmallFile(device / "report_descriptor", text, kHidMaxDescriptorSize + 1)) {
        info.problem = "its report descriptor cannot be read";
    } else {
        auto parsed = HidDescriptorCache::Shared().Parse(
            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
        if (parsed) {
            info.descriptor = std::move(*parsed);
        } else {
            info.problem = parsed.error().message;
        }
    }
    if (::access(info.node.c_str(), F_OK) != 0) {
        info.accessible = false;
        if (info.problem.empty()) {
            info.problem = "its device node " + info.node + " is missing";
        }
    } else {
        info.accessible = ::access(info.node.c_str(), R_OK | W_OK) == 0;
    }
    return info;
}

namespace {

constexpr size_t kMaxKeptProbes = 64;

HidNodeInfo VirtualNode(const fs::path& socket, const VirtualHidHandshake& handshake) {
    HidNodeInfo info;
    info.kind = HidNodeKind::Virtual;
    info.name = socket.filename().string();
    info.node = socket.string();
    const VirtualHidIdentity& id = handshake.identity;
    info.bus = id.bus;
    info.vendorId = id.vendorId;
    info.productId = id.productId;
    info.versionNumber = id.versionNumber;
    info.interfaceNumber = id.interfaceNumber;
    auto parsed = HidDescriptorCache::Shared().Parse(handshake.descriptor);
    if (parsed) {
        info.descriptor = std::move(*parsed);
    } else {
        info.problem = parsed.error().message;
    }
    return info;
}

// Whether the far end of a kept connection is still there. Reports it sends
// meanwhile stay unread: the server drops them once the small queue is full.
bool StillConnected(int fd) {
    pollfd p{fd, 0, 0};
    int r;
    do {
        r = ::poll(&p, 1, 0);
    } while (r < 0 && errno == EINTR);
    return r == 0 || (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0);
}

}  // namespace

platform::Result<HidNodeInfo> VirtualEndpointProbes::Probe(const fs::path& socket) {
    struct stat st {};
    std::lock_guard lock(m_mutex);
    if (::lstat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
        m_kept.erase(socket.native());
        return Error{"no endpoint at " + socket.string(), ENOTSOCK};
    }
    const int64_t changedNs = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    auto it = m_kept.find(socket.native());
    if (it != m_kept.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
        it->second.changedNs == changedNs && StillConnected(it->second.connection.Get())) {
        return it->second.info;
    }
    if (it != m_kept.end())
        m_kept.erase(it);
    auto conn = ConnectVirtualHid(socket, 200);
    if (!conn) {
        return conn.error();
    }
    HidNodeInfo info = VirtualNode(socket, conn->handshake);
    if (m_kept.size() >= kMaxKeptProbes) {
        m_kept.clear();  // endpoints that came and went; keep the fresh ones from now on
    }
    m_kept.emplace(socket.native(),
                   Kept{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                        changedNs, std::move(conn->fd), info});
    return info;
}

VirtualEndpointProbes& VirtualEndpointProbes::Shared() {
    static VirtualEndpointProbes probes;
    return probes;
}

void AppendInterfaces(const HidNodeInfo& node, std::vector<HidInterfaceInfo>& out) {
    if (!node.descriptor) {
        return;
    }
    const size_t n = node.descriptor->collections.size();
    for (size_t i = 0; i < n; ++i) {
        const HidCollection& c = node.descriptor->collections[i];
        HidInterfaceInfo info;
        info.kind = node.kind;
        info.node = node.node;
        info.bus = node.bus;
        info.vendorId = node.vendorId;
        info.productId = node.productId;
        info.versionNumber = node.versionNumber;
        info.interfaceNumber = node.interfaceNumber;
        info.collectionNumber = n == 1 ? 0 : static_cast<uint16_t>(i + 1);
        info.usagePage = c.caps.usagePage;
        info.usage = c.caps.usage;
        info.descriptor = node.descriptor;
        info.collectionIndex = i;
        info.path = MakeInterfacePath(node.kind, node.node, node.vendorId, node.productId,
                                      node.interfaceNumber, info.collectionNumber);
        out.push_back(std::move(info));
    }
}

HidEnumerator::HidEnumerator(HidRoots roots) : m_roots(std::move(roots)) {}

namespace {

// Names in a folder, sorted; false when the folder exists but cannot be read.
bool ListFolder(const fs::path& folder, std::vector<std::string>& names, bool& exists) {
    names.clear();
    std::error_code ec;
    exists = fs::exists(folder, ec);
    if (!exists) {
        return true;
    }
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return false;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            return false;
        }
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), NameOrder);
    return true;
}

}  // namespace

std::vector<HidNodeInfo> HidEnumerator::Nodes() {
    std::vector<HidNodeInfo> nodes;
    std::vector<std::string> names;
    bool exists = false;
    if (m_roots.hidraw && ListFolder(m_roots.sysfsHidraw, names, exists)) {
        std::unordered_map<std::string, KnownNode> known;
        for (const std::string& name : names) {
            struct stat st {};
            if (::stat((m_roots.sysfsHidraw / name).c_str(), &st) != 0) {
                continue;  // gone since the folder was listed
            }
            KnownNode k;
            k.device = st.st_dev;
            k.inode = st.st_ino;
            k.changedNs = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
            auto it = m_known.find(name);
            if (it != m_known.end() && it->second.device == k.device &&
                it->second.inode == k.inode && it->second.changedNs == k.changedNs) {
                k.info = std::move(it->second.info);
                // Permissions change when udev applies its rules after plugging.
                if (!k.info.node.empty() && k.info.descriptor) {
                    k.info.accessible = ::access(k.info.node.c_str(), R_OK | W_OK) == 0;
                }
            } else if (auto node = ReadHidrawNode(m_roots, name)) {
                k.info = std::move(*node);
            } else {
                k.info.name = name;
                k.info.node = (m_roots.devFolder / name).string();
                k.info.problem = node.error().message;
            }
            nodes.push_back(k.info);
            known.emplace(name, std::move(k));
        }
        m_known = std::move(known);
    }
    if (m_roots.virtualEndpoints) {
        // Found once: asking again would create the runtime folder every pass.
        if (m_virtualFolder.empty()) {
            m_virtualFolder = VirtualHidFolder(m_roots);
        }
        const fs::path& folder = m_virtualFolder;
        if (!folder.empty() && ListFolder(folder, names, exists)) {
            for (const std::string& name : names) {
                const fs::path socket = folder / name;
                auto node = VirtualEndpointProbes::Shared().Probe(socket);
                if (node) {
                    nodes.push_back(std::move(*node));
                } else if (node.error().code == ENOTSOCK) {
                    continue;  // not an endpoint, or gone since the listing
                } else {
                    HidNodeInfo broken;
                    broken.kind = HidNodeKind::Virtual;
                    broken.name = name;
                    broken.node = socket.string();
                    broken.problem = "not served: " + node.error().message;
                    nodes.push_back(std::move(broken));
                }
            }
        }
    }
    return nodes;
}

platform::Result<std::vector<HidInterfaceInfo>> HidEnumerator::Interfaces() {
    // A missing sysfs folder is a machine without hidraw, not an error.
    if (m_roots.hidraw && ::access(m_roots.sysfsHidraw.c_str(), R_OK | X_OK) != 0 &&
        errno != ENOENT) {
        return platform::ErrnoError("cannot read " + m_roots.sysfsHidraw.string(), errno);
    }
    std::vector<HidInterfaceInfo> out;
    for (const HidNodeInfo& node : Nodes()) {
        AppendInterfaces(node, out);
    }
    return out;
}

}  // namespace transport
