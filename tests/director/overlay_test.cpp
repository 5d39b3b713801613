#include "director/overlay/overlay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "director/app/director_core.h"
#include "insim_test_support.h"
#include "platform/thread.h"

namespace director {
namespace {

using test::B;
using test::Bytes;
using test::Capture;
using Sent = std::vector<std::string>;

// A packet as text: "+id style L,T,W,H |text|" for a button, "-id" for a removal. Every byte that
// the text leaves out is checked here.
std::string Decode(const Bytes& p) {
  if (p.size() >= 2 && p[1] == ISP_BFN) {
    EXPECT_EQ(p, B({8, ISP_BFN, 0, 0, 0, p[5], 0, 0}));
    return "-" + std::to_string(p[5]);
  }
  if (p.size() < 16 || p[1] != ISP_BTN) return "other";
  std::string text;
  for (std::size_t i = 12; i < p.size() && p[i] != 0; ++i) text += static_cast<char>(p[i]);
  EXPECT_EQ(p[0], p.size());
  EXPECT_EQ(p.size(), (13 + text.size() + 3) / 4 * 4) << text;
  EXPECT_EQ(Bytes(p.begin() + 2, p.begin() + 4), B({1, 0}));  // ReqI 1, UCID 0
  EXPECT_EQ(p[5], 0);                                         // Inst
  EXPECT_EQ(p[7], 0);                                         // TypeIn
  for (std::size_t i = 12 + text.size(); i < p.size(); ++i) EXPECT_EQ(p[i], 0);
  return "+" + std::to_string(p[4]) + " " + std::to_string(p[6]) + " " + std::to_string(p[8]) +
         "," + std::to_string(p[9]) + "," + std::to_string(p[10]) + "," + std::to_string(p[11]) +
         " |" + text + "|";
}

const Sent kRemoveRows = {"-5",  "-6",  "-7",  "-8",  "-9",  "-10", "-11", "-12",
                          "-13", "-14", "-15", "-16", "-17", "-18", "-19", "-20"};
const Sent kClearRestOfPage = {"-6",  "-7",  "-8",  "-9",  "-10", "-11", "-12",
                               "-14", "-15", "-16", "-17", "-18", "-19", "-20"};
const Sent kRemoveDriverBox = {"-2", "-3", "-4"};

// Where each row slot of a page lies (left, top).
constexpr int kSlot[8][2] = {{15, 151},  {15, 163},  {15, 175},  {15, 187},
                             {105, 151}, {105, 163}, {105, 175}, {105, 187}};

// Name and value buttons of a row slot; the value in OverlayColour 3, right-aligned.
Sent Row(int slot, const std::string& name, const std::string& value) {
  const std::string at =
      " " + std::to_string(kSlot[slot][0]) + "," + std::to_string(kSlot[slot][1]) + ",80,12 |";
  return {"+" + std::to_string(5 + slot) + " 99" + at + name + "|",
          "+" + std::to_string(13 + slot) + " 131" + at + value + "|"};
}

Sent Cat(std::initializer_list<Sent> parts) {
  Sent out;
  for (const Sent& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class OverlayTest : public ::testing::Test {
 protected:
  OverlayTest() {
    link.sink = &capture;
    report.raceInProgress = 1;
    report.raceLaps = 10;
  }

  Sent Pass(bool active = true) {
    capture.Clear();
    OverlayUpdate(ov, {link, clock, race, report, 3}, active);
    return Decoded();
  }
  Sent At(std::uint32_t t) {
    clock.Set(t);
    return Pass();
  }
  Sent Announce(const char* name, std::uint8_t position) {
    capture.Clear();
    AnnounceDriver(ov, {link, clock, race, report, 3}, name, position);
    return Decoded();
  }
  Sent Decoded() {
    Sent out;
    for (const Bytes& p : capture.Packets()) out.push_back(Decode(p));
    return out;
  }

  // A car with its lap figures; race distance over a 1000-node track.
  void Car(std::uint8_t id, int lapsDone, int lapFigure, int lapPosition, std::uint32_t time,
           const char* name = "") {
    PlayerRecord& r = race.players[id];
    std::snprintf(r.name, sizeof r.name, "%s", name);
    r.lapsDone = static_cast<std::uint16_t>(lapsDone);
    r.lapFigure = lapFigure;
    r.lapPosition = static_cast<std::uint16_t>(lapPosition);
    r.raceDistance = static_cast<std::uint32_t>(1000 * lapFigure + lapPosition);
    r.totalTime = time;
    race.standingsChanged = 1;
  }
  void Order(std::initializer_list<std::uint8_t> ids) {
    race.raceOrder.count = 0;
    for (std::uint8_t id : ids) race.raceOrder.Append(id);
  }
  // Cars A, B and C have just completed lap `laps`, a second apart and `apart` nodes apart.
  void Crossed(int laps, int apart) {
    const auto time = static_cast<std::uint32_t>(100000 * laps);
    Car(1, laps, laps + 1, 3 * apart, time, "A");
    Car(2, laps, laps + 1, 2 * apart, time + 1000, "B");
    Car(3, laps, laps + 1, apart, time + 2000, "C");
    Order({1, 2, 3});
  }
  void Result(int i, const char* name, std::uint16_t laps, std::uint32_t time) {
    ResultPacket& e = race.results.entries[i];
    std::memset(e.playerName, 0, sizeof e.playerName);
    std::memcpy(e.playerName, name, std::strlen(name) < 24 ? std::strlen(name) : 24);
    std::memcpy(e.plate, "PLATE123", 8);
    e.totalTime = time;
    e.lapsDone = laps;
    race.resultCount = static_cast<std::uint8_t>(i + 1);
  }

  Capture capture;
  InsimLink link;
  plat::ManualClock clock{100000};
  RaceState race;
  StateReport report;
  OverlayState ov;
};

TEST(OverlayTexts, RaceTimesAndColourCodes) {
  const std::pair<std::uint32_t, const char*> times[] = {// clang-format off
      {0, ""}, {4294967295u, ""}, {83456, "1:23.46  "}, {995, "1.00  "}, {4, "0.00  "},
      {3723456, "1:02:03.46  "}, {59995, "1:00.00  "}, {4294967294u, "1193:02:47.29  "}};
  // clang-format on
  for (const auto& [ms, text] : times) {
    char out[24];
    FormatRaceTime(ms, out, sizeof out);
    EXPECT_STREQ(out, text) << ms;
  }
  const std::pair<const char*, const char*> names[] = {
      {"^1Red ^7White", "Red White"}, {"^8x^0y", "xy"}, {"^9a^^1b^", "^9a^b^"}, {"", ""}};
  for (const auto& [in, stripped] : names) {
    char text[32];
    std::snprintf(text, sizeof text, "%s", in);
    StripColourDigits(text);
    EXPECT_STREQ(text, stripped) << in;
  }
}

TEST_F(OverlayTest, ProgressOfLapRaces) {
  Car(1, 0, 1, 10, 0);
  Order({1});
  Pass();
  EXPECT_EQ(capture.Packets()[0],
            B({20, 45, 1, 0, 1, 0, 35, 0, 87, 5, 26, 12, '1', '0', ' ', '/', ' ', '1', '0', 0}));
  EXPECT_EQ(ov.finalPhase, 0);
  EXPECT_EQ(Pass(), Sent{});  // the same lap: nothing

  const struct {
    int raceLaps, lapFigure;
    const char* text;
    int finalPhase;
  } cases[] = {{10, 9, "2 / 10", 0},
               {10, 10, "last lap", 1},
               {10, 11, "finished", 1},
               {120, 1, "300 / 300", 0},
               {120, 300, "last lap", 1}};
  for (const auto& c : cases) {
    report.raceLaps = static_cast<std::uint8_t>(c.raceLaps);
    race.players[1].lapFigure = c.lapFigure;
    EXPECT_EQ(Pass(), Sent{"+1 35 87,5,26,12 |" + std::string(c.text) + "|"}) << c.text;
    EXPECT_EQ(ov.finalPhase, c.finalPhase) << c.text;
  }
  // Outside a race the box is removed on every pass.
  report.raceInProgress = 2;
  EXPECT_EQ(Pass(), Sent{"-1"});
  EXPECT_EQ(Pass(), Sent{"-1"});
}

TEST_F(OverlayTest, ProgressWaitsForTheFirstLapFigure) {
  Car(1, 0, 0, 990, 0);  // on the grid, short of the line
  Order({1});
  EXPECT_EQ(Pass(), Sent{"-1"});
  EXPECT_EQ(Pass(), Sent{});
  race.players[1].lapFigure = 1;
  EXPECT_EQ(Pass(), Sent{"+1 35 87,5,26,12 |10 / 10|"});
}

TEST_F(OverlayTest, ProgressOfARaceAgainstTheClock) {
  report.raceLaps = 191;  // one hour
  Car(1, 30, 31, 10, 0);
  Order({1});
  race.raceTime = {3540400, 100000};
  const struct {
    std::uint32_t raceMs;
    Sent sent;
    int finalPhase;
  } steps[] = {
      {3540400, {"+1 35 87,5,26,12 |00:01:00|"}, 0}, {3540999, {}, 0},  // the same second
      {3550999, {"+1 35 87,5,26,12 |00:00:50|"}, 0}, {3551000, {"+1 35 87,5,26,12 |00:00:49|"}, 1},
      {3600000, {"+1 35 87,5,26,12 |00:00:00|"}, 1}, {3700000, {"+1 35 87,5,26,12 |00:00:00|"}, 1}};
  for (const auto& s : steps) {
    EXPECT_EQ(At(100000 + s.raceMs - 3540400), s.sent) << s.raceMs;
    EXPECT_EQ(ov.finalPhase, s.finalPhase) << s.raceMs;
  }
  // Without a race time the box goes away once, and is back with the next time.
  race.raceTime = {0, 0};
  EXPECT_EQ(Pass(), Sent{"-1"});
  EXPECT_EQ(Pass(), Sent{});
  race.raceTime = {3000, clock.Now()};
  EXPECT_EQ(Pass(), Sent{"+1 35 87,5,26,12 |00:59:57|"});
  race.resultCount = 1;
  EXPECT_EQ(At(clock.Now() + 1000), Sent{"+1 35 87,5,26,12 |finished|"});
}

TEST_F(OverlayTest, DriverBoxShowsTheLastAnnouncementOnce) {
  Car(1, 0, 1, 10, 0);
  Order({1});
  Pass();  // progress box
  const std::uint32_t t0 = clock.Now();
  EXPECT_EQ(Announce("^1Al^7pha", 3), Sent{});
  clock.Set(t0 + 2000);
  Announce("^4Bra^9vo", 5);
  EXPECT_EQ(At(t0 + 5000), Sent{});  // 3 s after the second announcement, not more
  const Sent box = {"+2 33 10,178,12,12 |5|", "+4 99 22,178,60,12 | Bra^9vo|",
                    "+3 33 10,178,12,12 |5|"};
  EXPECT_EQ(At(t0 + 5001), box);
  EXPECT_EQ(At(t0 + 11001), Sent{});
  EXPECT_EQ(At(t0 + 11002), kRemoveDriverBox);
  EXPECT_EQ(At(t0 + 12002), Sent{});  // pausing
  EXPECT_EQ(At(t0 + 12003), Sent{});
  EXPECT_EQ(ov.state, kOverlayIdle);
  EXPECT_EQ(At(t0 + 20000), Sent{});  // shown once

  // Names are cut to 30 bytes before their colour codes go; a withdrawal takes the box away.
  const std::string longName = "^1" + std::string(28, 'x') + "yz";
  Announce(longName.c_str(), 12);
  EXPECT_EQ(At(t0 + 23001)[1], "+4 99 22,178,60,12 | " + std::string(28, 'x') + "|");
  EXPECT_EQ(Announce("", 0), kRemoveDriverBox);
  EXPECT_EQ(ov.state, kOverlayStartPause);
  Pass();
  EXPECT_EQ(ov.state, kOverlayPausing);

  // The reset removes a box on screen and the progress box, once.
  Announce("Kim", 2);
  At(t0 + 30000);  // the pause ends
  Pass();
  EXPECT_EQ(Pass(false), Cat({{"-1"}, kRemoveDriverBox}));
  EXPECT_EQ(Pass(false), Sent{});
}

// Twelve cars, the leader starting lap 4 of 10 with five cars of his lap over the line and six
// lapped cars: a complete snapshot, shown in two pages.
TEST_F(OverlayTest, StandingsFromACompleteSnapshotInPages) {
  Car(10, 3, 4, 30, 300000, "^1Alpha");
  Car(11, 3, 4, 28, 300000, "Bravo");
  Car(12, 3, 4, 27, 301500, "Charlie");
  Car(13, 3, 4, 25, 363456, "Delta");
  Car(14, 3, 4, 24, 305000, "Echo");
  for (std::uint8_t id = 20; id <= 24; ++id) {
    Car(id, 2, 3, 55 - id, 220000 + id * 1000, ("Lapped" + std::to_string(id)).c_str());
  }
  Car(25, 1, 2, 20, 150000, "Slow");
  Car(26, 1, 2, 900, 160000, "Ahead");  // further round its lap than the leader: +1 lap
  Order({10, 11, 12, 13, 14, 20, 21, 22, 23, 24, 26, 25});

  EXPECT_EQ(At(100000), Sent{"+1 35 87,5,26,12 |7 / 10|"});
  EXPECT_EQ(ov.state, kOverlayStandings);
  const std::uint32_t t = 100200;
  EXPECT_EQ(
      At(t),
      Cat({kClearRestOfPage, Row(0, "  ^11.  ^7Alpha", "Lap   4  "), Row(1, "  ^32.  ^7Bravo", "+"),
           Row(2, "  ^33.  ^7Charlie", "+1.50  "), Row(3, "  ^34.  ^7Echo", "+5.00  "),
           Row(4, "  ^35.  ^7Delta", "+1:03.46  "), Row(5, "  ^36.  ^7Lapped20", "-1 Lap  "),
           Row(6, "  ^37.  ^7Lapped21", "-1 Lap  "), Row(7, "  ^38.  ^7Lapped22", "-1 Lap  ")}));
  EXPECT_EQ(At(t + 8999), Sent{});
  EXPECT_EQ(At(t + 9000), kRemoveRows);
  const std::uint32_t t2 = t + 9200;
  EXPECT_EQ(At(t2),
            Cat({kClearRestOfPage, Row(0, "  ^39.  ^7Lapped23", "-1 Lap  "),
                 Row(1, "  ^310.  ^7Lapped24", "-1 Lap  "), Row(2, "  ^311.  ^7Slow", "-2 Laps  "),
                 Row(3, "  ^312.  ^7Ahead", "-1 Lap  ")}));
  EXPECT_EQ(At(t2 + 3999), Sent{});
  EXPECT_EQ(At(t2 + 4000), kRemoveRows);
  EXPECT_EQ(At(t2 + 5000), Sent{});
  EXPECT_EQ(At(t2 + 5001), Sent{});
  EXPECT_EQ(ov.state, kOverlayIdle);
  EXPECT_EQ(At(t2 + 5201), Sent{});  // the same lap is not shown again
  EXPECT_EQ(ov.state, kOverlayIdle);
}

TEST_F(OverlayTest, StandingsShowPitStopsAfterStopsChanged) {
  Car(1, 3, 4, 30, 300000, "A");
  Car(2, 3, 4, 29, 301000, "B");
  Car(3, 3, 4, 28, 302000, "C");
  race.players[1].stopCount = 1;
  race.players[2].stopCount = 2;
  Order({1, 2, 3});
  race.stopsChangeCount = 2;
  At(100000);
  EXPECT_EQ(At(100200),
            Cat({kClearRestOfPage, Row(0, "  ^11.  ^7A", "1 Stop    "),
                 Row(1, "  ^32.  ^7B", "2 Stops  "), Row(2, "  ^33.  ^7C", "0 Stops  ")}));
  EXPECT_EQ(race.stopsChangeCount, 0);
}

// Nine cars in a bunch: rows appear as the cars cross the line; a full page turns once every
// slot r has been seen for 9 - r seconds.
TEST_F(OverlayTest, ProgressiveStandingsOfABunch) {
  Car(1, 2, 3, 2, 200000, "P1");
  for (std::uint8_t id = 2; id <= 9; ++id) Car(id, 1, 2, 1000 - 2 * id, 100000);
  Order({1, 2, 3, 4, 5, 6, 7, 8, 9});
  EXPECT_EQ(At(100000), Sent{"+1 35 87,5,26,12 |8 / 10|"});
  const std::uint32_t r0 = 100200;
  EXPECT_EQ(At(r0), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7P1", "Lap   3  ")}));
  const std::uint32_t crossing[] = {0, 1000, 2000, 3000, 4000, 5000, 6000, 7500, 10000};
  for (std::uint8_t id = 2; id <= 9; ++id) {
    const std::string name = "P" + std::to_string(id);
    Car(id, 2, 3, 1, 200000 + 100 * id, name.c_str());
    const std::string gap = "+0." + std::to_string(10 * id);  // 100 ms per place
    const Sent row = Row((id - 1) % 8, "  ^3" + std::to_string(id) + ".  ^7" + name, gap + "  ");
    EXPECT_EQ(At(r0 + crossing[id - 1]), id == 9 ? Cat({kClearRestOfPage, row}) : row) << name;
    if (id == 8) {
      EXPECT_EQ(At(r0 + 9499), Sent{});
      EXPECT_EQ(At(r0 + 9500), kRemoveRows);  // slot 7 had to be seen for 2 s
      EXPECT_EQ(At(r0 + 9700), Sent{});
    }
  }
  EXPECT_EQ(At(r0 + 13999), Sent{});
  EXPECT_EQ(At(r0 + 14000), kRemoveRows);
  EXPECT_EQ(ov.state, kOverlayPausing);
}

TEST_F(OverlayTest, ProgressiveRowsRedrawTheRestOfThePageAfterTheFirst) {
  Car(1, 2, 3, 5, 200000, "A");
  Car(2, 2, 3, 4, 200500, "B");
  Car(3, 2, 3, 3, 201000, "C");
  Order({1, 2, 3});
  At(100000);
  At(100200);
  race.players[1].totalTime = 200600;  // a corrected time puts B first
  race.standingsChanged = 1;
  EXPECT_EQ(At(100400), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7B", "Lap   3  "),
                             Row(1, "  ^32.  ^7A", "+0.10  "), Row(2, "  ^33.  ^7C", "+0.50  ")}));
}

TEST_F(OverlayTest, ResultsReplaceLiveStandingsAndKeepTheirLastPage) {
  Car(1, 3, 4, 30, 300000, "A");
  Car(2, 3, 4, 29, 301000, "B");
  Order({1, 2});
  At(100000);
  At(100200);  // live rows on screen
  Result(0, "^1Win^7ner", 10, 3723456);
  Result(1, "Level", 10, 3723456);
  Result(2, "Close", 10, 3724956);
  Result(3, "OneDown", 9, 3700000);
  for (int i = 4; i < 8; ++i) Result(i, ("P" + std::to_string(i + 1)).c_str(), 8, 3600000);
  Result(8, "ABCDEFGHIJKLMNOPQRSTUVWX", 8, 3600000);  // 24 characters, no terminating zero
  const std::uint32_t t = 100400;
  EXPECT_EQ(At(t), Cat({kRemoveRows, kClearRestOfPage, Row(0, "  ^11.  ^7Winner", "1:02:03.46  "),
                        Row(1, "  ^32.  ^7Level", "+"), Row(2, "  ^33.  ^7Close", "+1.50  "),
                        Row(3, "  ^34.  ^7OneDown", "-1 Lap  "),
                        Row(4, "  ^35.  ^7P5", "-2 Laps  "), Row(5, "  ^36.  ^7P6", "-2 Laps  "),
                        Row(6, "  ^37.  ^7P7", "-2 Laps  "), Row(7, "  ^38.  ^7P8", "-2 Laps  ")}));
  EXPECT_EQ(At(t + 8999), Sent{});
  EXPECT_EQ(At(t + 9000),
            Cat({kClearRestOfPage, Row(0, "  ^39.  ^7ABCDEFGHIJKLMNOPQRSTUVWX", "-2 Laps  ")}));
  EXPECT_EQ(At(t + 100000), Sent{});
  EXPECT_EQ(Pass(false), Cat({{"-1"}, kRemoveRows}));

  // A race against the clock names the winner's laps.
  report.raceLaps = 192;
  race.resultCount = 1;
  At(t + 200000);
  EXPECT_EQ(At(t + 200200), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7Winner", "10 Laps  ")}));
}

TEST_F(OverlayTest, ResultsWithdrawnEndTheirBoard) {
  Car(1, 3, 4, 30, 300000, "A");
  Car(2, 3, 4, 29, 301000, "B");
  Order({1, 2});
  Result(0, "A", 10, 1000);
  At(100000);
  EXPECT_EQ(At(100200), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7A", "1.00  ")}));
  race.resultCount = 0;  // a new connection
  EXPECT_EQ(At(100400), kRemoveRows);
  EXPECT_EQ(ov.state, kOverlayPausing);
}

// After a complete snapshot a bunch at the line is only noted; the lap after it is shown row by
// row. Pit stops shown on one complete snapshot give way to the gaps on the next.
TEST_F(OverlayTest, BoardsOfConsecutiveLaps) {
  race.players[1].stopCount = 1;
  race.stopsChangeCount = 2;
  Crossed(3, 100);  // spread out: a complete snapshot
  At(100000);
  EXPECT_EQ(At(100200),
            Cat({kClearRestOfPage, Row(0, "  ^11.  ^7A", "1 Stop    "),
                 Row(1, "  ^32.  ^7B", "0 Stops  "), Row(2, "  ^33.  ^7C", "0 Stops  ")}));
  EXPECT_EQ(At(104200), kRemoveRows);
  At(105201);  // the pause ends
  race.stopsChangeCount = 2;
  Crossed(4, 100);
  At(105400);
  EXPECT_EQ(At(105600), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7A", "Lap   5  "),
                             Row(1, "  ^32.  ^7B", "+1.00  "), Row(2, "  ^33.  ^7C", "+2.00  ")}));
  EXPECT_EQ(race.stopsChangeCount, 2);
  At(109600);
  At(110601);
  race.stopsChangeCount = 0;
  Crossed(5, 1);  // a bunch: only noted
  EXPECT_EQ(At(110800), Sent{"+1 35 87,5,26,12 |5 / 10|"});
  EXPECT_EQ(ov.state, kOverlayIdle);
  EXPECT_EQ(At(111000), Sent{});
  Crossed(6, 1);
  EXPECT_EQ(At(111200), Sent{"+1 35 87,5,26,12 |4 / 10|"});
  EXPECT_EQ(At(111400), Cat({kClearRestOfPage, Row(0, "  ^11.  ^7A", "Lap   7  "),
                             Row(1, "  ^32.  ^7B", "+1.00  "), Row(2, "  ^33.  ^7C", "+2.00  ")}));
  EXPECT_EQ(ov.fullSnapshot, 0);
}

// States 5 and 6 are held as they are; any other unknown state becomes idle.
TEST_F(OverlayTest, HeldAndUnknownStates) {
  Car(1, 0, 1, 10, 0);
  Order({1});
  Announce("A", 1);
  Pass();
  for (const int held : {5, 6}) {
    ov.state = static_cast<std::uint8_t>(held);
    EXPECT_EQ(At(clock.Now() + 5000), Sent{});  // the driver is due, but the state holds
    EXPECT_EQ(ov.state, held);
  }
  ov.state = 7;
  EXPECT_EQ(Pass(), Sent{});
  EXPECT_EQ(ov.state, kOverlayIdle);
  EXPECT_EQ(Pass(),
            (Sent{"+2 33 10,178,12,12 |1|", "+4 99 22,178,60,12 | A|", "+3 33 10,178,12,12 |1|"}));
}

TEST_F(OverlayTest, VersionThreeSendsNothing) {
  link.version = 3;
  Car(1, 3, 4, 30, 300000, "A");
  Car(2, 3, 4, 29, 301000, "B");
  Order({1, 2});
  Announce("A", 1);
  for (std::uint32_t t = 100000; t < 140000; t += 200) {
    if (t == 130000) Result(0, "A", 10, 1000);
    At(t);
  }
  EXPECT_EQ(ov.state, kOverlayStandings);  // the displays ran all the same
  Pass(false);
  EXPECT_TRUE(capture.Packets().empty());
}

// The director core clears the screen at a race start and at the simulator's front end.
TEST(OverlayInCore, RaceStartAndFrontEndRemoveTheButtons) {
  Settings settings;
  plat::ManualClock clock;
  glink::MessageQueue toGui, toDirector;
  const std::string dir = "/nonexistent/";
  DirectorCore core{settings, clock, toGui, toDirector, dir};
  Capture capture;
  InsimLink link;
  link.sink = &capture;
  core.state.raceInProgress = 1;
  core.state.raceLaps = 5;
  core.race.raceOrder.Append(7);
  const std::uint8_t frontEnd[kStaSize] = {};
  for (int step = 0; step < 2; ++step) {
    core.OverlayUpdate(link, true);
    capture.Clear();
    step == 0 ? core.OnRaceStart(link) : core.OnState(link, ReadStateReport(frontEnd, link.version));
    ASSERT_FALSE(capture.Packets().empty());
    EXPECT_EQ(Decode(capture.Packets()[0]), "-1") << step;
    EXPECT_EQ(core.overlay.shownLap, kProgressNotShown);
  }
}

}  // namespace
}  // namespace director
