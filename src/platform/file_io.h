#pragma once

// Whole-file reads and atomic writes. A write goes to a temporary file in the
// same folder, is flushed to disk, then renamed over the target, so a crash or
// a full disk never leaves a truncated file behind.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

inline constexpr size_t kDefaultReadLimit = 64u << 20;

// The whole file, or nothing when it is missing, unreadable, not a regular
// file or larger than the limit.
std::optional<std::string> ReadFile(const std::filesystem::path& path,
                                    size_t limit = kDefaultReadLimit);

// Replaces the file's content atomically, creating its folder when needed.
// On failure the old content is untouched.
Status WriteFileAtomic(const std::filesystem::path& path, std::string_view content);

// Makes atomic writes fail after the given number of bytes while it lives, as a
// full disk would. For tests.
class ScopedWriteFault {
public:
    explicit ScopedWriteFault(size_t failAfterBytes);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

}  // namespace platform
