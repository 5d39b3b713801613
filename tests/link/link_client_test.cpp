#include "link/link_client.h"

#include <gtest/gtest.h>

#include <string>

#include "link/link_messages.h"
#include "link/link_server.h"
#include "link_peer.h"

namespace glink {
namespace {

using linktest::Bytes;
using linktest::FrameOf;
using linktest::Goodbye;
using linktest::Hex;
using linktest::HexFrame;
using linktest::Join;
using linktest::kVersionFrame;
using linktest::Listener;
using linktest::Peer;
using linktest::WaitFor;

using Calls = std::vector<std::string>;

const std::string kNoTrack = "track  0 0";
const std::string kMismatch =
    "mismatch GUI version does not match Morvane version | version mismatch";

Bytes ClockFrame(std::uint32_t ms) {
  return FrameOf([&](std::uint8_t* s) { WriteRaceClock(s, ms); });
}

struct ClientRig {
  linktest::FastClock clock;
  LinkClient client{clock};
  linktest::RecordingModel model;
  Listener director;

  ClientRig() { client.SetServer(plat::kLoopback, director.port()); }
  ~ClientRig() { client.StopLinkClient(model); }

  // Dispatches on the window timer's beat until the model has seen n calls (or 3 s passed).
  Calls DispatchUntil(std::size_t n) {
    WaitFor([&] {
      client.DispatchLinkMessages(model);
      return model.calls.size() >= n;
    });
    return model.Take();
  }
  // Waits until count records from the director are queued, then dispatches once.
  Calls DispatchWhenQueued(int count) {
    EXPECT_TRUE(WaitFor([&] { return client.toGui().pending() >= count; }));
    client.DispatchLinkMessages(model);
    return model.Take();
  }
};

TEST(LinkClient, VersionComesFirstThenEveryRecordReachesItsHandlerInOrder) {
  ClientRig rig;
  ASSERT_TRUE(rig.client.StartLinkClient());
  Peer director(rig.director.Accept());
  ASSERT_NE(director.socket(), plat::kNoSocket);

  std::uint8_t node[kPathNodeSize];
  for (int i = 0; i < kPathNodeSize; ++i) node[i] = static_cast<std::uint8_t>(100 + i);
  director.Send(Join({
      kVersionFrame,
      FrameOf([](std::uint8_t* s) { WriteTrack(s, "BL1", 180, 3); }),
      FrameOf([&](std::uint8_t* s) { WriteTrackNode(s, "BL1", 31, node); }),
      HexFrame("0400 04 01"),
      HexFrame("1800 08 00 0200 F6FFFFFF 14000000 1E000000 DB05 0400 0000"),
      // One byte too short for a camera: dropped, never read past its end.
      HexFrame("1700 08 00 0300 00000000 00000000 00000000 0000 0000 00"),
      HexFrame("1800 09 00 0100 28000000 CEFFFFFF 3C000000 0700 0800 0900"),
      HexFrame("0500 05 0200"),
      HexFrame("0500 06 0100"),
      HexFrame("0500 0B 0000"),
      HexFrame("0700 15 00000000"),  // a request: not for the client
      HexFrame("0400 1E 01"),        // an unused type
      HexFrame("1800 0E 02 07 01 0000FFFF 00000200 09 00 05000000 06000000"),
      HexFrame("0B00 10 FDFFFFFF 04000000"),
      HexFrame("0B00 12 0C 416E6E202832 29"),
      HexFrame("0300 12"),
      ClockFrame(3725000),
      HexFrame("0700 17 686F6C64"),
      HexFrame("0400 04 00"),
  }));

  // The dispatcher stops right after a valid version; the rest waits for the next tick.
  EXPECT_EQ(rig.DispatchWhenQueued(19), Calls{});
  EXPECT_EQ(rig.client.LinkVersion(), 2);
  EXPECT_EQ(rig.model.extrapolations, 0);
  rig.client.DispatchLinkMessages(rig.model);
  EXPECT_EQ(
      rig.model.Take(),
      (Calls{"track BL1 180 3", "node BL1 31 100..139", "edit 1", "added 2 -10 20 30 1499 4 0",
             "changed 1 40 -50 60 7 8 9", "current 2", "editcam 1", "deleted 0",
             "cars 2 7:1:-65536:131072 9:0:5:6", "view -3 4", "label 12 Ann (2)", "labels cleared",
             "clock 3725000", "reason hold", "edit 0"}));
  EXPECT_EQ(rig.model.extrapolations, 1) << "extrapolateCars runs once the queue is drained";
}

TEST(LinkClient, AnythingButLinkVersion2FirstStopsTheClientWithTheMismatchMessage) {
  struct Case {
    const char* name;
    Bytes first;
    bool accepted;
  };
  const Case cases[] = {
      {"a track first", FrameOf([](std::uint8_t* s) { WriteTrack(s, "BL1", 9, 0); }), false},
      {"link version 0, 3", HexFrame("0600 13 00 03 04"), false},
      {"link version 1, 2", HexFrame("0600 13 01 02 04"), false},
      {"no version in it", HexFrame("0400 13 00"), false},
      {"0, 2 with any third byte", HexFrame("0600 13 00 02 4D"), true},
      {"0, 2 without a third byte", HexFrame("0500 13 00 02"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClientRig rig;
    ASSERT_TRUE(rig.client.StartLinkClient());
    Peer director(rig.director.Accept());
    ASSERT_NE(director.socket(), plat::kNoSocket);
    director.Send(Join({c.first, ClockFrame(5)}));
    if (c.accepted) {
      EXPECT_EQ(rig.DispatchUntil(1), Calls{"clock 5"});
      EXPECT_TRUE(rig.client.Running());
      continue;
    }
    // The stop empties the queue and drops the track before the message is shown.
    EXPECT_EQ(rig.DispatchWhenQueued(2), (Calls{kNoTrack, kMismatch}));
    EXPECT_FALSE(rig.client.Running());
    EXPECT_EQ(rig.client.toGui().pending(), 0);
    EXPECT_EQ(director.ReadToEnd(), Goodbye());
    EXPECT_TRUE(director.Closed());
    EXPECT_EQ(rig.director.Accept(400), plat::kNoSocket) << "the client connected again";
  }
}

// However a connection ends, what arrived before the end is applied, the track is dropped, and the
// client reconnects 2 s later without a message; each new connection must start with its version.
TEST(LinkClient, EveryWayAConnectionEndsDropsTheTrackAndReconnects) {
  struct Case {
    const char* name;
    Bytes bytes;  // after the version and a clock record; none: the director closes its side
    Calls calls;
    LinkPhase phase;  // what the window is told until the next connection stands
  };
  Bytes badMagic = Hex("587256 00 0400 04 01");  // "XrV"
  badMagic.resize(1200, 0x55);
  Bytes size405 = HexFrame("9501 14");
  size405.resize(409, 0);
  const Case cases[] = {
      {"goodbye inside a burst",
       Join({Goodbye(), ClockFrame(8)}),
       {"clock 7", kNoTrack},
       LinkPhase::kClosedByDirector},
      {"closed without goodbye", {}, {"clock 7", kNoTrack}, LinkPhase::kClosedByDirector},
      // No mismatch: nothing arrived to judge.
      {"closed before its version", {}, {kNoTrack}, LinkPhase::kClosedByDirector},
      {"size 405", size405, {"clock 7", kNoTrack}, LinkPhase::kBroken},
      {"bad magic filling the buffer", badMagic, {"clock 7", kNoTrack}, LinkPhase::kBroken},
  };
  ClientRig rig;
  ASSERT_TRUE(rig.client.StartLinkClient());
  std::uint32_t ended = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Peer director(rig.director.Accept());
    ASSERT_NE(director.socket(), plat::kNoSocket);
    EXPECT_TRUE(WaitFor([&] { return rig.client.Phase() == LinkPhase::kConnected; }));
    if (ended != 0) {
      const std::uint32_t gap = rig.clock.Now() - ended;
      EXPECT_GE(gap, 1800u);
      EXPECT_LE(gap, 2400u);
    }
    if (c.calls.size() > 1) director.Send(Join({kVersionFrame, ClockFrame(7), c.bytes}));
    if (c.bytes.empty()) {
      director.Close();
    } else {
      EXPECT_EQ(director.ReadToEnd(), Goodbye());
    }
    EXPECT_EQ(rig.DispatchUntil(c.calls.size()), c.calls);
    EXPECT_EQ(rig.client.Phase(), c.phase);
    ended = rig.clock.Now();
    EXPECT_EQ(rig.client.LinkVersion(), 0);
  }
  Peer director(rig.director.Accept());
  director.Send(ClockFrame(3));
  EXPECT_EQ(rig.DispatchWhenQueued(1), (Calls{kNoTrack, kMismatch}));
}

TEST(LinkClient, RetriesSilentlyWhileNoDirectorListensAndStopsWithin100msOfWaiting) {
  std::uint16_t port;
  { port = Listener().port(); }  // a port that nobody listens on
  ClientRig rig;
  rig.client.SetServer(plat::kLoopback, port);
  PostEditMode(rig.client.toDirector(), GLM_SET_EDIT_MODE, true);  // for no director
  ASSERT_TRUE(rig.client.StartLinkClient());
  const std::uint32_t start = rig.clock.Now();
  // Halfway through the wait after the second refused attempt.
  ASSERT_TRUE(WaitFor([&] { return rig.clock.Now() - start >= 3000; }));
  rig.client.DispatchLinkMessages(rig.model);
  EXPECT_EQ(rig.model.Take(), Calls{}) << "a refused connection is no connection to end";
  EXPECT_EQ(rig.client.toDirector().pending(), 0) << "kept a request for the next director";
  EXPECT_EQ(rig.client.Phase(), LinkPhase::kNoDirector);
  EXPECT_EQ(rig.client.ServerPort(), port);

  const std::uint32_t stopAt = rig.clock.Now();
  EXPECT_TRUE(rig.client.StopLinkClient(rig.model));
  EXPECT_LE(rig.clock.Now() - stopAt, 100u) << "the 2 s wait did not look at the stop flag";
  EXPECT_EQ(rig.model.Take(), Calls{kNoTrack});
  EXPECT_EQ(rig.client.Phase(), LinkPhase::kStopped);
  EXPECT_TRUE(rig.client.StopLinkClient(rig.model));
  EXPECT_EQ(rig.model.Take(), Calls{}) << "a stop without a thread changes nothing";
}

// The thread waits on its socket, so a frame is queued the moment it arrives instead of after the
// rest of a 10 ms sleep: the clock counts the thread's sleeps, and none passes per frame.
TEST(LinkClient, TakesEachFrameInAsItArrives) {
  ClientRig rig;
  ASSERT_TRUE(rig.client.StartLinkClient());
  Peer director(rig.director.Accept());
  ASSERT_TRUE(WaitFor([&] { return rig.client.Phase() == LinkPhase::kConnected; }));
  LinkRecord record;
  for (std::uint32_t i = 0; i < 20; ++i) {
    const std::uint32_t before = rig.clock.Now();
    director.Send(ClockFrame(i));
    ASSERT_TRUE(WaitFor([&] { return rig.client.toGui().pending() == 1; }));
    EXPECT_EQ(rig.clock.Now(), before) << "frame " << i << " waited out a sleep";
    ASSERT_TRUE(rig.client.toGui().take(record));
  }
  // A request of the window still goes out within a pass of the loop.
  PostEditMode(rig.client.toDirector(), GLM_SET_EDIT_MODE, true);
  EXPECT_EQ(director.Read(8, 1000), HexFrame("0400 11 01"));
}

TEST(LinkClient, StopWhileTheConnectIsStillWaitingSucceedsAndDropsRequests) {
  Listener director(0);  // room for one connection in the backlog, never accepted
  Peer first;
  ASSERT_TRUE(first.Connect(director.port()));
  ClientRig rig;
  rig.client.SetServer(plat::kLoopback, director.port());
  ASSERT_TRUE(rig.client.StartLinkClient());
  plat::SleepMs(300);  // the client's connect waits for a backlog slot that never frees
  PostEditMode(rig.client.toDirector(), GLM_SET_EDIT_MODE, true);
  EXPECT_TRUE(rig.client.StopLinkClient(rig.model));
  EXPECT_FALSE(rig.client.Running());
  EXPECT_EQ(rig.model.Take(), Calls{kNoTrack});
  EXPECT_EQ(rig.client.toDirector().pending(), 0) << "kept a request for the next start";
}

TEST(LinkClient, StopWhileConnectedSendsGoodbyeAndDiscardsWhatIsQueued) {
  ClientRig rig;
  ASSERT_TRUE(rig.client.StartLinkClient());
  Peer director(rig.director.Accept());
  director.Send(Join({kVersionFrame, ClockFrame(1), ClockFrame(2)}));
  ASSERT_TRUE(WaitFor([&] { return rig.client.toGui().pending() == 3; }));
  PostEditMode(rig.client.toDirector(), GLM_SET_EDIT_MODE, false);
  EXPECT_EQ(director.Read(8), HexFrame("0400 11 00"));

  EXPECT_TRUE(rig.client.StopLinkClient(rig.model));
  EXPECT_FALSE(rig.client.Running());
  EXPECT_EQ(rig.model.Take(), Calls{kNoTrack});
  EXPECT_EQ(director.ReadToEnd(), Goodbye());
  EXPECT_TRUE(director.Closed());
  rig.client.DispatchLinkMessages(rig.model);
  EXPECT_EQ(rig.model.Take(), Calls{}) << "records of the stopped link were applied";

  // Started again, it links up with a fresh version check.
  ASSERT_TRUE(rig.client.StartLinkClient());
  Peer again(rig.director.Accept());
  again.Send(Join({kVersionFrame, ClockFrame(3)}));
  EXPECT_EQ(rig.DispatchUntil(1), Calls{"clock 3"});
}

TEST(LinkClient, RecordsHeldForAFullQueueArriveWhileTheDirectorIsQuiet) {
  ClientRig rig;
  ASSERT_TRUE(rig.client.StartLinkClient());
  Peer director(rig.director.Accept());
  Bytes burst = kVersionFrame;
  Calls expected;
  for (std::uint32_t i = 0; i < 80; ++i) {
    burst = Join({burst, ClockFrame(i)});
    expected.push_back("clock " + std::to_string(i));
  }
  expected.push_back(kNoTrack);             // the goodbye behind them still ends the connection
  director.Send(Join({burst, Goodbye()}));  // then nothing more
  ASSERT_TRUE(WaitFor([&] { return rig.client.toGui().pending() == kQueueSlots; }));
  plat::SleepMs(50);
  EXPECT_EQ(rig.DispatchUntil(81), expected) << "the frames kept for want of a slot were lost";
  EXPECT_EQ(director.ReadToEnd(), Goodbye());
}

// The real server with a fake InSim thread: the client keeps its model fed across a restart of the
// director.
TEST(LinkClient, KeepsTheModelFedAcrossADirectorRestart) {
  linktest::ServerRig director;
  director.insim.script.push_back([](MessageQueue& q) { PostTrack(q, "FE2", 600, 10); });
  ASSERT_TRUE(director.server.StartGuiServer());
  director.port = director.server.ListeningPort();
  ClientRig rig;
  rig.client.SetServer(plat::kLoopback, director.port);
  ASSERT_TRUE(rig.client.StartLinkClient());
  EXPECT_EQ(rig.DispatchUntil(1), Calls{"track FE2 600 10"});

  EXPECT_TRUE(director.server.StopGuiServer());
  EXPECT_EQ(rig.DispatchUntil(1), Calls{kNoTrack});
  ASSERT_TRUE(director.server.StartGuiServer());
  EXPECT_EQ(director.server.ListeningPort(), director.port);
  EXPECT_EQ(rig.DispatchUntil(1), Calls{"track FE2 600 10"});
  EXPECT_EQ(director.insim.starts, 2);
  EXPECT_TRUE(rig.client.StopLinkClient(rig.model));
  EXPECT_TRUE(WaitFor([&] { return director.insim.stops == 2; }));
}

}  // namespace
}  // namespace glink
