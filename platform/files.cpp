// File helpers shared by both platforms.
#include "platform/files.h"

namespace plat {

std::string NativePath(std::string_view windowsSpelling) {
  std::string path(windowsSpelling);
  if (kPathSep != '\\') {
    for (char& c : path) {
      if (c == '\\') c = kPathSep;
    }
  }
  return path;
}

}  // namespace plat
