#include "support/dictionary.h"

#include "test_prelude.h"

TEST(Dictionary, DuplicateAddRaisesAndChangesNothingAnItemWriteReplaces) {
    auto d = NewDictionary();
    d->Add("k", 1);
    EXPECT_THROW(d->Add("k", 2), Error);
    EXPECT_EQ(d->Item("k"), Value(1));
    d->Set("k", 3);
    EXPECT_EQ(d->Item("k"), Value(3));
    EXPECT_EQ(d->Count(), 1);
    EXPECT_TRUE(d->Item("missing").IsEmpty());
    EXPECT_EQ(d->Count(), 1);  // reading does not insert
}

TEST(Dictionary, PositionsKeepInsertionOrderFromOne) {
    auto d = NewDictionary();
    for (const char* key : {"x", "a", "m"}) d->Add(key, d->Count() + 1);
    EXPECT_EQ(d->Keys(), (std::vector<Value>{Value("x"), Value("a"), Value("m")}));
    EXPECT_EQ(d->Name(1), Value("x"));
    EXPECT_EQ(d->ItemAt(3), Value(3));
    EXPECT_TRUE(d->ItemAt(4).IsEmpty());
    EXPECT_TRUE(d->Name(0).IsEmpty());
}

TEST(Dictionary, NumericKeysCompareByValueTextKeysByCase) {
    auto d = NewDictionary();
    d->Add("a", 1);
    d->Add("A", 2);
    d->Add(int32_t{1}, 3);
    d->Add("1", 4);
    d->Add(0.0, 5);
    EXPECT_EQ(d->Count(), 5);
    EXPECT_EQ(d->Item(1.0), Value(3));
    EXPECT_EQ(d->Item(int16_t{1}), Value(3));
    EXPECT_EQ(d->Item("1"), Value(4));
    EXPECT_EQ(d->Item("A"), Value(2));
    EXPECT_EQ(d->Item(-0.0), Value(5));
}
