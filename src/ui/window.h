#pragma once
// CWindowWnd: one top-level window, a message target on the UI loop over a
// window host. WindowImplBase adds a paint manager, a layout from the skin,
// the notification map and the usual message handling.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/message_loop.h"
#include "ui/builder.h"
#include "ui/notify_pump.h"
#include "ui/paint_manager.h"
#include "ui/window_host.h"

namespace ui {

class CWindowWnd : public platform::IMessageTarget {
public:
    CWindowWnd();
    ~CWindowWnd() override;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    virtual std::string GetWindowClassName() const { return "Window"; }

    // Creates the window; false when there is no message loop.
    bool Create(CWindowWnd* parent, std::string_view title, uint32_t style, uint32_t exStyle,
                int x = 0, int y = 0, int cx = 0, int cy = 0);
    bool IsWindow() const { return m_handle != platform::kNoWindow; }
    platform::WindowHandle GetHWND() const { return m_handle; }
    CWindowWnd* GetParentWindow() const { return m_parent; }
    IWindowHost& Host() const;

    void ShowWindow(bool show = true, bool takeFocus = true);
    bool IsVisible() const;
    bool IsMinimized() const;
    void SetShowState(ShowState state);
    // Runs until Close; returns the value given to Close.
    int ShowModal();
    bool IsModal() const { return m_modal; }
    // Closes the window with a result (kMsgClose, then destruction).
    void Close(int result = 0);
    void CenterWindow();
    void ResizeClient(int cx, int cy);
    void MoveWindow(const UiRect& rc);
    UiRect GetWindowRect() const;
    void SetTopmost(bool on);
    void SetIcon(int resourceId);
    void SetTitle(std::string_view title);

    intptr_t SendMessage(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool PostMessage(uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Window timers: kMsgTimer with the id in wParam.
    bool SetTimer(uintptr_t id, uint32_t elapseMs,
                  platform::TimerMode mode = platform::TimerMode::Repeating);
    void KillTimer(uintptr_t id);

    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    // Called by the paint manager when its DPI changed.
    virtual void OnDPIChanged(int oldDpi, int newDpi);

protected:
    // Called after the window is destroyed; the object may be reused or freed.
    virtual void OnFinalMessage() {}
    void DestroyWindow();

    platform::WindowHandle m_handle = platform::kNoWindow;
    platform::MessageLoop* m_loop = nullptr;
    std::unique_ptr<IWindowHost> m_host;
    CWindowWnd* m_parent = nullptr;
    bool m_modal = false;
    bool m_closing = false;
    int m_modalResult = 0;
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
public:
    WindowImplBase();
    ~WindowImplBase() override;

    // The layout: a logical name of the resource index or a skin-relative file.
    virtual std::string GetSkinFile() = 0;
    // Layout text used instead of the skin file when not empty (tests).
    virtual std::string GetSkinXml() { return {}; }
    virtual void InitWindow() {}
    // The window's own notification handling; the default hands every
    // notification to the notification map.
    void Notify(TNotifyUI& msg) override;
    std::unique_ptr<CControlUI> CreateControl(std::string_view tag) override;
    intptr_t MessageHandler(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                            bool& handled) override;
    // Messages the window handles before anything else.
    virtual intptr_t HandleCustomMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                         bool& handled);
    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

    CPaintManagerUI& GetPaintManager() { return m_pm; }
    CControlUI* FindControl(std::string_view name) const { return m_pm.FindControl(name); }
    // The error of the last layout build; empty when it succeeded.
    const std::string& GetBuildError() const { return m_buildError; }

protected:
    virtual intptr_t OnCreate();
    virtual intptr_t OnClose(bool& handled);
    virtual intptr_t OnDestroy(bool& handled);
    virtual intptr_t OnSize(UiSize size, bool& handled);
    virtual intptr_t OnTimer(uintptr_t id, bool& handled);

    CPaintManagerUI m_pm;
    std::string m_buildError;
};

}  // namespace ui
