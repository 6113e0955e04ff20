// The cleanup command: junk search on every drive, count, confirm, delete.
#pragma once

namespace veltrano {
class FormState;
}

namespace veltrano::cleanup {

// The whole command behind the "磁盘清理" menu, or a stop request while a
// sweep or the cleanup search runs. The scan log is the cleanup's list of
// files to delete from its start until it has ended, the count, the
// confirmation and the deletion pass included: the window's handlers keep
// every command that would clear it from starting meanwhile.
void menuclean_Click(FormState& form);

}  // namespace veltrano::cleanup
