// Windows paths as the file-system layer reads them, and the rules for
// comparing and matching entry names. Portable: used by every backend.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::fs {

// A path taken apart: the drive letter (upper case) and the names below the
// root, resolved the way Windows resolves a full path before it opens
// anything (GetFullPathNameW):
//   - both '\' and '/' separate, and a run of separators is one;
//   - `.` drops out and `..` goes up one folder, never above the root
//     ("E:\..\x" and "E:\a\..\..\x" are "E:\x");
//   - the trailing dots and blanks of the last name are dropped unless a
//     separator follows it ("E:\x.exe . ." is "E:\x.exe", "E:\a\..." is
//     "E:\a"); a name before a separator loses one final dot when it ends in
//     exactly one ("E:\sub.\x" is "E:\sub\x", "E:\...\x" stays);
//   - a separator after the last name means that name is a folder: Windows
//     finds no file at "E:\x.exe\", only a folder at "E:\docs\".
// This is the one place where paths are resolved: every backend parses its
// paths here, and the sweep resolves autorun.inf values here, so both always
// mean the same entry and nothing resolves outside its drive.
struct WinPath {
  char letter = 'C';
  std::vector<std::string> parts;  // empty for the drive root
  // The path ended in a separator: it names a folder or nothing. Every
  // backend finds no file at such a path and makes none there.
  bool folderOnly = false;

  bool IsRoot() const { return parts.empty(); }
  // "E:\" for the root, otherwise "E:\a\b" (no trailing separator).
  std::string ToString() const;

  // The same drive, names (letter case counts) and folder-only mark.
  friend bool operator==(const WinPath&, const WinPath&) = default;
};

// The root of drive `letter`: "E:\". Every drive root is spelled here.
std::string DriveRoot(char letter);

// Parses a full path "E:\a\b". Fails (nullopt) for anything that is not a
// full path of a drive (relative paths, "\\server\share"), for names holding a
// character that Windows names cannot hold (\ / : * ? " < > | or NUL) and for
// names that are not valid UTF-8.
std::optional<WinPath> ParseWinPath(std::string_view path);

// A path as the file-system operations take it: parsed once, either by the
// caller, who keeps the WinPath for several operations on one entry, or here
// from text ("E:\a\b"). Null when the text is no full path of a drive (see
// ParseWinPath): every operation finds nothing there. It lives only as long
// as the call it is passed to and is never copied.
class PathArg {
 public:
  // Both convert implicitly, so that a caller names a path the way it holds it.
  PathArg(const WinPath& path) : path_(&path) {}
  PathArg(std::string_view text);
  PathArg(const std::string& text) : PathArg(std::string_view(text)) {}
  PathArg(const char* text) : PathArg(std::string_view(text)) {}
  PathArg(const PathArg&) = delete;
  PathArg& operator=(const PathArg&) = delete;

  explicit operator bool() const { return path_ != nullptr; }
  const WinPath& operator*() const { return *path_; }
  const WinPath* operator->() const { return path_; }
  const WinPath* get() const { return path_; }

 private:
  std::optional<WinPath> parsed_;
  const WinPath* path_ = nullptr;
};

// A listing pattern: a folder path followed by the name pattern ("E:\docs\*.*").
struct WinPattern {
  WinPath folder;
  std::string name;  // "*", "*.*", or a name that may hold '*' and '?'
};
std::optional<WinPattern> ParseWinPattern(std::string_view pattern);

// True when `c` cannot appear in a Windows entry name.
bool IsReservedNameChar(char c);

// The form in which names are compared without regard to letter case, the
// way Windows compares them: every character of the Basic Multilingual Plane
// in its simple upper-case form (see name_case.h); other characters, and
// bytes that are not UTF-8, stay as they are. Every caseless comparison of
// entry names goes through this one function.
std::string FoldName(std::string_view name);
// A name in lower case, as the commands show and test names; it always
// folds like the name it came from (see name_case.h).
std::string LowerName(std::string_view name);
// Names equal without regard to letter case.
bool SameName(std::string_view a, std::string_view b);

// Matches a name against a listing pattern without regard to letter case:
// '*' is any run of characters, '?' one character; "*" and "*.*" match every
// name, with or without a dot.
bool MatchesPattern(std::string_view pattern, std::string_view name);

}  // namespace veltrano::fs
