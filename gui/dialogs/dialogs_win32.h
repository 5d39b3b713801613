// The GUI client's three modal dialogs on Win32: Connect (remembers the address in the settings
// key and starts the link), Edit Camera (for the model's selected camera) and Info. The checks
// behind them live in connect_logic and edit_camera_logic.
#pragma once

// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include "gui/model/client_model.h"
#include "link/link_client.h"

namespace gui {

// IDOK after the link was started or tried, IDCANCEL otherwise.
INT_PTR RunConnectDialog(HINSTANCE instance, HWND owner, glink::LinkClient& link);
// IDOK, IDCANCEL or IDC_DELETE_CAM.
INT_PTR RunEditCameraDialog(HINSTANCE instance, HWND owner, ClientModel& model);
INT_PTR RunInfoDialog(HINSTANCE instance, HWND owner);

}  // namespace gui
