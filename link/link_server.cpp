#include "link/link_server.h"

#include <chrono>
#include <cstdio>

namespace glink {

namespace {

constexpr std::uint32_t kLoopSleepMs = 10;
constexpr int kLoopWaitMs = 10;
// Binding takes a moment; this only bounds the wait should the new thread never get to run.
constexpr std::uint32_t kStartReportWaitMs = 3000;

}  // namespace

GuiServer::GuiServer(const std::uint16_t& port, MessageQueue& toGui, MessageQueue& toDirector,
                     plat::Clock& clock, InsimThreadControl& insim)
    : port_(port), toGui_(toGui), toDirector_(toDirector), clock_(clock), insim_(insim) {}

GuiServer::~GuiServer() { worker_.Stop(kServerStopWaitMs); }

bool GuiServer::StartGuiServer() {
  failure_[0] = '\0';
  if (worker_.Running()) return false;
  {
    std::lock_guard<std::mutex> lock(startMutex_);
    startState_ = StartState::kPending;
  }
  startPort_ = port_;
  if (!worker_.Start(&GuiServer::Body, this)) return false;
  StartState state;
  {
    std::unique_lock<std::mutex> lock(startMutex_);
    startChanged_.wait_for(lock, std::chrono::milliseconds(kStartReportWaitMs),
                           [this] { return startState_ != StartState::kPending; });
    state = startState_;
  }
  if (state != StartState::kFailed) return true;
  // The thread has reported and is ending by itself.
  worker_.Stop(kServerStopWaitMs);
  return false;
}

bool GuiServer::StopGuiServer() { return worker_.Stop(kServerStopWaitMs); }

void GuiServer::Body(void* self) { static_cast<GuiServer*>(self)->Run(); }

void GuiServer::ReportStart(StartState state) {
  {
    std::lock_guard<std::mutex> lock(startMutex_);
    startState_ = state;
  }
  startChanged_.notify_all();
}

void GuiServer::Run() {
  const plat::Socket listener = plat::TcpOpen();
  if (listener == plat::kNoSocket) {
    std::snprintf(failure_, sizeof failure_, "The GUI link could not create its socket.");
    ReportStart(StartState::kFailed);
    return;
  }
  if (!plat::Bind(listener, plat::kAnyAddress, startPort_) ||
      !plat::Listen(listener, kServerBacklog)) {
    plat::Close(listener);
    std::snprintf(failure_, sizeof failure_,
                  "GUI port %u could not be opened: is another program using it?",
                  static_cast<unsigned>(startPort_));
    ReportStart(StartState::kFailed);
    return;
  }
  listeningPort_ = plat::LocalPort(listener);
  ReportStart(StartState::kListening);

  for (;;) {
    clock_.Sleep(kLoopSleepMs);
    const int readable = plat::PollReadable(listener, kListenWaitMs);
    if (readable < 0) break;
    if (readable == 0) {
      if (Stopping()) break;
      continue;
    }
    const plat::Socket client = plat::Accept(listener);
    if (client != plat::kNoSocket) {
      plat::SetSendBuffer(client, kClientSendBuffer);
      insim_.StartInsimThread();
      Serve(client);
      const bool insimStopped = insim_.StopInsimThread();
      // Nothing of this client's session may reach the next client.
      LinkRecord discarded;
      while (toGui_.take(discarded)) {
      }
      // Requests are the InSim thread's to consume; once it has ended they are ours to drop, so
      // that the next client's session does not carry out what this client asked for.
      if (insimStopped) {
        while (toDirector_.peek() != nullptr) toDirector_.release();
      }
    }
    if (Stopping()) break;
  }
  plat::Close(listener);
  listeningPort_ = 0;
}

void GuiServer::Goodbye(plat::Socket client) {
  plat::SendWithin(client, kGoodbyeFrame, sizeof kGoodbyeFrame, kGoodbyeWaitMs);
  plat::ShutdownBoth(client);
  plat::Close(client);
}

void GuiServer::Serve(plat::Socket client) {
  receiver_.Reset();
  for (;;) {
    // Wakes on the client's bytes; the director's records and the stop flag wait at most 10 ms.
    receiver_.Wait(client, kLoopWaitMs, clock_);
    if (Stopping()) break;
    if (receiver_.Pass(client, toDirector_, clock_) != ReceiveStatus::kOpen) break;
    while (toGui_.take(record_)) {
      if (!SendRecord(client, record_.bytes, frame_, kSendWaitMs)) {
        plat::ShutdownBoth(client);
        plat::Close(client);
        return;
      }
    }
    if (Stopping()) break;
  }
  Goodbye(client);
}

}  // namespace glink
