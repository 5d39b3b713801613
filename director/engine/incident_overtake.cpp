#include "director/engine/incident_overtake.h"

namespace director {

namespace {

bool BothPositioned(const OrderSample& a, const OrderSample& b) {
  return a.position && a.previousPosition && b.position && b.previousPosition;
}

bool ProgressSteady(const OrderSample& car, std::uint32_t nodeCount) {
  const std::uint64_t jump = car.progress > car.previousProgress
                                 ? car.progress - car.previousProgress
                                 : car.previousProgress - car.progress;
  return jump < nodeCount / 4;
}

// Whether a was behind b in the earlier set and is ahead of it now.
bool Passed(const OrderSample& a, const OrderSample& b, std::uint32_t nodeCount) {
  if (BothPositioned(a, b)) {
    return a.previousPosition > b.previousPosition && a.position < b.position;
  }
  if (nodeCount == 0 || !ProgressSteady(a, nodeCount) || !ProgressSteady(b, nodeCount)) {
    return false;
  }
  return a.previousProgress < b.previousProgress && a.progress > b.progress;
}

// Race position, or the rank by progress when the simulator gives none.
int Standing(const OrderSample* cars, int count, int i) {
  if (cars[i].position) return cars[i].position;
  int rank = 1;
  for (int k = 0; k < count; ++k) {
    if (k != i && cars[k].progress > cars[i].progress) ++rank;
  }
  return rank;
}

}  // namespace

int findPasses(const OrderSample* cars, int count, std::uint32_t nodeCount, OrderPass* out,
               int capacity) {
  int found = 0;
  for (int a = 0; a < count && found < capacity; ++a) {
    if (!cars[a].hasPrevious || !cars[a].eligible) continue;
    int victim = -1;
    int victimStanding = 0;
    for (int b = 0; b < count; ++b) {
      if (b == a || !cars[b].hasPrevious || !cars[b].eligible) continue;
      if (!Passed(cars[a], cars[b], nodeCount)) continue;
      const int standing = Standing(cars, count, b);
      if (victim < 0 || standing < victimStanding) {
        victim = b;
        victimStanding = standing;
      }
    }
    if (victim < 0) continue;
    const int position = Standing(cars, count, a);
    out[found++] = {cars[a].plid, cars[victim].plid,
                    static_cast<std::uint8_t>(position > 255 ? 255 : position)};
  }
  return found;
}

}  // namespace director
