// What a shortcut's command line starts on the stick it lies on: the files on
// that drive that its target and arguments name, resolved as Windows resolves
// them when the shortcut is opened.
//
// Pure text work: nothing here touches a file system. Whether a named file
// exists, and what it is, the caller asks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::sweep {

struct LinkCommand {
  // The target's file name in lower case ("cmd.exe"), whatever its folder.
  std::string program;
  // The target as a path on the drive ("E:\x.vbs"), or nullopt when the target
  // lies elsewhere (another letter, C:, a network share) or names no file.
  std::optional<std::string> targetOnDrive;
  // Every path on the drive that the target or the arguments name, each once
  // (compared without regard to case), in the order they are named: full
  // paths below the root ("E:\x.vbs", "E:\.usb\a.usb"), never the root
  // itself, never a path on another drive. Whether each is a file is left to
  // the caller.
  std::vector<std::string> files;
};

// Resolves a shortcut whose file lies in `root` ("E:\") and which starts
// `target` with `arguments` in `workingDir`:
//   - relative names resolve from the working folder when it lies on this
//     drive, from the root when the link has none, and name nothing when the
//     working folder lies on another drive; the target, when relative, from
//     the link's own folder (the root);
//   - "%cd%" is that current folder; "%~dp0", "%~d0" and their kin mean the
//     stick; other variables take their default Windows values;
//   - quotes group, '/' separates like '\', ".." stops at the root;
//   - for cmd.exe (the target or a command it runs) its own syntax: the
//     switches before /c, /r or /k, "&", "&&", "||", "|" between commands,
//     redirections (a file "<" feeds in is named, one ">" writes is not), "^"
//     escapes, parentheses around commands, and "cd"/"pushd", "start" (its
//     switches, its title, its /d folder) and "call";
//   - for rundll32.exe the part of an argument after its first comma is the
//     entry point, not a file; powershell's command strings are split into
//     their words;
//   - words that begin with '/' or '-' are switches, not files.
LinkCommand ResolveLinkCommand(std::string_view root, std::string_view target,
                               std::string_view arguments, std::string_view workingDir);

// True for the command interpreters and script hosts a shortcut worm starts
// (cmd.exe, wscript.exe, ...), given a file name in any case.
bool IsInterpreter(std::string_view fileName);

// True when a name ends in one of the extensions of programs and scripts
// (.exe .com .scr .pif .bat .cmd .vbs .vbe .js .jse .wsf .wsh .hta .ps1
// .dll), in any case.
bool HasProgramExtension(std::string_view name);

}  // namespace veltrano::sweep
