#pragma once

// What the program needs from the desktop beyond windows: private fonts, the
// monitors and panel for placing the window and the tray menu, the tray, and
// the event loop. The backend is chosen once at start; the headless one
// serves tests and machines without a display.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/message_loop.h"
#include "ui/base.h"
#include "ui/window_host.h"

namespace app {

// Fonts registered for this process only.
class IFontRegistry {
public:
    virtual ~IFontRegistry() = default;
    // A handle for the font in `data`, or nothing when it is not a usable font.
    virtual std::optional<int> AddFont(std::span<const uint8_t> data) = 0;
    virtual void RemoveFont(int handle) = 0;
};

// The desktop around the main window.
class IDesktopInfo {
public:
    virtual ~IDesktopInfo() = default;
    // The full rectangle of the monitor that holds (or is nearest to) the rectangle.
    virtual ui::UiRect MonitorRect(const ui::UiRect& window) const = 0;
    // The panel (task bar) of that monitor, when the desktop has one.
    virtual std::optional<ui::UiRect> PanelRect(const ui::UiRect& monitor) const = 0;
    virtual ui::UiPoint CursorPos() const = 0;
};

class IUiBackend {
public:
    virtual ~IUiBackend() = default;
    virtual const char* Name() const = 0;
    // Null when private fonts cannot be registered; they are then skipped.
    virtual IFontRegistry* Fonts() = 0;
    virtual ui::IWindowHostFactory& Hosts() = 0;
    virtual const IDesktopInfo& Desktop() const = 0;
    // Makes the backend's tray, pop-ups and the like the UI library's.
    virtual void Install() {}
    virtual void Uninstall() {}
    // Runs the loop until it quits; returns the quit code.
    virtual int Run(platform::MessageLoop& loop) = 0;
};

// One monitor (the headless hosts' screen), an optional panel and a cursor
// that tests place.
class HeadlessDesktop final : public IDesktopInfo {
public:
    ui::UiRect MonitorRect(const ui::UiRect&) const override;
    std::optional<ui::UiRect> PanelRect(const ui::UiRect&) const override { return panel; }
    ui::UiPoint CursorPos() const override { return cursor; }
    std::optional<ui::UiRect> panel;
    ui::UiPoint cursor{960, 540};
};

// Windows kept in memory, no fonts, the headless desktop, and the message
// loop run on its own.
class HeadlessBackend : public IUiBackend {
public:
    const char* Name() const override { return "headless"; }
    IFontRegistry* Fonts() override { return nullptr; }
    ui::IWindowHostFactory& Hosts() override { return m_hosts; }
    const IDesktopInfo& Desktop() const override { return m_desktop; }
    int Run(platform::MessageLoop& loop) override { return loop.Run(); }
    HeadlessDesktop& DesktopInfo() { return m_desktop; }

private:
    ui::HeadlessHostFactory m_hosts;
    HeadlessDesktop m_desktop;
};

// The desktop backend, or null when there is no display. Defined once per
// executable: the build links the Qt backend's definition when it has one,
// else desktop_backend_none.cpp.
std::unique_ptr<IUiBackend> CreateDesktopBackend();

// The backend for this run: the desktop one when the build has it and a
// display is there (QUILLON_UI=headless forces the headless one).
std::unique_ptr<IUiBackend> ChooseUiBackend();

}  // namespace app
