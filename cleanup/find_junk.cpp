#include "cleanup/find_junk.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/form_state.h"
#include "cleanup/cleanup_texts.h"
#include "cleanup/junk_rules.h"
#include "cleanup/system_guard.h"

namespace veltrano::cleanup {
namespace {

// One folder whose own files have been listed and whose sub-folders are
// being searched in turn.
struct Level {
  std::string path;                   // ends with '\'
  std::vector<std::string> JunkDirs;  // sub-folder names, in the order listed
  size_t next = 0;                    // the next of JunkDirs to search
  bool systemRoot = false;            // its guard is on top of the guards' stack
};

bool IsName(std::string_view name, std::string_view lower) {
  return name.size() == lower.size() && LowerAscii(name) == lower;
}

// The walk keeps its own stack of levels instead of recursing, so that a
// deep tree cannot exhaust the call stack; the order of work is exactly that
// of a recursive search.
class JunkSearch {
 public:
  explicit JunkSearch(FormState& form) : form_(form) {}

  void Run(std::string_view P) {
    // A search that starts below a drive root is still guarded by that root;
    // the root's own guard is found by listing it.
    if (P.size() > 3) {
      SystemGuard driveGuard = SystemGuard::ForDrive(form_.FileSystem(), P);
      if (driveGuard.Active()) PushGuard(std::move(driveGuard));
    }
    Enter(std::string(P));
    while (!levels_.empty()) {
      Level& top = levels_.back();
      if (top.next == top.JunkDirs.size()) {
        if (top.systemRoot) PopGuard();
        levels_.pop_back();
        continue;
      }
      std::string child = top.path;
      child += top.JunkDirs[top.next++];
      child += '\\';
      Enter(std::move(child));  // may add a level: `top` is not used after this
    }
  }

 private:
  // Shows the folder, handles events, tests the stop request and lists the
  // folder's junk files; a folder that is to be searched further is pushed.
  // Whether the folder is a system root is known only once it is listed, so
  // its junk and its sub-folders are judged then.
  void Enter(std::string P) {
    form_.Picture1.Clear();
    form_.Picture1.Print(std::string(texts::kSearching) + P);
    form_.DoEvents();
    if (form_.Busy != -1) return;

    Level level;
    level.path = std::move(P);
    const FolderRules rules = ClassifyFolder(level.path);
    std::vector<std::string> junk;
    bool etcListed = false;
    bool usrListed = false;
    bool stopped = false;
    fs::FindData& entry = form_.FindData;
    std::unique_ptr<fs::FindSession> session =
        form_.FileSystem().FindFirst(level.path + "*.*", entry, fs::FindMode::kNamesOnly);
    if (session) {
      do {
        if (entry.dwFileAttributes.HasAny(fs::kAttrDirectory)) {
          const std::string_view name = CutAtNul(entry.cFileName);
          etcListed = etcListed || IsName(name, "etc");
          usrListed = usrListed || IsName(name, "usr");
          if (!name.empty() && name[0] != '.' &&
              !entry.dwFileAttributes.HasAny(fs::kAttrReparsePoint) &&
              level.JunkDirs.size() < kMaxJunkDirs) {
            level.JunkDirs.emplace_back(name);
          }
          continue;
        }
        if (form_.Busy != -1) {  // sub-folders are not searched
          stopped = true;
          break;
        }
        // A link is neither entered nor deleted: it is not the file it names.
        if (entry.dwFileAttributes.HasAny(fs::kAttrReparsePoint)) continue;
        form_.Label1.SetCaption(entry.cFileName);
        const std::string& N = form_.Label1.Caption();
        if (IsJunkFile(rules, N)) junk.push_back(level.path + N);
      } while (session->FindNext(entry));
      session.reset();
    }

    // A listing cut short may not have shown "etc" or "usr" yet: look them up.
    if (stopped ? !junk.empty() && SystemGuard::IsSystemRoot(form_.FileSystem(), level.path)
                : SystemGuard::IsSystemRoot(form_.FileSystem(), level.path, etcListed,
                                            usrListed)) {
      PushGuard(SystemGuard::ForRoot(form_.FileSystem(), level.path, budget_));
      level.systemRoot = true;
    }
    for (std::string& path : junk) {
      if (Protected(path)) continue;
      form_.List1.Append(std::move(path));
      form_.List1.Select(form_.List1.Count() - 1);
    }
    std::erase_if(level.JunkDirs,
                  [&](const std::string& name) { return Skipped(level.path, name); });
    if (stopped || level.JunkDirs.empty()) {
      if (level.systemRoot) PopGuard();
      return;
    }
    levels_.push_back(std::move(level));
  }

  // The guards of the system roots the search is in, innermost last; each
  // keeps its paths out of one shared budget.
  void PushGuard(SystemGuard guard) {
    budget_ -= std::min(budget_, guard.KeptBytes());
    guards_.push_back(std::move(guard));
  }
  void PopGuard() {
    budget_ += guards_.back().KeptBytes();
    guards_.pop_back();
  }
  bool Protected(std::string_view path) const {
    return std::any_of(guards_.begin(), guards_.end(),
                       [&](const SystemGuard& guard) { return guard.Protects(path); });
  }
  bool Skipped(std::string_view folder, std::string_view name) const {
    return std::any_of(guards_.begin(), guards_.end(), [&](const SystemGuard& guard) {
      return guard.SkipsFolder(folder, name);
    });
  }

  static std::string_view CutAtNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
  }

  FormState& form_;
  std::vector<SystemGuard> guards_;
  size_t budget_ = kGuardBudgetBytes;
  std::vector<Level> levels_;
};

}  // namespace

void FindJunk(FormState& form, std::string_view P) {
  JunkSearch search(form);
  search.Run(P);
}

}  // namespace veltrano::cleanup
