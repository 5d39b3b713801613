// The overlay's button packets (versions 4 and 10). IS_BTN: 12 header bytes (ClickID at 4, the
// button style at 6, left, top, width and height at 8-11), then the text with its terminating
// zero, the whole rounded up to a multiple of 4 and at most 252 bytes. IS_BFN (8 bytes): the
// subtype at 3 and the ClickID at 5.
#pragma once

#include <cstdint>

#include "director/insim/insim_constants.h"

namespace director {

// IS_BTN (ReqI 1). A longer text is cut. Returns the size written to out.
int BuildButton(std::uint8_t out[kMaxButtonSize], const char* text, std::uint8_t clickId,
                std::uint8_t style, std::uint8_t left, std::uint8_t top, std::uint8_t width,
                std::uint8_t height);
// IS_BFN deleting one button. Returns its size (8).
int BuildDeleteButton(std::uint8_t out[kBfnSize], std::uint8_t clickId);

}  // namespace director
