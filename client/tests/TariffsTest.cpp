#include "client/Tariffs.h"

#include <gtest/gtest.h>

#include "client/tests/ClientFixture.h"

namespace {

class TTariffsTest : public TClientTest {
protected:
    void Write(const AnsiString& Text) { WriteFileAtomic(Folder + "tariffs.brc", Text); }
    // "Tarif Cislo smsmax pmsmax interval cena" of every row, in table order.
    std::vector<AnsiString> Rows() {
        std::vector<AnsiString> rows;
        for (Dm->Tarify->First(); !Dm->Tarify->Eof(); Dm->Tarify->Next())
            rows.push_back(Dm->TarifyTarif->AsString() + " " + Dm->TarifyCislo->AsString() + " " +
                           Dm->Tarifysmsmax->AsString() + " " + Dm->Tarifypmsmax->AsString() + " " +
                           Dm->Tarifyinterval->AsString() + " " + FloatToStr(Dm->Tarifycena->AsCurrency()));
        return rows;
    }
    TCallLimits Limits;
};

const char kTwoTariffs[] =
    "[Tariff2]\r\nPHONE=0900222\r\nSMSMAX=20\r\nPMSMAX=4\r\nINTERVAL=60\r\nTAX=12.5\r\n"
    "[Tariff1]\r\nPHONE=0900111\r\nSMSMAX=5\r\nPMSMAX=1\r\nINTERVAL=30\r\nTAX=3.25\r\n";

}  // namespace

TEST_F(TTariffsTest, EverySectionIsATariffAndTheHighestSetsTheMaxima) {
    Write(kTwoTariffs);
    LoadTariffs(*Dm, Limits);
    EXPECT_EQ(Rows(), (std::vector<AnsiString>{"1 0900111 5 1 30 3.25", "2 0900222 20 4 60 12.5"}));
    EXPECT_EQ(Limits.TextParts, 20);
    EXPECT_EQ(Limits.Objects, 4);

    // Loading again replaces the rows; no file means no tariffs.
    Write("[abcdef7]\r\nPHONE=07\r\nSMSMAX=0\r\nPMSMAX=0\r\nINTERVAL=0\r\nTAX=0\r\n");
    LoadTariffs(*Dm, Limits);
    EXPECT_EQ(Rows(), std::vector<AnsiString>{"7 07 0 0 0 0"});
    DeleteFile(Folder + "tariffs.brc");
    LoadTariffs(*Dm, Limits);
    EXPECT_TRUE(Dm->Tarify->IsEmpty());
    EXPECT_EQ(Limits.TextParts, 0);
    EXPECT_EQ(Limits.Objects, 0);
}

TEST_F(TTariffsTest, AFileThatCannotBeUsedKeepsTheTariffsInForceAndSaysWhy) {
    const AnsiString good = "PHONE=0900333\r\nSMSMAX=9\r\nPMSMAX=2\r\nINTERVAL=60\r\n";
    const struct {
        AnsiString Text;
        const char* Reason;
    } cases[] = {
        {"[Tariff3]\r\n" + good + "TAX=1,5\r\n", "[Tariff3] TAX = \"1,5\""},
        {"[Tariff3]\r\n" + good + "TAX=-1\r\n", "[Tariff3] TAX = \"-1\""},
        {"[Tariff3]\r\n" + good, "[Tariff3] TAX = \"\""},
        {"[Tariff]\r\n" + good + "TAX=1\r\n", "section [Tariff] holds no tariff number"},
        {"[Tariffx]\r\n" + good + "TAX=1\r\n", "section [Tariffx] holds no tariff number"},
        {"[Tariff3]\r\nSMSMAX=9\r\nPMSMAX=2\r\nINTERVAL=60\r\nTAX=1\r\n", "[Tariff3] has no PHONE"},
        {"[Tariff3]\r\nPHONE=123456789012345678901\r\nSMSMAX=9\r\nPMSMAX=2\r\nINTERVAL=60\r\nTAX=1\r\n",
         "is 21 characters long, the limit is 20"},
        {"[Tariff3]\r\nPHONE=1\r\nSMSMAX=9\r\nPMSMAX=two\r\nINTERVAL=60\r\nTAX=1\r\n", "[Tariff3] PMSMAX = \"two\""},
        // A good section before a bad one does not get in either.
        {"[Tariff3]\r\n" + good + "TAX=1\r\n[Tariff4]\r\nPHONE=4\r\nSMSMAX=-1\r\n", "[Tariff4] SMSMAX = \"-1\""},
    };
    Write(kTwoTariffs);
    LoadTariffs(*Dm, Limits);
    const std::vector<AnsiString> inForce = Rows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        Write(c.Text);
        try {
            LoadTariffs(*Dm, Limits);
            ADD_FAILURE() << "accepted";
        } catch (const ETariffFileError& E) {
            EXPECT_EQ(E.Message(), "Nepodařilo se načíst soubor s tarify.");
            EXPECT_EQ(E.Reason().rfind(Folder + "tariffs.brc: ", 0), 0u) << E.Reason();
            EXPECT_NE(E.Reason().find(c.Reason), AnsiString::npos) << E.Reason();
        }
        EXPECT_EQ(Rows(), inForce);
        EXPECT_EQ(Limits.TextParts, 20);
        EXPECT_EQ(Limits.Objects, 4);
    }

    // A file that exists but cannot be read is no empty tariff list.
    DeleteFile(Folder + "tariffs.brc");
    ForceDirectories(Folder + "tariffs.brc");
    EXPECT_THROW(LoadTariffs(*Dm, Limits), ETariffFileError);
    EXPECT_EQ(Rows(), inForce);
}
