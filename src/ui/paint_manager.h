#pragma once
// CPaintManagerUI: the heart of one window. It owns the control tree, finds
// controls by name, routes input to controls, keeps focus, hot control and
// capture, delivers notifications (window, then its notification map, then the
// extra notifiers), runs control timers on the message loop, holds the
// numbered font table and the DPI, and lays out and paints the tree.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/message_loop.h"
#include "ui/control.h"
#include "ui/event.h"
#include "ui/render.h"

namespace ui {

class CWindowWnd;

class CPaintManagerUI : public platform::IMessageTarget {
public:
    CPaintManagerUI();
    ~CPaintManagerUI() override;
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // Process-wide settings.
    static void SetInstancePath(std::string path);
    static const std::string& GetInstancePath();
    // The skin folder; layouts, images and language files are relative to it.
    static void SetResourcePath(std::string path);
    static const std::string& GetResourcePath();
    // The UI thread's loop; control timers run on it.
    static void SetMessageLoop(platform::MessageLoop* loop);
    static platform::MessageLoop* GetMessageLoop();
    static const std::vector<CPaintManagerUI*>& GetManagers();
    // Accepted DPI values; others are refused.
    static bool IsValidDPI(int dpi);
    static void SetAllDPI(int dpi);

    void Init(CWindowWnd* window, std::string_view name = {});
    CWindowWnd* GetWindow() const { return m_window; }
    const std::string& GetName() const { return m_name; }

    // The tree.
    bool AttachDialog(std::unique_ptr<CControlUI> root);
    CControlUI* GetRoot() const { return m_root.get(); }
    std::unique_ptr<CControlUI> DetachRoot();
    // Registers a control (and its subtree) that joined the tree.
    void InitControls(CControlUI* control);
    // Forgets a control leaving the tree: its name, timers, focus, hot, capture.
    void ReapObjects(CControlUI* control);
    void ForgetSubtree(CControlUI* control);
    void OnNameChanged(CControlUI* control, const std::string& oldName);
    // Destroys a control after the current dispatch.
    void AddDelayedCleanup(std::unique_ptr<CControlUI> control);
    // Post-init work runs once the tree being added is fully registered.
    void DeferPostInit(CControlUI* control);
    void FlushPostInit();
    bool IsDispatching() const { return m_dispatchDepth > 0; }

    // Lookups; null when absent.
    CControlUI* FindControl(std::string_view name) const;
    CControlUI* FindControl(UiPoint pt) const;
    // The first control of that name inside `parent` (scoped: pages reuse names).
    CControlUI* FindSubControlByName(CControlUI* parent, std::string_view name) const;
    CControlUI* FindSubControlByClass(CControlUI* parent, std::string_view cls,
                                      int index = 0) const;
    std::vector<CControlUI*> FindSubControlsByClass(CControlUI* parent, std::string_view cls) const;
    template <class T>
    T* FindControlAs(std::string_view name) const {
        return dynamic_cast<T*>(FindControl(name));
    }
    template <class T>
    T* FindSubControlAs(CControlUI* parent, std::string_view name) const {
        return dynamic_cast<T*>(FindSubControlByName(parent, name));
    }

    // Notifications.
    void SetNotifyWindow(INotifyUI* window) { m_notifyWindow = window; }
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyUI& msg);
    void SendNotify(CControlUI* sender, std::string_view type, uintptr_t wParam = 0,
                    intptr_t lParam = 0);

    // Message filters see window messages first.
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    // Handles a window message (input, size, timers of controls); true when handled.
    bool MessageHandler(uint32_t msg, uintptr_t wParam, intptr_t lParam, intptr_t& result);

    // Focus, hot tracking, capture.
    CControlUI* GetFocus() const { return m_focus; }
    void SetFocus(CControlUI* control);
    CControlUI* GetHot() const { return m_hot; }
    // Tab and Shift+Tab: the next or previous tab stop in layout order.
    void MoveFocus(bool forward);
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return m_captured; }
    CControlUI* GetEventClick() const { return m_eventClick; }

    // Control timers.
    bool SetTimer(CControlUI* control, uintptr_t id, uint32_t elapseMs);
    bool KillTimer(CControlUI* control, uintptr_t id);
    void KillTimers(CControlUI* control);
    bool HasTimer(const CControlUI* control, uintptr_t id) const;
    void RemoveAllTimers();

    // The numbered font table.
    void AddFont(int id, std::string_view face, int size, bool bold, bool underline, bool italic,
                 bool shared = false);
    void SetDefaultFont(std::string_view face, int size, bool bold, bool underline, bool italic,
                        bool shared = false);
    const FontInfo* GetFontInfo(int id) const;  // null when not in the table
    const FontInfo& GetFontOrDefault(int id) const;
    const FontInfo& GetDefaultFontInfo() const { return m_defaultFont; }
    void RemoveAllFonts();
    void RemoveFont(int id);
    size_t GetFontCount() const { return m_fonts.size(); }

    // Option groups (options of one group exclude each other).
    void AddOptionGroup(std::string_view group, CControlUI* option);
    void RemoveOptionGroup(std::string_view group, CControlUI* option);
    const std::vector<CControlUI*>* GetOptionGroup(std::string_view group) const;

    // Named styles and per-class default attributes from the layout.
    void AddStyle(std::string_view name, std::string_view attributes);
    const std::string* GetStyle(std::string_view name) const;
    void AddDefaultAttributeList(std::string_view cls, std::string_view attributes);
    const std::string* GetDefaultAttributeList(std::string_view cls) const;

    // DPI: layout sizes are scaled by dpi / 96.
    int GetDPI() const { return m_dpi; }
    bool SetDPI(int dpi);
    int GetScale() const { return m_dpi * 100 / 96; }
    int Scale(int v) const { return v * m_dpi / 96; }

    // Window geometry from the layout.
    UiSize GetInitSize() const { return m_initSize; }
    void SetInitSize(UiSize size) { m_initSize = size; }
    UiRect GetCaptionRect() const { return m_caption; }
    void SetCaptionRect(const UiRect& rc) { m_caption = rc; }
    UiSize GetMinInfo() const { return m_minInfo; }
    void SetMinInfo(UiSize s) { m_minInfo = s; }

    // Layout and invalidation.
    UiSize GetClientSize() const { return m_clientSize; }
    void SetClientSize(UiSize size);
    void NeedUpdate() { m_updateNeeded = true; }
    bool IsUpdateNeeded() const { return m_updateNeeded; }
    void Invalidate(const UiRect& rc);
    void Invalidate();
    const UiRect& GetInvalidRect() const { return m_invalid; }
    // Lays out the tree when something asked for it.
    void LayoutIfNeeded();
    // Paints what is invalid (or `clip`) through the render engine.
    void Paint(IRenderEngine& render, const UiRect& clip);
    void Paint(IRenderEngine& render);
    // Used to measure text (headless: fixed advance).
    void SetRenderEngine(IRenderEngine* render) { m_render = render; }
    IRenderEngine& GetRenderEngine() const;

    // The UI clock in milliseconds.
    int64_t NowMs() const;

    intptr_t HandleMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

private:
    struct TimerInfo {
        CControlUI* control;
        uintptr_t id;
    };
    struct DispatchScope;
    void SetHot(CControlUI* control, UiPoint pt);
    void OnHover();
    void HideToolTip();
    // The mouse rests on a control this long before it counts as hovering.
    static constexpr uintptr_t kHoverTimer = 0;
    static constexpr uint32_t kHoverDelayMs = 400;
    bool m_toolTipShown = false;
    void SendEvent(CControlUI* control, UiEvent type, UiPoint pt, uintptr_t wParam = 0,
                   uint32_t key = 0);
    void RegisterName(CControlUI* control);
    void UnregisterName(CControlUI* control, const std::string& name);
    platform::WindowHandle TimerTarget();

    CWindowWnd* m_window = nullptr;
    std::string m_name;
    std::unique_ptr<CControlUI> m_root;
    std::unordered_map<std::string, std::vector<CControlUI*>> m_names;
    INotifyUI* m_notifyWindow = nullptr;
    std::vector<INotifyUI*> m_notifiers;
    std::vector<IMessageFilterUI*> m_filters;
    CControlUI* m_focus = nullptr;
    CControlUI* m_hot = nullptr;
    CControlUI* m_eventClick = nullptr;
    bool m_captured = false;
    bool m_mouseTracking = false;
    UiPoint m_lastMouse;
    std::map<uintptr_t, TimerInfo> m_timers;  // by loop timer id
    uintptr_t m_nextTimerId = 1;
    platform::WindowHandle m_timerTarget = platform::kNoWindow;
    platform::MessageLoop* m_timerLoop = nullptr;
    std::map<int, FontInfo> m_fonts;
    FontInfo m_defaultFont;
    std::unordered_map<std::string, std::vector<CControlUI*>> m_groups;
    std::unordered_map<std::string, std::string> m_styles;
    std::unordered_map<std::string, std::string> m_defaultAttributes;
    int m_dpi = 96;
    UiSize m_initSize;
    UiSize m_minInfo;
    UiRect m_caption;
    UiSize m_clientSize;
    bool m_updateNeeded = true;
    UiRect m_invalid;
    IRenderEngine* m_render = nullptr;
    int m_dispatchDepth = 0;
    std::vector<std::unique_ptr<CControlUI>> m_delayedCleanup;
    std::vector<CControlUI*> m_postInit;
};

}  // namespace ui
