#include "core/detekce.h"

#include <memory>

#include <gtest/gtest.h>

#include "core/Language.h"
#include "core/tests/CallCentre.h"
#include "platform/ui/TestSupport.h"

namespace {

class TfDetekceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Centre.Bind()) << CallerLibraryError(); }

    // Opens the window modally; its timer fires once the window waits. The
    // window must close itself: an answerer left to close it is a failure.
    Integer Detect(AnsiString* Status = nullptr) {
        TFakeTimerClock clock;
        TModalAnswerer answerer;
        answerer.Act([&](TForm* form) {
            clock.Advance(1);
            if (Status) *Status = static_cast<TfDetekce*>(form)->Label1->Caption();
        });
        const Integer port = RunModemDetection(nullptr);
        EXPECT_TRUE(answerer.Unexpected().empty()) << "the window stayed open";
        EXPECT_EQ(answerer.Seen(), std::vector<AnsiString>{"Probíhá detekce modemu"});
        return port;
    }

    TCallCentre Centre;
};

}  // namespace

TEST_F(TfDetekceTest, FindsTheFirstPortWhoseModemAnswers) {
    // COM1 and COM2 missing, COM3 answers.
    Centre.Scenario("[Modem]\nPorts=3-8\nModem=3\n");
    AnsiString status;
    EXPECT_EQ(Detect(&status), 3);
    EXPECT_EQ(status, "Na portu COM3 byl detekován modem.");
    EXPECT_EQ(Centre.Log(), (std::vector<AnsiString>{
                                "Caller_PortOpen(1) = 2",
                                "Caller_PortOpen(2) = 2",
                                "Caller_PortOpen(3) = 0; handle 3",
                                "Caller_WriteReadPort(3, \"AT\\n\\r\", 100, 2000) = 0; answer \"OK\\r\\n\"",
                                "Caller_PortClose(3, 0) = 0",
                            }));

    // A port that opens but stays silent is closed and the next one tried.
    Centre.Scenario("[Modem]\nPorts=1,2\nModem=2\n");
    EXPECT_EQ(Detect(), 2);
    std::vector<AnsiString> log = Centre.Log();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[1], "Caller_WriteReadPort(1, \"AT\\n\\r\", 100, 2000) = 28");
    EXPECT_EQ(log[2], "Caller_PortClose(1, 0) = 0");
}

TEST_F(TfDetekceTest, ClosesWithNoPortWhenNoneAnswers) {
    // Every port opens, none answers: COM8 is closed and so is the window.
    Centre.Scenario("[Modem]\nPorts=1-8\nModem=\n");
    EXPECT_EQ(Detect(), -1);
    std::vector<AnsiString> log = Centre.Log();
    ASSERT_EQ(log.size(), 24u);
    EXPECT_EQ(log.back(), "Caller_PortClose(8, 0) = 0");

    // No port opens at all; a translation whose specifier does not fit the
    // port number shows the Czech text instead.
    const AnsiString file = Centre.Folder + "texts.lng";
    WriteFileAtomic(file, "[Strings]\r\nPortNotOpend=Port %s failed.\r\n");
    SetLang(std::make_unique<TLang>(file));
    Centre.Scenario("[Modem]\nPorts=\n");
    AnsiString status;
    EXPECT_EQ(Detect(&status), -1);
    SetLang(nullptr);
    EXPECT_EQ(status, "Port COM8 se nepodařilo otevřít.");
    EXPECT_EQ(Centre.Log().size(), 8u);
}
