// The director's packets and the session they make: the introduction and the version reply,
// requests and acknowledgements, keep-alive answers, the end of a session, and the handing on of
// camera, flag, text and button packets. Every packet is read by the wire modules' decoders.
#include <algorithm>

#include "platform/thread.h"
#include "tools/racesim/simulator.h"
#include "tools/racesim/wire/buttons.h"
#include "tools/racesim/wire/requests.h"
#include "tools/racesim/wire/texts.h"
#include "tools/racesim/wire/version.h"

namespace racesim {

namespace {

constexpr std::uint32_t kMinIntervalMs = 10;
constexpr std::uint32_t kMaxIntervalMs = 60000;
constexpr char kPathComplaint[] = "could not load pth file";
constexpr std::uint32_t kMsPerRaceTimeUnit = 10;  // SMALL_RTP before version 10: hundredths

bool IsV3Request(std::uint32_t id) {
  return id == kV3VER || id == kV3NLI || id == kV3SST || id == kV3SCP || id == kV3NPL ||
         id == kV3ISC || id == kV3ACK;
}

}  // namespace

void Simulator::Send(const Bytes& packet) {
  server_.Send(options_.version == kInsim10 ? Frame10(packet) : packet);
}

Bytes Simulator::VersionReply(std::uint8_t reqI) const {
  const int insimVer = options_.version == kInsim10 ? kInsim10 : kInsim4;
  return EncodeVer({reqI, options_.simVersion, "S3", insimVer});
}

void Simulator::AnsweredVersion() {
  versionAnswered_ = true;
  heardAfterVersion_ = false;
  versionWall_ = plat::TickCount();
}

std::uint16_t Simulator::NextAck(const char* what) {
  if (nextAck_ == 0) nextAck_ = 1;  // 0 is the director's keep-alive
  const std::uint16_t word = nextAck_++;
  acksPending_[word] = {what, plat::TickCount()};
  ++facts_.acksExpected;
  return word;
}

void Simulator::OnConnected() {
  connected_ = true;
  Log("link", "a program connected; waiting for its IS_ISI");
  TraceEvent("tcp_accepted");
}

void Simulator::OnDisconnected(const std::string& why) {
  connected_ = false;
  EndSession(why, false);
}

void Simulator::EndSession(const std::string& why, bool drop) {
  if (introduced_ || connected_ || drop) {
    Log("link", why);
    TraceEvent("disconnected", ",\"reason\":" + JsonString(why));
  }
  introduced_ = false;
  ready_ = false;
  contacts_ = false;
  versionAnswered_ = false;
  interval_ = 0;
  probeOutstanding_ = false;
  stateSent_ = false;
  if (drop) server_.Drop();
  connected_ = false;
}

void Simulator::HandleInit(const std::string& admin, std::uint16_t interval, bool positions,
                           const std::string& name) {
  if (!options_.password.empty() && admin != options_.password) {
    Log("link", "wrong admin password from \"" + name + "\": refused");
    TraceEvent("refused", ",\"reason\":\"admin password\"");
    EndSession("connection refused", true);
    return;
  }
  introduced_ = true;
  versionAnswered_ = false;
  heardAfterVersion_ = false;
  introducedWall_ = plat::TickCount();
  lastFromDirectorWall_ = introducedWall_;
  nextProbeWall_ = introducedWall_ + options_.keepAliveMs;
  probeOutstanding_ = false;
  stateSent_ = false;
  interval_ =
      positions ? static_cast<std::uint16_t>(std::max<std::uint32_t>(interval, kMinIntervalMs)) : 0;
  ++connections_;
  const std::string how = options_.version == 3          ? "InSim 3 over UDP"
                          : options_.version == kInsim10 ? "InSim 10 over TCP"
                                                         : "InSim 4 over TCP";
  std::string text = "\"" + name + "\" connected, " + how;
  if (options_.version != 3) {
    text += positions ? ", positions every " + std::to_string(interval_) + " ms"
                      : ", no positions asked for";
  }
  Log("link", text);
  TraceEvent("connected", ",\"name\":" + JsonString(name));
  facts_.connection = how + ", " + std::to_string(connections_) + " connection" +
                      (connections_ == 1 ? "" : "s") + " by \"" + name + "\"";
}

void Simulator::OnPacket(const std::uint8_t* data, int size) {
  const bool v3 = options_.version == 3;
  if (v3) {
    // Only the director's own address counts once it has introduced itself.
    const bool isInit = size >= 4 && V3IdOf(data) == kV3ISI;
    if (introduced_ && !isInit &&
        (server_.LastDatagramIp() != v3SourceIp_ || server_.LastDatagramPort() != v3SourcePort_)) {
      return;
    }
  }
  trace_.Packet(WallMs(), RaceMs(), DecodeDirectorPacket(options_.version, data, size), size);
  lastFromDirectorWall_ = plat::TickCount();
  const bool afterVersion = versionAnswered_;
  if (v3) {
    HandleV3(data, size);
  } else {
    HandleV4(data, size);
  }
  if (afterVersion && versionAnswered_) heardAfterVersion_ = true;
}

void Simulator::HandleMessage(const std::string& text) {
  if (text.find(kPathComplaint) != std::string::npos) facts_.pathComplaint = true;
  log_.OnText("message", text);
}

void Simulator::HandleByteCounted(const std::uint8_t* p, int size) {
  InitPacket init;
  TinyPacket tiny;
  if (p[kTypeAt] == ISP_ISI && size == kIsiSize && DecodeIsi(p, size, &init)) {
    Log("link", "\"" + init.name + "\" introduced itself in the byte-counted framing (InSim " +
                    std::to_string(init.insimVer) +
                    "); this 0.8 simulator has no compatibility mode");
    TraceEvent("byte_counted_init", ",\"insimver\":" + std::to_string(init.insimVer));
  } else if (DecodeTiny(p, size, &tiny) && tiny.subT == TINY_VER) {
    Send(VersionReply(tiny.reqI));
  }
}

void Simulator::HandleV4Init(const std::uint8_t* p, int size) {
  if (options_.version == kInsim10 && server_.ClientByteCounted()) {
    HandleByteCounted(p, size);
    return;
  }
  InitPacket init;
  if (p[kTypeAt] != ISP_ISI || size != kIsiSize || !DecodeIsi(p, size, &init)) {
    Log("link", "packet type " + std::to_string(p[kTypeAt]) + " before IS_ISI ignored");
    return;
  }
  HandleInit(init.admin, init.interval, (init.flags & ISF_MCI) != 0, init.name);
  // Only the 0.8 simulators know the flag: a version 4 stand-in ignores it, like an older one.
  contacts_ = introduced_ && options_.version == kInsim10 && (init.flags & ISF_CON) != 0;
  if (contacts_) Log("link", "contact reports asked for");
  if (introduced_ && init.reqI != 0) {
    Send(VersionReply(init.reqI));
    AnsweredVersion();
  }
}

void Simulator::HandleV4(const std::uint8_t* p, int size) {
  if (!introduced_) {
    HandleV4Init(p, size);
    return;
  }
  TinyPacket tiny;
  StateFlagPacket flag;
  CameraRecord camera;
  std::string text;
  std::uint8_t sound = 0;
  switch (p[kTypeAt]) {
    case ISP_TINY:
      if (DecodeTiny(p, size, &tiny)) HandleTiny(tiny.reqI, tiny.subT);
      break;
    case ISP_SFP:
      if (DecodeSfp(p, size, &flag)) HandleStateFlag(flag.flag, flag.on != 0);
      break;
    case ISP_CPP:
      if (DecodeCpp(p, size, &camera)) HandleCamera(camera);
      break;
    case ISP_MST:
      if (DecodeMst(p, size, &text)) Typed(text, true);
      break;
    case ISP_MSL:
      if (DecodeMsl(p, size, &text, &sound)) HandleMessage(text);
      break;
    case ISP_BTN:
      HandleButton(p, size);
      break;
    case ISP_BFN:
      HandleDeleteButton(p, size);
      break;
    default:
      Log("link", "packet type " + std::to_string(p[kTypeAt]) + " ignored");
      break;
  }
}

void Simulator::HandleDeleteButton(const std::uint8_t* p, int size) {
  ButtonFunction function;
  if (!DecodeBfn(p, size, &function)) return;
  if (function.subT == BFN_DEL_BTN) {
    log_.OnDeleteButton(function.clickId);
  } else {
    Log("link", "IS_BFN subtype " + std::to_string(function.subT) + " ignored");
  }
}

void Simulator::HandleTiny(std::uint8_t reqI, std::uint8_t subT) {
  switch (subT) {
    case TINY_NONE:
      if (probeOutstanding_) {
        probeOutstanding_ = false;
        ++facts_.keepAliveAnswered;
      }
      break;
    case TINY_VER:
      Send(VersionReply(reqI));
      AnsweredVersion();
      break;
    case TINY_CLOSE:
      EndSession("the director closed InSim (TINY_CLOSE)", true);
      break;
    case TINY_SST:
      if (ready_ || versionAnswered_) SendState(reqI);
      break;
    case TINY_SCP:
      Send(EncodeCpp(reqI, CameraReport()));
      break;
    case TINY_GTH:  // TINY_GTM of version 10: milliseconds
      Send(EncodeSmall({reqI, SMALL_RTP,
                        options_.version == kInsim10 ? RaceMs() : RaceMs() / kMsPerRaceTimeUnit}));
      break;
    case TINY_NPL:
      SendPlayers(reqI);
      break;
    case TINY_RST:
      if (CarsOnTrack()) SendRaceStart(reqI);
      break;
    default:
      Log("link", TinyName(subT) + " ignored");
      break;
  }
}

void Simulator::HandleV3Init(const std::uint8_t* p, int size) {
  V3InitPacket init;
  if (!DecodeV3Isi(p, size, &init)) return;
  if (introduced_) EndSession("the director started a new session", false);
  v3SourceIp_ = server_.LastDatagramIp();
  v3SourcePort_ = server_.LastDatagramPort();
  server_.SetV3Peer(v3SourceIp_, init.replyPort != 0 ? init.replyPort : v3SourcePort_);
  HandleInit(init.admin, 0, false, "InSim 3 program");
}

void Simulator::HandleV3(const std::uint8_t* p, int size) {
  if (size < 4) return;
  const std::uint32_t id = V3IdOf(p);
  if (id == kV3ISI) {
    HandleV3Init(p, size);
    return;
  }
  if (!introduced_) return;
  V3Request request{id, 0};
  std::string text;
  CameraRecord camera;
  ViewChange view;
  StateFlagPacket flag;
  if (IsV3Request(id)) {
    DecodeV3Request(p, size, &request);  // a short request keeps the value 0
    HandleV3Request(id, request.value);
  } else if (DecodeV3Mtc(p, size, &text)) {
    HandleMessage(text);
  } else if (id == kV3CPP && DecodeCpp(p, size, &camera)) {
    HandleCamera(camera);
  } else if (DecodeV3Scc(p, size, &view)) {
    HandleViewChange(view.view, view.plid, true);
  } else if (DecodeV3Sfp(p, size, &flag)) {
    HandleStateFlag(flag.flag, flag.on != 0);
  } else {
    Log("link", "unknown packet \"" + FieldText(p, 4) + "\"");
  }
}

void Simulator::HandleV3Request(std::uint32_t id, std::uint32_t value) {
  if (id == kV3VER) {
    Send(EncodeV3Ver({0, options_.simVersion, "S2", kInsim3}));
    AnsweredVersion();
  } else if (id == kV3NLI) {
    interval_ = value == 0 ? 0
                           : static_cast<std::uint16_t>(
                                 std::clamp<std::uint32_t>(value, kMinIntervalMs, kMaxIntervalMs));
    Log("link", value == 0 ? std::string("no positions asked for")
                           : "positions every " + std::to_string(interval_) + " ms");
  } else if (id == kV3SST) {
    SendState(0);
  } else if (id == kV3SCP) {
    Send(EncodeV3Cpp(CameraReport()));
  } else if (id == kV3NPL) {
    if (CarsOnTrack() && value < race_->Cars().size()) {
      const int i = static_cast<int>(value);
      Send(EncodeV3Npl(Player(i), static_cast<std::uint8_t>(i), NextAck("NPL")));
    }
  } else if (id == kV3ISC) {
    EndSession("the director closed InSim (\"ISC\")", true);
  } else if (id == kV3ACK) {
    HandleAck(value);
  }
}

void Simulator::HandleAck(std::uint32_t value) {
  if (value == 0) return;  // the director's keep-alive
  // The word is zero-extended: anything in the upper bytes answers no packet.
  const auto it =
      value > 0xFFFF ? acksPending_.end() : acksPending_.find(static_cast<std::uint16_t>(value));
  if (it != acksPending_.end()) {
    acksPending_.erase(it);
    ++facts_.acksReceived;
  } else {
    Log("link", "ACK " + std::to_string(value) + " for no packet");
  }
}

}  // namespace racesim
