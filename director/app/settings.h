// The director's settings: what the main dialog shows and the InSim and GUI link threads read.
//
// Loaded from the per-user settings store (key "Software\Morvane"): every value but "WebBind"
// (text) is a 32-bit number, and a missing or unusable one keeps its default. Saved on Start and on Close, never the admin
// password, and the GUI port only while GUI access is on. The dialog thread writes the struct only
// while no worker thread runs, so the workers read it without locks.
#pragma once

#include <cstdint>
#include <string>

#include "director/insim/director_settings.h"
#include "platform/settings_store.h"

namespace director {

// The names of the stored values.
inline constexpr char kValueInsimPort[] = "InsimPort";
inline constexpr char kValueInsimVersion[] = "InsimVersion";
inline constexpr char kValueGuiPort[] = "GUI-Port";
inline constexpr char kValueEnableGui[] = "EnableGUI";
inline constexpr char kValueFKeyA[] = "FKeyA";
inline constexpr char kValueFKeyB[] = "FKeyB";
inline constexpr char kValueDisableOverlay[] = "DisableOverlay";
inline constexpr char kValueAutoActivate[] = "AutoActivate";
inline constexpr char kValueRules[] = "Rules";
inline constexpr char kValueWebPort[] = "WebPort";
inline constexpr char kValueWebBind[] = "WebBind";  // a string

// Starts from the defaults and reads every stored value. A hotkey index outside 0-11 keeps its
// default, since no list entry could show it.
Settings LoadSettings(const std::string& keyPath = plat::kSettingsKey);

// Stores the settings (not the password; the GUI port only with GUI access on). False when the
// key could not be opened or written; the caller stays silent about it. "Rules" is written only
// once a rule set other than the default was chosen (or it was stored before), so a user who never
// chose one keeps the values of before.
bool SaveSettings(const Settings& settings, const std::string& keyPath = plat::kSettingsKey);

}  // namespace director
