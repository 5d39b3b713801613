#include "link/link_server.h"

#include <gtest/gtest.h>

#include <string>

#include "link/link_messages.h"
#include "link_peer.h"

namespace glink {
namespace {

using linktest::Bytes;
using linktest::FakeInsim;
using linktest::Goodbye;
using linktest::Hex;
using linktest::HexFrame;
using linktest::Join;
using linktest::kVersionFrame;
using linktest::Peer;
using linktest::ServerRig;
using linktest::WaitFor;

TEST(GuiServer, ServesOneClientAtATimeEachFromItsOwnVersionOn) {
  ServerRig rig;
  rig.insim.script.push_back([](MessageQueue& q) { PostTrack(q, "BL1", 180, 3); });
  rig.insim.script.push_back([](MessageQueue& q) {
    const CarEntry cars[2] = {{7, 1, -65536, 131072}, {9, 0, 5, 6}};
    PostCarTable(q, 2, cars);
  });
  rig.insim.postOnStop = true;  // a record posted as a client's session ends
  ASSERT_TRUE(rig.server.StartGuiServer());
  EXPECT_EQ(rig.insim.starts, 0) << "the InSim thread runs only while a client is connected";
  const Bytes records =
      Join({HexFrame("1100 03 424C31000000 B4000000 03000000"),
            HexFrame("1800 0E 02 07 01 0000FFFF 00000200 09 00 05000000 06000000")});
  Peer first, second;
  rig.Connect(first);
  EXPECT_EQ(first.Read(records.size()), records);
  ASSERT_TRUE(second.Connect(rig.server.ListeningPort()));  // waits in the backlog
  EXPECT_TRUE(second.Quiet(300));
  EXPECT_EQ(rig.insim.starts, 1);

  // Requests split at every byte are queued once each, complete, in order.
  first.SendSplit(Join({HexFrame("0700 15 20000000"), HexFrame("0400 11 01")}));
  ASSERT_TRUE(WaitFor([&] { return rig.toDirector.pending() == 2; }));
  EXPECT_EQ(Bytes(rig.toDirector.peek(), rig.toDirector.peek() + 7), Hex("0700 15 20000000"));
  rig.toDirector.release();
  EXPECT_EQ(Bytes(rig.toDirector.peek(), rig.toDirector.peek() + 4), Hex("0400 11 01"));

  // The goodbye is answered with the server's and the InSim thread stopped; what the session left
  // in either queue is not for the next client.
  first.Send(Goodbye());
  EXPECT_EQ(first.ReadToEnd(), Goodbye());
  EXPECT_TRUE(first.Closed());
  EXPECT_EQ(second.Read(10 + records.size()), Join({kVersionFrame, records}));
  EXPECT_TRUE(second.Quiet(200)) << "a record of the first client's session was delivered";
  EXPECT_EQ(rig.insim.starts, 2);
  EXPECT_EQ(rig.insim.stops, 1);
  EXPECT_EQ(rig.toDirector.pending(), 0);

  // Stop while serving: the goodbye goes out before the socket closes, and the port is let go.
  const std::uint16_t port = rig.server.ListeningPort();
  EXPECT_TRUE(rig.server.StopGuiServer());
  EXPECT_FALSE(rig.server.Running());
  EXPECT_EQ(second.ReadToEnd(), Goodbye());
  EXPECT_TRUE(second.Closed());
  EXPECT_EQ(rig.insim.stops, 2);
  EXPECT_EQ(rig.server.ListeningPort(), 0);
  Peer late;
  EXPECT_FALSE(late.Connect(port)) << "the port is still listening after the stop";
  EXPECT_TRUE(rig.server.StopGuiServer()) << "a second stop finds no thread";
}

TEST(GuiServer, BusyPortIsReportedAndAFreeOneServedUntilStopWhileListening) {
  const plat::Socket other = plat::TcpOpen();
  ASSERT_TRUE(plat::Bind(other, plat::kAnyAddress, 0));
  ASSERT_TRUE(plat::Listen(other, 1));
  ServerRig rig;
  rig.port = plat::LocalPort(other);
  EXPECT_FALSE(rig.server.StartGuiServer());
  EXPECT_EQ(std::string(rig.server.FailureText()),
            "GUI port " + std::to_string(rig.port) +
                " could not be opened: is another program using it?");
  EXPECT_FALSE(rig.server.Running());

  plat::Close(other);
  EXPECT_TRUE(rig.server.StartGuiServer()) << "the port is free again";
  EXPECT_STREQ(rig.server.FailureText(), "");
  EXPECT_FALSE(rig.server.StartGuiServer()) << "a second server thread was started";
  EXPECT_TRUE(rig.server.StopGuiServer());
  EXPECT_EQ(rig.insim.starts, 0);
}

// Each client whose stream ends or cannot go on is let go (with the server's goodbye where it can
// still read one) and the next one is served.
TEST(GuiServer, ClientsThatCloseOrSendHostileFramesEndTheirConnectionOnly) {
  struct Case {
    const char* name;
    Bytes bytes;
    bool close;  // the client closes its side without a goodbye
  };
  Bytes badMagic = Hex("587256 00 0400 11 01");  // "XrV"
  badMagic.resize(1100, 0x55);
  Bytes size405 = HexFrame("9501 11");
  size405.resize(409, 0);
  const Bytes editOn = HexFrame("0400 11 01");
  const Case cases[] = {
      // Nothing is ever sent to this client, so only its closed side can end the connection.
      {"closed without goodbye", {}, true},
      {"size 405", size405, false},
      {"goodbye inside a burst", Join({editOn, Goodbye(), editOn}), false},
      {"bad magic filling the buffer", badMagic, false},
  };
  ServerRig rig;
  ASSERT_TRUE(rig.server.StartGuiServer());
  int served = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Peer client;
    rig.Connect(client);
    ++served;
    if (c.close) {
      client.Close();
    } else {
      client.Send(c.bytes);
      EXPECT_EQ(client.ReadToEnd(), Goodbye());
      EXPECT_TRUE(client.Closed());
    }
    EXPECT_TRUE(WaitFor([&] { return rig.insim.stops == served; }));
  }
  // A stray wrong magic alone does not end the connection: the client may still close it.
  Peer client;
  rig.Connect(client);
  client.Send(Hex("42414421 0400 11 01"));  // "BAD!"
  EXPECT_TRUE(client.Quiet(200));
  EXPECT_TRUE(rig.server.StopGuiServer());
  EXPECT_EQ(client.ReadToEnd(), Goodbye());
}

// The server waits on the client's socket, so a request is queued the moment it arrives instead of
// after the rest of a 10 ms sleep: the clock counts the thread's sleeps, and none passes per frame.
TEST(GuiServer, TakesEachRequestInAsItArrives) {
  ServerRig rig;
  ASSERT_TRUE(rig.server.StartGuiServer());
  Peer client;
  rig.Connect(client);
  for (int i = 0; i < 20; ++i) {
    const std::uint32_t before = rig.clock.Now();
    client.Send(HexFrame("0400 11 01"));
    ASSERT_TRUE(WaitFor([&] { return rig.toDirector.pending() == 1; }));
    EXPECT_EQ(rig.clock.Now(), before) << "request " << i << " waited out a sleep";
    rig.toDirector.release();
  }
  // The director's records still go out within a pass of the loop.
  PostEditMode(rig.toGui, GLM_EDIT_MODE, true);
  EXPECT_EQ(client.Read(8, 1000), HexFrame("0400 04 01"));
}

// Posts full car tables as the director would until the server has taken nothing for 200 ms: it is
// then stuck on a client that does not read. False when that never happens.
bool FillUntilTheServerIsStuck(ServerRig& rig) {
  const CarEntry cars[40] = {};
  for (std::uint32_t start = plat::TickCount(), full = start; plat::TickCount() - start < 20000;) {
    if (PostCarTable(rig.toGui, 40, cars)) {
      full = plat::TickCount();
    } else if (plat::TickCount() - full > 200) {
      return true;
    } else {
      plat::SleepMs(1);
    }
  }
  return false;
}

TEST(GuiServer, ClientThatStopsReadingNeitherHoldsTheServerNorItsStop) {
  ServerRig rig;
  ASSERT_TRUE(rig.server.StartGuiServer());
  {
    Peer frozen;  // never reads a byte
    ASSERT_TRUE(frozen.Connect(rig.server.ListeningPort()));
    ASSERT_TRUE(WaitFor([&] { return rig.insim.starts == 1; }));
    ASSERT_TRUE(FillUntilTheServerIsStuck(rig));
    // The stuck send gives up and the connection ends, so the next client is served.
    EXPECT_TRUE(WaitFor([&] { return rig.insim.stops == 1; }, kSendWaitMs + 2000));
  }
  Peer next;
  rig.Connect(next);
  // Stop while the server is stuck sending to a client that stopped reading.
  ASSERT_TRUE(FillUntilTheServerIsStuck(rig));
  EXPECT_TRUE(rig.server.StopGuiServer()) << "the stop timed out behind a blocked send";
  EXPECT_EQ(rig.insim.stops, 2);
}

}  // namespace
}  // namespace glink
