#include "gui/dialogs/dialogs_win32.h"

#include "gui/dialogs/connect_logic.h"
#include "gui/dialogs/dialog_placement.h"
#include "gui/dialogs/edit_camera_logic.h"
#include "gui/resources/resource_ids.h"
#include "platform/settings_store.h"

namespace gui {

namespace {

constexpr int kFieldText = 50;  // the edit fields are read up to 49 characters

void Warn(HWND dialog, const char* text) {
  MessageBoxA(dialog, text, kCaptionMorvane, MB_OK | MB_ICONEXCLAMATION);
}

// Opens the dialog over the middle of the main window rather than where the system puts it.
void CentreOnOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT o, d;
  if (owner == nullptr || !GetWindowRect(owner, &o) || !GetWindowRect(dialog, &d)) return;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& w = monitor.rcWork;
  const ScreenPoint at = CentreOn({o.left, o.top, o.right, o.bottom}, d.right - d.left,
                                  d.bottom - d.top, {w.left, w.top, w.right, w.bottom});
  SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Connect ---

void EnableIpField(HWND dialog) {
  bool remote = IsDlgButtonChecked(dialog, IDC_REMOTE) == BST_CHECKED;
  EnableWindow(GetDlgItem(dialog, IDC_IP_ADDRESS), remote ? TRUE : FALSE);
}

void ConnectOk(HWND dialog, glink::LinkClient& link) {
  char ip[kFieldText] = {};
  char port[kFieldText] = {};
  GetDlgItemTextA(dialog, IDC_IP_ADDRESS, ip, sizeof ip);
  GetDlgItemTextA(dialog, IDC_PORT, port, sizeof port);
  ConnectCheck check =
      CheckConnect(IsDlgButtonChecked(dialog, IDC_REMOTE) == BST_CHECKED, ip, port);
  if (check.message != nullptr) {
    Warn(dialog, check.message);
    return;
  }
  plat::SettingsKey key;
  StoreConnectValues(key, check.values);  // a key that cannot be written is not reported
  link.SetServer(check.address, check.port);
  if (!link.StartLinkClient()) MessageBoxA(dialog, kMsgThreadFailed, kCaptionError, MB_OK);
  EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK ConnectProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      plat::SettingsKey key;
      ConnectValues v = LoadConnectValues(key);
      SendDlgItemMessageA(dialog, IDC_IP_ADDRESS, EM_LIMITTEXT, kIpTextSize - 1, 0);
      SetDlgItemTextA(dialog, IDC_IP_ADDRESS, v.ip);
      SetDlgItemInt(dialog, IDC_PORT, v.port, FALSE);
      CheckDlgButton(dialog, IDC_REMOTE, v.remote != 0 ? BST_CHECKED : BST_UNCHECKED);
      EnableIpField(dialog);
      CentreOnOwner(dialog);
      return TRUE;
    }
    case WM_COMMAND: {
      auto* link = reinterpret_cast<glink::LinkClient*>(GetWindowLongPtrA(dialog, DWLP_USER));
      switch (LOWORD(wParam)) {
        case IDC_REMOTE:
          EnableIpField(dialog);
          return TRUE;
        case IDOK:
          ConnectOk(dialog, *link);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
    }
  }
  return FALSE;
}

// --- Edit Camera ---

INT_PTR CALLBACK EditCameraProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* session = reinterpret_cast<EditCameraSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      session = reinterpret_cast<EditCameraSession*>(lParam);
      SendDlgItemMessageA(dialog, IDC_CAM_HEIGHT, EM_LIMITTEXT, kFieldText - 1, 0);
      if (session->valid()) {
        const EditCameraTexts& t = session->texts();
        SetDlgItemTextA(dialog, IDC_CAM_X, t.x);
        SetDlgItemTextA(dialog, IDC_CAM_Y, t.y);
        SetDlgItemTextA(dialog, IDC_CAM_HEIGHT, t.height);
        SetDlgItemTextA(dialog, IDC_CAM_POSITION, t.position);
        SetDlgItemTextA(dialog, IDC_START_NODE, t.start);
        SetDlgItemTextA(dialog, IDC_END_NODE, t.end);
        SetDlgItemTextA(dialog, IDC_NODES_GROUP, t.nodesCaption);
      }
      // X and Y only show where the camera stands: the height is the first field to change.
      SetFocus(GetDlgItem(dialog, IDC_CAM_HEIGHT));
      SendDlgItemMessageA(dialog, IDC_CAM_HEIGHT, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          char start[kFieldText] = {}, end[kFieldText] = {}, height[kFieldText] = {};
          GetDlgItemTextA(dialog, IDC_START_NODE, start, sizeof start);
          GetDlgItemTextA(dialog, IDC_END_NODE, end, sizeof end);
          GetDlgItemTextA(dialog, IDC_CAM_HEIGHT, height, sizeof height);
          EditOutcome o = session->ok(start, end, height);
          if (o.result == EditResult::kRefused) {
            Warn(dialog, o.message);
          } else {
            EndDialog(dialog, o.result == EditResult::kApplied ? IDOK : IDCANCEL);
          }
          return TRUE;
        }
        case IDC_DELETE_CAM: {
          DeleteResult r = session->deleteCamera([dialog] {
            return MessageBoxA(dialog, kMsgConfirmDelete, kCaptionMorvane, MB_YESNO) == IDYES;
          });
          if (r == DeleteResult::kDeleted) EndDialog(dialog, IDC_DELETE_CAM);
          if (r == DeleteResult::kGone) EndDialog(dialog, IDCANCEL);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

// --- Info ---

INT_PTR CALLBACK InfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreOnOwner(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR RunConnectDialog(HINSTANCE instance, HWND owner, glink::LinkClient& link) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONNECT), owner, ConnectProc,
                         reinterpret_cast<LPARAM>(&link));
}

INT_PTR RunEditCameraDialog(HINSTANCE instance, HWND owner, ClientModel& model) {
  EditCameraSession session(model);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_EDIT_CAMERA), owner, EditCameraProc,
                         reinterpret_cast<LPARAM>(&session));
}

INT_PTR RunInfoDialog(HINSTANCE instance, HWND owner) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, InfoProc, 0);
}

}  // namespace gui
