#include "core/Zprava.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/rtl/DateUtils.h"

namespace {

class FakeSettings : public TSenderSettings {
public:
    AnsiString Nick, Name, Number;
    AnsiString NickName() const override { return Nick; }
    AnsiString SenderName() const override { return Name; }
    AnsiString SenderNumber() const override { return Number; }
};

// Installs a settings source for the test and removes it afterwards, so no
// test sees another's nickname.
class ZpravaFixture : public ::testing::Test {
protected:
    void SetUp() override { SetSenderSettings(&Settings); }
    void TearDown() override
    {
        SetSenderSettings(nullptr);
        SetZpravaLogEvent(nullptr);
        ResetNowFunction();
    }
    FakeSettings Settings;
};

// Text of N characters cycling through the digits, so a misplaced cut shows.
AnsiString Digits(std::size_t N)
{
    AnsiString S;
    for (std::size_t I = 0; I < N; ++I)
        S += static_cast<char>('0' + I % 10);
    return S;
}

std::vector<AnsiString> Lines(const TStringList& List)
{
    std::vector<AnsiString> Result;
    for (int I = 0; I < List.Count(); ++I)
        Result.push_back(List[I]);
    return Result;
}

}  // namespace

using TrozdelTest = ZpravaFixture;

TEST_F(TrozdelTest, SinglePartIsNicknameAndTextWithoutHeader)
{
    Settings.Nick = "Abc";
    const AnsiString Text(157, 'x');
    Trozdel Split(Text, false);
    EXPECT_EQ(Split.PartCount(), 1);
    EXPECT_EQ(Lines(Split.FullParts()), std::vector<AnsiString>{"Abc" + Text});
    EXPECT_EQ(Lines(Split.BareParts()), std::vector<AnsiString>{Text});
}

TEST_F(TrozdelTest, OneCharacterOverTheLimitSplitsInTwo)
{
    Settings.Nick = "Abc";
    Trozdel Split(AnsiString(158, 'x'), false);
    EXPECT_EQ(Split.PartCount(), 2);
    EXPECT_EQ(Lines(Split.FullParts()),
              (std::vector<AnsiString>{"1/2 Abc" + AnsiString(153, 'x'), "2/2 Abcxxxxx"}));
    EXPECT_EQ(Lines(Split.BareParts()),
              (std::vector<AnsiString>{AnsiString(153, 'x'), "xxxxx"}));
}

TEST_F(TrozdelTest, EmptyTextIsOnePartHoldingTheNickname)
{
    Settings.Nick = "Jan";
    Trozdel Split("", true);
    EXPECT_EQ(Split.PartCount(), 1);
    EXPECT_EQ(Lines(Split.FullParts()), std::vector<AnsiString>{"Jan"});
    EXPECT_EQ(Lines(Split.BareParts()), std::vector<AnsiString>{""});
}

TEST_F(TrozdelTest, HeaderSpaceDoesNotCountAsAWordBreak)
{
    // The only blank within the first 160 characters is the header's own.
    const AnsiString Text = Digits(300);
    Trozdel Split(Text, true);
    ASSERT_EQ(Split.PartCount(), 2);
    EXPECT_EQ(Split.FullParts()[0], "1/2 " + Text.substr(0, 156));
    EXPECT_EQ(Split.FullParts()[1], "2/2 " + Text.substr(156));
    EXPECT_EQ(Split.FullParts()[1].size(), 148u);
    EXPECT_EQ(Split.BareParts()[1], Text.substr(156));
}

TEST_F(TrozdelTest, BlankInsideNicknameDoesNotCountAsAWordBreak)
{
    Settings.Nick = "Ja Ty";
    const AnsiString Text = Digits(200);
    Trozdel Split(Text, true);
    ASSERT_EQ(Split.PartCount(), 2);
    EXPECT_EQ(Split.FullParts()[0], "1/2 Ja Ty" + Text.substr(0, 151));
    EXPECT_EQ(Split.FullParts()[1], "2/2 Ja Ty" + Text.substr(151));
}

TEST_F(TrozdelTest, WholeWordsCutsAfterTheLastBlank)
{
    const AnsiString Text = AnsiString(150, 'a') + " " + AnsiString(100, 'b');
    Trozdel Words(Text, true);
    EXPECT_EQ(Lines(Words.FullParts()),
              (std::vector<AnsiString>{"1/2 " + AnsiString(150, 'a') + " ", "2/2 " + AnsiString(100, 'b')}));
    EXPECT_EQ(Lines(Words.BareParts()),
              (std::vector<AnsiString>{AnsiString(150, 'a') + " ", AnsiString(100, 'b')}));

    Trozdel Chars(Text, false);
    EXPECT_EQ(Lines(Chars.FullParts()),
              (std::vector<AnsiString>{"1/2 " + AnsiString(150, 'a') + " bbbbb", "2/2 " + AnsiString(95, 'b')}));
}

TEST_F(TrozdelTest, AtMostFivePartsAndTheRestIsDropped)
{
    Settings.Nick = "Abc";
    const AnsiString Text = Digits(1000);
    Trozdel Split(Text, false);
    ASSERT_EQ(Split.PartCount(), 5);
    for (int I = 0; I < 5; ++I) {
        AnsiString Header = AnsiString(1, char('1' + I)) + "/5 Abc";
        EXPECT_EQ(Split.FullParts()[I], Header + Text.substr(I * 153, 153));
        EXPECT_EQ(Split.BareParts()[I], Text.substr(I * 153, 153));
    }
    EXPECT_EQ(Split.DroppedLength(), 1000 - 5 * 153);
}

TEST_F(TrozdelTest, FifthPartTakesTheRestWhenItFits)
{
    // 5 x 156 characters fill five parts exactly; one more is lost.
    Trozdel Exact(Digits(780), false);
    ASSERT_EQ(Exact.PartCount(), 5);
    EXPECT_EQ(Exact.FullParts()[4], "5/5 " + Digits(780).substr(624));

    EXPECT_EQ(Exact.DroppedLength(), 0);

    Trozdel Over(Digits(781), false);
    ASSERT_EQ(Over.PartCount(), 5);
    EXPECT_EQ(Over.FullParts()[4], "5/5 " + Digits(780).substr(624));
    EXPECT_EQ(Over.DroppedLength(), 1);

    // Whole words leave the end of a part empty, so fewer characters fit:
    // five words of 150 letters, each with its blank, and a word of ten, 765
    // characters, fit five parts cut anywhere but lose the last word whole.
    AnsiString Words;
    for (int I = 0; I < 5; ++I)
        Words += AnsiString(150, char('a' + I)) + " ";
    Words += AnsiString(10, 'f');
    Trozdel Cut(Words, true);
    ASSERT_EQ(Cut.PartCount(), 5);
    EXPECT_EQ(Cut.BareParts()[4], AnsiString(150, 'e') + " ");
    EXPECT_EQ(Cut.DroppedLength(), 10);
    EXPECT_EQ(Trozdel(Words, false).DroppedLength(), 0);
}

TEST_F(TrozdelTest, LineBreaksAreRemovedBeforeCounting)
{
    Settings.Nick = "Abc";
    const AnsiString Text = AnsiString(80, 'x') + "\r\n" + AnsiString(76, 'y') + "\n" + "z\r";
    Trozdel Split(Text, true);
    EXPECT_EQ(Split.TextLength(), 157);
    EXPECT_EQ(Split.Text(), AnsiString(80, 'x') + AnsiString(76, 'y') + "z");
    EXPECT_EQ(Split.PartCount(), 1);
    EXPECT_EQ(Split.FullParts()[0], "Abc" + Split.Text());
}

TEST_F(TrozdelTest, NicknameIsCutToTenCharacters)
{
    Settings.Nick = "Bartolomějův";
    Trozdel Split("Ahoj", false);
    EXPECT_EQ(Split.FullParts()[0], "BartolomějAhoj");
}

TEST_F(TrozdelTest, NoSettingsMeansNoNickname)
{
    SetSenderSettings(nullptr);
    Trozdel Split("Ahoj", false);
    EXPECT_EQ(Split.FullParts()[0], "Ahoj");
}

TEST_F(TrozdelTest, PartsReassembleTheTextAndNeverExceed160)
{
    // Many lengths, nickname lengths and blank spacings: every full part fits,
    // carries its header and nickname, and the bare parts give the text back
    // (only a five-part message may lose its tail).
    for (int NickLen : {0, 1, 7, 10, 12}) {
        Settings.Nick = AnsiString(NickLen, 'N');
        const AnsiString Nick = Settings.Nick.substr(0, 10);
        for (int Len = 140; Len < 900; Len += 37) {
            for (int Spacing : {3, 9, 40, 1000}) {
                AnsiString Text;
                for (int I = 0; I < Len; ++I)
                    Text += (I % Spacing == Spacing - 1) ? ' ' : char('a' + I % 26);
                for (bool WholeWords : {false, true}) {
                    Trozdel Split(Text, WholeWords);
                    const int N = Split.PartCount();
                    ASSERT_EQ(Split.FullParts().Count(), N);
                    ASSERT_EQ(Split.BareParts().Count(), N);
                    ASSERT_GE(N, 1);
                    ASSERT_LE(N, 5);
                    AnsiString Joined;
                    for (int I = 0; I < N; ++I) {
                        AnsiString Full = Split.FullParts()[I];
                        ASSERT_LE(Full.size(), 160u);
                        AnsiString Expected = N == 1 ? Nick + Split.BareParts()[I]
                                                     : AnsiString(1, char('1' + I)) + "/" + char('0' + N) + " "
                                                           + Nick + Split.BareParts()[I];
                        ASSERT_EQ(Full, Expected);
                        Joined += Split.BareParts()[I];
                    }
                    ASSERT_EQ(Text.substr(0, Joined.size()), Joined);
                    ASSERT_EQ(static_cast<std::size_t>(Split.DroppedLength()), Text.size() - Joined.size());
                    if (Joined.size() < Text.size()) {
                        ASSERT_EQ(N, 5);
                    }
                }
            }
        }
    }
}

TEST_F(TrozdelTest, SplitMessageUsesTheCurrentNickname)
{
    Settings.Nick = "A";
    Trozdel Split("text", false);
    Settings.Nick = "B";
    Split.SplitMessage();
    EXPECT_EQ(Lines(Split.FullParts()), std::vector<AnsiString>{"Btext"});
}

TEST(TCisloTest, RemovesBlanksSlashesAndHyphensOnly)
{
    EXPECT_EQ(TCislo("+420 602/123-456").Number(), "+420602123456");
    EXPECT_EQ(TCislo("00420 (602) 123.456").Number(), "00420(602)123.456");
    EXPECT_EQ(TCislo::NormalizeNumber(" - / "), "");
}

TEST(TAdresatTest, KeepsNameStringsAndNormalisedNumber)
{
    TAdresat Adresat("Jan Novák", "druhý", "třetí", "602 123 456");
    EXPECT_EQ(Adresat.Name(), "Jan Novák");
    EXPECT_EQ(Adresat.Second(), "druhý");
    EXPECT_EQ(Adresat.Third(), "třetí");
    EXPECT_EQ(Adresat.Number().Number(), "602123456");
}

using TOdesilatelTest = ZpravaFixture;

TEST_F(TOdesilatelTest, TakesNameAndNumberFromTheSettings)
{
    Settings.Name = "Jméno Odesílatele";
    Settings.Number = "0042 0602-111 222";
    TOdesilatel Sender;
    EXPECT_EQ(Sender.Name(), "Jméno Odesílatele");
    EXPECT_EQ(Sender.Number().Number(), "00420602111222");

    SetSenderSettings(nullptr);
    TOdesilatel Empty;
    EXPECT_EQ(Empty.Name(), "");
    EXPECT_EQ(Empty.Number().Number(), "");
}

using TZpravaTest = ZpravaFixture;

TEST_F(TZpravaTest, KeepsCallerValuesAndStampsTheClock)
{
    Settings.Name = "Petr";
    SetNowFunction([] { return 45000.5; });
    TZprava Zprava(17, 44000.25, "Ahoj", std::make_unique<TAdresat>("Eva", "", "", "777/888"));
    EXPECT_EQ(Zprava.RecordNumber(), 17);
    EXPECT_DOUBLE_EQ(Zprava.DateTime(), 44000.25);
    EXPECT_DOUBLE_EQ(Zprava.Created(), 45000.5);
    EXPECT_EQ(Zprava.Text(), "Ahoj");
    ASSERT_NE(Zprava.Recipient(), nullptr);
    EXPECT_EQ(Zprava.Recipient()->Number().Number(), "777888");
    EXPECT_EQ(Zprava.Sender().Name(), "Petr");
}

using TPosliTest = ZpravaFixture;

TEST_F(TPosliTest, ShowDialingLogsTheFixedTextWithoutErrorMark)
{
    std::vector<std::pair<AnsiString, bool>> Log;
    SetZpravaLogEvent([&](const AnsiString& Text, bool Error) { Log.emplace_back(Text, Error); });
    TPosli Posli(std::make_unique<TZprava>(1, 0.0, "x", std::make_unique<TAdresat>("A", "", "", "1")));
    Posli.ShowDialing();
    EXPECT_EQ(Posli.Status(), 0);
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_EQ(Log[0].first, "Vytáčím modem...");
    EXPECT_FALSE(Log[0].second);
    EXPECT_EQ(Posli.Message()->Text(), "x");

    SetZpravaLogEvent(nullptr);
    Posli.ShowDialing();  // no log installed: nothing happens
    EXPECT_EQ(Log.size(), 1u);
}

TEST(ZpravaTextTest, BaseNameNoExtStripsFoldersAndExtension)
{
    EXPECT_EQ(BaseNameNoExt("C:\\Vemlor\\Mmf\\n.not"), "n");
    EXPECT_EQ(BaseNameNoExt("/opt/vemlor/Mmf/200401.not"), "200401");
    EXPECT_EQ(BaseNameNoExt("C:tariffs.brc"), "tariffs");
    EXPECT_EQ(BaseNameNoExt("archive.tar.gz"), "archive.tar");
    EXPECT_EQ(BaseNameNoExt("C:\\dir\\noext"), "C:\\dir\\noext");
    EXPECT_EQ(BaseNameNoExt("C:\\old.dir\\file"), "old");
    EXPECT_EQ(BaseNameNoExt(""), "");
}

TEST(ZpravaTextTest, TextBetweenTakesFirstStartAndFollowingEnd)
{
    EXPECT_EQ(TextBetween("a[b]c[d]", "[", "]"), "b");
    EXPECT_EQ(TextBetween("a]b[c]", "[", "]"), "c");
    EXPECT_EQ(TextBetween("abc", "[", "]"), "");
    EXPECT_EQ(TextBetween("a[bc", "[", "]"), "");
    EXPECT_EQ(TextBetween("[]", "[", "]"), "");
    EXPECT_EQ(TextBetween("abc", "", "c"), "");
}

TEST(ZpravaTextTest, TagValueSkipsAttributesOfTheOpening)
{
    const AnsiString Mmf = "<message>\r\n<bodytext format=\"plain\">1/2 Ahoj</bodytext>\r\n</message>";
    EXPECT_EQ(TagValue(Mmf, "<bodytext>"), "1/2 Ahoj");
    EXPECT_EQ(TagValue("<text>Ahoj</text>", "<text>"), "Ahoj");
    EXPECT_EQ(TagValue(Mmf, "<ringtone>"), "");
    EXPECT_EQ(TagValue(Mmf, ""), "");
    EXPECT_EQ(TagValue("<text>unclosed", "<text>"), "");
    EXPECT_EQ(TagValue("<text", "<text>"), "");
}

TEST(ZpravaTextTest, TagValueDoesNotTakeALongerNameForTheTag)
{
    EXPECT_EQ(TagValue("<textformat>plain</textformat><text>Ahoj</text>", "<text>"), "Ahoj");
    EXPECT_EQ(TagValue("<sender>Jan</sender>", "<send>"), "");
    EXPECT_EQ(TagValue("<texts><text\r\nlang=\"cs\">Dobrý den</text></texts>", "<text>"), "Dobrý den");
}
