// The grid keeps only its visible rows, so the cost of opening it, of a page
// scroll and of the repaint of the new page must not grow with the table. The
// program prints the ratio of each over 1,000,000 rows to the same over 1,000
// rows (goal: at most 1.5 for the scroll and for the repaint). The scroll and
// the repaint are timed apart, each by itself, in the same loop: a scroll
// takes about a microsecond and a repaint milliseconds, so a sum would hide
// the scroll. The repaint is the grid's own, into the window's backing store
// as the screen gets it; no screenshot is taken.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "../RatioReporter.h"
#include "components/CheckVmDBGrid.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"
#include "tables/memdset.h"

namespace {

struct TGridOverTable {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TMemData* Table = new TMemData(Form.get());
    TDataSource* Source = new TDataSource(Form.get());
    TCheckVmDBGrid* Grid = nullptr;

    explicit TGridOverTable(int rows) {
        Form->SetBounds(0, 0, 420, 400);
        auto add = [this](TField* f, const char* name, int size) {
            if (size) f->SetSize(size);
            f->SetFieldName(name);
            f->SetDataSet(Table);
        };
        add(new TIntegerField(Form.get()), "ID", 0);
        add(new TStringField(Form.get()), "Jmeno", 50);
        add(new TStringField(Form.get()), "Cislo", 20);
        add(new TBooleanField(Form.get()), "Vybrany", 0);
        Table->Open();
        for (int i = 1; i <= rows; ++i) {
            Table->Append();
            Table->FieldByName("ID")->SetAsInteger(i);
            Table->FieldByName("Jmeno")->SetAsString("Kontakt " + std::to_string(i));
            Table->FieldByName("Cislo")->SetAsString("00420" + std::to_string(600000000 + i));
            Table->FieldByName("Vybrany")->SetAsBoolean(i % 3 == 0);
            Table->Post();
        }
        Table->First();
        Source->SetDataSet(Table);
        Form->Show();
        // Until the window is exposed, a repaint has nowhere to go.
        PumpUntilIdle();
    }
    void OpenGrid() {
        delete Grid;
        Grid = new TCheckVmDBGrid(Form.get());
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 410, 390);
        auto* tick = static_cast<TCheckColumn*>(Grid->Columns()->Add());
        tick->SetFieldName("Vybrany");
        tick->SetCheck(true);
        Grid->Columns()->Add()->SetFieldName("Jmeno");
        Grid->Columns()->Add()->SetFieldName("Cislo");
        Grid->SetDataSource(Source);
    }
};

std::map<int, std::unique_ptr<TGridOverTable>>& Tables() {
    static std::map<int, std::unique_ptr<TGridOverTable>> tables;
    return tables;
}

TGridOverTable& TableOf(int rows) {
    auto& slot = Tables()[rows];
    if (!slot) slot = std::make_unique<TGridOverTable>(rows);
    return *slot;
}

void OpenAndPaint(benchmark::State& state) {
    TGridOverTable& t = TableOf(int(state.range(0)));
    for (auto _ : state) {
        t.OpenGrid();
        t.Grid->Repaint();
    }
}

// A page down, and the repaint of the page it brings, over and over; only the
// part named is timed. At the end of the table it starts again at the top.
void TimeScrollOrRepaint(benchmark::State& state, bool repaint) {
    using clock = std::chrono::steady_clock;
    TGridOverTable& t = TableOf(int(state.range(0)));
    if (!t.Grid) t.OpenGrid();
    t.Table->First();
    t.Grid->Repaint();
    for (auto _ : state) {
        const auto a = clock::now();
        t.Grid->Perform(WM_VSCROLL, ScrollWParam(SB_PAGEDOWN));
        const auto b = clock::now();
        t.Grid->Repaint();
        const auto c = clock::now();
        state.SetIterationTime(std::chrono::duration<double>(repaint ? c - b : b - a).count());
        if (t.Table->Eof()) t.Table->First();
    }
}

void PageScroll(benchmark::State& state) { TimeScrollOrRepaint(state, false); }
void RepaintNewPage(benchmark::State& state) { TimeScrollOrRepaint(state, true); }

}  // namespace

BENCHMARK(OpenAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
// A set count: the time a run takes is mostly the part not timed.
BENCHMARK(PageScroll)->Arg(1000)->Arg(1000000)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(RepaintNewPage)->Arg(1000)->Arg(1000000)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    Application->Initialize();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    TRatioTable table(reporter.Seconds);
    std::printf("\nRatios (1,000,000 rows / 1,000 rows)\n");
    table.Ratio("open the grid and paint it", "OpenAndPaint/1000000", "OpenAndPaint/1000");
    std::printf("    both:   a new grid of three columns bound to the table, then its repaint\n");
    table.Ratio("page scroll", "PageScroll/1000000/iterations:300/manual_time",
                "PageScroll/1000/iterations:300/manual_time", 1.5);
    std::printf("    both:   one page down (WM_VSCROLL, SB_PAGEDOWN), the repaint that follows it not timed\n");
    table.Ratio("repaint of the new page", "RepaintNewPage/1000000/iterations:300/manual_time",
                "RepaintNewPage/1000/iterations:300/manual_time",
                1.5);
    std::printf("    both:   the grid's repaint after each page down, the scroll not timed\n");
    Tables().clear();
    FinalizeApplication();
    benchmark::Shutdown();
    return 0;
}
