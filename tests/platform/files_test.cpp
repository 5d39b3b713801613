#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace plat {
namespace {

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const std::string kBytes("a\r\nb\nc\0d\xFF\x1A", 11);

TEST(Files, WholeFilesComeBackByteForByteAndMissingOnesLeaveNothing) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string path = t / "data.bin";
  std::vector<std::uint8_t> bin;
  std::string text;
  for (const std::string& bytes : {kBytes, std::string()}) {
    ASSERT_TRUE(WriteFileAtomic(path, bytes));
    ASSERT_TRUE(ReadBinaryFile(path, &bin));
    EXPECT_EQ(std::string(bin.begin(), bin.end()), bytes);
    ASSERT_TRUE(ReadTextFile(path, &text));
    EXPECT_EQ(text, bytes) << "line endings and odd bytes stay as they are";
  }
  bin = {1, 2, 3};
  text = "old";
  EXPECT_FALSE(ReadBinaryFile(t / "missing.bin", &bin));
  EXPECT_TRUE(bin.empty());
  EXPECT_FALSE(ReadTextFile(t / "missing.txt", &text));
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(ReadTextFile(t.path(), &text)) << "a directory";
  EXPECT_FALSE(ReadBinaryFile(t / "nodir" + kPathSep + "x", &bin));
}

TEST(Files, AtomicWriteReplacesWholeOrNotAtAllAndLeavesNoTemporaryFile) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string path = t / "settings";
  ASSERT_TRUE(WriteFileAtomic(path, "a much longer first content"));
  ASSERT_TRUE(WriteFileAtomic(path, "short"));
  EXPECT_EQ(GetFile(path), "short") << "no tail of the old content";

  // A directory in the way: the final rename must fail, after the data was written.
  const std::string dir = t / "cam";
  ASSERT_TRUE(MakeDirectory(dir));
  ASSERT_TRUE(PutFile(dir + kPathSep + "inner", "keep"));
  EXPECT_FALSE(WriteFileAtomic(dir, "new"));
  EXPECT_EQ(GetFile(dir + kPathSep + "inner"), "keep");
  // A missing directory, and a "directory" that is a regular file.
  EXPECT_FALSE(WriteFileAtomic(t / "missing" + kPathSep + "f", "x"));
  ASSERT_TRUE(PutFile(t / "plain", "old"));
  EXPECT_FALSE(WriteFileAtomic(t / "plain" + kPathSep + "f", "x"));
  EXPECT_EQ(GetFile(t / "plain"), "old");
  EXPECT_FALSE(WriteFileAtomic("", "x"));
  EXPECT_EQ(Entries(t.path()), (std::vector<std::string>{"cam", "plain", "settings"}))
      << "no temporary file left";
}

TEST(Files, CopyOverwritesExactlyOrTellsTheKindOfFailure) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string sep(1, kPathSep);
  ASSERT_TRUE(PutFile(t / "src", kBytes));
  ASSERT_TRUE(PutFile(t / "dst", std::string(5000, 'x')));
  ASSERT_TRUE(MakeDirectory(t / "dir"));
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "dst"), CopyResult::kOk);
  EXPECT_EQ(GetFile(t / "dst"), kBytes);
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "new"), CopyResult::kOk);
  EXPECT_EQ(GetFile(t / "new"), kBytes);
  EXPECT_EQ(GetFile(t / "src"), kBytes);

  ASSERT_TRUE(PutFile(t / "dst", "old"));
  EXPECT_EQ(CopyFileOverwrite(t / "nofile", t / "dst"), CopyResult::kFileNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "nodir" + sep + "src", t / "dst"), CopyResult::kPathNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "nodir" + sep + "dst"), CopyResult::kPathNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "dir", t / "dst"), CopyResult::kOther) << "source is a folder";
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "dir"), CopyResult::kOther) << "target is a folder";
  EXPECT_EQ(GetFile(t / "dst"), "old") << "failed copies never touch the target";
  EXPECT_EQ(Entries(t.path()), (std::vector<std::string>{"dir", "dst", "new", "src"}));
}

TEST(Files, DirectoriesAndExistence) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string sep(1, kPathSep);
  const std::string dir = t / "views.mrv.bak";
  EXPECT_FALSE(DirectoryExists(dir));
  EXPECT_TRUE(MakeDirectory(dir));
  EXPECT_TRUE(MakeDirectory(dir)) << "already there counts";
  EXPECT_TRUE(MakeDirectory(dir + sep)) << "a trailing separator is fine";
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_FALSE(FileExists(dir));
  EXPECT_FALSE(MakeDirectory(t / "a" + sep + "b")) << "one level only";

  ASSERT_TRUE(PutFile(t / "file", "x"));
  EXPECT_FALSE(MakeDirectory(t / "file"));
  EXPECT_TRUE(FileExists(t / "file"));
  EXPECT_FALSE(DirectoryExists(t / "file"));
  EXPECT_TRUE(RemoveFile(t / "file"));
  EXPECT_FALSE(FileExists(t / "file"));
  EXPECT_FALSE(RemoveFile(t / "file"));
}

TEST(Files, ProgramDirectoryAndNativePaths) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), kPathSep);
#ifdef _WIN32
  EXPECT_TRUE(FileExists(dir + "test_platform.exe"));
  EXPECT_EQ(NativePath("data\\smx\\BL1.pth"), "data\\smx\\BL1.pth");
#else
  EXPECT_TRUE(FileExists(dir + "test_platform"));
  EXPECT_EQ(NativePath("data\\smx\\BL1.pth"), "data/smx/BL1.pth");
#endif
}

}  // namespace
}  // namespace plat
