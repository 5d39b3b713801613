#include "director/insim/discovery.h"

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/sim_discovery.h"

namespace director {

namespace {

constexpr std::uint32_t kMaxOverlayColour = 7;

// Makes the directory end with exactly one separator within the length limit; a value that is
// already at the limit loses its last character to the separator.
void EndWithSeparator(std::string* dir) {
  if (dir->empty()) return;
  if (dir->size() > kMaxSimulatorDirectory) dir->resize(kMaxSimulatorDirectory);
  if (dir->back() == plat::kPathSep) return;
  if (dir->size() == kMaxSimulatorDirectory) dir->pop_back();
  dir->push_back(plat::kPathSep);
}

}  // namespace

void DiscoverSimulator(const std::string& programDirectory, SimulatorConfig* config,
                       SimulatorFinder finder) {
  const std::string file = programDirectory + kConfigFileName;
  config->simulatorDirectory.clear();

  config->activationDelay = plat::ProfileGetInt(
      "Activate", "Delay", static_cast<int>(kDefaultActivationDelay), file.c_str());
  const unsigned colour =
      plat::ProfileGetInt("Output", "ColorT", kDefaultOverlayColour, file.c_str());
  config->overlayColour =
      colour > kMaxOverlayColour ? kDefaultOverlayColour : static_cast<std::uint8_t>(colour);

  char path[kMaxSimulatorDirectory + 1] = {};
  plat::ProfileGetString("default", "Path2LFS", "", path, sizeof(path), file.c_str());
  std::string dir = path;
  if (dir.empty() && finder != nullptr && !finder(&dir)) dir.clear();
  EndWithSeparator(&dir);
  config->simulatorDirectory = dir;
}

void DiscoverSimulator(const std::string& programDirectory, SimulatorConfig* config) {
  DiscoverSimulator(programDirectory, config, &plat::FindRunningSimulator);
}

}  // namespace director
