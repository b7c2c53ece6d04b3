#include "transport/hid_path.h"

#include <cstdio>

namespace transport {
namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = Lower(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

size_t FindNoCase(std::string_view text, std::string_view tag) {
    if (tag.empty() || tag.size() > text.size()) {
        return std::string_view::npos;
    }
    for (size_t i = 0; i + tag.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < tag.size() && Lower(text[i + j]) == Lower(tag[j])) {
            ++j;
        }
        if (j == tag.size()) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string_view TagPart(std::string_view path) {
    const size_t hash = path.find('#');
    return hash == std::string_view::npos ? path : path.substr(hash + 1);
}

}  // namespace

uint16_t ParsePathTag(std::string_view path, std::string_view tag) {
    const std::string_view tags = TagPart(path);
    const size_t at = FindNoCase(tags, tag);
    if (at == std::string_view::npos) {
        return 0;
    }
    uint32_t value = 0;
    for (size_t i = at + tag.size(); i < tags.size(); ++i) {
        const int d = HexDigit(tags[i]);
        if (d < 0) {
            break;
        }
        value = ((value << 4) | static_cast<uint32_t>(d)) & 0xFFFF;
    }
    return static_cast<uint16_t>(value);
}

HidPathIds ParseInterfacePath(std::string_view path) {
    HidPathIds ids;
    ids.vendorId = ParsePathTag(path, "vid_");
    ids.productId = ParsePathTag(path, "pid_");
    ids.interfaceNumber = ParsePathTag(path, "&mi_");
    ids.collectionNumber = ParsePathTag(path, "&col");
    return ids;
}

HidPathLocation ParsePathLocation(std::string_view path) {
    HidPathLocation loc;
    const size_t hash = path.find('#');
    std::string_view node = hash == std::string_view::npos ? path : path.substr(0, hash);
    if (node.substr(0, kVirtualHidScheme.size()) == kVirtualHidScheme) {
        loc.kind = HidNodeKind::Virtual;
        node.remove_prefix(kVirtualHidScheme.size());
    }
    loc.node = std::string(node);
    return loc;
}

std::string MakeInterfacePath(HidNodeKind kind, std::string_view node, uint16_t vendorId,
                              uint16_t productId, uint16_t interfaceNumber,
                              uint16_t collectionNumber) {
    char tags[64];
    int n = std::snprintf(tags, sizeof tags, "#vid_%04x&pid_%04x&mi_%02x", vendorId, productId,
                          interfaceNumber);
    if (collectionNumber != 0) {
        std::snprintf(tags + n, sizeof tags - static_cast<size_t>(n), "&col%02x", collectionNumber);
    }
    std::string path;
    if (kind == HidNodeKind::Virtual) {
        path = kVirtualHidScheme;
    }
    path.append(node);
    path.append(tags);
    return path;
}

}  // namespace transport
