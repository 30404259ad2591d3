#include "support/cp_reference.hpp"

#include <gmpxx.h>

#include <type_traits>

namespace mivex::cp::reference {

namespace {

using i128 = __int128;
using Rel = CpConstraint::Rel;

mpz_class big(std::int64_t v) { return mpz_class(static_cast<long>(v)); }

bool empty(const Domains& d, std::size_t v) { return d[v].first > d[v].second; }
bool fixed(const Domains& d, std::size_t v) { return d[v].first == d[v].second; }

// Bounds given as exact numbers; false when v becomes empty.
bool at_most(Domains& d, std::size_t v, const mpz_class& b) {
  if (b < big(d[v].second)) {
    if (b < big(d[v].first)) return false;
    d[v].second = b.get_si();
  }
  return true;
}
bool at_least(Domains& d, std::size_t v, const mpz_class& b) {
  if (b > big(d[v].first)) {
    if (b > big(d[v].second)) return false;
    d[v].first = b.get_si();
  }
  return true;
}

// v fixed elsewhere: take it off u's bounds when it sits on one.
bool drop_value(Domains& d, std::size_t u, std::int64_t v) {
  if (d[u].first <= v && v <= d[u].second) {
    if (v == d[u].first) return at_least(d, u, big(v) + 1);
    if (v == d[u].second) return at_most(d, u, big(v) - 1);
  }
  return true;
}

bool linear(const CpConstraint::Linear& c, Domains& d) {
  // Terms on one variable are merged, in order of first appearance.
  std::vector<std::pair<mpz_class, std::size_t>> terms;
  for (const auto& t : c.terms) {
    bool merged = false;
    for (auto& m : terms) {
      if (m.second == t.var) {
        m.first += big(t.coeff);
        merged = true;
      }
    }
    if (!merged) terms.push_back({big(t.coeff), t.var});
  }
  bool all_zero = true;
  for (const auto& t : terms) all_zero = all_zero && t.first == 0;
  if (all_zero) {
    mpz_class rhs = big(c.rhs);
    return c.rel == Rel::Le ? 0 <= rhs : c.rel == Rel::Eq ? rhs == 0 : 0 >= rhs;
  }
  for (const auto& [a, v] : terms) {
    mpz_class minrest = 0, maxrest = 0;
    for (const auto& [b, w] : terms) {
      if (w == v) continue;
      if (b > 0) {
        minrest += b * big(d[w].first);
        maxrest += b * big(d[w].second);
      } else {
        minrest += b * big(d[w].second);
        maxrest += b * big(d[w].first);
      }
    }
    if (a == 0) continue;
    mpz_class lo_num = big(c.rhs) - maxrest, hi_num = big(c.rhs) - minrest, q;
    auto floor_q = [&](const mpz_class& n) {
      mpz_fdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
      return q;
    };
    auto ceil_q = [&](const mpz_class& n) {
      mpz_cdiv_q(q.get_mpz_t(), n.get_mpz_t(), a.get_mpz_t());
      return q;
    };
    bool ok = true;
    if (a > 0) {
      if (c.rel == Rel::Le) ok = at_most(d, v, floor_q(hi_num));
      if (c.rel == Rel::Ge) ok = at_least(d, v, ceil_q(lo_num));
      if (c.rel == Rel::Eq) ok = at_least(d, v, ceil_q(lo_num)) && at_most(d, v, floor_q(hi_num));
    } else {
      if (c.rel == Rel::Le) ok = at_least(d, v, ceil_q(hi_num));
      if (c.rel == Rel::Ge) ok = at_most(d, v, floor_q(lo_num));
      if (c.rel == Rel::Eq) ok = at_least(d, v, ceil_q(hi_num)) && at_most(d, v, floor_q(lo_num));
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace

bool propagate(const CpConstraint& constraint, Domains& d) {
  return std::visit(
      [&](const auto& c) -> bool {
        using C = std::decay_t<decltype(c)>;
        if constexpr (std::is_same_v<C, CpConstraint::Eq>) {
          std::int64_t lo = std::max(d[c.x].first, d[c.y].first);
          std::int64_t hi = std::min(d[c.x].second, d[c.y].second);
          if (lo > hi) return false;
          d[c.x] = d[c.y] = {lo, hi};
          return true;
        } else if constexpr (std::is_same_v<C, CpConstraint::Neq>) {
          if (fixed(d, c.x) && fixed(d, c.y) && d[c.x].first == d[c.y].first) return false;
          if (fixed(d, c.x) && !drop_value(d, c.y, d[c.x].first)) return false;
          if (fixed(d, c.y) && !drop_value(d, c.x, d[c.y].first)) return false;
          return true;
        } else if constexpr (std::is_same_v<C, CpConstraint::Lt>) {
          if (c.x == c.y) return false;
          return at_most(d, c.x, big(d[c.y].second) - 1) && at_least(d, c.y, big(d[c.x].first) + 1);
        } else if constexpr (std::is_same_v<C, CpConstraint::Le>) {
          if (c.x == c.y) return c.c >= 0;
          return at_most(d, c.x, big(d[c.y].second) + big(c.c)) &&
                 at_least(d, c.y, big(d[c.x].first) - big(c.c));
        } else if constexpr (std::is_same_v<C, CpConstraint::Linear>) {
          return linear(c, d);
        } else {
          for (std::size_t j = 0; j < c.vars.size(); ++j) {
            if (!fixed(d, c.vars[j])) continue;
            std::int64_t v = d[c.vars[j]].first;
            for (std::size_t k = 0; k < c.vars.size(); ++k) {
              if (k != j && !drop_value(d, c.vars[k], v)) return false;
            }
          }
          return true;
        }
      },
      constraint.kind);
}

bool propagate_all(const std::vector<CpConstraint>& constraints, Domains& domains) {
  for (;;) {
    Domains before = domains;
    for (const auto& c : constraints) {
      if (!propagate(c, domains)) return false;
    }
    if (domains == before) return true;
  }
}

namespace {

std::vector<std::int64_t> values_of(const Domains& d) {
  std::vector<std::int64_t> values;
  for (const auto& [lo, hi] : d) values.push_back(lo);
  return values;
}

bool all_fixed(const Domains& d) {
  for (std::size_t v = 0; v < d.size(); ++v) {
    if (!fixed(d, v)) return false;
  }
  return true;
}

std::optional<std::vector<std::int64_t>> search(const std::vector<CpConstraint>& constraints, Domains& d) {
  if (!propagate_all(constraints, d)) return std::nullopt;
  if (all_fixed(d)) return values_of(d);
  std::optional<std::size_t> chosen;
  std::uint64_t best = 0;
  for (std::size_t v = 0; v < d.size(); ++v) {
    if (empty(d, v) || fixed(d, v)) continue;
    std::uint64_t width = static_cast<std::uint64_t>(d[v].second) - static_cast<std::uint64_t>(d[v].first);
    if (!chosen || width < best) {
      chosen = v;
      best = width;
    }
  }
  if (!chosen) return std::nullopt;
  const auto [lo, hi] = d[*chosen];
  for (std::int64_t value = lo;; ++value) {
    Domains saved = d;
    d[*chosen] = {value, value};
    if (auto found = search(constraints, d)) return found;
    d = saved;
    if (value == hi) break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::int64_t>> solve(const CpProblem& problem) {
  Domains d;
  for (const auto& var : problem.vars) d.push_back({var.min, var.max});
  if (!propagate_all(problem.constraints, d)) return std::nullopt;
  if (all_fixed(d)) return values_of(d);
  return search(problem.constraints, d);
}

}  // namespace mivex::cp::reference
