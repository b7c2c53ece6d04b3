#pragma once
// Real windows for the UI library: one frameless QWidget per CWindowWnd hosts
// the windowless control tree. It paints through QtRenderEngine, turns Qt's
// mouse and keyboard events into the window messages the paint manager
// understands, drags the window by its caption area, shows tooltips and
// cursors, and lays a native line edit over a focused CEditUI so that input
// methods, the clipboard and selection behave as users expect.
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "ui/qt/qt_render.h"
#include "ui/window.h"

namespace ui {
class CEditUI;
}

namespace ui::qt {

class QtWindowHost;

class HostWidget : public QWidget {
public:
    HostWidget(QtWindowHost* host, QWidget* parent, Qt::WindowFlags flags);
    void Detach() { m_host = nullptr; }
    QtWindowHost* Host() const { return m_host; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool) override { return false; }
    // Keys the native editor does not own (Tab, Escape) go to the controls.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QtWindowHost* m_host;
    QPoint m_dragOffset;
    bool m_manualDrag = false;
};

class QtWindowHost : public IWindowHost {
public:
    QtWindowHost(CWindowWnd& window, CWindowWnd* parent);
    ~QtWindowHost() override;

    void SetTitle(const std::string& title) override;
    void SetStyle(uint32_t style, uint32_t exStyle) override;
    void Show(ShowState state, bool activate) override;
    ShowState GetShowState() const override { return m_state; }
    void SetRect(const UiRect& rc) override;
    UiRect GetRect() const override { return m_rect; }
    void SetTopmost(bool on) override;
    bool IsTopmost() const override { return m_topmost; }
    void Invalidate(const UiRect& rc) override;
    void SetCapture(bool) override {}
    void SetIcon(int resourceId) override;
    void SetCursor(CursorKind cursor) override;
    void ShowToolTip(const std::string& text, const UiRect& near) override;
    void HideToolTip() override;
    UiRect GetScreenRect() const override;
    UiPoint GetCursorPos() const override;
    void RunModal(CWindowWnd& window) override;
    void Activate() override;
    void Destroy() override;

    HostWidget* Widget() const { return m_widget.data(); }
    CWindowWnd& Window() const { return m_window; }
    // The paint manager of the window (null for a bare CWindowWnd).
    CPaintManagerUI* PaintManager() const;
    // Hands a message to the window; false when the window went away meanwhile.
    bool Dispatch(uint32_t msg, uintptr_t wParam, intptr_t lParam);
    // Paints the window's controls into any paint device (the widget, a picture).
    void PaintInto(QPainter& painter, const QRect& clip);
    // Whether a press at this client point starts moving the window.
    bool IsCaptionPoint(QPoint pt) const;
    // Shows, moves or hides the native editor to match the focused control.
    void SyncEditOverlay();
    QLineEdit* EditOverlay() const { return m_edit.data(); }
    // Return in the native editor: the text goes over, then the key.
    void OnEditReturn();
    void OnGeometryChanged(const QRect& geometry);
    void OnHiddenByQt();

private:
    void ApplyFlags();
    void ScheduleSync();
    void CommitEdit();
    CWindowWnd& m_window;
    QPointer<HostWidget> m_widget;
    QPointer<QLineEdit> m_edit;
    CEditUI* m_editTarget = nullptr;
    const CControlUI* m_syncedFocus = nullptr;  // the focus the overlay last matched
    QtRenderEngine m_engine;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    QEventLoop* m_modalLoop = nullptr;
    ShowState m_state = ShowState::Hidden;
    UiRect m_rect;
    uint32_t m_style = 0;
    uint32_t m_exStyle = 0;
    bool m_topmost = false;
    bool m_popup = false;
    bool m_destroyed = false;
    bool m_syncQueued = false;
    bool m_settingRect = false;
    bool m_hiding = false;
};

class QtWindowHostFactory : public IWindowHostFactory {
public:
    std::unique_ptr<IWindowHost> CreateHost(CWindowWnd& window, CWindowWnd* parent) override;
};

// The host of a window when it is a Qt one.
QtWindowHost* QtHostOf(CWindowWnd* window);

}  // namespace ui::qt
