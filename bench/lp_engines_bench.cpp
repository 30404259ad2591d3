// Times the LP engine (revised simplex) against the textbook tableau it must
// pivot exactly alike with (tests/support), on LP text files, and checks
// that both end alike. Build with -DMIVEX_BENCH=ON, then:
//   build/bench/lp_engines_bench ../shared/corpus/lp/*.lp
#include <chrono>
#include <cstdio>
#include <string>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"
#include "support/tableau_solver.hpp"

using namespace mivex;

int main(int argc, char** argv) {
  std::printf("%-28s %8s %10s %10s %8s\n", "model", "pivots", "revised s", "tableau s", "ratio");
  double total_fast = 0, total_slow = 0;
  for (int k = 1; k < argc; ++k) {
    auto parsed = support::read_lp_file(argv[k]);
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) continue;
    const auto& system = std::get<linear::LinearSystem>(parsed);
    double seconds[2];
    std::string outcome[2];
    std::size_t pivots[2] = {0, 0};
    for (int e = 0; e < 2; ++e) {
      auto start = std::chrono::steady_clock::now();
      if (e == 0) {
        lp::LpSolver solver(system.clone());
        solver.set_fast_path(lp::LpSolver::FastPath::Off);
        outcome[e] = solver.solve().text();
        pivots[e] = solver.stats().pivots;
      } else {
        lp::reference::TableauLpSolver solver(system.clone());
        outcome[e] = solver.solve().text();
        pivots[e] = solver.stats().pivots;
      }
      seconds[e] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::string name = argv[k];
    name = name.substr(name.find_last_of('/') + 1);
    bool same = outcome[0] == outcome[1] && pivots[0] == pivots[1];
    std::printf("%-28s %8zu %10.3f %10.3f %8.2f%s\n", name.c_str(), pivots[0], seconds[0], seconds[1],
                seconds[1] / seconds[0], same ? "" : "  RESULTS DIFFER");
    total_fast += seconds[0];
    total_slow += seconds[1];
  }
  std::printf("%-28s %8s %10.3f %10.3f %8.2f\n", "total", "", total_fast, total_slow, total_slow / total_fast);
}
