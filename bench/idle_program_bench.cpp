// CPU time of the whole program with one simulated keyboard attached and
// animating, over 10 seconds. The program draws through Qt's offscreen
// platform, so painting costs what it costs on a desktop.
//   /0: its window minimised, as another program of the session could do it
//       (design budget: under 0.5 % of one core);
//   /1: its window shown with the keyboard's picture animating (under 3 %).
//
// The program runs as a child process with its own session folders; the
// simulated keyboard is served from this process, so its cost is not counted.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "app/devicemanager/hid_scanner.h"
#include "platform/message_bus.h"
#include "sim/simulated_device.h"
#include "transport/hid_enumerator.h"
#include "ui/event.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// CPU seconds a thread has run, from its schedstat file (nanoseconds, unlike
// the clock-tick counts of the stat file, which are too coarse for 10 seconds
// of a nearly idle program).
double RunSeconds(const fs::path& task) {
    std::ifstream in(task / "schedstat");
    unsigned long long ns = 0;
    in >> ns;
    return static_cast<double>(ns) / 1e9;
}

// CPU seconds per thread name (the main thread, "discovery", "light", ...).
std::map<std::string, double> ThreadCpuSeconds(pid_t pid) {
    std::map<std::string, double> byName;
    std::error_code ec;
    for (const auto& task :
         fs::directory_iterator(fs::path("/proc") / std::to_string(pid) / "task", ec)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        byName[name] += RunSeconds(task.path());
    }
    return byName;
}

double Total(const std::map<std::string, double>& byName) {
    double sum = 0;
    for (const auto& [name, seconds] : byName)
        sum += seconds;
    return sum;
}

void BM_IdleProgramWithAnimatedKeyboard(benchmark::State& state) {
    char pattern[] = "/tmp/quillon-idle-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const fs::path root(made);
    for (const char* sub : {"run", "data", "config"})
        fs::create_directories(root / sub);
    fs::permissions(root / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    // The program folder: our skin and default data.
    const fs::path program = root / "program";
    fs::create_directories(program);
    fs::copy(fs::path(QUILLON_SOURCE_DIR) / "skin", program / "skin", fs::copy_options::recursive);
    fs::copy(fs::path(QUILLON_SOURCE_DIR) / "DefaultData", program / "DefaultData",
             fs::copy_options::recursive);
    setenv("QUILLON_PROGRAM_DIR", program.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const bool minimised = state.range(0) == 0;
    const fs::path vhid = root / "run" / "Quillon" / "vhid";
    fs::create_directories(vhid);
    fs::permissions(root / "run" / "Quillon", fs::perms::owner_all);

    auto keyboard = sim::SimulatedDevice::Serve(sim::KeyboardModel(), vhid / "kb.sock");
    if (!keyboard) {
        state.SkipWithError(keyboard.error().message.c_str());
        return;
    }
    for (auto _ : state) {
        pid_t pid = -1;
        char* argv[] = {const_cast<char*>(QUILLON_EXE), nullptr};
        if (posix_spawn(&pid, QUILLON_EXE, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the program");
            break;
        }
        // Start-up, the first discovery pass and the keyboard's first read.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        int early = 0;
        if (waitpid(pid, &early, WNOHANG) == pid) {
            state.SkipWithError("the program ended during start-up");
            break;
        }
        auto bus = platform::MessageBus::ForCurrentUser();
        if (!bus || (minimised && !bus->Post("Quillon", ui::kMsgSysCommand, ui::kScMinimize, 0))) {
            state.SkipWithError("cannot reach the program's window");
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const std::map<std::string, double> threadsBefore = ThreadCpuSeconds(pid);
        const auto wallBefore = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        const std::map<std::string, double> threadsAfter = ThreadCpuSeconds(pid);
        const double cpu = Total(threadsAfter) - Total(threadsBefore);
        for (const auto& [name, seconds] : threadsAfter) {
            const auto before = threadsBefore.find(name);
            const double used = seconds - (before != threadsBefore.end() ? before->second : 0);
            state.counters["cpu_percent_" + name] = 100.0 * used / 10.0;
        }
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        state.counters["cpu_percent"] = 100.0 * cpu / wall;
    }
    keyboard->reset();
    fs::remove_all(root);
}
BENCHMARK(BM_IdleProgramWithAnimatedKeyboard)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

class NoSink : public devicemanager::IDiscoverySink {
public:
    void OnAttach(size_t) override {}
    void OnDetach(size_t) override {}
    void OnFirstPass() override {}
};

// One discovery pass with a simulated keyboard already claimed: what the
// discovery thread spends ten times a second.
void BM_DiscoveryPassWithSimulatedKeyboard(benchmark::State& state) {
    char pattern[] = "/tmp/quillon-pass-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const fs::path root(made);
    transport::HidRoots roots;
    roots.virtualFolder = root;
    transport::SetHidRoots(roots);
    {
        auto keyboard = sim::SimulatedDevice::Serve(sim::KeyboardModel(), root / "kb.sock");
        if (!keyboard) {
            state.SkipWithError(keyboard.error().message.c_str());
            return;
        }
        devicemanager::DeviceList list;
        devicemanager::ChannelHidScanner scanner;
        NoSink sink;
        devicemanager::Discovery discovery(list, scanner, sink);
        discovery.RunPass();  // claims the keyboard
        for (auto _ : state)
            discovery.RunPass();
    }
    transport::SetHidRoots({});
    fs::remove_all(root);
}
BENCHMARK(BM_DiscoveryPassWithSimulatedKeyboard)->Unit(benchmark::kMicrosecond);

}  // namespace
