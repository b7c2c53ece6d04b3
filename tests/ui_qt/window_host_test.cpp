// Real (offscreen) windows: input reaches the controls, the native editor
// follows the focus and hands its text over, combos drop down and report the
// choice, modal windows return their result.
#include <gtest/gtest.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "platform/messages.h"
#include "shot.h"
#include "support/ui_harness.h"
#include "ui/file_dialog.h"
#include "ui/menu.h"
#include "ui/qt/qt_window_host.h"
#include "ui_qt/qt_test_app.h"

namespace {

using testsupport::NotificationRecorder;
using testsupport::TestWindow;

class WindowHostTest : public ::testing::Test {
protected:
    std::unique_ptr<TestWindow> Open(const std::string& body, ui::UiSize size = {300, 200}) {
        auto w = std::make_unique<TestWindow>("<Window size=\"" + std::to_string(size.cx) + "," +
                                              std::to_string(size.cy) + "\">" + body + "</Window>");
        w->onNotify = [this](ui::TNotifyUI& msg) { recorder.Notify(msg); };
        EXPECT_TRUE(w->Create(nullptr, "test", ui::kStylePopup | ui::kStyleVisible, 0, 100, 100))
            << w->GetBuildError();
        host = ui::qt::QtHostOf(w.get());
        EXPECT_NE(host, nullptr);
        QApplication::processEvents();
        return w;
    }
    QPoint Centre(TestWindow& w, const char* name) {
        const ui::UiRect rc = w.FindControl(name)->GetPos();
        return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    NotificationRecorder recorder;
    ui::qt::QtWindowHost* host = nullptr;
};

TEST_F(WindowHostTest, ClicksReachTheControlUnderTheMouse) {
    auto w = Open(
        "<HorizontalLayout><Button name=\"a\" width=\"100\"/><Button name=\"b\"/>"
        "</HorizontalLayout>");
    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "b"));
    EXPECT_EQ(recorder.Count("click", "b"), 1);
    EXPECT_EQ(recorder.Count("click", "a"), 0);
}

TEST_F(WindowHostTest, EditOverlayAppearsOnFocusAndItsTextReachesTheControl) {
    auto w = Open(
        "<VerticalLayout><Edit name=\"name\" height=\"30\" maxchar=\"8\"/>"
        "<Edit name=\"number\" height=\"30\" numberonly=\"true\" minnumber=\"1\" "
        "maxnumber=\"100\"/><Control name=\"empty\"/></VerticalLayout>");
    auto* name = static_cast<ui::CEditUI*>(w->FindControl("name"));
    auto* number = static_cast<ui::CEditUI*>(w->FindControl("number"));
    EXPECT_TRUE(host->EditOverlay() == nullptr || !host->EditOverlay()->isVisible());

    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "name"));
    QLineEdit* overlay = host->EditOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(overlay->geometry().intersects(QRect(0, 0, 300, 30)));
    // Text an input method composes arrives as one commit.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("héllo wörld"));
    QApplication::sendEvent(overlay, &commit);
    EXPECT_EQ(name->GetText(), "héllo wö");  // cut at maxchar
    EXPECT_GE(recorder.Count("textchanged", "name"), 1);

    // Tab moves to the next field; the overlay follows and digits only go in.
    QTest::keyClick(overlay, Qt::Key_Tab);
    EXPECT_EQ(w->GetPaintManager().GetFocus(), number);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(overlay->geometry().intersects(QRect(0, 30, 300, 30)));
    QTest::keyClicks(overlay, QStringLiteral("7a50"));
    EXPECT_EQ(number->GetText(), "750");
    QTest::keyClick(overlay, Qt::Key_Return);
    EXPECT_EQ(number->GetText(), "100");  // the range applies on Return
    EXPECT_EQ(recorder.Count("return", "number"), 1);

    // A click elsewhere ends the editing; the text stays.
    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "empty"));
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(name->GetText(), "héllo wö");
}

TEST_F(WindowHostTest, ComboDropDownReportsTheChosenItem) {
    auto w = Open(
        "<VerticalLayout><Combo name=\"combo\" height=\"30\" selectedid=\"0\">"
        "<ListLabelElement text=\"one\"/><ListLabelElement text=\"two\"/>"
        "<ListLabelElement text=\"three\" visible=\"false\"/><ListLabelElement text=\"four\"/>"
        "</Combo><Control/></VerticalLayout>");
    auto* combo = static_cast<ui::CComboUI*>(w->FindControl("combo"));
    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "combo"));
    ASSERT_TRUE(combo->IsDropped());
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(recorder.Count("dropdown", "combo"), 1);
    // Rows are 28 pixels high; the hidden item takes no row, so the third
    // row is "four".
    const QPoint third(popup->width() / 2, 1 + 28 * 2 + 14);
    QTest::mouseMove(popup, third);
    QTest::mouseClick(popup, Qt::LeftButton, {}, third);
    QApplication::processEvents();
    EXPECT_FALSE(combo->IsDropped());
    const auto* select = recorder.Last("itemselect", "combo");
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->wParam, 3u);
    EXPECT_EQ(combo->GetText(), "four");
}

TEST_F(WindowHostTest, ComboDropDownFollowsTheKeyboard) {
    auto w = Open(
        "<VerticalLayout><Combo name=\"combo\" height=\"30\" selectedid=\"0\">"
        "<ListLabelElement text=\"one\"/><ListLabelElement text=\"two\" enabled=\"false\"/>"
        "<ListLabelElement text=\"three\"/></Combo><Control/></VerticalLayout>");
    auto* combo = static_cast<ui::CComboUI*>(w->FindControl("combo"));
    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "combo"));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_Down);  // skips the disabled item
    QTest::keyClick(popup, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_EQ(recorder.Count("itemselect", "combo"), 1);
}

TEST_F(WindowHostTest, ComboDropDownClosedOutsideChoosesNothing) {
    auto w = Open(
        "<VerticalLayout><Combo name=\"combo\" height=\"30\" selectedid=\"1\">"
        "<ListLabelElement text=\"one\"/><ListLabelElement text=\"two\"/></Combo>"
        "<Control/></VerticalLayout>");
    auto* combo = static_cast<ui::CComboUI*>(w->FindControl("combo"));
    QTest::mouseClick(host->Widget(), Qt::LeftButton, {}, Centre(*w, "combo"));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    popup->close();
    QApplication::processEvents();
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(recorder.Count("itemselect"), 0);
    EXPECT_EQ(combo->GetCurSel(), 1);
}

TEST_F(WindowHostTest, ModalWindowReturnsItsResult) {
    auto owner = Open("<VerticalLayout/>");
    TestWindow dialog(
        "<Window size=\"200,100\"><HorizontalLayout><Button name=\"ok\" width=\"100\"/>"
        "<Button name=\"cancel\"/></HorizontalLayout></Window>");
    dialog.onNotify = [&](ui::TNotifyUI& msg) {
        if (msg.sType == "click")
            dialog.Close(msg.pSender->GetName() == "ok" ? 1 : 0);
    };
    ASSERT_TRUE(dialog.Create(owner.get(), "dialog", ui::kStylePopup, 0, 0, 0));
    dialog.CenterWindow();
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        ui::qt::QtWindowHost* h = ui::qt::QtHostOf(&dialog);
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(h->Widget()->isVisible());
        EXPECT_TRUE(dialog.IsVisible());
        EXPECT_TRUE(h->Widget()->isModal());
        QTest::mouseClick(h->Widget(), Qt::LeftButton, {}, QPoint(50, 50));
        clicked = true;
    });
    EXPECT_EQ(dialog.ShowModal(), 1);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(dialog.IsWindow());
}

TEST_F(WindowHostTest, RaisingOnTopKeepsAShownWindowShown) {
    // Qt hides a window while its flags change; the window must not take that
    // for the user hiding it (a main window raised on activation stayed hidden).
    auto w = Open("<Control/>");
    w->SetTopmost(true);
    QApplication::processEvents();
    w->SetTopmost(false);
    QApplication::processEvents();
    EXPECT_TRUE(w->IsVisible());
    EXPECT_TRUE(host->Widget()->isVisible());
}

TEST_F(WindowHostTest, ActivationReachesTheWindow) {
    auto w = Open("<Control/>");
    std::vector<uintptr_t> activations;
    w->onMessage = [&](uint32_t msg, uintptr_t wParam, intptr_t, bool& handled) -> intptr_t {
        if (msg == platform::kMsgActivate)
            activations.push_back(wParam);
        handled = false;
        return 0;
    };
    QWidget* first = host->Widget();
    auto other = Open("<Control/>");
    other->Host().Activate();
    QApplication::processEvents();
    ASSERT_FALSE(first->isActiveWindow());
    ASSERT_FALSE(activations.empty());
    EXPECT_EQ(activations.back(), 0u);
    w->Host().Activate();
    QApplication::processEvents();
    EXPECT_EQ(activations.back(), 1u);
}

TEST_F(WindowHostTest, SizeAndDpiReachTheLayout) {
    auto w = Open("<VerticalLayout name=\"root\"/>", {200, 100});
    EXPECT_EQ(host->Widget()->size(), QSize(200, 100));
    w->GetPaintManager().SetDPI(144);
    QApplication::processEvents();
    EXPECT_EQ(host->Widget()->size(), QSize(300, 150));
    EXPECT_EQ(w->FindControl("root")->GetPos().Width(), 300);
}

TEST_F(WindowHostTest, TheWindowShowsWhatItsControlsPaint) {
    auto w = Open(
        "<HorizontalLayout><Control width=\"150\" bkcolor=\"#FF336699\"/>"
        "<Button name=\"b\" text=\"Press\" textcolor=\"#FFFFFFFF\"/></HorizontalLayout>");
    const QImage grabbed = host->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(grabbed.pixel(75, 100), 0xFF336699u);
    // The same through the picture path of quillon-shot.
    const QImage painted = shot::RenderWindow(*w).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(painted.pixel(75, 100), 0xFF336699u);
    int text = 0;
    for (int y = 80; y < 120; ++y)
        for (int x = 150; x < 300; ++x)
            text += qRed(grabbed.pixel(x, y)) > 0x80;
    EXPECT_GT(text, 10);
}

TEST_F(WindowHostTest, ClosingTheWindowFromQtAsksTheWindow) {
    auto w = Open("<VerticalLayout/>");
    host->Widget()->close();
    QApplication::processEvents();
    EXPECT_FALSE(w->IsWindow());
}

TEST_F(WindowHostTest, MenuOpensAsAPopUpAndReportsTheChosenItem) {
    auto owner = Open("<VerticalLayout/>");
    std::vector<std::string> chosen;
    owner->onMessage = [&](uint32_t msg, uintptr_t, intptr_t lParam, bool& handled) -> intptr_t {
        handled = msg == ui::kMsgMenuClick;
        if (handled)
            chosen.push_back(reinterpret_cast<const ui::MenuCommand*>(lParam)->name);
        return 0;
    };
    const std::string menuXml =
        "<Window><Menu><MenuElement name=\"about\" text=\"About\"/>"
        "<MenuElement name=\"exit\" text=\"Exit\"/></Menu></Window>";
    for (const bool choose : {true, false}) {
        ui::CMenuWnd menu;
        ASSERT_TRUE(menu.Init(owner.get(), menuXml, {150, 150}));
        QApplication::processEvents();
        ui::qt::QtWindowHost* h = ui::qt::QtHostOf(&menu);
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(h->Widget()->isVisible());
        EXPECT_TRUE(h->Widget()->windowFlags().testFlag(Qt::Popup));
        EXPECT_EQ(h->Widget()->geometry().topLeft(), QPoint(150, 150));
        if (choose) {
            // The second row (26 pixels each).
            QTest::mouseClick(h->Widget(), Qt::LeftButton, {}, QPoint(40, 26 + 13));
        } else {
            h->Widget()->close();  // what a click outside a pop-up does
        }
        QApplication::processEvents();
        EXPECT_FALSE(menu.IsOpen());
    }
    EXPECT_EQ(chosen, std::vector<std::string>{"exit"});
}

TEST_F(WindowHostTest, TheCaptionAreaDragsTheWindowButItsButtonsStillClick) {
    auto w = std::make_unique<TestWindow>(
        "<Window size=\"300,200\" caption=\"0,0,0,40\"><VerticalLayout>"
        "<HorizontalLayout height=\"40\"><Control/><Button name=\"close\" width=\"40\"/>"
        "</HorizontalLayout><Control/></VerticalLayout></Window>");
    w->onNotify = [this](ui::TNotifyUI& msg) { recorder.Notify(msg); };
    ASSERT_TRUE(w->Create(nullptr, "t", ui::kStylePopup | ui::kStyleVisible, 0, 100, 100));
    host = ui::qt::QtHostOf(w.get());
    QApplication::processEvents();
    QWidget* widget = host->Widget();
    EXPECT_TRUE(host->IsCaptionPoint({20, 20}));
    EXPECT_FALSE(host->IsCaptionPoint({280, 20}));  // the button
    EXPECT_FALSE(host->IsCaptionPoint({20, 100}));  // below the caption

    const QPoint start = widget->pos();
    auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButton button,
                    Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(local), QPointF(widget->mapToGlobal(local)), button, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(widget, &e);
    };
    send(QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {50, 35}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {50, 35}, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(widget->pos(), start + QPoint(30, 15));
    EXPECT_EQ(w->GetWindowRect().left, start.x() + 30);

    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(280, 20));
    EXPECT_EQ(recorder.Count("click", "close"), 1);
}

TEST_F(WindowHostTest, TrayIconClicksReachItsOwner) {
    auto owner = Open("<VerticalLayout/>");
    std::vector<intptr_t> clicks;
    owner->onMessage = [&](uint32_t msg, uintptr_t, intptr_t lParam, bool& handled) -> intptr_t {
        handled = msg == 0x0401;
        if (handled)
            clicks.push_back(lParam);
        return 0;
    };
    ui::CTrayIcon tray;
    tray.CreateTrayIcon(owner->GetHWND(), 107, "Quillon");
    EXPECT_TRUE(tray.IsVisible());
    tray.OnIconMessage(ui::kMsgLButtonUp);
    tray.OnIconMessage(ui::kMsgRButtonUp);
    tray.DeleteTrayIcon();
    tray.OnIconMessage(ui::kMsgLButtonUp);  // gone: nothing arrives
    EXPECT_EQ(clicks, (std::vector<intptr_t>{ui::kMsgLButtonUp, ui::kMsgRButtonUp}));
}

TEST(FileDialogs, ScriptedAnswersAddTheDefaultExtensionAndCancel) {
    ui::ScriptedFileDialogs dialogs;
    ui::SetFileDialogs(&dialogs);
    dialogs.QueueAnswer("/tmp/picture");
    dialogs.QueueAnswer("/tmp/a.b/picture.jpg");
    dialogs.QueueAnswer(std::nullopt);
    ui::FileDialogRequest req;
    req.defaultExtension = "png";
    EXPECT_EQ(ui::OpenFileDialog(req), "/tmp/picture.png");
    EXPECT_EQ(ui::SaveFileDialog(req), "/tmp/a.b/picture.jpg");
    EXPECT_EQ(ui::OpenFileDialog(req), std::nullopt);
    EXPECT_EQ(ui::OpenFileDialog(req), std::nullopt);  // nothing queued: cancelled
    ASSERT_EQ(dialogs.Requests().size(), 4u);
    EXPECT_FALSE(dialogs.Requests()[0].save);
    EXPECT_TRUE(dialogs.Requests()[1].save);
    ui::SetFileDialogs(nullptr);
}

}  // namespace
