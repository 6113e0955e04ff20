// The cleanup command: junk search on every drive, count, confirm, delete.
#pragma once

namespace veltrano {
class Form1;
}

namespace veltrano::cleanup {

// The whole command behind the "磁盘清理" menu, or a stop request while a
// sweep or the cleanup search runs.
void menuclean_Click(Form1& form);

}  // namespace veltrano::cleanup
