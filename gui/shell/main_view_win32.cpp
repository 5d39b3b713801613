// Entry of the GUI client morvaneview.exe.
#include <winsock2.h>
#include <windows.h>

#include "gui/shell/app_window_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return gui::RunMorvaneView(instance, showCommand);
}
