#include "lp/exact_lu.hpp"

#include <bit>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>

namespace mivex::lp {

using linear::Rational;

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Columns of least count looked at for each pivot; more finds slightly
// sparser factors at a higher search cost.
constexpr std::size_t kColumnsSearched = 4;

// A rough size of a number, to prefer short pivots among equal counts:
// the bits of numerator and denominator; promoted values count as long.
std::size_t weight(const Rational& v) {
  if (!v.is_small()) return 256;
  auto bits = [](std::int64_t x) {
    std::uint64_t m = x < 0 ? 0 - static_cast<std::uint64_t>(x) : static_cast<std::uint64_t>(x);
    return static_cast<std::size_t>(std::bit_width(m));
  };
  return bits(v.num()) + bits(v.den());
}

}  // namespace

bool ExactLu::factor(std::size_t m, const std::vector<SparseVector>& columns, Cancel& cancel) {
  m_ = m;
  steps_.clear();
  if (columns.size() != m) return false;
  steps_.reserve(m);

  // The active part of the matrix by rows, with the rows that may hold each
  // column (entries cancelled to zero leave stale row numbers behind).
  std::vector<SparseVector> rows(m);
  std::vector<std::vector<std::size_t>> col_rows(m);
  std::vector<std::size_t> col_count(m, 0);
  for (std::size_t k = 0; k < m; ++k) {
    for (const auto& [i, v] : columns[k]) {
      if (v.is_zero()) continue;
      rows[i].emplace_back(k, v);
      col_rows[k].push_back(i);
      ++col_count[k];
    }
  }
  std::set<std::pair<std::size_t, std::size_t>> by_count;
  for (std::size_t k = 0; k < m; ++k) by_count.emplace(col_count[k], k);
  auto recount = [&](std::size_t j, std::size_t old) {
    by_count.erase({old, j});
    by_count.emplace(col_count[j], j);
  };
  auto find = [&](const SparseVector& row, std::size_t col) {
    for (std::size_t q = 0; q < row.size(); ++q) {
      if (row[q].first == col) return q;
    }
    return kNone;
  };

  std::vector<bool> row_done(m, false);
  std::vector<std::size_t> pos(m, kNone);
  for (std::size_t step = 0; step < m; ++step) {
    if (step % 64 == 0) cancel.check();
    // Markowitz: the entry whose row and column hold the fewest others.
    std::size_t best_row = kNone, best_col = kNone, best_cost = kNone, best_weight = kNone;
    std::size_t looked = 0;
    for (auto it = by_count.begin(); it != by_count.end() && looked < kColumnsSearched; ++it, ++looked) {
      const auto [count, c] = *it;
      if (count == 0) return false;  // an empty column: singular
      for (std::size_t i : col_rows[c]) {
        if (row_done[i]) continue;
        std::size_t q = find(rows[i], c);
        if (q == kNone) continue;
        std::size_t cost = (rows[i].size() - 1) * (count - 1);
        std::size_t w = weight(rows[i][q].second);
        if (cost < best_cost || (cost == best_cost && w < best_weight)) {
          best_row = i, best_col = c, best_cost = cost, best_weight = w;
        }
      }
      if (best_cost == 0) break;
    }
    if (best_row == kNone) return false;

    Step s;
    s.row = best_row;
    s.col = best_col;
    SparseVector pivot_row = std::move(rows[best_row]);
    rows[best_row].clear();
    row_done[best_row] = true;
    for (auto& [j, v] : pivot_row) {
      if (j == best_col) {
        s.pivot = std::move(v);
      } else {
        recount(j, col_count[j]--);
        s.upper.emplace_back(j, std::move(v));
      }
    }
    by_count.erase({col_count[best_col], best_col});

    for (std::size_t i : col_rows[best_col]) {
      if (row_done[i]) continue;
      SparseVector& row = rows[i];
      std::size_t q = find(row, best_col);
      if (q == kNone) continue;
      Rational l = row[q].second / s.pivot;
      row[q] = std::move(row.back());
      row.pop_back();
      for (std::size_t k = 0; k < row.size(); ++k) pos[row[k].first] = k;
      const std::size_t before = row.size();
      for (const auto& [j, u] : s.upper) {
        if (pos[j] != kNone) {
          row[pos[j]].second.sub_mul(l, u);
        } else {
          row.emplace_back(j, -(l * u));
          recount(j, col_count[j]++);
          col_rows[j].push_back(i);
        }
      }
      // Drop the entries the update cancelled.
      std::size_t kept = 0;
      for (std::size_t k = 0; k < row.size(); ++k) {
        if (k < before) pos[row[k].first] = kNone;
        if (row[k].second.is_zero()) {
          std::size_t j = row[k].first;
          recount(j, col_count[j]--);
          continue;
        }
        if (kept != k) row[kept] = std::move(row[k]);
        ++kept;
      }
      row.resize(kept);
      s.lower.emplace_back(i, std::move(l));
    }
    col_rows[best_col].clear();
    col_rows[best_col].shrink_to_fit();
    col_count[best_col] = 0;
    steps_.push_back(std::move(s));
  }
  return true;
}

std::vector<Rational> ExactLu::ftran(std::vector<Rational> v) const {
  for (const Step& s : steps_) {
    const Rational& vr = v[s.row];
    if (vr.is_zero()) continue;
    for (const auto& [i, l] : s.lower) v[i].sub_mul(l, vr);
  }
  std::vector<Rational> x(m_);
  for (std::size_t k = steps_.size(); k-- > 0;) {
    const Step& s = steps_[k];
    Rational t = std::move(v[s.row]);
    for (const auto& [j, u] : s.upper) {
      if (!x[j].is_zero()) t.sub_mul(u, x[j]);
    }
    if (!t.is_zero()) t.div_by(s.pivot);
    x[s.col] = std::move(t);
  }
  return x;
}

std::vector<Rational> ExactLu::btran(std::vector<Rational> w) const {
  std::vector<Rational> z(m_);
  for (const Step& s : steps_) {
    Rational t = std::move(w[s.col]);
    if (t.is_zero()) continue;
    t.div_by(s.pivot);
    for (const auto& [j, u] : s.upper) w[j].sub_mul(u, t);
    z[s.row] = std::move(t);
  }
  for (std::size_t k = steps_.size(); k-- > 0;) {
    const Step& s = steps_[k];
    Rational& acc = z[s.row];
    for (const auto& [i, l] : s.lower) {
      if (!z[i].is_zero()) acc.sub_mul(l, z[i]);
    }
  }
  return z;
}

}  // namespace mivex::lp
