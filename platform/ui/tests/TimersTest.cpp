#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TestSupport.h"

namespace {

// The splash window's pattern: a one-shot timer stops itself, closes and
// releases the window.
TEST(TTimerWithControlsTest, OneShotTimerReleasesTheSplashWindow) {
    TFakeTimerClock clock;
    auto* splash = new TForm(nullptr);
    auto* label = new TLabel(splash);
    label->SetParent(splash);
    label->SetCaption("Načítám...");
    splash->Show();
    auto* timer = new TTimer(nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(200);
    int fired = 0;
    TForm* current = splash;
    timer->OnTimer = [&](TObject*) {
        ++fired;
        timer->SetEnabled(false);
        current->Close();
        current->Release();
        current = nullptr;
    };
    timer->SetEnabled(true);
    clock.Advance(199);
    EXPECT_EQ(fired, 0);
    clock.Advance(1);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(clock.Running(timer));
    std::weak_ptr<void> alive = splash->AliveToken();
    PumpUntilIdle();
    EXPECT_TRUE(alive.expired());
    clock.Advance(1000);
    EXPECT_EQ(fired, 1);
    delete timer;
}

TEST(TTimerWithControlsTest, TimersInterleaveByDueTimeAndEnabledFromAWorkerIsPosted) {
    TFakeTimerClock clock;
    TTimer fast(nullptr), slow(nullptr);
    fast.SetInterval(0);  // as fast as allowed, not off
    slow.SetInterval(25);
    std::vector<char> order;
    fast.OnTimer = [&](TObject*) { order.push_back('f'); };
    slow.OnTimer = [&](TObject*) { order.push_back('s'); };
    clock.Advance(30);
    EXPECT_EQ(std::count(order.begin(), order.end(), 's'), 1);
    EXPECT_EQ(std::count(order.begin(), order.end(), 'f'), 3);
    std::thread worker([&] { slow.SetEnabled(false); });
    worker.join();
    EXPECT_TRUE(clock.Running(&slow));  // not yet applied on the UI thread
    PumpUntilIdle();
    EXPECT_FALSE(clock.Running(&slow));
    EXPECT_FALSE(slow.Enabled());
}

}  // namespace
