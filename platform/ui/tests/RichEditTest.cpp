#include "platform/ui/RichEdit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

// Records the notifications the window sends, and answers protected-text
// questions with Refuse.
class TProbeRichMemo : public TCustomRichMemo {
public:
    using TCustomRichMemo::TCustomRichMemo;
    std::vector<TRichNotify> Seen;
    std::intptr_t ProtectAnswer = 1;

protected:
    void Notify(TRichNotify& Message) override {
        if (Message.Code == EN_PROTECTED) Message.Result = ProtectAnswer;
        Seen.push_back(Message);
        TCustomRichMemo::Notify(Message);
    }
};

struct RichMemoFixture : ::testing::Test {
    TForm* Form = nullptr;
    TProbeRichMemo* Edit = nullptr;

    void SetUp() override {
        Form = new TForm(nullptr);
        Edit = new TProbeRichMemo(Form);
        Edit->SetParent(Form);
        Edit->SetBounds(0, 0, 300, 200);
    }
    void TearDown() override {
        Form->Free();
        PumpUntilIdle();
    }
    int Count(Cardinal code) const {
        int n = 0;
        for (const TRichNotify& m : Edit->Seen) n += m.Code == code;
        return n;
    }
    void Select(Integer a, Integer b) { Edit->ExSetSel({a, b}); }

    // Loads bytes through the callback in chunks of the given sizes (the
    // last size repeats).
    Integer Load(Cardinal format, const std::string& bytes, std::vector<Integer> chunks, TRichStream* out = nullptr) {
        std::size_t pos = 0;
        std::size_t k = 0;
        TRichStream s;
        s.Callback = [&](Byte* buffer, Integer size, Integer& done) -> Cardinal {
            const Integer want = std::min(size, chunks[std::min(k++, chunks.size() - 1)]);
            done = static_cast<Integer>(std::min<std::size_t>(static_cast<std::size_t>(want), bytes.size() - pos));
            std::copy_n(bytes.data() + pos, done, buffer);
            pos += static_cast<std::size_t>(done);
            return 0;
        };
        const Integer n = Edit->StreamIn(format, s);
        if (out) *out = s;
        return n;
    }
    std::string Save(Cardinal format) {
        std::string bytes;
        TRichStream s;
        s.Callback = [&](Byte* buffer, Integer size, Integer& done) -> Cardinal {
            bytes.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
            done = size;
            return 0;
        };
        Edit->StreamOut(format, s);
        return bytes;
    }
};

TEST_F(RichMemoFixture, PositionsCountABreakOnceAndTextGivesCrLf) {
    Edit->SetText("ab\r\ncd\nef\rgh");
    EXPECT_EQ(Edit->Text(), "ab\r\ncd\r\nef\r\ngh");
    EXPECT_EQ(Edit->GetTextLengthEx(GTL_DEFAULT), 11);
    EXPECT_EQ(Edit->GetTextLengthEx(GTL_USECRLF), 14);
    EXPECT_EQ(Edit->GetTextRange(1, 4), "b\rc");
    EXPECT_EQ(Edit->GetTextRange(9, 500), "gh");  // clamped, never past the text
    EXPECT_EQ(Edit->GetTextRange(-5, 2), "ab");
    EXPECT_EQ(Edit->GetLineCount(), 4);
    EXPECT_EQ(Edit->LineIndex(2), 6);
    EXPECT_EQ(Edit->LineIndex(4), -1);
    EXPECT_EQ(Edit->LineFromChar(7), 2);
    EXPECT_EQ(Edit->LineLength(7), 2);
    EXPECT_EQ(Edit->GetLine(0), "ab\r");
    EXPECT_EQ(Edit->GetLine(3), "gh");
    Select(4, 7);
    EXPECT_EQ(Edit->SelText(), "d\re");
    EXPECT_EQ(Edit->SelectionType(), SEL_TEXT | SEL_MULTICHAR);
    Select(0, -1);
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{0, 11}));
    Select(-1, 0);
    EXPECT_EQ(Edit->ExGetSel(), (TCharRange{11, 11}));
    EXPECT_EQ(Edit->SelectionType(), SEL_EMPTY);
    // A line longer than any buffer comes back whole.
    Edit->ExLimitText(RichEditMaxLimit);
    const AnsiString longLine(10000, 'x');
    Edit->SetText(longLine + "\r\nend");
    EXPECT_EQ(Edit->GetLine(0), longLine + "\r");
}

TEST_F(RichMemoFixture, TypingIsOneUndoStepAndUndoRedoRestoreTextAndFormats) {
    Edit->SetText("Ahoj");
    Select(4, 4);
    TypeText(Edit, " světe");
    EXPECT_EQ(Edit->Text(), "Ahoj světe");
    Select(0, 4);
    TCharFormat bold;
    bold.Mask = CFM_BOLD;
    bold.Effects = CFE_BOLD;
    Edit->SetCharFormat(SCF_SELECTION, bold);
    Edit->ReplaceSel("Nazdar", true);
    EXPECT_EQ(Edit->Text(), "Nazdar světe");
    ASSERT_TRUE(Edit->CanUndo());
    EXPECT_TRUE(Edit->EditUndo());
    EXPECT_EQ(Edit->Text(), "Ahoj světe");
    Select(0, 4);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_BOLD);  // the replaced text came back as it was
    EXPECT_TRUE(Edit->EditUndo());
    EXPECT_EQ(Edit->Text(), "Ahoj");  // the whole word typed in one go
    EXPECT_FALSE(Edit->EditUndo());
    EXPECT_TRUE(Edit->Redo());
    EXPECT_TRUE(Edit->Redo());
    EXPECT_EQ(Edit->Text(), "Nazdar světe");
    EXPECT_FALSE(Edit->CanRedo());

    // A replacement without undo forgets what came before it.
    Select(0, 0);
    Edit->ReplaceSel(">", false);
    EXPECT_FALSE(Edit->CanUndo());
    EXPECT_FALSE(Edit->EditUndo());

    // The limit keeps the newest steps.
    EXPECT_EQ(Edit->SetUndoLimit(2), 2);
    for (const char* s : {"1", "2", "3"}) {
        Select(0, 0);
        Edit->ReplaceSel(s, true);
    }
    EXPECT_TRUE(Edit->EditUndo());
    EXPECT_TRUE(Edit->EditUndo());
    EXPECT_FALSE(Edit->EditUndo());
    EXPECT_EQ(Edit->Text(), "1>Nazdar světe");
    Edit->SetTextMode(TM_RICHTEXT | TM_SINGLELEVELUNDO);
    for (const char* s : {"a", "b"}) {
        Select(0, 0);
        Edit->ReplaceSel(s, true);
    }
    EXPECT_TRUE(Edit->EditUndo());
    EXPECT_FALSE(Edit->EditUndo());
}

TEST_F(RichMemoFixture, CharacterFormatsHaveMasksScopesAndADefault) {
    Edit->SetText("jedna dva tri");
    TCharFormat red;
    red.Mask = CFM_COLOR | CFM_SIZE | CFM_FACE;
    red.TextColor = 0x0000FF;
    red.Height = 240;
    red.FaceName = "Times New Roman, which is longer than the thirty-one characters";
    Select(0, 5);
    Edit->SetCharFormat(SCF_SELECTION, red);
    TCharFormat f = Edit->GetCharFormat(SCF_SELECTION);
    EXPECT_EQ(f.Mask, CFM_ALL2);
    EXPECT_EQ(f.TextColor, 0x0000FFu);
    EXPECT_FALSE(f.Effects & CFE_AUTOCOLOR);
    EXPECT_EQ(f.Height, 240);
    EXPECT_EQ(f.FaceName.size(), std::size_t(LF_FACESIZE - 1));
    // Across differently formatted text the mask leaves out what differs.
    Select(3, 8);
    f = Edit->GetCharFormat(SCF_SELECTION);
    EXPECT_FALSE(f.Mask & CFM_COLOR);
    EXPECT_FALSE(f.Mask & CFM_SIZE);
    EXPECT_TRUE(f.Mask & CFM_BOLD);
    // The word scope formats the word at the caret.
    TCharFormat underline;
    underline.Mask = CFM_UNDERLINE;
    underline.Effects = CFE_UNDERLINE;
    Select(7, 7);
    Edit->SetCharFormat(SCF_SELECTION | SCF_WORD, underline);
    Select(6, 9);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_UNDERLINE);
    Select(10, 13);
    EXPECT_FALSE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_UNDERLINE);
    // The default reaches the text that has no attribute of its own only.
    TCharFormat big;
    big.Mask = CFM_SIZE | CFM_ITALIC;
    big.Height = 400;
    big.Effects = CFE_ITALIC;
    Edit->SetCharFormat(SCF_DEFAULT, big);
    EXPECT_EQ(Edit->GetCharFormat(SCF_DEFAULT).Height, 400);
    Select(10, 13);
    EXPECT_EQ(Edit->GetCharFormat(SCF_SELECTION).Height, 400);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_ITALIC);
    Select(0, 5);
    EXPECT_EQ(Edit->GetCharFormat(SCF_SELECTION).Height, 240);
    // Typing at an empty selection takes the format set there.
    Select(13, 13);
    Edit->SetCharFormat(SCF_SELECTION, red);
    TypeText(Edit, "X");
    Select(13, 14);
    EXPECT_EQ(Edit->GetCharFormat(SCF_SELECTION).TextColor, 0x0000FFu);
}

TEST_F(RichMemoFixture, ParagraphFormatsApplyToEveryParagraphOfTheSelection) {
    Edit->SetText("one\rtwo\rthree");
    TParaFormat p;
    p.Mask = PFM_ALIGNMENT | PFM_STARTINDENT | PFM_OFFSET | PFM_TABSTOPS | PFM_NUMBERING;
    p.Alignment = PFA_CENTER;
    p.StartIndent = 720;
    p.Offset = 360;
    p.TabCount = 2;
    p.Tabs[0] = 100;
    p.Tabs[1] = 900;
    p.Numbering = PFN_BULLET;
    Select(1, 5);  // the first two paragraphs
    EXPECT_TRUE(Edit->SetParaFormat(p));
    TParaFormat got = Edit->GetParaFormat();
    EXPECT_EQ(got.Mask, PFM_ALL);
    EXPECT_EQ(got.Alignment, PFA_CENTER);
    EXPECT_EQ(got.StartIndent, 720);
    EXPECT_EQ(got.Offset, 360);
    EXPECT_EQ(got.TabCount, 2);
    EXPECT_EQ(got.Tabs[1], 900);
    EXPECT_EQ(got.Numbering, PFN_BULLET);
    Select(5, 10);
    got = Edit->GetParaFormat();
    EXPECT_FALSE(got.Mask & PFM_ALIGNMENT);
    EXPECT_FALSE(got.Mask & PFM_NUMBERING);
    EXPECT_TRUE(got.Mask & PFM_RIGHTINDENT);
    EXPECT_EQ(Edit->Text(), "one\r\ntwo\r\nthree");  // numbering adds no characters
}

TEST_F(RichMemoFixture, TheTextLimitCutsInsertionsAndTyping) {
    Edit->ExLimitText(5);
    EXPECT_EQ(Edit->GetLimitText(), 5);
    Edit->SetText("abcdefgh");
    EXPECT_EQ(Edit->Text(), "abcde");
    Select(2, 3);
    Edit->ReplaceSel("XYZ", true);  // room for one character
    EXPECT_EQ(Edit->Text(), "abXde");
    Select(5, 5);
    TypeText(Edit, "q");
    EXPECT_EQ(Edit->Text(), "abXde");
    Edit->ExLimitText(0);
    EXPECT_EQ(Edit->GetLimitText(), RichEditDefaultLimit);
    Edit->ExLimitText(RichEditMaxLimit + 10);
    EXPECT_EQ(Edit->GetLimitText(), RichEditMaxLimit);
}

TEST_F(RichMemoFixture, NotificationsFollowTheEventMaskAndComeAtOnce) {
    int changes = 0;
    Edit->OnChange = [&](TObject*) { ++changes; };
    Edit->SetText("bez masky");
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(Edit->Seen.empty());
    Edit->SetEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_PROTECTED);
    Edit->SetText("abc");
    EXPECT_EQ(changes, 1);
    Edit->Seen.clear();
    Select(1, 2);
    ASSERT_EQ(Count(EN_SELCHANGE), 1);
    EXPECT_EQ(Edit->Seen.back().Range, (TCharRange{1, 2}));
    EXPECT_EQ(Edit->Seen.back().SelType, SEL_TEXT);
    Select(1, 2);
    EXPECT_EQ(Count(EN_SELCHANGE), 1);  // no change, no notification
    // Protected text changes only when the owner agrees.
    TCharFormat prot;
    prot.Mask = CFM_PROTECTED;
    prot.Effects = CFE_PROTECTED;
    Edit->SetCharFormat(SCF_SELECTION, prot);
    Edit->ReplaceSel("x", true);
    EXPECT_EQ(Edit->Text(), "abc");
    ASSERT_EQ(Count(EN_PROTECTED), 1);
    EXPECT_EQ(Edit->Seen.back().Range, (TCharRange{1, 2}));
    EXPECT_EQ(Edit->Seen.back().Message.Msg, EM_REPLACESEL);
    Select(0, 0);
    Edit->ReplaceSel(">", true);  // beside, not inside, the protected text
    EXPECT_EQ(Edit->Text(), ">abc");
    Edit->ProtectAnswer = 0;
    Select(2, 3);
    Edit->ReplaceSel("B", true);
    EXPECT_EQ(Edit->Text(), ">aBc");
}

TEST_F(RichMemoFixture, RtfStreamsOutAndBackWithTheFormats) {
    Edit->ExLimitText(RichEditMaxLimit);
    Edit->SetText("Tučný a červený\rdruhý řádek");
    Select(0, 5);
    TCharFormat f;
    f.Mask = CFM_BOLD | CFM_COLOR;
    f.Effects = CFE_BOLD;
    f.TextColor = 0x0000C0;
    Edit->SetCharFormat(SCF_SELECTION, f);
    TParaFormat p;
    p.Mask = PFM_ALIGNMENT;
    p.Alignment = PFA_RIGHT;
    Select(20, 20);
    Edit->SetParaFormat(p);
    const std::string rtf = Save(SF_RTF);
    ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u) << rtf;

    Edit->SetText("something else");
    EXPECT_EQ(Load(SF_RTF, rtf, {7}), 27);
    EXPECT_EQ(Edit->Text(), "Tučný a červený\r\ndruhý řádek");
    EXPECT_FALSE(Edit->Modified());
    Select(0, 5);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_BOLD);
    EXPECT_EQ(Edit->GetCharFormat(SCF_SELECTION).TextColor, 0x0000C0u);
    Select(6, 7);
    EXPECT_FALSE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_BOLD);
    Select(20, 20);
    EXPECT_EQ(Edit->GetParaFormat().Alignment, PFA_RIGHT);
    Select(0, 0);
    EXPECT_EQ(Edit->GetParaFormat().Alignment, PFA_LEFT);

    // Data that is not RTF is refused and nothing changes.
    TRichStream s;
    EXPECT_EQ(Load(SF_RTF, "{\\rtf1 unfinished", {4096}, &s), 0);
    EXPECT_EQ(s.Error, 1u);
    EXPECT_EQ(Edit->Text(), "Tučný a červený\r\ndruhý řádek");
    // A stream into the selection replaces only the selection.
    Select(6, 7);
    Load(SF_RTF | SFF_SELECTION, "{\\rtf1{\\b i}}", {4096});
    EXPECT_EQ(Edit->Text(), "Tučný i červený\r\ndruhý řádek");
    Select(6, 7);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_BOLD);
    EXPECT_EQ(Save(SF_TEXT | SFF_SELECTION), "i");
}

TEST_F(RichMemoFixture, PlainTextStreamsKeepEveryBreakAcrossChunks) {
    // CR, LF and CR LF, with chunks of one and three bytes splitting them.
    const std::string text = "a\rb\nc\r\nd\r\r\ne";
    for (Integer chunk : {1, 3, 4096}) {
        Load(SF_TEXT, text, {chunk});
        EXPECT_EQ(Edit->Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne") << chunk;
    }
    EXPECT_EQ(Save(SF_TEXT), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    // UTF-16 split in the middle of a unit, a NUL in the middle of the text.
    const std::string utf16("\xFF\xFE" "A\0\r\0\n\0\x0D\x01" "B\0" "\0\0" "C\0", 16);
    Load(SF_TEXT | SF_UNICODE, utf16, {3, 1, 2});
    EXPECT_EQ(Edit->Text(), "A\r\nčBC");
    EXPECT_EQ(Save(SF_TEXT | SF_UNICODE), std::string("A\0\r\0\n\0\x0D\x01" "B\0C\0", 12));
    // U+FFFE and U+FEFF opening a later line are characters of the text,
    // not byte-order marks that would swap or lose the rest of it.
    const std::string marks("a\0\r\0\n\0\xFE\xFF" "b\0\r\0\n\0\xFF\xFE" "c\0", 16);
    Load(SF_TEXT | SF_UNICODE, marks, {4096});
    EXPECT_EQ(Save(SF_TEXT | SF_UNICODE), marks);
    // A text whose first character is U+FEFF (here behind NULs, which a
    // load drops) keeps it through a save and a load.
    Load(SF_TEXT | SF_UNICODE, std::string("\0\0\xFF\xFE" "a\0", 6), {4096});
    const std::string leading = Save(SF_TEXT | SF_UNICODE);
    Load(SF_TEXT | SF_UNICODE, leading, {4096});
    EXPECT_EQ(Save(SF_TEXT | SF_UNICODE), leading);
    EXPECT_EQ(leading.size(), 6u);
    Load(SF_TEXT | SF_UNICODE, utf16, {4096});
    // A callback that fails stops the load and leaves the text alone.
    TRichStream failing;
    failing.Callback = [](Byte*, Integer, Integer& done) -> Cardinal {
        done = 0;
        return 7;
    };
    EXPECT_EQ(Edit->StreamIn(SF_TEXT, failing), 0);
    EXPECT_EQ(failing.Error, 7u);
    EXPECT_EQ(Edit->Text(), "A\r\nčBC");
}

TEST_F(RichMemoFixture, KeysAndTheClipboardEditThroughTheControl) {
    Edit->SetText("ab");
    Select(1, 1);
    SendKey(Edit, VK_RETURN);
    EXPECT_EQ(Edit->Text(), "a\r\nb");
    SendKey(Edit, VK_BACK);
    SendKey(Edit, VK_DELETE);
    EXPECT_EQ(Edit->Text(), "a");
    SendKey(Edit, 'Z', TShiftState{ssCtrl});
    EXPECT_EQ(Edit->Text(), "ab");
    // Copied text keeps its formats when pasted.
    Edit->SetText("tučně obyčejně");
    Select(0, 5);
    TCharFormat bold;
    bold.Mask = CFM_BOLD;
    bold.Effects = CFE_BOLD;
    Edit->SetCharFormat(SCF_SELECTION, bold);
    Edit->CopyToClipboard();
    Select(14, 14);
    Edit->PasteFromClipboard();
    EXPECT_EQ(Edit->Text(), "tučně obyčejnětučně");
    Select(14, 19);
    EXPECT_TRUE(Edit->GetCharFormat(SCF_SELECTION).Effects & CFE_BOLD);
    Edit->CutToClipboard();
    EXPECT_EQ(Edit->Text(), "tučně obyčejně");
    EXPECT_TRUE(Edit->CanUndo());
    Edit->SetReadOnly(true);
    Edit->PasteFromClipboard();
    TypeText(Edit, "x");
    EXPECT_EQ(Edit->Text(), "tučně obyčejně");
}

TEST_F(RichMemoFixture, FindSearchesBothWaysWithCaseAndWholeWords) {
    Edit->SetText("Pes a pes\rpesek Pes");
    TCharRange found;
    EXPECT_EQ(Edit->FindText(FR_DOWN, {0, -1}, "pes", &found), 0);
    EXPECT_EQ(found, (TCharRange{0, 3}));
    EXPECT_EQ(Edit->FindText(FR_DOWN | FR_MATCHCASE, {0, -1}, "pes"), 6);
    EXPECT_EQ(Edit->FindText(FR_DOWN | FR_MATCHCASE, {7, -1}, "pes"), 10);
    EXPECT_EQ(Edit->FindText(FR_DOWN | FR_WHOLEWORD, {7, -1}, "pes"), 16);
    EXPECT_EQ(Edit->FindText(FR_DOWN, {0, 8}, "pes"), 0);
    EXPECT_EQ(Edit->FindText(FR_DOWN, {1, 8}, "pes"), -1);  // the one at 6 ends past 8
    EXPECT_EQ(Edit->FindText(0, {15, 0}, "pes"), 10);  // backwards from 15
    EXPECT_EQ(Edit->FindText(FR_DOWN, {0, -1}, "pes\rpes"), 6);
    EXPECT_EQ(Edit->FindText(FR_DOWN, {0, -1}, "kočka"), -1);
}

}  // namespace
