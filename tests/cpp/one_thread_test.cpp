// Every call runs wholly on the calling thread: no solve may start a thread.
// Thread creation is interposed for the whole test binary and counted, and
// every test process (CTest runs each test on its own) fails at its end if
// anything started one; so every other test here, the generated programs of
// each path included, checks it too. The test below adds every corpus model
// through the entry paths.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "api/solve_cp.hpp"
#include "api/solve_lp.hpp"
#include "api/solve_milp.hpp"
#include "api/solve_sat.hpp"
#include "milp/solver.hpp"
#include "support/lp_files.hpp"

namespace {

std::atomic<int> threads_started{0};

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  threads_started.fetch_add(1);
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto next = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attr, start, arg);
}

namespace {

using namespace mivex;

class NoThreadStarted : public testing::Environment {
 public:
  void TearDown() override { EXPECT_EQ(threads_started.load(), 0) << "a solve started a thread"; }
};

[[maybe_unused]] testing::Environment* const no_thread_started =
    testing::AddGlobalTestEnvironment(new NoThreadStarted);

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `solve` on the text of every file of the corpus family but `skip`; how many.
template <class Solve>
int for_every_model(const std::string& family, Solve solve, const std::set<std::string>& skip = {}) {
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(support::corpus_dir(family))) {
    if (skip.count(entry.path().filename().string())) continue;
    const int before = threads_started.load();
    solve(read_file(entry.path()));
    EXPECT_EQ(threads_started.load(), before) << entry.path();
    ++seen;
  }
  return seen;
}

}  // namespace

// The interposer itself is seen: a thread started here is counted (and the
// count put back, so this test's own thread does not fail it).
TEST(OneThread, ThreadStartsAreCounted) {
  const int before = threads_started.load();
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, nullptr, [](void*) -> void* { return nullptr; }, nullptr), 0);
  pthread_join(thread, nullptr);
  EXPECT_EQ(threads_started.load(), before + 1);
  threads_started.fetch_sub(1);
}

// Every corpus model through the entry paths: SAT, LP with its fast path,
// CP; the MILPs through the search with its node-path choice (a node limit
// keeps the whole corpus quick; the same choices run at every node).
TEST(OneThread, EveryCorpusModelOnTheCallingThread) {
  if (!std::filesystem::exists(support::corpus_dir("lp"))) GTEST_SKIP() << "corpus not found";
  // The two largest pigeonholes take minutes of the same search as hole7's.
  EXPECT_GT(for_every_model("sat", [](const std::string& t) { api::solve_sat(t, Cancel::none()); },
                            {"hole9.cnf", "hole10.cnf"}),
            50);
  EXPECT_GT(for_every_model("lp", [](const std::string& t) { api::solve_lp_text(t, Cancel::none()); }), 20);
  EXPECT_GT(for_every_model("cp", [](const std::string& t) { api::solve_cp_text(t, Cancel::none()); }), 20);
  EXPECT_GT(for_every_model("milp",
                            [](const std::string& t) {
                              const linear::LinearSystem system = support::parse_lp(t);
                              milp::BranchAndBound(system, 40).solve();
                            }),
            20);
  // And whole MILP calls, to the end of their searches.
  for (const char* name : {"egout", "flugpl", "bell3a"}) {
    api::solve_milp_text(read_file(support::corpus_dir("milp") / (std::string(name) + ".lp")), Cancel::none());
  }
  EXPECT_EQ(threads_started.load(), 0);
}
