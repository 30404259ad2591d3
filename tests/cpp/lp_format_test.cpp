#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "parser/lp_alphabetic.hpp"
#include "parser/lp_format.hpp"
#include "parser/lp_number.hpp"

using namespace mivex::linear;
using mivex::parser::LpFormatParser;
using mivex::parser::parse_float;

namespace {

LinearSystem read_ok(const std::string& text) {
  auto parsed = LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) {
    ADD_FAILURE() << "unexpected error: " << *message;
    return {};
  }
  return std::get<LinearSystem>(std::move(parsed));
}

std::string read_error(const std::string& text) {
  auto parsed = LpFormatParser::parse(text);
  if (auto* message = std::get_if<std::string>(&parsed)) return *message;
  ADD_FAILURE() << "expected an error for: " << text;
  return {};
}

LinearExpr terms(std::initializer_list<std::pair<Rational, std::uint64_t>> list, Rational constant = Rational()) {
  std::vector<Term> t;
  for (const auto& [c, v] : list) t.push_back({c, v});
  return LinearExpr::canonical(std::move(t), std::move(constant));
}

}  // namespace

TEST(LpFormat, EveryMessageExactly) {
  EXPECT_EQ(read_error("max x0\nx0 < 4"), "line 2: bad syntax: x0 < 4");
  EXPECT_EQ(read_error("# c\n\n  int \t\n"), "line 3: bad syntax: int");
  EXPECT_EQ(read_error("x0 =< 4"), "bad number: < 4");
  EXPECT_EQ(read_error("0 <= x0 <= 5"), "bad number: x0 <= 5");
  EXPECT_EQ(read_error("x0 <= 1 2 ;;"), "bad number: 1 2");
  EXPECT_EQ(read_error("x0 + 1/y <= 1"), "bad den in 1/y");
  EXPECT_EQ(read_error("x0 - a/2 <= 1"), "bad num in a/2");
  EXPECT_EQ(read_error("max 2x*x0"), "bad coeff in 2x*x0");
  EXPECT_EQ(read_error("x0 + 1.2.3 >= 0"), "bad constant in 1.2.3");
  EXPECT_EQ(read_error("min\tx0"), "line 1: bad syntax: min\tx0");
  EXPECT_EQ(read_error("END"), "line 1: bad syntax: END");
  // A pass-1 error on a later line wins over an expression error earlier.
  EXPECT_EQ(read_error("x0 + 1.. <= 2\nfoo"), "line 2: bad syntax: foo");
  // The objective is read before the constraints.
  EXPECT_EQ(read_error("x0 + 1.. <= 2\nmax 3*x0 + .*x1"), "bad coeff in .*x1");
}

TEST(LpFormat, ObjectiveConstraintsAndNames) {
  LinearSystem s = read_ok("max 3*x0 + 2*x1\nx0 + x1 <= 4\n");
  ASSERT_TRUE(s.objective);
  EXPECT_EQ(s.objective->sense, ObjectiveSense::Maximize);
  EXPECT_EQ(s.objective->expr, terms({{Rational(3), 0}, {Rational(2), 1}}));
  ASSERT_EQ(s.constraints.size(), 1u);
  EXPECT_EQ(s.constraints[0].op, CmpOp::Le);
  EXPECT_EQ(s.constraints[0].expr, terms({{Rational(1), 0}, {Rational(1), 1}}, Rational(-4)));

  LinearSystem once = read_ok("min x1 + x0");
  EXPECT_EQ(once.next_var, 1u);
  EXPECT_EQ(once.objective->expr, terms({{Rational(2), 0}}));

  // Names other than the canonical one of an existing variable are new variables.
  LinearSystem fresh = read_ok("y + y >= 1\nx5 + x2 <= 3\n3x0 = 1");
  EXPECT_EQ(fresh.next_var, 4u);
  EXPECT_EQ(fresh.constraints[1].expr, terms({{Rational(2), 2}}, Rational(-3)));

  LinearSystem piecewise = read_ok("x0 - - x1 + -x2 + 2 - 1/4 >= 1;;\n2*x0 + 1e-3 >= 0\n0.5*x0 = 2.25");
  EXPECT_EQ(piecewise.constraints[0].expr,
            terms({{Rational(1), 0}, {Rational(-1), 1}, {Rational(-1), 2}}, Rational(3, 4)));
  EXPECT_EQ(piecewise.constraints[0].op, CmpOp::Ge);
  // "1e" is a name (variable 3) and 3 a constant subtracted.
  EXPECT_EQ(piecewise.constraints[1].expr, terms({{Rational(2), 0}, {Rational(1), 3}}, Rational(-3)));
  EXPECT_EQ(piecewise.constraints[2].expr, terms({{Rational(1, 2), 0}}, Rational(-9, 4)));

  LinearSystem unicode = read_ok("\xCE\xB1 + x0 <= 1\n\xE2\x80\x83x0 = 1\xE2\x80\x83");  // alpha; em spaces
  EXPECT_EQ(unicode.next_var, 1u);
  EXPECT_EQ(unicode.constraints[1].expr, terms({{Rational(1), 0}}, Rational(-1)));
}

TEST(LpFormat, CommentsEndAndEmptyTexts) {
  for (const char* text : {"", "\n\n", "# only\n\n", "cap + x0 <= 3\r\n", "end\nthis is not read"}) {
    LinearSystem s = read_ok(text);
    EXPECT_FALSE(s.objective);
    EXPECT_EQ(s.next_var, 0u);
    EXPECT_TRUE(s.constraints.empty());
  }
  LinearSystem later = read_ok("min x0\nmax x0 + x1;\nCx0 >= 0\nend\nx0 < 1");
  EXPECT_EQ(later.objective->sense, ObjectiveSense::Maximize);
  EXPECT_EQ(later.next_var, 3u);  // "Cx0" is a name of its own
}

TEST(LpFormat, IntegerMarksReachEveryVariable) {
  LinearSystem s = read_ok("int x1\nint x3\nint x0 x1\nmax x0 + x1\nx0 + x2 + x3 <= 4\nint x2");
  EXPECT_FALSE(s.var_info(0).is_integer);
  EXPECT_TRUE(s.var_info(1).is_integer);
  EXPECT_TRUE(s.var_info(2).is_integer);
  EXPECT_TRUE(s.var_info(3).is_integer);
  LinearSystem none = read_ok("int x3\nmax x0 + x1");
  EXPECT_FALSE(none.var_info(0).is_integer || none.var_info(1).is_integer);
}

TEST(LpNumber, GrammarExactly) {
  for (const char* good : {"1", "-1", "+2.5", "1.", ".5", "1e5", "1E+5", "2.5e-3", "007", "inf", "-Infinity",
                           "NaN", "+nan", "INF"}) {
    EXPECT_TRUE(parse_float(good).has_value()) << good;
  }
  for (const char* bad : {"", ".", "e5", "1e", "1e+", " 1", "1 ", "0x10", "1_000", "in", "infin", "nan(1)",
                          "--1", "1.2.3", "1,5", "+", "1d", "\xE2\x80\x83" "1"}) {
    EXPECT_FALSE(parse_float(bad).has_value()) << bad;
  }
  EXPECT_EQ(*parse_float("0.1"), 0.1);
  EXPECT_EQ(*parse_float("-2.5e-3"), -2.5e-3);
  EXPECT_TRUE(std::isinf(*parse_float("1e400")));
  EXPECT_EQ(*parse_float("-1e400"), -INFINITY);
  EXPECT_EQ(*parse_float("1e-400"), 0.0);
  EXPECT_EQ(*parse_float("0.000e999999999999"), 0.0);
  EXPECT_EQ(*parse_float("123456789012345678901234567890"), 123456789012345678901234567890.0);
}

TEST(LpAlphabetic, Table) {
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'a'));
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'Z'));
  EXPECT_FALSE(mivex::parser::is_alphabetic(U'1'));
  EXPECT_FALSE(mivex::parser::is_alphabetic(U'_'));
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'\u00E9'));   // e acute
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'\u4E2D'));   // CJK ideograph
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'\u2160'));   // Roman numeral one (Nl)
  EXPECT_FALSE(mivex::parser::is_alphabetic(U'\u00D7'));  // multiplication sign
  EXPECT_FALSE(mivex::parser::is_alphabetic(U'\u0660'));  // Arabic-Indic digit zero
  EXPECT_TRUE(mivex::parser::is_alphabetic(U'\U00020000'));
}
