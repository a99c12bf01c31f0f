#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/classes/TypInfo.h"
#include "platform/ui/Forms.h"
#include "platform/ui/RangeCtrls.h"
#include "platform/ui/Spin.h"
#include "platform/ui/TestSupport.h"

namespace {

struct THost {
    THost() { Form = new TForm(nullptr); }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    template <class T>
    T* Make() {
        T* c = new T(Form);
        c->SetParent(Form);
        return c;
    }
    TForm* Form;
};

TEST(TSpinEditTest, ValueKeepsToRangeAndFiresOnChangeLikeAnEdit) {
    THost host;
    auto* spin = host.Make<TSpinEdit>();
    int changes = 0;
    spin->OnChange = [&](TObject*) { ++changes; };
    spin->SetValue(-50);  // no limits while MinValue == MaxValue
    EXPECT_EQ(spin->Value(), -50);
    spin->SetMaxValue(10);
    EXPECT_EQ(spin->Value(), 0);
    spin->SetValue(3);
    spin->SetValue(3);
    spin->SetValue(99);
    EXPECT_EQ(spin->Value(), 10);
    EXPECT_EQ(spin->Text(), "10");
    EXPECT_EQ(changes, 4);
    SetPropValue(spin, "Value", "7");
    EXPECT_EQ(spin->Value(), 7);
    spin->SetText("abc");
    EXPECT_EQ(spin->Value(), 0);
}

TEST(TSpinEditTest, ArrowKeysStepByIncrement) {
    THost host;
    auto* spin = host.Make<TSpinEdit>();
    spin->SetMaxValue(10);
    spin->SetValue(3);
    spin->SetIncrement(2);
    host.Form->Show();
    spin->SetFocus();
    int keys = 0;
    spin->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++keys; };
    SendKey(spin, VK_UP);
    EXPECT_EQ(spin->Value(), 5);
    EXPECT_EQ(keys, 1);
}

TEST(TScrollBarTest, PositionStaysInRangeAndEveryMoveFiresOnChange) {
    THost host;
    auto* bar = host.Make<TScrollBar>();
    int changes = 0;
    bar->OnChange = [&](TObject*) { ++changes; };
    bar->SetPosition(150);
    EXPECT_EQ(bar->Position(), 100);
    bar->SetParams(5, 10, 20);
    EXPECT_EQ(bar->Position(), 10);
    EXPECT_EQ(changes, 2);
    EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
    bar->SetPageSize(5);
    bar->SetPosition(20);
    EXPECT_EQ(bar->Position(), 16);  // the last page starts there
}

TEST(TTrackBarTest, PositionClampsAndChangesFire) {
    THost host;
    auto* track = host.Make<TTrackBar>();
    track->SetOrientation(trVertical);
    EXPECT_GT(track->Height(), track->Width());
    track->SetMax(99);
    track->SetMin(1);
    int changes = 0;
    track->OnChange = [&](TObject*) { ++changes; };
    track->SetPosition(50);
    track->SetPosition(50);
    track->SetPosition(500);
    EXPECT_EQ(track->Position(), 99);
    EXPECT_EQ(changes, 2);
    SetPropValue(track, "TickMarks", "tmBoth");
    EXPECT_EQ(track->TickMarks(), tmBoth);
}

TEST(TTrackBarTest, AVerticalBarReadFromFormTextKeepsItsSize) {
    THost host;
    ReadComponent("object fTrack: TForm\n  object TrackBar1: TTrackBar\n    Width = 44\n    Height = 290\n"
                  "    Orientation = trVertical\n  end\nend\n",
                  host.Form);
    auto* track = dynamic_cast<TTrackBar*>(host.Form->FindComponent("TrackBar1"));
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->Width(), 44);
    EXPECT_EQ(track->Height(), 290);
}

TEST(TProgressBarTest, StepsAndClamps) {
    THost host;
    auto* bar = host.Make<TProgressBar>();
    bar->SetMax(160);
    bar->SetPosition(200);
    EXPECT_EQ(bar->Position(), 160);
    bar->SetPosition(-4);
    EXPECT_EQ(bar->Position(), 0);
    bar->StepIt();
    bar->StepBy(5);
    EXPECT_EQ(bar->Position(), 15);
    bar->SetPosition(155);
    bar->StepIt();  // past the end it starts again
    EXPECT_EQ(bar->Position(), 4);
}

}  // namespace
