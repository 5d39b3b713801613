// Commands from standard input and the schedule (press, type, pause, freecam, view, cut, ...) and
// what the user types in the simulator: "/ctrlf N TEXT" binds Ctrl+F N, "/echo TEXT" echoes it,
// and any other text is a chat line that comes back as a user's message.
#include <cmath>
#include <sstream>

#include "tools/racesim/simulator.h"
#include "tools/racesim/wire/texts.h"

namespace racesim {

namespace {

constexpr char kHostName[] = "^7Host";
constexpr double kPi = 3.14159265358979323846;
constexpr double kFreeCameraHeight = 5;  // metres above the node

std::string Trimmed(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r' || s[a] == '\n')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r' || s[b - 1] == '\n'))
    --b;
  return s.substr(a, b - a);
}

// The first word of a trimmed text and the trimmed rest.
void SplitWord(const std::string& text, std::string* word, std::string* rest) {
  std::istringstream in(text);
  in >> *word;
  std::getline(in, *rest);
  *rest = Trimmed(*rest);
}

}  // namespace

void Simulator::Command(const std::string& line) {
  const std::string text = Trimmed(line);
  if (text.empty()) return;
  TraceEvent("command", ",\"text\":" + JsonString(text));
  std::string word, rest;
  SplitWord(text, &word, &rest);
  if (word == "press") {
    PressKey(rest);
  } else if (word == "type" || word == "say") {
    Typed(rest, false);
  } else if (word == "pause" || word == "resume" || word == "unpause") {
    paused_ = word == "pause";
    Log("sim", paused_ ? "paused" : "running again");
    StateChanged();
  } else if (word == "replay-speed") {
    SetReplaySpeed(rest);
  } else if (word == "freecam") {
    FreeCameraCommand(rest);
  } else if (word == "view") {
    ViewCommand(rest);
  } else if (word == "2d" || word == "mpspeedup") {
    FlagCommand(word, rest);
  } else if (word == "status") {
    StatusCommand();
  } else if (word == "cut") {
    CutCommand();
  } else if (word == "quit") {
    phase_ = Phase::kDone;
  } else if (word == "help") {
    PrintCommands(out_);
  } else {
    Log("sim", "unknown command \"" + text + "\" (try help)");
  }
}

void Simulator::PressKey(const std::string& args) {
  int key = 0;
  std::istringstream(args) >> key;
  const auto it = bindings_.find(key);
  if (it == bindings_.end()) {
    Log("sim", "Ctrl+F" + std::to_string(key) + " is not bound");
    return;
  }
  Log("sim", "Ctrl+F" + std::to_string(key) + " pressed");
  Typed(it->second, false);
}

void Simulator::SetReplaySpeed(const std::string& args) {
  double speed = 0;
  std::istringstream(args) >> speed;
  if (!options_.replay) {
    Log("sim", "not a replay: the speed cannot be changed");
  } else if (!(speed >= 0.01 && speed <= 16)) {
    Log("sim", "replay speed must be between 0.01 and 16");
  } else {
    replaySpeed_ = static_cast<float>(speed);
    Log("sim", "replay speed " + args);
    StateChanged();
  }
}

void Simulator::FreeCameraCommand(const std::string& args) {
  std::istringstream in(args);
  std::string first;
  in >> first;
  double x = 0, y = 0, z = 0, h = 0;
  if (first == "node") {
    int node = 0;
    double lateral = 0;
    in >> node;
    if (in.fail()) {
      Log("sim", "freecam node N [L]");
      return;
    }
    in >> lateral;
    const Pose p = track_->At(track_->Wrap(node) * track_->Spacing(), in.fail() ? 0 : lateral);
    x = p.x;
    y = p.y;
    z = p.z + kFreeCameraHeight;
    h = std::atan2(p.dy, p.dx) / kPi * 32768.0 + 16384.0;
  } else {
    std::istringstream all(args);
    all >> x >> y >> z;
    if (all.fail()) {
      Log("sim", "freecam X Y Z [H]");
      return;
    }
    all >> h;
  }
  MoveFreeCamera(x, y, z, h);
  Log("sim", "free camera at " + args);
  StateChanged();
}

void Simulator::ViewCommand(const std::string& args) {
  int view = -1, plid = 0;
  std::istringstream in(args);
  in >> view >> plid;
  if (view < 0 || view > 255) {
    Log("sim", "view N [PLID]");
    return;
  }
  HandleViewChange(static_cast<std::uint8_t>(view), static_cast<std::uint8_t>(plid), false);
}

void Simulator::FlagCommand(const std::string& word, const std::string& args) {
  if (args != "on" && args != "off") {
    Log("sim", word + " on|off");
    return;
  }
  HandleStateFlag(word == "2d" ? ISS_SHOW_2D : ISS_MPSPEEDUP, args == "on");
}

void Simulator::StatusCommand() {
  std::string order;
  if (CarsOnTrack()) {
    for (int i : race_->Order()) {
      const Car& c = race_->Cars()[static_cast<std::size_t>(i)];
      order += " " + std::to_string(c.position) + ".#" + std::to_string(c.plid);
    }
  }
  Log("status", order.empty() ? std::string("no race") : "order" + order);
}

void Simulator::CutCommand() {
  // A link that breaks inside a packet: the first half of a state report, then the end of the
  // connection. Over UDP there is no stream to break.
  if (options_.version == 3 || !server_.HasPeer()) {
    Log("sim", "cut: no TCP connection");
    return;
  }
  Bytes half = EncodeSta(0, CurrentState());
  if (options_.version == kInsim10) half = Frame10(half);
  half.resize(half.size() / 2);
  server_.Send(half);
  EndSession("the simulator cut the connection inside a packet", true);
}

void Simulator::Typed(const std::string& raw, bool fromDirector) {
  const std::string text = Trimmed(raw);
  if (text.empty()) return;
  if (text[0] != '/') {
    // A chat line from the local user: "name : text", as every chat line reaches InSim.
    if (fromDirector) log_.OnText("says", text);
    const std::string prefix = std::string(kHostName) + " ^7: ^8";
    Echo(prefix + text, MSO_USER, static_cast<std::uint8_t>(prefix.size()));
    return;
  }
  std::string command, rest;
  SplitWord(text, &command, &rest);
  if (command == "/ctrlf") {
    BindKey(text, rest);
  } else if (command == "/echo") {
    Echo(rest, MSO_SYSTEM, 0);
  } else {
    Log("sim", "unknown command \"" + text + "\"");
  }
}

void Simulator::BindKey(const std::string& text, const std::string& args) {
  std::istringstream in(args);
  int key = 0;
  in >> key;
  std::string bound;
  std::getline(in, bound);
  bound = Trimmed(bound);
  if (in.fail() && bound.empty() && !(key >= 1 && key <= 12)) return;
  if (key < 1 || key > 12) {
    Log("sim", "\"" + text + "\": the key must be 1 to 12");
    return;
  }
  if (bound.empty()) {
    bindings_.erase(key);
    Log("sim", "Ctrl+F" + std::to_string(key) + " unbound");
  } else {
    bindings_[key] = bound;
    Log("sim", "Ctrl+F" + std::to_string(key) + " bound to \"" + bound + "\"");
  }
  TraceEvent("bound", ",\"key\":" + std::to_string(key) + ",\"text\":" + JsonString(bound));
}

void Simulator::Echo(const std::string& text, std::uint8_t userType, std::uint8_t textStart) {
  if (!ready_) return;
  Send(options_.version == 3 ? EncodeV3Mso(text) : EncodeMso({0, 0, userType, textStart, text}));
  log_.OnText("echo", text);
}

}  // namespace racesim
