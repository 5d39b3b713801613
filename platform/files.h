// Files and directories.
//
// Paths are the platform's own: build them from ProgramDirectory() or the simulator directory,
// which end with kPathSep, and from relative parts converted by NativePath (the programs spell
// their relative paths the Windows way, "data\smx\", and NativePath turns the backslashes into
// slashes on POSIX). Reads are whole-file; writes meant for the user (settings, camera files)
// replace the old file atomically: a temporary file in the same directory, flushed, then renamed
// over the old one, so a crash or a full disk never leaves a half-written file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

#ifdef _WIN32
inline constexpr char kPathSep = '\\';
#else
inline constexpr char kPathSep = '/';
#endif

// Backslashes become the platform's separator.
std::string NativePath(std::string_view windowsSpelling);

// The directory of the running executable, ending with kPathSep.
std::string ProgramDirectory();

// Whole binary file; false when it cannot be opened or read.
bool ReadBinaryFile(const std::string& path, std::vector<std::uint8_t>* data);
// Whole text file as bytes (line endings untouched); false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string* text);
// Writes data to path atomically (see above); false, with the old file untouched, on any failure.
bool WriteFileAtomic(const std::string& path, std::string_view data);

enum class CopyResult { kOk, kFileNotFound, kPathNotFound, kOther };
// Copies src over dst (an existing dst is replaced). A missing source file is kFileNotFound; a
// missing directory on either side is kPathNotFound; anything else kOther.
CopyResult CopyFileOverwrite(const std::string& src, const std::string& dst);

// Creates one directory; true when it exists afterwards.
bool MakeDirectory(const std::string& path);
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);

}  // namespace plat
