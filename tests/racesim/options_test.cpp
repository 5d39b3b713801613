// The command line: every option lands in its field, the schedule is sorted, and refusals name
// the option and why.
#include "tools/racesim/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace racesim {
namespace {

ParseResult Parse(std::vector<const char*> args, SimOptions* o, std::string* error) {
  args.insert(args.begin(), "racesim");
  return ParseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(Options, EveryOptionLandsInItsField) {
  SimOptions o;
  std::string error;
  ASSERT_EQ(Parse({"--port",
                   "4000",
                   "--insim-version",
                   "3",
                   "--password",
                   "pw",
                   "--sim-version",
                   "0.6B",
                   "--keepalive",
                   "2.5",
                   "--track",
                   "BL1",
                   "--nodes",
                   "800",
                   "--node-spacing",
                   "4",
                   "--finish-node",
                   "17",
                   "--sim-dir",
                   "/s",
                   "--program-dir",
                   "/p",
                   "--cams",
                   "5",
                   "--cars",
                   "20",
                   "--laps",
                   "7",
                   "--pit-stops",
                   "3",
                   "--seed",
                   "9",
                   "--races",
                   "2",
                   "--lobby",
                   "1",
                   "--grid",
                   "2",
                   "--after",
                   "3.5",
                   "--linger",
                   "4",
                   "--speed",
                   "2",
                   "--at",
                   "5:status",
                   "--at",
                   "1.5:pause",
                   "--trace",
                   "t.jsonl",
                   "--max-seconds",
                   "60",
                   "--no-pth",
                   "--overwrite-cams",
                   "--no-views",
                   "--replay",
                   "--mp-speedup",
                   "--no-stdin",
                   "--quiet"},
                  &o, &error),
            ParseResult::kRun)
      << error;
  EXPECT_EQ(std::vector<long long>({o.port, o.version, o.keepAliveMs, o.track.nodeCount,
                                    o.track.finishNode, o.cams, o.race.cars, o.race.laps,
                                    o.race.pitStops, o.race.seed, o.track.seed, o.races, o.lobbyMs,
                                    o.gridMs, o.afterMs, o.lingerMs}),
            std::vector<long long>(
                {4000, 3, 2500, 800, 17, 5, 20, 7, 3, 9, 9, 2, 1000, 2000, 3500, 4000}));
  EXPECT_EQ(o.password + "|" + o.simVersion + "|" + o.track.name + "|" + o.simDir + "|" +
                o.programDir + "|" + o.tracePath,
            "pw|0.6B|BL1|/s|/p|t.jsonl");
  EXPECT_EQ(o.track.nodeSpacing, 4.0);
  EXPECT_EQ(o.speed, 2.0);
  EXPECT_EQ(o.maxSeconds, 60.0);
  ASSERT_EQ(o.schedule.size(), 2u);
  EXPECT_EQ(o.schedule[0].atMs, 1500u);
  EXPECT_EQ(o.schedule[0].command, "pause");
  EXPECT_EQ(o.schedule[1].command, "status");
  EXPECT_FALSE(o.writePath || o.views || o.readStdin);
  EXPECT_TRUE(o.overwriteCams && o.replay && o.mpSpeedup && o.quiet);

  SimOptions noDir;
  ASSERT_EQ(Parse({"--cams", "5"}, &noDir, &error), ParseResult::kRun);
  EXPECT_EQ(noDir.cams, 0);  // no program directory to write them to
  EXPECT_EQ(Parse({"--port", "1", "--help", "--bogus"}, &noDir, &error), ParseResult::kHelp);
}

TEST(Options, RefusalsNameTheOptionAndWhy) {
  const struct {
    std::vector<const char*> args;
    const char* error;
  } cases[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"port"}, "unknown option port"},
      {{"--port"}, "missing value for --port"},
      {{"--port", "65536"}, "bad value for --port: 65536"},
      {{"--nodes", "12x"}, "bad value for --nodes: 12x"},
      {{"--password", "123456789012345"}, "bad value for --password: at most 14 characters"},
      {{"--sim-version", ""}, "bad value for --sim-version: 1 to 8 characters"},
      {{"--speed", "0.05"}, "bad value for --speed: 0.05 (0.1 to 50)"},
      {{"--at", "5"}, "bad value for --at: 5 (SECONDS:COMMAND)"},
      {{"--at", "5:"}, "bad value for --at: 5: (SECONDS:COMMAND)"},
      {{"--lobby", "-1"}, "bad value for --lobby: -1"},
      {{"--track", "TOOLONG"}, "the track name must have 1 to 6 characters"},
  };
  for (const auto& c : cases) {
    SimOptions o;
    std::string error;
    EXPECT_EQ(Parse(c.args, &o, &error), ParseResult::kError) << c.error;
    EXPECT_EQ(error, c.error);
  }
}

TEST(Options, ScriptedIncidentsAreOptIn) {
  SimOptions o;
  std::string error;
  ASSERT_EQ(Parse({}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.race.incidents, 0);
  ASSERT_EQ(Parse({"--incidents", "6"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.race.incidents, 6);
  EXPECT_EQ(Parse({"--incidents", "101"}, &o, &error), ParseResult::kError);
  EXPECT_EQ(error, "bad value for --incidents: 101");
}

}  // namespace
}  // namespace racesim
