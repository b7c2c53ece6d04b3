#pragma once

// Starting other programs without waiting for them.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

// Starts argv[0] (looked up in PATH when it has no slash) in a session of its
// own; it is not our child, so it never becomes a zombie. Fails when the program
// cannot be started.
Status LaunchDetached(const std::vector<std::string>& argv);

// The program's full path when it is on PATH (or an executable path given as is).
std::optional<std::filesystem::path> FindProgram(const std::string& name);

}  // namespace platform
