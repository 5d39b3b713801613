// IS_RES, a finisher's result (84 bytes in versions 4 and 10; version 3's "RES" is acknowledged
// and otherwise not read). The director keeps the confirmed results by their place and the overlay
// shows them; both take the decoded record, never the bytes.
#pragma once

#include <cstdint>

namespace director {

inline constexpr int kResSize = 84;
inline constexpr int kResNameSize = 24;
inline constexpr int kResPlateSize = 8;
inline constexpr int kResCarSize = 4;

// Confirm bits that keep a result out of the table.
inline constexpr std::uint8_t CONF_PENALTY_DT = 0x04;
inline constexpr std::uint8_t CONF_PENALTY_SG = 0x08;
inline constexpr std::uint8_t CONF_DID_NOT_PIT = 0x40;

// Text fields are copied as they stand (not necessarily zero-terminated at their full width).
struct ResultPacket {
  std::uint8_t reqI = 0;
  std::uint8_t plid = 0;
  char userName[kResNameSize] = {};
  char playerName[kResNameSize] = {};  // colour codes included
  char plate[kResPlateSize] = {};
  char car[kResCarSize] = {};
  std::uint32_t totalTime = 0;  // ms
  std::uint32_t bestLap = 0;    // ms
  std::uint8_t spareA = 0;      // spares kept, so that a packet encodes back to its own bytes
  std::uint8_t numStops = 0;
  std::uint8_t confirm = 0;
  std::uint8_t spareB = 0;
  std::uint16_t lapsDone = 0;
  std::uint16_t playerFlags = 0;
  std::uint8_t resultNum = 0;  // 0 for the winner
  std::uint8_t numRes = 0;
  std::uint16_t penaltySeconds = 0;
};

// p holds at least kResSize bytes.
ResultPacket DecodeResult(const std::uint8_t* p);
// The version 4 form, Size 84 and Type ISP_RES; bytes not named are zero.
void EncodeResult(const ResultPacket& res, std::uint8_t out[kResSize]);

}  // namespace director
