// veltrano-cli: runs the main window's commands without a display, on the
// drives the window sees (the host's mounts) or on folders given on the
// command line, for scripts, tests and demonstrations. It is not the product
// (which takes no options); it prints what the window would show.
//
//   veltrano-cli [--drive E:removable:/tmp/usb --drive C:fixed:/tmp/c]
//                [--answer yes|no] COMMAND...
//   veltrano-cli [--drive ...] drives     prints the drive table, changes nothing
//
// Output, in this order:
//   - each message box as it is shown: "message box: CAPTION | TEXT -> ANSWER";
//   - each web page a command opens: "open url: URL";
//   - "scan log (N lines):" and then the N lines of the log, exactly as shown;
//   - "selected line: K" (numbered from 0 as in the list, -1 for none);
//   - "status strip: TEXT".
// With several commands, each command's part starts with "command: NAME" and
// shows the window as that command left it, so every line that the exit
// status rests on is printed.
// Every printed text has its control characters escaped (see
// printable_text.h), so a file name cannot add lines of its own.
//
// A Yes/No box is answered by --answer; without it the user is asked on the
// terminal ("[y/N]", No unless "y" or "yes"), and with no terminal to ask
// on the answer is No, said on standard error: a cleanup never deletes
// unless someone said so.
//
// Exit status: 0 when every removal, deletion and repair the commands tried
// worked; 1 when one of them failed (as its log line says); 2 on bad usage.
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cleanup/cleanup_texts.h"
#include "commands/form1.h"
#include "platform/fs/drive_table.h"
#include "platform/host/window_host.h"
#include "repair/repair_texts.h"
#include "sweep/sweep_texts.h"
#include "tools/cli_platform.h"
#include "tools/command_line.h"
#include "tools/printable_text.h"
#include "veltrano_version.h"

namespace {

using veltrano::host::MessageBoxRequest;
using veltrano::host::MsgAnswer;
using veltrano::host::MsgButtons;
using veltrano::tools::Printable;

constexpr int kActionFailed = 1;
constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: veltrano-cli [--drive LETTER:TYPE:FOLDER]... [--answer yes|no] COMMAND...\n"
    "       veltrano-cli [--drive LETTER:TYPE:FOLDER]... drives\n"
    "       veltrano-cli --help | --version\n"
    "\n"
    "Runs the window's commands headless, in the order given, and prints each\n"
    "message box, then the scan log, the selected line and the status strip;\n"
    "with several commands, under a line \"command: NAME\" for each.\n";
constexpr const char* kCommandsHelp =
    "  menuqim     U盘杀毒: sweep the removable drives for autorun worms\n"
    "  menukhdd    硬盘杀毒: sweep the fixed drives\n"
    "  reudir      U盘修复: unhide the folders in the removable drives' roots\n"
    "  menuclean   磁盘清理: find junk files on every drive, delete them when\n"
    "              the box is answered Yes\n"
    "  mhelp       最新帮助: print the help page's address\n"
    "  menunet     主页留言: print the home page's address\n"
    "\n";
constexpr const char* kOptionsHelp =
    "  --answer yes|no               how to answer Yes/No message boxes; without\n"
    "                                it they are asked on the terminal ([y/N]),\n"
    "                                and with no terminal they are answered no\n"
    "  --help, -h                    show this help and exit\n"
    "  --version                     show the version and exit\n"
    "\n"
    "With --drive only the given folders are drives.\n";
constexpr const char* kExitNote =
    "Exit status: 0 the commands ran and every removal, deletion and repair\n"
    "worked; 1 a removal, deletion or repair failed; 2 bad usage.\n";

void PrintUsage(std::ostream& out) {
  out << kUsage << veltrano::cli::kDrivesHelp << kCommandsHelp << veltrano::cli::kDriveOptionsHelp
      << kOptionsHelp << kExitNote;
}

const char* AnswerName(MsgAnswer answer) {
  switch (answer) {
    case MsgAnswer::kYes:
      return "yes";
    case MsgAnswer::kNo:
      return "no";
    case MsgAnswer::kOk:
      break;
  }
  return "ok";
}

// True for the answers a user types to mean Yes: "y" or "yes", in any case,
// with blanks around; anything else, an empty line included, is No.
bool MeansYes(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return false;
  line = line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
  if (line.size() > 3) return false;
  std::string lower(line);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return lower == "y" || lower == "yes";
}

// Asks a Yes/No box on the terminal: its caption and text, then "[y/N]".
// The question goes to standard error, so standard output stays the record.
MsgAnswer AskOnTerminal(const MessageBoxRequest& request) {
  std::cout.flush();
  std::cerr << Printable(request.caption) << ": " << Printable(request.text) << " [y/N] "
            << std::flush;
  std::string line;
  if (!std::getline(std::cin, line)) {
    std::cerr << '\n';
    return MsgAnswer::kNo;
  }
  return MeansYes(line) ? MsgAnswer::kYes : MsgAnswer::kNo;
}

// The window host of the command line: nothing to pump, boxes answered as
// told (or asked) and printed, pages printed instead of opened.
class CliHost : public veltrano::host::WindowHost {
 public:
  explicit CliHost(std::optional<MsgAnswer> answer) : answer_(answer) {}

  void DoEvents() override {}
  MsgAnswer MessageBox(const MessageBoxRequest& request) override {
    MsgAnswer answer = MsgAnswer::kOk;
    if (request.buttons == MsgButtons::kYesNo) {
      if (answer_) {
        answer = *answer_;
      } else if (veltrano::cli::InputIsTerminal()) {
        answer = AskOnTerminal(request);
      } else {
        answer = MsgAnswer::kNo;
        std::cout.flush();
        std::cerr << "veltrano-cli: no terminal to ask \"" << Printable(request.caption) << " | "
                  << Printable(request.text) << "\" on and no --answer: answered no\n";
      }
    }
    std::cout << "message box: " << Printable(request.caption) << " | " << Printable(request.text)
              << " -> " << AnswerName(answer) << '\n';
    return answer;
  }
  void OpenUrl(std::string_view url) override {
    std::cout << "open url: " << Printable(url) << '\n';
  }
  [[noreturn]] void EndProcess(int exitCode) override {
    std::cout.flush();
    std::exit(exitCode);
  }

 private:
  std::optional<MsgAnswer> answer_;
};

int UsageError(const std::string& message) {
  std::cerr << "veltrano-cli: " << Printable(message) << "\n\n";
  PrintUsage(std::cerr);
  return kUsageError;
}

// Which of a command's log lines tell that something it tried failed.
enum class Outcomes {
  kNone,  // the links: nothing is removed
  kSweep,  // removal lines end in " 清除失败！", a folder not shown again in " 文件夹恢复失败!"
  kRepair,   // a folder not shown again: "修复失败  " + path
  kCleanup,  // a file not deleted: "删除失败 " + path
};

struct Command {
  std::string_view name;
  void (veltrano::Form1::*handler)();
  Outcomes outcomes;
};

std::optional<Command> FindCommand(std::string_view name) {
  using veltrano::Form1;
  static constexpr Command kCommands[] = {
      {"menuqim", &Form1::menuqim_Click, Outcomes::kSweep},
      {"menukhdd", &Form1::menukhdd_Click, Outcomes::kSweep},
      {"reudir", &Form1::reudir_Click, Outcomes::kRepair},
      {"menuclean", &Form1::menuclean_Click, Outcomes::kCleanup},
      {"mhelp", &Form1::mhelp_Click, Outcomes::kNone},
      {"menunet", &Form1::menunet_Click, Outcomes::kNone},
  };
  for (const Command& command : kCommands) {
    if (command.name == name) return command;
  }
  return std::nullopt;
}

// What the window shows: the scan log, its selected line, the status strip.
void PrintWindow(const veltrano::Form1& form) {
  const auto& lines = form.List1.Lines();
  std::cout << "scan log (" << lines.size() << " lines):\n";
  for (const std::string& line : lines) std::cout << Printable(line) << '\n';
  std::cout << "selected line: " << form.List1.SelectedIndex() << '\n';
  std::cout << "status strip: " << Printable(form.Picture1.Text()) << '\n';
}

// True when a log line of the command says that one of its actions failed.
// Each line's verdict is its fixed ending (sweep) or its fixed start (repair,
// cleanup); a name inside a line cannot fake one: the sweep's verdict
// follows the name, the others' comes before the path, which starts with a
// drive letter.
bool LogShowsFailure(Outcomes outcomes, const std::vector<std::string>& lines) {
  namespace sweep = veltrano::sweep::texts;
  for (const std::string& line : lines) {
    switch (outcomes) {
      case Outcomes::kNone:
        return false;
      case Outcomes::kSweep:
        if (line.ends_with(sweep::kRemoveFailed) || line.ends_with(sweep::kFolderFailed) ||
            line.ends_with(sweep::kFolderRestoreFailed)) {
          return true;
        }
        break;
      case Outcomes::kRepair:
        if (line.starts_with(veltrano::repair::texts::kRepairFailed)) return true;
        break;
      case Outcomes::kCleanup:
        if (line.starts_with(veltrano::cleanup::texts::kDeleteFailed)) return true;
        break;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  veltrano::cli::PrepareConsole();
  const std::vector<std::string> args = veltrano::cli::Arguments(argc, argv);
  std::vector<std::string> driveTexts;
  std::optional<MsgAnswer> answer;
  std::vector<Command> commands;
  bool mounts = false;
  bool listDrives = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      PrintUsage(std::cout);
      return 0;
    }
    if (arg == "--version") {
      std::cout << "veltrano-cli (Veltrano) " VELTRANO_VERSION "\n";
      return 0;
    }
    if (arg == "--mounts") {
      mounts = true;
      continue;
    }
    if (arg == "--drive" || arg == "--answer") {
      if (i + 1 >= args.size()) return UsageError(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--drive") {
        driveTexts.push_back(value);
      } else if (value == "yes") {
        answer = MsgAnswer::kYes;
      } else if (value == "no") {
        answer = MsgAnswer::kNo;
      } else {
        return UsageError("--answer takes yes or no, not '" + value + "'");
      }
      continue;
    }
    if (arg.starts_with("-")) return UsageError("unknown option '" + arg + "'");
    if (arg == "drives") {
      listDrives = true;
      continue;
    }
    const auto command = FindCommand(arg);
    if (!command) return UsageError("unknown command '" + arg + "'");
    commands.push_back(*command);
  }
  if (commands.empty() && !listDrives) return UsageError("no command given");
  if (listDrives && !commands.empty()) return UsageError("drives is given without other commands");
  if (mounts && !driveTexts.empty()) return UsageError("--mounts and --drive exclude each other");

  std::string error;
  auto table = veltrano::fs::ParseDriveTable(driveTexts, &error);
  if (!table) {
    return UsageError(error + " (for example " + veltrano::cli::kDriveExample + ")");
  }
  // Without --drive, the drives the window sees.
  auto fileSystem = veltrano::cli::MakeFileSystem(std::move(*table), error);
  if (!fileSystem) return UsageError(error);
  if (listDrives) {
    veltrano::cli::PrintDrives(*fileSystem);
    return 0;
  }
  CliHost host(answer);
  veltrano::Form1 form(*fileSystem, host);
  // A command starts with a clear log: its outcome is read, and its log
  // printed, before the next one runs.
  const bool several = commands.size() > 1;
  bool failed = false;
  for (const Command& command : commands) {
    if (several) std::cout << "command: " << command.name << '\n';
    (form.*command.handler)();
    failed = LogShowsFailure(command.outcomes, form.List1.Lines()) || failed;
    PrintWindow(form);
  }
  return failed ? kActionFailed : 0;
}
