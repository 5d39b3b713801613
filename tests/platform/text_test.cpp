#include "platform/text.h"

#include <gtest/gtest.h>

#include <cctype>

namespace plat {
namespace {

// Every char value answers as the C library does in the "C" locale, which the tests run in.
TEST(TextTest, CharacterTestsMatchTheCLocale) {
  for (int v = -128; v < 128; ++v) {
    const char c = static_cast<char>(v);
    const int u = static_cast<unsigned char>(c);
    EXPECT_EQ(IsBlank(c), std::isblank(u) != 0) << v;
    EXPECT_EQ(IsSpace(c), std::isspace(u) != 0) << v;
    EXPECT_EQ(static_cast<unsigned char>(Lower(c)), std::tolower(u)) << v;
  }
}

TEST(TextTest, SameNameIgnoresOnlyAsciiCase) {
  EXPECT_TRUE(SameName("InsimPort", "iNSIMpORT"));
  EXPECT_TRUE(SameName("", ""));
  EXPECT_FALSE(SameName("Port", "Ports"));
  EXPECT_FALSE(SameName("Port ", "Port"));
  // Neighbours of the letters that a case bit alone would fold together.
  EXPECT_FALSE(SameName("@[\\]^", "`{|}~"));
  // Latin-1 capital and small A umlaut stay different, as Windows compares ASCII names.
  EXPECT_FALSE(SameName("\xC4", "\xE4"));
  EXPECT_TRUE(SameName("\xC4x", "\xC4X"));
  // A NUL is a character like any other within the given length.
  EXPECT_FALSE(SameName(std::string_view("a\0b", 3), std::string_view("a\0c", 3)));
}

}  // namespace
}  // namespace plat
