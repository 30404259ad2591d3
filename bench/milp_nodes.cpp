// Branch-and-bound statistics for LP text files, one JSON line per file:
//   milp_nodes FILE...
// Used by bench/milp_bench.py for nodes per second, and to check that two
// builds give the same answer ("model" is the model's text form).
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
        "\"seconds\": %.6f, \"model\": %s}\n",
        json_string(argv[i]).c_str(), json_string(result.status()).c_str(), json_number(result.objective()).c_str(),
        bb.stats().nodes, bb.stats().lp_solves, seconds, json_string(result.assignment().text()).c_str());
    std::fflush(stdout);
  }
}
