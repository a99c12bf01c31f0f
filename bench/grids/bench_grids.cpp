// The grid keeps only its visible rows, so the cost of opening it, of a page
// scroll and of the repaint that follows must not grow with the table. The
// program prints the ratio of a page scroll over 1,000,000 rows to one over
// 1,000 rows (goal: at most 1.5). The grid paints into a bitmap through the
// same path as onto the screen.

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
    // What the grid paints goes here, exactly as the screen would get it.
    TBitmap Shot;

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
        GrabControl(t.Grid, t.Shot);
    }
}

void PageScroll(benchmark::State& state) {
    TGridOverTable& t = TableOf(int(state.range(0)));
    if (!t.Grid) t.OpenGrid();
    t.Table->First();
    for (auto _ : state) {
        t.Grid->Perform(WM_VSCROLL, ScrollWParam(SB_PAGEDOWN));
        if (t.Table->Eof()) t.Table->First();
        GrabControl(t.Grid, t.Shot);
    }
}

}  // namespace

BENCHMARK(OpenAndPaint)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(PageScroll)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    Application->Initialize();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& s = reporter.Seconds;
    auto ratio = [&](const char* label, const char* a, const char* b) {
        if (s.count(a) && s.count(b) && s[b] > 0) std::printf("%-60s %6.2f\n", label, s[a] / s[b]);
    };
    std::printf("\nRatios (1,000,000 rows / 1,000 rows)\n");
    ratio("open the grid and paint it", "OpenAndPaint/1000000", "OpenAndPaint/1000");
    ratio("page scroll and repaint (aim <= 1.5)", "PageScroll/1000000", "PageScroll/1000");
    Tables().clear();
    FinalizeApplication();
    benchmark::Shutdown();
    return 0;
}
