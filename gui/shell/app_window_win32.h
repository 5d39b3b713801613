// The GUI client's main window on Win32: window class "MORVANE", the menu, accelerators and
// toolbar, the 10 ms timer that drives the link and the repaints, the map painted through a
// memory bitmap, and the dialogs. The logic behind commands, states and map is portable
// (Shell, MapView, ClientModel); this file only connects it to the window system.
#pragma once

// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

namespace gui {

// Registers the class, creates and shows the window and runs the message loop; the exit code
// (0 also when the window could not be created).
int RunMorvaneView(HINSTANCE instance, int showCommand);

}  // namespace gui
