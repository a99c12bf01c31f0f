// The rich-edit control: loading and saving 1 MB of RTF (formatted runs on
// every line) and 1 MB of plain text through the stream callback, and
// typing one character (and taking it back) at the end of a 1 KB and of a
// 100 KB text, whose ratio should stay at 2 or below: a keystroke must not
// cost in proportion to the text before it. Each key is timed with what the
// user waits for after it: the editor shown, and the event loop run until
// idle, so that the relayout and the repaint of what changed are inside.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/RatioReporter.h"
#include "platform/ui/Forms.h"
#include "platform/ui/RichEdit.h"
#include "platform/ui/RtfWriter.h"
#include "platform/ui/TestSupport.h"

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

// Lines of about 60 characters, as a long message or a letter has.
std::string PlainText(std::size_t bytes) {
    std::string s;
    s.reserve(bytes + 80);
    for (int i = 0; s.size() < bytes; ++i)
        s += "Řádek " + std::to_string(i) + ": Příliš žluťoučký kůň úpěl ďábelské ódy.\r\n";
    s.resize(bytes);
    return s;
}

const std::string& RtfMegabyte() {
    static const std::string rtf = [] {
        TRichText t;
        t.Paragraphs.clear();
        TCharFormat plain;
        plain.Mask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_COLOR;
        plain.FaceName = "Arial";
        plain.Height = 200;
        plain.Effects = CFE_AUTOCOLOR;
        TCharFormat bold = plain;
        bold.Effects = CFE_BOLD;
        bold.TextColor = 0x0000C0;
        // About 110 bytes of RTF per paragraph.
        for (int i = 0; i < static_cast<int>(kMegabyte / 110); ++i) {
            TRichParagraph p;
            p.Format.Mask = PFM_ALL;
            p.Append(u"Zpráva " + std::u16string(1, u'0' + i % 10) + u": ", bold);
            p.Append(u"Příliš žluťoučký kůň úpěl ďábelské ódy, ", plain);
            p.Append(u"důležité", bold);
            p.Append(u" a zase obyčejný text.", plain);
            t.Paragraphs.push_back(std::move(p));
        }
        return WriteRtf(t);
    }();
    return rtf;
}

struct TEditor {
    TForm* Form;
    TCustomRichMemo* Edit;
    TEditor() {
        Form = new TForm(nullptr);
        Edit = new TCustomRichMemo(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(0, 0, 600, 400);
        Edit->ExLimitText(RichEditMaxLimit);
        Form->SetBounds(0, 0, 620, 420);
    }
    ~TEditor() {
        Form->Free();
        PumpUntilIdle();
    }
};

Integer Load(TCustomRichMemo* edit, Cardinal format, const std::string& bytes) {
    std::size_t pos = 0;
    TRichStream s;
    s.Callback = [&](Byte* buffer, Integer size, Integer& done) -> Cardinal {
        done = static_cast<Integer>(std::min<std::size_t>(static_cast<std::size_t>(size), bytes.size() - pos));
        std::copy_n(bytes.data() + pos, done, buffer);
        pos += static_cast<std::size_t>(done);
        return 0;
    };
    return edit->StreamIn(format, s);
}

std::size_t Save(TCustomRichMemo* edit, Cardinal format) {
    std::string out;
    TRichStream s;
    s.Callback = [&](Byte* buffer, Integer size, Integer& done) -> Cardinal {
        out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
        done = size;
        return 0;
    };
    edit->StreamOut(format, s);
    return out.size();
}

void LoadRtf(benchmark::State& state) {
    TEditor e;
    const std::string& rtf = RtfMegabyte();
    for (auto _ : state) benchmark::DoNotOptimize(Load(e.Edit, SF_RTF, rtf));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}

void SaveRtf(benchmark::State& state) {
    TEditor e;
    Load(e.Edit, SF_RTF, RtfMegabyte());
    std::size_t n = 0;
    for (auto _ : state) n = Save(e.Edit, SF_RTF);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

void LoadText(benchmark::State& state) {
    TEditor e;
    const std::string text = PlainText(kMegabyte);
    for (auto _ : state) benchmark::DoNotOptimize(Load(e.Edit, SF_TEXT, text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void SaveText(benchmark::State& state) {
    TEditor e;
    Load(e.Edit, SF_TEXT, PlainText(kMegabyte));
    std::size_t n = 0;
    for (auto _ : state) n = Save(e.Edit, SF_TEXT);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

// One key typed at the end and taken back, with the notifications a
// program's editor asks for.
void TypeAtEnd(benchmark::State& state) {
    TEditor e;
    Load(e.Edit, SF_TEXT, PlainText(static_cast<std::size_t>(state.range(0))));
    e.Edit->SetEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_PROTECTED | ENM_LINK);
    e.Edit->ExSetSel({-1, -1});
    const Integer end = e.Edit->GetTextLengthEx(GTL_DEFAULT);
    e.Edit->ExSetSel({end, end});
    e.Form->Show();
    PumpUntilIdle();
    for (auto _ : state) {
        TypeText(e.Edit, "x");
        PumpUntilIdle();
        SendKey(e.Edit, VK_BACK);
        PumpUntilIdle();
    }
    if (e.Edit->GetTextLengthEx(GTL_DEFAULT) != end) state.SkipWithError("the text changed length");
}

}  // namespace

BENCHMARK(LoadRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadText)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveText)->Unit(benchmark::kMillisecond);
BENCHMARK(TypeAtEnd)->Arg(1024)->Arg(100 * 1024)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& s = reporter.Seconds;
    TRatioTable table(s);
    std::printf("\nRatios\n");
    table.Ratio("typing at the end: 100 KB text / 1 KB text", "TypeAtEnd/102400", "TypeAtEnd/1024", 2.0);
    std::printf("    both:   a key typed at the end of the text and the event loop run until idle (relayout and\n"
                "            repaint of the shown editor), then Backspace and the same\n");
    benchmark::Shutdown();
    FinalizeApplication();
    return 0;
}
