#include "director/engine/incident_event.h"

#include <gtest/gtest.h>

namespace director {
namespace {

DetectedEvent Event(EventKind kind, std::uint8_t plid, std::uint32_t startMs,
                    std::uint8_t other = 0) {
  DetectedEvent e;
  e.kind = kind;
  e.plid = plid;
  e.other = other;
  e.startMs = startMs;
  return e;
}

TEST(IncidentEventInterest, IncidentsStartAt95AndFadeOverSixSeconds) {
  for (EventKind kind :
       {EventKind::kSpin, EventKind::kOff, EventKind::kStopped, EventKind::kContact}) {
    const DetectedEvent e = Event(kind, 3, 10000);
    EXPECT_EQ(eventInterest(e, 10000), 95u);
    EXPECT_EQ(eventInterest(e, 13000), 48u);  // half way, rounded up
    EXPECT_EQ(eventInterest(e, 15999), 1u);
    EXPECT_TRUE(eventLive(e, 15999));
    EXPECT_EQ(eventInterest(e, 16000), 0u);
    EXPECT_FALSE(eventLive(e, 16000));
  }
}

TEST(IncidentEventInterest, OvertakesStartAt80AndFadeOverFourSeconds) {
  const DetectedEvent e = Event(EventKind::kOvertake, 3, 500);
  EXPECT_EQ(eventInterest(e, 500), 80u);
  EXPECT_EQ(eventInterest(e, 1500), 60u);
  EXPECT_EQ(eventInterest(e, 2500), 40u);
  EXPECT_EQ(eventInterest(e, 4500), 0u);
  EXPECT_FALSE(eventLive(e, 4500));
  EXPECT_LT(eventInterest(e, 2500), eventInterest(e, 2499));
}

TEST(IncidentEventInterest, FadesAcrossTheWrapOfTheTickCount) {
  const DetectedEvent e = Event(EventKind::kSpin, 3, 0xFFFFF000u);  // 4096 ms before the wrap
  EXPECT_EQ(eventInterest(e, 0xFFFFF000u + 3000u), 48u);
  EXPECT_EQ(eventInterest(e, 1904u), 0u);  // 6000 ms after the start, past the wrap
  EXPECT_TRUE(eventLive(e, 1903u));
}

TEST(IncidentEventLog, KeepsTheNewestInAFixedRing) {
  EventLog log;
  EXPECT_EQ(log.count(), 0);
  EXPECT_EQ(log.mostInteresting(0), nullptr);
  for (int i = 0; i < kEventLogSize + 8; ++i) {
    log.add(Event(EventKind::kSpin, static_cast<std::uint8_t>(i), static_cast<std::uint32_t>(i)));
  }
  EXPECT_EQ(log.count(), kEventLogSize);
  EXPECT_EQ(log.newest(0).plid, kEventLogSize + 7);
  EXPECT_EQ(log.newest(kEventLogSize - 1).plid, 8);  // the eight oldest were overwritten
  log.clear();
  EXPECT_EQ(log.count(), 0);
}

TEST(IncidentEventLog, LiveMatchesKindCarAndOtherCar) {
  EventLog log;
  log.add(Event(EventKind::kContact, 4, 1000, 9));
  EXPECT_TRUE(log.hasLive(EventKind::kContact, 4, 9, 6999));
  EXPECT_FALSE(log.hasLive(EventKind::kContact, 4, 9, 7000));  // faded
  EXPECT_FALSE(log.hasLive(EventKind::kContact, 4, 8, 2000));
  EXPECT_FALSE(log.hasLive(EventKind::kContact, 9, 4, 2000));
  EXPECT_FALSE(log.hasLive(EventKind::kSpin, 4, 9, 2000));
}

TEST(IncidentEventLog, MostInterestingIsTheLiveOneWorthMostNow) {
  EventLog log;
  log.add(Event(EventKind::kSpin, 1, 0));         // 95 fading over 6 s
  log.add(Event(EventKind::kOvertake, 2, 2000));  // 80 fading over 4 s
  ASSERT_NE(log.mostInteresting(2000), nullptr);
  EXPECT_EQ(log.mostInteresting(2000)->plid, 2);  // 80 against 64
  EXPECT_EQ(log.mostInteresting(500)->plid, 1);   // the overtake lies in the future: nothing yet
  EXPECT_EQ(log.mostInteresting(5500)->plid, 2);  // 10 against 8
  EXPECT_EQ(log.mostInteresting(6000), nullptr);
}

}  // namespace
}  // namespace director
