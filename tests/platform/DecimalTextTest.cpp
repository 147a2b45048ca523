// Numbers kept as text: read and written with a point as the decimal mark,
// in the C locale and under a host's decimal-comma locale alike.
#include "platform/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/Locales.h"

namespace {

void ExpectReadsAndWrites(const char* where) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* text;
    bool ok;
    float value;
    size_t used;
  } reads[] = {
      {" \t1.5 2", true, 1.5f, 5}, {"+2", true, 2.0f, 2},      {"-0.25x", true, -0.25f, 5}, {"1,5", true, 1.0f, 1},
      {".5", true, 0.5f, 2},       {"3.", true, 3.0f, 2},      {"1e40", true, inf, 4},      {"-1e40", true, -inf, 5},
      {"1e-50", true, 0.0f, 5},    {"1e-400", false, 0.0f, 0}, {"+-1", false, 0.0f, 0},     {"", false, 0.0f, 0},
      {"x1", false, 0.0f, 0},      {"   ", false, 0.0f, 0},    {"-", false, 0.0f, 0},
  };
  for (const auto& c : reads) {
    const char* p = c.text;
    float v = 42.0f;
    EXPECT_EQ(ReadDecimalFloat(&p, c.text + std::strlen(c.text), &v), c.ok) << where << " '" << c.text << "'";
    EXPECT_EQ(size_t(p - c.text), c.used) << where << " '" << c.text << "'";
    EXPECT_EQ(v, c.ok ? c.value : 42.0f) << where << " '" << c.text << "'";
  }
  // The end bounds the reading: no look past it for more digits.
  const char* digits = "12345";
  const char* p = digits;
  float v = 0;
  EXPECT_TRUE(ReadDecimalFloat(&p, digits + 2, &v));
  EXPECT_EQ(v, 12.0f);

  const struct {
    double value;
    int decimals;
    const char* text;
  } writes[] = {{2.5, 4, "2.5000"}, {-0.0004, 3, "-0.000"}, {1234.5678, 3, "1234.568"}, {-7, 0, "-7"}};
  for (const auto& c : writes) {
    char buf[32];
    char* end = WriteDecimalFixed(buf, buf + sizeof buf, c.value, c.decimals);
    ASSERT_NE(end, nullptr) << where << " " << c.text;
    EXPECT_EQ(std::string(buf, end), c.text) << where;
  }
  char small[4];
  EXPECT_EQ(WriteDecimalFixed(small, small + sizeof small, 2.5, 4), nullptr) << where;
}

TEST(DecimalText, PointAsTheMarkWhateverTheLocale) {
  ExpectReadsAndWrites("C locale");
  tamrel_test::DecimalCommaLocale comma;
  ASSERT_TRUE(comma.active()) << comma.Missing();
  ExpectReadsAndWrites("decimal-comma locale");
}

}  // namespace
