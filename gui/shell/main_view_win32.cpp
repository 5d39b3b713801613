// Entry of the GUI client morvaneview.exe.
// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include "gui/shell/app_window_win32.h"

// The parameter names follow the system's declaration of WinMain.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCmd) {
  return gui::RunMorvaneView(hInstance, nShowCmd);
}
