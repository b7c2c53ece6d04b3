#pragma once

// Interface paths: one per HID top-level collection, in a form whose tags the
// device manager reads before it opens anything:
//   /dev/hidraw3#vid_320f&pid_5055&mi_01&col04
//   vhid:/run/user/1000/Quillon/vhid/kb.sock#vid_320f&pid_5055&mi_01&col04
// An interface with a single top-level collection carries no "&col" tag.

#include <cstdint>
#include <string>
#include <string_view>

namespace transport {

inline constexpr std::string_view kVirtualHidScheme = "vhid:";

struct HidPathIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t interfaceNumber = 0;
    uint16_t collectionNumber = 0;
};

// Finds `tag` case-insensitively and reads the hexadecimal number after it, up
// to the first character that is not a hexadecimal digit, keeping the low 16
// bits; 0 when the tag is missing. Only the part after the first '#' is
// searched when the path has one, so a folder name cannot pose as a tag.
uint16_t ParsePathTag(std::string_view path, std::string_view tag);

// "vid_", "pid_", "&mi_" and "&col".
HidPathIds ParseInterfacePath(std::string_view path);

enum class HidNodeKind { Hidraw, Virtual };

struct HidPathLocation {
    HidNodeKind kind = HidNodeKind::Hidraw;
    std::string node;  // "/dev/hidraw3" or the socket's file path
};

// Splits off the tags; a "vhid:" prefix names a virtual endpoint's socket.
HidPathLocation ParsePathLocation(std::string_view path);

// Builds an interface path; collection 0 leaves out the "&col" tag.
std::string MakeInterfacePath(HidNodeKind kind, std::string_view node, uint16_t vendorId,
                              uint16_t productId, uint16_t interfaceNumber,
                              uint16_t collectionNumber);

}  // namespace transport
