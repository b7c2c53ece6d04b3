// The firmware core in-process: frames in, answers out, memory and faults.

#include "sim/firmware.h"

#include <gtest/gtest.h>

#include <vector>

#include "transport/command_frame.h"

namespace {

using sim::Fault;
using sim::Firmware;
using sim::Region;
using transport::BuildFrame;
using transport::Command;
namespace fo = transport::frame_offset;

std::span<const uint8_t> Bytes(const transport::CommandFrame& f) {
    return f;
}

TEST(SimFirmware, AnswersReadsFromItsMemoryAndEchoesTheCommand) {
    Firmware fw(sim::KeyboardModel());
    const auto reply = fw.HandleOutputReport(Bytes(BuildFrame(Command::ReadDeviceInfo, 34, 0)));
    ASSERT_EQ(reply.count, 1u);
    const auto& a = reply.reports[0];
    EXPECT_EQ(a.length, 64u);
    EXPECT_EQ(a.bytes[fo::kReportId], 0x04);
    EXPECT_EQ(a.bytes[fo::kCommand], 0x03);
    EXPECT_EQ(a.bytes[fo::kStatus], 0x00);
    EXPECT_EQ(a.bytes[fo::kPayload + sim::info_offset::kKeyCount], 104);
    EXPECT_EQ(a.bytes[fo::kPayload + sim::info_offset::kMacroCapacity], 32);
}

TEST(SimFirmware, WritesLandInTheirRegion) {
    Firmware fw(sim::KeyboardModel());
    const std::vector<uint8_t> data{1, 2, 3, 4};
    fw.HandleOutputReport(Bytes(BuildFrame(Command::WriteKeyTable2, 4, 300, data)));
    EXPECT_EQ(fw.ReadRegion(Region::KeyTable2, 300, 4), data);
    EXPECT_EQ(fw.ReadRegion(Region::KeyTable, 300, 4), fw.ReadRegion(Region::KeyMatrix, 300, 4));
}

TEST(SimFirmware, RefusesBadChecksumAndOutOfRangeAccess) {
    Firmware fw(sim::KeyboardModel());
    auto frame = BuildFrame(Command::WriteSettings, 2, 0, std::vector<uint8_t>{9, 9});
    frame[fo::kChecksumLow] ^= 1;
    auto reply = fw.HandleOutputReport(Bytes(frame));
    ASSERT_EQ(reply.count, 1u);
    EXPECT_EQ(reply.reports[0].bytes[fo::kCommand], 0xFF);
    EXPECT_EQ(fw.ReadRegion(Region::Settings, 0, 1)[0], 0x00);
    EXPECT_FALSE(fw.ReceivedFrames().back().checksumOk);

    reply = fw.HandleOutputReport(Bytes(BuildFrame(Command::ReadDeviceInfo, 24, 24)));
    EXPECT_EQ(reply.reports[0].bytes[fo::kStatus], 0xFF);  // 24 + 24 > 34
}

TEST(SimFirmware, ReceiverAnswersOutOfReachAndLinkState) {
    Firmware fw(sim::KeyboardReceiverModel());
    auto reply = fw.HandleOutputReport(Bytes(BuildFrame(Command::CheckLink)));
    EXPECT_EQ(reply.reports[0].bytes[fo::kCommand], 0xAA);
    EXPECT_EQ(reply.reports[0].bytes[fo::kPayload], 0xFF);
    fw.SetInReach(false);
    reply = fw.HandleOutputReport(Bytes(BuildFrame(Command::CheckLink)));
    EXPECT_EQ(reply.reports[0].bytes[fo::kPayload], 0x00);
    reply = fw.HandleOutputReport(Bytes(BuildFrame(Command::BeginTransfer)));
    EXPECT_EQ(reply.reports[0].bytes[fo::kCommand], 0xAA);
    EXPECT_FALSE(fw.TransferOpen());
}

TEST(SimFirmware, FaultRulesSkipAndCountMatchingFrames) {
    Firmware fw(sim::KeyboardModel());
    fw.InjectFault({.fault = Fault::NoAnswer, .command = 0x06, .skip = 1, .count = 2});
    const auto frame = BuildFrame(Command::WriteSettings, 1, 0, std::vector<uint8_t>{1});
    const auto write = Bytes(frame);
    EXPECT_EQ(fw.HandleOutputReport(Bytes(BuildFrame(Command::BeginTransfer))).count, 1u);
    EXPECT_EQ(fw.HandleOutputReport(write).count, 1u);  // skipped
    EXPECT_EQ(fw.HandleOutputReport(write).count, 0u);
    EXPECT_EQ(fw.HandleOutputReport(write).count, 0u);
    EXPECT_EQ(fw.HandleOutputReport(write).count, 1u);  // rule used up
    EXPECT_EQ(fw.ReceivedCount(), 5u);
}

TEST(SimFirmware, LogKeepsTheLatestFramesAndCountsAll) {
    Firmware fw(sim::KeyboardModel());
    const std::size_t total = Firmware::kLogCapacity + 10;
    for (std::size_t i = 0; i < total; ++i) {
        const auto frame = BuildFrame(Command::StreamLightFrame, 3, static_cast<uint16_t>(i % 400),
                                      std::vector<uint8_t>{1, 2, 3});
        fw.HandleOutputReport(Bytes(frame));
    }
    const auto frames = fw.ReceivedFrames();
    EXPECT_EQ(fw.ReceivedCount(), total);
    ASSERT_EQ(frames.size(), Firmware::kLogCapacity);
    EXPECT_EQ(frames.back().Offset(), (total - 1) % 400);
    EXPECT_EQ(frames.front().Offset(), 10u);
}

TEST(SimFirmware, IgnoresReportsThatAreNotFrames) {
    Firmware fw(sim::KeyboardModel());
    const std::vector<uint8_t> shortReport{0x04, 0, 0, 0x01};
    EXPECT_EQ(fw.HandleOutputReport(shortReport).count, 0u);
    auto foreign = BuildFrame(Command::BeginTransfer);
    foreign[0] = 0x01;
    EXPECT_EQ(fw.HandleOutputReport(Bytes(foreign)).count, 0u);
}

}  // namespace
