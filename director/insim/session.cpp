#include "director/insim/session.h"

#include <cstdio>
#include <cstring>

#include "director/insim/dispatch.h"
#include "director/insim/version_reply.h"
#include "link/link_frame.h"
#include "link/message_queue.h"
#include "link/link_messages.h"
#include "platform/net.h"

namespace director {

namespace {

constexpr int kReceiveBufferSize = 10000;
constexpr std::uint32_t kVersionRequestDelayMs = 100;
constexpr int kReplyWaitMs = 2000;
constexpr int kWaitSliceMs = 100;
constexpr int kRetryWaitSlices = 20;  // 20 x 100 ms between attempts
// The longest a receive loop pass waits for data: the bound of the keep-alive, GUI request and
// hotkey rhythm and of seeing the stop flag. Data ends the wait at once.
constexpr std::uint32_t kLoopWaitMs = 10;
// Over TCP without GUI access nothing but the socket and the stop flag needs the loop, so it wakes
// as seldom as the waits between attempts do: an idle director then costs next to nothing.
constexpr std::uint32_t kQuietLoopWaitMs = kWaitSliceMs;
constexpr std::uint32_t kKeepAliveMs = 20000;
constexpr std::uint8_t kShow2DCountdownStart = 10;
constexpr int kVersionHeadSize = kVerTextOffset + kVerTextSize;
constexpr int kDiagnosticSize = 256;

}  // namespace

std::uint8_t SpokenInsimVersion(std::uint8_t setting) {
  if (setting == kInsimV3 || setting == kInsimV10) return setting;
  return kInsimV4;
}

// The session's socket as the packet sink: TCP send in version 4, sendto the simulator's
// address in version 3 (the sender of the last datagram, once one arrived).
class InsimThread::SocketSink final : public PacketSink {
 public:
  SocketSink(plat::Socket socket, bool datagram, std::uint32_t ip, std::uint16_t port)
      : socket_(socket), datagram_(datagram), ip_(ip), port_(port) {}

  void SendPacket(const std::uint8_t* data, int size) override {
    const int sent =
        datagram_ ? plat::SendTo(socket_, data, size, ip_, port_) : plat::Send(socket_, data, size);
    if (sent != size) failed_ = true;
  }
  void SetAddress(std::uint32_t ip, std::uint16_t port) {
    ip_ = ip;
    port_ = port;
  }
  bool Failed() const { return failed_; }

 private:
  plat::Socket socket_;
  bool datagram_;
  std::uint32_t ip_;
  std::uint16_t port_;
  bool failed_ = false;
};

InsimThread::InsimThread(const Settings& settings, plat::Clock& clock, glink::MessageQueue& toGui,
                         SessionHandlers& handlers)
    : settings_(settings),
      clock_(clock),
      toGui_(toGui),
      handlers_(handlers),
      simulatorIp_(plat::kLoopback) {}

InsimThread::~InsimThread() { worker_.Stop(kThreadStopWaitMs); }

bool InsimThread::StartInsimThread() { return worker_.Start(&InsimThread::Body, this); }

bool InsimThread::StopInsimThread() { return worker_.Stop(kThreadStopWaitMs); }

void InsimThread::Body(void* self) { static_cast<InsimThread*>(self)->Run(); }

InsimLink InsimThread::MakeLink(PacketSink* sink) {
  InsimLink link;
  link.version = SpokenInsimVersion(settings_.insimVersion);
  link.sink = sink;
  link.clock = &clock_;
  link.lastSendTick = &lastSendTick_;
  link.simVersion = simVersion_;
  return link;
}

void InsimThread::Run() {
  // Every run begins its GUI link traffic with the version, so a client can check it first.
  if (settings_.guiAccess != 0) {
    glink::PostVersion(toGui_, SpokenInsimVersion(settings_.insimVersion));
  }
  handlers_.OnThreadStart();
  framingSaid_ = false;
  v3Unanswered_ = 0;
  v3Heard_ = false;
  bool first = true;
  while (!Stopping()) {
    if (!first) {
      for (int i = 0; i < kRetryWaitSlices && !Stopping(); ++i) clock_.Sleep(kWaitSliceMs);
      if (Stopping()) break;
    }
    first = false;
    handlers_.OnAttemptBegin();
    if (settings_.insimVersion == 3) {
      RunV3Session();
    } else {
      RunV4Session();
    }
    if (handlers_.DirectorActive()) handlers_.OnAttemptEndedActive();
  }
  handlers_.OnThreadEnd();
}

int InsimThread::WaitReadable(std::intptr_t socket, int timeoutMs) {
  for (int waited = 0; waited < timeoutMs; waited += kWaitSliceMs) {
    const int r = plat::PollReadable(socket, kWaitSliceMs);
    if (r != 0) return r;
    if (Stopping()) return 0;
  }
  return 0;
}

void InsimThread::SetSimVersion(const std::uint8_t* text) {
  std::memcpy(simVersion_, text, kVerTextSize);
  simVersion_[kVerTextSize] = '\0';
}

void InsimThread::NoteV3Answer(bool answered) {
  if (answered) {
    v3Heard_ = true;
    v3Unanswered_ = 0;
    return;
  }
  // A simulator that has answered once in this run is an old one after all: the hint would
  // mislead, so it is given only while none ever answered.
  if (v3Heard_ || ++v3Unanswered_ != kV3UnansweredAttempts) return;
  char line[kDiagnosticSize];
  std::snprintf(line, sizeof(line), kV3NoAnswerFormat, static_cast<unsigned>(settings_.insimPort));
  handlers_.Diagnostic(line);
}

bool InsimThread::TakeVersionReply(InsimLink& link, V4StreamCutter& cutter, int count) {
  const VersionReply reply = FindVersionReply(link.version, cutter.Data(), count);
  if (reply.fit != ReplyFit::kFits) {
    // Nothing more is sent: a close packet in this framing would be misread as well.
    if (!framingSaid_) {
      char line[kDiagnosticSize];
      DescribeUnfitReply(reply, line, sizeof(line));
      handlers_.Diagnostic(line);
      framingSaid_ = true;
    }
    return false;
  }
  // The version comes from the IS_VER reply. Anything that arrived behind it in the same read is
  // kept for the receive loop; when no IS_VER can be found the start of the read is taken, as
  // older simulators may answer differently.
  std::uint8_t head[kVersionHeadSize] = {};
  std::memcpy(head, cutter.Data(),
              static_cast<std::size_t>(count < kVersionHeadSize ? count : kVersionHeadSize));
  if (reply.at >= 0) {
    std::memset(head, 0, sizeof(head));
    const int size = reply.end - reply.at;
    std::memcpy(head, cutter.Data() + reply.at,
                static_cast<std::size_t>(size < kVersionHeadSize ? size : kVersionHeadSize));
    cutter.KeepAfter(reply.end, count);
  }
  SetSimVersion(head + kVerTextOffset);
  return true;
}

void InsimThread::SendHotkeyBindings(InsimLink& link) {
  // The simulator echoes these texts when Ctrl and the bound function key are pressed; the echo
  // comes back as a message and switches the director.
  char command[64];
  std::snprintf(command, sizeof(command), "/ctrlf %d /echo activate Morvane",
                static_cast<int>(settings_.activateKey + 1));
  SendText(link, command, false);
  std::snprintf(command, sizeof(command), "/ctrlf %d /echo deactivate Morvane",
                static_cast<int>(settings_.deactivateKey + 1));
  SendText(link, command, false);
}

void InsimThread::RunV3Session() {
  const plat::OwnedSocket owned(plat::UdpOpen());
  if (!owned.Valid()) return;
  const plat::Socket s = owned.Get();
  SocketSink sink(s, true, simulatorIp_, settings_.insimPort);
  InsimLink link = MakeLink(&sink);

  SendInit(link, settings_.password);
  if (sink.Failed()) return;
  clock_.Sleep(kVersionRequestDelayMs);
  SendRequest(link, kV3VER, 0);
  std::uint8_t buffer[kReceiveBufferSize] = {};
  if (WaitReadable(s, kReplyWaitMs) != 1 ||
      plat::RecvFrom(s, buffer, kReceiveBufferSize, nullptr, nullptr) < 0) {
    if (!Stopping()) NoteV3Answer(false);
    return;
  }
  NoteV3Answer(true);
  SetSimVersion(buffer + kVerTextOffset);

  SendRequest(link, kV3NLI, kPositionIntervalMs);
  SendText(link, kGreeting, true);
  SendRequest(link, kV3SST, 0);
  handlers_.OnGreeted(link);

  bool orderly = true;
  for (;;) {
    handlers_.PollHotkeys(link);
    const int r = clock_.WaitReadable(s, kLoopWaitMs);
    if (r < 0 || Stopping()) break;
    if (r == 0) {
      if (clock_.Now() - lastSendTick_ > kKeepAliveMs) SendAck(link, 0);
      handlers_.HandleGuiRequests(link);
      continue;
    }
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    const int n = plat::RecvFrom(s, buffer, kReceiveBufferSize, &ip, &port);
    if (n < 0) {
      orderly = false;
      break;
    }
    sink.SetAddress(ip, port);
    const bool setComplete = WalkV3Datagram(link, handlers_, buffer, n);
    handlers_.HandleGuiRequests(link);
    if (setComplete) UpdateStep(link);
  }
  handlers_.OnAttemptEnd();
  if (orderly) SendRequest(link, kV3ISC, 0);
}

void InsimThread::RunV4Session() {
  const plat::OwnedSocket owned(plat::TcpOpen());
  if (!owned.Valid()) return;
  const plat::Socket s = owned.Get();
  if (!plat::Connect(s, simulatorIp_, settings_.insimPort)) return;
  // The update step may send buttons just before the camera packet; held back behind their
  // acknowledgement the camera would trail the positions by the peer's delayed-ACK time.
  plat::SetNoDelay(s);
  SocketSink sink(s, false, simulatorIp_, settings_.insimPort);
  InsimLink link = MakeLink(&sink);

  // Only the broadcast rules use contact reports.
  SendInit(link, settings_.password, settings_.rules == kRulesBroadcast);
  if (sink.Failed()) return;
  clock_.Sleep(kVersionRequestDelayMs);
  SendTiny(link, 1, TINY_VER);
  if (WaitReadable(s, kReplyWaitMs) != 1) return;
  V4StreamCutter cutter;
  const int first = plat::Recv(s, cutter.FreeSpace(), cutter.FreeCount());
  if (first <= 0 || !TakeVersionReply(link, cutter, first)) return;

  SendText(link, kGreeting, true);
  SendHotkeyBindings(link);
  SendTiny(link, 1, TINY_SST);
  handlers_.OnGreeted(link);

  bool orderly = true;
  bool pending = cutter.Kept() > 0;  // bytes that followed the version reply
  const std::uint32_t waitMs = settings_.guiAccess != 0 ? kLoopWaitMs : kQuietLoopWaitMs;
  for (;;) {
    int n = 0;
    if (!pending) {
      const int r = clock_.WaitReadable(s, waitMs);
      if (r < 0 || Stopping()) break;
      if (r == 0) {
        handlers_.HandleGuiRequests(link);
        continue;
      }
      n = plat::Recv(s, cutter.FreeSpace(), cutter.FreeCount());
      if (n <= 0) {
        // A receive error, or the simulator closed the connection: nothing more will come on
        // this socket, so the attempt ends and the next one reconnects.
        orderly = false;
        break;
      }
    }
    pending = false;
    bool setComplete = false;
    if (!cutter.Received(n, link, handlers_, &setComplete)) break;  // a Size below 4
    handlers_.HandleGuiRequests(link);
    if (setComplete) UpdateStep(link);
  }
  handlers_.OnAttemptEnd();
  if (orderly) SendTiny(link, 0, TINY_CLOSE);
}

void InsimThread::UpdateStep(InsimLink& link) {
  const bool v4 = link.version != 3;
  std::uint8_t& countdown = show2DCountdown_[v4 ? 1 : 0];
  if (v4 && !handlers_.DirectorActive()) SendTiny(link, 1, TINY_GTH);

  int carCount = 0;
  if (handlers_.EditMode()) {
    if (v4) {
      SendTiny(link, 1, TINY_SCP);
    } else {
      SendRequest(link, kV3SCP, 0);
    }
  } else if (handlers_.CameraCount() > 0) {
    const std::uint16_t flags = handlers_.StoredStateFlags();
    if ((flags & ISS_SHIFTU_NO_OPT) == 0) {
      SendShiftUNoOpt(link);
      link.MarkSent();
    } else if ((flags & ISS_SHOW_2D) == 0) {
      countdown = kShow2DCountdownStart;
    } else if (handlers_.DirectorActive()) {
      // A 2D display switched on while the director works is hidden again after ten sets.
      if (countdown == 0) {
        SendShow2D(link, 0);
        link.MarkSent();
        countdown = kShow2DCountdownStart;
      }
      --countdown;
    }
    CameraPositionRecord rec;
    handlers_.RunDirectorCycle(link, &rec);
    const bool active = handlers_.DirectorActive();
    if (v4 && settings_.overlayDisabled == 0) handlers_.OverlayUpdate(link, active);
    if (v4 && !handlers_.RaceWithLaps()) handlers_.ResetLapFigures();
    if (active && rec.fov != 0.0f) {
      SendCameraPosition(link, rec);
      link.MarkSent();
    }
    if (!active) handlers_.ClearLiveCamera();
    carCount = handlers_.RaceOrderCount();
  } else {
    handlers_.ClearLiveCamera();
  }
  if (settings_.guiAccess != 0 && handlers_.DirectorActive()) {
    handlers_.PostCars(static_cast<std::uint8_t>(carCount));
  }  handlers_.AfterPositionSet();
}

}  // namespace director
