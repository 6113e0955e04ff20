// The UTF-8 <-> UTF-16 edge of the Win32 calls, and code page 936 through
// MultiByteToWideChar.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/text.h"
#include "platform/text/wide_text_win32.h"

namespace veltrano::text {
namespace {

TEST(WideText, RoundTripsEveryPlane) {
  // ASCII, CJK, a letter outside the BMP (a surrogate pair in UTF-16), NUL.
  const std::string utf8 = std::string("a病毒\xF0\x9F\x98\x80", 11) + std::string(1, '\0') + "z";
  const auto wide = Utf8ToWide(utf8);
  ASSERT_TRUE(wide.has_value());
  ASSERT_EQ(wide->size(), 7u);
  EXPECT_EQ((*wide)[0], L'a');
  EXPECT_EQ((*wide)[1], static_cast<wchar_t>(0x75C5));
  EXPECT_EQ((*wide)[2], static_cast<wchar_t>(0x6BD2));
  EXPECT_EQ((*wide)[3], static_cast<wchar_t>(0xD83D));
  EXPECT_EQ((*wide)[4], static_cast<wchar_t>(0xDE00));
  EXPECT_EQ((*wide)[5], L'\0');
  EXPECT_EQ(WideToUtf8(*wide), utf8);
  EXPECT_EQ(Utf8ToWide(""), std::wstring());
  EXPECT_EQ(WideToUtf8(L""), "");
}

TEST(WideText, DamagedUtf8IsRefusedNotGuessed) {
  EXPECT_FALSE(Utf8ToWide("a\xFF" "b").has_value());
  EXPECT_FALSE(Utf8ToWide("\xC0\xAF").has_value());      // overlong '/'
  EXPECT_FALSE(Utf8ToWide("\xED\xA0\x80").has_value());  // a surrogate written as UTF-8
  EXPECT_FALSE(Utf8ToWide("\xE7\x97").has_value());      // cut short
}

TEST(WideText, UnpairedSurrogateBecomesReplacement) {
  const std::wstring lone = {L'x', static_cast<wchar_t>(0xD800), L'y'};
  EXPECT_EQ(WideToUtf8(lone), "x\xEF\xBF\xBDy");
}

TEST(WideText, GbkThroughTheSystemCodePage) {
  // The same results as the iconv build: characters of the code page, the
  // euro sign at 0x80, U+FFFD for bytes that form no character, and only
  // for those.
  EXPECT_EQ(GbkToUtf8("\xB2\xA1\xB6\xBE.exe"), "病毒.exe");
  EXPECT_EQ(GbkToUtf8("x\x80y"), "x€y");
  EXPECT_EQ(GbkToUtf8("\xD6\xD0\xFF\xCE\xC4"), "中\xEF\xBF\xBD文");
  EXPECT_EQ(GbkToUtf8("ab\xB2"), "ab\xEF\xBF\xBD");
  // A trail byte in the ASCII range belongs to its character.
  EXPECT_EQ(GbkToUtf8("\x81\x40"), "丂");
}

}  // namespace
}  // namespace veltrano::text
