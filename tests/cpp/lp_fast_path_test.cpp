// The certified fast path must never change an answer: on every program the
// result (text, objective bits, exact point) equals the one the pivots alone
// give. Also the exact LU it stands on, and the certificate check that is its
// only gate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>

#include "core/error.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/factor/basis_factor.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/certified/float_propose.hpp"
#include "lp/certified/warm_basis.hpp"
#include "lp/solver.hpp"
#include "lp/factor/standard_form.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"
#include "support/soak.hpp"

using namespace mivex;
using namespace mivex::lp;
using linear::LinearSystem;
using linear::Rational;

namespace {

LinearSystem read(const std::string& text) { return support::parse_lp(text); }

enum Hit { kOptimum, kOptimumWithWeights, kOnlyPoint, kInfeasible, kUnbounded, kMissed, kHitKinds };

// Solve both ways, demand the same outcome, and say which certificate (if
// any) answered.
Hit expect_identical(const std::string& text) {
  LinearSystem system = read(text);
  LpSolver pivots(system.clone()), first(system.clone());
  pivots.set_fast_path(LpSolver::FastPath::Off);
  first.set_fast_path(LpSolver::FastPath::Always);
  LpResult a = pivots.solve(), b = first.solve();
  EXPECT_EQ(a.text(), b.text()) << text;
  EXPECT_EQ(a.objective(), b.objective()) << text;  // the same double, bit for bit
  EXPECT_EQ(pivots.exact_values(), first.exact_values()) << text;
  EXPECT_EQ(pivots.exact_objective(), first.exact_objective()) << text;
  EXPECT_FALSE(pivots.stats().fast_path);

  auto answer = fast_path_solve(system, Cancel::none());
  EXPECT_EQ(answer.has_value(), first.stats().fast_path) << text;
  if (!answer) return kMissed;
  EXPECT_EQ(answer->result.text(), a.text()) << text;
  EXPECT_TRUE(verify(*column_form(system), answer->certificate)) << text;
  switch (answer->certificate.kind) {
    case Certificate::Kind::Infeasible: return kInfeasible;
    case Certificate::Kind::Unbounded: return kUnbounded;
    case Certificate::Kind::UniqueOptimum: break;
  }
  if (!system.objective) return kOnlyPoint;
  for (const auto& u : answer->certificate.u) {
    if (!u.is_zero()) return kOptimumWithWeights;
  }
  return kOptimum;
}

struct Gen {
  std::mt19937_64 rng;
  int pick(int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); }
  std::string term(const std::string& coef, int j) { return coef + "*x" + std::to_string(j); }
  // Every variable x0..x(n-1) created in order, whatever the rows use.
  std::string declare(int n) {
    std::string line = "0*x0";
    for (int j = 1; j < n; ++j) line += " + 0*x" + std::to_string(j);
    return line + " >= 0";
  }
};

// Small integer programs built to be degenerate and to tie: right-hand sides
// of 0, repeated and scaled rows, objectives parallel to a row or absent.
std::string tied_lp(Gen& g) {
  int n = g.pick(2, 6), m = g.pick(1, 7);
  std::vector<std::string> rows;
  for (int i = 0; i < m; ++i) {
    std::string line;
    if (!rows.empty() && g.pick(0, 4) == 0) {
      line = rows[g.pick(0, static_cast<int>(rows.size()) - 1)];
    } else {
      for (int j = 0; j < n; ++j) {
        int c = g.pick(-2, 3);
        if (c != 0) line += (line.empty() ? "" : " + ") + g.term(std::to_string(c), j);
      }
      if (line.empty()) line = "x0";
      const char* ops[] = {" <= ", " >= ", " = ", " <= "};
      line += ops[g.pick(0, 3)] + std::to_string(g.pick(0, 2) == 0 ? 0 : g.pick(-2, 6));
    }
    rows.push_back(line);
  }
  std::string text;
  switch (g.pick(0, 4)) {
    case 0: break;  // no objective
    case 1: {       // parallel to a row
      std::string row = rows[g.pick(0, m - 1)];
      text = (g.pick(0, 1) ? "max " : "min ") + row.substr(0, row.find_first_of("<>="));
      break;
    }
    default: {
      text = g.pick(0, 1) ? "max " : "min ";
      for (int j = 0; j < n; ++j) text += (j ? " + " : "") + g.term(std::to_string(g.pick(-3, 3)), j);
    }
  }
  text += "\n" + g.declare(n);
  for (const auto& r : rows) text += "\n" + r;
  return text;
}

// Boxed programs with generic costs and nine-decimal data: mostly unique
// optima, the common case of real models.
std::string boxed_lp(Gen& g) {
  int n = g.pick(2, 12), m = g.pick(1, 10);
  auto decimal = [&] { return std::to_string(g.pick(-9, 9)) + "." + std::to_string(g.pick(100000000, 999999999)); };
  std::string text = g.pick(0, 1) ? "max " : "min ";
  for (int j = 0; j < n; ++j) text += (j ? " + " : "") + g.term(decimal(), j);
  for (int i = 0; i < m; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      if (g.pick(0, 2) == 0) line += (line.empty() ? "" : " + ") + g.term(decimal(), j);
    }
    if (line.empty()) continue;
    const char* ops[] = {" <= ", " >= ", " = "};
    line += ops[g.pick(0, 2)] + std::to_string(g.pick(-20, 40));
    text += "\n" + line;
  }
  for (int j = 0; j < n; ++j) {
    if (g.pick(0, 3) != 0) text += "\nx" + std::to_string(j) + " <= " + std::to_string(g.pick(1, 9));
  }
  return text;
}

// Square equality systems with no objective: a single feasible point when
// the matrix is nonsingular and the point is non-negative.
std::string only_point_lp(Gen& g) {
  int n = g.pick(1, 6);
  std::string text = g.declare(n);
  for (int i = 0; i < n; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      int c = (i == j ? g.pick(3, 6) : g.pick(-1, 1));
      if (c != 0) line += (line.empty() ? "" : " + ") + g.term(std::to_string(c), j);
    }
    text += "\n" + line + " = " + std::to_string(g.pick(0, 9));
  }
  return text;
}

// Larger sparse programs: the exact LU sees fill-in and long pivot searches.
std::string sparse_lp(Gen& g) {
  int n = g.pick(15, 40), m = g.pick(10, 30);
  std::string text = g.pick(0, 1) ? "max " : "min ";
  for (int j = 0; j < n; ++j) text += (j ? " + " : "") + g.term(std::to_string(g.pick(1, 20)), j);
  for (int i = 0; i < m; ++i) {
    std::string line;
    for (int j = 0; j < n; ++j) {
      if (g.pick(0, 5) == 0) line += (line.empty() ? "" : " + ") + g.term(std::to_string(g.pick(1, 9)), j);
    }
    if (line.empty()) continue;
    line += g.pick(0, 2) ? " <= " : " >= ";
    line += std::to_string(g.pick(5, 60));
    text += "\n" + line;
  }
  return text;
}

}  // namespace

TEST(LpFastPath, SameAnswerAsThePivotsOnGeneratedPrograms) {
  Gen g{std::mt19937_64(support::soak_seed(11))};
  std::array<int, kHitKinds> hits{};
  int total = 0;
  for (int round = 0; round < support::soak_rounds(4000); ++round) {
    std::string text;
    switch (round % 8) {
      case 0: case 1: case 2: text = tied_lp(g); break;
      case 3: case 4: case 5: text = boxed_lp(g); break;
      case 6: text = only_point_lp(g); break;
      default: text = sparse_lp(g); break;
    }
    ++hits[expect_identical(text)];
    ++total;
    if (HasFailure()) break;
  }
  std::printf("fast path answered %d of %d: optimum %d (+%d with weights), only point %d, infeasible %d, "
              "unbounded %d\n", total - hits[kMissed], total, hits[kOptimum], hits[kOptimumWithWeights],
              hits[kOnlyPoint], hits[kInfeasible], hits[kUnbounded]);
  // Every kind of certificate must have answered somewhere, and most
  // programs of these families should be answered at all.
  for (int kind = 0; kind < kMissed; ++kind) EXPECT_GT(hits[kind], 10) << kind;
  EXPECT_GT(total - hits[kMissed], total / 2);
}

// Branch and bound's node programs: the system as read plus bound rows on
// a shared matrix.
TEST(LpFastPath, NodeProgramsAnswerAlike) {
  Gen g{std::mt19937_64(support::soak_seed(17))};
  int answered = 0;
  for (int round = 0; round < support::soak_rounds(400); ++round) {
    LinearSystem system = read(round % 2 ? tied_lp(g) : boxed_lp(g));
    std::vector<linear::LinearConstraint> extra;
    for (std::uint64_t var : system.variables) {
      if (g.pick(0, 2) != 0) continue;
      auto bound = linear::LinearExpr::variable(var) - linear::LinearExpr::constant_of(Rational(g.pick(0, 3)));
      extra.push_back({bound, g.pick(0, 1) ? linear::CmpOp::Le : linear::CmpOp::Ge, std::nullopt});
    }
    auto base = StandardForm::of(system);
    LpSolver pivots(StandardForm::extend(base, extra), system, &extra);
    LpSolver first(StandardForm::extend(base, extra), system, &extra);
    pivots.set_fast_path(LpSolver::FastPath::Off);
    first.set_fast_path(LpSolver::FastPath::Always);
    LpResult a = pivots.solve(), b = first.solve();
    ASSERT_EQ(a.text(), b.text()) << round;
    EXPECT_EQ(a.objective(), b.objective());
    EXPECT_EQ(pivots.exact_values(), first.exact_values());
    answered += first.stats().fast_path;
  }
  EXPECT_GT(answered, 200);
}

// Branch and bound hands a node's final basis to its children's
// floating-point runs, from the exact pivots too (warm_basis_of): the
// engine started there must find the optimum where it stands, with the
// statuses as it would have set them itself.
TEST(LpFastPath, EngineStartedOnTheExactOptimumStaysThere) {
  Gen g{std::mt19937_64(support::soak_seed(19))};
  // Many of these programs are infeasible or unbounded: draw until enough
  // optima were checked.
  const int wanted = support::soak_rounds(200);
  int checked = 0;
  for (int round = 0; checked < wanted && round < 10 * wanted; ++round) {
    LinearSystem system = read(round % 3 == 0 ? tied_lp(g) : (round % 3 == 1 ? boxed_lp(g) : sparse_lp(g)));
    std::vector<linear::LinearConstraint> extra;
    for (std::uint64_t var : system.variables) {
      if (g.pick(0, 3) != 0) continue;
      // Mostly upper bounds, which keep most programs feasible; some
      // lower bounds and equations for the engine's other row statuses.
      const int kind = g.pick(0, 5);
      const linear::CmpOp op = kind < 4 ? linear::CmpOp::Le : (kind == 4 ? linear::CmpOp::Ge : linear::CmpOp::Eq);
      const int at = op == linear::CmpOp::Le ? g.pick(1, 3) : g.pick(0, 1);
      extra.push_back({linear::LinearExpr::variable(var) - linear::LinearExpr::constant_of(Rational(at)), op, std::nullopt});
    }
    auto form = StandardForm::extend(StandardForm::of(system), extra);
    LpSolver pivots(form, system, &extra);
    pivots.set_fast_path(LpSolver::FastPath::Off);
    if (pivots.solve().kind() != LpResult::Kind::Optimal) {
      EXPECT_TRUE(pivots.final_basis().empty());
      continue;
    }
    auto warm = warm_basis_of(*form, pivots.final_basis(), system, &extra);
    if (!warm) continue;  // two auxiliary columns of a row basic
    const auto is_basic = static_cast<std::uint8_t>(WarmStatus::Basic);
    const std::size_t basic = std::count(warm->column.begin(), warm->column.end(), is_basic) +
                              std::count(warm->row.begin(), warm->row.end(), is_basic);
    ASSERT_EQ(basic, form->num_rows()) << round;
    auto columns = column_form(system, &extra);
    FloatSimplex engine(*columns, Cancel::none());
    engine.start_from(&*warm);
    ASSERT_EQ(engine.primal().status, Proposal::Status::Optimal) << round;
    const WarmBasis end = engine.warm_basis();
    EXPECT_EQ(end.column, warm->column) << round;
    EXPECT_EQ(end.row, warm->row) << round;
    ++checked;
    if (HasFailure()) break;
  }
  EXPECT_EQ(checked, wanted);
}

TEST(LpFastPath, SameAnswerOnHandPickedCases) {
  // Ties, degeneracy, cycling under the pivot rule, artificials left basic,
  // negative right-hand sides, numbers beyond 64 bits and beyond doubles.
  const std::string beyond_doubles = "max x0 + x1\nx0 <= 1" + std::string(400, '0') + "\nx1 <= 2";
  for (const std::string& text : std::vector<std::string>{
           beyond_doubles,
           "max 3*x0 + 2*x1\nx0 + x1 <= 4\nx0 + 3*x1 <= 6\nx0 <= 3",
           "min -0.75*x0 + 20*x1 - 0.5*x2 + 6*x3\n0.25*x0 - 8*x1 - 1*x2 + 9*x3 <= 0\n"
           "0.5*x0 - 12*x1 - 0.5*x2 + 3*x3 <= 0\nx2 <= 1",
           "max x0\n-x0 - x1 = 0\nx0 <= 3",
           "max x0\n-x0 - x1 = 0",
           "max x0 + x1\nx0 + x1 = 2\n2*x0 + 2*x1 = 4\nx0 <= 1",
           "max x0 + x1\nx0 + x1 <= 1",
           "min x0 + x1\nx0 + x1 >= 2",
           "max x0\nx0 >= -2\n-x0 <= 3\nx0 - x1 <= -1\nx1 <= 4",
           "min x0\nx0 <= -1",
           "max x0\nx0 - x1 >= 0",
           "min x0",
           "max 0*x0",
           "min 0*x0 - 9223372036854775808\nx0 <= 1",
           "max x0\n3*x0 <= 100000000000000000000000000001",
           "max 123456789.123456789*x0 + x1\n98765.4321*x0 + 0.000000001*x1 <= 7\nx1 <= 3",
       }) {
    SCOPED_TRACE(text);
    expect_identical(text);
  }
}

// Entries from 1e-9 to 1e23 (a generated program): CLP's primal simplex,
// run after its dual, wrote outside its arrays here. Such ranges are left to
// the exact pivots, which answer as always.
TEST(LpFastPath, ExtremeRangesAreLeftToThePivots) {
  const std::string text =
      "max -2*x0 + 1.000000002*x1 + 123456789012345678901235*x2 + 0.000000002*x3 + 100000000000000002*x4 + 123456789012345678901235*x5 + -100000000000000001*x6 + -100000000000000001*x7\n"
      "100000000000000000*x1 + -1*x2 + 100000000000000001*x3 + -3*x4 + 1.000000001*x7 <= 2\n"
      "0.000000001*x0 + 0.000000001*x1 + 0.000000002*x2 + 1*x4 + 0.000000001*x5 + -123456789012345678901234*x7 = 123456789012345678901234\n"
      "-0.000000002*x1 + 123456789012345678901235*x2 + 1.000000001*x4 + 1.000000001*x5 + -1*x6 + 1.000000002*x7 >= -123456789012345678901235\n"
      "-100000000000000002*x0 + 1.000000002*x2 + -1.000000001*x4 + 0.000000002*x5 + -0.000000002*x6 + 2*x7 = 100000000000000002\n"
      "1.000000002*x1 + 123456789012345678901234*x2 + 123456789012345678901235*x5 + 0.000000002*x6 + 0.000000001*x7 >= 1\n"
      "0.000000002*x0 + 100000000000000001*x1 + 100000000000000002*x2 + 0.000000001*x5 + -1*x6 <= 0\n"
      "100000000000000001*x0 + 0.000000001*x1 + 123456789012345678901234*x3 + 1.000000001*x5 + 0.000000001*x6 <= 100000000000000000\n"
      "x2 <= 0.000000002\n"
      "x3 <= 0.000000001\n"
      "x5 <= 100000000000000000\n"
      "x7 <= 0.000000001";
  EXPECT_FALSE(fast_path_solve(read(text), Cancel::none()));
  LpSolver first(read(text)), pivots(read(text));
  first.set_fast_path(LpSolver::FastPath::Always);
  pivots.set_fast_path(LpSolver::FastPath::Off);
  EXPECT_EQ(first.solve().text(), pivots.solve().text());
}

// Costs and entries of 1e15 to 1e17 together made CLP's dual simplex read
// and write outside its arrays, though the ratio of the entries was within
// bounds (a soak found it; this is its program shrunk). Entries and costs
// past 1e15 stay with the exact pivots.
TEST(LpFastPath, HugeNumbersAreLeftToThePivots) {
  const std::string text =
      "max -100000000000000000*x0 + 100000000000000002*x1\n"
      "1000000000000000*x0 + -3*x1 <= 0\n"
      "x0 <= 0\n"
      "-100000000000000001*x0 + 1.000000002*x1 = 100\n"
      "x0 <= 3\n";
  const LinearSystem system = read(text);
  EXPECT_FALSE(FloatSimplex(*column_form(system), Cancel::none()).loaded());
  FloorSource floor;
  EXPECT_FALSE(fast_path_solve(system, nullptr, Cancel::none(), &floor));
  LpSolver first(read(text)), pivots(read(text));
  first.set_fast_path(LpSolver::FastPath::Always);
  pivots.set_fast_path(LpSolver::FastPath::Off);
  EXPECT_EQ(first.solve().text(), pivots.solve().text());
  // Right-hand sides too: CLP failed an assertion on one of 1e100, which
  // aborts the process (fuzz/regressions/exact).
  const LinearSystem big_rhs = read("min x0 + x1\nx0 + 2*x1 >= 100000000000000000\nx0 <= 3\n");
  EXPECT_FALSE(FloatSimplex(*column_form(big_rhs), Cancel::none()).loaded());
  // The weights' search takes tableau entries, which the inverse can make
  // huge from modest programs: the same limit holds there.
  EXPECT_TRUE(find_weights({{1.0, 2.0}}, {false}, Cancel::none()));
  EXPECT_FALSE(find_weights({{1e16, 2.0}}, {false}, Cancel::none()));
}

TEST(LpFastPath, NoAnswerWhenSeveralPointsAreOptimal) {
  // An edge of optima, a face with a degenerate corner, a free direction of
  // zero cost, and a system without objective with many feasible points.
  for (const char* text : {"max x0 + x1\nx0 + x1 <= 1", "min x0\nx0 + x1 + x2 >= 0\nx1 + x2 <= 2\nx1 - x2 = 0",
                           "min x0\nx0 - x1 <= 0\nx1 <= 5", "x0 + x1 <= 1"}) {
    EXPECT_FALSE(fast_path_solve(read(text), Cancel::none())) << text;
  }
  // A degenerate optimum whose uniqueness needs the weights: x1 = x2 = 0 is
  // forced by x1 - x2 <= 0 with x2 basic at 0, though x1 has zero cost.
  auto answer = fast_path_solve(read("min x0 + 0*x1 + x2\nx0 >= 1\nx1 - x2 <= 0\nx0 + x1 <= 1"), Cancel::none());
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->result.text(), "OPTIMAL (obj=1)\nModel: [x0 -> 1, x1 -> 0, x2 -> 0]");
  bool weighted = false;
  for (const auto& u : answer->certificate.u) weighted = weighted || !u.is_zero();
  EXPECT_TRUE(weighted);
}

// verify() is the only gate: a certificate that is slightly off must fail.
TEST(LpFastPath, TamperedCertificatesFailTheCheck) {
  Gen g{std::mt19937_64(5)};
  int tampered = 0;
  for (int round = 0; round < 600; ++round) {
    LinearSystem system = read(round % 2 ? tied_lp(g) : boxed_lp(g));
    auto answer = fast_path_solve(system, Cancel::none());
    if (!answer) continue;
    ColumnForm form = *column_form(system);
    Certificate c = answer->certificate;
    ASSERT_TRUE(verify(form, c));
    const Rational eps(1, 1000003);
    // Move the point off the optimum (or off feasibility), drop the ray to
    // zero, or shift a Farkas multiplier: each breaks an equation exactly.
    switch (c.kind) {
      case Certificate::Kind::UniqueOptimum: {
        std::size_t j = static_cast<std::size_t>(round) % c.x.size();
        Certificate moved = c;
        moved.x[j] = moved.x[j] + eps;
        EXPECT_FALSE(verify(form, moved));
        Certificate unbasic = c;
        unbasic.basis.pop_back();
        EXPECT_FALSE(verify(form, unbasic));
        break;
      }
      case Certificate::Kind::Unbounded: {
        Certificate flat = c;
        for (auto& r : flat.ray) r = Rational();
        EXPECT_FALSE(verify(form, flat));
        break;
      }
      case Certificate::Kind::Infeasible: {
        Certificate none = c;
        for (auto& y : none.y) y = Rational();
        EXPECT_FALSE(verify(form, none));
        break;
      }
    }
    ++tampered;
  }
  EXPECT_GT(tampered, 200);
}

TEST(LpFastPath, InterruptStopsTheFloatingPointRun) {
  Gen g{std::mt19937_64(3)};
  LinearSystem system = read(sparse_lp(g));
  int polls = 0;
  Cancel cancel([](void* count) { return ++*static_cast<int*>(count) > 3; }, &polls);
  EXPECT_THROW(fast_path_solve(system, cancel), Interrupted);
}

// The early exit of unique_optimum() (hopeless()) must never decide a
// verdict: with any hint of reduced costs, the engine's own, none at all
// or all zero (every move a candidate), the certificate is the same, and
// a basis called hopeless never certifies.
TEST(LpFastPath, EarlyExitNeverChangesTheCertificate) {
  Gen g{std::mt19937_64(23)};
  int optimal = 0, hopeless = 0, certified = 0;
  WeightSearch search = [](const std::vector<std::vector<double>>& k, const std::vector<bool>& free) {
    return find_weights(k, free, Cancel::none());
  };
  for (int round = 0; round < 1500; ++round) {
    LinearSystem system = read(round % 3 == 0 ? tied_lp(g) : round % 3 == 1 ? boxed_lp(g) : sparse_lp(g));
    ColumnForm form = *column_form(system);
    FloatSimplex engine(form, Cancel::none());
    Proposal p = engine.dual();
    if (p.status != Proposal::Status::Optimal) continue;
    ASSERT_EQ(p.reduced.size(), form.n + form.m);
    Certifier plain(form, Cancel::none());
    if (!plain.load(p.basis)) continue;
    ++optimal;
    auto reference = plain.unique_optimum(search);
    certified += reference.has_value();
    const std::vector<double> zeros(form.n + form.m, 0.0);
    const std::vector<double>* hints[] = {&p.reduced, &zeros};
    for (const std::vector<double>* hint : hints) {
      Certifier hinted(form, Cancel::none());
      ASSERT_TRUE(hinted.load(p.basis));
      if (hinted.hopeless(*hint)) {
        ++hopeless;
        EXPECT_FALSE(reference) << round;
      }
      Certifier again(form, Cancel::none());
      ASSERT_TRUE(again.load(p.basis));
      auto c = again.unique_optimum(search, hint);
      ASSERT_EQ(c.has_value(), reference.has_value()) << round;
      if (c) {
        EXPECT_EQ(c->x, reference->x);
        EXPECT_EQ(c->y, reference->y);
        EXPECT_EQ(c->u, reference->u);
      }
    }
  }
  std::printf("optimal proposals %d, certified %d, called hopeless %d times\n", optimal, certified, hopeless);
  EXPECT_GT(certified, 250);
  EXPECT_GT(hopeless, 80);
}
