// The director's settings as its threads read them: ports, the InSim version, GUI access,
// hotkeys, the overlay, the rule set, the web view and the admin password. The dialog (or the console front end) fills them
// and app/settings loads and stores them; the dialog thread writes the struct only while no worker
// thread runs, so the workers read it without locks.
#pragma once

#include <cstdint>

namespace director {

inline constexpr int kHotkeyCount = 12;   // Ctrl-F1 .. Ctrl-F12
inline constexpr int kPasswordSize = 16;  // at most 14 characters, the rest zeros
inline constexpr int kPasswordChars = 14;
inline constexpr std::uint8_t kRulesClassic = 0;
inline constexpr std::uint8_t kRulesBroadcast = 1;
inline constexpr int kWebBindSize = 16;  // "255.255.255.255" and its zero

struct Settings {
  std::uint16_t insimPort = 32300;
  // 3 (UDP), 4 or 10 (TCP). A stored value that is none of them keeps its meaning of before
  // version 10 existed: only 4 checks the version 4 button, so the dialog makes it 3.
  std::uint8_t insimVersion = 4;
  std::uint16_t guiPort = 32301;
  std::uint8_t guiAccess = 0;
  std::int32_t activateKey = 5;    // Ctrl-F6
  std::int32_t deactivateKey = 6;  // Ctrl-F7
  std::uint8_t overlayDisabled = 0;
  std::uint8_t autoActivate = 0;
  // The rule set: kRulesClassic (the default) or kRulesBroadcast.
  std::uint8_t rules = 0;
  // The stored settings held a rule set: it is saved again, even the default.
  std::uint8_t rulesStored = 0;
  // Console front end only, never stored: one line per cut with its reason.
  std::uint8_t printReasons = 0;
  // The web view's port (0: off, the default) and the dotted IPv4 address it listens on. Each is
  // stored only once set to something else, or when it was stored before.
  std::uint16_t webPort = 0;
  char webBind[kWebBindSize] = "127.0.0.1";
  std::uint8_t webPortStored = 0;
  std::uint8_t webBindStored = 0;
  char password[kPasswordSize] = {};
};

}  // namespace director
