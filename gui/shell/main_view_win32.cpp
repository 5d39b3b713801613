// Entry of the GUI client morvaneview.exe.
// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include "gui/shell/app_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return gui::RunMorvaneView(instance, showCommand);
}
