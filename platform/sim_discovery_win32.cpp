// Discovery through the simulator's window and the module list of its process.
// winsock2.h before windows.h, which would otherwise bring in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
// tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include <cstring>
#include <string>

#include "platform/sim_discovery.h"

namespace plat {

namespace {

bool EndsWithExe(const char* s) {
  const std::size_t n = std::strlen(s);
  return n >= 4 && _stricmp(s + n - 4, ".exe") == 0;
}

}  // namespace

bool FindRunningSimulator(std::string* directory) {
  if (directory == nullptr) return false;
  HWND window = FindWindowA(nullptr, "Live for Speed");
  if (window == nullptr) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == 0) return false;
  // The simulator may be a 32-bit program: ask for its 32-bit modules too. A snapshot taken while
  // the process is loading modules may fail with ERROR_BAD_LENGTH and is worth another try.
  HANDLE snap = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 5 && snap == INVALID_HANDLE_VALUE; ++attempt) {
    snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    if (snap == INVALID_HANDLE_VALUE && GetLastError() != ERROR_BAD_LENGTH) break;
  }
  if (snap == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  MODULEENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snap, &entry); more; more = Module32Next(snap, &entry)) {
    if (!EndsWithExe(entry.szModule) || !EndsWithExe(entry.szExePath)) continue;
    std::string path(entry.szExePath);
    const std::string::size_type slash = path.rfind('\\');
    if (slash != std::string::npos) {
      path.resize(slash + 1);
      *directory = path;
      found = true;
    }
    break;
  }
  CloseHandle(snap);
  return found;
}

}  // namespace plat
