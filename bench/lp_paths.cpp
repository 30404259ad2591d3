// Which path answers each LP and how long each takes: the certified fast
// path first (as solve_lp_text runs), and the pivots alone.
//
//   lp_paths [--no-pivots] [--repeat N] [--bounds|--lifting|--lattice auto|always|never] file.lp...
//
// With --repeat each way runs N times, the two ways taking turns, and the
// median of each is printed (a single run of a model of a few milliseconds
// swings by a fifth). --bounds, --lifting and --lattice set how the pivots
// decide (from bounds where numbers grow big, ties by lifting where they are
// big, entering images off doubles where the determinant suits, by default)
// for the files after them.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "modes.hpp"
#include "lp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"

using namespace mivex;

int main(int argc, char** argv) {
  bool pivots = true;
  int repeat = 1;
  std::printf("%-24s %-10s %-8s %10s %10s %8s\n", "model", "status", "answered", "first s", "pivots s", "speedup");
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--no-pivots") == 0) {
      pivots = false;
      continue;
    }
    if (k + 1 < argc && simplex_mode_flag(argv[k], argv[k + 1])) {
      ++k;
      continue;
    }
    if (std::strcmp(argv[k], "--repeat") == 0 && k + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++k]));
      continue;
    }
    auto parsed = support::read_lp_file(argv[k]);
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) continue;
    const auto& system = std::get<linear::LinearSystem>(parsed);
    std::vector<double> times[2];
    double seconds[2] = {0, 0};
    std::string outcome[2];
    bool fast = false;
    for (int r = 0; r < repeat; ++r) {
      for (int e = 0; e < (pivots ? 2 : 1); ++e) {
        lp::LpSolver solver(system.clone());
        solver.set_fast_path(e == 0 ? lp::LpSolver::FastPath::Auto : lp::LpSolver::FastPath::Off);
        auto start = std::chrono::steady_clock::now();
        outcome[e] = solver.solve().text();
        times[e].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (e == 0) fast = solver.stats().fast_path;
      }
    }
    for (int e = 0; e < (pivots ? 2 : 1); ++e) {
      std::sort(times[e].begin(), times[e].end());
      seconds[e] = times[e][times[e].size() / 2];
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
