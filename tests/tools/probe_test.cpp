#include "probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/temp_env.h"
#include "transport/fake_sysfs.h"
#include "transport/hid_test_descriptors.h"

namespace probe {
namespace {

bool AnyContains(const std::vector<std::string>& lines, const std::string& fragment) {
    for (const std::string& line : lines) {
        if (line.find(fragment) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class ProbeTest : public ::testing::Test {
protected:
    ProbeOptions Options() const {
        ProbeOptions o;
        o.sysRoot = m_dir.Path() / "sys";
        o.devFolder = m_dir.Path() / "dev";
        o.virtualEndpoints = false;
        return o;
    }
    testsupport::TempDir m_dir;
    transport::testdata::FakeSysfs m_sysfs{m_dir.Path()};
};

TEST_F(ProbeTest, MarksTheSupportedCollections) {
    m_sysfs.Add(0, 0x046D, 0xC31C, 0, transport::testdata::kBootKeyboard);
    m_sysfs.Add(3, 0x320F, 0x5055, 1, transport::testdata::kCompositeInterface);
    const ProbeReport r = RunProbe(Options());
    EXPECT_EQ(r.usableSupported, 1);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front();
    EXPECT_TRUE(AnyContains(r.lines, "320f:5055  interface 1  [supported device]"));
    EXPECT_TRUE(
        AnyContains(r.lines, "&col04  usage page ff1c, usage 0092  <- keyboard (commands)"));
    EXPECT_TRUE(AnyContains(r.lines, "&col03  usage page 000c, usage 0001  <- keyboard (events)"));
    EXPECT_FALSE(AnyContains(r.lines, "046d:c31c  interface 0  [supported"));
}

TEST_F(ProbeTest, ExplainsWhatTheUserCanFix) {
    m_sysfs.Add(3, 0x320F, 0x5055, 1, transport::testdata::kCompositeInterface);
    m_sysfs.Add(4, 0x320F, 0x1004, 1, transport::testdata::kWheelMouse);  // other firmware
    const auto usb = m_dir.Path() / "sys/bus/usb/devices/1-9";
    std::filesystem::create_directories(usb);
    std::ofstream(usb / "idVendor") << "320f\n";
    std::ofstream(usb / "idProduct") << "50ef\n";
    const bool root = ::geteuid() == 0;
    ::chmod((m_dir.Path() / "dev/hidraw3").c_str(), 0);

    const ProbeReport r = RunProbe(Options());
    if (!root) {  // root may open anything
        EXPECT_TRUE(AnyContains(r.problems,
                                "found 320f:5055 on " + (m_dir.Path() / "dev/hidraw3").string() +
                                    " but it is not readable: install packaging/70-quillon.rules"));
    }
    EXPECT_TRUE(AnyContains(r.problems, "found 320f:1004 interface 1"));
    EXPECT_TRUE(
        AnyContains(r.problems, "USB device 320f:50ef is connected but has no hidraw node"));
}

TEST_F(ProbeTest, SaysWhenNothingIsConnected) {
    const ProbeReport r = RunProbe(Options());
    EXPECT_EQ(r.usableSupported, 0);
    EXPECT_TRUE(AnyContains(r.problems, "no supported device is connected"));
    ProbeOptions o = Options();
    o.sysRoot = m_dir.Path() / "elsewhere";
    EXPECT_TRUE(AnyContains(RunProbe(o).problems, "no hidraw support"));
}

}  // namespace
}  // namespace probe
