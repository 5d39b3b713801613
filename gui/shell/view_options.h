// Options of the GUI client beyond its specified behaviour, each off unless its value is stored
// under the settings key (beside the Connect dialog's values).
//
// "PickRadius" (32-bit number, pixels): a click on the map outside edit mode that picks no car
// within the 5-pixel box around it picks the nearest car within this radius instead, where the car
// stood at the press or stands at the release (a racing car moves while the button is down).
// 0 or missing: the box alone. Values above kMaxPickRadius are taken as kMaxPickRadius.
#pragma once

namespace plat {
class SettingsKey;
}

namespace gui {

inline constexpr char kValuePickRadius[] = "PickRadius";
inline constexpr int kMaxPickRadius = 50;

int LoadPickRadius(plat::SettingsKey& key);

}  // namespace gui
