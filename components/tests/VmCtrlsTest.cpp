#include "components/VmCtrls.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <variant>
#include <vector>

#include "components/Placemnt.h"
#include "platform/classes/Filer.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/TestSupport.h"

namespace {

// Opens the protected parts the tests look at.
class TTestListBox : public TVmCustomListBox {
public:
    using TVmCustomListBox::TVmCustomListBox;
    using TVmCustomListBox::Canvas;
};

struct THost {
    THost() {
        Form = new TForm(nullptr);
        Form->SetBounds(10, 10, 300, 220);
    }
    ~THost() {
        Form->Free();
        PumpUntilIdle();
    }
    template <class T>
    T* Make(const char* Name) {
        T* c = new T(Form);
        c->SetName(Name);
        c->SetParent(Form);
        c->SetBounds(8, 8, 150, 120);
        return c;
    }
    TForm* Form;
};

TColor PixelAt(TControl* Control, Integer X, Integer Y) {
    TBitmap shot;
    EXPECT_TRUE(GrabControl(Control, shot));
    return shot.GetPixel(X, Y) & 0xFFFFFF;
}

TEST(TVmCustomListBoxTest, PropertiesKeepTheirLimits) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->SetTabWidth(-3);
    EXPECT_EQ(list->TabWidth(), 0);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(0);
    EXPECT_EQ(list->ItemHeight(), 16);
    EXPECT_TRUE(list->AutoScroll());

    // (121 + 3 - 3) div 3 pixels for each of three columns.
    list->SetWidth(121);
    list->SetColumns(3);
    EXPECT_FALSE(list->AutoScroll());
    for (const char* s : {"a", "b", "c", "d", "e", "f", "g", "h"}) list->Items()->Add(s);
    EXPECT_EQ(list->ItemRect(0).Width(), 40);
    list->SetColumns(2);
    EXPECT_EQ(list->ItemRect(0).Width(), (121 + 2 - 3) / 2);
}

TEST(TVmCustomListBoxTest, ItemsTakeAnyTextAnyDatumAndCheckTheirIndex) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    const AnsiString longText(5000, 'x');
    list->Items()->AddObject(longText, reinterpret_cast<TObject*>(std::intptr_t(-1)));
    list->Items()->Add("short");
    EXPECT_EQ(list->Items()->Strings(0), longText);
    // -1 is a datum like any other, not an error.
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(list->Items()->Objects(0)), -1);
    EXPECT_EQ(list->Items()->Objects(1), nullptr);
    EXPECT_THROW(list->Items()->Objects(2), EStringListError);
    EXPECT_THROW(list->Items()->Strings(-1), EStringListError);
    EXPECT_THROW(list->Items()->SetObjects(7, nullptr), EStringListError);
    EXPECT_THROW(list->Selected(-1), EListError);
    // A line the window refuses to take.
    EXPECT_THROW(list->Items()->Insert(9, "far"), EOutOfResources);
    EXPECT_EQ(list->Items()->Count(), 2);
}

TEST(TVmCustomListBoxTest, ItemRectAndItemAtPosAnswerAroundTheItems) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->SetStyle(lbOwnerDrawFixed);
    EXPECT_FALSE(list->ItemRect(0).IsEmpty());  // where the first item will go
    list->Items()->SetCommaText("a,b,c");
    const TRect last = list->ItemRect(2);
    const TRect next = list->ItemRect(3);
    EXPECT_EQ(next.Top, last.Bottom);
    EXPECT_EQ(next.Height(), last.Height());
    EXPECT_TRUE(list->ItemRect(4).IsEmpty());
    EXPECT_TRUE(list->ItemRect(-1).IsEmpty());

    EXPECT_EQ(list->ItemAtPos(Point(last.Left + 3, last.Top + 1), true), 2);
    const TPoint below = Point(next.Left + 3, next.Top + 2);
    EXPECT_EQ(list->ItemAtPos(below, true), -1);
    EXPECT_EQ(list->ItemAtPos(below, false), 3);
    EXPECT_EQ(list->ItemAtPos(Point(-5, 2), false), -1);
}

TEST(TVmCustomListBoxTest, HorizontalExtentFollowsTheWidestItem) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->Items()->Add("ab");
    list->Items()->Add("abcdef");
    const Integer twoItems = list->HorizontalExtent();
    EXPECT_GT(twoItems, 0);
    list->Items()->Add("abcdefghijklmnopqrstuvwxyz");
    const Integer widest = list->HorizontalExtent();
    EXPECT_GT(widest, twoItems);
    list->Items()->Delete(0);  // narrower: nothing changes
    EXPECT_EQ(list->HorizontalExtent(), widest);
    list->Items()->Insert(0, "ab");
    list->Items()->Delete(2);  // the widest: back to the next widest
    EXPECT_EQ(list->HorizontalExtent(), twoItems);
    list->SetColumns(2);
    EXPECT_EQ(list->HorizontalExtent(), 0);
    list->SetColumns(0);
    EXPECT_EQ(list->HorizontalExtent(), twoItems);
    list->Items()->Clear();
    EXPECT_EQ(list->HorizontalExtent(), 0);
}

TEST(TVmCustomListBoxTest, RecreatingTheWindowKeepsItemsObjectsAndPositions) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->Items()->AddObject("Cyril", reinterpret_cast<TObject*>(std::intptr_t(3)));
    list->Items()->AddObject("Adam", reinterpret_cast<TObject*>(std::intptr_t(1)));
    list->Items()->AddObject("Božena", reinterpret_cast<TObject*>(std::intptr_t(2)));
    list->SetItemIndex(1);
    list->SetSorted(true);
    EXPECT_EQ(list->Items()->CommaText(), "Adam,Božena,Cyril");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(reinterpret_cast<std::intptr_t>(list->Items()->Objects(i)), i + 1);
    EXPECT_EQ(list->ItemIndex(), 1);
    // A sorted window places new items too.
    list->Items()->Add("Bára");
    EXPECT_EQ(list->Items()->CommaText(), "Adam,Bára,Božena,Cyril");
}

TEST(TVmCustomListBoxTest, OwnerDrawingGetsEachItemsRectangleAndMeasuredHeight) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->OnMeasureItem = [](TWinControl*, Integer Index, Integer& Height) { Height = 10 + 2 * Index; };
    list->SetStyle(lbOwnerDrawVariable);
    list->Items()->SetCommaText("a,b,c");
    EXPECT_EQ(list->ItemRect(0).Height(), 10);
    EXPECT_EQ(list->ItemRect(2).Height(), 14);
    std::vector<std::pair<Integer, TRect>> drawn;
    list->OnDrawItem = [&](TWinControl* Control, Integer Index, const TRect& Rect, TOwnerDrawState) {
        EXPECT_EQ(Control, list);
        drawn.emplace_back(Index, Rect);
        list->Canvas()->Brush()->SetColor(clRed);
        list->Canvas()->FillRect(Rect);
    };
    host.Form->Show();
    EXPECT_EQ(PixelAt(list, list->ItemRect(1).Left + 5, list->ItemRect(1).Top + 5), clRed);
    ASSERT_GE(drawn.size(), 3u);
    for (const auto& [index, rect] : drawn) EXPECT_EQ(rect, list->ItemRect(index));
}

TEST(TVmCustomListBoxTest, GraySelectionShowsButtonColoursWithoutTheFocus) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    auto* other = host.Make<TTestListBox>("Other");
    other->SetLeft(170);
    list->SetStyle(lbOwnerDrawFixed);
    list->Items()->SetCommaText("a,b");
    list->SetItemIndex(1);
    host.Form->Show();
    other->SetFocus();
    PumpUntilIdle();
    const TRect r = list->ItemRect(1);
    const Integer x = r.Right - 4, y = r.Top + r.Height() / 2;
    EXPECT_EQ(PixelAt(list, x, y), ColorToRGB(clHighlight));
    list->SetGraySelection(true);
    EXPECT_EQ(PixelAt(list, x, y), ColorToRGB(clBtnFace));
    list->SetFocus();
    PumpUntilIdle();
    EXPECT_EQ(PixelAt(list, x, y), ColorToRGB(clHighlight));
}

TEST(TVmCustomListBoxTest, TabsMoveTheTextToTheNextStop) {
    THost host;
    auto* list = host.Make<TTestListBox>("List");
    list->SetStyle(lbOwnerDrawFixed);
    list->SetTabWidth(40);  // ten widths of "0"
    list->Items()->Add("\tX");
    host.Form->Show();
    TBitmap shot;
    ASSERT_TRUE(GrabControl(list, shot));
    const TRect r = list->ItemRect(0);
    TCanvas* canvas = list->Canvas();
    canvas->Font()->Assign(list->Font());
    const Integer stop = canvas->TextWidth("0") * 10;
    Integer first = -1;
    for (Integer x = r.Left; x < r.Right && first < 0; ++x)
        for (Integer y = r.Top; y < r.Bottom; ++y)
            if ((shot.GetPixel(x, y) & 0xFFFFFF) == 0) {
                first = x;
                break;
            }
    EXPECT_GE(first, r.Left + 2 + stop);
    EXPECT_LT(first, r.Left + 2 + stop + canvas->TextWidth("X"));
}

}  // namespace

// ---------------------------------------------------------------------------

namespace {

TVmCheckListBox* MakeCheckList(THost& Host, const char* Items) {
    auto* list = Host.Make<TVmCheckListBox>("CheckLB1");
    list->Items()->SetCommaText(Items);
    return list;
}

// Where a click lands on an item: in its check area, or on its text.
TPoint CheckPoint(TVmCheckListBox* List, Integer Index) {
    const TRect r = List->ItemRect(Index);
    return Point(r.Left + 8, r.Top + r.Height() / 2);
}
TPoint TextPoint(TVmCheckListBox* List, Integer Index) {
    const TRect r = List->ItemRect(Index);
    return Point(r.Left + List->CheckWidth() + 10, r.Top + r.Height() / 2);
}

TEST(TVmCheckListBoxTest, RadioListKeepsExactlyOneCheckedItem) {
    THost host;
    auto* list = host.Make<TVmCheckListBox>("CheckLB1");
    list->BeginLoading();
    list->Items()->SetCommaText("a,b,c");
    list->SetCheckKind(ckRadioButtons);
    list->EndLoading();
    EXPECT_EQ(list->CheckedIndex(), 0);  // none was checked: the first
    std::vector<Integer> changes;
    list->OnStateChange = [&](TObject*, Integer Index) { changes.push_back(Index); };
    list->SetState(0, cbUnchecked);
    EXPECT_TRUE(list->Checked(0));
    list->SetChecked(2, true);
    EXPECT_FALSE(list->Checked(0));
    EXPECT_EQ(list->CheckedIndex(), 2);
    EXPECT_EQ(changes, std::vector<Integer>{2});
    list->SetState(1, cbGrayed);  // reads as unchecked on a radio list
    EXPECT_EQ(list->State(1), cbUnchecked);
    list->SetCheckedIndex(-5);
    EXPECT_EQ(list->CheckedIndex(), 0);
    list->SetAllStates(cbChecked, false);
    EXPECT_EQ(list->CheckedIndex(), 0);

    list->SetCheckKind(ckCheckBoxes);
    EXPECT_EQ(list->CheckedIndex(), -1);
    list->SetCheckedIndex(2);
    EXPECT_FALSE(list->Checked(2));
    EXPECT_THROW(list->State(3), EStringListError);
    EXPECT_THROW(list->SetItemEnabled(-1, false), EStringListError);
}

TEST(TVmCheckListBoxTest, ClicksOnTheCheckAreaToggle) {
    THost host;
    auto* list = MakeCheckList(host, "Adam,Božena,Cyril");
    list->SetAllowGrayed(true);
    host.Form->Show();
    int clickChecks = 0;
    list->OnClickCheck = [&](TObject*) { ++clickChecks; };
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        SendClick(list, CheckPoint(list, 0).x, CheckPoint(list, 0).y);
        seen.push_back(list->State(0));
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    EXPECT_EQ(clickChecks, 3);

    // The text selects without toggling.
    SendClick(list, TextPoint(list, 1).x, TextPoint(list, 1).y);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->State(1), cbUnchecked);

    list->SetItemEnabled(2, false);
    SendClick(list, CheckPoint(list, 2).x, CheckPoint(list, 2).y);
    EXPECT_EQ(list->State(2), cbUnchecked);
    EXPECT_EQ(clickChecks, 3);

    list->SetCheckKind(ckRadioButtons);
    EXPECT_FALSE(list->AllowGrayed());
    SendClick(list, CheckPoint(list, 1).x, CheckPoint(list, 1).y);
    EXPECT_EQ(list->CheckedIndex(), 1);
}

TEST(TVmCheckListBoxTest, SpacePlusAndMinusChangeChecksFromTheKeyboard) {
    THost host;
    auto* list = MakeCheckList(host, "a,b,c,d");
    list->SetItemEnabled(2, false);
    host.Form->Show();
    list->SetFocus();
    PumpUntilIdle();
    int clickChecks = 0;
    list->OnClickCheck = [&](TObject*) { ++clickChecks; };
    char passedOn = 0;
    list->OnKeyPress = [&](TObject*, char& Key) { passedOn = Key; };
    list->SetItemIndex(1);
    SendKey(list, VK_SPACE);
    EXPECT_TRUE(list->Checked(1));
    EXPECT_EQ(clickChecks, 1);
    TypeText(list, "+");
    EXPECT_EQ(clickChecks, 2);
    EXPECT_EQ(passedOn, '+');
    EXPECT_TRUE(list->Checked(0) && list->Checked(1) && list->Checked(3));
    EXPECT_FALSE(list->Checked(2));
    TypeText(list, "-");
    EXPECT_EQ(clickChecks, 3);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(list->Checked(i));
}

TEST(TVmCheckListBoxTest, StatesTravelWithTheirItems) {
    THost host;
    auto* list = MakeCheckList(host, "c,a,d,b");
    list->Items()->SetObjects(0, reinterpret_cast<TObject*>(std::intptr_t(30)));
    list->SetState(0, cbChecked);
    list->SetState(1, cbGrayed);
    list->SetItemEnabled(2, false);

    list->Items()->Exchange(0, 1);
    EXPECT_EQ(list->Items()->CommaText(), "a,c,d,b");
    EXPECT_EQ(list->State(0), cbGrayed);
    EXPECT_EQ(list->State(1), cbChecked);
    list->Items()->Move(2, 0);
    EXPECT_EQ(list->Items()->CommaText(), "d,a,c,b");
    EXPECT_FALSE(list->ItemEnabled(0));
    EXPECT_EQ(list->State(2), cbChecked);

    list->SetSorted(true);  // the window is built again
    EXPECT_EQ(list->Items()->CommaText(), "a,b,c,d");
    EXPECT_EQ(list->State(0), cbGrayed);
    EXPECT_EQ(list->State(2), cbChecked);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(list->Items()->Objects(2)), 30);
    EXPECT_FALSE(list->ItemEnabled(3));
    EXPECT_TRUE(list->ItemEnabled(0));

    auto* copy = host.Make<TVmCheckListBox>("CheckLB2");
    copy->SetItems(list->Items());
    EXPECT_EQ(copy->State(2), cbChecked);
    EXPECT_FALSE(copy->ItemEnabled(3));
    list->Items()->Delete(2);
    list->Items()->Add("e");
    EXPECT_EQ(list->State(3), cbUnchecked);
}

// A window like the contact editor, with its storage and one check list.
class TfAdrEdit : public TForm {
public:
    explicit TfAdrEdit(const AnsiString& IniName) : TForm(nullptr) {
        BeginLoading();
        SetBounds(10, 10, 300, 220);
        Storage = new TFormStorage(this);
        Storage->SetName("FormStorage1");
        Storage->SetIniFileName(IniName);
        List = new TVmCheckListBox(this);
        List->SetName("CheckLB1");
        List->SetParent(this);
        List->Items()->SetCommaText("a,b,c");
        List->SetIniStorage(Storage);
        EndLoading();
    }
    TFormStorage* Storage;
    TVmCheckListBox* List;
};

AnsiString TestIni(const char* Name) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/checklist/";
    std::filesystem::create_directories(folder);
    const AnsiString ini = folder + Name;
    std::filesystem::remove(ini);
    return ini;
}

TEST(TVmCheckListBoxTest, StatesGoToTheSettingsFileThroughTheFormStorage) {
    const AnsiString ini = TestIni("states.ini");
    {
        TIniFile file(ini);
        file.WriteString("TfAdrEditCheckLB1", "Stale", "1");
    }
    auto* form = new TfAdrEdit(ini);
    form->Show();
    PumpUntilIdle();
    form->List->SetState(0, cbChecked);
    form->List->SetState(2, cbGrayed);
    form->Storage->SaveSettings();
    TIniFile file(ini);
    EXPECT_EQ(file.ReadSection("TfAdrEditCheckLB1"),
              (std::vector<AnsiString>{"Count", "Item0", "Item1", "Item2"}));
    EXPECT_EQ(file.ReadString("TfAdrEditCheckLB1", "Item0", ""), "1");
    EXPECT_EQ(file.ReadString("TfAdrEditCheckLB1", "Item1", ""), "0");
    EXPECT_EQ(file.ReadString("TfAdrEditCheckLB1", "Item2", ""), "2");
    form->Storage->SetActive(false);
    form->Free();

    // More stored items than the list has; states outside 0..2 read as unchecked.
    file.WriteString("TfAdrEditCheckLB1", "Count", "5");
    file.WriteString("TfAdrEditCheckLB1", "Item0", "7");
    file.WriteString("TfAdrEditCheckLB1", "Item1", "-1");
    file.WriteString("TfAdrEditCheckLB1", "Item3", "1");
    form = new TfAdrEdit(ini);
    form->List->SetState(0, cbChecked);
    form->List->SetState(1, cbChecked);
    form->Show();
    PumpUntilIdle();
    EXPECT_EQ(form->List->State(0), cbUnchecked);
    EXPECT_EQ(form->List->State(1), cbUnchecked);
    EXPECT_EQ(form->List->State(2), cbGrayed);
    EXPECT_EQ(form->List->Items()->Count(), 3);
    form->Storage->SetActive(false);
    form->Free();
    PumpUntilIdle();
}

TEST(TVmCheckListBoxTest, RadioListLoadsOnlyUpToTheFirstCheckedItem) {
    THost host;
    auto* list = MakeCheckList(host, "a,b,c");
    list->SetCheckKind(ckRadioButtons);
    const AnsiString ini = TestIni("radio.ini");
    TIniFile file(ini);
    file.WriteString("S", "Count", "3");
    file.WriteString("S", "Item0", "0");
    file.WriteString("S", "Item1", "1");
    file.WriteString("S", "Item2", "1");
    list->LoadStatesFromIni(&file, "S");
    EXPECT_EQ(list->CheckedIndex(), 1);
}

// The check sits centred in the 18-pixel strip left of the text, its
// background in the control's colour; a disabled item's text is gray.
TEST(TVmCheckListBoxTest, ChecksAreDrawnFromTheImageOnTheControlsColour) {
    THost host;
    auto* list = MakeCheckList(host, "Adam,Božena,Cyril");
    list->SetColor(clYellow);
    list->SetState(1, cbChecked);
    list->SetItemEnabled(2, false);
    host.Form->Show();
    EXPECT_EQ(list->CheckWidth(), 18);
    TBitmap shot;
    ASSERT_TRUE(GrabControl(list, shot));
    auto at = [&](Integer x, Integer y) { return shot.GetPixel(x, y) & 0xFFFFFF; };
    TBitmap* image = TVmCheckListBox::CheckImage();
    EXPECT_EQ(image->Width(), 96);
    EXPECT_EQ(image->Height(), 39);
    for (Integer i = 0; i < 3; ++i) {
        const TRect r = list->ItemRect(i);
        const Integer left = r.Left + 1, top = r.Top + (r.Height() - 13) / 2;
        // Cells: 0 unchecked, 1 checked, 3 unchecked disabled.
        const Integer cell = i == 0 ? 0 : i == 1 ? 1 : 3;
        for (Integer y = 0; y < 13; ++y)
            for (Integer x = 0; x < 16; ++x) {
                const TColor want = image->GetPixel((cell % 6) * 16 + x, y);
                EXPECT_EQ(at(left + x, top + y), want == clOlive ? clYellow : want) << i << ":" << x << "," << y;
            }
        EXPECT_EQ(at(r.Left, r.Top), clYellow);
    }
    // Unchecked is white inside, checked has its tick, disabled is silver.
    EXPECT_EQ(image->GetPixel(7, 6), clWhite);
    EXPECT_EQ(image->GetPixel(16 + 7, 6), clBlack);
    EXPECT_EQ(image->GetPixel(48 + 7, 3), clSilver);
    bool grayText = false;
    const TRect text = list->ItemRect(2);
    for (Integer y = text.Top; y < text.Bottom; ++y)
        for (Integer x = text.Left + 18; x < text.Right; ++x) grayText |= at(x, y) == ColorToRGB(clGrayText);
    EXPECT_TRUE(grayText);
    SaveControlToPng(host.Form, AnsiString(VEMLOR_TEST_OUTPUT) + "/checklist/checklist.png");
}

// The values of a form-file list as a filer hands them over.
struct TValueList {
    struct TBegin {};
    struct TEnd {};
    using TValue = std::variant<TBegin, TEnd, AnsiString, Integer, bool>;
    std::vector<TValue> Values;
    std::size_t Pos = 0;

    template <class T>
    T Next() {
        if (Pos >= Values.size() || !std::holds_alternative<T>(Values[Pos])) throw EReadError("wrong value");
        return std::get<T>(Values[Pos++]);
    }
    void ReadListBegin() { Next<TBegin>(); }
    bool EndOfList() const { return Pos < Values.size() && std::holds_alternative<TEnd>(Values[Pos]); }
    void ReadListEnd() { Next<TEnd>(); }
    AnsiString ReadString() { return Next<AnsiString>(); }
    Integer ReadInteger() { return Next<Integer>(); }
    bool ReadBoolean() { return Next<bool>(); }
    void WriteListBegin() { Values.emplace_back(TBegin{}); }
    void WriteListEnd() { Values.emplace_back(TEnd{}); }
    void WriteString(const AnsiString& S) { Values.emplace_back(S); }
    void WriteInteger(Integer I) { Values.emplace_back(I); }
    void WriteBoolean(bool B) { Values.emplace_back(B); }
};

TEST(TVmCheckListBoxTest, FormFileDataKeepsTextsStatesAndEnabledFlags) {
    THost host;
    auto* source = MakeCheckList(host, "Adam,Božena,Cyril");
    source->SetState(1, cbChecked);
    source->SetState(2, cbGrayed);
    source->SetItemEnabled(0, false);
    TValueList data;
    source->WriteStrings(data);
    EXPECT_EQ(data.Values.size(), 2u + 3 * 3);

    auto* target = host.Make<TVmCheckListBox>("CheckLB2");
    target->Items()->Add("old");
    int changes = 0;
    target->OnStateChange = [&](TObject*, Integer) { ++changes; };
    target->SetStreamVersion(TVmCheckListBox::kStreamVersion);
    target->BeginLoading();
    target->ReadStrings(data);
    target->EndLoading();
    EXPECT_EQ(changes, 0);  // nothing fires while the form file is read
    EXPECT_EQ(target->Items()->CommaText(), "Adam,Božena,Cyril");
    EXPECT_EQ(target->State(1), cbChecked);
    EXPECT_EQ(target->State(2), cbGrayed);
    EXPECT_FALSE(target->ItemEnabled(0));
    EXPECT_FALSE(target->StringsDiffer(source));
    target->Items()->SetStrings(2, "CYRIL");
    target->SetState(2, cbGrayed);
    EXPECT_FALSE(target->StringsDiffer(source));  // text compared ignoring case
    target->SetItemEnabled(1, false);
    EXPECT_TRUE(target->StringsDiffer(source));
    EXPECT_TRUE(target->StringsDiffer(nullptr));
    target->Items()->Clear();
    EXPECT_FALSE(target->StringsDiffer(nullptr));
    EXPECT_TRUE(target->StringsDiffer(source));
}

TEST(TVmCheckListBoxTest, OlderFormFileLayoutsAndBadStatesLoad) {
    THost host;
    auto* list = host.Make<TVmCheckListBox>("CheckLB1");
    using V = TValueList;
    // Version 0: text, checked flag, enabled flag.
    V oldest{{V::TBegin{}, AnsiString("a"), true, true, AnsiString("b"), false, false, V::TEnd{}}};
    list->ReadStrings(oldest);
    EXPECT_EQ(list->State(0), cbChecked);
    EXPECT_EQ(list->State(1), cbUnchecked);
    EXPECT_FALSE(list->ItemEnabled(1));
    // Below 202: the state follows the two flags.
    V older{{V::TBegin{}, AnsiString("a"), false, true, Integer(2), V::TEnd{}}};
    list->SetStreamVersion(201);
    list->ReadStrings(older);
    EXPECT_EQ(list->State(0), cbGrayed);
    // A state outside 0..2 is taken as unchecked.
    V bad{{V::TBegin{}, AnsiString("a"), Integer(7), true, AnsiString("b"), Integer(-1), true, V::TEnd{}}};
    list->SetStreamVersion(202);
    list->ReadStrings(bad);
    EXPECT_EQ(list->State(0), cbUnchecked);
    EXPECT_EQ(list->State(1), cbUnchecked);
    // A radio list without a checked item ends with the first checked.
    list->SetCheckKind(ckRadioButtons);
    V radio{{V::TBegin{}, AnsiString("a"), Integer(0), true, AnsiString("b"), Integer(0), true, V::TEnd{}}};
    list->ReadStrings(radio);
    EXPECT_EQ(list->CheckedIndex(), 0);
}

TVmCheckListBox* ListOf(TComponent* Form) { return dynamic_cast<TVmCheckListBox*>(Form->FindComponent("CheckLB1")); }

TEST(TVmCheckListBoxTest, RoundTripsThroughAFormFile) {
    THost host;
    host.Form->SetName("fAdrEdit");
    auto* list = MakeCheckList(host, "Adam,Božena,Cyril");
    list->SetState(0, cbChecked);
    list->SetState(2, cbGrayed);
    list->SetItemEnabled(1, false);
    const AnsiString text = WriteComponent(host.Form);
    EXPECT_NE(text.find("InternalVersion = 202"), AnsiString::npos) << text;
    EXPECT_EQ(text.find("Items"), AnsiString::npos) << text;

    std::unique_ptr<TComponent> copy(ReadComponent(text, nullptr, "adredit.form"));
    TVmCheckListBox* read = ListOf(copy.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Items()->CommaText(), "Adam,Božena,Cyril");
    EXPECT_EQ(read->State(0), cbChecked);
    EXPECT_EQ(read->State(2), cbGrayed);
    EXPECT_FALSE(read->ItemEnabled(1));
    EXPECT_EQ(read->StreamVersion(), 202);
    EXPECT_EQ(WriteComponent(copy.get()), text);
}

TEST(TVmCheckListBoxTest, ReadsTheOlderFormFileLayouts) {
    std::unique_ptr<TComponent> oldest(ReadComponent("object fOld: TForm\n"
                                                     "  object CheckLB1: TVmCheckListBox\n"
                                                     "    Strings = ('Adam' True True 'Božena' False False)\n"
                                                     "  end\n"
                                                     "end",
                                                     nullptr, "old.form"));
    TVmCheckListBox* list = ListOf(oldest.get());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->State(0), cbChecked);
    EXPECT_EQ(list->State(1), cbUnchecked);
    EXPECT_FALSE(list->ItemEnabled(1));

    std::unique_ptr<TComponent> older(ReadComponent("object fOld: TForm\n"
                                                    "  object CheckLB1: TVmCheckListBox\n"
                                                    "    CheckKind = ckRadioButtons\n"
                                                    "    InternalVersion = 201\n"
                                                    "    Strings = ('a' False True 0 'b' False True 2 'c' True True 9)\n"
                                                    "  end\n"
                                                    "end",
                                                    nullptr, "older.form"));
    list = ListOf(older.get());
    ASSERT_NE(list, nullptr);
    // The radio rule after loading: nothing stored checked, so the first.
    EXPECT_EQ(list->CheckedIndex(), 0);
    EXPECT_EQ(list->Items()->Count(), 3);
    // Written back in the current layout.
    EXPECT_NE(WriteComponent(older.get()).find("InternalVersion = 202"), AnsiString::npos);
}

}  // namespace
