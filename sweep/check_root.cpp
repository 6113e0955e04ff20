#include <memory>
#include <string>

#include "app/form1.h"
#include "platform/fs/file_system.h"
#include "platform/fs/win_path.h"
#include "sweep/drive_path.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {
namespace {

bool HasBits(uint32_t attributes, uint32_t bits) {
  return attributes != fs::kInvalidAttributes && (attributes & bits) == bits;
}

// Sets the folder's attributes to normal and logs whether it is visible now.
void RestoreFolder(SweepRun& run, const std::string& folderPath, std::string_view stem) {
  run.fs.SetAttributes(folderPath, fs::kAttrNormal);
  const uint32_t after = run.fs.GetAttributes(folderPath);
  const bool visible = after != fs::kInvalidAttributes && (after & fs::kAttrHidden) == 0;
  std::string line(texts::kIndent);
  line += stem;
  line += visible ? texts::kFolderRestored : texts::kFolderRestoreFailed;
  run.form.List1.Append(std::move(line));
}

// Judges one root entry. `name` is the entry's own name (for paths), `lower`
// its lower-case form (for the rules and the log).
void CheckEntry(SweepRun& run, int16_t drive, const std::string& root, std::string_view name,
                std::string_view lower) {
  const std::string path = root + std::string(name);
  if (lower.ends_with(".exe")) {
    // Only ASCII folds to ASCII, so the listed name ends in ".exe" in some
    // letter case too: both stems are the names without their last 4 bytes.
    const std::string folderPath = root + std::string(name.substr(0, name.size() - 4));
    if (run.fs.GetDriveType(root) == fs::kDriveRemovable && run.fs.FolderExists(folderPath) &&
        HasBits(run.fs.GetAttributes(folderPath), fs::kAttrHidden)) {
      ClearFile(run, path, texts::kFakeFolder, lower);
      RestoreFolder(run, folderPath, lower.substr(0, lower.size() - 4));
    }
    if (drive > 2 && run.fs.FileExists(path) &&
        HasBits(run.fs.GetAttributes(path), fs::kAttrHidden | fs::kAttrSystem)) {
      ClearFile(run, path, texts::kHiddenSystem, lower);
    }
  } else if (lower.ends_with(".pif") || lower.ends_with(".scr") || lower.ends_with(".dl")) {
    ClearFile(run, path, texts::kSuspiciousFile, lower);
  }
}

}  // namespace

bool CheckRoot(SweepRun& run, int16_t drive) {
  Form1& form = run.form;
  const std::string root = DriveRoot(drive);
  std::unique_ptr<fs::FindSession> listing = run.fs.FindFirst(root + "*.*", form.FindData);
  if (!listing) return false;
  do {
    form.DoEvents();
    if (form.Busy != -1) return true;  // a stop request; the listing closes with `listing`

    // The rules and the log use the name in lower case, passed through the
    // name holder (which cuts it at a NUL, as it does every caption).
    form.Label1.SetCaption(fs::FoldName(form.FindData.cFileName));
    const std::string lower = form.Label1.Caption();
    // Folders never match the file rules: deleting files cannot remove them,
    // and a folder named like a program is not one.
    if ((form.FindData.dwFileAttributes & fs::kAttrDirectory) != 0) continue;
    // Paths use the name as listed (up to a NUL, like the caption), so that
    // they reach this very entry whatever the file system makes of case.
    const std::string_view listed = form.FindData.cFileName;
    CheckEntry(run, drive, root, listed.substr(0, listed.find('\0')), lower);
  } while (listing->FindNext(form.FindData));
  return false;
}

}  // namespace veltrano::sweep
