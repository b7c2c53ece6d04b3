#pragma once

// CDeviceProtocol: the 64-byte command frame protocol of one device. It owns
// the two channels a device can be reached through (its own cable, or the
// 2.4 GHz receiver standing in for it), builds and checks frames, splits long
// transfers into chunks, serialises the threads that share the device and
// turns the device's answers into return codes (transport::rc).
//
// Locks: every command holds its command-level lock (the command lock, or the
// lighting lock for lighting data) around each frame exchange, and the
// exchange holds the I/O lock around its write and reads. The order is always
// command-level lock, then I/O lock. The device manager takes IoLock() while
// it opens or closes a channel. The second I/O lock belongs to the device
// code that opens and closes an event channel; nothing here takes it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/sync.h"
#include "transport/command_frame.h"
#include "transport/hid_channel.h"

namespace transport {

inline constexpr std::size_t kDeviceInfoBlockSize = 34;
inline constexpr uint16_t kDefaultBlockSize = 512;
inline constexpr uint16_t kMaxBlockSize = 512;
inline constexpr uint8_t kCableChunkSize = 56;
inline constexpr uint8_t kReceiverChunkSize = 24;
inline constexpr unsigned kKeyTablePageSize = 512;

enum class ConnectionMode : int { Cable = 1, Receiver = 2 };

class CDeviceProtocol {
public:
    CDeviceProtocol() = default;
    ~CDeviceProtocol();
    CDeviceProtocol(const CDeviceProtocol&) = delete;
    CDeviceProtocol& operator=(const CDeviceProtocol&) = delete;

    // --- What the device manager sets up ---
    CHidChannel& Channel1() { return m_channel1; }  // the device's own command collection
    CHidChannel& Channel2() { return m_channel2; }  // the receiver's command collection
    platform::CriticalSection& IoLock() { return m_ioLock; }
    platform::CriticalSection& SecondIoLock() { return m_ioLock2; }
    platform::CriticalSection& CommandLock() { return m_commandLock; }
    platform::CriticalSection& LightingLock() { return m_lightingLock; }

    // While clear, every exchange returns 0 at once without touching the device.
    void SetOpen(bool open) { m_open.store(open); }
    bool IsOpen() const { return m_open.load(); }

    // 2 = receiver (24-byte chunks); 1 or anything else = cable (56-byte chunks).
    void SetConnectionMode(int mode);
    bool IsReceiver() const { return m_receiver.load(); }
    uint8_t ChunkSize() const { return m_chunkSize.load(); }

    // 0..512; a larger size is refused and the old one stays.
    bool SetBlockSize(unsigned size);
    uint16_t BlockSize() const { return m_blockSize.load(); }

    // True while some exchange is in progress; live lighting steps aside then.
    bool IsBusy() const { return m_busy.load() > 0; }

    // --- One frame each way ---
    // Sends `request` (padded to 64 bytes with zeros) and reads the answer.
    // The logged form writes the frames to the trace; the quiet one does not
    // and waits less on the receiver. 1 when a report arrived, 0 when none
    // did (or the protocol is not open), -1 when the write failed, -101 when
    // the receiver says its device is out of reach.
    int Exchange(std::span<const uint8_t> request, Answer& answer);
    int QuietExchange(std::span<const uint8_t> request, Answer& answer);

    // --- The commands (return codes of transport::rc) ---
    int BeginTransfer();
    int EndTransfer();  // waits 10 ms first, letting the device finish the previous write
    int ReadDeviceInfo(std::span<uint8_t, kDeviceInfoBlockSize> out);
    int ReadSettings(std::span<uint8_t> out, uint16_t base);
    int WriteSettings(std::span<const uint8_t> data, uint16_t base);
    // Block-size bytes; `out` or `data` must hold at least that many.
    int ReadKeyTable(std::span<uint8_t> out);
    int WriteKeyTable(std::span<const uint8_t> data, int page);   // page 0 only, else -201
    int WriteKeyTable2(std::span<const uint8_t> data, int page);  // Fn layer
    int WriteKeyTable3(std::span<const uint8_t> data, int page);
    // Block-size / 3 bytes.
    int ReadKeyTableShort(std::span<uint8_t> out);
    int ReadPagedBlock(std::span<uint8_t> out, unsigned page, unsigned pageSize);
    int WritePagedBlock(std::span<const uint8_t> data, unsigned page, unsigned pageSize);
    // Live lighting: quiet, under the lighting lock; a chunk that meets a busy
    // protocol is dropped and counts as delivered.
    int StreamLightFrame(std::span<const uint8_t> data);
    int WriteMacroData(std::span<const uint8_t> data);
    // 56-byte chunks on either connection and no command-level lock: the caller
    // runs nothing else on the device meanwhile.
    int WriteShootData(std::span<const uint8_t> data);
    // One frame: up to 56 bytes from `offset`.
    int ReadStatus(std::span<uint8_t> out, uint16_t offset);
    int EnableHostLighting();
    // Whether the wireless device answers through the receiver; always true on the cable.
    bool CheckLink();

private:
    enum class LockKind { Command, Lighting, None };
    enum class Logging { Logged, Quiet };

    struct Chunking {
        Command command;
        uint32_t base = 0;
        uint8_t chunkSize = 0;
        LockKind lock = LockKind::Command;
        Logging logging = Logging::Logged;
        bool stepAsideWhenBusy = false;
        CheckOrder order = CheckOrder::AnswerFirst;
    };

    int DoExchange(const CommandFrame& frame, Answer& answer, Logging logging);
    int Transfer(const Chunking& how, std::span<const uint8_t> source, std::span<uint8_t> dest,
                 std::size_t total);
    int SimpleCommand(Command command);
    int WriteKeyTableCommand(Command command, std::span<const uint8_t> data, int page);
    platform::CriticalSection* LockFor(LockKind kind);

    CHidChannel m_channel1;
    CHidChannel m_channel2;
    platform::CriticalSection m_ioLock;
    platform::CriticalSection m_ioLock2;
    platform::CriticalSection m_commandLock;
    platform::CriticalSection m_lightingLock;
    std::atomic<uint16_t> m_blockSize{kDefaultBlockSize};
    std::atomic<int> m_busy{0};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_receiver{false};
    std::atomic<uint8_t> m_chunkSize{kReceiverChunkSize};
};

}  // namespace transport
