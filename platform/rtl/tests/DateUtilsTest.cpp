#include "platform/rtl/DateUtils.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/Exceptions.h"

namespace {

struct Parts {
    Word y, m, d, h, n, s, ms;
};

Parts Decode(TDateTime value) {
    Parts p{};
    DecodeDateTime(value, p.y, p.m, p.d, p.h, p.n, p.s, p.ms);
    return p;
}

// Every test sets the clock; the fixture restores the real one.
class DateUtilsTest : public ::testing::Test {
protected:
    void SetUp() override { SetNowFunction([] { return EncodeDateTime(2026, 3, 15, 10, 20, 30, 400); }); }
    void TearDown() override {
        ResetNowFunction();
        FormatSettings = TFormatSettings();
    }
};

}  // namespace

TEST_F(DateUtilsTest, EpochIsThirtiethOfDecember1899) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    const Parts p = Decode(0.0);
    EXPECT_EQ(p.y, 1899);
    EXPECT_EQ(p.m, 12);
    EXPECT_EQ(p.d, 30);
    EXPECT_EQ(p.h, 0);
}

TEST_F(DateUtilsTest, NegativeValuesKeepTheTimeAsAbsoluteFraction) {
    // -1.25: one day before the epoch, a quarter of a day into it.
    Parts p = Decode(-1.25);
    EXPECT_EQ(p.d, 29);
    EXPECT_EQ(p.m, 12);
    EXPECT_EQ(p.y, 1899);
    EXPECT_EQ(p.h, 6);
    EXPECT_EQ(p.n, 0);
    // -0.5 is noon of the epoch day itself.
    p = Decode(-0.5);
    EXPECT_EQ(p.d, 30);
    EXPECT_EQ(p.h, 12);
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(DayOfWeek(-1.25), 6);  // a Friday
}

TEST_F(DateUtilsTest, AHairBeforeMidnightRoundsToTheFollowingDayOnBothSidesOfTheEpoch) {
    // -1.9999999999 is 29 December late in the evening; rounded to the
    // millisecond it is 30 December 0:00, not a day further back.
    Parts p = Decode(-1.9999999999);
    EXPECT_EQ(p.y, 1899);
    EXPECT_EQ(p.m, 12);
    EXPECT_EQ(p.d, 30);
    EXPECT_EQ(p.h, 0);
    // -0.9999999999 is late on 30 December itself: next comes 31 December.
    p = Decode(-0.9999999999);
    EXPECT_EQ(p.d, 31);
    EXPECT_EQ(p.h, 0);
    p = Decode(0.9999999999);
    EXPECT_EQ(p.d, 31);
    EXPECT_EQ(p.h, 0);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", -2.9999999999), "1899-12-29 00:00:00.000");
    EXPECT_EQ(DayOfWeek(-1.9999999999), 7);  // Saturday 30 December
    // Just inside 23:59:59.999 nothing rounds.
    p = Decode(EncodeDateTime(1899, 12, 29, 23, 59, 59, 999));
    EXPECT_EQ(p.d, 29);
    EXPECT_EQ(p.ms, 999);
}

TEST_F(DateUtilsTest, LeapYearsFollowTheGregorianRules) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2023));
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
    TDateTime d;
    EXPECT_FALSE(TryEncodeDate(1900, 2, 29, d));
    EXPECT_TRUE(TryEncodeDate(2000, 2, 29, d));
    EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);
}

TEST_F(DateUtilsTest, InvalidPartsRaiseConvertError) {
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_NO_THROW(EncodeTime(23, 59, 59, 999));
}

TEST_F(DateUtilsTest, DecodeRoundTripsEveryFieldAndRoundsToTheMillisecond) {
    for (Word year : {1, 1600, 1899, 1900, 1999, 2000, 2024, 9999}) {
        for (Word month : {1, 2, 12}) {
            const TDateTime v = EncodeDateTime(year, month, DaysInAMonth(year, month), 23, 59, 59, 999);
            const Parts p = Decode(v);
            EXPECT_EQ(p.y, year);
            EXPECT_EQ(p.m, month);
            EXPECT_EQ(p.d, DaysInAMonth(year, month));
            EXPECT_EQ(p.h, 23);
            EXPECT_EQ(p.n, 59);
            EXPECT_EQ(p.s, 59);
            EXPECT_EQ(p.ms, 999) << year << "-" << month;
        }
    }
    // A hair before midnight rounds to the next day, not to hour 24.
    const Parts p = Decode(EncodeDate(2024, 2, 28) + 0.9999999999);
    EXPECT_EQ(p.d, 29);
    EXPECT_EQ(p.h, 0);
}

TEST_F(DateUtilsTest, OutOfRangeValuesDecodeAsTheEpoch) {
    for (double bad : {1e300, -1e300, std::nan("")}) {
        const Parts p = Decode(bad);
        EXPECT_EQ(p.y, 1899);
        EXPECT_EQ(p.d, 30);
    }
}

TEST_F(DateUtilsTest, DayOfWeekStartsWithSunday) {
    EXPECT_EQ(DayOfWeek(0.0), 7);                       // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 3, 15)), 1);   // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1) + 0.7), 7);
    EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);       // Monday
}

TEST_F(DateUtilsTest, IncMonthClampsToTheEndOfTheMonthAndKeepsTheTime) {
    const TDateTime jan31 = EncodeDateTime(2024, 1, 31, 8, 30, 0, 0);
    EXPECT_EQ(IncMonth(jan31), EncodeDateTime(2024, 2, 29, 8, 30, 0, 0));
    EXPECT_EQ(IncMonth(jan31, 13), EncodeDateTime(2025, 2, 28, 8, 30, 0, 0));
    EXPECT_EQ(IncMonth(jan31, -2), EncodeDateTime(2023, 11, 30, 8, 30, 0, 0));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 15), -12 * 3), EncodeDate(2021, 3, 15));
    EXPECT_EQ(IncMonth(EncodeDate(1899, 12, 29) - 0.25, 1), EncodeDateTime(1900, 1, 29, 6, 0, 0, 0));
    EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
}

TEST_F(DateUtilsTest, ClockIsInjectable) {
    EXPECT_EQ(Now(), EncodeDateTime(2026, 3, 15, 10, 20, 30, 400));
    EXPECT_EQ(Date(), EncodeDate(2026, 3, 15));
    EXPECT_DOUBLE_EQ(Time(), EncodeTime(10, 20, 30, 400));
    ResetNowFunction();
    const Parts p = Decode(Now());
    EXPECT_GE(p.y, 2024);
}

TEST_F(DateUtilsTest, FormatDateTimeTokens) {
    const TDateTime v = EncodeDateTime(2024, 3, 5, 7, 8, 9, 45);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", v), "2024-03-05 07:08:09.045");
    EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z", v), "5.3.24 7:8:9 45");
    // "m" right after an hour is a minute, as the class library reads it.
    EXPECT_EQ(FormatDateTime("hh:mm dd.mm.", v), "07:08 05.03.");
    EXPECT_EQ(FormatDateTime("\"den\" d 'v' hh \"yyyy\"", v), "den 5 v 07 yyyy");
    EXPECT_EQ(FormatDateTime("YYYY", v), "2024");
    EXPECT_EQ(FormatDateTime("yyyymmdd'_'hhnnss", v), "20240305_070809");
    EXPECT_EQ(FormatDateTime("'unterminated", v), "unterminated");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", EncodeDate(1, 1, 1)), "01.01.0001");
}

TEST_F(DateUtilsTest, SeparatorsComeFromFormatSettings) {
    FormatSettings.DateSeparator = '-';
    FormatSettings.TimeSeparator = '.';
    const TDateTime v = EncodeDateTime(2024, 3, 5, 7, 8, 9, 0);
    EXPECT_EQ(FormatDateTime("d/m/yyyy h:nn", v), "5-3-2024 7.08");
}

TEST_F(DateUtilsTest, StringFormsUseTheCzechDefaults) {
    const TDateTime v = EncodeDateTime(2024, 3, 5, 7, 8, 9, 0);
    EXPECT_EQ(DateToStr(v), "5.3.2024");
    EXPECT_EQ(TimeToStr(v), "7:08:09");
    EXPECT_EQ(DateTimeToStr(v), "5.3.2024 7:08:09");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "5.3.2024");  // midnight: no time
    EXPECT_EQ(FormatDateTime("", v), "5.3.2024 7:08:09");
    EXPECT_EQ(DateTimeToStr(0.0), "30.12.1899");
}

TEST_F(DateUtilsTest, ParsingRoundTripsAndAcceptsCommonForms) {
    for (TDateTime v : {EncodeDateTime(2024, 3, 5, 7, 8, 9, 0), EncodeDate(2000, 2, 29), 0.0,
                        EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), EncodeDateTime(1, 1, 1, 23, 59, 59, 0)}) {
        EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v) << DateTimeToStr(v);
    }
    EXPECT_EQ(StrToDate("05.03.2024"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate(" 5. 3. 2024 "), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("5.3.2024."), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("5.3."), EncodeDate(2026, 3, 5));  // the clock's year
    EXPECT_EQ(StrToDate("5.3"), EncodeDate(2026, 3, 5));
    EXPECT_EQ(StrToDate("5.3.24"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("5.3.80"), EncodeDate(1980, 3, 5));
    EXPECT_EQ(StrToTime("7:08"), EncodeTime(7, 8, 0, 0));
    EXPECT_EQ(StrToTime("07:08:09.5"), EncodeTime(7, 8, 9, 500));
    EXPECT_EQ(StrToDateTime("5.3. 10:00"), EncodeDateTime(2026, 3, 5, 10, 0, 0, 0));
    EXPECT_EQ(StrToDateTime("10:00"), EncodeTime(10, 0, 0, 0));
}

TEST_F(DateUtilsTest, ParsingFollowsTheShortDateFormatOrder) {
    FormatSettings.ShortDateFormat = "yyyy/mm/dd";
    FormatSettings.DateSeparator = '-';
    EXPECT_EQ(StrToDate("2024-03-05"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 5)), "2024-03-05");
}

TEST_F(DateUtilsTest, BadTextIsRefusedWithTheTextInTheMessage) {
    for (const char* bad : {"", "abc", "31.2.2024", "1.13.2024", "1.1.2024 25:00", "1.1.2024 x", "12:60",
                            "1.1.10000", "1:2:3:4", "99999999999.1.2024"}) {
        TDateTime v;
        EXPECT_FALSE(TryStrToDateTime(bad, v)) << bad;
    }
    try {
        StrToDate("32.1.2024");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'32.1.2024' is not a valid date");
    }
    EXPECT_THROW(StrToTime("7"), EConvertError);
    EXPECT_EQ(StrToDateDef("x", -5.0), -5.0);
}
