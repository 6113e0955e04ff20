#include "repair/folder_repair.h"

#include <optional>
#include <string>
#include <vector>

#include "app/form_state.h"
#include "repair/repair_texts.h"

namespace veltrano::repair {
namespace {

bool IsRecycleFolder(std::string_view name) {
  constexpr std::string_view kRecycled = "recycled";
  if (name.size() != kRecycled.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kRecycled[i]) return false;
  }
  return true;
}

}  // namespace

int findir(FormState& form, std::string_view root) {
  fs::FileSystem& fileSystem = form.FileSystem();
  int repaired = 0;
  // A root that cannot be read (no medium) yields no folders and no lines.
  const std::optional<std::vector<std::string>> folders = fileSystem.SubFolders(root);
  if (folders) {
    for (const std::string& name : *folders) {
      std::string path(root);
      path += name;
      const auto attributes = fileSystem.GetAttributes(path);
      if (!attributes || !attributes->HasAny(fs::kAttrHidden)) continue;
      if (IsRecycleFolder(name)) continue;
      fileSystem.SetAttributes(path, fs::kAttrNormal);
      // Judge the change by what the folder shows now, not by the call's result.
      const auto now = fileSystem.GetAttributes(path);
      const bool visible = now && !now->HasAny(fs::kAttrHidden);
      std::string line(visible ? texts::kRepaired : texts::kRepairFailed);
      line += path;
      form.List1.Append(std::move(line));
      if (visible) ++repaired;
    }
  }
  form.DoEvents();
  return repaired;
}

void reudir_Click(FormState& form) {
  form.List1.Clear();
  std::string PendingFixed;
  int repaired = 0;
  fs::FileSystem& fileSystem = form.FileSystem();
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    fs::WinPath drive;  // the drive's root
    drive.letter = letter;
    // The type is asked afresh for each test, as a drive may come or go meanwhile.
    if (fileSystem.GetDriveType(drive) == fs::kDriveFixed) {
      PendingFixed = fs::DriveRoot(letter);
    } else if (fileSystem.GetDriveType(drive) == fs::kDriveRemovable) {
      repaired += findir(form, fs::DriveRoot(letter));
      PendingFixed.clear();
    } else if (fileSystem.GetDriveType(drive) == fs::kDriveCdRom) {
      PendingFixed.clear();
    }
  }
  if (!PendingFixed.empty()) repaired += findir(form, PendingFixed);
  fileSystem.ReleaseHandles();  // the repaired drives can be unmounted now

  form.List1.Append(std::string());
  form.List1.Append(std::string());
  form.List1.Append(std::string(texts::kSummary) + std::to_string(repaired) +
                    std::string(texts::kSummaryEnd));
  form.List1.Select(form.List1.Count() - 2);
}

}  // namespace veltrano::repair
