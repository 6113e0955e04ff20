// Fuzz target: the shell-link reader. Any bytes must either be refused or
// give a link whose texts are UTF-8, whose target is one of its parts, and
// which bytes after the link do not change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "platform/text/text.h"
#include "sweep/shell_link.h"

namespace {

bool Same(const veltrano::sweep::ShellLink& a, const veltrano::sweep::ShellLink& b) {
  return a.flags == b.flags && a.idListPath == b.idListPath && a.linkInfoPath == b.linkInfoPath &&
         a.relativePath == b.relativePath && a.environmentPath == b.environmentPath &&
         a.arguments == b.arguments && a.workingDir == b.workingDir && a.name == b.name &&
         a.iconLocation == b.iconLocation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano;
  const std::span<const std::uint8_t> bytes(data, size);
  (void)sweep::ExpandWindowsDefaults(std::string_view(reinterpret_cast<const char*>(data), size));

  const auto link = sweep::ParseShellLink(bytes);
  if (!link) return 0;
  for (const std::string* s : {&link->idListPath, &link->linkInfoPath, &link->relativePath,
                               &link->environmentPath, &link->arguments, &link->workingDir,
                               &link->name, &link->iconLocation}) {
    if (!text::IsValidUtf8(*s)) std::abort();
  }
  const std::string& target = link->Target();
  if (&target != &link->environmentPath && &target != &link->idListPath &&
      &target != &link->linkInfoPath && &target != &link->relativePath) {
    std::abort();
  }
  // What follows the link is never read.
  if (size + 64 <= sweep::kMaxLinkBytes) {
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.resize(size + 64, 0xA5);
    const auto again = sweep::ParseShellLink(longer);
    if (!again || !Same(*link, *again)) std::abort();
  }
  return 0;
}
