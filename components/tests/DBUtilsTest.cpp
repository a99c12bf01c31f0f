#include "components/DBUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/IniFiles.h"
#include "tables/memdset.h"

namespace {

struct TCountries {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemData* Table = new TMemData(Owner.get());
    TCountries() {
        Table->SetName("Staty");
        Add(new TStringField(Owner.get()), "Jmeno", 20);
        Add(new TStringField(Owner.get()), "Predcisli", 20);
        Add(new TIntegerField(Owner.get()), "Poradi", 0);
        Table->SetSortedField("Jmeno");
        Table->Open();
        int n = 0;
        for (const char* name : {"Česko", "Slovensko", "Polsko", "Německo", "Rakousko"}) {
            Table->Append();
            Table->FieldByName("Jmeno")->SetAsString(name);
            Table->FieldByName("Predcisli")->SetAsString(std::to_string(420 + n));
            Table->FieldByName("Poradi")->SetAsInteger(10 * ++n);
            Table->Post();
        }
        Table->First();
    }
    void Add(TField* f, const AnsiString& name, int size) {
        if (size > 0) f->SetSize(size);
        f->SetFieldName(name);
        f->SetDataSet(Table);
    }
    AnsiString Name() const { return Table->FieldByName("Jmeno")->AsString(); }
};

}  // namespace

TEST(DBUtilsTest, LocateByValueMatchesPrefixesIgnoringCaseAndStaysPutWhenNothingMatches) {
    TCountries c;
    c.Table->Last();
    EXPECT_TRUE(LocateByValue(c.Table, "Jmeno", "slov", false, false));
    EXPECT_EQ("Slovensko", c.Name());
    EXPECT_TRUE(LocateByValue(c.Table, "Jmeno", "RAK", false, false));
    EXPECT_EQ("Rakousko", c.Name());
    EXPECT_FALSE(LocateByValue(c.Table, "Jmeno", "pol", true, false));  // exact wants the whole text
    EXPECT_EQ("Rakousko", c.Name());
    EXPECT_FALSE(LocateByValue(c.Table, "Jmeno", "polsko", false, true));  // case-sensitive
    EXPECT_EQ("Rakousko", c.Name());
    EXPECT_TRUE(LocateByValue(c.Table, "Jmeno", "Polsko", true, true));
    EXPECT_EQ("Polsko", c.Name());
    // A number field compares its text, always with case; the current record
    // that already matches stays current.
    EXPECT_TRUE(LocateByValue(c.Table, "Poradi", "40", true, false));
    EXPECT_EQ("Německo", c.Name());
    EXPECT_TRUE(LocateByValue(c.Table, "Poradi", "4", false, false));
    EXPECT_EQ("Německo", c.Name());
    EXPECT_FALSE(LocateByValue(nullptr, "Jmeno", "x", false, false));
    EXPECT_THROW(LocateByValue(c.Table, "Nic", "x", false, false), EDatabaseError);
}

TEST(DBUtilsTest, ALocateObjectFromTheHookTakesOverAndAFailingTypeCheckFindsNothing) {
    struct TRefusing : TLocateObject {
        using TLocateObject::TLocateObject;
        void CheckFieldType(TField* Field) override {
            if (!dynamic_cast<TStringField*>(Field)) DatabaseError("Lookup field must be a string");
        }
    };
    SetCreateLocateObjectHook([](TDataSet* DataSet) { return std::make_unique<TRefusing>(DataSet); });
    TCountries c;
    EXPECT_FALSE(LocateByValue(c.Table, "Poradi", "30", true, true));
    EXPECT_TRUE(LocateByValue(c.Table, "Jmeno", "Polsko", true, true));
    SetCreateLocateObjectHook(nullptr);
    EXPECT_TRUE(LocateByValue(c.Table, "Poradi", "30", true, true));
}

TEST(DBUtilsTest, FieldLayoutRoundTripsIndicesAndWidthsButVisibilityOnlyWhenAsked) {
    const AnsiString folder = AnsiString(VEMLOR_TEST_OUTPUT) + "/dbutils/";
    std::filesystem::create_directories(folder);
    std::filesystem::remove(folder + "layout.ini");
    TIniFile ini(folder + "layout.ini");
    TCountries c;
    EXPECT_EQ("Staty", DataSetLayoutSection(c.Table));
    c.Table->FieldByName("Predcisli")->SetDisplayWidth(7);
    c.Table->FieldByName("Poradi")->SetVisible(false);
    SaveFieldLayout(c.Table, &ini, "");
    EXPECT_EQ("2,7,1", ini.ReadString("Staty", "StatyPredcisli", ""));
    EXPECT_EQ("3,10,0", ini.ReadString("Staty", "StatyPoradi", ""));

    // Jmeno and Predcisli swap places; Poradi's numbers do not parse.
    ini.WriteString("Staty", "StatyJmeno", "2 30");
    ini.WriteString("Staty", "StatyPredcisli", "1,9");
    ini.WriteString("Staty", "StatyPoradi", "x,y,1");
    TCountries d;
    d.Table->FieldByName("Poradi")->SetVisible(false);
    LoadFieldLayout(d.Table, &ini, "Staty", false);
    EXPECT_EQ(1, d.Table->FieldByName("Predcisli")->Index());
    EXPECT_EQ(2, d.Table->FieldByName("Jmeno")->Index());
    EXPECT_EQ(30, d.Table->FieldByName("Jmeno")->DisplayWidth());
    EXPECT_FALSE(d.Table->FieldByName("Poradi")->Visible());
    LoadFieldLayout(d.Table, &ini, "Staty", true);
    EXPECT_TRUE(d.Table->FieldByName("Poradi")->Visible());

    // Widths out of all reason (a hand-edited file): cut, or not taken.
    ini.WriteString("Staty", "StatyJmeno", "2,2000000000");
    ini.WriteString("Staty", "StatyPredcisli", "1,-500");
    LoadFieldLayout(d.Table, &ini, "Staty", false);
    EXPECT_LE(d.Table->FieldByName("Jmeno")->DisplayWidth(), 1024);
    EXPECT_GE(d.Table->FieldByName("Jmeno")->DisplayWidth(), 300);
    EXPECT_EQ(9, d.Table->FieldByName("Predcisli")->DisplayWidth());
}

TEST(DBUtilsTest, EmptinessAndSafeBookmarks) {
    TCountries c;
    EXPECT_FALSE(DataSetHasNoRecords(c.Table));
    const TBookmark second = (c.Table->Next(), c.Table->GetBookmark());
    c.Table->First();
    EXPECT_TRUE(GotoBookmarkSafe(c.Table, second));
    EXPECT_EQ(2, c.Table->RecNo());
    c.Table->Delete();
    EXPECT_FALSE(GotoBookmarkSafe(c.Table, second));
    EXPECT_FALSE(GotoBookmarkSafe(c.Table, TBookmark{}));
    c.Table->Close();
    EXPECT_TRUE(DataSetHasNoRecords(c.Table));
    EXPECT_TRUE(DataSetHasNoRecords(nullptr));
}
