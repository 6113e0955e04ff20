// The property set a form stores for the control: written with the defaults
// left out, read back into every field, and its serialized form, which must
// refuse damaged input without reading past it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "anigif/banner_property_set.h"
#include "anigif/property_bag.h"
#include "tests/anigif/control_fixture.h"

namespace veltrano::anigif::testing {
namespace {

using Names = std::vector<std::string>;

Bytes Animation(int loops) {
  return MakeGif({Frame(0, 0, 6, 4, 4, 1), Frame(0, 0, 6, 4, 4, 2)}, 4, loops);
}

// A bag through its serialized form and back.
PropertyBag RoundTrip(const PropertyBag& bag) {
  const std::vector<uint8_t> bytes = bag.Serialize();
  PropertyBagError error = PropertyBagError::kTooLarge;
  std::optional<PropertyBag> back = PropertyBag::Parse(bytes, &error);
  EXPECT_EQ(error, PropertyBagError::kNone);
  return back ? std::move(*back) : PropertyBag{};
}

TEST(Persistence, ANewControlStoresOnlyItsGif) {
  ControlFixture fx(false);
  PropertyBag bag;
  fx.control.WriteProperties(bag);
  EXPECT_EQ(bag.Keys(), Names{"GIF"});  // always written, even empty
  EXPECT_TRUE(bag.ReadBytes("GIF", {1}).empty());
}

TEST(Persistence, WriteThenReadRestoresEveryField) {
  const Bytes gif = Animation(7);
  ControlFixture design(false);
  ucAniGIF& c = design.control;
  c.SetAnimatedGIF(MakePictureObject(gif));
  c.SetMinFrameDelay(120);
  c.SetStretch(3);
  c.SetLoops(40000);  // above 16 bits: kept as it is
  c.SetDelayAnimation(2);
  c.SetMirrored(3);
  const host::PictureRef icon = MakePictureObject(MakeGif({Frame(0, 0, 2, 2)}));
  c.SetMouseIcon(icon);
  c.SetMousePointer(99);
  c.SetEnabled(false);
  c.SetOffsetX(-4);
  c.SetOffsetY(9);
  c.SetSolidBkgColor(static_cast<int32_t>(0x80000005));
  c.SetSolidBkgColorUsed(true);
  c.SetSteppedDelay(230);
  PropertyBag bag;
  c.WriteProperties(bag);
  EXPECT_EQ(bag.Keys(), (Names{"GIF", "Delay", "Stretch", "Loops", "DelayLoad", "Mirror",
                               "MouseIcon", "MousePointer", "Enabled", "OffsetX", "OffsetY",
                               "BkgFill", "BkgUsed", "StepDelay"}));

  ControlFixture run(true, 6, 4);
  run.control.ReadProperties(RoundTrip(bag));
  const ucAniGIF& r = run.control;
  EXPECT_EQ(r.FrameCount(), 2);
  EXPECT_EQ(r.MinFrameDelay(), 120);
  EXPECT_EQ(r.Stretch(), 3);
  EXPECT_EQ(r.Loops(), 40000);
  EXPECT_EQ(r.LoopsRemaining(), 40000);
  EXPECT_EQ(r.DelayAnimation(), 2);
  EXPECT_EQ(r.Mirrored(), 3);
  ASSERT_NE(r.MouseIcon(), nullptr);
  EXPECT_EQ(r.MouseIcon()->gifBytes, icon->gifBytes);
  EXPECT_EQ(run.host.AppliedMouseIcon(), r.MouseIcon());
  EXPECT_EQ(r.MousePointer(), 99);
  EXPECT_FALSE(r.Enabled());
  EXPECT_EQ(r.OffsetX(), -4);
  EXPECT_EQ(r.OffsetY(), 9);
  EXPECT_EQ(r.SolidBkgColor(), static_cast<int32_t>(0x80000005));
  EXPECT_TRUE(r.SolidBkgColorUsed());
  EXPECT_EQ(r.SteppedDelay(), 230);
  // The frames come back as they were stored: mirrored both ways.
  EXPECT_EQ(run.FrameIndices(1), design.FrameIndices(1));
  // Reading tells the designer nothing.
  EXPECT_TRUE(run.host.ChangedProperties().empty());
}

TEST(Persistence, LoopsComeFromTheFileUnlessStored) {
  PropertyBag bag;
  bag.WriteProperty("GIF", Animation(5));
  bag.WriteProperty("DelayLoad", int32_t{-1});
  ControlFixture fx(true, 6, 4);
  fx.control.ReadProperties(bag);
  EXPECT_EQ(fx.control.Loops(), 5);
  EXPECT_EQ(fx.control.LoopsRemaining(), 5);
  EXPECT_EQ(fx.control.DelayAnimation(), 1);
  EXPECT_TRUE(fx.control.DeferredDecodePending());  // DelayAnimation 1 at run time

  bag.WriteProperty("Loops", int32_t{2});
  ControlFixture stored(true, 6, 4);
  stored.control.ReadProperties(bag);
  EXPECT_EQ(stored.control.Loops(), 2);
}

TEST(Persistence, AGifThatFailsLeavesTheControlEmptyAndLoopsUnread) {
  PropertyBag bag;
  bag.WriteProperty("GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0});
  bag.WriteProperty("Loops", int32_t{4});
  bag.WriteProperty("Stretch", int32_t{9});  // not a mode: the default
  bag.WriteProperty("Mirror", int32_t{-2});
  bag.WriteProperty("Delay", int16_t{0});  // below the floor: clamped
  ControlFixture fx;
  fx.control.ReadProperties(bag);
  EXPECT_EQ(fx.control.CurrentFrame(), 0);
  EXPECT_EQ(fx.control.Loops(), 0);
  EXPECT_EQ(fx.control.Stretch(), 1);
  EXPECT_EQ(fx.control.Mirrored(), 0);
  EXPECT_EQ(fx.control.MinFrameDelay(), 10);
}

TEST(PropertyBagForm, DefaultsLeftOutAndTypesConverted) {
  PropertyBag bag;
  EXPECT_TRUE(bag.WriteProperty("A", int32_t{5}, int32_t{5}));
  EXPECT_FALSE(bag.Contains("A"));
  bag.WriteProperty("A", int32_t{6}, int32_t{5});
  bag.WriteProperty("A", int32_t{5}, int32_t{5});  // back to its default: removed
  EXPECT_FALSE(bag.Contains("A"));
  EXPECT_FALSE(bag.WriteProperty("", int32_t{1}));
  EXPECT_FALSE(bag.WriteProperty("has space", int32_t{1}));
  EXPECT_FALSE(bag.WriteProperty(std::string(kMaxPropertyKey + 1, 'k'), int32_t{1}));

  bag.WriteProperty("Wide", int32_t{70000});
  bag.WriteProperty("Flag", true);
  EXPECT_EQ(bag.ReadI16("Wide", 3), 3);  // does not fit
  EXPECT_EQ(bag.ReadI32("Flag", 0), -1);
  EXPECT_EQ(bag.ReadBytes("Wide", {7}), Bytes{7});
  EXPECT_EQ(bag.ReadPicture("Flag", nullptr), nullptr);
  EXPECT_EQ(bag.ReadI32("Absent", 11), 11);
}

TEST(PropertyBagForm, EveryTypeRoundTrips) {
  PropertyBag bag;
  bag.WriteProperty("B", Bytes{0, 1, 2, 255});
  bag.WriteProperty("Empty", Bytes{});
  bag.WriteProperty("S", int16_t{-32768});
  bag.WriteProperty("L", int32_t{-2147483647 - 1});
  bag.WriteProperty("T", true);
  bag.WriteProperty("F", false);
  const Bytes gif = MakeGif({Frame(0, 0, 3, 3)});
  bag.WriteProperty("P", MakePictureObject(gif));
  bag.WriteProperty("None", host::PictureRef{});
  const PropertyBag back = RoundTrip(bag);
  EXPECT_EQ(back.Keys(), bag.Keys());
  EXPECT_EQ(back.ReadBytes("B", {}), (Bytes{0, 1, 2, 255}));
  EXPECT_TRUE(back.Contains("Empty"));
  EXPECT_EQ(back.ReadI16("S", 0), -32768);
  EXPECT_EQ(back.ReadI32("L", 0), -2147483647 - 1);
  EXPECT_TRUE(back.ReadBool("T", false));
  EXPECT_FALSE(back.ReadBool("F", true));
  ASSERT_NE(back.ReadPicture("P", nullptr), nullptr);
  EXPECT_EQ(back.ReadPicture("P", nullptr)->gifBytes, gif);
  EXPECT_EQ(back.ReadPicture("P", nullptr)->image.Width(), 3);
  EXPECT_TRUE(back.Contains("None"));
  EXPECT_EQ(back.ReadPicture("None", MakePictureObject(gif)), nullptr);
}

TEST(PropertyBagForm, DamagedInputIsRefused) {
  PropertyBag bag;
  bag.WriteProperty("GIF", Bytes(40, 7));
  bag.WriteProperty("Delay", int16_t{80});
  bag.WriteProperty("BkgUsed", true);
  bag.WriteProperty("MouseIcon", MakePictureObject(MakeGif({Frame(0, 0, 2, 2)})));
  const std::vector<uint8_t> good = bag.Serialize();
  ASSERT_TRUE(PropertyBag::Parse(good).has_value());

  auto errorOf = [](std::vector<uint8_t> bytes) {
    PropertyBagError e = PropertyBagError::kNone;
    // Parsed from an exact-size heap copy, so that a sanitizer sees any
    // read past the end.
    const std::optional<PropertyBag> bag = PropertyBag::Parse(bytes, &e);
    EXPECT_FALSE(bag.has_value());
    return e;
  };
  // Every truncation fails cleanly.
  for (size_t n = 0; n < good.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_NE(errorOf(std::vector<uint8_t>(good.begin(), good.begin() + n)),
              PropertyBagError::kNone);
  }
  std::vector<uint8_t> bad = good;
  bad[0] = 'X';
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadHeader);
  bad = good;
  bad[8] = 2;  // a version we do not know
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadHeader);
  bad = good;
  bad.push_back(0);
  EXPECT_EQ(errorOf(bad), PropertyBagError::kTrailingData);
  // The first entry is "GIF": length byte at 12, key at 13..15, type at 16,
  // its length at 17..20.
  bad = good;
  bad[16] = 9;
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadType);
  bad = good;
  bad[20] = 0x7F;  // a length far past the end
  EXPECT_EQ(errorOf(bad), PropertyBagError::kTruncated);
  bad = good;
  bad[13] = ' ';
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadKey);
  bad = good;
  bad[12] = 0;  // an empty key
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadKey);
  // The second key renamed to the first.
  bad = good;
  const size_t second = 12 + 1 + 3 + 1 + 4 + 40;
  ASSERT_EQ(bad[second], 5);  // "Delay"
  bad[second] = 3;
  bad[second + 1] = 'G';
  bad[second + 2] = 'I';
  bad[second + 3] = 'F';
  bad.erase(bad.begin() + static_cast<std::ptrdiff_t>(second + 4),
            bad.begin() + static_cast<std::ptrdiff_t>(second + 6));
  EXPECT_EQ(errorOf(bad), PropertyBagError::kBadKey);
  // A picture whose stream is not a GIF.
  std::vector<uint8_t> notGif = good;
  const size_t iconStart = good.size() - bag.ReadPicture("MouseIcon", nullptr)->gifBytes.size();
  notGif[iconStart] = 'X';
  EXPECT_EQ(errorOf(notGif), PropertyBagError::kBadPicture);
}

// Any single damaged byte is either refused or gives a bag that writes back
// exactly the bytes it was read from: nothing is half read or guessed.
TEST(PropertyBagForm, EveryFlippedByteIsRefusedOrReadExactly) {
  PropertyBag bag;
  bag.WriteProperty("GIF", MakeGif({Frame(0, 0, 3, 2)}));
  bag.WriteProperty("Delay", int16_t{80});
  bag.WriteProperty("Loops", int32_t{3});
  bag.WriteProperty("BkgUsed", true);
  bag.WriteProperty("MouseIcon", MakePictureObject(MakeGif({Frame(0, 0, 2, 2)})));
  const std::vector<uint8_t> good = bag.Serialize();
  int refused = 0;
  for (size_t i = 0; i < good.size(); ++i) {
    for (uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
      std::vector<uint8_t> bytes = good;
      bytes[i] ^= flip;
      const std::optional<PropertyBag> back = PropertyBag::Parse(bytes);
      if (back) {
        ASSERT_EQ(back->Serialize(), bytes) << "byte " << i;
      } else {
        ++refused;
      }
    }
  }
  EXPECT_GT(refused, 0);
}

TEST(BannerPropertySet, IsTheBannerGifWithTheControlsDefaults) {
  std::ifstream in(VELTRANO_BANNER_GIF, std::ios::binary);
  const Bytes gif((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(gif.empty());
  std::optional<PropertyBag> bag = PropertyBag::Parse(BannerPropertySet());
  ASSERT_TRUE(bag.has_value());
  EXPECT_EQ(bag->Keys(), Names{"GIF"});
  EXPECT_EQ(bag->ReadBytes("GIF", {}), gif);

  ControlFixture fx(true, 450, 65);
  fx.control.ReadProperties(*bag);
  EXPECT_GE(fx.control.FrameCount(), 1);
  EXPECT_EQ(fx.control.DelayAnimation(), 1);
  EXPECT_EQ(fx.control.Stretch(), 1);
  fx.clock.Advance(5000);
  EXPECT_EQ(fx.control.Action(), 1);  // playing from start-up
  EXPECT_GT(fx.control.FrameCount(), 1);
}

}  // namespace
}  // namespace veltrano::anigif::testing
