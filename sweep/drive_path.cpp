#include "sweep/drive_path.h"

#include "platform/fs/win_path.h"

namespace veltrano::sweep {

std::optional<std::string> PathOnDrive(std::string_view root, std::string_view value) {
  // No Windows name holds a control character; the path rules below refuse
  // the other reserved characters (':' among them, so no other drive and no
  // stream can be named).
  for (char c : value) {
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
  }
  // A final separator makes the path a folder's, never a file's.
  if (!value.empty() && (value.back() == '\\' || value.back() == '/')) return std::nullopt;
  std::string joined(root);
  joined += value;
  const auto path = fs::ParseWinPath(joined);
  // The root itself is no file: an empty value, "..", "." all land there.
  if (!path || path->IsRoot()) return std::nullopt;
  return path->ToString();
}

}  // namespace veltrano::sweep
