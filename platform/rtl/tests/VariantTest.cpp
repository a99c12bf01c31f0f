#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/Exceptions.h"

namespace {

AnsiString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EVariantError& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(VariantTest, ConstructionChoosesTheType) {
    EXPECT_EQ(VarType(Variant()), varEmpty);
    EXPECT_EQ(VarType(Null()), varNull);
    EXPECT_EQ(VarType(Unassigned()), varEmpty);
    EXPECT_EQ(VarType(Variant(short(3))), varSmallint);
    EXPECT_EQ(VarType(Variant(3)), varInteger);
    EXPECT_EQ(VarType(Variant(Int64(3))), varInt64);
    EXPECT_EQ(VarType(Variant(3000000000u)), varInt64);
    EXPECT_EQ(VarType(Variant(2.5)), varDouble);
    EXPECT_EQ(VarType(Variant(true)), varBoolean);
    EXPECT_EQ(VarType(Variant("text")), varString);
    EXPECT_EQ(VarType(Variant(AnsiString("text"))), varString);
    EXPECT_EQ(VarType(Variant::FromDateTime(1.5)), varDate);
    EXPECT_EQ(VarType(Variant::FromCurrency(1.5)), varCurrency);
    EXPECT_EQ(VarType(VarArrayOf({1, "a"})), varArray | varVariant);
    EXPECT_TRUE(VarIsNull(Null()));
    EXPECT_FALSE(VarIsNull(Variant()));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_TRUE(VarIsArray(VarArrayOf({})));
    EXPECT_FALSE(VarIsArray(Variant(1)));
}

TEST(VariantTest, ConvertsBetweenTypes) {
    EXPECT_EQ(Variant(42).AsString(), "42");
    EXPECT_EQ(Variant(Int64(-9000000000)).AsString(), "-9000000000");
    EXPECT_EQ(Variant(2.5).AsString(), "2.5");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_EQ(Variant("2.5").AsInteger(), 2);  // half to even, as the class library
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant().AsInteger(), 0);
    EXPECT_EQ(Variant("9000000000").AsInt64(), 9000000000LL);
    EXPECT_DOUBLE_EQ(Variant("1.25").AsDouble(), 1.25);
    EXPECT_DOUBLE_EQ(Variant(7).AsDouble(), 7.0);
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant("false").AsBoolean());
    EXPECT_TRUE(Variant("2").AsBoolean());
    EXPECT_FALSE(Variant(0.0).AsBoolean());
    EXPECT_DOUBLE_EQ(Variant::FromDateTime(36526.5).AsDateTime(), 36526.5);
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStr(Variant("x")), "x");
}

TEST(VariantTest, FailedConversionsRaiseNamingBothTypes) {
    EXPECT_EQ(ErrorOf([] { Variant("abc").AsInteger(); }), "Could not convert variant of type (String) into type (Integer)");
    EXPECT_EQ(ErrorOf([] { Variant("abc").AsDouble(); }), "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(ErrorOf([] { Variant("maybe").AsBoolean(); }), "Could not convert variant of type (String) into type (Boolean)");
    EXPECT_EQ(ErrorOf([] { Null().AsString(); }), "Could not convert variant of type (Null) into type (String)");
    EXPECT_EQ(ErrorOf([] { Null().AsInteger(); }), "Could not convert variant of type (Null) into type (Integer)");
    EXPECT_EQ(ErrorOf([] { VarArrayOf({1}).AsInt64(); }), "Could not convert variant of type (Array) into type (Int64)");
    EXPECT_EQ(ErrorOf([] { Variant(Int64(3000000000)).AsInteger(); }), "Variant value 3000000000 is out of range for type (Integer)");
    EXPECT_NE(ErrorOf([] { Variant(1e300).AsInt64(); }), "(nothing raised)");
    EXPECT_NE(ErrorOf([] { Variant(std::nan("")).AsInt64(); }), "(nothing raised)");
    EXPECT_NE(ErrorOf([] { Variant("not a date").AsDateTime(); }), "(nothing raised)");
}

TEST(VariantTest, NumbersCompareNumericallyAcrossTypes) {
    EXPECT_EQ(Variant(1), Variant(1.0));
    EXPECT_EQ(Variant(short(5)), Variant(Int64(5)));
    EXPECT_LT(Variant(2), Variant(2.5));
    EXPECT_GT(Variant(-1.5), Variant(Int64(-2)));
    EXPECT_EQ(Variant::FromCurrency(3.0), Variant(3));
    EXPECT_LT(Variant::FromDateTime(100.25), Variant(101));
    // Beyond 2^53 doubles cannot tell these apart; 64-bit integers can.
    EXPECT_LT(Variant(Int64(9007199254740992)), Variant(Int64(9007199254740993)));
    EXPECT_LT(Variant(false), Variant(true));
    EXPECT_EQ(Variant(true), Variant(1));
    EXPECT_EQ(Variant(std::nan("")), Variant(std::nan("")));
    EXPECT_LT(Variant(std::nan("")), Variant(-std::numeric_limits<double>::infinity()));
}

TEST(VariantTest, StringsCompareLinguistically) {
    EXPECT_LT(Variant("a"), Variant("B"));  // bytes would put "B" first
    EXPECT_LT(Variant("čaj"), Variant("dort"));
    EXPECT_NE(Variant("a"), Variant("A"));
    EXPECT_EQ(Variant("Šíp"), Variant(AnsiString("Šíp")));
    EXPECT_LT(Variant(""), Variant("a"));
}

TEST(VariantTest, StringAgainstNumberComparesAsNumbersWhenItCan) {
    EXPECT_GT(Variant("10"), Variant(9));  // as text "10" < "9"
    EXPECT_EQ(Variant("2.50"), Variant(2.5));
    EXPECT_EQ(Variant(7), Variant("7"));
    EXPECT_LT(Variant(9), Variant("10"));
    EXPECT_NE(Variant("abc"), Variant(0));
    // Not a number: compared with the number's text, consistently both ways.
    EXPECT_EQ(Variant::Compare(Variant("abc"), Variant(5)), -Variant::Compare(Variant(5), Variant("abc")));
    EXPECT_EQ(Variant("True"), Variant(true));
}

TEST(VariantTest, NullEqualsOnlyNull) {
    EXPECT_EQ(Null(), Null());
    EXPECT_NE(Null(), Variant());
    EXPECT_NE(Null(), Variant(0));
    EXPECT_NE(Null(), Variant(""));
    EXPECT_NE(Variant(), Variant(0));
    EXPECT_NE(Variant(), Variant(""));
    EXPECT_EQ(Variant(), Unassigned());
    // Null and empty sort before every value.
    EXPECT_LT(Null(), Variant());
    EXPECT_LT(Variant(), Variant(-1e300));
    EXPECT_LT(Null(), Variant(""));
}

TEST(VariantTest, ArraysCompareElementByElement) {
    EXPECT_EQ(VarArrayOf({1, "Novák"}), VarArrayOf({1.0, "Novák"}));
    EXPECT_LT(VarArrayOf({1, "a"}), VarArrayOf({1, "b"}));
    EXPECT_LT(VarArrayOf({1}), VarArrayOf({1, Null()}));
    EXPECT_NE(VarArrayOf({Null()}), VarArrayOf({Variant()}));
    EXPECT_NE(VarArrayOf({1}), Variant(1));
}

TEST(VariantTest, ArrayBoundsAndElements) {
    Variant keys = VarArrayOf(std::vector<Variant>{Variant("a"), Variant(2), Null()});
    EXPECT_EQ(VarArrayLowBound(keys, 1), 0);
    EXPECT_EQ(VarArrayHighBound(keys, 1), 2);
    EXPECT_EQ(keys[1].AsInteger(), 2);
    EXPECT_TRUE(VarIsNull(keys[2]));
    keys.SetElement(2, Variant(3.5));
    EXPECT_DOUBLE_EQ(keys[2].AsDouble(), 3.5);
    EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
    EXPECT_EQ(ErrorOf([&] { keys[3]; }), "Variant array index out of bounds (3)");
    EXPECT_EQ(ErrorOf([&] { keys.SetElement(-1, 0); }), "Variant array index out of bounds (-1)");
    EXPECT_EQ(ErrorOf([&] { VarArrayHighBound(keys, 2); }), "Variant array has no dimension 2");
    EXPECT_EQ(ErrorOf([] { VarArrayLowBound(Variant(1), 1); }), "Variant is not an array");
    EXPECT_EQ(ErrorOf([] { Variant("x")[0]; }), "Variant is not an array");
}
