#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphic.h"
#include "platform/ui/BitBtn.h"
#include "platform/ui/DrawText.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

TFont DialogFont() {
    TFont f;
    f.SetName("MS Sans Serif");
    f.SetSize(8);
    return f;
}

}  // namespace

TEST(DrawTextTest, MeasuresOneLineAndBreaksAtLineEnds) {
    const TFont font = DialogFont();
    const Integer lineHeight = MeasureText(font, " ").y;
    TRect r = Rect(10, 20, 1000, 20);
    EXPECT_EQ(lineHeight, DrawText(font, "Ahoj", r, 0));
    EXPECT_EQ(Rect(10, 20, 10 + MeasureText(font, "Ahoj").x, 20 + lineHeight), r);
    r = Rect(0, 0, 1000, 0);
    EXPECT_EQ(3 * lineHeight, DrawText(font, "a\r\nbb\nccc", r, 0));
    EXPECT_EQ(MeasureText(font, "ccc").x, r.Right);
    r = Rect(0, 0, 1000, 0);
    EXPECT_EQ(0, DrawText(font, "", r, 0));
    EXPECT_EQ(0, r.Bottom);
}

TEST(DrawTextTest, WordBreakWrapsAtBlanksAndKeepsLongWordsWhole) {
    const TFont font = DialogFont();
    const AnsiString text = "Příliš žluťoučký kůň úpěl ďábelské ódy a ještě jednou totéž";
    const Integer width = 120;
    const TTextLayout layout = LayoutText(font, text, width, DT_WORDBREAK);
    ASSERT_GT(layout.Lines.size(), 2u);
    AnsiString joined;
    for (const TTextLine& line : layout.Lines) {
        EXPECT_LE(line.Width, width) << line.Text;
        EXPECT_NE(' ', line.Text.front());
        EXPECT_NE(' ', line.Text.back());
        joined += (joined.empty() ? "" : " ") + line.Text;
    }
    EXPECT_EQ(text, joined);
    TRect r = Rect(0, 0, width, 0);
    DrawText(font, text, r, DT_WORDBREAK);
    EXPECT_EQ(layout.Height(), r.Bottom);
    EXPECT_LE(r.Right, width);
    // A word wider than the rectangle stays whole and widens the result.
    r = Rect(0, 0, 20, 0);
    DrawText(font, "Nejnepravděpodobnější", r, DT_WORDBREAK);
    EXPECT_EQ(MeasureText(font, "Nejnepravděpodobnější").x, r.Right);
    EXPECT_EQ(MeasureText(font, " ").y, r.Bottom);
}

TEST(DrawTextTest, ExpandsTabsAndRemovesPrefixes) {
    const TFont font = DialogFont();
    const Integer tab = 8 * AverageCharWidth(font);
    TRect r = Rect(0, 0, 1000, 0);
    DrawText(font, "a\tb", r, DT_EXPANDTABS);
    EXPECT_EQ(tab + MeasureText(font, "b").x, r.Right);
    r = Rect(0, 0, 1000, 0);
    DrawText(font, "&Ano && ne", r, 0);
    EXPECT_EQ(MeasureText(font, "Ano & ne").x, r.Right);
    r = Rect(0, 0, 1000, 0);
    DrawText(font, "&Ano", r, DT_NOPREFIX);
    EXPECT_EQ(MeasureText(font, "&Ano").x, r.Right);
}

TEST(DrawTextTest, EndEllipsisShortensLinesThatDoNotFit) {
    const TFont font = DialogFont();
    TRect r = Rect(0, 0, 60, 0);
    DrawText(font, "Velmi dlouhý název souboru.txt", r, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(r.Right, 60);
    const TTextLayout layout = LayoutText(font, "Velmi dlouhý název souboru.txt", 60, DT_END_ELLIPSIS);
    ASSERT_EQ(1u, layout.Lines.size());
    EXPECT_EQ(AnsiString("..."), layout.Lines[0].Text.substr(layout.Lines[0].Text.size() - 3));
    EXPECT_EQ(AnsiString("krátký"), LayoutText(font, "krátký", 60, DT_END_ELLIPSIS).Lines[0].Text);
}

TEST(DrawTextTest, DrawsInsideTheRectangleOnly) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(60, 20);
    TCanvas* canvas = bitmap.Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, 60, 20));
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetColor(clBlack);
    TRect r = Rect(0, 0, 20, 20);
    DrawText(canvas, "WWWWWWWW", r, 0);
    bool inked = false;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) {
            if (bitmap.GetPixel(x, y) == clBlack) {
                EXPECT_LT(x, 20);
                inked = true;
            }
        }
    EXPECT_TRUE(inked);
}

TEST(TLabelTest, AutoSizeFollowsCaptionAndWordWrapKeepsWidth) {
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption("Hodně dlouhý text, který se musí zalomit");
    const TFont font = *label->Font();
    EXPECT_EQ(MeasureText(font, "Hodně dlouhý text, který se musí zalomit").x, label->Width());
    EXPECT_EQ(MeasureText(font, " ").y, label->Height());
    label->SetWidth(80);
    label->SetWordWrap(true);
    EXPECT_LE(label->Width(), 80);
    EXPECT_GT(label->Height(), MeasureText(font, " ").y);
    label->SetAutoSize(false);
    label->SetBounds(0, 0, 10, 10);
    label->SetCaption("jiný");
    EXPECT_EQ(10, label->Width());
}

TEST(TLabelTest, ALabelReadFromFormTextTakesTheSizeOfItsCaption) {
    TForm form(nullptr);
    ReadComponent("object fLabel: TForm\n  object Label1: TLabel\n    Caption = 'Počet opakování při obsazeném tónu:'\n"
                  "  end\nend\n",
                  &form);
    auto* label = dynamic_cast<TLabel*>(form.FindComponent("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(MeasureText(*label->Font(), label->Caption()).x, label->Width());
}

TEST(TLabelTest, RightAlignedAutoSizeKeepsRightEdge) {
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetAlignment(taRightJustify);
    label->SetBounds(100, 0, 50, 13);
    label->SetCaption("abc");
    EXPECT_EQ(150, label->Left() + label->Width());
}

TEST(TEditTest, SettingTextFiresOnChangeOnlyWhenItChanges) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    std::vector<AnsiString> seen;
    edit->OnChange = [&](TObject* sender) {
        EXPECT_EQ(edit, sender);
        seen.push_back(edit->Text());
    };
    edit->SetText("Dobrý den");
    edit->SetText("Dobrý den");
    edit->SetText("");
    edit->Clear();
    EXPECT_EQ((std::vector<AnsiString>{"Dobrý den", ""}), seen);
}

TEST(TEditTest, SelectionAndMaxLength) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("žlutý kůň");
    edit->SetSelStart(6);
    edit->SetSelLength(3);
    EXPECT_EQ(AnsiString("kůň"), edit->SelText());
    edit->SetSelText("pes");
    EXPECT_EQ(AnsiString("žlutý pes"), edit->Text());
    edit->SelectAll();
    EXPECT_EQ(9, edit->SelLength());
    EXPECT_EQ(2, changes);
    edit->SetText("");
    edit->SetMaxLength(5);
    // A text cut to the limit, set again, changes nothing.
    changes = 0;
    edit->SetText("123456789");
    edit->SetText("123456789");
    EXPECT_EQ(AnsiString("12345"), edit->Text());
    EXPECT_EQ(1, changes);
    edit->SetText("");
    form.Show();
    TypeText(edit, "abcdefgh");
    EXPECT_EQ(AnsiString("abcde"), edit->Text());
    form.Hide();
}

TEST(TButtonTest, ClickSetsFormModalResultBeforeOnClick) {
    TForm form(nullptr);
    auto* button = new TButton(&form);
    button->SetParent(&form);
    button->SetModalResult(mrRetry);
    TModalResult seen = mrNone;
    button->OnClick = [&](TObject*) { seen = form.ModalResult(); };
    button->Click();
    EXPECT_EQ(mrRetry, seen);
    EXPECT_EQ(mrRetry, form.ModalResult());
}

TEST(TControlTest, MouseEventsArriveInClassLibraryOrder) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    std::vector<std::string> log;
    panel->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
        log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    panel->OnClick = [&](TObject*) { log.push_back("click"); };
    panel->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) { log.push_back("up " + std::to_string(b)); };
    form.Show();
    SendClick(panel, 7, 9);
    SendClick(panel, 7, 9, mbRight);
    form.Hide();
    EXPECT_EQ((std::vector<std::string>{"down 0 7,9", "click", "up 0", "down 1 7,9", "up 1"}), log);
}

TEST(TControlTest, ReplacedWindowProcSeesMessagesFirstAndCanBeRestored) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    int downs = 0, hooked = 0;
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    TWndMethod old = panel->WindowProc;
    panel->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_LBUTTONDOWN) {
            ++hooked;
            return;  // handled: the control never sees it
        }
        old(m);
    };
    form.Show();
    SendClick(panel, 1, 1);
    EXPECT_EQ(1, hooked);
    EXPECT_EQ(0, downs);
    panel->WindowProc = old;
    SendClick(panel, 1, 1);
    EXPECT_EQ(1, hooked);
    EXPECT_EQ(1, downs);
    EXPECT_EQ(0, panel->Perform(WM_NULL));
    form.Hide();
}

TEST(TControlTest, AlignLaysOutChildrenAndAnchorsFollowResize) {
    TForm form(nullptr);
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    auto* top = new TPanel(&form);
    top->SetParent(&form);
    top->SetHeight(30);
    top->SetAlign(alTop);
    auto* bottom = new TPanel(&form);
    bottom->SetParent(&form);
    bottom->SetHeight(20);
    bottom->SetAlign(alBottom);
    auto* left = new TPanel(&form);
    left->SetParent(&form);
    left->SetWidth(50);
    left->SetAlign(alLeft);
    auto* client = new TPanel(&form);
    client->SetParent(&form);
    client->SetAlign(alClient);
    EXPECT_EQ(Rect(0, 0, 300, 30), top->BoundsRect());
    EXPECT_EQ(Rect(0, 180, 300, 200), bottom->BoundsRect());
    EXPECT_EQ(Rect(0, 30, 50, 180), left->BoundsRect());
    EXPECT_EQ(Rect(50, 30, 300, 180), client->BoundsRect());
    auto* button = new TButton(client);
    button->SetParent(client);
    button->SetBounds(150, 100, 75, 25);
    button->SetAnchors(TAnchors{akRight, akBottom});
    int resizes = 0;
    client->OnResize = [&](TObject*) { ++resizes; };
    form.SetClientWidth(400);
    form.SetClientHeight(250);
    EXPECT_EQ(Rect(50, 30, 400, 230), client->BoundsRect());
    EXPECT_EQ(Rect(250, 150, 325, 175), button->BoundsRect());
    EXPECT_EQ(2, resizes);
    // A panel aligns inside its bevel.
    auto* inner = new TPanel(client);
    inner->SetParent(client);
    inner->SetAlign(alClient);
    EXPECT_EQ(Rect(1, 1, 349, 199), inner->BoundsRect());
}

TEST(TControlTest, ParentFontAndParentColorFollowTheParentUntilSet) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* label = new TLabel(&form);
    label->SetParent(panel);
    form.Font()->SetSize(12);
    EXPECT_EQ(12, panel->Font()->Size());
    EXPECT_EQ(12, label->Font()->Size());
    label->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_FALSE(label->ParentFont());
    form.Font()->SetSize(10);
    EXPECT_EQ(10, panel->Font()->Size());
    EXPECT_EQ(12, label->Font()->Size());
    panel->SetColor(clYellow);
    EXPECT_EQ(clYellow, label->Color());
    EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);
}

TEST(TControlTest, ParentFreesChildControlsAndFocusFollowsSetFocus) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* edit = new TEdit(&form);
    edit->SetParent(panel);
    auto* edit2 = new TEdit(&form);
    edit2->SetParent(panel);
    int enters = 0, exits = 0;
    edit->OnEnter = [&](TObject*) { ++enters; };
    edit->OnExit = [&](TObject*) { ++exits; };
    EXPECT_EQ(0, edit->TabOrder());
    EXPECT_EQ(1, edit2->TabOrder());
    edit2->SetTabOrder(0);
    EXPECT_EQ(1, edit->TabOrder());
    form.Show();
    PumpUntilIdle();
    edit->SetFocus();
    PumpUntilIdle();
    EXPECT_TRUE(edit->Focused());
    EXPECT_EQ(edit, form.ActiveControl());
    edit2->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(edit2, form.ActiveControl());
    EXPECT_EQ(1, enters);
    EXPECT_EQ(1, exits);
    const int components = form.ComponentCount();
    delete panel;
    EXPECT_EQ(components - 3, form.ComponentCount());
    EXPECT_EQ(nullptr, form.ActiveControl());
    form.Hide();
}

TEST(TImageTest, CanvasDrawsOnThePictureBitmapAndAutoSizeFollowsIt) {
    TForm form(nullptr);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 40, 30);
    image->Canvas()->Brush()->SetColor(clRed);
    image->Canvas()->FillRect(Rect(0, 0, 10, 10));
    ASSERT_NE(nullptr, image->Picture()->Graphic());
    EXPECT_EQ(40, image->Picture()->Width());
    EXPECT_EQ(clRed, image->Picture()->Bitmap()->GetPixel(5, 5));
    TBitmap other;
    other.SetPixelFormat(pf24bit);
    other.SetSize(64, 48);
    image->SetAutoSize(true);
    image->Picture()->SetGraphic(&other);
    EXPECT_EQ(64, image->Width());
    EXPECT_EQ(48, image->Height());
}

TEST(TTimerTest, FiresByTheFakeClockAndStopsWhenDisabled) {
    TFakeTimerClock clock;
    TForm form(nullptr);
    auto* timer = new TTimer(&form);
    timer->SetInterval(100);
    std::vector<Int64> ticks;
    timer->OnTimer = [&](TObject*) { ticks.push_back(clock.Now()); };
    clock.Advance(350);
    EXPECT_EQ((std::vector<Int64>{100, 200, 300}), ticks);
    timer->SetEnabled(false);
    clock.Advance(500);
    EXPECT_EQ(3u, ticks.size());
    // Interval 0 is the fastest rate, not off.
    timer->SetInterval(0);
    timer->SetEnabled(true);
    EXPECT_EQ(10u, timer->EffectiveInterval());
    clock.Advance(30);
    EXPECT_EQ(6u, ticks.size());
    // A one-shot timer that disables itself in its handler.
    timer->OnTimer = [&](TObject* sender) {
        ticks.push_back(-1);
        static_cast<TTimer*>(sender)->SetEnabled(false);
    };
    clock.Advance(100);
    EXPECT_EQ(7u, ticks.size());
    EXPECT_FALSE(clock.Running(timer));
}

TEST(TTimerTest, EnabledSetFromAnotherThreadReachesTheTimerOnTheUiThread) {
    TFakeTimerClock clock;
    TTimer timer(nullptr);
    timer.SetInterval(50);
    timer.SetEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    std::thread worker([&] { timer.SetEnabled(true); });
    worker.join();
    EXPECT_TRUE(timer.Enabled());
    EXPECT_FALSE(clock.Running(&timer));  // not yet: the change is posted
    PumpUntilIdle();
    EXPECT_TRUE(clock.Running(&timer));
    clock.Advance(100);
    EXPECT_EQ(2, ticks);
}

TEST(TTimerTest, RealTimerFiresFromTheEventLoop) {
    TTimer timer(nullptr);
    timer.SetInterval(1);
    std::atomic<int> ticks{0};
    timer.OnTimer = [&](TObject*) { ++ticks; };
    // Bounded by iterations, not by sleeping: each pass waits for events.
    for (int i = 0; i < 1000 && ticks.load() == 0; ++i)
        WaitForEvents();
    EXPECT_GT(ticks.load(), 0);
}

TEST(TFormRenderTest, SampleFormRendersToPng) {
    TForm form(nullptr);
    form.SetCaption("Ukázkové okno");
    form.SetClientWidth(320);
    form.SetClientHeight(150);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetAlign(alTop);
    panel->SetHeight(32);
    panel->SetCaption("Panel s nápisem");
    panel->SetBevelInner(bvLowered);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(8, 44, 200, 13);
    label->SetCaption("&Příjemce (číslo telefonu):");
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(8, 62, 304, 21);
    edit->SetText("+420 123 456 789");
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(8, 96, 32, 32);
    image->Canvas()->Brush()->SetColor(clBlue);
    image->Canvas()->FillRect(Rect(0, 0, 32, 32));
    image->Canvas()->Brush()->SetColor(clYellow);
    image->Canvas()->Ellipse(4, 4, 28, 28);
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetCaption("&Ano");
    ok->SetDefault(true);
    ok->SetBounds(156, 112, 75, 25);
    auto* cancel = new TButton(&form);
    cancel->SetParent(&form);
    cancel->SetCaption("&Ne");
    cancel->SetBounds(237, 112, 75, 25);
    std::filesystem::create_directories(VEMLOR_TEST_OUTPUT);
    const AnsiString file = AnsiString(VEMLOR_TEST_OUTPUT) + "/ui_sample_form.png";
    form.Show();
    PumpUntilIdle();
    ASSERT_TRUE(SaveControlToPng(&form, file));
    form.Hide();
    EXPECT_GT(std::filesystem::file_size(file), 1000u);
}

TEST(TBitBtnTest, KindSetsCaptionResultAndRoleAndCloseClosesTheForm) {
    TModalAnswerer answerer;
    TForm form(nullptr);
    auto* ok = new TBitBtn(&form);
    ok->SetParent(&form);
    ok->SetKind(bkOK);
    EXPECT_EQ(AnsiString("OK"), ok->Caption());
    EXPECT_EQ(mrOk, ok->ModalResult());
    EXPECT_TRUE(ok->Default());
    auto* no = new TBitBtn(&form);
    no->SetParent(&form);
    no->SetKind(bkNo);
    EXPECT_TRUE(no->Cancel());
    EXPECT_EQ(mrNo, no->ModalResult());
    EXPECT_EQ(AnsiString("bkNo"), GetPropValue(no, "Kind"));
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(32, 16);
    ok->SetNumGlyphs(2);
    ok->SetGlyph(&glyph);
    EXPECT_EQ(32, ok->Glyph()->Width());
    auto* close = new TBitBtn(&form);
    close->SetParent(&form);
    close->SetKind(bkClose);
    answerer.Act([&](TForm*) { close->Click(); });
    EXPECT_EQ(mrCancel, form.ShowModal());
}

namespace {
class TSwatch : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(Rect(2, 2, 6, 6));
    }
};
}  // namespace

TEST(TCustomControlTest, PaintDrawsOnTheControlsCanvasOverItsColour) {
    TForm form(nullptr);
    auto* swatch = new TSwatch(&form);
    swatch->SetParent(&form);
    swatch->SetBounds(0, 0, 10, 10);
    swatch->SetColor(clLime);
    form.Show();
    PumpUntilIdle();  // the window is exposed
    swatch->Repaint();
    EXPECT_GT(swatch->Paints, 0);
    EXPECT_EQ(clRed, swatch->Canvas()->Pixel(3, 3));
    EXPECT_EQ(clLime, swatch->Canvas()->Pixel(8, 8));
    form.Hide();
}

TEST(TLabelTest, AltAndTheMarkedLetterFocusesTheFocusControl) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    auto* other = new TEdit(&form);
    other->SetParent(&form);
    other->SetTop(40);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetCaption("&Telefon");
    label->SetFocusControl(other);
    form.Show();
    PumpUntilIdle();
    edit->SetFocus();
    PumpUntilIdle();
    SendKey(edit, 'X', TShiftState{ssAlt});
    PumpUntilIdle();
    EXPECT_TRUE(edit->Focused());
    SendKey(edit, 'T', TShiftState{ssAlt});
    PumpUntilIdle();
    EXPECT_TRUE(other->Focused());
    delete other;  // the label forgets its FocusControl
    EXPECT_EQ(nullptr, label->FocusControl());
    form.Hide();
}

TEST(TPanelTest, BevelsAreDrawnAroundTheFace) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 20, 10);
    panel->SetBevelInner(bvLowered);
    form.Show();
    PumpUntilIdle();
    panel->Repaint();
    TCanvas* c = panel->Canvas();
    const TColor light = ColorToRGB(clBtnHighlight), dark = ColorToRGB(clBtnShadow);
    EXPECT_EQ(light, c->Pixel(0, 0));    // raised outer bevel
    EXPECT_EQ(dark, c->Pixel(19, 9));
    EXPECT_EQ(dark, c->Pixel(1, 1));     // lowered inner bevel
    EXPECT_EQ(light, c->Pixel(18, 8));
    EXPECT_EQ(ColorToRGB(clBtnFace), c->Pixel(10, 5));
    form.Hide();
}

TEST(TestSupportTest, PngGoesIntoAFolderThatDidNotExistYet) {
    TForm form(nullptr);
    form.SetClientWidth(40);
    form.SetClientHeight(20);
    const std::filesystem::path folder = std::filesystem::path(VEMLOR_TEST_OUTPUT) / "png-new-folder";
    std::filesystem::remove_all(folder);
    const AnsiString file = (folder / "form.png").string();
    ASSERT_TRUE(SaveControlToPng(&form, file));
    EXPECT_TRUE(std::filesystem::exists(file));
    std::filesystem::remove_all(folder);
}

TEST(TControlTest, DoubleClickAndMouseEnterLeaveReachTheirEvents) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    std::vector<std::string> log;
    panel->OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
    panel->OnMouseDown = [&](TObject*, TMouseButton, TShiftState shift, int, int) {
        log.push_back(shift.Contains(ssDouble) ? "down double" : "down");
    };
    panel->OnMouseEnter = [&](TObject*) { log.push_back("enter"); };
    panel->OnMouseLeave = [&](TObject*) { log.push_back("leave"); };
    panel->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MakeLParam(3, 4));
    panel->Perform(CM_MOUSEENTER);
    panel->Perform(CM_MOUSELEAVE);
    EXPECT_EQ((std::vector<std::string>{"dblclick", "down double", "enter", "leave"}), log);
}

TEST(TControlTest, KeyUpGoesThroughKeyPreviewToo) {
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    form.SetKeyPreview(true);
    std::vector<std::string> log;
    form.OnKeyUp = [&](TObject*, Word& key, TShiftState) {
        log.push_back("form " + std::to_string(key));
        if (key == VK_F5) key = 0;
    };
    edit->OnKeyUp = [&](TObject*, Word& key, TShiftState) { log.push_back("edit " + std::to_string(key)); };
    form.Show();
    SendKey(edit, VK_F4);
    SendKey(edit, VK_F5);
    form.Hide();
    EXPECT_EQ((std::vector<std::string>{"form 115", "edit 115", "form 116"}), log);
}

TEST(TLabelTest, TransparentLabelShowsThePictureBeneath) {
    TForm form(nullptr);
    form.SetClientWidth(120);
    form.SetClientHeight(40);
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 120, 40);
    image->Canvas()->Brush()->SetColor(clRed);
    image->Canvas()->FillRect(Rect(0, 0, 120, 40));
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 100, 20);
    label->SetCaption("Ahoj");
    label->Font()->SetColor(clBlue);
    TBitmap shot;
    ASSERT_TRUE(GrabControl(&form, shot));
    // An opaque label covers the picture with its own colour.
    EXPECT_EQ(ColorToRGB(label->Color()), shot.GetPixel(100, 25));
    label->SetTransparent(true);
    ASSERT_TRUE(GrabControl(&form, shot));
    EXPECT_EQ(clRed, shot.GetPixel(100, 25));
    bool text = false;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 60; ++x) text = text || shot.GetPixel(x, y) == clBlue;
    EXPECT_TRUE(text);
}

TEST(TImageTest, TransparentImageShowsWhatLiesBeneathThroughItsTransparentColour) {
    TForm form(nullptr);
    form.SetClientWidth(40);
    form.SetClientHeight(20);
    auto* below = new TImage(&form);
    below->SetParent(&form);
    below->SetBounds(0, 0, 40, 20);
    below->Canvas()->Brush()->SetColor(clYellow);
    below->Canvas()->FillRect(Rect(0, 0, 40, 20));
    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(0, 0, 40, 20);
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(20, 20);
    picture.Canvas()->Brush()->SetColor(clLime);
    picture.Canvas()->FillRect(Rect(0, 0, 20, 20));
    picture.Canvas()->Brush()->SetColor(clNavy);
    picture.Canvas()->FillRect(Rect(5, 5, 15, 15));
    image->Picture()->SetGraphic(&picture);
    image->SetTransparent(true);  // lime, the bottom-left pixel, is see-through
    TBitmap shot;
    ASSERT_TRUE(GrabControl(&form, shot));
    EXPECT_EQ(clNavy, shot.GetPixel(10, 10));
    EXPECT_EQ(clYellow, shot.GetPixel(2, 2));
    EXPECT_EQ(clYellow, shot.GetPixel(30, 10));  // beyond the picture
}

// Self-painted controls of different sizes in one window, and the window's
// own OnPaint, each land pixel for pixel where they belong: an odd width and
// a small control painted after a large one must not borrow its rows.
TEST(TControlTest, SelfPaintedControlsOfDifferentSizesKeepTheirOwnPixels) {
    auto colourAt = [](int x, int y, int salt) { return TColor(RGB(x * 7 + salt, y * 11 + salt, (x ^ y) * 5)); };
    TForm form(nullptr);
    form.SetClientWidth(100);
    form.SetClientHeight(60);
    form.OnPaint = [&](TObject*) {
        for (int y = 40; y < 60; ++y)
            for (int x = 0; x < 100; ++x) form.Canvas()->SetPixel(x, y, colourAt(x, y, 3));
    };
    auto* large = new TImage(&form);
    large->SetParent(&form);
    large->SetBounds(0, 0, 90, 30);
    auto* small = new TImage(&form);
    small->SetParent(&form);
    small->SetBounds(91, 2, 7, 5);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 90; ++x) large->Canvas()->SetPixel(x, y, colourAt(x, y, 1));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) small->Canvas()->SetPixel(x, y, colourAt(x, y, 2));
    form.Show();
    PumpUntilIdle();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(&form, shot));
    int wrong = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 90; ++x) wrong += shot.GetPixel(x, y) != colourAt(x, y, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) wrong += shot.GetPixel(91 + x, 2 + y) != colourAt(x, y, 2);
    for (int y = 40; y < 60; ++y)
        for (int x = 0; x < 100; ++x) wrong += shot.GetPixel(x, y) != colourAt(x, y, 3);
    EXPECT_EQ(0, wrong);
    form.Hide();
}

TEST(TControlTest, ControlForgetsAPopupMenuFreedBeforeIt) {
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* menu = new TPopupMenu(&form);
    panel->SetPopupMenu(menu);
    EXPECT_EQ(menu, panel->PopupMenu());
    delete menu;
    EXPECT_EQ(nullptr, panel->PopupMenu());
    // A right click now opens nothing and touches nothing freed.
    form.Show();
    SendClick(panel, 2, 2, mbRight);
    form.Hide();
}
