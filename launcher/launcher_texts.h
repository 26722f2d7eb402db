// The launcher's fixed texts and sizes, in one place.
#pragma once

#include <stddef.h>

#include "runtime/vexrun_interface.h"

namespace launcher {

// The one path buffer, reused for both candidate library paths.
constexpr size_t kPathBufferSize = 260;
// The executable's own path is read with this many characters at most; a
// longer path is cut and its directory is taken from the cut text.
constexpr size_t kModulePathLimit = 128;
// The directory part is searched for its last '/' from this many characters
// before the end: the file name is taken to be at least five characters long.
constexpr size_t kFileNameReserve = 6;
// The recorded installation directory is read with this many bytes at most,
// its ending NUL included.
constexpr size_t kRecordReadLimit = 259;
static_assert(kModulePathLimit < kPathBufferSize);
static_assert(kRecordReadLimit < kPathBufferSize);

// Next to the executable: the runtime-only build of the kernel library.
constexpr char kLocalLibraryName[] = "vexrun.vxr";
// In the recorded installation directory: the full build.
constexpr char kInstalledLibraryName[] = "vexrun.vxe";
constexpr char kEntryHookName[] = "ObtainEntryHook";
constexpr int kEntryHookArgument = vx::kEntryHookSelector;

// Where the installation directory is recorded: a file under the user's home
// directory holding the line "Path=<directory>" (the "Path" value).
constexpr char kInstallRecordFile[] = ".config/Norvex/Ovra/Install";
constexpr char kInstallPathLine[] = "Path=";

// On Windows: the registry value "Path" under this key of the current user,
// opened for reading (KEY_READ).
constexpr char kInstallKey[] = "Software\\Norvex\\Ovra\\Install";
constexpr char kInstallValue[] = "Path";
constexpr unsigned long kInstallKeyAccess = 0x20019;
// MB_ICONERROR with the single OK button.
constexpr unsigned kFailureStyle = 0x10;

constexpr char kFailureText[] = "Not found the kernel library or the kernel library is invalid!";
constexpr char kFailureCaption[] = "Error";

// Shows the failure as a dialog; it lives beside the executable.
constexpr char kDialogHelperName[] = "tessaly-error-dialog";

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = -1;  // the process ends with status 255

}  // namespace launcher
