// The director's console front end (the program on systems without the Win32 dialog).
//
//   morvane [--insim-port N] [--insim-version 3|4|10] [--password TEXT] [--gui-port N]
//           [--enable-gui|--disable-gui] [--activate-key Ctrl-F1..Ctrl-F12]
//           [--deactivate-key ...] [--disable-overlay|--enable-overlay]
//           [--auto-activate|--no-auto-activate] [--help]
//
// The stored settings are loaded into ConsoleControls as the dialog would show them, the options
// are written into them as if typed, and then Start runs: validation (bad ports print "please
// enter valid portnumbers" to standard error and end with status 2), saving, starting the
// threads. The program then runs until SIGINT or SIGTERM and does what Close does: stop the
// threads within their bounded waits, save the settings, exit 0. The password is never stored.
#pragma once

#include <atomic>
#include <csignal>
#include <iosfwd>
#include <map>
#include <string>

#include "director/app/director_app.h"
#include "director/app/host.h"

namespace director {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The dialog's controls held in memory; message boxes go to the error stream.
class ConsoleControls final : public DialogControls {
 public:
  explicit ConsoleControls(std::ostream& err) : err_(err) {}
  std::string GetText(int id) override { return texts_[id]; }
  void SetText(int id, const std::string& text) override { texts_[id] = text; }
  bool IsChecked(int id) override { return checked_[id]; }
  void SetChecked(int id, bool checked) override { checked_[id] = checked; }
  void Enable(int id, bool enabled) override { enabled_[id] = enabled; }
  void FillList(int id, const char* const* entries, int count) override;
  void SetSelection(int id, int index) override { selection_[id] = index; }
  int GetSelection(int id) override;
  void ShowMessage(const char* text, const char* caption, MessageKind kind) override;
  void EndDialog() override { ended_ = true; }

  bool Enabled(int id) const;
  bool Ended() const { return ended_; }
  // --reasons: the console prints one line per cut (a console matter, not a dialog control).
  bool printReasons = false;
  std::string webBind;  // --web-bind, empty when not given
  // Index of the list entry with this text, -1 when there is none.
  int FindEntry(int id, const std::string& text) const;

 private:
  std::ostream& err_;
  std::map<int, std::string> texts_;
  std::map<int, bool> checked_;
  std::map<int, bool> enabled_;
  std::map<int, int> selection_;
  std::map<int, std::map<std::string, int>> lists_;
  bool ended_ = false;
};

enum class OptionsResult { kRun, kHelp, kError };

// Writes the options into the controls as if typed. kError with a message for an unknown option,
// a missing value or a value no control could hold.
OptionsResult ApplyConsoleOptions(int argc, const char* const* argv, ConsoleControls& controls,
                                  std::string* error);

void PrintConsoleUsage(std::ostream& out);

// Set by SIGINT and SIGTERM once RunConsole has installed its handlers. An atomic, not a volatile
// sig_atomic_t: the signal may arrive on any of the program's threads while the main one waits.
extern std::atomic<int> gConsoleStopSignal;
static_assert(std::atomic<int>::is_always_lock_free,
              "a signal handler touches only lock-free atomics");

// The whole console program over the given application. Returns the exit status.
int RunConsole(int argc, const char* const* argv, DirectorApp& app, std::ostream& out,
               std::ostream& err);

}  // namespace director
