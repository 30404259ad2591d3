// mivex_sat_count: solve DIMACS files with the SAT search and print, per file,
// one JSON line with the status, the search counters and the solve time.
// The benchmark uses it for propagation counts, which the Python module does
// not expose.
//   mivex_sat_count [--reference] [--model] FILE...
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "parser/dimacs.hpp"
#include "sat/reference.hpp"
#include "sat/solver.hpp"

namespace {

using namespace mivex;

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

double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

template <class Search>
int run(const parser::DimacsProblem& problem, const char* path, bool print_model) {
  auto start = std::chrono::steady_clock::now();
  double cpu_start = cpu_now();
  Search solver;
  for (std::size_t i = 0; i < problem.clause_count(); ++i) solver.add_clause(problem.clause(i));
  SolverResult result = solver.solve();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu_seconds = cpu_now() - cpu_start;
  const sat::SearchStats& s = solver.stats();
  std::printf("{\"file\": \"%s\", \"status\": \"%s\", \"seconds\": %.6f, \"cpu_seconds\": %.6f, \"decisions\": %llu, "
              "\"conflicts\": %llu, \"propagations\": %llu",
              path, result.is_sat() ? "SAT" : "UNSAT", seconds, cpu_seconds,
              static_cast<unsigned long long>(s.decisions), static_cast<unsigned long long>(s.conflicts),
              static_cast<unsigned long long>(s.propagations));
  if (print_model) std::printf(", \"model\": \"%s\"", result.is_sat() ? model_hex(result).c_str() : "UNSAT");
  std::printf("}\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool reference = false, print_model = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--reference") == 0) {
      reference = true;
      continue;
    }
    if (std::strcmp(argv[i], "--model") == 0) {
      print_model = true;
      continue;
    }
    std::ifstream in(argv[i], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[i]);
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    parser::DimacsParse parsed = parser::parse_dimacs(text.str());
    if (auto* message = std::get_if<std::string>(&parsed)) {
      std::fprintf(stderr, "%s: %s\n", argv[i], message->c_str());
      return 2;
    }
    const auto& problem = std::get<parser::DimacsProblem>(parsed);
    if (reference) {
      run<sat::ReferenceSolver>(problem, argv[i], print_model);
    } else {
      run<sat::Solver>(problem, argv[i], print_model);
    }
  }
  return 0;
}
