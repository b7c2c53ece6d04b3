// Simulated devices as the program sees them: enumerated next to hidraw
// nodes, with the ids and collections of the real devices, unplugged and
// plugged back, and sending media keys on their event collection.

#include "sim/simulated_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "support/temp_env.h"
#include "transport/hid_channel.h"
#include "transport/hid_enumerator.h"

namespace {

using transport::CHidChannel;
using transport::HidAccess;

class SimulatedDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = transport::CurrentHidRoots();
        transport::HidRoots roots;
        roots.hidraw = false;
        roots.virtualFolder = m_env.RuntimeDir() / "vhid";
        std::filesystem::create_directories(roots.virtualFolder);
        transport::SetHidRoots(roots);
        m_folder = roots.virtualFolder;
    }
    void TearDown() override { transport::SetHidRoots(m_saved); }

    static bool Listed(const std::string& path) {
        CHidChannel lister;
        if (!lister.EnumeratePaths()) {
            return false;
        }
        const auto& paths = lister.Paths();
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }

    testsupport::TempEnv m_env;
    transport::HidRoots m_saved;
    std::filesystem::path m_folder;
};

TEST_F(SimulatedDeviceTest, EnumeratesWithTheRealIdsAndCollections) {
    struct Row {
        sim::DeviceModel model;
        uint16_t productId;
    };
    const Row rows[] = {{sim::KeyboardModel(), 0x5055},
                        {sim::KeyboardReceiverModel(), 0x5088},
                        {sim::MouseModel(), 0x50EF},
                        {sim::MouseReceiverModel(), 0x221D},
                        {sim::MousepadModel(), 0x1004}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.model.kind));
        auto device = sim::SimulatedDevice::Serve(row.model, m_folder / "dev.sock");
        ASSERT_TRUE(device) << device.error().message;
        const std::string command = (*device)->CommandPath();
        EXPECT_TRUE(Listed(command));
        EXPECT_TRUE(Listed((*device)->EventPath()));

        const transport::HidPathIds ids = transport::ParseInterfacePath(command);
        EXPECT_EQ(ids.vendorId, 0x320F);
        EXPECT_EQ(ids.productId, row.productId);
        EXPECT_EQ(ids.interfaceNumber, 1);
        EXPECT_EQ(ids.collectionNumber, 4);

        CHidChannel channel;
        ASSERT_TRUE(channel.Open(command, HidAccess::ReadWrite)) << channel.OpenError().message;
        EXPECT_EQ(channel.VendorId(), 0x320F);
        EXPECT_EQ(channel.ProductId(), row.productId);
        EXPECT_EQ(channel.UsagePage(), 0xFF1C);
        EXPECT_EQ(channel.Usage(), 0x92);
        EXPECT_EQ(channel.InputReportLength(), 64);
        EXPECT_EQ(channel.OutputReportLength(), 64);

        CHidChannel events;
        ASSERT_TRUE(events.Open((*device)->EventPath(), HidAccess::Read));
        EXPECT_EQ(events.UsagePage(), 0x000C);
        EXPECT_EQ(events.Usage(), 0x01);
    }
}

TEST_F(SimulatedDeviceTest, UnplugHidesTheDeviceAndReplugKeepsItsMemory) {
    auto device = sim::SimulatedDevice::Serve(sim::KeyboardModel(), m_folder / "kb.sock");
    ASSERT_TRUE(device);
    sim::SimulatedDevice& d = **device;
    const std::array<uint8_t, 3> written{7, 8, 9};
    d.Core().WriteRegion(sim::Region::Settings, 40, written);

    d.Unplug();
    EXPECT_FALSE(d.IsPlugged());
    EXPECT_FALSE(Listed(d.CommandPath()));
    EXPECT_FALSE(CHidChannel::PathPresent(d.CommandPath()));
    CHidChannel channel;
    EXPECT_FALSE(channel.Open(d.CommandPath(), HidAccess::ReadWrite));

    ASSERT_TRUE(d.Replug());
    EXPECT_TRUE(Listed(d.CommandPath()));
    EXPECT_EQ(d.Core().ReadRegion(sim::Region::Settings, 40, 3),
              std::vector<uint8_t>(written.begin(), written.end()));
}

TEST_F(SimulatedDeviceTest, MediaKeysArriveOnTheEventCollectionOnly) {
    auto device = sim::SimulatedDevice::Serve(sim::KeyboardModel(), m_folder / "kb.sock");
    ASSERT_TRUE(device);
    CHidChannel events;
    CHidChannel commands;
    ASSERT_TRUE(events.Open((*device)->EventPath(), HidAccess::Read));
    ASSERT_TRUE(commands.Open((*device)->CommandPath(), HidAccess::ReadWrite));
    ASSERT_TRUE((*device)->SendConsumerKey(0x00E9));

    std::array<uint8_t, 64> buffer{};
    size_t got = 0;
    ASSERT_TRUE(events.Read(buffer, got, transport::Millis{2000}));
    ASSERT_EQ(got, 3u);
    EXPECT_EQ(buffer[0], 3);
    EXPECT_EQ(buffer[1], 0xE9);
    ASSERT_TRUE(events.Read(buffer, got, transport::Millis{2000}));
    EXPECT_EQ(buffer[1], 0x00);
    // The command collection never sees them.
    EXPECT_FALSE(commands.Read(buffer, got, transport::Millis{50}));
}

}  // namespace
