// The logic of the director's main dialog, free of any window system.
//
// DirectorHost drives a DialogControls (the Win32 dialog, the console front end, or a fake in
// tests): it fills the controls from the stored settings, validates and applies them, saves them
// on Start and Close (never on Cancel), and starts and stops the two worker threads. With GUI
// access on, Start starts the GUI link server, which runs the InSim thread while a client is
// connected; without a server (none plugged in) the InSim thread is started directly.
//
// Stopped (button "Start", settings enabled) -> Start -> running (button "Stop", settings
// disabled) -> Stop -> stopped. A thread that does not end within its bounded wait leaves the
// dialog running, so the user can press Stop again.
#pragma once

#include <string>

#include "director/app/resource.h"
#include "director/app/settings.h"

namespace director {

// Control ids of dialog 101 (resource.h is shared with the resource script).
inline constexpr int kDialogId = IDD_MAIN;
inline constexpr int kIconId = IDI_MAIN;
inline constexpr int kIdInsimPort = IDC_INSIM_PORT;
inline constexpr int kIdGuiPort = IDC_GUI_PORT;
inline constexpr int kIdStartStop = IDC_START_STOP;
inline constexpr int kIdClose = IDC_CLOSE;
inline constexpr int kIdPassword = IDC_PASSWORD;
inline constexpr int kIdEnableGui = IDC_ENABLE_GUI;
inline constexpr int kIdGuiPortLabel = IDC_GUI_PORT_LABEL;
inline constexpr int kIdInsimPortLabel = IDC_INSIM_PORT_LABEL;
inline constexpr int kIdPasswordLabel = IDC_PASSWORD_LABEL;
inline constexpr int kIdVersion3 = IDC_VERSION3;
inline constexpr int kIdVersion4 = IDC_VERSION4;
inline constexpr int kIdVersion10 = IDC_VERSION10;
inline constexpr int kIdActivateKey = IDC_ACTIVATE_KEY;
inline constexpr int kIdDeactivateKey = IDC_DEACTIVATE_KEY;
inline constexpr int kIdActivateLabel = IDC_ACTIVATE_LABEL;
inline constexpr int kIdDeactivateLabel = IDC_DEACTIVATE_LABEL;
inline constexpr int kIdHotkeyGroup = IDC_HOTKEY_GROUP;
inline constexpr int kIdDisableOverlay = IDC_DISABLE_OVERLAY;
inline constexpr int kIdAutoActivate = IDC_AUTO_ACTIVATE;
inline constexpr int kIdBroadcastRules = IDC_BROADCAST_RULES;
inline constexpr int kIdWebPort = IDC_WEB_PORT;
inline constexpr int kIdWebPortLabel = IDC_WEB_PORT_LABEL;

inline constexpr char kCaption[] = "Morvane";
inline constexpr char kMsgInvalidPorts[] = "please enter valid portnumbers";
inline constexpr char kMsgGuiThreadFailed[] = "GUI Thread konnte nicht gestartet werden";
inline constexpr char kMsgInsimThreadFailed[] = "Insim Thread konnte nicht gestartet werden";
inline constexpr char kCaptionError[] = "Error";
inline constexpr char kTextStart[] = "Start";
inline constexpr char kTextStop[] = "Stop";

// "Ctrl-F1" .. "Ctrl-F12", the entries of both hotkey lists.
extern const char* const kHotkeyNames[kHotkeyCount];

enum class MessageKind { kWarning, kError };

// The dialog's controls as the host logic sees them.
class DialogControls {
 public:
  virtual ~DialogControls() = default;
  virtual std::string GetText(int id) = 0;
  virtual void SetText(int id, const std::string& text) = 0;
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  virtual void Enable(int id, bool enabled) = 0;
  // The hotkey lists: fill with entries, select and read the selected index (-1: none).
  virtual void FillList(int id, const char* const* entries, int count) = 0;
  virtual void SetSelection(int id, int index) = 0;
  virtual int GetSelection(int id) = 0;
  virtual void ShowMessage(const char* text, const char* caption, MessageKind kind) = 0;
  virtual void EndDialog() = 0;
};

// A worker thread as the dialog starts and stops it.
class LinkWorker {
 public:
  virtual ~LinkWorker() = default;
  virtual bool StartWorker() = 0;
  // True at once when none runs; false when it did not end within its bounded wait.
  virtual bool StopWorker() = 0;
  virtual bool WorkerRunning() const = 0;
  // Why the last StartWorker failed when the user can do something about it (a GUI port taken by
  // another program); null when no thread could be created.
  virtual const char* StartFailure() const { return nullptr; }
};

// Reads a port field the way the dialog converts an unsigned number: optional leading blanks,
// decimal digits, optional trailing blanks. False for anything else or above 65535.
bool ParsePort(const std::string& text, std::uint16_t* port);
// The web port field: as a port, and empty (or blank) is 0, off.
bool ParseWebPort(const std::string& text, std::uint16_t* port);

class DirectorHost {
 public:
  // guiServer may be null while no GUI link server exists: GUI access then starts the InSim
  // thread directly.
  // web, when not null, is the web view: started before the link (with a web port set) and
  // stopped after it; a web view that cannot start is reported and the director runs without it.
  DirectorHost(Settings& settings, DialogControls& controls, LinkWorker& insim,
               LinkWorker* guiServer, std::string settingsKey = plat::kSettingsKey,
               LinkWorker* web = nullptr);

  // Dialog initialisation: stored settings into the controls; with automatic activation on, the
  // link starts at once (without saving).
  void InitDialog();
  // The first part of it: the stored settings into the controls, nothing started.
  void FillControls();
  // Reads and validates the controls, optionally saves and starts. False only when the ports are
  // invalid (the warning has been shown and nothing was applied).
  bool ApplySettings(bool save, bool start);
  void EnableSettingsControls(bool enable);
  // A WM_COMMAND: control id and notification code (only plain clicks, code 0, count).
  void OnCommand(int id, int notifyCode);
  // Esc or the close box: stop both threads and end without saving.
  void OnCancel();
  // Close for an ending the user did not click (Ctrl+C, the console closed, log-off, shutdown):
  // the threads are stopped and the settings saved as by Close, but ports that do not validate
  // neither show the warning nor keep the dialog open: they are not saved, and the dialog ends.
  void CloseQuietly();

  bool WorkerRunning() const;

 private:
  // Whether the port fields hold what ApplySettings accepts, without a word to the user.
  bool PortsValid();
  void StartWebView();
  void StopWorkers();
  Settings& settings_;
  DialogControls& controls_;
  LinkWorker& insim_;
  LinkWorker* guiServer_;
  std::string settingsKey_;
  LinkWorker* web_;
};

}  // namespace director
