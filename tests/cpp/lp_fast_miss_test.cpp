// Corpus models and the fast path: the ones it answers keep being answered
// by it, and the ones with several optimal points are given up by the early
// exit (a few exact solves) rather than after the duals and weight search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "lp/certify.hpp"
#include "lp/column_form.hpp"
#include "lp/fast_path.hpp"
#include "lp/float_propose.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

using namespace mivex;
using namespace mivex::lp;

namespace {

std::filesystem::path corpus_lp() {
  if (const char* env = std::getenv("MIVEX_CORPUS")) return std::filesystem::path(env) / "lp";
  return std::filesystem::path(__FILE__).parent_path() / "../../../shared/corpus/lp";
}

std::optional<linear::LinearSystem> read_model(const std::string& name) {
  std::ifstream in(corpus_lp() / (name + ".lp"));
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  auto parsed = parser::LpFormatParser::parse(text.str());
  if (!std::holds_alternative<linear::LinearSystem>(parsed)) return std::nullopt;
  return std::get<linear::LinearSystem>(std::move(parsed));
}

}  // namespace

TEST(LpFastMiss, CorpusModelsAnsweredByTheFastPathStaySo) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"bore3d", "kb2", "sc105", "sc50a", "sc50b", "scagr7", "share1b"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    LpSolver solver(system->clone());
    LpResult result = solver.solve();
    EXPECT_EQ(result.kind(), LpResult::Kind::Optimal);
    EXPECT_TRUE(solver.stats().fast_path);
  }
}

// These have several optimal points: the basis the floating-point run ends
// on must be given up by hopeless(), whose verdict is exact.
TEST(LpFastMiss, SeveralOptimaAreGivenUpEarly) {
  if (!std::filesystem::exists(corpus_lp())) GTEST_SKIP() << "corpus not found";
  for (const char* name : {"adlittle", "blend", "sctap1", "share2b", "brandy", "vtp.base"}) {
    SCOPED_TRACE(name);
    auto system = read_model(name);
    ASSERT_TRUE(system);
    EXPECT_FALSE(fast_path_solve(*system, Cancel::none()));
    ColumnForm form = *column_form(*system);
    FloatSimplex engine(form, Cancel::none());
    Proposal p = engine.dual();
    ASSERT_EQ(p.status, Proposal::Status::Optimal);
    Certifier certifier(form, Cancel::none());
    ASSERT_TRUE(certifier.load(p.basis));
    EXPECT_TRUE(certifier.hopeless(p.reduced));
  }
}
