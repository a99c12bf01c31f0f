// Field objects: conversions, limits, texts and validation.

#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/DateUtils.h"
#include "platform/db/tests/TestDataSet.h"

namespace {

struct TOneRow {
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TTestDataSet* DS = new TTestDataSet(Owner.get());

    template <class F>
    F* Add(const char* name, int size = 0) {
        auto* f = new F(Owner.get());
        if (size) f->SetSize(size);
        f->SetFieldName(name);
        f->SetDataSet(DS);
        return f;
    }
    void Start() {
        DS->Open();
        DS->Append();
    }
};

}  // namespace

TEST(TFieldTest, StringIsCutToItsSize) {
    TOneRow t;
    auto* s = t.Add<TStringField>("Jmeno", 5);
    t.Start();
    EXPECT_EQ(s->DataSize(), 6);
    s->SetAsString("Příliš dlouhé");
    EXPECT_EQ(s->AsString(), "Příli");
    s->SetAsString("12");
    EXPECT_EQ(s->AsInteger(), 12);
    s->SetAsString("x");
    EXPECT_THROW(s->AsInteger(), EDatabaseError);
    EXPECT_EQ(s->DisplayWidth(), 5);
}

TEST(TFieldTest, IntegerKindsCheckTheirRange) {
    TOneRow t;
    auto* small = t.Add<TSmallintField>("S");
    auto* word = t.Add<TWordField>("W");
    auto* i = t.Add<TIntegerField>("I");
    t.Start();
    small->SetAsInteger(-32768);
    EXPECT_EQ(small->AsInteger(), -32768);
    try {
        small->SetAsInteger(40000);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767");
    }
    word->SetAsInteger(65535);
    EXPECT_EQ(word->AsInteger(), 65535);
    EXPECT_THROW(word->SetAsInteger(-1), EDatabaseError);
    i->SetAsString("-17");
    EXPECT_EQ(i->AsFloat(), -17);
    EXPECT_THROW(i->SetAsString("12a"), EDatabaseError);
    i->SetAsString("");
    EXPECT_TRUE(i->IsNull());
    EXPECT_EQ(i->AsString(), "");
    EXPECT_TRUE(i->AsVariant().IsNull());
    EXPECT_EQ(i->Alignment(), taRightJustify);
}

TEST(TFieldTest, BooleanUsesItsDisplayValues) {
    TOneRow t;
    auto* b = t.Add<TBooleanField>("Stav");
    t.Start();
    b->SetAsBoolean(true);
    EXPECT_EQ(b->AsString(), "True");
    b->SetDisplayValues("Odesláno;Chyba");
    EXPECT_EQ(b->DisplayText(), "Odesláno");
    b->SetAsString("chy");
    EXPECT_FALSE(b->AsBoolean());
    EXPECT_EQ(b->Text(), "Chyba");
    b->SetAsString("ODES");
    EXPECT_TRUE(b->AsBoolean());
    try {
        b->SetAsString("možná");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "'možná' is not a valid boolean value for field 'Stav'");
    }
}

TEST(TFieldTest, DatesKeepTheNativeDayAndMillisecondForms) {
    TOneRow t;
    auto* d = t.Add<TDateField>("D");
    auto* tm = t.Add<TTimeField>("T");
    auto* dt = t.Add<TDateTimeField>("DT");
    t.Start();
    d->SetAsDateTime(0);
    Integer day = 0;
    ASSERT_TRUE(d->GetData(&day));
    EXPECT_EQ(day, 693594);
    tm->SetAsDateTime(EncodeTime(0, 0, 1, 500));
    Integer ms = 0;
    ASSERT_TRUE(tm->GetData(&ms));
    EXPECT_EQ(ms, 1500);
    dt->SetAsDateTime(-1.25);  // 29 December 1899, 06:00
    double native = 0;
    ASSERT_TRUE(dt->GetData(&native));
    EXPECT_DOUBLE_EQ(native, 693593.0 * 86400000 + 6 * 3600000);
    EXPECT_DOUBLE_EQ(dt->AsDateTime(), -1.25);
    EXPECT_THROW(dt->SetAsDateTime(1e12), EConvertError);
}

TEST(TFieldTest, BcdKeepsFourDecimals) {
    TOneRow t;
    auto* b = t.Add<TBCDField>("B");
    t.Start();
    EXPECT_EQ(b->DataSize(), 34);
    b->SetAsFloat(-1234.56789);
    EXPECT_DOUBLE_EQ(b->AsFloat(), -1234.5679);
    b->SetAsFloat(0.5);
    EXPECT_EQ(b->AsString(), "0.5");
}

TEST(TFieldTest, FractionFieldsParseTextAndRoundIntoIntegerRange) {
    TOneRow t;
    auto* f = t.Add<TFloatField>("F");
    auto* b = t.Add<TBCDField>("B");
    t.Start();
    for (TField* field : {static_cast<TField*>(f), static_cast<TField*>(b)}) {
        SCOPED_TRACE(field->FieldName());
        field->SetAsString("2.5");
        EXPECT_EQ(field->AsInteger(), 3);
        field->SetAsString("");
        EXPECT_TRUE(field->IsNull());
        try {
            field->SetAsString("x1");
            FAIL() << "parsed";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), "'x1' is not a valid floating point value for field '" + field->FieldName() + "'");
        }
    }
    f->SetAsFloat(3e9);
    EXPECT_THROW(f->AsInteger(), EDatabaseError);
}

TEST(TFieldTest, WideStringConvertsToWindows1250) {
    TOneRow t;
    auto* w = t.Add<TWideStringField>("W");
    t.Start();
    w->SetAsString("Žluťoučký");
    EXPECT_EQ(w->AsWideString(), u"Žluťoučký");
    w->SetAsWideString(u"\u20AC \u4E00");
    EXPECT_EQ(w->AsString(), "€ ?");
}

TEST(TFieldTest, ValidateSeesTheNewValueAndMayRefuseIt) {
    TOneRow t;
    auto* i = t.Add<TIntegerField>("I");
    t.Start();
    i->SetAsInteger(1);
    std::vector<int> seen;
    i->OnValidate = [&](TField* f) {
        seen.push_back(f->AsInteger());
        if (f->AsInteger() < 0) throw EDatabaseError("záporné");
    };
    int changes = 0;
    i->OnChange = [&](TField*) { ++changes; };
    i->SetAsInteger(5);
    EXPECT_THROW(i->SetAsInteger(-5), EDatabaseError);
    EXPECT_EQ(i->AsInteger(), 5);
    EXPECT_EQ(seen, (std::vector<int>{5, -5}));
    EXPECT_EQ(changes, 1);
}

TEST(TFieldTest, TextEventsReplaceTheDefaultTexts) {
    TOneRow t;
    auto* i = t.Add<TIntegerField>("I");
    t.Start();
    i->OnGetText = [](TField* f, AnsiString& text, bool display) {
        text = (display ? "#" : "") + IntToStr(f->AsInteger());
    };
    i->OnSetText = [](TField* f, const AnsiString& text) { f->SetAsInteger(StrToInt(text) * 2); };
    i->SetText("21");
    EXPECT_EQ(i->AsInteger(), 42);
    EXPECT_EQ(i->DisplayText(), "#42");
    EXPECT_EQ(i->Text(), "42");
}

TEST(TFieldTest, ReadOnlyFieldCannotBeWritten) {
    TOneRow t;
    auto* s = t.Add<TStringField>("Kod");
    s->SetReadOnly(true);
    s->SetDisplayLabel("Kód");
    t.Start();
    try {
        s->SetAsString("x");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Kód' cannot be modified");
    }
}

TEST(TFieldTest, DuplicateNamesAreRefused) {
    TOneRow t;
    t.Add<TStringField>("Jmeno");
    EXPECT_THROW(t.Add<TStringField>("JMENO"), EDatabaseError);
}

TEST(TFieldTest, BlobTextAndStreams) {
    TOneRow t;
    auto* m = t.Add<TMemoField>("M");
    t.Start();
    EXPECT_EQ(m->DisplayText(), "(Memo)");
    TStringStream in("obsah");
    m->LoadFromStream(&in);
    EXPECT_EQ(m->AsString(), "obsah");
    EXPECT_EQ(m->DisplayText(), "(MEMO)");
    TStringStream out;
    m->SaveToStream(&out);
    EXPECT_EQ(out.DataString(), "obsah");
}
