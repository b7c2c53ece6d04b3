#pragma once

// A desktop backend: what a program needs from the desktop beyond windows:
// private fonts, the monitors and panel for placing windows and menus, the
// tray, and the event loop. The program chooses one at start; the headless one
// serves tests and machines without a display, the Qt one (ui/qt/) real
// desktops.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/message_loop.h"
#include "ui/base.h"
#include "ui/window_host.h"

namespace ui {

// Fonts registered for this process only.
class IFontRegistry {
public:
    virtual ~IFontRegistry() = default;
    // A handle for the font in `data`, or nothing when it is not a usable font.
    virtual std::optional<int> AddFont(std::span<const uint8_t> data) = 0;
    virtual void RemoveFont(int handle) = 0;
};

// The desktop around a window.
class IDesktopInfo {
public:
    virtual ~IDesktopInfo() = default;
    // The full rectangle of the monitor that holds (or is nearest to) the rectangle.
    virtual UiRect MonitorRect(const UiRect& window) const = 0;
    // The panel (task bar) of that monitor, when the desktop has one.
    virtual std::optional<UiRect> PanelRect(const UiRect& monitor) const = 0;
    virtual UiPoint CursorPos() const = 0;
};

class IUiBackend {
public:
    virtual ~IUiBackend() = default;
    virtual const char* Name() const = 0;
    // Null when private fonts cannot be registered; they are then skipped.
    virtual IFontRegistry* Fonts() = 0;
    virtual IWindowHostFactory& Hosts() = 0;
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
    UiRect MonitorRect(const UiRect&) const override;
    std::optional<UiRect> PanelRect(const UiRect&) const override { return panel; }
    UiPoint CursorPos() const override { return cursor; }
    std::optional<UiRect> panel;
    UiPoint cursor{960, 540};
};

// Windows kept in memory, no fonts, the headless desktop, and the message
// loop run on its own.
class HeadlessBackend : public IUiBackend {
public:
    const char* Name() const override { return "headless"; }
    IFontRegistry* Fonts() override { return nullptr; }
    IWindowHostFactory& Hosts() override { return m_hosts; }
    const IDesktopInfo& Desktop() const override { return m_desktop; }
    int Run(platform::MessageLoop& loop) override { return loop.Run(); }
    HeadlessDesktop& DesktopInfo() { return m_desktop; }

private:
    HeadlessHostFactory m_hosts;
    HeadlessDesktop m_desktop;
};

}  // namespace ui
