// The system's own profile reader.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <cstring>
#include <string>
#include <string_view>

#include "platform/profile.h"

namespace plat {

namespace {

// A bare file name would be looked for in the Windows directory; like everywhere else it means
// the current directory.
std::string FullPath(const char* path) {
  std::string p = path;
  if (p.find_first_of("\\/") == std::string::npos) p = ".\\" + p;
  return p;
}

std::size_t CopyCut(std::string_view v, char* buf, std::size_t size) {
  const std::size_t n = v.size() < size - 1 ? v.size() : size - 1;
  if (n > 0) std::memcpy(buf, v.data(), n);
  buf[n] = '\0';
  return n;
}

}  // namespace

std::size_t ProfileGetString(const char* section, const char* key, const char* def, char* buf,
                             std::size_t size, const char* path) {
  if (buf == nullptr || size == 0) return 0;
  if (section == nullptr || key == nullptr || path == nullptr) {
    // Without a name the system call would list names instead; answer with the default as the
    // system would for a missing key.
    std::string_view d = def != nullptr ? def : "";
    while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
    if (d.size() >= 2 && (d.front() == '"' || d.front() == '\'') && d.back() == d.front()) {
      d = d.substr(1, d.size() - 2);
    }
    return CopyCut(d, buf, size);
  }
  if (size > 0x7FFFFFF0u) size = 0x7FFFFFF0u;
  // One character more than asked: some versions of the call lose the last character of a quoted
  // value that exactly fills the buffer. Cutting the longer answer ourselves is always right.
  std::string room(size + 1, '\0');
  const DWORD n = GetPrivateProfileStringA(section, key, def, room.data(),
                                           static_cast<DWORD>(size + 1), FullPath(path).c_str());
  return CopyCut(std::string_view(room.data(), n), buf, size);
}

unsigned ProfileGetInt(const char* section, const char* key, int def, const char* path) {
  if (section == nullptr || key == nullptr || path == nullptr) return static_cast<unsigned>(def);
  return GetPrivateProfileIntA(section, key, def, FullPath(path).c_str());
}

}  // namespace plat
