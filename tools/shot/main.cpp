// quillon-shot: renders a skin layout to a PNG.
//
//   quillon-shot [options] LAYOUT
//     LAYOUT          a logical name of res.xml (XML_MAIN) or a skin-relative file
//     --out FILE      where the PNG goes (default: <layout>.png in the current folder)
//     --dpi N         48, 72, 96, 120, 144, 168 or 192 (default 96)
//     --lang L        en, cn or a language file of the skin
//     --skin DIR      the skin folder (default: skin/ beside the program)
//     --size WxH      client size at 96 DPI (default: the layout's)
//     --hover NAME, --press NAME, --focus NAME   show a control in that state
//     --show          open a real window instead (needs a display); with --out,
//                     the window is grabbed once it is up and the program ends
//
// Without a display it uses Qt's offscreen platform.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "shot.h"
#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_window_host.h"
#include "ui/window.h"

namespace {

int Usage() {
    std::fputs(
        "usage: quillon-shot [--out FILE] [--dpi N] [--lang L] [--skin DIR] [--size WxH]\n"
        "                    [--hover NAME] [--press NAME] [--focus NAME] [--show] LAYOUT\n",
        stderr);
    return 2;
}

class ShownWindow : public ui::WindowImplBase {
public:
    explicit ShownWindow(std::string layout) : m_layout(std::move(layout)) {}
    std::string GetWindowClassName() const override { return "ShotWindow"; }
    std::string GetSkinFile() override { return m_layout; }
    intptr_t HandleCustomMessage(uint32_t msg, uintptr_t, intptr_t, bool& handled) override {
        handled = false;
        if (msg == platform::kMsgDestroy)
            ui::CPaintManagerUI::GetMessageLoop()->Quit(0);
        return 0;
    }

private:
    std::string m_layout;
};

void LoadProgramFonts(std::vector<std::unique_ptr<ui::qt::PrivateFont>>& fonts) {
    const std::filesystem::path dir = platform::ProgramFolder() / "Font";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        auto font = std::make_unique<ui::qt::PrivateFont>();
        if (font->Load(entry.path().string()))
            fonts.push_back(std::move(font));
    }
}

}  // namespace

int main(int argc, char** argv) {
    shot::Options options;
    options.skinDir = (platform::ProgramFolder() / "skin").string();
    std::string out;
    bool show = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const char* v = nullptr;
        if (arg == "--show") {
            show = true;
        } else if (arg == "--out" && (v = next())) {
            out = v;
        } else if (arg == "--dpi" && (v = next())) {
            options.dpi = std::atoi(v);
        } else if (arg == "--lang" && (v = next())) {
            options.language = v;
        } else if (arg == "--skin" && (v = next())) {
            options.skinDir = v;
        } else if (arg == "--size" && (v = next())) {
            if (std::sscanf(v, "%dx%d", &options.size.cx, &options.size.cy) != 2)
                return Usage();
        } else if (arg == "--hover" && (v = next())) {
            options.hover = v;
        } else if (arg == "--press" && (v = next())) {
            options.press = v;
        } else if (arg == "--focus" && (v = next())) {
            options.focus = v;
        } else if (!arg.empty() && arg[0] != '-' && options.layout.empty()) {
            options.layout = arg;
        } else {
            return Usage();
        }
    }
    if (options.layout.empty())
        return Usage();
    if (out.empty() && !show)
        out = QFileInfo(QString::fromStdString(options.layout)).completeBaseName().toStdString() +
              ".png";
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    ui::qt::QtBackend backend(argc, argv);
    std::vector<std::unique_ptr<ui::qt::PrivateFont>> fonts;
    LoadProgramFonts(fonts);

    if (!show) {
        auto shot = shot::Render(options);
        if (!shot) {
            std::fprintf(stderr, "%s\n", shot.error().message.c_str());
            return 1;
        }
        for (const std::string& tag : shot->standIns)
            std::fprintf(stderr, "quillon-shot: <%s> drawn as a plain container\n", tag.c_str());
        if (!shot->image.save(QString::fromStdString(out), "PNG")) {
            std::fprintf(stderr, "quillon-shot: cannot write %s\n", out.c_str());
            return 1;
        }
        std::printf("%s\n", out.c_str());
        return 0;
    }

    if (auto st = shot::PrepareSkin(options.skinDir, options.language); !st) {
        std::fprintf(stderr, "%s\n", st.error().message.c_str());
        return 1;
    }
    ShownWindow window(options.layout);
    if (!window.Create(nullptr, "Quillon", ui::kStylePopup | ui::kStyleVisible, 0)) {
        std::fprintf(stderr, "quillon-shot: %s: %s\n", options.layout.c_str(),
                     window.GetBuildError().c_str());
        return 1;
    }
    window.GetPaintManager().SetDPI(options.dpi);
    window.CenterWindow();
    int code = 0;
    if (!out.empty()) {
        QTimer::singleShot(400, [&] {
            ui::qt::QtWindowHost* host = ui::qt::QtHostOf(&window);
            if (host == nullptr || !host->Widget()->grab().save(QString::fromStdString(out))) {
                std::fprintf(stderr, "quillon-shot: cannot grab the window\n");
                code = 1;
            } else {
                std::printf("%s\n", out.c_str());
            }
            window.Close(0);
        });
    }
    const int rc = backend.Run();
    return code != 0 ? code : rc;
}
