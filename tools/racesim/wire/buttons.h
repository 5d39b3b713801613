// The director's buttons: IS_BTN and IS_BFN, encoded and decoded side by side.
//
// IS_BTN: 3 UCID, 4 ClickID, 5 Inst, 6 BStyle, 7 TypeIn, 8 L, 9 T, 10 W, 11 H, from 12 the text
// and its zero; Size is 12 + text length + 1 rounded up to a multiple of 4, at most 252.
// IS_BFN (8): 3 SubT, 4 UCID, 5 ClickID, 6 Inst, 7 spare.
#pragma once

#include <cstdint>
#include <string>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct ButtonPacket {
  std::uint8_t reqI = 0;
  std::uint8_t ucid = 0;
  std::uint8_t clickId = 0;
  std::uint8_t inst = 0;
  std::uint8_t style = 0;
  std::uint8_t typeIn = 0;
  std::uint8_t left = 0, top = 0, width = 0, height = 0;
  std::string text;
};

struct ButtonFunction {
  std::uint8_t reqI = 0;
  std::uint8_t subT = 0;  // BFN_DEL_BTN, ...
  std::uint8_t ucid = 0;
  std::uint8_t clickId = 0;
  std::uint8_t inst = 0;
};

// The size IS_BTN has for a text of this length.
int ButtonSize(int textLength);

// A text too long for 252 bytes is cut.
Bytes EncodeBtn(const ButtonPacket& button);
// The text runs to its zero or to the end of the packet.
bool DecodeBtn(const std::uint8_t* p, int size, ButtonPacket* button);
Bytes EncodeBfn(const ButtonFunction& function);
bool DecodeBfn(const std::uint8_t* p, int size, ButtonFunction* function);

}  // namespace racesim
