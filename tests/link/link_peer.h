// Test helpers for the GUI link: records and frames from hex, raw loopback sockets that play the
// other end byte by byte, a clock that runs ten times faster than real time, a server with a fake
// InSim thread and a recording client model.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/link_client.h"
#include "link/link_messages.h"
#include "link/link_server.h"
#include "link/message_queue.h"
#include "platform/net.h"
#include "platform/thread.h"

namespace linktest {

using Bytes = std::vector<std::uint8_t>;

// Windows Sockets for the whole test program (a no-op elsewhere).
class NetEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { plat::NetStartup(); }
  void TearDown() override { plat::NetCleanup(); }
};
inline const ::testing::Environment* const kNet =
    ::testing::AddGlobalTestEnvironment(new NetEnvironment);

inline Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Bytes from pairs of hex digits; blanks between them are ignored.
inline Bytes Hex(const char* s) {
  Bytes out;
  for (; *s != '\0'; ++s) {
    if (*s != ' ')
      out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(s++, 2), nullptr, 16)));
  }
  return out;
}
// A frame: the magic "MrV\0", then the record (size field first) in hex.
inline Bytes HexFrame(const char* record) { return Join({Hex("4D725600"), Hex(record)}); }
inline Bytes Goodbye() { return HexFrame("0000"); }
// GLM_VERSION 0, 2 over InSim 4, as the director's first frame.
inline const Bytes kVersionFrame = HexFrame("0600 13 00 02 04");

// The frame of a record written into a slot by one of the catalogue's writers.
inline Bytes FrameOf(const std::function<void(std::uint8_t*)>& write) {
  std::uint8_t slot[glink::kSlotSize] = {};
  write(slot);
  return Join({Hex("4D725600"), Bytes(slot, slot + glink::RecordSize(slot))});
}

// Real time passes at a tenth of the clock's: a 2 s reconnect wait takes 200 ms, and the clock's
// value counts exactly the sleeps of the thread under test.
class FastClock final : public plat::Clock {
 public:
  std::uint32_t Now() override { return now_.load(); }
  void Sleep(std::uint32_t ms) override {
    now_ += ms;
    plat::SleepMs(ms >= 10 ? ms / 10 : 1);
  }

 private:
  std::atomic<std::uint32_t> now_{1000};
};

// Polls pred every millisecond for up to ms of real time.
inline bool WaitFor(const std::function<bool()>& pred, int ms = 3000) {
  for (int waited = 0; waited < ms; ++waited) {
    if (pred()) return true;
    plat::SleepMs(1);
  }
  return pred();
}

// One end of a loopback TCP connection, closed on destruction.
class Peer {
 public:
  Peer() = default;
  explicit Peer(plat::Socket s) : s_(s) {}
  ~Peer() { Close(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool Connect(std::uint16_t port) {
    Close();
    s_ = plat::TcpOpen();
    return s_ != plat::kNoSocket && plat::Connect(s_, plat::kLoopback, port);
  }
  void Close() {
    if (s_ != plat::kNoSocket) plat::Close(s_);
    s_ = plat::kNoSocket;
  }
  plat::Socket socket() const { return s_; }

  void Send(const Bytes& b) {
    ASSERT_EQ(plat::Send(s_, b.data(), static_cast<int>(b.size())), static_cast<int>(b.size()));
  }
  // Sends one byte at a time with a pause, so the other end sees every split.
  void SendSplit(const Bytes& b) {
    for (std::uint8_t byte : b) {
      ASSERT_EQ(plat::Send(s_, &byte, 1), 1);
      plat::SleepMs(2);
    }
  }
  // Reads until n bytes have arrived, the other end closed, or ms of real time passed.
  Bytes Read(std::size_t n, int ms = 3000) {
    Bytes out;
    const std::uint32_t start = plat::TickCount();
    std::uint8_t buf[512];
    for (std::uint32_t spent = 0;
         out.size() < n && !closed_ && spent < static_cast<std::uint32_t>(ms);
         spent = plat::TickCount() - start) {
      if (plat::PollReadable(s_, ms - static_cast<int>(spent)) <= 0) break;
      const int got = plat::Recv(s_, buf, static_cast<int>(std::min(n - out.size(), sizeof buf)));
      closed_ = got <= 0;
      if (got > 0) out.insert(out.end(), buf, buf + got);
    }
    return out;
  }
  // Reads everything until the other end closes (or ms passed); Closed() tells which.
  Bytes ReadToEnd(int ms = 3000) { return Read(1u << 20, ms); }
  bool Closed() const { return closed_; }
  // True when nothing arrives within ms.
  bool Quiet(int ms) { return plat::PollReadable(s_, ms) == 0; }

 private:
  plat::Socket s_ = plat::kNoSocket;
  bool closed_ = false;
};

// A listening socket on 127.0.0.1 with a port the system chose.
class Listener {
 public:
  explicit Listener(int backlog = 2) {
    s_ = plat::TcpOpen();
    EXPECT_TRUE(plat::Bind(s_, plat::kLoopback, 0));
    EXPECT_TRUE(plat::Listen(s_, backlog));
    port_ = plat::LocalPort(s_);
  }
  ~Listener() { plat::Close(s_); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::uint16_t port() const { return port_; }
  // A connection accepted within ms of real time, or kNoSocket.
  plat::Socket Accept(int ms = 3000) {
    if (plat::PollReadable(s_, ms) <= 0) return plat::kNoSocket;
    return plat::Accept(s_);
  }

 private:
  plat::Socket s_ = plat::kNoSocket;
  std::uint16_t port_ = 0;
};

// The InSim thread as the server sees it: every start posts GLM_VERSION and the scripted records,
// as the real thread's first posts do; a stop may leave a record behind, as a thread that posts
// right before it ends would. All of it runs on the server's thread, the queue's only producer.
class FakeInsim final : public glink::InsimThreadControl {
 public:
  explicit FakeInsim(glink::MessageQueue& toGui) : toGui_(toGui) {}
  bool StartInsimThread() override {
    ++starts;
    glink::PostVersion(toGui_, 4);
    for (const auto& post : script) post(toGui_);
    return true;
  }
  bool StopInsimThread() override {
    if (postOnStop) glink::PostRaceClock(toGui_, 0xDEAD);
    ++stops;
    return true;
  }

  std::vector<std::function<void(glink::MessageQueue&)>> script;  // set before the server starts
  std::atomic<bool> postOnStop{false};
  std::atomic<int> starts{0};
  std::atomic<int> stops{0};

 private:
  glink::MessageQueue& toGui_;
};

// A GUI link server on a port of the system's choice, with a fake InSim thread.
struct ServerRig {
  FastClock clock;
  glink::ToGuiQueue toGui;
  glink::ToDirectorQueue toDirector;
  FakeInsim insim{toGui};
  std::uint16_t port = 0;  // the system's choice, so parallel test runs never collide
  glink::GuiServer server{port, toGui, toDirector, clock, insim};

  ~ServerRig() { server.StopGuiServer(); }
  // A client connected and greeted with GLM_VERSION.
  void Connect(Peer& client) {
    ASSERT_TRUE(client.Connect(server.ListeningPort()));
    EXPECT_EQ(client.Read(10), kVersionFrame);
  }
};

// Writes down every call of the dispatcher, in order, as words.
class RecordingModel final : public glink::ClientModelHandlers {
 public:
  void applyTrack(const glink::TrackMsg& m) override {
    Log("track", m.name, m.nodeCount, m.finishNode);
  }
  void applyEditMode(bool on) override { Log("edit", on ? 1 : 0); }
  void applyCurrentCamera(std::uint16_t i) override { Log("current", i); }
  void applyEditCamera(std::uint16_t i) override { Log("editcam", i); }
  void applyCameraAdded(const glink::CameraMsg& c) override { Camera("added", c); }
  void applyCameraChanged(const glink::CameraMsg& c) override { Camera("changed", c); }
  void applyCameraDeleted(std::uint16_t i) override { Log("deleted", i); }
  void applyCars(const glink::CarTableMsg& m) override {
    Log("cars", m.count);
    for (int i = 0; i < m.count; ++i) {
      const glink::CarEntry& c = m.cars[i];
      calls.back() += Words(" ", c.plid) + Words(":", c.flags) + Words(":", c.x) + Words(":", c.y);
    }
  }
  void applyViewPos(const glink::ViewPosMsg& m) override { Log("view", m.x, m.y); }
  void applyPlayerLabel(const glink::PlayerLabelMsg& m) override {
    m.clearAll ? Log("labels cleared") : Log("label", m.plid, m.text);
  }
  void applyRaceClock(std::uint32_t ms) override { Log("clock", ms); }
  void applyShotReason(const glink::ShotReasonMsg& m) override { Log("reason", m.text); }
  void applyTrackNode(const glink::TrackNodeMsg& m) override {
    Log("node", m.name, m.index, Words(m.node[0], "..", m.node[glink::kPathNodeSize - 1]));
  }
  void extrapolateCars() override { ++extrapolations; }
  void linkVersionMismatch(const char* text, const char* caption) override {
    Log("mismatch", text, "|", caption);
  }

  // The calls so far, then forgotten.
  std::vector<std::string> Take() { return std::exchange(calls, {}); }

  std::vector<std::string> calls;
  int extrapolations = 0;

 private:
  static std::string Word(const std::string& s) { return s; }
  static std::string Word(const char* s) { return s; }
  template <typename T>
  static std::string Word(T v) {
    return std::to_string(+v);  // + prints a byte as a number
  }
  template <typename... T>
  static std::string Words(T... v) {
    return (Word(v) + ...);
  }
  template <typename... T>
  void Log(const char* what, T... v) {
    calls.push_back((std::string(what) + ... + (" " + Word(v))));
  }
  void Camera(const char* what, const glink::CameraMsg& c) {
    Log(what, c.index, c.x, c.y, c.z, c.startNode, c.endNode, c.positionNode);
  }
};

}  // namespace linktest
