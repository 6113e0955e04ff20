// The encoding seam: what the INI reader relies on.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/text.h"

namespace veltrano::text {
namespace {

TEST(Utf8Check, AcceptsWellFormedAndRejectsIllFormed) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii that is longer than eight bytes"));
  EXPECT_TRUE(IsValidUtf8("病毒.exe"));
  EXPECT_TRUE(IsValidUtf8(std::string("a\0b", 3)));
  EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));   // U+1F600
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("abcdefgh\xE4\xB8"));  // cut short after a fast ASCII run
  EXPECT_FALSE(IsValidUtf8("\xB2\xA1\xB6\xBE"));  // GBK bytes
}

TEST(Utf8Check, DecodeGivesTheCodePointAndLengthOrRefuses) {
  const std::string s = "a\xC3\xA9\xE7\x97\x85\xF0\x9F\x98\x80";  // a, U+00E9, U+75C5, U+1F600
  char32_t c = 0;
  EXPECT_EQ(DecodeUtf8(s, 0, c), 1u);
  EXPECT_EQ(c, U'a');
  EXPECT_EQ(DecodeUtf8(s, 1, c), 2u);
  EXPECT_EQ(c, U'\u00E9');
  EXPECT_EQ(DecodeUtf8(s, 3, c), 3u);
  EXPECT_EQ(c, U'\u75C5');
  EXPECT_EQ(DecodeUtf8(s, 6, c), 4u);
  EXPECT_EQ(c, U'\U0001F600');
  EXPECT_EQ(DecodeUtf8(s, 2, c), 0u);                 // a continuation byte
  EXPECT_EQ(DecodeUtf8("\xC0\xAF", 0, c), 0u);        // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80", 0, c), 0u);    // a surrogate
  EXPECT_EQ(DecodeUtf8("x\xE7\x97", 1, c), 0u);       // cut short
  std::string round;
  for (char32_t cp : {U'a', U'\u00E9', U'\u75C5', U'\U0001F600'}) AppendUtf8(round, cp);
  EXPECT_EQ(round, s);
}

TEST(Utf8Check, SanitizeReplacesEachBadByte) {
  EXPECT_EQ(SanitizeUtf8("a\xFF"
                         "b\xE4\xB8"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("病毒"), "病毒");
}

TEST(Utf16, BothByteOrdersPairsAndBadSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(std::string("o\0p\0", 4), false), "op");
  EXPECT_EQ(Utf16ToUtf8(std::string("\0o\0p", 4), true), "op");
  EXPECT_EQ(Utf16ToUtf8(std::string("\x3D\xD8\x00\xDE", 4), false), "\xF0\x9F\x98\x80");  // a pair
  EXPECT_EQ(Utf16ToUtf8(std::string("\x3D\xD8"
                                    "a\0",
                                    4),
                        false),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(Utf16ToUtf8(std::string("a\0b", 3), false), "a");  // odd last byte dropped
}

TEST(CodePage936, ConvertsGbkAndMarksBadBytes) {
  EXPECT_EQ(GbkToUtf8("\xB2\xA1\xB6\xBE.exe"), "病毒.exe");
  EXPECT_EQ(GbkToUtf8("abc"), "abc");
  EXPECT_EQ(GbkToUtf8("\x80"), "€");
  // A lead byte without its trail byte, then a byte that starts nothing.
  EXPECT_EQ(GbkToUtf8("a\xB2"), "a\xEF\xBF\xBD");
  EXPECT_EQ(GbkToUtf8("\xFF"
                      "b"),
            "\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(GbkToUtf8(std::string("x\0y", 3)), std::string("x\0y", 3));
}

}  // namespace
}  // namespace veltrano::text
