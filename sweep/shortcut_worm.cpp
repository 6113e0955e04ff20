#include "sweep/shortcut_worm.h"

#include "app/form_state.h"
#include "platform/fs/file_system.h"
#include "platform/fs/win_path.h"
#include "sweep/link_command.h"
#include "sweep/shell_link.h"
#include "sweep/sweep_texts.h"

namespace veltrano::sweep {
namespace {

constexpr std::string_view kLinkSuffix = ".lnk";

// How many files below root folders one shortcut may have looked up. A
// shortcut of 64 KiB could name thousands; the worms name one or two.
constexpr int kMaxDeepLookups = 64;

}  // namespace

ShortcutWorms::ShortcutWorms(SweepRun& run, int16_t drive)
    : run_(run), drive_(drive), root_(fs::DriveRoot(static_cast<char>('A' + drive))) {}

void ShortcutWorms::ReadRoot() {
  read_ = true;
  fs::FindData data;
  auto listing = run_.fs.FindFirst(root_ + "*.*", data, fs::FindMode::kFull);
  if (!listing) return;
  do {
    // The first of two names that differ in case only wins, as a lookup by
    // path would find it.
    byFolded_.emplace(fs::FoldName(data.cFileName), Entry{data.cFileName, data.dwFileAttributes});
  } while (listing->FindNext(data));
}

const ShortcutWorms::Entry* ShortcutWorms::Find(std::string_view name) {
  if (!read_) ReadRoot();
  const auto it = byFolded_.find(fs::FoldName(name));
  return it == byFolded_.end() ? nullptr : &it->second;
}

void ShortcutWorms::NoteRemoved(std::string_view listed) {
  handled_[fs::FoldName(listed)] = true;
}

bool ShortcutWorms::Handled(std::string_view listed) const {
  return !removedAhead_.empty() && removedAhead_.contains(fs::FoldName(listed));
}

bool ShortcutWorms::JudgeNamed(const std::vector<std::string>& files, std::string_view linkKey,
                               std::string_view imitatedKey, std::vector<Payload>& payloads) {
  bool namesHidden = false;
  int deepLookups = 0;
  for (const std::string& path : files) {
    const std::string_view below = std::string_view(path).substr(root_.size());
    std::string key = fs::FoldName(below);
    if (key == linkKey || key == imitatedKey) continue;  // itself; the item it opens
    if (const auto done = handled_.find(key); done != handled_.end()) {
      namesHidden |= done->second;  // removed already: still what the shortcut starts
      continue;
    }
    std::optional<fs::Attributes> attributes;
    std::string shown;
    std::string full;
    const size_t cut = below.find('\\');
    if (cut == std::string_view::npos) {
      const Entry* entry = Find(below);
      if (!entry) continue;
      attributes = entry->attributes;
      full = root_ + entry->name;
      shown = fs::LowerName(entry->name);
    } else {
      // Below a root folder: only when that folder is one, and only so many.
      const Entry* folder = Find(below.substr(0, cut));
      if (!folder || !folder->attributes.HasAny(fs::kAttrDirectory) ||
          folder->attributes.HasAny(fs::kAttrReparsePoint) || ++deepLookups > kMaxDeepLookups ||
          !run_.fs.FileExists(path)) {
        continue;
      }
      attributes = run_.fs.GetAttributes(path);
      full = path;
      shown = fs::LowerName(below);
    }
    // Never a folder, never through a link.
    if (!attributes || fs::HasAny(attributes, fs::kAttrDirectory | fs::kAttrReparsePoint)) {
      continue;
    }
    const bool hidden = fs::HasAny(attributes, fs::kAttrHidden);
    namesHidden |= hidden;
    if (hidden || HasProgramExtension(full)) {
      payloads.push_back(Payload{std::move(full), std::move(key), std::move(shown)});
    }
  }
  return namesHidden;
}

void ShortcutWorms::Check(std::string_view listed, const std::string& lower) {
  if (drive_ <= 2 || !lower.ends_with(kLinkSuffix) || lower.size() == kLinkSuffix.size()) return;
  // The entry itself, by its listed name: of two names that differ in case
  // only, the lookup holds one.
  const std::string linkPath = root_ + std::string(listed);
  const Entry* self = Find(listed);
  const std::optional<fs::Attributes> attributes =
      self && self->name == listed ? self->attributes : run_.fs.GetAttributes(linkPath);
  if (!attributes || fs::HasAny(attributes, fs::kAttrReparsePoint | fs::kAttrDirectory)) {
    return;
  }

  const auto bytes = run_.fs.ReadFile(linkPath, kMaxLinkBytes);
  if (!bytes) return;
  const auto link = ParseShellLink(*bytes);
  if (!link || link->Target().empty()) return;
  const LinkCommand command =
      ResolveLinkCommand(root_, link->Target(), link->arguments, link->workingDir);
  const bool startsProgram = IsInterpreter(command.program) ||
                             (command.targetOnDrive && HasProgramExtension(*command.targetOnDrive));
  if (!startsProgram) return;

  // The hidden item the shortcut is named after.
  const std::string_view stem = listed.substr(0, listed.size() - kLinkSuffix.size());
  const Entry* imitated = Find(stem);
  if (imitated && (!imitated->attributes.HasAny(fs::kAttrHidden) ||
                   imitated->attributes.HasAny(fs::kAttrReparsePoint))) {
    imitated = nullptr;
  }
  const std::string imitatedKey = imitated ? fs::FoldName(imitated->name) : std::string();
  // A shortcut to the hidden program itself is the user's way to start it.
  if (imitated && command.targetOnDrive &&
      fs::FoldName(std::string_view(*command.targetOnDrive).substr(root_.size())) == imitatedKey) {
    return;
  }

  const std::string linkKey = fs::FoldName(listed);
  std::vector<Payload> payloads;
  const bool namesHidden = JudgeNamed(command.files, linkKey, imitatedKey, payloads);
  if (!imitated && !namesHidden) return;

  handled_[linkKey] = false;
  ClearFile(run_, linkPath, texts::kShortcutVirus, lower);
  for (const Payload& payload : payloads) {
    if (!handled_.emplace(payload.key, true).second) continue;
    if (payload.key.find('\\') == std::string::npos) removedAhead_.insert(payload.key);
    ClearFile(run_, payload.path, texts::kVirus, payload.shown);
  }
  if (imitated) Restore(*imitated, std::string_view(lower).substr(0, lower.size() - 4));
}

void ShortcutWorms::Restore(const Entry& item, std::string_view shownName) {
  const std::string path = root_ + item.name;
  run_.fs.SetAttributes(path, fs::kAttrNormal);
  const auto after = run_.fs.GetAttributes(path);
  const bool visible = after && !after->HasAny(fs::kAttrHidden);
  const bool folder = item.attributes.HasAny(fs::kAttrDirectory);
  std::string line(texts::kIndent);
  line += shownName;
  if (folder) {
    line += visible ? texts::kFolderRestored : texts::kFolderRestoreFailed;
  } else {
    line += visible ? texts::kFileRestored : texts::kFileRestoreFailed;
  }
  run_.form.List1.Append(std::move(line));
}

}  // namespace veltrano::sweep
