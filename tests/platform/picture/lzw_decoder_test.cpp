#include "platform/picture/lzw_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/testing/gif_writer.h"
#include "tests/platform/picture/test_images.h"

namespace veltrano::picture {
namespace {

using testing::EncodeLzw;
using testing::LzwOptions;
using testing::LzwStream;
using testing::MakeImage;
using testing::Pattern;
using testing::PixelsWithin;
using testing::ToSubBlocks;

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 64;

// Decodes into a buffer of `count` bytes followed by guard bytes, and checks
// that nothing was written past `count`.
struct Decoded {
  std::vector<std::uint8_t> pixels;  // the first `written` bytes
  LzwOutcome outcome;
};

Decoded Decode(const std::vector<std::uint8_t>& chain, int min_code_size, std::size_t count) {
  std::vector<std::uint8_t> buffer(count + kGuardBytes, kGuard);
  Decoded d;
  d.outcome = DecodeLzw(chain, min_code_size, buffer.data(), count);
  EXPECT_LE(d.outcome.written, count);
  EXPECT_TRUE(std::all_of(buffer.begin() + count, buffer.end(), [](std::uint8_t b) {
    return b == kGuard;
  })) << "wrote past the end of the output";
  d.pixels.assign(buffer.begin(), buffer.begin() + d.outcome.written);
  return d;
}

// Packs hand-written codes of the given widths, least significant bit first.
std::vector<std::uint8_t> Codes(const std::vector<std::pair<unsigned, unsigned>>& codes) {
  std::vector<std::uint8_t> bytes;
  std::uint64_t acc = 0;
  unsigned n = 0;
  for (auto [code, width] : codes) {
    acc |= std::uint64_t{code} << n;
    n += width;
    while (n >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      n -= 8;
    }
  }
  if (n > 0) bytes.push_back(static_cast<std::uint8_t>(acc));
  return ToSubBlocks(bytes);
}

struct RoundTripCase {
  const char* name;
  LzwOptions options;
  bool expect_full_table;  // the encoder must have run on a full table
};

TEST(LzwDecoder, RoundTripsEveryCodeSizeAndEncoderStyle) {
  LzwOptions no_leading_clear;
  no_leading_clear.leading_clear = false;
  LzwOptions frequent_clears;
  frequent_clears.clear_every = 7;
  LzwOptions full_no_clear;
  full_no_clear.defer_clear = true;
  LzwOptions full_late_clear;
  full_late_clear.defer_clear = true;
  full_late_clear.clear_after_full = 300;
  LzwOptions no_end_code;
  no_end_code.end_code = false;
  const RoundTripCase cases[] = {
      {"default", {}, false},
      {"no leading clear", no_leading_clear, false},
      {"clear every 7 codes", frequent_clears, false},
      {"full table, no clear", full_no_clear, true},
      {"full table, deferred clear", full_late_clear, true},
      {"no end code", no_end_code, false},
  };
  for (const auto& c : cases) {
    for (int mcs = 2; mcs <= 11; ++mcs) {
      const int colors = 1 << std::min(mcs, 8);
      for (Pattern pattern : {Pattern::kNoise, Pattern::kRuns, Pattern::kPhoto}) {
        const auto pixels = MakeImage(pattern, 263, 161, colors, 1000u * mcs + 7);
        const LzwStream stream = EncodeLzw(pixels, mcs, c.options);
        if (c.expect_full_table && pattern == Pattern::kNoise) {
          ASSERT_GT(stream.full_codes, 0u) << c.name << " mcs " << mcs;
        }
        const Decoded d = Decode(ToSubBlocks(stream.bytes), mcs, pixels.size());
        ASSERT_EQ(d.outcome.stop, LzwStop::kFull) << c.name << " mcs " << mcs;
        ASSERT_EQ(d.pixels, pixels) << c.name << " mcs " << mcs;
      }
    }
  }
}

TEST(LzwDecoder, SubBlockSizeDoesNotMatter) {
  const auto pixels = MakeImage(Pattern::kPhoto, 64, 64, 256, 5);
  const LzwStream stream = EncodeLzw(pixels, 8);
  for (int block : {1, 2, 7, 8, 9, 100, 255}) {
    const Decoded d = Decode(ToSubBlocks(stream.bytes, block), 8, pixels.size());
    EXPECT_EQ(d.pixels, pixels) << "block " << block;
  }
}

TEST(LzwDecoder, KwKwKCodeRepeatsThePreviousString) {
  // Code size 2: clear 4, end 5, first free 6; codes are 3 bits wide.
  // 1, then 6 (not yet defined: "1" + "1"), then 7 (= "1 1" + "1"), after
  // which the table reaches 8 entries and the end code is 4 bits wide.
  const Decoded d = Decode(Codes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}}), 2, 6);
  EXPECT_EQ(d.outcome.stop, LzwStop::kFull);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({1, 1, 1, 1, 1, 1}));
}

TEST(LzwDecoder, ImpossibleCodesEndTheData) {
  // A code beyond the next free one (6).
  Decoded d = Decode(Codes({{4, 3}, {1, 3}, {7, 3}, {0, 3}}), 2, 10);
  EXPECT_EQ(d.outcome.stop, LzwStop::kBadCode);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({1}));
  // "KwKwK" right after a clear: there is no previous string to repeat.
  d = Decode(Codes({{4, 3}, {2, 3}, {4, 3}, {6, 3}, {1, 3}}), 2, 10);
  EXPECT_EQ(d.outcome.stop, LzwStop::kBadCode);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({2}));
  // The same at the very start, with no leading clear.
  d = Decode(Codes({{6, 3}}), 2, 10);
  EXPECT_EQ(d.outcome.stop, LzwStop::kBadCode);
  EXPECT_EQ(d.outcome.written, 0u);
}

TEST(LzwDecoder, ClearInTheMiddleRestartsTableAndWidth) {
  // 1, 2 (adds 6 = "1 2"), 6 -> "1 2" (adds 7, width becomes 4), a clear
  // read at 4 bits, then codes are 3 bits wide again: 3, 3 and the end code.
  const Decoded d =
      Decode(Codes({{4, 3}, {1, 3}, {2, 3}, {6, 3}, {4, 4}, {3, 3}, {3, 3}, {5, 3}}), 2, 20);
  EXPECT_EQ(d.outcome.stop, LzwStop::kEndCode);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({1, 2, 1, 2, 3, 3}));
}

TEST(LzwDecoder, EarlyEndCodeKeepsWhatCameBefore) {
  const auto pixels = MakeImage(Pattern::kRuns, 50, 40, 16, 3);
  LzwOptions options;
  options.stop_after = 777;
  const Decoded d = Decode(ToSubBlocks(EncodeLzw(pixels, 4, options).bytes), 4, pixels.size());
  EXPECT_EQ(d.outcome.stop, LzwStop::kEndCode);
  ASSERT_EQ(d.outcome.written, 777u);
  EXPECT_TRUE(std::equal(d.pixels.begin(), d.pixels.end(), pixels.begin()));
}

TEST(LzwDecoder, StringsLongerThanThePixelsLeftAreCut) {
  // Long runs make long strings; decode into ever smaller outputs so that the
  // last string is cut at every possible point, near the chunked copies.
  const auto pixels = MakeImage(Pattern::kBlocks, 120, 80, 4, 11);
  const auto chain = ToSubBlocks(EncodeLzw(pixels, 2).bytes);
  for (std::size_t count = 1; count <= 400; ++count) {
    const Decoded d = Decode(chain, 2, count);
    ASSERT_EQ(d.outcome.stop, LzwStop::kFull) << count;
    ASSERT_TRUE(std::equal(d.pixels.begin(), d.pixels.end(), pixels.begin())) << count;
  }
  // A "KwKwK" string that is cut.
  const Decoded d = Decode(Codes({{4, 3}, {1, 3}, {6, 3}, {7, 3}, {5, 4}}), 2, 4);
  EXPECT_EQ(d.outcome.stop, LzwStop::kFull);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({1, 1, 1, 1}));
}

TEST(LzwDecoder, DataCutAnywhereDecodesEveryWholeCode) {
  const auto pixels = MakeImage(Pattern::kPhoto, 40, 30, 64, 21);
  const LzwStream stream = EncodeLzw(pixels, 6);
  for (std::size_t cut = 0; cut < stream.bytes.size(); ++cut) {
    const std::span<const std::uint8_t> head(stream.bytes.data(), cut);
    const std::size_t expected = PixelsWithin(stream, cut);
    // Without a terminator (the input ends) and with one (the chain ends).
    for (bool terminate : {false, true}) {
      const Decoded d = Decode(ToSubBlocks(head, 13, terminate), 6, pixels.size());
      ASSERT_EQ(d.outcome.stop, expected == pixels.size() ? LzwStop::kFull : LzwStop::kOutOfData)
          << cut;
      ASSERT_EQ(d.outcome.written, expected) << cut;
      ASSERT_TRUE(std::equal(d.pixels.begin(), d.pixels.end(), pixels.begin())) << cut;
    }
  }
}

TEST(LzwDecoder, SubBlockLongerThanTheInputIsReadUpToTheEnd) {
  // Clear, 1, 2, 3 at 3 bits and 1 at 4 bits: exactly two bytes, in a block
  // that claims 200.
  std::vector<std::uint8_t> chain = Codes({{4, 3}, {1, 3}, {2, 3}, {3, 3}, {1, 4}});
  chain.pop_back();  // drop the terminator
  chain[0] = 200;
  const Decoded d = Decode(chain, 2, 10);
  EXPECT_EQ(d.outcome.stop, LzwStop::kOutOfData);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({1, 2, 3, 1}));
}

TEST(LzwDecoder, WideCodeSizesKeepTheLowByteOfLiteralsAndStayInTheTable) {
  // Size 9: clear 512, end 513, 10-bit codes. 300 is a literal; 514 the
  // first entry (300 then 5); 516 the KwKwK case after 515 was added.
  auto d = Decode(Codes({{512, 10}, {300, 10}, {5, 10}, {514, 10}, {516, 10}, {513, 10}}), 9, 16);
  EXPECT_EQ(d.outcome.stop, LzwStop::kEndCode);
  EXPECT_EQ(d.pixels, std::vector<std::uint8_t>({44, 5, 44, 5, 44, 5, 44}));

  // Size 11: codes start and stay 12 bits wide; 2046 entries fill the table
  // and later codes add nothing. A code of 4095 is then a valid entry.
  std::vector<std::pair<unsigned, unsigned>> codes = {{2048, 12}};
  for (unsigned i = 0; i < 2100; ++i) codes.push_back({i % 7, 12});
  codes.push_back({4095, 12});
  d = Decode(Codes(codes), 11, 2102);
  ASSERT_EQ(d.outcome.stop, LzwStop::kFull);
  // Entry 4095 is the 2046th: literal 2045 % 7 followed by the next one.
  EXPECT_EQ(d.pixels[2100], 2045 % 7);
  EXPECT_EQ(d.pixels[2101], 2046 % 7);
}

// The rules of the decoder written the plain way: sub-blocks joined first,
// codes read bit by bit, strings expanded through prefix chains.
LzwOutcome ReferenceDecode(const std::vector<std::uint8_t>& chain, int min_code_size,
                           std::vector<std::uint8_t>& out, std::size_t count) {
  out.clear();
  if (count == 0) return {0, LzwStop::kFull};
  if (min_code_size < 2 || min_code_size > kMaxMinCodeSize) return {0, LzwStop::kBadCode};
  std::vector<std::uint8_t> data;
  for (std::size_t i = 0; i < chain.size() && chain[i] != 0;) {
    const std::size_t n = std::min<std::size_t>(chain[i], chain.size() - i - 1);
    data.insert(data.end(), chain.begin() + i + 1, chain.begin() + i + 1 + n);
    i += 1 + n;
  }
  const unsigned clear = 1u << min_code_size;
  std::vector<int> prefix(4096, -1);
  std::vector<std::uint8_t> suffix(4096);
  for (unsigned i = 0; i < clear; ++i) suffix[i] = static_cast<std::uint8_t>(i);
  const auto expand = [&](unsigned code) {
    std::string s;
    for (int c = static_cast<int>(code); c >= 0; c = prefix[c])
      s.insert(s.begin(), static_cast<char>(suffix[c]));
    return s;
  };
  unsigned next = clear + 2, width = min_code_size + 1;
  int prev = -1;
  std::size_t bit = 0;
  for (;;) {
    if (bit + width > data.size() * 8) return {out.size(), LzwStop::kOutOfData};
    unsigned code = 0;
    for (unsigned b = 0; b < width; ++b, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1u) << b;
    if (code == clear) {
      next = clear + 2;
      width = min_code_size + 1;
      prev = -1;
      continue;
    }
    if (code == clear + 1) return {out.size(), LzwStop::kEndCode};
    std::string s;
    if (code < clear || (code > clear + 1 && code < next)) {
      s = expand(code);
    } else if (code == next && prev >= 0) {
      s = expand(static_cast<unsigned>(prev));
      s += s[0];
    } else {
      return {out.size(), LzwStop::kBadCode};
    }
    if (prev >= 0 && next < 4096) {
      prefix[next] = prev;
      suffix[next] = static_cast<std::uint8_t>(s[0]);
      if (++next == (1u << width) && width < 12) ++width;
    }
    prev = static_cast<int>(code);
    for (char c : s) {
      out.push_back(static_cast<std::uint8_t>(c));
      if (out.size() == count) return {count, LzwStop::kFull};
    }
  }
}

// Random code streams an encoder could write and some it could not: literals,
// table strings, "KwKwK" runs that grow long strings, clears, a full table
// left full, now and then an end or an impossible code; cut anywhere, in
// sub-blocks of every size, decoded into outputs of every size.
TEST(LzwDecoder, AgreesWithThePlainDecoderOnRandomStreams) {
  std::mt19937 rng(2024);
  const auto below = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
  std::vector<std::uint8_t> expected;
  for (int round = 0; round < 3000; ++round) {
    const int mcs = 2 + static_cast<int>(below(10));
    const unsigned clear = 1u << mcs;
    const unsigned codes_wanted = 1 + below(round % 10 == 0 ? 6000 : 300);
    std::vector<std::pair<unsigned, unsigned>> codes;
    unsigned next = clear + 2, width = mcs + 1;
    bool have_prev = false;
    if (below(4) != 0) codes.push_back({clear, width});
    for (unsigned i = 0; i < codes_wanted; ++i) {
      const unsigned pick = below(1000);
      unsigned code;
      if (pick < 3) {
        code = clear;
      } else if (pick < 4) {
        code = clear + 1;
      } else if (pick < 5) {
        code = std::min(next + 1 + below(8), (1u << width) - 1);  // impossible, or a stale entry
      } else if (have_prev && next < 4096 && pick < 300) {
        code = next;  // "KwKwK"
      } else if (next > clear + 2 && pick < 700) {
        code = clear + 2 + below(std::min(next, 4096u) - clear - 2);
      } else {
        code = below(clear);
      }
      codes.push_back({code, width});
      if (code == clear) {
        next = clear + 2;
        width = mcs + 1;
        have_prev = false;
        continue;
      }
      if (have_prev && next < 4096 && ++next == (1u << width) && width < 12) ++width;
      have_prev = true;
    }
    std::vector<std::uint8_t> bytes;
    std::uint64_t acc = 0;
    unsigned n = 0;
    for (auto [code, w] : codes) {
      acc |= std::uint64_t{code} << n;
      for (n += w; n >= 8; n -= 8, acc >>= 8) bytes.push_back(static_cast<std::uint8_t>(acc));
    }
    if (n > 0) bytes.push_back(static_cast<std::uint8_t>(acc));
    if (below(3) == 0) bytes.resize(below(static_cast<unsigned>(bytes.size()) + 1));
    const auto chain = ToSubBlocks(bytes, 1 + static_cast<int>(below(255)), below(2) == 0);
    const std::size_t count = 1 + below(below(2) == 0 ? 64 : 40000);

    const LzwOutcome want = ReferenceDecode(chain, mcs, expected, count);
    const Decoded got = Decode(chain, mcs, count);
    ASSERT_EQ(got.outcome.stop, want.stop) << "round " << round;
    ASSERT_EQ(got.outcome.written, want.written) << "round " << round;
    ASSERT_EQ(got.pixels, expected) << "round " << round;
  }
}

TEST(LzwDecoder, RefusesCodeSizesOutsideTwoToEleven) {
  const auto chain = Codes({{4, 3}, {1, 3}});
  for (int mcs : {0, 1, 12, 13}) {
    const Decoded d = Decode(chain, mcs, 4);
    EXPECT_EQ(d.outcome.stop, LzwStop::kBadCode) << mcs;
    EXPECT_EQ(d.outcome.written, 0u) << mcs;
  }
}

}  // namespace
}  // namespace veltrano::picture
