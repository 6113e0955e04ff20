// Fuzz target: the serialized property set of the GIF control, as a form
// stores it. Any bytes must either be refused or give a bag that writes back
// to exactly the bytes it reads from again, and whose typed reads are safe.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "anigif/property_bag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using veltrano::anigif::PropertyBag;
  const auto bag = PropertyBag::Parse(std::span<const std::uint8_t>(data, size));
  if (!bag) return 0;

  const auto once = bag->Serialize();
  const auto again = PropertyBag::Parse(once);
  if (!again || again->Serialize() != once || again->size() != bag->size()) std::abort();

  for (const std::string& key : bag->Keys()) {
    (void)bag->ReadBytes(key, {});
    (void)bag->ReadI16(key, 0);
    (void)bag->ReadI32(key, 0);
    (void)bag->ReadBool(key, false);
    (void)bag->ReadPicture(key, nullptr);
  }
  return 0;
}
