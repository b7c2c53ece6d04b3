#include "transport/hid_channel.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "transport/virtual_hid.h"

namespace transport {

namespace fs = std::filesystem;
using platform::ErrnoError;
using platform::Error;

namespace {

constexpr int kVirtualConnectTimeoutMs = 1000;

bool Has(HidAccess access, HidAccess bit) {
    return (static_cast<unsigned>(access) & static_cast<unsigned>(bit)) != 0;
}

// The descriptor and ids of an open hidraw node, asked of the kernel.
platform::Result<HidNodeInfo> AskHidraw(int fd, const std::string& node) {
    HidNodeInfo info;
    info.node = node;
    hidraw_devinfo devinfo{};
    if (::ioctl(fd, HIDIOCGRAWINFO, &devinfo) != 0) {
        return ErrnoError("HIDIOCGRAWINFO " + node, errno);
    }
    info.bus = static_cast<uint16_t>(devinfo.bustype);
    info.vendorId = static_cast<uint16_t>(devinfo.vendor);
    info.productId = static_cast<uint16_t>(devinfo.product);
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) != 0) {
        return ErrnoError("HIDIOCGRDESCSIZE " + node, errno);
    }
    hidraw_report_descriptor desc{};
    desc.size = static_cast<uint32_t>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE));
    if (::ioctl(fd, HIDIOCGRDESC, &desc) != 0) {
        return ErrnoError("HIDIOCGRDESC " + node, errno);
    }
    auto parsed = HidDescriptorCache::Shared().Parse(std::span(desc.value, desc.size));
    if (!parsed) {
        return parsed.error();
    }
    info.descriptor = std::move(*parsed);
    return info;
}

int PollTimeout(Millis timeout, std::chrono::steady_clock::time_point deadline) {
    if (timeout.count() < 0) {
        return -1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
}

// Waits until the device is ready for `events` (POLLIN or POLLOUT); an error
// when the time-out passes, the channel is closed or the device goes away.
std::optional<Error> WaitReady(int deviceFd, int cancelFd, short events, Millis timeout,
                               std::chrono::steady_clock::time_point deadline,
                               const char* timedOut) {
    for (;;) {
        pollfd fds[2] = {{deviceFd, events, 0}, {cancelFd, POLLIN, 0}};
        const int r = ::poll(fds, 2, PollTimeout(timeout, deadline));
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrnoError("poll", errno);
        }
        if (r == 0) {
            return Error{timedOut, ETIMEDOUT};
        }
        if (fds[1].revents != 0) {
            return Error{"the channel was closed", ECANCELED};
        }
        if ((fds[0].revents & events) == 0) {
            return Error{"the device went away", ENODEV};
        }
        return std::nullopt;
    }
}

}  // namespace

CHidChannel::CHidChannel() : m_cancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CHidChannel::~CHidChannel() {
    Close();
}

// --- Path list -------------------------------------------------------------

bool CHidChannel::EnumeratePaths() {
    FreePaths();
    if (!m_enumerator || !(m_enumerator->Roots() == CurrentHidRoots())) {
        m_enumerator = std::make_unique<HidEnumerator>(CurrentHidRoots());
    }
    auto interfaces = m_enumerator->Interfaces();
    if (!interfaces) {
        return false;
    }
    m_paths.reserve(interfaces->size());
    for (HidInterfaceInfo& info : *interfaces) {
        m_paths.push_back(std::move(info.path));
    }
    return true;
}

const std::string* CHidChannel::NextPath() {
    if (m_cursor >= m_paths.size()) {
        return nullptr;
    }
    return &m_paths[m_cursor++];
}

void CHidChannel::FreePaths() {
    m_paths.clear();
    m_cursor = 0;
}

bool CHidChannel::PathPresent(std::string_view path) {
    const HidPathLocation loc = ParsePathLocation(path);
    const HidPathIds ids = ParseInterfacePath(path);
    if (loc.kind == HidNodeKind::Virtual) {
        auto node = VirtualEndpointProbes::Shared().Probe(loc.node);
        return node && node->vendorId == ids.vendorId && node->productId == ids.productId;
    }
    struct stat st {};
    if (loc.node.empty() || ::stat(loc.node.c_str(), &st) != 0) {
        return false;
    }
    // A node number can be taken over by another device: check who it is now.
    const HidRoots roots = CurrentHidRoots();
    auto info = ReadHidrawNode(roots, fs::path(loc.node).filename().string());
    if (!info) {
        std::error_code ec;
        return !fs::exists(roots.sysfsHidraw, ec);  // no sysfs to ask: trust the node
    }
    return info->vendorId == ids.vendorId && info->productId == ids.productId;
}

// --- Open and close --------------------------------------------------------

bool CHidChannel::Fail(platform::Error& slot, platform::Error error) {
    std::lock_guard lock(m_mutex);
    slot = std::move(error);
    return false;
}

bool CHidChannel::Open(std::string_view path, HidAccess access, HidSharing sharing) {
    Close();
    m_access = access;
    m_sharing = sharing;
    m_path = std::string(path);
    if (!m_cancelFd) {
        return Fail(m_openError, Error{"no cancel event for the channel", EMFILE});
    }

    const HidPathLocation loc = ParsePathLocation(path);
    const HidPathIds ids = ParseInterfacePath(path);
    HidNodeInfo node;
    platform::UniqueFd fd;
    if (loc.kind == HidNodeKind::Virtual) {
        auto conn = ConnectVirtualHid(loc.node, kVirtualConnectTimeoutMs);
        if (!conn) {
            return Fail(m_openError, conn.error());
        }
        auto parsed = HidDescriptorCache::Shared().Parse(conn->handshake.descriptor);
        if (!parsed) {
            return Fail(m_openError, parsed.error());
        }
        const VirtualHidIdentity& id = conn->handshake.identity;
        node.kind = HidNodeKind::Virtual;
        node.node = loc.node;
        node.bus = id.bus;
        node.vendorId = id.vendorId;
        node.productId = id.productId;
        node.versionNumber = id.versionNumber;
        node.interfaceNumber = id.interfaceNumber;
        node.descriptor = std::move(*parsed);
        fd = std::move(conn->fd);
    } else {
        int flags = O_CLOEXEC | O_NONBLOCK;
        switch (access) {
            case HidAccess::None:
                flags |= O_PATH;
                break;
            case HidAccess::Read:
                flags |= O_RDONLY;
                break;
            case HidAccess::Write:
                flags |= O_WRONLY;
                break;
            case HidAccess::ReadWrite:
                flags |= O_RDWR;
                break;
        }
        fd.Reset(::open(loc.node.c_str(), flags));
        if (!fd) {
            return Fail(m_openError, ErrnoError("open " + loc.node, errno));
        }
        if (access != HidAccess::None &&
            ::flock(fd.Get(), (sharing == HidSharing::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) !=
                0) {
            return Fail(m_openError, Error{loc.node + " is held exclusively elsewhere", EBUSY});
        }
        auto sysfs = ReadHidrawNode(CurrentHidRoots(), fs::path(loc.node).filename().string());
        if (sysfs && sysfs->descriptor) {
            node = std::move(*sysfs);
            node.node = loc.node;
        } else {
            auto asked = AskHidraw(fd.Get(), loc.node);
            if (!asked) {
                return Fail(m_openError, asked.error());
            }
            node = std::move(*asked);
        }
        node.kind = HidNodeKind::Hidraw;
    }
    if (node.vendorId != ids.vendorId || node.productId != ids.productId) {
        return Fail(m_openError,
                    Error{"the device at " + loc.node + " is not the one the path names", ENODEV});
    }
    const std::vector<HidCollection>& collections = node.descriptor->collections;
    size_t index = 0;
    if (ids.collectionNumber == 0) {
        if (collections.size() != 1) {
            return Fail(m_openError, Error{"the path names no collection of " + loc.node, ENOENT});
        }
    } else if (ids.collectionNumber > collections.size()) {
        return Fail(m_openError, Error{"no collection " + std::to_string(ids.collectionNumber) +
                                           " on " + loc.node,
                                       ENOENT});
    } else {
        index = ids.collectionNumber - 1;
    }

    std::lock_guard lock(m_mutex);
    m_nodeKind = node.kind;
    m_fd = std::move(fd);
    m_descriptor = node.descriptor;
    m_collection = &m_descriptor->collections[index];
    m_prefixReportId = m_nodeKind == HidNodeKind::Hidraw && !m_descriptor->usesReportIds;
    m_caps = m_collection->caps;
    m_attributes = {node.vendorId, node.productId, node.versionNumber};
    m_interfaceNumber = ids.interfaceNumber;
    m_collectionNumber = ids.collectionNumber;
    for (int k = 0; k < kHidReportKinds; ++k) {
        const auto kind = static_cast<HidReportKind>(k);
        const uint16_t lengths[kHidReportKinds] = {m_caps.inputReportByteLength,
                                                   m_caps.outputReportByteLength,
                                                   m_caps.featureReportByteLength};
        m_buffers[k].assign(lengths[k], 0);
        m_items[k] = BuildReportItems(*m_collection, kind);
    }
    // Reports of every collection of the interface arrive; room for the longest.
    size_t longest = 2;
    for (const HidCollection& c : collections) {
        longest = std::max<size_t>(longest, c.caps.inputReportByteLength);
    }
    m_readBuffer.assign(longest, 0);
    m_writeBuffer.assign(std::max<size_t>(m_caps.outputReportByteLength, 1), 0);
    m_open = true;
    m_openError = {};
    return true;
}

void CHidChannel::Close() {
    std::unique_lock lock(m_mutex);
    if (!m_open) {
        return;
    }
    // Release every waiting call, then wait until they have left.
    m_closing = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(m_cancelFd.Get(), &one, sizeof one);
    m_idle.wait(lock, [this] { return m_busy == 0; });
    uint64_t drained;
    [[maybe_unused]] ssize_t r = ::read(m_cancelFd.Get(), &drained, sizeof drained);
    m_fd.Reset();
    m_open = false;
    m_closing = false;
    m_collection = nullptr;
    m_descriptor.reset();
    for (int k = 0; k < kHidReportKinds; ++k) {
        m_buffers[k].clear();
        m_items[k].clear();
    }
    m_caps = {};
    m_attributes = {};
    m_interfaceNumber = 0;
    m_collectionNumber = 0;
}

bool CHidChannel::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

// --- Report I/O --------------------------------------------------------------

bool CHidChannel::BeginIo(bool reading) {
    std::lock_guard lock(m_mutex);
    platform::Error& slot = reading ? m_readError : m_writeError;
    if (!m_open || m_closing) {
        slot = Error{"the channel is not open", EBADF};
        return false;
    }
    if (!Has(m_access, reading ? HidAccess::Read : HidAccess::Write)) {
        slot = Error{reading ? "the channel was not opened for reading"
                             : "the channel was not opened for writing",
                     EBADF};
        return false;
    }
    ++m_busy;
    (reading ? m_readPending : m_writePending) = true;
    return true;
}

void CHidChannel::EndIo(bool reading) {
    std::lock_guard lock(m_mutex);
    (reading ? m_readPending : m_writePending) = false;
    if (--m_busy == 0) {
        m_idle.notify_all();
    }
}

bool CHidChannel::AcceptInputReport(std::span<const uint8_t> report) const {
    return !report.empty() && m_collection->HasReportId(HidReportKind::Input, report[0]);
}

bool CHidChannel::Read(std::span<uint8_t> buffer, size_t& transferred, Millis timeout) {
    transferred = 0;
    if (buffer.empty()) {
        return Fail(m_readError, Error{"read into an empty buffer", EINVAL});
    }
    if (!BeginIo(true)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const size_t skip = m_prefixReportId ? 1 : 0;
    Error error;
    bool ok = false;
    for (;;) {
        if (auto failed = WaitReady(m_fd.Get(), m_cancelFd.Get(), POLLIN, timeout, deadline,
                                    "no report within the time-out")) {
            error = std::move(*failed);
            break;
        }
        const ssize_t n =
            m_nodeKind == HidNodeKind::Virtual
                ? ::recv(m_fd.Get(), m_readBuffer.data(), m_readBuffer.size(), MSG_DONTWAIT)
                : ::read(m_fd.Get(), m_readBuffer.data() + skip, m_readBuffer.size() - skip);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            error = n == 0 ? Error{"the device went away", ENODEV}
                           : ErrnoError("read " + m_path, errno);
            break;
        }
        if (skip != 0) {
            m_readBuffer[0] = 0;
        }
        const size_t length = static_cast<size_t>(n) + skip;
        const std::span<const uint8_t> report(m_readBuffer.data(), length);
        if (!AcceptInputReport(report)) {
            continue;  // another collection's report
        }
        transferred = std::min(length, buffer.size());
        std::copy_n(report.begin(), transferred, buffer.begin());
        ok = true;
        break;
    }
    EndIo(true);
    return ok ? true : Fail(m_readError, std::move(error));
}

bool CHidChannel::Write(std::span<const uint8_t> report, size_t& transferred, Millis timeout) {
    transferred = 0;
    if (!BeginIo(false)) {
        return false;
    }
    const size_t length = m_caps.outputReportByteLength;
    Error error;
    bool ok = false;
    if (length == 0) {
        error = Error{"the collection has no output reports", EINVAL};
    } else if (report.empty() || report.size() > length) {
        error = Error{"output report of " + std::to_string(report.size()) +
                          " bytes; the collection takes " + std::to_string(length),
                      EINVAL};
    } else if (!m_collection->HasReportId(HidReportKind::Output, report[0])) {
        error = Error{"report id " + std::to_string(report[0]) +
                          " is not an output report of "
                          "the collection",
                      EINVAL};
    } else {
        std::copy(report.begin(), report.end(), m_writeBuffer.begin());
        std::fill(m_writeBuffer.begin() + static_cast<ptrdiff_t>(report.size()),
                  m_writeBuffer.begin() + static_cast<ptrdiff_t>(length), 0);
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto failed = WaitReady(m_fd.Get(), m_cancelFd.Get(), POLLOUT, timeout, deadline,
                                        "the device took no report within the time-out")) {
                error = std::move(*failed);
                break;
            }
            const ssize_t n =
                m_nodeKind == HidNodeKind::Virtual
                    ? ::send(m_fd.Get(), m_writeBuffer.data(), length, MSG_DONTWAIT | MSG_NOSIGNAL)
                    : ::write(m_fd.Get(), m_writeBuffer.data(), length);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (n < 0) {
                error = errno == EPIPE || errno == ECONNRESET || errno == ENODEV
                            ? Error{"the device went away", ENODEV}
                            : ErrnoError("write " + m_path, errno);
                break;
            }
            if (static_cast<size_t>(n) != length) {
                error = Error{"the device took only part of the report", EIO};
                break;
            }
            transferred = length;
            ok = true;
            break;
        }
    }
    EndIo(false);
    return ok ? true : Fail(m_writeError, std::move(error));
}

platform::Error CHidChannel::OpenError() const {
    std::lock_guard lock(m_mutex);
    return m_openError;
}

platform::Error CHidChannel::ReadError() const {
    std::lock_guard lock(m_mutex);
    return m_readError;
}

platform::Error CHidChannel::WriteError() const {
    std::lock_guard lock(m_mutex);
    return m_writeError;
}

// --- Description and decoding -------------------------------------------------

std::span<uint8_t> CHidChannel::ReportBuffer(HidReportKind kind) {
    return m_buffers[static_cast<size_t>(kind)];
}

std::span<const HidReportItem> CHidChannel::Items(HidReportKind kind) const {
    return m_items[static_cast<size_t>(kind)];
}

std::span<const HidButtonCaps> CHidChannel::ButtonCaps(HidReportKind kind) const {
    if (m_collection == nullptr) {
        return {};
    }
    return m_collection->buttonCaps[static_cast<size_t>(kind)];
}

std::span<const HidValueCaps> CHidChannel::ValueCaps(HidReportKind kind) const {
    if (m_collection == nullptr) {
        return {};
    }
    return m_collection->valueCaps[static_cast<size_t>(kind)];
}

std::span<const uint16_t> CHidChannel::FirstInputUsageList() const {
    const std::vector<HidReportItem>& items = m_items[0];
    if (items.empty()) {
        return {};
    }
    return items.front().usageList;
}

bool CHidChannel::UnpackInputReport(std::span<const uint8_t> report) {
    if (m_collection == nullptr) {
        return false;
    }
    return UnpackReport(*m_collection, HidReportKind::Input, report, m_items[0]);
}

}  // namespace transport
