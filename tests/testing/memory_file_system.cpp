#include "tests/testing/memory_file_system.h"

#include <algorithm>
#include <utility>

#include "platform/fs/win_path.h"

namespace veltrano::fs {
namespace {

constexpr Attributes kSettableBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

enum class Kind { kFile, kFolder, kLink };

}  // namespace

struct MemoryFileSystem::Node {
  std::string name;
  Kind kind = Kind::kFile;
  Attributes attributes;    // only kSettableBits
  std::string content;      // file content, or the target of a link
  int64_t created = 0, accessed = 0, written = 0;
  bool inUse = false;
  bool listingDenied = false;
  bool accessDenied = false;
  bool unreachable = false;
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;

  Node* Child(std::string_view childName) const {
    for (const auto& c : children) {
      if (c->name == childName) return c.get();
    }
    for (const auto& c : children) {
      if (SameName(c->name, childName)) return c.get();
    }
    return nullptr;
  }
  fs::Attributes Listed() const {
    switch (kind) {
      case Kind::kFolder:
        return attributes | kAttrDirectory;
      case Kind::kLink:
        return attributes | kAttrReparsePoint;
      case Kind::kFile:
        break;
    }
    return attributes;
  }
  void Remove(Node* child) {
    children.erase(std::find_if(children.begin(), children.end(),
                                [child](const auto& c) { return c.get() == child; }));
  }
};

struct MemoryFileSystem::Drive {
  char letter = 'C';
  DriveType type = kDriveFixed;
  bool mediumPresent = true;
  bool writeProtected = false;
  Node root;

  Drive() { root.kind = Kind::kFolder; }
};

struct MemoryFileSystem::Located {
  Drive* drive = nullptr;
  Node* parent = nullptr;  // the folder that holds (or would hold) the entry
  Node* node = nullptr;    // the entry itself; the root for a root path
  std::string leaf;        // the last name of the path ("" for the root)
};

namespace {

class MemoryFindSession : public FindSession {
 public:
  MemoryFindSession(std::vector<FindData> entries, std::shared_ptr<int> counter)
      : entries_(std::move(entries)), counter_(std::move(counter)) {
    ++*counter_;
  }
  ~MemoryFindSession() override { --*counter_; }
  bool FindNext(FindData& out) override {
    if (next_ >= entries_.size()) return false;
    out = entries_[next_++];
    return true;
  }

 private:
  std::vector<FindData> entries_;
  size_t next_ = 1;  // entry 0 went out with FindFirst
  std::shared_ptr<int> counter_;
};

char UpperLetter(char letter) {
  if (letter >= 'a' && letter <= 'z') return static_cast<char>(letter - 'a' + 'A');
  return letter;
}

}  // namespace

MemoryFileSystem::MemoryFileSystem() : openSessions_(std::make_shared<int>(0)) {}
MemoryFileSystem::~MemoryFileSystem() = default;

MemoryFileSystem::Drive* MemoryFileSystem::FindDrive(char letter) const {
  letter = UpperLetter(letter);
  for (const auto& d : drives_) {
    if (d->letter == letter) return d.get();
  }
  return nullptr;
}

bool MemoryFileSystem::AddDrive(char letter, DriveType type, bool mediumPresent) {
  letter = UpperLetter(letter);
  if (letter < 'A' || letter > 'Z') return false;
  std::erase_if(drives_, [letter](const auto& d) { return d->letter == letter; });
  auto drive = std::make_unique<Drive>();
  drive->letter = letter;
  drive->type = type;
  drive->mediumPresent = mediumPresent;
  drives_.push_back(std::move(drive));
  return true;
}

bool MemoryFileSystem::SetMediumPresent(char letter, bool present) {
  Drive* d = FindDrive(letter);
  if (!d) return false;
  d->mediumPresent = present;
  return true;
}

bool MemoryFileSystem::SetWriteProtected(char letter, bool on) {
  Drive* d = FindDrive(letter);
  if (!d) return false;
  d->writeProtected = on;
  return true;
}

MemoryFileSystem::Located MemoryFileSystem::Locate(const PathArg& path) const {
  Located at;
  if (!path) return at;
  Drive* drive = FindDrive(path->letter);
  if (!drive) return at;
  at.drive = drive;
  Node* folder = &drive->root;
  if (path->parts.empty()) {
    at.node = folder;
    return at;
  }
  for (size_t i = 0; i + 1 < path->parts.size(); ++i) {
    folder = folder->Child(path->parts[i]);
    if (!folder || folder->kind != Kind::kFolder) return Located{drive, nullptr, nullptr, {}};
  }
  at.parent = folder;
  at.leaf = path->parts.back();
  at.node = folder->Child(at.leaf);
  // "E:\x.exe\" names a folder or nothing, and nothing is made there.
  if (path->folderOnly && (!at.node || at.node->kind != Kind::kFolder)) {
    return Located{drive, nullptr, nullptr, {}};
  }
  return at;
}

MemoryFileSystem::Located MemoryFileSystem::LocateLive(const PathArg& path) const {
  Located at = Locate(path);
  if (at.drive && !at.drive->mediumPresent) return Located{};
  // Nothing below an unreachable folder can be reached either.
  for (const Node* n = at.node ? at.node : at.parent; n; n = n->parent) {
    if (n->unreachable) return Located{};
  }
  return at;
}

MemoryFileSystem::Node* MemoryFileSystem::MakeFolders(Drive& drive,
                                                      const std::vector<std::string>& parts,
                                                      size_t count) {
  Node* folder = &drive.root;
  for (size_t i = 0; i < count; ++i) {
    Node* next = folder->Child(parts[i]);
    if (!next) {
      auto made = std::make_unique<Node>();
      made->name = parts[i];
      made->kind = Kind::kFolder;
      made->parent = folder;
      next = made.get();
      folder->children.push_back(std::move(made));
    }
    if (next->kind != Kind::kFolder) return nullptr;
    folder = next;
  }
  return folder;
}

bool MemoryFileSystem::AddFolder(std::string_view path, Attributes attributes) {
  const auto parsed = ParseWinPath(path);
  if (!parsed) return false;
  Drive* drive = FindDrive(parsed->letter);
  if (!drive) return false;
  Node* folder = MakeFolders(*drive, parsed->parts, parsed->parts.size());
  if (!folder) return false;
  if (folder != &drive->root) folder->attributes = attributes & kSettableBits;
  return true;
}

bool MemoryFileSystem::AddFile(std::string_view path, std::string_view content,
                               Attributes attributes) {
  const auto parsed = ParseWinPath(path);
  if (!parsed || parsed->parts.empty()) return false;
  Drive* drive = FindDrive(parsed->letter);
  if (!drive) return false;
  Node* folder = MakeFolders(*drive, parsed->parts, parsed->parts.size() - 1);
  if (!folder) return false;
  Node* file = folder->Child(parsed->parts.back());
  if (file && file->kind != Kind::kFile) return false;
  if (!file) {
    auto made = std::make_unique<Node>();
    made->name = parsed->parts.back();
    made->parent = folder;
    file = made.get();
    folder->children.push_back(std::move(made));
  }
  file->content = std::string(content);
  file->attributes = attributes & kSettableBits;
  return true;
}

bool MemoryFileSystem::AddLink(std::string_view path, std::string_view target) {
  const auto parsed = ParseWinPath(path);
  if (!parsed || parsed->parts.empty()) return false;
  Drive* drive = FindDrive(parsed->letter);
  if (!drive) return false;
  Node* folder = MakeFolders(*drive, parsed->parts, parsed->parts.size() - 1);
  if (!folder || folder->Child(parsed->parts.back())) return false;
  auto made = std::make_unique<Node>();
  made->name = parsed->parts.back();
  made->kind = Kind::kLink;
  made->attributes = kAttrArchive;
  made->content = std::string(target);
  made->parent = folder;
  folder->children.push_back(std::move(made));
  return true;
}

bool MemoryFileSystem::SetTimes(std::string_view path, int64_t creation, int64_t access,
                                int64_t write) {
  Located at = Locate(path);
  if (!at.node) return false;
  at.node->created = creation;
  at.node->accessed = access;
  at.node->written = write;
  return true;
}

bool MemoryFileSystem::SetFlag(std::string_view path, bool Node::*flag, bool on) {
  Located at = Locate(path);
  if (!at.node) return false;
  at.node->*flag = on;
  return true;
}

bool MemoryFileSystem::SetInUse(std::string_view path, bool on) {
  return SetFlag(path, &Node::inUse, on);
}
bool MemoryFileSystem::SetListingDenied(std::string_view path, bool on) {
  return SetFlag(path, &Node::listingDenied, on);
}
bool MemoryFileSystem::SetAccessDenied(std::string_view path, bool on) {
  return SetFlag(path, &Node::accessDenied, on);
}

bool MemoryFileSystem::SetUnreachable(std::string_view path, bool on) {
  return SetFlag(path, &Node::unreachable, on);
}

bool MemoryFileSystem::Exists(std::string_view path) const {
  return Locate(path).node;
}

std::optional<std::string> MemoryFileSystem::Content(std::string_view path) const {
  Located at = Locate(path);
  if (!at.node || at.node->kind != Kind::kFile) return std::nullopt;
  return at.node->content;
}

std::vector<std::string> MemoryFileSystem::Names(std::string_view folder) const {
  std::vector<std::string> names;
  Located at = Locate(folder);
  if (!at.node || at.node->kind != Kind::kFolder) return names;
  for (const auto& c : at.node->children) names.push_back(c->name);
  return names;
}

int MemoryFileSystem::OpenFindSessions() const {
  return *openSessions_;
}

uint32_t MemoryFileSystem::GetLogicalDrives() {
  uint32_t mask = 0;
  for (const auto& d : drives_) mask |= 1u << (d->letter - 'A');
  return mask;
}

DriveType MemoryFileSystem::GetDriveType(const PathArg& root) {
  if (!root || !root->parts.empty()) return kDriveNoRootDir;
  const Drive* d = FindDrive(root->letter);
  return d ? d->type : kDriveNoRootDir;
}

std::unique_ptr<FindSession> MemoryFileSystem::FindFirst(std::string_view pattern, FindData& first,
                                                         FindMode mode) {
  const auto parsed = ParseWinPattern(pattern);
  if (!parsed) return nullptr;
  Located at = LocateLive(parsed->folder);
  Node* folder = at.node;
  if (!folder || folder->kind != Kind::kFolder || folder->listingDenied || folder->accessDenied) {
    return nullptr;
  }
  std::vector<FindData> entries;
  for (const auto& c : folder->children) {
    if (!MatchesPattern(parsed->name, c->name)) continue;
    FindData d;
    d.cFileName = c->name;
    if (mode == FindMode::kNamesOnly) {
      d.dwFileAttributes = c->Listed() & (kAttrDirectory | kAttrReparsePoint);
    } else {
      d.dwFileAttributes = c->Listed();
      d.ftCreationTime = c->created;
      d.ftLastAccessTime = c->accessed;
      d.ftLastWriteTime = c->written;
      d.nFileSize = c->kind == Kind::kFile ? c->content.size() : 0;
    }
    entries.push_back(std::move(d));
  }
  if (entries.empty()) return nullptr;
  first = entries.front();
  return std::make_unique<MemoryFindSession>(std::move(entries), openSessions_);
}

std::optional<Attributes> MemoryFileSystem::GetAttributes(const PathArg& path) {
  Located at = LocateLive(path);
  if (!at.node) return std::nullopt;
  return at.node->Listed();
}

bool MemoryFileSystem::SetAttributes(const PathArg& path, Attributes attributes) {
  Located at = LocateLive(path);
  Node* n = at.node;
  if (!n || n == &at.drive->root || at.drive->writeProtected || n->accessDenied) return false;
  attributes &= kSettableBits;
  if (n->kind == Kind::kLink) {
    // A link carries no hidden, system or read-only state of its own.
    return !attributes.HasAny(kAttrReadOnly | kAttrHidden | kAttrSystem);
  }
  n->attributes = attributes;
  return true;
}

bool MemoryFileSystem::DeleteFileForced(const PathArg& path) {
  SetAttributes(path, kAttrNormal);  // a failure shows in the delete
  return DeleteFile(path);
}

bool MemoryFileSystem::DeleteFile(const PathArg& path) {
  Located at = LocateLive(path);
  Node* n = at.node;
  if (!n || n->kind == Kind::kFolder || at.drive->writeProtected) return false;
  if (n->inUse || n->accessDenied || n->attributes.HasAny(kAttrReadOnly)) return false;
  at.parent->Remove(n);
  return true;
}

bool MemoryFileSystem::FileExists(const PathArg& path) {
  Located at = LocateLive(path);
  return at.node && at.node->kind != Kind::kFolder;
}

bool MemoryFileSystem::FolderExists(const PathArg& path) {
  Located at = LocateLive(path);
  return at.node && at.node->kind == Kind::kFolder;
}

PathState MemoryFileSystem::Probe(const PathArg& path) {
  if (!path) return PathState::kUnknown;
  const Drive* drive = FindDrive(path->letter);
  if (!drive || !drive->mediumPresent) return PathState::kUnknown;
  const Node* at = &drive->root;
  for (const std::string& part : path->parts) {
    if (at->kind != Kind::kFolder) return PathState::kUnknown;  // a file or link in the way
    if (at->unreachable) return PathState::kUnknown;
    at = at->Child(part);
    if (!at) return PathState::kMissing;
  }
  if (at->unreachable) return PathState::kUnknown;
  return at->kind == Kind::kFolder ? PathState::kFolder : PathState::kFile;
}

// Names here never differ only in case: the entry is whatever the name finds.
PathState MemoryFileSystem::ProbeEntry(const PathArg& path) {
  return Probe(path);
}

bool MemoryFileSystem::RemoveTree(Node& folder) {
  bool all = true;
  for (size_t i = 0; i < folder.children.size();) {
    Node& c = *folder.children[i];
    bool removable;
    if (c.kind == Kind::kFolder) {
      removable = RemoveTree(c) && !c.accessDenied;
    } else {
      removable = !c.inUse && !c.accessDenied;
    }
    if (removable) {
      folder.children.erase(folder.children.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      all = false;
      ++i;
    }
  }
  return all;
}

bool MemoryFileSystem::DeleteFolderForced(const PathArg& path) {
  Located at = LocateLive(path);
  Node* n = at.node;
  // The root of a drive is never deleted.
  if (!n || n == &at.drive->root || n->kind != Kind::kFolder) return false;
  if (at.drive->writeProtected) return false;
  if (!RemoveTree(*n) || n->accessDenied) return false;
  at.parent->Remove(n);
  return true;
}

std::optional<std::vector<std::string>> MemoryFileSystem::SubFolders(const PathArg& folder) {
  Located at = LocateLive(folder);
  Node* n = at.node;
  if (!n || n->kind != Kind::kFolder || n->listingDenied || n->accessDenied) return std::nullopt;
  std::vector<std::string> names;
  for (const auto& c : n->children) {
    if (c->kind == Kind::kFolder) names.push_back(c->name);
  }
  return names;
}

std::optional<std::vector<uint8_t>> MemoryFileSystem::ReadFile(const PathArg& path,
                                                               std::size_t maxBytes) {
  Located at = LocateLive(path);
  Node* n = at.node;
  if (!n || n->kind != Kind::kFile || n->accessDenied) return std::nullopt;
  const size_t size = std::min(maxBytes, n->content.size());
  return std::vector<uint8_t>(n->content.begin(),
                              n->content.begin() + static_cast<std::ptrdiff_t>(size));
}

bool MemoryFileSystem::CopyFile(const PathArg& from, const PathArg& to) {
  Located src = LocateLive(from);
  if (!src.node || src.node->kind != Kind::kFile || src.node->accessDenied) return false;
  Located dst = LocateLive(to);
  if (!dst.parent || dst.drive->writeProtected || dst.parent->accessDenied) return false;
  Node* target = dst.node;
  if (target == src.node) return true;
  if (target) {
    if (target->kind == Kind::kFolder || target->inUse || target->accessDenied ||
        (target->kind == Kind::kFile && target->attributes.HasAny(kAttrReadOnly))) {
      return false;
    }
    target->kind = Kind::kFile;  // a link in the way is replaced, never written through
  } else {
    auto made = std::make_unique<Node>();
    made->name = dst.leaf;
    made->parent = dst.parent;
    target = made.get();
    dst.parent->children.push_back(std::move(made));
  }
  target->content = src.node->content;
  target->attributes = src.node->attributes | kAttrArchive;
  target->written = src.node->written;
  return true;
}

}  // namespace veltrano::fs
