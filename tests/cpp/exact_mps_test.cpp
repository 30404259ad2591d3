// The MPS reader of mivex_exact: every section and bound type, both
// layouts, exact numbers, and errors that name their line.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "exact/exact_number.hpp"
#include "exact/mps_reader.hpp"

using mivex::exact::Model;
using mivex::exact::MpsLayout;
using mivex::exact::parse_number;
using mivex::exact::Rational;
using mivex::exact::read_mps;

namespace {

Model read_ok(const std::string& text, MpsLayout layout = MpsLayout::Auto) {
  auto read = read_mps(text, layout);
  if (auto* message = std::get_if<std::string>(&read)) {
    ADD_FAILURE() << "unexpected error: " << *message;
    return {};
  }
  return std::get<Model>(std::move(read));
}

std::string read_error(const std::string& text) {
  auto read = read_mps(text);
  if (auto* message = std::get_if<std::string>(&read)) return *message;
  ADD_FAILURE() << "expected an error for:\n" << text;
  return {};
}

Rational number(const char* text) { return *parse_number(text); }

const char* kFree =
    "NAME demo\n"
    "OBJSENSE\n"
    "    MAX\n"
    "ROWS\n"
    " N  obj\n"
    " L  lim\n"
    " G  low\n"
    " E  bal\n"
    " E  neg\n"
    " N  spare\n"
    "COLUMNS\n"
    "    MARKER  'MARKER'  'INTORG'\n"
    "    a  obj  1  lim  2\n"
    "    MARKER  'MARKER'  'INTEND'\n"
    "    b  obj  0.1  low  1\n"
    "    b  spare  5  bal  1\n"
    "    c  neg  1  obj  -3\n"
    "RHS\n"
    "    rhs  lim  10  low  1\n"
    "    rhs  bal  4  obj  2.5\n"
    "    rhs  neg  7\n"
    "RANGES\n"
    "    rng  lim  4  low  3\n"
    "    rng  bal  2  neg  -2\n"
    "BOUNDS\n"
    " UP bnd a 8\n"
    " MI bnd b\n"
    " UP bnd b 3\n"
    " FR bnd c\n"
    "ENDATA\n";

}  // namespace

TEST(ExactMps, EverySectionOfTheFreeLayout) {
  Model m = read_ok(kFree);
  EXPECT_EQ(m.name, "demo");
  EXPECT_TRUE(m.maximize);
  EXPECT_EQ(m.objective_constant, Rational(-5, 2));
  ASSERT_EQ(m.columns.size(), 3u);
  ASSERT_EQ(m.rows.size(), 4u);  // the second N row is dropped with its entries
  EXPECT_TRUE(m.columns[0].integer);
  EXPECT_FALSE(m.columns[1].integer);
  EXPECT_EQ(m.columns[1].cost, Rational(1, 10));
  EXPECT_EQ(m.columns[0].upper, Rational(8));
  EXPECT_FALSE(m.columns[1].lower.has_value());
  EXPECT_EQ(m.columns[1].upper, Rational(3));
  EXPECT_FALSE(m.columns[2].lower.has_value());
  EXPECT_FALSE(m.columns[2].upper.has_value());
  // L: [rhs - |R|, rhs]; G: [rhs, rhs + |R|]; E: toward the range's sign.
  EXPECT_EQ(m.rows[0].lower, Rational(6));
  EXPECT_EQ(m.rows[0].upper, Rational(10));
  EXPECT_EQ(m.rows[1].lower, Rational(1));
  EXPECT_EQ(m.rows[1].upper, Rational(4));
  EXPECT_EQ(m.rows[2].lower, Rational(4));
  EXPECT_EQ(m.rows[2].upper, Rational(6));
  EXPECT_EQ(m.rows[3].lower, Rational(5));
  EXPECT_EQ(m.rows[3].upper, Rational(7));
  EXPECT_EQ(m.entries.size(), 4u);
}

TEST(ExactMps, BoundTypes) {
  const std::string head =
      "NAME\nROWS\n N obj\nCOLUMNS\n x obj 1\n y obj 1\n z obj 1\nBOUNDS\n";
  auto bounds_of = [&](const std::string& lines) { return read_ok(head + lines + "ENDATA\n").columns; };
  auto c = bounds_of(" UP B x -2\n LO B y -3\n UP B z 4\n");
  EXPECT_FALSE(c[0].lower.has_value()) << "a negative UP with the default lower bound frees it below";
  EXPECT_EQ(c[0].upper, Rational(-2));
  EXPECT_EQ(c[1].lower, Rational(-3));
  EXPECT_EQ(c[2].lower, Rational(0));
  c = bounds_of(" LO B x -1\n UP B x -0.5\n FX B y 2.25\n BV B z\n");
  EXPECT_EQ(c[0].lower, Rational(-1)) << "an explicit lower bound stays";
  EXPECT_EQ(c[1].lower, Rational(9, 4));
  EXPECT_EQ(c[1].upper, Rational(9, 4));
  EXPECT_TRUE(c[2].integer);
  EXPECT_EQ(c[2].upper, Rational(1));
  c = bounds_of(" LI B x 2\n UI B y 9\n PL B z\n MI B z\n UP B x 1e30\n");
  EXPECT_TRUE(c[0].integer && c[1].integer);
  EXPECT_EQ(c[0].lower, Rational(2));
  EXPECT_FALSE(c[0].upper.has_value()) << "1e30 is infinite";
  EXPECT_EQ(c[1].upper, Rational(9));
  EXPECT_FALSE(c[2].lower.has_value());
  c = bounds_of(" UP x 5\n FR y\n");  // no bound set name
  EXPECT_EQ(c[0].upper, Rational(5));
  EXPECT_FALSE(c[1].lower.has_value());
}

TEST(ExactMps, NumbersAreExactWithAnyNumberOfDigits) {
  EXPECT_EQ(number("0.1"), Rational(1, 10));
  EXPECT_EQ(number("-1.5e-3"), Rational(-3, 2000));
  EXPECT_EQ(number("1D2"), Rational(100));
  EXPECT_EQ(number(".5"), Rational(1, 2));
  EXPECT_EQ(number("7/21"), Rational(1, 3));
  EXPECT_EQ(number("123456789012345678901234567890") - number("123456789012345678901234567889"), Rational(1));
  EXPECT_EQ(number("0.333333333333333333333333333333") * Rational(3), number("0.999999999999999999999999999999"));
  for (const char* bad : {"", "-", ".", "1e", "1e+", "1.2.3", "0x10", "1/0", "nan", "1e999999", "--1", "1 "}) {
    EXPECT_FALSE(parse_number(bad).has_value()) << bad;
  }
}

// A line of the fixed layout: fields at columns 2, 5, 15, 25, 40 and 50.
std::string fixed_line(std::initializer_list<const char*> fields) {
  static constexpr std::size_t kStart[] = {1, 4, 14, 24, 39, 49};
  std::string line;
  std::size_t f = 0;
  for (const char* field : fields) {
    line.resize(kStart[f++], ' ');
    line += field;
  }
  return line + "\n";
}

TEST(ExactMps, FixedLayoutAllowsSpacesInNames) {
  const std::string text = "NAME          FIXED\nROWS\n" + fixed_line({"N", "COST"}) + fixed_line({"L", "LIM 1"}) +
                           "COLUMNS\n" + fixed_line({"", "X ONE", "COST", "1.5", "LIM 1", "2"}) + "RHS\n" +
                           fixed_line({"", "", "LIM 1", "4"}) + "BOUNDS\n" + fixed_line({"UP", "BND", "X ONE", "3"}) +
                           "ENDATA\n";
  Model m = read_ok(text);
  ASSERT_EQ(m.columns.size(), 1u);
  EXPECT_EQ(m.columns[0].name, "X ONE");
  EXPECT_EQ(m.rows[0].name, "LIM 1");
  EXPECT_EQ(m.rows[0].upper, Rational(4));
  EXPECT_EQ(m.columns[0].upper, Rational(3));
  EXPECT_EQ(m.columns[0].cost, Rational(3, 2));
}

TEST(ExactMps, ErrorsNameTheirLine) {
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\n X bad\nENDATA\n"), "line 4: unknown row type 'X'");
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\nCOLUMNS\n x nope 1\nENDATA\n"), "line 5: unknown row 'nope'");
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\nCOLUMNS\n x obj 1.2.3\nENDATA\n"), "line 5: '1.2.3' is not a number");
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\nCOLUMNS\n x obj 1\nBOUNDS\n UP B y 1\nENDATA\n"),
            "line 7: unknown column 'y'");
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\nCOLUMNS\n x obj 1\nBOUNDS\n XX B x 1\nENDATA\n"),
            "line 7: unknown bound type 'XX'");
  EXPECT_EQ(read_error("NAME\nROWS\n N obj\n"), "line 3: the file ends without ENDATA");
  EXPECT_EQ(read_error("NAME\nFOO\nENDATA\n"), "line 2: unknown section 'FOO'");
  EXPECT_EQ(read_error("NAME\nROWS\n L r\n L r\nENDATA\n"), "line 4: row 'r' is declared twice");
}
