#include "components/ToolEdit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/EdgeDraw.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"
#include "components/tests/ScreenHost.h"

namespace {

// A popup that holds one text as its value.
class TValuePopup : public TCustomControl {
public:
    explicit TValuePopup(TComponent* AOwner) : TCustomControl(AOwner) {
        SetVisible(false);
        SetBounds(0, 0, 100, 80);
        SetDropDownWindow(true);
    }
    AnsiString Value;
};

class TPopupEdit : public TCustomComboEdit {
public:
    explicit TPopupEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {
        List = new TValuePopup(this);
        List->SetParent(this);
        SetPopupControl(List);
    }
    TValuePopup* List;
    std::vector<AnsiString> Log;
    using TCustomComboEdit::PopupDropDown;

protected:
    void SetPopupValue(const Variant& Value) override {
        List->Value = VarToStr(Value);
        Log.push_back(Value.IsNull() ? "set null" : "set " + VarToStr(Value));
    }
    Variant GetPopupValue() override { return Variant(List->Value); }
    void PopupChange() override { Log.push_back("popup change"); }
};

using THost = TScreenHost;

TEST(TComboEditTest, ButtonAndClickKeyFollowWidthReadOnlyAndDirectInput) {
    THost host;
    auto* edit = host.Make<TComboEdit>("ComboEdit1");
    host.Form->Show();
    edit->SetFocus();
    PumpUntilIdle();
    int clicks = 0;
    edit->OnButtonClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(edit->ButtonWidth(), 21);
    EXPECT_EQ(edit->ClickKey(), 32808);
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    EXPECT_EQ(clicks, 1);
    SendClick(edit->Button(), 5, 5);
    EXPECT_EQ(clicks, 2);

    // As the main window's recipient field: no button, Insert clicks it.
    edit->SetButtonWidth(0);
    edit->SetClickKey(VK_INSERT);
    EXPECT_FALSE(edit->Button()->Parent()->Visible());
    SendKey(edit, VK_INSERT);
    EXPECT_EQ(clicks, 2);
    edit->SetButtonWidth(21);
    SendKey(edit, VK_INSERT);
    EXPECT_EQ(clicks, 3);

    edit->SetReadOnly(true);
    SendClick(edit->Button(), 5, 5);
    SendKey(edit, VK_INSERT);
    EXPECT_EQ(clicks, 3);

    // Without direct input typing and paste do nothing; the button works.
    edit->SetReadOnly(false);
    edit->SetDirectInput(false);
    edit->SetText("");
    TypeText(edit, "abc");
    Clipboard()->SetAsText("pasted");
    SendKey(edit, 'V', TShiftState{ssCtrl});
    EXPECT_EQ(edit->Text(), "");
    SendClick(edit->Button(), 5, 5);
    EXPECT_EQ(clicks, 4);
    edit->SetDirectInput(true);
    TypeText(edit, "abc");
    EXPECT_EQ(edit->Text(), "abc");
}

TEST(TComboEditTest, GlyphKindsGiveThePicturesAndWidths) {
    THost host;
    auto* edit = host.Make<TComboEdit>("ComboEdit1");
    edit->SetGlyphKind(gkDefault);  // no default picture here
    EXPECT_EQ(edit->ButtonWidth(), 21);
    EXPECT_TRUE(edit->Glyph()->Empty());

    edit->SetGlyphKind(gkEllipsis);
    // 15 pixels wide: gap min(9 div 2, 3) = 3, start (15 - 6 - 6) div 2 = 1.
    TBitmap* dots = edit->Glyph();
    ASSERT_EQ(dots->Width(), 15);
    ASSERT_EQ(dots->Height(), 4);
    for (Integer x = 0; x < 15; ++x) {
        const bool ink = x == 1 || x == 2 || x == 6 || x == 7 || x == 11 || x == 12;
        EXPECT_EQ(dots->GetPixel(x, 1) & 0xFFFFFF, ink ? clBlack : clWhite) << x;
        EXPECT_EQ(dots->GetPixel(x, 0) & 0xFFFFFF, clWhite) << x;
    }
    EXPECT_EQ(edit->NumGlyphs(), 1);

    edit->SetGlyphKind(gkDropDown);
    EXPECT_EQ(edit->ButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(edit->DefaultButtonWidth(), GetSystemMetrics(SM_CXVSCROLL));

    auto picture = std::make_unique<TBitmap>();
    picture->SetSize(80, 16);
    edit->SetGlyph(picture.get());
    EXPECT_EQ(edit->GlyphKind(), gkCustom);
    edit->SetNumGlyphs(5);
    EXPECT_EQ(edit->NumGlyphs(), 4);
    edit->SetNumGlyphs(0);
    EXPECT_EQ(edit->NumGlyphs(), 1);
}

TEST(TComboEditTest, ButtonIsDrawnWithItsLeftEdgeLines) {
    THost host;
    auto* edit = host.Make<TComboEdit>("ComboEdit1");
    host.Form->Show();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(edit->Button(), shot));
    EXPECT_EQ(shot.Width(), 21);
    EXPECT_EQ(shot.Height(), 17);
    for (Integer y = 0; y < 17; ++y) EXPECT_EQ(shot.GetPixel(0, y) & 0xFFFFFF, ColorToRGB(clBtnFace)) << y;
    for (Integer y = 1; y < 16; ++y) EXPECT_EQ(shot.GetPixel(1, y) & 0xFFFFFF, ColorToRGB(clBtnHighlight)) << y;
    EXPECT_EQ(shot.GetPixel(20, 16) & 0xFFFFFF, ColorToRGB(clWindowFrame));
}

struct TCaretEdit : TComboEdit {
    using TComboEdit::TComboEdit;
    using TComboEdit::CaretWidth;
};

TEST(TComboEditTest, BoldFontGivesATwoPixelCaret) {
    THost host;
    auto* edit = host.Make<TCaretEdit>("ComboEdit1");
    host.Form->Show();
    edit->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(edit->CaretWidth(), 1);
    edit->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_EQ(edit->CaretWidth(), 2);
}

TEST(TComboEditTest, PopupStaysOnTheScreen) {
    THost host;
    auto* edit = host.Make<TPopupEdit>("Edit1");
    host.Form->Show();
    PumpUntilIdle();
    const TPoint at = edit->ClientToScreen(Point(0, 0));
    edit->PopupDropDown(false);
    ASSERT_TRUE(edit->PopupVisible());
    // Below the edit, its right edge at the edit's right edge.
    EXPECT_EQ(edit->List->Top(), at.y + 21);
    EXPECT_EQ(edit->List->Left(), at.x + 150 - 100);
    EXPECT_EQ(edit->Log, std::vector<AnsiString>{"set null"});
    edit->PopupCloseUp(edit, false);
    EXPECT_FALSE(edit->List->Visible());

    // Too low for the popup: it opens above; too wide to the left: aligned
    // to the edit's left edge.
    host.Form->SetBounds(0, 700, 400, 60);
    edit->List->SetWidth(300);
    PumpUntilIdle();
    const TPoint low = edit->ClientToScreen(Point(0, 0));
    edit->PopupDropDown(false);
    EXPECT_EQ(edit->List->Top(), low.y - 80);
    EXPECT_EQ(edit->List->Left(), low.x);
    edit->PopupCloseUp(edit, false);

    // Taller than the room above and below: the top is kept on the screen.
    edit->List->SetHeight(760);
    edit->SetPopupAlign(epaLeft);
    edit->List->SetWidth(1100);
    edit->PopupDropDown(false);
    EXPECT_EQ(edit->List->Top(), 0);
    EXPECT_EQ(edit->List->Left(), 0);
    edit->PopupCloseUp(edit, false);
}

TEST(TComboEditTest, EnterAcceptsEscapeAndOutsideClicksDiscard) {
    THost host;
    auto* edit = host.Make<TPopupEdit>("Edit1");
    auto* other = host.Make<TEdit>("Edit2", 60);
    host.Form->Show();
    edit->SetFocus();
    PumpUntilIdle();
    edit->SetText("Praha");
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };

    SendClick(edit->Button(), 5, 5);
    ASSERT_TRUE(edit->PopupVisible());
    EXPECT_EQ(edit->List->Value, "Praha");
    EXPECT_TRUE(edit->Button()->Enabled());
    edit->List->Value = "Brno";
    SendKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "Brno");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(edit->SelLength(), 4);

    // The same value again: no change.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    ASSERT_TRUE(edit->PopupVisible());
    SendKey(edit, VK_RETURN);
    EXPECT_EQ(changes, 1);

    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    edit->List->Value = "Ostrava";
    SendKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "Brno");

    // A click elsewhere on the form closes it without taking the value.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    edit->List->Value = "Plzeň";
    SendClick(host.Form, 300, 250);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "Brno");

    // Clicking the button of a shown popup closes it with the value and does
    // not open it again.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    edit->List->Value = "Plzeň";
    int buttonClicks = 0;
    edit->OnButtonClick = [&](TObject*) { ++buttonClicks; };
    SendClick(edit->Button(), 5, 5);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "Plzeň");
    EXPECT_EQ(buttonClicks, 0);

    // The button's popup takes no typing; one dropped down for typing
    // hears of each change instead of OnChange.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    TypeText(edit, "x");
    EXPECT_EQ(edit->Text(), "Plzeň");
    SendKey(edit, VK_ESCAPE);
    edit->Log.clear();
    edit->PopupDropDown(false);
    edit->SetSelStart(5);
    TypeText(edit, "x");
    EXPECT_EQ(edit->Text(), "Plzeňx");
    EXPECT_EQ(edit->Log, (std::vector<AnsiString>{"set Plzeň", "popup change"}));
    EXPECT_EQ(changes, 2);
    other->SetFocus();
    PumpUntilIdle();
    EXPECT_FALSE(edit->PopupVisible());  // losing the focus closes it
}

TEST(TComboEditTest, FormFileKeepsOnlyWhatDiffersFromTheGlyphKind) {
    THost host;
    host.Form->SetName("fMain");
    auto* edit = host.Make<TComboEdit>("ComboEdit1");
    edit->SetGlyphKind(gkDropDown);
    AnsiString text = WriteComponent(host.Form);
    EXPECT_NE(text.find("GlyphKind = gkDropDown"), AnsiString::npos) << text;
    EXPECT_EQ(text.find("ButtonWidth"), AnsiString::npos) << text;
    EXPECT_EQ(text.find("Glyph ="), AnsiString::npos) << text;
    EXPECT_EQ(text.find("TEditButton"), AnsiString::npos) << text;

    // The main window's recipient field: no button, Insert clicks it.
    edit->SetGlyphKind(gkDefault);
    edit->SetButtonWidth(0);
    edit->SetClickKey(VK_INSERT);
    edit->SetHint("Zadejte jméno nebo číslo adresáta");
    text = WriteComponent(host.Form);
    EXPECT_NE(text.find("ButtonWidth = 0"), AnsiString::npos) << text;
    std::unique_ptr<TComponent> copy(ReadComponent(text, nullptr, "main.form"));
    auto* read = dynamic_cast<TComboEdit*>(copy->FindComponent("ComboEdit1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->ButtonWidth(), 0);
    EXPECT_EQ(read->ClickKey(), VK_INSERT);
    EXPECT_EQ(read->GlyphKind(), gkDefault);
    EXPECT_EQ(WriteComponent(copy.get()), text);
}

}  // namespace
