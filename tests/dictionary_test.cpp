#include "support/dictionary.h"

#include <gtest/gtest.h>

#include "support/conversions.h"
#include "support/error.h"

using namespace tintext;

TEST(Dictionary, AbsentKeyReadsAsEmpty) {
    auto d = NewDictionary();
    Value v = d->Item("missing");
    EXPECT_TRUE(v.IsEmpty());
    EXPECT_EQ(SafeCStr(v), "");
    EXPECT_EQ(SafeCLng(v), 0);
    EXPECT_FALSE(SafeCBool(v));
    EXPECT_EQ(d->Count(), 0);  // reading does not insert
}

TEST(Dictionary, DuplicateAddFailsWith457AndChangesNothing) {
    auto d = NewDictionary();
    d->Add("k", 1);
    try {
        d->Add("k", 2);
        FAIL() << "expected 457";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 457);
    }
    EXPECT_EQ(d->Count(), 1);
    EXPECT_EQ(d->Item("k"), Value(1));
    d->Set("k", 3);  // an item write replaces
    EXPECT_EQ(d->Item("k"), Value(3));
    EXPECT_EQ(d->Count(), 1);
}

TEST(Dictionary, KeysKeepInsertionOrderFromZero) {
    auto d = NewDictionary();
    d->Add("x", 1);
    d->Add("a", 2);
    d->Add("m", 3);
    auto keys = d->Keys();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], Value("x"));
    EXPECT_EQ(keys[1], Value("a"));
    EXPECT_EQ(keys[2], Value("m"));
    EXPECT_EQ(d->Name(1), Value("x"));  // the maker's positions count from 1
    EXPECT_EQ(d->ItemAt(3), Value(3));
    EXPECT_TRUE(d->ItemAt(4).IsEmpty());
}

TEST(Dictionary, KeyKindsAndCaseAreDistinct) {
    auto d = NewDictionary();
    d->Add("a", 1);
    d->Add("A", 2);
    d->Add(int32_t{1}, 3);
    d->Add("1", 4);
    EXPECT_EQ(d->Count(), 4);
    EXPECT_EQ(d->Item(1.0), Value(3));  // numeric keys compare by value
    EXPECT_EQ(d->Item(int16_t{1}), Value(3));
    EXPECT_EQ(d->Item("1"), Value(4));
    EXPECT_EQ(d->Item("A"), Value(2));
}

TEST(Dictionary, HoldsNestedCollectionsByReference) {
    auto outer = NewDictionary();
    auto inner = NewDictionary();
    outer->Add("inner", inner);
    inner->Add("late", 7);
    auto back = outer->Item("inner").ObjectAs<Dictionary>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Item("late"), Value(7));
    EXPECT_EQ(outer->Item("inner").TypeName(), "Dictionary");
}
