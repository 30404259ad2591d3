// Search statistics for the CP benchmark: for each CP text file named on the
// command line, prints "status nodes seconds" (solving in-process, no Python).
// Built by bench/cp_bench.py against the sources of src/.
#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cp/search.hpp"
#include "parser/cp_format.hpp"

int main(int argc, char** argv) {
  using namespace mivex;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i]);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = parser::parse_cp(text.str());
    if (auto* message = std::get_if<std::string>(&parsed)) {
      std::cout << "ERROR 0 0 " << *message << "\n";
      continue;
    }
    auto start = std::chrono::steady_clock::now();
    cp::CpSolver solver(std::get<cp::CpProblem>(parsed));
    bool sat = false;
    if (solver.propagate_all()) sat = solver.all_fixed() || solver.search().has_value();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << (sat ? "SAT" : "UNSAT") << " " << solver.nodes() << " " << seconds << "\n";
  }
}
