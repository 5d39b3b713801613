// The simulator's camera and screen as the director and the user change them: camera packets
// (a free camera with ISS_SHIFTU, otherwise a view change), the state flags that can be set, the
// director's buttons, and the camera position the simulator reports when asked.
#include <cmath>

#include "tools/racesim/simulator.h"
#include "tools/racesim/wire/buttons.h"

namespace racesim {

namespace {
constexpr std::uint8_t kTvView = 2;
constexpr std::int32_t kEyeHeight = 2 * 65536;  // a following camera sits 2 m above the car
constexpr std::uint16_t kHalfTurn = 32768;
}  // namespace

void Simulator::HandleCamera(const CameraRecord& r) {
  if ((r.flags & ISS_SHIFTU) == 0) {
    HandleViewChange(r.inGameCam, r.viewPlid, true);
    return;
  }
  camera_.mode = CameraMode::kFree;
  camera_.x = r.x;
  camera_.y = r.y;
  camera_.z = r.z;
  camera_.heading = r.heading;
  camera_.pitch = r.pitch;
  camera_.roll = r.roll;
  if (r.fov > 0.0f) camera_.fov = r.fov;
  camera_.glideMs = r.time;
  if (r.inGameCam != 0) camera_.inGameCam = r.inGameCam;
  if (r.viewPlid != 0) camera_.viewPlid = r.viewPlid;
  camera_.directed = true;
  StateChanged();
}

void Simulator::HandleViewChange(std::uint8_t view, std::uint8_t plid, bool byDirector) {
  camera_.inGameCam = view;
  if (plid != 0) camera_.viewPlid = plid;
  // The TV view without a car is the simulator's own choice of cameras, on the leader.
  camera_.mode = (view == kTvView && plid == 0) ? CameraMode::kSimulator : CameraMode::kCar;
  camera_.directed = byDirector && camera_.mode != CameraMode::kSimulator;
  if (CarsOnTrack() && camera_.viewPlid == 0) {
    camera_.viewPlid = race_->Cars()[static_cast<std::size_t>(race_->Order().front())].plid;
  }
  StateChanged();
}

void Simulator::MoveFreeCamera(double x, double y, double z, double heading) {
  camera_.mode = CameraMode::kFree;
  camera_.x = static_cast<std::int32_t>(std::lround(x * kWorldPerMetre));
  camera_.y = static_cast<std::int32_t>(std::lround(y * kWorldPerMetre));
  camera_.z = static_cast<std::int32_t>(std::lround(z * kWorldPerMetre));
  camera_.heading = static_cast<std::uint16_t>(static_cast<long>(std::lround(heading)) & 0xFFFF);
  camera_.directed = false;
}

void Simulator::HandleStateFlag(std::uint16_t flag, bool on) {
  const char* what = nullptr;
  if (flag == ISS_SHOW_2D) what = "2D display";
  if (flag == ISS_SHIFTU_NO_OPT) what = "SHIFT+U buttons hidden";
  if (flag == ISS_MPSPEEDUP) what = "multiplayer speed-up";
  if (what == nullptr) {
    Log("link", "state flag " + std::to_string(flag) + " cannot be set");
    return;
  }
  const std::uint16_t before = baseFlags_;
  baseFlags_ = on ? static_cast<std::uint16_t>(baseFlags_ | flag)
                  : static_cast<std::uint16_t>(baseFlags_ & ~flag);
  if (before != baseFlags_) Log("sim", std::string(what) + (on ? ": on" : ": off"));
  StateChanged();
}

void Simulator::HandleButton(const std::uint8_t* p, int size) {
  ButtonPacket button;
  if (!DecodeBtn(p, size, &button)) return;
  const int length = static_cast<int>(button.text.size());
  const int expected = ButtonSize(length);
  if (size != expected && length < size - kBtnHeaderSize) {
    Log("link", "IS_BTN of " + std::to_string(size) + " bytes for a text that needs " +
                    std::to_string(expected));
  }
  log_.OnButton(button.clickId, button.text);
}

CameraRecord Simulator::CameraReport() const {
  CameraRecord r;
  r.heading = camera_.heading;
  r.pitch = camera_.pitch;
  r.roll = camera_.roll;
  r.viewPlid = camera_.viewPlid;
  r.inGameCam = camera_.inGameCam;
  r.fov = camera_.fov;
  if (camera_.mode == CameraMode::kFree) {
    r.x = camera_.x;
    r.y = camera_.y;
    r.z = camera_.z;
    r.flags = ISS_SHIFTU;
    return r;
  }
  if (!CarsOnTrack()) return r;
  // Following a car: the camera is with that car.
  for (int i = 0; i < static_cast<int>(race_->Cars().size()); ++i) {
    if (race_->Cars()[static_cast<std::size_t>(i)].plid != camera_.viewPlid) continue;
    const CarRecord c = race_->Record(i);
    r.x = c.x;
    r.y = c.y;
    r.z = c.z + kEyeHeight;
    r.heading = static_cast<std::uint16_t>(c.direction + kHalfTurn);
  }
  return r;
}

}  // namespace racesim
