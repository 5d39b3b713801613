// Where the simulator is installed, and the two other settings of "Morvane.cfg".
//
// DiscoverSimulator runs once per connection attempt. "Path2LFS" in section "default" of
// "Morvane.cfg" (program directory) names the simulator directory; a value without a trailing
// separator gets one. Without it the running simulator is searched through the platform layer (its
// window and executable on Windows, its Wine process elsewhere); finding nothing leaves the
// directory empty. "Delay" in "Activate" (default 200) and "ColorT" in "Output" (default 6, a value
// above 7 becomes 6) are read on every attempt, whether or not "Path2LFS" is set, so a user who
// writes the path in the file finds the other two settings of the same file honoured as well.
#pragma once

#include <cstdint>
#include <string>

namespace director {

inline constexpr char kConfigFileName[] = "Morvane.cfg";
// The simulator directory holds at most this many characters, its trailing separator included.
inline constexpr std::size_t kMaxSimulatorDirectory = 259;
inline constexpr std::uint32_t kDefaultActivationDelay = 200;
inline constexpr std::uint8_t kDefaultOverlayColour = 6;

struct SimulatorConfig {
  std::string simulatorDirectory;                           // ends with a separator, or empty
  std::uint32_t activationDelay = kDefaultActivationDelay;  // race time units (1/100 s)
  std::uint8_t overlayColour = kDefaultOverlayColour;       // 0..7
};

// The search for the running simulator: true with its directory (ending with a separator).
using SimulatorFinder = bool (*)(std::string* directory);

void DiscoverSimulator(const std::string& programDirectory, SimulatorConfig* config,
                       SimulatorFinder finder);
// With the platform's search.
void DiscoverSimulator(const std::string& programDirectory, SimulatorConfig* config);

}  // namespace director
