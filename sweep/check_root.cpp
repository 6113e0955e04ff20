#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "app/form_state.h"
#include "platform/fs/file_system.h"
#include "platform/fs/win_path.h"
#include "sweep/shortcut_worm.h"
#include "sweep/sweep_run.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {
namespace {

// The folders of a root by their folded names, read with one listing the
// first time a program's name asks for one. Asking the file system for every
// program's folder instead would cost a search of the whole root for each
// folder that is not there, since names match without regard to case. The
// folding is the file system's own, so a name finds here exactly the folder
// the file system would find for it.
class RootFolders {
 public:
  RootFolders(fs::FileSystem& fileSystem, std::string root)
      : fs_(fileSystem), root_(std::move(root)) {}

  // The listed name of the folder named `name` without regard to case, or null.
  const std::string* Find(std::string_view name) {
    if (!read_) Read();
    const auto it = byFolded_.find(fs::FoldName(name));
    return it == byFolded_.end() ? nullptr : &it->second;
  }

  // Folders the fake-folder rule made visible again in this walk (listed names).
  void MarkRestored(const std::string& folder) { restored_.insert(folder); }
  bool Restored(const std::string& folder) const { return restored_.contains(folder); }

 private:
  void Read() {
    read_ = true;
    fs::FindData data;
    auto listing = fs_.FindFirst(root_ + "*.*", data, fs::FindMode::kNamesOnly);
    if (!listing) return;
    do {
      if (data.dwFileAttributes.HasAny(fs::kAttrDirectory)) {
        byFolded_.emplace(fs::FoldName(data.cFileName), data.cFileName);  // the first one wins
      }
    } while (listing->FindNext(data));
  }

  fs::FileSystem& fs_;
  const std::string root_;
  bool read_ = false;
  std::unordered_map<std::string, std::string> byFolded_;
  std::unordered_set<std::string> restored_;
};

// Sets the folder's attributes to normal and logs whether it is visible now.
void RestoreFolder(SweepRun& run, const std::string& folderPath, std::string_view stem) {
  run.fs.SetAttributes(folderPath, fs::kAttrNormal);
  const auto after = run.fs.GetAttributes(folderPath);
  const bool visible = after && !after->HasAny(fs::kAttrHidden);
  std::string line(texts::kIndent);
  line += stem;
  line += visible ? texts::kFolderRestored : texts::kFolderRestoreFailed;
  run.form.List1.Append(std::move(line));
}

// Judges one root entry. `name` is the entry's own name (for paths), `lower`
// its lower-case form (for the rules and the log). Returns whether a rule
// found the entry to be a worm's (and tried to remove it).
bool CheckEntry(SweepRun& run, int16_t drive, const std::string& root, RootFolders& folders,
                std::string_view name, const std::string& lower) {
  const std::string path = root + std::string(name);
  if (lower.ends_with(".exe")) {
    bool found = false;
    bool removed = false;
    // Fake-folder rule: a program named like a hidden folder beside it.
    const std::string stem = lower.substr(0, lower.size() - 4);
    if (run.fs.GetDriveType(root) == fs::kDriveRemovable) {
      if (const std::string* folder = folders.Find(stem)) {
        const std::string folderPath = root + *folder;
        const bool hidden = run.fs.FolderExists(folderPath) &&
                            fs::HasAll(run.fs.GetAttributes(folderPath), fs::kAttrHidden);
        // Where letter case tells names apart, the program may come in twins
        // ("docs.exe", "DOCS.EXE"): each is the worm, though the first one
        // already had the folder made visible again.
        if (hidden || folders.Restored(*folder)) {
          found = true;
          removed = ClearFile(run, path, texts::kFakeFolder, lower);
        }
        if (hidden) {
          RestoreFolder(run, folderPath, stem);
          folders.MarkRestored(*folder);
        }
      }
    }
    // Hidden-system rule, on D: and later letters; a program the rule above
    // removed is gone and not looked at again.
    if (!removed && drive > 2 && run.fs.FileExists(path) &&
        fs::HasAll(run.fs.GetAttributes(path), fs::kAttrHidden | fs::kAttrSystem)) {
      found = true;
      ClearFile(run, path, texts::kHiddenSystem, lower);
    }
    return found;
  }
  if (lower.ends_with(".pif") || lower.ends_with(".scr") || lower.ends_with(".dl")) {
    ClearFile(run, path, texts::kSuspiciousFile, lower);
    return true;
  }
  return false;
}

}  // namespace

bool CheckRoot(SweepRun& run, int16_t drive) {
  FormState& form = run.form;
  const std::string root = fs::DriveRoot(static_cast<char>('A' + drive));
  // The rules need names and the folder bit only; attributes are asked for
  // where a rule needs them.
  std::unique_ptr<fs::FindSession> listing =
      run.fs.FindFirst(root + "*.*", form.FindData, fs::FindMode::kNamesOnly);
  if (!listing) return false;
  RootFolders folders(run.fs, root);
  ShortcutWorms shortcuts(run, drive);
  do {
    form.DoEvents();
    if (form.Busy != -1) return true;  // a stop request; the listing closes with `listing`

    // The rules and the log use the name in lower case, passed through the
    // name holder (which cuts it at a NUL, as it does every caption).
    form.Label1.SetCaption(fs::LowerName(form.FindData.cFileName));
    const std::string lower = form.Label1.Caption();
    // Folders never match the file rules: deleting files cannot remove them,
    // and a folder named like a program is not one.
    if (form.FindData.dwFileAttributes.HasAny(fs::kAttrDirectory)) continue;
    // Paths use the name as listed (up to a NUL, like the caption), so that
    // they reach this very entry whatever the file system makes of case.
    std::string_view listed = form.FindData.cFileName;
    listed = listed.substr(0, listed.find('\0'));
    // A file a worm's shortcut started, removed with the shortcut, is done with.
    if (shortcuts.Handled(listed)) continue;
    if (CheckEntry(run, drive, root, folders, listed, lower)) {
      shortcuts.NoteRemoved(listed);
    } else {
      shortcuts.Check(listed, lower);
    }
  } while (listing->FindNext(form.FindData));
  return false;
}

}  // namespace veltrano::sweep
