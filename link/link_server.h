// The director's end of the GUI link: a thread that listens on the GUI port (every local address,
// backlog 2) and serves one GUI client at a time.
//
// For each accepted client it starts the InSim thread (whose first record is GLM_VERSION), cuts
// the client's frames into ToDirectorQueue as soon as they arrive and sends every ToGuiQueue
// record as a frame within 10 ms. The connection ends on the client's goodbye, on the client
// closing its side, on a poll or receive error or a stream that cannot be cut (each answered with
// the server's goodbye), on a failed send (closed without goodbye), or on stop (goodbye, then close). A client that takes
// no data for kSendWaitMs (its window and our buffer of kClientSendBuffer bytes, some seconds of
// records, full) counts as a failed send: a frozen or vanished client never holds the server, so a
// stop stays within its bound, and a client that cannot keep up is let go to reconnect rather
// than fed minutes-old positions. After each client
// the InSim thread is stopped and whatever it left in both queues is discarded, so the next client
// starts clean with its own GLM_VERSION. Further clients wait in the backlog meanwhile. While
// listening, the stop flag is seen within about a second.
//
// StartGuiServer returns only once the port is listening or has failed: a port that cannot be
// opened is reported to the caller (FailureText) instead of leaving a server that never serves.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "link/frame_receiver.h"
#include "link/link_frame.h"
#include "link/message_queue.h"
#include "platform/thread.h"

namespace glink {

inline constexpr std::uint32_t kServerStopWaitMs = 3000;
inline constexpr int kServerBacklog = 2;
inline constexpr int kListenWaitMs = 1000;
// How long one frame may wait for a client that does not read; the goodbye waits less, as it is
// sent while a stop is under way.
inline constexpr int kSendWaitMs = 1000;
inline constexpr int kGoodbyeWaitMs = 250;
inline constexpr int kClientSendBuffer = 64 * 1024;

// The InSim thread as the server runs it: once per client.
class InsimThreadControl {
 public:
  virtual ~InsimThreadControl() = default;
  virtual bool StartInsimThread() = 0;
  // True when the thread has ended (or none ran); false when it did not end in time.
  virtual bool StopInsimThread() = 0;
};

class GuiServer {
 public:
  // port is read at every StartGuiServer (0 lets the system choose: see ListeningPort). toGui is
  // drained by the server (take), toDirector filled by it.
  GuiServer(const std::uint16_t& port, MessageQueue& toGui, MessageQueue& toDirector,
            plat::Clock& clock, InsimThreadControl& insim);
  ~GuiServer();
  GuiServer(const GuiServer&) = delete;
  GuiServer& operator=(const GuiServer&) = delete;

  // Starts the server thread and waits until it listens: true. False when no thread could be
  // created, one is still held, or the port could not be opened (FailureText says why).
  bool StartGuiServer();
  // True at once without a thread; otherwise stops it within 3000 ms, or false and it is kept.
  bool StopGuiServer();
  bool Running() const { return worker_.Running(); }

  // Why the last StartGuiServer failed, for the user; empty when it did not fail that way.
  const char* FailureText() const { return failure_; }
  // The port being listened on (useful with port 0); 0 while not listening.
  std::uint16_t ListeningPort() const { return listeningPort_.load(); }

 private:
  enum class StartState { kPending, kListening, kFailed };

  static void Body(void* self);
  void Run();
  void Serve(plat::Socket client);
  void Goodbye(plat::Socket client);
  void ReportStart(StartState state);
  bool Stopping() const { return worker_.StopRequested(); }

  const std::uint16_t& port_;
  MessageQueue& toGui_;
  MessageQueue& toDirector_;
  plat::Clock& clock_;
  InsimThreadControl& insim_;
  plat::WorkerThread worker_;

  std::mutex startMutex_;
  std::condition_variable startChanged_;
  StartState startState_ = StartState::kPending;
  std::uint16_t startPort_ = 0;  // the port this run binds
  std::atomic<std::uint16_t> listeningPort_{0};
  char failure_[96] = {};  // written by the thread before it reports kFailed

  FrameReceiver receiver_;  // server thread only
  LinkRecord record_;
  std::uint8_t frame_[kFrameBufferSize] = {};
};

}  // namespace glink
