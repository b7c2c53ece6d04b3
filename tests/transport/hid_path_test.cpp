#include "transport/hid_path.h"

#include <gtest/gtest.h>

namespace transport {
namespace {

TEST(HidPath, ParsesTags) {
    struct Case {
        const char* path;
        HidPathIds ids;
    };
    const Case cases[] = {
        {"/dev/hidraw3#vid_320f&pid_5055&mi_01&col04", {0x320F, 0x5055, 1, 4}},
        {"/dev/hidraw3#VID_320F&PID_5055&MI_01&COL04", {0x320F, 0x5055, 1, 4}},
        {"/dev/hidraw3#Vid_320F&pId_5055", {0x320F, 0x5055, 0, 0}},  // no &mi_, no &col
        {"vhid:/run/user/1000/Quillon/vhid/kb.sock#vid_320f&pid_5055&mi_01&col04",
         {0x320F, 0x5055, 1, 4}},
        {"/dev/hidraw0#vid_0c76&pid_1630&mi_03", {0x0C76, 0x1630, 3, 0}},
        // Hexadecimal up to the first other character; 16 bits kept.
        {"#vid_1320f&pid_5055x12&mi_0a&col1g", {0x320F, 0x5055, 0x0A, 1}},
        {"#vid_&pid_zz&mi_&col", {0, 0, 0, 0}},  // tags without digits
        {"", {0, 0, 0, 0}},
        // Tags follow the first '#', as in Windows paths; a path without one is
        // searched whole.
        {"\\\\?\\hid#vid_046d&pid_c52b&mi_02&col03#7&1a2b", {0x046D, 0xC52B, 2, 3}},
        {"vid_046d&pid_c52b", {0x046D, 0xC52B, 0, 0}},
        // A folder name cannot pose as a tag.
        {"vhid:/home/vid_1234/pid_9999/x.sock#vid_320f&pid_5055&mi_01", {0x320F, 0x5055, 1, 0}},
        {"/dev/hidraw1#pid_5055&mi_01&col03", {0, 0x5055, 1, 3}},  // no vendor tag
    };
    for (const Case& c : cases) {
        const HidPathIds ids = ParseInterfacePath(c.path);
        EXPECT_EQ(ids.vendorId, c.ids.vendorId) << c.path;
        EXPECT_EQ(ids.productId, c.ids.productId) << c.path;
        EXPECT_EQ(ids.interfaceNumber, c.ids.interfaceNumber) << c.path;
        EXPECT_EQ(ids.collectionNumber, c.ids.collectionNumber) << c.path;
    }
}

TEST(HidPath, BuildsAndSplitsPaths) {
    EXPECT_EQ(MakeInterfacePath(HidNodeKind::Hidraw, "/dev/hidraw3", 0x320F, 0x5055, 1, 4),
              "/dev/hidraw3#vid_320f&pid_5055&mi_01&col04");
    EXPECT_EQ(MakeInterfacePath(HidNodeKind::Hidraw, "/dev/hidraw0", 0x0C76, 0x1630, 3, 0),
              "/dev/hidraw0#vid_0c76&pid_1630&mi_03");
    const std::string v =
        MakeInterfacePath(HidNodeKind::Virtual, "/run/q/vhid/kb.sock", 0x320F, 0x5055, 1, 3);
    EXPECT_EQ(v, "vhid:/run/q/vhid/kb.sock#vid_320f&pid_5055&mi_01&col03");

    const HidPathLocation loc = ParsePathLocation(v);
    EXPECT_EQ(loc.kind, HidNodeKind::Virtual);
    EXPECT_EQ(loc.node, "/run/q/vhid/kb.sock");
    const HidPathLocation raw = ParsePathLocation("/dev/hidraw3#vid_320f");
    EXPECT_EQ(raw.kind, HidNodeKind::Hidraw);
    EXPECT_EQ(raw.node, "/dev/hidraw3");
}

}  // namespace
}  // namespace transport
