#pragma once
// Drives the headless UI in tests: windows built from layout text or skin
// files, user input by control name, time on a virtual clock, and a recorder
// of the notifications that came out.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/message_loop.h"
#include "ui/controls.h"
#include "ui/list.h"
#include "ui/paint_manager.h"
#include "ui/render.h"
#include "ui/window.h"

namespace testsupport {

// Records every notification it is handed.
class NotificationRecorder : public ui::INotifyUI {
public:
    struct Record {
        std::string type;
        std::string sender;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
    };
    void Notify(ui::TNotifyUI& msg) override;
    const std::vector<Record>& All() const { return m_records; }
    // "type:sender" for each record, in order; types in `ignore` are left out.
    std::vector<std::string> Sequence(const std::vector<std::string>& ignore = {"msenter",
                                                                                "msleave"}) const;
    int Count(std::string_view type, std::string_view sender = {}) const;
    const Record* Last(std::string_view type, std::string_view sender = {}) const;
    void Clear() { m_records.clear(); }

private:
    std::vector<Record> m_records;
};

// A window whose layout is given as text or a skin file; its notification
// map and CreateControl callback are open to the test.
class TestWindow : public ui::WindowImplBase {
public:
    explicit TestWindow(std::string skin) : m_skin(std::move(skin)) {}
    std::string GetWindowClassName() const override { return "TestWindow"; }
    std::string GetSkinFile() override { return m_skin; }
    void Notify(ui::TNotifyUI& msg) override {
        if (onNotify)
            onNotify(msg);
        ui::WindowImplBase::Notify(msg);
    }
    std::unique_ptr<ui::CControlUI> CreateControl(std::string_view tag) override {
        return createControl ? createControl(tag) : nullptr;
    }
    intptr_t HandleCustomMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                 bool& handled) override {
        if (onMessage)
            return onMessage(msg, wParam, lParam, handled);
        handled = false;
        return 0;
    }

    std::function<void(ui::TNotifyUI&)> onNotify;
    std::function<std::unique_ptr<ui::CControlUI>(std::string_view)> createControl;
    std::function<intptr_t(uint32_t, uintptr_t, intptr_t, bool&)> onMessage;

private:
    std::string m_skin;
};

// User input by control name on one window (or a bare paint manager).
class UiDriver {
public:
    explicit UiDriver(ui::WindowImplBase& window);
    explicit UiDriver(ui::CPaintManagerUI& pm);

    ui::CControlUI* Find(std::string_view name) const;
    // Each returns false (and says why in LastError) when the user could not
    // have done it: missing, hidden, disabled or covered control.
    bool Click(std::string_view name);
    bool Click(ui::CControlUI* control);
    bool DoubleClick(std::string_view name);
    // Clicks into the control (the focus moves there), then types. "\n" is the
    // Return key, "\b" a backspace.
    bool Type(std::string_view name, std::string_view text);
    // Moves the focus away (a click on nothing), as leaving a field does.
    void KillFocus();
    bool Key(uint32_t keyCode);
    // Combos: open and choose a visible item. Lists: scroll to and click a row.
    bool Select(std::string_view name, int index);
    // Grabs the slider's thumb, moves it in steps to the value and lets go.
    bool Drag(std::string_view name, int value, int steps = 4);
    bool Wheel(std::string_view name, int delta);
    void MoveMouse(ui::UiPoint pt);
    const std::string& LastError() const { return m_error; }

private:
    intptr_t Send(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    bool Reachable(ui::CControlUI* control, ui::UiPoint& centre);
    bool Fail(std::string why) {
        m_error = std::move(why);
        return false;
    }

    ui::WindowImplBase* m_window = nullptr;
    ui::CPaintManagerUI& m_pm;
    std::string m_error;
};

// Owns the virtual clock and the UI loop for a test.
class UiHarness {
public:
    UiHarness();
    ~UiHarness();
    UiHarness(const UiHarness&) = delete;
    UiHarness& operator=(const UiHarness&) = delete;

    platform::VirtualClock& Clock() { return m_clock; }
    platform::TestMessageLoop& Loop() { return m_loop; }
    void Advance(int64_t ms) { m_loop.Advance(ms); }

    // Builds and shows a window; `skin` is layout text or a skin file. Null
    // when the layout does not build (the error in `error`).
    std::unique_ptr<TestWindow> CreateWindow(std::string skin, std::string* error = nullptr,
                                             ui::UiSize size = {800, 600});

private:
    platform::VirtualClock m_clock;
    platform::ScopedClock m_scoped;
    platform::TestMessageLoop m_loop;
};

// Records paint calls, one line each.
class RecordingRenderEngine : public ui::NullRenderEngine {
public:
    void PushClip(const ui::UiRect& rc) override;
    void PopClip() override;
    void FillRect(const ui::UiRect& rc, uint32_t argb) override;
    void DrawBorder(const ui::UiRect& rc, int width, uint32_t argb, int round) override;
    bool DrawImage(const ui::UiRect& rc, const ui::ImageDescription& image, uint32_t tint,
                   uint8_t alpha) override;
    void DrawText(const ui::UiRect& rc, std::string_view text, const ui::FontInfo& font, int scale,
                  uint32_t argb, uint32_t align) override;
    std::vector<std::string> calls;
    int clipDepth = 0;
    int maxClipDepth = 0;
};

}  // namespace testsupport
