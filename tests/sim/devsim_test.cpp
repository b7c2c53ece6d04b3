// quillon-devsim as a user runs it: devices served until a signal, unplugged
// and plugged back by SIGUSR1 or a command on standard input, a clean exit.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/unique_fd.h"
#include "support/temp_env.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::UniqueFd;

class DevSimProcess {
public:
    explicit DevSimProcess(const fs::path& folder) {
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        m_stdin.Reset(in[1]);
        m_stdout.Reset(out[0]);
        UniqueFd childIn(in[0]);
        UniqueFd childOut(out[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, childIn.Get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, childOut.Get(), STDOUT_FILENO);
        std::string program = QUILLON_DEVSIM_PATH;
        std::string folderArg = folder.string();
        std::string flag = "--folder";
        std::string kind = "keyboard";
        char* argv[] = {program.data(), flag.data(), folderArg.data(), kind.data(), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~DevSimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }

    // The next line of output; empty when none comes (a guard, not a timing check).
    std::string ReadLine() {
        for (;;) {
            if (const auto nl = m_buffer.find('\n'); nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            pollfd p{m_stdout.Get(), POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0) {
                return {};
            }
            char chunk[256];
            const ssize_t n = ::read(m_stdout.Get(), chunk, sizeof chunk);
            if (n <= 0) {
                return {};
            }
            m_buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    void Send(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(::write(m_stdin.Get(), text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }

    // Exit status after a signal, or -1.
    int StopWith(int signal) {
        ::kill(m_pid, signal);
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid) {
            return -1;
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    UniqueFd m_stdin;
    UniqueFd m_stdout;
    std::string m_buffer;
};

TEST(DevSim, ServesUnplugsReplugsAndExitsCleanly) {
    testsupport::TempDir dir;
    DevSimProcess devsim(dir.Path());
    ASSERT_TRUE(devsim.Started());
    const fs::path socket = dir.Path() / "keyboard.sock";

    const std::string listed = devsim.ReadLine();
    EXPECT_NE(listed.find("0 keyboard 320f:5055 plugged vhid:"), std::string::npos) << listed;
    EXPECT_NE(listed.find("&mi_01&col04"), std::string::npos) << listed;
    EXPECT_TRUE(fs::exists(socket));

    ::kill(devsim.Pid(), SIGUSR1);
    EXPECT_EQ(devsim.ReadLine(), "keyboard unplugged");
    EXPECT_FALSE(fs::exists(socket));

    devsim.Send("plug keyboard");
    EXPECT_EQ(devsim.ReadLine(), "keyboard plugged");
    EXPECT_TRUE(fs::exists(socket));

    devsim.Send("reach 0 sideways");
    EXPECT_EQ(devsim.ReadLine(), "error: reach takes on or off");

    EXPECT_EQ(devsim.StopWith(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(socket));
}

}  // namespace
