// viewcheck: looks at and drives the GUI client's main window from another process, for the
// whole-program check of morvaneview.exe under Wine.
//
// TITLE matches a top-level window whose title is TITLE, or TITLE followed by " - " and more (the
// main window shows the link's state there).
//
//   viewcheck find TITLE TIMEOUT_MS      waits for a top-level window with this title
//   viewcheck class TITLE                its window class name
//   viewcheck menu TITLE EXE             menu resource 109 of EXE, one line per item:
//                                        id "text" [grayed] [checked]; POPUP "text"; SEPARATOR
//   viewcheck toolbar TITLE              the toolbar: "count N", then per command button
//                                        "id enabled checked"
//   viewcheck client TITLE               client width and height, the toolbar's height and the
//                                        client area's top left corner on the screen
//   viewcheck command TITLE ID           posts the menu command ID
//   viewcheck press TITLE ID             presses button ID of the dialog with this title
//   viewcheck text TITLE ID              the text of control ID of the dialog with this title
//   viewcheck click TITLE X Y [double]   a left click at client pixel (X, Y)
//   viewcheck title TITLE                the window's whole title
//   viewcheck rect TITLE                 the window's screen rectangle: left top right bottom
//   viewcheck focus TITLE                the id of the control that has the keyboard focus
// Exit status 0 on success, 1 when the window or control is not there.
// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct TopSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchTop(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TopSearch*>(param);
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  const std::size_t n = std::strlen(search->title);
  if (std::strncmp(text, search->title, n) != 0 || std::strncmp(text + n, " - ", 3) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

HWND FindTop(const char* title) {
  if (HWND exact = FindWindowA(nullptr, title)) return exact;
  TopSearch search{title, nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Find(const char* title, long timeoutMs) {
  for (long waited = 0; waited <= timeoutMs; waited += 100) {
    if (FindTop(title) != nullptr) {
      std::puts("found");
      return 0;
    }
    Sleep(100);
  }
  std::puts("missing");
  return 1;
}

// The menu resource is read from the program file: menus are not shared between processes under
// every Win32 implementation (Wine keeps them per process), the resource is.
void PrintMenu(HMENU menu, int depth) {
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    std::printf("%*s", depth * 2, "");
    if (info.fType & MFT_SEPARATOR) {
      std::puts("SEPARATOR");
    } else if (info.hSubMenu != nullptr) {
      std::printf("POPUP \"%s\"\n", text);
      PrintMenu(info.hSubMenu, depth + 1);
    } else {
      std::printf("%u \"%s\"%s%s\n", info.wID, text, (info.fState & MFS_GRAYED) ? " grayed" : "",
                  (info.fState & MFS_CHECKED) ? " checked" : "");
    }
  }
}

int Menu(const char* exe, int id) {
  HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return 1;
  HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(id));
  if (menu == nullptr) return 1;
  PrintMenu(menu, 0);
  DestroyMenu(menu);
  FreeLibrary(module);
  return 0;
}

HWND Toolbar(HWND window) { return FindWindowExA(window, nullptr, TOOLBARCLASSNAMEA, nullptr); }

int ToolbarState(HWND window) {
  HWND tb = Toolbar(window);
  if (tb == nullptr) return 1;
  DWORD_PTR count = 0;
  SendMessageTimeoutA(tb, TB_BUTTONCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
  std::printf("count %u\n", static_cast<unsigned>(count));
  const int ids[] = {32774, 32776, 32780, 32790, 32786, 32784, 32795, 32796, 32797};
  for (int id : ids) {
    DWORD_PTR enabled = 0, checked = 0;
    SendMessageTimeoutA(tb, TB_ISBUTTONENABLED, id, 0, SMTO_ABORTIFHUNG, 2000, &enabled);
    SendMessageTimeoutA(tb, TB_ISBUTTONCHECKED, id, 0, SMTO_ABORTIFHUNG, 2000, &checked);
    std::printf("%d %d %d\n", id, enabled ? 1 : 0, checked ? 1 : 0);
  }
  return 0;
}

int Client(HWND window) {
  RECT r, t = {};
  GetClientRect(window, &r);
  HWND tb = Toolbar(window);
  if (tb != nullptr) GetWindowRect(tb, &t);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  std::printf("%ld %ld %ld %ld %ld\n", r.right - r.left, r.bottom - r.top, t.bottom - t.top - 1,
              origin.x, origin.y);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* verb = argv[1];
  const char* title = argv[2];
  if (std::strcmp(verb, "find") == 0) return Find(title, argc > 3 ? std::atol(argv[3]) : 10000);
  HWND window = FindTop(title);
  if (window == nullptr) return 1;
  if (std::strcmp(verb, "class") == 0) {
    char cls[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    std::puts(cls);
    return 0;
  }
  if (std::strcmp(verb, "menu") == 0 && argc > 3) return Menu(argv[3], 109);
  if (std::strcmp(verb, "toolbar") == 0) return ToolbarState(window);
  if (std::strcmp(verb, "client") == 0) return Client(window);
  if (std::strcmp(verb, "command") == 0 && argc > 3) {
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), 0), 0) ? 0 : 1;
  }
  if (std::strcmp(verb, "press") == 0 && argc > 3) {
    int id = std::atoi(argv[3]);
    HWND control = GetDlgItem(window, id);
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control))
               ? 0
               : 1;
  }
  if (std::strcmp(verb, "text") == 0 && argc > 3) {
    HWND control = GetDlgItem(window, std::atoi(argv[3]));
    if (control == nullptr) return 1;
    char text[256] = {};
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    std::puts(text);
    return 0;
  }
  if (std::strcmp(verb, "title") == 0) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    std::puts(text);
    return 0;
  }
  if (std::strcmp(verb, "rect") == 0) {
    RECT r;
    if (!GetWindowRect(window, &r)) return 1;
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (std::strcmp(verb, "focus") == 0) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return 1;
    std::printf("%d\n", info.hwndFocus != nullptr ? GetDlgCtrlID(info.hwndFocus) : 0);
    return 0;
  }
  if (std::strcmp(verb, "click") == 0 && argc > 4) {
    LPARAM at = MAKELPARAM(std::atoi(argv[3]), std::atoi(argv[4]));
    bool twice = argc > 5 && std::strcmp(argv[5], "double") == 0;
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
    if (twice) {
      PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      PostMessageA(window, WM_LBUTTONUP, 0, at);
    }
    return 0;
  }
  return 2;
}
