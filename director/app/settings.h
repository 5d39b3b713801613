// The director's settings: what the main dialog shows and the InSim and GUI link threads read.
//
// Loaded from the per-user settings store (key "Software\Morvane"): every value is a 32-bit
// number and a missing one keeps its default. Saved on Start and on Close, never the admin
// password, and the GUI port only while GUI access is on. The dialog thread writes the struct only
// while no worker thread runs, so the workers read it without locks.
#pragma once

#include <cstdint>
#include <string>

#include "platform/settings_store.h"

namespace director {

inline constexpr int kHotkeyCount = 12;   // Ctrl-F1 .. Ctrl-F12
inline constexpr int kPasswordSize = 16;  // at most 14 characters, the rest zeros
inline constexpr int kPasswordChars = 14;

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
  char password[kPasswordSize] = {};
};

// The names of the stored values.
inline constexpr char kValueInsimPort[] = "InsimPort";
inline constexpr char kValueInsimVersion[] = "InsimVersion";
inline constexpr char kValueGuiPort[] = "GUI-Port";
inline constexpr char kValueEnableGui[] = "EnableGUI";
inline constexpr char kValueFKeyA[] = "FKeyA";
inline constexpr char kValueFKeyB[] = "FKeyB";
inline constexpr char kValueDisableOverlay[] = "DisableOverlay";
inline constexpr char kValueAutoActivate[] = "AutoActivate";

// Starts from the defaults and reads every stored value. A hotkey index outside 0-11 keeps its
// default, since no list entry could show it.
Settings LoadSettings(const std::string& keyPath = plat::kSettingsKey);

// Stores the settings (not the password; the GUI port only with GUI access on). False when the
// key could not be opened or written; the caller stays silent about it.
bool SaveSettings(const Settings& settings, const std::string& keyPath = plat::kSettingsKey);

}  // namespace director
