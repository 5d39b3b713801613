#include "gui/shell/app_window_win32.h"

#include <commctrl.h>

#include <string>

#include "gui/dialogs/dialogs_win32.h"
#include "gui/mapview/gdi_canvas_win32.h"
#include "gui/mapview/map_view.h"
#include "gui/model/client_model.h"
#include "gui/resources/resource_ids.h"
#include "gui/shell/link_title.h"
#include "gui/shell/shell_commands.h"
#include "gui/shell/toolbar_tips.h"
#include "gui/shell/view_options.h"
#include "link/link_client.h"
#include "platform/net.h"
#include "platform/settings_store.h"
#include "platform/thread.h"

namespace gui {

namespace {

constexpr int kTitleLength = 100;
constexpr UINT kTimerMs = 10;
constexpr int kToolbarImages = 5;  // as the toolbar was always created; the bitmap holds 11

// Menu and toolbar of the main window.
class WindowUi final : public CommandUi {
 public:
  void attach(HWND window, HWND toolbar) {
    window_ = window;
    toolbar_ = toolbar;
  }
  void enableButton(int id, bool on) override {
    if (toolbar_ != nullptr) SendMessageA(toolbar_, TB_ENABLEBUTTON, id, MAKELONG(on ? 1 : 0, 0));
  }
  void checkButton(int id, bool on) override {
    if (toolbar_ != nullptr) SendMessageA(toolbar_, TB_CHECKBUTTON, id, MAKELONG(on ? 1 : 0, 0));
  }
  void enableMenuItem(int id, bool on) override {
    if (HMENU menu = GetMenu(window_)) {
      EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    }
  }
  void checkMenuItem(int id, bool on) override {
    if (HMENU menu = GetMenu(window_)) {
      CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
  }

 private:
  HWND window_ = nullptr;
  HWND toolbar_ = nullptr;
};

class App final : public ShellHost, public MapActions {
 public:
  App()
      : link(clock), model(clock, link.toDirector()), shell(model, ui, *this), view(model, *this) {}

  // ShellHost
  bool linkRunning() override { return link.Running(); }
  bool stopLink() override { return link.StopLinkClient(model); }
  bool releaseEndedLink() override { return link.ReleaseIfFinished(); }
  bool runConnectDialog() override { return RunConnectDialog(instance, window, link) == IDOK; }
  void runInfoDialog() override { RunInfoDialog(instance, window); }
  void runEditCameraDialog() override { RunEditCameraDialog(instance, window, model); }
  void closeWindow() override { DestroyWindow(window); }
  void showMessage(const char* text, const char* caption) override {
    MessageBoxA(window, text, caption, MB_OK);
  }

  // MapActions
  void invalidateMap() override {
    RECT r;
    if (!GetClientRect(window, &r)) return;
    r.top += toolbarHeight;
    InvalidateRect(window, &r, FALSE);
  }
  void takeManualControl() override { shell.takeManualControl(); }

  void createToolbar(HWND w);
  void paint();
  void showLinkState();
  bool toolbarTip(NMHDR* header);

  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  HWND toolbar = nullptr;
  int toolbarHeight = 0;
  std::string appTitle;    // string 103, shown alone while the link is stopped
  std::string shownTitle;  // what the title bar holds now
  plat::SystemClock clock;
  glink::LinkClient link;
  ClientModel model;
  WindowUi ui;
  Shell shell;
  MapView view;
};

App* g_app = nullptr;  // the one window's state, for the window procedure

void App::createToolbar(HWND w) {
  InitCommonControls();
  TBBUTTON buttons[12] = {};
  struct Spec {
    int image;  // -1: separator
    int command;
    bool enabled;
  };
  const Spec specs[12] = {{-1, 0, false},
                          {0, IDM_CONNECT, true},
                          {1, IDM_EDIT_CAMERAS, false},
                          {2, IDM_MANUAL_CONTROL, false},
                          {-1, 0, false},
                          {5, IDM_ZOOM_IN, false},
                          {6, IDM_ZOOM_OUT, false},
                          {7, IDM_ZOOM_FIT, false},
                          {-1, 0, false},
                          {8, IDM_FRONT_CAM, false},
                          {9, IDM_INCAR_CAM, false},
                          {10, IDM_REAR_CAM, false}};
  for (int i = 0; i < 12; ++i) {
    if (specs[i].image < 0) {
      buttons[i].fsStyle = BTNS_SEP;
      continue;
    }
    buttons[i].iBitmap = specs[i].image;
    buttons[i].idCommand = specs[i].command;
    buttons[i].fsState = specs[i].enabled ? TBSTATE_ENABLED : 0;
    buttons[i].fsStyle = BTNS_BUTTON;
  }
  toolbar = CreateToolbarEx(w, WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS, IDC_TOOLBAR,
                            kToolbarImages, instance, IDB_TOOLBAR, buttons, 12, 0, 0, 16, 15,
                            sizeof(TBBUTTON));
  toolbarHeight = 0;
  if (toolbar != nullptr) {
    RECT r;
    GetWindowRect(toolbar, &r);
    toolbarHeight = r.bottom - r.top - 1;
  }
  ui.attach(w, toolbar);
}

void App::showLinkState() {
  std::string title =
      LinkTitle(appTitle.c_str(), StatusOf(link, clock.Now()), model.shotReason.text);
  if (title == shownTitle) return;
  shownTitle = std::move(title);
  SetWindowTextA(window, shownTitle.c_str());
}

// The toolbar asks for a button's tip when the pointer rests on it; idFrom is the command id.
bool App::toolbarTip(NMHDR* header) {
  const char* tip = ToolbarTip(static_cast<int>(header->idFrom));
  if (tip == nullptr) return false;
  if (header->code == TTN_GETDISPINFOA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    lstrcpynA(info->szText, tip, static_cast<int>(sizeof info->szText));
    return true;
  }
  if (header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    const int room = static_cast<int>(sizeof info->szText / sizeof info->szText[0]);
    MultiByteToWideChar(CP_ACP, 0, tip, -1, info->szText, room);
    info->szText[room - 1] = L'\0';
    return true;
  }
  return false;
}

void App::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  SetViewportOrgEx(dc, 0, toolbarHeight, nullptr);
  RECT client;
  GetClientRect(window, &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top - toolbarHeight;
  if (width > 0 && height > 0) {
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    if (memory != nullptr && bitmap != nullptr) {
      HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
      {
        GdiCanvas canvas(memory, width, height);
        view.paintMap(canvas, width, height);
      }
      BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
      SelectObject(memory, oldBitmap);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    if (memory != nullptr) DeleteDC(memory);
  }
  EndPaint(window, &ps);
}

// Map coordinates of a mouse message: below the toolbar, 16-bit as the message carries them.
int MouseX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int MouseY(LPARAM lParam, int toolbarHeight) {
  return static_cast<short>(HIWORD(lParam) - toolbarHeight);
}

LRESULT CALLBACK WindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  App& app = *g_app;
  switch (message) {
    case WM_CREATE:
      app.window = w;
      plat::NetStartup();
      app.createToolbar(w);
      return 0;
    case WM_DESTROY:
      KillTimer(w, IDT_LINK_TIMER);
      app.link.StopLinkClient(app.model);
      app.model.track.reset();
      if (app.toolbar != nullptr) DestroyWindow(app.toolbar);
      app.toolbar = nullptr;
      app.ui.attach(w, nullptr);
      plat::NetCleanup();
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && app.model.track && app.model.track->nodesReceived > 0) {
        fitView(app.model, *app.model.track, LOWORD(lParam), HIWORD(lParam) - app.toolbarHeight);
      }
      if (app.toolbar != nullptr) SendMessageA(app.toolbar, WM_SIZE, wParam, lParam);
      return 0;
    case WM_PAINT:
      app.paint();
      return 0;
    case WM_ERASEBKGND: {
      // The map is never erased (the double buffer covers it). A toolbar that leaves its
      // background to its parent, as some common-controls versions do, gets the button face.
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (app.toolbar != nullptr && WindowFromDC(dc) == app.toolbar) {
        RECT r;
        if (GetClipBox(dc, &r) != ERROR) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      }
      return 1;
    }
    case WM_COMMAND:
      if (app.shell.onCommand(LOWORD(wParam))) return 0;
      break;
    case WM_TIMER:
      if (wParam != IDT_LINK_TIMER) break;
      app.link.DispatchLinkMessages(app.model);
      if (app.model.takeRedraw()) app.invalidateMap();
      app.shell.afterDispatch();
      app.showLinkState();
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW) {
        if (app.toolbarTip(header)) return 0;
      }
      break;
    }
    case WM_MOUSEMOVE:
      app.view.onMapMouseMove(MouseX(lParam), MouseY(lParam, app.toolbarHeight));
      return 0;
    case WM_LBUTTONDOWN:
      app.view.onMapButtonDown(MouseX(lParam), MouseY(lParam, app.toolbarHeight));
      // Keep the drag's release even when the pointer leaves the window.
      if (app.view.band().active()) SetCapture(w);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == w) ReleaseCapture();
      app.view.onMapButtonUp();
      return 0;
    case WM_LBUTTONDBLCLK:
      app.view.onMapDoubleClick(MouseX(lParam), MouseY(lParam, app.toolbarHeight));
      return 0;
  }
  return DefWindowProcA(w, message, wParam, lParam);
}

}  // namespace

int RunMorvaneView(HINSTANCE instance, int showCommand) {
  static App app;
  g_app = &app;
  app.instance = instance;

  char title[kTitleLength] = {};
  char className[kTitleLength] = {};
  LoadStringA(instance, IDS_APP_TITLE, title, kTitleLength);
  LoadStringA(instance, IDC_MORVANE, className, kTitleLength);
  app.appTitle = title;
  app.shownTitle = title;
  {
    plat::SettingsKey key;
    app.view.setPickRadius(LoadPickRadius(key));
  }

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MORVANE));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszMenuName = MAKEINTRESOURCEA(IDC_MORVANE);
  wc.lpszClassName = className;
  RegisterClassExA(&wc);

  HWND window = CreateWindowA(className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                              CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 0;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  SetTimer(window, IDT_LINK_TIMER, kTimerMs, nullptr);

  HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_MORVANE));
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace gui
