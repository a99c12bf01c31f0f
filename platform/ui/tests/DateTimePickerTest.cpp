#include <gtest/gtest.h>

#include "platform/classes/TypInfo.h"
#include "platform/rtl/DateUtils.h"
#include "platform/ui/DateTimePicker.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

TEST(TDateTimePickerTest, StartsAtTheInjectedNowAndKeepsTheOtherPart) {
    const TDateTime now = EncodeDateTime(2026, 3, 29, 2, 30, 0, 0);  // a daylight-saving gap in Europe
    SetNowFunction([now] { return now; });
    auto* form = new TForm(nullptr);
    auto* time = new TDateTimePicker(form);
    time->SetParent(form);
    time->SetKind(dtkTime);
    ResetNowFunction();
    EXPECT_EQ(time->DateTime(), now);
    int changes = 0;
    time->OnChange = [&](TObject*) { ++changes; };
    // Trimming the seconds the way the send-time panel does.
    time->SetTime(EncodeTime(10, 15, 42, 0));
    Word h, m, s, ms;
    DecodeTime(time->Time(), h, m, s, ms);
    EXPECT_EQ(s, 42);
    time->SetTime(EncodeTime(h, m, 0, 0));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", time->DateTime()), "2026-03-29 10:15:00");
    time->SetDate(EncodeDate(2027, 1, 2));
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", time->DateTime()), "2027-01-02 10:15:00");
    EXPECT_EQ(changes, 0);  // code changes are silent
    form->Free();
}

TEST(TDateTimePickerTest, UserEditFiresOnChangeAndLimitsHold) {
    auto* form = new TForm(nullptr);
    auto* date = new TDateTimePicker(form);
    date->SetParent(form);
    date->SetDateTime(EncodeDateTime(2026, 12, 8, 20, 0, 0, 0));
    date->SetMinDate(EncodeDate(2026, 12, 1));
    date->SetDateTime(EncodeDate(2020, 1, 1));
    EXPECT_EQ(date->Date(), EncodeDate(2026, 12, 1));
    int changes = 0;
    date->OnChange = [&](TObject*) { ++changes; };
    form->Show();
    date->SetFocus();
    SendKey(date, VK_UP);  // steps the day
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(date->Date(), EncodeDate(2026, 12, 2));
    SetPropValue(date, "Kind", "dtkTime");
    EXPECT_EQ(date->Kind(), dtkTime);
    form->Free();
    PumpUntilIdle();
}

}  // namespace
