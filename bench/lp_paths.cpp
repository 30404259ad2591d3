// Which path answers each LP and how long each takes: the certified fast
// path first (as solve_lp_text runs), and the pivots alone.
//
//   lp_paths [--no-pivots] file.lp...
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

using namespace mivex;

int main(int argc, char** argv) {
  bool pivots = true;
  std::printf("%-24s %-10s %-8s %10s %10s %8s\n", "model", "status", "answered", "first s", "pivots s", "speedup");
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--no-pivots") == 0) {
      pivots = false;
      continue;
    }
    std::ifstream in(argv[k]);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = parser::LpFormatParser::parse(text.str());
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) continue;
    const auto& system = std::get<linear::LinearSystem>(parsed);
    double seconds[2] = {0, 0};
    std::string outcome[2];
    bool fast = false;
    for (int e = 0; e < (pivots ? 2 : 1); ++e) {
      lp::LpSolver solver(system.clone());
      solver.set_fast_path(e == 0 ? lp::LpSolver::FastPath::Auto : lp::LpSolver::FastPath::Off);
      auto start = std::chrono::steady_clock::now();
      outcome[e] = solver.solve().text();
      seconds[e] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (e == 0) fast = solver.stats().fast_path;
    }
    std::string name = argv[k];
    name = name.substr(name.find_last_of('/') + 1);
    std::string status = outcome[0].substr(0, outcome[0].find_first_of(" \n"));
    std::printf("%-24s %-10s %-8s %10.4f %10.4f %8.1f%s\n", name.c_str(), status.c_str(), fast ? "fast" : "pivots",
                seconds[0], seconds[1], pivots ? seconds[1] / seconds[0] : 0.0,
                pivots && outcome[0] != outcome[1] ? "  RESULTS DIFFER" : "");
    std::fflush(stdout);
  }
  return 0;
}
