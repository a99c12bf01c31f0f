#include "updater/Credentials.h"

#include <gtest/gtest.h>

#include "platform/os/tests/TestHttpServer.h"
#include "platform/ui/TestSupport.h"
#include "updater/uAdvHttp.h"

namespace {

template <class F>
void RunUntil(F Condition) {
    while (!Condition()) WaitForEvents();
}

// The update server wants a password: the program's dialog asks the user,
// on the user-interface thread, while the request waits on its worker.
class TfCredentialsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server.Server().Get("/updclnt/update.dat", [](const httplib::Request& Req, httplib::Response& Res) {
            if (Req.get_header_value("Authorization") == "Basic dXNlcjpzZWNyZXQ=") {  // user:secret
                Res.set_content("[Setup]", "text/plain");
                return;
            }
            Res.status = 401;
            Res.set_header("WWW-Authenticate", "Basic realm=\"updates\"");
        });
        Server.Start();
        SetHttpCredentialsDialog(AskHttpCredentials);
        Http = std::make_unique<TAdvHttp>(nullptr);
        Http->SetURL(Server.Url("/updclnt/update.dat"));
        Http->OnRequestComplete = [this](TObject*) { Completed = true; };
        Http->OnError = [this](TObject*) { Failed = true; };
    }
    void TearDown() override {
        Http.reset();
        SetHttpCredentialsDialog({});
    }
    static TfCredentials* Dialog(TForm* Form) { return dynamic_cast<TfCredentials*>(Form); }

    TTestHttpServer Server;
    std::unique_ptr<TAdvHttp> Http;
    bool Completed = false;
    bool Failed = false;
};

TEST_F(TfCredentialsTest, TheNamesTypedAreSentAndCancelFailsTheRequest) {
    TModalAnswerer answerer;
    // A wrong password first: the server asks again, the dialog shows what was typed.
    answerer.Act([](TForm* Form) {
        EXPECT_TRUE(Dialog(Form)->LabelServer->Visible());
        EXPECT_FALSE(Dialog(Form)->LabelProxy->Visible());
        TypeText(Dialog(Form)->EditUser, "user");
        TypeText(Dialog(Form)->EditPassword, "wrong");
    });
    answerer.ClickButton("OK");
    answerer.Act([this](TForm* Form) {
        EXPECT_EQ(AnsiString(Server.Url("/updclnt/update.dat")), Dialog(Form)->LabelAddress->Caption());
        EXPECT_EQ("user", Dialog(Form)->EditUser->Text());
        Dialog(Form)->EditPassword->SetText("secret");
    });
    answerer.ClickButton("OK");
    Http->Execute(false);
    RunUntil([&] { return Completed || Failed; });
    EXPECT_TRUE(Completed);
    EXPECT_EQ("[Setup]", Http->Text());
    EXPECT_EQ(0, answerer.Pending());

    // Cancel: the request fails as cancelled, nothing is read.
    Completed = false;
    answerer.ClickButton("Zrušit");
    Http->Execute(false);
    RunUntil([&] { return Completed || Failed; });
    EXPECT_TRUE(Failed);
    EXPECT_FALSE(Completed);
    EXPECT_EQ(12017, Http->LastError());
    EXPECT_TRUE(answerer.Unexpected().empty());
}

TEST_F(TfCredentialsTest, AProxyIsNamedAsSuchAndCancelKeepsTheNamesGiven) {
    TModalAnswerer answerer;
    answerer.Act([](TForm* Form) {
        EXPECT_TRUE(Dialog(Form)->LabelProxy->Visible());
        EXPECT_FALSE(Dialog(Form)->LabelServer->Visible());
        EXPECT_EQ("proxyuser", Dialog(Form)->EditUser->Text());
        EXPECT_TRUE(SaveControlToPng(Form, AnsiString(VEMLOR_TEST_OUTPUT) + "/update-window/credentials.png"));
        Dialog(Form)->EditUser->SetText("other");
    });
    answerer.ClickButton("Zrušit");
    AnsiString user = "proxyuser", password = "pw";
    EXPECT_FALSE(AskHttpCredentials("http://proxy:8080", true, user, password));
    EXPECT_EQ("proxyuser", user);
    EXPECT_EQ("pw", password);
}

}  // namespace
