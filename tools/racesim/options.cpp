#include "tools/racesim/options.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>

#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/version.h"

namespace racesim {

namespace {

bool ToInt(const std::string& text, long lo, long hi, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ToDouble(const std::string& text, double lo, double hi, double* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || !(v >= lo && v <= hi)) return false;
  *out = v;
  return true;
}

constexpr char kUsage[] =
    "usage: racesim [options]\n"
    "Plays the racing simulator on 127.0.0.1 for the camera director: a generated track, a\n"
    "race with battles, pit stops and results, and a live log of how it is directed.\n"
    "\n"
    "Link:\n"
    "  --port N              InSim port (default 32300)\n"
    "  --insim-version 3|4|10\n"
    "                        3: UDP, 4: TCP (default), 10: TCP as a 0.8 simulator (Size in\n"
    "                        units of 4 bytes, 16 cars a position packet, up to 48 cars)\n"
    "  --password TEXT       admin password the director must give (default: none asked)\n"
    "  --sim-version TEXT    version the simulator reports (default 0.7F, 0.8B with 10)\n"
    "  --keepalive S         seconds between keep-alive probes, version 4 (default 30; 0 "
    "off)\n"
    "Track and files:\n"
    "  --track NAME          track name, 1-6 letters or digits (default RS1)\n"
    "  --nodes N             path nodes, 16-1500 (default 600)\n"
    "  --node-spacing M      metres between nodes (default 5)\n"
    "  --finish-node N       finish line node (default: on the longest straight)\n"
    "  --sim-dir DIR         simulator directory: writes data/smx/NAME.pth and the user's\n"
    "                        custom view files\n"
    "  --no-pth              do not write the track path file\n"
    "  --path-format F       lfspth (older simulators, the default) or srpath (0.8, with\n"
    "                        the pit lane)\n"
    "  --program-dir DIR     director's program directory: writes cam/NAME.cam and the view\n"
    "                        sets views/cvw.ini, views/racesim/ (an existing .cam is kept)\n"
    "  --cams N              camera positions in the camera file (default 16; 0 none)\n"
    "  --overwrite-cams      replace an existing camera file\n"
    "  --no-views            do not write custom view files\n"
    "Race:\n"
    "  --cars N              cars, 1-40, 1-48 with --insim-version 10 (default 12)\n"
    "  --laps N              laps, 1-1000 (default 3)\n"
    "  --pit-stops N         cars that make one stop (default: a quarter, from 2 laps)\n"
    "  --incidents N         scripted incidents a race: spins, offs, stopped cars, contact\n"
    "                        (default 0: none, the race as without the option)\n"
    "  --seed N              everything generated follows from it (default 1)\n"
    "  --races N             races one after the other (default 1)\n"
    "  --replay              show the races as a replay (replay speed can be changed)\n"
    "  --mp-speedup          report the multiplayer speed-up option as switched on\n"
    "  --lobby S             seconds in the front end before a race (default 3)\n"
    "  --grid S              seconds on the grid before the lights go out (default 3)\n"
    "  --after S             seconds after the last car finished before the front end\n"
    "                        (default 6)\n"
    "  --linger S            seconds in the front end before leaving (default 3)\n"
    "Time and output:\n"
    "  --speed X             race time runs X times faster than the clock (default 1):\n"
    "                        position packets keep their interval in race time, so they come\n"
    "                        X times as often (an InSim 3 director reads one datagram\n"
    "                        per 10 ms: keep X at 5 or below with --insim-version 3)\n"
    "  --at S:COMMAND        run a command S seconds after the director first connected\n"
    "                        (the same clock as the race, so scaled by --speed); repeatable\n"
    "  --no-stdin            ignore standard input\n"
    "  --trace FILE          every packet from the director as one JSON object a line\n"
    "  --quiet               no live log, only the summary\n"
    "  --max-seconds S       give up after S seconds of wall-clock time\n"
    "  --help                this text and the commands\n"
    "\n";

constexpr char kCommands[] =
    "Commands (standard input, one a line, or --at):\n"
    "  press N               Ctrl+F N: run what the director bound to it with /ctrlf\n"
    "  type TEXT             the user types TEXT: /echo, /ctrlf or a chat line\n"
    "  pause, resume         pause the simulation\n"
    "  replay-speed X        replay speed (with --replay)\n"
    "  freecam X Y Z [H]     free camera (SHIFT+U) at X, Y, Z metres, heading H\n"
    "  freecam node N [L]    free camera 5 m above node N, L metres to the right\n"
    "  view N [PLID]         leave the free camera: in-game view N (2 TV, 4 custom)\n"
    "  2d on|off             the 2D display\n"
    "  mpspeedup on|off      the multiplayer speed-up option\n"
    "  status                the race order\n"
    "  cut                   break the version 4 connection inside a packet\n"
    "  quit                  stop now\n";

// Parsing in progress: the options so far and what decides a default at the end.
struct Parsing {
  SimOptions* o = nullptr;
  bool simVersionGiven = false;
};

// Sets an option from its value; false with the reason the value is bad (after "bad value for
// OPTION: ").
using Setter = bool (*)(const std::string& v, Parsing& p, std::string* bad);

// The value as a whole number in [lo, hi]; otherwise false with the value as the reason.
bool Int(const std::string& v, long lo, long hi, long* n, std::string* bad) {
  if (ToInt(v, lo, hi, n)) return true;
  *bad = v;
  return false;
}

bool Real(const std::string& v, double lo, double hi, double* d, std::string* bad) {
  if (ToDouble(v, lo, hi, d)) return true;
  *bad = v;
  return false;
}

// A scenario time in seconds, stored in milliseconds.
bool Seconds(const std::string& v, std::uint32_t* ms, std::string* bad) {
  double d = 0;
  if (!Real(v, 0, 3600, &d, bad)) return false;
  *ms = static_cast<std::uint32_t>(d * 1000);
  return true;
}

bool SetInsimVersion(const std::string& v, Parsing& p, std::string* bad) {
  if (v != "3" && v != "4" && v != "10") {
    *bad = v;
    return false;
  }
  p.o->version = std::atoi(v.c_str());
  return true;
}

bool SetPassword(const std::string& v, Parsing& p, std::string* bad) {
  if (v.size() > 14) {
    *bad = "at most 14 characters";
    return false;
  }
  p.o->password = v;
  return true;
}

bool SetSimVersion(const std::string& v, Parsing& p, std::string* bad) {
  if (v.empty() || v.size() > 8) {
    *bad = "1 to 8 characters";
    return false;
  }
  p.o->simVersion = v;
  p.simVersionGiven = true;
  return true;
}

bool SetPathFormat(const std::string& v, Parsing& p, std::string* bad) {
  if (v != "lfspth" && v != "srpath") {
    *bad = v + " (lfspth or srpath)";
    return false;
  }
  p.o->track.pathFormat = v == "srpath" ? PathFormat::kSrPath : PathFormat::kLfsPth;
  return true;
}

bool SetSpeed(const std::string& v, Parsing& p, std::string* bad) {
  double d = 0;
  if (!ToDouble(v, 0.1, 50, &d)) {
    *bad = v + " (0.1 to 50)";
    return false;
  }
  p.o->speed = d;
  return true;
}

bool AddScheduled(const std::string& v, Parsing& p, std::string* bad) {
  const std::size_t colon = v.find(':');
  double d = 0;
  if (colon == std::string::npos || !ToDouble(v.substr(0, colon), 0, 86400, &d) ||
      colon + 1 >= v.size()) {
    *bad = v + " (SECONDS:COMMAND)";
    return false;
  }
  p.o->schedule.push_back({static_cast<std::uint32_t>(d * 1000), v.substr(colon + 1)});
  return true;
}

struct ValuedOption {
  const char* name;
  Setter set;
};

// Captureless lambdas: each converts to a Setter.
const ValuedOption kValued[] = {
    {"--port",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 1, 65535, &n, bad)) return false;
       p.o->port = static_cast<std::uint16_t>(n);
       return true;
     }},
    {"--insim-version", SetInsimVersion},
    {"--password", SetPassword},
    {"--sim-version", SetSimVersion},
    {"--keepalive", [](const std::string& v, Parsing& p,
                       std::string* bad) { return Seconds(v, &p.o->keepAliveMs, bad); }},
    {"--track",
     [](const std::string& v, Parsing& p, std::string*) {
       p.o->track.name = v;
       return true;
     }},
    {"--nodes",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 16, kMaxNodes, &n, bad)) return false;
       p.o->track.nodeCount = static_cast<int>(n);
       return true;
     }},
    {"--node-spacing",
     [](const std::string& v, Parsing& p, std::string* bad) {
       return Real(v, 1, 20, &p.o->track.nodeSpacing, bad);
     }},
    {"--finish-node",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 0, kMaxNodes - 1, &n, bad)) return false;
       p.o->track.finishNode = static_cast<int>(n);
       return true;
     }},
    {"--path-format", SetPathFormat},
    {"--sim-dir",
     [](const std::string& v, Parsing& p, std::string*) {
       p.o->simDir = v;
       return true;
     }},
    {"--program-dir",
     [](const std::string& v, Parsing& p, std::string*) {
       p.o->programDir = v;
       return true;
     }},
    {"--cams",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 0, 100, &n, bad)) return false;
       p.o->cams = static_cast<int>(n);
       return true;
     }},
    {"--cars",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 1, kMaxCars, &n, bad)) return false;
       p.o->race.cars = static_cast<int>(n);
       return true;
     }},
    {"--laps",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 1, 1000, &n, bad)) return false;
       p.o->race.laps = static_cast<int>(n);
       return true;
     }},
    {"--pit-stops",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 0, kMaxCars, &n, bad)) return false;
       p.o->race.pitStops = static_cast<int>(n);
       return true;
     }},
    {"--incidents",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 0, 100, &n, bad)) return false;
       p.o->race.incidents = static_cast<int>(n);
       return true;
     }},
    {"--seed",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 0, 2147483647, &n, bad)) return false;
       p.o->race.seed = p.o->track.seed = static_cast<std::uint32_t>(n);
       return true;
     }},
    {"--races",
     [](const std::string& v, Parsing& p, std::string* bad) {
       long n = 0;
       if (!Int(v, 1, 1000, &n, bad)) return false;
       p.o->races = static_cast<int>(n);
       return true;
     }},
    {"--lobby", [](const std::string& v, Parsing& p,
                   std::string* bad) { return Seconds(v, &p.o->lobbyMs, bad); }},
    {"--grid", [](const std::string& v, Parsing& p,
                  std::string* bad) { return Seconds(v, &p.o->gridMs, bad); }},
    {"--after", [](const std::string& v, Parsing& p,
                   std::string* bad) { return Seconds(v, &p.o->afterMs, bad); }},
    {"--linger", [](const std::string& v, Parsing& p,
                    std::string* bad) { return Seconds(v, &p.o->lingerMs, bad); }},
    {"--speed", SetSpeed},
    {"--at", AddScheduled},
    {"--trace",
     [](const std::string& v, Parsing& p, std::string*) {
       p.o->tracePath = v;
       return true;
     }},
    {"--max-seconds", [](const std::string& v, Parsing& p,
                         std::string* bad) { return Real(v, 0, 86400, &p.o->maxSeconds, bad); }},
};

// The options without a value; false for an option that is not one of them.
bool SetFlag(const std::string& opt, SimOptions* o) {
  if (opt == "--no-pth") {
    o->writePath = false;
  } else if (opt == "--overwrite-cams") {
    o->overwriteCams = true;
  } else if (opt == "--no-views") {
    o->views = false;
  } else if (opt == "--replay") {
    o->replay = true;
  } else if (opt == "--mp-speedup") {
    o->mpSpeedup = true;
  } else if (opt == "--no-stdin") {
    o->readStdin = false;
  } else if (opt == "--quiet") {
    o->quiet = true;
  } else {
    return false;
  }
  return true;
}

const ValuedOption* FindValued(const std::string& opt) {
  for (const ValuedOption& v : kValued) {
    if (opt == v.name) return &v;
  }
  return nullptr;
}

// What follows from the options as a whole: the schedule in time order, no cameras without a
// program directory, a 0.8 simulator's version and grid, and a track and race that can be made.
bool FinishOptions(const Parsing& p, std::string* error) {
  SimOptions* o = p.o;
  std::stable_sort(
      o->schedule.begin(), o->schedule.end(),
      [](const ScheduledCommand& a, const ScheduledCommand& b) { return a.atMs < b.atMs; });
  if (o->cams > 0 && o->programDir.empty()) o->cams = 0;
  if (o->version == kInsim10) {
    // A simulator of today: its own version and the larger grids.
    if (!p.simVersionGiven) o->simVersion = kSimVersion10;
    o->race.maxCars = kMaxCars;
  }
  return Track::CheckOptions(o->track, error) && Race::CheckOptions(o->race, error);
}

}  // namespace

void PrintUsage(std::ostream& out) { out << kUsage << kCommands; }

void PrintCommands(std::ostream& out) { out << kCommands; }

ParseResult ParseOptions(int argc, const char* const* argv, SimOptions* o, std::string* error) {
  Parsing parsing;
  parsing.o = o;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--help" || opt == "-h") return ParseResult::kHelp;
    if (SetFlag(opt, o)) continue;
    const ValuedOption* valued = opt.rfind("--", 0) == 0 ? FindValued(opt) : nullptr;
    if (valued == nullptr) {
      *error = "unknown option " + opt;
      return ParseResult::kError;
    }
    if (i + 1 >= argc) {
      *error = "missing value for " + opt;
      return ParseResult::kError;
    }
    std::string bad;
    if (!valued->set(argv[++i], parsing, &bad)) {
      *error = "bad value for " + opt + ": " + bad;
      return ParseResult::kError;
    }
  }
  return FinishOptions(parsing, error) ? ParseResult::kRun : ParseResult::kError;
}

}  // namespace racesim
