#include "sweep/link_command.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <unordered_set>

#include "platform/fs/win_path.h"
#include "sweep/drive_path.h"
#include "sweep/shell_link.h"

namespace veltrano::sweep {
namespace {

// How deep commands may start commands (cmd /c cmd /c ...) before the rest is
// taken as plain words.
constexpr int kMaxNesting = 4;

constexpr std::array<std::string_view, 10> kInterpreters = {
    "cmd.exe",      "wscript.exe",    "cscript.exe", "mshta.exe",   "rundll32.exe",
    "regsvr32.exe", "powershell.exe", "pwsh.exe",    "msiexec.exe", "conhost.exe"};

constexpr std::array<std::string_view, 15> kProgramExtensions = {
    ".exe", ".com", ".scr", ".pif", ".bat", ".cmd", ".vbs", ".vbe",
    ".js",  ".jse", ".wsf", ".wsh", ".hta", ".ps1", ".dll"};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The last name of a path, as written.
std::string_view FileName(std::string_view path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// A program's name without folder and without ".exe", in lower case: the
// form in which cmd finds "wscript", "WScript.exe" and "C:\...\wscript.exe"
// alike.
std::string ProgramBase(std::string_view program) {
  std::string name = AsciiLower(FileName(program));
  if (name.ends_with(".exe")) name.resize(name.size() - 4);
  return name;
}

// The folder a command runs in: a folder below the drive's root ("" for the
// root itself), or somewhere else, where relative names leave the drive.
struct Folder {
  bool onDrive = true;
  std::string below;     // "sub\dir" when onDrive
  std::string asWritten;  // what "%cd%" shows when the folder is elsewhere
};

// One word of a command: its text without quotes, whether any part of it was
// quoted, and where it starts in the command's text.
struct Word {
  std::string text;
  bool quoted = false;
  size_t start = 0;
};

// Words separated by blanks outside double quotes; the quotes drop out.
std::vector<Word> SplitWords(std::string_view text) {
  std::vector<Word> words;
  bool inQuotes = false, inWord = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!inQuotes && IsBlank(c)) {
      inWord = false;
      continue;
    }
    if (!inWord) {
      words.push_back(Word{{}, false, i});
      inWord = true;
    }
    if (c == '"') {
      inQuotes = !inQuotes;
      words.back().quoted = true;
    } else {
      words.back().text += c;
    }
  }
  return words;
}

// The words of a PowerShell command string: blanks, statement and pipeline
// characters and both kinds of quotes separate them.
std::vector<std::string> SplitPowerShell(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (IsBlank(c) || std::string_view(";(){}|&,'\"").find(c) != std::string_view::npos) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// A cmd line taken apart: its commands, and the files that "<" feeds to
// them (cmd reads those, so they run as much as the commands do).
struct CmdLine {
  std::vector<std::string> commands;
  std::vector<std::string> inputs;
};

// cmd.exe's split of a line into commands: "&", "&&", "|", "||" and
// parentheses around commands separate them, "^" makes the next character
// plain, and redirections ("<", ">", ">>", "2>", "2>&1") come out with their
// files. Double quotes keep everything inside plain and stay in the text.
CmdLine SplitCommands(std::string_view line) {
  CmdLine out;
  std::string current;
  auto flush = [&] {
    if (!Trim(current).empty()) out.commands.push_back(std::move(current));
    current.clear();
  };
  bool inQuotes = false;
  int groups = 0;
  const size_t n = line.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = line[i];
    if (inQuotes) {
      if (c == '"') inQuotes = false;
      current += c;
      continue;
    }
    switch (c) {
      case '"':
        inQuotes = true;
        current += c;
        break;
      case '^':
        if (i + 1 < n) current += line[++i];
        break;
      case '&':
      case '|':
        flush();
        break;
      case '(':
        if (Trim(current).empty()) {
          ++groups;
        } else {
          current += c;
        }
        break;
      case ')':
        if (groups > 0) {
          --groups;
          flush();
        } else {
          current += c;
        }
        break;
      case '<':
      case '>': {
        // A handle number written just before the operator ("2>") goes with it.
        if (!current.empty() && current.back() >= '0' && current.back() <= '9' &&
            (current.size() == 1 || IsBlank(current[current.size() - 2]))) {
          current.pop_back();
        }
        while (i + 1 < n && line[i + 1] == '>') ++i;
        if (i + 1 < n && line[i + 1] == '&') {  // ">&1": another handle, no file
          ++i;
          while (i + 1 < n && line[i + 1] >= '0' && line[i + 1] <= '9') ++i;
          break;
        }
        // The file: blanks, then one word (quotes and "^" as above).
        while (i + 1 < n && IsBlank(line[i + 1])) ++i;
        std::string file;
        bool fileQuoted = false;
        while (i + 1 < n) {
          const char f = line[i + 1];
          if (!fileQuoted &&
              (IsBlank(f) || std::string_view("&|<>()").find(f) != std::string_view::npos)) {
            break;
          }
          ++i;
          if (f == '"') {
            fileQuoted = !fileQuoted;
          } else if (f == '^' && !fileQuoted && i + 1 < n) {
            file += line[++i];
          } else {
            file += f;
          }
        }
        if (c == '<') out.inputs.push_back(std::move(file));  // what ">" writes does not run
        current += ' ';
        break;
      }
      default:
        current += c;
    }
  }
  flush();
  return out;
}

class Resolver {
 public:
  explicit Resolver(std::string_view root) : root_(root), letter_(AsciiLower(root.front())) {}

  LinkCommand Run(std::string_view target, std::string_view arguments,
                  std::string_view workingDir) {
    const Folder rootFolder;
    const std::string dir = Expand(Trim(workingDir), rootFolder);
    const Folder folder = dir.empty() ? rootFolder : ResolveFolder(dir, rootFolder);

    LinkCommand out;
    const std::string program = Expand(Trim(target), rootFolder);
    out.program = fs::LowerName(FileName(program));
    out.targetOnDrive = ResolveFile(program, rootFolder);  // relative to the link itself
    if (out.targetOnDrive) Add(*out.targetOnDrive);

    const std::string args = Expand(arguments, folder);
    RunArguments(ProgramBase(program), args, SplitWords(args), folder, 0);
    out.files = std::move(files_);
    return out;
  }

 private:
  // "%cd%" and the "%~dp0" family, then the usual variables. cmd expands a
  // whole line before it runs any command of it, so a "cd" in the line does
  // not change what "%cd%" stands for.
  std::string Expand(std::string_view text, const Folder& folder) const {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') {
        out += text[i];
        continue;
      }
      if (StartsWithNoCase(text, i + 1, "cd%")) {
        out += FolderText(folder);
        i += 3;
        continue;
      }
      if (i + 1 < text.size() && text[i + 1] == '~') {
        // %~<modifiers><digit>: only the drive (d), path (p) and short-name (s)
        // modifiers are known here; what they give for the batch file is the
        // stick's root, where these shortcuts and their scripts lie.
        size_t j = i + 2;
        bool drive = false, path = false, other = false;
        while (j < text.size() && std::isalpha(static_cast<unsigned char>(text[j]))) {
          const char m = AsciiLower(text[j]);
          drive |= m == 'd';
          path |= m == 'p';
          other |= m != 'd' && m != 'p' && m != 's';
          ++j;
        }
        if (j < text.size() && text[j] >= '0' && text[j] <= '9' && (drive || path) && !other) {
          if (drive) out += root_.substr(0, 2);
          if (path) out += '\\';
          i = j;
          continue;
        }
      }
      out += '%';
    }
    return ExpandWindowsDefaults(out);
  }

  std::string FolderText(const Folder& folder) const {
    if (!folder.onDrive) return folder.asWritten;
    return folder.below.empty() ? std::string(root_) : std::string(root_) + folder.below;
  }

  // The path below the root that `text` names from `folder`, or nullopt when
  // it leaves the drive or is a switch.
  std::optional<std::string> BelowRoot(std::string_view text, const Folder& folder) const {
    text = Trim(text);
    if (text.empty() || text.front() == '/' || text.front() == '-') return std::nullopt;
    std::string below;
    if (text.size() >= 2 && text[1] == ':') {
      if (AsciiLower(text[0]) != letter_) return std::nullopt;  // another drive
      text.remove_prefix(2);
      if (!text.empty() && IsSeparator(text.front())) return std::string(text);
      // "E:x" is relative to the current folder of E:.
      below = folder.onDrive ? folder.below : std::string();
    } else if (IsSeparator(text.front())) {
      if (text.size() >= 2 && IsSeparator(text[1])) return std::nullopt;  // \\server, \\?\ .
      return std::string(text);
    } else {
      if (!folder.onDrive) return std::nullopt;
      below = folder.below;
    }
    if (!below.empty()) below += '\\';
    below += text;
    return below;
  }

  std::optional<std::string> ResolveFile(std::string_view text, const Folder& folder) const {
    const auto below = BelowRoot(text, folder);
    if (!below) return std::nullopt;
    return PathOnDrive(root_, *below);
  }

  Folder ResolveFolder(std::string_view text, const Folder& folder) const {
    const auto below = BelowRoot(text, folder);
    if (below) {
      const auto path = fs::ParseWinPath(root_ + *below);
      if (path) {
        Folder out;
        for (const std::string& part : path->parts) {
          if (!out.below.empty()) out.below += '\\';
          out.below += part;
        }
        return out;
      }
    }
    Folder elsewhere;
    elsewhere.onDrive = false;
    elsewhere.asWritten = std::string(Trim(text));
    return elsewhere;
  }

  void Add(const std::string& path) {
    if (seen_.insert(fs::FoldName(path)).second) files_.push_back(path);
  }

  void AddWord(std::string_view text, const Folder& folder) {
    if (const auto path = ResolveFile(text, folder)) Add(*path);
  }

  // The arguments of a program run from a command line: cmd.exe's are a
  // command line of their own, rundll32's first name a DLL before a comma.
  void RunArguments(const std::string& base, std::string_view raw, const std::vector<Word>& words,
                    const Folder& folder, int depth) {
    if (base == "cmd" && depth < kMaxNesting) {
      RunCmdArguments(raw, folder, depth + 1);
      return;
    }
    for (const Word& word : words) {
      if (base == "rundll32") {
        AddWord(std::string_view(word.text).substr(0, word.text.find(',')), folder);
        continue;
      }
      AddWord(word.text, folder);
      if (base == "powershell" || base == "pwsh") {
        for (const std::string& inner : SplitPowerShell(word.text)) AddWord(inner, folder);
      }
    }
  }

  // cmd.exe's command line: switches, then after /c, /r or /k the commands. When
  // the commands are quoted as a whole, cmd takes the outer quotes off unless
  // they enclose a program's path; both readings are followed.
  void RunCmdArguments(std::string_view raw, const Folder& folder, int depth) {
    size_t i = 0;
    while (true) {
      while (i < raw.size() && IsBlank(raw[i])) ++i;
      if (i >= raw.size() || raw[i] != '/') break;
      const char option = i + 1 < raw.size() ? AsciiLower(raw[i + 1]) : '\0';
      if (option == 'c' || option == 'k' || option == 'r') {  // /r is /c
        i += 2;
        break;
      }
      while (i < raw.size() && !IsBlank(raw[i])) ++i;
    }
    const std::string_view commands = Trim(raw.substr(std::min(i, raw.size())));
    Folder current = folder;
    RunCmdLine(commands, current, depth);
    if (commands.size() >= 2 && commands.front() == '"') {
      const size_t last = commands.rfind('"');
      std::string unquoted(commands.substr(1, last - 1));
      if (last > 0) unquoted += commands.substr(last + 1);
      current = folder;
      RunCmdLine(unquoted, current, depth);
    }
  }

  void RunCmdLine(std::string_view line, Folder& folder, int depth) {
    const CmdLine split = SplitCommands(line);
    for (const std::string& input : split.inputs) AddWord(input, folder);
    for (const std::string& command : split.commands) RunCommand(command, folder, depth);
  }

  // One command of a cmd line. "cd" changes the folder of the commands after it.
  void RunCommand(const std::string& command, Folder& folder, int depth) {
    std::vector<Word> words = SplitWords(command);
    size_t i = 0;
    if (!words.empty() && words[0].text.starts_with('@')) words[0].text.erase(0, 1);
    while (i < words.size() && AsciiLower(words[i].text) == "call") ++i;
    if (i >= words.size()) return;
    const std::string verb = AsciiLower(words[i].text);
    if (verb == "rem") return;
    if (verb == "cd" || verb == "chdir" || verb == "pushd") {
      size_t j = i + 1;
      if (j < words.size() && AsciiLower(words[j].text) == "/d") ++j;
      if (j < words.size()) {
        // cd takes the rest of the command, blanks and all, unless it is quoted.
        folder = ResolveFolder(
            words[j].quoted ? std::string_view(words[j].text) : Trim(command.substr(words[j].start)),
            folder);
      }
      return;
    }
    if (verb == "start") {
      size_t j = i + 1;
      Folder startIn = folder;
      while (j < words.size() && words[j].text.starts_with('/') && !words[j].quoted) {
        const std::string option = AsciiLower(words[j].text);
        if (option == "/d" && j + 1 < words.size()) {
          startIn = ResolveFolder(words[j + 1].text, folder);
          j += 2;
        } else if (option.starts_with("/d") && option.size() > 2) {
          startIn = ResolveFolder(std::string_view(words[j].text).substr(2), folder);
          ++j;
        } else if ((option == "/affinity" || option == "/node") && j + 1 < words.size()) {
          j += 2;
        } else {
          ++j;
        }
      }
      if (j < words.size() && words[j].quoted) ++j;  // the window title
      RunProgram(command, words, j, startIn, depth);
      return;
    }
    if (verb == "echo" || verb == "title" || verb == "set" || verb == "popd" || verb == "cls" ||
        verb == "exit") {
      return;
    }
    RunProgram(command, words, i, folder, depth);
  }

  void RunProgram(std::string_view command, const std::vector<Word>& words, size_t i,
                  const Folder& folder, int depth) {
    if (i >= words.size()) return;
    AddWord(words[i].text, folder);
    const std::string_view rest =
        i + 1 < words.size() ? command.substr(words[i + 1].start) : std::string_view();
    const std::vector<Word> args(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, words.end());
    RunArguments(ProgramBase(words[i].text), rest, args, folder, depth);
  }

  const std::string root_;
  const char letter_;
  std::vector<std::string> files_;
  std::unordered_set<std::string> seen_;
};

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         StartsWithNoCase(text, text.size() - suffix.size(), suffix);
}

}  // namespace

LinkCommand ResolveLinkCommand(std::string_view root, std::string_view target,
                               std::string_view arguments, std::string_view workingDir) {
  return Resolver(root).Run(target, arguments, workingDir);
}

bool IsInterpreter(std::string_view fileName) {
  const std::string name = AsciiLower(fileName);
  return std::find(kInterpreters.begin(), kInterpreters.end(), name) != kInterpreters.end();
}

bool HasProgramExtension(std::string_view name) {
  return std::any_of(kProgramExtensions.begin(), kProgramExtensions.end(),
                     [&](std::string_view ext) { return EndsWithNoCase(name, ext); });
}

}  // namespace veltrano::sweep
