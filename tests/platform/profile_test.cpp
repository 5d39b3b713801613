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
    return s;
  }

  TempDir dir_;
  std::string path_;
};

TEST_F(ProfileTest, NamesAreTrimmedAndMatchedWithoutCase) {
  EXPECT_EQ(Get("default", "Path2LFS"), "C:\\Games\\Sim");
  EXPECT_EQ(Get("DEFAULT", "path2lfs"), "C:\\Games\\Sim");
  EXPECT_EQ(Get("  Default ", " PATH2LFS  "), "C:\\Games\\Sim");
  EXPECT_EQ(Get("main", "tab"), "x") << "tabs are blanks too";
  EXPECT_EQ(Get("main", "eq"), "a=b") << "the first '=' ends the name";
  EXPECT_EQ(Get("", "top"), "before any section");
  EXPECT_EQ(Get("default", "top"), "DEF");
}

TEST_F(ProfileTest, QuotesAroundAValueGo) {
  EXPECT_EQ(Get("main", "quoted"), "  q  ") << "blanks inside the quotes stay";
  EXPECT_EQ(Get("main", "single"), "s");
  EXPECT_EQ(Get("main", "mismatch"), "\"abc'");
  EXPECT_EQ(Get("main", "lonequote"), "\"");
}

TEST_F(ProfileTest, MissingThingsGiveTheDefault) {
  EXPECT_EQ(Get("main", "nokey"), "DEF");
  EXPECT_EQ(Get("nosection", "quoted"), "DEF");
  EXPECT_EQ(Get("main", "noeq"), "DEF") << "a key without '=' has no value";
  EXPECT_EQ(Get("main", "empty"), "") << "an empty value is a value";
  EXPECT_EQ(Get("main", "blank"), "");
  EXPECT_EQ(Get("main", "hidden"), "DEF") << "a ';' line hides its key";
  EXPECT_EQ(Get("main", "nokey", "  def  "), "  def") << "trailing spaces of the default go";
  EXPECT_EQ(Get("main", "nokey", "\"quoted\""), "quoted");
  EXPECT_EQ(Get("main", "nokey", nullptr), "");
  char buf[16];
  EXPECT_EQ(ProfileGetString("a", "b", "fallback", buf, sizeof buf, (dir_ / "missing.ini").c_str()),
            8u);
  EXPECT_STREQ(buf, "fallback");
}

TEST_F(ProfileTest, FirstSectionAndFirstKeyWin) {
  EXPECT_EQ(Get("main", "dup"), "first");
  EXPECT_EQ(Get("main", "other"), "DEF") << "a second [main] is never searched";
}

TEST_F(ProfileTest, LineEndingsAndBrokenHeaders) {
  EXPECT_EQ(Get("unix", "lf"), "yes");
  EXPECT_EQ(Get("unix", "last"), "no newline");
  EXPECT_EQ(Get("unix", "afterbroken"), "1") << "a header without ']' is ignored";
  EXPECT_EQ(Get("broken", "afterbroken"), "DEF");
  EXPECT_EQ(Get("main", "quoted"), "  q  ") << "text after ']' is ignored";

  ASSERT_TRUE(PutFile(path_, "[s]\ra=cr only\rb=2\r"));
  EXPECT_EQ(Get("s", "a"), "cr only");
  EXPECT_EQ(Get("s", "b"), "2");
  ASSERT_TRUE(PutFile(path_, "\xEF\xBB\xBF[s]\r\na=after a byte order mark\r\n"));
  EXPECT_EQ(Get("s", "a"), "after a byte order mark");
  ASSERT_TRUE(PutFile(path_, ""));
  EXPECT_EQ(Get("s", "a"), "DEF");
}

TEST_F(ProfileTest, ValuesAreCutToSizeMinusOne) {
  EXPECT_EQ(Get("main", "long", "", 1), "");
  EXPECT_EQ(Get("main", "long", "", 2), "0");
  EXPECT_EQ(Get("main", "long", "", 10), "012345678");
  EXPECT_EQ(Get("main", "long", "", 11), "0123456789");
  EXPECT_EQ(Get("main", "long", "", 12), "0123456789");
  EXPECT_EQ(Get("main", "nokey", "defaultvalue", 4), "def");
  // A quoted value is unquoted first, then cut.
  EXPECT_EQ(Get("main", "cut", "", 3), "ab");
  EXPECT_EQ(Get("main", "cut", "", 4), "abc");
  EXPECT_EQ(Get("main", "cut", "", 5), "abcd");
  EXPECT_EQ(Get("main", "cut", "", 6), "abcd");

  char buf[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ProfileGetString("main", "long", "", buf, 0, path_.c_str()), 0u);
  EXPECT_EQ(buf[0], 'x') << "a zero size writes nothing";
}

TEST_F(ProfileTest, IntegersReadLikeTheWindowsReader) {
  const char* f = path_.c_str();
  EXPECT_EQ(ProfileGetInt("main", "int1", 77, f), 42u) << "digits as far as they go";
  EXPECT_EQ(ProfileGetInt("main", "int2", 77, f), static_cast<unsigned>(-5));
  EXPECT_EQ(ProfileGetInt("main", "int3", 77, f), 0u) << "no digits";
  EXPECT_EQ(ProfileGetInt("main", "int4", 77, f), 7u);
  EXPECT_EQ(ProfileGetInt("main", "int5", 77, f), 12u) << "quotes go first";
  EXPECT_EQ(ProfileGetInt("main", "int6", 77, f), 1215752191u) << "wraps at 32 bits";
  EXPECT_EQ(ProfileGetInt("main", "dup", 77, f), 0u);
  EXPECT_EQ(ProfileGetInt("main", "nokey", 77, f), 77u);
  EXPECT_EQ(ProfileGetInt("main", "empty", 77, f), 77u) << "an empty value gives the default";
  EXPECT_EQ(ProfileGetInt("main", "noeq", 77, f), 77u);
  EXPECT_EQ(ProfileGetInt("main", "nokey", -1, f), 0xFFFFFFFFu);
  EXPECT_EQ(ProfileGetInt("Activate", "Delay", 200, (dir_ / "none.cfg").c_str()), 200u);

  ASSERT_TRUE(PutFile(path_,
                      "[Output]\nColorT=9\nhex=0x10\nbin=0b101\noct=0o17\nzero=010\nneg=-0x10\n"
                      "upper=0X10\nsigns=+-3\nlong=000000000000000000000000000000000000005\n"));
  EXPECT_EQ(ProfileGetInt("Output", "ColorT", 6, f), 9u);
  EXPECT_EQ(ProfileGetInt("Output", "hex", 0, f), 16u);
  EXPECT_EQ(ProfileGetInt("Output", "bin", 0, f), 5u);
  EXPECT_EQ(ProfileGetInt("Output", "oct", 0, f), 15u);
  EXPECT_EQ(ProfileGetInt("Output", "zero", 0, f), 10u) << "a leading 0 is still decimal";
  EXPECT_EQ(ProfileGetInt("Output", "neg", 0, f), static_cast<unsigned>(-16));
  EXPECT_EQ(ProfileGetInt("Output", "upper", 7, f), 0u) << "prefixes are lower case only";
  EXPECT_EQ(ProfileGetInt("Output", "signs", 7, f), 0u);
  EXPECT_EQ(ProfileGetInt("Output", "long", 7, f), 0u) << "only the first 29 characters count";
}

}  // namespace
}  // namespace plat
