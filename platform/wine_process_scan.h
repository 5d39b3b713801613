// Finding a Windows program run under Wine among the processes of this machine (POSIX only).
//
// Each process under procRoot (normally "/proc") whose command line names the program, e.g.
// "C:\LFS\LFS.exe", in its first or second argument (the second when it was started as
// "wine LFS.exe") is looked at in ascending process id order. A drive path is mapped through the
// process's Wine prefix (WINEPREFIX from its environment, else its HOME's ".wine", else
// fallbackPrefix): "<prefix>/dosdevices/c:" followed by the rest, matched without regard to case
// as Wine does. A Unix path is taken as it is, a relative one from the process's working
// directory. The first that leads to an existing directory wins.
#pragma once

#include <string>

namespace plat {

// exeName is compared without regard to case. The directory ends with '/'.
bool FindWineProgramDirectory(const std::string& procRoot, const std::string& fallbackPrefix,
                              const std::string& exeName, std::string* directory);

}  // namespace plat
