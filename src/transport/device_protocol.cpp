#include "transport/device_protocol.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/trace.h"

namespace transport {

namespace {

namespace fo = frame_offset;

constexpr Millis kCableTimeout{1000};
constexpr Millis kReceiverTimeout{5000};
constexpr Millis kReceiverQuietTimeout{500};
constexpr auto kEndTransferPause = std::chrono::milliseconds(10);
// Offsets travel in 16 bits; a transfer must end inside that space.
constexpr uint32_t kOffsetSpace = 0x10000;

constexpr std::string_view kTraceRequest = "命令";
constexpr std::string_view kTraceAnswer = "返回";
constexpr std::string_view kTraceLightDropped = "放弃灯光数据";

void TraceFrame(std::string_view title, const CommandFrame& frame) {
    platform::Trace(title);
    const std::span<const uint8_t, kFrameSize> all(frame);
    platform::Trace(FormatFrameHalf(all.first<32>()).data());
    platform::Trace(FormatFrameHalf(all.last<32>()).data());
}

// Counts the exchanges in flight, so that one ending does not hide another.
class BusyScope {
public:
    explicit BusyScope(std::atomic<int>& busy) : m_busy(busy) { m_busy.fetch_add(1); }
    ~BusyScope() { m_busy.fetch_sub(1); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    std::atomic<int>& m_busy;
};

// Holds a command-level lock when there is one.
class OptionalLock {
public:
    explicit OptionalLock(platform::CriticalSection* lock) : m_lock(lock) {
        if (m_lock != nullptr) {
            m_lock->lock();
        }
    }
    ~OptionalLock() {
        if (m_lock != nullptr) {
            m_lock->unlock();
        }
    }
    OptionalLock(const OptionalLock&) = delete;
    OptionalLock& operator=(const OptionalLock&) = delete;

private:
    platform::CriticalSection* m_lock;
};

}  // namespace

CDeviceProtocol::~CDeviceProtocol() {
    m_open.store(false);
    // The channels close as members; a waiting read is released by that.
}

void CDeviceProtocol::SetConnectionMode(int mode) {
    const bool receiver = mode == static_cast<int>(ConnectionMode::Receiver);
    m_receiver.store(receiver);
    m_chunkSize.store(receiver ? kReceiverChunkSize : kCableChunkSize);
}

bool CDeviceProtocol::SetBlockSize(unsigned size) {
    if (size > kMaxBlockSize) {
        return false;
    }
    m_blockSize.store(static_cast<uint16_t>(size));
    return true;
}

platform::CriticalSection* CDeviceProtocol::LockFor(LockKind kind) {
    switch (kind) {
        case LockKind::Command:
            return &m_commandLock;
        case LockKind::Lighting:
            return &m_lightingLock;
        case LockKind::None:
            break;
    }
    return nullptr;
}

int CDeviceProtocol::Exchange(std::span<const uint8_t> request, Answer& answer) {
    CommandFrame frame{};
    std::copy_n(request.begin(), std::min(request.size(), kFrameSize), frame.begin());
    return DoExchange(frame, answer, Logging::Logged);
}

int CDeviceProtocol::QuietExchange(std::span<const uint8_t> request, Answer& answer) {
    CommandFrame frame{};
    std::copy_n(request.begin(), std::min(request.size(), kFrameSize), frame.begin());
    return DoExchange(frame, answer, Logging::Quiet);
}

int CDeviceProtocol::DoExchange(const CommandFrame& frame, Answer& answer, Logging logging) {
    BusyScope busy(m_busy);
    answer = Answer{};
    if (!m_open.load()) {
        return rc::kNoAnswer;
    }
    const bool logged = logging == Logging::Logged;
    if (logged) {
        TraceFrame(kTraceRequest, frame);
    }
    const bool receiver = m_receiver.load();
    CHidChannel& channel = receiver ? m_channel2 : m_channel1;
    const Millis timeout =
        receiver ? (logged ? kReceiverTimeout : kReceiverQuietTimeout) : kCableTimeout;
    const uint8_t command = frame[fo::kCommand];

    int result = rc::kNoAnswer;
    {
        // Write and answer under one hold of the I/O lock: another thread's
        // exchange cannot slip its frame in between and take this answer.
        std::lock_guard io(m_ioLock);
        size_t written = 0;
        if (!channel.Write(frame, written, timeout)) {
            return rc::kWriteFailed;
        }
        // One byte more than a frame, so that an over-long report shows itself.
        std::array<uint8_t, kFrameSize + 1> buffer{};
        // At most two reads: one stray report (an answer to an earlier frame
        // that timed out) is skipped. A read that brings nothing leaves the
        // answer as the last report that did arrive.
        for (int attempt = 0; attempt < 2; ++attempt) {
            size_t got = 0;
            buffer.fill(0);
            if (!channel.Read(buffer, got, timeout)) {
                result = rc::kNoAnswer;
                continue;
            }
            result = rc::kSuccess;
            answer = Answer{};
            if (got > kFrameSize) {
                continue;  // longer than any frame: nothing of it is kept
            }
            std::copy_n(buffer.begin(), got, answer.bytes.begin());
            answer.received = got;
            if (!answer.IsCommandReport()) {
                continue;
            }
            const uint8_t echo = answer.bytes[fo::kCommand];
            if (echo == command || echo == kAnswerRejected) {
                break;  // the answer to this frame (0xFF: the device refused it)
            }
            if (receiver && echo == kAnswerOutOfReach) {
                result = rc::kOutOfReach;
                break;
            }
        }
    }
    if (logged) {
        platform::Trace(kTraceAnswer);
        const std::span<const uint8_t, kFrameSize> all(answer.bytes);
        platform::Trace(FormatFrameHalf(all.first<32>()).data());
        platform::Trace(FormatFrameHalf(all.last<32>()).data());
    }
    return result;
}

int CDeviceProtocol::Transfer(const Chunking& how, std::span<const uint8_t> source,
                              std::span<uint8_t> dest, std::size_t total) {
    if (how.chunkSize == 0) {
        return rc::kNoAnswer;
    }
    if (how.base + total > kOffsetSpace) {
        // The offset would wrap and land on other data.
        platform::TraceF("transfer of %zu bytes at %u does not fit 16-bit offsets", total,
                         static_cast<unsigned>(how.base));
        return rc::kNoAnswer;
    }
    const bool reading = !dest.empty();
    Answer answer;
    for (std::size_t offset = 0; offset < total; offset += how.chunkSize) {
        const std::size_t chunk = std::min<std::size_t>(how.chunkSize, total - offset);
        if (how.stepAsideWhenBusy && IsBusy()) {
            platform::Trace(kTraceLightDropped);
            continue;
        }
        const auto at = static_cast<uint16_t>(how.base + offset);
        const std::span<const uint8_t> payload =
            reading ? std::span<const uint8_t>{} : source.subspan(offset, chunk);
        const CommandFrame frame =
            BuildFrame(how.command, static_cast<uint8_t>(chunk), at, payload);
        int result;
        {
            OptionalLock lock(LockFor(how.lock));
            result = DoExchange(frame, answer, how.logging);
        }
        const int code = CheckAnswer(result, answer, static_cast<uint8_t>(how.command),
                                     reading ? chunk : 0, how.order);
        if (code != rc::kSuccess) {
            return code;
        }
        if (reading) {
            std::copy_n(answer.bytes.begin() + fo::kPayload, chunk, dest.begin() + offset);
        }
    }
    return rc::kSuccess;
}

int CDeviceProtocol::SimpleCommand(Command command) {
    const CommandFrame frame = BuildFrame(command);
    Answer answer;
    int result;
    {
        std::lock_guard lock(m_commandLock);
        result = DoExchange(frame, answer, Logging::Logged);
    }
    return CheckAnswer(result, answer, static_cast<uint8_t>(command), 0);
}

int CDeviceProtocol::BeginTransfer() {
    return SimpleCommand(Command::BeginTransfer);
}

int CDeviceProtocol::EndTransfer() {
    std::this_thread::sleep_for(kEndTransferPause);
    return SimpleCommand(Command::EndTransfer);
}

int CDeviceProtocol::EnableHostLighting() {
    return SimpleCommand(Command::EnableHostLighting);
}

int CDeviceProtocol::ReadDeviceInfo(std::span<uint8_t, kDeviceInfoBlockSize> out) {
    return Transfer({.command = Command::ReadDeviceInfo, .chunkSize = ChunkSize()}, {}, out,
                    out.size());
}

int CDeviceProtocol::ReadSettings(std::span<uint8_t> out, uint16_t base) {
    if (out.empty()) {
        return rc::kSuccess;
    }
    return Transfer({.command = Command::ReadSettings, .base = base, .chunkSize = ChunkSize()}, {},
                    out, out.size());
}

int CDeviceProtocol::WriteSettings(std::span<const uint8_t> data, uint16_t base) {
    return Transfer({.command = Command::WriteSettings, .base = base, .chunkSize = ChunkSize()},
                    data, {}, data.size());
}

int CDeviceProtocol::ReadKeyTable(std::span<uint8_t> out) {
    const std::size_t total = BlockSize();
    if (out.size() < total) {
        return rc::kNoAnswer;
    }
    if (total == 0) {
        return rc::kSuccess;
    }
    return Transfer({.command = Command::ReadKeyTable, .chunkSize = ChunkSize()}, {}, out, total);
}

int CDeviceProtocol::ReadKeyTableShort(std::span<uint8_t> out) {
    const std::size_t total = BlockSize() / 3;
    if (out.size() < total) {
        return rc::kNoAnswer;
    }
    if (total == 0) {
        return rc::kSuccess;
    }
    return Transfer({.command = Command::ReadKeyTableShort, .chunkSize = ChunkSize()}, {}, out,
                    total);
}

int CDeviceProtocol::WriteKeyTableCommand(Command command, std::span<const uint8_t> data,
                                          int page) {
    if (page != 0) {
        return rc::kBadPage;
    }
    const std::size_t total = BlockSize();
    if (data.size() < total) {
        return rc::kNoAnswer;
    }
    return Transfer({.command = command,
                     .base = static_cast<uint32_t>(page) * kKeyTablePageSize,
                     .chunkSize = ChunkSize()},
                    data, {}, total);
}

int CDeviceProtocol::WriteKeyTable(std::span<const uint8_t> data, int page) {
    return WriteKeyTableCommand(Command::WriteKeyTable, data, page);
}

int CDeviceProtocol::WriteKeyTable2(std::span<const uint8_t> data, int page) {
    return WriteKeyTableCommand(Command::WriteKeyTable2, data, page);
}

int CDeviceProtocol::WriteKeyTable3(std::span<const uint8_t> data, int page) {
    return WriteKeyTableCommand(Command::WriteKeyTable3, data, page);
}

int CDeviceProtocol::ReadPagedBlock(std::span<uint8_t> out, unsigned page, unsigned pageSize) {
    const uint64_t base = uint64_t{page} * pageSize;
    if (base >= kOffsetSpace) {
        return rc::kNoAnswer;
    }
    if (out.empty()) {
        return rc::kSuccess;
    }
    return Transfer({.command = Command::ReadPagedBlock,
                     .base = static_cast<uint32_t>(base),
                     .chunkSize = ChunkSize()},
                    {}, out, out.size());
}

int CDeviceProtocol::WritePagedBlock(std::span<const uint8_t> data, unsigned page,
                                     unsigned pageSize) {
    const uint64_t base = uint64_t{page} * pageSize;
    if (base >= kOffsetSpace) {
        return rc::kNoAnswer;
    }
    return Transfer({.command = Command::WritePagedBlock,
                     .base = static_cast<uint32_t>(base),
                     .chunkSize = ChunkSize(),
                     .lock = LockKind::Lighting},
                    data, {}, data.size());
}

int CDeviceProtocol::StreamLightFrame(std::span<const uint8_t> data) {
    return Transfer({.command = Command::StreamLightFrame,
                     .chunkSize = ChunkSize(),
                     .lock = LockKind::Lighting,
                     .logging = Logging::Quiet,
                     .stepAsideWhenBusy = true},
                    data, {}, data.size());
}

int CDeviceProtocol::WriteMacroData(std::span<const uint8_t> data) {
    return Transfer({.command = Command::WriteMacroData, .chunkSize = ChunkSize()}, data, {},
                    data.size());
}

int CDeviceProtocol::WriteShootData(std::span<const uint8_t> data) {
    return Transfer({.command = Command::WriteShootData,
                     .chunkSize = kCableChunkSize,
                     .lock = LockKind::None,
                     .order = CheckOrder::ExchangeFirst},
                    data, {}, data.size());
}

int CDeviceProtocol::ReadStatus(std::span<uint8_t> out, uint16_t offset) {
    if (out.size() > kMaxPayload) {
        return rc::kNoAnswer;  // one frame cannot carry more
    }
    const CommandFrame frame =
        BuildFrame(Command::ReadStatus, static_cast<uint8_t>(out.size()), offset);
    Answer answer;
    int result;
    {
        std::lock_guard lock(m_commandLock);
        result = DoExchange(frame, answer, Logging::Logged);
    }
    const int code =
        CheckAnswer(result, answer, static_cast<uint8_t>(Command::ReadStatus), out.size());
    if (code == rc::kSuccess) {
        std::copy_n(answer.bytes.begin() + fo::kPayload, out.size(), out.begin());
    }
    return code;
}

bool CDeviceProtocol::CheckLink() {
    if (!m_receiver.load()) {
        return true;
    }
    const CommandFrame frame = BuildFrame(Command::CheckLink);
    Answer answer;
    int result;
    {
        std::lock_guard lock(m_commandLock);
        result = DoExchange(frame, answer, Logging::Logged);
    }
    return CheckAnswer(result, answer, static_cast<uint8_t>(Command::CheckLink), 1) ==
               rc::kSuccess &&
           answer.bytes[fo::kPayload] == kLinkAlive;
}

}  // namespace transport
