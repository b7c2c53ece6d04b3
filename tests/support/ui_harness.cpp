#include "support/ui_harness.h"

#include <cstdio>

#include "ui/event.h"

namespace testsupport {

using ui::UiPoint;

void NotificationRecorder::Notify(ui::TNotifyUI& msg) {
    m_records.push_back(
        {msg.sType, msg.pSender ? msg.pSender->GetName() : std::string(), msg.wParam, msg.lParam});
}

std::vector<std::string> NotificationRecorder::Sequence(
    const std::vector<std::string>& ignore) const {
    std::vector<std::string> out;
    for (const Record& r : m_records) {
        bool skip = false;
        for (const auto& i : ignore)
            skip = skip || i == r.type;
        if (!skip)
            out.push_back(r.type + ":" + r.sender);
    }
    return out;
}

int NotificationRecorder::Count(std::string_view type, std::string_view sender) const {
    int n = 0;
    for (const Record& r : m_records) {
        if (r.type == type && (sender.empty() || r.sender == sender))
            ++n;
    }
    return n;
}

const NotificationRecorder::Record* NotificationRecorder::Last(std::string_view type,
                                                               std::string_view sender) const {
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it) {
        if (it->type == type && (sender.empty() || it->sender == sender))
            return &*it;
    }
    return nullptr;
}

UiDriver::UiDriver(ui::WindowImplBase& window)
    : m_window(&window), m_pm(window.GetPaintManager()) {}
UiDriver::UiDriver(ui::CPaintManagerUI& pm) : m_pm(pm) {}

intptr_t UiDriver::Send(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (m_window != nullptr)
        return m_window->HandleMessage(msg, wParam, lParam);
    intptr_t result = 0;
    m_pm.MessageHandler(msg, wParam, lParam, result);
    return result;
}

ui::CControlUI* UiDriver::Find(std::string_view name) const {
    return m_pm.FindControl(name);
}

bool UiDriver::Reachable(ui::CControlUI* control, UiPoint& centre) {
    if (control == nullptr)
        return Fail("no such control");
    m_pm.LayoutIfNeeded();
    if (!control->IsVisible())
        return Fail("'" + control->GetName() + "' is hidden");
    if (!control->IsEnabled())
        return Fail("'" + control->GetName() + "' is disabled");
    const ui::UiRect rc = control->GetPos();
    if (rc.IsEmpty())
        return Fail("'" + control->GetName() + "' has no area");
    centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ui::CControlUI* hit = m_pm.FindControl(centre);
    if (hit == nullptr || !(hit == control || control->IsAncestorOf(hit))) {
        return Fail("'" + control->GetName() + "' is covered by '" +
                    (hit ? hit->GetName() : std::string("nothing")) + "'");
    }
    return true;
}

void UiDriver::MoveMouse(UiPoint pt) {
    Send(ui::kMsgMouseMove, 0, ui::MakePointParam(pt));
}

bool UiDriver::Click(ui::CControlUI* control) {
    UiPoint pt;
    if (!Reachable(control, pt))
        return false;
    MoveMouse(pt);
    Send(ui::kMsgLButtonDown, 0, ui::MakePointParam(pt));
    Send(ui::kMsgLButtonUp, 0, ui::MakePointParam(pt));
    return true;
}

bool UiDriver::Click(std::string_view name) {
    return Click(Find(name));
}

bool UiDriver::DoubleClick(std::string_view name) {
    UiPoint pt;
    if (!Reachable(Find(name), pt))
        return false;
    MoveMouse(pt);
    Send(ui::kMsgLButtonDown, 0, ui::MakePointParam(pt));
    Send(ui::kMsgLButtonUp, 0, ui::MakePointParam(pt));
    Send(ui::kMsgLButtonDblClk, 0, ui::MakePointParam(pt));
    Send(ui::kMsgLButtonUp, 0, ui::MakePointParam(pt));
    return true;
}

bool UiDriver::Key(uint32_t keyCode) {
    Send(ui::kMsgKeyDown, keyCode, 0);
    Send(ui::kMsgKeyUp, keyCode, 0);
    return true;
}

bool UiDriver::Type(std::string_view name, std::string_view text) {
    ui::CControlUI* control = Find(name);
    if (!Click(control))
        return false;
    if (m_pm.GetFocus() != control)
        return Fail("'" + std::string(name) + "' did not take the focus");
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            Key(ui::kKeyReturn);
            ++i;
            continue;
        }
        if (c == '\b') {
            Key(ui::kKeyBack);
            ++i;
            continue;
        }
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        len = std::min(len, text.size() - i);
        uint32_t cp = c;
        if (len > 1) {
            cp = c & (0xFF >> (len + 1));
            for (size_t k = 1; k < len; ++k) {
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
        }
        Send(ui::kMsgChar, cp, 0);
        i += len;
    }
    return true;
}

void UiDriver::KillFocus() {
    m_pm.SetFocus(nullptr);
}

bool UiDriver::Select(std::string_view name, int index) {
    ui::CControlUI* control = Find(name);
    if (auto* combo = dynamic_cast<ui::CComboUI*>(control)) {
        if (!combo->IsDropped() && !Click(combo))
            return false;
        if (!combo->IsDropped())
            return Fail("the drop-down did not open");
        if (!combo->SelectItemByUser(index)) {
            combo->ShowDropDown(false);
            return Fail("item " + std::to_string(index) + " cannot be chosen");
        }
        return true;
    }
    if (auto* list = dynamic_cast<ui::CListUI*>(control)) {
        ui::CControlUI* row = list->GetItemAt(index);
        if (row == nullptr)
            return Fail("no row " + std::to_string(index));
        m_pm.LayoutIfNeeded();
        list->EnsureVisible(index);
        return Click(row);
    }
    return Fail("'" + std::string(name) + "' is neither a combo nor a list");
}

bool UiDriver::Drag(std::string_view name, int value, int steps) {
    auto* slider = dynamic_cast<ui::CSliderUI*>(Find(name));
    if (slider == nullptr)
        return Fail("no slider '" + std::string(name) + "'");
    UiPoint pt;
    if (!Reachable(slider, pt))
        return false;
    const UiPoint from = slider->PointOfValue(slider->GetValue());
    const UiPoint to = slider->PointOfValue(value);
    MoveMouse(from);
    Send(ui::kMsgLButtonDown, 0, ui::MakePointParam(from));
    steps = std::max(1, steps);
    for (int i = 1; i <= steps; ++i) {
        const UiPoint p{from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        Send(ui::kMsgMouseMove, 0, ui::MakePointParam(p));
    }
    Send(ui::kMsgLButtonUp, 0, ui::MakePointParam(to));
    return true;
}

bool UiDriver::Wheel(std::string_view name, int delta) {
    UiPoint pt;
    if (!Reachable(Find(name), pt))
        return false;
    Send(ui::kMsgMouseWheel, static_cast<uintptr_t>(static_cast<intptr_t>(delta)),
         ui::MakePointParam(pt));
    return true;
}

UiHarness::UiHarness() : m_scoped(m_clock), m_loop(m_clock) {
    ui::CPaintManagerUI::SetMessageLoop(&m_loop);
}

UiHarness::~UiHarness() {
    ui::CPaintManagerUI::SetMessageLoop(nullptr);
}

std::unique_ptr<TestWindow> UiHarness::CreateWindow(std::string skin, std::string* error,
                                                    ui::UiSize size) {
    auto window = std::make_unique<TestWindow>(std::move(skin));
    const bool ok = window->Create(nullptr, "test", ui::kStylePopup | ui::kStyleVisible, 0, 0, 0,
                                   size.cx, size.cy);
    if (!ok) {
        if (error != nullptr)
            *error = window->GetBuildError();
        return nullptr;
    }
    window->GetPaintManager().LayoutIfNeeded();
    return window;
}

static std::string RectText(const ui::UiRect& rc) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", rc.left, rc.top, rc.right, rc.bottom);
    return buf;
}

void RecordingRenderEngine::PushClip(const ui::UiRect& rc) {
    calls.push_back("clip " + RectText(rc));
    maxClipDepth = std::max(maxClipDepth, ++clipDepth);
}
void RecordingRenderEngine::PopClip() {
    calls.push_back("unclip");
    --clipDepth;
}
void RecordingRenderEngine::FillRect(const ui::UiRect& rc, uint32_t argb) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08X", argb);
    calls.push_back("fill " + RectText(rc) + " " + buf);
}
void RecordingRenderEngine::DrawBorder(const ui::UiRect& rc, int width, uint32_t, int) {
    calls.push_back("border " + RectText(rc) + " " + std::to_string(width));
}
bool RecordingRenderEngine::DrawImage(const ui::UiRect& rc, const ui::ImageDescription& image,
                                      uint32_t, uint8_t) {
    calls.push_back("image " + RectText(rc) + " " + image.file);
    return true;
}
void RecordingRenderEngine::DrawText(const ui::UiRect& rc, std::string_view text,
                                     const ui::FontInfo& font, int, uint32_t, uint32_t) {
    calls.push_back("text " + RectText(rc) + " font" + std::to_string(font.id) + " " +
                    std::string(text));
}

}  // namespace testsupport
