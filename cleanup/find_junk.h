// The junk-file search: one folder and, depth first, every folder below it.
#pragma once

#include <cstddef>
#include <string_view>

namespace veltrano {
class FormState;
}

namespace veltrano::cleanup {

// Sub-folders beyond this many in one folder are neither remembered nor searched.
inline constexpr size_t kMaxJunkDirs = 32760;

// Searches the folder `P` (a path ending with '\') and all folders below it.
// Each junk file found is appended to the scan log as its full path and
// selected; the status strip shows the folder being searched. Window events
// are handled once per folder, and the search ends early once Busy is no
// longer -1. Links are left alone: a folder link is not entered and a file
// link is never junk. In every Unix system root on the way, the drive's own
// and any nested one, the system's folders and package-owned files are left
// alone too (see SystemGuard).
void FindJunk(FormState& form, std::string_view P);

}  // namespace veltrano::cleanup
