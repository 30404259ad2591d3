// Times the two tableau stores of the LP solver on LP text files: rows of
// scaled integers (the default) against one rational per cell. Both make the
// same pivots; the bench checks that they end alike. Build and run from the
// repository root after a test build:
//   g++ -O2 -std=c++20 -Isrc bench/lp_engines_bench.cpp build/tests/libmivex_core.a -lgmp -o /tmp/eb
//   /tmp/eb ../shared/corpus/lp/*.lp
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "lp/solver.hpp"
#include "parser/lp_format.hpp"

using namespace mivex;

int main(int argc, char** argv) {
  std::printf("%-28s %8s %10s %10s %8s\n", "model", "pivots", "scaled s", "dense s", "ratio");
  double total_scaled = 0, total_dense = 0;
  for (int k = 1; k < argc; ++k) {
    std::ifstream in(argv[k]);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = parser::LpFormatParser::parse(text.str());
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) continue;
    const auto& system = std::get<linear::LinearSystem>(parsed);
    double seconds[2];
    std::string outcome[2];
    std::size_t pivots = 0;
    for (int e = 0; e < 2; ++e) {
      lp::LpSolver solver(system.clone());
      solver.set_engine(e == 0 ? lp::LpSolver::Engine::Scaled : lp::LpSolver::Engine::Dense);
      solver.set_fast_path(lp::LpSolver::FastPath::Off);
      auto start = std::chrono::steady_clock::now();
      outcome[e] = solver.solve().text();
      seconds[e] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      pivots = solver.stats().pivots;
    }
    std::string name = argv[k];
    name = name.substr(name.find_last_of('/') + 1);
    std::printf("%-28s %8zu %10.3f %10.3f %8.2f%s\n", name.c_str(), pivots, seconds[0], seconds[1],
                seconds[1] / seconds[0], outcome[0] == outcome[1] ? "" : "  RESULTS DIFFER");
    total_scaled += seconds[0];
    total_dense += seconds[1];
  }
  std::printf("%-28s %8s %10.3f %10.3f %8.2f\n", "total", "", total_scaled, total_dense, total_dense / total_scaled);
}
