// Discovery against simulated devices served on real virtual endpoints.

#include "app/devicemanager/hid_scanner.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "sim/simulated_device.h"
#include "support/temp_env.h"
#include "transport/hid_enumerator.h"

namespace devicemanager {
namespace {

class Events : public IDiscoverySink {
public:
    void OnAttach(size_t index) override { log.push_back("attach " + std::to_string(index)); }
    void OnDetach(size_t index) override { log.push_back("detach " + std::to_string(index)); }
    void OnFirstPass() override {}
    std::vector<std::string> log;
};

class ScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        transport::HidRoots roots;
        roots.hidraw = false;  // the machine's own devices stay out of the test
        roots.virtualFolder = env.Root() / "vhid";
        std::filesystem::create_directories(roots.virtualFolder);
        transport::SetHidRoots(roots);
        folder = roots.virtualFolder;
    }
    void TearDown() override { transport::SetHidRoots({}); }

    std::unique_ptr<sim::SimulatedDevice> Serve(sim::DeviceModel model, const char* name) {
        auto device = sim::SimulatedDevice::Serve(std::move(model), folder / name);
        EXPECT_TRUE(device) << device.error().message;
        return device ? std::move(*device) : nullptr;
    }

    testsupport::TempEnv env;
    std::filesystem::path folder;
    DeviceList list;
    ChannelHidScanner scanner;
    Events events;
    Discovery discovery{list, scanner, events};
};

TEST_F(ScannerTest, SimulatedKeyboardIsClaimedAndLost) {
    auto keyboard = Serve(sim::KeyboardModel(), "kb.sock");
    ASSERT_TRUE(keyboard);
    ASSERT_TRUE(discovery.RunPass());
    EXPECT_EQ(events.log, (std::vector<std::string>{"attach 1", "attach 0"}));
    EXPECT_EQ(list.Entry(0).path, keyboard->CommandPath());
    EXPECT_EQ(list.Entry(1).path, keyboard->EventPath());

    events.log.clear();
    keyboard->Unplug();
    discovery.RunPass();
    EXPECT_EQ(events.log, (std::vector<std::string>{"detach 0", "detach 1"}));

    events.log.clear();
    ASSERT_TRUE(keyboard->Replug());
    discovery.RunPass();
    EXPECT_EQ(events.log, (std::vector<std::string>{"attach 1", "attach 0"}));
}

TEST_F(ScannerTest, MouseCableAndReceiverAreClaimedSeparately) {
    auto cable = Serve(sim::MouseModel(), "mouse.sock");
    auto receiver = Serve(sim::MouseReceiverModel(), "receiver.sock");
    ASSERT_TRUE(cable && receiver);
    discovery.RunPass();
    for (size_t i : {4u, 5u, 6u, 7u}) {
        EXPECT_EQ(list.Entry(i).attached, 1) << i;
    }
    EXPECT_EQ(list.Entry(0).attached, 0) << "no keyboard here";
}

}  // namespace
}  // namespace devicemanager
