#include "lp/float_propose.hpp"

#include <cmath>
#include <exception>
#include <limits>

#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <CoinError.hpp>

namespace mivex::lp {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Polls the Cancel object once per simplex iteration. An interrupt cannot be
// thrown through the engine, so it stops the run and is rethrown afterwards.
class CancelHandler : public ClpEventHandler {
 public:
  explicit CancelHandler(Cancel& cancel) : cancel_(&cancel) {}
  CancelHandler(const CancelHandler&) = default;
  ClpEventHandler* clone() const override { return new CancelHandler(*this); }
  int event(Event which) override {
    if (which != endOfIteration) return -1;
    try {
      cancel_->check();
    } catch (...) {
      *pending_ = std::current_exception();
      return 0;  // stop the run
    }
    return -1;
  }
  void report_to(std::exception_ptr* pending) { pending_ = pending; }

 private:
  Cancel* cancel_;
  std::exception_ptr* pending_ = nullptr;
};

// The engine's model of the rows and columns, built in double precision.
struct Model {
  std::vector<CoinBigIndex> start{0};
  std::vector<int> index;
  std::vector<double> value, col_lower, col_upper, cost, row_lower, row_upper;
};

// Runs `solve` on the engine; a stop for an interrupt is rethrown here. A
// failure inside the engine reads as status -1.
template <class Solve>
int resume(ClpSimplex& clp, std::exception_ptr& pending, Solve solve) {
  try {
    solve(clp);
  } catch (const CoinError&) {
    return -1;
  }
  if (pending) std::rethrow_exception(pending);
  return clp.status();
}

// Loads `model` into a fresh engine with the interrupt poll in place. The
// engine's clone of the handler points at `pending`, which must outlive it.
void load(ClpSimplex& clp, const Model& model, int num_rows, Cancel& cancel, std::exception_ptr& pending) {
  clp.setLogLevel(0);
  clp.loadProblem(static_cast<int>(model.col_lower.size()), num_rows, model.start.data(),
                  model.index.data(), model.value.data(), model.col_lower.data(),
                  model.col_upper.data(), model.cost.data(), model.row_lower.data(),
                  model.row_upper.data());
  CancelHandler handler(cancel);
  handler.report_to(&pending);
  clp.passInEventHandler(&handler);
}

Basis basis_of(const ClpSimplex& clp, std::size_t n, std::size_t m) {
  Basis b;
  b.column.resize(n);
  b.row.resize(m);
  for (std::size_t j = 0; j < n; ++j) b.column[j] = clp.getColumnStatus(static_cast<int>(j)) == ClpSimplex::basic;
  for (std::size_t i = 0; i < m; ++i) b.row[i] = clp.getRowStatus(static_cast<int>(i)) == ClpSimplex::basic;
  return b;
}

}  // namespace

struct FloatSimplex::Engine {
  Engine(std::size_t n, std::size_t m, Cancel& cancel) : n(n), m(m), cancel(cancel) {}
  std::size_t n, m;
  Cancel& cancel;
  bool loaded = false;
  std::exception_ptr pending;  // outlives clp, whose handler points at it
  ClpSimplex clp;

  template <class Solve>
  Proposal run(Solve solve) {
    Proposal out;
    if (!loaded) return out;
    switch (resume(clp, pending, solve)) {
      case 0: out.status = Proposal::Status::Optimal; break;
      case 1: out.status = Proposal::Status::Infeasible; break;
      case 2: out.status = Proposal::Status::Unbounded; break;
      default: return out;
    }
    out.basis = basis_of(clp, n, m);
    return out;
  }
};

FloatSimplex::FloatSimplex(const ColumnForm& f, Cancel& cancel)
    : engine_(std::make_unique<Engine>(f.n, f.m, cancel)) {
  constexpr std::size_t kMaxIndex = static_cast<std::size_t>(std::numeric_limits<int>::max());
  if (f.n > kMaxIndex || f.m > kMaxIndex) return;
  Model model;
  model.col_lower.assign(f.n, 0.0);
  model.col_upper.assign(f.n, kInf);
  model.cost.resize(f.n);
  for (std::size_t j = 0; j < f.n; ++j) {
    for (const auto& [i, a] : f.columns[j]) {
      double v = a.to_f64();
      if (!std::isfinite(v)) return;
      model.index.push_back(static_cast<int>(i));
      model.value.push_back(v);
    }
    model.start.push_back(static_cast<CoinBigIndex>(model.index.size()));
    model.cost[j] = f.cost[j].to_f64();
    if (!std::isfinite(model.cost[j])) return;
  }
  model.row_lower.resize(f.m);
  model.row_upper.resize(f.m);
  for (std::size_t i = 0; i < f.m; ++i) {
    double b = f.rhs[i].to_f64();
    if (!std::isfinite(b)) return;
    model.row_lower[i] = f.ops[i] == linear::CmpOp::Le ? -kInf : b;
    model.row_upper[i] = f.ops[i] == linear::CmpOp::Ge ? kInf : b;
  }
  load(engine_->clp, model, static_cast<int>(f.m), cancel, engine_->pending);
  engine_->loaded = true;
}

FloatSimplex::~FloatSimplex() = default;

bool FloatSimplex::loaded() const { return engine_->loaded; }

Proposal FloatSimplex::dual() {
  return engine_->run([](ClpSimplex& s) { s.dual(); });
}

Proposal FloatSimplex::primal() {
  return engine_->run([](ClpSimplex& s) { s.primal(); });
}

std::optional<std::vector<double>> find_weights(const std::vector<std::vector<double>>& k,
                                                const std::vector<bool>& free, Cancel& cancel) {
  // maximise t subject to sum_p w_p K[p][z] - t >= 0 for every z, with
  // 0 <= w_p <= 1 (-1 <= w_p <= 1 where free) and t <= 1.
  const std::size_t rows = k.empty() ? 0 : k[0].size();
  const std::size_t p_count = k.size();
  Model model;
  for (std::size_t p = 0; p <= p_count; ++p) {
    for (std::size_t z = 0; z < rows; ++z) {
      double v = p < p_count ? k[p][z] : -1.0;
      if (v == 0.0) continue;
      model.index.push_back(static_cast<int>(z));
      model.value.push_back(v);
    }
    model.start.push_back(static_cast<CoinBigIndex>(model.index.size()));
    model.col_lower.push_back(p < p_count ? (free[p] ? -1.0 : 0.0) : -kInf);
    model.col_upper.push_back(1.0);
    model.cost.push_back(p < p_count ? 0.0 : -1.0);
  }
  model.row_lower.assign(rows, 0.0);
  model.row_upper.assign(rows, kInf);
  std::exception_ptr pending;
  ClpSimplex clp;
  load(clp, model, static_cast<int>(rows), cancel, pending);
  if (resume(clp, pending, [](ClpSimplex& s) { s.primal(); }) != 0) {
    return std::nullopt;
  }
  const double* x = clp.primalColumnSolution();
  if (!(x[p_count] > 0.0)) return std::nullopt;
  return std::vector<double>(x, x + p_count);
}

}  // namespace mivex::lp
