#include "director/insim/session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "fake_simulator.h"
#include "insim_test_support.h"
#include "link/message_queue.h"
#include "platform/net.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using test::Cat;
using test::FastClock;
using test::Padded;
using test::RecordingHandlers;
using test::TcpSim;
using test::UdpSim;
using test::UnusedPort;
using test::V3Handshake;
using test::V4Handshake;
using test::VersionReply;

struct SessionFixture {
  Settings settings;
  FastClock clock;
  glink::MessageQueue toGui;
  RecordingHandlers handlers;
  InsimThread thread{settings, clock, toGui, handlers};
  SessionFixture() { handlers.clock = &clock; }
};

TEST(InsimSession, Version4HandshakeAnswersAndOrderlyClose) {
  TcpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 4;
  f.settings.guiAccess = 1;
  f.settings.activateKey = 0;
  f.settings.deactivateKey = 11;
  std::memcpy(f.settings.password, "pw", 3);
  ASSERT_TRUE(f.thread.StartInsimThread());

  // A keep-alive that arrives in the same read as the version reply is answered too.
  V4Handshake(sim, Cat({VersionReply(), B({4, 3, 0, 0})}), "pw", 1, 12);
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 0}));

  // Other TINY subtypes are ignored; IS_TOC asks for the players; a message reaches its handler.
  Bytes mso(136, 0);
  mso[0] = 136;
  mso[1] = ISP_MSO;
  std::memcpy(mso.data() + 8, "activate Morvane", 16);
  sim.Send(Cat({B({4, 3, 0, 9}), B({8, ISP_TOC, 0, 3, 0, 0, 0, 0}), mso, B({4, 3, 0, 0})}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 1, 14}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 0}));

  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 2}));
  EXPECT_TRUE(sim.ReadPacket().empty());
  EXPECT_TRUE(sim.ClosedByPeer());
  EXPECT_STREQ(f.thread.SimVersion(), "0.6Z");

  auto names = f.handlers.Names();
  EXPECT_EQ(names, (std::vector<std::string>{"ThreadStart", "AttemptBegin", "Greeted",
                                             "MessageText", "AttemptEnd", "ThreadEnd"}));
  EXPECT_EQ(f.handlers.CallsNamed("MessageText").at(0).bytes, Padded("activate Morvane", 16));
  EXPECT_GT(f.handlers.guiPasses.load(), 0);
  EXPECT_EQ(f.handlers.polls.load(), 0);  // no keyboard polling in version 4

  // The run began with GLM_VERSION 0, 2 and the InSim version.
  std::uint8_t record[glink::kSlotSize];
  ASSERT_TRUE(f.toGui.take(record));
  EXPECT_EQ(Bytes(record, record + 6), B({6, 0, 19, 0, 2, 4}));
  EXPECT_FALSE(f.toGui.take(record));
}

// Each split point of the stream goes out in two sends; the director answers the keep-alive in
// it and runs one update step for the completed position set behind it.
TEST(InsimSession, Version4PacketsSplitOverReads) {
  TcpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  f.handlers.completesSet = true;
  ASSERT_TRUE(f.thread.StartInsimThread());
  V4Handshake(sim);

  Bytes sta(28, 0);
  sta[0] = 28;
  sta[1] = ISP_STA;
  for (int i = 4; i < 28; ++i) sta[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  const Bytes stream = Cat({sta, B({4, 3, 0, 0}), B({8, ISP_MCI, 0, 0, 1, 2, 3, 4})});
  for (std::size_t split = 1; split < stream.size(); ++split) {
    sim.Send(Bytes(stream.begin(), stream.begin() + static_cast<long>(split)));
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
    sim.Send(Bytes(stream.begin() + static_cast<long>(split), stream.end()));
    ASSERT_EQ(sim.ReadPacket(), B({4, 3, 0, 0})) << split;
    ASSERT_EQ(sim.ReadPacket(), B({4, 3, 1, 8})) << split;  // TINY_GTH: director inactive
  }
  ASSERT_TRUE(f.thread.StopInsimThread());
  const auto states = f.handlers.CallsNamed("State");
  ASSERT_EQ(states.size(), stream.size() - 1);
  for (const auto& call : states) EXPECT_EQ(call.bytes, sta);
  EXPECT_EQ(f.handlers.CallsNamed("CarPositions").size(), stream.size() - 1);
  EXPECT_EQ(f.handlers.CallsNamed("ClearLiveCamera").size(), stream.size() - 1);
}

TEST(InsimSession, Version4BadSizeOrClosedConnectionEndsTheAttemptAndRetriesAfterTwoSeconds) {
  TcpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  f.handlers.active = true;
  ASSERT_TRUE(f.thread.StartInsimThread());

  // A Size below 4: the attempt ends in order, with TINY_CLOSE.
  V4Handshake(sim);
  sim.Send(B({2, 3, 0, 0}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 2}));
  EXPECT_TRUE(sim.ReadPacket().empty());

  // The simulator closes the connection: the attempt ends and the next one connects again.
  V4Handshake(sim);
  sim.CloseClient();
  ASSERT_TRUE(sim.Accept());
  EXPECT_EQ(sim.ReadPacket().size(), 44u);
  ASSERT_TRUE(f.thread.StopInsimThread());

  const auto attempts = f.handlers.Attempts();
  ASSERT_GE(attempts.size(), 3u);
  // Between the attempts: 100 ms before TINY_VER, the receive loop's 10 ms passes, then 2 s.
  EXPECT_GE(attempts[1] - attempts[0], 2100u);
  EXPECT_GE(attempts[2] - attempts[1], 2100u);
  EXPECT_LT(attempts[2] - attempts[1], 4000u);
  // The director was still active after each attempt.
  EXPECT_EQ(f.handlers.CallsNamed("AttemptEndedActive").size(), attempts.size());
  // Without GUI access the run posts nothing, not even its version.
  EXPECT_EQ(f.toGui.pending(), 0);
}

TEST(InsimSession, Version4WithoutSimulatorRetriesEveryTwoSeconds) {
  SessionFixture f;
  f.settings.insimPort = UnusedPort();
  ASSERT_TRUE(f.thread.StartInsimThread());
  for (int i = 0; i < 200 && f.handlers.Attempts().size() < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(f.thread.StopInsimThread());
  const auto attempts = f.handlers.Attempts();
  ASSERT_GE(attempts.size(), 3u);
  EXPECT_EQ(attempts[1] - attempts[0], 2000u);
  EXPECT_EQ(attempts[2] - attempts[1], 2000u);
  EXPECT_EQ(f.handlers.CallsNamed("Greeted").size(), 0u);
  EXPECT_EQ(f.handlers.Names().back(), "ThreadEnd");
}

TEST(InsimSession, StopEndsTheThreadQuicklyWithoutSimulator) {
  for (std::uint8_t version : {3, 4}) {
    Settings settings;
    settings.insimPort = UnusedPort();
    settings.insimVersion = version;
    plat::SystemClock clock;
    glink::MessageQueue toGui;
    SessionHandlers handlers;
    InsimThread thread(settings, clock, toGui, handlers);
    ASSERT_TRUE(thread.StartInsimThread());
    EXPECT_TRUE(thread.Running());
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_TRUE(thread.StopInsimThread());
    const auto took = std::chrono::steady_clock::now() - begin;
    // Well inside the 2 s between attempts (a thread that slept them through would take longer),
    // with the margin a loaded machine under a sanitizer needs.
    EXPECT_LT(took, std::chrono::milliseconds(1500)) << int(version);
    EXPECT_FALSE(thread.Running());
    EXPECT_TRUE(thread.StopInsimThread());  // nothing left to stop
  }
}

// Version 3: packets are acknowledged, and "ACK" 0 keeps the link alive after 20 s without
// sending (packets received do not count).
// Starts a version 3 session of the fixture with the simulator and takes it through the handshake.
void StartV3(UdpSim& sim, SessionFixture& f) {
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 3;
  std::memcpy(f.settings.password, "pw", 3);
  ASSERT_TRUE(f.thread.StartInsimThread());
  V3Handshake(sim, "pw");
}

TEST(InsimSession, Version3AcksAndKeepsTheLinkAlive) {
  UdpSim sim;
  SessionFixture f;
  ASSERT_NO_FATAL_FAILURE(StartV3(sim, f));

  Bytes rst = Padded("RST", 20);
  rst[18] = 0x34;
  rst[19] = 0x12;
  sim.Send(Cat({rst, Padded("STA", 28)}));
  EXPECT_EQ(sim.Read(), Cat({Padded("ACK", 4), B({0x34, 0x12, 0, 0})}));
  const std::uint32_t lastSend = f.clock.Now();

  while (f.clock.Now() - lastSend < 10000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  sim.Send(Padded("SCH", 8));
  const Bytes ack = sim.Read(10000);
  const std::uint32_t at = f.clock.Now();
  EXPECT_EQ(ack, Cat({Padded("ACK", 4), B({0, 0, 0, 0})}));
  // The fast clock runs on while this thread is slow to read, so the upper bound has a margin.
  EXPECT_GE(at - lastSend, 19900u);
  EXPECT_LE(at - lastSend, 22000u);
  // And again twenty seconds after that.
  EXPECT_EQ(sim.Read(10000), ack);
  EXPECT_GE(f.clock.Now() - at, 19900u);

  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(sim.Read(), Cat({Padded("ISC", 4), B({0, 0, 0, 0})}));
  EXPECT_STREQ(f.thread.SimVersion(), "0.5V");  // read once the thread has ended
  EXPECT_EQ(f.handlers.Names(),
            (std::vector<std::string>{"ThreadStart", "AttemptBegin", "Greeted", "RaceStart",
                                      "State", "AttemptEnd", "ThreadEnd"}));
  EXPECT_GT(f.handlers.polls.load(), 0);
}

// Version 3: a datagram from elsewhere makes its sender the simulator's address, so the close
// goes there.
TEST(InsimSession, Version3FollowsTheSenderOfTheLastDatagram) {
  UdpSim sim;
  SessionFixture f;
  ASSERT_NO_FATAL_FAILURE(StartV3(sim, f));

  UdpSim other;
  const int passes = f.handlers.guiPasses.load();
  other.SendTo(Padded("SCH", 8), sim.PeerPort());
  // Fifty passes of the loop later the datagram has been read.
  for (int i = 0; i < 1000 && f.handlers.guiPasses.load() < passes + 50; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GE(f.handlers.guiPasses.load(), passes + 50);
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(other.Read(), Cat({Padded("ISC", 4), B({0, 0, 0, 0})}));
  EXPECT_TRUE(sim.Read(50).empty());
}

// The update step, driven directly with a capture link.
struct UpdateFixture {
  explicit UpdateFixture(std::uint8_t version) {
    settings.insimVersion = version;
    link.version = version;
    link.sink = &capture;
    link.clock = &clock;
    link.lastSendTick = &lastSendTick;
    handlers.cycleResult.fov = 30.0f;
    handlers.cycleResult.pitch = 20000;
  }
  // The handler calls in order, PostCars with its count.
  std::vector<std::string> Trace() {
    std::vector<std::string> out;
    for (const auto& c : handlers.Calls()) {
      out.push_back(c.name == "PostCars" ? c.name + std::to_string(c.bytes.at(0)) : c.name);
    }
    return out;
  }
  Settings settings;
  plat::ManualClock clock{100000};
  glink::MessageQueue toGui;
  RecordingHandlers handlers;
  InsimThread thread{settings, clock, toGui, handlers};
  Capture capture;
  std::uint32_t lastSendTick = 0;
  InsimLink link;
};

// The camera packet of the fixture's cycle: FOV 30, pitch 20000 clamped to 16000.
Bytes CameraPacket() {
  Bytes p(32, 0);
  p[0] = 32;
  p[1] = ISP_CPP;
  p[2] = 1;
  p[18] = 0x80;
  p[19] = 0x3E;
  p[26] = 0xF0;
  p[27] = 0x41;
  return p;
}

TEST(InsimUpdateStep, WhatEachSetSendsAndRuns) {
  const Bytes gth = B({4, 3, 1, 8}), cam = CameraPacket(), hide2D = B({8, 7, 1, 0, 0x80, 0, 0, 0});
  const Bytes shiftU = B({8, 7, 0, 0, 0x40, 0, 1, 0});
  const Bytes shiftUV3 = Cat({Padded("SFP", 4), B({0x40, 0, 1, 0})});
  const std::uint16_t both = ISS_SHIFTU_NO_OPT | ISS_SHOW_2D;
  // Each case: the version, settings and director state as words, the camera count of the track
  // and the stored state flags; then the packets sent and the handler calls made.
  const struct {
    const char* setup;
    int cameras;
    std::uint16_t flags;
    std::vector<Bytes> packets;
    std::vector<std::string> calls;
  } cases[] = {
      // Edit mode asks for the simulator's camera position instead of directing.
      {"edit active gui", 3, 0, {B({4, 3, 1, 6})}, {"PostCars0"}},
      {"v3 edit", 3, 0, {Cat({Padded("SCP", 4), B({0, 0, 0, 0})})}, {}},
      // Inactive: the race time is asked for and no camera packet goes out.
      {"", 0, 0, {gth}, {"ClearLiveCamera"}},
      {"", 2, both, {gth}, {"DirectorCycle", "Overlay0", "ResetLapFigures", "ClearLiveCamera"}},
      // Active: the 2D display is hidden (countdown 0), the clamped camera sent, the cars posted.
      {"active laps gui", 2, both, {hide2D, cam}, {"DirectorCycle", "Overlay1", "PostCars7"}},
      {"active laps nooverlay nofov", 1, ISS_SHIFTU_NO_OPT, {}, {"DirectorCycle"}},
      // The free view option is set before anything else.
      {"active", 1, ISS_SHOW_2D, {shiftU, cam}, {"DirectorCycle", "Overlay1", "ResetLapFigures"}},
      // Version 3 has no overlay and keeps the lap figures.
      {"v3", 1, 0, {shiftUV3}, {"DirectorCycle", "ClearLiveCamera"}},
  };
  for (const auto& c : cases) {
    const std::string setup = std::string(" ") + c.setup + " ";
    const auto has = [&](const char* word) {
      return setup.find(std::string(" ") + word + " ") != std::string::npos;
    };
    SCOPED_TRACE(setup);
    UpdateFixture f(has("v3") ? 3 : 4);
    f.handlers.editMode = has("edit");
    f.handlers.active = has("active");
    f.handlers.cameras = c.cameras;
    f.handlers.stateFlags = c.flags;
    f.handlers.raceWithLaps = has("laps");
    f.handlers.raceOrder = 7;
    if (has("nofov")) f.handlers.cycleResult.fov = 0.0f;
    f.settings.guiAccess = has("gui") ? 1 : 0;
    f.settings.overlayDisabled = has("nooverlay") ? 1 : 0;
    f.thread.UpdateStep(f.link);
    EXPECT_EQ(f.capture.Packets(), c.packets);
    EXPECT_EQ(f.Trace(), c.calls);
    // Every version 3 packet of the update step counts for the keep-alive.
    EXPECT_EQ(f.lastSendTick, has("v3") && !c.packets.empty() ? 100000u : 0u);
  }
}

// A 2D display that comes on while the director is active is hidden again on the eleventh set.
TEST(InsimUpdateStep, Show2DCountdown) {
  UpdateFixture v3(3);
  v3.handlers.active = true;
  v3.handlers.cameras = 1;
  v3.handlers.cycleResult.fov = 0.0f;
  v3.handlers.stateFlags = ISS_SHIFTU_NO_OPT;  // 2D display off: countdown 10
  v3.thread.UpdateStep(v3.link);
  EXPECT_TRUE(v3.capture.Packets().empty());
  v3.handlers.stateFlags = ISS_SHIFTU_NO_OPT | ISS_SHOW_2D;
  for (int set = 1; set <= 10; ++set) v3.thread.UpdateStep(v3.link);
  EXPECT_TRUE(v3.capture.Packets().empty());
  v3.clock.Advance(50);
  v3.thread.UpdateStep(v3.link);
  EXPECT_EQ(v3.capture.Packets(),
            (std::vector<Bytes>{Cat({Padded("SFP", 4), B({0x80, 0, 0, 0})})}));
  EXPECT_EQ(v3.lastSendTick, 100050u);
  for (int set = 1; set <= 10; ++set) v3.thread.UpdateStep(v3.link);
  EXPECT_EQ(v3.capture.Packets().size(), 2u);

  // The camera packet of version 3 counts as a send for the keep-alive.
  v3.handlers.cycleResult.fov = 40.0f;
  v3.clock.Advance(50);
  v3.thread.UpdateStep(v3.link);
  EXPECT_EQ(v3.capture.Packets().back().size(), 32u);
  EXPECT_EQ(v3.lastSendTick, 100100u);
}

}  // namespace
}  // namespace director
