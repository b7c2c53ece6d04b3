#pragma once

// The per-user message bus: how windows of different processes reach each
// other. Each reachable window serves one Unix SOCK_SEQPACKET socket in
// <runtime folder>/bus/, named after the window. Messages travel by their
// registered name (or their number, below the registered range) with wParam and
// lParam; copy-data blocks carry {dwData, bytes}. Only peers of our own user are
// heard; oversized or malformed packets are dropped with a trace line.

#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_loop.h"
#include "platform/result.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/unique_fd.h"

namespace platform {

inline constexpr size_t kMaxBusNameBytes = 255;
inline constexpr size_t kMaxCopyDataBytes = 64 * 1024;
inline constexpr Millis kDefaultSendTimeout{2000};

class MessageBus {
public:
    // The bus in the runtime folder of the current user.
    static Result<MessageBus> ForCurrentUser();
    explicit MessageBus(std::filesystem::path folder);

    const std::filesystem::path& Folder() const { return m_folder; }

    // Whether a window with that name is reachable (the bus's FindWindow).
    bool Exists(std::string_view window) const;

    // To the first reachable window with that name; returns without waiting.
    Status Post(std::string_view window, uint32_t msg, uintptr_t wParam, intptr_t lParam) const;
    // Waits for the handler's result; nothing on time-out or when nobody answers.
    std::optional<intptr_t> Send(std::string_view window, uint32_t msg, uintptr_t wParam,
                                 intptr_t lParam, Millis timeout = kDefaultSendTimeout) const;
    std::optional<intptr_t> SendCopyData(std::string_view window, uintptr_t wParam, uint64_t dwData,
                                         std::span<const uint8_t> data,
                                         Millis timeout = kDefaultSendTimeout) const;
    // Posts to every reachable window; returns how many were reached.
    size_t Broadcast(uint32_t msg, uintptr_t wParam, intptr_t lParam) const;

    // Socket files of the reachable windows with that name (all when empty);
    // stale ones left by dead processes are removed on the way.
    std::vector<std::filesystem::path> Endpoints(std::string_view window) const;

private:
    std::filesystem::path m_folder;
};

// Serves one window on the bus. Incoming messages are handed to `target` on the
// loop's thread: posted messages with Post, messages that want an answer and
// copy-data blocks (kMsgCopyData, lParam = const CopyDataBlock*) with Send.
class BusEndpoint {
public:
    static Result<std::unique_ptr<BusEndpoint>> Open(const MessageBus& bus, std::string window,
                                                     MessageLoop& loop, WindowHandle target,
                                                     uid_t allowedPeer = ::getuid());
    ~BusEndpoint();
    BusEndpoint(const BusEndpoint&) = delete;
    BusEndpoint& operator=(const BusEndpoint&) = delete;

    const std::filesystem::path& SocketPath() const { return m_path; }

private:
    BusEndpoint(std::filesystem::path path, UniqueFd listener, MessageLoop& loop,
                WindowHandle target, uid_t allowedPeer);
    void Serve(Event& stop);
    void HandleConnection(int fd, Event& stop);

    std::filesystem::path m_path;
    UniqueFd m_listener;
    UniqueFd m_wake;  // eventfd: wakes the server thread's poll on stop
    MessageLoop& m_loop;
    WindowHandle m_target;
    uid_t m_allowedPeer;
    WorkerThread m_thread;
};

}  // namespace platform
