#include "anigif/property_bag.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "anigif/frame_store.h"

namespace veltrano::anigif {
namespace {

constexpr char kMagic[8] = {'V', 'P', 'R', 'O', 'P', 'B', 'A', 'G'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderBytes = 12;

enum : uint8_t { kTypeBytes = 1, kTypeI16 = 2, kTypeI32 = 3, kTypeBool = 4, kTypePicture = 5 };

bool ValidKey(std::string_view key) {
  if (key.empty() || key.size() > kMaxPropertyKey) return false;
  return std::all_of(key.begin(), key.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x21 && u <= 0x7E;
  });
}

bool SameValue(const PropertyValue& a, const PropertyValue& b) {
  if (a.index() != b.index()) return false;
  if (const auto* pa = std::get_if<host::PictureRef>(&a)) {
    const auto& pb = std::get<host::PictureRef>(b);
    return !*pa && !pb;
  }
  return a == b;
}

// An integer-like stored value as a wide integer.
std::optional<int64_t> AsInteger(const PropertyValue* v) {
  if (v == nullptr) return std::nullopt;
  if (const auto* i = std::get_if<int16_t>(v)) return *i;
  if (const auto* i = std::get_if<int32_t>(v)) return *i;
  if (const auto* b = std::get_if<bool>(v)) return *b ? -1 : 0;  // a form's true is -1
  return std::nullopt;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutBlob(std::vector<uint8_t>& out, const std::vector<uint8_t>& blob) {
  PutU32(out, static_cast<uint32_t>(blob.size()));
  out.insert(out.end(), blob.begin(), blob.end());
}

// Reads from a byte span, never past its end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  size_t Left() const { return bytes_.size() - pos_; }
  bool Take(size_t n, std::span<const uint8_t>& out) {
    if (n > Left()) return false;
    out = bytes_.subspan(pos_, n);
    pos_ += n;
    return true;
  }
  bool U8(uint8_t& v) {
    std::span<const uint8_t> b;
    if (!Take(1, b)) return false;
    v = b[0];
    return true;
  }
  bool U16(uint16_t& v) {
    std::span<const uint8_t> b;
    if (!Take(2, b)) return false;
    v = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
  }
  bool U32(uint32_t& v) {
    std::span<const uint8_t> b;
    if (!Take(4, b)) return false;
    v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
        (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
  }
  bool Blob(std::vector<uint8_t>& out) {
    uint32_t n = 0;
    std::span<const uint8_t> b;
    if (!U32(n) || !Take(n, b)) return false;
    out.assign(b.begin(), b.end());
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace

host::PictureRef MakePictureObject(std::vector<uint8_t> gifBytes) {
  if (gifBytes.empty()) return nullptr;
  std::optional<picture::Picture> image = LoadPictureFromBytes(gifBytes, gifBytes.size());
  if (!image) return nullptr;
  auto object = std::make_shared<host::PictureObject>();
  object->gifBytes = std::move(gifBytes);
  object->image = std::move(*image);
  return object;
}

bool PropertyBag::WriteProperty(std::string_view key, PropertyValue value,
                                const std::optional<PropertyValue>& defaultValue) {
  if (!ValidKey(key)) return false;
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (defaultValue && SameValue(value, *defaultValue)) {
    if (it != entries_.end()) entries_.erase(it);
    return true;
  }
  if (it != entries_.end()) {
    it->value = std::move(value);
    return true;
  }
  if (entries_.size() >= kMaxPropertyEntries) return false;
  entries_.push_back(Entry{std::string(key), std::move(value)});
  return true;
}

const PropertyValue* PropertyBag::Find(std::string_view key) const {
  for (const Entry& e : entries_) {
    if (e.key == key) return &e.value;
  }
  return nullptr;
}

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  for (const Entry& e : entries_) keys.push_back(e.key);
  return keys;
}

std::vector<uint8_t> PropertyBag::ReadBytes(std::string_view key,
                                            std::vector<uint8_t> defaultValue) const {
  if (const auto* v = Find(key)) {
    if (const auto* b = std::get_if<std::vector<uint8_t>>(v)) return *b;
  }
  return defaultValue;
}

int16_t PropertyBag::ReadI16(std::string_view key, int16_t defaultValue) const {
  const std::optional<int64_t> v = AsInteger(Find(key));
  if (!v || *v < std::numeric_limits<int16_t>::min() || *v > std::numeric_limits<int16_t>::max()) {
    return defaultValue;
  }
  return static_cast<int16_t>(*v);
}

int32_t PropertyBag::ReadI32(std::string_view key, int32_t defaultValue) const {
  const std::optional<int64_t> v = AsInteger(Find(key));
  return v ? static_cast<int32_t>(*v) : defaultValue;
}

bool PropertyBag::ReadBool(std::string_view key, bool defaultValue) const {
  const std::optional<int64_t> v = AsInteger(Find(key));
  return v ? *v != 0 : defaultValue;
}

host::PictureRef PropertyBag::ReadPicture(std::string_view key,
                                          host::PictureRef defaultValue) const {
  if (const auto* v = Find(key)) {
    if (const auto* p = std::get_if<host::PictureRef>(v)) return *p;
  }
  return defaultValue;
}

std::vector<uint8_t> PropertyBag::Serialize() const {
  std::vector<uint8_t> out(std::begin(kMagic), std::end(kMagic));
  PutU16(out, kVersion);
  PutU16(out, static_cast<uint16_t>(entries_.size()));
  for (const Entry& e : entries_) {
    out.push_back(static_cast<uint8_t>(e.key.size()));
    out.insert(out.end(), e.key.begin(), e.key.end());
    if (const auto* b = std::get_if<std::vector<uint8_t>>(&e.value)) {
      out.push_back(kTypeBytes);
      PutBlob(out, *b);
    } else if (const auto* i = std::get_if<int16_t>(&e.value)) {
      out.push_back(kTypeI16);
      PutU16(out, static_cast<uint16_t>(*i));
    } else if (const auto* l = std::get_if<int32_t>(&e.value)) {
      out.push_back(kTypeI32);
      PutU32(out, static_cast<uint32_t>(*l));
    } else if (const auto* f = std::get_if<bool>(&e.value)) {
      out.push_back(kTypeBool);
      out.push_back(*f ? 1 : 0);
    } else {
      const auto& p = std::get<host::PictureRef>(e.value);
      out.push_back(kTypePicture);
      PutBlob(out, p ? p->gifBytes : std::vector<uint8_t>{});
    }
  }
  return out;
}

std::optional<PropertyBag> PropertyBag::Parse(std::span<const uint8_t> bytes,
                                              PropertyBagError* error) {
  auto fail = [&](PropertyBagError e) -> std::optional<PropertyBag> {
    if (error) *error = e;
    return std::nullopt;
  };
  if (error) *error = PropertyBagError::kNone;
  if (bytes.size() > kMaxPropertySetBytes) return fail(PropertyBagError::kTooLarge);
  if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    return fail(PropertyBagError::kBadHeader);
  }
  Reader in(bytes.subspan(sizeof kMagic));
  uint16_t version = 0, count = 0;
  in.U16(version);
  in.U16(count);
  if (version != kVersion || count > kMaxPropertyEntries) {
    return fail(PropertyBagError::kBadHeader);
  }
  PropertyBag bag;
  for (uint16_t n = 0; n < count; ++n) {
    uint8_t keyLength = 0, type = 0;
    std::span<const uint8_t> keyBytes;
    if (!in.U8(keyLength) || !in.Take(keyLength, keyBytes)) {
      return fail(PropertyBagError::kTruncated);
    }
    const std::string key(keyBytes.begin(), keyBytes.end());
    if (!ValidKey(key) || bag.Contains(key)) return fail(PropertyBagError::kBadKey);
    if (!in.U8(type)) return fail(PropertyBagError::kTruncated);
    PropertyValue value;
    switch (type) {
      case kTypeBytes: {
        std::vector<uint8_t> blob;
        if (!in.Blob(blob)) return fail(PropertyBagError::kTruncated);
        value = std::move(blob);
        break;
      }
      case kTypeI16: {
        uint16_t v = 0;
        if (!in.U16(v)) return fail(PropertyBagError::kTruncated);
        value = static_cast<int16_t>(v);
        break;
      }
      case kTypeI32: {
        uint32_t v = 0;
        if (!in.U32(v)) return fail(PropertyBagError::kTruncated);
        value = static_cast<int32_t>(v);
        break;
      }
      case kTypeBool: {
        uint8_t v = 0;
        if (!in.U8(v)) return fail(PropertyBagError::kTruncated);
        if (v > 1) return fail(PropertyBagError::kBadType);
        value = v == 1;
        break;
      }
      case kTypePicture: {
        std::vector<uint8_t> gif;
        if (!in.Blob(gif)) return fail(PropertyBagError::kTruncated);
        host::PictureRef picture;
        if (!gif.empty()) {
          picture = MakePictureObject(std::move(gif));
          if (!picture) return fail(PropertyBagError::kBadPicture);
        }
        value = std::move(picture);
        break;
      }
      default:
        return fail(PropertyBagError::kBadType);
    }
    bag.entries_.push_back(Entry{key, std::move(value)});
  }
  if (in.Left() != 0) return fail(PropertyBagError::kTrailingData);
  return bag;
}

}  // namespace veltrano::anigif
