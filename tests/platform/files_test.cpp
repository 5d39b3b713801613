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

TEST(Files, WholeFilesComeBackByteForByte) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string path = t / "data.bin";
  ASSERT_TRUE(WriteFileAtomic(path, kBytes));

  std::vector<std::uint8_t> bin;
  ASSERT_TRUE(ReadBinaryFile(path, &bin));
  EXPECT_EQ(std::string(bin.begin(), bin.end()), kBytes);
  std::string text;
  ASSERT_TRUE(ReadTextFile(path, &text));
  EXPECT_EQ(text, kBytes) << "line endings and odd bytes stay as they are";

  ASSERT_TRUE(WriteFileAtomic(path, ""));
  ASSERT_TRUE(ReadTextFile(path, &text));
  EXPECT_EQ(text, "");
}

TEST(Files, ReadingWhatIsNotAFileFailsAndLeavesNothing) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  std::vector<std::uint8_t> bin = {1, 2, 3};
  std::string text = "old";
  EXPECT_FALSE(ReadBinaryFile(t / "missing.bin", &bin));
  EXPECT_TRUE(bin.empty());
  EXPECT_FALSE(ReadTextFile(t / "missing.txt", &text));
  EXPECT_TRUE(text.empty());
  EXPECT_FALSE(ReadTextFile(t.path(), &text)) << "a directory";
  EXPECT_FALSE(ReadBinaryFile(t / "nodir" + kPathSep + "x", &bin));
}

TEST(Files, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  const std::string path = t / "settings";
  ASSERT_TRUE(WriteFileAtomic(path, "a much longer first content"));
  ASSERT_TRUE(WriteFileAtomic(path, "short"));
  EXPECT_EQ(GetFile(path), "short") << "no tail of the old content";
  EXPECT_EQ(Entries(t.path()), std::vector<std::string>{"settings"});
}

TEST(Files, FailedAtomicWriteKeepsTheOldStateAndCleansUp) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  // A directory in the way: the final rename must fail, after the data was written.
  const std::string dir = t / "cam";
  ASSERT_TRUE(MakeDirectory(dir));
  ASSERT_TRUE(PutFile(dir + kPathSep + "inner", "keep"));
  EXPECT_FALSE(WriteFileAtomic(dir, "new"));
  EXPECT_EQ(GetFile(dir + kPathSep + "inner"), "keep");
  EXPECT_EQ(Entries(t.path()), std::vector<std::string>{"cam"}) << "temporary file removed";

  // A missing directory, and a "directory" that is a regular file.
  EXPECT_FALSE(WriteFileAtomic(t / "missing" + kPathSep + "f", "x"));
  ASSERT_TRUE(PutFile(t / "plain", "old"));
  EXPECT_FALSE(WriteFileAtomic(t / "plain" + kPathSep + "f", "x"));
  EXPECT_EQ(GetFile(t / "plain"), "old");
  EXPECT_FALSE(WriteFileAtomic("", "x"));
}

TEST(Files, CopyOverwritesExactly) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  ASSERT_TRUE(PutFile(t / "src.cvw", kBytes));
  ASSERT_TRUE(PutFile(t / "dst.cvw", std::string(5000, 'x')));
  EXPECT_EQ(CopyFileOverwrite(t / "src.cvw", t / "dst.cvw"), CopyResult::kOk);
  EXPECT_EQ(GetFile(t / "dst.cvw"), kBytes);
  EXPECT_EQ(CopyFileOverwrite(t / "src.cvw", t / "new.cvw"), CopyResult::kOk);
  EXPECT_EQ(GetFile(t / "new.cvw"), kBytes);
  EXPECT_EQ(GetFile(t / "src.cvw"), kBytes);
  EXPECT_EQ(Entries(t.path()), (std::vector<std::string>{"dst.cvw", "new.cvw", "src.cvw"}));
}

TEST(Files, CopyTellsTheKindOfFailure) {
  TempDir t;
  ASSERT_TRUE(t.ok());
  ASSERT_TRUE(PutFile(t / "src", "data"));
  ASSERT_TRUE(PutFile(t / "dst", "old"));
  ASSERT_TRUE(MakeDirectory(t / "dir"));
  const std::string sep(1, kPathSep);

  EXPECT_EQ(CopyFileOverwrite(t / "nofile", t / "dst"), CopyResult::kFileNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "nodir" + sep + "src", t / "dst"), CopyResult::kPathNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "nodir" + sep + "dst"), CopyResult::kPathNotFound);
  EXPECT_EQ(CopyFileOverwrite(t / "dir", t / "dst"), CopyResult::kOther) << "source is a folder";
  EXPECT_EQ(CopyFileOverwrite(t / "src", t / "dir"), CopyResult::kOther) << "target is a folder";
  EXPECT_EQ(GetFile(t / "dst"), "old") << "failed copies never touch the target";
  EXPECT_EQ(Entries(t.path()), (std::vector<std::string>{"dir", "dst", "src"}));
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

TEST(Files, ProgramDirectoryHoldsTheRunningProgram) {
  const std::string dir = ProgramDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), kPathSep);
  EXPECT_TRUE(DirectoryExists(dir));
#ifdef _WIN32
  EXPECT_TRUE(FileExists(dir + "test_platform.exe"));
#else
  EXPECT_TRUE(FileExists(dir + "test_platform"));
#endif
}

TEST(Files, NativePathUsesThePlatformSeparator) {
#ifdef _WIN32
  EXPECT_EQ(NativePath("data\\smx\\BL1.pth"), "data\\smx\\BL1.pth");
#else
  EXPECT_EQ(NativePath("data\\smx\\BL1.pth"), "data/smx/BL1.pth");
#endif
  EXPECT_EQ(NativePath(""), "");
}

}  // namespace
}  // namespace plat
