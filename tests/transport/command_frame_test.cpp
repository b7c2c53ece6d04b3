// Frame building, checksum, answer checks and the trace line format.

#include "transport/command_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace transport;
namespace fo = frame_offset;

TEST(CommandFrame, ChecksumOfBeginTransferIsOne) {
    const CommandFrame f = BuildFrame(Command::BeginTransfer);
    EXPECT_EQ(f[fo::kReportId], 0x04);
    EXPECT_EQ(f[fo::kChecksumLow], 0x01);
    EXPECT_EQ(f[fo::kChecksumHigh], 0x00);
    EXPECT_TRUE(ChecksumMatches(f));
}

TEST(CommandFrame, ChecksumCoversBytesThreeToSixtyThreeAndKeepsSixteenBits) {
    std::vector<uint8_t> payload(56, 0xFF);
    const CommandFrame f = BuildFrame(Command::WriteSettings, 56, 0xABCD, payload);
    const unsigned expected = 0x06 + 56 + 0xCD + 0xAB + 56 * 0xFF;
    EXPECT_EQ(FrameChecksum(f), expected & 0xFFFF);
    EXPECT_EQ(f[fo::kOffsetLow], 0xCD);
    EXPECT_EQ(f[fo::kOffsetHigh], 0xAB);
    EXPECT_EQ(f[fo::kStatus], 0x00);
    // Report id and the checksum bytes themselves are not summed.
    CommandFrame g = f;
    g[fo::kReportId] = 0x99;
    EXPECT_EQ(FrameChecksum(g), FrameChecksum(f));
    // Wraps at 16 bits.
    CommandFrame big{};
    big.fill(0xFF);
    EXPECT_EQ(FrameChecksum(big), (61u * 0xFF) & 0xFFFF);
}

TEST(CommandFrame, PayloadBeyondFiftySixBytesIsCutOff) {
    std::vector<uint8_t> payload(80, 0x11);
    const CommandFrame f = BuildFrame(Command::WriteMacroData, 56, 0, payload);
    for (std::size_t i = fo::kPayload; i < kFrameSize; ++i) {
        ASSERT_EQ(f[i], 0x11);
    }
}

Answer MakeAnswer(std::initializer_list<std::pair<std::size_t, uint8_t>> set, std::size_t received,
                  uint8_t command = 0x05) {
    Answer a;
    a.bytes[fo::kReportId] = 0x04;
    a.bytes[fo::kCommand] = command;
    for (auto [i, v] : set) {
        a.bytes[i] = v;
    }
    a.received = received;
    return a;
}

// The answer checks, one row per case: exchange result, the answer, the
// payload the command goes on to read, the order, and the code.
TEST(CommandFrame, AnswerCheckTable) {
    struct Row {
        const char* what;
        int exchange;
        Answer answer;
        std::size_t payload;
        CheckOrder order;
        int code;
    };
    const Row rows[] = {
        {"accepted", 1, MakeAnswer({}, 64), 56, CheckOrder::AnswerFirst, 1},
        {"status 0xFF", 1, MakeAnswer({{7, 0xFF}}, 64), 0, CheckOrder::AnswerFirst, -102},
        {"echo 0xFF", 1, MakeAnswer({}, 64, 0xFF), 0, CheckOrder::AnswerFirst, -102},
        {"status 0xFE", 1, MakeAnswer({{7, 0xFE}}, 64), 0, CheckOrder::AnswerFirst, -103},
        {"status wins over exchange result", 0, MakeAnswer({{7, 0xFE}}, 64), 0,
         CheckOrder::AnswerFirst, -103},
        {"exchange first for shoot data", 0, MakeAnswer({{7, 0xFE}}, 64), 0,
         CheckOrder::ExchangeFirst, 0},
        {"write failed", -1, Answer{}, 0, CheckOrder::AnswerFirst, -1},
        {"out of reach", -101, MakeAnswer({}, 64, 0xAA), 0, CheckOrder::AnswerFirst, -101},
        {"no answer", 0, Answer{}, 0, CheckOrder::AnswerFirst, 0},
        {"wrong echo", 1, MakeAnswer({}, 64, 0x1A), 0, CheckOrder::AnswerFirst, 0},
        {"short report", 1, MakeAnswer({}, 5), 0, CheckOrder::AnswerFirst, 0},
        {"short report with 0xFF status beyond its end", 1, MakeAnswer({{7, 0xFF}}, 7), 0,
         CheckOrder::AnswerFirst, 0},
        {"payload shorter than the chunk", 1, MakeAnswer({}, 20), 24, CheckOrder::AnswerFirst, 0},
        {"header only is enough for a write", 1, MakeAnswer({}, 8), 0, CheckOrder::AnswerFirst, 1},
        {"foreign report id", 1, MakeAnswer({{0, 0x03}}, 64), 0, CheckOrder::AnswerFirst, 0},
        {"foreign report id with 0xFF status", 1, MakeAnswer({{0, 0x03}, {7, 0xFF}}, 64), 0,
         CheckOrder::AnswerFirst, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(CheckAnswer(r.exchange, r.answer, 0x05, r.payload, r.order), r.code) << r.what;
    }
}

TEST(CommandFrame, TraceLineGroupsBytesInFours) {
    std::array<uint8_t, 32> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 9);
    }
    const std::string line = FormatFrameHalf(bytes).data();
    EXPECT_EQ(line,
              "00 09 12 1b   24 2d 36 3f   48 51 5a 63   6c 75 7e 87  90 99 a2 ab  b4 bd c6 cf  "
              "d8 e1 ea f3  fc 05 0e 17");
}

}  // namespace
