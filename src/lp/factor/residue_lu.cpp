#include "lp/factor/residue_lu.hpp"

#include <limits>

namespace mivex::lp {

bool ResidueLu::factor(std::size_t m, const std::vector<std::vector<Cell>>& columns) {
  load(m, columns);
  while (steps_.size() < m_) {
    std::uint32_t row = 0, position = 0;
    if (!choose(row, position)) return false;
    take(row, position);
  }
  invert_pivots();
  return true;
}

void ResidueLu::invert_pivots() {
  // Together: one inverse and three products each (an inverse alone costs
  // a hundred products).
  prefix_.clear();
  u64 product = p_.one();
  for (const Step& s : steps_) {
    product = p_.mul(product, s.pivot);
    prefix_.push_back(product);
  }
  if (prefix_.empty()) return;
  u64 inverse = p_.inverse(product);  // of every pivot's product
  std::size_t k = prefix_.size();
  for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
    --k;
    it->pivot_inverse = k == 0 ? inverse : p_.mul(inverse, prefix_[k - 1]);
    inverse = p_.mul(inverse, it->pivot);
  }
}

void ResidueLu::load(std::size_t m, const std::vector<std::vector<Cell>>& columns) {
  m_ = m;
  steps_.clear();
  l_.clear();
  u_.clear();
  if (rows_.size() < m) rows_.resize(m);
  if (cols_.size() < m) cols_.resize(m);
  if (bucket_.size() < m + 1) bucket_.resize(m + 1);
  for (std::size_t k = 0; k < m; ++k) {
    rows_[k].clear();
    cols_[k].clear();
  }
  for (std::size_t k = 0; k <= m; ++k) bucket_[k].clear();
  count_.assign(m, 0);
  row_done_.assign(m, 0);
  col_done_.assign(m, 0);
  slot_.assign(m, 0);
  lowest_ = 0;
  for (std::uint32_t p = 0; p < m; ++p) {
    for (const Cell& c : columns[p]) {
      rows_[c.index].push_back({p, c.value});
      cols_[p].push_back(c.index);
    }
    count_[p] = static_cast<std::uint32_t>(columns[p].size());
    bucket_[count_[p]].push_back(p);
  }
}

bool ResidueLu::choose(std::uint32_t& row, std::uint32_t& position) {
  for (std::size_t k = lowest_; k <= m_; ++k) {
    lowest_ = k;
    std::vector<std::uint32_t>& bucket = bucket_[k];
    while (!bucket.empty()) {
      const std::uint32_t c = bucket.back();
      if (col_done_[c] || count_[c] != k) {
        bucket.pop_back();
        continue;
      }
      if (k == 0) return false;  // an empty column: singular
      // The shortest row with an entry in this column.
      std::size_t best = std::numeric_limits<std::size_t>::max();
      for (std::uint32_t r : cols_[c]) {
        if (row_done_[r] || rows_[r].size() >= best) continue;
        for (const Cell& cell : rows_[r]) {
          if (cell.index != c) continue;
          best = rows_[r].size();
          row = r;
          break;
        }
      }
      position = c;
      return true;
    }
  }
  return false;
}

void ResidueLu::take(std::uint32_t row, std::uint32_t position) {
  u64 pivot = 0;
  for (const Cell& cell : rows_[row]) {
    if (cell.index == position) pivot = cell.value;
  }
  Step s{row, position, pivot, 0, l_.size(), l_.size(), u_.size(), u_.size()};
  row_done_[row] = 1;
  col_done_[position] = 1;
  // The pivot row leaves the active matrix; the rest of it goes to U.
  for (const Cell& cell : rows_[row]) {
    if (cell.index == position) continue;
    u_.push_back(cell);
    counted(cell.index, -1);
  }
  s.u_end = u_.size();
  for (std::uint32_t r : cols_[position]) {
    if (!row_done_[r]) eliminate(r, row, position, pivot);
  }
  s.l_end = l_.size();
  steps_.push_back(s);
}

void ResidueLu::eliminate(std::uint32_t r, std::uint32_t pivot_row, std::uint32_t position, u64 pivot) {
  // Without division: row r becomes pivot * row r - a * pivot row, a its
  // entry in the pivot's column (L keeps a; the solves scale as here).
  std::vector<Cell>& cells = rows_[r];
  std::size_t at = cells.size();
  for (std::size_t k = 0; k < cells.size(); ++k) {
    if (cells[k].index == position) at = k;
  }
  if (at == cells.size()) return;  // listed twice, or cancelled
  const u64 a = cells[at].value;
  l_.push_back({r, a});
  cells[at] = cells.back();
  cells.pop_back();
  for (std::size_t k = 0; k < cells.size(); ++k) {
    cells[k].value = p_.mul(cells[k].value, pivot);
    slot_[cells[k].index] = static_cast<std::uint32_t>(k + 1);
  }
  bool cancelled = false;
  for (const Cell& u : rows_[pivot_row]) {
    if (u.index == position) continue;
    const u64 d = p_.mul(a, u.value);
    const std::uint32_t s = slot_[u.index];
    if (s != 0) {
      u64& v = cells[s - 1].value;
      v = p_.sub(v, d);
      if (v == 0) {
        cancelled = true;
        counted(u.index, -1);
      }
    } else {
      cells.push_back({u.index, p_.sub(0, d)});
      slot_[u.index] = static_cast<std::uint32_t>(cells.size());
      cols_[u.index].push_back(r);
      counted(u.index, 1);
    }
  }
  for (const Cell& cell : cells) slot_[cell.index] = 0;
  if (!cancelled) return;
  std::size_t kept = 0;
  for (const Cell& cell : cells) {
    if (cell.value != 0) cells[kept++] = cell;
  }
  cells.resize(kept);
}

void ResidueLu::counted(std::uint32_t position, int change) {
  count_[position] = static_cast<std::uint32_t>(static_cast<int>(count_[position]) + change);
  bucket_[count_[position]].push_back(position);
  if (count_[position] < lowest_) lowest_ = count_[position];
}

void ResidueLu::solve(std::vector<u64>& v, std::vector<u64>& z) const {
  for (const Step& s : steps_) {
    const u64 t = v[s.row];
    for (std::size_t k = s.l_begin; k < s.l_end; ++k) {
      u64& w = v[l_[k].index];
      w = p_.sub(p_.mul(w, s.pivot), p_.mul(l_[k].value, t));
    }
  }
  z.assign(m_, 0);
  for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
    u64 t = v[it->row];
    for (std::size_t k = it->u_begin; k < it->u_end; ++k) t = p_.sub_mul(t, u_[k].value, z[u_[k].index]);
    z[it->position] = p_.mul(t, it->pivot_inverse);
  }
}

}  // namespace mivex::lp
