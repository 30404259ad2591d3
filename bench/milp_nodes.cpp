// Branch-and-bound statistics for LP text files, one JSON line per file:
//   milp_nodes FILE...
// Used by bench/milp_bench.py for nodes per second.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "milp/solver.hpp"
#include "parser/lp_format.hpp"

int main(int argc, char** argv) {
  using namespace mivex;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i]);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = parser::LpFormatParser::parse(text.str());
    if (auto* message = std::get_if<std::string>(&parsed)) {
      std::printf("{\"file\": \"%s\", \"error\": \"%s\"}\n", argv[i], message->c_str());
      continue;
    }
    auto start = std::chrono::steady_clock::now();
    milp::BranchAndBound bb(std::get<linear::LinearSystem>(parsed));
    LpResult result = bb.solve();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "{\"file\": \"%s\", \"status\": \"%s\", \"objective\": %.17g, \"nodes\": %zu, "
        "\"lp_solves\": %zu, \"seconds\": %.6f}\n",
        argv[i], result.status().c_str(), result.objective(), bb.stats().nodes, bb.stats().lp_solves,
        seconds);
    std::fflush(stdout);
  }
}
