// The hidden-folder repair command.
#pragma once

#include <string_view>

namespace veltrano {
class FormState;
}

namespace veltrano::repair {

// The whole repair command behind the "U盘修复" menu: unhides the hidden
// folders in the roots of the removable drives D: to Z:, and of the last
// fixed drive when no removable or CD-ROM drive follows it, then writes the
// count.
void reudir_Click(FormState& form);

// Unhides every hidden folder directly in the drive root `root` ("E:\"),
// except a recycle folder, logging one line per folder, and then handles
// pending window events once. Returns the number of folders that are visible
// now; a folder that stayed hidden is logged as a failure and not counted.
int findir(FormState& form, std::string_view root);

}  // namespace veltrano::repair
