// What one run of the pivots did, kept so that a program that adds rows to
// this one can skip the opening pivots it is bound to repeat (branch and
// bound: a child node is its parent plus one bound row).
//
// An added row x_j <= f with a slack never changes a multiplier or a reduced
// cost while its slack is basic; it changes a choice only once it blocks a
// step, that is once x_j would pass f. An added row x_j >= c brings an
// artificial that lowers d_j by 1 in phase 1 and nothing else while j is
// nonbasic; it changes a choice only once d_j - 1 could be the least. The
// log keeps what tells when each of these can first happen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "linear/rational.hpp"

namespace mivex::lp {

struct PivotLog {
  static constexpr std::uint32_t kNever = std::numeric_limits<std::uint32_t>::max();

  struct Step {
    std::uint32_t position, entering, leaving;
    bool moved;  // the objective changed strictly (the step was not zero)
  };
  // x of a structural column after pivot `pivot`: exactly `value` when
  // `exact`, else within a few units in the last place of it.
  struct High {
    std::uint32_t pivot, col;
    double value;
    bool exact;
  };

  std::vector<Step> steps;    // phase 1, then phase 2 up to any second run
  std::size_t phase1 = 0;     // how many of them phase 1 made
  bool has_phase1 = false;
  bool complete = false;      // phase 2 ran to its end (a second run after it is not kept)
  // Each time some x_j rose above every earlier upper bound on it, in
  // pivot order: the first pivot that might take x_j past f is among these.
  std::vector<High> highs;
  // By structural column: the first phase-1 pricing (counted in pivots)
  // where d_j - 1 might have been the least reduced cost; kNever if none.
  std::vector<std::uint32_t> close;
  // When phase 2's first run ended with an artificial above zero: the
  // second run's log (the pivots that drove artificials out, `drive_out` of
  // them, then phase 2 again), kept apart because it starts from the basis
  // phase 1 ended with. A program that adds only upper-bound rows and
  // repeats all of phase 1 starts its own second run from that basis too.
  std::shared_ptr<PivotLog> second_run;
  std::size_t drive_out = 0;  // in a second run's log

  // Steps [from, to) made on `basis` (by position); stops unless each finds
  // its leaving column where it pivots, as a log of another program would not.
  void apply(std::vector<std::uint32_t>& basis, std::size_t from, std::size_t to) const;
  // The first pivot after which x_col might exceed f (steps.size() if none).
  std::size_t first_above(std::size_t col, const linear::Rational& f) const;
  // An empty log for a program with `structural` structural columns.
  void start(std::size_t structural) { start_from(PivotLog(), 0, structural); }
  // The log of a program with rows added whose first `pivots` pivots are
  // these: those pivots and what is known of them.
  void start_from(const PivotLog& base, std::size_t pivots, std::size_t structural);
  // x_col after pivot `pivot` is `value`: kept if above every earlier bound.
  void note_value(std::size_t pivot, std::size_t col, const linear::Rational& value);
  // The same from a bound on the value (its upper end is kept).
  void note_value(std::size_t pivot, std::size_t col, double mid, double rad, double high);
  // Phase 2 ended: the log holds what a program with rows added may repeat.
  void finish();
  std::size_t bytes() const {
    return sizeof(PivotLog) + steps.capacity() * sizeof(Step) + highs.capacity() * sizeof(High) +
           close.capacity() * sizeof(std::uint32_t) + (second_run ? second_run->bytes() : 0);
  }

 private:
  std::vector<double> ceiling_;  // by column: the highest upper bound kept so far
};

}  // namespace mivex::lp
