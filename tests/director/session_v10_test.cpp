// The InSim thread with the framings of the newer simulators: a whole version 10 session against
// the fake simulator, the version 4 session that meets a reply in the newer framing (one line,
// no repeat, the usual 2 s between attempts), and the version 3 hint after three attempts that
// nobody answered.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "director/insim/session.h"
#include "fake_simulator.h"
#include "insim_test_support.h"
#include "link/message_queue.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Cat;
using test::FastClock;
using test::Padded;
using test::RecordingHandlers;
using test::TcpSim;
using test::UdpSim;

struct Fixture {
  Settings settings;
  FastClock clock;
  glink::MessageQueue toGui;
  RecordingHandlers handlers;
  InsimThread thread{settings, clock, toGui, handlers};
  Fixture() { handlers.clock = &clock; }
};

Bytes Ver(int sizeByte, const char* version, int insimVer) {
  return Cat({B({sizeByte, ISP_VER, 1, 0}), Padded(version, 8), Padded("S3", 6), B({insimVer, 0})});
}

// Version 10 from IS_ISI to TINY_CLOSE: every packet in units of 4 bytes, the version reply of a
// 0.8 simulator (with a keep-alive behind it in the same read), a stream split at every byte
// whose position packet runs the update step, and the orderly close.
TEST(InsimSession10, HandshakeSetsAndCloseInTheNewFraming) {
  TcpSim sim;
  sim.SetSizeUnit(4);
  Fixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 10;
  f.settings.guiAccess = 1;
  f.handlers.completesSet = true;
  std::memcpy(f.settings.password, "pw", 3);
  ASSERT_TRUE(f.thread.StartInsimThread());

  ASSERT_TRUE(sim.Accept());
  ASSERT_EQ(sim.ReadPacket(), Cat({B({11, 1, 0, 0, 0, 0, 0x24, 0, 10, 0, 200, 0}), Padded("pw", 16),
                                   Padded("Morvane", 16)}));
  ASSERT_EQ(sim.ReadPacket(), B({1, 3, 1, 1}));
  sim.Send(Cat({Ver(5, "0.8B", 10), B({1, 3, 0, 0})}));
  ASSERT_EQ(sim.ReadPacket(),
            Cat({B({33, 40, 0, 0}), Padded("^3Morvane: ^2Hello LFS, I am your Morvane", 128)}));
  ASSERT_EQ(sim.ReadPacket(),
            Cat({B({17, 13, 0, 0}), Padded("/ctrlf 6 /echo activate Morvane", 64)}));
  ASSERT_EQ(sim.ReadPacket(),
            Cat({B({17, 13, 0, 0}), Padded("/ctrlf 7 /echo deactivate Morvane", 64)}));
  ASSERT_EQ(sim.ReadPacket(), B({1, 3, 1, 7}));
  EXPECT_EQ(sim.ReadPacket(), B({1, 3, 0, 0}));  // the keep-alive that followed the reply
  EXPECT_STREQ(f.thread.SimVersion(), "0.8B");

  // A state report, a keep-alive, the 52-byte IS_REO (skipped) and a position packet, split in
  // two sends at every byte: the keep-alive is answered and the set asks for the race time.
  Bytes sta(28, 0), reo(52, 0), mci(32, 0);
  sta[0] = 7;
  sta[1] = ISP_STA;
  for (int i = 4; i < 28; ++i) sta[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  reo[0] = 13;
  reo[1] = 36;
  for (int i = 4; i < 52; ++i) reo[static_cast<std::size_t>(i)] = 4;  // sizes of other versions
  mci[0] = 8;
  mci[1] = ISP_MCI;
  mci[3] = 1;
  const Bytes stream = Cat({sta, B({1, 3, 0, 0}), reo, mci});
  for (std::size_t split = 1; split < stream.size(); ++split) {
    sim.Send(Bytes(stream.begin(), stream.begin() + static_cast<long>(split)));
    std::this_thread::sleep_for(std::chrono::milliseconds(12));
    sim.Send(Bytes(stream.begin() + static_cast<long>(split), stream.end()));
    ASSERT_EQ(sim.ReadPacket(), B({1, 3, 0, 0})) << split;
    ASSERT_EQ(sim.ReadPacket(), B({1, 3, 1, 8})) << split;  // TINY_GTM: director inactive
  }
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(sim.ReadPacket(), B({1, 3, 0, 2}));
  EXPECT_TRUE(sim.ReadPacket().empty());
  EXPECT_TRUE(sim.ClosedByPeer());

  EXPECT_EQ(f.handlers.CallsNamed("State").size(), stream.size() - 1);
  for (const auto& call : f.handlers.CallsNamed("State")) EXPECT_EQ(call.bytes, sta);
  EXPECT_EQ(f.handlers.CallsNamed("CarPositions").size(), stream.size() - 1);
  EXPECT_TRUE(f.handlers.Diagnostics().empty());
  // The GUI client learns the InSim version in use first.
  std::uint8_t record[glink::kSlotSize];
  ASSERT_TRUE(f.toGui.take(record));
  EXPECT_EQ(Bytes(record, record + 6), B({6, 0, 19, 0, 2, 10}));
}

// A version 4 session that gets a reply in the newer framing (Size 5) sends nothing more and
// closes; the line is said once, the attempts go on every 2 s. A version 10 session meeting an
// old simulator's reply says the other choice.
TEST(InsimSession10, ARepliesFramingOfTheOtherVersionEndsTheAttemptWithOneLine) {
  TcpSim sim;
  Fixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 4;
  ASSERT_TRUE(f.thread.StartInsimThread());
  for (const Bytes& reply : {Ver(5, "0.8B", 10), Ver(5, "0.8B", 10), Ver(5, "0.8B", 10)}) {
    ASSERT_TRUE(sim.Accept());
    ASSERT_EQ(sim.ReadPacket().size(), 44u);
    ASSERT_EQ(sim.ReadPacket(), B({4, 3, 1, 1}));
    sim.Send(reply);
    EXPECT_TRUE(sim.ReadPacket().empty());  // no greeting, no TINY_CLOSE: closed
    EXPECT_TRUE(sim.ClosedByPeer());
  }
  ASSERT_TRUE(sim.Accept());
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(f.handlers.Diagnostics(),
            (std::vector<std::string>{
                "InSim: the simulator (version 0.8B, InSim 10) answered in the form of InSim 9 "
                "and later (Size byte 5): choose InSim V10 (--insim-version 10)\n"}));
  EXPECT_TRUE(f.handlers.CallsNamed("Greeted").empty());
  const auto attempts = f.handlers.Attempts();
  ASSERT_GE(attempts.size(), 4u);
  for (std::size_t i = 1; i < 4; ++i) {
    EXPECT_GE(attempts[i] - attempts[i - 1], 2100u) << i;  // 100 ms to TINY_VER, then 2 s
    EXPECT_LT(attempts[i] - attempts[i - 1], 3000u) << i;
  }

  TcpSim old;
  old.SetSizeUnit(4);
  Fixture g;
  g.settings.insimPort = old.Port();
  g.settings.insimVersion = 10;
  ASSERT_TRUE(g.thread.StartInsimThread());
  ASSERT_TRUE(old.Accept());
  ASSERT_EQ(old.ReadPacket().size(), 44u);
  ASSERT_EQ(old.ReadPacket(), B({1, 3, 1, 1}));
  old.Send(Ver(20, "0.6Z", 8));
  EXPECT_TRUE(old.ReadPacket().empty());
  ASSERT_TRUE(g.thread.StopInsimThread());
  EXPECT_EQ(g.handlers.Diagnostics(),
            (std::vector<std::string>{
                "InSim: the simulator (version 0.6Z, InSim 8) answered in the byte-counted form "
                "of older versions (Size byte 20): choose InSim V4 (--insim-version 4)\n"}));
}

// The broadcast rules ask a version 10 simulator for contact reports (ISF_CON); in version 4
// the flags stay as they are.
TEST(InsimSession10, BroadcastRulesAskForContactsInVersion10Only) {
  for (const std::uint8_t version : {kInsimV10, kInsimV4}) {
    TcpSim sim;
    if (version == kInsimV10) sim.SetSizeUnit(4);
    Fixture f;
    f.settings.insimPort = sim.Port();
    f.settings.insimVersion = version;
    f.settings.rules = kRulesBroadcast;
    ASSERT_TRUE(f.thread.StartInsimThread());
    ASSERT_TRUE(sim.Accept());
    const Bytes isi = sim.ReadPacket();
    ASSERT_EQ(isi.size(), 44u);
    EXPECT_EQ(Bytes(isi.begin() + 6, isi.begin() + 8),
              version == kInsimV10 ? B({0x24, 0x02}) : B({0x24, 0}))
        << int{version};
    ASSERT_TRUE(f.thread.StopInsimThread());
  }
}

// Version 3 exists only in old simulators: the third attempt in a row without an answer says so,
// once; the attempts go on every 2 s.
TEST(InsimSession10, Version3SaysOnceThatNobodyAnswersAfterThreeAttempts) {
  UdpSim sim;
  Fixture f;
  f.settings.insimPort = sim.Port();
  f.settings.insimVersion = 3;
  ASSERT_TRUE(f.thread.StartInsimThread());
  for (int attempt = 1; attempt <= 5; ++attempt) {
    ASSERT_EQ(sim.Read(), Cat({Padded("ISI", 4), B({0, 0, 0x23, 0}), Padded("", 16)})) << attempt;
    ASSERT_EQ(sim.Read(), Cat({Padded("VER", 4), B({0, 0, 0, 0})})) << attempt;
    EXPECT_EQ(f.handlers.Diagnostics().size(), attempt <= 3 ? 0u : 1u) << attempt;
  }
  ASSERT_TRUE(f.thread.StopInsimThread());
  EXPECT_EQ(f.handlers.Diagnostics(),
            (std::vector<std::string>{
                "InSim: the simulator does not answer on UDP port " + std::to_string(sim.Port()) +
                "; InSim version 3 is for old simulator versions only: choose InSim V4\n"}));
  const auto attempts = f.handlers.Attempts();
  ASSERT_GE(attempts.size(), 5u);
  EXPECT_GE(attempts[4] - attempts[3], 2000u);
}

}  // namespace
}  // namespace director
