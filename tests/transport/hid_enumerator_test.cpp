#include "transport/hid_enumerator.h"

#include <gtest/gtest.h>

#include "support/temp_env.h"
#include "transport/fake_sysfs.h"
#include "transport/hid_test_descriptors.h"

namespace transport {
namespace {

class HidEnumeratorTest : public ::testing::Test {
protected:
    testsupport::TempDir m_dir;
    testdata::FakeSysfs m_sysfs{m_dir.Path()};
};

TEST_F(HidEnumeratorTest, ListsOnePathPerTopLevelCollection) {
    m_sysfs.Add(0, 0x046D, 0xC31C, 0, testdata::kBootKeyboard);
    m_sysfs.Add(3, 0x320F, 0x5055, 1, testdata::kCompositeInterface);
    m_sysfs.Add(10, 0x320F, 0x5055, 2, testdata::kWheelMouse);

    HidEnumerator e(m_sysfs.Roots());
    auto found = e.Interfaces();
    ASSERT_TRUE(found.ok());
    const std::string dev = (m_dir.Path() / "dev").string();
    struct Expect {
        std::string path;
        uint16_t page, usage;
    };
    const Expect expect[] = {
        // A single collection gets no &col tag.
        {dev + "/hidraw0#vid_046d&pid_c31c&mi_00", 0x01, 0x06},
        {dev + "/hidraw3#vid_320f&pid_5055&mi_01&col01", 0x01, 0x06},
        {dev + "/hidraw3#vid_320f&pid_5055&mi_01&col02", 0x01, 0x80},
        {dev + "/hidraw3#vid_320f&pid_5055&mi_01&col03", 0x0C, 0x01},
        {dev + "/hidraw3#vid_320f&pid_5055&mi_01&col04", 0xFF1C, 0x92},
        {dev + "/hidraw10#vid_320f&pid_5055&mi_02", 0x01, 0x02},  // after hidraw3
    };
    ASSERT_EQ(found->size(), std::size(expect));
    for (size_t i = 0; i < found->size(); ++i) {
        const HidInterfaceInfo& info = (*found)[i];
        EXPECT_EQ(info.path, expect[i].path);
        EXPECT_EQ(info.usagePage, expect[i].page) << info.path;
        EXPECT_EQ(info.usage, expect[i].usage) << info.path;
        EXPECT_EQ(info.bus, 3);
        EXPECT_EQ(info.versionNumber, 0x0105);
    }
}

TEST_F(HidEnumeratorTest, BrokenNodesAreReportedNotListed) {
    const uint8_t truncated[] = {0x05, 0x01, 0x09, 0x06, 0xA1};
    m_sysfs.Add(1, 0x320F, 0x5055, 1, truncated);
    m_sysfs.Add(2, 0x320F, 0x5088, 1, testdata::kBootKeyboard, /*withHidId=*/false);
    m_sysfs.Add(4, 0x320F, 0x1004, 1, testdata::kVendorNoIds);

    HidEnumerator e(m_sysfs.Roots());
    auto found = e.Interfaces();
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ((*found)[0].productId, 0x1004);

    const std::vector<HidNodeInfo> nodes = e.Nodes();
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_NE(nodes[0].problem.find("truncated"), std::string::npos) << nodes[0].problem;
    EXPECT_NE(nodes[1].problem.find("HID_ID"), std::string::npos) << nodes[1].problem;
    EXPECT_TRUE(nodes[2].problem.empty());
}

TEST_F(HidEnumeratorTest, MissingSysfsGivesAnEmptyList) {
    HidRoots roots = m_sysfs.Roots();
    roots.sysfsHidraw = m_dir.Path() / "nowhere";
    auto found = HidEnumerator(roots).Interfaces();
    ASSERT_TRUE(found.ok());
    EXPECT_TRUE(found->empty());
}

TEST_F(HidEnumeratorTest, DescriptorsAreParsedOncePerContent) {
    for (int n = 0; n < 6; ++n) {
        m_sysfs.Add(n, 0x320F, 0x5055, 1, testdata::kCompositeInterface);
    }
    HidDescriptorCache::Shared().Clear();
    HidEnumerator e(m_sysfs.Roots());
    auto first = e.Interfaces();
    auto second = e.Interfaces();
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_EQ(first->size(), 24u);
    EXPECT_EQ(HidDescriptorCache::Shared().Size(), 1u);
    EXPECT_EQ((*first)[0].descriptor.get(), (*second)[23].descriptor.get());
}

TEST_F(HidEnumeratorTest, ANodeReusedByAnotherDeviceIsReadAgain) {
    m_sysfs.Add(3, 0x320F, 0x5055, 1, testdata::kCompositeInterface);
    HidEnumerator e(m_sysfs.Roots());
    ASSERT_EQ(e.Interfaces()->size(), 4u);
    m_sysfs.Remove(3);
    EXPECT_TRUE(e.Interfaces()->empty());
    m_sysfs.Add(3, 0x320F, 0x1004, 2, testdata::kWheelMouse);
    auto found = e.Interfaces();
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ((*found)[0].productId, 0x1004);
    EXPECT_EQ((*found)[0].interfaceNumber, 2);
    EXPECT_EQ((*found)[0].usage, 0x02);
}

}  // namespace
}  // namespace transport
