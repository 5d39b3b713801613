#include "director/engine/car_positions.h"

#include "director/engine/car_progress.h"
#include "director/engine/track_path.h"

namespace director {

bool takeCarPositions(RaceState& race, const TrackPath* track, const CarPositions& positions) {
  if (track == nullptr) return false;
  for (int i = 0; i < positions.count; ++i) {
    const CompCar& car = positions.cars[i];
    PlayerRecord& record = race.players[car.plid];
    updateCarProgress(record, car, *track);
    if (record.listed == 0 && race.raceOrder.Append(car.plid)) record.listed = 1;
  }
  return positions.completesSet;
}

}  // namespace director
