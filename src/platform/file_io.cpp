#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace platform {

namespace {

constexpr size_t kNoFault = static_cast<size_t>(-1);
std::atomic<size_t> g_failAfter{kNoFault};

std::string TempSuffix() {
    static std::atomic<unsigned> counter{0};
    return ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter.fetch_add(1));
}

}  // namespace

ScopedWriteFault::ScopedWriteFault(size_t failAfterBytes) {
    g_failAfter = failAfterBytes;
}
ScopedWriteFault::~ScopedWriteFault() {
    g_failAfter = kNoFault;
}

std::optional<std::string> ReadFile(const std::filesystem::path& path, size_t limit) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<unsigned long long>(st.st_size) > limit) {
        return std::nullopt;
    }
    std::string content;
    content.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (true) {
        if (done == content.size()) {
            if (content.size() >= limit) {
                break;
            }
            // The file may have grown since fstat; keep reading up to the limit.
            content.resize(std::min(limit, content.size() + 4096));
        }
        const ssize_t n = ::read(fd.Get(), content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    content.resize(done);
    return content;
}

Status WriteFileAtomic(const std::filesystem::path& path, std::string_view content) {
    const std::filesystem::path folder = path.parent_path();
    if (!folder.empty() && !EnsureFolder(folder)) {
        return ErrnoError("cannot create folder " + folder.string(), errno);
    }
    const std::filesystem::path temp = path.string() + TempSuffix();
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) {
        return ErrnoError("cannot create " + temp.string(), errno);
    }
    auto fail = [&](const std::string& what, int err) -> Status {
        fd.Reset();
        ::unlink(temp.c_str());
        return ErrnoError(what + " " + path.string(), err);
    };
    // Keep the permissions of the file being replaced.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(fd.Get(), mode);

    // An injected fault lets the first bytes through, as a disk that fills up would.
    const size_t allowed = g_failAfter.load();
    const bool injectFault = allowed != kNoFault && allowed < content.size();
    const size_t toWrite = injectFault ? allowed : content.size();
    size_t done = 0;
    while (done < toWrite) {
        const ssize_t n = ::write(fd.Get(), content.data() + done, toWrite - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail("cannot write", errno);
        }
        done += static_cast<size_t>(n);
    }
    if (injectFault) {
        return fail("cannot write", ENOSPC);
    }
    if (::fsync(fd.Get()) != 0) {
        return fail("cannot flush", errno);
    }
    fd.Reset();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return ErrnoError("cannot replace " + path.string(), err);
    }
    return {};
}

}  // namespace platform
