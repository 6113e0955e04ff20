// The root walk's shortcut-worm rule.
//
// A shortcut worm hides the user's root items and puts a shortcut named like
// each of them beside it; the shortcut starts a command interpreter or a
// script that runs the worm on the stick and then opens the hidden item. The
// rule removes such a shortcut and every program or hidden file on the drive
// that it starts, and makes the item it imitated visible again. The user's
// own shortcuts (to documents, to folders, to programs elsewhere, to a
// visible program on the stick with nothing hidden about it) stay.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/fs/file_system.h"
#include "sweep/sweep_run.h"

namespace veltrano::sweep {

// One per root walk: it keeps what the walk removed, so that each file is
// removed and logged once, and a lookup of the root's entries, read with one
// listing the first time a shortcut needs it.
class ShortcutWorms {
 public:
  ShortcutWorms(SweepRun& run, int16_t drive);

  // Judges the root entry `listed` (its name as listed; `lower` in lower
  // case, as the log shows it). Only files named "*.lnk" on D: and later
  // letters are examined.
  void Check(std::string_view listed, const std::string& lower);

  // Notes a root entry another rule of the walk removed (or tried to): a
  // shortcut that names it is still a worm's, and it is not removed again.
  void NoteRemoved(std::string_view listed);

  // True for a root entry this rule already removed (or tried to) as what a
  // shortcut starts: the walk passes over it when its listing reaches it.
  bool Handled(std::string_view listed) const;

 private:
  struct Entry {
    std::string name;  // as listed
    fs::Attributes attributes;
  };
  // A file a shortcut starts that is to be removed.
  struct Payload {
    std::string path;
    std::string key;    // folded, below the root
    std::string shown;  // below the root, lower case
  };

  // The root entry named `name` without regard to case, or null.
  const Entry* Find(std::string_view name);
  void ReadRoot();
  // Sorts out what a shortcut names: the files to remove go to `payloads`;
  // returns whether any named file is hidden (or another rule's find).
  bool JudgeNamed(const std::vector<std::string>& files, std::string_view linkKey,
                  std::string_view imitatedKey, std::vector<Payload>& payloads);
  void Restore(const Entry& item, std::string_view shownName);

  SweepRun& run_;
  const int16_t drive_;
  const std::string root_;
  bool read_ = false;
  std::unordered_map<std::string, Entry> byFolded_;
  // Folded paths below the root that this walk removed or tried to: true for
  // what a worm starts (another rule's finds included), false for shortcuts.
  std::unordered_map<std::string, bool> handled_;
  // Root entries removed as payloads, by folded name: passed over by the walk.
  std::unordered_set<std::string> removedAhead_;
};

}  // namespace veltrano::sweep
