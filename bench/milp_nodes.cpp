// Branch-and-bound statistics for LP text files, one JSON line per file:
//   milp_nodes FILE...
// Used by bench/milp_bench.py for nodes per second, and to check that two
// builds give the same answer ("model" is the model's text form). "paths"
// counts the node LPs (root not counted) solved by the pivots alone, answered
// by the fast path, and tried on it without an answer, with their seconds;
// null from a build whose search does not count them (an older baseline).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "milp/solver.hpp"
#include "parser/lp_format.hpp"

namespace {

std::string json_string(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string json_number(double x) {
  if (!std::isfinite(x)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", x);
  return text;
}

// The node LPs by way, where the search counts them.
template <class Stats>
std::string paths_json(const Stats& s) {
  if constexpr (requires { s.fast_answered; }) {
    char text[320];
    std::snprintf(text, sizeof text,
                  "{\"pivots_only\": %zu, \"fast_answered\": %zu, \"fast_missed\": %zu, "
                  "\"pivots_only_seconds\": %.6f, \"fast_answered_seconds\": %.6f, \"fast_missed_seconds\": %.6f, "
                  "\"pivots\": %zu, \"repeated\": %zu}",
                  s.pivots_only, s.fast_answered, s.fast_missed, s.pivots_only_seconds, s.fast_answered_seconds,
                  s.fast_missed_seconds, s.pivots, s.repeated);
    return text;
  } else {
    return "null";
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mivex;
  for (int i = 1; i < argc; ++i) {
    std::ifstream in(argv[i]);
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = parser::LpFormatParser::parse(text.str());
    if (auto* message = std::get_if<std::string>(&parsed)) {
      std::printf("{\"file\": %s, \"error\": %s}\n", json_string(argv[i]).c_str(), json_string(*message).c_str());
      continue;
    }
    auto start = std::chrono::steady_clock::now();
    milp::BranchAndBound bb(std::get<linear::LinearSystem>(parsed));
    LpResult result = bb.solve();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "{\"file\": %s, \"status\": %s, \"objective\": %s, \"nodes\": %zu, \"lp_solves\": %zu, "
        "\"seconds\": %.6f, \"paths\": %s, \"model\": %s}\n",
        json_string(argv[i]).c_str(), json_string(result.status()).c_str(), json_number(result.objective()).c_str(),
        bb.stats().nodes, bb.stats().lp_solves, seconds, paths_json(bb.stats()).c_str(),
        json_string(result.assignment().text()).c_str());
    std::fflush(stdout);
  }
}
