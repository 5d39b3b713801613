// The files the stand-in writes before a director comes: the track path file in the simulator
// directory, the camera file in the program directory (an existing one is kept unless told
// otherwise), and the custom view files of both. What was written goes into the summary.
#include <algorithm>
#include <cstdio>

#include "platform/files.h"
#include "tools/racesim/simulator.h"
#include "tools/racesim/view_files.h"

namespace racesim {

bool Simulator::WriteFiles(std::string* error) {
  const Track& t = *track_;
  char text[256];
  std::snprintf(text, sizeof(text), "%s: %d nodes, %.0f m a lap, finish line at node %d",
                t.Name().c_str(), t.NodeCount(), t.Length(), t.FinishNode());
  facts_.track = text;
  std::vector<std::string> cars;
  for (const Driver& d : FieldOfDrivers(options_.race.cars)) {
    if (std::find(cars.begin(), cars.end(), d.car) == cars.end()) cars.push_back(d.car);
  }
  if (!options_.simDir.empty()) {
    if (!WritePathFile(error)) return false;
    if (options_.views && !WriteUserViews(options_.simDir, options_.simVersion, cars, error)) {
      return false;
    }
  }
  if (!options_.programDir.empty()) {
    if (options_.cams > 0 && !WriteCameraFile(error)) return false;
    if (options_.views && !WriteViewSets(options_.programDir, options_.simVersion, cars, error)) {
      return false;
    }
  }
  if (options_.views && !options_.simDir.empty()) facts_.cars = cars;
  Log("racesim", "track " + facts_.track);
  return true;
}

bool Simulator::WritePathFile(std::string* error) {
  if (!options_.writePath) {
    facts_.track += "; no track path file written";
    return true;
  }
  const std::string dir = options_.simDir + plat::NativePath("data\\smx");
  const std::string path = dir + plat::kPathSep + track_->Name() + ".pth";
  const std::vector<std::uint8_t> bytes = track_->PathFileBytes();
  if (!MakeDirectories(dir) ||
      !plat::WriteFileAtomic(
          path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
    *error = "cannot write the track path file " + path;
    return false;
  }
  facts_.track += "; written to " + path;
  return true;
}

bool Simulator::WriteCameraFile(std::string* error) {
  const std::string dir = options_.programDir + "cam";
  const std::string path = dir + plat::kPathSep + track_->Name() + ".cam";
  if (plat::FileExists(path) && !options_.overwriteCams) {
    Log("racesim", "keeping the existing camera file " + path);
    facts_.track += "; camera file kept";
    return true;
  }
  cameras_ = PlaceCameras(*track_, options_.cams, options_.track.seed);
  if (!MakeDirectories(dir) || !plat::WriteFileAtomic(path, CameraFileText(cameras_))) {
    *error = "cannot write the camera file " + path;
    return false;
  }
  facts_.track += "; " + std::to_string(cameras_.size()) + " camera positions in " + path;
  return true;
}

}  // namespace racesim
