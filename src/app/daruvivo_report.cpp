#include "app/daruvivo_report.h"

#include "app/devicemanager/device_table.h"

namespace app {

namespace {

void PutU32(DaruVivoBlock& block, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr size_t kHeaderBytes = 20;
constexpr size_t kRowBytes = 12;
static_assert(kHeaderBytes + devicemanager::kDeviceKinds.size() * kRowBytes <= kDaruVivoBlockSize,
              "the kind rows must fit the block");

}  // namespace

DaruVivoBlock BuildDaruVivoBlock() {
    DaruVivoBlock block{};
    PutU32(block, 0, 2);
    PutU32(block, 4, 3);
    PutU32(block, 8, 0);
    PutU32(block, 12, 2);
    PutU32(block, 16, static_cast<uint32_t>(devicemanager::kDeviceKinds.size()));
    size_t offset = kHeaderBytes;
    for (const auto& kind : devicemanager::kDeviceKinds) {
        PutU32(block, offset, static_cast<uint32_t>(kind.vendorId));
        PutU32(block, offset + 4, static_cast<uint32_t>(kind.productId));
        PutU32(block, offset + 8, static_cast<uint32_t>(kind.type));
        offset += kRowBytes;
    }
    return block;
}

}  // namespace app
