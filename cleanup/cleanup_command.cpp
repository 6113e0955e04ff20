#include "cleanup/cleanup_command.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "app/form1_texts.h"
#include "app/form_state.h"
#include "cleanup/cleanup_texts.h"
#include "cleanup/find_junk.h"
#include "platform/fs/removal.h"

namespace veltrano::cleanup {
namespace {

constexpr int kFirstDrive = 2;  // C:; A: and B: are never searched
constexpr int kLastDrive = 25;  // Z:

// Deletes every listed file and replaces its line: "删除 " + path when the
// file is gone, "删除失败 " + path otherwise.
void DeleteListed(FormState& form) {
  fs::FileSystem& fileSystem = form.FileSystem();
  const int n = form.List1.Count();
  for (int k = 0; k < n; ++k) {
    form.List1.Select(k);
    std::string path = form.List1.SelectedText();
    // A file the delete could not reach but that is not there at all is gone
    // as well: the line says the path holds no junk now.
    const bool gone = fs::RemoveFile(fileSystem, path) != fs::Removal::kStayed;
    std::string line(gone ? texts::kDeleted : texts::kDeleteFailed);
    line += path;
    form.List1.ReplaceAt(k, std::move(line));
  }
}

host::MsgAnswer Ask(FormState& form, std::string_view text, std::string_view caption,
                    host::MsgButtons buttons, host::MsgIcon icon, host::MsgAnswer defaultButton) {
  host::MessageBoxRequest request;
  request.text = std::string(text);
  request.caption = std::string(caption);
  request.buttons = buttons;
  request.icon = icon;
  request.defaultButton = defaultButton;
  return form.Host().MessageBox(request);
}

void Tell(FormState& form, std::string_view text) {
  Ask(form, text, veltrano::texts::kAppTitle, host::MsgButtons::kOk, host::MsgIcon::kNone,
      host::MsgAnswer::kOk);
}

}  // namespace

void menuclean_Click(FormState& form) {
  if (form.Busy != 0) {  // a stop request for the running sweep or search
    form.Busy = 0;
    return;
  }
  form.Busy = -1;
  form.menuclean.SetCaption(veltrano::texts::kMenuCleanStop);
  form.List1.Clear();

  const uint32_t mask = form.FileSystem().GetLogicalDrives();
  if (mask != 0) {
    const int highest = std::min(kLastDrive, static_cast<int>(std::bit_width(mask)) - 1);
    for (int i = kFirstDrive; i <= highest; ++i) {
      // Once a stop request has cleared Busy the remaining drives are passed over.
      if (((mask >> i) & 1u) == 0 || form.Busy == 0) continue;
      FindJunk(form, fs::DriveRoot(static_cast<char>('A' + i)));
    }
  }
  form.Busy = 0;

  const int found = form.List1.Count();
  form.Picture1.Clear();
  form.Picture1.Print(std::string(texts::kFoundCount) + std::to_string(found));
  if (found > 0) {
    const host::MsgAnswer answer =
        Ask(form, texts::kConfirmText, texts::kConfirmCaption, host::MsgButtons::kYesNo,
            host::MsgIcon::kExclamation, host::MsgAnswer::kYes);
    if (answer == host::MsgAnswer::kYes) {
      DeleteListed(form);
      Tell(form, texts::kCleanupDone);
    }
  } else {
    Tell(form, texts::kNothingToClean);
  }
  // Lets a removable drive that was searched be unmounted.
  form.FileSystem().ReleaseHandles();
  form.menuclean.SetCaption(veltrano::texts::kMenuClean);
}

}  // namespace veltrano::cleanup
