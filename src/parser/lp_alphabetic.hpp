// The Unicode Alphabetic property, from a generated range table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mivex::parser {

struct AlphabeticRange {
  char32_t first;
  char32_t last;
};

extern const AlphabeticRange kAlphabeticRanges[];
extern const std::size_t kAlphabeticRangeCount;

// Whether `code_point` is an ASCII letter or has the Alphabetic property.
bool is_alphabetic(char32_t code_point);

}  // namespace mivex::parser
