#include "components/VmLookup.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/gfx/Bitmap.h"
#include "platform/ui/TestSupport.h"
#include "components/tests/ScreenHost.h"
#include "tables/memdset.h"

namespace {

// The countries table as the data module has it, in its order by Jmeno.
struct TCountries {
    TCountries() {
        Table->SetName("Staty");
        Jmeno = Add("Jmeno", 20);
        Predcisli = Add("Predcisli", 20);
        Predcisli->SetAlignment(taRightJustify);
        Table->Open();
        for (const auto& [name, prefix] : std::vector<std::pair<const char*, const char*>>{
                 {"Belgie", "32"}, {"Czech rep", "420"}, {"Česko", "420"}, {"Dánsko", "45"},
                 {"Francie", "33"}, {"Německo", "49"}, {"Norsko", "47"}, {"Polsko", "48"},
                 {"Rakousko", "43"}, {"Slovensko", "421"}, {"Švédsko", "46"}}) {
            Table->Append();
            Jmeno->SetAsString(name);
            Predcisli->SetAsString(prefix);
            Table->Post();
        }
        Table->First();
        Source->SetDataSet(Table);
    }
    TStringField* Add(const char* Name, int Size) {
        auto* f = new TStringField(Owner.get());
        f->SetSize(Size);
        f->SetFieldName(Name);
        f->SetDataSet(Table);
        return f;
    }
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* Table = new TMemData(Owner.get());
    TDataSource* Source = new TDataSource(Owner.get());
    TStringField* Jmeno;
    TStringField* Predcisli;
};

using THost = TScreenHost;

// Opens what the tests look at.
class TTestList : public TVmDBLookupList {
public:
    using TVmDBLookupList::TVmDBLookupList;
    using TVmDBLookupList::LookupLink;
    Integer Rows() const { return RowsRect().Top; }
    TRect RowRect(Integer Row) const {
        const TRect r = RowsRect();
        return Rect(r.Left, r.Top + Row * ItemHeight(), r.Right, r.Top + (Row + 1) * ItemHeight());
    }
};

TTestList* MakeList(THost& Host, TCountries& Data) {
    auto* list = new TTestList(Host.Form);
    list->SetName("List1");
    list->SetParent(Host.Form);
    list->SetBounds(8, 8, 200, 100);
    list->SetLookupSource(Data.Source);
    list->SetLookupField("Jmeno");
    list->SetLookupDisplay("Jmeno;Predcisli");
    return list;
}

TEST(TVmDBLookupListTest, HeightIsWholeRowsAndTheEmptyRowTakesOne) {
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    const Integer h = list->ItemHeight();
    EXPECT_EQ(list->Height() % h, 4 % h);  // a 2-pixel frame above and below
    list->SetRowCount(7);
    EXPECT_EQ(list->Height(), 4 + 7 * h);
    EXPECT_EQ(list->LookupLink()->BufferCount(), 7);
    list->SetDisplayEmpty("(žádný)");
    EXPECT_EQ(list->LookupLink()->BufferCount(), 6);
    list->SetRowCount(80);
    EXPECT_EQ(list->RowCount(), 50);
    list->SetRowCount(0);
    EXPECT_EQ(list->RowCount(), 1);
    list->SetHeight(4 + 3 * h + h / 2);
    EXPECT_EQ(list->RowCount(), 3);
    EXPECT_EQ(list->Height(), 4 + 3 * h);
    list->SetItemHeight(1);
    EXPECT_EQ(list->ItemHeight(), h);  // never below the text
}

TEST(TVmDBLookupListTest, KeysMoveThroughTheRecordsAndTheEmptyRow) {
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    list->SetDisplayEmpty("(žádný)");
    host.Form->Show();
    list->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(list->Value(), "");
    SendKey(list, VK_DOWN);
    EXPECT_EQ(list->Value(), "Belgie");
    SendKey(list, VK_DOWN);
    EXPECT_EQ(list->Value(), "Czech rep");
    EXPECT_EQ(list->DisplayValue(), "Czech rep");
    SendKey(list, VK_END);
    EXPECT_EQ(list->Value(), "Švédsko");
    SendKey(list, VK_HOME);
    EXPECT_EQ(list->Value(), "Belgie");
    SendKey(list, VK_UP);  // past the first record: the empty row
    EXPECT_EQ(list->Value(), "");
    EXPECT_EQ(list->Text(), "(žádný)");
    SendKey(list, VK_UP);
    EXPECT_EQ(list->Value(), "");

    // One row with the empty row: a page is still one record forward.
    list->SetRowCount(1);
    SendKey(list, VK_DOWN);
    EXPECT_EQ(list->Value(), "Belgie");
    SendKey(list, VK_NEXT);
    EXPECT_EQ(list->Value(), "Czech rep");
    SendKey(list, VK_NEXT);
    EXPECT_EQ(list->Value(), "Česko");
    SendKey(list, VK_PRIOR);
    EXPECT_EQ(list->Value(), "Czech rep");
}

TEST(TVmDBLookupListTest, TypingFindsByPrefixAndStartsAgainAfterAPause) {
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    Int64 now = 100000;
    SetLookupSearchClock([&] { return now; });
    auto restore = std::unique_ptr<void, void (*)(void*)>(nullptr, [](void*) { SetLookupSearchClock(nullptr); });
    host.Form->Show();
    list->SetFocus();
    PumpUntilIdle();
    TypeText(list, "n");
    EXPECT_EQ(list->Value(), "Německo");
    EXPECT_EQ(list->SearchText(), "N");
    TypeText(list, "o");
    EXPECT_EQ(list->Value(), "Norsko");
    TypeText(list, "x");  // nothing begins with "nox"
    EXPECT_EQ(list->SearchText(), "No");
    EXPECT_EQ(list->Value(), "Norsko");
    now += 2001;
    TypeText(list, "p");
    EXPECT_EQ(list->SearchText(), "P");
    EXPECT_EQ(list->Value(), "Polsko");
    TypeText(list, "\b");
    EXPECT_EQ(list->SearchText(), "");
    EXPECT_EQ(list->Value(), "Belgie");
}

TEST(TVmDBLookupListTest, HoldingTheMouseBelowScrollsFasterTheFarther) {
    TFakeTimerClock clock;
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    list->SetRowCount(4);
    host.Form->Show();
    list->SetFocus();
    PumpUntilIdle();
    const TRect row1 = list->RowRect(1);
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(10, row1.Top + 2));
    EXPECT_EQ(list->Value(), "Czech rep");
    const Integer bottom = list->RowRect(3).Bottom;
    // Distance 10 below the rows: one record now and one every 50 ms.
    list->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(10, bottom + 9));
    const AnsiString first = list->Value();
    EXPECT_EQ(first, "Francie");  // the last row shown, then one more
    clock.Advance(49);
    EXPECT_EQ(list->Value(), first);
    clock.Advance(1);
    EXPECT_EQ(list->Value(), "Německo");
    // Distance 14: an interval of 0, as fast as the timer goes (10 ms).
    list->Perform(WM_MOUSEMOVE, MK_LBUTTON, MakeLParam(10, bottom + 13));
    EXPECT_EQ(list->Value(), "Norsko");
    clock.Advance(10);
    EXPECT_EQ(list->Value(), "Polsko");
    clock.Advance(30);
    EXPECT_EQ(list->Value(), "Švédsko");
    list->Perform(WM_LBUTTONUP, 0, MakeLParam(10, bottom + 13));
    clock.Advance(500);
    EXPECT_EQ(list->Value(), "Švédsko");
}

TEST(TVmDBLookupListTest, RowsAreDrawnInColumnsWithTheSelectionAndEmptyRow) {
    TCountries data;
    THost host;
    data.Jmeno->SetDisplayWidth(8);
    auto* list = MakeList(host, data);
    list->SetDisplayEmpty("(žádný)");
    list->SetEmptyItemColor(clYellow);
    list->SetValue("Česko");
    host.Form->Show();
    PumpUntilIdle();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(list, shot));
    auto at = [&](Integer x, Integer y) { return shot.GetPixel(x, y) & 0xFFFFFF; };
    // Row 0 the empty row, rows 1.. the records: Česko is the third.
    EXPECT_EQ(at(list->RowRect(0).Right - 3, list->RowRect(0).Top + 2), clYellow);
    const TRect selected = list->RowRect(3);
    EXPECT_EQ(at(selected.Right - 3, selected.Top + 2), ColorToRGB(clHighlight));
    EXPECT_EQ(at(selected.Right - 3, list->RowRect(2).Top + 2), ColorToRGB(clWindow));
    // The name column is its display width of "M"s and 4 wide; a line ends it.
    TCanvas* canvas = list->Canvas();
    canvas->Font()->Assign(list->Font());
    const Integer line = selected.Left + 8 * canvas->TextWidth("M") + 4 - 1;
    const TRect other = list->RowRect(2);
    EXPECT_EQ(at(line, other.Top + 1), ColorToRGB(clBtnFace));
    EXPECT_EQ(at(line - 1, other.Top + 1), ColorToRGB(clWindow));
    SaveControlToPng(host.Form, AnsiString(VEMLOR_TEST_OUTPUT) + "/lookup/list.png");
}

TEST(TVmDBLookupListTest, ScrollBarHasFivePositionsAndScrollsPastTheRows) {
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    list->SetRowCount(4);
    host.Form->Show();
    PumpUntilIdle();
    auto* bar = dynamic_cast<TScrollBar*>(list->Controls(0));
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Max(), 4);
    EXPECT_EQ(bar->Position(), 0);
    Integer pos = 0;
    FireEvent(bar->OnScroll, bar, scLineDown, pos);  // the record below the rows
    EXPECT_EQ(data.Jmeno->AsString(), "Francie");
    EXPECT_EQ(bar->Position(), 2);
    pos = 4;
    FireEvent(bar->OnScroll, bar, scPosition, pos);
    EXPECT_EQ(data.Jmeno->AsString(), "Švédsko");
    EXPECT_EQ(bar->Position(), 4);
    EXPECT_EQ(list->Value(), "");  // scrolling selects nothing

    // The wheel scrolls as the arrows of the bar do.
    pos = 0;
    FireEvent(bar->OnScroll, bar, scPosition, pos);
    const TRect rows = list->RowRect(1);
    SendWheel(list, rows.Left + 5, rows.Top + 2, -1);
    EXPECT_EQ(data.Jmeno->AsString(), "Francie");
    SendWheel(list, rows.Left + 5, rows.Top + 2, -1);
    EXPECT_EQ(data.Jmeno->AsString(), "Německo");
    SendWheel(list, rows.Left + 5, rows.Top + 2, 1);
    EXPECT_EQ(data.Jmeno->AsString(), "Czech rep");
    EXPECT_EQ(list->Value(), "");

    // Fewer records than rows: no range, no bar.
    list->SetRowCount(20);
    EXPECT_FALSE(bar->Visible());
}

TEST(TVmDBLookupListTest, PicturesSitInTheirMarginBeforeTheText) {
    TCountries data;
    THost host;
    auto* list = MakeList(host, data);
    list->SetLookupDisplay("Jmeno");
    TBitmap flag;
    flag.SetPixelFormat(pf24bit);
    flag.SetSize(6, 6);
    flag.Canvas()->Brush()->SetColor(clRed);
    flag.Canvas()->FillRect(Rect(0, 0, 6, 6));
    flag.SetPixel(0, 5, clLime);  // the bottom-left pixel: transparent
    std::vector<bool> empties;
    list->OnGetImage = [&](TObject* Sender, bool IsEmpty, TGraphic*& Graphic, Integer& TextMargin) {
        EXPECT_EQ(Sender, list);
        empties.push_back(IsEmpty);
        Graphic = &flag;
        TextMargin = 20;
    };
    host.Form->Show();
    PumpUntilIdle();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(list, shot));
    const TRect row = list->RowRect(0);
    const Integer x = row.Left + (20 - 6) / 2, y = row.Top + (list->ItemHeight() - 6) / 2;
    EXPECT_EQ(shot.GetPixel(x + 3, y + 2) & 0xFFFFFF, clRed);
    EXPECT_EQ(shot.GetPixel(x, y + 5) & 0xFFFFFF, ColorToRGB(clWindow));
    // The text starts after the margin.
    for (Integer px = row.Left; px < row.Left + 20; ++px)
        for (Integer py = row.Top; py < row.Bottom; ++py) EXPECT_NE(shot.GetPixel(px, py) & 0xFFFFFF, 0) << px;
    ASSERT_FALSE(empties.empty());
    EXPECT_FALSE(empties.front());
}

TEST(TVmDBLookupListTest, BoundFieldTakesTheKeyAndLinksAreChecked) {
    TCountries data;
    TCountries contacts;  // another table with a "Jmeno" field stands for the contacts
    THost host;
    auto* list = MakeList(host, data);
    EXPECT_THROW(list->SetDataSource(data.Source), EDatabaseError);
    list->SetDataSource(contacts.Source);
    list->SetDataField("Jmeno");
    EXPECT_EQ(list->Value(), "Belgie");  // the bound field's value
    host.Form->Show();
    list->SetFocus();
    PumpUntilIdle();
    SendKey(list, VK_DOWN);
    EXPECT_EQ(contacts.Jmeno->AsString(), "Czech rep");
    EXPECT_EQ(list->Value(), "Czech rep");
    // The empty row with an empty EmptyValue clears the field.
    list->SetDisplayEmpty("(žádný)");
    SendKey(list, VK_HOME);
    SendKey(list, VK_UP);
    EXPECT_TRUE(contacts.Jmeno->IsNull());
    contacts.Table->Cancel();
    contacts.Table->Next();
    EXPECT_EQ(list->Value(), "Czech rep");
    delete contacts.Source;
    contacts.Source = nullptr;
    EXPECT_EQ(list->DataSource(), nullptr);
}

// ---------------------------------------------------------------------------
// The lookup editor, as the settings window's home-country field.

class TLookupHost : public THost {
public:
    explicit TLookupHost(TCountries& Data) {
        Edit = new TVmLookupEdit(Form);
        Edit->SetName("LookupStaty");
        Edit->SetParent(Form);
        Edit->SetBounds(8, 8, 160, 21);
        Edit->SetLookupSource(Data.Source);
        Edit->SetLookupField("Jmeno");
        Edit->SetLookupDisplay("Jmeno");
        Form->Show();
        Edit->SetFocus();
        PumpUntilIdle();
    }
    TVmLookupEdit* Edit;
};

TEST(TVmLookupEditTest, OpeningTheListHighlightsTheNameInTheEdit) {
    TCountries data;
    TLookupHost host(data);
    TVmLookupEdit* edit = host.Edit;
    EXPECT_EQ(edit->GlyphKind(), gkDropDown);
    edit->SetText("německo");
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    ASSERT_TRUE(edit->PopupVisible());
    EXPECT_TRUE(edit->List()->Visible());
    EXPECT_EQ(edit->List()->Value(), "Německo");
    EXPECT_EQ(edit->List()->Width(), 160);
    EXPECT_EQ(edit->List()->RowCount(), 8);
    SaveControlToPng(edit->List(), AnsiString(VEMLOR_TEST_OUTPUT) + "/lookup/popup.png");
    SendKey(edit, VK_ESCAPE);
    EXPECT_EQ(edit->Text(), "německo");

    edit->SetText("Atlantida");
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    EXPECT_EQ(edit->List()->Value(), "");
    EXPECT_TRUE(data.Table->Bof() || data.Jmeno->AsString() == "Belgie");
    SendKey(edit, VK_ESCAPE);

    edit->SetDropDownCount(0);
    EXPECT_EQ(edit->DropDownCount(), 1);
    edit->SetDropDownCount(80);
    EXPECT_EQ(edit->DropDownCount(), 50);
}

TEST(TVmLookupEditTest, TypingWithTheListOpenCompletesTheName) {
    TCountries data;
    TLookupHost host(data);
    TVmLookupEdit* edit = host.Edit;
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    TypeText(edit, "sl");
    EXPECT_EQ(edit->Text(), "Slovensko");
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_EQ(edit->SelLength(), 7);
    EXPECT_EQ(edit->List()->Value(), "Slovensko");
    SendKey(edit, VK_BACK);  // takes the completed part away, no new completion
    EXPECT_EQ(edit->Text(), "Sl");
    TypeText(edit, "o");
    EXPECT_EQ(edit->Text(), "Slovensko");
    SendKey(edit, VK_DELETE);  // the same for Delete over the completed part
    EXPECT_EQ(edit->Text(), "Slo");
    EXPECT_EQ(edit->SelLength(), 0);
    // Without a selection Delete edits what was typed, which completes again.
    edit->SetSelStart(2);
    SendKey(edit, VK_DELETE);
    EXPECT_EQ(edit->Text(), "Slovensko");
    EXPECT_EQ(edit->SelStart(), 2);
    TypeText(edit, "x");
    EXPECT_EQ(edit->Text(), "Slx");
    EXPECT_EQ(edit->List()->Value(), "");
    EXPECT_EQ(changes, 0);
    SendKey(edit, VK_ESCAPE);
    EXPECT_FALSE(edit->PopupVisible());

    // With the list closed typing only changes the text.
    edit->SetText("");
    changes = 0;
    TypeText(edit, "po");
    EXPECT_EQ(edit->Text(), "po");
    EXPECT_EQ(changes, 2);
    // Unless completion is asked for with the list closed too.
    edit->SetPopupOnlyLocate(false);
    edit->SetText("");
    TypeText(edit, "ra");
    EXPECT_EQ(edit->Text(), "Rakousko");
}

TEST(TVmLookupEditTest, ArrowsStepThroughTheRecordsWithTheListClosed) {
    TCountries data;
    TLookupHost host(data);
    TVmLookupEdit* edit = host.Edit;
    SendKey(edit, VK_DOWN);
    EXPECT_EQ(edit->Text(), "Belgie");
    SendKey(edit, VK_DOWN);
    EXPECT_EQ(edit->Text(), "Czech rep");
    SendKey(edit, VK_UP);
    EXPECT_EQ(edit->Text(), "Belgie");
    EXPECT_FALSE(edit->PopupVisible());
}

TEST(TVmLookupEditTest, PickingWritesAtOnceAndEnterAddsNoChange) {
    TCountries data;
    TLookupHost host(data);
    TVmLookupEdit* edit = host.Edit;
    int changes = 0, closeUps = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->OnCloseUp = [&](TObject*) { ++closeUps; };
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    SendKey(edit, VK_DOWN);
    SendKey(edit, VK_DOWN);
    EXPECT_EQ(edit->Text(), "Czech rep");
    EXPECT_EQ(changes, 0);
    SendKey(edit, VK_RETURN);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(closeUps, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(edit->Text(), "Czech rep");

    // A click in the list picks its row; the release inside accepts it.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    TVmDBLookupList* list = edit->List();
    const Integer h = list->ItemHeight();
    SendClick(list, 10, 1 + 4 * h + 2);
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(edit->Text(), "Francie");
    EXPECT_EQ(closeUps, 2);

    // A drag released outside the list closes it without accepting.
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(10, 1 + 2));
    EXPECT_EQ(edit->Text(), "Belgie");
    list->Perform(WM_LBUTTONUP, 0, MakeLParam(list->Width() + 30, 1 + 2));
    EXPECT_FALSE(edit->PopupVisible());
    EXPECT_EQ(closeUps, 2);
}

TEST(TVmLookupEditTest, ReadOnlyEditorNeitherDropsDownNorCompletes) {
    TCountries data;
    TLookupHost host(data);
    TVmLookupEdit* edit = host.Edit;
    edit->SetReadOnly(true);
    SendKey(edit, VK_DOWN, TShiftState{ssAlt});
    SendClick(edit->Button(), 3, 3);
    EXPECT_FALSE(edit->PopupVisible());
    SendKey(edit, VK_DOWN);
    EXPECT_EQ(edit->Text(), "");
}

}  // namespace
