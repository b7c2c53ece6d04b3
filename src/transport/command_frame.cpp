#include "transport/command_frame.h"

#include <algorithm>

namespace transport {

namespace fo = frame_offset;

uint16_t FrameChecksum(const CommandFrame& frame) {
    unsigned sum = 0;
    for (std::size_t i = fo::kCommand; i < kFrameSize; ++i) {
        sum += frame[i];
    }
    return static_cast<uint16_t>(sum & 0xFFFFu);
}

void SealFrame(CommandFrame& frame) {
    const uint16_t sum = FrameChecksum(frame);
    frame[fo::kChecksumLow] = static_cast<uint8_t>(sum & 0xFF);
    frame[fo::kChecksumHigh] = static_cast<uint8_t>(sum >> 8);
}

bool ChecksumMatches(const CommandFrame& frame) {
    const uint16_t stored =
        static_cast<uint16_t>(frame[fo::kChecksumLow] | (frame[fo::kChecksumHigh] << 8));
    return stored == FrameChecksum(frame);
}

CommandFrame BuildFrame(Command command, uint8_t length, uint16_t offset,
                        std::span<const uint8_t> payload) {
    CommandFrame frame{};
    frame[fo::kReportId] = kCommandReportId;
    frame[fo::kCommand] = static_cast<uint8_t>(command);
    frame[fo::kLength] = length;
    frame[fo::kOffsetLow] = static_cast<uint8_t>(offset & 0xFF);
    frame[fo::kOffsetHigh] = static_cast<uint8_t>(offset >> 8);
    const std::size_t n = std::min(payload.size(), kMaxPayload);
    std::copy_n(payload.begin(), n, frame.begin() + fo::kPayload);
    SealFrame(frame);
    return frame;
}

namespace {

// -102 / -103 from the status bytes of a report of ours; 1 when they are clear.
int StatusCode(const Answer& answer) {
    if (!answer.IsCommandReport()) {
        return rc::kSuccess;
    }
    const uint8_t status = answer.bytes[fo::kStatus];
    if (status == kAnswerRejected || answer.bytes[fo::kCommand] == kAnswerRejected) {
        return rc::kRejected;
    }
    if (status == kAnswerSecondError) {
        return rc::kSecondError;
    }
    return rc::kSuccess;
}

}  // namespace

int CheckAnswer(int exchangeResult, const Answer& answer, uint8_t command,
                std::size_t payloadNeeded, CheckOrder order) {
    if (order == CheckOrder::ExchangeFirst && exchangeResult != rc::kSuccess) {
        return exchangeResult;
    }
    if (const int status = StatusCode(answer); status != rc::kSuccess) {
        return status;
    }
    if (exchangeResult != rc::kSuccess) {
        return exchangeResult;
    }
    // A report arrived, but it has to be the answer to this command and hold
    // what the command reads from it.
    if (!answer.Echoes(command) || answer.received < fo::kPayload + payloadNeeded) {
        return rc::kNoAnswer;
    }
    return rc::kSuccess;
}

TraceLine FormatFrameHalf(std::span<const uint8_t, 32> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    TraceLine line{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            // One space inside a group of four; three between the first four
            // groups, two between the rest.
            const std::size_t gap = (i % 4 != 0) ? 1 : (i <= 12 ? 3 : 2);
            for (std::size_t g = 0; g < gap; ++g) {
                line[pos++] = ' ';
            }
        }
        line[pos++] = kHex[bytes[i] >> 4];
        line[pos++] = kHex[bytes[i] & 0x0F];
    }
    line[pos] = '\0';
    return line;
}

}  // namespace transport
