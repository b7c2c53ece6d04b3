#pragma once

// The 64-byte command frame every setting travels in, and the checks applied
// to the device's answer. Pure functions over fixed arrays: building a frame
// never allocates, and checking an answer never reads past the bytes that
// really arrived.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace transport {

inline constexpr std::size_t kFrameSize = 64;
inline constexpr std::size_t kMaxPayload = 56;
inline constexpr uint8_t kCommandReportId = 0x04;

// Byte offsets inside a frame (request and answer share the first eight).
namespace frame_offset {
inline constexpr std::size_t kReportId = 0;
inline constexpr std::size_t kChecksumLow = 1;
inline constexpr std::size_t kChecksumHigh = 2;
inline constexpr std::size_t kCommand = 3;
inline constexpr std::size_t kLength = 4;
inline constexpr std::size_t kOffsetLow = 5;
inline constexpr std::size_t kOffsetHigh = 6;
inline constexpr std::size_t kStatus = 7;  // 0 in a request, the status in an answer
inline constexpr std::size_t kPayload = 8;
}  // namespace frame_offset

static_assert(frame_offset::kPayload + kMaxPayload == kFrameSize);

using CommandFrame = std::array<uint8_t, kFrameSize>;
static_assert(sizeof(CommandFrame) == kFrameSize);

// Command codes of the protocol.
enum class Command : uint8_t {
    BeginTransfer = 0x01,
    EndTransfer = 0x02,
    ReadDeviceInfo = 0x03,
    ReadSettings = 0x05,
    WriteSettings = 0x06,
    ReadKeyTable = 0x07,
    WriteKeyTable = 0x09,
    ReadPagedBlock = 0x0A,
    WritePagedBlock = 0x0B,
    StreamLightFrame = 0x12,
    WriteMacroData = 0x15,
    WriteShootData = 0x17,
    ReadStatus = 0x1A,
    ReadKeyTableShort = 0x1B,
    EnableHostLighting = 0x1C,
    WriteKeyTable2 = 0x27,
    WriteKeyTable3 = 0x28,
    CheckLink = 0xAA,
};

// Special values in answer byte 3 and byte 7.
inline constexpr uint8_t kAnswerRejected = 0xFF;     // byte 3 or byte 7
inline constexpr uint8_t kAnswerSecondError = 0xFE;  // byte 7
inline constexpr uint8_t kAnswerOutOfReach = 0xAA;   // byte 3, receiver only
inline constexpr uint8_t kLinkAlive = 0xFF;          // byte 8 of a CheckLink answer

// Return codes of every command operation.
namespace rc {
inline constexpr int kSuccess = 1;
inline constexpr int kNoAnswer = 0;  // also: not sent
inline constexpr int kWriteFailed = -1;
inline constexpr int kOutOfReach = -101;
inline constexpr int kRejected = -102;
inline constexpr int kSecondError = -103;
inline constexpr int kBadPage = -201;
}  // namespace rc

// Sum of bytes 3..63, kept to 16 bits.
uint16_t FrameChecksum(const CommandFrame& frame);
// Stores the checksum in bytes 1 and 2 (little-endian); call after every other byte is set.
void SealFrame(CommandFrame& frame);
bool ChecksumMatches(const CommandFrame& frame);

// A sealed request: report id 4, command, length byte, 16-bit offset and up to
// 56 payload bytes (more are cut off; the caller chunks).
CommandFrame BuildFrame(Command command, uint8_t length = 0, uint16_t offset = 0,
                        std::span<const uint8_t> payload = {});

// What came back from one read: the bytes that really arrived, in a frame-sized
// buffer whose remaining bytes are zero.
struct Answer {
    CommandFrame bytes{};
    std::size_t received = 0;

    // True when the report reached byte `index` (inclusive).
    bool Holds(std::size_t index) const { return index < received; }
    // A report of ours: report id 4 and at least the eight header bytes.
    bool IsCommandReport() const {
        return received > frame_offset::kStatus &&
               bytes[frame_offset::kReportId] == kCommandReportId;
    }
    bool Echoes(uint8_t command) const {
        return IsCommandReport() && bytes[frame_offset::kCommand] == command;
    }
    std::span<const uint8_t> Payload() const {
        if (received <= frame_offset::kPayload) {
            return {};
        }
        return std::span<const uint8_t>(bytes).subspan(frame_offset::kPayload,
                                                       received - frame_offset::kPayload);
    }
};

enum class CheckOrder {
    AnswerFirst,    // status bytes, then the exchange result (every command but one)
    ExchangeFirst,  // the exchange result, then the status bytes (WriteShootData)
};

// Turns one exchange into a return code. `payloadNeeded` is the number of
// answer payload bytes the command goes on to copy; an answer that does not
// carry them, that is not one of our reports, or that does not echo the command
// counts as no answer (0) instead of handing stale bytes to the caller.
int CheckAnswer(int exchangeResult, const Answer& answer, uint8_t command,
                std::size_t payloadNeeded, CheckOrder order = CheckOrder::AnswerFirst);

// "%02x %02x ..." of 32 bytes, grouped in fours, as the trace lines show frames.
using TraceLine = std::array<char, 112>;
TraceLine FormatFrameHalf(std::span<const uint8_t, 32> bytes);

}  // namespace transport
