#include "app/quillon_main.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>

#include "app/app_messages.h"
#include "app/control_registry.h"
#include "app/language_settings.h"
#include "app/main_wnd.h"
#include "app/private_font.h"
#include "app/shutdown_signals.h"
#include "app/sleep_watcher.h"
#include "platform/message_bus.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/trace.h"
#include "ui/menu.h"
#include "ui/paint_manager.h"
#include "ui/resource_manager.h"

namespace app {

namespace {

// The style the main window is created with: a visible pop-up with caption,
// system menu and minimise box, clipping its children and siblings.
constexpr uint32_t kMainWindowStyle = 0x96CA0000u;
constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 572;

// The four fonts, loaded in order and removed newest first.
class PrivateFonts {
public:
    PrivateFonts(const std::filesystem::path& folder, IFontRegistry* registry) {
        for (auto& font : m_fonts)
            font = std::make_unique<CPrivateFont>(folder, registry);
    }
    ~PrivateFonts() { Unload(); }
    void Load() {
        for (size_t i = 0; i < m_fonts.size(); ++i)
            m_fonts[i]->Load(kPrivateFontFiles[i]);
    }
    void Unload() {
        for (size_t i = m_fonts.size(); i-- > 0;)
            m_fonts[i]->Unload();
    }

private:
    std::array<std::unique_ptr<CPrivateFont>, std::size(kPrivateFontFiles)> m_fonts;
};

void TellUser(const std::string& what) {
    std::fprintf(stderr, "Quillon: %s\n", what.c_str());
}

// Everything after the single-instance check, so that each early return
// still tears down what was set up before it.
void RunFirstInstance(const StartupOptions& options, IUiBackend& backend,
                      const platform::MessageBus* bus) {
    const std::filesystem::path program = platform::ProgramFolder();
    ui::CPaintManagerUI::SetInstancePath(program.string() + "/");
    ui::CPaintManagerUI::SetResourcePath((program / "skin").string() + "/");
    platform::Trace("startup: skin");
    ui::CResourceManager* resources = ui::CResourceManager::GetInstance();
    if (platform::Status index = resources->LoadResource("res.xml"); !index) {
        TellUser("cannot read the skin in " + (program / "skin").string() + ": " +
                 index.error().message);
        resources->Release();
        return;
    }

    platform::Trace("startup: controls");
    RegisterControlClasses();
    ui::CMenuWnd::RegisterControls();

    platform::Trace("startup: messages");
    RegisterGuidMessages();

    platform::MessageLoop loop;
    ui::CPaintManagerUI::SetMessageLoop(&loop);
    ui::SetWindowHostFactory(&backend.Hosts());
    backend.Install();

    LanguageSettings language(program / "DefaultData" / "Language.config",
                              platform::SettingsStore());
    MainWndEnvironment env;
    env.desktop = &backend.Desktop();
    env.bus = bus;
    env.language = &language;

    {
        platform::Trace("startup: main window");
        auto window = std::make_unique<CMainWnd>(env);
        if (window->Create(nullptr, kProductWord, kMainWindowStyle, 0, 0, 0, kMainWindowWidth,
                           kMainWindowHeight)) {
            window->CenterWindow();
            ShutdownSignals signals(loop, window->GetHWND());
            SleepWatcher sleep(loop, window->GetHWND());
            if (options.onWindowCreated)
                options.onWindowCreated(*window);
            platform::Trace("startup: message loop");
            backend.Run(loop);
            platform::Trace("teardown: message loop ended");
        } else {
            TellUser("cannot build the main window: " + window->GetBuildError());
        }
        if (window->IsWindow())
            window->Close(0);
        window.reset();
        platform::Trace("teardown: main window");
    }

    backend.Uninstall();
    ui::SetWindowHostFactory(nullptr);
    ui::CPaintManagerUI::SetMessageLoop(nullptr);
    resources->Release();
    platform::Trace("teardown: resources");
}

}  // namespace

int QuillonMain(const StartupOptions& options) {
    // Before any thread starts, so a stop signal reaches only our watcher.
    ShutdownSignals::Blocked blockedSignals;
    std::unique_ptr<IUiBackend> chosen;
    IUiBackend* backend = options.backend;
    if (backend == nullptr) {
        chosen = ChooseUiBackend();
        backend = chosen.get();
    }

    platform::Trace("startup: fonts");
    PrivateFonts fonts(platform::ProgramFolder(), backend->Fonts());
    fonts.Load();

    if (!RegisterActivationMessage()) {
        fonts.Unload();
        platform::Trace("teardown: fonts");
        return 0;
    }

    platform::Trace("startup: single instance");
    std::optional<platform::MessageBus> bus;
    if (auto found = platform::MessageBus::ForCurrentUser())
        bus = std::move(*found);
    else
        platform::Trace("no message bus: " + found.error().message);

    std::optional<platform::SingleInstanceLock> lock;
    if (platform::Result<std::filesystem::path> runtime = platform::RuntimeFolder()) {
        lock = platform::SingleInstanceLock::TryAcquire(*runtime);
        if (!lock) {
            // Another copy runs: it comes to the front, this one ends.
            platform::Trace("another instance runs; asking it to show its window");
            if (bus)
                bus->Broadcast(Messages().activation.load(), 0, 1);
            fonts.Unload();
            platform::Trace("teardown: fonts");
            return 0;
        }
    } else {
        // Without the lock the program still runs, as the only copy it knows of.
        platform::Trace("no single-instance lock: " + runtime.error().message);
    }

    RunFirstInstance(options, *backend, bus ? &*bus : nullptr);

    lock.reset();
    platform::Trace("teardown: single instance");
    fonts.Unload();
    platform::Trace("teardown: fonts");
    return 0;
}

}  // namespace app
