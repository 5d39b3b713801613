// The asynchronous key state, for the director's own hotkeys over InSim version 3: whether a key is
// held down right now, whichever window has the focus. Windows only; elsewhere no key is ever down.
#pragma once

namespace plat {

inline constexpr int kKeyControl = 0x11;  // VK_CONTROL
inline constexpr int kKeyF1 = 0x70;       // VK_F1; F2..F12 follow

bool KeyDown(int virtualKey);

}  // namespace plat
