// The director's end of the GUI link: ParseFrames cutting the client's stream into the
// director's queue, and the director's handling of the GUI client's requests behind it, over the
// real director with the track "RS1" and a race on it.
//
// Input: an options byte (bit 0: the director is on; bit 2: the simulator is in free view, so
// edit mode may be entered; bit 3: no track is loaded), a read-length byte, then the bytes the
// client sends. After each read the InSim thread carries out the requests, and every fifth
// read a set of car positions arrives and the update step runs, so manual selections are
// directed too.
#include <memory>
#include <vector>

#include "director/insim/dispatch.h"
#include "fuzz/director_rig.h"
#include "tools/racesim/race.h"
#include "tools/racesim/wire/camera.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/positions.h"
#include "tools/racesim/wire/race_events.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/state.h"
#include "tools/racesim/wire/texts.h"

namespace {

constexpr std::uint8_t kOptFreeView = 0x04;
constexpr std::uint8_t kOptNoTrack = 0x08;

// The packets that bring the director into a race: the state report, six players, the start,
// and one set of car positions to repeat.
struct Primer {
  Primer() {
    racesim::TrackOptions trackOptions;
    const racesim::Track track(trackOptions);
    racesim::RaceOptions options;
    options.cars = 6;
    racesim::Race race(track, options);
    racesim::StateReport state;
    state.flags = director::ISS_GAME | director::ISS_SHIFTU_NO_OPT | director::ISS_SHOW_2D;
    state.raceInProg = 1;
    state.raceLaps = 3;
    state.numP = 6;
    state.track = "RS1";
    staRace = racesim::EncodeSta(0, state);
    state.flags |= director::ISS_SHIFTU;
    staFreeView = racesim::EncodeSta(0, state);
    for (int i = 0; i < 6; ++i) {
      const racesim::Car& car = race.Cars()[static_cast<std::size_t>(i)];
      racesim::PlayerInfo p;
      p.plid = car.plid;
      p.name = car.driver.name;
      p.car = car.driver.car;
      start.push_back(racesim::EncodeNpl({1, p, 6}));
    }
    start.push_back(racesim::EncodeRst({1, 3, 6, "RS1", 600, 0, 100, 300}));
    race.Start();
    race.Step(3000);
    std::vector<racesim::CarRecord> cars;
    for (int i = 0; i < 6; ++i) cars.push_back(race.Record(i));
    mci = racesim::EncodeMci(cars, racesim::kCarsPerMci);
  }
  racesim::Bytes staRace, staFreeView;
  std::vector<racesim::Bytes> start, mci;
};

bool Dispatch(fuzz::DirectorRig& rig, const racesim::Bytes& packet) {
  return director::DispatchV4Packet(rig.link, *rig.core, packet.data(),
                                    static_cast<int>(packet.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Primer primer;
  if (size < 2) return 0;
  const std::uint8_t options = data[0];
  auto rig = std::make_unique<fuzz::DirectorRig>(4, options);
  if ((options & kOptNoTrack) == 0) {
    Dispatch(*rig, (options & kOptFreeView) ? primer.staFreeView : primer.staRace);
    for (const racesim::Bytes& p : primer.start) Dispatch(*rig, p);
  }
  fuzz::FrameFeed feed(data + 2, size - 2, data[1] + 1u);
  for (int pass = 1;; ++pass) {
    const fuzz::FrameFeed::Result r = feed.Pass(rig->toDirector, rig->clock);
    if (r == fuzz::FrameFeed::kEnded) break;
    const int before = rig->toDirector.pending();
    bool setComplete = false;
    if (pass % 5 == 0) {
      for (const racesim::Bytes& p : primer.mci) setComplete = Dispatch(*rig, p) || setComplete;
    }
    rig->AfterRead(setComplete);
    // A request handler that takes nothing from a full queue would leave the link stuck.
    if (r == fuzz::FrameFeed::kStalled && rig->toDirector.pending() >= before) break;
  }
  rig->core->HandleGuiRequests(rig->link);
  return 0;
}
