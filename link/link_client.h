// The GUI client's end of the GUI link: the communication thread and the message dispatcher.
//
// LinkClient owns the client's two queues. Its communication thread connects to the director,
// turns the director's frames into records in ToGuiQueue as soon as they arrive and sends every
// record of ToDirectorQueue within 10 ms; when a connection ends (goodbye frame, peer closed,
// socket error, a stream that cannot be cut, or stop) it sends its own goodbye, queues a
// "connection ended" record that the dispatcher turns into the no-track case, drops unsent
// requests, and tries again every 2 s until stopped. Requests made while no connection stands are
// dropped too (after a failed attempt and on stop), so a director never receives requests made
// before its session began. Phase tells the window where the thread stands.
// DispatchLinkMessages runs on the window thread's 10 ms timer: it checks the link version
// (GLM_VERSION 0, 2 must come first on every connection), hands each record, decoded and
// size-checked, to the model's handler, and runs extrapolateCars once the queue is empty. Any other
// version, or any record before it, stops the client and reports the mismatch.
//
// Threads: the window thread calls everything here; the communication thread shares only the
// queues with it. DispatchLinkMessages may be re-entered from a handler (applyEditCamera's modal
// dialog keeps the window timer running): it keeps no state of its own between records.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "link/frame_receiver.h"
#include "link/link_frame.h"
#include "link/link_messages.h"
#include "link/message_queue.h"
#include "platform/net.h"
#include "platform/thread.h"

namespace glink {

inline constexpr char kMsgVersionMismatch[] = "GUI version does not match Morvane version";
inline constexpr char kCaptionVersionMismatch[] = "version mismatch";
inline constexpr char kMsgCommThreadFailed[] = "Communication Thread konnte nicht gestartet werden";
inline constexpr char kCaptionCommThreadFailed[] = "Error";
inline constexpr std::uint16_t kDefaultGuiPort = 32301;
inline constexpr std::uint32_t kLinkStopWaitMs = 3000;
inline constexpr std::uint32_t kReconnectWaitMs = 2000;  // in 20 steps of 100 ms

// Where the communication thread stands, for the window to show. Whether a standing connection
// is linked (its GLM_VERSION accepted) is the dispatcher's to know: see LinkVersion.
enum class LinkPhase : std::uint8_t {
  kStopped,           // no thread
  kConnecting,        // started; no connect has failed or succeeded yet
  kNoDirector,        // connects fail (nobody listens there); trying again every 2 s
  kConnected,         // a connection stands
  kClosedByDirector,  // the director ended the last connection; trying again every 2 s
  kBroken,            // the last connection failed on an error; trying again every 2 s
};

// What the client model does with each record from the director. Records reach it decoded and
// checked against their layout; a record too short for its layout never reaches it.
class ClientModelHandlers {
 public:
  virtual ~ClientModelHandlers() = default;
  // GLM_TRACK; an empty name is the no-track case (also used when a connection ends or the link
  // is stopped).
  virtual void applyTrack(const TrackMsg& track) = 0;
  virtual void applyEditMode(bool on) = 0;
  virtual void applyCurrentCamera(std::uint16_t index) = 0;
  virtual void applyEditCamera(std::uint16_t index) = 0;
  virtual void applyCameraAdded(const CameraMsg& camera) = 0;
  virtual void applyCameraChanged(const CameraMsg& camera) = 0;
  virtual void applyCameraDeleted(std::uint16_t index) = 0;
  virtual void applyCars(const CarTableMsg& cars) = 0;
  virtual void applyViewPos(const ViewPosMsg& pos) = 0;
  virtual void applyPlayerLabel(const PlayerLabelMsg& label) = 0;
  virtual void applyRaceClock(std::uint32_t ms) = 0;
  virtual void applyTrackNode(const TrackNodeMsg& node) = 0;
  // Newer records: a handler that does not take them ignores them.
  virtual void applyShotReason(const ShotReasonMsg& /*reason*/) {}
  // Once per dispatch, when the incoming queue has been drained.
  virtual void extrapolateCars() = 0;
  // The director speaks another link version; the client has already been stopped. The window
  // unchecks Connect and shows text with caption (no icon).
  virtual void linkVersionMismatch(const char* text, const char* caption) = 0;
};

class LinkClient {
 public:
  explicit LinkClient(plat::Clock& clock);
  ~LinkClient();
  LinkClient(const LinkClient&) = delete;
  LinkClient& operator=(const LinkClient&) = delete;

  // The director's address (IPv4, host byte order: 127.0.0.1 is plat::kLoopback) and port; set
  // before StartLinkClient.
  void SetServer(std::uint32_t ip, std::uint16_t port);

  // Clears the stop flag and starts the communication thread; false when none could be created
  // or one is still held (a stop that timed out).
  bool StartLinkClient();
  // True at once without a thread. Otherwise stops it within 3000 ms (false, and nothing reset,
  // on time-out), also while it is still connecting; then discards what is left in both queues and
  // applies the no-track case to the model directly.
  bool StopLinkClient(ClientModelHandlers& model);
  // The window timer's tick.
  void DispatchLinkMessages(ClientModelHandlers& model);

  // True while a communication thread is held.
  bool Running() const { return worker_.Running(); }
  // Releases a thread that has ended after a stop that timed out; true when released.
  bool ReleaseIfFinished() { return worker_.ReleaseIfFinished(); }
  // The link version from the last GLM_VERSION of this connection; 0 until one arrives.
  std::uint16_t LinkVersion() const { return linkVersion_; }
  LinkPhase Phase() const { return phase_.load(); }
  // The clock's tick at which the current phase began.
  std::uint32_t PhaseSince() const { return phaseSince_.load(); }
  std::uint32_t ServerIp() const { return serverIp_; }
  std::uint16_t ServerPort() const { return serverPort_; }

  // The window thread posts its requests here (reserve, write, commit).
  ToDirectorQueue& toDirector() { return toDirector_; }
  // Incoming records; drained by DispatchLinkMessages.
  ToGuiQueue& toGui() { return toGui_; }

 private:
  static void Body(void* self);
  void Run();
  void RunConnection();
  void PostConnectionEnded();
  void DropRequests();
  void AbortConnect();
  void Mismatch(ClientModelHandlers& model);
  void SetPhase(LinkPhase phase);

  plat::Clock& clock_;
  plat::WorkerThread worker_;
  // The socket while a connect is under way, so that a stop can cut the wait short: a director
  // whose backlog is full, or a remote one that does not answer, would otherwise hold the
  // connect far longer than a stop may take.
  std::mutex connectLock_;
  plat::Socket connecting_ = plat::kNoSocket;
  bool connectAborted_ = false;  // the stop has closed the connecting socket
  std::uint32_t serverIp_ = plat::kLoopback;
  std::uint16_t serverPort_ = kDefaultGuiPort;
  std::uint16_t linkVersion_ = 0;  // window thread only
  std::atomic<LinkPhase> phase_{LinkPhase::kStopped};
  std::atomic<std::uint32_t> phaseSince_{0};
  ToGuiQueue toGui_;
  ToDirectorQueue toDirector_;
  FrameReceiver receiver_;  // communication thread only
  std::uint8_t frame_[kFrameBufferSize] = {};
};

}  // namespace glink
