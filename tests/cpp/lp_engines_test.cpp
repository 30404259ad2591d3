// The scaled-integer tableau must make exactly the pivots of the plain
// rational one: same results, same pivot counts, same exact values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

using namespace mivex;
using namespace mivex::lp;

namespace {

LinearSystem read(const std::string& text) {
  return std::get<LinearSystem>(parser::LpFormatParser::parse(text));
}

void expect_same(const std::string& text) {
  LpSolver scaled(read(text)), dense(read(text));
  dense.set_engine(LpSolver::Engine::Dense);
  scaled.set_fast_path(LpSolver::FastPath::Off);
  dense.set_fast_path(LpSolver::FastPath::Off);
  LpResult a = scaled.solve(), b = dense.solve();
  ASSERT_EQ(a.text(), b.text()) << text;
  EXPECT_EQ(a.objective(), b.objective()) << text;
  EXPECT_EQ(scaled.stats().pivots, dense.stats().pivots) << text;
  EXPECT_EQ(scaled.stats().bland, dense.stats().bland) << text;
  EXPECT_EQ(scaled.stats().restarted, dense.stats().restarted) << text;
  EXPECT_EQ(scaled.exact_values(), dense.exact_values()) << text;
  EXPECT_EQ(scaled.exact_objective(), dense.exact_objective()) << text;
}

// Degenerate, redundant and badly scaled rows on purpose: zero right-hand
// sides, repeated rows, nine-decimal coefficients, every comparison.
std::string random_lp(std::mt19937_64& rng) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
  auto number = [&]() -> std::string {
    switch (pick(0, 5)) {
      case 0: return "0";
      case 1: return std::to_string(pick(-9, 9)) + "." + std::to_string(pick(100000000, 999999999));
      default: return std::to_string(pick(-6, 6));
    }
  };
  int n = pick(2, 7), m = pick(1, 8);
  std::string text;
  int kind = pick(0, 2);
  if (kind < 2) {
    text += kind == 0 ? "min " : "max ";
    for (int j = 0; j < n; ++j) text += (j ? " + " : "") + number() + "*x" + std::to_string(j);
  } else {
    text += "0 <= 1";  // keeps x0.. x(n-1) created in order below
    text += "\n0*x0";
    for (int j = 1; j < n; ++j) text += " + 0*x" + std::to_string(j);
    text += " >= 0";
  }
  std::string previous;
  for (int i = 0; i < m; ++i) {
    std::string line;
    if (!previous.empty() && pick(0, 5) == 0) {
      line = previous;
    } else {
      for (int j = 0; j < n; ++j) {
        if (pick(0, 2) == 0) continue;
        line += (line.empty() ? "" : " + ") + number() + "*x" + std::to_string(j);
      }
      if (line.empty()) line = "1*x0";
      const char* ops[] = {" <= ", " >= ", " = "};
      line += ops[pick(0, 2)] + (pick(0, 2) == 0 ? std::string("0") : number());
    }
    text += "\n" + line;
    previous = line;
  }
  return text;
}

}  // namespace

TEST(LpEngines, RandomProgramsPivotAlike) {
  std::mt19937_64 rng(2024);
  for (int round = 0; round < 600; ++round) expect_same(random_lp(rng));
}

TEST(LpEngines, CyclingAndRestartsPivotAlike) {
  expect_same("min -0.75*x0 + 20*x1 - 0.5*x2 + 6*x3\n0.25*x0 - 8*x1 - 1*x2 + 9*x3 <= 0\n"
              "0.5*x0 - 12*x1 - 0.5*x2 + 3*x3 <= 0\nx2 <= 1");
  expect_same("max x0\n-x0 - x1 = 0\nx0 <= 3");
  expect_same("max x0\n-x0 - x1 = 0");
}

TEST(LpEngines, CorpusModelsPivotAlike) {
  std::filesystem::path dir = std::filesystem::path(__FILE__).parent_path() / "../../../shared/corpus/lp";
  if (const char* env = std::getenv("MIVEX_CORPUS")) dir = std::filesystem::path(env) / "lp";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"afiro", "sc50a", "sc50b", "adlittle", "blend", "scagr7", "share2b", "recipe",
                           "kleemin6", "galenet", "unbounded1", "production"}) {
    std::ifstream in(dir / (std::string(name) + ".lp"));
    std::stringstream text;
    text << in.rdbuf();
    SCOPED_TRACE(name);
    expect_same(text.str());
  }
}
