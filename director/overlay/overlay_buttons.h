// The overlay's InSim buttons: sending one (IS_BTN) and deleting one (IS_BFN), and where the
// three displays put theirs. All buttons go to the local screen (UCID 0) with ReqI 1, Inst 0 and
// TypeIn 0, laid out on the simulator's 200 x 200 button grid. Buttons exist only over TCP
// (InSim versions 4 and 10): over version 3 both senders do nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "director/insim/packets.h"

namespace director {

// Button texts of the overlay never come near this (names have at most 31 characters).
inline constexpr std::size_t kOverlayTextSize = 64;

// Click ids: the progress box, the driver box (its position is drawn twice, 3 over 2), and the
// eight row slots of the standings board, each a name button with a value button on top.
inline constexpr std::uint8_t kProgressButton = 1;
inline constexpr std::uint8_t kDriverPositionButton = 2;
inline constexpr std::uint8_t kDriverPositionAgainButton = 3;
inline constexpr std::uint8_t kDriverNameButton = 4;
inline constexpr std::uint8_t kFirstRowNameButton = 5;
inline constexpr std::uint8_t kFirstRowValueButton = 13;

// Styles: the three lowest bits are the colour number.
inline constexpr std::uint8_t kButtonDark = 32;  // dark background
inline constexpr std::uint8_t kButtonLeft = 64;  // text alignment
inline constexpr std::uint8_t kButtonRight = 128;
inline constexpr std::uint8_t kOverlayNameStyle = kButtonLeft | kButtonDark | 3;

void SendButton(InsimLink& link, const char* text, std::uint8_t clickId, std::uint8_t style,
                std::uint8_t left, std::uint8_t top, std::uint8_t width, std::uint8_t height);
void SendDeleteButton(InsimLink& link, std::uint8_t clickId);

}  // namespace director
