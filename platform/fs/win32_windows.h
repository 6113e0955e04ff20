// <windows.h> for the Win32 backend and its tests, without the macros that
// rename the file-system seam's own members (DeleteFile, CopyFile and
// GetDriveType are macros for their A/W forms). Calls to the system use the
// W names themselves (::DeleteFileW).
#pragma once

#include <windows.h>

#undef CopyFile
#undef DeleteFile
#undef GetDriveType
