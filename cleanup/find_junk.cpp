#include "cleanup/find_junk.h"

#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
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
};

// The walk keeps its own stack of levels instead of recursing, so that a
// deep tree cannot exhaust the call stack; the order of work is exactly that
// of a recursive search.
class JunkSearch {
 public:
  JunkSearch(Form1& form, SystemGuard guard) : form_(form), guard_(std::move(guard)) {}

  void Run(std::string_view P) {
    Enter(std::string(P));
    while (!levels_.empty()) {
      Level& top = levels_.back();
      if (top.next == top.JunkDirs.size()) {
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
  void Enter(std::string P) {
    form_.Picture1.Clear();
    form_.Picture1.Print(std::string(texts::kSearching) + P);
    form_.DoEvents();
    if (form_.Busy != -1) return;

    Level level;
    level.path = std::move(P);
    const FolderRules rules = ClassifyFolder(level.path);
    fs::FindData& entry = form_.FindData;
    std::unique_ptr<fs::FindSession> session =
        form_.FileSystem().FindFirst(level.path + "*.*", entry, fs::FindMode::kNamesOnly);
    if (session) {
      do {
        if ((entry.dwFileAttributes & fs::kAttrDirectory) != 0) {
          const std::string_view name = CutAtNul(entry.cFileName);
          if (!name.empty() && name[0] != '.' &&
              (entry.dwFileAttributes & fs::kAttrReparsePoint) == 0 &&
              level.JunkDirs.size() < kMaxJunkDirs && !guard_.SkipsFolder(level.path, name)) {
            level.JunkDirs.emplace_back(name);
          }
          continue;
        }
        if (form_.Busy != -1) return;  // closes the listing; sub-folders are not searched
        // A link is neither entered nor deleted: it is not the file it names.
        if ((entry.dwFileAttributes & fs::kAttrReparsePoint) != 0) continue;
        form_.Label1.SetCaption(entry.cFileName);
        const std::string& N = form_.Label1.Caption();
        if (!IsJunkFile(rules, N)) continue;
        std::string path = level.path + N;
        if (guard_.Protects(path)) continue;
        form_.List1.Append(std::move(path));
        form_.List1.Select(form_.List1.Count() - 1);
      } while (session->FindNext(entry));
      session.reset();
    }
    if (!level.JunkDirs.empty()) levels_.push_back(std::move(level));
  }

  static std::string_view CutAtNul(std::string_view name) {
    return name.substr(0, name.find('\0'));
  }

  Form1& form_;
  SystemGuard guard_;
  std::vector<Level> levels_;
};

}  // namespace

void FindJunk(Form1& form, std::string_view P) {
  JunkSearch search(form, SystemGuard::ForDrive(form.FileSystem(), P));
  search.Run(P);
}

}  // namespace veltrano::cleanup
