#include "app/devicemanager/discovery.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace devicemanager {
namespace {

// Interfaces as a table: path -> what opening it reports. The ids in the path
// are read the way real paths are: "vid:pid:mi:col|suffix".
class FakeScanner : public IHidScanner {
public:
    bool Enumerate(std::vector<std::string>& paths) override {
        ++enumerations;
        if (failEnumeration) {
            return false;
        }
        for (const auto& [path, description] : interfaces) {
            paths.push_back(path);
        }
        return true;
    }
    void PathIds(const std::string& path, uint16_t& vid, uint16_t& pid, uint16_t& mi,
                 uint16_t& col) override {
        unsigned v = 0, p = 0, m = 0, c = 0;
        std::sscanf(path.c_str(), "%x:%x:%x:%x", &v, &p, &m, &c);
        vid = static_cast<uint16_t>(v);
        pid = static_cast<uint16_t>(p);
        mi = static_cast<uint16_t>(m);
        col = static_cast<uint16_t>(c);
    }
    std::optional<InterfaceDescription> Describe(const std::string& path) override {
        described.insert(path);
        if (unopenable.contains(path) || !interfaces.contains(path)) {
            return std::nullopt;
        }
        return interfaces.at(path);
    }
    bool Present(const std::string& path) override { return interfaces.contains(path); }

    void PlugKeyboard() {
        interfaces["320f:5055:1:2"] = {0x320F, 0x5055, 0x0001, 0x06};
        interfaces["320f:5055:1:3"] = {0x320F, 0x5055, 0x000C, 0x01};
        interfaces["320f:5055:1:4"] = {0x320F, 0x5055, 0xFF1C, 0x92};
    }
    void UnplugKeyboard() {
        interfaces.erase("320f:5055:1:2");
        interfaces.erase("320f:5055:1:3");
        interfaces.erase("320f:5055:1:4");
    }

    std::map<std::string, InterfaceDescription> interfaces;
    std::set<std::string> unopenable;
    std::set<std::string> described;
    bool failEnumeration = false;
    int enumerations = 0;
};

class RecordingSink : public IDiscoverySink {
public:
    void OnAttach(size_t index) override { events.push_back("attach " + std::to_string(index)); }
    void OnDetach(size_t index) override { events.push_back("detach " + std::to_string(index)); }
    void OnFirstPass() override { events.push_back("first pass"); }
    std::vector<std::string> events;
};

class DiscoveryTest : public ::testing::Test {
protected:
    DeviceList list;
    FakeScanner scanner;
    RecordingSink sink;
    Discovery discovery{list, scanner, sink};
};

TEST_F(DiscoveryTest, NoDeviceStillReportsTheFirstPassOnce) {
    EXPECT_TRUE(discovery.RunPass());
    EXPECT_TRUE(discovery.RunPass());
    EXPECT_EQ(sink.events, std::vector<std::string>{"first pass"});
}

TEST_F(DiscoveryTest, KeyboardIsClaimedByItsTwoInterfacesOnly) {
    scanner.PlugKeyboard();
    ASSERT_TRUE(discovery.RunPass());
    const std::vector<std::string> expected = {"attach 1", "attach 0", "first pass"};
    EXPECT_EQ(sink.events, expected);
    EXPECT_FALSE(scanner.described.contains("320f:5055:1:2"))
        << "another collection is never even opened";
    EXPECT_EQ(list.Entry(0).path, "320f:5055:1:4");
    EXPECT_EQ(list.Entry(1).path, "320f:5055:1:3");
}

TEST_F(DiscoveryTest, UnplugDetachesAndReplugAttachesAgain) {
    scanner.PlugKeyboard();
    discovery.RunPass();
    sink.events.clear();
    scanner.UnplugKeyboard();
    discovery.RunPass();
    EXPECT_EQ(sink.events, (std::vector<std::string>{"detach 0", "detach 1"}));
    EXPECT_EQ(list.Entry(0).attached, 0);
    sink.events.clear();
    scanner.PlugKeyboard();
    discovery.RunPass();
    EXPECT_EQ(sink.events, (std::vector<std::string>{"attach 1", "attach 0"}));
}

TEST_F(DiscoveryTest, InterfaceThatCannotBeOpenedIsTriedAgainNextPass) {
    scanner.PlugKeyboard();
    scanner.unopenable.insert("320f:5055:1:4");
    discovery.RunPass();
    EXPECT_EQ(list.Entry(0).attached, 0);
    scanner.unopenable.clear();
    discovery.RunPass();
    EXPECT_EQ(list.Entry(0).attached, 1);
}

TEST_F(DiscoveryTest, WrongUsageOnTheRightPathIsNotClaimed) {
    scanner.interfaces["320f:5055:1:4"] = {0x320F, 0x5055, 0x0001, 0x02};
    discovery.RunPass();
    EXPECT_EQ(list.Entry(0).attached, 0);
}

TEST_F(DiscoveryTest, NothingIsEnumeratedWhileEverythingIsClaimed) {
    for (size_t i = 0; i < list.Size(); ++i) {
        const std::string path = "claimed" + std::to_string(i);
        list.MarkAttached(i, path);
        scanner.interfaces[path] = {};
    }
    discovery.RunPass();
    EXPECT_EQ(scanner.enumerations, 0);
}

TEST_F(DiscoveryTest, FailedEnumerationEndsDiscoveryButStillLetsTheWindowShow) {
    scanner.failEnumeration = true;
    EXPECT_FALSE(discovery.RunPass());
    platform::Event stop;
    discovery.Run(stop);  // returns by itself
    EXPECT_EQ(sink.events, std::vector<std::string>{"first pass"});
}

TEST_F(DiscoveryTest, ThreadStopsPromptly) {
    platform::WorkerThread thread;
    thread.Start("discovery", [&](platform::Event& stop) { discovery.Run(stop); });
    thread.Stop();
    EXPECT_FALSE(thread.Running());
}

}  // namespace
}  // namespace devicemanager
