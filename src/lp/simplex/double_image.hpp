// Double images of exact numbers, for narrowing a choice before the exact
// comparison decides it. A rational's image lies within a few ulps of it
// while it is a normal number, so anything within kSlack of the best image
// could be the best; a coarse image (tiny, zero or infinite) excludes
// nothing.
#pragma once

#include <cmath>

namespace mivex::lp {

inline constexpr double kSlack = 1e-9;
inline constexpr double kTiny = 1e-290;

inline bool coarse(double v) { return !(v > kTiny) || std::isinf(v); }

}  // namespace mivex::lp
