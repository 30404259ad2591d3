#include "parser/text_lines.hpp"

namespace mivex::parser {

bool is_unicode_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

std::size_t space_length_at(std::string_view text, std::size_t pos) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(pos);
  if (b0 < 0x80) return is_unicode_space(b0) ? 1 : 0;
  // Every non-ASCII space is a two- or three-byte sequence (U+0085 .. U+3000).
  if (b0 >= 0xC0 && b0 < 0xE0 && pos + 1 < text.size()) {
    char32_t c = (char32_t(b0 & 0x1F) << 6) | (byte(pos + 1) & 0x3F);
    return is_unicode_space(c) ? 2 : 0;
  }
  if (b0 >= 0xE0 && b0 < 0xF0 && pos + 2 < text.size()) {
    char32_t c = (char32_t(b0 & 0x0F) << 12) | (char32_t(byte(pos + 1) & 0x3F) << 6) |
                 (byte(pos + 2) & 0x3F);
    return is_unicode_space(c) ? 3 : 0;
  }
  return 0;
}

namespace {

// Length of the White_Space character ending just before `end`, or 0.
std::size_t space_length_before(std::string_view text, std::size_t end) {
  for (std::size_t len = 1; len <= 3 && len <= end; ++len) {
    std::size_t start = end - len;
    unsigned char b = static_cast<unsigned char>(text[start]);
    if ((b & 0xC0) == 0x80) continue;  // continuation byte: look further back
    return space_length_at(text, start) == len ? len : 0;
  }
  return 0;
}

}  // namespace

std::string_view trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end) {
    std::size_t n = space_length_at(text, begin);
    if (n == 0) break;
    begin += n;
  }
  while (end > begin) {
    std::size_t n = space_length_before(text, end);
    if (n == 0) break;
    end -= n;
  }
  return text.substr(begin, end - begin);
}

std::vector<std::string_view> split_whitespace(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t pos = 0, start = 0;
  bool in_token = false;
  while (pos < text.size()) {
    std::size_t n = space_length_at(text, pos);
    if (n > 0) {
      if (in_token) tokens.push_back(text.substr(start, pos - start));
      in_token = false;
      pos += n;
    } else {
      if (!in_token) start = pos;
      in_token = true;
      ++pos;
    }
  }
  if (in_token) tokens.push_back(text.substr(start));
  return tokens;
}

bool LineReader::next(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  std::size_t newline = text_.find('\n', pos_);
  std::size_t end = newline == std::string_view::npos ? text_.size() : newline;
  line = text_.substr(pos_, end - pos_);
  if (newline != std::string_view::npos && !line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  pos_ = newline == std::string_view::npos ? text_.size() : newline + 1;
  ++number_;
  return true;
}

}  // namespace mivex::parser
