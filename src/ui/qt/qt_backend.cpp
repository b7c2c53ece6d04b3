#include "ui/qt/qt_backend.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

#include "platform/trace.h"
#include "ui/file_dialog.h"
#include "ui/list.h"
#include "ui/menu.h"
#include "ui/qt/qt_loop_driver.h"
#include "ui/qt/qt_ui_backend.h"
#include "ui/qt/qt_window_host.h"

namespace ui::qt {

QIcon ResourceIcon(int resourceId);  // qt_window_host.cpp

namespace {

// The list of a dropped combo: a pop-up under the combo that paints the
// combo's visible items and hands a click back to it.
class DropDownPopup : public QWidget {
public:
    DropDownPopup(CComboUI& combo, QWidget* owner)
        : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), m_combo(&combo) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }
    void Detach() { m_combo = nullptr; }
    int ContentHeight() const {
        int h = 0;
        for (int i = 0; i < m_combo->GetCount(); ++i) {
            if (m_combo->GetChildAt(i)->IsOwnVisible())
                h += RowHeight(i);
        }
        return h;
    }

protected:
    int RowHeight(int i) const {
        const int h = m_combo->GetChildAt(i)->GetFixedHeight();
        CPaintManagerUI* pm = m_combo->GetManager();
        return h > 0 ? h : (pm != nullptr ? pm->Scale(28) : 28);
    }
    int IndexAt(QPoint pt) const {
        if (m_combo == nullptr)
            return -1;
        int y = -m_scroll + kInset;
        for (int i = 0; i < m_combo->GetCount(); ++i) {
            if (!m_combo->GetChildAt(i)->IsOwnVisible())
                continue;
            const int h = RowHeight(i);
            if (pt.y() >= y && pt.y() < y + h)
                return i;
            y += h;
        }
        return -1;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const uint32_t bk =
            m_combo != nullptr && m_combo->GetBkColor() != 0 ? m_combo->GetBkColor() : 0xFF1B1E25;
        painter.fillRect(rect(), QColor::fromRgba(bk | 0xFF000000u));
        painter.setPen(QColor(0x3A, 0x3F, 0x4B));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (m_combo == nullptr || m_combo->GetManager() == nullptr)
            return;
        CPaintManagerUI* pm = m_combo->GetManager();
        m_engine.Begin(painter, pm->GetScale());
        const UiRect clip{1, 1, width() - 1, height() - 1};
        m_engine.PushClip(clip);
        int y = -m_scroll + kInset;
        for (int i = 0; i < m_combo->GetCount(); ++i) {
            CControlUI* item = m_combo->GetChildAt(i);
            if (!item->IsOwnVisible())
                continue;
            const int h = RowHeight(i);
            const UiRect rc{kInset, y, width() - kInset, y + h};
            y += h;
            if (rc.bottom < 0 || rc.top > height())
                continue;
            item->SetPos(rc);
            uint32_t fill = 0;
            if (i == m_combo->GetCurSel())
                fill = m_combo->GetItemSelectedBkColor() ? m_combo->GetItemSelectedBkColor()
                                                         : 0xFF2A2F3A;
            if (i == m_hot && item->IsEnabled())
                fill = m_combo->GetItemHotBkColor() ? m_combo->GetItemHotBkColor() : 0xFF323846;
            if (fill != 0)
                m_engine.FillRect(rc, fill);
            if (i == m_combo->GetCurSel())
                m_engine.FillRect({rc.left, rc.top + 4, rc.left + 3, rc.bottom - 4}, 0xFFE8364F);
            item->DoPaint(m_engine, rc);
        }
        m_engine.PopClip();
        m_engine.End();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const int hot = IndexAt(e->position().toPoint());
        if (hot != m_hot) {
            m_hot = hot;
            update();
        }
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (m_combo == nullptr || e->button() != Qt::LeftButton)
            return;
        if (!rect().contains(e->position().toPoint()))
            return;
        const int index = IndexAt(e->position().toPoint());
        if (index >= 0)
            m_combo->SelectItemByUser(index);  // closes the drop-down
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (m_combo == nullptr)
            return;
        const int step = e->key() == Qt::Key_Down ? 1 : e->key() == Qt::Key_Up ? -1 : 0;
        if (step != 0) {
            int i = m_hot >= 0 ? m_hot : m_combo->GetCurSel();
            for (i += step; i >= 0 && i < m_combo->GetCount(); i += step) {
                CControlUI* item = m_combo->GetChildAt(i);
                if (item->IsOwnVisible() && item->IsEnabled()) {
                    m_hot = i;
                    update();
                    break;
                }
            }
        } else if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && m_hot >= 0) {
            m_combo->SelectItemByUser(m_hot);
        } else if (e->key() == Qt::Key_Escape) {
            hide();
        }
    }
    void wheelEvent(QWheelEvent* e) override {
        const int maxScroll = std::max(0, ContentHeight() + 2 * kInset - height());
        m_scroll = std::clamp(m_scroll - e->angleDelta().y() / 4, 0, maxScroll);
        update();
    }
    void hideEvent(QHideEvent* e) override {
        QWidget::hideEvent(e);
        // Closed by a click elsewhere: the combo is no longer dropped.
        if (m_combo != nullptr && m_combo->IsDropped()) {
            CComboUI* combo = m_combo;
            m_combo = nullptr;
            combo->ShowDropDown(false);
        }
        deleteLater();
    }

private:
    static constexpr int kInset = 1;
    CComboUI* m_combo;
    QtRenderEngine m_engine;
    int m_hot = -1;
    int m_scroll = 0;
};

QHash<CComboUI*, QPointer<DropDownPopup>>& OpenDropDowns() {
    static QHash<CComboUI*, QPointer<DropDownPopup>> open;
    return open;
}

void ShowDropDown(CComboUI& combo, bool show) {
    auto& open = OpenDropDowns();
    if (!show) {
        QPointer<DropDownPopup> popup = open.take(&combo);
        if (popup) {
            popup->Detach();
            popup->hide();
        }
        return;
    }
    CPaintManagerUI* pm = combo.GetManager();
    QtWindowHost* host = pm != nullptr ? QtHostOf(pm->GetWindow()) : nullptr;
    if (host == nullptr || host->Widget() == nullptr)
        return;
    QWidget* owner = host->Widget();
    auto* popup = new DropDownPopup(combo, owner);
    open.insert(&combo, popup);
    const UiRect rc = combo.GetPos();
    const UiSize box = combo.GetDropBoxSize();
    const int width = box.cx > 0 ? pm->Scale(box.cx) : rc.Width();
    const int height = std::min(popup->ContentHeight() + 2, pm->Scale(box.cy > 0 ? box.cy : 150));
    QPoint at = owner->mapToGlobal(QPoint(rc.left, rc.bottom + pm->Scale(2)));
    // Open upwards when there is no room below.
    if (QScreen* screen = owner->screen()) {
        const QRect avail = screen->availableGeometry();
        if (at.y() + height > avail.bottom())
            at = owner->mapToGlobal(QPoint(rc.left, rc.top - pm->Scale(2) - height));
    }
    popup->setGeometry(at.x(), at.y(), width, std::max(height, 4));
    popup->show();
}

class QtTrayHost : public ITrayHost {
public:
    explicit QtTrayHost(CTrayIcon& owner) : m_owner(owner) {
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, &m_icon,
                         [this](QSystemTrayIcon::ActivationReason why) {
                             if (why == QSystemTrayIcon::Trigger)
                                 m_owner.OnIconMessage(kMsgLButtonUp);
                             else if (why == QSystemTrayIcon::Context)
                                 m_owner.OnIconMessage(kMsgRButtonUp);
                         });
    }
    void Show(int iconId, const std::string& tip) override {
        QIcon icon = ResourceIcon(iconId);
        if (icon.isNull())
            icon = QApplication::windowIcon();
        m_icon.setIcon(icon);
        m_icon.setToolTip(QString::fromStdString(tip));
        if (QSystemTrayIcon::isSystemTrayAvailable())
            m_icon.show();
    }
    void Hide() override { m_icon.hide(); }

private:
    CTrayIcon& m_owner;
    QSystemTrayIcon m_icon;
};

std::unique_ptr<ITrayHost> MakeTrayHost(CTrayIcon& owner) {
    return std::make_unique<QtTrayHost>(owner);
}

class QtFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> Ask(const FileDialogRequest& request) override {
        QWidget* parent = nullptr;
        if (QtWindowHost* host = QtHostOf(request.owner))
            parent = host->Widget();
        QFileDialog dialog(parent, QString::fromStdString(request.title),
                           QString::fromStdString(request.initialPath));
        QStringList filters;
        for (const std::string& f : request.filters)
            filters << QString::fromStdString(f);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!request.defaultExtension.empty())
            dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    }
};

// Face names layouts use that a Linux desktop does not have.
void AddFontSubstitutions() {
    const QStringList fallbacks = {QStringLiteral("Noto Sans"), QStringLiteral("Noto Sans CJK SC"),
                                   QStringLiteral("Noto Sans Thai"), QStringLiteral("DejaVu Sans")};
    for (const char* face : {"Verdana Unicode MS", "Verdana", "Microsoft YaHei", "微软雅黑",
                             "Arial", "Tahoma", "Segoe UI", "Sans"}) {
        QFont::insertSubstitutions(QString::fromUtf8(face), fallbacks);
    }
}

}  // namespace

// The application object and its looks, shared by both ways of starting Qt.
std::unique_ptr<QApplication> StartApplication(int& argc, char** argv) {
    std::unique_ptr<QApplication> app;
    if (QCoreApplication::instance() == nullptr)
        app = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Tooltips in the skin's colours rather than the desktop's light ones.
    qApp->setStyleSheet(
        QStringLiteral("QToolTip{color:#E9ECF2;background-color:#1C2029;border:1px solid #3C4454;"
                       "padding:4px 6px;}"));
    AddFontSubstitutions();
    return app;
}

struct QtBackend::State {
    std::unique_ptr<QApplication> app;
    platform::MessageLoop loop;
    std::unique_ptr<QtLoopDriver> driver;
    QtWindowHostFactory factory;
    QtFileDialogs dialogs;
};

QtBackend::QtBackend(int& argc, char** argv) : m_state(std::make_unique<State>()) {
    m_state->app = StartApplication(argc, argv);
    m_state->driver = std::make_unique<QtLoopDriver>(m_state->loop);
    CPaintManagerUI::SetMessageLoop(&m_state->loop);
    SetWindowHostFactory(&m_state->factory);
    SetFileDialogs(&m_state->dialogs);
    CTrayIcon::SetTrayHostFactory(&MakeTrayHost);
    CComboUI::SetDropDownHandler(&ShowDropDown);
}

QtBackend::~QtBackend() {
    CComboUI::SetDropDownHandler({});
    CTrayIcon::SetTrayHostFactory(nullptr);
    SetFileDialogs(nullptr);
    SetWindowHostFactory(nullptr);
    if (CPaintManagerUI::GetMessageLoop() == &m_state->loop)
        CPaintManagerUI::SetMessageLoop(nullptr);
    m_state->driver.reset();
}

platform::MessageLoop& QtBackend::Loop() {
    return m_state->loop;
}

int QtBackend::Run() {
    return QApplication::exec();
}

int ScreenDpi() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return 96;
    const double dpi = screen->logicalDotsPerInch();
    static constexpr int kAccepted[] = {48, 72, 96, 120, 144, 168, 192};
    int best = 96;
    for (int v : kAccepted) {
        if (std::abs(v - dpi) < std::abs(best - dpi))
            best = v;
    }
    return best;
}

bool PrivateFont::Load(const std::string& path) {
    Unload();
    const int id = QFontDatabase::addApplicationFont(QString::fromStdString(path));
    if (id < 0)
        return false;
    m_id = id;
    for (const QString& family : QFontDatabase::applicationFontFamilies(id))
        m_families.push_back(family.toStdString());
    return true;
}

void PrivateFont::Unload() {
    if (m_id < 0)
        return;
    QFontDatabase::removeApplicationFont(m_id);
    m_id = -1;
    m_families.clear();
}

namespace {

class QtFontRegistry final : public IFontRegistry {
public:
    std::optional<int> AddFont(std::span<const uint8_t> data) override {
        const int id = QFontDatabase::addApplicationFontFromData(QByteArray(
            reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size())));
        if (id < 0)
            return std::nullopt;
        return id;
    }
    void RemoveFont(int handle) override { QFontDatabase::removeApplicationFont(handle); }
};

UiRect ToUiRect(const QRect& r) {
    return UiRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

class QtDesktopInfo final : public IDesktopInfo {
public:
    UiRect MonitorRect(const UiRect& window) const override {
        const QScreen* screen = ScreenOf(window);
        return screen != nullptr ? ToUiRect(screen->geometry()) : UiRect{0, 0, 1920, 1080};
    }
    // The strip the desktop keeps for its panel: what the available area leaves
    // out of the monitor on one side.
    std::optional<UiRect> PanelRect(const UiRect& monitor) const override {
        const QScreen* screen = ScreenOf(monitor);
        if (screen == nullptr)
            return std::nullopt;
        const QRect full = screen->geometry();
        const QRect free = screen->availableGeometry();
        if (free == full || free.isEmpty())
            return std::nullopt;
        QRect panel = full;
        if (free.top() > full.top())
            panel.setBottom(free.top() - 1);
        else if (free.bottom() < full.bottom())
            panel.setTop(free.bottom() + 1);
        else if (free.left() > full.left())
            panel.setRight(free.left() - 1);
        else
            panel.setLeft(free.right() + 1);
        return ToUiRect(panel);
    }
    UiPoint CursorPos() const override {
        const QPoint p = QCursor::pos();
        return UiPoint{p.x(), p.y()};
    }

private:
    static QScreen* ScreenOf(const UiRect& r) {
        QScreen* screen =
            QGuiApplication::screenAt(QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        return screen != nullptr ? screen : QGuiApplication::primaryScreen();
    }
};

class QtUiBackend final : public IUiBackend {
public:
    QtUiBackend() : m_app(StartApplication(s_argc, s_argv)) {}
    ~QtUiBackend() override { Uninstall(); }

    const char* Name() const override { return "qt"; }
    IFontRegistry* Fonts() override { return &m_fonts; }
    IWindowHostFactory& Hosts() override { return m_hosts; }
    const IDesktopInfo& Desktop() const override { return m_desktop; }
    void Install() override {
        SetFileDialogs(&m_dialogs);
        CTrayIcon::SetTrayHostFactory(&MakeTrayHost);
        CComboUI::SetDropDownHandler(&ShowDropDown);
    }
    void Uninstall() override {
        CComboUI::SetDropDownHandler({});
        CTrayIcon::SetTrayHostFactory(nullptr);
        SetFileDialogs(nullptr);
    }
    int Run(platform::MessageLoop& loop) override {
        QtLoopDriver driver(loop);
        return QApplication::exec();
    }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "quillon";
    static inline char* s_argv[] = {s_name, nullptr};

    std::unique_ptr<QApplication> m_app;
    QtFontRegistry m_fonts;
    QtWindowHostFactory m_hosts;
    QtDesktopInfo m_desktop;
    QtFileDialogs m_dialogs;
};

bool HasDisplay() {
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v != nullptr && v[0] != '\0')
            return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<IUiBackend> CreateQtUiBackend() {
    if (!HasDisplay())
        return nullptr;
    return std::make_unique<QtUiBackend>();
}

}  // namespace ui::qt
