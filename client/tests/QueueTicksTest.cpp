#include "client/QueueTicks.h"

#include <gtest/gtest.h>

#include "client/tests/ClientFixture.h"

namespace {

class TQueueTicksTest : public TClientTest {
protected:
    void SetUp() override {
        TClientTest::SetUp();
        Dm->FrontObj->Open();
    }
    // Rows of the given part counts and ticks, queued in this order.
    void Rows(std::initializer_list<std::pair<Integer, bool>> Rows) {
        int n = 0;
        for (const auto& [parts, ticked] : Rows) {
            Dm->FrontObj->Append();
            Dm->FrontObjNapsano->SetAsDateTime(1 + (++n) / 1000.0);
            Dm->FrontObjPocet->SetAsInteger(parts);
            Dm->FrontObjVybrany->SetAsBoolean(ticked);
            Dm->FrontObj->Post();
        }
    }
    // "x" for a ticked row, "." for another, in table order.
    AnsiString Ticks() {
        AnsiString ticks;
        for (Dm->FrontObj->First(); !Dm->FrontObj->Eof(); Dm->FrontObj->Next())
            ticks += Dm->FrontObjVybrany->AsBoolean() ? 'x' : '.';
        return ticks;
    }
    void GoTo(int Row) {
        Dm->FrontObj->First();
        Dm->FrontObj->MoveBy(Row);
    }
};

}  // namespace

TEST_F(TQueueTicksTest, TickAllStopsAtTheLimitUnlessTheUserWantsAll) {
    // 2 + 2 fit a maximum of 4; the third row crosses it, the fourth was ticked before.
    Rows({{2, false}, {2, false}, {1, false}, {1, true}});
    GoTo(1);
    std::vector<AnsiString> asked;
    TickAllWithinLimit(Dm->FrontObj, 4, [&](const AnsiString& Question) {
        asked.push_back(Question);
        return false;
    });
    EXPECT_EQ(Ticks(), "xx..");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0],
              "Ve frontě je více zpráv než lze odeslat na jedno volání, přejete si vybrat skutečně všechny zprávy?"
              "\r\nPokud vyberete Ne bude zatržen jen maximální možný počet zpráv.");
    EXPECT_EQ(SumTickedParts(Dm->FrontObj), 4);

    GoTo(1);
    TickAllWithinLimit(Dm->FrontObj, 4, [](const AnsiString&) { return true; });
    EXPECT_EQ(Ticks(), "xxxx");
    GoTo(2);
    UntickAll(Dm->FrontObj);
    EXPECT_EQ(Ticks(), "....");
    // Within the limit nothing is asked; the current row stays current.
    GoTo(2);
    TickAllWithinLimit(Dm->FrontObj, 6, [](const AnsiString&) -> bool { throw std::logic_error("asked"); });
    EXPECT_EQ(Dm->FrontObj->RecNo(), 3);
    EXPECT_EQ(Ticks(), "xxxx");
}

TEST_F(TQueueTicksTest, ATickBeyondTheLimitIsTakenBack) {
    Rows({{1, true}, {1, true}, {1, true}, {1, true}});
    GoTo(3);
    EXPECT_EQ(KeepTickWithinLimit(Dm->FrontObj, 3, true), "Najednou lze odeslat maximálně 3 zpráv.");
    EXPECT_EQ(Ticks(), "xxx.");
    GoTo(3);
    EXPECT_EQ(KeepTickWithinLimit(Dm->FrontObj, 3, false), "");
}
