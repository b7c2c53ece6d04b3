#pragma once

// The report of supported device kinds that another program ("DaruVivo")
// asks for with the fourth GUID message: a 1024-byte copy-data block.

#include <array>
#include <cstdint>
#include <string_view>

namespace app {

inline constexpr std::string_view kDaruVivoWindow = "DaruVivo";
inline constexpr uint64_t kDaruVivoDwData = 5;
inline constexpr size_t kDaruVivoBlockSize = 1024;

using DaruVivoBlock = std::array<uint8_t, kDaruVivoBlockSize>;

// Four 32-bit numbers 2, 3, 0, 2; the number of device kind rows; then vendor
// id, product id and type of each kind row; zero after that. Numbers are
// little-endian, as the peer reads them.
DaruVivoBlock BuildDaruVivoBlock();

}  // namespace app
