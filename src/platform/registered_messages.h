#pragma once

// Process-wide registered messages: the same name always gives the same number
// in 0xC000..0xFFFF, and a number can be turned back into its name so the message
// can travel between processes by name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// 0 when the name is empty or the range is exhausted.
uint32_t RegisterWindowMessage(std::string_view name);
std::optional<std::string> RegisteredMessageName(uint32_t message);

}  // namespace platform
