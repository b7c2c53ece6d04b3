#include "platform/launch.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/unique_fd.h"

namespace platform {

std::optional<std::filesystem::path> FindProgram(const std::string& name) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string::npos) {
        if (::access(name.c_str(), X_OK) == 0) {
            return std::filesystem::path(name);
        }
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        std::string_view dir = dirs.substr(0, colon);
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        if (dir.empty()) {
            continue;
        }
        std::filesystem::path candidate = std::filesystem::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

Status LaunchDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) {
        return Error{"nothing to start", EINVAL};
    }
    std::optional<std::filesystem::path> program = FindProgram(argv[0]);
    if (!program) {
        return Error{"program not found: " + argv[0], ENOENT};
    }
    // Everything the children need is prepared before fork: only async-signal-safe
    // calls happen in between.
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const std::string programPath = program->string();

    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return ErrnoError("cannot create pipe", errno);
    }
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    const pid_t child = ::fork();
    if (child < 0) {
        return ErrnoError("cannot fork", errno);
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            ::_exit(grandchild < 0 ? 1 : 0);
        }
        const int devnull = ::open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            ::dup2(devnull, 0);
        }
        ::execv(programPath.c_str(), args.data());
        const int err = errno;
        (void)!::write(writeEnd.Get(), &err, sizeof err);
        ::_exit(127);
    }
    writeEnd.Reset();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int execError = 0;
    ssize_t n = 0;
    do {
        n = ::read(readEnd.Get(), &execError, sizeof execError);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof execError)) {
        return ErrnoError("cannot start " + programPath, execError);
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return Error{"cannot start " + programPath, ECHILD};
    }
    return {};
}

}  // namespace platform
