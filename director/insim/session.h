// The InSim thread: keeps the director connected to the simulator on 127.0.0.1.
//
// It runs connection attempts one after the other until it is stopped, waiting 2 s between them
// (in 100 ms steps, so a stop is seen at once). Version 3 speaks UDP: "ISI", "VER" after 100 ms,
// up to 2 s for the reply, "NLI" 200, the greeting, "SST"; then a receive loop that acknowledges
// what needs it and keeps the link alive with "ACK" 0 after 20 s without sending. Version 4 speaks
// TCP: IS_ISI, TINY_VER after 100 ms, the reply, the greeting, the two "/ctrlf" bindings of the
// hotkeys, TINY_SST; then a receive loop that cuts the stream into packets across reads. Both
// loops sleep 10 ms per pass, hand packets to the SessionHandlers, carry out GUI requests every
// pass and run the update step once per completed set of car positions. An attempt ends on any
// socket error, on a version 4 connection closed by the simulator, on a stream that cannot be
// cut, or on stop (then in order: alias table emptied, "ISC" / TINY_CLOSE sent, socket closed).
//
// All waits but the socket polls come from the Clock, so tests drive the timing rules.
#pragma once

#include <cstdint>

#include "director/app/settings.h"
#include "director/insim/packets.h"
#include "director/insim/session_handlers.h"
#include "platform/thread.h"

namespace glink {
class MessageQueue;
}

namespace director {

inline constexpr char kGreeting[] = "Hello LFS, I am your Morvane";
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

  // The simulator's version text from the last reply, e.g. "0.5V" (8 characters at most).
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
  void SendHotkeyBindings(InsimLink& link);
  InsimLink MakeLink(PacketSink* sink);

  const Settings& settings_;
  plat::Clock& clock_;
  glink::MessageQueue& toGui_;
  SessionHandlers& handlers_;
  plat::WorkerThread worker_;
  std::uint32_t simulatorIp_;
  std::uint32_t lastSendTick_ = 0;
  std::uint8_t show2DCountdown_[2] = {0, 0};  // version 3, version 4
  char simVersion_[9] = {};
};

}  // namespace director
