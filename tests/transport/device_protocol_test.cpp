// CDeviceProtocol over real virtual HID endpoints, against the simulated
// firmware: every command, the edge cases of the protocol, every injected
// fault and the receiver path.

#include "transport/device_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/trace.h"
#include "sim/firmware.h"
#include "sim/simulated_device.h"
#include "support/temp_env.h"

namespace {

using sim::Fault;
using sim::FaultRule;
using sim::Region;
using transport::CDeviceProtocol;
using transport::Command;
namespace rc = transport::rc;

std::vector<uint8_t> Pattern(std::size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return v;
}

// One frame as the device saw it.
struct Seen {
    uint8_t command;
    uint16_t offset;
    uint8_t length;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "{0x" << std::hex << int{s.command} << ", " << std::dec << s.offset << ", "
              << int{s.length} << "}";
}

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = m_env.RuntimeDir() / "vhid";
        std::filesystem::create_directories(m_folder);
        auto cable = sim::SimulatedDevice::Serve(sim::KeyboardModel(), m_folder / "kb.sock");
        ASSERT_TRUE(cable) << cable.error().message;
        m_cable = std::move(*cable);
        auto receiver =
            sim::SimulatedDevice::Serve(sim::KeyboardReceiverModel(), m_folder / "rx.sock");
        ASSERT_TRUE(receiver) << receiver.error().message;
        m_receiver = std::move(*receiver);
    }

    // Opens the protocol the way the device manager does: under the I/O lock,
    // then the open flag and the connection mode.
    void OpenCable(CDeviceProtocol& p) {
        std::lock_guard io(p.IoLock());
        ASSERT_TRUE(p.Channel1().Open(m_cable->CommandPath(), transport::HidAccess::ReadWrite));
        p.SetOpen(true);
        p.SetConnectionMode(1);
    }
    void OpenReceiver(CDeviceProtocol& p) {
        std::lock_guard io(p.IoLock());
        ASSERT_TRUE(p.Channel2().Open(m_receiver->CommandPath(), transport::HidAccess::ReadWrite));
        p.SetOpen(true);
        p.SetConnectionMode(2);
    }

    static std::vector<Seen> Frames(sim::SimulatedDevice& d) {
        std::vector<Seen> out;
        for (const sim::LoggedFrame& f : d.Core().ReceivedFrames()) {
            EXPECT_TRUE(f.checksumOk);
            out.push_back({f.Command(), f.Offset(), f.Length()});
        }
        return out;
    }

    testsupport::TempEnv m_env;
    std::filesystem::path m_folder;
    std::unique_ptr<sim::SimulatedDevice> m_cable;
    std::unique_ptr<sim::SimulatedDevice> m_receiver;
};

// The edge cases of the protocol, one row each: the connection, whether the
// protocol is open, the operation, its code and the frames the device saw.
TEST_F(ProtocolTest, EdgeCases) {
    enum class Via { Cable, Receiver, ClosedCable, ClosedReceiver };
    struct Row {
        const char* what;
        Via via;
        std::function<int(CDeviceProtocol&)> op;
        int code;
        std::vector<Seen> frames;
        std::optional<FaultRule> fault = std::nullopt;
    };
    std::array<uint8_t, 34> info{};
    std::vector<uint8_t> table(512);
    const std::vector<Row> rows = {
        {"34-byte read over the receiver takes 24 + 10",
         Via::Receiver,
         [&](CDeviceProtocol& p) { return p.ReadDeviceInfo(info); },
         1,
         {{0x03, 0, 24}, {0x03, 24, 10}}},
        {"34-byte read over the cable takes one frame",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.ReadDeviceInfo(info); },
         1,
         {{0x03, 0, 34}}},
        {"block size 513 is refused and 512 stays",
         Via::Cable,
         [](CDeviceProtocol& p) {
             return p.SetBlockSize(513) ? 2 : (p.BlockSize() == 512 ? 1 : 3);
         },
         1,
         {}},
        {"key table page 1 is refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WriteKeyTable(table, 1); },
         -201,
         {}},
        {"Fn table page 2 is refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WriteKeyTable2(table, 2); },
         -201,
         {}},
        {"out of reach ends the exchange at once",
         Via::Receiver,
         [](CDeviceProtocol& p) { return p.BeginTransfer(); },
         -101,
         {{0x01, 0, 0}},
         FaultRule{.fault = Fault::OutOfReach}},
        {"a write that fails gives -1",
         Via::Cable,
         [](CDeviceProtocol& p) {
             p.Channel1().Close();
             return p.BeginTransfer();
         },
         -1,
         {}},
        {"CheckLink on the cable sends nothing",
         Via::Cable,
         [](CDeviceProtocol& p) { return p.CheckLink() ? 1 : 0; },
         1,
         {}},
        {"CheckLink on a closed receiver protocol is false",
         Via::ClosedReceiver,
         [](CDeviceProtocol& p) { return p.CheckLink() ? 1 : 0; },
         0,
         {}},
        {"CheckLink on the receiver asks it",
         Via::Receiver,
         [](CDeviceProtocol& p) { return p.CheckLink() ? 1 : 0; },
         1,
         {{0xAA, 0, 0}}},
        {"a chunk that fails ends the transfer, earlier chunks stay",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WriteMacroData(Pattern(150, 1)); },
         -102,
         {{0x15, 0, 56}, {0x15, 56, 56}},
         FaultRule{.fault = Fault::Rejected, .skip = 1}},
        {"shoot data goes in 56-byte chunks on the receiver too",
         Via::Receiver,
         [&](CDeviceProtocol& p) { return p.WriteShootData(Pattern(100, 2)); },
         1,
         {{0x17, 0, 56}, {0x17, 56, 44}}},
        {"key table short reads block size / 3",
         Via::Cable,
         [&](CDeviceProtocol& p) {
             p.SetBlockSize(100);
             return p.ReadKeyTableShort(table);
         },
         1,
         {{0x1B, 0, 33}}},
        {"paged block offset is page x page size",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WritePagedBlock(Pattern(10, 3), 3, 512); },
         1,
         {{0x0B, 1536, 10}}},
        {"paged block past 16-bit offsets is refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WritePagedBlock(Pattern(10, 3), 128, 512); },
         0,
         {}},
        {"settings that would wrap the offset are refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.WriteSettings(Pattern(40, 3), 0xFFF0); },
         0,
         {}},
        {"status longer than one frame is refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.ReadStatus(std::span(table).first(57), 0); },
         0,
         {}},
        {"key table buffer smaller than the block is refused unsent",
         Via::Cable,
         [&](CDeviceProtocol& p) { return p.ReadKeyTable(std::span(table).first(100)); },
         0,
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CDeviceProtocol p;
        sim::SimulatedDevice& dev =
            (row.via == Via::Receiver || row.via == Via::ClosedReceiver) ? *m_receiver : *m_cable;
        if (row.via == Via::Cable) {
            OpenCable(p);
        } else if (row.via == Via::Receiver) {
            OpenReceiver(p);
        } else {
            p.SetConnectionMode(row.via == Via::ClosedReceiver ? 2 : 1);
        }
        dev.Core().ClearLog();
        if (row.fault) {
            dev.Core().InjectFault(*row.fault);
        }
        EXPECT_EQ(row.op(p), row.code);
        EXPECT_EQ(Frames(dev), row.frames);
        dev.Core().ClearFaults();
    }
}

TEST_F(ProtocolTest, ClosedProtocolSendsNothingAndReturnsZero) {
    for (int mode : {1, 2}) {
        CDeviceProtocol p;
        p.SetConnectionMode(mode);
        std::array<uint8_t, 34> info{};
        std::vector<uint8_t> buf(512);
        const std::vector<std::function<int()>> ops = {
            [&] { return p.BeginTransfer(); },
            [&] { return p.EndTransfer(); },
            [&] { return p.ReadDeviceInfo(info); },
            [&] { return p.ReadSettings(std::span(buf).first(39), 0); },
            [&] { return p.WriteSettings(std::span(buf).first(39), 0); },
            [&] { return p.ReadKeyTable(buf); },
            [&] { return p.WriteKeyTable(buf, 0); },
            [&] { return p.WriteKeyTable2(buf, 0); },
            [&] { return p.WriteKeyTable3(buf, 0); },
            [&] { return p.ReadKeyTableShort(buf); },
            [&] { return p.ReadPagedBlock(std::span(buf).first(30), 1, 512); },
            [&] { return p.WritePagedBlock(std::span(buf).first(30), 1, 512); },
            [&] { return p.StreamLightFrame(std::span(buf).first(30)); },
            [&] { return p.WriteMacroData(std::span(buf).first(30)); },
            [&] { return p.WriteShootData(std::span(buf).first(30)); },
            [&] { return p.ReadStatus(std::span(buf).first(6), 0); },
            [&] { return p.EnableHostLighting(); },
        };
        for (std::size_t i = 0; i < ops.size(); ++i) {
            EXPECT_EQ(ops[i](), 0) << "operation " << i << " mode " << mode;
        }
        EXPECT_EQ(p.CheckLink(), mode == 1);
    }
    EXPECT_EQ(m_cable->Core().ReceivedCount(), 0u);
    EXPECT_EQ(m_receiver->Core().ReceivedCount(), 0u);
}

// Every command over the cable and over the receiver, checked against the
// device's memory.
TEST_F(ProtocolTest, EveryCommandReachesTheDevice) {
    for (bool viaReceiver : {false, true}) {
        SCOPED_TRACE(viaReceiver ? "receiver" : "cable");
        CDeviceProtocol p;
        sim::SimulatedDevice& dev = viaReceiver ? *m_receiver : *m_cable;
        if (viaReceiver) {
            OpenReceiver(p);
        } else {
            OpenCable(p);
        }
        sim::Firmware& fw = dev.Core();
        const std::size_t chunk = viaReceiver ? 24 : 56;

        EXPECT_TRUE(p.CheckLink());
        EXPECT_EQ(p.BeginTransfer(), 1);
        EXPECT_TRUE(fw.TransferOpen());

        std::array<uint8_t, 34> info{};
        ASSERT_EQ(p.ReadDeviceInfo(info), 1);
        EXPECT_EQ(std::vector<uint8_t>(info.begin(), info.end()),
                  fw.ReadRegion(Region::Info, 0, 34));
        const unsigned keys = info[sim::info_offset::kKeyCount];
        ASSERT_TRUE(p.SetBlockSize(keys * 3));

        std::vector<uint8_t> matrix(512);
        ASSERT_EQ(p.ReadKeyTable(matrix), 1);
        EXPECT_TRUE(std::equal(matrix.begin(), matrix.begin() + keys * 3,
                               fw.ReadRegion(Region::KeyMatrix, 0, keys * 3).begin()));
        std::vector<uint8_t> leds(512);
        ASSERT_EQ(p.ReadKeyTableShort(leds), 1);
        EXPECT_EQ(leds[keys - 1], keys - 1);

        const auto record = Pattern(39, 10);
        EXPECT_EQ(p.WriteSettings(record, 40), 1);
        std::vector<uint8_t> back(39);
        EXPECT_EQ(p.ReadSettings(back, 40), 1);
        EXPECT_EQ(back, record);

        const auto normal = Pattern(keys * 3, 20);
        const auto fn = Pattern(keys * 3, 30);
        const auto third = Pattern(keys * 3, 40);
        EXPECT_EQ(p.WriteKeyTable(normal, 0), 1);
        EXPECT_EQ(p.WriteKeyTable2(fn, 0), 1);
        EXPECT_EQ(p.WriteKeyTable3(third, 0), 1);
        EXPECT_EQ(fw.ReadRegion(Region::KeyTable, 0, normal.size()), normal);
        EXPECT_EQ(fw.ReadRegion(Region::KeyTable2, 0, fn.size()), fn);
        EXPECT_EQ(fw.ReadRegion(Region::KeyTable3, 0, third.size()), third);

        const auto colours = Pattern(keys * 3, 50);
        EXPECT_EQ(p.WritePagedBlock(colours, 2, 512), 1);
        std::vector<uint8_t> coloursBack(colours.size());
        EXPECT_EQ(p.ReadPagedBlock(coloursBack, 2, 512), 1);
        EXPECT_EQ(coloursBack, colours);
        EXPECT_EQ(fw.ReadRegion(Region::Paged, 1024, colours.size()), colours);

        const auto macro = Pattern(300, 60);
        EXPECT_EQ(p.WriteMacroData(macro), 1);
        EXPECT_EQ(fw.ReadRegion(Region::Macro, 0, macro.size()), macro);

        const auto shoot = Pattern(130, 70);
        EXPECT_EQ(p.WriteShootData(shoot), 1);
        EXPECT_EQ(fw.ReadRegion(Region::Shoot, 0, shoot.size()), shoot);

        const auto frame = Pattern(keys * 3, 80);
        fw.ClearLog();
        EXPECT_EQ(p.StreamLightFrame(frame), 1);
        EXPECT_EQ(fw.ReadRegion(Region::LiveFrame, 0, frame.size()), frame);
        EXPECT_EQ(fw.ReceivedCount(), (frame.size() + chunk - 1) / chunk);

        std::array<uint8_t, 6> status{};
        EXPECT_EQ(p.ReadStatus(status, 0), 1);
        EXPECT_EQ(status[0], 0x64);

        EXPECT_EQ(p.EnableHostLighting(), 1);
        EXPECT_TRUE(fw.HostLightingEnabled());
        EXPECT_EQ(p.EndTransfer(), 1);
        EXPECT_FALSE(fw.TransferOpen());
    }
}

// Each fault the firmware can show, against a read and a write: the code, and
// whether the data was taken.
TEST_F(ProtocolTest, InjectedFaultsGiveReturnCodes) {
    struct Row {
        Fault fault;
        int code;
    };
    const Row rows[] = {
        {Fault::Rejected, -102},
        {Fault::StatusError, -102},
        {Fault::SecondError, -103},
        {Fault::WrongEcho, 0},
        {Fault::ShortReport, 0},
        // The channel keeps the collection's 64 bytes of an over-long report;
        // here they are the whole answer.
        {Fault::LongReport, 1},
        {Fault::GarbageReport, 0},
        {Fault::ForeignReport, 0},
        {Fault::NoAnswer, 0},
        {Fault::OutOfReach, 0},  // on the cable 0xAA is just a wrong echo
        {Fault::EchoThenAnswer, 1},
    };
    CDeviceProtocol p;
    OpenCable(p);
    sim::Firmware& fw = m_cable->Core();
    const std::vector<uint8_t> before = fw.ReadRegion(Region::Status, 0, 6);
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fault));
        fw.InjectFault({.fault = row.fault, .command = 0x1A});
        std::array<uint8_t, 6> status{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(p.ReadStatus(status, 0), row.code);
        if (row.code == 1) {
            EXPECT_EQ(std::vector<uint8_t>(status.begin(), status.end()), before);
        } else {
            // Nothing of a bad answer reaches the caller.
            EXPECT_EQ(status, (std::array<uint8_t, 6>{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
        }
        // The protocol is not left confused: the next exchange is fine.
        EXPECT_EQ(p.BeginTransfer(), 1);
    }
}

// The faults a receiver answers at once, on a chunked read through it. (The
// ones that end in a time-out cost 5 s per read there; the cable covers them.)
TEST_F(ProtocolTest, ReceiverFaults) {
    struct Row {
        Fault fault;
        int code;
        std::size_t frames;
    };
    const Row rows[] = {
        {Fault::Rejected, -102, 1},   {Fault::StatusError, -102, 1}, {Fault::SecondError, -103, 1},
        {Fault::OutOfReach, -101, 1}, {Fault::EchoThenAnswer, 1, 2},
    };
    CDeviceProtocol p;
    OpenReceiver(p);
    sim::Firmware& fw = m_receiver->Core();
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fault));
        fw.ClearLog();
        fw.InjectFault({.fault = row.fault, .command = 0x03});
        std::array<uint8_t, 34> info{};
        EXPECT_EQ(p.ReadDeviceInfo(info), row.code);
        EXPECT_EQ(fw.ReceivedCount(), row.frames);
        if (row.code == 1) {
            EXPECT_EQ(std::vector<uint8_t>(info.begin(), info.end()),
                      fw.ReadRegion(Region::Info, 0, 34));
        }
    }
}

TEST_F(ProtocolTest, UnplugInTheMiddleOfATransfer) {
    CDeviceProtocol p;
    OpenCable(p);
    sim::Firmware& fw = m_cable->Core();
    fw.InjectFault({.fault = Fault::Unplug, .command = 0x15, .skip = 2});
    const auto macro = Pattern(300, 5);
    const int code = p.WriteMacroData(macro);
    EXPECT_TRUE(code == 0 || code == -1) << code;
    // The two chunks before the unplug stay on the device; nothing after.
    EXPECT_EQ(fw.ReadRegion(Region::Macro, 0, 112),
              std::vector<uint8_t>(macro.begin(), macro.begin() + 112));
    EXPECT_EQ(fw.ReadRegion(Region::Macro, 112, 56), std::vector<uint8_t>(56, 0));
    EXPECT_FALSE(m_cable->IsPlugged());
    const int after = p.BeginTransfer();
    EXPECT_TRUE(after == 0 || after == -1) << after;

    // Plugged back and opened again, the device answers as before.
    ASSERT_TRUE(m_cable->Replug());
    OpenCable(p);
    EXPECT_EQ(p.WriteMacroData(macro), 1);
    EXPECT_EQ(fw.ReadRegion(Region::Macro, 0, macro.size()), macro);
}

TEST_F(ProtocolTest, ReceiverWithItsDeviceAway) {
    CDeviceProtocol p;
    OpenReceiver(p);
    sim::Firmware& fw = m_receiver->Core();
    fw.SetInReach(false);
    EXPECT_FALSE(p.CheckLink());
    std::array<uint8_t, 34> info{};
    EXPECT_EQ(p.ReadDeviceInfo(info), -101);
    EXPECT_EQ(p.WriteSettings(Pattern(39, 1), 0), -101);
    EXPECT_EQ(fw.ReadRegion(Region::Settings, 1, 2), (std::vector<uint8_t>{0x01, 0x04}));
    fw.SetInReach(true);
    EXPECT_TRUE(p.CheckLink());
    EXPECT_EQ(p.ReadDeviceInfo(info), 1);
}

TEST_F(ProtocolTest, LoggedExchangesTraceTheFramesQuietOnesDoNot) {
    CDeviceProtocol p;
    OpenCable(p);
    platform::TraceCapture capture;
    EXPECT_EQ(p.BeginTransfer(), 1);
    const std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "命令");
    EXPECT_EQ(lines[1],
              "04 01 00 01   00 00 00 00   00 00 00 00   00 00 00 00  00 00 00 00  00 00 00 00  "
              "00 00 00 00  00 00 00 00");
    EXPECT_EQ(lines[3], "返回");
    EXPECT_EQ(lines[4].substr(0, 12), "04 01 00 01 ");
    capture.Clear();
    EXPECT_EQ(p.StreamLightFrame(Pattern(100, 1)), 1);
    EXPECT_TRUE(capture.Lines().empty());
}

// While a configuration exchange waits for its answer, live lighting steps
// aside: its chunks are dropped, traced and count as delivered.
TEST_F(ProtocolTest, LightingStepsAsideWhileBusy) {
    CDeviceProtocol p;
    OpenCable(p);
    sim::Firmware& fw = m_cable->Core();
    fw.InjectFault({.fault = Fault::NoAnswer, .command = 0x06});
    std::thread config([&] { EXPECT_EQ(p.WriteSettings(Pattern(10, 1), 0), 0); });
    while (!p.IsBusy()) {
        std::this_thread::yield();
    }
    platform::TraceCapture capture;
    EXPECT_EQ(p.StreamLightFrame(Pattern(100, 2)), 1);
    config.join();
    EXPECT_TRUE(capture.Contains("放弃灯光数据"));
    for (const sim::LoggedFrame& f : fw.ReceivedFrames()) {
        EXPECT_NE(f.Command(), 0x12);
    }
    EXPECT_FALSE(p.IsBusy());
    EXPECT_EQ(p.StreamLightFrame(Pattern(100, 2)), 1);
}

// Threads sharing one protocol each get their own answers.
TEST_F(ProtocolTest, ConcurrentCommandsAndLighting) {
    CDeviceProtocol p;
    OpenCable(p);
    std::thread lighting([&] {
        for (int i = 0; i < 50; ++i) {
            const int code = p.StreamLightFrame(Pattern(312, static_cast<uint8_t>(i)));
            EXPECT_EQ(code, 1);
        }
    });
    for (int i = 0; i < 20; ++i) {
        const auto record = Pattern(39, static_cast<uint8_t>(i));
        EXPECT_EQ(p.WriteSettings(record, 0), 1);
        std::vector<uint8_t> back(39);
        EXPECT_EQ(p.ReadSettings(back, 0), 1);
        EXPECT_EQ(back, record);
    }
    lighting.join();
}

}  // namespace
