#include "client/Notifications.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "client/tests/ClientFixture.h"
#include "platform/rtl/DateUtils.h"

namespace {

class TNotificationsTest : public TClientTest, public TNotificationServices {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        Dm->Notif->Open();
        ForceDirectories(Folder + "Mmf");
        SetNowFunction([] { return EncodeDateTime(2025, 3, 14, 9, 59, 0, 0); });
        Reader = std::make_unique<TNotifications>(*Dm, *this);
    }
    void TearDown() override {
        ResetNowFunction();
        TClientTest::TearDown();
    }
    void ShowNotification(const AnsiString& Text) override { Shown.push_back(Text); }
    void ShowNotificationError(const AnsiString& Text) override { Errors.push_back(Text); }
    void LogEvent(const AnsiString& Text, bool Error) override { Log.push_back((Error ? "! " : "") + Text); }

    void Put(const AnsiString& Name, const AnsiString& Bytes) { WriteFileAtomic(Folder + "Mmf/" + Name, Bytes); }
    static AnsiString File(const AnsiString& Expires, const AnsiString& Published, const AnsiString& Text) {
        return "<notification>\r\n<expireby>" + Expires + "</expireby>\r\n<published>" + Published +
               "</published>\r\n<text>" + Text + "</text>\r\n</notification>\r\n";
    }
    void AddRow(const AnsiString& Name, TDateTime Expires) {
        Dm->Notif->Append();
        Dm->NotifJmeno->SetAsString(Name);
        Dm->NotifVyprsi->SetAsDateTime(Expires);
        Dm->Notif->Post();
    }
    // "Jmeno Datum Vyprsi Text" of every row, times as yyyymmddhhnn.
    std::vector<AnsiString> Rows() {
        std::vector<AnsiString> rows;
        for (Dm->Notif->First(); !Dm->Notif->Eof(); Dm->Notif->Next())
            rows.push_back(Dm->NotifJmeno->AsString() + " " +
                           FormatDateTime("yyyymmddhhnn", Dm->NotifDatum->AsDateTime()) + " " +
                           FormatDateTime("yyyymmddhhnn", Dm->NotifVyprsi->AsDateTime()) + " " +
                           Dm->NotifText->AsString());
        return rows;
    }

    std::unique_ptr<TNotifications> Reader;
    std::vector<AnsiString> Shown;
    std::vector<AnsiString> Errors;
    std::vector<AnsiString> Log;
};

}  // namespace

TEST_F(TNotificationsTest, EachLiveNotificationIsShownOnceAndKeptAndEveryFileGoes) {
    // The program-wide date format plays no part in reading the times.
    const TFormatSettings saved = FormatSettings;
    FormatSettings.ShortDateFormat = "yyyy/mm/dd";
    FormatSettings.DateSeparator = '/';

    // ISO 8859-2 "Ť" and "š"; attributes on the opening tags; blanks around a time.
    Put("n1.not", "<notification><expireby zone=\"local\">\r\n202503141000 </expireby>"
                  "<published>202503130800</published><text lang=\"cs\">\xAB" "e\xB9t</text></notification>");
    // Read at its expiry minute: only deleted.
    Put("n2.not", File("202503140959", "202503130800", "late"));
    Put("n3.not", "<published>202503130800</published><text>no expiry</text>");
    Put("n4.not", File("202513010000", "202503130800", "month 13"));
    Put("n5.not", File("202503150000", "20250313080", "eleven digits"));
    // Shown and kept before: not shown again.
    AddRow("old", EncodeDate(2025, 4, 1));
    Put("old.not", File("202504010000", "202503130800", "old"));

    Reader->ProcessNotificationFiles();
    EXPECT_EQ(Shown, std::vector<AnsiString>{"\x8D" "e\x9At"});
    EXPECT_EQ(Rows(), (std::vector<AnsiString>{"old 189912300000 202504010000 ",
                                               "n1 202503130800 202503141000 \x8D" "e\x9At"}));
    ASSERT_EQ(Log.size(), 3u);
    for (const char* name : {"n3.not: <expireby> holds \"\"", "n4.not: <expireby> holds \"202513010000\"",
                             "n5.not: <published> holds \"20250313080\""}) {
        SCOPED_TRACE(name);
        const auto entry = std::find_if(Log.begin(), Log.end(),
                                        [&](const AnsiString& line) { return line.find(name) != AnsiString::npos; });
        ASSERT_NE(entry, Log.end());
        EXPECT_EQ(entry->rfind("! Nepodařilo se zpracovat notifikační soubor. (" + Folder + "Mmf/", 0), 0u);
    }
    EXPECT_TRUE(ListFiles(Folder + "Mmf", "*.*").empty());
    EXPECT_EQ(FormatSettings.ShortDateFormat, "yyyy/mm/dd");
    EXPECT_EQ(FormatSettings.DateSeparator, '/');
    FormatSettings = saved;
}

TEST_F(TNotificationsTest, UnreadableFilesAreLoggedAndExpiredRowsPurged) {
    Reader->ReadNotificationFile(Folder + "Mmf/missing.not");
    Put("big.not", File("202503150000", "202503130800", AnsiString(64 * 1024, 'x')));
    Reader->ReadNotificationFile(Folder + "Mmf/big.not");
    ASSERT_EQ(Log.size(), 2u);
    EXPECT_EQ(Log[0].rfind("! Nepodařilo se otevřít notifikační soubor. (", 0), 0u) << Log[0];
    EXPECT_NE(Log[1].find("the limit is 65536"), AnsiString::npos) << Log[1];
    EXPECT_EQ(Errors, (std::vector<AnsiString>{"Nepodařilo se otevřít notifikační soubor.",
                                               "Nepodařilo se zpracovat notifikační soubor."}));
    EXPECT_TRUE(Shown.empty());
    EXPECT_TRUE(Dm->Notif->IsEmpty());

    AddRow("past", EncodeDateTime(2025, 3, 14, 9, 58, 59, 999));
    AddRow("now", EncodeDateTime(2025, 3, 14, 9, 59, 0, 0));
    AddRow("later", EncodeDateTime(2025, 3, 14, 10, 0, 0, 0));
    AddRow("long past", EncodeDate(2024, 1, 1));
    Reader->PurgeExpiredNotifications();
    std::vector<AnsiString> names;
    for (Dm->Notif->First(); !Dm->Notif->Eof(); Dm->Notif->Next()) names.push_back(Dm->NotifJmeno->AsString());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<AnsiString>{"later", "now"}));
}
