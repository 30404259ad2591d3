#include "cp/search.hpp"

#include "core/error.hpp"
#include "cp/compile.hpp"
#include "cp/difference_cycles.hpp"
#include "cp/equal_classes.hpp"

namespace mivex::cp {

namespace {

std::vector<Interval> declared_domains(const CpProblem& problem) {
  if (problem.vars.size() >= Store::kNone) throw MemoryRefusal("too many CP variables");
  std::vector<Interval> domains;
  domains.reserve(problem.vars.size());
  for (const auto& var : problem.vars) domains.push_back({var.min, var.max});
  return domains;
}

}  // namespace

CpSolver::CpSolver(const CpProblem& problem, Cancel& cancel)
    : store_(declared_domains(problem)), cancel_(cancel) {
  // A variable without values can never be fixed, so no solution exists.
  for (const auto& var : problem.vars) never_ = never_ || var.min > var.max;
  for (const auto& constraint : problem.constraints) {
    Compiled compiled = compile(constraint, store_.domains());
    if (compiled.status == Compiled::Status::AlwaysFalse) never_ = true;
    if (compiled.status == Compiled::Status::Propagate) propagators_.push_back(std::move(*compiled.propagator));
  }
  never_ = never_ || equal_but_different(propagators_, store_.size());
  std::vector<std::vector<std::uint32_t>> watches(2 * store_.size());
  for (std::size_t p = 0; p < propagators_.size(); ++p) {
    for (std::uint32_t bound : propagators_[p].watched()) watches[bound].push_back(static_cast<std::uint32_t>(p));
  }
  store_.set_watches(watches, propagators_.size());
  first_cycle_look_ = 4 * propagators_.size() + 1024;
}

bool CpSolver::run_queue() {
  // Propagation that runs long may be constraints narrowing each other one
  // step at a time; look for that at doubling intervals, so that looking costs
  // at most a fraction of the propagation itself.
  std::uint64_t runs = 0, next_look = first_cycle_look_;
  while (!store_.queue_empty()) {
    std::uint32_t p = store_.pop();
    store_.set_running(p);
    store_.take_changed();
    // Run again while it changes something and cannot vouch for its own fixpoint.
    for (;;) {
      cancel_.tick();
      if (++runs == next_look) {
        if (has_negative_cycle(propagators_, store_, 4 * runs)) {
          store_.clear_queue();
          return false;
        }
        next_look += std::max<std::uint64_t>(next_look, 1);
      }
      Run run = propagate(propagators_[p], store_);
      if (run == Run::Failed) {
        store_.clear_queue();
        return false;
      }
      if (!store_.take_changed() || run == Run::AtFixpoint) break;
    }
    store_.set_running(Store::kNone);
  }
  return true;
}

bool CpSolver::propagate_all() {
  if (never_) return false;
  for (std::size_t p = 0; p < propagators_.size(); ++p) store_.schedule(static_cast<std::uint32_t>(p));
  return run_queue();
}

bool CpSolver::all_fixed() const {
  for (const auto& d : store_.domains()) {
    if (d.lo != d.hi) return false;
  }
  return true;
}

Assignment CpSolver::model() const {
  Assignment model;
  model.reserve(store_.size());
  for (std::size_t v = 0; v < store_.size(); ++v) model.append(v, Value::integer(store_.lo(static_cast<std::uint32_t>(v))));
  return model;
}

std::uint32_t CpSolver::choose() {
  // Compare widths max - min as unsigned 64-bit numbers: exact even for a
  // domain spanning the whole 64-bit range. Variables below first_open_ are
  // fixed and stay fixed until the search backtracks above this node.
  const auto& domains = store_.domains();
  while (first_open_ < domains.size() && domains[first_open_].lo == domains[first_open_].hi) ++first_open_;
  std::uint32_t best = Store::kNone;
  std::uint64_t best_width = 0;
  for (std::size_t v = first_open_; v < domains.size(); ++v) {
    const Interval& d = domains[v];
    if (d.lo >= d.hi) continue;
    std::uint64_t width = static_cast<std::uint64_t>(d.hi) - static_cast<std::uint64_t>(d.lo);
    if (best == Store::kNone || width < best_width) {
      best = static_cast<std::uint32_t>(v);
      best_width = width;
      if (width == 1) break;  // nothing smaller among unfixed variables
    }
  }
  return best;
}

std::optional<Assignment> CpSolver::search() {
  struct Frame {
    std::uint32_t var;
    std::uint32_t first_open;  // first_open_ when the frame was made
    std::int64_t value;        // the value being tried
    std::int64_t last;
  };
  std::vector<Frame> stack;
  bool ok = propagate_all();
  for (;;) {
    if (ok) {
      std::uint32_t var = choose();
      if (var == Store::kNone) {
        if (all_fixed()) return model();
        ok = false;  // an empty domain that no propagator rejected
      } else {
        stack.push_back({var, first_open_, store_.lo(var), store_.hi(var)});
        store_.push_level();
        ++nodes_;
        cancel_.tick();
        store_.set_hi(var, stack.back().value);
        ok = run_queue();
        continue;
      }
    }
    // Backtrack to the deepest frame with a value left.
    while (!stack.empty() && stack.back().value == stack.back().last) {
      store_.pop_level();
      stack.pop_back();
    }
    if (stack.empty()) return std::nullopt;
    Frame& top = stack.back();
    store_.pop_level();
    first_open_ = top.first_open;
    store_.push_level();
    ++top.value;
    ++nodes_;
    cancel_.tick();
    store_.set_lo(top.var, top.value);
    store_.set_hi(top.var, top.value);
    ok = run_queue();
  }
}

}  // namespace mivex::cp
