#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/trace.h"

namespace platform {

std::optional<SingleInstanceLock> SingleInstanceLock::TryAcquire(
    const std::filesystem::path& runtimeFolder, const char* name) {
    const std::filesystem::path file = runtimeFolder / name;
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        TraceF("single instance: cannot open %s (errno %d)", file.c_str(), errno);
        return std::nullopt;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return std::nullopt;
    }
    return SingleInstanceLock(std::move(fd));
}

}  // namespace platform
