// The cleanup command: junk search on every drive, count, confirm, delete.
#pragma once

namespace veltrano {
class Form1;
}

namespace veltrano::cleanup {

// The whole command behind the "磁盘清理" menu, or a stop request while a
// sweep or the cleanup search runs. A click while a stopped search is still
// unwinding is ignored.
void menuclean_Click(Form1& form);

// True from the start of a cleanup on `form` until it has ended, the count,
// the confirmation and the deletion pass included. The scan log is the
// cleanup's list of files to delete all that time: a command that would clear
// it must not start then.
bool CleanupRunning(const Form1& form);

}  // namespace veltrano::cleanup
