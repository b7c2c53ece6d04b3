#pragma once
// Reading skin files: text of a file under the resource path, and line numbers
// for messages.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace ui {

// Resolves a skin-relative path (backslashes accepted) against the resource
// path; absolute paths stay as they are.
std::string ResolveSkinPath(std::string_view file);
platform::Result<std::string> ReadSkinFile(std::string_view file);
// 1-based line of a byte offset.
int LineOfOffset(std::string_view text, std::ptrdiff_t offset);

}  // namespace ui
