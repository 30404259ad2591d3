#include "parser/lp_alphabetic.hpp"

#include <algorithm>

namespace mivex::parser {

bool is_alphabetic(char32_t c) {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  const AlphabeticRange* end = kAlphabeticRanges + kAlphabeticRangeCount;
  // The first range whose last code point is not below c.
  const AlphabeticRange* it = std::lower_bound(
      kAlphabeticRanges, end, c, [](const AlphabeticRange& r, char32_t v) { return r.last < v; });
  return it != end && it->first <= c;
}

}  // namespace mivex::parser
