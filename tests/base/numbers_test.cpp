#include "base/numbers.h"

#include <gtest/gtest.h>

#include "base/errors.h"

namespace lpc {
namespace {

TEST(RoundTest, TiesGoToEven) {
  struct Case {
    double in;
    int64_t out;
  } cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},   {-0.5, 0},   {-1.5, -2}, {-2.5, -2},
               {2.4999, 2}, {2.5001, 3}, {-2.5001, -3}, {1e300, INT64_MAX}, {-1e300, INT64_MIN}};
  for (const auto& c : cases) EXPECT_EQ(Round(c.in), c.out) << c.in;
}

TEST(TruncTest, TowardsZero) {
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(0.0), 0);
}

TEST(FDivTest, ZeroDivisorIsAnError) {
  EXPECT_DOUBLE_EQ(FDiv(1, 4), 0.25);
  EXPECT_THROW(FDiv(1, 0), DivisionByZeroError);
}

TEST(StrToIntTest, Forms) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"42", true, 42},          {"-42", true, -42},        {"+7", true, 7},
      {"  12", true, 12},        {"$1F", true, 31},         {"0x1f", true, 31},
      {"0X10", true, 16},        {"$FFFFFFFF", true, -1},   {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0}, {"12 ", false, 0},
      {"", false, 0},            {"$", false, 0},           {"0x", false, 0},
      {"1.5", false, 0},         {"abc", false, 0},         {"$100000000", false, 0},
  };
  for (const auto& c : cases) {
    auto v = TryStrToInt(c.text);
    EXPECT_EQ(v.has_value(), c.ok) << c.text;
    if (c.ok && v) {
      EXPECT_EQ(*v, c.value) << c.text;
    }
  }
}

TEST(StrToIntTest, ErrorTextNamesTheValue) {
  try {
    StrToInt("x1");
    FAIL();
  } catch (const ConvertError& e) {
    EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("nope", 9), 9);
}

TEST(SpeedTableTest, IndexAndPercent) {
  EXPECT_EQ(SpeedPercentForIndex(0), 10);
  EXPECT_EQ(SpeedPercentForIndex(10), 100);
  EXPECT_EQ(SpeedPercentForIndex(20), 500);
  EXPECT_EQ(SpeedPercentForIndex(-3), 10);
  EXPECT_EQ(SpeedPercentForIndex(99), 500);
  EXPECT_EQ(SpeedIndexForPercent(360), 18);
  EXPECT_EQ(SpeedIndexForPercent(101), -1);
}

}  // namespace
}  // namespace lpc
