#include "tools/racesim/options.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
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

const std::string kValued[] = {
    "--port",        "--insim-version", "--password",     "--sim-version", "--keepalive",
    "--track",       "--nodes",         "--node-spacing", "--finish-node", "--sim-dir",
    "--program-dir", "--cams",          "--cars",         "--laps",        "--pit-stops",
    "--seed",        "--races",         "--lobby",        "--grid",        "--after",
    "--linger",      "--speed",         "--at",           "--trace",       "--max-seconds",
    "--path-format"};

}  // namespace

void PrintUsage(std::ostream& out) {
  out << "usage: racesim [options]\n"
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
  PrintCommands(out);
}

void PrintCommands(std::ostream& out) {
  out << "Commands (standard input, one a line, or --at):\n"
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
}

ParseResult ParseOptions(int argc, const char* const* argv, SimOptions* o, std::string* error) {
  bool simVersionGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= argc) {
        *error = "missing value for " + opt;
        return false;
      }
      *v = argv[++i];
      return true;
    };
    auto bad = [&](const std::string& what) {
      *error = "bad value for " + opt + ": " + what;
      return ParseResult::kError;
    };
    std::string v;
    long n = 0;
    double d = 0;
    if (opt == "--help" || opt == "-h") return ParseResult::kHelp;
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
    } else if (opt.rfind("--", 0) != 0 ||
               std::find(std::begin(kValued), std::end(kValued), opt) == std::end(kValued)) {
      *error = "unknown option " + opt;
      return ParseResult::kError;
    } else if (!value(&v)) {
      return ParseResult::kError;
    } else if (opt == "--port") {
      if (!ToInt(v, 1, 65535, &n)) return bad(v);
      o->port = static_cast<std::uint16_t>(n);
    } else if (opt == "--insim-version") {
      if (v != "3" && v != "4" && v != "10") return bad(v);
      o->version = std::atoi(v.c_str());
    } else if (opt == "--password") {
      if (v.size() > 14) return bad("at most 14 characters");
      o->password = v;
    } else if (opt == "--sim-version") {
      if (v.empty() || v.size() > 8) return bad("1 to 8 characters");
      o->simVersion = v;
      simVersionGiven = true;
    } else if (opt == "--keepalive") {
      if (!ToDouble(v, 0, 3600, &d)) return bad(v);
      o->keepAliveMs = static_cast<std::uint32_t>(d * 1000);
    } else if (opt == "--track") {
      o->track.name = v;
    } else if (opt == "--nodes") {
      if (!ToInt(v, 16, kMaxNodes, &n)) return bad(v);
      o->track.nodeCount = static_cast<int>(n);
    } else if (opt == "--node-spacing") {
      if (!ToDouble(v, 1, 20, &d)) return bad(v);
      o->track.nodeSpacing = d;
    } else if (opt == "--finish-node") {
      if (!ToInt(v, 0, kMaxNodes - 1, &n)) return bad(v);
      o->track.finishNode = static_cast<int>(n);
    } else if (opt == "--path-format") {
      if (v != "lfspth" && v != "srpath") return bad(v + " (lfspth or srpath)");
      o->track.pathFormat = v == "srpath" ? PathFormat::kSrPath : PathFormat::kLfsPth;
    } else if (opt == "--sim-dir") {
      o->simDir = v;
    } else if (opt == "--program-dir") {
      o->programDir = v;
    } else if (opt == "--cams") {
      if (!ToInt(v, 0, 100, &n)) return bad(v);
      o->cams = static_cast<int>(n);
    } else if (opt == "--cars") {
      if (!ToInt(v, 1, kMaxCars, &n)) return bad(v);
      o->race.cars = static_cast<int>(n);
    } else if (opt == "--laps") {
      if (!ToInt(v, 1, 1000, &n)) return bad(v);
      o->race.laps = static_cast<int>(n);
    } else if (opt == "--pit-stops") {
      if (!ToInt(v, 0, kMaxCars, &n)) return bad(v);
      o->race.pitStops = static_cast<int>(n);
    } else if (opt == "--seed") {
      if (!ToInt(v, 0, 2147483647, &n)) return bad(v);
      o->race.seed = o->track.seed = static_cast<std::uint32_t>(n);
    } else if (opt == "--races") {
      if (!ToInt(v, 1, 1000, &n)) return bad(v);
      o->races = static_cast<int>(n);
    } else if (opt == "--lobby" || opt == "--grid" || opt == "--after" || opt == "--linger") {
      if (!ToDouble(v, 0, 3600, &d)) return bad(v);
      const auto ms = static_cast<std::uint32_t>(d * 1000);
      (opt == "--lobby"   ? o->lobbyMs
       : opt == "--grid"  ? o->gridMs
       : opt == "--after" ? o->afterMs
                          : o->lingerMs) = ms;
    } else if (opt == "--speed") {
      if (!ToDouble(v, 0.1, 50, &d)) return bad(v + " (0.1 to 50)");
      o->speed = d;
    } else if (opt == "--at") {
      const std::size_t colon = v.find(':');
      if (colon == std::string::npos || !ToDouble(v.substr(0, colon), 0, 86400, &d) ||
          colon + 1 >= v.size()) {
        return bad(v + " (SECONDS:COMMAND)");
      }
      o->schedule.push_back({static_cast<std::uint32_t>(d * 1000), v.substr(colon + 1)});
    } else if (opt == "--trace") {
      o->tracePath = v;
    } else if (opt == "--max-seconds") {
      if (!ToDouble(v, 0, 86400, &d)) return bad(v);
      o->maxSeconds = d;
    }
  }
  std::stable_sort(
      o->schedule.begin(), o->schedule.end(),
      [](const ScheduledCommand& a, const ScheduledCommand& b) { return a.atMs < b.atMs; });
  if (o->cams > 0 && o->programDir.empty()) o->cams = 0;
  if (o->version == kInsim10) {
    // A simulator of today: its own version and the larger grids.
    if (!simVersionGiven) o->simVersion = kSimVersion10;
    o->race.maxCars = kMaxCars;
  }
  if (!Track::CheckOptions(o->track, error) || !Race::CheckOptions(o->race, error)) {
    return ParseResult::kError;
  }
  return ParseResult::kRun;
}

}  // namespace racesim
