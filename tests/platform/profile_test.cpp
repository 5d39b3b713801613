// The same expectations hold for the Windows reader and the portable one; the Windows test program
// runs them against the system's own profile functions.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "temp_dir.h"

namespace plat {
namespace {

const char kIni[] =
    "top=before any section\r\n"
    "[ default ]\r\n"
    "  Path2LFS  =   C:\\Games\\Sim   \r\n"
    "[Main]  text after the bracket\r\n"
    "quoted=\"  q  \"\r\n"
    "single='s'\r\n"
    "mismatch=\"abc'\r\n"
    "lonequote=\"\r\n"
    "cut=\"abcd\"\r\n"
    "noeq\r\n"
    "empty=\r\n"
    "blank=   \t \r\n"
    "; hidden=5\r\n"
    "dup=first\r\n"
    "DUP=second\r\n"
    "tab=\tx\t\r\n"
    "eq=a=b\r\n"
    "long=0123456789\r\n"
    "int1=  42abc\r\n"
    "int2=-5\r\n"
    "int3=abc\r\n"
    "int4=+7\r\n"
    "int5=\"12\"\r\n"
    "int6=99999999999\r\n"
    "[main]\r\n"
    "other=only in the second section of that name\r\n"
    "[Output]\nColorT=9\nhex=0x10\nbin=0b101\noct=0o17\nzero=010\nneg=-0x10\nupper=0X10\n"
    "signs=+-3\nlong=000000000000000000000000000000000000005\n"
    "[Unix]\n"
    "lf=yes\n"
    "[broken\n"
    "afterbroken=1\n"
    "last=no newline";

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.ok());
    path_ = dir_ / "Morvane.cfg";
    ASSERT_TRUE(PutFile(path_, kIni));
  }

  std::string Get(const char* section, const char* key, const char* def = "DEF",
                  std::size_t size = 100) {
    char buf[128];
    std::memset(buf, '#', sizeof buf);
    const std::size_t n = ProfileGetString(section, key, def, buf, size, path_.c_str());
    const std::string s(buf);
    EXPECT_EQ(n, s.size()) << section << "/" << key << " returns the length it copied";
    EXPECT_EQ(buf[size], '#') << section << "/" << key << " wrote past its buffer";
    return s;
  }

  TempDir dir_;
  std::string path_;
};

TEST_F(ProfileTest, StringsFollowTheWindowsRules) {
  const struct {
    const char *section, *key, *def;
    std::size_t size;
    const char* value;
  } cases[] = {
      // clang-format off
      // Names are trimmed and matched without case; the first '=' ends the name.
      {"default", "Path2LFS", "DEF", 100, "C:\\Games\\Sim"},
      {"DEFAULT", "path2lfs", "DEF", 100, "C:\\Games\\Sim"},
      {"  Default ", " PATH2LFS  ", "DEF", 100, "C:\\Games\\Sim"},
      {"main", "tab", "DEF", 100, "x"},  {"main", "eq", "DEF", 100, "a=b"},
      {"", "top", "DEF", 100, "before any section"}, {"default", "top", "DEF", 100, "DEF"},
      // Matching quotes around a value go, blanks inside them stay.
      {"main", "quoted", "DEF", 100, "  q  "}, {"main", "single", "DEF", 100, "s"},
      {"main", "mismatch", "DEF", 100, "\"abc'"}, {"main", "lonequote", "DEF", 100, "\""},
      // Missing things give the default, trimmed and unquoted; an empty value is a value.
      {"main", "nokey", "DEF", 100, "DEF"}, {"nosection", "quoted", "DEF", 100, "DEF"},
      {"main", "noeq", "DEF", 100, "DEF"},  {"main", "hidden", "DEF", 100, "DEF"},
      {"main", "empty", "DEF", 100, ""},    {"main", "blank", "DEF", 100, ""},
      {"main", "nokey", "  def  ", 100, "  def"}, {"main", "nokey", "\"quoted\"", 100, "quoted"},
      {"main", "nokey", nullptr, 100, ""},
      // The first section and key of a name win.
      {"main", "dup", "DEF", 100, "first"}, {"main", "other", "DEF", 100, "DEF"},
      // LF line ends; a header without ']' is no header.
      {"unix", "lf", "DEF", 100, "yes"},    {"unix", "last", "DEF", 100, "no newline"},
      {"unix", "afterbroken", "DEF", 100, "1"}, {"broken", "afterbroken", "DEF", 100, "DEF"},
      // Cut to size - 1, a quoted value after unquoting.
      {"main", "long", "", 1, ""}, {"main", "long", "", 2, "0"},
      {"main", "long", "", 10, "012345678"}, {"main", "long", "", 11, "0123456789"},
      {"main", "nokey", "defaultvalue", 4, "def"},
      {"main", "cut", "", 3, "ab"}, {"main", "cut", "", 5, "abcd"}, {"main", "cut", "", 6, "abcd"},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Get(c.section, c.key, c.def, c.size), c.value) << c.section << "/" << c.key;
  }

  char buf[16] = {'x'};
  EXPECT_EQ(ProfileGetString("main", "long", "", buf, 0, path_.c_str()), 0u);
  EXPECT_EQ(buf[0], 'x') << "a zero size writes nothing";
  EXPECT_EQ(ProfileGetString("a", "b", "fallback", buf, sizeof buf, (dir_ / "missing.ini").c_str()),
            8u);
  EXPECT_STREQ(buf, "fallback");
  const std::pair<const char*, const char*> files[] = {
      {"[s]\ra=cr only\rb=2\r", "cr only"},
      {"\xEF\xBB\xBF[s]\r\na=after a byte order mark\r\n", "after a byte order mark"},
      {"", "DEF"}};
  for (const auto& [text, value] : files) {
    ASSERT_TRUE(PutFile(path_, text));
    EXPECT_EQ(Get("s", "a"), value);
  }
}

TEST_F(ProfileTest, IntegersReadLikeTheWindowsReader) {
  const struct {
    const char *section, *key;
    int def;
    unsigned value;
  } cases[] = {
      // clang-format off
      {"main", "int1", 77, 42u},  // digits as far as they go
      {"main", "int2", 77, static_cast<unsigned>(-5)},
      {"main", "int3", 77, 0u},  {"main", "dup", 77, 0u},  // no digits
      {"main", "int4", 77, 7u},  {"main", "int5", 77, 12u},  // quotes go first
      {"main", "int6", 77, 1215752191u},  // wraps at 32 bits
      {"main", "nokey", 77, 77u}, {"main", "empty", 77, 77u}, {"main", "noeq", 77, 77u},
      {"main", "nokey", -1, 0xFFFFFFFFu},
      {"Output", "ColorT", 6, 9u}, {"Output", "hex", 0, 16u}, {"Output", "bin", 0, 5u},
      {"Output", "oct", 0, 15u},
      {"Output", "zero", 0, 10u},  // a leading 0 is still decimal
      {"Output", "neg", 0, static_cast<unsigned>(-16)},
      {"Output", "upper", 7, 0u},  // prefixes are lower case only
      {"Output", "signs", 7, 0u},
      {"Output", "long", 7, 0u},  // only the first 29 characters count
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProfileGetInt(c.section, c.key, c.def, path_.c_str()), c.value) << c.key;
  }
  EXPECT_EQ(ProfileGetInt("Activate", "Delay", 200, (dir_ / "none.cfg").c_str()), 200u);
}

}  // namespace
}  // namespace plat
