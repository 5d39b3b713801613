// Runs against the registry on Windows and against the settings file elsewhere. The key is a test
// key of its own, removed before and after each test; on POSIX the file goes to a temporary
// configuration directory.
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "temp_dir.h"

namespace plat {
namespace {

// One key per test process, so that runs side by side (the registry is shared) never meet.
const std::string kSuffix = std::to_string(std::random_device()() % 1000000u);
const std::string kTestKeyPath = "Software\\MorvaneTestPlatform" + kSuffix;
const char* const kTestKey = kTestKeyPath.c_str();
const std::string kTestDir = "/morvanetestplatform" + kSuffix;

class SettingsTest : public ::testing::Test {
 protected:
  // The configuration directory is the test's own; nothing else in this program reads it.
  void SetUp() override {
#ifndef _WIN32
    ASSERT_TRUE(config_.ok());
    UseConfig(config_.path());
#endif
    SettingsKey(kTestKey).DeleteKey();
  }
  void TearDown() override {
#ifndef _WIN32
    UseConfig(config_.path());
#endif
    EXPECT_TRUE(SettingsKey(kTestKey).DeleteKey());
  }
#ifndef _WIN32
  static void UseConfig(const std::string& dir) { setenv("XDG_CONFIG_HOME", dir.c_str(), 1); }
#endif

  static std::string GetString(SettingsKey& k, const char* name, std::size_t size = 256) {
    char buf[256];
    std::memset(buf, '#', sizeof buf);
    if (!k.GetString(name, buf, size)) return "<missing>";
    return buf;
  }
  static std::string GetU32(SettingsKey& k, const char* name) {
    std::uint32_t v = 123;
    if (!k.GetU32(name, &v)) return v == 123 ? "<missing>" : "<changed>";
    return std::to_string(v);
  }

  TempDir config_;
};

TEST_F(SettingsTest, MissingKeyAndValuesAreReportedAsMissing) {
  SettingsKey k(kTestKey);
  EXPECT_FALSE(k.OpenRead());
  EXPECT_EQ(GetU32(k, "InsimPort"), "<missing>") << "not open";
  ASSERT_TRUE(k.OpenWrite());
  ASSERT_TRUE(k.Close());
  ASSERT_TRUE(k.OpenRead()) << "a key made for writing exists, even without values";
  EXPECT_EQ(GetU32(k, "InsimPort"), "<missing>");
  EXPECT_EQ(GetString(k, "IPaddress"), "<missing>");
  EXPECT_TRUE(k.Close());
}

TEST_F(SettingsTest, ValuesRoundTripExactly) {
  const std::string odd =
      std::string(" lead and trail ") + "a=b\\c\\x41\\n" + "\x01\x7F" + "\xE4\xF6\xFC" + "\t#;[x]";
  // Names with blanks, '=' or a comment mark in front must come back too.
  const std::pair<const char*, std::string> strings[] = {
      {"IPaddress", "192.168.0.10"}, {"Empty", ""},  {"Odd", odd},
      {" name = with blanks ", "v"}, {"#hash", "h"}, {";semi", "s"}};
  const std::pair<const char*, std::uint32_t> numbers[] = {
      {"InsimPort", 32300}, {"Zero", 0}, {"Max", 0xFFFFFFFFu}};
  for (int pass = 0; pass < 2; ++pass) {  // the second pass rewrites what the first wrote
    SettingsKey k(kTestKey);
    ASSERT_TRUE(k.OpenWrite());
    for (const auto& [name, v] : strings) EXPECT_TRUE(pass || k.SetString(name, v.c_str()));
    for (const auto& [name, v] : numbers) EXPECT_TRUE(pass || k.SetU32(name, v)) << name;
    EXPECT_TRUE(k.SetU32("Marker", 1));
    EXPECT_TRUE(k.Close());
    ASSERT_TRUE(k.OpenRead());
    for (const auto& [name, v] : strings) EXPECT_EQ(GetString(k, name), v) << name;
    for (const auto& [name, v] : numbers) EXPECT_EQ(GetU32(k, name), std::to_string(v)) << name;
    EXPECT_TRUE(k.Close());
  }
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenRead());
  EXPECT_EQ(GetU32(k, "IPaddress"), "<missing>") << "a string is no number";
  EXPECT_EQ(GetString(k, "InsimPort"), "<missing>") << "a number is no string";
  EXPECT_EQ(GetU32(k, "insimport"), "32300") << "names ignore case";
  EXPECT_EQ(GetString(k, "IPADDRESS"), "192.168.0.10");
  EXPECT_EQ(GetString(k, "IPaddress", 4), "192") << "cut to size - 1";
  EXPECT_FALSE(k.SetU32("InsimPort", 1)) << "opened for reading only";
  EXPECT_TRUE(k.Close());
}

TEST_F(SettingsTest, LaterWritesKeepOtherValuesAndReplaceByName) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 1);
  k.SetU32("GUI-Port", 2);
  k.SetString("IPaddress", "one");
  ASSERT_TRUE(k.Close());
  ASSERT_TRUE(k.OpenWrite());
  EXPECT_EQ(GetU32(k, "GUI-Port"), "2") << "a key open for writing reads too";
  k.SetU32("INSIMPORT", 3);
  k.SetU32("IPaddress", 4);  // a value may change its type
  ASSERT_TRUE(k.Close());
  ASSERT_TRUE(k.OpenRead());
  EXPECT_EQ(GetU32(k, "InsimPort"), "3");
  EXPECT_EQ(GetU32(k, "GUI-Port"), "2");
  EXPECT_EQ(GetU32(k, "IPaddress"), "4");
  k.Close();
#ifndef _WIN32
  const std::string text = GetFile(k.FilePath());
  EXPECT_NE(text.find("InsimPort=u32:3\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("INSIMPORT"), std::string::npos) << "one line per name: " << text;
#endif
  EXPECT_TRUE(k.DeleteKey());
  EXPECT_FALSE(k.OpenRead()) << "deleted with all its values";
}

#ifndef _WIN32

TEST_F(SettingsTest, FileLivesUnderTheConfigDirectoryWhichIsMadeWhenMissing) {
  SettingsKey k(kTestKey), main;
  EXPECT_EQ(k.FilePath(), config_.path() + kTestDir + "/settings");
  EXPECT_EQ(main.FilePath(), config_.path() + "/morvane/settings");

  const std::string home = std::getenv("HOME");
  UseConfig("relative/ignored");
  EXPECT_EQ(main.FilePath(), home + "/.config/morvane/settings");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  EXPECT_EQ(k.FilePath(), "") << "no home, no settings";
  EXPECT_FALSE(k.OpenWrite());
  EXPECT_FALSE(k.OpenRead());
  setenv("HOME", home.c_str(), 1);

  const std::string deep = config_.path() + "/not/yet";
  UseConfig(deep);
  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 5);
  EXPECT_TRUE(k.Close());
  EXPECT_TRUE(FileExists(deep + kTestDir + "/settings"));
  EXPECT_TRUE(k.DeleteKey());
}

TEST_F(SettingsTest, DamagedOrHandEditedFileGivesWhatCanBeRead) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(MakeDirectory(config_.path() + kTestDir));
  const std::string text = std::string(
                               "# comment\n\n"
                               "InsimPort = u32: 32300 \r\n"
                               "insimport=u32:1\n"
                               "Big=u32:4294967296\nNeg=u32:-1\nHex=u32:0x10\nNoType=5\n"
                               "BadEscape=str:a\\qb\nCutEscape=str:a\\x4\nNulEscape=str:a\\x00b\n"
                               "=str:nameless\njust text\n"
                               "Binary=str:a") +
                           '\0' + "b\n" + "\xFF\xFE=u32:7\n" +
                           "IPaddress=str: spaced \\\\ text\r\n" + "Last=u32:9";
  ASSERT_TRUE(PutFile(k.FilePath(), text));
  ASSERT_TRUE(k.OpenRead());
  EXPECT_EQ(GetU32(k, "InsimPort"), "32300") << "blanks are fine; the first of a name wins";
  for (const char* bad : {"Big", "Neg", "Hex", "NoType", "Binary"}) {
    EXPECT_EQ(GetU32(k, bad), "<missing>") << bad;
  }
  for (const char* bad : {"BadEscape", "CutEscape", "NulEscape", "", "Binary"}) {
    EXPECT_EQ(GetString(k, bad), "<missing>") << bad;
  }
  EXPECT_EQ(GetString(k, "IPaddress"), " spaced \\ text");
  EXPECT_EQ(GetU32(k, "\xFF\xFE"), "7");
  EXPECT_EQ(GetU32(k, "Last"), "9") << "no newline at the end";
  k.Close();
}

TEST_F(SettingsTest, FailedWriteKeepsThePreviousSettings) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 1);
  ASSERT_TRUE(k.Close());
  const std::string before = GetFile(k.FilePath());

  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 2);
  // The directory disappears behind the open key: the write must fail and say so.
  const std::string dir = config_.path() + kTestDir;
  ASSERT_EQ(std::rename(dir.c_str(), (dir + ".away").c_str()), 0);
  ASSERT_TRUE(PutFile(dir, "not a directory"));
  EXPECT_FALSE(k.Close());
  ASSERT_TRUE(RemoveFile(dir));
  ASSERT_EQ(std::rename((dir + ".away").c_str(), dir.c_str()), 0);
  EXPECT_EQ(GetFile(k.FilePath()), before);
}

#endif  // !_WIN32

}  // namespace
}  // namespace plat
