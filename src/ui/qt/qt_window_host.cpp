#include "ui/qt/qt_window_host.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include "platform/messages.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/resource_manager.h"

namespace ui::qt {

namespace {

// Background shown before the controls paint (and where none paints).
constexpr QRgb kWindowBackground = 0xFF111318;

uint32_t VirtualKey(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<uint32_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<uint32_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<uint32_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
        case Qt::Key_Backspace:
            return kKeyBack;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return kKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return kKeyReturn;
        case Qt::Key_Escape:
            return kKeyEscape;
        case Qt::Key_Space:
            return 0x20;
        case Qt::Key_PageUp:
            return 0x21;
        case Qt::Key_PageDown:
            return 0x22;
        case Qt::Key_End:
            return kKeyEnd;
        case Qt::Key_Home:
            return kKeyHome;
        case Qt::Key_Left:
            return kKeyLeft;
        case Qt::Key_Up:
            return kKeyUp;
        case Qt::Key_Right:
            return kKeyRight;
        case Qt::Key_Down:
            return kKeyDown;
        case Qt::Key_Insert:
            return 0x2D;
        case Qt::Key_Delete:
            return kKeyDelete;
        case Qt::Key_Shift:
            return 0x10;
        case Qt::Key_Control:
            return 0x11;
        case Qt::Key_Alt:
            return 0x12;
        default:
            return 0;
    }
}

intptr_t Modifiers(Qt::KeyboardModifiers m) {
    intptr_t r = 0;
    if (m & Qt::ShiftModifier)
        r |= kModShift;
    if (m & Qt::ControlModifier)
        r |= kModCtrl;
    if (m & Qt::AltModifier)
        r |= kModAlt;
    return r;
}

intptr_t PointParam(const QPointF& p) {
    return MakePointParam({static_cast<int>(p.x()), static_cast<int>(p.y())});
}

Qt::CursorShape CursorShape(CursorKind c) {
    switch (c) {
        case CursorKind::IBeam:
            return Qt::IBeamCursor;
        case CursorKind::Wait:
            return Qt::WaitCursor;
        case CursorKind::Cross:
            return Qt::CrossCursor;
        case CursorKind::UpArrow:
            return Qt::UpArrowCursor;
        case CursorKind::Size:
        case CursorKind::SizeAll:
            return Qt::SizeAllCursor;
        case CursorKind::SizeNWSE:
            return Qt::SizeFDiagCursor;
        case CursorKind::SizeNESW:
            return Qt::SizeBDiagCursor;
        case CursorKind::SizeWE:
            return Qt::SizeHorCursor;
        case CursorKind::SizeNS:
            return Qt::SizeVerCursor;
        case CursorKind::No:
            return Qt::ForbiddenCursor;
        case CursorKind::Hand:
            return Qt::PointingHandCursor;
        case CursorKind::Icon:
        case CursorKind::Arrow:
        default:
            return Qt::ArrowCursor;
    }
}

QString ColorCss(uint32_t argb) {
    const QColor c = QColor::fromRgba(argb);
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alpha());
}

// Controls a press lands on that keep the press for themselves even inside
// the caption area.
bool IsInteractive(const CControlUI* c) {
    return dynamic_cast<const CButtonUI*>(c) != nullptr ||
           dynamic_cast<const CEditUI*>(c) != nullptr ||
           dynamic_cast<const CSliderUI*>(c) != nullptr ||
           dynamic_cast<const CComboUI*>(c) != nullptr ||
           dynamic_cast<const CListUI*>(c) != nullptr;
}

}  // namespace

QIcon ResourceIcon(int resourceId) {
    auto* res = CResourceManager::GetInstance();
    std::string file = res->GetImagePath("ICON_" + std::to_string(resourceId));
    if (file.empty())
        file = res->GetImagePath("ICON_APP");
    if (file.empty())
        return {};
    return QIcon(ResolveImagePath(file));
}

// ---- HostWidget

HostWidget::HostWidget(QtWindowHost* host, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), m_host(host) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void HostWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgba(kWindowBackground));
    if (m_host != nullptr)
        m_host->PaintInto(painter, event->rect());
}

void HostWidget::mousePressEvent(QMouseEvent* event) {
    if (m_host == nullptr)
        return;
    const QPoint pt = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (m_host->IsCaptionPoint(pt)) {
            QWindow* w = windowHandle();
            if (w == nullptr || !w->startSystemMove()) {
                m_manualDrag = true;
                m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
            }
            return;
        }
        if (m_host->Dispatch(kMsgLButtonDown, 1, PointParam(event->position())) &&
            m_host != nullptr)
            m_host->SyncEditOverlay();
    } else if (event->button() == Qt::RightButton) {
        m_host->Dispatch(kMsgRButtonDown, 2, PointParam(event->position()));
    }
}

void HostWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (m_host == nullptr)
        return;
    if (m_manualDrag && event->button() == Qt::LeftButton) {
        m_manualDrag = false;
        return;
    }
    if (event->button() == Qt::LeftButton) {
        if (m_host->Dispatch(kMsgLButtonUp, 0, PointParam(event->position())) && m_host != nullptr)
            m_host->SyncEditOverlay();
    } else if (event->button() == Qt::RightButton) {
        m_host->Dispatch(kMsgRButtonUp, 0, PointParam(event->position()));
    }
}

void HostWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (m_host == nullptr || event->button() != Qt::LeftButton)
        return;
    if (m_host->IsCaptionPoint(event->position().toPoint()))
        return;
    m_host->Dispatch(kMsgLButtonDblClk, 1, PointParam(event->position()));
}

void HostWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_host == nullptr)
        return;
    if (m_manualDrag) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    m_host->Dispatch(kMsgMouseMove, 0, PointParam(event->position()));
}

void HostWidget::leaveEvent(QEvent*) {
    if (m_host != nullptr)
        m_host->Dispatch(kMsgMouseLeave, 0, 0);
}

void HostWidget::wheelEvent(QWheelEvent* event) {
    if (m_host == nullptr)
        return;
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    m_host->Dispatch(kMsgMouseWheel, static_cast<uintptr_t>(static_cast<intptr_t>(delta)),
                     PointParam(event->position()));
}

void HostWidget::keyPressEvent(QKeyEvent* event) {
    if (m_host == nullptr)
        return;
    intptr_t mods = Modifiers(event->modifiers());
    if (event->key() == Qt::Key_Backtab)
        mods |= kModShift;
    if (const uint32_t vk = VirtualKey(event->key())) {
        if (!m_host->Dispatch(kMsgKeyDown, vk, mods) || m_host == nullptr)
            return;
    }
    // Printable text follows as characters, as a keyboard's character messages do.
    const QString text = event->text();
    for (const char32_t cp : text.toUcs4()) {
        if (cp < 0x20 || cp == 0x7F)
            continue;
        if (!m_host->Dispatch(kMsgChar, cp, mods) || m_host == nullptr)
            return;
    }
    m_host->SyncEditOverlay();
}

void HostWidget::keyReleaseEvent(QKeyEvent* event) {
    if (m_host == nullptr)
        return;
    if (const uint32_t vk = VirtualKey(event->key()))
        m_host->Dispatch(kMsgKeyUp, vk, Modifiers(event->modifiers()));
}

bool HostWidget::eventFilter(QObject* watched, QEvent* event) {
    if (m_host == nullptr || watched != m_host->EditOverlay() || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        const intptr_t mods = key->key() == Qt::Key_Backtab ? kModShift : 0;
        if (m_host->Dispatch(kMsgKeyDown, kKeyTab, mods) && m_host != nullptr)
            m_host->SyncEditOverlay();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        m_host->Dispatch(kMsgKeyDown, kKeyEscape, 0);
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        m_host->OnEditReturn();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void HostWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
}

void HostWidget::resizeEvent(QResizeEvent*) {
    if (m_host != nullptr)
        m_host->OnGeometryChanged(geometry());
}

void HostWidget::moveEvent(QMoveEvent*) {
    if (m_host != nullptr)
        m_host->OnGeometryChanged(geometry());
}

void HostWidget::closeEvent(QCloseEvent* event) {
    // The window decides (a main window only hides itself).
    event->ignore();
    if (m_host != nullptr)
        m_host->Dispatch(kMsgSysCommand, kScClose, 0);
}

void HostWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (m_host != nullptr && !event->spontaneous())
        m_host->OnHiddenByQt();
}

void HostWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (m_host == nullptr)
        return;
    if (event->type() == QEvent::ActivationChange) {
        const bool active = isActiveWindow();
        if (!active)
            m_host->Dispatch(kMsgKillFocus, 0, 0);
        // The window may watch its activation (a main window repaints its
        // device's picture only while active).
        if (m_host != nullptr)
            m_host->Dispatch(platform::kMsgActivate, active ? 1 : 0, 0);
    }
}

// ---- QtWindowHost

QtWindowHost::QtWindowHost(CWindowWnd& window, CWindowWnd* parent) : m_window(window) {
    QWidget* parentWidget = nullptr;
    if (QtWindowHost* p = QtHostOf(parent))
        parentWidget = p->Widget();
    m_popup = dynamic_cast<CMenuWnd*>(&window) != nullptr;
    m_widget = new HostWidget(this, parentWidget, Qt::Window | Qt::FramelessWindowHint);
    if (auto* impl = dynamic_cast<WindowImplBase*>(&window))
        impl->GetPaintManager().SetRenderEngine(&m_engine);
}

QtWindowHost::~QtWindowHost() {
    *m_alive = false;
    if (m_modalLoop != nullptr)
        m_modalLoop->quit();
    if (auto* impl = dynamic_cast<WindowImplBase*>(&m_window)) {
        CPaintManagerUI& pm = impl->GetPaintManager();
        if (&pm.GetRenderEngine() == &m_engine)
            pm.SetRenderEngine(nullptr);
    }
    if (m_widget) {
        m_widget->Detach();
        m_widget->hide();
        // Events of the widget may still be on the stack.
        m_widget->deleteLater();
    }
}

CPaintManagerUI* QtWindowHost::PaintManager() const {
    auto* impl = dynamic_cast<WindowImplBase*>(&m_window);
    return impl != nullptr ? &impl->GetPaintManager() : nullptr;
}

bool QtWindowHost::Dispatch(uint32_t msg, uintptr_t wParam, intptr_t lParam) {
    if (m_destroyed || !m_window.IsWindow())
        return false;
    const std::shared_ptr<bool> alive = m_alive;
    m_window.HandleMessage(msg, wParam, lParam);
    return *alive && !m_destroyed && m_window.IsWindow();
}

void QtWindowHost::PaintInto(QPainter& painter, const QRect& clip) {
    CPaintManagerUI* pm = PaintManager();
    if (pm == nullptr || m_destroyed)
        return;
    m_engine.Begin(painter, pm->GetScale());
    pm->Paint(m_engine, UiRect{clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1});
    m_engine.End();
    // Focus may have moved without input (code called SetFocus).
    if (m_syncedFocus != pm->GetFocus())
        ScheduleSync();
}

bool QtWindowHost::IsCaptionPoint(QPoint pt) const {
    CPaintManagerUI* pm = PaintManager();
    if (pm == nullptr)
        return false;
    const UiRect cap = pm->GetCaptionRect();
    if (cap.bottom <= 0)
        return false;
    const UiSize client = pm->GetClientSize();
    const UiRect area{pm->Scale(cap.left), pm->Scale(cap.top), client.cx - pm->Scale(cap.right),
                      pm->Scale(cap.bottom)};
    if (!area.Contains({pt.x(), pt.y()}))
        return false;
    CControlUI* hit = pm->FindControl(UiPoint{pt.x(), pt.y()});
    return !IsInteractive(hit);
}

void QtWindowHost::ApplyFlags() {
    if (!m_widget)
        return;
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    if (m_popup) {
        flags |= Qt::Popup;
    } else {
        flags |= (m_exStyle & kExStyleToolWindow) != 0 ? Qt::Tool : Qt::Window;
    }
    if (m_topmost)
        flags |= Qt::WindowStaysOnTopHint;
    if ((m_exStyle & kExStyleNoActivate) != 0) {
        flags |= Qt::WindowDoesNotAcceptFocus;
        m_widget->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    if (m_widget->windowFlags() != flags) {
        const bool visible = m_widget->isVisible();
        // Qt hides a window whose flags change; that is not the user hiding it.
        m_hiding = true;
        m_widget->setWindowFlags(flags);
        m_hiding = false;
        m_widget->setGeometry(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height());
        if (visible)
            m_widget->show();
    }
}

void QtWindowHost::SetTitle(const std::string& title) {
    if (m_widget)
        m_widget->setWindowTitle(QString::fromStdString(title));
}

void QtWindowHost::SetStyle(uint32_t style, uint32_t exStyle) {
    m_style = style;
    m_exStyle = exStyle;
    ApplyFlags();
}

void QtWindowHost::Show(ShowState state, bool activate) {
    if (!m_widget || m_destroyed)
        return;
    m_state = state;
    switch (state) {
        case ShowState::Hidden:
            m_hiding = true;
            m_widget->hide();
            m_hiding = false;
            return;
        case ShowState::Normal:
            m_widget->showNormal();
            break;
        case ShowState::Minimized:
            m_widget->showMinimized();
            return;
        case ShowState::Maximized:
            m_widget->showMaximized();
            break;
    }
    if (activate) {
        m_widget->raise();
        m_widget->activateWindow();
    }
}

void QtWindowHost::SetRect(const UiRect& rc) {
    m_rect = rc;
    if (!m_widget)
        return;
    m_settingRect = true;
    m_widget->setGeometry(rc.left, rc.top, std::max(1, rc.Width()), std::max(1, rc.Height()));
    m_settingRect = false;
    SyncEditOverlay();
}

void QtWindowHost::OnGeometryChanged(const QRect& g) {
    if (m_settingRect)
        return;
    const UiRect rc{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    const bool resized = rc.Width() != m_rect.Width() || rc.Height() != m_rect.Height();
    m_rect = rc;
    if (resized)
        Dispatch(kMsgSize, 0, MakePointParam({rc.Width(), rc.Height()}));
}

void QtWindowHost::OnHiddenByQt() {
    // A pop-up closed by a click outside it: the window hears it lost the focus.
    if (m_hiding || m_destroyed)
        return;
    m_state = ShowState::Hidden;
    if (m_popup)
        Dispatch(kMsgKillFocus, 0, 0);
}

void QtWindowHost::SetTopmost(bool on) {
    if (on == m_topmost)
        return;
    m_topmost = on;
    ApplyFlags();
}

void QtWindowHost::Invalidate(const UiRect& rc) {
    if (m_widget && !m_destroyed)
        m_widget->update(rc.left, rc.top, rc.Width(), rc.Height());
}

void QtWindowHost::SetIcon(int resourceId) {
    if (m_widget)
        m_widget->setWindowIcon(ResourceIcon(resourceId));
}

void QtWindowHost::SetCursor(CursorKind cursor) {
    if (m_widget)
        m_widget->setCursor(CursorShape(cursor));
}

void QtWindowHost::ShowToolTip(const std::string& text, const UiRect& near) {
    if (!m_widget)
        return;
    const QPoint at = m_widget->mapToGlobal(QPoint(near.left, near.bottom + 2));
    QToolTip::showText(at, QString::fromStdString(text), m_widget,
                       QRect(near.left, near.top, near.Width(), near.Height()));
}

void QtWindowHost::HideToolTip() {
    QToolTip::hideText();
}

UiRect QtWindowHost::GetScreenRect() const {
    QScreen* screen = m_widget ? m_widget->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return {0, 0, 1920, 1080};
    const QRect g = screen->availableGeometry();
    return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

UiPoint QtWindowHost::GetCursorPos() const {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void QtWindowHost::RunModal(CWindowWnd& window) {
    if (!m_widget || m_destroyed)
        return;
    // Modality only takes effect on a window that is shown again.
    m_hiding = true;
    m_widget->hide();
    m_hiding = false;
    m_widget->setWindowModality(Qt::ApplicationModal);
    m_widget->show();
    m_state = ShowState::Normal;
    m_widget->raise();
    m_widget->activateWindow();
    QEventLoop loop;
    const std::shared_ptr<bool> alive = m_alive;
    m_modalLoop = &loop;
    if (window.IsWindow() && !m_destroyed)
        loop.exec();
    if (*alive)
        m_modalLoop = nullptr;
}

void QtWindowHost::Activate() {
    if (m_widget && m_widget->isVisible()) {
        m_widget->raise();
        m_widget->activateWindow();
    }
}

void QtWindowHost::Destroy() {
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_editTarget = nullptr;
    if (m_widget) {
        m_hiding = true;
        m_widget->hide();
        m_hiding = false;
    }
    if (m_modalLoop != nullptr)
        m_modalLoop->quit();
}

void QtWindowHost::ScheduleSync() {
    if (m_syncQueued || !m_widget)
        return;
    m_syncQueued = true;
    QTimer::singleShot(0, m_widget.data(), [this, alive = m_alive] {
        if (!*alive)
            return;
        m_syncQueued = false;
        SyncEditOverlay();
    });
}

void QtWindowHost::CommitEdit() {
    if (m_editTarget != nullptr && m_edit)
        m_editTarget->SetTextByUser(m_edit->text().toStdString());
}

void QtWindowHost::OnEditReturn() {
    CommitEdit();
    const std::shared_ptr<bool> alive = m_alive;
    if (Dispatch(kMsgKeyDown, kKeyReturn, 0) && *alive && m_editTarget != nullptr && m_edit) {
        // The control may have corrected the text (a number range).
        m_edit->setText(QString::fromStdString(m_editTarget->GetText()));
    }
}

void QtWindowHost::SyncEditOverlay() {
    CPaintManagerUI* pm = PaintManager();
    if (pm == nullptr || !m_widget)
        return;
    m_syncedFocus = pm->GetFocus();  // compared only, never used
    auto* edit = m_destroyed ? nullptr : dynamic_cast<CEditUI*>(pm->GetFocus());
    if (edit != nullptr && (!edit->IsVisible() || !edit->IsEnabled() || edit->IsReadOnly()))
        edit = nullptr;
    if (edit == nullptr) {
        m_editTarget = nullptr;
        if (m_edit && m_edit->isVisible()) {
            m_edit->hide();
            m_widget->setFocus();
        }
        return;
    }
    if (!m_edit) {
        m_edit = new QLineEdit(m_widget);
        m_edit->setFrame(false);
        m_edit->installEventFilter(m_widget);
        QObject::connect(m_edit, &QLineEdit::textEdited, m_widget, [this, alive = m_alive] {
            if (*alive)
                CommitEdit();
        });
    }
    const bool retarget = edit != m_editTarget;
    m_editTarget = edit;
    const UiRect rc = edit->GetPos();
    const UiRect tp = edit->GetTextPadding();
    const UiRect inner = rc.Deflate(
        {pm->Scale(tp.left), pm->Scale(tp.top), pm->Scale(tp.right), pm->Scale(tp.bottom)});
    m_edit->setGeometry(inner.left, rc.top + 1, std::max(1, inner.Width()),
                        std::max(1, rc.Height() - 2));
    if (retarget) {
        m_edit->setFont(MakeFont(pm->GetFontOrDefault(edit->GetFont()), pm->GetScale()));
        m_edit->setMaxLength(std::max(0, edit->GetMaxChar()));
        m_edit->setEchoMode(edit->IsPasswordMode() ? QLineEdit::Password : QLineEdit::Normal);
        if (edit->IsNumberOnly()) {
            m_edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), m_edit));
        } else {
            m_edit->setValidator(nullptr);
        }
        const uint32_t bk = edit->GetNativeBkColor() != 0 ? edit->GetNativeBkColor()
                            : edit->GetBkColor() != 0     ? edit->GetBkColor()
                                                          : 0xFF12151B;
        m_edit->setStyleSheet(QStringLiteral("QLineEdit{background:%1;color:%2;border:none;"
                                             "selection-background-color:#E8364F;"
                                             "selection-color:white;padding:0px;}")
                                  .arg(ColorCss(bk | 0xFF000000u), ColorCss(edit->GetTextColor())));
        m_edit->setText(QString::fromStdString(edit->GetText()));
        m_edit->selectAll();
    }
    if (!m_edit->isVisible())
        m_edit->show();
    if (!m_edit->hasFocus())
        m_edit->setFocus();
}

std::unique_ptr<IWindowHost> QtWindowHostFactory::CreateHost(CWindowWnd& window,
                                                             CWindowWnd* parent) {
    return std::make_unique<QtWindowHost>(window, parent);
}

QtWindowHost* QtHostOf(CWindowWnd* window) {
    if (window == nullptr || !window->IsWindow())
        return nullptr;
    return dynamic_cast<QtWindowHost*>(&window->Host());
}

}  // namespace ui::qt
