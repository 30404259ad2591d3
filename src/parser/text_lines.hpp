// Line and token handling shared by the three readers: lines end at "\n"
// with one "\r" before it dropped, are numbered from 1 counting every line,
// and are trimmed and split at Unicode White_Space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace mivex::parser {

// Whether `code_point` has the Unicode White_Space property.
bool is_unicode_space(char32_t code_point);

// Length in bytes of the White_Space character starting at `pos`, or 0.
std::size_t space_length_at(std::string_view text, std::size_t pos);

// `text` without leading and trailing White_Space.
std::string_view trim(std::string_view text);

// The runs of non-White_Space characters of `text`, in order.
std::vector<std::string_view> split_whitespace(std::string_view text);

// Walks the lines of a text. A final piece without "\n" is a line; nothing
// follows a final "\n".
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // The next raw line (without "\n" and one "\r" before it); false at the end.
  bool next(std::string_view& line);
  // The 1-based number of the line last returned.
  std::size_t number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

}  // namespace mivex::parser
