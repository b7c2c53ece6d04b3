// The program's start-up and tear-down: their order, the fonts, and a second
// start across two real processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>

#include "app/main_wnd.h"
#include "app/quillon_main.h"
#include "platform/message_bus.h"
#include "platform/trace.h"
#include "support/child_process.h"
#include "support/temp_env.h"

namespace {

namespace fs = std::filesystem;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A program folder with the real skin and data, and some of the fonts.
class ProgramFolder {
public:
    explicit ProgramFolder(const fs::path& root) : m_path(root / "program") {
        fs::create_directories(m_path / "Font");
        fs::create_directory_symlink(QUILLON_SKIN_DIR, m_path / "skin");
        fs::create_directory_symlink(QUILLON_DEFAULTDATA_DIR, m_path / "DefaultData");
        std::ofstream(m_path / "Font" / "Simplified_Chinese.ttf") << "font one";
        std::ofstream(m_path / "Font" / "NotoSansThai-Regular.ttf") << "font three";
        std::ofstream(m_path / "Font" / "NotoSansCJKtc-Regular.otf") << "";  // empty: skipped
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

class RecordingFonts : public app::IFontRegistry {
public:
    std::optional<int> AddFont(std::span<const uint8_t> data) override {
        const int handle = ++m_next;
        log.push_back("add " + std::string(data.begin(), data.end()));
        return handle;
    }
    void RemoveFont(int handle) override { log.push_back("remove " + std::to_string(handle)); }
    std::vector<std::string> log;

private:
    int m_next = 0;
};

class TestBackend : public app::HeadlessBackend {
public:
    app::IFontRegistry* Fonts() override { return &fonts; }
    RecordingFonts fonts;
};

TEST(StartupTest, StartsAndTearsDownInOrder) {
    testsupport::TempEnv env;
    ProgramFolder program(env.Root());
    ScopedEnv programDir("QUILLON_PROGRAM_DIR", program.Path().string());
    TestBackend backend;
    platform::TraceCapture trace;
    app::StartupOptions options;
    options.backend = &backend;
    bool shown = false;
    std::shared_ptr<std::function<void()>> keepAlive;
    options.onWindowCreated = [&](app::CMainWnd& wnd) {
        EXPECT_EQ(wnd.GetWindowRect(), (ui::UiRect{560, 254, 1360, 826}));  // 800 x 572, centred
        // Once the first discovery pass has shown the window, the user chooses "exit".
        platform::MessageLoop* loop = ui::CPaintManagerUI::GetMessageLoop();
        auto exitWhenShown = std::make_shared<std::function<void()>>();
        *exitWhenShown = [&wnd, &shown, loop, weak = std::weak_ptr(exitWhenShown)] {
            if (!wnd.IsVisible()) {
                loop->PostTask([weak] {
                    if (auto again = weak.lock())
                        (*again)();
                });
                return;
            }
            shown = true;
            ui::MenuCommand exit{"exit", "", ""};
            wnd.SendMessage(ui::kMsgMenuClick, 0, reinterpret_cast<intptr_t>(&exit));
        };
        loop->PostTask([exitWhenShown] { (*exitWhenShown)(); });
        keepAlive = exitWhenShown;
    };
    EXPECT_EQ(app::QuillonMain(options), 0);
    EXPECT_TRUE(shown);

    std::vector<std::string> steps;
    for (const std::string& line : trace.Lines()) {
        if (line.starts_with("startup:") || line.starts_with("teardown:") ||
            line.starts_with("font loaded") || line.starts_with("font unloaded") ||
            line == "InitWindow" || line == "MAIN_WND destroy")
            steps.push_back(line);
    }
    const std::vector<std::string> expected = {
        "startup: fonts",
        "font loaded Simplified_Chinese.ttf",
        "font loaded NotoSansThai-Regular.ttf",
        "startup: single instance",
        "startup: skin",
        "startup: controls",
        "startup: messages",
        "startup: main window",
        "InitWindow",
        "startup: message loop",
        "MAIN_WND destroy",
        "teardown: message loop ended",
        "teardown: main window",
        "teardown: resources",
        "teardown: single instance",
        "font unloaded NotoSansThai-Regular.ttf",
        "font unloaded Simplified_Chinese.ttf",
        "teardown: fonts",
    };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(backend.fonts.log,
              (std::vector<std::string>{"add font one", "add font three", "remove 2", "remove 1"}));
    EXPECT_EQ(ui::CPaintManagerUI::GetMessageLoop(), nullptr);
}

TEST(StartupTest, MissingSkinEndsWithoutAWindow) {
    testsupport::TempEnv env;
    fs::create_directories(env.Root() / "empty");
    ScopedEnv programDir("QUILLON_PROGRAM_DIR", (env.Root() / "empty").string());
    app::HeadlessBackend backend;
    app::StartupOptions options;
    options.backend = &backend;
    bool created = false;
    options.onWindowCreated = [&](app::CMainWnd&) { created = true; };
    platform::TraceCapture trace;
    EXPECT_EQ(app::QuillonMain(options), 0);
    EXPECT_FALSE(created);
    EXPECT_TRUE(trace.Contains("teardown: fonts"));
}

TEST(StartupTest, StopSignalEndsTheProgramInOrder) {
    testsupport::TempEnv env;
    ProgramFolder program(env.Root());
    ScopedEnv programDir("QUILLON_PROGRAM_DIR", program.Path().string());
    app::HeadlessBackend backend;
    app::StartupOptions options;
    options.backend = &backend;
    options.onWindowCreated = [](app::CMainWnd&) {
        // The signal stays blocked in every thread of the program but its watcher.
        ui::CPaintManagerUI::GetMessageLoop()->PostTask([] { ::kill(::getpid(), SIGTERM); });
    };
    platform::TraceCapture trace;
    EXPECT_EQ(app::QuillonMain(options), 0);
    EXPECT_TRUE(trace.Contains("asked to stop (signal 15)"));
    EXPECT_TRUE(trace.Contains("MAIN_WND destroy"));
    EXPECT_TRUE(trace.Contains("teardown: fonts"));
}

// The program's output, traces included, line by line until one contains `what`.
bool WaitForLine(testsupport::ChildProcess& child, const std::string& what,
                 std::vector<std::string>* seen = nullptr) {
    while (std::optional<std::string> line = child.ReadLine(std::chrono::seconds(20))) {
        if (seen != nullptr)
            seen->push_back(*line);
        if (line->find(what) != std::string::npos)
            return true;
    }
    return false;
}

TEST(StartupTest, SecondStartRaisesTheFirstAndEnds) {
    testsupport::TempEnv env;
    ProgramFolder program(env.Root());
    ScopedEnv programDir("QUILLON_PROGRAM_DIR", program.Path().string());
    ScopedEnv headless("QUILLON_UI", "headless");
    ScopedEnv traced("QUILLON_TRACE", "1");
    const std::vector<std::string> run = {"/bin/sh", "-c", "exec \"$0\" 2>&1", QUILLON_EXE};

    testsupport::ChildProcess first(run);
    ASSERT_TRUE(WaitForLine(first, "MAIN_WND activation"));  // shown after start-up

    std::vector<std::string> secondOutput;
    {
        testsupport::ChildProcess second(run);
        EXPECT_TRUE(WaitForLine(second, "another instance runs", &secondOutput));
        EXPECT_EQ(second.Wait(std::chrono::seconds(20)), 0);
    }
    for (const std::string& line : secondOutput)
        EXPECT_EQ(line.find("InitWindow"), std::string::npos) << "the second start made a window";
    // The first one comes to the front.
    EXPECT_TRUE(WaitForLine(first, "MAIN_WND activation"));

    // Asked to end, it tears down in order and exits with 0.
    auto bus = platform::MessageBus::ForCurrentUser();
    ASSERT_TRUE(bus);
    ASSERT_TRUE(bus->Post("Quillon", platform::kMsgClose, 0, 0));
    EXPECT_TRUE(WaitForLine(first, "teardown: fonts"));
    EXPECT_EQ(first.Wait(std::chrono::seconds(20)), 0);
}

}  // namespace
