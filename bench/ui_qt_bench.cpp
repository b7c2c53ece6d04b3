// The Qt backend's costs: a full repaint of a main-window-sized layout with 200
// themed controls (into a picture, and through a real offscreen window), and
// what an open window with nothing animating costs while it sits there.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <cstdlib>
#include <string>

#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_render.h"
#include "ui/qt/qt_window_host.h"
#include "ui/resource_manager.h"
#include "ui/window.h"

namespace {

// 20 rows of 10 controls: buttons, labels, check boxes, sliders, progress bars.
std::string TwoHundredControls() {
    std::string xml =
        "<Window size=\"800,572\"><Theme source=\"THEME\"/>"
        "<VerticalLayout bkimage=\"common/background.svg\" inset=\"8,8,8,8\" childpadding=\"2\">";
    for (int row = 0; row < 20; ++row) {
        xml += "<HorizontalLayout height=\"26\" childpadding=\"4\">";
        for (int col = 0; col < 10; ++col) {
            switch (col % 5) {
                case 0:
                    xml += "<Button style=\"btn\" height=\"26\" text=\"Apply\"/>";
                    break;
                case 1:
                    xml += "<Label text=\"Brightness 70%\"/>";
                    break;
                case 2:
                    xml += "<CheckBox style=\"check\" height=\"26\" text=\"On\" selected=\"" +
                           std::string(row % 2 ? "true" : "false") + "\"/>";
                    break;
                case 3:
                    xml += "<Slider style=\"slider\" value=\"" + std::to_string(row * 5) + "\"/>";
                    break;
                default:
                    xml += "<Progress style=\"progress\" value=\"60\" padding=\"0,9,0,0\"/>";
                    break;
            }
        }
        xml += "</HorizontalLayout>";
    }
    xml += "</VerticalLayout></Window>";
    return xml;
}

class BenchWindow : public ui::WindowImplBase {
public:
    explicit BenchWindow(std::string xml) : m_xml(std::move(xml)) {}
    std::string GetWindowClassName() const override { return "BenchWindow"; }
    std::string GetSkinFile() override { return {}; }
    std::string GetSkinXml() override { return m_xml; }

private:
    std::string m_xml;
};

void UseSkin() {
    ui::CPaintManagerUI::SetResourcePath(std::string(QUILLON_PROGRAM_DIR) + "/skin");
    ui::CResourceManager::GetInstance()->LoadResource("res.xml");
}

void BM_RepaintIntoPicture(benchmark::State& state) {
    UseSkin();
    BenchWindow window(TwoHundredControls());
    if (!window.Create(nullptr, "bench", ui::kStylePopup, 0, 0, 0)) {
        state.SkipWithError(window.GetBuildError().c_str());
        return;
    }
    ui::CPaintManagerUI& pm = window.GetPaintManager();
    QImage image(800, 572, QImage::Format_ARGB32_Premultiplied);
    ui::qt::QtRenderEngine engine;
    for (auto _ : state) {
        QPainter painter(&image);
        engine.Begin(painter, pm.GetScale());
        pm.Paint(engine, ui::UiRect{0, 0, 800, 572});
        engine.End();
        benchmark::DoNotOptimize(image.constBits());
    }
    window.Close(0);
}
BENCHMARK(BM_RepaintIntoPicture)->Unit(benchmark::kMillisecond);

void BM_RepaintWindow(benchmark::State& state) {
    UseSkin();
    BenchWindow window(TwoHundredControls());
    if (!window.Create(nullptr, "bench", ui::kStylePopup | ui::kStyleVisible, 0, 0, 0)) {
        state.SkipWithError(window.GetBuildError().c_str());
        return;
    }
    QApplication::processEvents();
    QWidget* widget = ui::qt::QtHostOf(&window)->Widget();
    for (auto _ : state)
        widget->repaint();  // synchronous full paint through the window's backing store
    window.Close(0);
}
BENCHMARK(BM_RepaintWindow)->Unit(benchmark::kMillisecond);

// Counts every Qt timer event the process sees.
class TimerCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Timer)
            ++count;
        return false;
    }
};

void BM_IdleOpenWindow(benchmark::State& state) {
    UseSkin();
    BenchWindow window(TwoHundredControls());
    if (!window.Create(nullptr, "bench", ui::kStylePopup | ui::kStyleVisible, 0, 0, 0)) {
        state.SkipWithError(window.GetBuildError().c_str());
        return;
    }
    QApplication::processEvents();
    TimerCounter counter;
    for (auto _ : state) {
        qApp->installEventFilter(&counter);
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);  // the one expected wake-up
        loop.exec();
        qApp->removeEventFilter(&counter);
    }
    state.counters["timer_wakeups_per_s"] =
        benchmark::Counter(static_cast<double>(counter.count - state.iterations()),
                           benchmark::Counter::kAvgIterations);
    state.counters["loop_timers_armed"] =
        ui::CPaintManagerUI::GetMessageLoop()->NextTimerUs().has_value() ? 1 : 0;
    window.Close(0);
}
BENCHMARK(BM_IdleOpenWindow)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::qt::QtBackend backend(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
