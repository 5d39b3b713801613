#include "director/engine/shot_reason.h"

#include <gtest/gtest.h>

#include <string>

namespace director {
namespace {

std::string Battle(int place, double gap) {
  ShotReason r;
  reasonBattle(&r, place, gap);
  return r.text;
}

std::string Onboard(int cuts, std::uint8_t plid) {
  ShotReason r;
  reasonOnboard(&r, cuts, plid);
  return r.text;
}

TEST(ShotReason, TextsForBattlesAndOnBoardCuts) {
  EXPECT_EQ(Battle(3, 0.44), "battle for P3, 0.4 s");
  EXPECT_EQ(Battle(12, 1.25), "battle for P12, 1.2 s");
  EXPECT_EQ(Battle(1, -1.0), "battle for P1");
  EXPECT_EQ(Onboard(6, 7), "on board: sixth cut on #7");
  EXPECT_EQ(Onboard(12, 255), "on board: twelfth cut on #255");
  EXPECT_EQ(Onboard(20, 1), "on board: twentieth cut on #1");
  EXPECT_EQ(Onboard(36, 9), "on board: cut 36 on #9");
}

TEST(ShotReason, CutLinesNameTheCarTheCameraAndTheReason) {
  ShotReason r;
  reasonText(&r, kReasonWinnerAtFlag);
  char line[96];
  formatCutLine(4, 2, r, line, sizeof line);
  EXPECT_STREQ(line, "cut to #4 (camera 3): winner at the flag\n");
  reasonOnboard(&r, 6, 4);
  formatCutLine(4, -1, r, line, sizeof line);
  EXPECT_STREQ(line, "cut to #4 (on board): on board: sixth cut on #4\n");
  // A short buffer is cut, never overrun.
  char tiny[8];
  formatCutLine(4, 2, r, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "cut to ");
  // A reason longer than the field is cut to fit it.
  reasonText(&r, std::string(100, 'x').c_str());
  EXPECT_EQ(std::string(r.text), std::string(kShotReasonSize - 1, 'x'));
}

}  // namespace
}  // namespace director
