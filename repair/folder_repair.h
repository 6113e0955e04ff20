// The hidden-folder repair command.
#pragma once

namespace veltrano {
class Form1;
}

namespace veltrano::repair {

// The whole repair command behind the "U盘修复" menu.
void reudir_Click(Form1& form);

}  // namespace veltrano::repair
