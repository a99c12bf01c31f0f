// The fit check on a small window built in code: it must tell a text that
// is cut off from one that fits, for the kinds of controls windows use.

#include "CaptionFit.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/gfx/Canvas.h"
#include "platform/ui/Bars.h"
#include "platform/ui/ChoiceCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace {

class TCaptionFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form.reset(new TForm(nullptr));
        Form->SetClientWidth(300);
        Form->SetClientHeight(100);
    }

    template <class T>
    T* Add(const AnsiString& Name, const AnsiString& Caption, Integer Left, Integer Top, Integer Width) {
        auto* control = new T(Form.get());
        control->SetName(Name);
        control->SetParent(Form.get());
        control->SetBounds(Left, Top, Width, 20);
        control->SetCaption(Caption);
        return control;
    }

    Integer Measure(const AnsiString& Text) { return MeasureText(*Form->Font(), Text).x; }

    std::unique_ptr<TForm> Form;
};

TEST_F(TCaptionFitTest, ACheckBoxNeedsItsTextAndItsBox) {
    const AnsiString text = "Nachrichten an mehrere Empfänger senden";
    auto* box = Add<TCheckBox>("Box", text, 0, 0, Measure(text));
    ASSERT_EQ(CaptionsThatDoNotFit(Form.get()).size(), 1u);
    EXPECT_EQ(CaptionsThatDoNotFit(Form.get())[0].substr(0, 4), "Box ");
    box->SetWidth(Measure(text) + 24);
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());
    // A hidden control shows nothing that could be cut.
    box->SetWidth(10);
    box->Hide();
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());
}

TEST_F(TCaptionFitTest, AnAutoSizedLabelMustNotRunIntoTheControlBesideItButMayPassBelowIt) {
    const AnsiString text = "Wahlwiederholungen bei Besetzt:";
    auto* label = Add<TLabel>("Label7", text, 10, 10, 0);
    auto* edit = Add<TEdit>("Edit1", "", 10 + Measure(text) - 5, 8, 60);
    EXPECT_EQ(CaptionsThatDoNotFit(Form.get()).size(), 1u);
    edit->SetTop(40);
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());
    // An "&" marks a letter and takes no room.
    label->SetCaption("&&" + text);
    edit->SetTop(8);
    edit->SetLeft(10 + Measure("&" + text) + 1);
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());
}

TEST_F(TCaptionFitTest, AFixedLabelAndAButtonKeepTheirOwnWidth) {
    const AnsiString text = "Modemanschluss wird gesucht...";
    auto* label = Add<TLabel>("Label1", text, 0, 0, Measure(text) - 1);
    label->SetAutoSize(false);
    label->SetWidth(Measure(text) - 1);
    Add<TButton>("Button1", "&Abbrechen", 0, 30, Measure("Abbrechen") + 2);
    EXPECT_EQ(CaptionsThatDoNotFit(Form.get()).size(), 2u);
}

TEST_F(TCaptionFitTest, ToolButtonsMustEndWithinTheirBarAndBeforeAControlPlacedInIt) {
    auto* bar = new TToolBar(Form.get());
    bar->SetParent(Form.get());
    bar->SetBounds(0, 0, 300, 28);
    bar->SetShowCaptions(true);
    auto* panel = new TPanel(Form.get());
    panel->SetName("SendPanel");
    panel->SetParent(bar);
    panel->SetBounds(200, 0, 100, 26);
    auto button = [&](const AnsiString& Name, const AnsiString& Caption) {
        auto* b = new TToolButton(Form.get());
        b->SetName(Name);
        b->SetCaption(Caption);
        b->SetParent(bar);
        return b;
    };
    button("New", "Nová zpráva");
    TToolButton* last = button("Queue", "Do fronty");
    ASSERT_LT(last->Left() + last->Width(), 200);
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());

    // A longer text moves the button after it under the panel.
    bar->Buttons(0)->SetCaption("Neue Nachricht schreiben");
    ASSERT_GT(last->Left() + last->Width(), 200);
    const std::vector<AnsiString> problems = CaptionsThatDoNotFit(Form.get());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].substr(0, 6), "Queue ");
    // Without the panel the bar's own end is the limit.
    panel->Hide();
    EXPECT_TRUE(CaptionsThatDoNotFit(Form.get()).empty());
    last->SetCaption("In die Warteschlange stellen und später senden");
    EXPECT_EQ(CaptionsThatDoNotFit(Form.get()).size(), 1u);
}

}  // namespace
