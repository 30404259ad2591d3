// libFuzzer target for one whole solve path (reader + solver), chosen at
// compile time by MIVEX_FUZZ_SOLVE (solve_sat, solve_lp_text, solve_milp_text
// or solve_cp_text), or by MIVEX_FUZZ_EXACT: mivex_exact's path, the MPS
// reader and then the exact solve (CLP proposes, exact arithmetic proves)
// under a node limit. Models reach CLP there with their numbers as
// written, so that is where a model CLP mishandles would show.
//
// Inputs are kept small and every solve runs under a step budget (through
// the cancellation hook), so a hard but valid problem ends the run early
// instead of being reported as a hang. Anything else that escapes - an
// internal stop, a sanitizer report - is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <variant>

#include "core/cancel.hpp"
#include "api/solve_cp.hpp"
#include "api/solve_lp.hpp"
#include "api/solve_milp.hpp"
#include "api/solve_sat.hpp"
#include "exact/mps_reader.hpp"
#include "exact/solve_model.hpp"
#include "parser/dimacs.hpp"

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

constexpr std::size_t kMaxInput = 512;

#if MIVEX_FUZZ_EXACT
// The exact path has a budget of its own (and up to 20 nodes).
constexpr int kMaxPolls = 256;

void solve(std::string_view text, mivex::Cancel& budget) {
  auto read = mivex::exact::read_mps(text);
  const auto* model = std::get_if<mivex::exact::Model>(&read);
  if (model == nullptr) return;
  mivex::exact::Limits limits;
  limits.nodes = 20;
  (void)mivex::exact::solve_model(*model, limits, budget);
}

bool too_big_for_the_fuzzer(std::string_view) { return false; }
#else
constexpr int kMaxPolls = 64;

void solve(std::string_view text, mivex::Cancel& budget) { (void)mivex::api::MIVEX_FUZZ_SOLVE(text, budget); }

// The SAT solver sizes itself from the largest literal, and refuses only
// what this machine's free memory cannot hold: a literal of 10^8 passes
// that check and takes gigabytes, past the fuzzer's memory limit. Such
// inputs are left out (the reader alone still sees them in fuzz_dimacs).
constexpr std::uint64_t kMaxSatVars = std::uint64_t{1} << 20;
#define MIVEX_NAME_OF(entry) #entry
#define MIVEX_NAME(entry) MIVEX_NAME_OF(entry)

bool too_big_for_the_fuzzer(std::string_view text) {
  if (std::string_view(MIVEX_NAME(MIVEX_FUZZ_SOLVE)) != "solve_sat") return false;
  const auto parsed = mivex::parser::parse_dimacs(text);
  const auto* problem = std::get_if<mivex::parser::DimacsProblem>(&parsed);
  return problem != nullptr && problem->max_magnitude() > kMaxSatVars;
}
#endif

bool over_budget(void* polls) { return ++*static_cast<int*>(polls) > kMaxPolls; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;  // keep it out of the corpus
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (too_big_for_the_fuzzer(text)) return -1;
  int polls = 0;
  mivex::Cancel budget(&over_budget, &polls);
  try {
    solve(text, budget);
  } catch (const mivex::Interrupted&) {
    // budget spent: fine
  } catch (const mivex::MemoryRefusal&) {
    // refused before allocating: fine
  } catch (const std::bad_alloc&) {
    // fine: the boundary reports MemoryError
  } catch (const mivex::Stop& stop) {
    std::fprintf(stderr, "internal stop: %s\n", stop.what());
    std::abort();
  }
  return 0;
}
