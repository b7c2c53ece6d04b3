#include "transport/virtual_hid.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/paths.h"
#include "platform/trace.h"
#include "platform/unique_fd.h"
#include "transport/hid_descriptor.h"
#include "transport/hid_path.h"

namespace transport {

namespace fs = std::filesystem;
using platform::ErrnoError;
using platform::Error;
using platform::UniqueFd;

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

uint16_t Get16(std::span<const uint8_t> in, size_t at) {
    return static_cast<uint16_t>(in[at] | (in[at + 1] << 8));
}

platform::Result<sockaddr_un> SocketAddress(const fs::path& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string& s = path.native();
    if (s.empty() || s.size() >= sizeof addr.sun_path) {
        return Error{"socket path too long: " + s, ENAMETOOLONG};
    }
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return addr;
}

}  // namespace

std::vector<uint8_t> EncodeVirtualHidHandshake(const VirtualHidIdentity& id,
                                               std::span<const uint8_t> descriptor) {
    const size_t n = std::min(descriptor.size(), kHidMaxDescriptorSize);
    std::vector<uint8_t> out(kVirtualHidHeaderSize + n);
    std::memcpy(out.data(), kVirtualHidMagic, sizeof kVirtualHidMagic);
    Put16(out, 6, id.bus);
    Put16(out, 8, id.vendorId);
    Put16(out, 10, id.productId);
    Put16(out, 12, id.versionNumber);
    Put16(out, 14, id.interfaceNumber);
    Put16(out, 16, static_cast<uint16_t>(n));
    std::copy_n(descriptor.begin(), n, out.begin() + kVirtualHidHeaderSize);
    return out;
}

platform::Result<VirtualHidHandshake> DecodeVirtualHidHandshake(std::span<const uint8_t> m) {
    if (m.size() < kVirtualHidHeaderSize ||
        std::memcmp(m.data(), kVirtualHidMagic, sizeof kVirtualHidMagic) != 0) {
        return Error{"not a virtual HID handshake", EPROTO};
    }
    const uint16_t n = Get16(m, 16);
    if (n > kHidMaxDescriptorSize || m.size() != kVirtualHidHeaderSize + n) {
        return Error{"virtual HID handshake has a bad descriptor length", EPROTO};
    }
    VirtualHidHandshake h;
    h.identity.bus = Get16(m, 6);
    h.identity.vendorId = Get16(m, 8);
    h.identity.productId = Get16(m, 10);
    h.identity.versionNumber = Get16(m, 12);
    h.identity.interfaceNumber = Get16(m, 14);
    h.descriptor.assign(m.begin() + kVirtualHidHeaderSize, m.end());
    return h;
}

platform::Result<VirtualHidConnection> ConnectVirtualHid(const fs::path& socketPath,
                                                         int timeoutMs) {
    auto addr = SocketAddress(socketPath);
    if (!addr) {
        return addr.error();
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd) {
        return ErrnoError("socket", errno);
    }
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&*addr), sizeof *addr) != 0) {
        return ErrnoError("connect " + socketPath.string(), errno);
    }
    pollfd p{fd.Get(), POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) {
        return Error{"no handshake from " + socketPath.string(), r == 0 ? ETIMEDOUT : errno};
    }
    std::vector<uint8_t> buf(kVirtualHidHeaderSize + kHidMaxDescriptorSize + 1);
    const ssize_t n = ::recv(fd.Get(), buf.data(), buf.size(), MSG_DONTWAIT);
    if (n <= 0) {
        return Error{"no handshake from " + socketPath.string(), n == 0 ? ECONNRESET : errno};
    }
    auto h = DecodeVirtualHidHandshake(std::span<const uint8_t>(buf.data(), size_t(n)));
    if (!h) {
        return h.error();
    }
    VirtualHidConnection c;
    c.fd = std::move(fd);
    c.handshake = std::move(*h);
    return c;
}

struct VirtualHidEndpoint::Impl {
    VirtualHidIdentity identity;
    std::vector<uint8_t> descriptor;
    std::vector<uint8_t> handshake;
    fs::path socketPath;
    OutputHandler onOutput;

    UniqueFd wakeFd;
    std::thread thread;
    std::thread::id loopId;

    mutable std::mutex mutex;
    std::condition_variable changed;
    UniqueFd listenFd;       // valid while plugged
    std::vector<int> hosts;  // owned; closed only on the loop thread or after it ends
    bool plugged = false;
    bool stopping = false;
    uint64_t generation = 0;     // bumped by every unplug and replug
    uint64_t closeRequests = 0;  // unplugs waiting for the loop to close their fds
    uint64_t closesDone = 0;

    ~Impl() { CloseAll(); }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t r = ::write(wakeFd.Get(), &one, sizeof one);
    }

    platform::Status Listen() {
        auto addr = SocketAddress(socketPath);
        if (!addr) {
            return addr.error();
        }
        struct stat st {};
        if (::lstat(socketPath.c_str(), &st) == 0) {
            if (!S_ISSOCK(st.st_mode)) {
                return Error{socketPath.string() + " exists and is not a socket", EEXIST};
            }
            UniqueFd probe(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
            if (probe && ::connect(probe.Get(), reinterpret_cast<const sockaddr*>(&*addr),
                                   sizeof *addr) == 0) {
                return Error{socketPath.string() + " is served by another process", EADDRINUSE};
            }
            ::unlink(socketPath.c_str());  // left behind by a server that died
        }
        UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd) {
            return ErrnoError("socket", errno);
        }
        if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&*addr), sizeof *addr) != 0) {
            return ErrnoError("bind " + socketPath.string(), errno);
        }
        ::chmod(socketPath.c_str(), 0600);
        if (::listen(fd.Get(), 16) != 0) {
            const int err = errno;
            ::unlink(socketPath.c_str());
            return ErrnoError("listen " + socketPath.string(), err);
        }
        listenFd = std::move(fd);
        return {};
    }

    // With the mutex held.
    void CloseAll() {
        for (int fd : hosts) {
            ::close(fd);
        }
        hosts.clear();
        listenFd.Reset();
    }

    void Accept() {
        UniqueFd fd(::accept4(listenFd.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            return;
        }
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(fd.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 ||
            cred.uid != ::geteuid()) {
            platform::Trace("vhid: refused a host of another user");
            return;
        }
        if (::send(fd.Get(), handshake.data(), handshake.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(handshake.size())) {
            return;
        }
        hosts.push_back(fd.Release());
    }

    void CloseHost(int fd) {
        auto it = std::find(hosts.begin(), hosts.end(), fd);
        if (it != hosts.end()) {
            ::close(fd);
            hosts.erase(it);
        }
    }

    void Loop() {
        std::vector<pollfd> fds;
        std::vector<uint8_t> buf(kHidMaxReportBytes);
        for (;;) {
            uint64_t gen;
            {
                std::lock_guard lock(mutex);
                if (stopping) {
                    return;
                }
                if (closesDone != closeRequests) {
                    CloseAll();
                    closesDone = closeRequests;
                    changed.notify_all();
                }
                gen = generation;
                fds.clear();
                fds.push_back({wakeFd.Get(), POLLIN, 0});
                if (listenFd) {
                    fds.push_back({listenFd.Get(), POLLIN, 0});
                }
                for (int h : hosts) {
                    fds.push_back({h, POLLIN, 0});
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                platform::TraceF("vhid: poll failed: %s", std::strerror(errno));
                return;
            }
            if (fds[0].revents & POLLIN) {
                uint64_t v;
                [[maybe_unused]] ssize_t r = ::read(wakeFd.Get(), &v, sizeof v);
                continue;  // state changed: start over
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].revents == 0) {
                    continue;
                }
                std::unique_lock lock(mutex);
                if (generation != gen || stopping) {
                    break;
                }
                if (listenFd && fds[i].fd == listenFd.Get()) {
                    Accept();
                    continue;
                }
                if (std::find(hosts.begin(), hosts.end(), fds[i].fd) == hosts.end()) {
                    continue;
                }
                const ssize_t n =
                    ::recv(fds[i].fd, buf.data(), buf.size(), MSG_DONTWAIT | MSG_TRUNC);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                    CloseHost(fds[i].fd);
                    continue;
                }
                if (n <= 0 || static_cast<size_t>(n) > buf.size()) {
                    continue;  // nothing, or a report larger than any HID report
                }
                OutputHandler handler = onOutput;
                lock.unlock();
                if (handler) {
                    handler(std::span<const uint8_t>(buf.data(), static_cast<size_t>(n)));
                }
            }
        }
    }
};

platform::Result<std::unique_ptr<VirtualHidEndpoint>> VirtualHidEndpoint::Create(
    VirtualHidIdentity identity, std::vector<uint8_t> descriptor, fs::path socketPath,
    OutputHandler onOutput) {
    if (descriptor.empty() || descriptor.size() > kHidMaxDescriptorSize) {
        return Error{"virtual HID descriptor must hold 1 to 4096 bytes", EINVAL};
    }
    if (socketPath.native().find('#') != std::string::npos) {
        return Error{"a virtual HID socket path may not contain '#'", EINVAL};
    }
    auto impl = std::make_unique<Impl>();
    impl->identity = identity;
    impl->handshake = EncodeVirtualHidHandshake(identity, descriptor);
    impl->descriptor = std::move(descriptor);
    impl->socketPath = std::move(socketPath);
    impl->onOutput = std::move(onOutput);
    impl->wakeFd.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!impl->wakeFd) {
        return ErrnoError("eventfd", errno);
    }
    if (platform::Status st = impl->Listen(); !st) {
        return st.error();
    }
    impl->plugged = true;
    Impl* raw = impl.get();
    impl->thread = std::thread([raw] { raw->Loop(); });
    impl->loopId = impl->thread.get_id();
    return std::unique_ptr<VirtualHidEndpoint>(new VirtualHidEndpoint(std::move(impl)));
}

platform::Result<fs::path> VirtualHidEndpoint::DefaultFolder() {
    auto runtime = platform::RuntimeFolder();
    if (!runtime) {
        return runtime.error();
    }
    fs::path folder = *runtime / "vhid";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return ErrnoError("mkdir " + folder.string(), errno);
        }
    }
    return folder;
}

VirtualHidEndpoint::VirtualHidEndpoint(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

VirtualHidEndpoint::~VirtualHidEndpoint() {
    Unplug();
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopping = true;
    }
    m_impl->Wake();
    if (m_impl->thread.joinable()) {
        m_impl->thread.join();
    }
}

const VirtualHidIdentity& VirtualHidEndpoint::Identity() const {
    return m_impl->identity;
}

const fs::path& VirtualHidEndpoint::SocketPath() const {
    return m_impl->socketPath;
}

std::string VirtualHidEndpoint::InterfacePath(uint16_t collectionNumber) const {
    return MakeInterfacePath(HidNodeKind::Virtual, m_impl->socketPath.native(),
                             m_impl->identity.vendorId, m_impl->identity.productId,
                             m_impl->identity.interfaceNumber, collectionNumber);
}

platform::Status VirtualHidEndpoint::SendInputReport(std::span<const uint8_t> report) {
    if (report.empty() || report.size() > kHidMaxReportBytes) {
        return Error{"input report must hold 1 to 16384 bytes", EINVAL};
    }
    std::lock_guard lock(m_impl->mutex);
    if (!m_impl->plugged) {
        return Error{"virtual HID device is unplugged", ENODEV};
    }
    for (int fd : m_impl->hosts) {
        // A full queue drops the report for that host only.
        [[maybe_unused]] ssize_t r =
            ::send(fd, report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    }
    return {};
}

void VirtualHidEndpoint::Unplug() {
    Impl& d = *m_impl;
    std::unique_lock lock(d.mutex);
    if (!d.plugged) {
        return;
    }
    d.plugged = false;
    ++d.generation;
    ::unlink(d.socketPath.c_str());
    if (std::this_thread::get_id() == d.loopId || !d.thread.joinable()) {
        d.CloseAll();
        return;
    }
    // Hosts see the end at once; the loop closes the descriptors it polls.
    for (int fd : d.hosts) {
        ::shutdown(fd, SHUT_RDWR);
    }
    const uint64_t request = ++d.closeRequests;
    lock.unlock();
    d.Wake();
    lock.lock();
    d.changed.wait(lock, [&] { return d.closesDone >= request || d.stopping; });
}

platform::Status VirtualHidEndpoint::Replug() {
    Impl& d = *m_impl;
    {
        std::lock_guard lock(d.mutex);
        if (d.plugged) {
            return {};
        }
        if (d.listenFd) {
            return Error{"virtual HID device is still being unplugged", EBUSY};
        }
        if (platform::Status st = d.Listen(); !st) {
            return st;
        }
        d.plugged = true;
        ++d.generation;
    }
    d.Wake();
    return {};
}

bool VirtualHidEndpoint::IsPlugged() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->plugged;
}

size_t VirtualHidEndpoint::HostCount() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->hosts.size();
}

}  // namespace transport
