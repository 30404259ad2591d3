#include "lp/certified/float_propose.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <utility>

#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <CoinError.hpp>

namespace mivex::lp {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// The widest ratio of the largest to the smallest matrix entry handed to
// CLP: entries over a range no double arithmetic can keep apart have made
// its primal simplex write outside its arrays.
constexpr double kMaxRange = 1e20;
// The largest matrix entry, cost or right-hand side handed to CLP. Past
// it, its dual simplex has read and written outside its arrays (costs and
// entries of some 1e16 together, within the ratio above) and failed an
// assertion, which aborts the process (a right-hand side of 1e100), and
// doubles no longer hold every whole number there anyway. Models past
// either limit are left to the exact pivots.
constexpr double kMaxMagnitude = 1e15;

// Whether CLP may be given `v` as a matrix entry, a cost or a right-hand side.
bool fits_engine(double v) { return std::fabs(v) <= kMaxMagnitude; }

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
int run_engine(ClpSimplex& clp, std::exception_ptr& pending, Solve solve) {
  try {
    solve(clp);
  } catch (const CoinError&) {
    return -1;
  }
  // Cleared before it is thrown: a model kept for later runs must not
  // report the same interrupt again.
  if (pending) std::rethrow_exception(std::exchange(pending, nullptr));
  return clp.status();
}

// Whether CLP may be given `model`: every entry and cost within
// kMaxMagnitude, the entries within kMaxRange of each other.
bool engine_takes(const Model& model) {
  double least = kInf, most = 0.0;
  for (double v : model.value) {
    if (!fits_engine(v)) return false;
    least = std::min(least, std::fabs(v));
    most = std::max(most, std::fabs(v));
  }
  return std::all_of(model.cost.begin(), model.cost.end(), fits_engine) && !(most > kMaxRange * least);
}

// Loads `model` into a fresh engine with the interrupt poll in place; false,
// loading nothing, where CLP may not be given it (engine_takes). The
// engine's clone of the handler points at `pending`, which must outlive it.
bool load(ClpSimplex& clp, const Model& model, int num_rows, Cancel& cancel, std::exception_ptr& pending) {
  if (!engine_takes(model)) return false;
  clp.setLogLevel(0);
  clp.loadProblem(static_cast<int>(model.col_lower.size()), num_rows, model.start.data(),
                  model.index.data(), model.value.data(), model.col_lower.data(),
                  model.col_upper.data(), model.cost.data(), model.row_lower.data(),
                  model.row_upper.data());
  CancelHandler handler(cancel);
  handler.report_to(&pending);
  clp.passInEventHandler(&handler);
  return true;
}

// The engine's bounds on the activities of rows `first`.. of `f` (a <= row
// has no lower bound, a >= row no upper one); false when a right-hand side
// is past what CLP may be given (fits_engine).
bool row_bounds(const ColumnForm& f, std::size_t first, std::vector<double>& lower, std::vector<double>& upper) {
  lower.resize(f.m - first);
  upper.resize(f.m - first);
  for (std::size_t i = first; i < f.m; ++i) {
    const double b = f.rhs[i].to_f64();
    if (!fits_engine(b)) return false;
    lower[i - first] = f.ops[i] == linear::CmpOp::Le ? -kInf : b;
    upper[i - first] = f.ops[i] == linear::CmpOp::Ge ? kInf : b;
  }
  return true;
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
  bool last_failed = false;  // the last run failed: its basis is no start
  std::exception_ptr pending;  // outlives clp, whose handler points at it
  ClpSimplex clp;

  template <class Solve>
  Proposal run(Solve solve) {
    Proposal out;
    if (!loaded) return out;
    last_failed = true;
    switch (run_engine(clp, pending, solve)) {
      case 0: out.status = Proposal::Status::Optimal; break;
      case 1: out.status = Proposal::Status::Infeasible; break;
      case 2: out.status = Proposal::Status::Unbounded; break;
      default: return out;
    }
    last_failed = false;
    out.basis = basis_of(clp, n, m);
    if (out.status == Proposal::Status::Optimal) {
      const double* column = clp.dualColumnSolution();
      const double* row = clp.dualRowSolution();
      out.reduced.assign(column, column + n);
      out.reduced.insert(out.reduced.end(), row, row + m);
    }
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
      model.index.push_back(static_cast<int>(i));
      model.value.push_back(a.to_f64());
    }
    model.start.push_back(static_cast<CoinBigIndex>(model.index.size()));
    model.cost[j] = f.cost[j].to_f64();
  }
  if (!row_bounds(f, 0, model.row_lower, model.row_upper)) return;
  engine_->loaded = load(engine_->clp, model, static_cast<int>(f.m), cancel, engine_->pending);
}

FloatSimplex::~FloatSimplex() = default;

bool FloatSimplex::loaded() const { return engine_->loaded; }

Proposal FloatSimplex::dual() {
  return engine_->run([](ClpSimplex& s) { s.dual(); });
}

Proposal FloatSimplex::primal() {
  return engine_->run([](ClpSimplex& s) { s.primal(); });
}

Proposal FloatSimplex::crash_primal() {
  // CLP's crash (gap 1000, mode 2) picks a start that makes many rows tight
  // at once; from the all-slack basis of a highly degenerate program the
  // primal simplex spends most pivots getting there one at a time.
  return engine_->run([](ClpSimplex& s) {
    s.crash(1000.0, 2);
    s.primal();
  });
}

bool FloatSimplex::add_rows(const ColumnForm& f, std::size_t first_row) {
  Engine& e = *engine_;
  if (!e.loaded || f.n != e.n || first_row != e.m || f.m < first_row) return false;
  constexpr std::size_t kMaxIndex = static_cast<std::size_t>(std::numeric_limits<int>::max());
  if (f.m > kMaxIndex) return false;
  const std::size_t count = f.m - first_row;
  if (count == 0) return true;
  // The new rows' entries sit at the ends of their columns (rows increase
  // down a column); gather them row by row.
  std::vector<CoinBigIndex> start(count + 1, 0);
  for (std::size_t j = 0; j < f.n; ++j) {
    for (auto it = f.columns[j].rbegin(); it != f.columns[j].rend() && it->first >= first_row; ++it) {
      ++start[it->first - first_row + 1];
    }
  }
  for (std::size_t r = 0; r < count; ++r) start[r + 1] += start[r];
  std::vector<CoinBigIndex> fill(start.begin(), start.end() - 1);
  std::vector<int> index(static_cast<std::size_t>(start[count]));
  std::vector<double> value(index.size());
  for (std::size_t j = 0; j < f.n; ++j) {
    for (auto it = f.columns[j].rbegin(); it != f.columns[j].rend() && it->first >= first_row; ++it) {
      const double v = it->second.to_f64();
      if (!fits_engine(v)) return false;
      const auto k = static_cast<std::size_t>(fill[it->first - first_row]++);
      index[k] = static_cast<int>(j);
      value[k] = v;
    }
  }
  std::vector<double> lower, upper;
  if (!row_bounds(f, first_row, lower, upper)) return false;
  e.clp.addRows(static_cast<int>(count), lower.data(), upper.data(), start.data(), index.data(), value.data());
  e.m = f.m;
  return true;
}

void FloatSimplex::remove_rows(std::size_t keep) {
  Engine& e = *engine_;
  if (keep >= e.m) return;
  std::vector<int> which;
  which.reserve(e.m - keep);
  for (std::size_t i = keep; i < e.m; ++i) which.push_back(static_cast<int>(i));
  e.clp.deleteRows(static_cast<int>(which.size()), which.data());
  e.m = keep;
}

static_assert(static_cast<int>(WarmStatus::Free) == ClpSimplex::isFree &&
              static_cast<int>(WarmStatus::Basic) == ClpSimplex::basic &&
              static_cast<int>(WarmStatus::AtUpper) == ClpSimplex::atUpperBound &&
              static_cast<int>(WarmStatus::AtLower) == ClpSimplex::atLowerBound &&
              static_cast<int>(WarmStatus::Superbasic) == ClpSimplex::superBasic &&
              static_cast<int>(WarmStatus::Fixed) == ClpSimplex::isFixed,
              "WarmStatus mirrors the engine's statuses");

void FloatSimplex::start_from(const WarmBasis* basis) {
  Engine& e = *engine_;
  if (!e.loaded) return;
  if (basis == nullptr || basis->column.size() != e.n || basis->row.size() > e.m) {
    e.clp.allSlackBasis(true);
    return;
  }
  if (!e.clp.statusExists()) e.clp.createStatus();
  for (std::size_t j = 0; j < e.n; ++j) {
    e.clp.setColumnStatus(static_cast<int>(j), static_cast<ClpSimplex::Status>(basis->column[j]));
  }
  for (std::size_t i = 0; i < e.m; ++i) {
    const auto status = i < basis->row.size() ? static_cast<ClpSimplex::Status>(basis->row[i]) : ClpSimplex::basic;
    e.clp.setRowStatus(static_cast<int>(i), status);
  }
}

WarmBasis FloatSimplex::warm_basis() const {
  const Engine& e = *engine_;
  WarmBasis b;
  if (!e.loaded || e.last_failed || !e.clp.statusExists()) return b;
  b.column.resize(e.n);
  b.row.resize(e.m);
  for (std::size_t j = 0; j < e.n; ++j) b.column[j] = static_cast<std::uint8_t>(e.clp.getColumnStatus(static_cast<int>(j)));
  for (std::size_t i = 0; i < e.m; ++i) b.row[i] = static_cast<std::uint8_t>(e.clp.getRowStatus(static_cast<int>(i)));
  return b;
}

std::optional<std::vector<double>> find_weights(const std::vector<std::vector<double>>& k,
                                                const std::vector<bool>& free, Cancel& cancel) {
  // maximise t subject to sum_p w_p K[p][z] - t >= 0 for every z, with
  // 0 <= w_p <= 1 (-1 <= w_p <= 1 where free) and t <= 1.
  const std::size_t rows = k.empty() ? 0 : k[0].size();
  const std::size_t p_count = k.size();
  // The entries are tableau entries, which the inverse may make far larger
  // than the program's own: load() holds them to the same limits.
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
  if (!load(clp, model, static_cast<int>(rows), cancel, pending)) return std::nullopt;
  if (run_engine(clp, pending, [](ClpSimplex& s) { s.primal(); }) != 0) {
    return std::nullopt;
  }
  const double* x = clp.primalColumnSolution();
  if (!(x[p_count] > 0.0)) return std::nullopt;
  return std::vector<double>(x, x + p_count);
}

}  // namespace mivex::lp
