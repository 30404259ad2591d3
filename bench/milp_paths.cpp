// Branch and bound solved three ways on LP text files, one JSON line per
// file and way:
//   milp_paths [--node-limit N] [--way pivots|fast|measured] [--bounds auto|always|never]
//              [--lifting auto|always|never] [--lattice auto|always|never] [--start measured|always|never]
//              [--lift measured|always|never] [--no-floors] FILE...
// "measured" is the search as the module runs it (each node's way chosen by
// timing), "fast" takes the certified fast path first on every node, and
// "pivots" the exact pivots alone. Each line gives the seconds, the node LPs
// by way with their seconds, and whether the answer and tree equal those of
// the pivots alone. For the time a node LP takes each way, and for how close
// the measured choice comes to the better fixed way. --way runs one way
// alone ("same" is null without the pivots' run): the pivots and fast ways
// are deterministic with --start and --lift never or always, so their
// instruction counts compare builds. --bounds sets when node LPs decide
// from bounds, --lifting when they settle ties by lifting, --lattice when
// they read entering images off doubles; --start and --lift whether, where
// an ancestor's numbers grew big, they decide from bounds from the first
// and lift wherever they can (measured by default); --no-floors runs them
// without their parent's optimum as a floor. The lines count the pivots,
// those repeated from a log, the node LPs whose first run of phase 2 a
// floor cut short, those that decided from bounds from the first and those
// that lifted.
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <string>

#include "modes.hpp"
#include "milp/solver.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"

int main(int argc, char** argv) {
  using namespace mivex;
  std::size_t limit = milp::MAX_NODES;
  std::string only;
  bool floors = true;
  milp::Tuning start_from_bounds = milp::Tuning::Measured, lift_ties = milp::Tuning::Measured;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--node-limit") == 0 && i + 1 < argc) {
      limit = std::strtoull(argv[++i], nullptr, 10);
      continue;
    }
    if (std::strcmp(argv[i], "--no-floors") == 0) {
      floors = false;
      continue;
    }
    if (i + 1 < argc && simplex_mode_flag(argv[i], argv[i + 1])) {
      ++i;
      continue;
    }
    if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc) {
      start_from_bounds = mode_named(argv[++i], milp::Tuning::Measured);
      continue;
    }
    if (std::strcmp(argv[i], "--lift") == 0 && i + 1 < argc) {
      lift_ties = mode_named(argv[++i], milp::Tuning::Measured);
      continue;
    }
    if (std::strcmp(argv[i], "--way") == 0 && i + 1 < argc) {
      only = argv[++i];
      if (only != "pivots" && only != "fast" && only != "measured") {
        std::fprintf(stderr, "milp_paths: --way takes pivots, fast or measured, not %s\n", only.c_str());
        return 2;
      }
      continue;
    }
    auto parsed = support::read_lp_file(argv[i]);
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) {
      std::printf("{\"file\": \"%s\", \"error\": \"does not parse\"}\n", argv[i]);
      continue;
    }
    const auto& system = std::get<linear::LinearSystem>(parsed);
    const std::pair<const char*, milp::NodeLpWay> ways[] = {{"pivots", milp::NodeLpWay::PivotsOnly},
                                                             {"fast", milp::NodeLpWay::FastFirst},
                                                             {"measured", milp::NodeLpWay::Measured}};
    std::string reference;
    std::size_t reference_nodes = 0;
    for (const auto& [name, way] : ways) {
      if (!only.empty() && only != name) continue;
      milp::BranchAndBound bb(system, limit, way);
      bb.set_floors(floors);
      bb.set_bounds_start(start_from_bounds);
      bb.set_tie_lifting(lift_ties);
      const auto start = std::chrono::steady_clock::now();
      LpResult result = bb.solve();
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const auto& s = bb.stats();
      char objective[32];
      std::snprintf(objective, sizeof objective, "%a", result.objective());
      const std::string answer = result.text() + "|" + objective;
      if (way == milp::NodeLpWay::PivotsOnly) {
        reference = answer;
        reference_nodes = s.lp_solves;
      }
      std::printf(
          "{\"file\": \"%s\", \"way\": \"%s\", \"status\": \"%s\", \"nodes\": %zu, \"seconds\": %.6f, "
          "\"pivots_only\": %zu, \"fast_answered\": %zu, \"fast_missed\": %zu, \"pivots_only_seconds\": %.6f, "
          "\"fast_answered_seconds\": %.6f, \"fast_missed_seconds\": %.6f, \"pivots\": %zu, \"repeated\": %zu, \"below_floor\": %zu, "
          "\"from_bounds\": %zu, \"lifted\": %zu, \"hopeless\": %zu, \"same\": %s}\n",
          argv[i], name, result.status().c_str(), s.nodes, seconds, s.pivots_only, s.fast_answered, s.fast_missed,
          s.pivots_only_seconds, s.fast_answered_seconds, s.fast_missed_seconds, s.pivots, s.repeated, s.below_floor,
          s.from_bounds, s.lifted, s.hopeless, reference.empty() ? "null" : (answer == reference && s.lp_solves == reference_nodes ? "true" : "false"));
      std::fflush(stdout);
    }
  }
}
