// What the tools print stays one line per line and shows what was there.
#include "tools/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace veltrano::tools {
namespace {

TEST(Printable, KeepsOrdinaryTextPathsAndChinese) {
  EXPECT_EQ(Printable(""), "");
  EXPECT_EQ(Printable("E:\\docs\\a.exe"), "E:\\docs\\a.exe");
  EXPECT_EQ(Printable("    发现病毒：x.exe 已清除！"), "    发现病毒：x.exe 已清除！");
  EXPECT_EQ(Printable("\xf0\x9f\x98\x80 ok"), "\xf0\x9f\x98\x80 ok");  // 4-byte sequence
}

TEST(Printable, EscapesEveryControlCharacter) {
  EXPECT_EQ(Printable("a\nb"), "a\\nb");
  EXPECT_EQ(Printable("a\r\tb"), "a\\r\\tb");
  EXPECT_EQ(Printable(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(Printable("\x1b[31mred"), "\\x1b[31mred");
  EXPECT_EQ(Printable("del\x7f"), "del\\x7f");
  EXPECT_EQ(Printable("c1\xc2\x85!"), "c1\\xc2\\x85!");  // NEL, a C1 line break
  EXPECT_EQ(Printable("\xc2\xa0"), "\xc2\xa0");          // the first code point after C1
  for (int c = 0; c < 0x20; ++c) {
    const std::string out = Printable(std::string(1, static_cast<char>(c)));
    EXPECT_EQ(out.find_first_of(std::string("\0\n\r", 3)), std::string::npos) << c;
    EXPECT_EQ(out[0], '\\') << c;
  }
}

TEST(Printable, EscapesBytesThatAreNotUtf8) {
  EXPECT_EQ(Printable("\xff\xfe.chk"), "\\xff\\xfe.chk");
  EXPECT_EQ(Printable("\xe6\x96"), "\\xe6\\x96");                    // cut short at the end
  EXPECT_EQ(Printable("\xe6\x96x"), "\\xe6\\x96x");                  // cut short by a letter
  EXPECT_EQ(Printable("\xc0\xaf"), "\\xc0\\xaf");                    // overlong '/'
  EXPECT_EQ(Printable("\xed\xa0\x80"), "\\xed\\xa0\\x80");           // a surrogate
  EXPECT_EQ(Printable("\xf4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");  // past U+10FFFF
  EXPECT_EQ(Printable(std::string("\x80") + "a"), "\\x80a");         // a lone continuation byte
}

}  // namespace
}  // namespace veltrano::tools
