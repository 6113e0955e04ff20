// The property store a form keeps for each of its controls: typed values by
// key, and a serialized form of our own in which the form stores them.
//
// Writing leaves out a value equal to the default it is written with, so a
// stored set holds only what differs from a new control. Reading gives the
// default for an absent key.
//
// Serialized form (all integers little-endian):
//
//   offset 0  8 bytes  "VPROPBAG"
//          8  2 bytes  format version, 1
//         10  2 bytes  number of entries, at most kMaxPropertyEntries
//   then per entry, in the order they were written:
//          1 byte   key length, 1..kMaxPropertyKey
//          n bytes  key, printable ASCII (0x21..0x7E); keys are unique
//          1 byte   type: 1 byte array, 2 i16, 3 i32, 4 bool, 5 picture
//          value    byte array: 4-byte length, then the bytes
//                   i16: 2 bytes; i32: 4 bytes; bool: 1 byte, 0 or 1
//                   picture: 4-byte length, then the GIF stream the picture
//                   was made from (length 0: nothing)
//
// A stream that is damaged in any way (wrong magic or version, a length that
// runs past the end, bytes after the last entry, an unknown type, a repeated
// key, a picture whose GIF does not decode) is refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/host/picture_object.h"

namespace veltrano::anigif {

inline constexpr size_t kMaxPropertyEntries = 256;
inline constexpr size_t kMaxPropertyKey = 64;
// Largest serialized set we read: the GIF inside is bounded by what the
// control loads anyway.
inline constexpr size_t kMaxPropertySetBytes = size_t{256} << 20;

using PropertyValue = std::variant<std::vector<uint8_t>, int16_t, int32_t, bool, host::PictureRef>;

enum class PropertyBagError {
  kNone = 0,
  kTooLarge,     // larger than kMaxPropertySetBytes
  kBadHeader,    // magic, version or entry count
  kTruncated,    // a key, a type or a value runs past the end
  kBadKey,       // empty, too long, not printable, or repeated
  kBadType,      // unknown type byte, or a bool other than 0 or 1
  kBadPicture,   // a picture whose GIF stream does not decode
  kTrailingData  // bytes after the last entry
};

class PropertyBag {
 public:
  // Stores `value` under `key`, or removes the key when the value equals
  // `defaultValue` (a picture equals another only when both are nothing).
  // False, storing nothing, for a key the serialized form cannot hold or a
  // bag already holding kMaxPropertyEntries other keys.
  bool WriteProperty(std::string_view key, PropertyValue value,
                     const std::optional<PropertyValue>& defaultValue = std::nullopt);

  // Typed reads; an absent key gives the default. Integers and booleans
  // convert among each other when the stored value fits; any other stored
  // type gives the default.
  std::vector<uint8_t> ReadBytes(std::string_view key, std::vector<uint8_t> defaultValue) const;
  int16_t ReadI16(std::string_view key, int16_t defaultValue) const;
  int32_t ReadI32(std::string_view key, int32_t defaultValue) const;
  bool ReadBool(std::string_view key, bool defaultValue) const;
  host::PictureRef ReadPicture(std::string_view key, host::PictureRef defaultValue) const;

  bool Contains(std::string_view key) const { return Find(key) != nullptr; }
  const PropertyValue* Find(std::string_view key) const;
  size_t size() const { return entries_.size(); }
  // Keys in the order they were first written.
  std::vector<std::string> Keys() const;

  std::vector<uint8_t> Serialize() const;
  // The bag a serialized set describes; nothing (and `error`) when damaged.
  static std::optional<PropertyBag> Parse(std::span<const uint8_t> bytes,
                                          PropertyBagError* error = nullptr);

 private:
  struct Entry {
    std::string key;
    PropertyValue value;
  };
  std::vector<Entry> entries_;
};

// A picture made from a whole GIF stream; null when the stream does not
// decode.
host::PictureRef MakePictureObject(std::vector<uint8_t> gifBytes);

}  // namespace veltrano::anigif
