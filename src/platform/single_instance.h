#pragma once

// One running copy per user: an exclusive flock on "Quillon.lock" in the
// runtime folder. The kernel drops the lock when the process ends, however it ends.

#include <filesystem>
#include <optional>

#include "platform/unique_fd.h"

namespace platform {

class SingleInstanceLock {
public:
    // The lock, or nothing when another process holds it or it cannot be taken.
    static std::optional<SingleInstanceLock> TryAcquire(const std::filesystem::path& runtimeFolder,
                                                        const char* name = "Quillon.lock");

    SingleInstanceLock(SingleInstanceLock&&) = default;
    SingleInstanceLock& operator=(SingleInstanceLock&&) = default;

private:
    explicit SingleInstanceLock(UniqueFd fd) : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

}  // namespace platform
