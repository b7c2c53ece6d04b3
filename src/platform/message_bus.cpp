#include "platform/message_bus.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"

namespace platform {

namespace {

// Packet: a fixed little-endian header, then the message name, then the data.
constexpr uint32_t kMagic = 0x31424C51;  // "QLB1"
constexpr size_t kHeaderSize = 40;
constexpr size_t kMaxPacket = kHeaderSize + kMaxBusNameBytes + kMaxCopyDataBytes;
constexpr Millis kPeerReadTimeout{1000};

enum class Kind : uint8_t { Message = 1, CopyData = 2, Reply = 3 };
constexpr uint8_t kWantsReply = 1;

struct Packet {
    Kind kind = Kind::Message;
    uint8_t flags = 0;
    uint32_t msg = 0;  // numbers below the registered range; 0 when named
    uint64_t wParam = 0;
    int64_t lParam = 0;
    uint64_t dwData = 0;
    std::string name;
    std::span<const uint8_t> data;
};

template <class T>
void Put(std::vector<uint8_t>& out, size_t offset, T value) {
    for (size_t i = 0; i < sizeof(T); ++i) {
        out[offset + i] = static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i));
    }
}

template <class T>
T Get(std::span<const uint8_t> in, size_t offset) {
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        v |= static_cast<uint64_t>(in[offset + i]) << (8 * i);
    }
    return static_cast<T>(v);
}

std::vector<uint8_t> Encode(const Packet& p) {
    std::vector<uint8_t> out(kHeaderSize + p.name.size() + p.data.size());
    Put<uint32_t>(out, 0, kMagic);
    out[4] = static_cast<uint8_t>(p.kind);
    out[5] = p.flags;
    Put<uint16_t>(out, 6, static_cast<uint16_t>(p.name.size()));
    Put<uint32_t>(out, 8, p.msg);
    Put<uint64_t>(out, 12, p.wParam);
    Put<int64_t>(out, 20, p.lParam);
    Put<uint64_t>(out, 28, p.dwData);
    Put<uint32_t>(out, 36, static_cast<uint32_t>(p.data.size()));
    std::memcpy(out.data() + kHeaderSize, p.name.data(), p.name.size());
    if (!p.data.empty()) {
        std::memcpy(out.data() + kHeaderSize + p.name.size(), p.data.data(), p.data.size());
    }
    return out;
}

// Every length in the header must agree with the packet's real size.
std::optional<Packet> Decode(std::span<const uint8_t> in) {
    if (in.size() < kHeaderSize || Get<uint32_t>(in, 0) != kMagic) {
        return std::nullopt;
    }
    Packet p;
    const uint8_t kind = in[4];
    if (kind < 1 || kind > 3) {
        return std::nullopt;
    }
    p.kind = static_cast<Kind>(kind);
    p.flags = in[5];
    const size_t nameLen = Get<uint16_t>(in, 6);
    p.msg = Get<uint32_t>(in, 8);
    p.wParam = Get<uint64_t>(in, 12);
    p.lParam = Get<int64_t>(in, 20);
    p.dwData = Get<uint64_t>(in, 28);
    const size_t dataLen = Get<uint32_t>(in, 36);
    if (nameLen > kMaxBusNameBytes || dataLen > kMaxCopyDataBytes ||
        in.size() != kHeaderSize + nameLen + dataLen) {
        return std::nullopt;
    }
    p.name.assign(reinterpret_cast<const char*>(in.data() + kHeaderSize), nameLen);
    p.data = in.subspan(kHeaderSize + nameLen, dataLen);
    if (p.kind == Kind::Message) {
        const bool named = nameLen > 0;
        if (named == (p.msg != 0) || (!named && p.msg >= kFirstRegisteredMessage) ||
            p.name.find('\0') != std::string::npos) {
            return std::nullopt;
        }
    }
    return p;
}

// A window name as a file name: letters, digits, '_' and '-' stay, the rest is %XX.
std::string EncodeName(std::string_view window) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : window) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool MakeAddress(const std::filesystem::path& path, sockaddr_un* addr) {
    const std::string s = path.string();
    if (s.size() >= sizeof(addr->sun_path)) {
        return false;
    }
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    std::memcpy(addr->sun_path, s.c_str(), s.size() + 1);
    return true;
}

std::optional<uid_t> PeerUid(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) {
        return std::nullopt;
    }
    return cred.uid;
}

// Connects to an endpoint; a refused connection means its owner is gone.
UniqueFd Connect(const std::filesystem::path& path, bool* stale) {
    *stale = false;
    sockaddr_un addr{};
    if (!MakeAddress(path, &addr)) {
        return {};
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd) {
        return {};
    }
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        *stale = errno == ECONNREFUSED || errno == ENOENT;
        return {};
    }
    std::optional<uid_t> peer = PeerUid(fd.Get());
    if (!peer || *peer != ::getuid()) {
        Trace("bus: endpoint " + path.string() + " belongs to another user; ignored");
        return {};
    }
    return fd;
}

bool WaitReadable(int fd, int wakeFd, Millis timeout) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const nfds_t count = wakeFd >= 0 ? 2 : 1;
    int n = 0;
    do {
        n = ::poll(fds, count, static_cast<int>(timeout.count()));
    } while (n < 0 && errno == EINTR);
    return n > 0 && (fds[0].revents & (POLLIN | POLLHUP)) != 0 &&
           (count == 1 || (fds[1].revents & POLLIN) == 0);
}

bool SendPacket(int fd, const Packet& p) {
    const std::vector<uint8_t> bytes = Encode(p);
    ssize_t n = 0;
    do {
        n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(bytes.size());
}

// Turns a message number into what travels: its registered name, or the number.
bool Describe(uint32_t msg, Packet* p) {
    if (msg >= kFirstRegisteredMessage) {
        std::optional<std::string> name = RegisteredMessageName(msg);
        if (!name || name->size() > kMaxBusNameBytes) {
            return false;
        }
        p->name = *name;
        p->msg = 0;
        return true;
    }
    if (msg == 0) {
        return false;
    }
    p->msg = msg;
    return true;
}

std::optional<intptr_t> Exchange(const std::filesystem::path& endpoint, const Packet& p,
                                 Millis timeout) {
    bool stale = false;
    UniqueFd fd = Connect(endpoint, &stale);
    if (!fd || !SendPacket(fd.Get(), p)) {
        return std::nullopt;
    }
    if (!WaitReadable(fd.Get(), -1, timeout)) {
        return std::nullopt;
    }
    std::array<uint8_t, kHeaderSize> buffer{};
    const ssize_t n = ::recv(fd.Get(), buffer.data(), buffer.size(), MSG_TRUNC);
    if (n != static_cast<ssize_t>(kHeaderSize)) {
        return std::nullopt;
    }
    std::optional<Packet> reply = Decode(buffer);
    if (!reply || reply->kind != Kind::Reply) {
        return std::nullopt;
    }
    return static_cast<intptr_t>(reply->lParam);
}

}  // namespace

Result<MessageBus> MessageBus::ForCurrentUser() {
    Result<std::filesystem::path> runtime = RuntimeFolder();
    if (!runtime) {
        return runtime.error();
    }
    const std::filesystem::path folder = *runtime / "bus";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return ErrnoError("cannot create " + folder.string(), errno);
    }
    Status checked = CheckPrivateFolder(folder, ::getuid());
    if (!checked) {
        return checked.error();
    }
    return MessageBus(folder);
}

MessageBus::MessageBus(std::filesystem::path folder) : m_folder(std::move(folder)) {}

std::vector<std::filesystem::path> MessageBus::Endpoints(std::string_view window) const {
    std::vector<std::filesystem::path> found;
    const std::string prefix = window.empty() ? std::string() : EncodeName(window) + "@";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_folder, ec)) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".sock") || file.find('@') == std::string::npos ||
            (!prefix.empty() && !file.starts_with(prefix))) {
            continue;
        }
        bool stale = false;
        UniqueFd probe = Connect(entry.path(), &stale);
        if (stale) {
            std::filesystem::remove(entry.path(), ec);
            continue;
        }
        if (probe) {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool MessageBus::Exists(std::string_view window) const {
    return !Endpoints(window).empty();
}

Status MessageBus::Post(std::string_view window, uint32_t msg, uintptr_t wParam,
                        intptr_t lParam) const {
    Packet p;
    if (!Describe(msg, &p)) {
        return Error{"message cannot travel on the bus", EINVAL};
    }
    p.wParam = wParam;
    p.lParam = lParam;
    for (const auto& endpoint : Endpoints(window)) {
        bool stale = false;
        UniqueFd fd = Connect(endpoint, &stale);
        if (fd && SendPacket(fd.Get(), p)) {
            return {};
        }
    }
    return Error{"no window named " + std::string(window), ENOENT};
}

std::optional<intptr_t> MessageBus::Send(std::string_view window, uint32_t msg, uintptr_t wParam,
                                         intptr_t lParam, Millis timeout) const {
    Packet p;
    if (!Describe(msg, &p)) {
        return std::nullopt;
    }
    p.flags = kWantsReply;
    p.wParam = wParam;
    p.lParam = lParam;
    for (const auto& endpoint : Endpoints(window)) {
        return Exchange(endpoint, p, timeout);
    }
    return std::nullopt;
}

std::optional<intptr_t> MessageBus::SendCopyData(std::string_view window, uintptr_t wParam,
                                                 uint64_t dwData, std::span<const uint8_t> data,
                                                 Millis timeout) const {
    if (data.size() > kMaxCopyDataBytes) {
        Trace("bus: copy-data block too large; not sent");
        return std::nullopt;
    }
    Packet p;
    p.kind = Kind::CopyData;
    p.flags = kWantsReply;
    p.wParam = wParam;
    p.dwData = dwData;
    p.data = data;
    for (const auto& endpoint : Endpoints(window)) {
        return Exchange(endpoint, p, timeout);
    }
    return std::nullopt;
}

size_t MessageBus::Broadcast(uint32_t msg, uintptr_t wParam, intptr_t lParam) const {
    Packet p;
    if (!Describe(msg, &p)) {
        return 0;
    }
    p.wParam = wParam;
    p.lParam = lParam;
    size_t reached = 0;
    for (const auto& endpoint : Endpoints({})) {
        bool stale = false;
        UniqueFd fd = Connect(endpoint, &stale);
        if (fd && SendPacket(fd.Get(), p)) {
            ++reached;
        }
    }
    return reached;
}

Result<std::unique_ptr<BusEndpoint>> BusEndpoint::Open(const MessageBus& bus, std::string window,
                                                       MessageLoop& loop, WindowHandle target,
                                                       uid_t allowedPeer) {
    if (window.empty() || window.size() > kMaxBusNameBytes) {
        return Error{"bad window name", EINVAL};
    }
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path path =
        bus.Folder() / (EncodeName(window) + "@" + std::to_string(::getpid()) + "-" +
                        std::to_string(counter.fetch_add(1)) + ".sock");
    sockaddr_un addr{};
    if (!MakeAddress(path, &addr)) {
        return Error{"socket path too long: " + path.string(), ENAMETOOLONG};
    }
    UniqueFd listener(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener) {
        return ErrnoError("cannot create socket", errno);
    }
    ::unlink(path.c_str());
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        return ErrnoError("cannot bind " + path.string(), errno);
    }
    if (::listen(listener.Get(), 16) != 0) {
        const int err = errno;
        ::unlink(path.c_str());
        return ErrnoError("cannot listen on " + path.string(), err);
    }
    std::unique_ptr<BusEndpoint> endpoint(
        new BusEndpoint(path, std::move(listener), loop, target, allowedPeer));
    if (!endpoint->m_wake) {
        return ErrnoError("cannot create eventfd", errno);
    }
    BusEndpoint* self = endpoint.get();
    endpoint->m_thread.Start("bus-endpoint", [self](Event& stop) { self->Serve(stop); });
    return endpoint;
}

BusEndpoint::BusEndpoint(std::filesystem::path path, UniqueFd listener, MessageLoop& loop,
                         WindowHandle target, uid_t allowedPeer)
    : m_path(std::move(path)),
      m_listener(std::move(listener)),
      m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_loop(loop),
      m_target(target),
      m_allowedPeer(allowedPeer) {}

BusEndpoint::~BusEndpoint() {
    m_thread.RequestStop();
    const uint64_t one = 1;
    (void)!::write(m_wake.Get(), &one, sizeof one);
    m_thread.Join();
    ::unlink(m_path.c_str());
}

void BusEndpoint::Serve(Event& stop) {
    while (!stop.IsSet()) {
        if (!WaitReadable(m_listener.Get(), m_wake.Get(), kInfinite)) {
            continue;
        }
        UniqueFd conn(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!conn) {
            continue;
        }
        HandleConnection(conn.Get(), stop);
    }
}

void BusEndpoint::HandleConnection(int fd, Event& stop) {
    std::optional<uid_t> peer = PeerUid(fd);
    if (!peer || *peer != m_allowedPeer) {
        TraceF("bus: dropped a message from uid %d", peer ? static_cast<int>(*peer) : -1);
        return;
    }
    if (!WaitReadable(fd, m_wake.Get(), kPeerReadTimeout)) {
        return;
    }
    std::vector<uint8_t> buffer(kMaxPacket);
    const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_TRUNC | MSG_DONTWAIT);
    if (n <= 0) {
        return;
    }
    if (static_cast<size_t>(n) > buffer.size()) {
        TraceF("bus: dropped an oversized packet of %zd bytes", n);
        return;
    }
    std::optional<Packet> packet =
        Decode(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
    if (!packet || packet->kind == Kind::Reply) {
        TraceF("bus: dropped a malformed packet of %zd bytes", n);
        return;
    }
    const bool wantsReply = (packet->flags & kWantsReply) != 0;
    intptr_t result = 0;
    if (packet->kind == Kind::CopyData) {
        CopyDataBlock block{packet->dwData, static_cast<uint32_t>(packet->data.size()),
                            packet->data.data()};
        result = m_loop.Send(m_target, kMsgCopyData, packet->wParam,
                             reinterpret_cast<intptr_t>(&block), &stop);
    } else {
        const uint32_t msg =
            packet->name.empty() ? packet->msg : RegisterWindowMessage(packet->name);
        if (msg == 0) {
            return;
        }
        if (wantsReply) {
            result = m_loop.Send(m_target, msg, packet->wParam,
                                 static_cast<intptr_t>(packet->lParam), &stop);
        } else {
            m_loop.Post(m_target, msg, packet->wParam, static_cast<intptr_t>(packet->lParam));
        }
    }
    if (wantsReply) {
        Packet reply;
        reply.kind = Kind::Reply;
        reply.lParam = result;
        SendPacket(fd, reply);
    }
}

}  // namespace platform
