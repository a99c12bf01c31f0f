#include "client/MessageFiles.h"

#include <gtest/gtest.h>

#include "platform/rtl/DateUtils.h"

TEST(TBaseNamesTest, NamesAreSafeAndEveryStampIsLaterThanTheOneBefore) {
    EXPECT_EQ(TBaseNames::StationTail("420777123456"), "123456");
    EXPECT_EQ(TBaseNames::StationTail("+42/\\:*?.ž"), "______");
    EXPECT_EQ(TBaseNames::StationTail("a b"), "a_b");
    EXPECT_EQ(TBaseNames::StationTail(""), "");

    TDateTime clock = EncodeDateTime(2024, 12, 31, 23, 59, 59, 998);
    TBaseNames names([&] { return clock; });
    names.BeginSend();
    // One send: 1 ms apart, over midnight and the year's end.
    EXPECT_EQ(names.Next("x"), "x20241231235959998");
    EXPECT_EQ(names.Next("x"), "x20241231235959999");
    EXPECT_EQ(names.Next("x"), "x20250101000000000");
    // The clock stands still, then goes back: the next send still comes later.
    names.BeginSend();
    EXPECT_EQ(names.Next("x"), "x20250101000000001");
    clock -= 1;
    names.BeginSend();
    EXPECT_EQ(names.Next("x"), "x20250101000000002");
    // A clock that has moved on is taken as it is.
    clock = EncodeDateTime(2025, 3, 14, 9, 26, 53, 589);
    names.BeginSend();
    EXPECT_EQ(names.Next("x"), "x20250314092653589");
}

TEST(TMessageFilesTest, EveryValueIsEscapedAndTheSendTimeOnlyWhenLater) {
    TMessageFileValues values;
    values.Msisdn = "</msisdn><x>";
    values.MsgType = "a&b";
    values.Send = "<";
    values.Crcb = ">";
    const AnsiString text = MessageFileText({"&", "<", ">"}, values);
    EXPECT_NE(text.find("<serialte>&amp;</serialte>\r\n<cline>&lt;</cline>\r\n<attype>&gt;</attype>\r\n"
                        "<msisdn>&lt;/msisdn&gt;&lt;x&gt;</msisdn>\r\n<msgtype>a&amp;b</msgtype>\r\n"),
              AnsiString::npos)
        << text;
    EXPECT_NE(text.find(">&lt;</send>\r\n<crcb>&gt;</crcb>\r\n</message>\r\n"), AnsiString::npos) << text;

    const TDateTime now = EncodeDateTime(2025, 3, 14, 9, 26, 53, 589);
    EXPECT_EQ(SendTimeText(now + EncodeTime(0, 5, 0, 0), now), "");
    EXPECT_EQ(SendTimeText(now + EncodeTime(0, 5, 1, 0), now), "202503140931");
    EXPECT_EQ(SendTimeText(0, now), "");
}

TEST(TMessageFilesTest, LogoNumberIsZeroWhenTheLibraryFails) {
    EXPECT_EQ(LogoNumber("a.bmp", [](const AnsiString&, Cardinal& Number) {
                  Number = 77;
                  return 0;
              }),
              77u);
    // What a failing library leaves in the number is no number.
    EXPECT_EQ(LogoNumber("a.bmp", [](const AnsiString&, Cardinal& Number) {
                  Number = 1234;
                  return 1;
              }),
              0u);
    // The library is not bound here.
    EXPECT_EQ(LogoNumber("a.bmp"), 0u);
}
