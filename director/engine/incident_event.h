// The events the broadcast rules notice in the car positions, and the fixed ring that keeps the
// latest of them.
//
// An event has a kind, its car (and the other car of a contact or an overtake), the race position
// at stake for an overtake, the tick (ms) it started at and an interest that starts high and falls
// in a straight line to 0 over the kind's lifetime: incidents start at 95 and fade over 6 s,
// overtakes at 80 over 4 s. An event is live while its interest is above 0. EventLog keeps the
// last kEventLogSize events; a new one takes the oldest one's place. Ticks are compared with
// unsigned 32-bit arithmetic, so the wrap of the tick count does no harm. No allocation.
#pragma once

#include <cstdint>

namespace director {

// kReset and kYellowFlag come from the simulator's packets (a car reset, a yellow flag caused by
// a car), not from the positions.
enum class EventKind : std::uint8_t {
  kSpin,
  kOff,
  kStopped,
  kContact,
  kOvertake,
  kReset,
  kYellowFlag
};

inline constexpr int kEventLogSize = 32;
inline constexpr std::uint32_t kIncidentInterest = 95;
inline constexpr std::uint32_t kIncidentLifeMs = 6000;
inline constexpr std::uint32_t kOvertakeInterest = 80;
inline constexpr std::uint32_t kOvertakeLifeMs = 4000;

struct DetectedEvent {
  EventKind kind = EventKind::kSpin;
  std::uint8_t plid = 0;      // the car; for an overtake the passing car
  std::uint8_t other = 0;     // contact: the other car; overtake: the car passed; else 0
  std::uint8_t position = 0;  // overtake: the place the passing car takes (5 for "P5"); else 0
  std::uint32_t startMs = 0;
};

bool isIncident(EventKind kind);
// The interest at the start and how long it takes to fade to 0.
std::uint32_t startInterest(EventKind kind);
std::uint32_t eventLifeMs(EventKind kind);
// The faded interest at nowMs: the start value at the start, 0 from the end of the life on.
std::uint32_t eventInterest(const DetectedEvent& event, std::uint32_t nowMs);
bool eventLive(const DetectedEvent& event, std::uint32_t nowMs);

class EventLog {
 public:
  void add(const DetectedEvent& event);
  // True when an event of the kind for the same car (and other car) is still live.
  bool hasLive(EventKind kind, std::uint8_t plid, std::uint8_t other, std::uint32_t nowMs) const;
  // The number of events kept (at most kEventLogSize) and the i-th newest (0: the newest).
  int count() const { return count_; }
  const DetectedEvent& newest(int i) const;
  // The live event of the highest interest at nowMs, or null when none is live.
  const DetectedEvent* mostInteresting(std::uint32_t nowMs) const;
  void clear() {
    count_ = 0;
    next_ = 0;
  }

 private:
  DetectedEvent events_[kEventLogSize];
  int count_ = 0;
  int next_ = 0;  // where the next event goes
};

}  // namespace director
