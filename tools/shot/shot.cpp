#include "shot.h"

#include <QPainter>
#include <algorithm>

#include "platform/message_loop.h"
#include "ui/container.h"
#include "ui/controls.h"
#include "ui/qt/qt_render.h"
#include "ui/resource_manager.h"
#include "ui/window.h"

namespace shot {

namespace {

// A control of the program that this tool does not have: laid out and painted
// as a container, its own attributes accepted and ignored.
class StandInUI : public ui::CContainerUI {
public:
    std::string_view GetClass() const override { return "StandIn"; }
    ui::AttrResult SetAttribute(std::string_view name, std::string_view value) override {
        const ui::AttrResult r = ui::CContainerUI::SetAttribute(name, value);
        return r == ui::AttrResult::Unknown ? ui::AttrResult::Ok : r;
    }
};

class ShotWindow : public ui::WindowImplBase {
public:
    explicit ShotWindow(std::string layout) : m_layout(std::move(layout)) {}
    std::string GetWindowClassName() const override { return "ShotWindow"; }
    std::string GetSkinFile() override { return m_layout; }
    std::unique_ptr<ui::CControlUI> CreateControl(std::string_view tag) override {
        standIns.emplace_back(tag);
        return std::make_unique<StandInUI>();
    }
    std::vector<std::string> standIns;

private:
    std::string m_layout;
};

std::string LanguageFile(const std::string& language) {
    if (language.find('.') != std::string::npos)
        return language;
    return "lan_" + language + ".xml";
}

}  // namespace

platform::Status PrepareSkin(const std::string& skinDir, const std::string& language) {
    static std::string preparedDir;
    ui::CPaintManagerUI::SetResourcePath(skinDir);
    auto* res = ui::CResourceManager::GetInstance();
    res->Release();
    if (auto st = res->LoadResource("res.xml"); !st)
        return st;
    if (!language.empty()) {
        res->SetLanguage(language);
        if (auto st = res->LoadLanguage(LanguageFile(language)); !st)
            return st;
    }
    if (skinDir != preparedDir) {
        ui::qt::ImageCache::Instance().Clear();
        preparedDir = skinDir;
    }
    return {};
}

QImage RenderWindow(ui::WindowImplBase& window) {
    ui::CPaintManagerUI& pm = window.GetPaintManager();
    pm.LayoutIfNeeded();
    const ui::UiSize client = pm.GetClientSize();
    QImage image(std::max(1, client.cx), std::max(1, client.cy),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x11, 0x13, 0x18));
    QPainter painter(&image);
    ui::qt::QtRenderEngine engine;
    engine.Begin(painter, pm.GetScale());
    pm.Paint(engine, ui::UiRect{0, 0, client.cx, client.cy});
    engine.End();
    return image;
}

platform::Result<Shot> Render(const Options& options) {
    if (!ui::CPaintManagerUI::IsValidDPI(options.dpi))
        return platform::Error{"shot: DPI " + std::to_string(options.dpi) +
                               " is not one of 48, 72, 96, 120, 144, 168, 192"};
    if (auto st = PrepareSkin(options.skinDir, options.language); !st)
        return st.error();

    // Windows need a loop to register with; nothing runs on it here.
    platform::MessageLoop loop;
    platform::MessageLoop* previous = ui::CPaintManagerUI::GetMessageLoop();
    ui::CPaintManagerUI::SetMessageLoop(&loop);
    ui::IWindowHostFactory* previousFactory = &ui::GetWindowHostFactory();
    static ui::HeadlessHostFactory headless;
    ui::SetWindowHostFactory(&headless);
    struct Restore {
        platform::MessageLoop* loop;
        ui::IWindowHostFactory* factory;
        ~Restore() {
            ui::CPaintManagerUI::SetMessageLoop(loop);
            ui::SetWindowHostFactory(factory);
        }
    } restore{previous, previousFactory};

    ui::qt::QtRenderEngine engine;
    ShotWindow window(options.layout);
    window.GetPaintManager().SetRenderEngine(&engine);
    if (!window.Create(nullptr, "shot", ui::kStylePopup, 0, 0, 0, 800, 572)) {
        const std::string why =
            window.GetBuildError().empty() ? "the window was not created" : window.GetBuildError();
        return platform::Error{"shot: " + options.layout + ": " + why};
    }
    ui::CPaintManagerUI& pm = window.GetPaintManager();
    const ui::UiSize init = pm.GetInitSize();
    ui::UiSize size = options.size;
    if (size.cx <= 0 || size.cy <= 0)
        size = init.cx > 0 && init.cy > 0 ? init : ui::UiSize{800, 572};
    window.ResizeClient(size.cx, size.cy);
    pm.SetDPI(options.dpi);
    window.ResizeClient(pm.Scale(size.cx), pm.Scale(size.cy));
    pm.LayoutIfNeeded();

    auto centre = [&](const std::string& name, ui::UiPoint& pt) {
        ui::CControlUI* c = pm.FindControl(name);
        if (c == nullptr)
            return false;
        const ui::UiRect rc = c->GetPos();
        pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        return true;
    };
    ui::UiPoint pt;
    if (!options.focus.empty() && centre(options.focus, pt)) {
        if (ui::CControlUI* c = pm.FindControl(options.focus))
            pm.SetFocus(c);
    }
    if (!options.hover.empty() && centre(options.hover, pt))
        window.HandleMessage(ui::kMsgMouseMove, 0, ui::MakePointParam(pt));
    if (!options.press.empty() && centre(options.press, pt)) {
        window.HandleMessage(ui::kMsgMouseMove, 0, ui::MakePointParam(pt));
        window.HandleMessage(ui::kMsgLButtonDown, 1, ui::MakePointParam(pt));
    }

    const ui::UiSize client = pm.GetClientSize();
    Shot shot;
    shot.image =
        QImage(std::max(1, client.cx), std::max(1, client.cy), QImage::Format_ARGB32_Premultiplied);
    shot.image.fill(QColor(0x11, 0x13, 0x18));
    {
        QPainter painter(&shot.image);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        engine.Begin(painter, pm.GetScale());
        pm.Paint(engine, ui::UiRect{0, 0, client.cx, client.cy});
        engine.End();
    }
    if (!options.press.empty() && centre(options.press, pt))
        window.HandleMessage(ui::kMsgLButtonUp, 0, ui::MakePointParam({-1, -1}));
    shot.standIns = std::move(window.standIns);
    window.Close(0);
    return shot;
}

}  // namespace shot
