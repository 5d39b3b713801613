#include "director/engine/incident_event.h"

namespace director {

bool isIncident(EventKind kind) { return kind != EventKind::kOvertake; }

std::uint32_t startInterest(EventKind kind) {
  return isIncident(kind) ? kIncidentInterest : kOvertakeInterest;
}

std::uint32_t eventLifeMs(EventKind kind) {
  return isIncident(kind) ? kIncidentLifeMs : kOvertakeLifeMs;
}

std::uint32_t eventInterest(const DetectedEvent& event, std::uint32_t nowMs) {
  const std::uint32_t age = nowMs - event.startMs;
  const std::uint32_t life = eventLifeMs(event.kind);
  if (age >= life) return 0;
  // Rounded up, so an event is worth something until its life is over.
  const std::uint64_t left = static_cast<std::uint64_t>(startInterest(event.kind)) * (life - age);
  return static_cast<std::uint32_t>((left + life - 1) / life);
}

bool eventLive(const DetectedEvent& event, std::uint32_t nowMs) {
  return nowMs - event.startMs < eventLifeMs(event.kind);
}

void EventLog::add(const DetectedEvent& event) {
  events_[next_] = event;
  next_ = (next_ + 1) % kEventLogSize;
  if (count_ < kEventLogSize) ++count_;
}

const DetectedEvent& EventLog::newest(int i) const {
  return events_[((next_ - 1 - i) % kEventLogSize + kEventLogSize) % kEventLogSize];
}

bool EventLog::hasLive(EventKind kind, std::uint8_t plid, std::uint8_t other,
                       std::uint32_t nowMs) const {
  for (int i = 0; i < count_; ++i) {
    const DetectedEvent& e = newest(i);
    if (e.kind == kind && e.plid == plid && e.other == other && eventLive(e, nowMs)) return true;
  }
  return false;
}

const DetectedEvent* EventLog::mostInteresting(std::uint32_t nowMs) const {
  const DetectedEvent* best = nullptr;
  std::uint32_t bestInterest = 0;
  for (int i = 0; i < count_; ++i) {
    const DetectedEvent& e = newest(i);
    const std::uint32_t interest = eventInterest(e, nowMs);
    if (interest > bestInterest) {
      best = &e;
      bestInterest = interest;
    }
  }
  return best;
}

}  // namespace director
