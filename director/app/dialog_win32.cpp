#include "director/app/dialog_win32.h"

// clang-format off
#include <winsock2.h>  // before windows.h
#include <windows.h>
// clang-format on

#include "director/app/host.h"
#include "director/app/resource.h"

namespace director {

namespace {

constexpr int kTextBuffer = 256;
// Posted by the CloseRelay for a close asked for on another thread (a console control event).
constexpr UINT kMsgRelayedClose = WM_APP + 1;

class Win32Controls final : public DialogControls {
 public:
  void Attach(HWND dialog) { dialog_ = dialog; }

  std::string GetText(int id) override {
    char text[kTextBuffer] = {};
    GetDlgItemTextA(dialog_, id, text, kTextBuffer);
    return text;
  }
  void SetText(int id, const std::string& text) override {
    SetDlgItemTextA(dialog_, id, text.c_str());
  }
  bool IsChecked(int id) override { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
  void SetChecked(int id, bool checked) override {
    CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  void Enable(int id, bool enabled) override {
    EnableWindow(GetDlgItem(dialog_, id), enabled ? TRUE : FALSE);
  }
  void FillList(int id, const char* const* entries, int count) override {
    SendDlgItemMessageA(dialog_, id, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
      SendDlgItemMessageA(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entries[i]));
    }
  }
  void SetSelection(int id, int index) override {
    SendDlgItemMessageA(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  int GetSelection(int id) override {
    return static_cast<int>(SendDlgItemMessageA(dialog_, id, CB_GETCURSEL, 0, 0));
  }
  void ShowMessage(const char* text, const char* caption, MessageKind kind) override {
    MessageBoxA(dialog_, text, caption,
                MB_OK | (kind == MessageKind::kWarning ? MB_ICONWARNING : 0));
  }
  void EndDialog() override { ::EndDialog(dialog_, 0); }

 private:
  HWND dialog_ = nullptr;
};

struct DialogState final : CloseTarget {
  DialogState(DirectorApp& app, CloseRelay& closeRelay)
      : host(app.MakeHost(controls)), relay(closeRelay) {}
  void PostClose() override { PostMessageA(dialog, kMsgRelayedClose, 0, 0); }
  // The Close path for an ending that did not come through the dialog's own buttons.
  void CloseFromOutside() {
    if (!relay.TakeClose()) return;
    host.CloseQuietly();
    relay.CloseFinished();
  }

  Win32Controls controls;
  DirectorHost host;
  CloseRelay& relay;
  HWND dialog = nullptr;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DialogState*>(lParam);
      SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
      state->controls.Attach(dialog);
      state->dialog = dialog;
      // The password field holds what the init packet can carry.
      SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, kPasswordChars, 0);
      state->host.InitDialog();
      HINSTANCE instance = GetModuleHandleA(nullptr);
      HICON big = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), 0));
      HICON small = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0));
      SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
      SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
      // Only now can a close from another thread reach the dialog, and the link may be running.
      state->relay.DialogOpened(*state);
      return TRUE;
    }
    case kMsgRelayedClose:
      if (state != nullptr) state->CloseFromOutside();
      return TRUE;
    case WM_ENDSESSION:
      // Log-off or shutdown reach a program without a console only here; the process may end
      // right after this returns.
      if (state != nullptr && wParam != FALSE) state->CloseFromOutside();
      return TRUE;
    case WM_COMMAND:
      if (state == nullptr) return FALSE;
      if (LOWORD(wParam) == IDCANCEL) {
        state->host.OnCancel();
      } else {
        state->host.OnCommand(LOWORD(wParam), HIWORD(wParam));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void RunMainDialog(DirectorApp& app, CloseRelay& relay) {
  DialogState state(app, relay);
  DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, DialogProc,
                  reinterpret_cast<LPARAM>(&state));
  relay.DialogEnded();
}

}  // namespace director
