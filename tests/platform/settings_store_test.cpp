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
const std::string& TestKeySuffix() {
  static const std::string suffix = std::to_string(std::random_device()() % 1000000u);
  return suffix;
}
const std::string kTestKeyPath = "Software\\MorvaneTestPlatform" + TestKeySuffix();
const char* const kTestKey = kTestKeyPath.c_str();
const std::string kTestDir = "/morvanetestplatform" + TestKeySuffix();

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    ASSERT_TRUE(config_.ok());
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadXdg_ = old != nullptr;
    if (hadXdg_) oldXdg_ = old;
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
#endif
    SettingsKey k(kTestKey);
    k.DeleteKey();
  }
  void TearDown() override {
    SettingsKey k(kTestKey);
    EXPECT_TRUE(k.DeleteKey());
#ifndef _WIN32
    if (hadXdg_) {
      setenv("XDG_CONFIG_HOME", oldXdg_.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
#endif
  }

  std::string GetString(SettingsKey& k, const char* name, std::size_t size = 256) {
    char buf[256];
    std::memset(buf, '#', sizeof buf);
    if (!k.GetString(name, buf, size)) return "<missing>";
    return buf;
  }

  TempDir config_;
  bool hadXdg_ = false;
  std::string oldXdg_;
};

TEST_F(SettingsTest, MissingKeyAndValuesAreReportedAsMissing) {
  SettingsKey k(kTestKey);
  EXPECT_FALSE(k.OpenRead());
  std::uint32_t v = 123;
  EXPECT_FALSE(k.GetU32("InsimPort", &v)) << "not open";
  EXPECT_EQ(v, 123u);

  ASSERT_TRUE(k.OpenWrite());
  ASSERT_TRUE(k.Close());
  ASSERT_TRUE(k.OpenRead()) << "a key made for writing exists, even without values";
  EXPECT_FALSE(k.GetU32("InsimPort", &v));
  EXPECT_EQ(GetString(k, "IPaddress"), "<missing>");
  EXPECT_TRUE(k.Close());
}

TEST_F(SettingsTest, ValuesRoundTripExactly) {
  const std::string odd =
      std::string(" lead and trail ") + "a=b\\c\\x41\\n" + "\x01\x7F" + "\xE4\xF6\xFC" + "\t#;[x]";
  {
    SettingsKey k(kTestKey);
    ASSERT_TRUE(k.OpenWrite());
    EXPECT_TRUE(k.SetU32("InsimPort", 32300));
    EXPECT_TRUE(k.SetU32("Zero", 0));
    EXPECT_TRUE(k.SetU32("Max", 0xFFFFFFFFu));
    EXPECT_TRUE(k.SetString("IPaddress", "192.168.0.10"));
    EXPECT_TRUE(k.SetString("Empty", ""));
    EXPECT_TRUE(k.SetString("Odd", odd.c_str()));
    EXPECT_TRUE(k.SetString(" name = with blanks ", "v"));
    EXPECT_TRUE(k.Close());
  }
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenRead());
  std::uint32_t v = 0;
  ASSERT_TRUE(k.GetU32("InsimPort", &v));
  EXPECT_EQ(v, 32300u);
  ASSERT_TRUE(k.GetU32("Zero", &v));
  EXPECT_EQ(v, 0u);
  ASSERT_TRUE(k.GetU32("Max", &v));
  EXPECT_EQ(v, 0xFFFFFFFFu);
  EXPECT_EQ(GetString(k, "IPaddress"), "192.168.0.10");
  EXPECT_EQ(GetString(k, "Empty"), "");
  EXPECT_EQ(GetString(k, "Odd"), odd);
  EXPECT_EQ(GetString(k, " name = with blanks "), "v");

  EXPECT_FALSE(k.GetU32("IPaddress", &v)) << "a string is no number";
  EXPECT_EQ(GetString(k, "InsimPort"), "<missing>") << "a number is no string";
  EXPECT_TRUE(k.GetU32("insimport", &v)) << "names ignore case";
  EXPECT_EQ(GetString(k, "IPADDRESS"), "192.168.0.10");
  EXPECT_EQ(GetString(k, "IPaddress", 4), "192") << "cut to size - 1";
  EXPECT_FALSE(k.SetU32("InsimPort", 1)) << "opened for reading only";
  EXPECT_TRUE(k.Close());
}

TEST_F(SettingsTest, LaterWritesKeepOtherValuesAndReplaceByName) {
  {
    SettingsKey k(kTestKey);
    ASSERT_TRUE(k.OpenWrite());
    k.SetU32("InsimPort", 1);
    k.SetU32("GUI-Port", 2);
    k.SetString("IPaddress", "one");
    ASSERT_TRUE(k.Close());
  }
  {
    SettingsKey k(kTestKey);
    ASSERT_TRUE(k.OpenWrite());
    std::uint32_t v = 0;
    EXPECT_TRUE(k.GetU32("GUI-Port", &v)) << "a key open for writing reads too";
    EXPECT_EQ(v, 2u);
    k.SetU32("INSIMPORT", 3);
    k.SetU32("IPaddress", 4);  // a value may change its type
    ASSERT_TRUE(k.Close());
  }
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenRead());
  std::uint32_t v = 0;
  ASSERT_TRUE(k.GetU32("InsimPort", &v));
  EXPECT_EQ(v, 3u);
  ASSERT_TRUE(k.GetU32("GUI-Port", &v));
  EXPECT_EQ(v, 2u);
  ASSERT_TRUE(k.GetU32("IPaddress", &v));
  EXPECT_EQ(v, 4u);
  k.Close();

  EXPECT_TRUE(k.DeleteKey());
  EXPECT_FALSE(k.OpenRead()) << "deleted with all its values";
}

#ifndef _WIN32

TEST_F(SettingsTest, FileLivesUnderTheConfigDirectory) {
  SettingsKey k(kTestKey);
  EXPECT_EQ(k.FilePath(), config_.path() + kTestDir + "/settings");
  SettingsKey main;
  EXPECT_EQ(main.FilePath(), config_.path() + "/morvane/settings");

  // Without a usable XDG_CONFIG_HOME the file is under ~/.config.
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(main.FilePath(), std::string(home) + "/.config/morvane/settings");
  setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
}

TEST_F(SettingsTest, MissingConfigurationDirectoriesAreMade) {
  const std::string deep = config_.path() + "/not/yet";
  setenv("XDG_CONFIG_HOME", deep.c_str(), 1);
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 5);
  EXPECT_TRUE(k.Close());
  EXPECT_TRUE(FileExists(deep + kTestDir + "/settings"));
  EXPECT_TRUE(k.DeleteKey());
  setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
}

TEST_F(SettingsTest, OneValuePerNameInTheFileWhateverTheCase) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(k.OpenWrite());
  k.SetU32("InsimPort", 1);
  k.SetU32("INSIMPORT", 2);
  ASSERT_TRUE(k.Close());
  const std::string text = GetFile(k.FilePath());
  EXPECT_NE(text.find("InsimPort=u32:2\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("INSIMPORT"), std::string::npos) << text;
}

TEST_F(SettingsTest, DamagedOrHandEditedFileGivesWhatCanBeRead) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(MakeDirectory(config_.path() + kTestDir));
  const std::string text = std::string(
                               "# comment\n"
                               "\n"
                               "InsimPort = u32: 32300 \r\n"
                               "insimport=u32:1\n"
                               "Big=u32:4294967296\n"
                               "Neg=u32:-1\n"
                               "Hex=u32:0x10\n"
                               "NoType=5\n"
                               "BadEscape=str:a\\qb\n"
                               "CutEscape=str:a\\x4\n"
                               "NulEscape=str:a\\x00b\n"
                               "=str:nameless\n"
                               "just text\n"
                               "Binary=str:a") +
                           '\0' + "b\n" + "\xFF\xFE=u32:7\n" +
                           "IPaddress=str: spaced \\\\ text\r\n" + "Last=u32:9";
  ASSERT_TRUE(PutFile(k.FilePath(), text));
  ASSERT_TRUE(k.OpenRead());
  std::uint32_t v = 0;
  ASSERT_TRUE(k.GetU32("InsimPort", &v));
  EXPECT_EQ(v, 32300u) << "blanks around the number are fine; the first of a name wins";
  for (const char* bad : {"Big", "Neg", "Hex", "NoType", "Binary"}) {
    EXPECT_FALSE(k.GetU32(bad, &v)) << bad;
  }
  for (const char* bad : {"BadEscape", "CutEscape", "NulEscape", "", "Binary"}) {
    EXPECT_EQ(GetString(k, bad), "<missing>") << bad;
  }
  EXPECT_EQ(GetString(k, "IPaddress"), " spaced \\ text");
  ASSERT_TRUE(k.GetU32("\xFF\xFE", &v));
  EXPECT_EQ(v, 7u);
  ASSERT_TRUE(k.GetU32("Last", &v)) << "no newline at the end";
  EXPECT_EQ(v, 9u);
  k.Close();
}

TEST_F(SettingsTest, ArbitraryBytesNeverBreakTheReader) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(MakeDirectory(config_.path() + kTestDir));
  std::mt19937 rng(12345);
  const char alphabet[] =
      "=\\:xu32str\n\r\0 \xFF"
      "0123456789aF";
  for (int round = 0; round < 300; ++round) {
    std::string junk(rng() % 200, '\0');
    for (char& c : junk) {
      c = round % 2 ? static_cast<char>(rng()) : alphabet[rng() % (sizeof alphabet - 1)];
    }
    ASSERT_TRUE(PutFile(k.FilePath(), junk));
    ASSERT_TRUE(k.OpenRead());
    std::uint32_t v;
    char buf[8];
    k.GetU32("u", &v);
    k.GetString("x", buf, sizeof buf);
    k.Close();
    // Whatever was read survives a rewrite unchanged.
    ASSERT_TRUE(k.OpenWrite());
    k.SetU32("Marker", 1);
    ASSERT_TRUE(k.Close());
    ASSERT_TRUE(k.OpenRead());
    ASSERT_TRUE(k.GetU32("Marker", &v));
    k.Close();
  }
}

TEST_F(SettingsTest, NamesThatStartLikeCommentsSurviveARewrite) {
  SettingsKey k(kTestKey);
  ASSERT_TRUE(MakeDirectory(config_.path() + kTestDir));
  // A file the fuzzer made: its third line's name unescapes to one that starts with '#'.
  const std::string file =
      "po\xB1t = u32: 42949ax20  insimport = u32: odd\xFF\xFF\xFF\x02\\x3dnameimPor2:1\n"
      "\\x20odd\xFFt=od#v=u32:u32:1\n"
      "\\x23"
      "0odd\xFF\xFF\xFF\x02\\x3dname=str:\n"
      "b\n"
      "ad3\n";
  const std::string hashName = "#0odd\xFF\xFF\xFF\x02=name";
  ASSERT_TRUE(PutFile(k.FilePath(), file));
  ASSERT_TRUE(k.OpenWrite());
  EXPECT_EQ(GetString(k, hashName.c_str()), "");
  EXPECT_TRUE(k.SetString(";semicolon", "v"));
  ASSERT_TRUE(k.Close());
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(k.OpenRead());
    EXPECT_EQ(GetString(k, hashName.c_str()), "") << pass;
    EXPECT_EQ(GetString(k, ";semicolon"), "v") << pass;
    k.Close();
    ASSERT_TRUE(k.OpenWrite());
    EXPECT_TRUE(k.SetU32("Marker", 1));
    ASSERT_TRUE(k.Close());
  }
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

TEST_F(SettingsTest, NoHomeNoSettings) {
  const std::string home = std::getenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  SettingsKey k(kTestKey);
  EXPECT_EQ(k.FilePath(), "");
  EXPECT_FALSE(k.OpenWrite());
  EXPECT_FALSE(k.OpenRead());
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
}

#endif  // !_WIN32

}  // namespace
}  // namespace plat
