// Costs of the UI library on the program's largest layouts.
#include <benchmark/benchmark.h>

#include <string>

#include "ui/builder.h"
#include "ui/container.h"
#include "ui/controls.h"
#include "ui/list.h"
#include "ui/paint_manager.h"

namespace {

using namespace ui;

// 50 rows of ten controls: about the size of the program's biggest page.
std::string LayoutOf500() {
    std::string xml =
        "<Window size=\"1000,640\"><VerticalLayout name=\"root\" vscrollbar=\"true\">";
    for (int r = 0; r < 50; ++r) {
        const std::string n = std::to_string(r);
        xml += "<HorizontalLayout name=\"row_" + n + "\" height=\"30\" childpadding=\"4\">";
        xml += "<Label name=\"label_" + n + "\" text=\"row " + n + "\" width=\"80\"/>";
        xml += "<Button name=\"btn_" + n +
               "\" width=\"60\" normalimage=\"file='b.png' source='0,0,60,30'\"/>";
        xml += "<Option name=\"opt_" + n + "\" group=\"g" + std::to_string(r % 5) +
               "\" width=\"40\"/>";
        xml += "<CheckBox name=\"check_" + n + "\" width=\"40\"/>";
        xml += "<Slider name=\"slider_" + n + "\" min=\"0\" max=\"100\" value=\"50\"/>";
        xml += "<Edit name=\"edit_" + n + "\" width=\"60\" numberonly=\"true\" maxchar=\"3\"/>";
        xml +=
            "<Combo name=\"combo_" + n + "\" width=\"90\"><ListLabelElement text=\"a\"/></Combo>";
        xml += "<Progress name=\"progress_" + n + "\" width=\"60\" value=\"30\"/>";
        xml += "</HorizontalLayout>";
    }
    xml += "</VerticalLayout></Window>";
    return xml;  // 50 * (row + 8 controls + 1 combo item) + root = 501 controls
}

void BM_BuildLayoutOf500Controls(benchmark::State& state) {
    const std::string xml = LayoutOf500();
    for (auto _ : state) {
        CPaintManagerUI pm;
        pm.SetClientSize({1000, 640});
        CDialogBuilder builder;
        auto root = builder.Create(xml, nullptr, &pm);
        if (!root) {
            state.SkipWithError(root.error().message.c_str());
            break;
        }
        pm.AttachDialog(std::move(*root));
        pm.LayoutIfNeeded();
        benchmark::DoNotOptimize(pm.GetRoot());
    }
}
BENCHMARK(BM_BuildLayoutOf500Controls)->Unit(benchmark::kMicrosecond);

void BM_FindControlByName(benchmark::State& state) {
    CPaintManagerUI pm;
    CDialogBuilder builder;
    pm.AttachDialog(std::move(*builder.Create(LayoutOf500(), nullptr, &pm)));
    int i = 0;
    for (auto _ : state) {
        const std::string name = "slider_" + std::to_string(i++ % 50);
        benchmark::DoNotOptimize(pm.FindControl(name));
    }
}
BENCHMARK(BM_FindControlByName);

void BM_FindSubControlByName(benchmark::State& state) {
    CPaintManagerUI pm;
    CDialogBuilder builder;
    pm.AttachDialog(std::move(*builder.Create(LayoutOf500(), nullptr, &pm)));
    CControlUI* row = pm.FindControl("row_40");
    for (auto _ : state)
        benchmark::DoNotOptimize(pm.FindSubControlByName(row, "edit_40"));
}
BENCHMARK(BM_FindSubControlByName);

// The macro editor's worst case: 4000 steps of three controls each.
CListUI* FillList(CPaintManagerUI& pm) {
    auto list = std::make_unique<CListUI>();
    list->SetName("macro_action");
    CListUI* raw = list.get();
    pm.AttachDialog(std::move(list));
    for (int i = 0; i < 4000; ++i) {
        auto row = std::make_unique<CListContainerElementUI>();
        row->SetFixedHeight(24);
        auto* icon = row->AddNew<CLabelUI>();
        icon->SetFixedWidth(24);
        icon->SetBkImage("macro/key_down.png");
        auto* text = row->AddNew<CLabelUI>();
        text->SetName("macro_step_text");
        text->SetText("Key A down");
        auto* delay = row->AddNew<CEditUI>();
        delay->SetName("macro_delay");
        delay->SetFixedWidth(60);
        delay->SetText("50");
        raw->Add(std::move(row));
    }
    return raw;
}

void BM_ListOf4000RowsFilledFromCode(benchmark::State& state) {
    for (auto _ : state) {
        CPaintManagerUI pm;
        pm.SetClientSize({400, 600});
        FillList(pm);
        pm.LayoutIfNeeded();
        benchmark::DoNotOptimize(pm.GetRoot());
    }
}
BENCHMARK(BM_ListOf4000RowsFilledFromCode)->Unit(benchmark::kMillisecond);

void BM_ListOf4000RowsScrolledAndPainted(benchmark::State& state) {
    CPaintManagerUI pm;
    pm.SetClientSize({400, 600});
    CListUI* list = FillList(pm);
    pm.LayoutIfNeeded();
    NullRenderEngine render;
    int step = 0;
    for (auto _ : state) {
        list->SetScrollPos({0, (step++ * 997) % list->GetScrollRange().cy});
        pm.Paint(render, {0, 0, 400, 600});
    }
}
BENCHMARK(BM_ListOf4000RowsScrolledAndPainted)->Unit(benchmark::kMicrosecond);

void BM_ListOf4000RowsRelaidOut(benchmark::State& state) {
    CPaintManagerUI pm;
    pm.SetClientSize({400, 600});
    FillList(pm);
    pm.LayoutIfNeeded();
    int w = 400;
    for (auto _ : state) {
        w = w == 400 ? 420 : 400;  // a window resize
        pm.SetClientSize({w, 600});
        pm.LayoutIfNeeded();
    }
}
BENCHMARK(BM_ListOf4000RowsRelaidOut)->Unit(benchmark::kMicrosecond);

void BM_FindSubControlInListRow(benchmark::State& state) {
    CPaintManagerUI pm;
    CListUI* list = FillList(pm);
    int i = 0;
    for (auto _ : state) {
        CControlUI* row = list->GetItemAt((i++ * 37) % 4000);
        benchmark::DoNotOptimize(pm.FindSubControlByName(row, "macro_delay"));
    }
}
BENCHMARK(BM_FindSubControlInListRow);

void BM_ListOf4000RowsCleared(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        CPaintManagerUI pm;
        CListUI* list = FillList(pm);
        state.ResumeTiming();
        list->RemoveAll();
    }
}
BENCHMARK(BM_ListOf4000RowsCleared)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
