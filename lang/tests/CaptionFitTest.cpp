// The fit check on a small window built in code: it must tell a text that
// is cut off from one that fits, for the kinds of controls windows use.

#include "CaptionFit.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/gfx/Canvas.h"
#include "platform/ui/ChoiceCtrls.h"
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

}  // namespace
