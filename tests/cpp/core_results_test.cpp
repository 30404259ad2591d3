#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "core/assignment.hpp"
#include "core/float_text.hpp"
#include "core/solver_result.hpp"

using namespace mivex;

TEST(FloatText, ShortestRoundTripWithoutExponent) {
  EXPECT_EQ(float_text(1.0), "1");
  EXPECT_EQ(float_text(2.5), "2.5");
  EXPECT_EQ(float_text(1e-7), "0.0000001");
  EXPECT_EQ(float_text(-0.1), "-0.1");
  EXPECT_EQ(float_text(1.0 / 3.0), "0.3333333333333333");
  EXPECT_EQ(float_text(1e21), "1000000000000000000000");
  EXPECT_EQ(float_text(std::nan("")), "NaN");
  EXPECT_EQ(float_text(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(float_text(-std::numeric_limits<double>::infinity()), "-inf");
  // Every finite double survives the trip through its text.
  for (double x : {5e-324, 1.7976931348623157e308, 123456.789, -2.000000005}) {
    EXPECT_EQ(std::strtod(float_text(x).c_str(), nullptr), x);
  }
}

TEST(ValueText, EachCase) {
  EXPECT_EQ(Value::boolean(true).text(), "true");
  EXPECT_EQ(Value::boolean(false).text(), "false");
  EXPECT_EQ(Value::integer(-42).text(), "-42");
  EXPECT_EQ(Value::floating(2.5).text(), "2.5");
  EXPECT_EQ(Value::big_integer("-18446744073709551616").text(), "-18446744073709551616");
  EXPECT_EQ(Value::boolean(true).as_f64(), 1.0);
  EXPECT_EQ(Value::integer(3).as_f64(), 3.0);
}

TEST(Assignment, SetTwiceKeepsFirstPositionWithSecondValue) {
  Assignment a;
  a.set(5, Value::integer(1));
  a.set(2, Value::integer(2));
  a.set(5, Value::integer(9));
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a.entries()[0].first, 5u);
  EXPECT_EQ(a.entries()[0].second, Value::integer(9));
  EXPECT_EQ(*a.get(2), Value::integer(2));
  EXPECT_EQ(a.get(7), nullptr);
  EXPECT_EQ(a.text(), "[x5 -> 9, x2 -> 2]");
  EXPECT_EQ(Assignment().text(), "[]");
}

TEST(LpResultText, EveryCase) {
  Assignment a;
  a.set(0, Value::integer(1));
  a.set(3, Value::floating(2.5));
  EXPECT_EQ(a.text(), "[x0 -> 1, x3 -> 2.5]");
  EXPECT_EQ(LpResult::optimal(a, 4.0).text(), "OPTIMAL (obj=4)\nModel: [x0 -> 1, x3 -> 2.5]");
  EXPECT_EQ(LpResult::feasible(a).text(), "FEASIBLE\nModel: [x0 -> 1, x3 -> 2.5]");
  EXPECT_EQ(LpResult::infeasible().text(), "INFEASIBLE");
  EXPECT_EQ(LpResult::unbounded().text(), "UNBOUNDED");
  EXPECT_EQ(LpResult::unknown(UnknownReason(UnknownReason::Kind::ResourceLimit)).status(),
            "UNKNOWN (resource limit)");
  EXPECT_EQ(LpResult::unknown(UnknownReason::internal("M")).status(), "UNKNOWN (internal: M)");
  EXPECT_EQ(LpResult::optimal(a, 4.0).status(), "OPTIMAL");
}

TEST(UnknownReasonText, Vocabulary) {
  using K = UnknownReason::Kind;
  EXPECT_EQ(UnknownReason(K::Unsupported).text(), "unsupported");
  EXPECT_EQ(UnknownReason(K::Undecidable).text(), "undecidable");
  EXPECT_EQ(UnknownReason(K::NumericalIssue).text(), "numerical issue");
  EXPECT_EQ(UnknownReason(K::IncompleteAlgorithm).text(), "incomplete algorithm");
}
