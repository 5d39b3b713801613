// The stand-in's command line.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/racesim/race.h"
#include "tools/racesim/track.h"

namespace racesim {

struct ScheduledCommand {
  std::uint32_t atMs = 0;  // scenario time
  std::string command;
};

struct SimOptions {
  int version = 4;  // 3 (UDP), 4 or 10 (TCP)
  std::uint16_t port = 32300;
  std::string password;
  std::string simVersion = "0.7F";
  TrackOptions track;
  RaceOptions race;
  std::string simDir;
  std::string programDir;
  int cams = 16;
  bool views = true;
  bool overwriteCams = false;
  bool writePath = true;
  double speed = 1.0;
  std::string tracePath;
  bool quiet = false;
  std::uint32_t lobbyMs = 3000;
  std::uint32_t gridMs = 3000;
  std::uint32_t afterMs = 6000;
  std::uint32_t lingerMs = 3000;
  int races = 1;
  bool replay = false;
  bool mpSpeedup = false;
  std::uint32_t keepAliveMs = 30000;  // wall clock; 0: no probes
  std::vector<ScheduledCommand> schedule;
  bool readStdin = true;
  double maxSeconds = 0;  // wall clock; 0: no limit
};

enum class ParseResult { kRun, kHelp, kError };

ParseResult ParseOptions(int argc, const char* const* argv, SimOptions* options,
                         std::string* error);
void PrintUsage(std::ostream& out);
// The commands understood on standard input and in --at.
void PrintCommands(std::ostream& out);

}  // namespace racesim
