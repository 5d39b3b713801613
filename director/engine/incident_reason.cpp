#include "director/engine/incident_reason.h"

#include <cstdio>

namespace director {

namespace {

unsigned CarNumber(const std::uint16_t* carNumbers, std::uint8_t plid) {
  return carNumbers ? carNumbers[plid] : plid;
}

}  // namespace

int formatEventReason(const DetectedEvent& event, const std::uint16_t* carNumbers, char* out,
                      std::size_t size) {
  const unsigned car = CarNumber(carNumbers, event.plid);
  const unsigned other = CarNumber(carNumbers, event.other);
  switch (event.kind) {
    case EventKind::kSpin:
      return std::snprintf(out, size, "incident: #%u spun", car);
    case EventKind::kOff:
      return std::snprintf(out, size, "incident: #%u off the track", car);
    case EventKind::kStopped:
      return std::snprintf(out, size, "incident: #%u stopped", car);
    case EventKind::kContact:
      return std::snprintf(out, size, "incident: #%u and #%u in contact", car, other);
    case EventKind::kReset:
      return std::snprintf(out, size, "incident: #%u reset", car);
    case EventKind::kYellowFlag:
      return std::snprintf(out, size, "incident: yellow flag for #%u", car);
    case EventKind::kOvertake:
      return std::snprintf(out, size, "overtake: #%u passes #%u for P%u", car, other,
                           static_cast<unsigned>(event.position));
  }
  if (size) out[0] = '\0';
  return 0;
}

}  // namespace director
