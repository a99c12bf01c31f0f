#include "platform/ui/DBCtrls.h"

#include <gtest/gtest.h>

#include "platform/db/tests/TestDataSet.h"
#include "platform/ui/TestSupport.h"

namespace {

struct TPeople {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TTestDataSet* DS = new TTestDataSet(Owner.get());
    TDataSource* Source = new TDataSource(Owner.get());
    TPeople() {
        auto* id = new TIntegerField(Owner.get());
        id->SetFieldName("ID");
        id->SetDataSet(DS);
        auto* name = new TStringField(Owner.get());
        name->SetSize(10);
        name->SetFieldName("Jmeno");
        name->SetDataSet(DS);
        auto* tick = new TStringField(Owner.get());
        tick->SetSize(3);
        tick->SetFieldName("Tick");
        tick->SetDataSet(DS);
        DS->AddRow({TTestDataSet::Int(1), "Eva", "ano"});
        DS->AddRow({TTestDataSet::Int(2), "Ota", "ne"});
        Source->SetDataSet(DS);
        DS->Open();
    }
};

class TDBCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetApplicationForTests();
        Form = new TForm(nullptr);
        Form->SetBounds(0, 0, 300, 200);
    }
    void TearDown() override {
        Form->Free();
        PumpUntilIdle();
    }
    TForm* Form = nullptr;
};

}  // namespace

TEST_F(TDBCtrlsTest, EditFollowsTheRecordAndWritesTypedTextWhenPosted) {
    TPeople data;
    auto* edit = new TDBEdit(Form);
    edit->SetParent(Form);
    edit->SetDataSource(data.Source);
    edit->SetDataField("Jmeno");
    EXPECT_EQ("Eva", edit->Text());
    data.DS->Next();
    EXPECT_EQ("Ota", edit->Text());
    edit->SetText("Olga");
    EXPECT_EQ(dsEdit, data.DS->State());
    data.DS->Post();
    EXPECT_EQ("Olga", data.DS->FieldByName("Jmeno")->AsString());
    // Escape takes an unposted change back.
    edit->SetText("X");
    SendKey(edit, VK_ESCAPE);
    EXPECT_EQ("Olga", edit->Text());
}

TEST_F(TDBCtrlsTest, CheckBoxReadsAlternativesAndWritesTheFirst) {
    TPeople data;
    auto* box = new TDBCheckBox(Form);
    box->SetParent(Form);
    box->SetValueChecked("Ano;Yes");
    box->SetValueUnchecked("Ne;No");
    box->SetDataSource(data.Source);
    box->SetDataField("Tick");
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_TRUE(box->Checked());  // "ano" matches "Ano" ignoring case
    data.DS->Next();
    EXPECT_EQ(cbUnchecked, box->State());
    EXPECT_EQ(0, clicks);  // following the record is no click
    box->SetChecked(true);
    EXPECT_EQ("Ano", data.DS->FieldByName("Tick")->AsString());
    EXPECT_EQ(1, clicks);
}

TEST_F(TDBCtrlsTest, LookupComboListsRecordsAndWritesThePickedKey) {
    TPeople people, target;
    auto* combo = new TDBLookupComboBox(Form);
    combo->SetParent(Form);
    combo->SetListSource(people.Source);
    combo->SetKeyField("ID");
    combo->SetListField("Jmeno");
    combo->SetDataSource(target.Source);
    combo->SetDataField("ID");
    ASSERT_EQ(2, combo->Items()->Count());
    EXPECT_EQ("Ota", combo->Items()->Strings(1));
    EXPECT_EQ(0, combo->ItemIndex());  // the target's ID 1 is Eva
    EXPECT_EQ(1, people.DS->RecNo());  // listing left the list where it was
    bool clicked = false;
    combo->OnClick = [&](TObject*) { clicked = true; };
    SendKey(combo, VK_DOWN);  // the user picks Ota
    EXPECT_TRUE(clicked);
    EXPECT_EQ(2, target.DS->FieldByName("ID")->AsInteger());
    EXPECT_EQ("2", VarToStr(combo->KeyValue()));
    combo->SetKeyValue(Variant(1));
    EXPECT_EQ(0, combo->ItemIndex());
}

TEST_F(TDBCtrlsTest, AnEditOnItsWayOutFiresNothingIntoItsOwner) {
    TPeople data;
    auto* edit = new TDBEdit(Form);
    edit->SetParent(Form);
    edit->SetDataSource(data.Source);
    edit->SetDataField("Jmeno");
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    // As the form's destructor frees its controls: a handler here would
    // reach a form that is half gone.
    delete edit;
    EXPECT_EQ(changes, 0);
    data.DS->Next();
}
