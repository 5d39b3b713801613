#include "director/app/console.h"

#include <cstdio>
#include <cstring>
#include <ostream>

#include "platform/net.h"
#include "platform/thread.h"

namespace director {

std::atomic<int> gConsoleStopSignal{0};

namespace {

constexpr std::uint32_t kSignalPollMs = 50;

extern "C" void OnStopSignal(int) { gConsoleStopSignal.store(1); }

bool TakeValue(int argc, const char* const* argv, int* i, std::string* value, std::string* error) {
  if (*i + 1 >= argc) {
    *error = std::string("missing value for ") + argv[*i];
    return false;
  }
  *value = argv[++*i];
  return true;
}

}  // namespace

void ConsoleControls::FillList(int id, const char* const* entries, int count) {
  auto& list = lists_[id];
  list.clear();
  for (int i = 0; i < count; ++i) list[entries[i]] = i;
  selection_[id] = -1;
}

int ConsoleControls::GetSelection(int id) {
  auto it = selection_.find(id);
  return it == selection_.end() ? -1 : it->second;
}

int ConsoleControls::FindEntry(int id, const std::string& text) const {
  auto list = lists_.find(id);
  if (list == lists_.end()) return -1;
  auto entry = list->second.find(text);
  return entry == list->second.end() ? -1 : entry->second;
}

bool ConsoleControls::Enabled(int id) const {
  auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

void ConsoleControls::ShowMessage(const char* text, const char* /*caption*/, MessageKind /*kind*/) {
  err_ << text << '\n';
}

void PrintConsoleUsage(std::ostream& out) {
  out << "usage: morvane [options]\n"
         "Connects the camera director to Live for Speed and runs until interrupted.\n"
         "Options (stored for the next start, except the password):\n"
         "  --insim-port N             InSim port of the simulator (default 32300)\n"
         "  --insim-version 3|4|10     InSim version: 3 over UDP (old simulators), 4 over TCP\n"
         "                             (default), 10 over TCP (the 0.8 simulators)\n"
         "  --password TEXT            admin password of the simulator (never stored)\n"
         "  --gui-port N               port for the GUI client (default 32301)\n"
         "  --enable-gui, --disable-gui\n"
         "                             allow or refuse the GUI client\n"
         "  --activate-key KEY         Ctrl-F1 .. Ctrl-F12 (default Ctrl-F6)\n"
         "  --deactivate-key KEY       Ctrl-F1 .. Ctrl-F12 (default Ctrl-F7)\n"
         "  --disable-overlay, --enable-overlay\n"
         "                             the standings overlay on the simulator's screen\n"
         "  --auto-activate, --no-auto-activate\n"
         "                             switch the director on by itself after a race start\n"
         "  --rules classic|broadcast  the rule set: classic (default) rates the battles;\n"
         "                             broadcast adds incidents, overtakes, the start and the\n"
         "                             flag, holds each shot and leaves the pit lane out\n"
         "  --reasons                  print one line per cut with the reason for it\n"
         "                             (not stored)\n"
         "  --web-port N               serve the web view of the race on port N (default 0:\n"
         "                             off); open http://127.0.0.1:N/ or /overlay\n"
         "  --web-bind ADDRESS         the address the web view listens on (default\n"
         "                             127.0.0.1, this computer only; 0.0.0.0: every network)\n"
         "  --help                     this text\n"
         "Environment:\n"
         "  MORVANE_PROGRAM_DIR        directory of Morvane.cfg, cam/, views/ and alias.ini\n"
         "                             (default: the directory of this program)\n";
}

OptionsResult ApplyConsoleOptions(int argc, const char* const* argv, ConsoleControls& controls,
                                  std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    std::string value;
    if (option == "--help" || option == "-h") return OptionsResult::kHelp;
    if (option == "--insim-port" || option == "--gui-port" || option == "--password") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      const int id = option == "--insim-port" ? kIdInsimPort
                     : option == "--gui-port" ? kIdGuiPort
                                              : kIdPassword;
      // Typed text: the port fields are checked by Start; the password field holds 14 characters.
      controls.SetText(id, id == kIdPassword ? value.substr(0, kPasswordChars) : value);
    } else if (option == "--insim-version") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      if (value != "3" && value != "4" && value != "10") {
        *error = "--insim-version must be 3, 4 or 10";
        return OptionsResult::kError;
      }
      // The buttons as a click leaves them: one of the group checked, or none for version 3.
      controls.SetChecked(kIdVersion4, value == "4");
      controls.SetChecked(kIdVersion10, value == "10");
    } else if (option == "--activate-key" || option == "--deactivate-key") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      const int id = option == "--activate-key" ? kIdActivateKey : kIdDeactivateKey;
      const int index = controls.FindEntry(id, value);
      if (index < 0) {
        *error = option + " must be one of Ctrl-F1 .. Ctrl-F12";
        return OptionsResult::kError;
      }
      controls.SetSelection(id, index);
    } else if (option == "--enable-gui" || option == "--disable-gui") {
      controls.SetChecked(kIdEnableGui, option == "--enable-gui");
    } else if (option == "--disable-overlay" || option == "--enable-overlay") {
      controls.SetChecked(kIdDisableOverlay, option == "--disable-overlay");
    } else if (option == "--auto-activate" || option == "--no-auto-activate") {
      controls.SetChecked(kIdAutoActivate, option == "--auto-activate");
    } else if (option == "--rules") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      if (value != "classic" && value != "broadcast") {
        *error = "--rules must be classic or broadcast";
        return OptionsResult::kError;
      }
      controls.SetChecked(kIdBroadcastRules, value == "broadcast");
    } else if (option == "--reasons") {
      controls.printReasons = true;
    } else if (option == "--web-port") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      controls.SetText(kIdWebPort, value);
    } else if (option == "--web-bind") {
      if (!TakeValue(argc, argv, &i, &value, error)) return OptionsResult::kError;
      std::uint32_t ip = 0;
      if (value.size() >= static_cast<std::size_t>(kWebBindSize) || !plat::ParseIPv4(value.c_str(), &ip)) {
        *error = "--web-bind must be a dotted IPv4 address such as 127.0.0.1";
        return OptionsResult::kError;
      }
      controls.webBind = value;
    } else {
      *error = "unknown option " + option;
      return OptionsResult::kError;
    }
  }
  return OptionsResult::kRun;
}

int RunConsole(int argc, const char* const* argv, DirectorApp& app, std::ostream& out,
               std::ostream& err) {
  ConsoleControls controls(err);
  DirectorHost host = app.MakeHost(controls);
  host.FillControls();
  std::string error;
  switch (ApplyConsoleOptions(argc, argv, controls, &error)) {
    case OptionsResult::kHelp:
      PrintConsoleUsage(out);
      return kExitOk;
    case OptionsResult::kError:
      err << "morvane: " << error << " (see --help)\n";
      return kExitUsage;
    case OptionsResult::kRun:
      break;
  }

  app.settings.printReasons = controls.printReasons ? 1 : 0;
  if (!controls.webBind.empty()) {
    std::snprintf(app.settings.webBind, sizeof app.settings.webBind, "%s", controls.webBind.c_str());
  }
  gConsoleStopSignal.store(0);
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);

  if (!host.ApplySettings(true, true)) return kExitUsage;
  if (!host.WorkerRunning()) return kExitFailure;
  out << "Morvane: InSim version " << static_cast<int>(app.settings.insimVersion) << " on port "
      << app.settings.insimPort;
  if (app.settings.guiAccess != 0) out << ", GUI access on port " << app.settings.guiPort;
  if (app.webWorker.WorkerRunning()) {
    out << ", web view on http://" << app.settings.webBind << ':' << app.settings.webPort << '/';
  }
  out << "; stop with Ctrl-C" << std::endl;

  while (gConsoleStopSignal.load() == 0) plat::SleepMs(kSignalPollMs);

  host.OnCommand(kIdClose, 0);
  if (host.WorkerRunning()) {
    err << "morvane: a worker thread did not end in time\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace director
