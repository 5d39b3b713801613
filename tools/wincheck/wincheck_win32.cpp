// wincheck: looks at the windows of another Win32 program, for whole-program tests under Wine.
//
//   wincheck find TITLE [TIMEOUT_MS]   waits for a dialog (class #32770) with this caption
//   wincheck dump TITLE EXE ID         the dialog and its controls, one line each:
//                                      id class "text" x y w h style visible enabled
//                                      (positions and sizes in dialog units of template ID
//                                      in EXE)
//   wincheck text TITLE ID             the text of one control
//   wincheck click TITLE ID            presses a button and waits until it has been handled
//   wincheck cancel TITLE              sends Cancel (as Esc would)
//   wincheck resource EXE ID           whether EXE holds dialog resource ID
//   wincheck launch EXE                starts EXE as Explorer does (from a process without a
//                                      console) and prints its process id
//   wincheck toplevel                  the visible top-level windows, one line each:
//                                      pid class "title"
//   wincheck console-run EXE EVENT OUT starts EXE on this process's console; once the named event
//                                      EVENT is set, sends Ctrl+C to the console and waits for
//                                      EXE to end; writes "exit N" (or "running") to the file OUT
//   wincheck signal EVENT              sets the named event EVENT
// Exit status 0 on success, 1 when the window, control or resource is not there.
// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kConsoleRunWaitMs = 120000;  // for the event that asks for Ctrl+C
constexpr DWORD kCtrlCEndWaitMs = 20000;     // for the program to end after it

// The named event both console-run and signal open (whichever comes first creates it).
HANDLE NamedEvent(const char* name) { return CreateEventA(nullptr, TRUE, FALSE, name); }

// Explorer is a process without a console: a console program it starts gets a console window of
// its own, a GUI program gets none.
int Launch(const char* exe) {
  FreeConsole();
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = exe;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&info) || info.hProcess == nullptr) return 1;
  std::printf("%lu\n", GetProcessId(info.hProcess));
  CloseHandle(info.hProcess);
  return 0;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
  if (!IsWindowVisible(window)) return TRUE;
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  std::printf("%lu %s \"%s\"\n", pid, cls, title);
  return TRUE;
}

// The Ctrl+C this process sends reaches itself too; it stays to report.
BOOL WINAPI IgnoreControl(DWORD) { return TRUE; }

int ConsoleRun(const char* exe, const char* eventName, const char* outPath) {
  SetConsoleCtrlHandler(IgnoreControl, TRUE);
  HANDLE event = NamedEvent(eventName);
  char commandLine[MAX_PATH + 3] = {};
  std::snprintf(commandLine, sizeof commandLine, "\"%s\"", exe);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (event == nullptr || !CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process)) {
    return 1;
  }
  const HANDLE waits[2] = {event, process.hProcess};
  if (WaitForMultipleObjects(2, waits, FALSE, kConsoleRunWaitMs) == WAIT_OBJECT_0) {
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    WaitForSingleObject(process.hProcess, kCtrlCEndWaitMs);
  }
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process.hProcess, &code);
  FILE* out = std::fopen(outPath, "w");
  if (out == nullptr) return 1;
  if (code == STILL_ACTIVE) {
    std::fputs("running\n", out);
  } else {
    std::fprintf(out, "exit %lu\n", code);
  }
  std::fclose(out);
  return 0;
}

HWND FindDialog(const char* title) { return FindWindowA("#32770", title); }

// Converts pixels of the dialog's client area to dialog units with the dialog's own base units.
struct Scale {
  long pxX = 1, pxY = 1;  // pixels for 1000 dialog units
  long ToDuX(long px) const { return (px * 1000 + pxX / 2) / pxX; }
  long ToDuY(long px) const { return (px * 1000 + pxY / 2) / pxY; }
};

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Dialog units belong to the dialog's font, and MapDialogRect only works on dialogs of this
// process: the scale comes from a hidden copy of the same dialog template.
Scale ScaleOf(const char* exe, int templateId) {
  RECT r = {0, 0, 1000, 1000};
  HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HWND copy = module == nullptr ? nullptr
                                : CreateDialogParamA(module, MAKEINTRESOURCEA(templateId), nullptr,
                                                     QuietDialog, 0);
  if (copy != nullptr) {
    MapDialogRect(copy, &r);
    DestroyWindow(copy);
  }
  if (module != nullptr) FreeLibrary(module);
  Scale s;
  s.pxX = r.right > 0 ? r.right : 1;
  s.pxY = r.bottom > 0 ? r.bottom : 1;
  return s;
}

void PrintText(HWND window) {
  char text[512] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  std::putchar('"');
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\n') {
      std::fputs("\\n", stdout);
    } else if (*p != '\r') {
      std::putchar(*p);
    }
  }
  std::putchar('"');
}

struct DumpContext {
  HWND dialog;
  Scale scale;
};

BOOL CALLBACK DumpChild(HWND child, LPARAM param) {
  const auto* ctx = reinterpret_cast<const DumpContext*>(param);
  if (GetParent(child) != ctx->dialog) return TRUE;
  char cls[64] = {};
  GetClassNameA(child, cls, sizeof(cls));
  RECT r;
  GetWindowRect(child, &r);
  POINT topLeft = {r.left, r.top};
  ScreenToClient(ctx->dialog, &topLeft);
  const int id = GetDlgCtrlID(child);
  std::printf("%d %s ", id == 0xFFFF ? -1 : id, cls);
  PrintText(child);
  const auto style = static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE));
  std::printf(" %ld %ld %ld %ld 0x%08lx %d %d\n", ctx->scale.ToDuX(topLeft.x),
              ctx->scale.ToDuY(topLeft.y), ctx->scale.ToDuX(r.right - r.left),
              ctx->scale.ToDuY(r.bottom - r.top), style, IsWindowVisible(child) ? 1 : 0,
              IsWindowEnabled(child) ? 1 : 0);
  return TRUE;
}

int Dump(HWND dialog, const char* exe, int templateId) {
  DumpContext ctx{dialog, ScaleOf(exe, templateId)};
  RECT client;
  GetClientRect(dialog, &client);
  const auto style = static_cast<unsigned long>(GetWindowLongA(dialog, GWL_STYLE));
  std::printf("dialog #32770 ");
  PrintText(dialog);
  std::printf(" 0 0 %ld %ld 0x%08lx %d %d\n", ctx.scale.ToDuX(client.right),
              ctx.scale.ToDuY(client.bottom), style, IsWindowVisible(dialog) ? 1 : 0,
              IsWindowEnabled(dialog) ? 1 : 0);
  EnumChildWindows(dialog, DumpChild, reinterpret_cast<LPARAM>(&ctx));
  return 0;
}

int Usage() {
  std::fputs(
      "usage: wincheck find|text|click|cancel TITLE [ARG] | dump TITLE EXE ID | resource EXE ID\n"
      "       wincheck launch EXE | toplevel | console-run EXE EVENT OUT | signal EVENT\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "toplevel") == 0) {
    EnumWindows(PrintTopLevel, 0);
    return 0;
  }
  if (argc < 3) return Usage();
  const char* command = argv[1];
  if (std::strcmp(command, "launch") == 0) return Launch(argv[2]);
  if (std::strcmp(command, "signal") == 0) {
    HANDLE event = NamedEvent(argv[2]);
    return event != nullptr && SetEvent(event) ? 0 : 1;
  }
  if (std::strcmp(command, "console-run") == 0) {
    return argc < 5 ? Usage() : ConsoleRun(argv[2], argv[3], argv[4]);
  }
  if (std::strcmp(command, "resource") == 0) {
    if (argc < 4) return Usage();
    HMODULE module = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return 1;
    const bool found =
        FindResourceA(module, MAKEINTRESOURCEA(std::atoi(argv[3])), MAKEINTRESOURCEA(5)) != nullptr;
    FreeLibrary(module);
    std::puts(found ? "found" : "missing");
    return found ? 0 : 1;
  }
  if (std::strcmp(command, "find") == 0) {
    const int timeout = argc > 3 ? std::atoi(argv[3]) : 10000;
    for (int waited = 0; waited <= timeout; waited += 100) {
      if (FindDialog(argv[2]) != nullptr) {
        std::puts("found");
        return 0;
      }
      Sleep(100);
    }
    std::puts("not found");
    return 1;
  }
  HWND dialog = FindDialog(argv[2]);
  if (dialog == nullptr) {
    std::fprintf(stderr, "wincheck: no dialog \"%s\"\n", argv[2]);
    return 1;
  }
  if (std::strcmp(command, "dump") == 0) {
    if (argc < 5) return Usage();
    return Dump(dialog, argv[3], std::atoi(argv[4]));
  }
  if (std::strcmp(command, "cancel") == 0) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  if (argc < 4) return Usage();
  HWND control = GetDlgItem(dialog, std::atoi(argv[3]));
  if (control == nullptr) return 1;
  if (std::strcmp(command, "text") == 0) {
    char text[512] = {};
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    std::puts(text);
    return 0;
  }
  if (std::strcmp(command, "click") == 0) {
    // The dialog handles the click before SendMessage returns.
    SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), BN_CLICKED),
                        reinterpret_cast<LPARAM>(control), SMTO_ABORTIFHUNG, 10000, nullptr);
    return 0;
  }
  return Usage();
}
