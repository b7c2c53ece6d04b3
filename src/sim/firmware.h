#pragma once

// The firmware side of a device's command collection: it takes one 64-byte
// output report, checks it, applies it to the device's memory and composes
// the answer report. Faults can be injected to make it misbehave the way real
// hardware does. Thread-safe: the endpoint's thread feeds it while a test
// inspects it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "sim/device_model.h"
#include "transport/command_frame.h"

namespace sim {

// The memory areas the commands reach.
enum class Region {
    Info,       // 0x03
    Settings,   // 0x05, 0x06
    KeyMatrix,  // 0x07 (default codes, read only)
    KeyTable,   // 0x09 (normal layer)
    KeyTable2,  // 0x27 (Fn layer)
    KeyTable3,  // 0x28
    LedTable,   // 0x1B
    Paged,      // 0x0A, 0x0B
    LiveFrame,  // 0x12
    Macro,      // 0x15
    Shoot,      // 0x17
    Status,     // 0x1A
};
inline constexpr std::size_t kRegionCount = 12;

enum class Fault {
    NoAnswer,        // the frame is swallowed, nothing comes back
    Rejected,        // answer byte 3 = 0xFF
    StatusError,     // answer byte 7 = 0xFF
    SecondError,     // answer byte 7 = 0xFE
    OutOfReach,      // answer byte 3 = 0xAA (what a receiver says when its device is away)
    WrongEcho,       // answer byte 3 is another command
    ShortReport,     // a 5-byte report
    LongReport,      // an 80-byte report (the answer followed by 16 more bytes)
    GarbageReport,   // 64 bytes of noise, report id 4
    ForeignReport,   // a well-formed answer under another report id
    EchoThenAnswer,  // an unrelated answer first, then the right one
    Unplug,          // the device goes away instead of answering
};

// When an injected fault applies: to frames of one command (or any), after
// skipping a number of matching frames, for a number of frames.
struct FaultRule {
    Fault fault = Fault::NoAnswer;
    std::optional<uint8_t> command;
    int skip = 0;
    int count = 1;
};

struct LoggedFrame {
    transport::CommandFrame bytes{};
    std::size_t length = 0;
    bool checksumOk = false;

    uint8_t Command() const { return bytes[transport::frame_offset::kCommand]; }
    uint16_t Offset() const {
        return static_cast<uint16_t>(bytes[transport::frame_offset::kOffsetLow] |
                                     bytes[transport::frame_offset::kOffsetHigh] << 8);
    }
    uint8_t Length() const { return bytes[transport::frame_offset::kLength]; }
};

// What the firmware does with one report: answer with zero or more input
// reports, and possibly unplug itself first.
struct Reply {
    struct Report {
        std::array<uint8_t, 80> bytes{};
        std::size_t length = 0;
        std::span<const uint8_t> View() const { return {bytes.data(), length}; }
    };
    std::array<Report, 2> reports{};
    std::size_t count = 0;
    bool unplug = false;
};

class Firmware {
public:
    explicit Firmware(DeviceModel model);
    Firmware(const Firmware&) = delete;
    Firmware& operator=(const Firmware&) = delete;

    const DeviceModel& Model() const { return m_model; }

    // One output report in, the answer out.
    Reply HandleOutputReport(std::span<const uint8_t> report);

    // Behind a receiver: whether the wireless device is in reach.
    void SetInReach(bool inReach);
    bool InReach() const;

    void InjectFault(FaultRule rule);
    void ClearFaults();

    // The most recent frames (at most kLogCapacity, oldest first), and how
    // many arrived since the last ClearLog. A devsim left streaming lighting
    // for days must not grow without bound.
    static constexpr std::size_t kLogCapacity = 8192;
    std::vector<LoggedFrame> ReceivedFrames() const;
    std::size_t ReceivedCount() const;
    void ClearLog();

    // Test access to the memory.
    std::vector<uint8_t> ReadRegion(Region region, std::size_t offset, std::size_t length) const;
    void WriteRegion(Region region, std::size_t offset, std::span<const uint8_t> data);
    std::size_t RegionSize(Region region) const;

    bool TransferOpen() const;  // between BeginTransfer and EndTransfer
    bool HostLightingEnabled() const;

private:
    std::optional<Fault> TakeFault(uint8_t command);
    void Compose(const transport::CommandFrame& request, Reply& reply);
    void ApplyFault(Fault fault, const transport::CommandFrame& request, Reply& reply);

    mutable std::mutex m_mutex;
    DeviceModel m_model;
    std::array<std::vector<uint8_t>, kRegionCount> m_regions;
    std::deque<FaultRule> m_faults;
    std::deque<LoggedFrame> m_log;
    std::size_t m_received = 0;
    bool m_inReach = true;
    bool m_transferOpen = false;
    bool m_hostLighting = false;
};

}  // namespace sim
