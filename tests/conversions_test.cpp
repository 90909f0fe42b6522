#include "support/conversions.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/dictionary.h"

using namespace tintext;

TEST(SafeCStr, Kinds) {
    EXPECT_EQ(SafeCStr(Value()), "");
    EXPECT_EQ(SafeCStr(Value::Null()), "");
    EXPECT_EQ(SafeCStr(true), "True");
    EXPECT_EQ(SafeCStr(false), "False");
    EXPECT_EQ(SafeCStr(int32_t{-42}), "-42");
    EXPECT_EQ(SafeCStr(2.5), "2.5");
    EXPECT_EQ(SafeCStr("text"), "text");
    EXPECT_EQ(SafeCStr(Value(std::make_shared<Dictionary>())), "");  // no default text
}

TEST(RoundHalfEven, TiesToEvenAtEveryScale) {
    struct Case {
        double in, out;
    } cases[] = {
        {0.5, 0},   {1.5, 2},   {2.5, 2},   {-0.5, -0},  {-1.5, -2},  {2.4999999999999996, 2},
        {0.49999999999999994, 0},            {4503599627370495.5, 4503599627370496},
        {-4503599627370494.5, -4503599627370494},        {1e300, 1e300},  {-7, -7},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.4)));  // as the maths library gives it
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""))));
    EXPECT_EQ(RoundHalfEven(-INFINITY), -INFINITY);
}

TEST(SafeCLng, RoundsHalfToEvenAndNeverFails) {
    struct Case {
        Value in;
        int32_t out;
    } cases[] = {
        {2.5, 2},         {3.5, 4},          {-2.5, -2},       {2.4999, 2},     {"2.5", 2},
        {" 7 ", 7},       {"", 0},           {"abc", 0},       {"12abc", 0},    {true, -1},
        {false, 0},       {Value(), 0},      {Value::Null(), 0}, {"&H10", 16},  {"&HFFFF", -1},
        {"1e3", 1000},    {3e10, 0},         {"-2147483648", INT32_MIN},        {"2147483648", 0},
        {int16_t{-5}, -5}, {uint8_t{200}, 200},
    };
    for (const auto& c : cases) EXPECT_EQ(SafeCLng(c.in), c.out) << SafeCStr(c.in);
}

TEST(SafeCBool, WordsNumbersAndFailures) {
    struct Case {
        Value in;
        bool out;
    } cases[] = {
        {"True", true}, {"TRUE", true},  {"true", true},   {"False", false}, {"fAlSe", false},
        {"0", false},   {"1", true},     {"-1", true},     {"2", true},      {"0.0", false},
        {"yes", false}, {"", false},     {Value(), false}, {int32_t{0}, false}, {int32_t{2}, true},
        {-1.0, true},   {true, true},
    };
    for (const auto& c : cases) EXPECT_EQ(SafeCBool(c.in), c.out) << SafeCStr(c.in);
}
