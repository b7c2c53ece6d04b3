#pragma once

// Where the program finds its own files and keeps the user's.
// Every folder follows the environment, so tests run in temporary folders:
//   program folder  QUILLON_PROGRAM_DIR, else the folder of the running executable
//   data folder     $XDG_DATA_HOME/Quillon (default ~/.local/share/Quillon)
//   config folder   $XDG_CONFIG_HOME/Quillon (default ~/.config/Quillon)
//   runtime folder  $XDG_RUNTIME_DIR/Quillon, else /tmp/Quillon-<uid>

#include <sys/types.h>

#include <filesystem>

#include "platform/result.h"

namespace platform {

namespace fs = std::filesystem;

fs::path ProgramFolder();
fs::path DataFolder();
fs::path ConfigFolder();

// Creates the runtime folder (mode 0700) when missing. A folder that is not a
// real directory, is owned by another user or can be reached by others is refused:
// the single-instance lock and the message bus live there.
Result<fs::path> RuntimeFolder();

// Checks an existing folder the way RuntimeFolder does, against the given owner.
Status CheckPrivateFolder(const fs::path& folder, uid_t owner);

// Creates a folder and its parents; true when it exists afterwards.
bool EnsureFolder(const fs::path& folder);

// True for a name that is safe as one file name: not empty, no path
// separator, not "." or "..", no NUL.
bool IsSafeFileName(std::string_view name);

}  // namespace platform
