#include "platform/os/SingleInstance.h"

#include <unistd.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtCore/QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "platform/rtl/FileUtils.h"

namespace {

// The server side needs an event loop; the other tests of this binary run
// without an application and are unaffected by this one.
void EnsureCoreApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "platform_os_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
}

AnsiString UniqueName(const char* Tag) {
    return AnsiString("OnlyOneSMS Vemlor ") + Tag + "-" + std::to_string(getpid());
}

// Sends from another thread while this one runs the event loop that serves.
TInstanceReply SendServed(const AnsiString& Name, const AnsiString& Command) {
    TInstanceReply reply = irNoAnswer;
    QEventLoop loop;
    std::thread client([&] {
        reply = SendToInstance(Name, Command, 10000);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    client.join();
    return reply;
}

TEST(TSingleInstanceTest, TheFirstCopyServesShowAndCloseAndTheNameFreesWithIt) {
    EnsureCoreApplication();
    const AnsiString name = UniqueName("inproc");
    auto first = std::make_unique<TSingleInstance>(name);
    ASSERT_TRUE(first->Acquire());
    TSingleInstance second(name);
    EXPECT_FALSE(second.Acquire());
    EXPECT_TRUE(InstanceRunning(name));

    QThread* handlerThread = nullptr;
    int shown = 0;
    first->OnShow = [&] {
        ++shown;
        handlerThread = QThread::currentThread();
    };
    EXPECT_EQ(irDone, SendServed(name, "SHOW"));
    EXPECT_EQ(1, shown);
    EXPECT_EQ(QCoreApplication::instance()->thread(), handlerThread);

    bool closeRan = false;
    first->OnClose = [&] {
        closeRan = true;
        return false;
    };
    EXPECT_EQ(irRefused, SendServed(name, "CLOSE"));
    EXPECT_TRUE(closeRan);
    EXPECT_EQ(irNoAnswer, SendServed(name, "FORMAT C:"));

    first.reset();
    EXPECT_FALSE(InstanceRunning(name));
    EXPECT_EQ(irNoInstance, SendToInstance(name, "SHOW", 1000));
    EXPECT_TRUE(second.Acquire());
}

class THelperProcess {
public:
    THelperProcess(const char* Mode, const AnsiString& Name) {
        const std::string command = std::string("'") + VEMLOR_INSTANCE_HELPER + "' " + Mode + " '" + Name + "'";
        FPipe = popen(command.c_str(), "r");
    }
    ~THelperProcess() { Close(); }
    std::string Line() {
        char buffer[64] = {};
        if (!FPipe || !std::fgets(buffer, sizeof buffer, FPipe)) return "";
        std::string s(buffer);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        return s;
    }
    int Close() {
        if (!FPipe) return -1;
        const int status = pclose(FPipe);
        FPipe = nullptr;
        return status;
    }

private:
    FILE* FPipe = nullptr;
};

TEST(TSingleInstanceTest, AnotherProcessIsShownAndClosedAndAnswersOnlyAfterClosing) {
    EnsureCoreApplication();
    const AnsiString name = UniqueName("helper");
    THelperProcess helper("serve", name);
    ASSERT_EQ("READY", helper.Line());
    TSingleInstance local(name);
    EXPECT_FALSE(local.Acquire());

    EXPECT_EQ(irDone, SendToInstance(name, "SHOW", 10000));
    EXPECT_EQ("SHOWN", helper.Line());
    EXPECT_EQ(irDone, SendToInstance(name, "CLOSE", 10000));
    // The helper wrote its line inside the close handler, before the answer.
    EXPECT_EQ("CLOSED", helper.Line());
    EXPECT_EQ(0, helper.Close());
    EXPECT_TRUE(local.Acquire());
}

TEST(TSingleInstanceTest, ACopyThatDiedLeavesNothingThatBlocksTheNext) {
    EnsureCoreApplication();
    const AnsiString name = UniqueName("crash");
    THelperProcess helper("crash", name);
    ASSERT_EQ("READY", helper.Line());
    EXPECT_EQ(0, helper.Close());
    EXPECT_TRUE(FileExists(InstanceSocketPath(name)));
    EXPECT_FALSE(InstanceRunning(name));
    EXPECT_EQ(irNoInstance, SendToInstance(name, "CLOSE", 1000));
    TSingleInstance next(name);
    EXPECT_TRUE(next.Acquire());
}

}  // namespace
