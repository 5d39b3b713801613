// The InSim thread: keeps the director connected to the simulator on 127.0.0.1.
//
// It runs connection attempts one after the other until it is stopped, waiting 2 s between them
// (in 100 ms steps, so a stop is seen at once). Version 3 speaks UDP: "ISI", "VER" after 100 ms,
// up to 2 s for the reply, "NLI" 200, the greeting, "SST"; then a receive loop that acknowledges
// what needs it and keeps the link alive with "ACK" 0 after 20 s without sending. Only old
// simulators speak it: after three unanswered attempts in a row the thread says so once (a
// diagnostic line) and goes on trying. Version 4 speaks TCP: IS_ISI, TINY_VER after 100 ms, the
// reply, the greeting, the two "/ctrlf" bindings of the hotkeys, TINY_SST; then a receive loop
// that cuts the stream into packets across reads. Version 10 (the 0.8 simulators) is version 4
// with Size in units of 4 bytes, IS_ISI saying 10 and up to 16 cars an IS_MCI. A reply in the
// framing of the other TCP version ends the attempt without a close packet, with a diagnostic
// line that says which version to choose, once per run of the thread (FindVersionReply). Both
// loops wait on the socket for at most 10 ms a pass, so a completed set of car positions is
// answered as soon as it arrives while the passes keep their rhythm when nothing comes; they
// hand packets to the SessionHandlers, carry out GUI requests every pass and run the update step
// once per completed set. An attempt ends on any socket error, on a version 4 connection closed
// by the simulator, on a stream that cannot be cut, or on stop (then in order: alias table
// emptied, "ISC" / TINY_CLOSE sent, socket closed).
//
// All waits but the version reply's come from the Clock (the loops' socket wait included:
// Clock::WaitReadable), so tests drive the timing rules.
#pragma once

#include <cstdint>

#include "director/insim/director_settings.h"
#include "director/insim/dispatch.h"
#include "director/insim/packets.h"
#include "director/insim/session_handlers.h"
#include "platform/thread.h"

namespace glink {
class MessageQueue;
}

namespace director {

inline constexpr char kGreeting[] = "Hello LFS, I am your Morvane";
// Said once after this many version 3 attempts in a row without an answer.
inline constexpr int kV3UnansweredAttempts = 3;
inline constexpr char kV3NoAnswerFormat[] =
    "InSim: the simulator does not answer on UDP port %u; InSim version 3 is for old simulator "
    "versions only: choose InSim V4\n";

// The InSim version a setting speaks: 3, 10, or 4 for anything else.
std::uint8_t SpokenInsimVersion(std::uint8_t setting);
inline constexpr std::uint32_t kThreadStopWaitMs = 3000;

class InsimThread {
 public:
  InsimThread(const Settings& settings, plat::Clock& clock, glink::MessageQueue& toGui,
              SessionHandlers& handlers);
  ~InsimThread();
  InsimThread(const InsimThread&) = delete;
  InsimThread& operator=(const InsimThread&) = delete;

  // Clears the stop flag and starts the thread; false when no thread could be created.
  bool StartInsimThread();
  // True at once without a thread; else stops it within 3000 ms, or returns false and keeps it.
  bool StopInsimThread();
  bool Running() const { return worker_.Running(); }

  // The simulator's version text from the last reply, e.g. "0.5V" (8 characters at most). The
  // InSim thread writes it: read it elsewhere only once the thread has stopped.
  const char* SimVersion() const { return simVersion_; }

  // The simulator's address (tests point it elsewhere); the port comes from the settings.
  void SetSimulatorAddress(std::uint32_t ip) { simulatorIp_ = ip; }

  // The update step, once per completed set of car positions (public for tests).
  void UpdateStep(InsimLink& link);

 private:
  class SocketSink;
  static void Body(void* self);
  void Run();
  void RunV3Session();
  void RunV4Session();
  bool Stopping() const { return worker_.StopRequested(); }
  // Waits up to timeoutMs in 100 ms slices; 1 readable, 0 time-out or stop, -1 error.
  int WaitReadable(std::intptr_t socket, int timeoutMs);
  void SetSimVersion(const std::uint8_t* text);
  // The version reply of a TCP attempt in the first read of count bytes; false when its framing
  // belongs to the other TCP version (the attempt then ends).
  bool TakeVersionReply(InsimLink& link, V4StreamCutter& cutter, int count);
  void NoteV3Answer(bool answered);
  void SendHotkeyBindings(InsimLink& link);
  InsimLink MakeLink(PacketSink* sink);

  const Settings& settings_;
  plat::Clock& clock_;
  glink::MessageQueue& toGui_;
  SessionHandlers& handlers_;
  plat::WorkerThread worker_;
  std::uint32_t simulatorIp_;
  std::uint32_t lastSendTick_ = 0;
  std::uint8_t show2DCountdown_[2] = {0, 0};  // version 3, versions 4 and 10
  char simVersion_[9] = {};
  // Diagnostics said at most once per run of the thread.
  bool framingSaid_ = false;
  int v3Unanswered_ = 0;
  bool v3Heard_ = false;  // some version 3 attempt of this run was answered
};

}  // namespace director
