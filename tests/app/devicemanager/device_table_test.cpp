#include "app/devicemanager/device_table.h"

#include <gtest/gtest.h>

namespace devicemanager {
namespace {

TEST(DeviceTable, PairedEntriesPointAtEachOther) {
    for (size_t i = 0; i < kSupportedDevices.size(); ++i) {
        const DeviceIdentity& e = kSupportedDevices[i];
        if (e.paired == 0) {
            continue;
        }
        ASSERT_LT(e.pairedIndex, kSupportedDevices.size()) << i;
        const DeviceIdentity& other = kSupportedDevices[e.pairedIndex];
        EXPECT_EQ(other.pairedIndex, i) << i;
        EXPECT_EQ(other.role, e.role) << "a pair joins the same role of cable and receiver";
    }
}

TEST(DeviceTable, KindRowsAreFoundByIdsTypeAndVariant) {
    struct Case {
        int32_t vendor, product, type, variant;
        int expected;
    };
    const Case cases[] = {
        {0x320F, 0x50EF, kMouseCable, 0, 0},        {0x320F, 0x5055, kKeyboardCable, 0, 1},
        {0x320F, 0x1004, kMousePad, 0, 2},          {0x0C76, 0x1630, kHeadset, 0, 3},
        {0x320F, 0x5088, kKeyboardReceiver, 0, -1},  // the receiver uses the cable's page
        {0x320F, 0x221D, kMouseReceiver, 0, -1},    {0x320F, 0x5055, kKeyboardCable, 1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindKindRow(c.vendor, c.product, c.type, c.variant), c.expected)
            << std::hex << c.product << " type " << c.type;
    }
}

TEST(DeviceList, ClaimCheckNeedsEveryIdOfAnUnclaimedEntry) {
    DeviceList list;
    struct Case {
        uint16_t vendor, product, interfaceNumber, collection;
        bool claims;
    };
    const Case cases[] = {
        {0x320F, 0x5055, 1, 4, true},  {0x320F, 0x5055, 1, 3, true},
        {0x320F, 0x5055, 1, 2, false},  // another collection of the keyboard
        {0x320F, 0x5055, 0, 4, false}, {0x320F, 0x5056, 1, 4, false},
        {0x0C76, 0x1630, 3, 0, true},  {0x0C76, 0x1630, 3, 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(list.ClaimCheck(c.vendor, c.product, c.interfaceNumber, c.collection), c.claims)
            << std::hex << c.product << " mi " << c.interfaceNumber << " col " << c.collection;
    }
}

TEST(DeviceList, FullMatchClaimsOnceAndReleaseFreesTheEntry) {
    DeviceList list;
    const InterfaceDescription keyboardCommand{0x320F, 0x5055, 0xFF1C, 0x92};
    const std::string path = "/dev/hidraw3#vid_320f&pid_5055&mi_01&col04";

    EXPECT_FALSE(list.FullMatch(1, 4, {0x320F, 0x5055, 0x000C, 0x01}, path))
        << "wrong usage for that collection";
    std::optional<size_t> index = list.FullMatch(1, 4, keyboardCommand, path);
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, 0u);
    EXPECT_EQ(list.Entry(0).attached, 1);
    EXPECT_EQ(list.Entry(0).path, path);
    EXPECT_FALSE(list.ClaimCheck(0x320F, 0x5055, 1, 4));
    EXPECT_FALSE(list.FullMatch(1, 4, keyboardCommand, path)) << "claimed only once";
    EXPECT_TRUE(list.HasUnclaimed());

    list.Release(0);
    EXPECT_EQ(list.Entry(0).attached, 0);
    EXPECT_TRUE(list.Entry(0).path.empty());
    EXPECT_TRUE(list.ClaimCheck(0x320F, 0x5055, 1, 4));
    list.Release(99);  // out of range: ignored
}

TEST(DeviceList, EverythingAttachedLeavesNothingToClaim) {
    DeviceList list;
    for (size_t i = 0; i < list.Size(); ++i) {
        list.MarkAttached(i, "p" + std::to_string(i));
    }
    EXPECT_FALSE(list.HasUnclaimed());
}

TEST(DeviceEntry, SameInterfaceIgnoresAttachmentPairingAndPath) {
    DeviceList list;
    DeviceEntry a = list.Entry(0);
    DeviceEntry b = a;
    b.attached = 1;
    b.path = "x";
    b.paired = 0;
    b.pairedIndex = 9;
    EXPECT_TRUE(a.SameInterface(b));
    b.usage = 1;
    EXPECT_FALSE(a.SameInterface(b));
    EXPECT_FALSE(list.Entry(0).SameInterface(list.Entry(2))) << "cable and receiver differ";
}

}  // namespace
}  // namespace devicemanager
