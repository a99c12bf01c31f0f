#include "media/GIFPainter.h"

#include <gtest/gtest.h>

#include <vector>

#include "media/PictureFormats.h"
#include "media/VmGIF.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

using namespace GIFImage;

namespace {

constexpr TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000;

// Frames of 2 x 1 pixels in one colour each (global table red, green,
// blue), each with a graphic control of the given delay.
std::unique_ptr<TGIFImage> Animation(const std::vector<Word>& Delays, int LoopCount = -1) {
    auto gif = std::make_unique<TGIFImage>();
    gif->Header().SetWidth(2);
    gif->Header().SetHeight(1);
    for (TColor c : {Red, Green, Blue}) gif->GlobalColorMap().Add(c);
    for (std::size_t i = 0; i < Delays.size(); ++i) {
        auto frame = std::make_unique<TGIFSubImage>(gif.get());
        frame->SetSize(2, 1);
        frame->Data() = {Byte(i % 3), Byte(i % 3)};
        if (i == 0 && LoopCount >= 0) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(frame.get());
            loop->SetLoops(Word(LoopCount));
            frame->Extensions().Add(std::move(loop));
        }
        auto gce = std::make_unique<TGIFGraphicControlExtension>(frame.get());
        gce->SetDelay(Delays[i]);
        frame->Extensions().Add(std::move(gce));
        gif->Images().Add(std::move(frame));
    }
    return gif;
}

std::unique_ptr<TBitmap> Target() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(2, 1);
    return b;
}

// Milliseconds that pass only when a test says so: timers fire from
// Advance, and handlers may say that painting took time.
struct FakeClock {
    TFakeTimerClock timers;
    Int64 spent = 0;
    FakeClock() {
        SetGIFPainterClock({[this] { return timers.Now() + spent; }});
    }
    ~FakeClock() { SetGIFPainterClock({}); }
    void Advance(Cardinal Milliseconds) { timers.Advance(Milliseconds); }
};

}  // namespace

TEST(TGIFPainterTest, UnthreadedAnimationPaintsItsFramesFromTheEventLoopWithTheirDelays) {
    FakeClock clock;
    auto gif = Animation({1, 0, 7}, 0);
    gif->SetDrawOptions(Animate | RepeatAnimation | DrawDirect);
    auto target = Target();
    std::vector<int> painted;
    std::vector<TColor> shown;
    std::vector<Int64> waits;
    int loops = 0, ends = 0;
    gif->OnPaint = [&](TObject* Sender) { waits.push_back(static_cast<TGIFPainter*>(Sender)->LastWait()); };
    gif->OnAfterPaint = [&](TObject* Sender) {
        painted.push_back(static_cast<TGIFPainter*>(Sender)->ActiveImage());
        shown.push_back(target->GetPixel(1, 0));
        clock.spent += 10;  // painting took 10 ms
    };
    gif->OnLoop = [&](TObject*) { ++loops; };
    gif->OnEndPaint = [&](TObject* Sender) {
        EXPECT_EQ(static_cast<TGIFPainter*>(Sender)->ActiveImage(), -1);
        ++ends;
    };
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    // Draw paints the first frame and gives control back.
    EXPECT_EQ(painted, (std::vector<int>{0}));
    EXPECT_EQ(gif->PainterCount(), 1);
    // A delay of 1 is raised to 3: 36 ms less half the 10 ms spent.
    clock.Advance(30);
    EXPECT_EQ(painted.size(), 1u);
    clock.Advance(1);
    EXPECT_EQ(painted, (std::vector<int>{0, 1}));
    // The default delay of 10: 120 ms less 5.
    clock.Advance(114);
    EXPECT_EQ(painted.size(), 2u);
    clock.Advance(1);
    EXPECT_EQ(painted, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(shown, (std::vector<TColor>{Red, Green, Blue}));
    EXPECT_EQ(waits, (std::vector<Int64>{0, 31, 115}));
    // A loop count of 0 does not repeat an unthreaded animation.
    EXPECT_EQ(loops, 0);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(gif->PainterCount(), 0);
    EXPECT_EQ(gif->Painter(), nullptr);

    // Without DrawDirect the frames go to the picture's own bitmap, which
    // each Draw shows as it stands.
    gif->SetDrawOptions(Animate);
    gif->OnAfterPaint = nullptr;
    auto other = Target();
    other->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    EXPECT_EQ(other->GetPixel(0, 0), Red);
    clock.Advance(1000);
    EXPECT_EQ(gif->PainterCount(), 0);
    other->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    EXPECT_EQ(other->GetPixel(0, 0), Blue);
}

TEST(TGIFPainterTest, UnthreadedLoopForeverReturnsFromDrawAndRunsUntilStopped) {
    FakeClock clock;
    auto gif = Animation({5, 5});  // 60 ms each
    gif->SetDrawOptions(Animate | RepeatAnimation | LoopForever | DrawDirect);
    auto target = Target();
    std::vector<int> painted;
    int loops = 0, ends = 0;
    gif->OnAfterPaint = [&](TObject* Sender) {
        painted.push_back(static_cast<TGIFPainter*>(Sender)->ActiveImage());
        if (painted.size() > 20) static_cast<TGIFPainter*>(Sender)->Stop();  // never for ever inside Draw
    };
    gif->OnLoop = [&](TObject*) { ++loops; };
    gif->OnEndPaint = [&](TObject*) { ++ends; };
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    EXPECT_EQ(painted, (std::vector<int>{0}));
    EXPECT_EQ(target->GetPixel(0, 0), Red);
    clock.Advance(300);
    EXPECT_EQ(painted, (std::vector<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(target->GetPixel(0, 0), Green);
    EXPECT_EQ(loops, 3);
    EXPECT_EQ(ends, 0);
    gif->StopDraw();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(gif->PainterCount(), 0);
    clock.Advance(600);
    EXPECT_EQ(painted.size(), 6u);

    // A failure between frames reaches the application and ends the painter.
    AnsiString reported;
    const TExceptionEvent old = GetApplication()->OnException;
    GetApplication()->OnException = [&](TObject*, const Exception& E) { reported = E.Message(); };
    auto restore = ScopeExit([&] { GetApplication()->OnException = old; });
    gif->OnLoop = [](TObject*) { throw Exception("loop failed"); };
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    clock.Advance(120);
    EXPECT_EQ(reported, "loop failed");
    EXPECT_EQ(gif->PainterCount(), 0);
    clock.Advance(600);
    EXPECT_EQ(painted.size(), 8u);
}

namespace {

// Runs the painters' calls to this thread until the picture has none left:
// the threads end by themselves.
void UntilPaintersEnd(TGIFImage& Gif) {
    while (Gif.PainterCount() > 0) GetApplication()->ProcessMessages();
}

}  // namespace

TEST(TGIFPainterTest, ThreadedAnimationLoopsForeverUntilStopped) {
    auto gif = Animation({3, 3}, 0);
    gif->SetAnimationSpeed(1000000);  // no waiting between frames
    auto target = Target();
    std::vector<int> painted;
    int loops = 0;
    gif->OnAfterPaint = [&](TObject* Sender) { painted.push_back(static_cast<TGIFPainter*>(Sender)->ActiveImage()); };
    gif->OnLoop = [&](TObject* Sender) {
        if (++loops == 3) static_cast<TGIFPainter*>(Sender)->Stop();
    };
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    // Draw waited for a frame; with no delays the painter may already be
    // past the first one while this thread ran its calls.
    const TColor shown = target->GetPixel(0, 0);
    EXPECT_TRUE(shown == Red || shown == Green || shown == Blue) << shown;
    UntilPaintersEnd(*gif);
    EXPECT_EQ(loops, 3);
    ASSERT_GE(painted.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(painted[i], int(i % 2));
    EXPECT_EQ(gif->PainterCount(), 0);
}

TEST(TGIFPainterTest, StoppingWakesAPainterInALongDelay) {
    auto gif = Animation({60000, 60000});  // ten minutes each
    auto target = Target();
    int ends = 0;
    gif->OnEndPaint = [&](TObject*) { ++ends; };
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    ASSERT_EQ(gif->PainterCount(), 1);
    gif->StopDraw();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(gif->PainterCount(), 0);
    // Destroying a picture stops its painters as well.
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    gif.reset();
}

TEST(TGIFPainterTest, AFailureInAPainterThreadReachesTheApplication) {
    auto gif = Animation({3, 3});
    gif->SetDrawOptions(gif->DrawOptions() | DrawDirect);
    AnsiString reported;
    const TExceptionEvent old = GetApplication()->OnException;
    GetApplication()->OnException = [&](TObject*, const Exception& E) { reported = E.Message(); };
    auto restore = ScopeExit([&] { GetApplication()->OnException = old; });
    gif->OnStartPaint = [](TObject*) { throw Exception("painter failed"); };
    auto target = Target();
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), gif.get());
    UntilPaintersEnd(*gif);
    EXPECT_EQ(reported, "painter failed");
}

TEST(TGIFImageClipboardTest, PictureTravelsAsGifAndAsImage) {
    RegisterPictureFormats();
    EXPECT_EQ(TPicture::GraphicClassForExtension("gif"), "GIFImage::TGIFImage");
    auto gif = Animation({0, 0});
    gif->SaveToClipboard();
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_TRUE(Clipboard()->HasFormatData(GIFClipboardFormat));
    TGIFImage pasted;
    pasted.LoadFromClipboard();
    ASSERT_EQ(pasted.Images().Count(), 2);
    EXPECT_EQ(pasted.Images()[1]->Data(), gif->Images()[1]->Data());
    // The format reaches the main codec through the picture class.
    TPicture picture;
    picture.LoadFromClipboardFormat(GIFClipboardFormat, Clipboard()->FormatData(GIFClipboardFormat));
    EXPECT_NE(dynamic_cast<TGIFImage*>(picture.Graphic()), nullptr);

    // An image from another program becomes a one-frame picture.
    auto image = Target();
    image->SetPixel(0, 0, Blue);
    image->SetPixel(1, 0, Green);
    Clipboard()->SetAsBitmap(*image);
    pasted.LoadFromClipboard();
    ASSERT_EQ(pasted.Images().Count(), 1);
    auto back = Target();
    back->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), &pasted);
    EXPECT_EQ(back->GetPixel(0, 0), Blue);
    EXPECT_EQ(back->GetPixel(1, 0), Green);

    Clipboard()->SetAsText("no picture");
    EXPECT_THROW(pasted.LoadFromClipboard(), GIFException);
}

TEST(TGIFImageClipboardTest, SizesBeyondSixteenBitsAreRefused) {
    auto gif = Animation({0});
    EXPECT_THROW(gif->SetWidth(65536), GIFException);
    EXPECT_THROW(gif->SetHeight(-1), GIFException);
    EXPECT_EQ(gif->Width(), 2);
    EXPECT_EQ(gif->Height(), 1);
    gif->SetWidth(65535);
    EXPECT_EQ(gif->Width(), 65535);
}

TEST(TGIFImageClipboardTest, TransparencyFromAMaskGoesInFrontOfAnOlderGraphicControl) {
    auto gif = Animation({25});
    TGIFSubImage* f = gif->Images()[0];
    f->GraphicControlExtension()->SetDisposal(2);
    f->ColorMap().Add(Red);
    f->ColorMap().Add(Blue);
    f->Data() = {0, 1};
    f->TransparencyFromMask([](Integer X, Integer) { return X == 1; });
    ASSERT_EQ(f->Extensions().Count(), 2);
    TMemoryStream s;
    gif->SaveToStream(&s);
    s.SetPosition(0);
    TGIFImage again;
    again.LoadFromStream(&s);
    TGIFSubImage* frame = again.Images()[0];
    ASSERT_NE(frame->GraphicControlExtension(), nullptr);
    EXPECT_TRUE(frame->Transparent());
    EXPECT_EQ(frame->Extensions()[0], frame->GraphicControlExtension());
    auto target = Target();
    target->SetPixel(1, 0, Green);
    target->Canvas()->StretchDraw(::Rect(0, 0, 2, 1), &again);
    EXPECT_EQ(target->GetPixel(0, 0), Red);
    EXPECT_EQ(target->GetPixel(1, 0), Green);  // see-through
}
