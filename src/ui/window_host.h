#pragma once
// What a window needs from the desktop. The Qt backend provides real windows;
// the headless host keeps the state so tests can look at it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/base.h"

namespace ui {

class CWindowWnd;

// Window styles the program uses, with the conventional bit values.
inline constexpr uint32_t kStylePopup = 0x80000000u;
inline constexpr uint32_t kStyleVisible = 0x10000000u;
inline constexpr uint32_t kStyleChild = 0x40000000u;
inline constexpr uint32_t kStyleCaption = 0x00C00000u;
inline constexpr uint32_t kStyleSysMenu = 0x00080000u;
inline constexpr uint32_t kStyleMinimizeBox = 0x00020000u;
inline constexpr uint32_t kStyleClipSiblings = 0x04000000u;
inline constexpr uint32_t kStyleClipChildren = 0x02000000u;
inline constexpr uint32_t kExStyleTopmost = 0x00000008u;
inline constexpr uint32_t kExStyleToolWindow = 0x00000080u;
inline constexpr uint32_t kExStyleNoActivate = 0x08000000u;

enum class ShowState { Hidden, Normal, Minimized, Maximized };

class IWindowHost {
public:
    virtual ~IWindowHost() = default;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void SetStyle(uint32_t style, uint32_t exStyle) = 0;
    virtual void Show(ShowState state, bool activate) = 0;
    virtual ShowState GetShowState() const = 0;
    // Outer rectangle in screen coordinates; the client area fills it.
    virtual void SetRect(const UiRect& rc) = 0;
    virtual UiRect GetRect() const = 0;
    virtual void SetTopmost(bool on) = 0;
    virtual bool IsTopmost() const = 0;
    virtual void Invalidate(const UiRect& rc) = 0;
    virtual void SetCapture(bool on) = 0;
    virtual void SetIcon(int resourceId) = 0;
    virtual void SetCursor(CursorKind cursor) = 0;
    // `near` is the control's rectangle in client coordinates.
    virtual void ShowToolTip(const std::string& text, const UiRect& near) = 0;
    virtual void HideToolTip() = 0;
    // The work area of the screen that holds the window.
    virtual UiRect GetScreenRect() const = 0;
    // Where the mouse pointer is, in screen coordinates (menus open there).
    virtual UiPoint GetCursorPos() const = 0;
    // Runs until the window closes (a nested event loop on a desktop).
    virtual void RunModal(CWindowWnd& window) = 0;
    virtual void Activate() = 0;
    virtual void Destroy() = 0;
};

// Makes the host of each new window.
class IWindowHostFactory {
public:
    virtual ~IWindowHostFactory() = default;
    virtual std::unique_ptr<IWindowHost> CreateHost(CWindowWnd& window, CWindowWnd* parent) = 0;
};

// Keeps window state in memory; nothing is shown.
class HeadlessWindowHost : public IWindowHost {
public:
    void SetTitle(const std::string& title) override { m_title = title; }
    void SetStyle(uint32_t style, uint32_t exStyle) override {
        m_style = style;
        m_exStyle = exStyle;
    }
    void Show(ShowState state, bool activate) override;
    ShowState GetShowState() const override { return m_state; }
    void SetRect(const UiRect& rc) override { m_rect = rc; }
    UiRect GetRect() const override { return m_rect; }
    void SetTopmost(bool on) override { m_topmost = on; }
    bool IsTopmost() const override { return m_topmost; }
    void Invalidate(const UiRect& rc) override { m_invalid = m_invalid.Union(rc); }
    void SetCapture(bool on) override { m_capture = on; }
    void SetIcon(int resourceId) override { m_icon = resourceId; }
    void SetCursor(CursorKind cursor) override { m_cursor = cursor; }
    CursorKind Cursor() const { return m_cursor; }
    void ShowToolTip(const std::string& text, const UiRect&) override { m_toolTip = text; }
    void HideToolTip() override { m_toolTip.clear(); }
    const std::string& ToolTip() const { return m_toolTip; }
    UiRect GetScreenRect() const override { return s_screen; }
    UiPoint GetCursorPos() const override { return s_cursor; }
    void RunModal(CWindowWnd& window) override;
    void Activate() override { ++m_activations; }
    void Destroy() override { m_state = ShowState::Hidden; }

    const std::string& Title() const { return m_title; }
    uint32_t Style() const { return m_style; }
    uint32_t ExStyle() const { return m_exStyle; }
    bool HasCapture() const { return m_capture; }
    int Icon() const { return m_icon; }
    int Activations() const { return m_activations; }
    const UiRect& InvalidRect() const { return m_invalid; }
    void ClearInvalid() { m_invalid = {}; }

    // The screen every headless window lives on.
    static void SetScreenRect(const UiRect& rc) { s_screen = rc; }
    // Where the headless mouse pointer is.
    static void SetCursorPos(UiPoint pt) { s_cursor = pt; }
    // Runs while a headless modal window is up (tests click its buttons here);
    // a window still open afterwards is closed with -1.
    static void SetModalHandler(std::function<void(CWindowWnd&)> handler);

private:
    static inline UiRect s_screen{0, 0, 1920, 1080};
    static inline UiPoint s_cursor{};
    std::string m_title;
    uint32_t m_style = 0;
    uint32_t m_exStyle = 0;
    ShowState m_state = ShowState::Hidden;
    UiRect m_rect;
    UiRect m_invalid;
    bool m_topmost = false;
    bool m_capture = false;
    int m_icon = 0;
    CursorKind m_cursor = CursorKind::Arrow;
    std::string m_toolTip;
    int m_activations = 0;
};

class HeadlessHostFactory : public IWindowHostFactory {
public:
    std::unique_ptr<IWindowHost> CreateHost(CWindowWnd& window, CWindowWnd* parent) override;
};

// The factory new windows use (the headless one unless a backend installed its own).
IWindowHostFactory& GetWindowHostFactory();
void SetWindowHostFactory(IWindowHostFactory* factory);

}  // namespace ui
