#include "director/insim/packet_result.h"

#include <cstring>

#include "director/insim/insim_constants.h"
#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kReqIAt = 2;
constexpr int kPlidAt = 3;
constexpr int kUserNameAt = 4;
constexpr int kPlayerNameAt = 28;
constexpr int kPlateAt = 52;
constexpr int kCarAt = 60;
constexpr int kTotalTimeAt = 64;
constexpr int kBestLapAt = 68;
constexpr int kSpareAAt = 72;
constexpr int kNumStopsAt = 73;
constexpr int kConfirmAt = 74;
constexpr int kSpareBAt = 75;
constexpr int kLapsDoneAt = 76;
constexpr int kFlagsAt = 78;
constexpr int kResultNumAt = 80;
constexpr int kNumResAt = 81;
constexpr int kPenaltyAt = 82;

}  // namespace

ResultPacket DecodeResult(const std::uint8_t* p) {
  ResultPacket r;
  r.reqI = p[kReqIAt];
  r.plid = p[kPlidAt];
  std::memcpy(r.userName, p + kUserNameAt, kResNameSize);
  std::memcpy(r.playerName, p + kPlayerNameAt, kResNameSize);
  std::memcpy(r.plate, p + kPlateAt, kResPlateSize);
  std::memcpy(r.car, p + kCarAt, kResCarSize);
  r.totalTime = plat::GetU32(p + kTotalTimeAt);
  r.bestLap = plat::GetU32(p + kBestLapAt);
  r.spareA = p[kSpareAAt];
  r.numStops = p[kNumStopsAt];
  r.confirm = p[kConfirmAt];
  r.spareB = p[kSpareBAt];
  r.lapsDone = plat::GetU16(p + kLapsDoneAt);
  r.playerFlags = plat::GetU16(p + kFlagsAt);
  r.resultNum = p[kResultNumAt];
  r.numRes = p[kNumResAt];
  r.penaltySeconds = plat::GetU16(p + kPenaltyAt);
  return r;
}

void EncodeResult(const ResultPacket& r, std::uint8_t out[kResSize]) {
  std::memset(out, 0, kResSize);
  out[0] = kResSize;
  out[1] = ISP_RES;
  out[kReqIAt] = r.reqI;
  out[kPlidAt] = r.plid;
  std::memcpy(out + kUserNameAt, r.userName, kResNameSize);
  std::memcpy(out + kPlayerNameAt, r.playerName, kResNameSize);
  std::memcpy(out + kPlateAt, r.plate, kResPlateSize);
  std::memcpy(out + kCarAt, r.car, kResCarSize);
  plat::PutU32(out + kTotalTimeAt, r.totalTime);
  plat::PutU32(out + kBestLapAt, r.bestLap);
  out[kSpareAAt] = r.spareA;
  out[kNumStopsAt] = r.numStops;
  out[kConfirmAt] = r.confirm;
  out[kSpareBAt] = r.spareB;
  plat::PutU16(out + kLapsDoneAt, r.lapsDone);
  plat::PutU16(out + kFlagsAt, r.playerFlags);
  out[kResultNumAt] = r.resultNum;
  out[kNumResAt] = r.numRes;
  plat::PutU16(out + kPenaltyAt, r.penaltySeconds);
}

}  // namespace director
