// Finding the directory of the running racing simulator.
//
// Windows: the top-level window titled exactly "Live for Speed", the process that owns it, and
// the first module of that process (32-bit modules included, the simulator may be a 32-bit
// program) whose name and path end in ".exe". POSIX: the simulator runs under Wine, so the
// processes are scanned for a Windows program "LFS.exe" and its Windows path is mapped through its
// Wine prefix. Either may find nothing.
#pragma once

#include <string>

namespace plat {

// The directory of the simulator's executable, ending with kPathSep; false when not found.
bool FindRunningSimulator(std::string* directory);

}  // namespace plat
