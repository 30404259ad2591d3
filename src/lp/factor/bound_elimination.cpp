// BoundFactor's own factorization: sparse Gaussian elimination in Bound
// arithmetic. Every multiplier and every updated entry is a Bound holding
// the exact number that elimination in rationals along the same pivots would
// make, so the solves through it are proofs as through the image of an exact
// factor, at a small part of the cost where the rationals are big.
//
// Pivots are chosen for sparsity, as the exact factor does, but only among
// entries whose sign is proven with room to spare and which are not small
// beside their row's largest: an update a_rj -= (a_rp / pivot) u_j then
// stays below |a_rp| / kThreshold, so neither values nor radii grow much.
// Exact cancellations are not seen: an entry that would be 0 stays as a
// narrow bound around it, never a pivot.
#include <algorithm>
#include <cmath>

#include "lp/factor/bound_factor.hpp"

namespace mivex::lp {

namespace {

// A pivot's radius at most this share of its size: the quotients by it
// then widen by little more than their roundings.
constexpr double kSurePivot = 0x1p-20;
// Columns of the least count looked at for the pivot of least fill.
constexpr std::size_t kColumnsSearched = 4;
// A pivot at least this share of its row's largest entry.
constexpr double kThreshold = 0.3;

bool sure(const Bound& b) { return b.known() && b.mid != 0.0 && b.rad <= std::fabs(b.mid) * kSurePivot; }

}  // namespace

bool BoundFactor::factor(const StandardForm& form, const std::vector<std::uint32_t>& basis) {
  clear(basis.size());
  if (!load(form, basis)) return false;
  while (steps_.size() < m_) {
    std::uint32_t row = 0, position = 0;
    if (!choose_pivot(row, position)) return false;
    take_pivot_row(row, position);
    eliminate_below(position);
  }
  build_index();
  return true;
}

bool BoundFactor::load(const StandardForm& form, const std::vector<std::uint32_t>& basis) {
  Active& a = active_;
  const std::size_t m = m_;
  if (a.rows.size() < m) a.rows.resize(m);
  if (a.cols.size() < m) a.cols.resize(m);
  if (a.bucket.size() < m + 1) a.bucket.resize(m + 1);
  for (std::size_t k = 0; k < m; ++k) {
    a.rows[k].clear();
    a.cols[k].clear();
  }
  for (std::size_t k = 0; k <= m; ++k) a.bucket[k].clear();
  a.row_singles.clear();
  a.row_done.assign(m, 0);
  a.col_done.assign(m, 0);
  a.failed.assign(m, 0);
  a.where.assign(m, -1);
  // Slack, surplus and artificial columns are +-1 in their own row: they
  // pivot there first, and the rest of that row goes to U. Their rows
  // never join the active matrix.
  for (std::size_t p = 0; p < m; ++p) {
    if (basis[p] < form.num_structural()) continue;
    const std::uint32_t row = form.aux_of(basis[p]).row;
    if (a.row_done[row]) return false;  // two in one row
    a.row_done[row] = 1;
    a.col_done[p] = 1;
  }
  for (std::size_t p = 0; p < m; ++p) {
    if (basis[p] >= form.num_structural()) continue;
    form.for_column(basis[p], [&](std::size_t row, const Rational& v) {
      if (v.is_zero()) return;
      a.rows[row].push_back({static_cast<std::uint32_t>(p), Bound::of(v)});
      if (!a.row_done[row]) a.cols[p].push_back(static_cast<std::uint32_t>(row));
    });
  }
  for (std::size_t p = 0; p < m; ++p) {
    if (basis[p] < form.num_structural()) continue;
    const StandardForm::Aux& aux = form.aux_of(basis[p]);
    StepShape s{aux.row, static_cast<std::uint32_t>(p), aux.coef(), l_.size(), l_.size(), u_.size(), 0};
    for (const Cell& c : a.rows[aux.row]) {
      u_.push_back(c.value);
      u_position_.push_back(c.position);
    }
    a.rows[aux.row].clear();
    s.u_end = u_.size();
    steps_.push_back(s);
    pivot_.push_back(Bound{static_cast<double>(s.unit), 0.0});
  }
  for (std::size_t p = 0; p < m; ++p) {
    if (!a.col_done[p]) a.bucket[std::min(a.cols[p].size(), m)].push_back(static_cast<std::uint32_t>(p));
  }
  for (std::size_t r = 0; r < m; ++r) {
    if (!a.row_done[r] && a.rows[r].size() == 1) a.row_singles.push_back(static_cast<std::uint32_t>(r));
  }
  return true;
}

bool BoundFactor::choose_pivot(std::uint32_t& row, std::uint32_t& position) {
  Active& a = active_;
  auto value = [&](std::uint32_t r, std::uint32_t p) -> const Bound& {
    for (const Cell& c : a.rows[r]) {
      if (c.position == p) return c.value;
    }
    static const Bound none;
    return none;
  };
  auto valid_in = [&](std::uint32_t p, std::size_t k) { return !a.col_done[p] && a.cols[p].size() == k; };
  // Column singletons need no elimination; row singletons update nothing.
  auto& ones = a.bucket[1];
  while (!ones.empty()) {
    const std::uint32_t p = ones.back();
    ones.pop_back();
    if (valid_in(p, 1) && sure(value(a.cols[p][0], p))) {
      position = p;
      row = a.cols[p][0];
      return true;
    }
  }
  while (!a.row_singles.empty()) {
    const std::uint32_t r = a.row_singles.back();
    a.row_singles.pop_back();
    if (!a.row_done[r] && a.rows[r].size() == 1 && sure(a.rows[r][0].value)) {
      row = r;
      position = a.rows[r][0].position;
      return true;
    }
  }
  // Markowitz among a few columns of the least count, past the threshold.
  // A column none of whose entries passes is passed over until its count
  // changes, and looked at again only when no other column has a pivot.
  if (markowitz(row, position)) return true;
  bool retry = false;
  for (std::size_t p = 0; p < m_; ++p) {
    if (a.col_done[p] || !a.failed[p]) continue;
    a.failed[p] = 0;
    a.bucket[std::min(a.cols[p].size(), m_)].push_back(static_cast<std::uint32_t>(p));
    retry = true;
  }
  return retry && markowitz(row, position);
}

bool BoundFactor::markowitz(std::uint32_t& row, std::uint32_t& position) {
  Active& a = active_;
  for (std::size_t k = 2; k <= m_; ++k) {
    auto& list = a.bucket[k];
    std::size_t seen = 0, best_cost = static_cast<std::size_t>(-1);
    for (std::size_t t = 0; t < list.size() && seen < kColumnsSearched;) {
      const std::uint32_t p = list[t];
      if (a.col_done[p] || a.failed[p] || a.cols[p].size() != k) {
        list[t] = list.back();
        list.pop_back();
        continue;
      }
      ++t;
      ++seen;
      bool passed = false;
      for (std::uint32_t r : a.cols[p]) {
        const std::size_t cost = (a.rows[r].size() - 1) * (k - 1);
        if (cost >= best_cost) {
          passed = true;  // or not: a better pivot is known
          continue;
        }
        // The entry at p and the row's largest, in one pass over the row.
        const Bound* v = nullptr;
        double largest = 0.0;
        for (const Cell& c : a.rows[r]) {
          largest = std::max(largest, std::fabs(c.value.mid));
          if (c.position == p) v = &c.value;
        }
        if (v == nullptr || !sure(*v) || std::fabs(v->mid) < kThreshold * largest) continue;
        passed = true;
        best_cost = cost;
        row = r;
        position = p;
      }
      if (!passed) a.failed[p] = 1;
    }
    if (best_cost != static_cast<std::size_t>(-1)) return true;
  }
  return false;
}

void BoundFactor::take_pivot_row(std::uint32_t row, std::uint32_t position) {
  Active& a = active_;
  a.row_done[row] = 1;
  a.col_done[position] = 1;
  StepShape s{row, position, 0, l_.size(), l_.size(), u_.size(), u_.size()};
  Bound pivot;
  for (Cell& c : a.rows[row]) {
    if (c.position == position) {
      pivot = c.value;
      continue;
    }
    erase_value(a.cols[c.position], row);
    count_changed(c.position);
    u_.push_back(c.value);
    u_position_.push_back(c.position);
  }
  a.rows[row].clear();
  erase_value(a.cols[position], row);
  s.u_end = u_.size();
  if (pivot.exact() && std::fabs(pivot.mid) == 1.0) s.unit = pivot.mid > 0 ? 1 : -1;
  steps_.push_back(s);
  pivot_.push_back(pivot);
}

void BoundFactor::eliminate_below(std::uint32_t position) {
  Active& a = active_;
  StepShape& s = steps_.back();
  for (std::uint32_t r : a.cols[position]) eliminate_in_row(s, r);
  s.l_end = l_.size();
  a.cols[position].clear();
}

void BoundFactor::eliminate_in_row(const StepShape& s, std::uint32_t r) {
  Active& a = active_;
  auto& row = a.rows[r];
  auto& where = a.where;
  for (std::size_t t = 0; t < row.size(); ++t) where[row[t].position] = static_cast<std::int32_t>(t);
  Bound& entry = row[static_cast<std::size_t>(where[s.col])].value;
  const Bound mult = quotient(entry, pivot_.back());
  entry = Bound{};
  l_.push_back(mult);
  l_row_.push_back(r);
  for (std::size_t t = s.u_begin; t < s.u_end; ++t) {
    const std::uint32_t p = u_position_[t];
    const std::int32_t at = where[p];
    if (at >= 0) {
      sub_mul(row[static_cast<std::size_t>(at)].value, mult, u_[t]);
    } else {
      Bound v;
      sub_mul(v, mult, u_[t]);
      where[p] = static_cast<std::int32_t>(row.size());
      row.push_back({p, v});
      a.cols[p].push_back(r);
      count_changed(p);
    }
  }
  // Drop the entries now exactly zero (the pivot position's among them).
  std::size_t kept = 0;
  for (std::size_t t = 0; t < row.size(); ++t) {
    const std::uint32_t p = row[t].position;
    where[p] = -1;
    if (row[t].value.zero()) {
      if (p != s.col) {
        erase_value(a.cols[p], r);
        count_changed(p);
      }
      continue;
    }
    row[kept++] = row[t];
  }
  row.resize(kept);
  if (row.size() == 1) a.row_singles.push_back(r);
}

void BoundFactor::count_changed(std::uint32_t position) {
  Active& a = active_;
  if (a.col_done[position]) return;
  a.failed[position] = 0;
  a.bucket[std::min(a.cols[position].size(), m_)].push_back(position);
}

}  // namespace mivex::lp
