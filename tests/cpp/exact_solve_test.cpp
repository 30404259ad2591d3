// mivex_exact's solves in C++ (so that the sanitizer pass covers them):
// corpus MPS models read and solved, LP answers certified, MILPs within a
// node limit bracketing their optimum.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "exact/mps_reader.hpp"
#include "exact/solve_model.hpp"
#include "support/lp_files.hpp"

using mivex::Cancel;
using mivex::exact::Answer;
using mivex::exact::Model;
using mivex::exact::Rational;

namespace {

std::optional<Model> read_corpus(const std::string& name) {
  std::ifstream in(mivex::support::corpus_dir("mps") / name);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  auto read = mivex::exact::read_mps(text.str());
  if (auto* message = std::get_if<std::string>(&read)) {
    ADD_FAILURE() << name << ": " << *message;
    return std::nullopt;
  }
  return std::get<Model>(std::move(read));
}

}  // namespace

TEST(ExactSolve, CorpusLpsComeWithCertificates) {
  if (!std::filesystem::exists(mivex::support::corpus_dir("mps"))) GTEST_SKIP() << "corpus not found";
  const std::pair<const char*, Answer::Status> cases[] = {
      {"afiro.mps", Answer::Status::Optimal},        {"bounds_mix.mps", Answer::Status::Optimal},
      {"sc50a.mps", Answer::Status::Optimal},        {"galenet.mps", Answer::Status::Infeasible},
      {"galenetbnds.mps", Answer::Status::Infeasible}, {"unbounded1.mps", Answer::Status::Unbounded},
  };
  for (const auto& [name, status] : cases) {
    SCOPED_TRACE(name);
    auto model = read_corpus(name);
    ASSERT_TRUE(model);
    Answer a = mivex::exact::solve_model(*model, {}, Cancel::none());
    EXPECT_EQ(a.status, status);
    EXPECT_EQ(a.message, "");
    EXPECT_EQ(status == Answer::Status::Optimal, a.duals.has_value() && a.reduced_costs.has_value());
    EXPECT_EQ(status == Answer::Status::Infeasible, a.farkas.has_value());
    EXPECT_EQ(status == Answer::Status::Unbounded, a.ray.has_value());
  }
}

TEST(ExactSolve, MilpUnderANodeLimitBracketsTheOptimum) {
  if (!std::filesystem::exists(mivex::support::corpus_dir("mps"))) GTEST_SKIP() << "corpus not found";
  for (const auto& [name, optimum] : {std::pair<const char*, int>{"knap20.mps", 424}, {"p0201.mps", 7615}}) {
    SCOPED_TRACE(name);
    auto model = read_corpus(name);
    ASSERT_TRUE(model);
    Answer a = mivex::exact::solve_model(*model, {200, std::nullopt}, Cancel::none());
    ASSERT_TRUE(a.bound);
    // knap20 maximises, p0201 minimises.
    const int sense = model->maximize ? -1 : 1;
    EXPECT_LE(sense * *a.bound, sense * Rational(optimum));
    if (a.objective) {
      EXPECT_GE(sense * *a.objective, sense * Rational(optimum));
    }
    if (a.status == Answer::Status::Optimal) {
      EXPECT_EQ(*a.objective, Rational(optimum));
    }
  }
}
