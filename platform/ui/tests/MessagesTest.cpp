#include "platform/ui/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/Forms.h"
#include "platform/ui/TestSupport.h"

namespace {

constexpr Cardinal WM_REMIND = WM_USER + 1;
constexpr Cardinal WM_OTHER = WM_USER + 2;

// Writes every posted message it receives as "name:message:wparam".
class TRecorder : public TWinControl {
public:
    TRecorder(TComponent* AOwner, const std::string& AName, std::vector<std::string>* Log)
        : TWinControl(AOwner), FName(AName), FLog(Log) {}
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_REMIND || Message.Msg == WM_OTHER)
            FLog->push_back(FName + ":" + (Message.Msg == WM_REMIND ? "remind" : "other") + ":" +
                            std::to_string(Message.WParam));
        TWinControl::WndProc(Message);
    }

private:
    std::string FName;
    std::vector<std::string>* FLog;
};

}  // namespace

TEST(PostMessageTest, MessagesArriveLaterInOrderAndOneCanBeTakenBackForOneControl) {
    std::vector<std::string> log;
    TForm* form = new TForm(nullptr);
    auto* a = new TRecorder(form, "a", &log);
    auto* b = new TRecorder(form, "b", &log);
    PostMessage(a, WM_REMIND, 1);
    PostMessage(b, WM_REMIND, 2);
    PostMessage(a, WM_OTHER, 3);
    PostMessage(a, WM_REMIND, 4);
    EXPECT_TRUE(log.empty());  // nothing before the loop runs

    TMessage taken;
    ASSERT_TRUE(RemovePostedMessage(a, WM_REMIND, &taken));
    EXPECT_EQ(taken.WParam, 1);  // the oldest of its kind for that control
    PumpUntilIdle();
    EXPECT_EQ(log, (std::vector<std::string>{"b:remind:2", "a:other:3", "a:remind:4"}));
    EXPECT_FALSE(RemovePostedMessage(a, WM_REMIND));  // delivered ones are gone
    form->Free();
}

TEST(PostMessageTest, AMessageForAControlFreedMeanwhileIsDropped) {
    std::vector<std::string> log;
    TForm* form = new TForm(nullptr);
    auto* a = new TRecorder(form, "a", &log);
    PostMessage(a, WM_REMIND, 1);
    delete a;
    EXPECT_FALSE(RemovePostedMessage(a, WM_REMIND));
    PumpUntilIdle();
    EXPECT_TRUE(log.empty());
    form->Free();
}
