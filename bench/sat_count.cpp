// mivex_sat_count: solve DIMACS files with the SAT search and print, per file,
// one JSON line with the status, the search counters and the time of each
// phase (read, load and search, model check). The benchmark uses it for propagation
// counts, which the Python module does not expose.
//   mivex_sat_count [--reference] [--model] [--budget SECONDS] FILE...
// With a budget, a search still running when it expires reports "TIMEOUT"
// and the counters reached so far.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <type_traits>

#include "parser/dimacs.hpp"
#include "sat/model_check.hpp"
#include "support/sat_reference.hpp"
#include "sat/solver.hpp"

namespace {

using namespace mivex;

double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

struct Deadline {
  double at;  // CPU seconds
  static bool poll(void* self) { return cpu_now() > static_cast<Deadline*>(self)->at; }
};

std::string model_hex(const SolverResult& result) {
  // Four variables per hex digit, variable 0 in the lowest bit of the last digit.
  const auto& entries = result.assignment().entries();
  std::string digits;
  for (std::size_t base = 0; base < entries.size(); base += 4) {
    int nibble = 0;
    for (std::size_t k = 0; k < 4 && base + k < entries.size(); ++k) {
      if (entries[base + k].second.as_bool()) nibble |= 1 << k;
    }
    digits.insert(digits.begin(), "0123456789abcdef"[nibble]);
  }
  while (digits.size() > 1 && digits.front() == '0') digits.erase(digits.begin());
  return std::to_string(entries.size()) + ":" + (digits.empty() ? "0" : digits);
}

template <class Search>
void run(const std::string& text, const char* path, bool print_model, double budget) {
  double t0 = cpu_now();
  parser::DimacsParse parsed = parser::parse_dimacs(text);
  if (auto* message = std::get_if<std::string>(&parsed)) {
    std::printf("{\"file\": \"%s\", \"error\": \"%s\"}\n", path, message->c_str());
    return;
  }
  const auto& problem = std::get<parser::DimacsProblem>(parsed);
  const auto clauses = problem.clauses();
  double t1 = cpu_now();
  Search solver;
  if constexpr (std::is_same_v<Search, sat::Solver>) solver.ensure_vars(problem.max_magnitude());
  for (const auto clause : clauses) solver.add_clause(clause);
  Deadline deadline{t1 + budget};
  Cancel cancel = budget > 0 ? Cancel(&Deadline::poll, &deadline) : Cancel();
  const char* status = "TIMEOUT";
  std::string model = "none";
  double check = 0;
  double t2 = 0;
  try {
    SolverResult result = solver.solve(cancel);
    t2 = cpu_now();
    status = result.is_sat() ? "SAT" : "UNSAT";
    if (result.is_sat()) {
      // Repeated so that tiny checks are not lost in the clock's own cost.
      int rounds = 0;
      do {
        sat::check_model(clauses, result.assignment());
        ++rounds;
      } while (cpu_now() - t2 < 0.002);
      check = (cpu_now() - t2) / rounds;
      if (print_model) model = model_hex(result);
    }
  } catch (const Interrupted&) {
    t2 = cpu_now();
  }
  const sat::SearchStats& s = solver.stats();
  std::printf("{\"file\": \"%s\", \"status\": \"%s\", \"read_seconds\": %.6f, \"cpu_seconds\": %.6f, "
              "\"check_seconds\": %.9f, \"decisions\": %llu, \"conflicts\": %llu, \"propagations\": %llu",
              path, status, t1 - t0, t2 - t1, check, static_cast<unsigned long long>(s.decisions),
              static_cast<unsigned long long>(s.conflicts), static_cast<unsigned long long>(s.propagations));
  if (print_model) std::printf(", \"model\": \"%s\"", model.c_str());
  std::printf("}\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  bool reference = false, print_model = false;
  double budget = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--reference") == 0) {
      reference = true;
    } else if (std::strcmp(argv[i], "--model") == 0) {
      print_model = true;
    } else if (std::strcmp(argv[i], "--budget") == 0 && i + 1 < argc) {
      budget = std::atof(argv[++i]);
    } else {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[i]);
        return 2;
      }
      std::stringstream text;
      text << in.rdbuf();
      if (reference) {
        run<sat::ReferenceSolver>(text.str(), argv[i], print_model, budget);
      } else {
        run<sat::Solver>(text.str(), argv[i], print_model, budget);
      }
    }
  }
  return 0;
}
