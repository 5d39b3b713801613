#include "director/app/console_attach_win32.h"

// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include <cstdio>

namespace director {

namespace {

CloseRelay* g_relay = nullptr;

// A handle that leads to a file or a pipe: the user redirected the stream, which stays so.
bool Redirected(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Runs on a thread of its own. The process ends when this returns from a close, log-off or
// shutdown event, so it returns only once the dialog has closed (or the wait ran out).
BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (g_relay != nullptr) g_relay->RequestClose(kConsoleCloseWaitMs);
      return TRUE;
    default:
      return FALSE;
  }
}

// Points the stream at the console unless the user redirected it. Should that fail, the stream
// stays as it was and its lines go nowhere, as for a program started without a console.
void ToConsole(DWORD handle, FILE* stream) {
  if (Redirected(handle)) return;
  FILE* reopened = std::freopen("CONOUT$", "w", stream);
  static_cast<void>(reopened);
}

}  // namespace

bool AttachParentConsole() {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  ToConsole(STD_OUTPUT_HANDLE, stdout);
  ToConsole(STD_ERROR_HANDLE, stderr);
  return true;
}

void InstallConsoleCloseHandler(CloseRelay& relay) {
  g_relay = &relay;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace director
