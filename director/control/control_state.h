// The switch of the director and its edit mode: whether the director directs the simulator's
// camera, whether the user is laying out camera positions, and the automatic activation a set
// race time after the race clock starts. InSim thread only.
#pragma once

#include <cstdint>

namespace director {

// Automatic activation states.
inline constexpr std::uint8_t kAutoActivationOff = 0;
inline constexpr std::uint8_t kAutoActivationArmed = 1;
inline constexpr std::uint8_t kAutoActivationTiming = 2;
inline constexpr std::uint8_t kAutoActivationDisarmed = 3;

struct ControlState {
  std::uint8_t directorActive = 0;
  std::uint8_t editMode = 0;
  std::uint8_t autoActivation = kAutoActivationOff;
  std::uint32_t firstRaceTime = 0;  // the race time at which timing started
  // The F-key (virtual-key code) of the version 3 hotkey that acted last while it is still held
  // with Ctrl, 0 otherwise: a hotkey acts once per press.
  std::uint8_t hotkeyHeld = 0;
};

}  // namespace director
