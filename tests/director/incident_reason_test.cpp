#include "director/engine/incident_reason.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace director {
namespace {

std::string Reason(EventKind kind, std::uint8_t plid, std::uint8_t other = 0,
                   std::uint8_t position = 0, const std::uint16_t* numbers = nullptr) {
  DetectedEvent e;
  e.kind = kind;
  e.plid = plid;
  e.other = other;
  e.position = position;
  char text[64];
  const int n = formatEventReason(e, numbers, text, sizeof text);
  EXPECT_EQ(n, static_cast<int>(std::string(text).size()));
  return text;
}

TEST(IncidentReason, NamesEachKindByPlayerId) {
  EXPECT_EQ(Reason(EventKind::kSpin, 12), "incident: #12 spun");
  EXPECT_EQ(Reason(EventKind::kOff, 12), "incident: #12 off the track");
  EXPECT_EQ(Reason(EventKind::kStopped, 12), "incident: #12 stopped");
  EXPECT_EQ(Reason(EventKind::kContact, 12, 7), "incident: #12 and #7 in contact");
  EXPECT_EQ(Reason(EventKind::kReset, 3), "incident: #3 reset");
  EXPECT_EQ(Reason(EventKind::kYellowFlag, 3), "incident: yellow flag for #3");
  EXPECT_EQ(Reason(EventKind::kOvertake, 4, 9, 5), "overtake: #4 passes #9 for P5");
  EXPECT_EQ(Reason(EventKind::kOvertake, 255, 0, 255), "overtake: #255 passes #0 for P255");
}

TEST(IncidentReason, UsesTheCallersCarNumbers) {
  std::uint16_t numbers[256] = {};
  numbers[4] = 44;
  numbers[9] = 1009;
  numbers[12] = 7;
  EXPECT_EQ(Reason(EventKind::kOvertake, 4, 9, 5, numbers), "overtake: #44 passes #1009 for P5");
  EXPECT_EQ(Reason(EventKind::kSpin, 12, 0, 0, numbers), "incident: #7 spun");
}

TEST(IncidentReason, CutsToTheBuffer) {
  DetectedEvent e;
  e.kind = EventKind::kStopped;
  e.plid = 12;
  char text[12];
  std::memset(text, 'x', sizeof text);
  EXPECT_EQ(formatEventReason(e, nullptr, text, sizeof text), 21);  // the whole text's length
  EXPECT_STREQ(text, "incident: #");
  EXPECT_EQ(formatEventReason(e, nullptr, nullptr, 0), 21);  // only measured
}

}  // namespace
}  // namespace director
