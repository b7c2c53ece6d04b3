#pragma once

// Runs a helper program for cross-process tests and reads its output by lines.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace testsupport {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of the child's standard output, or nothing when none comes in time.
    std::optional<std::string> ReadLine(
        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the child to end; its exit code, or nothing on time-out or a signal.
    std::optional<int> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    pid_t m_pid = -1;
    platform::UniqueFd m_out;
    std::string m_buffer;
};

}  // namespace testsupport
