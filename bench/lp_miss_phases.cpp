// Where the fast path spends its time on each LP, phase by phase: the
// column form, loading and running the floating-point model, the exact
// factorization of its basis, the duals, and the certificate itself.
//
//   lp_miss_phases [--repeat N] [--weights] file.lp...
//
// --weights prints, for each weight search, the size of its matrix and the
// smallest combined entry of the weights found (a positive one certifies).
#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>

#include "lp/certified/certify.hpp"
#include "lp/certified/column_form.hpp"
#include "lp/certified/fast_path.hpp"
#include "lp/certified/float_propose.hpp"
#include "parser/lp_format.hpp"
#include "support/lp_files.hpp"

using namespace mivex;
using namespace mivex::lp;

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count() * 1e3; }

}  // namespace

int main(int argc, char** argv) {
  int repeat = 5;
  bool show_weights = false;
  std::printf("%-16s %7s %7s %7s %7s %7s %7s %7s | %8s %7s  %s\n", "model (ms)", "form", "load", "dual", "factor",
              "duals", "cert", "sum", "fastpath", "zero-d", "verdict");
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--repeat") == 0 && k + 1 < argc) {
      repeat = std::max(1, std::atoi(argv[++k]));
      continue;
    }
    if (std::strcmp(argv[k], "--weights") == 0) {
      show_weights = true;
      continue;
    }
    auto parsed = support::read_lp_file(argv[k]);
    if (!std::holds_alternative<linear::LinearSystem>(parsed)) continue;
    const auto& system = std::get<linear::LinearSystem>(parsed);
    // Each phase's best time over the repeats.
    double best[7];
    std::fill(best, best + 7, 1e300);
    std::size_t zero_d = 0;
    std::string verdict;
    for (int r = 0; r < repeat; ++r) {
      double t[7] = {0, 0, 0, 0, 0, 0, 0};
      auto s = Clock::now();
      auto form = column_form(system);
      t[0] = since(s);
      if (!form) break;
      s = Clock::now();
      FloatSimplex engine(*form, Cancel::none());
      t[1] = since(s);
      s = Clock::now();
      Proposal p = engine.dual();
      t[2] = since(s);
      Certifier cert(*form, Cancel::none());
      s = Clock::now();
      bool loaded = p.status != Proposal::Status::Failed && cert.load(p.basis);
      t[3] = since(s);
      verdict = p.status == Proposal::Status::Optimal ? "optimal" : p.status == Proposal::Status::Infeasible ? "infeasible"
                : p.status == Proposal::Status::Unbounded ? "unbounded" : "failed";
      if (loaded && p.status == Proposal::Status::Optimal) {
        s = Clock::now();
        const auto& y = cert.duals();
        zero_d = 0;
        for (std::size_t j = 0; j < form->n; ++j) {
          if (p.basis.column[j]) continue;
          linear::Rational d = form->cost[j];
          for (const auto& [i, a] : form->columns[j]) d = d - a * y[i];
          zero_d += d.is_zero();
        }
        for (std::size_t i = 0; i < form->m; ++i) zero_d += !p.basis.row[i] && form->ops[i] != linear::CmpOp::Eq && y[i].is_zero();
        t[4] = since(s);
        s = Clock::now();
        WeightSearch search = [show_weights](const std::vector<std::vector<double>>& kk, const std::vector<bool>& free) {
          auto w = find_weights(kk, free, Cancel::none());
          if (show_weights && w) {
            double t = 1e300, wmax = 0;
            for (std::size_t z = 0; z < kk[0].size(); ++z) {
              double sum = 0;
              for (std::size_t q = 0; q < kk.size(); ++q) sum += (*w)[q] * kk[q][z];
              t = std::min(t, sum);
            }
            for (double x : *w) wmax = std::max(wmax, std::fabs(x));
            std::fprintf(stderr, "weights: rows %zu cols %zu t=%g wmax=%g\n", kk.size(), kk[0].size(), t, wmax);
          } else if (show_weights) std::fprintf(stderr, "weights: none\n");
          return w;
        };
        auto c = cert.unique_optimum(search, &p.reduced);
        t[5] = since(s);
        verdict += c ? " certified" : " not unique";
      }
      s = Clock::now();
      auto answer = fast_path_solve(system, Cancel::none());
      t[6] = since(s);
      for (int q = 0; q < 7; ++q) best[q] = std::min(best[q], t[q]);
      if (!answer) verdict += " (miss)";
    }
    std::string name = argv[k];
    name = name.substr(name.find_last_of('/') + 1);
    double sum = best[0] + best[1] + best[2] + best[3] + best[4] + best[5];
    std::printf("%-16s %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f %7.2f | %8.2f %7zu  %s\n", name.c_str(), best[0], best[1],
                best[2], best[3], best[4], best[5], sum, best[6], zero_d, verdict.c_str());
    std::fflush(stdout);
  }
  return 0;
}
