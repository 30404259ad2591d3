#include <gtest/gtest.h>

#include <string>

#include "parser/text_lines.hpp"

using namespace mivex::parser;

TEST(TextLines, TrimsEveryUnicodeSpaceAndNothingElse) {
  // NBSP, U+2003 EM SPACE, U+3000, U+0085, tab and vertical tab around text.
  std::string padded = "\xC2\xA0\xE2\x80\x83\t\x0B x y \xE3\x80\x80\xC2\x85";
  EXPECT_EQ(trim(padded), "x y");
  // U+200B ZERO WIDTH SPACE is not White_Space; é (C3 A9) must survive whole.
  EXPECT_EQ(trim("\xE2\x80\x8B" "a"), "\xE2\x80\x8B" "a");
  EXPECT_EQ(trim(" \xC3\xA9 "), "\xC3\xA9");
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim(" \t "), "");
}

TEST(TextLines, SplitsAtRunsOfSpace) {
  auto tokens = split_whitespace("p\xE2\x80\xA8 cnf\t\t3  \xC2\xA0" "2");
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0], "p");
  EXPECT_EQ(tokens[1], "cnf");
  EXPECT_EQ(tokens[2], "3");
  EXPECT_EQ(tokens[3], "2");
  EXPECT_TRUE(split_whitespace("  ").empty());
}

TEST(TextLines, NumbersEveryLineAndDropsOneCarriageReturn) {
  LineReader reader("a\r\n\r\nb\r\r\nc\r");
  std::string_view line;
  std::vector<std::pair<std::size_t, std::string>> seen;
  while (reader.next(line)) seen.emplace_back(reader.number(), std::string(line));
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].second, "a");
  EXPECT_EQ(seen[1].second, "");
  EXPECT_EQ(seen[2].second, "b\r");
  EXPECT_EQ(seen[3].first, 4u);
  EXPECT_EQ(seen[3].second, "c\r");  // no "\n" follows: the "\r" stays (trimming drops it)
  LineReader empty("");
  EXPECT_FALSE(empty.next(line));
  LineReader one("x\n");
  EXPECT_TRUE(one.next(line));
  EXPECT_FALSE(one.next(line));
}
