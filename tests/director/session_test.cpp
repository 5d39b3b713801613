#include "director/insim/session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "fake_simulator.h"
#include "insim_test_support.h"
#include "link/link_core.h"
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

// Records the clock at each attempt.
class TimedHandlers : public RecordingHandlers {
 public:
  explicit TimedHandlers(plat::Clock& clock) : clock_(clock) {}
  void OnAttemptBegin() override {
    RecordingHandlers::OnAttemptBegin();
    std::lock_guard<std::mutex> lock(mutex_);
    attempts_.push_back(clock_.Now());
  }
  std::vector<std::uint32_t> Attempts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
  }

 private:
  plat::Clock& clock_;
  std::mutex mutex_;
  std::vector<std::uint32_t> attempts_;
};

struct SessionFixture {
  Settings settings;
  FastClock clock;
  glink::MessageQueue toGui;
  TimedHandlers handlers{clock};
  InsimThread thread{settings, clock, toGui, handlers};
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

  ASSERT_TRUE(sim.Accept());
  EXPECT_EQ(sim.ReadPacket(), Cat({B({44, 1, 0, 0, 0, 0, 0x24, 0, 0, 0, 200, 0}), Padded("pw", 16),
                                   Padded("Morvane", 16)}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 1, 1}));
  // A keep-alive that arrives in the same read as the version reply is answered too.
  sim.Send(Cat({VersionReply(), B({4, 3, 0, 0})}));
  EXPECT_EQ(sim.ReadPacket(),
            Cat({B({132, 40, 0, 0}), Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 128)}));
  EXPECT_EQ(sim.ReadPacket(),
            Cat({B({68, 13, 0, 0}), Padded("/ctrlf 1 /echo activate Morvane", 64)}));
  EXPECT_EQ(sim.ReadPacket(),
            Cat({B({68, 13, 0, 0}), Padded("/ctrlf 12 /echo deactivate Morvane", 64)}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 1, 7}));
  EXPECT_EQ(sim.ReadPacket(), B({4, 3, 0, 0}));
  EXPECT_STREQ(f.thread.SimVersion(), "0.6Z");

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

TEST(InsimSession, NoVersionPostWithoutGuiAccess) {
  TcpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  ASSERT_TRUE(f.thread.StartInsimThread());
  ASSERT_TRUE(sim.Accept());
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(f.toGui.pending(), 0);
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
  EXPECT_EQ(f.handlers.CallsNamed("CarPositionsV4").size(), stream.size() - 1);
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
    EXPECT_LT(took, std::chrono::milliseconds(400)) << int(version);
    EXPECT_FALSE(thread.Running());
    EXPECT_TRUE(thread.StopInsimThread());  // nothing left to stop
  }
}

TEST(InsimSession, Version3HandshakeAcksAndFollowsTheSender) {
  UdpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 3;
  std::memcpy(f.settings.password, "pw", 3);
  ASSERT_TRUE(f.thread.StartInsimThread());

  EXPECT_EQ(sim.Read(), Cat({Padded("ISI", 4), B({0, 0, 0x23, 0}), Padded("pw", 16)}));
  EXPECT_EQ(sim.Read(), Cat({Padded("VER", 4), B({0, 0, 0, 0})}));
  sim.Send(Cat({Padded("VER", 4), Padded("0.5V", 8), B({3, 0, 0, 0})}));
  EXPECT_EQ(sim.Read(), Cat({Padded("NLI", 4), B({200, 0, 0, 0})}));
  EXPECT_EQ(sim.Read(), Cat({Padded("MTC", 4), B({0, 0, 0, 0}),
                             Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 64)}));
  EXPECT_EQ(sim.Read(), Cat({Padded("SST", 4), B({0, 0, 0, 0})}));
  EXPECT_STREQ(f.thread.SimVersion(), "0.5V");

  Bytes rst = Padded("RST", 20);
  rst[18] = 0x34;
  rst[19] = 0x12;
  sim.Send(Cat({rst, Padded("STA", 28)}));
  EXPECT_EQ(sim.Read(), Cat({Padded("ACK", 4), B({0x34, 0x12, 0, 0})}));

  // A datagram from elsewhere makes its sender the simulator's address: the close goes there.
  UdpSim other;
  other.SendTo(Padded("SCH", 8), sim.PeerPort());
  for (int i = 0; i < 100 && f.handlers.guiPasses.load() < 50; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(other.Read(), Cat({Padded("ISC", 4), B({0, 0, 0, 0})}));
  EXPECT_TRUE(sim.Read(50).empty());

  EXPECT_EQ(f.handlers.Names(),
            (std::vector<std::string>{"ThreadStart", "AttemptBegin", "Greeted", "RaceStart",
                                      "State", "AttemptEnd", "ThreadEnd"}));
  EXPECT_GT(f.handlers.polls.load(), 0);
}

TEST(InsimSession, Version3KeepAliveAfterTwentySecondsWithoutSending) {
  UdpSim sim;
  SessionFixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 3;
  ASSERT_TRUE(f.thread.StartInsimThread());
  V3Handshake(sim);
  const std::uint32_t lastSend = f.clock.Now();

  // Packets received do not count: only sending keeps the link alive.
  while (f.clock.Now() - lastSend < 10000)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  sim.Send(Padded("SCH", 8));
  const Bytes ack = sim.Read(10000);
  const std::uint32_t at = f.clock.Now();
  EXPECT_EQ(ack, Cat({Padded("ACK", 4), B({0, 0, 0, 0})}));
  EXPECT_GE(at - lastSend, 19900u);
  EXPECT_LE(at - lastSend, 20500u);
  // And again twenty seconds after that.
  EXPECT_EQ(sim.Read(10000), ack);
  EXPECT_GE(f.clock.Now() - at, 19900u);
  ASSERT_TRUE(f.thread.StopInsimThread());
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
  Settings settings;
  plat::ManualClock clock{100000};
  glink::MessageQueue toGui;
  RecordingHandlers handlers;
  InsimThread thread{settings, clock, toGui, handlers};
  Capture capture;
  std::uint32_t lastSendTick = 0;
  InsimLink link;
};

TEST(InsimUpdateStep, EditModeAsksForTheCameraPosition) {
  UpdateFixture v4(4);
  v4.handlers.editMode = true;
  v4.handlers.cameras = 3;
  v4.handlers.active = true;
  v4.settings.guiAccess = 1;
  v4.thread.UpdateStep(v4.link);
  EXPECT_EQ(v4.capture.Packets(), (std::vector<Bytes>{B({4, 3, 1, 6})}));
  EXPECT_EQ(v4.handlers.Names(), (std::vector<std::string>{"PostCars"}));
  EXPECT_EQ(v4.handlers.Calls()[0].bytes, B({0}));

  UpdateFixture v3(3);
  v3.handlers.editMode = true;
  v3.thread.UpdateStep(v3.link);
  EXPECT_EQ(v3.capture.Packets(), (std::vector<Bytes>{Cat({Padded("SCP", 4), B({0, 0, 0, 0})})}));
  EXPECT_EQ(v3.lastSendTick, 100000u);
  EXPECT_TRUE(v3.handlers.Names().empty());
}

TEST(InsimUpdateStep, InactiveDirectorAsksForRaceTimeAndClearsTheLiveCamera) {
  UpdateFixture v4(4);
  v4.thread.UpdateStep(v4.link);  // no cameras
  EXPECT_EQ(v4.capture.Packets(), (std::vector<Bytes>{B({4, 3, 1, 8})}));
  EXPECT_EQ(v4.handlers.Names(), (std::vector<std::string>{"ClearLiveCamera"}));

  v4.capture.Clear();
  v4.handlers.Clear();
  v4.handlers.cameras = 2;
  v4.handlers.stateFlags = ISS_SHIFTU_NO_OPT | ISS_SHOW_2D;
  v4.thread.UpdateStep(v4.link);
  EXPECT_EQ(v4.capture.Packets(), (std::vector<Bytes>{B({4, 3, 1, 8})}));  // no camera packet
  EXPECT_EQ(v4.handlers.Names(), (std::vector<std::string>{"DirectorCycle", "Overlay0",
                                                           "ResetLapFigures", "ClearLiveCamera"}));
}

TEST(InsimUpdateStep, ActiveDirectorSendsTheClampedCameraAndPostsCars) {
  UpdateFixture v4(4);
  v4.handlers.active = true;
  v4.handlers.cameras = 2;
  v4.handlers.stateFlags = ISS_SHIFTU_NO_OPT | ISS_SHOW_2D;
  v4.handlers.raceWithLaps = true;
  v4.handlers.raceOrder = 7;
  v4.settings.guiAccess = 1;
  v4.thread.UpdateStep(v4.link);  // countdown 0: the 2D display is hidden first
  auto packets = v4.capture.Packets();
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0], B({8, 7, 1, 0, 0x80, 0, 0, 0}));
  EXPECT_EQ(Bytes(packets[1].begin(), packets[1].begin() + 4), B({32, 9, 1, 0}));
  EXPECT_EQ(packets[1][18] | (packets[1][19] << 8), 16000);
  EXPECT_EQ(v4.handlers.Names(),
            (std::vector<std::string>{"DirectorCycle", "Overlay1", "PostCars"}));
  EXPECT_EQ(v4.handlers.CallsNamed("PostCars")[0].bytes, B({7}));

  // Overlay disabled: no overlay pass. FOV 0: no camera packet.
  UpdateFixture off(4);
  off.handlers.active = true;
  off.handlers.cameras = 1;
  off.handlers.stateFlags = ISS_SHIFTU_NO_OPT;
  off.handlers.raceWithLaps = true;
  off.handlers.cycleResult.fov = 0.0f;
  off.settings.overlayDisabled = 1;
  off.thread.UpdateStep(off.link);
  EXPECT_TRUE(off.capture.Packets().empty());
  EXPECT_EQ(off.handlers.Names(), (std::vector<std::string>{"DirectorCycle"}));
}

TEST(InsimUpdateStep, ShiftUOptionIsSetBeforeAnythingElse) {
  UpdateFixture v4(4);
  v4.handlers.active = true;
  v4.handlers.cameras = 1;
  v4.handlers.stateFlags = ISS_SHOW_2D;
  v4.thread.UpdateStep(v4.link);
  EXPECT_EQ(v4.capture.Packets().at(0), B({8, 7, 0, 0, 0x40, 0, 1, 0}));

  UpdateFixture v3(3);
  v3.handlers.cameras = 1;
  v3.thread.UpdateStep(v3.link);
  EXPECT_EQ(v3.capture.Packets(),
            (std::vector<Bytes>{Cat({Padded("SFP", 4), B({0x40, 0, 1, 0})})}));
  EXPECT_EQ(v3.lastSendTick, 100000u);
  // Version 3 has no overlay and keeps the lap figures.
  EXPECT_EQ(v3.handlers.Names(), (std::vector<std::string>{"DirectorCycle", "ClearLiveCamera"}));
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
