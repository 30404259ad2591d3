// Detects a simplex phase returning to a basis it has already visited since
// its objective last changed strictly; from such a basis the same pivots
// would repeat forever.
//
// A basis is remembered by a hash that each pivot updates in constant time,
// plus the log of pivots since the last strict change; a hash match is
// confirmed exactly from the log, so the answer never rests on the hash.
// At most kMaxBases bases are remembered: past that the guard reports a
// repeat, and the phase switches to Bland's rule, which terminates anyway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace mivex::lp {

class CycleGuard {
 public:
  static constexpr std::size_t kMaxBases = std::size_t{1} << 20;

  // Start with `basis` (a column per position) as the only basis seen.
  template <class Basis>
  void start(const Basis& basis) {
    hash_ = 0;
    for (std::size_t p = 0; p < basis.size(); ++p) hash_ ^= mix(p, static_cast<std::uint64_t>(basis[p]));
    forget();
  }

  // Column `entering` replaced `leaving` at `position`; `moved` when the
  // objective changed strictly. True when the new basis had been seen (or
  // the record is full).
  bool pivot(std::size_t position, std::size_t leaving, std::size_t entering, bool moved) {
    hash_ ^= mix(position, leaving) ^ mix(position, entering);
    if (moved) {
      forget();
      return false;
    }
    log_.push_back({static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(leaving),
                    static_cast<std::uint32_t>(entering)});
    const auto step = static_cast<std::uint32_t>(log_.size());
    auto [it, fresh] = seen_.try_emplace(hash_, std::vector<std::uint32_t>{});
    if (!fresh) {
      for (std::uint32_t earlier : it->second) {
        if (same_basis_since(earlier)) return true;
      }
    }
    it->second.push_back(step);
    return log_.size() >= kMaxBases;
  }

 private:
  struct Change {
    std::uint32_t position, leaving, entering;
  };

  static std::uint64_t mix(std::uint64_t position, std::uint64_t column) {
    std::uint64_t z = (position << 32) ^ column ^ 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }

  void forget() {
    log_.clear();
    seen_.clear();
    seen_[hash_].push_back(0);
  }

  // Whether the basis after `step` pivots of the log equals the current one:
  // every position changed since holds again the column it held then.
  bool same_basis_since(std::uint32_t step) {
    then_.clear();
    now_.clear();
    for (std::size_t t = log_.size(); t-- > step;) {
      const Change& c = log_[t];
      now_.try_emplace(c.position, c.entering);
      then_[c.position] = c.leaving;
    }
    for (const auto& [position, column] : then_) {
      if (now_[position] != column) return false;
    }
    return true;
  }

  std::uint64_t hash_ = 0;
  std::vector<Change> log_;
  std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> seen_;
  std::unordered_map<std::uint32_t, std::uint32_t> then_, now_;
};

}  // namespace mivex::lp
