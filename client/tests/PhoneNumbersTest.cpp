// Phone numbers and message text against the countries table: the fixture
// holds "Czech rep" (420) and "Slovensko" (421), each with one pattern of
// "00", its code and nine digits.

#include "client/PhoneNumbers.h"

#include "ClientFixture.h"
#include "client/Contacts.h"

namespace {

class PhoneNumbersTest : public TClientTest {
protected:
    // The number after the check, with the texts of the dialogs it showed.
    bool Validate(AnsiString& Number, const AnsiString& Home = "czech REP") {
        TModalAnswerer answers;
        for (int i = 0; i < 2; ++i) answers.ClickButton("OK", [this](TForm* f) { Shown.push_back(DialogText(f)); });
        return ValidatePhoneNumber(*Dm, Home, Number, true);
    }

    std::vector<AnsiString> Shown;
};

TEST_F(PhoneNumbersTest, APatternFitsNumbersOfItsLengthWithTheRowsCodeOnly) {
    EXPECT_TRUE(MatchCountryPattern(*Dm, "00420603123456"));
    EXPECT_TRUE(MatchCountryPattern(*Dm, "00421903123456")) << "left to the other row";
    EXPECT_FALSE(MatchCountryPattern(*Dm, "0042060312345"));
    EXPECT_FALSE(MatchCountryPattern(*Dm, "004206031234567"));
    EXPECT_FALSE(MatchCountryPattern(*Dm, "0042060312345x"));
    EXPECT_FALSE(MatchCountryPattern(*Dm, "00430603123456"));
    EXPECT_FALSE(MatchCountryPattern(*Dm, ""));
    // A row stops at its first pattern of another length.
    AddCountry("Testland", "99", "0099###;0099#####");
    EXPECT_TRUE(MatchCountryPattern(*Dm, "0099123"));
    EXPECT_FALSE(MatchCountryPattern(*Dm, "009912345"));
}

TEST_F(PhoneNumbersTest, ANationalNumberGetsTheHomeCountrysCode) {
    AddContact(1, "Adam", "");
    AnsiString number = "603123456";
    EXPECT_TRUE(Validate(number));
    EXPECT_EQ(number, "00420603123456");
    EXPECT_EQ(Dm->Adresa->State(), dsEdit) << "the caller stores the repaired number";
    Dm->Adresa->Cancel();

    number = "00421903123456";
    EXPECT_TRUE(Validate(number));
    EXPECT_EQ(number, "00421903123456");
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse);

    number = "60312345";
    EXPECT_FALSE(Validate(number));
    EXPECT_EQ(number, "60312345");
    number = "603123456";
    EXPECT_FALSE(Validate(number, "Atlantida")) << "no home country: nothing is repaired";
    EXPECT_EQ(Shown, std::vector<AnsiString>{"60312345 není platné telefonní číslo."});
}

TEST_F(PhoneNumbersTest, ANumberWrittenWithItsCountryIsNeverMovedToTheHomeCountry) {
    AddContact(1, "Adam", "");
    // A German number of a length no country knows, and a Czech one a digit
    // short: both end in digits that would fit under the home code.
    for (AnsiString number : {"00491701234567", "0042060312345"}) {
        const AnsiString typed = number;
        Shown.clear();
        EXPECT_FALSE(Validate(number)) << typed;
        EXPECT_EQ(number, typed);
        EXPECT_EQ(Shown, std::vector<AnsiString>{typed + " není platné telefonní číslo."});
    }
    EXPECT_EQ(Dm->Adresa->State(), dsBrowse);
}

TEST_F(PhoneNumbersTest, OnlyDigitsPass) {
    for (AnsiString number : {"00420 603123456", "+420603123456", "00420603123456 ", "0042060312345-"}) {
        Shown.clear();
        EXPECT_FALSE(Validate(number)) << number;
        EXPECT_EQ(Shown, std::vector<AnsiString>{"Číslo obsahuje nedovolené znaky"});
    }
    AnsiString number = "0042060312345a";
    EXPECT_FALSE(ValidatePhoneNumber(*Dm, "Czech rep", number, false));
}

TEST_F(PhoneNumbersTest, ANumberTypedWithALeadingPlusKeepsItsCountry) {
    AddCountry("Polsko", "48", "0048#########");
    AddCountry("Německo", "49", "00491##########");
    const std::pair<AnsiString, AnsiString> typed[] = {{"+421 903 123 456", "00421903123456"},
                                                        {"+48 601-234-567", "0048601234567"},
                                                        {"+49 1512 3456/789", "004915123456789"},
                                                        {" +420 603 123 456", "00420603123456"}};
    for (const auto& [text, stored] : typed) {
        // Typed one key at a time, as the edit's change event sees it.
        TEdit edit(nullptr);
        for (char c : text) {
            edit.SetText(edit.Text() + c);
            FilterPhoneNumberText(&edit);
        }
        EXPECT_EQ(edit.Text(), text);
        AnsiString number = NormalisePhoneNumber(edit.Text());
        EXPECT_TRUE(Validate(number)) << text;
        EXPECT_EQ(number, stored) << text;
    }
    EXPECT_TRUE(Shown.empty());

    // Only a '+' before every digit: one after the prefix filled in, or a
    // second one, is no country code.
    const std::pair<AnsiString, AnsiString> filtered[] = {
        {"00421-+903", "00421-903"}, {"++421", "+421"}, {"+4+21 9a03", "+421 903"}, {"-/ +421", "-/ +421"}};
    for (const auto& [text, kept] : filtered) {
        TEdit edit(nullptr);
        edit.SetText(text);
        FilterPhoneNumberText(&edit);
        EXPECT_EQ(edit.Text(), kept) << text;
    }
}

TEST_F(PhoneNumbersTest, APatternShorterThanTheCodeLeavesNoDigitsOfTheNumber) {
    AddCountry("Malostat", "77", "00#");
    AddCountry("Jinostat", "77", "0077");
    AnsiString number = "123456";
    EXPECT_TRUE(ValidatePhoneNumber(*Dm, "Malostat", number, false));
    EXPECT_EQ(number, "0077");
}

TEST_F(PhoneNumbersTest, MessageTextKeepsPlainLettersOnly) {
    EXPECT_EQ(StripDiacritics(*Dm, "Czech rep", "Řekni\r\nmi 'ahoj' příští týden ~|`\\\t\x7F\x80Ä!"),
              "Rekni mi ahoj pristi tyden !");
    EXPECT_EQ(StripDiacritics(*Dm, "Atlantida", "Řekni 'ahoj'\r\n"), "Řekni 'ahoj'\r\n");
    // A letter without its plain counterpart is treated like any other.
    AddCountry("Zkratov", "11", "", "ščq", "s");
    EXPECT_EQ(StripDiacritics(*Dm, "zkratov", "šče q"), "se q");
}

TEST_F(PhoneNumbersTest, AnEmptyNumberEditStartsWithTheHomeCountrysCode) {
    TEdit edit(nullptr);
    PrefillInternationalPrefix(*Dm, "Slovensko", &edit);
    EXPECT_EQ(edit.Text(), "00421-");
    EXPECT_EQ(edit.SelStart(), 6);
    PrefillInternationalPrefix(*Dm, "Czech rep", &edit);
    EXPECT_EQ(edit.Text(), "00421-");
    edit.Clear();
    PrefillInternationalPrefix(*Dm, "Atlantida", &edit);
    EXPECT_EQ(edit.Text(), "00");
}

// The user clicks into the empty edit, which offers the home country's code,
// and types a number of another country as it is written abroad.
TEST_F(PhoneNumbersTest, APlusTypedAfterTheOfferedCodeTakesItsPlace) {
    AddCountry("Polsko", "48", "0048#########");
    const AnsiString offered = InternationalPrefixText(*Dm, "Slovensko");
    auto type = [&](const AnsiString& Keys) {
        TEdit edit(nullptr);
        PrefillInternationalPrefix(*Dm, "Slovensko", &edit);
        for (char c : Keys) {
            edit.SetSelStart(static_cast<Integer>(edit.Text().size()));
            edit.SetSelText(AnsiString(1, c));
            FilterPhoneNumberText(&edit, offered);
        }
        EXPECT_EQ(edit.SelStart(), static_cast<Integer>(edit.Text().size())) << Keys;
        return edit.Text();
    };
    AnsiString number = NormalisePhoneNumber(type("+48 601-234-567"));
    EXPECT_EQ(number, "0048601234567");
    EXPECT_TRUE(Validate(number));
    // A home number after the code, or a '+' anywhere else, stays as before.
    EXPECT_EQ(type("903 123 456"), "00421-903 123 456");
    EXPECT_EQ(type("9+03"), "00421-903");
}

}  // namespace
