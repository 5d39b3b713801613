#include "link/link_client.h"

#include <cstring>

namespace glink {

namespace {

constexpr std::uint32_t kLoopSleepMs = 10;
constexpr int kLoopWaitMs = 10;
constexpr std::uint32_t kReconnectStepMs = 100;
constexpr int kReconnectSteps = kReconnectWaitMs / kReconnectStepMs;

// The record that the communication thread queues when a connection has ended: the no-track form
// of GLM_TRACK, marked in the last byte of its slot. Records parsed from the stream have that
// byte zeroed behind their size, so the director cannot forge the mark; the dispatcher alone
// tells the two apart and so resets the link version in queue order, after the last record of
// the old connection and before the first one of the next.
constexpr std::uint8_t kConnectionEndedMark = 0xE5;
constexpr int kMarkOffset = kSlotSize - 1;

bool IsConnectionEnded(const LinkRecord& record) {
  return record.size() == kNoTrackSize && record.type() == GLM_TRACK &&
         record.bytes[kMarkOffset] == kConnectionEndedMark;
}

}  // namespace

LinkClient::LinkClient(plat::Clock& clock) : clock_(clock) {}

LinkClient::~LinkClient() {
  worker_.RequestStop();
  AbortConnect();
  worker_.Stop(kLinkStopWaitMs);
}

void LinkClient::SetServer(std::uint32_t ip, std::uint16_t port) {
  serverIp_ = ip;
  serverPort_ = port;
}

bool LinkClient::StartLinkClient() {
  if (worker_.Running()) return false;
  linkVersion_ = 0;
  SetPhase(LinkPhase::kConnecting);
  if (worker_.Start(&LinkClient::Body, this)) return true;
  SetPhase(LinkPhase::kStopped);
  return false;
}

void LinkClient::SetPhase(LinkPhase phase) {
  phaseSince_ = clock_.Now();
  phase_ = phase;
}

bool LinkClient::StopLinkClient(ClientModelHandlers& model) {
  if (!worker_.Running()) return true;
  worker_.RequestStop();
  AbortConnect();
  if (!worker_.Stop(kLinkStopWaitMs)) return false;
  LinkRecord discarded;
  while (toGui_.take(discarded)) {
  }
  // The thread has ended, so the window thread may consume its queue: requests made while it was
  // waiting to reconnect must not reach the director of a later start.
  DropRequests();
  linkVersion_ = 0;
  SetPhase(LinkPhase::kStopped);
  model.applyTrack(TrackMsg{});
  return true;
}

void LinkClient::AbortConnect() {
  // A blocking connect gives up when its socket is shut down on some systems and only when it is
  // closed on others: do both, and leave the socket to no one else.
  std::lock_guard<std::mutex> hold(connectLock_);
  if (connecting_ == plat::kNoSocket) return;
  plat::ShutdownBoth(connecting_);
  plat::Close(connecting_);
  connecting_ = plat::kNoSocket;
  connectAborted_ = true;
}

void LinkClient::Body(void* self) { static_cast<LinkClient*>(self)->Run(); }

void LinkClient::Run() {
  RunConnection();
  while (!worker_.StopRequested()) {
    for (int step = 0; step < kReconnectSteps && !worker_.StopRequested(); ++step) {
      clock_.Sleep(kReconnectStepMs);
    }
    if (worker_.StopRequested()) break;
    RunConnection();
  }
}

void LinkClient::RunConnection() {
  const plat::Socket socket = plat::TcpOpen();
  if (socket == plat::kNoSocket) return;
  {
    // A stop that came first has found no socket to cut short: do not start the wait at all.
    std::lock_guard<std::mutex> hold(connectLock_);
    if (worker_.StopRequested()) {
      plat::Close(socket);
      return;
    }
    connecting_ = socket;
  }
  const bool connected = plat::Connect(socket, serverIp_, serverPort_);
  {
    std::lock_guard<std::mutex> hold(connectLock_);
    if (connectAborted_) {
      connectAborted_ = false;  // the stop has closed the socket already
      DropRequests();
      return;
    }
    connecting_ = plat::kNoSocket;
  }
  if (!connected) {
    // After an ended connection the title goes on saying how it ended until the next one stands.
    if (phase_ == LinkPhase::kConnecting) SetPhase(LinkPhase::kNoDirector);
    plat::Close(socket);
    // Requests made while no director listened were for none: the director that comes next must
    // not carry them out before its own session has even been checked.
    DropRequests();
    return;
  }
  receiver_.Reset();
  SetPhase(LinkPhase::kConnected);
  while (!worker_.StopRequested()) {
    // Wakes on the director's bytes; the window's requests and the stop flag wait at most 10 ms.
    receiver_.Wait(socket, kLoopWaitMs, clock_);
    if (worker_.StopRequested()) break;
    const ReceiveStatus status = receiver_.Pass(socket, toGui_, clock_);
    if (status != ReceiveStatus::kOpen) {
      const bool byDirector = status == ReceiveStatus::kGoodbye || status == ReceiveStatus::kClosed;
      SetPhase(byDirector ? LinkPhase::kClosedByDirector : LinkPhase::kBroken);
      break;
    }
    // A request that cannot be sent is lost with the connection; the next pass notices its end.
    while (const std::uint8_t* record = toDirector_.peek()) {
      SendRecord(socket, record, frame_);
      toDirector_.release();
    }
  }
  plat::Send(socket, kGoodbyeFrame, sizeof kGoodbyeFrame);
  PostConnectionEnded();
  DropRequests();
  plat::ShutdownBoth(socket);
  plat::Close(socket);
}

void LinkClient::DropRequests() {
  while (toDirector_.peek() != nullptr) toDirector_.release();
}

void LinkClient::PostConnectionEnded() {
  // Without this record the window would go on showing the track of a director that is gone, and
  // would judge the next connection by the old link version: wait for the window to make room,
  // unless the client is being stopped (the stop then clears the track itself).
  std::uint8_t* slot = toGui_.reserve();
  while (slot == nullptr && !worker_.StopRequested()) {
    clock_.Sleep(kLoopSleepMs);
    slot = toGui_.reserve();
  }
  if (slot == nullptr) return;
  std::memset(slot, 0, kSlotSize);
  WriteNoTrack(slot);
  slot[kMarkOffset] = kConnectionEndedMark;
  toGui_.commit();
}

void LinkClient::Mismatch(ClientModelHandlers& model) {
  if (!StopLinkClient(model)) return;  // the next tick tries again
  model.linkVersionMismatch(kMsgVersionMismatch, kCaptionVersionMismatch);
}

void LinkClient::DispatchLinkMessages(ClientModelHandlers& model) {
  LinkRecord record;
  for (;;) {
    if (!toGui_.take(record)) {
      model.extrapolateCars();
      return;
    }
    if (IsConnectionEnded(record)) {
      linkVersion_ = 0;
      model.applyTrack(TrackMsg{});
      continue;
    }
    const std::uint8_t type = record.type();
    if (type == GLM_VERSION) {
      VersionMsg version;
      linkVersion_ = ReadVersion(record.bytes, &version) ? version.linkVersion : 0;
      // The records behind a valid version wait for the next tick.
      if (linkVersion_ == kLinkVersion) return;
      Mismatch(model);
      return;
    }
    if (linkVersion_ != kLinkVersion) {
      Mismatch(model);
      return;
    }
    switch (type) {
      case GLM_TRACK: {
        TrackMsg m;
        if (ReadTrack(record.bytes, &m)) model.applyTrack(m);
        break;
      }
      case GLM_EDIT_MODE: {
        bool on = false;
        if (ReadEditMode(record.bytes, &on)) model.applyEditMode(on);
        break;
      }
      case GLM_CURRENT_CAMERA:
      case GLM_EDIT_CAMERA:
      case GLM_CAMERA_DELETED: {
        std::uint16_t index = 0;
        if (!ReadCameraIndex(record.bytes, &index)) break;
        if (type == GLM_CURRENT_CAMERA) {
          model.applyCurrentCamera(index);
        } else if (type == GLM_EDIT_CAMERA) {
          model.applyEditCamera(index);
        } else {
          model.applyCameraDeleted(index);
        }
        break;
      }
      case GLM_CAMERA_ADDED:
      case GLM_CAMERA_CHANGED: {
        CameraMsg m;
        if (!ReadCamera(record.bytes, &m)) break;
        if (type == GLM_CAMERA_ADDED) {
          model.applyCameraAdded(m);
        } else {
          model.applyCameraChanged(m);
        }
        break;
      }
      case GLM_CARS: {
        CarTableMsg m;
        if (ReadCarTable(record.bytes, &m)) model.applyCars(m);
        break;
      }
      case GLM_VIEW_POS: {
        ViewPosMsg m;
        if (ReadViewPos(record.bytes, &m)) model.applyViewPos(m);
        break;
      }
      case GLM_PLAYER_LABEL: {
        PlayerLabelMsg m;
        if (ReadPlayerLabel(record.bytes, &m)) model.applyPlayerLabel(m);
        break;
      }
      case GLM_RACE_CLOCK: {
        std::uint32_t ms = 0;
        if (ReadRaceClock(record.bytes, &ms)) model.applyRaceClock(ms);
        break;
      }
      case GLM_TRACK_NODE: {
        TrackNodeMsg m;
        if (ReadTrackNode(record.bytes, &m)) model.applyTrackNode(m);
        break;
      }
      case GLM_SHOT_REASON: {
        ShotReasonMsg m;
        if (ReadShotReason(record.bytes, &m)) model.applyShotReason(m);
        break;
      }
      default:
        break;  // requests and unknown types are not for the client
    }
  }
}

}  // namespace glink
